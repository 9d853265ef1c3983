// The peak meter as the editor configures it (range 5: floor -72, span 72, plain scale, numbers on):
// bar, hold-line and peak-text placement for known levels, the scale's numbers and the gap its lines
// leave for them, which level changes redraw it, the click that resets it and the wheel that picks a range
// through a parameter.
#include <algorithm>
#include <cmath>
#include <limits>

#include "editor/IVMeterControlLW.h"
#include "tests/editor/EditorFixture.h"

namespace fx::gfx::test {
namespace {

constexpr IColor kAccent(255, 32, 226, 224);
constexpr float kInf = std::numeric_limits<float>::infinity();

class MeterTest : public EditorFixture {
 protected:
  using Meter = IVMeterControlLW<2>;

  Meter* MakeMeter(float left, int messageId = 37) {
    auto* m = Add(new Meter({left, 60, left + 150, 380}, -1, messageId, "Meter", BareStyle(), true, true));
    m->ApplyProductSetup(kAccent);
    return m;
  }
};

// Widget 470..620 x 60..380, inset 8, peak texts on top (2 x label size 19): meter area 478..612 x 106..372,
// bars 4 points inside each half (482..541, 549..608), peak texts 478..545 and 545..612 x 68..87.
struct LevelCase {
  const char* name;
  float bar;
  float hold;
  float barTop;  // 372 - (level + 72) / 72 x 266: the bar runs from 106 to 372
  float holdY;
  const char* text;
};

// clang-format off
const LevelCase kLevels[] = {
  {"MinusThirtySixFillsHalf", -36.f, -12.f, 239.f, 150.33333f, "-36.0"},
  {"ZeroFillsAll", 0.f, 0.f, 106.f, 106.f, "0.0"},
  {"AboveZeroReachesOutAndIsClipped", 7.2f, 7.2f, 79.4f, 79.4f, "7.2"},
  {"FloorIsEmpty", -72.f, -72.f, 372.f, 372.f, "-72.0"},
  {"LastPrintedLevel", -383.9f, -383.9f, 1524.2972f, 1524.2972f, "-383.9"},
  {"DisabledMeterShowsMinusInf", -400.f, -400.f, 1583.7778f, 1583.7778f, "-inf"},
  // Silence: the log of 0. Drawn a bar's length below the bar, where the clip hides it.
  {"SilenceIsMinusInfinity", -kInf, -kInf, 638.f, 638.f, "-inf"},
};
// clang-format on

class Levels : public MeterTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(Levels, BarHoldLineAndPeakText) {
  const LevelCase& c = GetParam();
  Meter* m = MakeMeter(470);
  ASSERT_EQ(m->GetRangeFloor(), -72.f);
  ASSERT_EQ(m->GetRangeSpan(), 72.f);
  m->SetLevels(0, c.bar, c.hold, c.bar);
  m->SetLevels(1, c.bar, c.hold, c.bar);
  g.log.clear();
  m->DrawWidget(g);
  for (const std::string& entry : g.Entries("Path"))
    EXPECT_TRUE(entry.find("inf") == std::string::npos && entry.find("nan") == std::string::npos) << entry;
  const std::vector<std::string> texts = g.Entries("DoDrawText ");
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2], "DoDrawText " + std::string(c.text) + " 478,68,545,87");
  EXPECT_EQ(texts.back(), "DoDrawText " + std::string(c.text) + " 545,68,612,87");
  const std::vector<Shape> shapes = Shapes();
  const std::vector<Shape> bars = Only(shapes, "PathFill 229,32,226,224");
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_NEAR(bars[0].ys[0], c.barTop, 1e-3);
  EXPECT_NEAR(bars[0].ys[2], 372.f, 1e-3);
  EXPECT_EQ(bars[1].xs[0], 549.f);
  const std::vector<Shape> holds = Only(shapes, "PathStroke 255,32,226,224 t3");
  ASSERT_EQ(holds.size(), 2u);
  EXPECT_TRUE(holds[0].IsHorizontalLine(c.holdY, 482.f, 541.f, 2e-3f));
}

INSTANTIATE_TEST_SUITE_P(Meter, Levels, ::testing::ValuesIn(kLevels),
                         [](const auto& info) { return std::string(info.param.name); });

