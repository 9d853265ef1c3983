// The in-editor popup menu on the fake clock: its life from request to closed, what a click reports,
// where panels open, scrolling, submenus, and the requests it cannot show. The recording graphics
// measures 7 points per character and 14 high, so a menu's cell is its widest label + 28 wide, 14 high.
#include "controls/IPopupMenuControl.h"
#include "controls/InEditorControls.h"
#include "tests/controls/ControlsFixture.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace fx::gfx::test {
namespace {

constexpr int kNone = -1;
// A shown panel's opacity.
constexpr float kPanelOpacity = 0.95f;

// A control that asks for menus and records each answer: the chosen index, kNone for no menu.
class MenuCaller : public IControl {
 public:
  explicit MenuCaller(const IRECT& r) : IControl(r) {}
  void Draw(IGraphics&) override {}
  void OnPopupMenuSelection(IPopupMenu* menu, int) override {
    answers.push_back(menu ? menu->GetChosenItemIdx() : kNone);
    answeredMenus.push_back(menu);
  }
  std::vector<int> answers;
  std::vector<IPopupMenu*> answeredMenus;
};

class PopupMenu : public ControlsFixture {
 protected:
  void SetUp() override {
    ControlsFixture::SetUp();
    g.EnableMouseOver(true);
    AttachPopupMenuControl(g);
    popup = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());
    caller = Add(new MenuCaller(IRECT(100, 50, 140, 70)));
  }

  std::unique_ptr<IPopupMenu> Menu(std::initializer_list<const char*> items) {
    auto menu = std::make_unique<IPopupMenu>("", items,
                                             [this](IPopupMenu* m) { completions.push_back(m->GetChosenItemIdx()); });
    return menu;
  }
  void Open(IPopupMenu& menu, const IRECT& anchor) { g.CreatePopupMenu(*caller, menu, anchor); }
  void Hover(float x, float y) { g.OnMouseOver(x, y, IMouseMod()); }

  IPopupMenuControl* popup = nullptr;
  MenuCaller* caller = nullptr;
  std::vector<int> completions;
};

TEST_F(PopupMenu, AttachedOnceThroughTheGraphicsAndLivesFromRequestToClosed) {
  ASSERT_NE(popup, nullptr);
  AttachPopupMenuControl(g);
  EXPECT_EQ(g.GetPopupMenuControl(), popup);
  EXPECT_TRUE(popup->IsHidden());

  // What the graphics core reads through the base: the state's number (0 closed, 1 opening, 2 open,
  // 3 fading out, 4 choice blink, 6 finishing) and whether the menu takes the pointer events.
  const IPopupMenuControlBase* core = g.GetPopupMenuControl();
  auto expectCoreSees = [&](int value, bool expanded, double ms) {
    EXPECT_EQ(static_cast<int>(core->GetState()), value) << ms;
    EXPECT_EQ(core->GetExpanded(), expanded) << ms;
  };
  auto menu = Menu({"One", "Two", "Three"});
  Open(*menu, caller->GetRECT());
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kOpening);
  expectCoreSees(1, true, 0);
  EXPECT_FALSE(popup->IsHidden());
  At(50);
  EXPECT_FLOAT_EQ(popup->GetPanel(0)->mBlend.weight, 0.5f * kPanelOpacity);
  At(101);
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kOpen);
  expectCoreSees(2, true, 101);
  EXPECT_FLOAT_EQ(popup->GetPanel(0)->mBlend.weight, kPanelOpacity);

  // Cells of 63 x 14 from (93.5, 75), 2 apart; hovering the second highlights it with its label inset 15.
  Hover(100, 95);
  EXPECT_EQ(popup->GetHoverCell(), popup->GetPanel(0)->GetCell(1));
  g.log.clear();
  popup->Draw(g);
  EXPECT_EQ(g.Count("PathFill 255,0,0,255"), 1);
  EXPECT_EQ(g.Count("DoDrawText Two 108.5,91,151.5,105"), 1);

  Press(100, 95);
  Release(100, 95);
  EXPECT_EQ(completions, std::vector<int>{1});
  EXPECT_EQ(caller->answers, std::vector<int>{1});
  EXPECT_TRUE(popup->IsHidden());

  const struct {
    double ms;
    IPopupMenuControl::EPopupMenuState state;
    int value;
  } phases[] = {
      {101, IPopupMenuControl::kChoiceBlink, 4}, {150, IPopupMenuControl::kChoiceBlink, 4},
      {202, IPopupMenuControl::kFadingOut, 3},   {303, IPopupMenuControl::kFinishing, 6},
      {404, IPopupMenuControl::kClosed, 0},
  };
  for (const auto& phase : phases) {
    At(phase.ms);
    EXPECT_EQ(popup->GetState(), phase.state) << phase.ms;
    expectCoreSees(phase.value, false, phase.ms);
  }
  EXPECT_EQ(popup->NPanels(), 0);
  EXPECT_EQ(g.Count("UpdateTooltips"), 1);  // tooltips back once closed
  EXPECT_EQ(caller->answers.size(), 1u);
}

