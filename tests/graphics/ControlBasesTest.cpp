#include "tests/graphics/GraphicsFixture.h"

#include "framework/IParam.h"
#include "graphics/IButtonControlBase.h"
#include "graphics/IControlActions.h"
#include "graphics/IGraphicsClock.h"
#include "graphics/IKnobControlBase.h"
#include "graphics/ISliderControlBase.h"
#include "graphics/ISwitchControlBase.h"

#include <limits>

namespace fx::gfx::test {
namespace {

struct Knob : IKnobControlBase {
  using IKnobControlBase::IKnobControlBase;
  void Draw(IGraphics&) override {}
};
struct Slider : ISliderControlBase {
  using ISliderControlBase::ISliderControlBase;
  void Draw(IGraphics&) override {}
};
struct Switch : ISwitchControlBase {
  using ISwitchControlBase::ISwitchControlBase;
  void Draw(IGraphics&) override {}
};
struct Button : IButtonControlBase {
  using IButtonControlBase::IButtonControlBase;
  void Draw(IGraphics&) override {}
};

double gNowMs = 0.0;
double FakeClock() {
  return gNowMs;
}

using ControlBases = GraphicsFixture;

TEST_F(ControlBases, SwitchStepping) {
  struct Row {
    int states;
    double from;
    double to;
  };
  const Row rows[] = {
      {2, 0.0, 1.0}, {2, 1.0, 0.0},       {2, 0.3, 0.0},    {3, 0.0, 0.5}, {3, 0.5, 1.0}, {3, 1.0, 0.0},
      {4, 1.0, 0.0}, {4, 2.0 / 3.0, 1.0}, {4, 0.6667, 0.0}, {1, 0.0, 0.0}, {1, 0.7, 0.0},
  };
  for (const Row& row : rows) {
    auto* s = new Switch(IRECT(0, 0, 10, 10), -1, nullptr, row.states);
    g.AttachControl(s);
    s->SetValue(row.from);
    s->OnMouseDown(5, 5, IMouseMod());
    EXPECT_DOUBLE_EQ(s->GetValue(), row.to) << row.states << " states from " << row.from;
    EXPECT_TRUE(s->GetMouseDown());
    s->OnMouseUp(5, 5, IMouseMod());
    EXPECT_FALSE(s->GetMouseDown());
    g.RemoveControl(s);
  }
}

TEST_F(ControlBases, SwitchTakesItsStatesFromTheParameterAndKeepsFlagsInRange) {
  auto* s = new Switch(IRECT(0, 0, 10, 10), FakeDelegate::kEnum, nullptr, 2);
  s->SetStateDisabled(1, true);
  g.AttachControl(s);
  EXPECT_EQ(s->GetNumStates(), 3);
  EXPECT_TRUE(s->GetStateDisabled(1));
  s->SetStateDisabled(2, true);  // a state that exists only since the parameter said so
  EXPECT_TRUE(s->GetStateDisabled(2));
  s->SetStateDisabled(3, true);
  EXPECT_FALSE(s->GetStateDisabled(3));
  EXPECT_FALSE(s->GetStateDisabled(-1));
  s->SetAllStatesDisabled(false);
  EXPECT_FALSE(s->GetStateDisabled(2));
  s->SetAllStatesDisabled(true);
  s->SetNumStates(1);
  s->SetNumStates(3);  // states that come back start enabled
  EXPECT_EQ((std::vector<bool>{s->GetStateDisabled(0), s->GetStateDisabled(1), s->GetStateDisabled(2)}),
            (std::vector<bool>{true, false, false}));
  s->SetAllStatesDisabled(false);

  Press(5, 5);
  Release(5, 5);
  EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 1", "send 1 0.5", "end 1"}));
  EXPECT_EQ(dlg.GetParam(FakeDelegate::kEnum)->Int(), 1);
}

TEST_F(ControlBases, SwitchStateCountIsBounded) {
  // A range beyond int's reach: the count neither overflows nor asks for a flag per unit.
  dlg.GetParam(FakeDelegate::kGain)->InitDouble("Huge", 0.0, 0.0, 1e12, 1.0);
  auto* s = new Switch(IRECT(0, 0, 10, 10), FakeDelegate::kGain, nullptr, 2);
  g.AttachControl(s);
  EXPECT_EQ(s->GetNumStates(), ISwitchControlBase::kMaxNumStates);
  s->SetStateDisabled(ISwitchControlBase::kMaxNumStates - 1, true);
  EXPECT_TRUE(s->GetStateDisabled(ISwitchControlBase::kMaxNumStates - 1));
  s->SetNumStates(std::numeric_limits<int>::max());
  EXPECT_EQ(s->GetNumStates(), ISwitchControlBase::kMaxNumStates);
  s->SetNumStates(std::numeric_limits<int>::min());
  EXPECT_EQ(s->GetNumStates(), 1);
}

// A switch whose per-state flags have no room, as when their buffer could not grow for the state count: every state
// reads enabled and disabling one changes nothing, rather than writing past the buffer.
TEST_F(ControlBases, SwitchWithoutRoomForItsFlagsKeepsEveryStateEnabled) {
  struct Roomless : Switch {
    Roomless() : Switch(IRECT(0, 0, 10, 10), -1, nullptr, 3) { mDisabledStates.Resize(0, true); }
  };
  auto* s = static_cast<Roomless*>(g.AttachControl(new Roomless()));
  ASSERT_EQ(s->GetNumStates(), 3);
  s->SetAllStatesDisabled(true);
  s->SetStateDisabled(1, true);
  for (int state = 0; state < 3; ++state) EXPECT_FALSE(s->GetStateDisabled(state)) << state;
}

TEST_F(ControlBases, KnobGearingAndFineAdjust) {
  auto* k = new Knob(IRECT(0, 0, 100, 100), -1, kVertical, 1.0);
  g.AttachControl(k);
  Press(50, 50);
  for (int i = 0; i < 100; ++i) DragBy(50, 50, 0, -1);
  EXPECT_NEAR(k->GetValue(), 1.0, 1e-9);
  Release(50, 50);
  EXPECT_EQ(g.Entries("HideMouseCursor"), (std::vector<std::string>{"HideMouseCursor 11", "HideMouseCursor 01"}));

  k->SetValue(0.0);
  Press(50, 50, Shift());
  DragBy(50, 50, 0, -100, Shift());
  EXPECT_NEAR(k->GetValue(), 0.1, 1e-9);
  DragBy(50, 50, 0, -900, Shift());
  EXPECT_NEAR(k->GetValue(), 1.0, 1e-9);
  DragBy(50, 50, 0, 5000, Shift());
  EXPECT_EQ(k->GetValue(), 0.0);
  Release(50, 50);
}

TEST_F(ControlBases, HorizontalKnobRisesToTheRight) {
  // 100 points of a 200-point drag range: 0.5 / gearing from 0.5; a zero gearing leaves the value.
  const struct {
    double gearing;
    double expect;
  } rows[] = {{2.0, 0.75}, {-2.0, 0.25}, {-0.5, 0.0}, {0.5, 1.0}, {0.0, 0.5}};
  for (const auto& row : rows) {
    auto* k = new Knob(IRECT(0, 0, 200, 20), -1, kHorizontal, row.gearing);
    g.AttachControl(k);
    k->SetValue(0.5);
    Press(10, 10);
    DragBy(110, 10, 100, 0);
    EXPECT_NEAR(k->GetValue(), row.expect, 1e-9) << row.gearing;
    Release(110, 10);
    g.RemoveControl(k);
  }
}

// A drag that cannot be measured (no gearing, or drag bounds without extent in the drag's direction) leaves the
// value where it is and sends nothing to the host; the press's own edit still opens and closes.
TEST_F(ControlBases, KnobDragThatCannotBeMeasuredLeavesTheValueAndSendsNothing) {
  struct BoundedKnob : Knob {
    BoundedKnob(const IRECT& bounds, EDirection dir, double gearing, const IRECT& drag)
        : Knob(bounds, FakeDelegate::kGain, dir, gearing), dragBounds(drag) {}
    IRECT dragBounds;
    IRECT GetDragBounds() const override { return dragBounds; }
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* name;
    EDirection dir;
    double gearing;
    IRECT drag;
    IMouseMod mod;
  } rows[] = {
      {"gearing 0", kVertical, 0.0, IRECT(0, 0, 100, 100), Left()},
      {"gearing 0, fine", kVertical, 0.0, IRECT(0, 0, 100, 100), Shift()},
      {"gearing NaN", kVertical, nan, IRECT(0, 0, 100, 100), Left()},
      {"no height", kVertical, 1.0, IRECT(0, 50, 100, 50), Left()},
      {"no width", kHorizontal, 1.0, IRECT(50, 0, 50, 100), Left()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto* k =
        static_cast<Knob*>(g.AttachControl(new BoundedKnob(IRECT(0, 0, 100, 100), row.dir, row.gearing, row.drag)));
    k->SetValue(0.5);
    dlg.host.clear();
    Press(50, 50, row.mod);
    DragBy(50, 40, -10, -10, row.mod);
    EXPECT_EQ(k->GetValue(), 0.5);
    EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 3"}));
    Release(50, 40, row.mod);
    g.RemoveControl(k);
  }
}

TEST_F(ControlBases, SteppedKnobCrossesStepsOnSlowDrags) {
  auto* k = new Knob(IRECT(0, 0, 100, 100), FakeDelegate::kInt, kVertical, 1.0);
  g.AttachControl(k);
  k->SetValue(0.5);
  Press(50, 50);
  for (int i = 0; i < 4; ++i) DragBy(50, 50, 0, -1);  // 0.04 in all: still rounds to 5 of 0..10
  EXPECT_DOUBLE_EQ(k->GetValue(), 0.5);
  DragBy(50, 50, 0, -2);  // 0.56: rounds to 6
  EXPECT_DOUBLE_EQ(k->GetValue(), 0.6);
  Release(50, 50);
}

TEST_F(ControlBases, ZeroSizeKnobAndSliderNeverProduceNaN) {
  auto* k = new Knob(IRECT(10, 10, 10, 10), FakeDelegate::kGain);
  auto* s = new Slider(IRECT(20, 20, 20, 20), FakeDelegate::kGain, kVertical, true);
  g.AttachControl(k);
  g.AttachControl(s);
  k->SetValue(0.5);
  k->OnMouseDown(10, 10, IMouseMod());
  k->OnMouseDrag(10, 10, 3, 3, IMouseMod());
  s->SetValue(0.5);
  s->SetHideCursorOnDrag(false);
  s->OnMouseDown(20, 20, IMouseMod());
  s->OnMouseDrag(20, 20, 3, 3, IMouseMod());
  EXPECT_EQ(k->GetValue(), 0.5);
  EXPECT_EQ(s->GetValue(), 0.5);
  for (const std::string& e : dlg.host) EXPECT_EQ(e.find("nan"), std::string::npos) << e;
}

TEST_F(ControlBases, WheelSteps) {
  auto* k = new Knob(IRECT(0, 0, 100, 100));
  g.AttachControl(k);
  k->SetValue(0.995);
  g.OnMouseWheel(50, 50, IMouseMod(), 1.f);
  EXPECT_DOUBLE_EQ(k->GetValue(), 1.0);
  g.OnMouseWheel(50, 50, Shift(), -2.f);
  EXPECT_NEAR(k->GetValue(), 0.998, 1e-12);

  auto* stepped = new Knob(IRECT(100, 0, 200, 100), FakeDelegate::kInt);
  g.AttachControl(stepped);
  stepped->SetValue(0.5);
  g.OnMouseWheel(150, 50, IMouseMod(), 0.3f);
  EXPECT_DOUBLE_EQ(stepped->GetValue(), 0.6);  // one parameter step, not 0.01
  g.OnMouseWheel(150, 50, IMouseMod(), -1.f);
  g.OnMouseWheel(150, 50, IMouseMod(), -1.f);
  EXPECT_DOUBLE_EQ(stepped->GetValue(), 0.4);
  g.OnMouseWheel(150, 50, IMouseMod(), 0.f);
  EXPECT_DOUBLE_EQ(stepped->GetValue(), 0.4);
}

TEST_F(ControlBases, SliderClickToPositionAndAbsoluteDrag) {
  auto* s = new Slider(IRECT(0, 0, 20, 100), FakeDelegate::kGain, kVertical, true);
  g.AttachControl(s);
  EXPECT_EQ(s->GetTrack(), IRECT(0, 0, 20, 100));
  s->SetHideCursorOnDrag(false);
  Press(10, 25);
  EXPECT_DOUBLE_EQ(s->GetValue(), 0.75);
  DragBy(10, 90, 0, 65);
  EXPECT_DOUBLE_EQ(s->GetValue(), 0.1);
  DragBy(10, -50, 0, -140);
  EXPECT_DOUBLE_EQ(s->GetValue(), 1.0);
  Release(10, -50);
  EXPECT_EQ(g.Count("HideMouseCursor"), 0);
}

TEST_F(ControlBases, SliderOnAStepParameterNeitherJumpsNorFollows) {
  auto* s = new Slider(IRECT(0, 0, 20, 100), FakeDelegate::kEnum, kVertical, true, 1.0);
  g.AttachControl(s);
  s->SetHideCursorOnDrag(false);
  s->SetValue(0.0);
  Press(10, 10);
  EXPECT_DOUBLE_EQ(s->GetValue(), 0.0);
  DragBy(10, 60, 0, -60);  // relative: 0.6 of the track up, snapped to the nearer of 0, 0.5, 1
  EXPECT_DOUBLE_EQ(s->GetValue(), 0.5);
  Release(10, 60);
}

// Any stepped parameter makes the slider drag relatively; only a positive step rounds the dragged value.
TEST_F(ControlBases, SliderOnAParameterSteppedEitherWayDragsRelatively) {
  const struct {
    double step;
    double expect;  // after a drag 0.6 of the track up from 0
  } rows[] = {{5, 0.5}, {-5, 0.6}, {0, 0.6}};
  for (const auto& row : rows) {
    dlg.GetParam(FakeDelegate::kGain)->InitDouble("Steps", 0, 0, 10, row.step, "", kFlagStepped);
    g.RemoveAllControls();
    auto* s = new Slider(IRECT(0, 0, 20, 100), FakeDelegate::kGain, kVertical, true, 1.0);
    g.AttachControl(s);
    s->SetHideCursorOnDrag(false);
    s->SetValue(0.0);
    Press(10, 10);
    EXPECT_DOUBLE_EQ(s->GetValue(), 0.0) << row.step << ": no jump to the click";
    DragBy(10, 60, 0, -60);
    EXPECT_NEAR(s->GetValue(), row.expect, 1e-12) << row.step;
    Release(10, 60);
  }
}

TEST_F(ControlBases, SliderRelativeDragWhileTheCursorIsHidden) {
  auto* s = new Slider(IRECT(0, 0, 200, 20), FakeDelegate::kGain, kHorizontal, false, 1.0);
  g.AttachControl(s);
  Press(100, 10);
  DragBy(150, 10, 50, 0);
  EXPECT_DOUBLE_EQ(s->GetValue(), 0.25);
  DragBy(190, 10, 40, 0, Shift());
  EXPECT_NEAR(s->GetValue(), 0.27, 1e-12);
  Release(190, 10);
}

TEST_F(ControlBases, ButtonPressesAndSpringsBackWhenTheAnimationEnds) {
  SetGraphicsClock(FakeClock);
  gNowMs = 0.0;
  int actions = 0;
  auto* b = new Button(IRECT(0, 0, 10, 10), [&](IControl* c) {
    ++actions;
    DefaultClickActionFunc(c);
  });
  g.AttachControl(b);
  EXPECT_TRUE(b->GetDblAsSingleClick());
  Press(5, 5);
  EXPECT_EQ(b->GetValue(), 1.0);
  EXPECT_EQ(actions, 1);
  Release(5, 5);
  IRECTList rects;
  gNowMs = 150.0;
  g.IsDirty(rects);
  EXPECT_EQ(b->GetValue(), 0.0);
  EXPECT_FALSE(b->GetAnimationFunction());
  SetGraphicsClock(nullptr);
}

}  // namespace
}  // namespace fx::gfx::test
