#include "tests/graphics/GraphicsFixture.h"

#include "framework/IKeyPress.h"
#include "framework/IParam.h"
#include "graphics/IPopupMenuControlBase.h"
#include "graphics/ITextEntryControlBase.h"

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace fx::gfx::test {
namespace {

using Events = GraphicsFixture;

TEST_F(Events, LaterControlWinsUnlessHiddenIgnoringOrDisabled) {
  Attach("under", IRECT(0, 0, 100, 100));
  TestControl* over = Attach("over", IRECT(0, 0, 100, 100));
  struct Row {
    const char* what;
    void (*set)(TestControl*);
    const char* expect;
  };
  const Row rows[] = {
      {"visible", [](TestControl*) {}, "over:OnMouseDown"},
      {"hidden", [](TestControl* c) { c->Hide(true); }, "under:OnMouseDown"},
      {"ignores", [](TestControl* c) { c->SetIgnoreMouse(true); }, "under:OnMouseDown"},
      {"disabled", [](TestControl* c) { c->SetDisabled(true); }, "under:OnMouseDown"},
      {"disabled but takes events",
       [](TestControl* c) {
         c->SetDisabled(true);
         c->SetMouseEventsWhenDisabled(true);
       },
       "over:OnMouseDown"},
  };
  for (const Row& row : rows) {
    over->Hide(false);
    over->SetIgnoreMouse(false);
    over->SetDisabled(false);
    over->SetMouseEventsWhenDisabled(false);
    row.set(over);
    journal.clear();
    Press(50, 50);
    Release(50, 50);
    ASSERT_FALSE(journal.empty()) << row.what;
    EXPECT_EQ(journal.front(), row.expect) << row.what;
  }
}

TEST_F(Events, ClickOverNothingRecordsThePosition) {
  Press(123, 45);
  float x, y;
  g.GetMouseDownPoint(x, y);
  EXPECT_EQ(x, 123.f);
  EXPECT_EQ(y, 45.f);
  EXPECT_FALSE(g.ControlIsCaptured());
}

TEST_F(Events, CaptureHoldsThroughADragOutsideTheControl) {
  Attach("knob", IRECT(0, 0, 20, 20));
  Attach("other", IRECT(100, 100, 200, 200));
  Press(10, 10);
  journal.clear();
  DragBy(150, 150, 5, 5);
  DragBy(150, 150, 0, 0);  // no movement: reaches nobody
  Release(150, 150);
  EXPECT_EQ(journal, (std::vector<std::string>{"knob:OnMouseDrag 150,150", "knob:OnMouseUp"}));
  EXPECT_FALSE(g.ControlIsCaptured());
}

TEST_F(Events, EditBracketIsOneBeginAndOneEndPerBoundEntry) {
  g.AttachControl(new TestControl(journal, "m", IRECT(0, 0, 50, 50), {FakeDelegate::kGain, -1, FakeDelegate::kInt}));
  Press(10, 10);
  DragBy(12, 12, 2, 2);
  DragBy(14, 14, 2, 2);
  Release(14, 14);
  EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 3", "begin 2", "end 3", "end 2"}));
}

TEST_F(Events, FocusLossAndTouchCancelStillCloseTheEdit) {
  Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  Press(10, 10);
  g.OnFocusLost();
  Release(10, 10);
  IMouseMod touch;
  touch.touchID = 3;
  g.OnMouseDown({Point(10, 10, 0, 0, touch)});
  g.OnTouchCancelled({Point(10, 10, 0, 0, touch)});
  EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 3", "end 3", "begin 3", "end 3"}));
  EXPECT_EQ(Count("a:OnTouchCancelled"), 1);
  EXPECT_EQ(Count("a:OnMouseUp"), 0);
}

TEST_F(Events, MultiTouchRefusesASecondTouchOnASingleTouchControl) {
  g.EnableMultiTouch(true);
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50));
  IMouseMod t1, t2;
  t1.touchID = 1;
  t2.touchID = 2;
  g.OnMouseDown({Point(10, 10, 0, 0, t1), Point(20, 20, 0, 0, t2)});
  EXPECT_EQ(Count("a:OnMouseDown"), 1);
  a->SetWantsMultiTouch(true);
  g.OnMouseDown({Point(20, 20, 0, 0, t2)});
  EXPECT_EQ(Count("a:OnMouseDown"), 2);
  EXPECT_EQ(g.NCapturedControls(), 2);
}

TEST_F(Events, DoubleClick) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50));
  EXPECT_FALSE(g.OnMouseDblClick(100, 100, Left()));
  EXPECT_TRUE(g.OnMouseDblClick(10, 10, Left()));
  EXPECT_EQ(journal.back(), "a:OnMouseDblClick");
  EXPECT_FALSE(g.ControlIsCaptured());

  a->SetDblAsSingleClick(true);
  EXPECT_TRUE(g.OnMouseDblClick(10, 10, Left()));
  EXPECT_EQ(journal.back(), "a:OnMouseDown");
  EXPECT_TRUE(g.ControlIsCaptured(a));
}