struct ClickCase {
  const char* name;
  float x, y;
  int expected;
};

// Cells from y 75: One, Two (disabled), a separator 2 high, Four (not choosable), Sub (submenu), Six.
// clang-format off
const ClickCase kClicks[] = {
  {"Enabled", 100, 80, 0},
  {"Disabled", 100, 96, kNone},
  {"Separator", 100, 108, kNone},
  {"NotChoosable", 100, 116, kNone},
  {"SubmenuItem", 100, 132, kNone},
  {"LastItem", 100, 148, 5},
  {"Outside", 300, 250, kNone},
};
// clang-format on

class PopupClick : public PopupMenu, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(PopupClick, ReportsTheChoosableItemUnderTheClickOrNone) {
  const ClickCase& c = GetParam();
  auto menu = Menu({"One", "Two"});
  menu->GetItem(1)->SetEnabled(false);
  menu->AddSeparator();
  menu->AddItem("Four", IPopupMenu::kAppend, IPopupMenu::Item::kTitle);
  menu->AddItem("Sub", new IPopupMenu("", {"X"}));
  menu->AddItem("Six");
  Open(*menu, caller->GetRECT());
  At(101);
  Press(c.x, c.y);
  EXPECT_EQ(completions, std::vector<int>{c.expected});
  EXPECT_EQ(caller->answers, std::vector<int>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(Items, PopupClick, ::testing::ValuesIn(kClicks),
                         [](const auto& info) { return std::string(info.param.name); });

struct PlaceCase {
  const char* name;
  IRECT anchor;
  int nItems;
  IRECT firstCell;
  IPopupMenuControl::EAnchorArrowDir dir;
  bool scrolls;
  IRECT arrowRect;  // callouts are off: an arrow of size 0 where the panel meets the anchor
};

// Editor 400 x 300, shadow 10, margin 5. Three items: a panel 63 x 46; thirty: 49 x 478, taller than
// the editor, so it scrolls from the editor's top with (300 - 5 - 15) / 16 = 17 cells.
// clang-format off
const PlaceCase kPlaces[] = {
  {"BelowTheAnchor", {100, 50, 140, 70}, 3, {93.5f, 75, 156.5f, 89}, IPopupMenuControl::kPointUp, false,
   {120, 70, 120, 70}},
  {"UpwardNearTheBottom", {100, 270, 140, 290}, 3, {93.5f, 219, 156.5f, 233}, IPopupMenuControl::kPointDown, false,
   {120, 270, 120, 270}},
  {"PulledInFromTheRightEdge", {370, 50, 390, 70}, 3, {322, 75, 385, 89}, IPopupMenuControl::kPointUp, false,
   {380, 70, 380, 70}},
  {"TallerThanTheEditor", {100, 50, 140, 70}, 30, {145, 15, 194, 29}, IPopupMenuControl::kPointLeft, true,
   {140, 60, 140, 60}},
};
// clang-format on

class PopupPlacement : public PopupMenu, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(PopupPlacement, OpensWhereTheEditorHasRoom) {
  const PlaceCase& c = GetParam();
  IPopupMenu menu;
  menu.AddItem(c.nItems == 3 ? "One" : "I00");
  for (int i = 1; i < c.nItems; ++i) menu.AddItem(c.nItems == 3 ? (i == 1 ? "Two" : "Three") : "I00");
  Open(menu, c.anchor);
  const IPopupMenuControl::MenuPanel& panel = *popup->GetPanel(0);
  EXPECT_EQ(*panel.GetCell(0), c.firstCell);
  EXPECT_EQ(popup->GetAnchorArrowDir(), c.dir);
  EXPECT_EQ(panel.mScrolls, c.scrolls);
  EXPECT_EQ(panel.NCells(), c.scrolls ? 17 : c.nItems);
  EXPECT_EQ(panel.mMaxVisibleCells, c.scrolls ? 17 : 0);
  EXPECT_GE(panel.GetCell(0)->T, 0.f);
  EXPECT_LE(panel.GetCell(panel.NCells() - 1)->B, 300.f);
  EXPECT_EQ(popup->GetAnchorRECT(), c.anchor);
  EXPECT_EQ(popup->GetAnchorArrowRECT(), c.arrowRect);
}

// The widest label (7 points a character) + 28 wide and one label high at the point; labels that measure to
// nothing still make a cell one text size (the default 14) high.
TEST_F(PopupMenu, CellRectAtIsTheWidestLabelsCellAtThePoint) {
  IPopupMenu three("", {"One", "Two", "Three"});
  IPopupMenu empty("", {""});
  EXPECT_EQ(popup->CellRectAt(three, 10, 20), IRECT(10, 20, 73, 34));
  EXPECT_EQ(popup->CellRectAt(empty, 3, 4.5f), IRECT(3, 4.5f, 31, 18.5f));
}

INSTANTIATE_TEST_SUITE_P(Anchors, PopupPlacement, ::testing::ValuesIn(kPlaces),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PopupMenu, ScrollsOneItemPerMoveOverAnEndCellAndChoosesWhatACellShows) {
  IPopupMenu menu;
  for (int i = 0; i < 30; ++i) menu.AddItem("I00");
  Open(menu, caller->GetRECT());
  At(101);
  const IPopupMenuControl::MenuPanel& panel = *popup->GetPanel(0);
  EXPECT_FALSE(panel.ShowsUpArrow());
  EXPECT_TRUE(panel.ShowsDownArrow());

  // Cells 16 apart from y 15: the last (16) at 271, the first at 15.
  Hover(150, 275);
  Hover(150, 276);
  EXPECT_EQ(panel.mScrollItemOffset, 2);
  EXPECT_TRUE(panel.ShowsUpArrow());
  menu.GetItem(2)->SetEnabled(false);  // under the up arrow
  Hover(150, 20);
  EXPECT_EQ(panel.mScrollItemOffset, 1);
  for (int i = 0; i < 20; ++i) Hover(150, 275);
  EXPECT_EQ(panel.mScrollItemOffset, 13);
  EXPECT_FALSE(panel.ShowsDownArrow());

  Press(150, 100);  // cell 5
  EXPECT_EQ(caller->answers, std::vector<int>{18});
}

TEST_F(PopupMenu, SubmenuAppearsAfterItsDelayAndReportsItsOwnChoice) {
  auto menu = Menu({"A"});
  IPopupMenu* sub = new IPopupMenu("", {"X", "Y"});
  menu->AddItem("Sub", sub);
  menu->AddItem("C");
  Open(*menu, caller->GetRECT());
  At(101);

  // Root cells from (100.5, 75); "Sub" is the second.
  Hover(110, 98);
  ASSERT_EQ(popup->NPanels(), 2);
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kSubmenuDelay);
  EXPECT_TRUE(popup->GetExpanded());
  EXPECT_EQ(*popup->GetPanel(1)->GetCell(0), IRECT(159.5f, 91, 194.5f, 105));
  At(200);
  EXPECT_EQ(popup->GetPanel(1)->mBlend.weight, 0.f);
  At(300);
  EXPECT_FLOAT_EQ(popup->GetPanel(1)->mBlend.weight, kPanelOpacity);
  At(302);
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kOpen);

