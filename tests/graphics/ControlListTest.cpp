#include "tests/graphics/GraphicsFixture.h"

#include "graphics/IBubbleControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IPanelControl.h"
#include "graphics/IPopupMenuControlBase.h"
#include "graphics/ITextEntryControlBase.h"

#include "framework/IParam.h"

#include <functional>

namespace fx::gfx::test {
namespace {

using ControlList = GraphicsFixture;

// The in-editor text entry and popup menu as the core sees them: they only need to exist here.
struct QuietEntry : ITextEntryControlBase {
  using ITextEntryControlBase::ITextEntryControlBase;
  void Draw(IGraphics&) override {}
  void CreateTextEntry(int, const IText&, const IRECT&, int, const char*) override {}
};

struct QuietMenu : IPopupMenuControlBase {
  using IPopupMenuControlBase::IPopupMenuControlBase;
  void Draw(IGraphics&) override {}
  void CreatePopupMenu(IPopupMenu&, const IRECT&) override {}
  EPopupMenuState GetState() const override { return kClosed; }
};

// Like the in-editor text entry, the menu is connected, resized and rescaled; it has nothing to initialise.
TEST_F(ControlList, PopupMenuControlIsConnectedResizedAndRescaled) {
  struct HookedMenu : QuietMenu {
    std::vector<std::string>& hooks;
    explicit HookedMenu(std::vector<std::string>& log) : QuietMenu(IRECT(0, 0, 100, 100)), hooks(log) {}
    void OnInit() override { hooks.push_back("OnInit"); }
    void OnResize() override { hooks.push_back("OnResize"); }
    void OnRescale() override { hooks.push_back("OnRescale"); }
  };
  std::vector<std::string> hooks;
  g.AttachPopupMenuControl(new HookedMenu(hooks));
  EXPECT_EQ(hooks, (std::vector<std::string>{"OnResize", "OnRescale"}));
  EXPECT_EQ(g.GetPopupMenuControl()->GetUI(), &g);
}

TEST_F(ControlList, AttachCallsHooksInOrderAndConnects) {
  TestControl* c = Attach("a", IRECT(0, 0, 10, 10), -1, 3, "grp");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(journal, (std::vector<std::string>{"a:OnInit", "a:OnResize", "a:OnRescale", "a:OnAttached"}));
  EXPECT_EQ(c->GetUI(), &g);
  EXPECT_EQ(c->GetDelegate(), &dlg);
  EXPECT_STREQ(c->GetGroup(), "grp");
  EXPECT_EQ(g.GetControlWithTag(3), c);
}

TEST_F(ControlList, DuplicateTagIsRefusedAndMinusOneIsNotMapped) {
  ASSERT_NE(Attach("a", IRECT(0, 0, 10, 10), -1, 5), nullptr);
  auto* second = new TestControl(journal, "b", IRECT(0, 0, 10, 10));
  EXPECT_EQ(g.AttachControl(second, 5), nullptr);
  EXPECT_EQ(g.NControls(), 1);
  delete second;  // refused: still the caller's

  Attach("c", IRECT(0, 0, 10, 10), -1, -1);
  EXPECT_EQ(g.GetControlWithTag(-1), nullptr);
  EXPECT_EQ(g.NControls(), 2);
}

TEST_F(ControlList, NullGroupIsEmptyAndGroupsMatchExactly) {
  Attach("a", IRECT(0, 0, 1, 1), -1, -1, "left");
  Attach("b", IRECT(0, 0, 1, 1), -1, -1, "left");
  Attach("c", IRECT(0, 0, 1, 1), -1, -1, "Left");
  g.AttachControl(new TestControl(journal, "d", IRECT(0, 0, 1, 1)), -1, nullptr);
  int left = 0;
  g.ForControlInGroup("left", [&](IControl*) { ++left; });
  EXPECT_EQ(left, 2);
  EXPECT_STREQ(g.GetControl(3)->GetGroup(), "");
}

TEST_F(ControlList, BackgroundGoesToIndexZero) {
  Attach("a", IRECT(0, 0, 100, 100));
  auto* bg = new TestControl(journal, "bg", g.GetBounds());
  g.AttachBackgroundControl(bg);
  EXPECT_EQ(g.GetControl(0), bg);
  EXPECT_EQ(g.GetControlIdx(bg), 0);
  // Drawn first, and the later control wins the hit test.
  EXPECT_EQ(g.GetMouseControlIdx(50, 50), 1);
}

TEST_F(ControlList, IterationOrderPutsSpecialControlsAfterTheListAndBubblesLast) {
  Attach("a", IRECT(0, 0, 1, 1));
  Attach("b", IRECT(0, 0, 1, 1));
  auto* bubble = new IBubbleControl();
  g.AttachBubbleControl(bubble);
  auto* resizer = new TestCornerResizer(journal, "resizer", IRECT(390, 290, 400, 300));
  g.AttachCornerResizer(resizer);
  auto* perf = new IFPSDisplayControl(IRECT(10, 10, 210, 60));
  g.SetPerfDisplay(perf);
  // The editor's own tooltips (the window shows none) are drawn over everything else: they come last.
  TestControl* tip = new TestControl(journal, "tip", IRECT(0, 0, 1, 1));
  g.SetToolTipControl(tip);

  std::vector<IControl*> seen;
  g.ForAllControlsFunc([&](IControl* c) { seen.push_back(c); });
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[0], g.GetControl(0));
  EXPECT_EQ(seen[1], g.GetControl(1));
  EXPECT_EQ(seen[2], perf);
  EXPECT_EQ(seen[3], resizer);
  EXPECT_EQ(seen[4], bubble);
  EXPECT_EQ(seen[5], tip);