// Levels (dB) the idle tick writes into both channels: bar, hold line, peak text.
struct Written {
  float bar, hold, peak;
};

std::vector<Written> Repeat(const std::vector<Written>& pattern, int times) {
  std::vector<Written> out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), pattern.begin(), pattern.end());
  return out;
}

std::vector<Written> Falling(float from, float step, int steps) {
  std::vector<Written> out;
  for (int i = 1; i <= steps; ++i) out.push_back({from - step * static_cast<float>(i), -3.f, -2.f});
  return out;
}

struct DirtyCase {
  const char* name;
  Written settled;
  std::vector<Written> ticks;
  bool hidden;
  int dirty;           // ticks after which the meter is dirty
  float left = 470.f;  // 470.3: the bars' sides off whole pixels
};

// A steady sine's bar level read at each tick: within 0.004 dB of its peak (0.013 points).
const std::vector<Written> kSineRipple = {{-6.00005f, -6.f, -6.f}, {-6.0035f, -6.f, -6.f}, {-6.0016f, -6.f, -6.f}};
// A bar end 0.12 dB (0.44 points) either side of its hold line: within its opaque middle.
const std::vector<Written> kUnderTheLine = {{-6.12f, -6.f, -6.f}, {-5.88f, -6.f, -6.f}};

// A bar 266 points long spans 72 dB: one point (a pixel at scale 1) is 0.27 dB. -6 dB ends at 128.2, -6.04 dB
// at 128.3; 0.3 dB is 1.1 points; 3.172e-4 dB is 0.3/256 of a point, a quarter of 8-bit coverage short of 1/256.
// clang-format off
const DirtyCase kDirty[] = {
  {"SteadyLevels", {-6.f, -3.f, -2.f}, Repeat({{-6.f, -3.f, -2.f}}, 100), false, 0},
  // A tenth of a pixel shades the bar's edge differently.
  {"WobbleWithinAPixel", {-6.f, -3.f, -2.f}, Repeat({{-6.04f, -3.04f, -2.f}, {-6.f, -3.f, -2.f}}, 50), false, 100},
  {"BarFallingAPixelATick", {-6.f, -3.f, -2.f}, Falling(-6.f, 0.3f, 40), false, 40},
  {"HoldLineMovesAPixel", {-6.f, -3.f, -2.f}, {{-6.f, -3.3f, -2.f}}, false, 1},
  {"PeakTextReadsDifferently", {-6.f, -3.f, -2.f}, {{-6.f, -3.f, -2.2f}}, false, 1},
  {"BelowTheFloorLooksAlike", {-100.f, -100.f, -50.f}, {{-400.f, -400.f, -50.f}, {-144.f, -90.f, -50.f}}, false, 0},
  {"AboveTheTopLooksAlike", {7.2f, 7.2f, 7.2f}, {{10.f, 12.f, 7.2f}}, false, 0},
  {"SilenceAfterTheFloorShowsMinusInf", {-100.f, -100.f, -100.f}, {{-400.f, -400.f, -400.f}}, false, 1},
  {"HiddenMeter", {-6.f, -3.f, -2.f}, Falling(-6.f, 0.3f, 10), true, 0},
  {"RippleInTheOpen", {-6.f, -3.f, -2.f}, Repeat({{-6.0035f, -3.f, -2.f}, {-6.f, -3.f, -2.f}}, 50), false, 100},
  {"DriftBelowWhatCoverageResolves", {-6.f, -3.f, -2.f}, Falling(-6.f, 3.172e-4f, 40), false, 10},
  {"SteadySineRippleUnderTheHoldLine", {-6.f, -6.f, -6.f}, Repeat(kSineRipple, 30), false, 0},
  {"BarEndMovingUnderTheHoldLine", {-6.f, -6.f, -6.f}, Repeat(kUnderTheLine, 30), false, 0},
  {"BarEndLeavingTheHoldLine", {-6.f, -6.f, -6.f}, {{-6.2f, -6.f, -6.f}}, false, 1},
  {"HoldLineRipple", {-6.f, -6.f, -6.f}, Repeat({{-6.f, -6.0035f, -6.f}, {-6.f, -6.f, -6.f}}, 20), false, 40},
  {"SineRippleUnderTheLineOffWholePixels", {-6.f, -6.f, -6.f}, Repeat(kSineRipple, 30), false, 0, 470.3f},
  {"BarEndMovingUnderTheLineOffWholePixels", {-6.f, -6.f, -6.f}, Repeat(kUnderTheLine, 30), false, 60, 470.3f},
};
// clang-format on

