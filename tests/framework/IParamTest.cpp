#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>

namespace fx {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Display(const IParam& param, double value, bool normalized = false, bool withDisplayText = true) {
  FwString out;
  param.GetDisplay(value, normalized, out, withDisplayText);
  return out.Get();
}

TEST(IParam, FreshParameter) {
  IParam param;
  EXPECT_EQ(param.Type(), kTypeNone);
  EXPECT_EQ(param.Unit(), kUnitCustom);
  EXPECT_EQ(param.GetMin(), 0.0);
  EXPECT_EQ(param.GetMax(), 1.0);
  EXPECT_EQ(param.GetStep(), 1.0);
  EXPECT_EQ(param.GetDefault(), 0.0);
  EXPECT_EQ(param.Value(), 0.0);
  EXPECT_EQ(param.GetShape()->GetDisplayType(), 0);
  EXPECT_STREQ(param.GetName(), "");
  EXPECT_EQ(param.NDisplayTexts(), 0);
  EXPECT_FALSE(param.GetMinIsMinusInfinity());
  EXPECT_TRUE(param.GetIsPreset());
}

TEST(IParam, InitDoubleRaisesMaxToMinPlusStep) {
  IParam param;
  param.InitDouble("p", 0.0, 2.0, 1.0, 0.5);
  EXPECT_EQ(param.GetMax(), 2.5);
  EXPECT_EQ(param.Value(), 2.0);  // default clamped into the range
}

// A step whose sum with min overflows raises nothing, as an infinite one does: the range stays finite.
TEST(IParam, AStepThatOverflowsRaisesNothing) {
  IParam param;
  param.InitDouble("p", 1e308, 1e308, 0.0, 1e308);
  EXPECT_EQ(param.GetMax(), 1e308);
  EXPECT_EQ(param.Value(), 1e308);
  param.InitDouble("p", -1e308, -1e308, -1e308, -1e308);
  EXPECT_EQ(param.GetMax(), -1e308);
}

// Bounds may be infinite, the stored value never is: a value that stays infinite at an endless end keeps the
// current one (as NaN does), a value the range holds is stored, and a default that is not finite is the
// nearest finite value the range holds (the one nearest 0 when the nearest is infinite). A range with an
// endless end normalises to 0, never NaN.
TEST(IParam, InfiniteBoundsNeverPutAnInfiniteValueOrANaNNormalisation) {
  const struct {
    double defaultVal, min, max;
    double expectedDefault;
  } rows[] = {{0.0, 0.0, kInf, 0.0},   {kInf, 0.0, kInf, 0.0},     {kInf, 2.0, kInf, 2.0},  {kInf, 0.0, 10.0, 10.0},
              {kNaN, -kInf, 5.0, 0.0}, {-kInf, -kInf, -3.0, -3.0}, {0.0, -kInf, kInf, 0.0}, {kNaN, -kInf, kInf, 0.0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.defaultVal << " in " << row.min << " .. " << row.max);
    IParam param;
    param.InitDouble("p", row.defaultVal, row.min, row.max, 0.0);
    EXPECT_EQ(param.GetDefault(), row.expectedDefault);
    EXPECT_EQ(param.Value(), row.expectedDefault);
    for (const double normalized : {0.0, 0.5, 1.0}) {
      param.SetNormalized(normalized);
      EXPECT_TRUE(std::isfinite(param.Value())) << normalized;
      param.Set(param.FromNormalized(normalized));
      EXPECT_TRUE(std::isfinite(param.Value())) << normalized;
    }
    for (const double value : {kInf, -kInf}) {
      param.Set(2.5);
      const double before = param.Value();
      const double clamped = std::clamp(value, row.min, row.max);
      param.Set(value);
      EXPECT_EQ(param.Value(), std::isfinite(clamped) ? clamped : before) << value;
    }
    param.Set(row.expectedDefault);
    EXPECT_EQ(param.Value(), row.expectedDefault);
    param.SetToDefault();
    EXPECT_EQ(param.Value(), row.expectedDefault);
    EXPECT_FALSE(std::isnan(param.ToNormalized(row.expectedDefault)));
    EXPECT_FALSE(std::isnan(param.GetDefault(true)));
  }
}

struct PrecisionRow {
  double step;
  int precision;
};

void PrintTo(const PrecisionRow& row, std::ostream* os) {
  *os << "step " << row.step;
}

class PrecisionFromStep : public testing::TestWithParam<PrecisionRow> {};

TEST_P(PrecisionFromStep, CountsTheDecimalsOfTheStep) {
  IParam param;
  param.InitDouble("p", 0.0, 0.0, 100.0, GetParam().step);
  EXPECT_EQ(param.GetDisplayPrecision(), GetParam().precision) << GetParam().step;
}

INSTANTIATE_TEST_SUITE_P(Steps, PrecisionFromStep,
                         testing::Values(PrecisionRow{0.25, 2}, PrecisionRow{0.001, 3}, PrecisionRow{1e-7, 6},
                                         PrecisionRow{2.0, 0}, PrecisionRow{0.01, 2}, PrecisionRow{0.07, 2},
                                         PrecisionRow{0.1, 1}, PrecisionRow{0.00001, 5}, PrecisionRow{0.0, 0},
                                         PrecisionRow{1e-10, 6}, PrecisionRow{1e-9, 6}, PrecisionRow{-0.25, 2},
                                         PrecisionRow{-3.0, 0}));

TEST(IParam, TinyStepShowsSixDecimals) {
  IParam param;
  param.InitDouble("p", 0.7, 0.0, 1.0, 1e-10);
  EXPECT_EQ(Display(param, 0.7), "0.700000");
}

// A negative step is kept as given: max stays (min + step is below it), and rounding to it rounds to its
// magnitude, as round(v / step) x step does.
TEST(IParam, NegativeStepIsStoredAndRoundsToItsMagnitude) {
  IParam param;
  param.InitDouble("p", 0.7, 0.0, 2.0, -0.5, "", kFlagStepped);
  EXPECT_EQ(param.GetStep(), -0.5);
  EXPECT_EQ(param.GetMax(), 2.0);
  EXPECT_EQ(param.Value(), 0.5);
  const std::pair<double, double> rows[] = {{1.3, 1.5}, {0.2, 0.0}, {1.74, 1.5}, {1.76, 2.0}, {5.0, 2.0}};
  for (const auto& [set, stored] : rows) {
    param.Set(set);
    EXPECT_EQ(param.Value(), stored) << set;
  }
  // With max below min the range never turns over (a clamp into it would store a value below min): max
  // becomes min.
  param.InitDouble("p", 0.0, 0.0, -1.0, -0.5);
  EXPECT_EQ(param.GetMax(), 0.0);
  param.Set(3.0);
  EXPECT_EQ(param.Value(), 0.0);
}

// The precision is kept as given; printf's "%.*f" reads a negative one as none given: six decimals.
TEST(IParam, DisplayPrecisionIsStoredAsGiven) {
  const struct {
    int precision;
    int flags;
    const char* shown;
  } rows[] = {{-1, 0, "2.500000"}, {-7, kFlagSignDisplay, "+2.500000"}, {3, 0, "2.500"}, {0, 0, "3"}};
  for (const auto& row : rows) {
    IParam param;
    param.InitDouble("p", 0.0, -10.0, 10.0, 0.1, "", row.flags);
    param.SetDisplayPrecision(row.precision);
    EXPECT_EQ(param.GetDisplayPrecision(), row.precision);
    EXPECT_EQ(Display(param, 2.5), row.shown) << row.precision;
  }
}

TEST(IParam, SteppedDefaultIsRounded) {
  IParam param;
  param.InitDouble("p", 0.7, 0.0, 2.0, 0.5, "", kFlagStepped);
  EXPECT_EQ(param.Value(), 0.5);
  EXPECT_EQ(param.GetDefault(), 0.7);
  param.SetToDefault();  // restoring defaults neither rounds nor clamps
  EXPECT_EQ(param.Value(), 0.7);
}

TEST(IParam, InitVariantsSetTypeUnitLabelAndStep) {
  IParam b, i, e, f, s, ms, g, pc, deg;
  b.InitBool("b", true);
  i.InitInt("i", 3, 1, 8, "voices");
  e.InitEnum("e", 1, {"A", "B", "C"});
  f.InitFrequency("f", 1000.0, 20.0, 20000.0, 1.0);
  s.InitSeconds("s", 1.0, 0.0, 10.0, 0.1);
  ms.InitMilliseconds("ms", 10.0, 0.0, 100.0);
  g.InitGain("g", 0.0, -70.0, 12.0, 0.1);
  pc.InitPercentage("pc", 50.0, 0.0, 100.0);
  deg.InitAngleDegrees("deg", 0.0, -180.0, 180.0);

  EXPECT_EQ(b.Type(), kTypeBool);
  EXPECT_EQ(b.Value(), 1.0);
  EXPECT_TRUE(b.GetStepped());
  EXPECT_EQ(i.Type(), kTypeInt);
  EXPECT_STREQ(i.GetLabel(), "voices");
  EXPECT_TRUE(i.GetStepped());
  EXPECT_EQ(e.Type(), kTypeEnum);
  EXPECT_EQ(e.GetMax(), 2.0);
  EXPECT_EQ(e.NDisplayTexts(), 3);
  EXPECT_EQ(f.Unit(), kUnitFrequency);
  EXPECT_STREQ(f.GetLabel(), "Hz");
  EXPECT_EQ(f.GetShape()->GetDisplayType(), 1);
  EXPECT_EQ(s.Unit(), kUnitSeconds);
  EXPECT_STREQ(s.GetLabel(), "Seconds");
  EXPECT_EQ(ms.Unit(), kUnitMilliseconds);
  EXPECT_EQ(ms.GetStep(), 1.0);
  EXPECT_EQ(g.Unit(), kUnitDB);
  EXPECT_STREQ(g.GetLabel(), "dB");
  EXPECT_EQ(pc.Unit(), kUnitPercentage);
  EXPECT_STREQ(pc.GetLabel(), "%");
  EXPECT_EQ(deg.Unit(), kUnitDegrees);
  EXPECT_STREQ(deg.GetLabel(), "degrees");
  for (const IParam* p : {&f, &s, &ms, &g, &pc, &deg}) EXPECT_EQ(p->Type(), kTypeDouble);
}

TEST(IParam, InitPitchNamesTheNotes) {
  IParam c4, c3;
  c4.InitPitch("note", 0, 60, 62, 0, "", true);
  c3.InitPitch("note", 0, 60, 62, 0, "", false);
  ASSERT_EQ(c4.NDisplayTexts(), 3);
  const char* expectedC4[] = {"C 4", "C#4", "D 4"};
  const char* expectedC3[] = {"C 3", "C#3", "D 3"};
  for (int i = 0; i < 3; ++i) {
    double value = -1.0;
    EXPECT_STREQ(c4.GetDisplayTextAtIdx(i, &value), expectedC4[i]);
    EXPECT_EQ(value, i);
    EXPECT_STREQ(c3.GetDisplayTextAtIdx(i), expectedC3[i]);
  }
  EXPECT_EQ(c4.Type(), kTypeEnum);
  EXPECT_EQ(c4.GetMax(), 2.0);
  // Notes below 0 take their names from the top of the octave (A# is ten semitones above C).
  IParam low;
  low.InitPitch("note", 0, -2, 0, 0, "", true);
  const char* expectedLow[] = {"A#-1", "B -1", "C -1"};
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(low.GetDisplayTextAtIdx(i), expectedLow[i]);
}

TEST(IParam, InitEnumFromArguments) {
  IParam all, fewer, none;
  all.InitEnum("e", 0, 3, "", 0, "", "one", "two", "three");
  fewer.InitEnum("e", 0, 3, "", 0, "", "one");
  none.InitEnum("e", 2, 4);
  EXPECT_EQ(all.NDisplayTexts(), 3);
  EXPECT_STREQ(all.GetDisplayText(2.0), "three");
  EXPECT_EQ(fewer.NDisplayTexts(), 1);  // only the texts passed are read
  EXPECT_EQ(fewer.GetMax(), 2.0);
  EXPECT_EQ(none.NDisplayTexts(), 0);
  EXPECT_EQ(none.Value(), 2.0);
}

struct DisplayRow {
  const char* what;
  double step;
  int flags;
  EParamDisplayMode mode;
  bool minIsInf;
  double value;
  const char* expected;
};

void PrintTo(const DisplayRow& row, std::ostream* os) {
  *os << row.what;
}

// Parameter range -1 .. 1 unless the mode works on 0 .. 1.
class DisplayString : public testing::TestWithParam<DisplayRow> {};

TEST_P(DisplayString, FormatsTheValue) {
  const DisplayRow row = GetParam();
  IParam param;
  const bool unitRange = row.mode != kDisplayPlain;
  param.InitDouble("p", 0.0, unitRange ? 0.0 : -100.0, unitRange ? 1.0 : 100.0, row.step, "", row.flags);
  param.SetDisplayMode(row.mode);
  param.SetDisplayExtents(-48.0, 24.0);
  param.SetMinIsMinusInfinity(row.minIsInf);
  EXPECT_EQ(Display(param, row.value), row.expected) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DisplayString,
    testing::Values(
        DisplayRow{"minus zero", 0.1, 0, kDisplayPlain, false, -0.0, "0.0"},
        DisplayRow{"sign and two decimals", 0.01, kFlagSignDisplay, kDisplayPlain, false, 0.5, "+0.50"},
        DisplayRow{"sign on zero", 0.01, kFlagSignDisplay, kDisplayPlain, false, 0.0, "0.00"},
        DisplayRow{"sign on negative", 0.01, kFlagSignDisplay, kDisplayPlain, false, -3.456, "-3.46"},
        DisplayRow{"precision 0 rounds", 1.0, 0, kDisplayPlain, false, 2.5, "3"},
        DisplayRow{"precision 0 small negative", 1.0, 0, kDisplayPlain, false, -0.4, "0"},
        DisplayRow{"precision 0 has no sign", 1.0, kFlagSignDisplay, kDisplayPlain, false, 7.0, "7"},
        DisplayRow{"precision 0 past the int range", 1.0, 0, kDisplayPlain, false, 5e9, "5000000000"},
        DisplayRow{"precision 0 past the int range below", 1.0, 0, kDisplayPlain, false, -3e12, "-3000000000000"},
        DisplayRow{"negated", 0.1, kFlagNegateDisplay, kDisplayPlain, false, 2.5, "-2.5"},
        DisplayRow{"negated zero", 0.1, kFlagNegateDisplay, kDisplayPlain, false, 0.0, "0.0"},
        DisplayRow{"percent", 0.001, 0, kDisplayPercent, false, 0.25, "25.000"},
        DisplayRow{"percent -inf", 0.001, 0, kDisplayPercent, true, 0.0, "-inf"},
        DisplayRow{"bipolar percent", 0.01, 0, kDisplayBipolarPercent, false, 0.25, "-50.00"},
        DisplayRow{"bipolar percent -inf", 0.01, 0, kDisplayBipolarPercent, true, 0.0, "-inf"},
        DisplayRow{"bipolar scaled upper", 0.01, kFlagSignDisplay, kDisplayBipolarScaled, false, 0.75, "+12.00"},
        DisplayRow{"bipolar scaled lower", 0.01, kFlagSignDisplay, kDisplayBipolarScaled, false, 0.25, "-24.00"},
        DisplayRow{"bipolar scaled middle", 0.01, kFlagSignDisplay, kDisplayBipolarScaled, false, 0.5, "0.00"},
        DisplayRow{"bipolar scaled bottom", 0.01, kFlagSignDisplay, kDisplayBipolarScaled, false, 0.0, "-48.00"},
        DisplayRow{"bipolar scaled -inf", 0.01, kFlagSignDisplay, kDisplayBipolarScaled, true, 0.0, "-inf"},
        DisplayRow{"plain never -inf", 0.1, 0, kDisplayPlain, true, -100.0, "-100.0"}));

TEST(IParam, DisplayOfANormalizedValueIsSteppedAndClamped) {
  IParam param;
  param.InitDouble("p", 0.0, 0.0, 10.0, 2.0, "", kFlagStepped);
  EXPECT_EQ(Display(param, 0.33, true), "4");
  EXPECT_EQ(Display(param, 1.7, true), "10");
}

TEST(IParam, DisplayTextsAndDisplayFunction) {
  IParam param;
  param.InitEnum("mode", 0, {"STEREO", "MID/SIDE"});
  EXPECT_EQ(Display(param, 1.0), "MID/SIDE");
  EXPECT_EQ(Display(param, 1.0, false, false), "1");

  IParam custom;
  custom.InitDouble("c", 0.0, 0.0, 1.0, 0.01, "", 0, "", IParam::ShapeLinear(), kUnitCustom,
                    [](double value, FwString& out) { out.SetFormatted(32, "<%.1f>", value); });
  EXPECT_EQ(Display(custom, 0.5, true), "<0.5>");
}

TEST(IParam, DisplayIsAtMost32Characters) {
  IParam param;
  param.InitDouble("p", 0.0, 0.0, 1e300, 0.000001);
  EXPECT_EQ(Display(param, 1e300).size(), 32u);
}

TEST(IParam, EarlierDisplayTextWins) {
  IParam param;
  param.InitDouble("p", 0.0, 0.0, 1.0, 0.5);
  param.SetDisplayText(0.5, "half");
  param.SetDisplayText(0.5, "other");
  EXPECT_STREQ(param.GetDisplayText(0.5), "half");
  EXPECT_STREQ(param.GetDisplayText(0.25), "");
  double value = 0.0;
  EXPECT_TRUE(param.MapDisplayText("other", &value));
  EXPECT_EQ(value, 0.5);
  EXPECT_FALSE(param.MapDisplayText("HALF", &value));
  EXPECT_FALSE(param.MapDisplayText(nullptr, &value));
  EXPECT_STREQ(param.GetDisplayTextAtIdx(7), "");
}

struct TextRow {
  const char* what;
  int flags;
  EParamDisplayMode mode;
  const char* text;
  double value;
};

void PrintTo(const TextRow& row, std::ostream* os) {
  *os << row.what;
}

// Parameter 0 .. 1 for the display modes, -100 .. 100 for plain, step 0.01.
class TextToValue : public testing::TestWithParam<TextRow> {};

TEST_P(TextToValue, InvertsTheDisplay) {
  const TextRow row = GetParam();
  IParam param;
  const bool unitRange = row.mode != kDisplayPlain;
  param.InitDouble("p", 0.0, unitRange ? 0.0 : -100.0, unitRange ? 1.0 : 100.0, 0.01, "", row.flags);
  param.SetDisplayMode(row.mode);
  param.SetDisplayExtents(-48.0, 24.0);
  param.SetMinIsMinusInfinity(true);
  EXPECT_NEAR(param.StringToValue(row.text), row.value, 1e-12) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Rows, TextToValue,
                         testing::Values(TextRow{"plain", 0, kDisplayPlain, "12.5", 12.5},
                                         TextRow{"trailing label", 0, kDisplayPlain, "-3.25 dB", -3.25},
                                         TextRow{"no number", 0, kDisplayPlain, "abc", 0.0},
                                         TextRow{"clamped", 0, kDisplayPlain, "1000", 100.0},
                                         TextRow{"stepped", kFlagStepped, kDisplayPlain, "1.234", 1.23},
                                         TextRow{"negated", kFlagNegateDisplay, kDisplayPlain, "7", -7.0},
                                         TextRow{"percent", 0, kDisplayPercent, "25", 0.25},
                                         TextRow{"bipolar percent", 0, kDisplayBipolarPercent, "-50", 0.25},
                                         TextRow{"scaled upper", 0, kDisplayBipolarScaled, "+12", 0.75},
                                         TextRow{"scaled lower", 0, kDisplayBipolarScaled, "-24", 0.25},
                                         TextRow{"scaled -inf", 0, kDisplayBipolarScaled, "-inf", 0.0},
                                         TextRow{"decimal comma reads the integer part", 0, kDisplayPlain, "2,5",
                                                 2.0}));

TEST(IParam, DisplayAndTextRoundTrip) {
  IParam param;
  param.InitDouble("gain", 0.5, 0.0, 1.0, 0.01, "dB", kFlagSignDisplay);
  param.SetDisplayMode(kDisplayBipolarScaled);
  param.SetDisplayExtents(-48.0, 48.0);
  for (int i = 1; i <= 100; ++i) {
    const double value = i / 100.0;
    const std::string text = Display(param, value);
    EXPECT_NEAR(param.StringToValue(text.c_str()), value, 0.005) << text;
  }
}

TEST(IParam, TextToValueOfEnumsAndDisplayTexts) {
  IParam e;
  e.InitEnum("e", 0, {"off", "on"});
  EXPECT_EQ(e.StringToValue("on"), 1.0);
  EXPECT_EQ(e.StringToValue("abc"), 0.0);
  EXPECT_EQ(e.StringToValue("1"), 0.0);  // enums read only their texts

  IParam d;
  d.InitDouble("d", 0.0, 0.0, 10.0, 0.1);
  d.SetDisplayText(7.5, "seven and a half");
  EXPECT_EQ(d.StringToValue("seven and a half"), 7.5);
}

TEST(IParam, LabelIsHiddenWhenTheValueHasAText) {
  IParam e;
  e.InitEnum("e", 1, {"off", "on"}, "units");
  EXPECT_STREQ(e.GetLabel(), "");
  IParam d;
  d.InitDouble("d", 1.7, 0.0, 10.0, 0.1, "dB");
  d.SetDisplayText(1.0, "one");  // truncation of 1.7 has a text
  EXPECT_STREQ(d.GetLabel(), "");
  d.Set(2.2);
  EXPECT_STREQ(d.GetLabel(), "dB");
}

TEST(IParam, DisplayWithLabel) {
  IParam gain;
  gain.InitGain("gain", -6.0, -60.0, 12.0, 0.1);
  FwString text;
  gain.GetDisplayWithLabel(text);
  EXPECT_STREQ(text.Get(), "-6.0 dB");

  IParam e;
  e.InitEnum("e", 1, {"off", "on"}, "units");
  e.GetDisplayWithLabel(text);
  EXPECT_STREQ(text.Get(), "on");

  IParam bare;
  bare.InitInt("n", 3, 0, 9);
  bare.GetDisplayWithLabel(text);
  EXPECT_STREQ(text.Get(), "3");
}

TEST(IParam, ValueWritesRoundAndClamp) {
  IParam param;
  param.InitDouble("p", 0.0, -1.0, 1.0, 0.25, "", kFlagStepped);
  param.Set(0.3);
  EXPECT_EQ(param.Value(), 0.25);
  param.Set(5.0);
  EXPECT_EQ(param.Value(), 1.0);
  param.SetNormalized(0.0);
  EXPECT_EQ(param.Value(), -1.0);
  EXPECT_EQ(param.GetNormalized(), 0.0);
  param.SetNormalized(0.6);
  EXPECT_EQ(param.Value(), 0.25);
  EXPECT_DOUBLE_EQ(param.GetNormalized(), 0.625);
  EXPECT_EQ(param.GetDefault(true), 0.5);
}

TEST(IParam, NaNNeverReachesTheValue) {
  IParam param;
  param.InitDouble("p", 0.5, 0.0, 1.0, 0.01);
  param.Set(0.3);
  param.Set(kNaN);
  EXPECT_EQ(param.Value(), 0.3);
  param.SetNormalized(kNaN);
  EXPECT_EQ(param.Value(), 0.3);
  EXPECT_EQ(param.Constrain(kNaN), 0.3);
  EXPECT_EQ(param.StringToValue("nan"), 0.3);
  EXPECT_EQ(param.StringToValue("-nan"), 0.3);
}

TEST(IParam, NaNDefaultBecomesTheMinimum) {
  IParam param;
  param.InitDouble("p", kNaN, -5.0, 5.0, 0.1);
  EXPECT_EQ(param.GetDefault(), -5.0);
  EXPECT_EQ(param.Value(), -5.0);
  param.SetToDefault();
  EXPECT_EQ(param.Value(), -5.0);
}

// A NaN bound or step would make every clamp or rounding NaN: min becomes 0, max becomes min, step 0.
TEST(IParam, NaNBoundsAndStepAreReplaced) {
  IParam param;
  param.InitDouble("p", -3.0, kNaN, 2.0, 0.5, "", kFlagStepped);
  EXPECT_EQ(param.GetMin(), 0.0);
  EXPECT_EQ(param.Value(), 0.0);
  param.InitDouble("p", 3.0, 1.0, kNaN, 0.0);
  EXPECT_EQ(param.GetMax(), 1.0);
  EXPECT_EQ(param.Value(), 1.0);
  param.InitDouble("p", 0.37, 0.0, 1.0, kNaN, "", kFlagStepped);
  EXPECT_EQ(param.GetStep(), 0.0);
  EXPECT_EQ(param.Value(), 0.37);
}

// A step of 0, or an infinite one, leaves values unrounded: rounding to it would give NaN. An infinite step
// leaves the range as given.
TEST(IParam, SteppedWithZeroStepIsNotRounded) {
  IParam param;
  param.InitDouble("p", 0.37, 0.0, 1.0, 0.0, "", kFlagStepped);
  EXPECT_EQ(param.Value(), 0.37);
  param.Set(0.51);
  EXPECT_EQ(param.Value(), 0.51);
  EXPECT_FALSE(std::isnan(param.StringToValue("0.2")));
  param.InitDouble("p", 0.37, 0.0, 1.0, std::numeric_limits<double>::infinity(), "", kFlagStepped);
  EXPECT_EQ(param.Value(), 0.37);
  param.Set(0.51);
  EXPECT_EQ(param.Value(), 0.51);
  EXPECT_EQ(param.GetMax(), 1.0);
  EXPECT_DOUBLE_EQ(param.GetNormalized(), 0.51);
}

// Display mode 1 with an extent of 0: a typed value divided by it is infinite and clamps to an end; 0 typed
// (0 / 0) is the midpoint.
TEST(IParam, ZeroDisplayExtentClampsTypedValues) {
  IParam param;
  param.InitDouble("p", 0.5, 0.0, 1.0, 0.01);
  param.SetDisplayMode(kDisplayBipolarScaled);
  param.SetDisplayExtents(0.0, 0.0);
  const std::pair<const char*, double> rows[] = {{"3", 1.0}, {"-3", 1.0}, {"0", 0.5}, {"-0", 0.5}};
  for (const auto& [text, value] : rows) EXPECT_EQ(param.StringToValue(text), value) << text;
}

TEST(IParam, InfiniteTextIsClamped) {
  IParam param;
  param.InitDouble("p", 0.0, -10.0, 10.0, 0.1);
  EXPECT_EQ(param.StringToValue("inf"), 10.0);
  EXPECT_EQ(param.StringToValue("-inf"), -10.0);
}

TEST(IParam, LongTextsAreCutToTheFields) {
  const std::string longName(40, 'n');
  const std::string longText(50, 't');
  IParam param;
  param.InitDouble(longName.c_str(), 0.0, 0.0, 1.0, 0.1, longText.c_str(), 0, longText.c_str());
  param.SetDisplayText(0.5, longText.c_str());
  EXPECT_EQ(std::strlen(param.GetName()), 31u);
  EXPECT_EQ(std::strlen(param.GetCustomLabel()), 31u);
  EXPECT_EQ(std::strlen(param.GetGroup()), 31u);
  EXPECT_EQ(std::strlen(param.GetDisplayText(0.5)), 31u);
  param.SetLabel(longText.c_str());
  EXPECT_EQ(std::strlen(param.GetCustomLabel()), 31u);
}

TEST(IParam, CutTextsNeverSplitAUtf8Character) {
  // 30 ASCII bytes, then "é" (2 bytes) would end at byte 32: the é is dropped whole.
  const std::string name = std::string(30, 'a') + "\xC3\xA9" + "b";
  IParam param;
  param.InitBool(name.c_str(), false, nullptr, 0, nullptr, nullptr, "on");
  EXPECT_EQ(std::string(param.GetName()), std::string(30, 'a'));
  EXPECT_STREQ(param.GetCustomLabel(), "");
  EXPECT_STREQ(param.GetDisplayText(0.0), "");
}

TEST(IParam, InitCopiesWithSearchAndReplace) {
  IParam source;
  source.InitEnum("Left Gain Lock", 1, {"off", "on"}, "", kFlagCannotAutomate, "Left");
  IParam copy;
  copy.Init(source, "Left", "Right", "Right side");
  EXPECT_STREQ(copy.GetName(), "Right Gain Lock");
  EXPECT_STREQ(copy.GetGroup(), "Right side");
  EXPECT_EQ(copy.Type(), kTypeEnum);
  EXPECT_EQ(copy.GetFlags(), kFlagCannotAutomate | kFlagStepped);
  EXPECT_EQ(copy.NDisplayTexts(), 2);
  EXPECT_STREQ(copy.GetDisplayText(1.0), "on");

  IParam unchanged;
  unchanged.Init(source, "absent", "x", "");
  EXPECT_STREQ(unchanged.GetName(), "Left Gain Lock");
  EXPECT_STREQ(unchanged.GetGroup(), "Left");
  IParam emptySearch;
  emptySearch.Init(source, "", "x");
  EXPECT_STREQ(emptySearch.GetName(), "Left Gain Lock");
}

TEST(IParam, CopyKeepsShapeAndUnit) {
  IParam source;
  source.InitFrequency("freq", 1000.0, 20.0, 20000.0, 1.0);
  IParam copy;
  copy.Init(source, "freq", "frequency", nullptr);
  EXPECT_STREQ(copy.GetName(), "frequency");
  EXPECT_EQ(copy.Unit(), kUnitFrequency);
  EXPECT_NEAR(copy.FromNormalized(0.5), 632.0, 0.5);
}

TEST(IParam, JSONDescription) {
  IParam param;
  param.InitDouble("Gain", 0.5, 0.0, 1.0, 0.01, "dB", 0, "", IParam::ShapePowCurve(3.0));
  FwString json("[");
  param.GetJSON(json, 5);
  EXPECT_STREQ(json.Get(),
               "[{\"id\":5, \"name\":\"Gain\", \"type\":\"float\", \"min\":0.000000, "
               "\"max\":1.000000, \"default\":0.500000, \"display_type\":6, \"rate\":\"control\"}");
}

TEST(IParam, JSONEscapesNamesAndLeavesOutTypeNone) {
  IParam param;
  param.InitDouble("a\"b\\c\nd\x01", 0.0, 0.0, 1.0, 1.0);
  IParam none;
  FwString json;
  param.GetJSON(json, 0);
  EXPECT_NE(std::string(json.Get()).find("\"name\":\"a\\\"b\\\\c\\nd\\u0001\""), std::string::npos) << json.Get();
  json.Set("");
  none.GetJSON(json, 1);
  EXPECT_EQ(std::string(json.Get()).find("\"type\""), std::string::npos) << json.Get();
  // JSON has no infinity: such a bound is null.
  IParam endless;
  endless.InitDouble("e", 0.0, -std::numeric_limits<double>::infinity(), 1.0, 0.0);
  json.Set("");
  endless.GetJSON(json, 2);
  EXPECT_NE(std::string(json.Get()).find("\"min\":null, \"max\":1.000000, "), std::string::npos) << json.Get();
}

}  // namespace
}  // namespace fx