  int standard = 0;
  g.ForStandardControlsFunc([&](IControl*) { ++standard; });
  EXPECT_EQ(standard, 2);

  // The stock bubble takes the text style given; a null bubble is ignored.
  IText big;
  big.mSize = 31.f;
  g.AttachBubbleControl(big);
  g.AttachBubbleControl(static_cast<IBubbleControl*>(nullptr));
  ASSERT_EQ(g.NBubbleControls(), 2);
  EXPECT_EQ(g.GetBubbleControl(1)->GetText().mSize, 31.f);
  EXPECT_EQ(g.GetBubbleControl(1)->GetUI(), &g);
}

TEST_F(ControlList, SecondCornerResizerIsDeleted) {
  auto* first = new TestCornerResizer(journal, "r1", IRECT(0, 0, 1, 1));
  g.AttachCornerResizer(first, kUIResizerSize, true);
  g.AttachCornerResizer(new TestCornerResizer(journal, "r2", IRECT(0, 0, 1, 1)), kUIResizerScale, false);
  EXPECT_EQ(g.GetCornerResizer(), first);
  EXPECT_EQ(g.GetResizerMode(), kUIResizerSize);
}

TEST_F(ControlList, RemoveControlWithTagClearsCaptureAndMouseOver) {
  g.EnableMouseOver(true);
  Attach("bg", g.GetBounds());
  TestControl* knob = Attach("knob", IRECT(10, 10, 50, 50), FakeDelegate::kGain, 7);
  g.OnMouseOver(20, 20, IMouseMod());
  EXPECT_EQ(g.GetMouseOver(), knob);
  EXPECT_EQ(g.GetMouseOverIdx(), 1);
  Press(20, 20);
  EXPECT_TRUE(g.ControlIsCaptured(knob));

  g.RemoveControlWithTag(7);
  EXPECT_EQ(g.NControls(), 1);
  EXPECT_FALSE(g.ControlIsCaptured());
  EXPECT_EQ(g.GetMouseOver(), nullptr);
  EXPECT_EQ(g.GetMouseOverIdx(), -1);
  EXPECT_EQ(g.GetControlWithTag(7), nullptr);
  // The press's host edit is closed with the control; the release then reaches nobody.
  Release(20, 20);
  EXPECT_EQ(dlg.CountHost("begin"), 1);
  EXPECT_EQ(dlg.CountHost("end"), 1);
}

TEST_F(ControlList, RemovingAControlInTextEntryOrPopupForgetsIt) {
  TestControl* a = Attach("a", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  TestControl* b = Attach("b", IRECT(60, 0, 100, 50), FakeDelegate::kEnum);
  g.CreateTextEntry(*a, a->GetText(), a->GetRECT(), "1", 0);
  g.asyncMenus = true;
  IPopupMenu menu("", {"x"});
  g.CreatePopupMenu(*b, menu, b->GetRECT(), 0);
  EXPECT_EQ(g.GetControlInTextEntry(), a);
  EXPECT_EQ(g.GetControlInPopupMenu(), b);

  g.RemoveControl(a);
  g.RemoveControl(0);  // b is now at index 0
  EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
  EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);
  g.SetControlValueAfterTextEdit("3");  // nobody to answer: no crash
  g.SetControlValueAfterPopupMenu(&menu);
  EXPECT_EQ(dlg.CountHost("send"), 0);

  // Removing every control forgets them too.
  TestControl* c = Attach("c", IRECT(0, 0, 50, 50), FakeDelegate::kGain);
  TestControl* d = Attach("d", IRECT(60, 0, 100, 50), FakeDelegate::kEnum);
  g.CreateTextEntry(*c, c->GetText(), c->GetRECT(), "1", 0);
  g.CreatePopupMenu(*d, menu, d->GetRECT(), 0);
  g.RemoveAllControls();
  EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
  EXPECT_EQ(g.GetControlInPopupMenu(), nullptr);
  g.SetControlValueAfterTextEdit("3");
  g.SetControlValueAfterPopupMenu(&menu);
  EXPECT_EQ(dlg.CountHost("send"), 0);
}

// A press that opens a value menu hands its host edit to the menu; removing the control before the menu answers
// ends that edit at once (the host would otherwise stay in the gesture), and the late answer reaches nobody.
TEST_F(ControlList, RemovingTheControlOfAPendingMenuEndsTheEditItsPressHandedOver) {
  struct MenuButton : TestControl {
    using TestControl::TestControl;
    IPopupMenu menu{"", {"a", "b"}};
    void OnMouseDown(float, float, const IMouseMod&) override { GetUI()->CreatePopupMenu(*this, menu, mRECT, 0); }
    void OnPopupMenuSelection(IPopupMenu*, int) override { Note("answered"); }
  };
  const struct {
    const char* how;
    std::function<void(IGraphics&, IControl*)> remove;
  } rows[] = {
      {"by pointer", [](IGraphics& ui, IControl* c) { ui.RemoveControl(c); }},
      {"by index", [](IGraphics& ui, IControl* c) { ui.RemoveControl(ui.GetControlIdx(c)); }},
      {"by tag", [](IGraphics& ui, IControl*) { ui.RemoveControlWithTag(7); }},
  };
  g.asyncMenus = true;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    auto* b = new MenuButton(journal, "b", IRECT(0, 0, 50, 50), FakeDelegate::kInt);
    ASSERT_EQ(g.AttachControl(b, 7), b);
    dlg.host.clear();
    journal.clear();
    Press(10, 10);
    Release(10, 10);
    ASSERT_EQ(g.GetControlInPopupMenu(), b);
    EXPECT_EQ(dlg.host, std::vector<std::string>{"begin 2"});
    row.remove(g, b);
    EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 2", "end 2"}));
    IPopupMenu answer("", {"a", "b"});  // the platform's answer, arriving after the control went with its menu
    answer.SetChosenItemIdx(1);
    g.SetControlValueAfterPopupMenu(&answer);
    EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 2", "end 2"}));
    EXPECT_EQ(Count("b:answered"), 0);
  }
}