TEST_F(Events, DoubleClickDefaultRestoresTheDefault) {
  struct Plain : IControl {
    using IControl::IControl;
    void Draw(IGraphics&) override {}
  };
  IControl* c = g.AttachControl(new Plain(IRECT(0, 0, 50, 50), FakeDelegate::kInt));
  c->SetValue(1.0);
  g.OnMouseDblClick(10, 10, Left());
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.5);  // Count's default 5 of 0..10
  EXPECT_EQ(dlg.host.back(), "send 2 0.5");
}

TEST_F(Events, MouseOverAndOut) {
  Attach("bg", g.GetBounds());
  Attach("a", IRECT(0, 0, 50, 50));
  EXPECT_FALSE(g.OnMouseOver(10, 10, IMouseMod()));  // mouse-over is off by default
  EXPECT_EQ(Count("a:OnMouseOver"), 0);

  g.EnableMouseOver(true);
  EXPECT_TRUE(g.OnMouseOver(10, 10, IMouseMod()));
  EXPECT_TRUE(g.OnMouseOver(11, 11, IMouseMod()));
  EXPECT_EQ(Count("a:OnMouseOver"), 2);
  EXPECT_FALSE(g.OnMouseOver(200, 200, IMouseMod()));  // the background takes no mouse-over
  EXPECT_EQ(Count("a:OnMouseOut"), 1);
  EXPECT_EQ(Count("bg:OnMouseOver"), 0);

  g.OnMouseOver(10, 10, IMouseMod());
  g.SetMouseCursor(kHandCursor);
  g.OnMouseOut();
  // The arrow is set and the cursor before it kept, for the pointer's return.
  EXPECT_EQ(g.GetCursorType(), kHandCursor);
  EXPECT_EQ(g.SetMouseCursor(kHandCursor), kHandCursor);
  EXPECT_EQ(g.GetMouseOver(), nullptr);
  EXPECT_EQ(g.GetMouseOverIdx(), -1);
}

// The control the pointer leaves may remove the one it enters: the pointer is then over whatever is under it.
TEST_F(Events, AControlLeftMayRemoveTheOneEntered) {
  struct Leaving : TestControl {
    using TestControl::TestControl;
    std::function<void()> onOut;
    void OnMouseOut() override {
      TestControl::OnMouseOut();
      if (onOut) std::exchange(onOut, nullptr)();
    }
  };
  const struct {
    const char* under;
    bool covered;
  } rows[] = {{"nothing", false}, {"another control", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.under);
    g.RemoveAllControls();
    journal.clear();
    g.EnableMouseOver(true);
    Attach("bg", g.GetBounds());
    auto* a = static_cast<Leaving*>(g.AttachControl(new Leaving(journal, "a", IRECT(0, 0, 20, 20))));
    TestControl* c = row.covered ? Attach("c", IRECT(30, 0, 50, 20)) : nullptr;
    TestControl* b = Attach("b", IRECT(30, 0, 50, 20));
    g.OnMouseOver(10, 10, IMouseMod());
    a->onOut = [&] { g.RemoveControl(b); };
    EXPECT_EQ(g.OnMouseOver(40, 10, IMouseMod()), row.covered);
    EXPECT_EQ(g.GetMouseOver(), c);
    EXPECT_EQ(g.GetMouseOverIdx(), row.covered ? 2 : -1);
    EXPECT_EQ(Count("b:OnMouseOver"), 0);
    EXPECT_EQ(Count("c:OnMouseOver"), row.covered ? 1 : 0);
    EXPECT_FALSE(g.OnMouseOver(200, 200, IMouseMod()));
    EXPECT_EQ(g.GetMouseOver(), nullptr);
  }
}

// Off, mouse-over reaches no control, special ones included, except one the pointer holds: a held control wins
// every hit test.
TEST_F(Events, MouseOverOffReachesOnlyAControlThePointerHolds) {
  Attach("bg", g.GetBounds());
  Attach("a", IRECT(0, 0, 50, 50));
  g.AttachCornerResizer(kUIResizerScale, false);
  g.SetMouseCursor(kHandCursor);
  EXPECT_FALSE(g.OnMouseOver(10, 10, IMouseMod()));
  EXPECT_FALSE(g.OnMouseOver(395, 295, IMouseMod()));  // the resizer would set its own cursor
  EXPECT_EQ(g.GetCursorType(), kHandCursor);
  EXPECT_EQ(Count("a:OnMouseOver"), 0);

  Press(10, 10);
  EXPECT_TRUE(g.OnMouseOver(200, 200, IMouseMod()));
  EXPECT_EQ(Count("a:OnMouseOver"), 1);
  EXPECT_EQ(g.GetMouseOverIdx(), -1);
  Release(10, 10);
  EXPECT_FALSE(g.OnMouseOver(10, 10, IMouseMod()));
  EXPECT_EQ(Count("a:OnMouseOver"), 1);
}