class MeterRedraws : public MeterTest, public ::testing::WithParamInterface<DirtyCase> {};

TEST_P(MeterRedraws, OnlyLevelsTheDrawingShowsDifferentlyRedrawIt) {
  const DirtyCase& c = GetParam();
  Meter* m = MakeMeter(c.left);
  for (int ch = 0; ch < 2; ++ch) m->SetLevels(ch, c.settled.bar, c.settled.hold, c.settled.peak);
  m->Hide(c.hidden);
  m->SetClean();
  int dirty = 0;
  for (const Written& w : c.ticks) {
    for (int ch = 0; ch < 2; ++ch) m->SetLevels(ch, w.bar, w.hold, w.peak);
    dirty += m->IsDirty() ? 1 : 0;
    m->SetClean();
  }
  EXPECT_EQ(dirty, c.dirty);
  EXPECT_EQ(m->GetBarLevel(1), c.ticks.back().bar);  // the newest levels are drawn whenever it redraws
}

INSTANTIATE_TEST_SUITE_P(Meter, MeterRedraws, ::testing::ValuesIn(kDirty),
                         [](const auto& info) { return std::string(info.param.name); });

// The line hides the bar's end only where it is opaque: translucent (in its colour or through a disabled
// control's blend) it lets the ripple through.
TEST_F(MeterTest, ATranslucentHoldLineHidesNothing) {
  for (const bool disable : {false, true}) {
    Meter* m = MakeMeter(470);
    if (disable)
      m->SetDisabled(true);
    else
      for (int ch = 0; ch < 2; ++ch) m->SetColors(ch, kAccent, IColor(200, 32, 226, 224));
    for (int ch = 0; ch < 2; ++ch) m->SetLevels(ch, kSineRipple.back().bar, -6.f, -6.f);
    m->SetClean();
    int dirty = 0;
    for (const Written& w : Repeat(kSineRipple, 10)) {
      for (int ch = 0; ch < 2; ++ch) m->SetLevels(ch, w.bar, w.hold, w.peak);
      dirty += m->IsDirty() ? 1 : 0;
      m->SetClean();
    }
    EXPECT_EQ(dirty, 30) << disable;
  }
}

TEST_F(MeterTest, ScaleNumbersAndLinesOfRangeFive) {
  Meter* m = MakeMeter(470);
  g.log.clear();
  m->DrawWidget(g);
  std::vector<std::string> numbers;
  for (const std::string& t : Texts()) numbers.push_back(t.substr(0, t.find(' ')));
  numbers.resize(6);  // the two peak texts follow
  EXPECT_EQ(numbers, (std::vector<std::string>{"0", "-12", "-23", "-36", "-48", "-60"}));
}

// Only the seven mark tables 0..6 exist: any other range index draws no scale numbers (the two peak texts stay)
// and reads no table.
TEST_F(MeterTest, ARangeIndexOutsideTheTablesDrawsNoMarks) {
  for (const int range : {-1, 7, 1000}) {
    Meter* m = MakeMeter(470);
    m->SetRange(range, -72.f, 0.f, 72.f);
    g.log.clear();
    m->DrawWidget(g);
    EXPECT_EQ(Texts().size(), 2u) << range;
  }
}

// With numbers on, each mark line stops at 0.96 of the meter's centre x (in editor points) and starts again at the
// centre divided by 0.96: the gap grows with the meter's distance from the editor's left edge.
TEST_F(MeterTest, MarkLinesLeaveAGapThatGrowsWithTheCentresX) {
  struct Row {
    float left;
    float leftEnd, rightStart;  // 0.96 cx and cx / 0.96, cx = left + 75
  } rows[] = {
      {470.f, 523.2f, 567.70833f},  // the product's meter
      {200.f, 264.f, 286.45833f},
      {0.f, 72.f, 78.125f},
  };
  for (const Row& row : rows) {
    Meter* m = MakeMeter(row.left);
    g.log.clear();
    m->DrawWidget(g);
    const std::vector<Shape> lines = Only(Shapes(), "PathStroke 255,200,200,200 t1");
    ASSERT_EQ(lines.size(), 24u) << row.left;  // 12 marks, each in two halves
    const float y = 106.f + 266.f / 12.f;      // -6 dB, a line without a number, 6/72 below the top
    EXPECT_TRUE(lines[2].IsHorizontalLine(y, row.left + 8.f, row.leftEnd, 2e-3f)) << row.left;
    EXPECT_TRUE(lines[3].IsHorizontalLine(y, row.rightStart, row.left + 142.f, 2e-3f)) << row.left;
  }
}

