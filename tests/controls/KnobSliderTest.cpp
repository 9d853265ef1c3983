// The stock vector knob and slider: drag gearing against the drag bounds or track, the wheel, double
// click to default, value prompts, and where they place their arcs and handles. Degenerate sizes must
// leave the value finite.
#include "controls/IVKnobControl.h"
#include "controls/IVSliderControl.h"
#include "tests/controls/ControlsFixture.h"

namespace fx::gfx::test {
namespace {

IVStyle Bare() {
  IVStyle s;
  s.showLabel = false;
  s.showValue = false;
  return s;
}

IMouseMod Mod(bool fine = false) {
  IMouseMod m;
  m.L = true;
  m.S = fine;
  return m;
}

struct DragCase {
  const char* name;
  bool knob;
  IRECT bounds;
  EDirection dir;
  double gearing;
  bool fine;
  float dX;
  float dY;
  double start;
  double expected;
};

// Knob: a widget wider than high drags over its height, a square one over half its side, times the
// gearing (x 10 fine). Slider: handle size 4 leaves a track of 100 points in a 108-point rectangle.
// clang-format off
const DragCase kDrags[] = {
  {"KnobWideGearing1", true, {0, 0, 100, 80}, kVertical, 1, false, 0, -20, 0.25, 0.5},
  {"KnobWideGearing4", true, {0, 0, 100, 80}, kVertical, 4, false, 0, -80, 0.25, 0.5},
  {"KnobSquareGearing1", true, {0, 0, 80, 80}, kVertical, 1, false, 0, -10, 0.25, 0.5},
  {"KnobSquareGearing4Down", true, {0, 0, 80, 80}, kVertical, 4, false, 0, 40, 0.5, 0.25},
  {"KnobSquareFine", true, {0, 0, 80, 80}, kVertical, 1, true, 0, -100, 0.25, 0.5},
  {"KnobHorizontal", true, {0, 0, 80, 80}, kHorizontal, 1, false, 20, 0, 0.25, 0.5},
  {"KnobClampsAtTop", true, {0, 0, 80, 80}, kVertical, 1, false, 0, -1000, 0.25, 1},
  {"KnobZeroSize", true, {10, 10, 10, 10}, kVertical, 4, false, 0, -1, 0.25, 0.5},
  {"SliderVertical", false, {0, 0, 20, 108}, kVertical, 1, false, 0, -25, 0.25, 0.5},
  {"SliderHorizontalGearing2", false, {0, 0, 108, 20}, kHorizontal, 2, false, 50, 0, 0.25, 0.5},
  {"SliderZeroSize", false, {10, 10, 10, 10}, kVertical, 1, false, 0, -25, 0.25, 0.25},
  {"SliderShorterThanHandle", false, {0, 0, 20, 6}, kVertical, 1, false, 0, -25, 0.25, 0.25},
};
// clang-format on

class Drag : public ControlsFixture, public ::testing::WithParamInterface<DragCase> {};

TEST_P(Drag, MovesByDistanceOverBoundsAndGearing) {
  const DragCase& c = GetParam();
  IControl* control;
  if (c.knob)
    control = Add(new IVKnobControl(c.bounds, FakeDelegate::kGain, "", Bare(), false, false, -135.f, 135.f, -135.f,
                                    c.dir, c.gearing));
  else
    control =
        Add(new IVSliderControl(c.bounds, FakeDelegate::kGain, "", Bare(), false, c.dir, false, false, c.gearing, 4.f));
  control->SetValue(c.start);
  control->OnMouseDown(c.bounds.MW(), c.bounds.MH(), Mod());
  control->OnMouseDrag(c.bounds.MW(), c.bounds.MH(), c.dX, c.dY, Mod(c.fine));
  control->OnMouseUp(c.bounds.MW(), c.bounds.MH(), Mod());
  EXPECT_NEAR(control->GetValue(), c.expected, 1e-6);
  for (const std::string& e : dlg.host) EXPECT_EQ(e.find("nan"), std::string::npos) << e;
}

INSTANTIATE_TEST_SUITE_P(KnobSlider, Drag, ::testing::ValuesIn(kDrags),
                         [](const auto& info) { return std::string(info.param.name); });

struct GestureCase {
  const char* name;
  bool knob;
  int param;
  bool fine;
  double start;
  double expectedAfterWheel;
  double defaultValue;  // in the parameter's own units
};

// Wheel: 0.01 per notch (0.001 fine), one step of a stepped parameter (Count: 0..10). Double click: the
// parameter's default (Count 5 of 0..10, Gain 0 dB).
// clang-format off
const GestureCase kGestures[] = {
  {"KnobWheel", true, FakeDelegate::kInt, false, 0.2, 0.3, 5},
  {"SliderWheelStepped", false, FakeDelegate::kInt, false, 0.7, 0.8, 5},
  {"KnobWheelFine", true, FakeDelegate::kGain, true, 0.5, 0.501, 0},
  {"SliderWheel", false, FakeDelegate::kGain, false, 0.5, 0.51, 0},
};
// clang-format on

class Gesture : public ControlsFixture, public ::testing::WithParamInterface<GestureCase> {};

TEST_P(Gesture, WheelStepsAndDoubleClickRestoresDefault) {
  const GestureCase& c = GetParam();
  IControl* control = c.knob ? static_cast<IControl*>(Add(new IVKnobControl({0, 0, 50, 50}, c.param, "", Bare())))
                             : Add(new IVSliderControl({0, 0, 50, 50}, c.param, "", Bare()));
  control->SetValue(c.start);
  control->OnMouseWheel(25, 25, Mod(c.fine), 1.f);
  EXPECT_NEAR(control->GetValue(), c.expectedAfterWheel, 1e-9);
  control->OnMouseDblClick(25, 25, Mod());
  EXPECT_NEAR(control->GetValue(), Normalized(c.param, c.defaultValue), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(KnobSlider, Gesture, ::testing::ValuesIn(kGestures),
                         [](const auto& info) { return std::string(info.param.name); });

struct PromptCase {
  const char* name;
  bool knob;
  bool editable;
  bool valueInWidget;
  float x;
  float y;
  bool prompts;
  bool drags;
};

// 100 x 100, no label, the value in the bottom 14 points (or inside the widget).
// clang-format off
const PromptCase kPrompts[] = {
  {"KnobEditableValuePrompts", true, true, false, 50, 93, true, false},
  {"KnobLockedValueNotHit", true, false, false, 50, 93, false, false},
  {"KnobLockedValueInWidgetDrags", true, false, true, 50, 50, false, true},
  {"KnobEditableValueInWidgetPrompts", true, true, true, 50, 50, true, false},
  {"SliderEditableValuePrompts", false, true, false, 50, 93, true, false},
  {"SliderLockedValueNotHit", false, false, false, 50, 93, false, false},
  {"SliderLockedWidgetDrags", false, false, false, 50, 40, false, true},
};
// clang-format on

class Prompt : public ControlsFixture, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(Prompt, ValueAreaPromptsOnlyWhenEditable) {
  const PromptCase& c = GetParam();
  IVStyle style;
  style.showLabel = false;
  bool mouseDown;
  IRECT widget;
  IRECT value;
  IControl* control;
  if (c.knob) {
    auto* k = Add(new IVKnobControl({0, 0, 100, 100}, FakeDelegate::kGain, "", style, c.editable, c.valueInWidget));
    Press(c.x, c.y);
    mouseDown = k->GetMouseDown();
    widget = k->GetWidgetBounds();
    value = k->GetValueBounds();
    control = k;
  } else {
    auto* s = Add(new IVSliderControl({0, 0, 100, 100}, FakeDelegate::kGain, "", style, c.editable));
    Press(c.x, c.y);
    mouseDown = s->GetMouseDown();
    widget = s->GetWidgetBounds();
    value = s->GetValueBounds();
    control = s;
  }
  EXPECT_EQ(g.textEntryParamIdx == FakeDelegate::kGain, c.prompts);
  EXPECT_EQ(mouseDown, c.drags);
  // The body or track keeps off a read-out below it; the target is the whole clickable area, read-out included.
  if (!c.valueInWidget) {
    EXPECT_FALSE(widget.Intersects(value));
  }
  EXPECT_EQ(control->GetTargetRECT(), IRECT(0, 0, 100, 100));
}

INSTANTIATE_TEST_SUITE_P(KnobSlider, Prompt, ::testing::ValuesIn(kPrompts),
                         [](const auto& info) { return std::string(info.param.name); });

// With editing off, a press on the value drawn inside the widget starts a drag like any press on the widget: each
// drag runs from the value the knob has at its press (here set in between, as a host's automation would), never
// from where the previous drag ended.
TEST_F(ControlsFixture, LockedValueInWidgetDragsFromTheCurrentValue) {
  IVStyle style;
  style.showLabel = false;
  auto* k = Add(new IVKnobControl({0, 0, 100, 100}, FakeDelegate::kGain, "", style, false, true, -135.f, 135.f, -135.f,
                                  kVertical, 1.0));
  const IRECT value = k->GetValueBounds();
  ASSERT_TRUE(k->GetWidgetBounds().Contains(value.MW(), value.MH()));
  const float dragHeight = k->GetDragBounds().H();
  for (const double start : {0.25, 0.6}) {
    k->SetValue(start);
    k->OnMouseDown(value.MW(), value.MH(), Mod());
    k->OnMouseDrag(value.MW(), value.MH(), 0.f, -0.2f * dragHeight, Mod());
    k->OnMouseUp(value.MW(), value.MH(), Mod());
    EXPECT_NEAR(k->GetValue(), start + 0.2, 1e-6);
  }
}

// The slider's read-out drawn across the middle of its widget: with editing off a press on it is a press on the
// widget, and each drag runs from the value the slider has at that press, not from where an earlier one ended; with
// click-to-jump the press first snaps the value to the point (the read-out's centre: half way up the track).
TEST_F(ControlsFixture, LockedSliderValueOverTheWidgetDragsFromTheCurrentValue) {
  IVStyle style;
  style.showLabel = false;
  style.valueText.mVAlign = kVAlignMiddle;
  for (const bool clickToJump : {false, true}) {
    SCOPED_TRACE(clickToJump ? "click to jump" : "no jump");
    g.RemoveAllControls();
    // No handle: the track is the widget's full 100-point height.
    auto* s = Add(new IVSliderControl({0, 0, 20, 100}, FakeDelegate::kGain, "", style, false, kVertical, false,
                                      clickToJump, 1.0, 0.f));
    const IRECT value = s->GetValueBounds();
    ASSERT_TRUE(s->GetWidgetBounds().Contains(value.MW(), value.MH()));
    for (const double start : {0.25, 0.6}) {
      s->SetValue(start);
      Press(value.MW(), value.MH());
      ASSERT_TRUE(s->GetMouseDown());
      DragBy(value.MW(), value.MH() - 20.f, 0.f, -20.f);
      Release(value.MW(), value.MH() - 20.f);
      EXPECT_NEAR(s->GetValue(), (clickToJump ? 0.5 : start) + 0.2, 1e-6);
    }
  }
}

// A press on an editable value inside the widget opens the text entry: the rest of that press
// (drags and the release) moves nothing.
TEST_F(ControlsFixture, EditableValueInWidgetPromptsAndTheRestOfThePressMovesNothing) {
  IVStyle style;
  style.showLabel = false;
  auto* k = Add(new IVKnobControl({0, 0, 100, 100}, FakeDelegate::kGain, "", style, true, true));
  const IRECT value = k->GetValueBounds();
  // An earlier drag while editing was off, then a host's change.
  k->DisablePrompt(true);
  Press(value.MW(), value.MH());
  DragBy(value.MW(), value.MH() + 20.f, 0.f, 20.f);
  Release(value.MW(), value.MH() + 20.f);
  k->DisablePrompt(false);
  k->SetValue(0.6);
  Press(value.MW(), value.MH());
  ASSERT_EQ(g.textEntryParamIdx, FakeDelegate::kGain);
  DragBy(value.MW(), value.MH() - 30.f, 0.f, -30.f);
  Release(value.MW(), value.MH() - 30.f);
  EXPECT_DOUBLE_EQ(k->GetValue(), 0.6);
}

class HandleProbe : public IVSliderControl {
 public:
  using IVSliderControl::IVSliderControl;
  std::vector<IRECT> handles;
  int tracks = 0;
  void DrawHandle(IGraphics&, const IRECT& r) override { handles.push_back(r); }
  void DrawTrack(IGraphics&, const IRECT&) override { ++tracks; }
};

TEST_F(ControlsFixture, SliderHandleSitsOnTheInnerEdgesAndSizesCanBeZero) {
  // Inner rect (4, 4, 16, 104): value 0 centres the handle on y 104, value 1 on y 4.
  auto* s = Add(new HandleProbe({0, 0, 20, 108}, FakeDelegate::kGain, "", Bare(), false, kVertical, false, false,
                                DEFAULT_GEARING, 4.f, 2.f));
  s->SetValue(0.0);
  s->DrawWidget(g);
  s->SetValue(1.0);
  s->DrawWidget(g);
  ASSERT_EQ(s->handles.size(), 2u);
  EXPECT_EQ(s->handles[0], IRECT(6, 100, 14, 108));
  EXPECT_EQ(s->handles[1], IRECT(6, 0, 14, 8));
  EXPECT_EQ(s->tracks, 2);

  auto* noTrack = Add(new HandleProbe({0, 0, 20, 108}, FakeDelegate::kGain, "", Bare(), false, kVertical, false, false,
                                      DEFAULT_GEARING, 4.f, 0.f));
  noTrack->DrawWidget(g);
  EXPECT_EQ(noTrack->tracks, 0);
  EXPECT_EQ(noTrack->handles.size(), 1u);
  auto* noHandle = Add(new HandleProbe({0, 0, 20, 108}, FakeDelegate::kGain, "", Bare(), false, kVertical, false, false,
                                       DEFAULT_GEARING, 0.f, 2.f));
  noHandle->DrawWidget(g);
  EXPECT_TRUE(noHandle->handles.empty());
}

// A widget no longer than twice the handle along its direction leaves a track of zero length (track size
// 2 across it) at the widget's centre: every value puts the handle there, and a drag moves nothing.
TEST_F(ControlsFixture, SliderSmallerThanItsHandleKeepsAZeroLengthTrackAtItsCentre) {
  struct CRow {
    IRECT Bounds;
    EDirection Dir;
    IRECT Track;
  };
  const CRow rows[] = {
      {{0, 0, 10, 10}, kVertical, {3, 5, 7, 5}},
      {{0, 0, 10, 10}, kHorizontal, {5, 3, 5, 7}},
      {{0, 0, 20, 6}, kVertical, {8, 3, 12, 3}},
      {{0, 0, 6, 20}, kHorizontal, {3, 8, 3, 12}},
  };
  for (const CRow& row : rows) {
    auto* s = Add(new HandleProbe(row.Bounds, FakeDelegate::kGain, "", Bare(), false, row.Dir, false, false,
                                  DEFAULT_GEARING, 8.f, 2.f));
    EXPECT_EQ(s->GetTrack(), row.Track) << row.Bounds.W() << "x" << row.Bounds.H() << " dir " << row.Dir;
    const IRECT handle(row.Bounds.MW() - 8.f, row.Bounds.MH() - 8.f, row.Bounds.MW() + 8.f, row.Bounds.MH() + 8.f);
    for (const double value : {0.0, 0.5, 1.0}) {
      s->SetValue(value);
      s->handles.clear();
      s->DrawWidget(g);
      ASSERT_EQ(s->handles.size(), 1u);
      EXPECT_EQ(s->handles[0], handle) << row.Bounds.W() << "x" << row.Bounds.H() << " value " << value;
    }
    s->SetValue(0.25);
    s->OnMouseDown(row.Bounds.MW(), row.Bounds.MH(), Mod());
    s->OnMouseDrag(row.Bounds.MW(), row.Bounds.MH(), 25.f, -25.f, Mod());
    s->OnMouseUp(row.Bounds.MW(), row.Bounds.MH(), Mod());
    EXPECT_DOUBLE_EQ(s->GetValue(), 0.25) << row.Bounds.W() << "x" << row.Bounds.H();
  }
}

// Track in the shadow colour and frame with the control's blend; the filled part in extra colour 1 without one,
// so a disabled slider (weight 0.25) dims its track but not its fill.
TEST_F(ControlsFixture, SliderFillsItsValuePartWithoutTheBlend) {
  auto* s = Add(new IVSliderControl({0, 0, 20, 108}, FakeDelegate::kGain, "", Bare(), false, kVertical, false, false,
                                    DEFAULT_GEARING, 4.f, 2.f));
  for (const bool disabled : {false, true}) {
    s->SetDisabled(disabled);
    g.log.clear();
    s->DrawTrack(g, IRECT(8, 54, 12, 104));
    const std::string weight = disabled ? " weight0.25" : " weight1";
    EXPECT_EQ(Paints(), (std::vector<std::string>{"PathFill 60,0,0,0" + weight, "PathFill 255,0,0,0",
                                                  "PathStroke 255,70,70,70 t1"}))
        << disabled;
  }
}

TEST_F(ControlsFixture, KnobArcRunsFromAnchorAndLabelsTakeTheParamName) {
  // Widget 100 x 100, track 2: arc radius 49. Value 0.5 of -135..135 is upright (0 degrees).
  auto* k = Add(new IVKnobControl({0, 0, 100, 100}, FakeDelegate::kGain, "", Bare()));
  k->SetValue(0.5);
  g.log.clear();
  k->DrawWidget(g);
  const auto arcs = g.Entries("PathArc 50,50 r49 ");
  ASSERT_FALSE(arcs.empty());
  EXPECT_EQ(arcs[0].rfind("PathArc 50,50 r49 -135..0", 0), 0u) << arcs[0];
  // A knob smaller than its own track (1 x 1, track 4: radius -1.5) draws no arc.
  auto* tiny = Add(new IVKnobControl({0, 0, 1, 1}, FakeDelegate::kGain, "", Bare(), false, false, -135.f, 135.f, -135.f,
                                     kVertical, DEFAULT_GEARING, 4.f));
  g.log.clear();
  tiny->DrawWidget(g);
  for (const std::string& e : g.Entries("PathArc")) EXPECT_EQ(e.find(" r-"), std::string::npos) << e;
  EXPECT_STREQ(k->GetLabelStr(), "Gain");
  auto* spaced = Add(new IVSliderControl({0, 0, 20, 100}, FakeDelegate::kGain, " ", Bare()));
  EXPECT_STREQ(spaced->GetLabelStr(), " ");
  // The value string follows the parameter's display text and unit.
  dlg.GetParam(FakeDelegate::kGain)->Set(-6.0);
  spaced->SetValueFromDelegate(Normalized(FakeDelegate::kGain, -6.0));
  EXPECT_STREQ(spaced->GetValueStr(), "-6.0 dB");
}

}  // namespace
}  // namespace fx::gfx::test