TEST_F(Events, DisabledControlTakesMouseOverOnlyWhenAllowed) {
  g.EnableMouseOver(true);
  Attach("bg", g.GetBounds());
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50));
  TestControl* b = Attach("b", IRECT(0, 0, 50, 50));
  b->SetDisabled(true);
  g.OnMouseOver(10, 10, IMouseMod());
  EXPECT_EQ(g.GetMouseOver(), a);
  b->SetMouseOverWhenDisabled(true);
  g.OnMouseOver(10, 10, IMouseMod());
  EXPECT_EQ(g.GetMouseOver(), b);
}

TEST_F(Events, ReleaseRefreshesMouseOver) {
  g.EnableMouseOver(true);
  Attach("bg", g.GetBounds());
  Attach("a", IRECT(0, 0, 50, 50));
  Press(10, 10);
  Release(10, 10);
  EXPECT_EQ(Count("a:OnMouseOver"), 1);
}

TEST_F(Events, WheelAndDropReachTheControlUnderThePoint) {
  static_assert(std::is_void_v<decltype(g.OnMouseWheel(0, 0, IMouseMod(), 1.f))>, "the wheel has no answer");
  Attach("a", IRECT(0, 0, 50, 50));
  g.OnMouseWheel(10, 10, IMouseMod(), 1.f);
  g.OnMouseWheel(100, 100, IMouseMod(), 1.f);  // no control under the point
  g.OnDrop("file.txt", 10, 10);
  g.OnDropMultiple({"one", "two"}, 10, 10);
  g.OnDropMultiple({}, 10, 10);
  EXPECT_EQ(journal.back(), "a:OnDrop one");
  EXPECT_EQ(Count("a:OnMouseWheel"), 1);
  EXPECT_EQ(Count("a:OnDrop file.txt"), 1);
}

TEST_F(Events, KeysGoToTheControlThenToTheEditorHandler) {
  Attach("bg", g.GetBounds())->handlesKeys = true;
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50));
  std::vector<bool> handlerCalls;
  g.SetKeyHandlerFunc([&](const IKeyPress&, bool isUp) {
    handlerCalls.push_back(isUp);
    return true;
  });
  const IKeyPress key("q", 'Q');
  EXPECT_TRUE(g.OnKeyDown(10, 10, key));
  EXPECT_TRUE(g.OnKeyUp(10, 10, key));
  EXPECT_EQ(handlerCalls, (std::vector<bool>{false, true}));
  a->handlesKeys = true;
  EXPECT_TRUE(g.OnKeyDown(10, 10, key));
  EXPECT_EQ(handlerCalls.size(), 2u);

  // Over the background, which never gets keys: only the handler.
  handlerCalls.clear();
  EXPECT_TRUE(g.OnKeyDown(200, 200, key));
  EXPECT_EQ(Count("bg:OnKeyDown"), 0);
  g.SetKeyHandlerFunc(nullptr);
  EXPECT_FALSE(g.OnKeyDown(200, 200, key));
}

TEST_F(Events, RightClickOnBoundControlWithoutContextItemsDoesNothing) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  a->DisablePrompt(false);
  Press(10, 10, Right());
  Release(10, 10, Right());
  EXPECT_TRUE(dlg.host.empty());
  EXPECT_EQ(Count("a:OnMouseDown"), 0);
  EXPECT_EQ(g.Count("Create"), 0);
}

TEST_F(Events, ContextMenuSelectionSendsNoEndEdit) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  a->contextItems = 2;
  g.syncMenuChoice = 1;
  Press(10, 10, Right());
  Release(10, 10, Right());
  EXPECT_EQ(a->lastContextSelection, 1);
  EXPECT_EQ(g.lastPlatformMenuBounds, IRECT(10, 10, 10, 10));
  EXPECT_TRUE(dlg.host.empty());

  g.syncMenuChoice = -1;
  g.PopupContextMenuForControl(0, 5, 5);
  EXPECT_EQ(a->lastContextSelection, -1);
  g.PopupContextMenuForControl(9, 5, 5);
  EXPECT_TRUE(dlg.host.empty());
}