TEST_F(MeterTest, ClickSendsTheResetCommandOnceAndNothingWithoutOne) {
  MakeMeter(470);
  g.OnMouseDown({At(500, 200)});
  g.OnMouseUp({At(500, 200)});
  g.OnMouseDblClick(500, 200, Left());
  EXPECT_EQ(dlg.changes, (std::vector<std::string>{"37 3 -1"}));
  dlg.changes.clear();
  MakeMeter(0, -1);
  g.OnMouseDown({At(50, 200)});
  EXPECT_TRUE(dlg.changes.empty());
}

// Bound to "Count" (0..10, now 5), one wheel notch down chooses range 4: floor -48, span 48.
TEST_F(MeterTest, WheelPicksTheRangeThroughItsParameter) {
  auto* bound = Add(new Meter({0, 0, 100, 300}, FakeDelegate::kInt, -1, "", BareStyle(), false, false));
  bound->OnMouseWheel(50, 50, Left(), 1.f);
  EXPECT_EQ(dlg.GetParam(FakeDelegate::kInt)->Value(), 4.0);
  bound->DrawWidget(g);
  EXPECT_EQ(bound->GetRangeIdx(), 4);
  EXPECT_EQ(bound->GetRangeFloor(), -48.f);
  EXPECT_EQ(bound->GetRangeSpan(), 48.f);
  Meter* unbound = MakeMeter(470);
  unbound->OnMouseWheel(500, 200, Left(), 1.f);
  EXPECT_EQ(unbound->GetRangeIdx(), 5);
}

// The range index and the wheel read the parameter's value snapped to its step, whether or not the parameter is
// flagged stepped, then clamped; with no grid (a step of 0 or an infinite one) only clamped. A value that snaps past
// every int (0..1e12, steps of 1e12) chooses an index outside the tables: the floor of -12.
TEST_F(MeterTest, RangeAndWheelReadTheParametersValueSnappedAndClamped) {
  auto* m = Add(new Meter({0, 0, 100, 300}, FakeDelegate::kInt, -1, "", BareStyle(), false, false));
  IParam* param = dlg.GetParam(FakeDelegate::kInt);
  const struct {
    const char* name;
    double value, max, step;
    int flags, index;
    float floor;
    bool redraws;       // whether a range taken from the value still differs from it, so every draw redraws
    double afterWheel;  // the value after one notch of 0.5 down
  } rows[] = {
      {"unstepped 2.6, steps of 1", 2.6, 10.0, 1.0, 0, 3, -36.f, false, 3.0},
      {"stepped 2.6, steps of 1", 2.6, 10.0, 1.0, kFlagStepped, 3, -36.f, false, 3.0},
      {"no grid", 2.6, 10.0, 0.0, 0, 2, -24.f, true, 2.1},
      {"infinite step", 2.6, 10.0, std::numeric_limits<double>::infinity(), 0, 2, -24.f, true, 2.1},
      {"past every int", 1e12, 1e12, 1e12, kFlagStepped, std::numeric_limits<int>::max(), -12.f, true, 1e12},
  };
  for (const auto& row : rows) {
    param->InitDouble("Range", row.value, 0.0, row.max, row.step, "", row.flags);
    m->DrawWidget(g);
    EXPECT_EQ(m->GetRangeIdx(), row.index) << row.name;
    EXPECT_EQ(m->GetRangeFloor(), row.floor) << row.name;
    EXPECT_EQ(m->GetRangeSpan(), -row.floor) << row.name;
    m->SetClean();
    m->DrawWidget(g);
    EXPECT_EQ(m->IsDirty(), row.redraws) << row.name;
    m->OnMouseWheel(50, 50, Left(), 0.5f);
    EXPECT_NEAR(param->Value(), row.afterWheel, 1e-6 * row.afterWheel) << row.name;
  }
}