  Hover(170, 112);
  EXPECT_EQ(popup->GetActivePanel(), popup->GetPanel(1));
  Press(170, 112);
  EXPECT_EQ(caller->answers, std::vector<int>{1});
  EXPECT_EQ(caller->answeredMenus, std::vector<IPopupMenu*>{sub});
  EXPECT_EQ(menu->GetChosenItemIdx(), kNone);
  EXPECT_EQ(completions, std::vector<int>{1});

  // Moving back to a plain item of the root hides the submenu.
  auto again = Menu({"A"});
  again->AddItem("Sub", new IPopupMenu("", {"X"}));
  for (double ms : {403.0, 504.0, 605.0}) At(ms);
  ASSERT_EQ(popup->GetState(), IPopupMenuControl::kClosed);
  Open(*again, caller->GetRECT());
  At(706);
  Hover(110, 98);
  Hover(110, 80);
  EXPECT_FALSE(popup->GetPanel(1)->mShouldDraw);
}

// A control under the menu that counts the presses reaching it.
class PressCounter : public IControl {
 public:
  explicit PressCounter(const IRECT& r) : IControl(r) {}
  void Draw(IGraphics&) override {}
  void OnMouseDown(float, float, const IMouseMod&) override { ++presses; }
  int presses = 0;
};