// The prompt menu is emptied before every use, title and prefix too: no menu shows what an earlier one was given.
TEST_F(Events, ThePromptMenuKeepsNoTitleOrPrefixOfAnEarlierMenu) {
  struct Titled : TestControl {
    using TestControl::TestControl;
    const char* title = "";
    int prefix = 0;
    void CreateContextMenu(IPopupMenu& menu) override {
      TestControl::CreateContextMenu(menu);
      if (prefix) menu.SetPrefix(prefix);
      if (title[0]) menu.SetRootTitle(title);
    }
  };
  auto* a = static_cast<Titled*>(g.AttachControl(new Titled(journal, "a", IRECT(0, 0, 50, 50), FakeDelegate::kEnum)));
  a->DisablePrompt(false);
  a->contextItems = 1;
  a->title = "Edit";
  a->prefix = 2;
  g.asyncMenus = true;
  IPopupMenu& menu = g.GetPromptMenu();
  g.PopupContextMenuForControl(0, 5, 5);
  EXPECT_STREQ(menu.GetRootTitle(), "Edit");
  EXPECT_EQ(menu.GetPrefix(), 2);
  g.SetControlValueAfterPopupMenu(nullptr);
  a->PromptUserInput(0);
  EXPECT_STREQ(menu.GetRootTitle(), "Mode");
  EXPECT_EQ(menu.GetPrefix(), 0);
  g.SetControlValueAfterPopupMenu(nullptr);
  a->title = "";
  a->prefix = 0;
  g.PopupContextMenuForControl(0, 5, 5);
  EXPECT_STREQ(menu.GetRootTitle(), "");
  EXPECT_EQ(menu.GetPrefix(), 0);
  g.SetControlValueAfterPopupMenu(nullptr);
}

TEST_F(Events, EnumPromptIsAMenuWithTheCurrentTextTicked) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kEnum);
  a->DisablePrompt(false);
  dlg.GetParam(FakeDelegate::kEnum)->Set(1);
  g.asyncMenus = true;
  a->PromptUserInput(0);
  IPopupMenu& menu = g.GetPromptMenu();
  ASSERT_EQ(g.lastPlatformMenu, &menu);
  ASSERT_EQ(menu.NItems(), 3);
  EXPECT_STREQ(menu.GetItemText(1), "MID/SIDE");
  EXPECT_TRUE(menu.IsItemChecked(1));
  EXPECT_FALSE(menu.IsItemChecked(0));
  EXPECT_STREQ(menu.GetRootTitle(), "Mode");
  EXPECT_EQ(g.lastPlatformMenuBounds, a->GetRECT());  // display texts: the prompt covers the control

  menu.SetChosenItemIdx(2);
  g.SetControlValueAfterPopupMenu(&menu);
  EXPECT_DOUBLE_EQ(a->GetValue(), 1.0);
  EXPECT_EQ(dlg.host, std::vector<std::string>{"send 1 1"});
  EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);
}

TEST_F(Events, EnumWithoutTextsIsStillPromptedAsAMenu) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kBareEnum);
  a->DisablePrompt(false);
  g.asyncMenus = true;
  a->PromptUserInput(0);
  EXPECT_EQ(g.lastPlatformMenu, &g.GetPromptMenu());
  EXPECT_EQ(g.GetPromptMenu().NItems(), 0);
  EXPECT_EQ(g.Count("CreatePlatformTextEntry"), 0);
}

TEST_F(Events, RightClickPromptThroughMenuClosesTheEditWhenAnswered) {
  // An unbound entry under the right button takes the ordinary click path, whose default prompts.
  TestControl* a = static_cast<TestControl*>(
      g.AttachControl(new TestControl(journal, "a", IRECT(0, 0, 50, 50), {-1, FakeDelegate::kBool})));
  a->DisablePrompt(false);
  g.asyncMenus = true;
  Press(10, 10, Right());  // GetValIdxForPos gives -1: raised to entry 0, unbound
  EXPECT_EQ(g.Count("CreatePlatformPopupMenu"), 0);

  a->PromptUserInput(1);
  IPopupMenu& menu = g.GetPromptMenu();
  ASSERT_EQ(menu.NItems(), 2);
  menu.SetChosenItemIdx(1);
  g.SetControlValueAfterPopupMenu(&menu);
  EXPECT_DOUBLE_EQ(a->GetValue(1), 1.0);
  EXPECT_EQ(dlg.CountHost("begin"), dlg.CountHost("end"));
}

TEST_F(Events, MenuPressHandsItsEditToThePopup) {
  struct MenuButton : TestControl {
    using TestControl::TestControl;
    IPopupMenu menu{"", {"a", "b"}};
    void OnMouseDown(float, float, const IMouseMod&) override { GetUI()->CreatePopupMenu(*this, menu, mRECT, 0); }
    void OnPopupMenuSelection(IPopupMenu* m, int) override { Note(m ? "chosen" : "none"); }
  };
  auto* b =
      static_cast<MenuButton*>(g.AttachControl(new MenuButton(journal, "b", IRECT(0, 0, 50, 50), FakeDelegate::kInt)));
  g.asyncMenus = true;
  Press(10, 10);
  Release(10, 10);  // the capture went to the menu: no control, no end-edit yet
  EXPECT_EQ(dlg.host, std::vector<std::string>{"begin 2"});
  b->menu.SetChosenItemIdx(-1);
  g.SetControlValueAfterPopupMenu(&b->menu);
  EXPECT_EQ(journal.back(), "b:none");
  EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 2", "end 2"}));
}