// A span of 0 or less (or none at all) gives no scale: every level sits at the bars' start (fraction 0), so the
// bars are empty and the hold lines lie on the bars' bottom, and no coordinate is infinite or undefined.
TEST_F(MeterTest, ASpanThatIsNotPositivePutsEveryLevelAtTheBarsStart) {
  for (const float span : {0.f, -72.f, std::nanf("")}) {
    Meter* m = MakeMeter(470);
    m->SetRange(5, -72.f, 0.f, span);
    for (const float level : {-400.f, -72.f, -36.f, 0.f, 12.f}) EXPECT_EQ(m->LevelFraction(level), 0.f) << span;
    for (int ch = 0; ch < 2; ++ch) m->SetLevels(ch, -36.f, -12.f, -36.f);
    g.log.clear();
    m->DrawWidget(g);
    for (const std::string& entry : g.Entries("Path"))
      EXPECT_TRUE(entry.find("inf") == std::string::npos && entry.find("nan") == std::string::npos) << entry;
    const std::vector<Shape> shapes = Shapes();
    const std::vector<Shape> bars = Only(shapes, "PathFill 229,32,226,224");
    ASSERT_EQ(bars.size(), 2u) << span;
    EXPECT_EQ(bars[0].ys[0], 372.f) << span;
    const std::vector<Shape> holds = Only(shapes, "PathStroke 255,32,226,224 t3");
    ASSERT_EQ(holds.size(), 2u) << span;
    EXPECT_TRUE(holds[0].IsHorizontalLine(372.f, 482.f, 541.f, 2e-3f)) << span;
  }
}

// A parameter 0.25..1.9 with steps of 0.5, stepped or not (the meter snaps either way): its ends lie off the
// step's grid, so clamping before snapping differs from snapping before clamping. Normalised: (v - 0.25) / 1.65.
TEST_F(MeterTest, ParamValueIsClampedThenSnappedThenNormalisedThenClamped) {
  auto* m = Add(new Meter({0, 0, 100, 300}, FakeDelegate::kInt, -1, "", BareStyle(), false, false));
  const struct {
    float value;
    double normalized;
  } rows[] = {
      {0.f, 0.25 / 1.65},   // 0.25, snapped up to 0.5
      {1.2f, 0.75 / 1.65},  // 1.0
      {1.3f, 1.25 / 1.65},  // 1.5
      {5.f, 1.0},           // 1.9, snapped to 2.0 beyond the range, 1.06 clamped
      {-3.f, 0.25 / 1.65},  // 0.25, snapped up to 0.5
  };
  for (const int flags : {int{kFlagStepped}, 0}) {
    dlg.GetParam(FakeDelegate::kInt)->InitDouble("Odd", 0.5, 0.25, 1.9, 0.5, "", flags);
    for (const auto& row : rows) {
      m->SetParamValue(0, row.value);
      EXPECT_NEAR(m->GetValue(0), row.normalized, 1e-12) << row.value << " flags " << flags;
    }
    m->SetParamValue(0, std::nanf(""));
    EXPECT_NEAR(m->GetValue(0), 0.25 / 1.65, 1e-12);
    // A negative step snaps to the same grid as its size.
    dlg.GetParam(FakeDelegate::kInt)->InitDouble("Negative", 0.5, 0.25, 1.9, -0.5, "", flags);
    m->SetParamValue(0, 1.2f);
    EXPECT_NEAR(m->GetValue(0), 0.75 / 1.65, 1e-12) << flags;
    // A step of 0 or an infinite one gives no grid: the value is only clamped, and it is set.
    for (const double step : {0.0, std::numeric_limits<double>::infinity()}) {
      dlg.GetParam(FakeDelegate::kInt)->InitDouble("Gridless", 0.5, 0.25, 1.9, step, "", flags);
      for (const float value : {1.2f, 0.f, 5.f}) {
        m->SetValue(0.5);
        m->SetParamValue(0, value);
        EXPECT_NEAR(m->GetValue(0), (std::clamp(static_cast<double>(value), 0.25, 1.9) - 0.25) / 1.65, 1e-7)
            << value << " step " << step << " flags " << flags;
      }
    }
  }
}

}  // namespace
}  // namespace fx::gfx::test