// The tooltip is read through the mouse-over index: a background slid in under the list keeps it on the control
// the pointer is over.
TEST_F(ControlList, BackgroundAttachedUnderTheMouseOverKeepsItsIndexRight) {
  g.EnableMouseOver(true);
  Attach("a", IRECT(0, 0, 10, 10));
  TestControl* b = Attach("b", IRECT(20, 20, 40, 40));
  g.OnMouseOver(30, 30, IMouseMod());
  ASSERT_EQ(g.GetMouseOverIdx(), 1);
  for (const int layers : {1, 2}) {
    g.AttachBackgroundControl(new TestControl(journal, "bg", g.GetBounds()));
    EXPECT_EQ(g.GetMouseOver(), b);
    EXPECT_EQ(g.GetMouseOverIdx(), 1 + layers);
    EXPECT_EQ(g.GetControl(g.GetMouseOverIdx()), b);
  }
  // With nothing under the pointer there is no index to move.
  g.OnMouseOut();
  g.AttachBackgroundControl(new TestControl(journal, "bg", g.GetBounds()));
  EXPECT_EQ(g.GetMouseOverIdx(), -1);
}

TEST_F(ControlList, RemovingBelowTheMouseOverKeepsItsIndexRight) {
  g.EnableMouseOver(true);
  Attach("bg", g.GetBounds());
  Attach("a", IRECT(0, 0, 10, 10));
  TestControl* b = Attach("b", IRECT(20, 20, 40, 40));
  g.OnMouseOver(30, 30, IMouseMod());
  EXPECT_EQ(g.GetMouseOverIdx(), 2);
  g.RemoveControl(1);
  EXPECT_EQ(g.GetMouseOver(), b);
  EXPECT_EQ(g.GetMouseOverIdx(), 1);
}