// A control whose press opens a menu when asked to, else only presses.
struct MaybeMenuButton : TestControl {
  using TestControl::TestControl;
  bool opensMenu = false;
  IPopupMenu menu{"", {"a", "b"}};
  void OnMouseDown(float, float, const IMouseMod&) override {
    if (opensMenu) GetUI()->CreatePopupMenu(*this, menu, mRECT, 0);
  }
};

TEST_F(Events, ClosingEndsTheEditsOfAPressAndOfAPendingMenu) {
  for (const bool opensMenu : {false, true}) {
    auto* b = static_cast<MaybeMenuButton*>(
        g.AttachControl(new MaybeMenuButton(journal, "b", IRECT(0, 0, 50, 50), FakeDelegate::kInt)));
    b->opensMenu = opensMenu;
    g.asyncMenus = true;
    dlg.host.clear();
    Press(10, 10);
    g.RemoveAllControls();  // what closing the editor's view does
    EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 2", "end 2"})) << opensMenu;
  }
}

// Deleting the graphics themselves (as a delegate that goes with its editor open does) calls nothing back: the
// delegate may be half gone, so an edit a press or a pending menu opened is dropped, not ended.
TEST_F(Events, GraphicsDeletedWithAPressOrAPendingMenuCallTheDelegateNoMore) {
  for (const bool opensMenu : {false, true}) {
    SCOPED_TRACE(opensMenu ? "menu pending" : "pressed");
    auto other = std::make_unique<RecordingGraphics>(dlg, 200, 100);
    auto* b = static_cast<MaybeMenuButton*>(
        other->AttachControl(new MaybeMenuButton(journal, "b", IRECT(0, 0, 50, 50), FakeDelegate::kInt)));
    b->opensMenu = opensMenu;
    other->asyncMenus = true;
    dlg.host.clear();
    other->OnMouseDown({Point(10, 10, 0, 0, Left())});
    ASSERT_EQ(other->GetControlInPopupMenu(), opensMenu ? b : nullptr);
    other.reset();
    EXPECT_EQ(dlg.host, std::vector<std::string>{"begin 2"});
  }
}

TEST_F(Events, NamedValuesNotStartingAtZeroPickTheirOwnValue) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kNamedInt);
  a->DisablePrompt(false);
  IPopupMenu menu("", {"One", "Two", "Three"});
  menu.SetChosenItemIdx(0);
  a->SetValue(0.5);
  a->OnPopupMenuSelection(&menu, 0);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.0);  // "One" is the value 1, the minimum
  menu.SetChosenItemIdx(2);
  a->OnPopupMenuSelection(&menu, 0);
  EXPECT_DOUBLE_EQ(a->GetValue(), 1.0);
}

TEST_F(Events, AChosenIndexWithoutNamedValuesIsTheValueItself) {
  struct Row {
    int param;
    int chosen;
    double expect;
  };
  const Row rows[] = {
      {FakeDelegate::kInt, 3, 0.3},       // Count 0..10: index 3 is the value 3
      {FakeDelegate::kInt, -1, 0.0},      // no choice: clamped to the minimum
      {FakeDelegate::kInt, 40, 1.0},      // past the range: clamped to the maximum
      {FakeDelegate::kBareEnum, 2, 1.0},  // Steps 0..2
      {FakeDelegate::kGain, 5, 0.9574},   // Gain -72..12 dB: 5 dB on the squared curve, sqrt(77 / 84)
  };
  for (const Row& row : rows) {
    TestControl* a = Attach("a", IRECT(0, 0, 50, 50), row.param);
    a->DisablePrompt(false);
    a->SetValue(0.5);
    IPopupMenu menu("", {"x"});
    menu.SetChosenItemIdx(row.chosen);
    a->OnPopupMenuSelection(&menu, 0);
    EXPECT_NEAR(a->GetValue(), row.expect, 5e-4) << row.param << " " << row.chosen;
  }
}

struct TextEntryRow {
  const char* typed;
  double expect;
};

TEST_F(Events, TypedTextIsSnappedAndClampedBeforeNormalizing) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kInt);
  a->DisablePrompt(false);
  const TextEntryRow rows[] = {
      {"3", 0.3}, {"3.4", 0.3}, {"3.6", 0.4}, {"-7", 0.0}, {"25", 1.0}, {"inf", 1.0}, {"-inf", 0.0},
  };
  for (const TextEntryRow& row : rows) {
    a->SetValue(0.55);
    a->PromptUserInput(0);
    ASSERT_EQ(g.GetControlInTextEntry(), a);
    g.SetControlValueAfterTextEdit(row.typed);
    EXPECT_DOUBLE_EQ(a->GetValue(), row.expect) << row.typed;
    EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
  }
}