struct EarlyClickCase {
  const char* name;
  bool overSubmenuItem;  // hovered "Sub" once open, so the menu waits for its submenu
  double clickAt;
  IPopupMenuControl::EPopupMenuState state;
  float x, y;
  int expected;
};

// Root cells of 49 x 14 from (100.5, 75): A, Sub, C. A click while the menu fades in or waits for a submenu
// to appear is the menu's: it chooses the item under it, and the control under the menu never hears of it.
// clang-format off
const EarlyClickCase kEarlyClicks[] = {
  {"WhileFadingIn", false, 50, IPopupMenuControl::kOpening, 110, 80, 0},
  {"WhileFadingInOutsideEveryCell", false, 50, IPopupMenuControl::kOpening, 300, 250, kNone},
  {"WhileASubmenuIsDue", true, 150, IPopupMenuControl::kSubmenuDelay, 110, 114, 2},
};
// clang-format on

class PopupEarlyClick : public PopupMenu, public ::testing::WithParamInterface<EarlyClickCase> {};

TEST_P(PopupEarlyClick, IsTheMenusAndChoosesTheItemUnderIt) {
  const EarlyClickCase& c = GetParam();
  auto* beneath = Add(new PressCounter(IRECT(0, 0, 400, 300)));
  auto menu = Menu({"A"});
  menu->AddItem("Sub", new IPopupMenu("", {"X", "Y"}));
  menu->AddItem("C");
  Open(*menu, caller->GetRECT());
  if (c.overSubmenuItem) {
    At(101);
    Hover(110, 98);
  }
  At(c.clickAt);
  ASSERT_EQ(popup->GetState(), c.state);
  Press(c.x, c.y);
  Release(c.x, c.y);
  EXPECT_EQ(caller->answers, std::vector<int>{c.expected});
  EXPECT_EQ(beneath->presses, 0);
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kChoiceBlink);
}

INSTANTIATE_TEST_SUITE_P(States, PopupEarlyClick, ::testing::ValuesIn(kEarlyClicks),
                         [](const auto& info) { return std::string(info.param.name); });

// The hovered, highlighted and clicked cells are the panels' own cell rectangles: they stay the same cells
// while submenu panels join the list, and nothing points into the panels once they are deleted.
TEST_F(PopupMenu, CellsAreHeldByPointerWhilePanelsComeAndGo) {
  auto menu = Menu({"A"});
  menu->AddItem("Sub", new IPopupMenu("", {"X", "Y"}));
  menu->AddItem("C");
  Open(*menu, caller->GetRECT());
  At(101);
  Hover(110, 98);  // "Sub": its submenu's panel joins the list
  ASSERT_EQ(popup->NPanels(), 2);
  IPopupMenuControl::MenuPanel* root = popup->GetPanel(0);
  IPopupMenuControl::MenuPanel* sub = popup->GetPanel(1);
  EXPECT_EQ(popup->GetHoverCell(), root->GetCell(1));
  EXPECT_EQ(root->mHighlightedCell, root->GetCell(1));
  At(302);
  Hover(170, 112);  // "Y", the submenu's second cell at (159.5, 107)
  EXPECT_EQ(popup->GetActivePanel(), sub);
  EXPECT_EQ(popup->GetHoverCell(), sub->GetCell(1));
  EXPECT_EQ(root->mHighlightedCell, root->GetCell(1));
  // The open branch's cell and the hovered one are highlighted, each widened by the 5-point margin.
  g.log.clear();
  popup->Draw(g);
  EXPECT_EQ(FilledRects("255,0,0,255"), (std::vector<std::string>{"95.5,91,154.5,105", "154.5,107,199.5,121"}));

  Press(170, 112);
  EXPECT_EQ(sub->mClickedCell, sub->GetCell(1));
  EXPECT_EQ(root->mClickedCell, nullptr);
  for (double ms : {403.0, 504.0, 605.0}) At(ms);
  ASSERT_EQ(popup->GetState(), IPopupMenuControl::kClosed);
  EXPECT_EQ(popup->NPanels(), 0);
  EXPECT_EQ(popup->GetHoverCell(), nullptr);
  EXPECT_EQ(popup->GetActivePanel(), nullptr);

  // Shown again, it draws and hovers only its new cells (the sanitizers watch for the deleted ones).
  Open(*menu, caller->GetRECT());
  At(706);
  g.log.clear();
  popup->Draw(g);
  EXPECT_TRUE(FilledRects("255,0,0,255").empty());
  Hover(110, 80);
  EXPECT_EQ(popup->GetHoverCell(), popup->GetPanel(0)->GetCell(0));
}