TEST_F(ControlList, RemovingAContainerOrAChildLeavesTheOtherNoPointerToIt) {
  const struct {
    const char* removed;
    int childrenLeft;
    bool childrenParented;
  } rows[] = {{"child 0", 1, true}, {"child 1", 1, true}, {"container", 0, false}};
  for (const auto& row : rows) {
    g.RemoveAllControls();
    auto* container = static_cast<IContainerBase*>(g.AttachControl(new IContainerBase(IRECT(0, 0, 100, 100))));
    IControl* children[] = {container->AddChildControl(new TestControl(journal, "child 0", IRECT(10, 10, 20, 20))),
                            container->AddChildControl(new TestControl(journal, "child 1", IRECT(30, 10, 40, 20)))};
    const std::string removed = row.removed;
    IControl* gone = removed == "container" ? container : children[removed == "child 0" ? 0 : 1];
    g.RemoveControl(gone);
    if (removed != "container") {
      EXPECT_EQ(container->NChildren(), row.childrenLeft) << row.removed;
      EXPECT_NE(container->GetChild(0), gone) << row.removed;
      container->Hide(true);  // reaches every child still held, and only those
      container->Hide(false);
    }
    for (IControl* child : children) {
      if (child == gone) continue;
      EXPECT_EQ(child->GetParent() != nullptr, row.childrenParented) << row.removed;
    }
    // The draw loop reads each dirty control's parent chain.
    g.SetAllControlsDirty();
    IRECTList rects;
    EXPECT_TRUE(g.IsDirty(rects)) << row.removed;
    g.Draw(rects);
  }
}