// A step rounds to its size whatever its sign; a step of 0 cannot be rounded to and leaves the typed value.
TEST_F(Events, TypedTextLandsOnTheNearerStepOfEitherSign) {
  const struct {
    double step;
    const char* typed;
    double expect;  // of the range 0..10
  } rows[] = {{2, "3.2", 0.4}, {-2, "3.2", 0.4}, {-2, "2.9", 0.2}, {-2, "9.5", 1.0}, {0, "3.2", 0.32}};
  for (const auto& row : rows) {
    dlg.GetParam(FakeDelegate::kGain)->InitDouble("Steps", 0, 0, 10, row.step, "", kFlagStepped);
    TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
    a->DisablePrompt(false);
    a->PromptUserInput(0);
    g.SetControlValueAfterTextEdit(row.typed);
    EXPECT_NEAR(a->GetValue(), row.expect, 1e-12) << row.step << " " << row.typed;
  }
}

TEST_F(Events, TypedNanChangesNothing) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  a->DisablePrompt(false);
  a->SetValue(0.25);
  a->PromptUserInput(0);
  g.SetControlValueAfterTextEdit("nan");
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.25);
  EXPECT_EQ(dlg.CountHost("send"), 0);
}

TEST_F(Events, TextPromptShowsTheValueAndOptionallyTheLabel) {
  TestControl* a = Attach("a", IRECT(0, 0, 60, 40), FakeDelegate::kGain);
  a->DisablePrompt(false);
  dlg.GetParam(FakeDelegate::kGain)->Set(-6.0);
  a->PromptUserInput(0);
  EXPECT_EQ(g.textEntryText, "-6.0");
  EXPECT_EQ(g.textEntryParamIdx, FakeDelegate::kGain);
  EXPECT_EQ(g.textEntryLength, 7);
  EXPECT_EQ(g.textEntryBounds, IRECT(10, 12, 50, 28));  // 40 x 16 centred
  a->SetPromptShowsParamLabel(true);
  a->PromptUserInput(0);
  EXPECT_EQ(g.textEntryText, "-6.0 dB");
}

TEST_F(Events, PromptsAreRefusedByDefaultAndForUnboundEntries) {
  TestControl* a = Attach("a", IRECT(0, 0, 60, 40), FakeDelegate::kGain);
  a->PromptUserInput(0);
  TestControl* u = Attach("u", IRECT(100, 0, 160, 40));
  u->DisablePrompt(false);
  u->PromptUserInput(0);
  u->PromptUserInput(-1);
  EXPECT_EQ(g.Count("Create"), 0);
}

TEST_F(Events, UnboundTextEntryAnswersTheControl) {
  TestControl* a = Attach("a", IRECT(0, 0, 60, 40));
  g.CreateTextEntry(*a, a->GetText(), a->GetRECT(), "hello", -1);
  EXPECT_EQ(g.textEntryParamIdx, -1);
  g.SetControlValueAfterTextEdit("typed");
  EXPECT_EQ(a->lastTextEntry, "typed");
}

struct RecordingMenu : IPopupMenuControlBase {
  using IPopupMenuControlBase::IPopupMenuControlBase;
  IPopupMenu* shown = nullptr;
  void Draw(IGraphics&) override {}
  void CreatePopupMenu(IPopupMenu& menu, const IRECT&) override {
    shown = &menu;
    state = kOpen;
  }
  EPopupMenuState GetState() const override { return state; }
  void Collapse() { state = kClosed; }
  EPopupMenuState state = kClosed;
};

struct RecordingEntry : ITextEntryControlBase {
  using ITextEntryControlBase::ITextEntryControlBase;
  void Draw(IGraphics&) override {}
  void CreateTextEntry(int, const IText&, const IRECT&, int, const char*) override { mEditing = true; }
  void OnMouseDrag(float, float, float, float, const IMouseMod&) override { ++drags; }
  int drags = 0;
};

TEST_F(Events, InEditorMenuTakesEveryPointerEventWhileExpanded) {
  auto* menuCtrl = new RecordingMenu(IRECT(0, 0, 400, 300));
  g.AttachPopupMenuControl(menuCtrl);
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kEnum);
  a->DisablePrompt(false);
  a->PromptUserInput(0);
  ASSERT_NE(menuCtrl->shown, nullptr);
  EXPECT_EQ(g.GetControlInPopupMenu(), a);
  EXPECT_EQ(g.Count("CreatePlatformPopupMenu"), 0);
  EXPECT_EQ(g.GetMouseControl(10, 10, false), menuCtrl);

  g.OnFocusLost();
  EXPECT_TRUE(menuCtrl->IsHidden());
  menuCtrl->Collapse();
  EXPECT_EQ(g.GetMouseControl(10, 10, false), a);
}

