// Pixel probes of the product's controls drawn by the renderer on the GPU: the peak meter's bar height for a
// level, the fader's handle and grip line and its scale's ticks under the fader law, the modulation view's line
// and fill, the picture switches and the update button in both states (the pictures of resources/), the knob's
// fixed arc, a framed panel and the corner resizer. Expected places come from the rectangles, the values and the
// pictures' own geometry; expected colours from the styles and the pictures' colours. Two comparisons of whole frames:
// the meter's product set-up against its settings applied one at a time, and the whole editor drawn by the draw loop
// (which leaves out what opaque controls hide) against every control drawn in turn.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <numbers>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "editor/EditorPlainControls.h"
#include "editor/IBSwitchControlLW.h"
#include "editor/IBUpdateControlLW.h"
#include "editor/ISBCornerResizerControlLW.h"
#include "editor/IVKnobControlLW.h"
#include "editor/IVMeterControlLW.h"
#include "editor/IVModViewControlLW.h"
#include "editor/IVSliderControlLW.h"
#include "editor/KelvadruneLayout.h"
#include "platform/gpu/GpuDrawableLayer.h"
#include "plugin/Kelvadrune.h"
#include "tests/graphics/vector/GpuGraphicsFixture.h"
#include "tests/graphics/vector/TestFonts.h"
#include "tests/platform/gpu/GpuTestEnvironment.h"

