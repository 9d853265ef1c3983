// Containers (children built on attach, laid out on resize, hidden and disabled with the container) and
// the vector menu button's round trip from click to prompt menu to parameter and button text.
#include "controls/IVMenuButtonControl.h"
#include "graphics/IPopupMenu.h"
#include "tests/controls/ControlsFixture.h"

namespace fx::gfx::test {
namespace {

// Notes whether its container was already hidden when it was hidden itself.
class Child : public TestControl {
 public:
  using TestControl::TestControl;
  void Hide(bool hide) override {
    Note(std::string(hide ? "Hide" : "Show") + (GetParent()->IsHidden() ? " after" : " before"));
    IControl::Hide(hide);
  }
};

// A container of n children laid out side by side, 10 points wide each, noting each layout.
IContainerBase* Box(std::vector<std::string>& journal, const IRECT& r, int n) {
  return new IContainerBase(
      r,
      [&journal, n](IContainerBase* c, const IRECT& bounds) {
        for (int i = 0; i < n; ++i) c->AddChildControl(new Child(journal, "child" + std::to_string(i), bounds));
      },
      [&journal](IContainerBase* c, const IRECT& bounds) {
        journal.push_back("layout " + Rect(bounds));
        c->ForAllChildrenFunc([&bounds](int i, IControl* child) {
          child->SetTargetAndDrawRECTs(IRECT(bounds.L + 10.f * i, bounds.T, bounds.L + 10.f * (i + 1), bounds.B));
        });
      });
}

TEST_F(ControlsFixture, ContainerLaysOutHidesAndDisablesItsChildren) {
  auto* empty = Add(Box(journal, IRECT(0, 0, 50, 50), 0));
  g.SetControlBounds(empty, IRECT(0, 0, 60, 60));
  EXPECT_EQ(Count("layout 0,0,50,50") + Count("layout 0,0,60,60"), 0);

  auto* box = Add(Box(journal, IRECT(100, 0, 200, 20), 2));
  ASSERT_EQ(box->NChildren(), 2);
  EXPECT_EQ(Count("layout 100,0,200,20"), 1);
  EXPECT_EQ(box->GetChild(1)->GetRECT(), IRECT(110, 0, 120, 20));
  EXPECT_EQ(box->GetChild(0)->GetParent(), box);
  g.SetControlBounds(box, IRECT(100, 50, 200, 70));
  EXPECT_EQ(box->GetChild(1)->GetRECT(), IRECT(110, 50, 120, 70));

  box->GetChild(1)->Hide(true);
  journal.clear();
  box->Hide(true);
  EXPECT_EQ(journal, (std::vector<std::string>{"child0:Hide before", "child1:Hide before"}));
  EXPECT_TRUE(box->IsHidden());
  box->Hide(false);
  EXPECT_FALSE(box->GetChild(0)->IsHidden());
  EXPECT_FALSE(box->GetChild(1)->IsHidden());
  box->SetDisabled(true);
  EXPECT_TRUE(box->GetChild(0)->IsDisabled());
  EXPECT_TRUE(box->GetChild(1)->IsDisabled());

  // A container not yet attached has no graphics to attach a child to: the child stays the caller's.
  IContainerBase loose(IRECT(0, 0, 10, 10));
  auto* orphan = new Child(journal, "orphan", IRECT());
  EXPECT_EQ(loose.AddChildControl(orphan), nullptr);
  EXPECT_EQ(loose.NChildren(), 0);
  delete orphan;

  // Built with its functions a container ignores the mouse; bound to a parameter it takes it.
  EXPECT_TRUE(loose.GetIgnoreMouse());
  EXPECT_FALSE(IContainerBase(IRECT(), FakeDelegate::kEnum, nullptr).GetIgnoreMouse());
}

class MenuButton : public ControlsFixture {
 protected:
  IVStyle Plain() {
    IVStyle s;
    s.showLabel = false;
    s.drawFrame = false;
    s.drawShadows = false;
    return s;
  }
};

TEST_F(MenuButton, ClickOpensTheMenuAndTheChoiceSetsParameterAndText) {
  auto* menu = Add(new IVMenuButtonControl(IRECT(0, 0, 100, 30), FakeDelegate::kEnum, "", Plain()));
  IVButtonControl* button = menu->GetMenuButton();
  ASSERT_NE(button, nullptr);
  EXPECT_STREQ(button->GetValueStr(), "STEREO");
  EXPECT_EQ(button->GetRECT(), IRECT(0, 0, 100, 30));

  g.syncMenuChoice = 2;
  Press(50, 15);
  Release(50, 15);
  EXPECT_EQ(g.Count("CreatePlatformPopupMenu"), 0);
  At(101);
  ASSERT_EQ(g.Count("CreatePlatformPopupMenu"), 1);
  ASSERT_NE(g.lastPlatformMenu, nullptr);
  EXPECT_EQ(g.lastPlatformMenu->NItems(), 3);
  EXPECT_STREQ(button->GetValueStr(), "MONO");
  EXPECT_EQ(menu->GetValue(), 1.0);
  EXPECT_EQ(dlg.CountHost("send 1 1"), 1);

  // From the host: display text, a blank and the unit.
  auto* gain = Add(new IVMenuButtonControl(IRECT(0, 40, 100, 70), FakeDelegate::kGain, "", Plain()));
  dlg.GetParam(FakeDelegate::kGain)->Set(-6.0);
  gain->SetValueFromDelegate(Normalized(FakeDelegate::kGain, -6.0));
  EXPECT_STREQ(gain->GetMenuButton()->GetValueStr(), "-6.0 dB");
}

// "Slot" runs 1..3 with the texts One, Two, Three: a menu of those texts maps its n-th entry to that
// text's own value (n + 1), not to the value n. A choice past the texts, or none, is the index itself,
// constrained to the range.
TEST_F(MenuButton, NamedValuesNotStartingAtZeroPickTheirOwnValue) {
  auto* slot = Add(new IVMenuButtonControl(IRECT(0, 0, 100, 30), FakeDelegate::kNamedInt, "", Plain()));
  struct CRow {
    int Chosen;
    double Normalized;
    const char* Text;
    const char* Sent;
  };
  IPopupMenu choices("", {"One", "Two", "Three", "Four"});
  for (const CRow& row :
       {CRow{1, 0.5, "Two", "send 4 0.5"}, CRow{0, 0.0, "One", "send 4 0"}, CRow{2, 1.0, "Three", "send 4 1"},
        CRow{1, 0.5, "Two", "send 4 0.5"}, CRow{3, 1.0, "Three", "send 4 1"}, CRow{-1, 0.0, "One", "send 4 0"}}) {
    choices.SetChosenItemIdx(row.Chosen);
    slot->OnPopupMenuSelection(&choices, 0);
    EXPECT_DOUBLE_EQ(slot->GetValue(), row.Normalized) << row.Chosen;
    EXPECT_STREQ(slot->GetMenuButton()->GetValueStr(), row.Text) << row.Chosen;
    EXPECT_EQ(dlg.host.back(), row.Sent) << row.Chosen;
  }
}

TEST_F(MenuButton, ChoicesAreSteppedAndClampedAndWorkWithoutParameterOrAttachment) {
  IPopupMenu choices("", {"a", "b", "c", "d", "e", "far"});
  choices.SetChosenItemIdx(5);

  auto* count = Add(new IVMenuButtonControl(IRECT(0, 0, 100, 30), FakeDelegate::kInt, "", Plain()));
  count->OnPopupMenuSelection(&choices, 0);
  EXPECT_STREQ(count->GetMenuButton()->GetValueStr(), "5");
  EXPECT_DOUBLE_EQ(count->GetValue(), 0.5);
  dlg.GetParam(FakeDelegate::kGain)->InitDouble("Thirds", 0, 0, 10, -3, "", kFlagStepped);
  auto* thirds = Add(new IVMenuButtonControl(IRECT(0, 120, 100, 150), FakeDelegate::kGain, "", Plain()));
  thirds->OnPopupMenuSelection(&choices, 0);
  EXPECT_DOUBLE_EQ(thirds->GetValue(), 0.6) << "5 lands on 6, the nearest multiple of the step's size";
  // A menu without a choice reads as index -1: below the range, so the value goes to its low end.
  IPopupMenu unchosen("", {"a", "b"});
  unchosen.SetChosenItemIdx(-1);
  auto* low = Add(new IVMenuButtonControl(IRECT(0, 160, 100, 190), FakeDelegate::kInt, "", Plain()));
  low->SetValueFromDelegate(0.5);
  ASSERT_STREQ(low->GetMenuButton()->GetValueStr(), "5");
  low->OnPopupMenuSelection(&unchosen, 0);
  EXPECT_EQ(low->GetValue(), 0.0);
  EXPECT_STREQ(low->GetMenuButton()->GetValueStr(), "0");
  EXPECT_EQ(dlg.host.back(), "send 2 0");
  auto* mode = Add(new IVMenuButtonControl(IRECT(0, 40, 100, 70), FakeDelegate::kEnum, "", Plain()));
  mode->OnPopupMenuSelection(&choices, 0);
  EXPECT_STREQ(mode->GetMenuButton()->GetValueStr(), "MONO");
  EXPECT_EQ(mode->GetValue(), 1.0);

  auto* unbound = Add(new IVMenuButtonControl(IRECT(0, 80, 100, 110), -1, "", Plain()));
  unbound->OnPopupMenuSelection(&choices, 0);
  EXPECT_STREQ(unbound->GetMenuButton()->GetValueStr(), "far");
  unbound->SetValueFromDelegate(0.3);
  unbound->SetValueFromUserInput(0.7);
  EXPECT_EQ(unbound->GetValue(), 0.7);

  IVMenuButtonControl detached(IRECT(0, 0, 10, 10), FakeDelegate::kEnum);
  EXPECT_EQ(detached.GetMenuButton(), nullptr);
  detached.OnPopupMenuSelection(&choices, 0);
  detached.SetValueFromDelegate(0.5);
  detached.SetValueFromUserInput(0.25);
  detached.SetStyle(DEFAULT_STYLE);
  detached.OnPopupMenuSelection(nullptr, 0);
  EXPECT_EQ(detached.GetValue(), 0.25);
}

// Either part may go without the other: the one left never reaches the one removed.
TEST_F(MenuButton, RemovingTheContainerOrItsButtonLeavesTheOtherSafe) {
  // The container removed while the button's click animation runs: its end prompts for nothing.
  auto* menu = Add(new IVMenuButtonControl(IRECT(0, 0, 100, 30), FakeDelegate::kEnum, "", Plain()));
  IVButtonControl* leftBehind = menu->GetMenuButton();
  g.syncMenuChoice = 2;
  Press(50, 15);
  Release(50, 15);
  g.RemoveControl(menu);
  ASSERT_EQ(g.GetControlIdx(leftBehind), 0);
  At(101);
  EXPECT_EQ(g.Count("CreatePlatformPopupMenu"), 0);
  EXPECT_EQ(leftBehind->GetParent(), nullptr);

  // The button removed: the container has none to update, restyle or lay out.
  auto* bare = Add(new IVMenuButtonControl(IRECT(0, 40, 100, 70), FakeDelegate::kEnum, "", Plain()));
  g.RemoveControl(bare->GetMenuButton());
  EXPECT_EQ(bare->GetMenuButton(), nullptr);
  bare->SetValueFromDelegate(1.0);
  bare->SetValueFromUserInput(0.5);
  IPopupMenu choices("", {"a", "b"});
  choices.SetChosenItemIdx(1);
  bare->OnPopupMenuSelection(&choices, 0);
  bare->SetStyle(DEFAULT_STYLE);
  g.SetControlBounds(bare, IRECT(0, 40, 120, 80));
  EXPECT_EQ(bare->GetValue(), 0.5);
  EXPECT_EQ(dlg.CountHost("send 1 0.5"), 1);
}

}  // namespace
}  // namespace fx::gfx::test