// A child is listed once, in one container: added twice it stays one entry, moved it leaves the first container;
// once it is removed no container reaches it.
TEST_F(ControlList, AChildIsListedOnceInOneContainer) {
  const struct {
    const char* how;
    bool moved;
  } rows[] = {{"added twice", false}, {"moved to another container", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    g.RemoveAllControls();
    auto* box = static_cast<IContainerBase*>(g.AttachControl(new IContainerBase(IRECT(0, 0, 100, 100))));
    auto* other = static_cast<IContainerBase*>(g.AttachControl(new IContainerBase(IRECT(100, 0, 200, 100))));
    IControl* child = box->AddChildControl(new TestControl(journal, "child", IRECT(10, 10, 20, 20)));
    IContainerBase* second = row.moved ? other : box;
    EXPECT_EQ(second->AddChildControl(child), child);
    EXPECT_EQ(g.NControls(), 3);
    EXPECT_EQ(child->GetParent(), second);
    EXPECT_EQ(box->NChildren(), row.moved ? 0 : 1);
    EXPECT_EQ(other->NChildren(), row.moved ? 1 : 0);
    g.RemoveControl(child);
    EXPECT_EQ(box->NChildren(), 0);
    EXPECT_EQ(other->NChildren(), 0);
    box->Hide(true);
    other->Hide(true);
  }
}

// A container offered as its own child, or as the child of one of its children, is refused and changes nothing:
// drawing and hiding still end.
TEST_F(ControlList, AContainerIsNeverItsOwnDescendant) {
  auto* outer = static_cast<IContainerBase*>(g.AttachControl(new IContainerBase(IRECT(0, 0, 100, 100))));
  auto* inner = static_cast<IContainerBase*>(outer->AddChildControl(new IContainerBase(IRECT(10, 10, 50, 50))));
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(outer->AddChildControl(outer), nullptr);
  EXPECT_EQ(inner->AddChildControl(outer), nullptr);
  EXPECT_EQ(inner->AddChildControl(inner), nullptr);
  EXPECT_EQ(outer->GetParent(), nullptr);
  EXPECT_EQ(inner->GetParent(), outer);
  EXPECT_EQ(outer->NChildren(), 1);
  EXPECT_EQ(inner->NChildren(), 0);
  outer->Hide(true);
  outer->Hide(false);
  g.SetAllControlsDirty();
  IRECTList rects;
  EXPECT_TRUE(g.IsDirty(rects));
  g.Draw(rects);
  EXPECT_EQ(g.NControls(), 2);
}

TEST_F(ControlList, RemoveWithBadIndexOrTagOnlyRedraws) {
  TestControl* a = Attach("a", IRECT(0, 0, 10, 10));
  a->SetClean();
  g.RemoveControl(5);
  g.RemoveControl(-1);
  g.RemoveControlWithTag(42);
  EXPECT_EQ(g.NControls(), 1);
  EXPECT_TRUE(a->IsDirty());
}

// Switching the frame-time display redraws every control; switching it off also forgets which control the
// mouse is over, whether or not a display was shown.
TEST_F(ControlList, FrameTimeDisplaySwitchRedrawsAll) {
  g.EnableMouseOver(true);
  TestControl* bg = Attach("bg", g.GetBounds());
  Attach("knob", IRECT(300, 200, 340, 240));  // away from the display
  for (const bool shownBefore : {false, true}) {
    for (const bool enable : {false, true}) {
      g.ShowFPSDisplay(shownBefore);
      g.OnMouseOver(320, 220, IMouseMod());
      ASSERT_EQ(g.GetMouseOverIdx(), 1);
      g.SetAllControlsClean();
      g.ShowFPSDisplay(enable);
      EXPECT_EQ(g.GetPerfDisplay() != nullptr, enable) << shownBefore << enable;
      EXPECT_EQ(g.GetMouseOverIdx(), enable ? 1 : -1) << shownBefore << enable;
      EXPECT_TRUE(bg->IsDirty() && g.GetControl(1)->IsDirty()) << shownBefore << enable;
    }
  }
}

TEST_F(ControlList, MarkingAllReachesTheSpecialControlsToo) {
  // Every kind of control the editor holds: list controls, the frame-time display, the corner resizer, the
  // in-editor text entry and popup menu, and a bubble.
  Attach("a", IRECT(0, 0, 10, 10));
  Attach("b", IRECT(20, 0, 30, 10));
  g.SetPerfDisplay(new IFPSDisplayControl(IRECT(10, 10, 210, 60)));
  g.AttachCornerResizer(new TestCornerResizer(journal, "resizer", IRECT(390, 290, 400, 300)));
  g.AttachTextEntryControl(new QuietEntry(IRECT(0, 0, 100, 20)));
  g.AttachPopupMenuControl(new QuietMenu(IRECT(0, 0, 100, 100)));
  g.AttachBubbleControl(new IBubbleControl());
  const std::pair<const char*, IControl*> controls[] = {
      {"list 0", g.GetControl(0)},
      {"list 1", g.GetControl(1)},
      {"resizer", g.GetCornerResizer()},
      {"text entry", g.GetTextEntryControl()},
      {"popup menu", g.GetPopupMenuControl()},
      {"bubble", g.GetBubbleControl(0)},
  };
  for (const auto& [name, control] : controls) ASSERT_NE(control, nullptr) << name;
  // The frame-time display redraws every frame whatever it is told; that it is visited at all shows in the
  // iteration order.
  EXPECT_TRUE(g.GetPerfDisplay()->IsDirty());

  struct Row {
    const char* operation;
    void (IGraphics::*mark)();
    bool dirty;
  } rows[] = {
      {"clean", &IGraphics::SetAllControlsClean, false},
      {"dirty", &IGraphics::SetAllControlsDirty, true},
      {"clean again", &IGraphics::SetAllControlsClean, false},
  };
  for (const Row& row : rows) {
    (g.*row.mark)();
    for (const auto& [name, control] : controls)
      EXPECT_EQ(control->IsDirty(), row.dirty) << row.operation << ": " << name;
  }

  // Any control operation with its arguments goes the same way.
  g.ForAllControls(&IControl::Hide, true);
  for (const auto& [name, control] : controls) EXPECT_TRUE(control->IsHidden()) << name;
  EXPECT_TRUE(g.GetPerfDisplay()->IsHidden());
}

TEST_F(ControlList, MovingOrResizingAControlRedrawsAllOnlyWhenItIsShown) {
  TestControl* moved = Attach("moved", IRECT(0, 0, 10, 10));
  TestControl* other = Attach("other", IRECT(100, 100, 120, 120));
  g.AttachTextEntryControl(new QuietEntry(IRECT(0, 0, 100, 20)));
  IControl* entry = g.GetTextEntryControl();
  struct Row {
    const char* operation;
    bool hidden;
    IRECT after;
  } rows[] = {
      {"position", false, IRECT(30, 40, 40, 50)}, {"position", true, IRECT(50, 60, 60, 70)},
      {"size", false, IRECT(50, 60, 75, 65)},     {"size", true, IRECT(50, 60, 55, 80)},
      {"bounds", false, IRECT(1, 2, 3, 4)},       {"bounds", true, IRECT(5, 6, 7, 8)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.operation) + (row.hidden ? " hidden" : " shown"));
    moved->Hide(row.hidden);
    g.SetAllControlsClean();
    const std::string operation = row.operation;
    if (operation == "position") g.SetControlPosition(moved, row.after.L, row.after.T);
    if (operation == "size") g.SetControlSize(moved, row.after.W(), row.after.H());
    if (operation == "bounds") g.SetControlBounds(moved, row.after);
    EXPECT_EQ(moved->GetRECT(), row.after);  // moved either way
    // A shown control leaves its old place and takes a new one: the whole editor redraws. A hidden one
    // shows nowhere, so nothing does.
    EXPECT_EQ(moved->IsDirty(), !row.hidden);
    EXPECT_EQ(other->IsDirty(), !row.hidden);
    EXPECT_EQ(entry->IsDirty(), !row.hidden);
  }
}