namespace fx::gfx::test {
namespace {

constexpr IColor kBg = GpuGraphicsTest::kBackground;
constexpr IColor kAccent(255, 32, 226, 224);  // #20e2e0, the "on" colour of the pictures
constexpr IColor kGrey(255, 154, 158, 165);   // #9a9ea5, the "off" strokes of the pictures
constexpr IColor kBody(255, 100, 100, 100);
constexpr IColor kTick(255, 200, 120, 40);
constexpr IColor kWhite(255, 255, 255, 255);
constexpr IColor kTrack(255, 10, 10, 10);
constexpr IColor kFill(255, 40, 200, 40);

// What a probe expects: a colour, or (kTranslucentAccent) the accent laid translucently over the panel: every
// channel between the two and visibly off the panel.
constexpr IColor kTranslucentAccent(0, -1, -1, -1);

IVStyle ProbeStyle() {
  IVStyle s;
  s.showLabel = false;
  s.showValue = false;
  s.drawShadows = false;
  s.drawFrame = false;
  s.colorSpec = IVColorSpec{COLOR_TRANSPARENT, kBody, kBody, kWhite, COLOR_TRANSPARENT, kTrack, kFill};
  return s;
}

class EditorPixels : public GpuGraphicsTest {
 protected:
  void Expect(int x, int y, const IColor& expected) {
    const IColor got = Pixel(x, y);
    if (expected != kTranslucentAccent) {
      EXPECT_TRUE(Near(got, expected)) << "at " << x << "," << y;
      return;
    }
    const auto between = [](int v, int a, int b) { return v >= std::min(a, b) - 2 && v <= std::max(a, b) + 2; };
    EXPECT_TRUE(between(got.R, kBg.R, kAccent.R) && between(got.G, kBg.G, kAccent.G) &&
                between(got.B, kBg.B, kAccent.B) && !Near(got, kBg, 12))
        << "at " << x << "," << y << ": " << got.R << "," << got.G << "," << got.B << " is no translucent accent";
  }
  // A picture of resources/, loaded from its bytes.
  ISVG Picture(const std::string& name) {
    std::ifstream in(std::string(KD_RESOURCES_DIR) + "/" + name + ".svg", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(text.empty()) << name;
    return g->LoadSVG(name.c_str(), static_cast<const void*>(text.data()), static_cast<int>(text.size()));
  }
  // The last frame's pixels, row by row.
  std::vector<IColor> Frame() const {
    std::vector<IColor> frame;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) frame.push_back(Pixel(x, y));
    return frame;
  }
  // The largest difference of a channel between two frames.
  static int MaxDifference(const std::vector<IColor>& a, const std::vector<IColor>& b) {
    int most = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
      most = std::max({most, std::abs(a[i].R - b[i].R), std::abs(a[i].G - b[i].G), std::abs(a[i].B - b[i].B)});
    return most;
  }
};

// ---- Peak meter ----
// The product's meter (range -72..0 dB, plain scale) in 20..170 x 60..380 with peak texts on top: its bars run from
// 106 to 372 (266 points), channel 0 at 32..91, channel 1 at 99..158; a level L reaches 372 - (L + 72) / 72 x 266
// (-36 dB: 239, half the bar). Probed at x 61 and 128, clear of the scale's lines and numbers. An inverted channel's
// bar hangs from the top down to the same height.
struct MeterCase {
  const char* name;
  bool inverted;
  float level;
  float barEnd;
  float dy;  // from barEnd
  IColor expected;
};

// clang-format off
const MeterCase kMeterCases[] = {
  {"MinusThirtySixFillsHalf",      false, -36.f, 239.f,      3.f, kTranslucentAccent},
  {"NothingAboveMinusThirtySix",   false, -36.f, 239.f,     -3.f, kBg},
  {"MinusTwelve",                  false, -12.f, 150.3333f,  3.f, kTranslucentAccent},
  {"NothingAboveMinusTwelve",      false, -12.f, 150.3333f, -3.f, kBg},
  {"MinusSixtyIsLow",              false, -60.f, 327.6667f, -3.f, kBg},
  {"ZeroFillsToTheTop",            false,   0.f, 106.f,      3.f, kTranslucentAccent},
  {"FloorLeavesItEmpty",           false, -72.f, 372.f,     -3.f, kBg},
  {"InvertedHangsToMinusThirtySix", true, -36.f, 239.f,     -3.f, kTranslucentAccent},
  {"InvertedNothingBelow",          true, -36.f, 239.f,      3.f, kBg},
};
// clang-format on

class MeterPixels : public EditorPixels, public ::testing::WithParamInterface<MeterCase> {};

TEST_P(MeterPixels, BarReachesTheLevelsHeight) {
  const MeterCase& c = GetParam();
  auto* meter = Add(new IVMeterControlLW<2>(IRECT(20, 60, 170, 380), -1, -1, "", ProbeStyle(), true, true));
  meter->ApplyProductSetup(kAccent);
  for (int ch = 0; ch < 2; ++ch) {
    meter->SetInverted(ch, c.inverted);
    // Hold lines and the second bars at the level origin: out of the way.
    const float origin = c.inverted ? 0.f : -72.f;
    meter->SetLevels(ch, c.level, origin, c.level);
    meter->SetSecondLevels(ch, origin, origin);
  }
  ASSERT_TRUE(Render());
  const int y = static_cast<int>(std::floor(c.barEnd + c.dy));
  Expect(61, y, c.expected);
  Expect(128, y, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Meter, MeterPixels, ::testing::ValuesIn(kMeterCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A meter moving slowly, drawn both ways: every frame, and only when it marks itself dirty (the picture shown
// then stays the last one drawn). The two pictures agree in every pixel within one step of rounding, while the
// levels move the picture, and the quiet frames are left out. The levels: a steady sine's ripple under the hold
// line (quiet), bar and hold rising together by 0.015 points a frame, the bar falling away from the hold by 0.074
// points a frame, then a drift of a tenth of 1/256 of a point a frame (quiet).
struct MeterFrame {
  float bar, hold;
  bool quiet;
};

std::vector<MeterFrame> SlowlyMovingLevels() {
  std::vector<MeterFrame> levels;
  const float ripple[] = {-0.00005f, -0.0035f, -0.0016f};
  for (int i = 0; i < 15; ++i) levels.push_back({-6.f + ripple[i % 3], -6.f, true});
  for (int i = 1; i <= 15; ++i) levels.push_back({-6.f + 0.004f * i, -6.f + 0.004f * i, false});
  const float top = levels.back().hold;
  for (int i = 1; i <= 15; ++i) levels.push_back({top - 0.02f * i, top, false});
  const float low = levels.back().bar;
  for (int i = 1; i <= 15; ++i) levels.push_back({low - 1e-4f * i, top, true});
  return levels;
}

struct MovingMeterCase {
  const char* name;
  float left;
};

const MovingMeterCase kMovingMeterCases[] = {{"OnWholePixels", 20.f}, {"OffWholePixels", 20.3f}};

class MovingMeterPixels : public EditorPixels, public ::testing::WithParamInterface<MovingMeterCase> {};

TEST_P(MovingMeterPixels, DrawnOnlyWhenDirtyLooksAsDrawnEveryFrame) {
  auto* meter = Add(new IVMeterControlLW<2>(IRECT(GetParam().left, 60, GetParam().left + 150, 380), -1, -1, "",
                                            ProbeStyle(), true, true));
  meter->ApplyProductSetup(kAccent);
  const auto levels = SlowlyMovingLevels();
  std::vector<IColor> shown;
  std::vector<IColor> previous;
  int quietRedraws = 0;
  int moves = 0;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    for (int ch = 0; ch < 2; ++ch) meter->SetLevels(ch, levels[i].bar, levels[i].hold, -6.f);
    const bool dirty = meter->IsDirty();
    meter->SetClean();
    ASSERT_TRUE(Render());
    const std::vector<IColor> everyFrame = Frame();
    if (i == 0 || dirty) {
      shown = everyFrame;
      quietRedraws += i > 0 && levels[i].quiet ? 1 : 0;
    }
    EXPECT_LE(MaxDifference(everyFrame, shown), 1) << "frame " << i;
    if (!previous.empty() && MaxDifference(everyFrame, previous) > 1) ++moves;
    previous = everyFrame;
  }
  EXPECT_GE(moves, 12);
  EXPECT_LE(quietRedraws, 2);  // the drift passes 1/256 of a point once, maybe twice
}

INSTANTIATE_TEST_SUITE_P(Meter, MovingMeterPixels, ::testing::ValuesIn(kMovingMeterCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The product's set-up marks the meter for a redraw once, after all its settings. Applied one at a time instead,
// each followed by the layout and a redraw mark (marks and numbers on, vertical, both bars on in the accent colour,
// both peak texts on, plain scale, range 5 from -72 to 0 dB), they leave a meter marked dirty that draws the same
// frame, pixel for pixel.
TEST_F(EditorPixels, MeterSetUpInOneGoDrawsAsItsStepsEachRedrawn) {
  const IRECT bounds(20, 60, 170, 380);
  auto* once = Add(new IVMeterControlLW<2>(bounds, -1, -1, "", ProbeStyle(), true, true));
  auto* stepwise = Add(new IVMeterControlLW<2>(bounds, -1, -1, "", ProbeStyle(), true, true));
  once->SetClean();
  once->ApplyProductSetup(kAccent);
  const std::function<void()> steps[] = {
      [&] { stepwise->SetMarks(true); },
      [&] { stepwise->SetLabels(true); },
      [&] { stepwise->SetHorizontal(false); },
      [&] { stepwise->SetBarEnabled(0, true); },
      [&] { stepwise->SetBarEnabled(1, true); },
      [&] { stepwise->SetColors(0, kAccent, kAccent); },
      [&] { stepwise->SetColors(1, kAccent, kAccent); },
      [&] { stepwise->SetPeakTextEnabled(0, true); },
      [&] { stepwise->SetPeakTextEnabled(1, true); },
      [&] { stepwise->SetSquaredScale(false); },
      [&] { stepwise->SetRange(5, -72.f, 0.f, 72.f); },
  };
  for (const auto& step : steps) {
    stepwise->SetClean();
    step();
    stepwise->LayoutMeter();
    stepwise->SetDirty(false, -1);
  }
  EXPECT_TRUE(once->IsDirty());
  EXPECT_TRUE(stepwise->IsDirty());
  std::vector<IColor> frames[2];
  for (int shown = 0; shown < 2; ++shown) {
    IVMeterControlLW<2>* meter = shown == 0 ? once : stepwise;
    for (int ch = 0; ch < 2; ++ch) meter->SetLevels(ch, -30.f + 12.f * ch, -9.f, -9.f + 3.f * ch);
    once->Hide(shown != 0);
    stepwise->Hide(shown == 0);
    ASSERT_TRUE(Render());
    frames[shown] = Frame();
  }
  EXPECT_EQ(MaxDifference(frames[0], frames[1]), 0);
  EXPECT_NE(MaxDifference(frames[0], std::vector<IColor>(frames[0].size(), kBg)), 0) << "nothing drawn";
}

// ---- Fader and its scale ----
// The fader in 20..60 x 20..380, handle half-size 8, track half-width 3: the handle's centre is at 372 - 344 v on
// x 40; the grip line (2 points, the white frame raised stays white) runs across it from 4 points inside its sides.
struct FaderCase {
  const char* name;
  bool grip;
  double value;
  int dx, dy;  // from the handle's centre
  IColor expected;
};

// clang-format off
const FaderCase kFaderCases[] = {
  {"GripAcrossTheHandle",      true,  0.3,  0,  0, kWhite},
  {"GripStopsInsideTheSides",  true,  0.3,  6,  0, kBody},
  {"FaceAboveTheGrip",         true,  0.3,  0,  4, kBody},
  {"FaceWithoutGrip",          false, 0.3,  0,  0, kBody},
  {"FilledTrackBelow",         true,  0.3,  0, 14, kFill},
  {"EmptyTrackAbove",          true,  0.3,  0, -14, kTrack},
  {"HandleAtTheTop",           true,  1.0,  0,  4, kBody},
  {"BesideTheHandle",          true,  1.0, 11,  0, kBg},
};
// clang-format on

class FaderPixels : public EditorPixels, public ::testing::WithParamInterface<FaderCase> {};

TEST_P(FaderPixels, HandleGripAndTrack) {
  const FaderCase& c = GetParam();
  auto* fader = Add(new IVSliderControlLW(IRECT(20, 20, 60, 380), -1, "", ProbeStyle(), false, kVertical, false, false,
                                          DEFAULT_GEARING, 8.f, 3.f));
  fader->SetGripLine(c.grip);
  fader->SetValue(c.value);
  ASSERT_TRUE(Render());
  const float cy = 372.f - 344.f * static_cast<float>(c.value);
  Expect(40 + c.dx, static_cast<int>(std::floor(cy)) + c.dy, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Fader, FaderPixels, ::testing::ValuesIn(kFaderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The scale in 20..140 x 20..380 with an end inset of 8: its ticks lie in the middle half 50..110 between 28 and 372
// (344 points). Long ticks (2 points, every tenth of the travel, the right ones from 95) are probed at x 98, where
// the short ticks (from 101) do not reach and the numbers (on the left) are not drawn. Position q of the travel sits
// at height 1/2 +- |2q - 1|^(1 / exponent) / 2 of it; the middle tick is white.
struct ScaleCase {
  const char* name;
  float exponent;
  float q;
  float dy;
  IColor expected;
};

// clang-format off
const ScaleCase kScaleCases[] = {
  {"LinearTenth",          1.f, 0.1f,   0.f, kTick},
  {"LinearThreeTenths",    1.f, 0.3f,   0.f, kTick},
  {"LinearSevenTenths",    1.f, 0.7f,   0.f, kTick},
  {"LinearMiddleIsWhite",  1.f, 0.5f,   0.f, kWhite},
  {"LinearBetweenTicks",   1.f, 0.3f, -17.f, kBg},
  {"SquareLawNineTenths",  2.f, 0.9f,   0.f, kTick},
  {"SquareLawSixTenths",   2.f, 0.6f,   0.f, kTick},
  {"SquareLawTenth",       2.f, 0.1f,   0.f, kTick},
  {"SquareLawNotLinear",   2.f, 0.6f,  30.f, kBg},
};
// clang-format on

class ScalePixels : public EditorPixels, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(ScalePixels, TicksUnderTheFaderLaw) {
  const ScaleCase& c = GetParam();
  IVStyle style = ProbeStyle();
  style.colorSpec.SetColor(kFG, kTick);
  auto* scale = Add(new IVSliderControlBG(IRECT(20, 20, 140, 380), "", style, false, 8.f));
  scale->SetShapeExponent(c.exponent);
  ASSERT_TRUE(Render());
  const float d = std::pow(std::fabs(2.f * c.q - 1.f), 1.f / c.exponent) * 0.5f;
  const float height = c.q < 0.5f ? 0.5f - d : 0.5f + d;
  const float y = 372.f - 344.f * height + c.dy;
  IColor expected = c.expected;
  if (expected == kWhite) expected = IColor(kTick.A, 255, 255, 255);
  Expect(98, static_cast<int>(std::floor(y)), expected);
}

INSTANTIATE_TEST_SUITE_P(Scale, ScalePixels, ::testing::ValuesIn(kScaleCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Modulation view ----
// The view in 20..170 x 20..100 (inset 4, line 2 points): the line runs through 25..165 x 25..95, 142 values
// oldest first, value v at height 95 - 70 v. The first 71 records carry `older`, the last 71 `newer`: the older
// half is drawn left of x 94, the newer right of x 95. Below the line the translucent fill.
struct ModViewCase {
  const char* name;
  float older;
  float newer;
  bool resetAfter;
  int x, y;
  IColor expected;
};

// clang-format off
const ModViewCase kModViewCases[] = {
  {"LineAtHalf",              0.5f,  0.5f,  false,  50, 60, kAccent},
  {"EmptyAboveTheLine",       0.5f,  0.5f,  false,  50, 50, kBg},
  {"FilledBelowTheLine",      0.5f,  0.5f,  false,  50, 80, kTranslucentAccent},
  {"OlderQuarterOnTheLeft",   0.25f, 0.75f, false,  50, 77, kAccent},
  {"NewerThreeQuartersRight", 0.25f, 0.75f, false, 130, 42, kAccent},
  {"FilledUnderTheNewer",     0.25f, 0.75f, false, 130, 60, kTranslucentAccent},
  {"EmptyOverTheOlder",       0.25f, 0.75f, false,  50, 60, kBg},
  {"ResetClearsThePlot",      0.5f,  0.5f,  true,   50, 60, kBg},
};
// clang-format on

class ModViewPixels : public EditorPixels, public ::testing::WithParamInterface<ModViewCase> {};

TEST_P(ModViewPixels, LineAndFill) {
  const ModViewCase& c = GetParam();
  auto* view = Add(new IVModViewControlLW<1, 1>(IRECT(20, 20, 170, 100), "", ProbeStyle(), false, false));
  view->ApplyProductSetup(kAccent, 10.0);
  ASSERT_EQ(view->GetHistory().size(), 142u);
  ISenderData<1> record;
  for (int i = 0; i < 142; ++i) {
    record.vals[0] = i < 71 ? c.older : c.newer;
    view->OnMsgFromDelegate(IVModViewControlLW<1, 1>::kMsgTagRecord, sizeof(record), &record);
  }
  if (c.resetAfter) {
    record.reset = true;
    view->OnMsgFromDelegate(IVModViewControlLW<1, 1>::kMsgTagRecord, sizeof(record), &record);
  }
  ASSERT_TRUE(Render());
  Expect(c.x, c.y, c.expected);
}

INSTANTIATE_TEST_SUITE_P(ModView, ModViewPixels, ::testing::ValuesIn(kModViewCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Pictures: switches, update button, corner resizer ----
// Each picture fills a square at (100, 100) at a whole multiple of its own size. The power button (56, drawn at 56):
// its stem's round end covers the centre, (28, 36) lies on the disc inside the ring. The lock (24, drawn at 48):
// its body (6..18 x 11..20) is hollow when off and filled when on; (12, 30) lies on its left side. The download
// icon (24, drawn at 48): (23, 16) lies on the arrow's stem (x 12, 2 wide); (6, 6) is empty.
enum class Kind { Switch, Update };

struct PictureCase {
  const char* name;
  Kind kind;
  const char* picture;
  float side;
  double value;
  int x, y;
  IColor expected;
};

// clang-format off
const PictureCase kPictureCases[] = {
  {"PowerOffStem",         Kind::Switch, "buttonpower",  56.f, 0.0,  28, 28, kGrey},
  {"PowerOnStem",          Kind::Switch, "buttonpower",  56.f, 1.0,  28, 28, kAccent},
  {"PowerOffDisc",         Kind::Switch, "buttonpower",  56.f, 0.0,  28, 36, IColor(255, 0x2d, 0x30, 0x33)},
  {"PowerOnDisc",          Kind::Switch, "buttonpower",  56.f, 1.0,  28, 36, IColor(255, 0x20, 0x3a, 0x3c)},
  {"PowerHalfShowsOn",     Kind::Switch, "buttonpower",  56.f, 0.5,  28, 36, IColor(255, 0x20, 0x3a, 0x3c)},
  {"PowerOutsideTheDisc",  Kind::Switch, "buttonpower",  56.f, 1.0,   2,  2, kBg},
  {"LockOffBodyIsHollow",  Kind::Switch, "lock",         48.f, 0.0,  24, 31, kBg},
  {"LockOnBodyIsFilled",   Kind::Switch, "lock",         48.f, 1.0,  24, 31, kAccent},
  {"LockOffSide",          Kind::Switch, "lock",         48.f, 0.0,  12, 30, kGrey},
  {"UpdateOffStem",        Kind::Update, "downloadicon", 48.f, 0.0,  23, 16, kGrey},
  {"UpdateAvailableStem",  Kind::Update, "downloadicon", 48.f, 1.0,  23, 16, kAccent},
  {"UpdateEmptyCorner",    Kind::Update, "downloadicon", 48.f, 1.0,   6,  6, kBg},
};
// clang-format on

class PicturePixels : public EditorPixels, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PicturePixels, PictureOfTheValue) {
  const PictureCase& c = GetParam();
  const IRECT bounds(100.f, 100.f, 100.f + c.side, 100.f + c.side);
  const ISVG off = Picture(std::string(c.picture) + "_off");
  const ISVG on = Picture(std::string(c.picture) + "_on");
  IControl* control = c.kind == Kind::Switch
                          ? static_cast<IControl*>(new IBSwitchControlLW(bounds, off, on, -1, true, true))
                          : static_cast<IControl*>(new IBUpdateControlLW(bounds, off, on, -1, true));
  Add(control)->SetValue(c.value);
  ASSERT_TRUE(Render());
  Expect(100 + c.x, 100 + c.y, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Picture, PicturePixels, ::testing::ValuesIn(kPictureCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Knob with a fixed arc, framed panel, corner resizer ----
// Knob 20..120 as in the stock probes (centre (70, 70), track 6: arc ring 44..50, pointer to 43). Its arc drawn to
// half the travel ends at 12 o'clock while the pointer shows the value 0.9 at -135 + 243 = 108 degrees.
struct KnobCase {
  const char* name;
  bool fixed;
  float radius;
  float degrees;
  IColor expected;
};

// clang-format off
const KnobCase kKnobCases[] = {
  {"FixedArcReachesTheTop",     true,  47.f,  -6.f, kFill},
  {"FixedArcStopsAtTheTop",     true,  47.f,   6.f, kBg},
  {"PointerShowsTheValue",      true,  30.f, 108.f, kWhite},
  {"ArcFollowsTheValueOtherwise", false, 47.f, 100.f, kFill},
  {"NothingPastTheValue",       false, 47.f, 116.f, kBg},
};
// clang-format on

class KnobPixels : public EditorPixels, public ::testing::WithParamInterface<KnobCase> {};

TEST_P(KnobPixels, FixedArcAndPointer) {
  const KnobCase& c = GetParam();
  auto* knob = Add(new IVKnobControlLW(IRECT(20, 20, 120, 120), -1, "", ProbeStyle(), false, false, -135.f, 135.f,
                                       -135.f, kVertical, DEFAULT_GEARING, 6.f));
  knob->SetFixedArc(c.fixed, 0.5f);
  knob->SetValue(0.9);
  ASSERT_TRUE(Render());
  const float a = c.degrees * std::numbers::pi_v<float> / 180.f;
  Expect(static_cast<int>(std::floor(70.f + c.radius * std::sin(a))),
         static_cast<int>(std::floor(70.f - c.radius * std::cos(a))), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Knob, KnobPixels, ::testing::ValuesIn(kKnobCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A panel in 100..200 x 100..160 with corners of radius 10 and a 2-point white frame on its edge; the corner
// resizer's picture (16, drawn at 32 in the editor's bottom-right corner, 368..400): its long stroke runs from
// (14, 5) to (5, 14), through (19, 19) at twice the size; (6, 6) is empty.
struct SmallCase {
  const char* name;
  bool resizer;
  int x, y;
  IColor expected;
};

// clang-format off
const SmallCase kSmallCases[] = {
  {"PanelFace",             false, 150, 130, kFill},
  {"PanelFrameOnTheEdge",   false, 100, 130, kWhite},
  {"PanelCornerIsRounded",  false, 101, 101, kBg},
  {"PanelOutside",          false, 150, 163, kBg},
  {"ResizerStroke",         true,  387, 387, kGrey},
  {"ResizerEmptyCorner",    true,  374, 374, kBg},
};
// clang-format on

class SmallPixels : public EditorPixels, public ::testing::WithParamInterface<SmallCase> {};

TEST_P(SmallPixels, PanelAndResizer) {
  const SmallCase& c = GetParam();
  if (c.resizer)
    Add(new ISBCornerResizerControlLW(IRECT(0, 0, 32, 32), Picture("resize_off"), Picture("resize_on"), -1, -1, -1, -1,
                                      false, IRECT(0, 0, kSize, kSize), 0.f, 0.f));
  else
    Add(new IVPanelControlLW(IRECT(100, 100, 200, 160), kFill, true, kWhite, 10.f, 2.f));
  ASSERT_TRUE(Render());
  Expect(c.x, c.y, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Small, SmallPixels, ::testing::ValuesIn(kSmallCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The whole editor ----
// The product's editor as its layout builds it for a plug-in, at 640 x 480 points and the draw scale of "GUI scale".
// The draw loop leaves out what the opaque parts of the controls in front of it hide (the panels, and the meter's and
// the modulation views' backgrounds) and draws a panel they cover in part only in the pieces they leave: a frame drawn
// that way is the frame of every control drawn in turn over the whole editor, pixel for pixel, with fewer controls
// drawn. At default settings, with levels and modulation showing after a second of audio (the left/mid fader moved),
// in the core layout, at 150 % and bypassed.

// The editor's graphics on the test back end: they open as a window would, find the product's fonts in the font
// packages the build copies them from, and keep the controls they draw.
class ProductGraphics : public TestVectorGraphics {
 public:
  using TestVectorGraphics::TestVectorGraphics;
  void* OpenWindow(void*) override { return this; }
  PlatformFontPtr LoadPlatformFont(const char* id, const char* file) override {
    const std::string name(file);
    const char* path = name == "Roboto-Regular.ttf" ? KD_ROBOTO_FILE
                       : name == "verdanab.ttf"     ? KD_DEJAVU_DIR "DejaVuSans-Bold.ttf"
                                                    : KD_DEJAVU_DIR "DejaVuSans.ttf";
    return TestVectorGraphics::LoadPlatformFont(id, path);
  }
  using TestVectorGraphics::LoadPlatformFont;
  void OnControlDrawing(IControl& control) override {
    drawn.insert(&control);
    TestVectorGraphics::OnControlDrawing(control);
  }
  std::set<const IControl*> drawn;
};

struct ProductEditorCase {
  const char* name;
  std::vector<std::pair<int, double>> settings;
  double amplitude;  // of a second of audio through the plug-in; 0 for none
  bool bypassed;     // every control disabled, drawn at the weight of a disabled control
};

// clang-format off
const ProductEditorCase kProductEditorCases[] = {
  {"Default",                 {}, 0.0, false},
  {"LevelsShowing",           {{kGainLM, 0.8}}, 0.5, false},
  {"CoreLayoutLevelsShowing", {{kCoreFaderLayout, 1.0}, {kGainLM, 0.8}}, 0.5, false},
  {"AtOneAndAHalf",           {{kGUIScale, 1.5}, {kGainLM, 0.8}}, 0.5, false},
  {"BypassedLevelsShowing",   {{kGainLM, 0.8}}, 0.5, true},
};
// clang-format on

void PrintTo(const ProductEditorCase& c, std::ostream* os) {
  *os << c.name;
}

class ProductEditorPixels : public ::testing::TestWithParam<ProductEditorCase> {
 protected:
  void SetUp() override {
    mDevice = platform::gpu::test::SharedDevice();
    if (!mDevice) GTEST_SKIP() << "no device";
    mMessagesBefore = mDevice->ValidationMessageCount();
    plug = std::make_unique<Kelvadrune>(InstanceInfo{});
    plug->SetSampleRate(48000.0);
    plug->SetBlockSize(128);
    plug->OnReset();
    Set(kAutoUpdateCheck, 0.0);
    for (const auto& [param, value] : GetParam().settings) Set(param, value);
    InstallEditor(*plug, [this](IGEditorDelegate& dlg, int width, int height, int fps, float scale) {
      return g = new ProductGraphics(dlg, width, height, fps, scale);
    });
    int parent = 0;
    ASSERT_NE(plug->OpenWindow(&parent), nullptr);
    mDrawables = std::make_unique<platform::gpu::GpuDrawableLayer>(*mDevice);
    mDrawables->SetBounds(g->WindowWidth(), g->WindowHeight());
    mDrawables->SetContentsScale(1.0);
    mLayer.device = mDevice;
    mLayer.drawables = mDrawables.get();
    g->InitDrawContext(&mLayer);
    ASSERT_NE(g->GetDrawContext(), nullptr);
    g->SetScreenScale(1.f);
    LoadPictures();
    plug->LayoutUI(g);
    plug->OnUIOpen();
    plug->OnIdle();
  }
  void TearDown() override {
    if (plug) plug->CloseWindow();
    plug.reset();
    if (!mDevice) return;
    if (mDrawables) mDrawables->WaitForFramesInFlight();
    mDrawables.reset();
    mDevice->WaitForFramesInFlight();
    EXPECT_EQ(mDevice->ValidationMessageCount(), mMessagesBefore) << "validation messages (see the log)";
  }

  void Set(int param, double value) {
    plug->GetParam(param)->Set(value);
    plug->OnParamChange(param, kUI, -1);
  }
  // The module's pictures, under the names the layout asks for.
  void LoadPictures() {
    for (const auto& entry : std::filesystem::directory_iterator(KD_RESOURCES_DIR)) {
      if (entry.path().extension() != ".svg") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const std::string name = entry.path().filename().string();
      ASSERT_TRUE(g->LoadSVG(name.c_str(), text.data(), static_cast<int>(text.size()), "px", 72.f).IsValid()) << name;
    }
  }
  // A second of a stereo sine of the amplitude (half of it on the right), with the idle ticks that hand levels and
  // records to the editor.
  void Play(double amplitude) {
    std::vector<double> l(128), r(128), ol(128), orr(128);
    double* ins[2] = {l.data(), r.data()};
    double* outs[2] = {ol.data(), orr.data()};
    double phase = 0.0;
    for (int done = 0; done < 48000; done += 128) {
      for (int i = 0; i < 128; ++i, phase += 2.0 * std::numbers::pi * 440.0 / 48000.0) {
        l[i] = amplitude * std::sin(phase);
        r[i] = 0.5 * amplitude * std::sin(phase);
      }
      plug->ProcessBlock(ins, outs, 128);
      if (done % 960 == 0) plug->OnIdle();
    }
    plug->OnIdle();
  }
  // One frame of the whole editor, through the draw loop (culling) or every control drawn in turn; its pixels.
  std::vector<uint8_t> Frame(bool culling) {
    const IRECT all(0.f, 0.f, static_cast<float>(g->Width()), static_cast<float>(g->Height()));
    g->drawn.clear();
    if (culling) {
      IRECTList rects;
      rects.Add(all);
      g->Draw(rects);
    } else {
      g->BeginFrame();
      const float scale = g->GetTotalScale();
      g->ForAllControlsFunc([&](IControl* control) { g->DrawControl(control, all.GetPixelAligned(scale), scale); });
      g->EndFrame();
    }
    mDrawables->WaitForFramesInFlight();
    std::vector<uint8_t> bgra;
    int width = 0;
    int height = 0;
    EXPECT_TRUE(mDrawables->ReadFrontBuffer(bgra, width, height));
    EXPECT_EQ(width, g->WindowWidth());
    EXPECT_EQ(height, g->WindowHeight());
    return bgra;
  }

  std::unique_ptr<Kelvadrune> plug;
  ProductGraphics* g = nullptr;

 private:
  std::shared_ptr<platform::gpu::GpuDevice> mDevice;
  VulkanLayer mLayer;
  std::unique_ptr<platform::gpu::GpuDrawableLayer> mDrawables;
  int mMessagesBefore = 0;
};

TEST_P(ProductEditorPixels, CulledFrameIsEveryControlDrawn) {
  if (GetParam().amplitude > 0.0) Play(GetParam().amplitude);
  if (GetParam().bypassed) {
    plug->SetBypassed(true);
    plug->OnBypassChanged(true);
    plug->OnIdle();
    ASSERT_TRUE(g->GetControlWithTag(kCtrlTagMeter)->IsDisabled());
  }
  const std::vector<uint8_t> everything = Frame(false);
  const std::size_t everyControl = g->drawn.size();
  const std::vector<uint8_t> culled = Frame(true);
  ASSERT_EQ(culled.size(), everything.size());
  int differing = 0;
  std::size_t first = 0;
  for (std::size_t i = 0; i < culled.size(); i += 4) {
    if (std::equal(&culled[i], &culled[i] + 3, &everything[i])) continue;
    if (differing++ == 0) first = i / 4;
  }
  const int width = g->WindowWidth();
  EXPECT_EQ(differing, 0) << "first at " << first % width << "," << first / width;
  EXPECT_LT(g->drawn.size(), everyControl) << "nothing left out";
  if (GetParam().amplitude > 0.0) {
    const auto& meter = dynamic_cast<const IVMeterControlLW<2>&>(*g->GetControlWithTag(kCtrlTagMeter));
    EXPECT_GT(meter.GetBarLevel(0), -20.f) << "levels showing";
  }
}

INSTANTIATE_TEST_SUITE_P(Editor, ProductEditorPixels, ::testing::ValuesIn(kProductEditorCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fx::gfx::test
