// Track controls: track and step layout, the bars a value draws (base value, steps, peaks), and the range
// slider's handles, span fill and neighbour-confined drags. Rectangles are read from the recording
// graphics' fill paths.
#include "controls/IVTrackControls.h"
#include "tests/controls/ControlsFixture.h"

namespace fx::gfx::test {
namespace {

IVStyle Plain() {
  IVStyle s;
  s.showLabel = false;
  s.showValue = false;
  s.drawShadows = false;
  s.drawFrame = false;
  s.colorSpec.SetColor(kFG, IColor(255, 1, 1, 1));
  s.colorSpec.SetColor(kFR, IColor(255, 2, 2, 2));
  s.colorSpec.SetColor(kX1, IColor(255, 3, 3, 3));
  return s;
}

// A track control that draws its bars, with the settings a derived control may change.
class Bars : public IVTrackControlBase {
 public:
  Bars(const IRECT& r, int n, EDirection dir, int steps = 0, double base = 0.0, bool zeroStep = true)
      : IVTrackControlBase(r, "", Plain(), std::vector<int>(static_cast<size_t>(n), -1), steps, dir) {
    mBaseValue = base;
    mZeroValueStepHasBounds = zeroStep;
  }
  void Draw(IGraphics& g) override { DrawWidget(g); }
};

TEST(TrackLayoutTest, TracksShareTheWidgetAndStepsCountFromTheBottom) {
  FakeDelegate dlg;
  RecordingGraphics g(dlg, 400, 300);
  auto* v = static_cast<Bars*>(g.AttachControl(new Bars(IRECT(0, 0, 90, 100), 3, kVertical, 4)));
  EXPECT_EQ(v->GetTrackBounds(1), IRECT(30, 0, 60, 100));
  ASSERT_EQ(v->NStepCells(), 5);
  EXPECT_EQ(v->GetStepBounds(0), IRECT(0, 80, 90, 100));
  EXPECT_EQ(v->GetValIdxForPos(65, 10), 2);
  EXPECT_EQ(v->GetValIdxForPos(95, 10), -1);

  auto* h = static_cast<Bars*>(g.AttachControl(new Bars(IRECT(0, 0, 50, 100), 2, kHorizontal, 1, 0.0, false)));
  EXPECT_EQ(h->GetTrackBounds(1), IRECT(0, 50, 50, 100));
  EXPECT_EQ(h->GetStepBounds(0), IRECT(0, 0, 50, 100));

  auto* none = static_cast<Bars*>(g.AttachControl(new Bars(IRECT(0, 0, 50, 100), 0, kVertical)));
  EXPECT_EQ(none->NTracks(), 0);
  EXPECT_EQ(none->GetValIdxForPos(10, 10), -1);
}

struct BarCase {
  const char* name;
  double base, value;
  int steps;
  bool zeroStep;
  std::vector<std::string> bar;   // foreground fills
  std::vector<std::string> peak;  // frame-colour fills
};

// One vertical track of 20 x 100 at the origin.
const BarCase kBars[] = {
    {"FromTheBottom", 0, 0.3, 0, true, {"0,70,20,100"}, {"0,70,20,71"}},
    {"BelowTheBase", 0.5, 0.2, 0, true, {"0,50,20,80"}, {"0,79,20,80"}},
    {"AboveTheBase", 0.5, 0.8, 0, true, {"0,20,20,50"}, {"0,20,20,21"}},
    {"ZeroFillsTheZeroCell", 0, 0, 4, true, {"0,80,20,100"}, {}},
    {"ZeroWithoutZeroCellDrawsNothing", 0, 0, 4, false, {}, {}},
    {"HalfFillsItsCell", 0, 0.5, 4, true, {"0,40,20,60"}, {}},
};

class TrackBars : public ControlsFixture, public ::testing::WithParamInterface<BarCase> {};

TEST_P(TrackBars, FillTheSpanTheValueSays) {
  const BarCase& c = GetParam();
  auto* bars = Add(new Bars(IRECT(0, 0, 20, 100), 1, kVertical, c.steps, c.base, c.zeroStep));
  bars->SetValue(c.value);
  g.log.clear();
  bars->Draw(g);
  EXPECT_EQ(FilledRects("255,1,1,1"), c.bar);
  EXPECT_EQ(FilledRects("255,2,2,2"), c.peak);
}

INSTANTIATE_TEST_SUITE_P(Values, TrackBars, ::testing::ValuesIn(kBars),
                         [](const auto& info) { return std::string(info.param.name); });

struct RangeDragCase {
  const char* name;
  std::vector<double> values;
  float hoverX, hoverY, dragY;
  std::vector<double> expected;
};

// Widget 40 x 216, handles 8, track 2: the track runs from y 8 to 208 at x 18..22; drags map over the
// whole widget (1 at the top) in steps of 0.001. Even handles sit left of the centre line, odd ones right
// of the track.
const RangeDragCase kRangeDrags[] = {
    {"UpperStopsAtLower", {0.2, 0.7}, 30, 68, 190, {0.2, 0.2}},
    {"LowerStopsAtUpper", {0.2, 0.7}, 10, 168, 10, {0.7, 0.7}},
    {"OutsideClampsToZero", {0.2, 0.7}, 10, 168, 300, {0, 0.7}},
    {"SnapsToThousandths", {0.2, 0.7}, 10, 168, 100, {0.537, 0.7}},
    {"NoHandleHoveredDragsNothing", {0.2, 0.7}, 5, 5, 100, {0.2, 0.7}},
    {"NeighboursOutOfOrderStillBound", {0.8, 0.5, 0.2}, 30, 108, 50, {0.8, 0.769, 0.2}},
};

class RangeDrag : public ControlsFixture, public ::testing::WithParamInterface<RangeDragCase> {};

TEST_P(RangeDrag, MovesTheHoveredHandleBetweenItsNeighbours) {
  const RangeDragCase& c = GetParam();
  g.EnableMouseOver(true);
  Attach("background", IRECT());  // index 0 never takes mouse-over
  auto* slider = Add(new IVRangeSliderControl(IRECT(0, 0, 40, 216), std::vector<int>(c.values.size(), -1), "", Plain(),
                                              kVertical, 8.f, 2.f));
  for (size_t i = 0; i < c.values.size(); ++i) slider->SetValue(c.values[i], static_cast<int>(i));
  g.OnMouseOver(c.hoverX, c.hoverY, IMouseMod());
  Press(c.hoverX, c.hoverY);
  DragBy(c.hoverX, c.dragY, 0, c.dragY - c.hoverY);
  for (size_t i = 0; i < c.values.size(); ++i) EXPECT_NEAR(slider->GetValue(static_cast<int>(i)), c.expected[i], 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Handles, RangeDrag, ::testing::ValuesIn(kRangeDrags),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RangeDrag, FillsTheSpanAndPlacesTheHandlesBesideTheTrack) {
  auto* slider = Add(new IVRangeSliderControl(IRECT(0, 0, 40, 216), {-1, -1}, "", Plain(), kVertical, 8.f, 2.f));
  slider->SetValue(0.2, 0);
  slider->SetValue(0.7, 1);
  EXPECT_EQ(slider->GetHandleBounds(0), IRECT(4, 160, 20, 176));
  EXPECT_EQ(slider->GetHandleBounds(1), IRECT(22, 60, 38, 76));
  g.log.clear();
  slider->Draw(g);
  EXPECT_EQ(FilledRects("255,3,3,3"), std::vector<std::string>{"18,68,22,168"});
}

}  // namespace
}  // namespace fx::gfx::test