TEST_F(ControlList, FindingByParameterAndPeers) {
  TestControl* a = Attach("a", IRECT(0, 0, 10, 10), FakeDelegate::kGain);
  auto* multi = static_cast<TestControl*>(
      g.AttachControl(new TestControl(journal, "m", IRECT(0, 0, 10, 10), {FakeDelegate::kInt, FakeDelegate::kGain})));
  TestControl* other = Attach("o", IRECT(0, 0, 10, 10), FakeDelegate::kInt);
  EXPECT_EQ(g.GetControlWithParamIdx(FakeDelegate::kGain), a);
  EXPECT_EQ(g.GetControlWithParamIdx(FakeDelegate::kBool), nullptr);

  a->SetValue(0.25);
  a->SetDirty(true);
  EXPECT_DOUBLE_EQ(multi->GetValue(1), 0.25);
  EXPECT_DOUBLE_EQ(other->GetValue(0), 0.0);

  int n = 0;
  g.ForControlWithParam({FakeDelegate::kBool, FakeDelegate::kInt}, [&](IControl*) { ++n; });
  EXPECT_EQ(n, 2);
  g.HideControl(FakeDelegate::kGain, true);
  EXPECT_TRUE(a->IsHidden());
  EXPECT_TRUE(multi->IsHidden());
  EXPECT_FALSE(other->IsHidden());

  // A negative index names no parameter: the unbound control is not found, hidden or updated through it.
  TestControl* unbound = Attach("u", IRECT(0, 0, 10, 10));
  EXPECT_EQ(unbound->LinkedToParam(-1), -1);
  EXPECT_EQ(g.GetControlWithParamIdx(-1), nullptr);
  g.HideControl(-1, true);
  g.DisableControl(-1, true);
  n = 0;
  g.ForControlWithParam({-1, -7}, [&](IControl*) { ++n; });
  EXPECT_EQ(n, 0);
  EXPECT_FALSE(unbound->IsHidden());
  EXPECT_FALSE(unbound->IsDisabled());
}

TEST_F(ControlList, ParamNameTooltipsAndLastClickedParam) {
  Attach("a", IRECT(0, 0, 10, 10), FakeDelegate::kGain);
  Attach("u", IRECT(20, 0, 30, 10));
  g.AssignParamNameToolTips();
  EXPECT_STREQ(g.GetControl(0)->GetTooltip(), "Gain");
  EXPECT_STREQ(g.GetControl(1)->GetTooltip(), "");

  g.SetLastClickedParam(5, 5);
  EXPECT_EQ(g.GetAndResetLastClickedParam(), FakeDelegate::kGain);
  EXPECT_EQ(g.GetAndResetLastClickedParam(), -1);
  g.SetLastClickedParam(25, 5);
  EXPECT_EQ(g.GetAndResetLastClickedParam(), -1);
}

TEST_F(ControlList, SettingsAndConstraints) {
  g.SetScaleConstraints(3, 1);
  EXPECT_EQ(g.GetMinScale(), 1.f);
  EXPECT_EQ(g.GetMaxScale(), 3.f);
  g.EnableTooltips(true);
  EXPECT_TRUE(g.TooltipsEnabled());
  EXPECT_EQ(g.Count("UpdateTooltips"), 1);
}

// Controls that note their deletion, of every kind the graphics object owns.
std::vector<const void*> gDeleted;
template <class Base>
struct Counted : Base {
  template <class... Args>
  explicit Counted(Args&&... args) : Base(std::forward<Args>(args)...) {}
  ~Counted() override { gDeleted.push_back(this); }
};

