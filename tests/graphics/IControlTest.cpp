#include "tests/graphics/GraphicsFixture.h"

#include "framework/IParam.h"
#include "graphics/IControlActions.h"
#include "graphics/IGraphicsClock.h"
#include "graphics/IVectorBase.h"

#include <cmath>
#include <stdexcept>

namespace fx::gfx::test {
namespace {

using Control = GraphicsFixture;

TEST_F(Control, DefaultTextStyleAndFlags) {
  TestControl* c = Attach("a", IRECT(0, 0, 10, 10));
  const IText& t = c->GetText();
  EXPECT_STREQ(t.mFont, "Roboto-Regular");
  EXPECT_EQ(t.mSize, 14.f);
  EXPECT_EQ(t.mFGColor, IColor(255, 0, 0, 0));
  EXPECT_EQ(t.mTextEntryBGColor, IColor(255, 255, 255, 255));
  EXPECT_EQ(t.mAlign, kAlignCenter);
  EXPECT_EQ(t.mVAlign, kVAlignMiddle);
  EXPECT_TRUE(c->GetPromptDisabled());
  EXPECT_EQ(c->GetTextEntryLength(), 7);
  EXPECT_EQ(c->GetHighlightColor(), IColor(255, 255, 0, 0));
}

TEST_F(Control, SetDirtyClampsAndSendsTheOneEntry) {
  int actions = 0;
  TestControl* c = Attach("a", IRECT(0, 0, 10, 10), FakeDelegate::kGain);
  c->SetActionFunction([&](IControl*) { ++actions; });
  struct Row {
    double stored;
    double sent;
  };
  for (const Row row : {Row{1.7, 1.0}, Row{-0.2, 0.0}, Row{0.25, 0.25}, Row{std::nan(""), 0.0}}) {
    dlg.host.clear();
    c->SetValue(row.stored);
    c->SetDirty(true, 5);  // one entry: every index means entry 0
    EXPECT_EQ(c->GetValue(), row.sent);
    EXPECT_EQ(dlg.host, std::vector<std::string>{"send 3 " + Num(row.sent)});
  }
  EXPECT_EQ(actions, 4);
  c->SetDirty(false);
  EXPECT_EQ(actions, 4);
}

TEST_F(Control, ControlWithoutEntries) {
  int actions = 0;
  auto* c = new TestControl(journal, "e", IRECT(0, 0, 10, 10), std::initializer_list<int>{});
  c->SetActionFunction([&](IControl*) { ++actions; });
  g.AttachControl(c);
  EXPECT_EQ(c->NVals(), 0);
  EXPECT_EQ(c->GetValIdxForPos(5, 5), -1);
  EXPECT_EQ(c->GetParamIdx(0), -1);
  EXPECT_EQ(c->LinkedToParam(-1), -1);
  c->SetClean();
  c->SetDirty(true);
  EXPECT_TRUE(c->IsDirty());
  EXPECT_EQ(actions, 1);
  Press(5, 5, Right());
  Release(5, 5);
  g.OnMouseDblClick(5, 5, Left());
  c->SetValueToDefault(0);
  c->SetValueFromDelegate(0.5, 0);
  EXPECT_TRUE(dlg.host.empty());
  EXPECT_THROW(c->SetParamIdx(1, 0), std::out_of_range);
}

TEST_F(Control, UnboundAndOutOfRangeEntriesSendNothing) {
  auto* c = new TestControl(journal, "m", IRECT(0, 0, 10, 10), {-1, 99, FakeDelegate::kInt});
  g.AttachControl(c);
  c->SetValue(0.3, 2);
  c->SetDirty(true);
  EXPECT_EQ(dlg.host, std::vector<std::string>{"send 2 0.3"});
  EXPECT_EQ(c->GetParam(1), nullptr);
  // A bound entry hands out the delegate's own parameter, the one the delegate reads.
  IParam* param = c->GetParam(2);
  ASSERT_EQ(param, dlg.GetParam(FakeDelegate::kInt));
}

TEST_F(Control, ValuesFromTheDelegate) {
  TestControl* c = Attach("a", IRECT(0, 0, 10, 10), FakeDelegate::kGain);
  c->SetClean();
  c->SetValueFromDelegate(0.0, 0);  // unchanged: not dirty
  EXPECT_FALSE(c->IsDirty());
  c->SetValueFromDelegate(0.4, 0);
  EXPECT_TRUE(c->IsDirty());
  EXPECT_EQ(c->GetValue(), 0.4);

  Press(5, 5);  // the user holds it: host values are ignored
  c->SetValueFromDelegate(0.9, 0);
  EXPECT_EQ(c->GetValue(), 0.4);
  Release(5, 5);
  c->SetValueFromDelegate(0.9, 0);
  EXPECT_EQ(c->GetValue(), 0.9);
}

TEST_F(Control, ValueToDefaultIsSnappedClampedAndNormalized) {
  auto* c = new TestControl(journal, "m", IRECT(0, 0, 10, 10),
                            {FakeDelegate::kInt, FakeDelegate::kGain, FakeDelegate::kNamedInt});
  g.AttachControl(c);
  c->SetValueToDefault(-1);
  EXPECT_DOUBLE_EQ(c->GetValue(0), 0.5);
  EXPECT_NEAR(c->GetValue(1), std::sqrt(72.0 / 84.0), 1e-12);  // power curve 2: v = sqrt((0 + 72) / 84)
  EXPECT_DOUBLE_EQ(c->GetValue(2), 0.5);
  EXPECT_EQ(dlg.CountHost("send"), 3);
  dlg.host.clear();
  c->SetValue(0.0, 1);
  c->SetValueToDefault(1);
  EXPECT_EQ(dlg.CountHost("send"), 1);
}

TEST_F(Control, HideDisableAndHit) {
  TestControl* c = Attach("a", IRECT(10, 10, 20, 20));
  c->SetDisabled(true);
  EXPECT_EQ(c->GetBlend().weight, 0.25f);
  c->SetDisabled(false);
  EXPECT_EQ(c->GetBlend().weight, 1.f);
  EXPECT_TRUE(c->IsHit(10, 10));
  EXPECT_FALSE(c->IsHit(20, 15));
  EXPECT_FALSE(c->IsHit(15, 20));
  c->SetTargetRECT(IRECT());
  EXPECT_FALSE(c->IsHit(0, 0));
}

TEST_F(Control, PositionAndSize) {
  TestControl* c = Attach("a", IRECT(10, 10, 30, 20));
  c->SetTargetRECT(IRECT(12, 11, 22, 19));
  c->SetMouseIsOver(true);
  c->SetPosition(-10, 5);
  EXPECT_EQ(c->GetRECT(), IRECT(0, 5, 20, 15));
  EXPECT_EQ(c->GetTargetRECT(), IRECT(2, 6, 12, 14));
  EXPECT_FALSE(c->GetMouseIsOver());
  c->SetSize(-4, 8);
  EXPECT_EQ(c->GetRECT(), IRECT(0, 5, 0, 13));
  EXPECT_EQ(c->GetTargetRECT(), c->GetRECT());

  g.SetControlBounds(c, IRECT(50, 50, 60, 60));
  EXPECT_EQ(c->GetTargetRECT(), IRECT(50, 50, 60, 60));
}

TEST_F(Control, SnapToMouse) {
  TestControl* c = Attach("a", IRECT(0, 0, 100, 100), FakeDelegate::kGain);
  struct Row {
    float x, y;
    EDirection dir;
    double expect;
  };
  const Row rows[] = {
      {50, 0, kVertical, 1.0},        {50, 100, kVertical, 0.0}, {50, 150, kVertical, 0.0},
      {50, 33.33f, kVertical, 0.667}, {0, 50, kHorizontal, 0.0}, {12.34f, 50, kHorizontal, 0.123},
      {-5, 50, kHorizontal, 0.0},
  };
  for (const Row& row : rows) {
    c->SnapToMouse(row.x, row.y, row.dir, c->GetRECT());
    EXPECT_NEAR(c->GetValue(), row.expect, 1e-12) << row.x << "," << row.y;
  }
  c->SnapToMouse(50, 10, kVertical, c->GetRECT(), -1, 0.2, 0.5);
  EXPECT_EQ(c->GetValue(), 0.5);
  c->SnapToMouse(50, 10, kVertical, IRECT(0, 0, 100, 0));  // no height: unchanged
  EXPECT_EQ(c->GetValue(), 0.5);
}

// A track of no length (or a negative or NaN one) has no position to map the pointer to: the value stays and
// nothing reaches the host.
TEST_F(Control, SnapToMouseOnATrackWithoutExtentKeepsTheValueAndSendsNothing) {
  const float nan = std::nanf("");
  TestControl* c = Attach("a", IRECT(0, 0, 100, 100), FakeDelegate::kGain);
  const struct {
    const char* name;
    IRECT track;
    EDirection dir;
  } rows[] = {
      {"empty, vertical", IRECT(), kVertical},
      {"empty, horizontal", IRECT(), kHorizontal},
      {"no width", IRECT(50, 0, 50, 100), kHorizontal},
      {"right of its left edge", IRECT(100, 0, 0, 100), kHorizontal},
      {"bottom above its top", IRECT(0, 100, 100, 0), kVertical},
      {"NaN width", IRECT(0, 0, nan, 100), kHorizontal},
      {"NaN height", IRECT(0, 0, 100, nan), kVertical},
  };
  for (const auto& row : rows) {
    c->SetValue(0.4);
    dlg.host.clear();
    c->SnapToMouse(30, 30, row.dir, row.track);
    EXPECT_EQ(c->GetValue(), 0.4) << row.name;
    EXPECT_TRUE(dlg.host.empty()) << row.name;
  }
}

TEST_F(Control, GesturesTakeTheFirstHandlerPerType) {
  TestControl* c = Attach("a", IRECT(0, 0, 100, 100));
  int first = 0, second = 0;
  c->AttachGestureRecognizer(kGesturePinch, [&](IControl*, const IGestureInfo&) { ++first; });
  c->AttachGestureRecognizer(kGesturePinch, [&](IControl*, const IGestureInfo&) { ++second; });
  EXPECT_TRUE(c->GetWantsGestures());
  IGestureInfo info;
  info.x = 10;
  info.y = 10;
  info.type = kGesturePinch;
  EXPECT_TRUE(g.RespondsToGesture(10, 10));
  g.OnGestureRecognized(info);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(c->GetLastGesture(), kGesturePinch);
  info.type = kGestureTap;
  EXPECT_FALSE(c->OnGesture(info));
  EXPECT_EQ(g.GetRegisteredGestureRecognizers(), std::vector<EGestureType>{kGesturePinch});
}

struct VectorControl : TestControl, IVectorBase {
  VectorControl(std::vector<std::string>& j, const IRECT& r) : TestControl(j, "v", r), IVectorBase(DEFAULT_STYLE) {
    AttachIControl(this, "label");
  }
  void OnStyleChanged() override { ++styleChanges; }
  int styleChanges = 0;
};

double gNowMs = 0.0;
double FakeClock() {
  return gNowMs;
}

TEST_F(Control, SplashGrowsFromTheLastPressAndEnds) {
  SetGraphicsClock(FakeClock);
  gNowMs = 500.0;
  auto* v = new VectorControl(journal, IRECT(0, 0, 100, 100));
  g.AttachControl(v);
  Press(30, 40);
  SplashClickActionFunc(v);
  EXPECT_EQ(v->GetSplashX(), 30.f);
  EXPECT_EQ(v->GetSplashY(), 40.f);
  gNowMs = 550.0;
  v->Animate();
  EXPECT_FLOAT_EQ(v->GetSplashRadius(), 25.f);
  gNowMs = 601.0;
  v->Animate();
  EXPECT_FALSE(v->GetAnimationFunction());
  EXPECT_EQ(v->styleChanges, 2);
  SetGraphicsClock(nullptr);
}

TEST_F(Control, AnimationProgress) {
  SetGraphicsClock(FakeClock);
  TestControl* c = Attach("a", IRECT(0, 0, 10, 10));
  EXPECT_EQ(c->GetAnimationProgress(), 0.0);
  gNowMs = 1000.0;
  c->SetAnimation(DefaultAnimationFunc, 200);
  gNowMs = 1050.0;
  EXPECT_DOUBLE_EQ(c->GetAnimationProgress(), 0.25);
  c->SetAnimation(DefaultAnimationFunc, 0);  // no length: over at once
  c->Animate();
  EXPECT_FALSE(c->GetAnimationFunction());
  SetGraphicsClock(nullptr);
}

// An animation given no length, or a negative one, is over at its first step whenever that step comes.
TEST_F(Control, AnimationsWithoutALengthEndAtTheirFirstStep) {
  SetGraphicsClock(FakeClock);
  TestControl* c = Attach("a", IRECT(0, 0, 10, 10));
  for (const int length : {0, -1, -200}) {
    for (const double later : {0.0, 50.0, 5000.0}) {
      gNowMs = 1000.0;
      c->SetAnimation(DefaultAnimationFunc, length);
      gNowMs = 1000.0 + later;
      EXPECT_GT(c->GetAnimationProgress(), 1.0) << length << " ms, " << later << " ms later";
      c->Animate();
      EXPECT_FALSE(c->GetAnimationFunction()) << length << " ms, " << later << " ms later";
    }
  }
  SetGraphicsClock(nullptr);
}

// A value menu answered at once whose answer removes the control that prompted: the prompt is done with the
// control before it goes, whether it was asked for from a press or from outside any event.
// A value set as the user's from outside any event, whose action removes the control, leaves the control whole
// until its own SetDirty, which reads it after the action, has returned.
TEST_F(Control, AUserValueWhoseActionRemovesTheControlOutsideAnEvent) {
  struct ReadsAfterAction : TestControl {
    ReadsAfterAction(std::vector<std::string>& journal, bool& deleted)
        : TestControl(journal, "r", IRECT(0, 0, 20, 20)), gone(deleted) {}
    ~ReadsAfterAction() override { gone = true; }
    void SetDirty(bool triggerAction, int valIdx) override {
      TestControl::SetDirty(triggerAction, valIdx);
      Note(gone ? "deleted" : "whole");
    }
    bool& gone;
  };
  bool deleted = false;
  auto* r = new ReadsAfterAction(journal, deleted);
  r->SetActionFunction([this](IControl* caller) { g.RemoveControl(caller); });
  g.AttachControl(r);
  journal.clear();
  r->SetValueFromUserInput(0.5);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(g.NControls(), 0);
  EXPECT_EQ(journal, std::vector<std::string>{"r:whole"});
}

TEST_F(Control, APromptAnsweredAtOnceMayRemoveItsControl) {
  struct Removing : TestControl {
    Removing(std::vector<std::string>& journal, bool& deleted)
        : TestControl(journal, "r", IRECT(0, 0, 20, 20), FakeDelegate::kEnum), gone(deleted) {
      DisablePrompt(false);
    }
    ~Removing() override { gone = true; }
    void OnMouseDown(float, float, const IMouseMod&) override { PromptUserInput(0); }
    void OnPopupMenuSelection(IPopupMenu* menu, int) override {
      Note(menu ? "chose " + std::to_string(menu->GetChosenItemIdx()) : "none");
      GetUI()->RemoveControl(this);
    }
    bool& gone;
  };
  g.syncMenuChoice = 2;
  for (const bool fromAPress : {false, true}) {
    SCOPED_TRACE(fromAPress ? "from a press" : "from outside");
    bool deleted = false;
    auto* r = new Removing(journal, deleted);
    g.AttachControl(r);
    journal.clear();
    if (fromAPress)
      Press(10, 10);
    else
      r->PromptUserInput(0);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(g.NControls(), 0);
    EXPECT_EQ(journal, std::vector<std::string>{"r:chose 2"});
    Release(10, 10);
  }
}

TEST_F(Control, StyleAllVectorControlsVisitsOnlyVectorControls) {
  auto* v = new VectorControl(journal, IRECT(0, 0, 100, 100));
  g.AttachControl(v);
  Attach("plain", IRECT(0, 0, 10, 10));
  IVStyle style = DEFAULT_STYLE;
  style.roundness = 0.5f;
  g.StyleAllVectorControls(style);
  EXPECT_EQ(v->GetStyle().roundness, 0.5f);
  EXPECT_EQ(v->styleChanges, 1);
  EXPECT_STREQ(v->GetLabelStr(), "label");
}

}  // namespace
}  // namespace fx::gfx::test