TEST_F(Events, InEditorTextEntryTakesTheOnlyDrags) {
  auto* entry = new RecordingEntry(IRECT(0, 0, 100, 20));
  g.AttachTextEntryControl(entry);
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  a->DisablePrompt(false);
  Press(10, 10);
  a->PromptUserInput(0);  // opened while the press holds the control
  DragBy(12, 12, 2, 2);
  EXPECT_EQ(Count("a:OnMouseDrag 12,12"), 0);
  Release(12, 12);
  EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 3", "end 3"}));

  Press(10, 10);  // the editing entry takes the press and then the drags
  DragBy(12, 12, 2, 2);
  EXPECT_EQ(entry->drags, 1);
  EXPECT_EQ(Count("a:OnMouseDown"), 1);
}

// A control already removed when its menu or text entry would open (by its own CreateContextMenu, or by the code
// that asks): nothing keeps it as the one to answer, a menu request is answered with no choice at once, and no
// entry opens for it.
TEST_F(Events, AControlRemovedBeforeItsPromptOpensIsKeptNowhere) {
  struct Going : TestControl {
    Going(std::vector<std::string>& journal, bool& deleted)
        : TestControl(journal, "r", IRECT(0, 0, 20, 20), FakeDelegate::kEnum), gone(deleted) {}
    ~Going() override { gone = true; }
    std::function<void(Going&)> onPress;
    IPopupMenu own{"", {"x", "y"}};
    void CreateContextMenu(IPopupMenu& menu) override {
      menu.AddItem("item");
      GetUI()->RemoveControl(this);
    }
    void OnMouseDown(float, float, const IMouseMod&) override {
      GetUI()->RemoveControl(this);
      onPress(*this);
    }
    void OnContextSelection(int item) override { Note("context " + std::to_string(item)); }
    void OnPopupMenuSelection(IPopupMenu* menu, int) override { Note(menu ? "chosen" : "none"); }
    bool& gone;
  };
  const struct {
    const char* how;
    IMouseMod press;
    std::function<void(Going&)> onPress;
    const char* answer;
  } rows[] = {
      {"its context menu", Right(), nullptr, "r:context -1"},
      {"a menu of its own", Left(), [](Going& r) { r.GetUI()->CreatePopupMenu(r, r.own, r.GetRECT(), 0); }, "r:none"},
      {"a value menu", Left(), [](Going& r) { r.GetUI()->PromptUserInput(r, r.GetRECT(), 0); }, "r:none"},
      {"a text entry", Left(), [](Going& r) { r.GetUI()->CreateTextEntry(r, r.GetText(), r.GetRECT(), "1", 0); },
       nullptr},
  };
  g.asyncMenus = true;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    bool deleted = false;
    auto* r = new Going(journal, deleted);
    r->onPress = row.onPress;
    g.AttachControl(r);
    journal.clear();
    g.lastPlatformMenu = nullptr;
    g.textEntryParamIdx = -2;
    Press(10, 10, row.press);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);
    EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
    EXPECT_EQ(g.PendingPopupMenu(g.PopupMenuRequest()), nullptr);
    EXPECT_EQ(g.lastPlatformMenu, nullptr);
    EXPECT_EQ(g.textEntryParamIdx, -2);
    EXPECT_EQ(journal, row.answer ? std::vector<std::string>{row.answer} : std::vector<std::string>{});
    IPopupMenu late("", {"a"});  // an answer arriving later reaches nobody
    late.SetChosenItemIdx(0);
    g.SetControlValueAfterPopupMenu(&late);
    g.SetControlValueAfterTextEdit("2");
    Release(10, 10);
    EXPECT_EQ(dlg.CountHost("send"), 0);
  }
}