// The arrows through their virtual slots: callouts are off, so only the submenu arrow is drawn (with the root
// panel's blend), while a submenu is shown, in a square of size 0 beside its cell.
class ArrowRecordingMenu : public IPopupMenuControl {
 public:
  using IPopupMenuControl::IPopupMenuControl;
  void DrawAnchorArrow(IGraphics&, const IRECT& r, IBlend*) override { anchors.push_back(r); }
  void DrawSubmenuArrow(IGraphics&, const IRECT& r, IBlend* blend) override {
    if (blend == &GetPanel(0)->mBlend) submenus.push_back(r);
  }
  std::vector<IRECT> anchors, submenus;
};

TEST_F(PopupMenu, SubmenuArrowIsDrawnWhileASubmenuIsShown) {
  g.RemovePopupMenuControl();
  g.AttachPopupMenuControl(new ArrowRecordingMenu(-1, DEFAULT_TEXT));
  auto* arrows = static_cast<ArrowRecordingMenu*>(g.GetPopupMenuControl());
  auto menu = Menu({"A"});
  menu->AddItem("Sub", new IPopupMenu("", {"X", "Y"}));
  menu->AddItem("C");
  Open(*menu, caller->GetRECT());
  At(101);
  // Root cells of 49 x 14 from (100.5, 75): "Sub" spans 91..105, so its arrow sits at (149.5 + 5, 98).
  const struct {
    float y;  // hovered, at x 110
    bool shown;
  } steps[] = {{80, false}, {98, true}, {112, false}, {98, true}};
  for (const auto& step : steps) {
    Hover(110, step.y);
    EXPECT_EQ(arrows->GetSubmenuShown(), step.shown) << step.y;
    arrows->submenus.clear();
    arrows->Draw(g);
    EXPECT_EQ(arrows->submenus, step.shown ? std::vector<IRECT>{IRECT(154.5f, 98, 154.5f, 98)} : std::vector<IRECT>{});
    EXPECT_TRUE(arrows->anchors.empty());
  }
  // Drawn on purpose, it is a white triangle pointing back at the cell (submenus open to the right here).
  g.log.clear();
  arrows->IPopupMenuControl::DrawSubmenuArrow(g, IRECT(10, 10, 18, 18), nullptr);
  EXPECT_EQ(g.Count("PathMoveTo 10,14"), 1);
  EXPECT_EQ(g.Count("PathFill 255,255,255,255"), 1);

  Press(300, 250);  // outside: closes the menu
  EXPECT_FALSE(arrows->GetSubmenuShown());
  // The anchor is kept until the closing fade has run, then forgotten.
  EXPECT_EQ(arrows->GetAnchorRECT(), caller->GetRECT());
  At(202);
  At(303);
  EXPECT_EQ(arrows->GetState(), IPopupMenuControl::kFinishing);
  EXPECT_EQ(arrows->GetAnchorRECT(), IRECT());
}