// Handing the graphics object a control it already holds, in the list or in a special place, changes nothing:
// the control stays where it is, whole, and is deleted once, when the controls go.
TEST_F(ControlList, AControlAlreadyHeldIsNeitherDeletedNorOwnedTwice) {
  const struct {
    const char* how;
    std::function<IControl*(IGraphics&)> make;  // attaches it in its place
    std::function<void(IGraphics&, IControl*)> again;
  } rows[] = {
      {"a list control attached again",
       [&](IGraphics& ui) { return ui.AttachControl(new Counted<TestControl>(journal, "c", IRECT(0, 0, 9, 9))); },
       [](IGraphics& ui, IControl* c) { EXPECT_EQ(ui.AttachControl(c, 5), c); }},
      {"a list control attached again as a background",
       [&](IGraphics& ui) { return ui.AttachControl(new Counted<TestControl>(journal, "c", IRECT(0, 0, 9, 9))); },
       [](IGraphics& ui, IControl* c) { EXPECT_EQ(ui.AttachBackgroundControl(c), c); }},
      {"the corner resizer again",
       [&](IGraphics& ui) {
         auto* r = new Counted<TestCornerResizer>(journal, "r", IRECT(0, 0, 9, 9));
         ui.AttachCornerResizer(r);
         return r;
       },
       [](IGraphics& ui, IControl* c) { ui.AttachCornerResizer(static_cast<ICornerResizerControl*>(c)); }},
      {"a list control as the corner resizer",
       [&](IGraphics& ui) { return ui.AttachControl(new Counted<TestCornerResizer>(journal, "r", IRECT(0, 0, 9, 9))); },
       [](IGraphics& ui, IControl* c) { ui.AttachCornerResizer(static_cast<ICornerResizerControl*>(c)); }},
      {"the popup menu control again",
       [](IGraphics& ui) {
         auto* m = new Counted<QuietMenu>(IRECT());
         ui.AttachPopupMenuControl(m);
         return m;
       },
       [](IGraphics& ui, IControl* c) { ui.AttachPopupMenuControl(static_cast<IPopupMenuControlBase*>(c)); }},
      {"a list control as the popup menu control",
       [](IGraphics& ui) { return ui.AttachControl(new Counted<QuietMenu>(IRECT())); },
       [](IGraphics& ui, IControl* c) { ui.AttachPopupMenuControl(static_cast<IPopupMenuControlBase*>(c)); }},
      {"the text entry control again",
       [](IGraphics& ui) {
         auto* e = new Counted<QuietEntry>(IRECT());
         ui.AttachTextEntryControl(e);
         return e;
       },
       [](IGraphics& ui, IControl* c) { ui.AttachTextEntryControl(static_cast<ITextEntryControlBase*>(c)); }},
      {"the frame-time display again",
       [](IGraphics& ui) {
         auto* d = new Counted<IFPSDisplayControl>(IRECT(0, 0, 9, 9));
         ui.SetPerfDisplay(d);
         return d;
       },
       [](IGraphics& ui, IControl* c) { ui.SetPerfDisplay(static_cast<IFPSDisplayControl*>(c)); }},
      {"a bubble again",
       [](IGraphics& ui) {
         auto* b = new Counted<IBubbleControl>();
         ui.AttachBubbleControl(b);
         return b;
       },
       [](IGraphics& ui, IControl* c) { ui.AttachBubbleControl(static_cast<IBubbleControl*>(c)); }},
      {"the tooltip control again",
       [&](IGraphics& ui) {
         auto* t = new Counted<TestControl>(journal, "t", IRECT(0, 0, 9, 9));
         ui.SetToolTipControl(t);
         return t;
       },
       [](IGraphics& ui, IControl* c) { ui.SetToolTipControl(c); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    gDeleted.clear();
    const int before = g.NControls();
    IControl* held = row.make(g);
    row.again(g, held);
    EXPECT_TRUE(gDeleted.empty());
    int places = 0;
    g.ForAllControlsFunc([&](IControl* c) { places += c == held; });
    EXPECT_EQ(places, 1);
    EXPECT_LE(g.NControls(), before + 1);
    EXPECT_EQ(held->GetUI(), &g);
    g.RemoveAllControls();
    EXPECT_EQ(gDeleted, std::vector<const void*>{held});
  }

  // Removed during a walk (so kept for deletion until the walk is done) and attached again: it is attached, whole,
  // and deleted once, with the others.
  gDeleted.clear();
  IControl* back = g.AttachControl(new Counted<TestControl>(journal, "b", IRECT(0, 0, 9, 9)));
  g.ForStandardControlsFunc([&](IControl* c) {
    g.RemoveControl(c);
    EXPECT_EQ(g.AttachControl(c), c);
  });
  EXPECT_TRUE(gDeleted.empty());
  EXPECT_EQ(g.GetControlIdx(back), 0);
  EXPECT_EQ(back->GetUI(), &g);
  g.RemoveAllControls();
  EXPECT_EQ(gDeleted, std::vector<const void*>{back});
}

// A callback that removes the control it is given still reaches every control of the walk: removing a group, or
// every control bound to a parameter, leaves none of them.
TEST_F(ControlList, WalksWhoseCallbackRemovesReachEveryControl) {
  const struct {
    const char* walk;
    std::function<void(IGraphics&)> removeAll;
  } rows[] = {
      {"in a group", [](IGraphics& ui) { ui.ForControlInGroup("g", [&ui](IControl* c) { ui.RemoveControl(c); }); }},
      {"with a parameter",
       [](IGraphics& ui) { ui.ForControlWithParam(FakeDelegate::kGain, [&ui](IControl* c) { ui.RemoveControl(c); }); }},
      {"with one of the parameters",
       [](IGraphics& ui) {
         ui.ForControlWithParam(std::vector<int>{FakeDelegate::kInt, FakeDelegate::kGain},
                                [&ui](IControl* c) { ui.RemoveControl(c); });
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.walk);
    g.RemoveAllControls();
    TestControl* other = Attach("other", IRECT(0, 0, 9, 9), FakeDelegate::kEnum, -1, "h");
    for (int i = 0; i < 4; ++i) Attach("m", IRECT(0, 0, 9, 9), FakeDelegate::kGain, -1, "g");
    row.removeAll(g);
    ASSERT_EQ(g.NControls(), 1);
    EXPECT_EQ(g.GetControl(0), other);
  }
}

TEST_F(ControlList, PopupAndTextEntryControlsAreOwnedOnce) {
  g.AttachTextEntryControl(new QuietEntry(IRECT()));
  ITextEntryControlBase* first = g.GetTextEntryControl();
  g.AttachTextEntryControl(new QuietEntry(IRECT()));
  EXPECT_EQ(g.GetTextEntryControl(), first);
  g.RemoveTextEntryControl();
  EXPECT_EQ(g.GetTextEntryControl(), nullptr);
}

// Attaching an object again where it already stands changes nothing: the text entry control, the tooltip control, a
// bubble and a control of the list (offered as a background) each stay attached once, whole, and are deleted once.
TEST_F(ControlList, AnObjectAttachedAgainWhereItStandsStaysOnce) {
  g.AttachTextEntryControl(new QuietEntry(IRECT()));
  ITextEntryControlBase* entry = g.GetTextEntryControl();
  g.AttachTextEntryControl(entry);
  EXPECT_EQ(g.GetTextEntryControl(), entry);
  EXPECT_EQ(entry->GetUI(), &g);

  auto* tip = new TestControl(journal, "tip", IRECT(0, 0, 1, 1));
  g.SetToolTipControl(tip);
  g.SetToolTipControl(tip);
  EXPECT_EQ(g.GetToolTipControl(), tip);
  EXPECT_EQ(tip->GetUI(), &g);

  g.AttachBubbleControl();
  g.AttachBubbleControl(g.GetBubbleControl(0));
  EXPECT_EQ(g.NBubbleControls(), 1);

  TestControl* a = Attach("a", IRECT(0, 0, 10, 10));
  g.AttachBackgroundControl(a);
  EXPECT_EQ(g.NControls(), 1);
  EXPECT_EQ(g.GetControl(0), a);
}

// Peers of no caller: nothing to bring in line, and nothing changes.
TEST_F(ControlList, PeersOfNoCallerAreLeftAlone) {
  TestControl* a = Attach("a", IRECT(0, 0, 10, 10), FakeDelegate::kGain);
  a->SetValue(0.25);
  g.UpdatePeers(nullptr, 0);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.25);
}

}  // namespace
}  // namespace fx::gfx::test