// A control may remove itself, or every control, from any event, idle tick or answer: it stays whole until the
// outermost has returned, and goes then.
TEST_F(Events, ACallbackMayRemoveItsControlOrEveryControl) {
  enum When { kUp, kIdle, kMenuAnswer, kTextAnswer };
  struct Mortal : TestControl {
    Mortal(std::vector<std::string>& journal, bool& deleted)
        : TestControl(journal, "m", IRECT(0, 0, 20, 20), FakeDelegate::kGain), gone(deleted) {}
    ~Mortal() override { gone = true; }
    When when = kUp;
    std::function<void()> remove;
    void OnMouseUp(float x, float y, const IMouseMod& mod) override {
      TestControl::OnMouseUp(x, y, mod);
      if (when == kUp) remove();
    }
    void OnGUIIdle() override {
      if (when == kIdle) remove();
    }
    void OnPopupMenuSelection(IPopupMenu*, int) override {
      if (when == kMenuAnswer) remove();
    }
    void OnTextEntryCompletion(const char*, int) override {
      if (when == kTextAnswer) remove();
    }
    bool& gone;
  };
  const struct {
    const char* how;
    When when;
    bool all;
  } rows[] = {
      {"itself in OnMouseUp", kUp, false},
      {"every control in OnMouseUp", kUp, true},
      {"itself in OnGUIIdle", kIdle, false},
      {"every control in OnGUIIdle", kIdle, true},
      {"itself in its menu answer", kMenuAnswer, false},
      {"itself in its text answer", kTextAnswer, false},
  };
  g.EnableMouseOver(true);
  g.asyncMenus = true;
  IPopupMenu menu("", {"a"});
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    g.RemoveAllControls();
    Attach("bg", g.GetBounds());
    bool deleted = false;
    bool deletedInCallback = true;
    auto* m = new Mortal(journal, deleted);
    g.AttachControl(m);
    Attach("after", IRECT(100, 100, 120, 120));
    m->when = row.when;
    m->remove = [&] {
      if (row.all)
        g.RemoveAllControls();
      else
        g.RemoveControl(m);
      deletedInCallback = deleted;
    };
    dlg.host.clear();
    switch (row.when) {
      case kUp:
        Press(10, 10);
        Release(10, 10);
        break;
      case kIdle:
        g.ForAllControlsOnGUIIdle();
        break;
      case kMenuAnswer:
        g.CreatePopupMenu(*m, menu, m->GetRECT(), -1);
        g.SetControlValueAfterPopupMenu(&menu);
        break;
      case kTextAnswer:
        g.CreateTextEntry(*m, m->GetText(), m->GetRECT(), "1", -1);
        g.SetControlValueAfterTextEdit("2");
        break;
    }
    EXPECT_FALSE(deletedInCallback);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(g.NControls(), row.all ? 0 : 2);
    EXPECT_EQ(g.GetMouseOver(), nullptr);
    EXPECT_FALSE(g.ControlIsCaptured());
    EXPECT_EQ(dlg.CountHost("begin"), dlg.CountHost("end"));
    g.OnMouseOver(110, 110, IMouseMod());
    Press(10, 10);
    Release(10, 10);
  }
}

// Removing the in-editor menu or text entry while it is open leaves no edit open and blocks no drags.
TEST_F(Events, RemovingAnOpenInEditorMenuAnswersItWithNoChoice) {
  struct Chooser : TestControl {
    using TestControl::TestControl;
    void OnPopupMenuSelection(IPopupMenu* m, int) override { Note(m ? "chosen" : "none"); }
  };
  g.AttachPopupMenuControl(new RecordingMenu(IRECT(0, 0, 400, 300)));
  auto* a = static_cast<Chooser*>(g.AttachControl(new Chooser(journal, "a", IRECT(0, 0, 50, 50), FakeDelegate::kEnum)));
  a->DisablePrompt(false);
  Press(10, 10);
  a->PromptUserInput(0);  // the press hands its edit to the menu
  ASSERT_EQ(g.GetControlInPopupMenu(), a);
  g.RemovePopupMenuControl();
  EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);
  EXPECT_EQ(journal.back(), "a:none");
  EXPECT_EQ(dlg.CountHost("begin"), 1);
  EXPECT_EQ(dlg.CountHost("end"), 1);
}

TEST_F(Events, RemovingAnOpenInEditorTextEntryFreesTheDrags) {
  g.AttachTextEntryControl(new RecordingEntry(IRECT(0, 0, 100, 20)));
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  a->DisablePrompt(false);
  a->PromptUserInput(0);
  ASSERT_EQ(g.GetControlInTextEntry(), a);
  g.RemoveTextEntryControl();
  EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
  Press(10, 10);
  DragBy(12, 12, 2, 2);
  EXPECT_EQ(Count("a:OnMouseDrag 12,12"), 1);
  Release(12, 12);
}

// The caller of an open in-editor text entry going closes the entry, as a menu goes with its owner: the pointer
// reaches the controls again.
TEST_F(Events, RemovingTheCallerOfAnOpenInEditorTextEntryClosesIt) {
  struct DroppingEntry : RecordingEntry {
    using RecordingEntry::RecordingEntry;
    void DropEntry() override { mEditing = false; }
  };
  auto* entry = new DroppingEntry(IRECT(0, 0, 400, 300));
  g.AttachTextEntryControl(entry);
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  TestControl* b = Attach("b", IRECT(60, 0, 100, 50));
  a->DisablePrompt(false);
  a->PromptUserInput(0);
  ASSERT_TRUE(entry->EditInProgress());
  g.RemoveControl(a);
  EXPECT_FALSE(entry->EditInProgress());
  EXPECT_EQ(g.GetMouseControl(70, 10, false), b);
}

}  // namespace
}  // namespace fx::gfx::test