TEST_F(PopupMenu, EveryRequestIsAnsweredOnceHoweverItArrives) {
  auto empty = Menu({});
  Open(*empty, caller->GetRECT());
  EXPECT_EQ(caller->answers, std::vector<int>{kNone});
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kClosed);

  // A request while the previous menu closes is answered with no choice at once; the closing runs on.
  auto first = Menu({"One"});
  auto second = Menu({"Two", "Three"});
  Open(*first, caller->GetRECT());
  At(101);
  Press(110, 80);
  Open(*second, caller->GetRECT());
  EXPECT_EQ(caller->answers, (std::vector<int>{kNone, 0, kNone}));
  EXPECT_EQ(completions, (std::vector<int>{kNone, 0, kNone}));
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kChoiceBlink);
  ASSERT_EQ(popup->NPanels(), 1);
  EXPECT_EQ(popup->GetPanel(0)->mMenu, first.get());
  for (double ms : {202.0, 303.0, 404.0}) At(ms);
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kClosed);

  // Closed, it opens; a request from another control while it shows is answered with no choice, and the
  // shown menu still answers its own caller.
  Open(*second, caller->GetRECT());
  At(505);
  auto other = Add(new MenuCaller(IRECT(10, 10, 30, 30)));
  auto third = Menu({"Four"});
  g.CreatePopupMenu(*other, *third, other->GetRECT());
  EXPECT_EQ(other->answers, std::vector<int>{kNone});
  EXPECT_EQ(popup->GetPanel(0)->mMenu, second.get());
  Press(100, 96);
  EXPECT_EQ(caller->answers, (std::vector<int>{kNone, 0, kNone, 1}));
  EXPECT_EQ(other->answers, std::vector<int>{kNone});
  EXPECT_EQ(completions, (std::vector<int>{kNone, 0, kNone, kNone, 1}));
}

// A value menu shown from the shared prompt menu keeps its items and title while it shows and while it closes: a
// second control's value prompt then is answered with no choice, and the shown menu still answers its own caller.
TEST_F(PopupMenu, AValueMenuShowingKeepsItsItemsWhenAnotherValueIsPrompted) {
  auto first = Add(new MenuCaller(IRECT(100, 50, 140, 70)));
  first->SetParamIdx(FakeDelegate::kEnum);
  auto second = Add(new MenuCaller(IRECT(10, 10, 30, 30)));
  second->SetParamIdx(FakeDelegate::kBareEnum);
  g.PromptUserInput(*first, first->GetRECT(), 0);
  At(101);
  ASSERT_EQ(popup->GetPanel(0)->mMenu, &g.GetPromptMenu());
  const std::string title = g.GetPromptMenu().GetRootTitle();
  for (const bool closing : {false, true}) {
    SCOPED_TRACE(closing ? "closing" : "showing");
    if (closing) Press(110, 80);
    g.PromptUserInput(*second, second->GetRECT(), 0);
    EXPECT_EQ(second->answers.back(), kNone);
    EXPECT_EQ(g.GetPromptMenu().NItems(), 3);
    EXPECT_STREQ(g.GetPromptMenu().GetItem(0)->GetText(), "STEREO");
    EXPECT_EQ(g.GetPromptMenu().GetRootTitle(), title);
  }
  EXPECT_EQ(second->answers, (std::vector<int>{kNone, kNone}));
  EXPECT_EQ(first->answers, std::vector<int>{0});
}

// A caller that asks for a further menu when it hears of a choice.
class AskingCaller : public MenuCaller {
 public:
  using MenuCaller::MenuCaller;
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override {
    MenuCaller::OnPopupMenuSelection(menu, valIdx);
    if (!menu || !again) return;
    IPopupMenu* next = again;
    again = nullptr;
    GetUI()->CreatePopupMenu(*this, *next, GetRECT());
  }
  IPopupMenu* again = nullptr;
};

// The completion function and the caller hear of the choice while the menu still shows; a request made in
// that answer is answered with no choice, and the menu then hides and closes.
TEST_F(PopupMenu, ChoiceIsReportedBeforeTheMenuHides) {
  std::vector<std::pair<IPopupMenuControl::EPopupMenuState, bool>> seen;
  IPopupMenu menu("", {"One"}, [&](IPopupMenu*) { seen.emplace_back(popup->GetState(), popup->IsHidden()); });
  auto asking = Add(new AskingCaller(IRECT(100, 50, 140, 70)));
  auto next = Menu({"Two"});
  asking->again = next.get();
  g.CreatePopupMenu(*asking, menu, asking->GetRECT());
  At(101);
  Press(110, 80);
  EXPECT_EQ(seen,
            (std::vector<std::pair<IPopupMenuControl::EPopupMenuState, bool>>{{IPopupMenuControl::kOpen, false}}));
  EXPECT_EQ(asking->answers, (std::vector<int>{0, kNone}));
  EXPECT_EQ(completions, std::vector<int>{kNone});
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kChoiceBlink);
  EXPECT_TRUE(popup->IsHidden());
  EXPECT_EQ(popup->GetPanel(0)->mMenu, &menu);
}

