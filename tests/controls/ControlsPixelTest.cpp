// Pixel probes of the stock vector controls drawn by the renderer on the GPU: where a knob's value arc starts
// and ends and where its pointer lies, where a fader's handle and filled track sit for a value, and which
// colour a switch shows in each state. Expected places come from the control's rectangle and value alone.
#include <cmath>
#include <numbers>

#include "controls/IVButtonControls.h"
#include "controls/IVKnobControl.h"
#include "controls/IVSliderControl.h"
#include "tests/graphics/vector/GpuGraphicsFixture.h"

namespace fx::gfx::test {
namespace {

// Opaque colours far apart, one per role.
constexpr IColor kBody(255, 100, 100, 100);
constexpr IColor kPressed(255, 210, 210, 210);
constexpr IColor kPointer(255, 250, 220, 0);
constexpr IColor kTrack(255, 10, 10, 10);
constexpr IColor kFill(255, 40, 200, 40);
constexpr IColor kBg = GpuGraphicsTest::kBackground;

IVStyle ProbeStyle() {
  IVStyle s;
  s.showLabel = false;
  s.showValue = false;
  s.drawShadows = false;
  s.drawFrame = false;
  s.colorSpec = IVColorSpec{COLOR_TRANSPARENT, kBody, kPressed, kPointer, COLOR_TRANSPARENT, kTrack, kFill};
  return s;
}

// Angles in degrees, 0 at 12 o'clock, clockwise.
struct Polar {
  int x, y;
};
Polar AtAngle(float cx, float cy, float radius, float degrees) {
  const float a = degrees * std::numbers::pi_v<float> / 180.f;
  return {static_cast<int>(std::floor(cx + radius * std::sin(a))),
          static_cast<int>(std::floor(cy - radius * std::cos(a)))};
}

// Knob 20..120: centre (70, 70); a track of 6 makes the arc's centre line radius 50 - 3 = 47 (the ring 44..50)
// and the body radius 47 - 4 = 43. At value v the pointer's angle is -135 + 270 v (0.75: 67.5 degrees).
struct KnobCase {
  const char* name;
  double value;
  float anchor;
  float radius;
  float degrees;
  IColor expected;
};

// clang-format off
const KnobCase kKnobCases[] = {
  {"ArcReachesThreeQuarters",     0.75, -135.f, 47.f,  61.5f, kFill},
  {"NothingPastThreeQuarters",    0.75, -135.f, 47.f,  73.5f, kBg},
  {"ArcStartsAtTheAnchor",        0.75, -135.f, 47.f, -129.f, kFill},
  {"NothingBeforeTheAnchor",      0.75, -135.f, 47.f, -141.f, kBg},
  {"NoArcAtZero",                 0.0,  -135.f, 47.f, -129.f, kBg},
  {"FullArcAtOne",                1.0,  -135.f, 47.f,  129.f, kFill},
  {"BipolarArcRunsToTheTop",      0.25,    0.f, 47.f,  -30.f, kFill},
  {"BipolarNothingPastTheAnchor", 0.25,    0.f, 47.f,   20.f, kBg},
  {"PointerAtTheValue",           0.75, -135.f, 30.f,  67.5f, kPointer},
  {"BodyBesideThePointer",        0.75, -135.f, 30.f,  92.5f, kBody},
  {"OutsideTheArcRing",           0.75, -135.f, 53.f,    0.f, kBg},
};
// clang-format on

class KnobPixels : public GpuGraphicsTest, public ::testing::WithParamInterface<KnobCase> {};

TEST_P(KnobPixels, ArcAndPointer) {
  const KnobCase& c = GetParam();
  auto* knob = Add(new IVKnobControl(IRECT(20, 20, 120, 120), -1, "", ProbeStyle(), false, false, -135.f, 135.f,
                                     c.anchor, kVertical, DEFAULT_GEARING, 6.f));
  knob->SetValue(c.value);
  ASSERT_TRUE(Render());
  const Polar p = AtAngle(70.f, 70.f, c.radius, c.degrees);
  EXPECT_TRUE(Near(Pixel(p.x, p.y), c.expected)) << "at " << p.x << "," << p.y;
}

INSTANTIATE_TEST_SUITE_P(Knob, KnobPixels, ::testing::ValuesIn(kKnobCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Fader of handle half-size 8 and track half-width 3 in 20..60 x 20..380 (vertical) or 20..380 x 20..60: the track
// runs 28..372 along the fader (length 344) and the handle's centre is at 372 - 344 v (vertical) or 28 + 344 v.
// Probes are offsets from the handle's centre: along grows with the value, across is sideways.
struct SliderCase {
  const char* name;
  EDirection dir;
  double value;
  float along;
  float across;
  IColor expected;
};

// clang-format off
const SliderCase kSliderCases[] = {
  {"VerticalHandleAtZero",       kVertical,   0.0,    0.f,  0.f, kBody},
  {"VerticalHandleAtQuarter",    kVertical,   0.25,   0.f,  0.f, kBody},
  {"VerticalHandleAtOne",        kVertical,   1.0,    0.f,  0.f, kBody},
  {"VerticalEmptyTrackAbove",    kVertical,   0.25,  14.f,  0.f, kTrack},
  {"VerticalFilledTrackBelow",   kVertical,   0.25, -14.f,  0.f, kFill},
  {"VerticalHandleHalfWidth",    kVertical,   0.5,    0.f,  6.f, kBody},
  {"VerticalBesideTheHandle",    kVertical,   0.5,    0.f, 11.f, kBg},
  {"VerticalBesideTheTrack",     kVertical,   0.5,   30.f,  5.f, kBg},
  {"HorizontalHandleAtHalf",     kHorizontal, 0.5,    0.f,  0.f, kBody},
  {"HorizontalHandleAtTenth",    kHorizontal, 0.1,    0.f,  0.f, kBody},
  {"HorizontalFilledTrackLeft",  kHorizontal, 0.5,  -14.f,  0.f, kFill},
  {"HorizontalEmptyTrackRight",  kHorizontal, 0.5,   14.f,  0.f, kTrack},
};
// clang-format on

class SliderPixels : public GpuGraphicsTest, public ::testing::WithParamInterface<SliderCase> {};

TEST_P(SliderPixels, HandleAndTrack) {
  const SliderCase& c = GetParam();
  const bool vertical = c.dir == kVertical;
  const IRECT bounds = vertical ? IRECT(20, 20, 60, 380) : IRECT(20, 20, 380, 60);
  auto* slider =
      Add(new IVSliderControl(bounds, -1, "", ProbeStyle(), false, c.dir, false, false, DEFAULT_GEARING, 8.f, 3.f));
  slider->SetValue(c.value);
  ASSERT_TRUE(Render());
  const float centre =
      vertical ? 372.f - 344.f * static_cast<float>(c.value) : 28.f + 344.f * static_cast<float>(c.value);
  const float x = vertical ? 40.f + c.across : centre + c.along;
  const float y = vertical ? centre - c.along : 40.f + c.across;
  const int px = static_cast<int>(std::floor(x));
  const int py = static_cast<int>(std::floor(y));
  EXPECT_TRUE(Near(Pixel(px, py), c.expected)) << "at " << px << "," << py;
}

INSTANTIATE_TEST_SUITE_P(Slider, SliderPixels, ::testing::ValuesIn(kSliderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A toggle in 100..200 x 100..140 fills its face in the off or on colour; a two-state slide switch in 100..300
// moves its handle to the left (state 0) or right (state 1) half, the other half showing the track.
struct SwitchCase {
  const char* name;
  bool slide;
  int state;
  int x, y;
  IColor expected;
};

// clang-format off
const SwitchCase kSwitchCases[] = {
  {"ToggleOffFace",        false, 0, 150, 120, kBody},
  {"ToggleOnFace",         false, 1, 150, 120, kPressed},
  {"ToggleOnNearCorner",   false, 1, 102, 102, kPressed},
  {"ToggleOutside",        false, 1, 150, 143, kBg},
  {"SlideOffHandle",       true,  0, 150, 120, kBody},
  {"SlideOffTrack",        true,  0, 250, 120, kTrack},
  {"SlideOnHandle",        true,  1, 250, 120, kBody},
  {"SlideOnTrack",         true,  1, 150, 120, kTrack},
};
// clang-format on

class SwitchPixels : public GpuGraphicsTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchPixels, FaceOfEachState) {
  const SwitchCase& c = GetParam();
  if (c.slide)
    Add(new IVSlideSwitchControl(IRECT(100, 100, 300, 140), nullptr, "", ProbeStyle(), false, kHorizontal, 2, c.state));
  else
    Add(new IVToggleControl(IRECT(100, 100, 200, 140), nullptr, "", ProbeStyle(), "", "", c.state == 1));
  ASSERT_TRUE(Render());
  EXPECT_TRUE(Near(Pixel(c.x, c.y), c.expected)) << "at " << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(Switch, SwitchPixels, ::testing::ValuesIn(kSwitchCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fx::gfx::test