namespace fx::gfx::test {
namespace {

// The delegate owns the graphics it makes: values from the plug-in side reach every bound entry, and
// controls attached by the layout are connected before the delegate holds the new graphics.
TEST(DelegateSeam, OpenRouteAndClose) {
  FakeDelegate dlg;
  std::vector<std::string> journal;
  TestControl* bound = nullptr;
  dlg.SetMakeGraphicsFunc([&]() -> IGraphics* {
    auto* g = new RecordingGraphics(dlg, 300, 200);
    bound = static_cast<TestControl*>(
        g->AttachControl(new TestControl(journal, "b", IRECT(0, 0, 10, 10), {-1, FakeDelegate::kInt}), 4));
    bound->SetDirty(true);  // the delegate does not hold this graphics yet
    return g;
  });
  int parent = 0;
  EXPECT_EQ(dlg.OpenWindow(&parent), &parent);
  ASSERT_NE(dlg.GetUI(), nullptr);

  dlg.SendParameterValueFromDelegate(FakeDelegate::kInt, 7.0, false);
  EXPECT_DOUBLE_EQ(bound->GetValue(1), 0.7);
  dlg.SendControlValueFromDelegate(4, 0.25);
  EXPECT_DOUBLE_EQ(bound->GetValue(0), 0.25);

  dlg.CloseWindow();
  EXPECT_EQ(dlg.GetUI(), nullptr);
}

}  // namespace
}  // namespace fx::gfx::test
