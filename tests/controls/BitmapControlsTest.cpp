// The stock bitmap controls: which frame a value draws and where, the switch's steps through its frames,
// the slider's handle placement, the rotating knob's angle and the meter's reading of sender records.
#include "controls/IBitmapControls.h"
#include "tests/controls/ControlsFixture.h"

#include <cstring>
#include <limits>

namespace fx::gfx::test {
namespace {

// Images 30 points wide with frames of 30 x 30 stacked vertically (one extra for the empty strip).
class BitmapControls : public ControlsFixture {
 protected:
  APIBitmap images[4] = {{1, 30, 30, 1.f, 1.f}, {2, 30, 60, 1.f, 1.f}, {3, 30, 90, 1.f, 1.f}, {4, 30, 30, 1.f, 1.f}};
  IBitmap Strip(int frames) { return IBitmap(&images[frames == 0 ? 3 : frames - 1], frames, false, "strip"); }

  std::vector<std::string> Draws(IControl& c) {
    g.log.clear();
    c.Draw(g);
    return g.Entries("DrawBitmap");
  }
};

struct FrameCase {
  int frames;
  double value;
  const char* draw;  // "" when nothing is drawn
};

// Frame i + 1 with i = round((N - 1) x value); the source offset is (frame - 1) x 30.
// clang-format off
const FrameCase kFrames[] = {
  {3, 0.0, "DrawBitmap 35,35,65,65 0,0"},
  {3, 0.24, "DrawBitmap 35,35,65,65 0,0"},
  {3, 0.25, "DrawBitmap 35,35,65,65 0,30"},
  {3, 1.0, "DrawBitmap 35,35,65,65 0,60"},
  {1, 0.0, "DrawBitmap 35,35,65,65 0,0"},
  {1, 1.0, "DrawBitmap 35,35,65,65 0,0"},
  {2, 0.5, "DrawBitmap 35,35,65,65 0,30"},
  {0, 0.7, ""},
};
// clang-format on

TEST_F(BitmapControls, FrameFollowsValueCentredAtNaturalSize) {
  for (const FrameCase& c : kFrames) {
    auto* knob = Add(new IBKnobControl(IRECT(0, 0, 100, 100), Strip(c.frames)));
    knob->SetValue(c.value);
    const auto draws = Draws(*knob);
    if (*c.draw)
      EXPECT_EQ(draws, std::vector<std::string>{c.draw}) << c.frames << " frames at " << c.value;
    else
      EXPECT_TRUE(draws.empty()) << c.frames << " frames";
  }
}

struct SwitchCase {
  int frames;
  std::vector<double> values;
};

TEST_F(BitmapControls, SwitchStepsThroughFramesAndWraps) {
  const SwitchCase cases[] = {
      {2, {1.0, 0.0, 1.0}},
      {3, {0.5, 1.0, 0.0, 0.5}},
      {1, {1.0, 0.0}},
      {0, {1.0, 0.0}},
  };
  for (const SwitchCase& c : cases) {
    auto* sw = Add(new IBSwitchControl(10.f, 10.f, Strip(c.frames)));
    for (double expected : c.values) {
      Press(15, 15);
      Release(15, 15);
      EXPECT_DOUBLE_EQ(sw->GetValue(), expected) << c.frames << " frames";
    }
  }
  // A centred switch is one frame in size.
  EXPECT_EQ(IBSwitchControl(IRECT(0, 0, 100, 50), Strip(2)).GetRECT(), IRECT(35, 10, 65, 40));
}

TEST_F(BitmapControls, ButtonShowsLastFrameUntilItsClickAnimationEnds) {
  auto* button = Add(new IBButtonControl(0.f, 0.f, Strip(2)));
  EXPECT_EQ(button->GetRECT(), IRECT(0, 0, 30, 30));
  Press(5, 5);
  Release(5, 5);
  EXPECT_EQ(Draws(*button), std::vector<std::string>{"DrawBitmap 0,0,30,30 0,30"});
  At(50);
  EXPECT_EQ(button->GetValue(), 1.0);
  At(101);
  EXPECT_EQ(button->GetValue(), 0.0);
  EXPECT_EQ(Draws(*button), std::vector<std::string>{"DrawBitmap 0,0,30,30 0,0"});
}

struct HandleCase {
  const char* name;
  EDirection dir;
  bool track;
  double value;
  IRECT handle;
};

// The handle image is 30 x 30 in a 110-point slider at (0, 0); the track image (30 x 90, its first frame
// 30 x 30 of 3) sits centred in the slider.
// clang-format off
const HandleCase kHandles[] = {
  {"VerticalBottomAtZero", kVertical, false, 0.0, {0, 80, 30, 110}},
  {"VerticalTopAtOne", kVertical, false, 1.0, {0, 0, 30, 30}},
  {"VerticalHalf", kVertical, false, 0.5, {0, 40, 30, 70}},
  {"HorizontalLeftAtZero", kHorizontal, false, 0.0, {0, 0, 30, 30}},
  {"HorizontalRightAtOne", kHorizontal, false, 1.0, {80, 0, 110, 30}},
  {"TrackImageCentred", kVertical, true, 0.0, {0, 40, 30, 70}},
};
// clang-format on

TEST_F(BitmapControls, SliderHandleTravelsTheTrack) {
  for (const HandleCase& c : kHandles) {
    auto* slider = Add(new IBSliderControl(0.f, 0.f, 110.f, Strip(1), c.track ? Strip(3) : IBitmap(), -1, c.dir));
    EXPECT_EQ(slider->GetHandleBounds(c.value), c.handle) << c.name << " " << Rect(slider->GetHandleBounds(c.value));
  }
}

class RotationProbe : public RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  double angle = std::numeric_limits<double>::quiet_NaN();
  float cx = 0.f;
  float cy = 0.f;
  void DrawRotatedBitmap(const IBitmap&, float x, float y, double a, const IBlend*) override {
    cx = x;
    cy = y;
    angle = a;
  }
};

TEST(BitmapKnob, RotaterTurnsFromMinus130To130) {
  FakeDelegate dlg;
  RotationProbe g(dlg, 200, 200);
  APIBitmap image(1, 40, 40, 1.f, 1.f);
  auto* knob = static_cast<IBKnobRotaterControl*>(
      g.AttachControl(new IBKnobRotaterControl(10.f, 20.f, IBitmap(&image, 1, false, "knob"))));
  const double values[] = {0.0, 0.5, 1.0};
  const double angles[] = {-130.0, 0.0, 130.0};
  for (int i = 0; i < 3; ++i) {
    knob->SetValue(values[i]);
    knob->Draw(g);
    EXPECT_DOUBLE_EQ(g.angle, angles[i]);
  }
  EXPECT_EQ(g.cx, 30.f);
  EXPECT_EQ(g.cy, 40.f);
}

// A sender record: tag, channel count, channel offset, padding, then 8-byte entries (level first).
std::vector<unsigned char> Record(int count, int offset, std::vector<float> levels, int size = 40) {
  std::vector<unsigned char> r(static_cast<std::size_t>(size), 0);
  const int header[3] = {7, count, offset};
  std::memcpy(r.data(), header, sizeof(header));
  for (std::size_t i = 0; i < levels.size() && 16 + 8 * i + 4 <= r.size(); ++i)
    std::memcpy(r.data() + 16 + 8 * i, &levels[i], sizeof(float));
  return r;
}

struct MeterCase {
  const char* name;
  IBMeterControl::EResponse response;
  int channels;
  std::vector<unsigned char> record;
  std::vector<double> expected;  // every channel's value, starting from 0.5
  bool redraws;                  // channel 0's frame of three (2 at 0.5) changed
  float hiRangeDB = 12.f;
  float loRangeDB = -72.f;
};

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// clang-format off
const MeterCase kMeters[] = {
  {"ShortRecordZeroesChannel0", IBMeterControl::kLinear, 2, Record(2, 0, {0.8f, 0.9f}, 39), {0.0, 0.5}, true},
  {"LinearClamps", IBMeterControl::kLinear, 2, Record(2, 0, {2.f, -1.f}), {1.0, 0.0}, true},
  {"LogRange", IBMeterControl::kLog, 1, Record(1, 0, {1.f}), {72.0 / 84.0}, true},
  {"LogSilenceIsEmpty", IBMeterControl::kLog, 1, Record(1, 0, {0.f}), {0.0}, true},
  {"LogZeroWidthRangeIsEmpty", IBMeterControl::kLog, 1, Record(1, 0, {1.f}), {0.0}, true, -6.f, -6.f},
  {"LogZeroWidthRangeAtZeroIsEmpty", IBMeterControl::kLog, 1, Record(1, 0, {2.f}), {0.0}, true, 0.f, 0.f},
  {"NaNIsEmpty", IBMeterControl::kLinear, 1, Record(1, 0, {kNaN}), {0.0}, true},
  {"OffsetAndCountBoundedByMeter", IBMeterControl::kLinear, 2, Record(3, 1, {0.1f, 0.2f, 0.3f}), {0.5, 0.2}, false},
  {"HugeCountReadsOnlyTheRecord", IBMeterControl::kLinear, 4, Record(1000000, 0, {0.1f, 0.2f, 0.3f}),
   {0.1, 0.2, 0.3, 0.5}, true},
  {"NegativeOffsetSkipsMissingChannels", IBMeterControl::kLinear, 2, Record(2, -1, {0.1f, 0.2f}), {0.1, 0.5}, true},
  {"ALevelWithinTheFrameRedrawsNothing", IBMeterControl::kLinear, 1, Record(1, 0, {0.6f}), {0.6}, false},
};
// clang-format on

// A record redraws the meter only when the frame it shows changes: a record it leaves clean draws what it drew.
TEST_F(BitmapControls, MeterReadsOnlyItsChannelsFromTheRecord) {
  for (const MeterCase& c : kMeters) {
    auto* meter = Add(new IBMeterControl(0.f, 0.f, Strip(3), c.channels, c.response, c.hiRangeDB, c.loRangeDB));
    for (int i = 0; i < c.channels; ++i) meter->SetValue(0.5, i);
    meter->SetClean();
    const std::vector<std::string> before = Draws(*meter);
    meter->OnMsgFromDelegate(0, static_cast<int>(c.record.size()), c.record.data());
    for (int i = 0; i < c.channels; ++i)
      EXPECT_NEAR(meter->GetValue(i), c.expected[static_cast<std::size_t>(i)], 1e-6) << c.name << " channel " << i;
    EXPECT_EQ(meter->IsDirty(), c.redraws) << c.name;
    EXPECT_EQ(Draws(*meter) == before, !c.redraws) << c.name;
  }
}

// A rescale reloads each picture at the new scale; where that finds none (the strips here are no
// resources), every bitmap control keeps drawing the picture it had.
TEST_F(BitmapControls, EveryBitmapControlKeepsItsPictureWhenTheRescaleFindsNone) {
  IControl* controls[] = {
      Add(new IBitmapControl(0.f, 0.f, Strip(3))),
      Add(new IBKnobControl(IRECT(0, 0, 100, 100), Strip(3))),
      Add(new IBSwitchControl(10.f, 10.f, Strip(3))),
      Add(new IBButtonControl(0.f, 0.f, Strip(2))),
      Add(new IBSliderControl(0.f, 0.f, 110.f, Strip(1), Strip(3), -1, kVertical)),
      Add(new IBMeterControl(0.f, 0.f, Strip(3), 1, IBMeterControl::kLinear, 12.f, -72.f)),
  };
  std::vector<std::vector<std::string>> before;
  for (IControl* control : controls) {
    control->SetValue(0.5);
    before.push_back(Draws(*control));
    EXPECT_FALSE(before.back().empty()) << before.size();
  }
  g.SetScreenScale(2.f);
  for (std::size_t i = 0; i < std::size(controls); ++i) EXPECT_EQ(Draws(*controls[i]), before[i]) << i;
}

}  // namespace
}  // namespace fx::gfx::test