// A control with a menu of its own, which it may remove with itself when the menu answers.
class OwnMenuCaller : public MenuCaller {
 public:
  using MenuCaller::MenuCaller;
  IPopupMenu menu{"", {"One", "Two"}};
  bool removeWhenAnswered = false;
  void OnPopupMenuSelection(IPopupMenu* chosen, int valIdx) override {
    MenuCaller::OnPopupMenuSelection(chosen, valIdx);
    if (removeWhenAnswered) GetUI()->RemoveControl(this);
  }
};

// A control whose own menu shows may go, from outside while the menu is open or through its answer while the menu
// closes: the menu stops showing at once with it (nothing reads the menu afterwards) and takes no more clicks.
TEST_F(PopupMenu, AMenuGoesWithTheControlThatOwnsIt) {
  for (const bool byItsAnswer : {false, true}) {
    SCOPED_TRACE(byItsAnswer ? "removed by its answer" : "removed from outside");
    auto* owner = Add(new OwnMenuCaller(IRECT(100, 50, 140, 70)));
    owner->removeWhenAnswered = byItsAnswer;
    g.CreatePopupMenu(*owner, owner->menu, owner->GetRECT());
    At(gControlsNowMs + 101);
    ASSERT_EQ(popup->GetState(), IPopupMenuControl::kOpen);
    if (byItsAnswer) {
      Press(110, 80);
      Release(110, 80);
    } else {
      g.RemoveControl(owner);
    }
    EXPECT_EQ(g.GetControlIdx(owner), -1);
    EXPECT_EQ(popup->GetState(), IPopupMenuControl::kClosed);
    EXPECT_EQ(popup->NPanels(), 0);
    EXPECT_TRUE(popup->IsHidden());
    g.log.clear();
    popup->Draw(g);
    IRECTList rects;
    rects.Add(g.GetBounds());
    g.Draw(rects);
    EXPECT_EQ(g.Count("DoDrawText"), 0);
    for (int i = 1; i <= 5; ++i) At(gControlsNowMs + 101);
    Press(110, 80);  // reaches the control now under the point, not the gone menu
    Release(110, 80);
    EXPECT_EQ(caller->answers, std::vector<int>{});
  }
}

TEST_F(PopupMenu, EditorTooShortForOneCellStillShowsAndChoosesOne) {
  RecordingGraphics flat(dlg, 200, 20);
  AttachPopupMenuControl(flat);
  auto* small = static_cast<IPopupMenuControl*>(flat.GetPopupMenuControl());
  MenuCaller* c = static_cast<MenuCaller*>(flat.AttachControl(new MenuCaller(IRECT(10, 2, 50, 12))));
  auto menu = Menu({"One", "Two"});
  flat.CreatePopupMenu(*c, *menu, c->GetRECT());
  const IPopupMenuControl::MenuPanel& panel = *small->GetPanel(0);
  EXPECT_EQ(panel.NCells(), 1);
  EXPECT_FALSE(panel.ShowsUpArrow());
  EXPECT_FALSE(panel.ShowsDownArrow());
  EXPECT_TRUE(std::isfinite(panel.GetCell(0)->T));
  // Taller than the editor, the panel is pinned to its top: its top left stays in view.
  EXPECT_EQ(panel.mOuterRECT.T, 0.f);
  EXPECT_GE(panel.mOuterRECT.L, 0.f);
  flat.OnMouseDown({Point(panel.GetCell(0)->MW(), panel.GetCell(0)->MH())});
  EXPECT_EQ(c->answers, std::vector<int>{0});
}

TEST_F(PopupMenu, SubmenuTallerThanTheEditorScrollsInsideIt) {
  IPopupMenu* sub = new IPopupMenu;
  for (int i = 0; i < 40; ++i) sub->AddItem("I00");
  auto menu = Menu({"A"});
  menu->AddItem("Sub", sub);
  Open(*menu, caller->GetRECT());
  At(101);
  const IRECT subCell = *popup->GetPanel(0)->GetCell(1);
  Hover(subCell.MW(), subCell.MH());
  ASSERT_EQ(popup->NPanels(), 2);
  const IPopupMenuControl::MenuPanel& panel = *popup->GetPanel(1);
  EXPECT_TRUE(panel.mScrolls);
  EXPECT_GE(panel.mOuterRECT.L, 0.f);
  EXPECT_GE(panel.GetCell(0)->T, 0.f);
  EXPECT_LE(panel.GetCell(panel.NCells() - 1)->B, 300.f);
}

}  // namespace
}  // namespace fx::gfx::test
