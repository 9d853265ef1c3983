// The plug-in's DSP pieces on their own, against closed-form references.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "framework/IParam.h"
#include "plugin/AutomationBuffer.h"
#include "plugin/FaderLaw.h"
#include "plugin/GainRamp.h"
#include "plugin/HostDisplayNames.h"
#include "plugin/IBufferSender.h"
#include "plugin/MeterBank.h"
#include "plugin/PowerFade.h"
#include "plugin/ShapeLinearExt.h"
#include "plugin/SmoothingFilter.h"
#include "plugin/TestOscillator.h"

namespace {

double ReferenceGain(double dB) {
  return std::pow(10.0, dB / 20.0);
}

// ---- Fader shape ----

class FaderShapeTest : public testing::TestWithParam<int> {
 protected:
  FaderShapeTest() { mParam.InitDouble("MVol", 0.5, 0.0, 1.0, 0.01); }
  fx::IParam mParam;
};

TEST_P(FaderShapeTest, EndsAndMiddleMapExactly) {
  const double s = GetParam();
  const kd::ShapeLinearExt shape(0.5, 0.5, s, s);
  EXPECT_EQ(shape.NormalizedToValue(0.0, mParam), 0.0);
  EXPECT_EQ(shape.NormalizedToValue(0.5, mParam), 0.5);
  EXPECT_EQ(shape.NormalizedToValue(1.0, mParam), 1.0);
  EXPECT_EQ(shape.ValueToNormalized(0.0, mParam), 0.0);
  EXPECT_EQ(shape.ValueToNormalized(0.5, mParam), 0.5);
  EXPECT_EQ(shape.ValueToNormalized(1.0, mParam), 1.0);
}

// Above the joint v = 0.5 + 0.5 (2x - 1)^s, below it v = 0.5 (1 - (1 - 2x)^s): written out independently.
TEST_P(FaderShapeTest, FollowsTheTwoPowerCurvesAndInvertsThem) {
  const double s = GetParam();
  const kd::ShapeLinearExt shape(0.5, 0.5, s, s);
  for (double x = 0.0; x <= 1.0; x += 0.03125) {
    const double expected =
        x >= 0.5 ? 0.5 + 0.5 * std::pow(2.0 * x - 1.0, s) : 0.5 * (1.0 - std::pow(1.0 - 2.0 * x, s));
    const double value = shape.NormalizedToValue(x, mParam);
    EXPECT_NEAR(value, expected, 1e-15) << "x " << x;
    EXPECT_NEAR(shape.ValueToNormalized(value, mParam), x, 1e-9) << "x " << x;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes1To10, FaderShapeTest, testing::Range(1, 11));

TEST(FaderShape, CloneKeepsTheExponentsAndSetExponentsChangesThem) {
  kd::ShapeLinearExt shape(0.5, 0.5, 3.0, 3.0);
  std::unique_ptr<fx::IParam::Shape> copy(shape.Clone());
  shape.SetExponents(2.0, 2.0);
  EXPECT_EQ(static_cast<kd::ShapeLinearExt&>(*copy).LowExp(), 3.0);
  EXPECT_EQ(shape.HighExp(), 2.0);
}

// ---- Fader law ----

struct FaderRow {
  double position;
  double minGain;
  double maxGain;
  double dB;
};

void PrintTo(const FaderRow& row, std::ostream* os) {
  *os << "position " << row.position << " in " << row.minGain << " .. " << row.maxGain << " dB";
}

class FaderLawTest : public testing::TestWithParam<FaderRow> {};

TEST_P(FaderLawTest, PositionGivesDBAndGain) {
  const FaderRow& row = GetParam();
  const double dB = kd::FaderPositionToDB(row.position, row.minGain, row.maxGain);
  EXPECT_NEAR(dB, row.dB, 1e-12);
  EXPECT_NEAR(kd::DBToGain(dB), ReferenceGain(row.dB), 1e-13 * ReferenceGain(row.dB));
}

INSTANTIATE_TEST_SUITE_P(Rows, FaderLawTest,
                         testing::Values(FaderRow{0.5, -48, 48, 0.0}, FaderRow{0.5, -240, 1, 0.0},
                                         FaderRow{0.0, -48, 48, -48.0}, FaderRow{1.0, -48, 48, 48.0},
                                         FaderRow{0.75, -48, 48, 24.0}, FaderRow{0.25, -48, 48, -24.0},
                                         FaderRow{0.0, -96, 12, -96.0}, FaderRow{0.875, -96, 12, 9.0}));

TEST(FaderLaw, MinusInfinityAppliesWhereTheShownDBIsNotAboveTheMinimum) {
  kd::FaderRules rules;                            // -48 .. 48, minus infinity on
  const double atMin = (-47.996 + 48.0) / 96.0;    // shows -48.00
  const double aboveMin = (-47.99 + 48.0) / 96.0;  // shows -47.99
  EXPECT_EQ(kd::FaderGain::Compute(0.0, rules), 0.0);
  EXPECT_EQ(kd::FaderGain::Compute(atMin, rules), 0.0);
  EXPECT_NEAR(kd::FaderGain::Compute(aboveMin, rules), ReferenceGain(-47.99), 1e-12);
  rules.treatMinAsInf = false;
  EXPECT_NEAR(kd::FaderGain::Compute(0.0, rules), ReferenceGain(-48.0), 1e-15);
}

TEST(FaderLaw, LockCapsTheGainAtOne) {
  kd::FaderRules rules;
  rules.lock = true;
  EXPECT_EQ(kd::FaderGain::Compute(0.9, rules), 1.0);
  EXPECT_NEAR(kd::FaderGain::Compute(0.25, rules), ReferenceGain(-24.0), 1e-15);
}

TEST(FaderLaw, CachedGainFollowsPositionAndRules) {
  kd::FaderGain gain;
  kd::FaderRules rules;
  gain.SetRules(rules);
  EXPECT_EQ(gain.Get(0.5), 1.0);
  EXPECT_NEAR(gain.Get(0.75), ReferenceGain(24.0), 1e-12);
  rules.lock = true;
  gain.SetRules(rules);
  EXPECT_EQ(gain.Get(0.75), 1.0);
}

struct ViewRow {
  double gain;
  double position;
};

void PrintTo(const ViewRow& row, std::ostream* os) {
  *os << "gain " << row.gain << " at " << row.position;
}

class ViewPositionTest : public testing::TestWithParam<ViewRow> {};

TEST_P(ViewPositionTest, GainMapsToThePlottedPosition) {
  EXPECT_NEAR(kd::GainToViewPosition(GetParam().gain, -48.0, 48.0), GetParam().position, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Rows, ViewPositionTest,
                         testing::Values(ViewRow{1.0, 0.5}, ViewRow{0.0, 0.0}, ViewRow{-1.0, 0.0},
                                         ViewRow{ReferenceGain(-48.0), 0.0}, ViewRow{ReferenceGain(-96.0), 0.0},
                                         ViewRow{ReferenceGain(48.0), 1.0}, ViewRow{ReferenceGain(96.0), 1.0},
                                         ViewRow{ReferenceGain(-24.0), 0.25}, ViewRow{ReferenceGain(24.0), 0.75}));

// ---- Ramp ----

TEST(GainRamp, ReachesItsTargetAtTheBlocksLength) {
  kd::GainRamp ramp;
  ramp.Reset(0.5, 480);
  ramp.BeginBlock(0.75);
  double position = 0.0;
  for (int i = 0; i < 480; ++i) {
    position = ramp.Next();
    EXPECT_NEAR(position, 0.5 + 0.25 * (i + 1) / 480.0, 1e-12) << "sample " << i;
  }
  EXPECT_NEAR(position, 0.75, 1e-12);
  EXPECT_EQ(ramp.Next(), 0.75);
  ramp.BeginBlock(0.75);
  EXPECT_TRUE(ramp.IsIdle());
  EXPECT_EQ(ramp.Next(), 0.75);
}

TEST(GainRamp, ACutShortRampRestartsFromItsTarget) {
  kd::GainRamp ramp;
  ramp.Reset(0.0, 100);
  ramp.BeginBlock(1.0);
  for (int i = 0; i < 50; ++i) ramp.Next();
  ramp.BeginBlock(1.0);  // no new value: the target at once
  EXPECT_EQ(ramp.Next(), 1.0);
  ramp.BeginBlock(0.0);
  EXPECT_NEAR(ramp.Next(), 0.99, 1e-12);
}

TEST(GainRamp, ZeroLengthCountsAsOneSample) {
  kd::GainRamp ramp;
  ramp.Reset(0.0, 0);
  EXPECT_EQ(ramp.Length(), 1);
  ramp.BeginBlock(1.0);
  EXPECT_EQ(ramp.Next(), 1.0);
}

// ---- Smoothing filter ----

struct DesignRow {
  double corner;
  double rate;
  double expectedCorner;  // after the half-rate limit
};

void PrintTo(const DesignRow& row, std::ostream* os) {
  *os << row.corner << " Hz at " << row.rate << " Hz";
}

class SmoothingDesignTest : public testing::TestWithParam<DesignRow> {};

// The bilinear one-pole at twice the rate: K = tan(pi fc / (2 fs)), b0 = b1 = K / (1 + K),
// a1 = (K - 1) / (K + 1).
TEST_P(SmoothingDesignTest, CoefficientsMatchTheBilinearOnePole) {
  const DesignRow& row = GetParam();
  const auto c = kd::SmoothingFilter::Design(row.corner, row.rate);
  const double k = std::tan(std::numbers::pi * row.expectedCorner / (2.0 * row.rate));
  EXPECT_NEAR(c.b0, k / (1.0 + k), 1e-14);
  EXPECT_NEAR(c.b1, k / (1.0 + k), 1e-14);
  EXPECT_NEAR(c.a1, (k - 1.0) / (k + 1.0), 1e-14);
  EXPECT_EQ(c.a2, 0.0);
  EXPECT_EQ(c.b2, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Rows, SmoothingDesignTest,
                         testing::Values(DesignRow{20500.0, 44100.0, 20500.0}, DesignRow{20500.0, 48000.0, 20500.0},
                                         DesignRow{100.0, 48000.0, 100.0}, DesignRow{1.0, 44100.0, 1.0},
                                         DesignRow{22000.0, 32000.0, 16000.0}, DesignRow{0.0, 48000.0, 1000.0},
                                         DesignRow{-5.0, 48000.0, 1000.0}));

TEST(SmoothingFilter, ASampleRateOfZeroOrNaNGivesNoNaN) {
  for (double rate : {0.0, -1.0, std::nan("")}) {
    const auto c = kd::SmoothingFilter::Design(20500.0, rate);
    EXPECT_TRUE(std::isfinite(c.b0) && std::isfinite(c.a1)) << rate;
  }
}

// Two cascaded first-order stages of time constant tau = 1 / (2 pi fc) settle to 1 % of a step after
// 6.638 tau (the root of 1 - (1 + t) e^-t = 0.99, found numerically once): 507 samples at 100 Hz, 48 kHz.
TEST(SmoothingFilter, CascadeSettlesLikeTwoAnalogStages) {
  kd::SmoothingFilter first;
  kd::SmoothingFilter second;
  const auto c = kd::SmoothingFilter::Design(100.0, 48000.0);
  first.SetCoefficients(c);
  second.SetCoefficients(c);
  int settled = -1;
  for (int n = 0; n < 2000 && settled < 0; ++n) {
    if (second.Tick(first.Tick(1.0)) >= 0.99) settled = n;
  }
  EXPECT_NEAR(settled, 507, 3);
}

TEST(SmoothingFilter, ClearedFilterRunsOneStepAndSetCoefficientsTwo) {
  kd::SmoothingFilter filter;
  EXPECT_EQ(filter.GetMode(), kd::SmoothingFilter::kModeSingle);
  filter.SetCoefficients(kd::SmoothingFilter::Design(1000.0, 48000.0));
  EXPECT_EQ(filter.GetMode(), kd::SmoothingFilter::kModeHeldTwice);
  const double b0 = filter.GetCoefficients().b0;
  const double a1 = filter.GetCoefficients().a1;
  // First step from rest: y = b0 (1 + g) + g, then y' = 2 b0 (1 + g) - a1 y + g with the guard g = 1e-24.
  const double y = b0 * (1.0 + 1e-24) + 1e-24;
  EXPECT_DOUBLE_EQ(filter.Tick(1.0), 2.0 * b0 * (1.0 + 1e-24) - a1 * y + 1e-24);
  filter.Clear();
  EXPECT_EQ(filter.GetMode(), kd::SmoothingFilter::kModeSingle);
  EXPECT_EQ(filter.GetCoefficients().b0, 0.0);
}

// Every mode runs the same plain biquad at twice the sample rate where it takes two steps: held twice,
// the input is repeated; zero-stuffed, the second input is the guard alone (a zero) and the first output,
// doubled, is the result. A single-step filter fed those twice-rate inputs gives the reference, and all
// three settle at the low-pass's DC gain of 1 (the zero at Nyquist removes the stuffing's alternation).
struct ModeRow {
  kd::SmoothingFilter::EMode mode;
  int stepsPerSample;
  bool stuffed;
  double resultScale;
};

void PrintTo(const ModeRow& row, std::ostream* os) {
  *os << "mode " << row.mode;
}

class SmoothingModeTest : public testing::TestWithParam<ModeRow> {};

TEST_P(SmoothingModeTest, RunsThePlainFilterAtItsRateAndSettlesAtOne) {
  const ModeRow& row = GetParam();
  const auto c = kd::SmoothingFilter::Design(2000.0, 48000.0);
  kd::SmoothingFilter filter;
  filter.SetCoefficients(c);
  filter.SetMode(row.mode);
  kd::SmoothingFilter reference;
  reference.SetCoefficients(c);
  reference.SetMode(kd::SmoothingFilter::kModeSingle);
  const double input[] = {1.0, 0.25, -0.5, 1.0, 1.0, 1.0};
  for (double x : input) {
    double expected = reference.Tick(x);
    if (row.stepsPerSample == 2) {
      const double second = reference.Tick(row.stuffed ? 0.0 : x);
      if (!row.stuffed) expected = second;
    }
    const double result = filter.Tick(x);
    EXPECT_NEAR(result, row.resultScale * expected, 1e-15) << x;
    EXPECT_EQ(filter.LastOutput(), result);
    EXPECT_EQ(filter.LastInput(), x + 1e-24);
  }
  double result = 0.0;
  for (int i = 0; i < 4800; ++i) result = filter.Tick(1.0);
  EXPECT_NEAR(result, 1.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Modes, SmoothingModeTest,
                         testing::Values(ModeRow{kd::SmoothingFilter::kModeSingle, 1, false, 1.0},
                                         ModeRow{kd::SmoothingFilter::kModeHeldTwice, 2, false, 1.0},
                                         ModeRow{kd::SmoothingFilter::kModeZeroStuffed, 2, true, 2.0}));

// ---- Power fade ----

struct FadeRow {
  double rate;
  int fadeInTicks;  // ticks that still fade: ceil(ln 100 x N / 2 pi) - 1 with N = 0.1 rate
};

void PrintTo(const FadeRow& row, std::ostream* os) {
  *os << row.rate << " Hz";
}

class PowerFadeTest : public testing::TestWithParam<FadeRow> {};

TEST_P(PowerFadeTest, FadeInLastsAsLongAsTheTimeConstantSays) {
  kd::PowerFade fade;
  fade.Reset(GetParam().rate);
  EXPECT_NEAR(fade.Coeff(), std::exp(-2.0 * std::numbers::pi / static_cast<int>(0.1 * GetParam().rate)), 1e-15);
  EXPECT_EQ(fade.DoneThreshold(), 0.01);
  int fading = 0;
  double f = 0.0;
  while (fade.Tick(true, f) && fading < 100000) {
    ASSERT_TRUE(fade.IsFading());
    ++fading;
  }
  EXPECT_EQ(fading, GetParam().fadeInTicks);
  EXPECT_EQ(f, 1.0);
  EXPECT_FALSE(fade.IsFading());
  fade.Tick(false, f);
  EXPECT_TRUE(fade.IsFading());
  fade.Reset(GetParam().rate);
  EXPECT_FALSE(fade.IsFading());
}

// 4410 and 4800 samples of time constant: ln(100) x N / 2 pi = 3232.27 and 3518.07.
INSTANTIATE_TEST_SUITE_P(Rates, PowerFadeTest, testing::Values(FadeRow{44100.0, 3232}, FadeRow{48000.0, 3518}));

TEST(PowerFade, FadesOutToZeroAndSettles) {
  kd::PowerFade fade;
  fade.Reset(48000.0);
  double f = 0.0;
  for (int i = 0; i < 48000 * 2; ++i) fade.Tick(true, f);
  EXPECT_TRUE(fade.HasEnded(true));
  EXPECT_FALSE(fade.HasEnded(false));
  int fading = 0;
  while (fade.Tick(false, f)) ++fading;
  EXPECT_NEAR(fading, 3518, 1);
  EXPECT_EQ(f, 0.0);
}

// An ended fade skipped over a block must leave the state that the block's ticks leave, so that the next
// fade starts from the same place: on, then off down into the denormal tail.
TEST(PowerFade, AdvancingAnEndedFadeLeavesTheStateTheTicksLeave) {
  kd::PowerFade skipped;
  skipped.Reset(44100.0);
  kd::PowerFade ticked = skipped;
  double f = 0.0;
  for (const bool on : {true, false}) {
    while (ticked.Tick(on, f)) skipped.Tick(on, f);
    skipped.Tick(on, f);
    ASSERT_TRUE(skipped.HasEnded(on));
    for (const int n : {1, 64, 4096, 700000}) {
      skipped.Advance(on, n);
      for (int i = 0; i < n; ++i) ticked.Tick(on, f);
      ASSERT_EQ(skipped.State(), ticked.State()) << (on ? "on, " : "off, ") << n;
    }
  }
  EXPECT_LT(skipped.State(), 1e-300);  // a denormal that the multiplication no longer lowers
}

TEST(PowerFade, SampleRateZeroStillFades) {
  kd::PowerFade fade;
  fade.Reset(0.0);
  double f = 0.5;
  EXPECT_FALSE(std::isnan(fade.Coeff()));
  fade.Tick(true, f);
  EXPECT_EQ(f, 1.0);
}

// ---- Meters ----

// Lanes 0 and 1 fast (no hold), 2 and 3 hold meters of holdSeconds; one sample of left and right.
kd::MeterBank Bank(double rate, double holdSeconds) {
  kd::MeterBank bank;
  bank.Init(rate, holdSeconds);
  return bank;
}

void Feed(kd::MeterBank& bank, double left, double right) {
  bank.Process(&left, &right, 1);
}

TEST(MeterBank, AttackIsInstantInEveryLane) {
  kd::MeterBank bank = Bank(48000.0, 4.0);
  Feed(bank, -0.5, 0.25);
  for (int lane = 0; lane < 4; ++lane) {
    EXPECT_EQ(bank.Level(lane), lane % 2 ? 0.25 : 0.5) << lane;
    EXPECT_EQ(bank.Peak(lane), lane % 2 ? 0.25 : 0.5) << lane;
    EXPECT_EQ(bank.Stage(lane), kd::MeterBank::kStageHolding) << lane;
  }
}

// A hold meter keeps a peak for 4 x rate samples, then falls 20 dB per second (factor 10 per rate samples).
TEST(MeterBank, HoldsThenReleasesTwentyDBPerSecond) {
  const double rate = 1000.0;
  kd::MeterBank bank = Bank(rate, 4.0);
  Feed(bank, 0.5, 0.0);
  for (int i = 0; i < 4000; ++i) {
    Feed(bank, 0.0, 0.0);
    ASSERT_EQ(bank.Level(2), 0.5) << "sample " << i;
  }
  EXPECT_EQ(bank.Stage(2), kd::MeterBank::kStageHolding);
  for (int i = 0; i < 1000; ++i) Feed(bank, 0.0, 0.0);
  EXPECT_EQ(bank.Stage(2), kd::MeterBank::kStageReleasing);
  EXPECT_NEAR(bank.Level(2), 0.05, 1e-12);
  EXPECT_EQ(bank.Peak(2), 0.5);
  EXPECT_EQ(bank.Level(3), 0.0);
  EXPECT_EQ(bank.Stage(3), kd::MeterBank::kStageIdle);
}

TEST(MeterBank, FastMeterReleasesAtOnceAndFallsToZero) {
  kd::MeterBank bank = Bank(100.0, 4.0);
  Feed(bank, 0.0, 1.0);
  Feed(bank, 0.0, 0.0);
  EXPECT_NEAR(bank.Level(1), std::pow(10.0, -0.01), 1e-15);
  EXPECT_EQ(bank.Level(3), 1.0);  // the hold meter still holds
  const std::vector<double> silence(1000, 0.0);
  bank.Process(silence.data(), silence.data(), 1000);
  EXPECT_EQ(bank.Level(1), 0.0);
  bank.ResetLevels();
  for (int lane = 0; lane < 4; ++lane) {
    EXPECT_EQ(bank.Level(lane), 0.0);
    EXPECT_EQ(bank.Peak(lane), 0.0);
    EXPECT_EQ(bank.Stage(lane), kd::MeterBank::kStageIdle);
  }
}

// One output: the right lanes see silence.
TEST(MeterBank, NoRightSignalIsSilence) {
  kd::MeterBank bank = Bank(48000.0, 4.0);
  const double left[] = {0.5, -0.75};
  bank.Process(left, nullptr, 2);
  EXPECT_EQ(bank.Level(2), 0.75);
  EXPECT_EQ(bank.Peak(1), 0.0);
  EXPECT_EQ(bank.Stage(3), kd::MeterBank::kStageIdle);
}

TEST(MeterBank, RateZeroGivesNoNaN) {
  kd::MeterBank bank = Bank(0.0, 4.0);
  Feed(bank, 0.5, 0.5);
  Feed(bank, 0.0, 0.0);
  for (int lane = 0; lane < 4; ++lane) EXPECT_FALSE(std::isnan(bank.Level(lane))) << lane;
  EXPECT_EQ(bank.HoldLength(2), 0);
}

// An attack coefficient c moves the level a share 1 - c of the way to the sample: held at x from 0, the
// level after k samples is x (1 - c^k). An inverted meter sees 1 - min(|s|, 1).
TEST(MeterBank, AttackCoefficientAndInversionFollowTheirRules) {
  struct Row {
    double attack;
    bool inverted;
    double sample;
    int samples;
    double level;  // of lane 2 (a hold meter: no release within the run)
    double peak;
  };
  const Row rows[] = {
      {0.5, false, 0.8, 1, 0.4, 0.8},         {0.5, false, 0.8, 3, 0.8 * (1.0 - 0.125), 0.8},
      {0.9, false, -1.0, 2, 1.0 - 0.81, 1.0}, {0.0, true, 0.25, 1, 0.75, 0.75},
      {0.0, true, 2.0, 5, 0.0, 0.0},  // 1 - min(2, 1)
      {0.0, true, 0.0, 1, 1.0, 1.0},          {0.5, true, 0.5, 2, 0.5 * 0.75, 0.5},
  };
  for (const Row& row : rows) {
    kd::MeterBank bank = Bank(48000.0, 4.0);
    bank.SetAttack(2, row.attack);
    bank.SetInverted(2, row.inverted);
    for (int i = 0; i < row.samples; ++i) Feed(bank, row.sample, 0.0);
    EXPECT_NEAR(bank.Level(2), row.level, 1e-15) << row.attack << " " << row.inverted << " " << row.sample;
    EXPECT_EQ(bank.Peak(2), row.peak) << row.attack << " " << row.inverted << " " << row.sample;
    EXPECT_EQ(bank.Stage(2), row.level > 0.0 ? kd::MeterBank::kStageHolding : kd::MeterBank::kStageIdle);
  }
}

// With one output the right meters see silence, which an inverted meter shows as 1.0.
TEST(MeterBank, InvertedRightMetersTakeOneWithoutARightSignal) {
  kd::MeterBank bank = Bank(48000.0, 4.0);
  for (int lane : {1, 3}) bank.SetInverted(lane, true);
  const double left[] = {0.5, 0.25};
  bank.Process(left, nullptr, 2);
  for (int lane : {1, 3}) {
    EXPECT_EQ(bank.Level(lane), 1.0) << lane;
    EXPECT_EQ(bank.Peak(lane), 1.0) << lane;
  }
  EXPECT_EQ(bank.Level(2), 0.5);
}

// One inverted lane sends the whole bank through the step-by-step path; the other lanes must come out
// exactly as from the bank's vector paths (holds, releases, falls to silence, one or two outputs).
// Init puts attacks and inversions back.
TEST(MeterBank, StepByStepPathAgreesWithTheVectorPaths) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> amplitude(-1.0, 1.0);
  for (const bool stereo : {true, false}) {
    kd::MeterBank plain = Bank(1000.0, 0.05);
    kd::MeterBank stepped = Bank(1000.0, 0.05);
    stepped.SetInverted(0, true);
    for (int block = 0; block < 40; ++block) {
      const int n = 1 + block * 37 % 300;
      std::vector<double> left(n), right(n);
      const double scale = block % 5 == 4 ? 0.0 : std::pow(0.5, block % 7);
      for (int i = 0; i < n; ++i) {
        left[i] = amplitude(random) * scale;
        right[i] = amplitude(random) * scale;
      }
      plain.Process(left.data(), stereo ? right.data() : nullptr, n);
      stepped.Process(left.data(), stereo ? right.data() : nullptr, n);
      for (int lane = 1; lane < 4; ++lane) {
        ASSERT_EQ(stepped.Level(lane), plain.Level(lane)) << lane << " block " << block;
        ASSERT_EQ(stepped.Peak(lane), plain.Peak(lane)) << lane << " block " << block;
        ASSERT_EQ(stepped.Stage(lane), plain.Stage(lane)) << lane << " block " << block;
      }
    }
  }
  kd::MeterBank bank = Bank(48000.0, 4.0);
  bank.SetAttack(1, 0.5);
  bank.SetInverted(3, true);
  bank.Init(48000.0, 4.0);
  for (int lane = 0; lane < 4; ++lane) {
    EXPECT_EQ(bank.Attack(lane), 0.0) << lane;
    EXPECT_FALSE(bank.Inverted(lane)) << lane;
  }
}

// One meter ticked by the steps of its ballistics, one sample at a time: the reference for the bank's paths.
struct StepMeter {
  double release = 0.0;
  int holdLength = 0;
  double level = 0.0;
  double peak = 0.0;
  int counter = 0;
  int stage = kd::MeterBank::kStageIdle;

  void Tick(double sample) {
    const double x = std::fabs(sample);
    if (x > peak) peak = x;
    if (x > level) {
      level = x;
      counter = 0;
      stage = kd::MeterBank::kStageHolding;
    } else if (stage == kd::MeterBank::kStageReleasing) {
      level = (level - x) * release + x;
    } else if (stage == kd::MeterBank::kStageHolding) {
      if (counter >= holdLength) {
        stage = kd::MeterBank::kStageReleasing;
        level = (level - x) * release + x;
      }
      ++counter;
    }
    if (level < 1e-8) level = 0.0;
  }
};

bool SameOrBothNaN(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

// A NaN or infinite sample reaches the meters the same way whichever path a block takes: a long stereo block (the
// vectorised paths) ends in the levels, peaks and stages of four meters ticked by the steps, and so does a block of
// finite samples after it, long enough for the segmented path and, with the short hold, for the hold to end in it
// (where the hold counters show). With an attack set on one lane (every lane on the step-by-step path) an infinite
// sample on a lane without attack is taken as it is. Blocks of 201 cut into segments of 25 samples, three groups of
// eight and one sample more: at 24 and 49 the unordered sample is a segment's last, after its groups of eight, in a
// segment that the later attacks (at 150 and 160) leave unneeded for the levels; on either channel.
TEST(MeterBank, UnorderedSamplesEndWhereTheStepsEnd) {
  const double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
  const double rate = 44100.0;
  const struct {
    int n;
    int at;
    double value;
    bool onRight = false;
  } rows[] = {{200, 5, kNaN},        {200, 140, kNaN},      {200, 5, kInf},       {200, 199, -kInf},
              {201, 24, kNaN},       {201, 24, -kNaN},      {201, 24, kInf},      {201, 24, -kInf},
              {201, 49, kNaN},       {201, 199, kNaN},      {201, 5, kNaN, true}, {201, 24, kNaN, true},
              {201, 49, kNaN, true}, {201, 24, -kInf, true}};
  for (const double hold : {4.0, 0.01}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << row.value << " at " << row.at << " of " << row.n
                                      << (row.onRight ? " on the right" : "") << ", hold " << hold);
      kd::MeterBank bank = Bank(rate, hold);
      std::array<StepMeter, 4> steps;
      for (int lane = 0; lane < 4; ++lane) {
        steps[lane].release = std::pow(10.0, -1.0 / rate);
        steps[lane].holdLength = lane < 2 ? 0 : static_cast<int>(hold * rate);
      }
      const auto feed = [&](const std::vector<double>& left, const std::vector<double>& right) {
        bank.Process(left.data(), right.data(), static_cast<int>(left.size()));
        for (std::size_t i = 0; i < left.size(); ++i) {
          for (int lane = 0; lane < 4; ++lane) steps[lane].Tick(lane % 2 ? right[i] : left[i]);
        }
      };
      const auto expectSteps = [&](const char* when) {
        for (int lane = 0; lane < 4; ++lane) {
          EXPECT_TRUE(SameOrBothNaN(bank.Level(lane), steps[lane].level))
              << when << ", lane " << lane << ": level " << bank.Level(lane) << " against " << steps[lane].level;
          EXPECT_TRUE(SameOrBothNaN(bank.Peak(lane), steps[lane].peak))
              << when << ", lane " << lane << ": peak " << bank.Peak(lane) << " against " << steps[lane].peak;
          EXPECT_EQ(bank.Stage(lane), steps[lane].stage) << when << ", lane " << lane;
        }
      };
      feed({1.0}, {1.0});
      std::vector<double> left(row.n, 0.5), right(row.n, 0.5);
      (row.onRight ? right : left)[row.at] = row.value;
      left[150] = right[160] = 2.0;
      feed(left, right);
      expectSteps("unordered block");
      feed(std::vector<double>(400, 0.25), std::vector<double>(400, 0.3));
      expectSteps("block after it");
    }
  }
  kd::MeterBank attack = Bank(rate, 4.0);
  attack.SetAttack(1, 0.5);
  Feed(attack, kInf, 0.25);
  EXPECT_EQ(attack.Level(0), kInf);
  EXPECT_EQ(attack.Level(1), 0.125);
}

// ---- Modulation-view sender ----

using Sender = fx::IBufferSender<1, 32, 1>;

// A sender deleted through its base releases the whole sender, its ring included (the sanitizer checks
// the size of what is freed).
TEST(ModViewSender, DeletedThroughItsBase) {
  std::unique_ptr<fx::ISender<1, 32, std::array<float, 1>>> base = std::make_unique<fx::IBufferSender<1, 32, 1>>();
  auto& sender = static_cast<fx::IBufferSender<1, 32, 1>&>(*base);
  sender.Init(48000.0, 4);
  for (int i = 0; i < 500; ++i) sender.AddSample(0.5);
  EXPECT_GT(sender.RecordsQueued(), 0);
  base.reset();
}

TEST(ModViewSender, OneRecordPerWindowWithTheSmoothedPosition) {
  Sender sender;
  sender.Init(48000.0, 4);
  EXPECT_EQ(sender.GetWindowSamples(), 96);
  for (int i = 0; i < 96 * 20; ++i) sender.AddSample(0.5);
  EXPECT_EQ(sender.RecordsQueued(), 19);  // the first window end only starts a record
  fx::ISenderData<1> record;
  while (sender.PopRecord(record)) {
  }
  EXPECT_EQ(record.ctrlTag, 4);
  EXPECT_EQ(record.nChans, 1);
  EXPECT_EQ(record.chanOffset, 0);
  EXPECT_EQ(record.extra1, 1);
  EXPECT_EQ(record.extra2, 1);
  EXPECT_EQ(record.extra3, -1);
  EXPECT_FALSE(record.reset);
  EXPECT_NEAR(record.vals[0], 0.5f, 1e-6f);
}

TEST(ModViewSender, PositionsZeroHalfAndOneArriveAsSent) {
  for (double position : {0.0, 0.5, 1.0}) {
    Sender sender;
    sender.Init(44100.0, 5);
    for (int i = 0; i < 88 * 10; ++i) sender.AddSample(position);
    fx::ISenderData<1> record;
    while (sender.PopRecord(record)) {
    }
    EXPECT_NEAR(record.vals[0], position, 1e-6) << position;
  }
}

TEST(ModViewSender, AFullRingDropsFurtherRecords) {
  Sender sender;
  sender.Init(48000.0, 6);
  for (int i = 0; i < 96 * 100; ++i) sender.AddSample(0.25);
  EXPECT_EQ(sender.RecordsQueued(), 32);
  fx::ISenderData<1> record;
  int popped = 0;
  while (sender.PopRecord(record)) ++popped;
  EXPECT_EQ(popped, 32);
}

// Rate, samples per millisecond and window as set up; the peak of the window so far and of the last one.
TEST(ModViewSender, KeepsRateAndWindowPeaks) {
  const struct {
    double rate;
    double perMs;
    int window;
  } rows[] = {{48000.0, 48.0, 96}, {44100.0, 44.1, 88}, {1000.0, 1.0, 2}};
  for (const auto& row : rows) {
    Sender sender;
    sender.Init(row.rate, 4);
    EXPECT_EQ(sender.GetSampleRate(), row.rate);
    EXPECT_DOUBLE_EQ(sender.GetSamplesPerMs(), row.perMs);
    EXPECT_EQ(sender.GetWindowSamples(), row.window);
    // Window 1 climbs to 0.9 and falls back; window 2 is halved; the peak restarts at each window end.
    for (int i = 1; i < row.window; ++i) sender.AddSample(i == row.window / 2 ? 0.9 : 0.1);
    EXPECT_EQ(sender.GetPeak(), 0.9) << row.rate;
    EXPECT_EQ(sender.GetLastPeak(), 0.0);
    sender.AddSample(0.3);  // the window end: this sample opens the next window
    EXPECT_EQ(sender.GetLastPeak(), 0.9) << row.rate;
    EXPECT_EQ(sender.GetPeak(), 0.3);
    for (int i = 1; i < row.window; ++i) sender.AddSample(0.2);
    EXPECT_EQ(sender.GetPeak(), 0.3);
    sender.AddSample(0.05);
    EXPECT_EQ(sender.GetLastPeak(), 0.3) << row.rate;
    EXPECT_EQ(sender.GetPeak(), 0.05);
    sender.Init(row.rate, 4);
    EXPECT_EQ(sender.GetPeak(), 0.0);
    EXPECT_EQ(sender.GetLastPeak(), 0.0);
  }
}

// The sum adds up the level taken at every window end. Held at p from 0, the level glides with
// 10^(-1 / window) per sample, so at the j-th window end it is p (1 - 10^-j).
TEST(ModViewSender, SumsTheLevelsTakenAtWindowEnds) {
  for (const double p : {0.5, 1.0, 0.125}) {
    Sender sender;
    sender.Init(48000.0, 5);
    EXPECT_EQ(sender.GetSum(), 0.0f);
    const int windows = 6;
    for (int i = 0; i < 96 * windows; ++i) sender.AddSample(p);
    double expected = 0.0;
    for (int j = 1; j <= windows; ++j) expected += p * (1.0 - std::pow(10.0, -j));
    EXPECT_NEAR(sender.GetSum(), expected, 1e-5) << p;
    EXPECT_EQ(sender.GetAuxValue(), 0.0);
  }
}

// The records taken into the last-record member: each one in turn, the last kept until the next.
TEST(ModViewSender, LastRecordKeepsTheRecordTakenLast) {
  Sender sender;
  sender.Init(48000.0, 6);
  EXPECT_EQ(sender.GetLastRecord().ctrlTag, -1);
  EXPECT_FALSE(sender.PopToLastRecord());
  for (int i = 0; i < 96 * 3; ++i) sender.AddSample(i < 96 ? 0.0 : 1.0);
  ASSERT_EQ(sender.RecordsQueued(), 2);
  ASSERT_TRUE(sender.PopToLastRecord());
  EXPECT_EQ(sender.GetLastRecord().ctrlTag, 6);
  EXPECT_EQ(sender.GetLastRecord().vals[0], 0.0f);
  ASSERT_TRUE(sender.PopToLastRecord());
  EXPECT_NEAR(sender.GetLastRecord().vals[0], 0.9f, 1e-6f);  // 1 - 10^-1 after one window at 1.0
  EXPECT_FALSE(sender.PopToLastRecord());
  EXPECT_NEAR(sender.GetLastRecord().vals[0], 0.9f, 1e-6f);
}

TEST(ModViewSender, RateZeroMakesOneSampleWindows) {
  Sender sender;
  sender.Init(0.0, 4);
  EXPECT_EQ(sender.GetWindowSamples(), 1);
  sender.AddSample(1.0);
  sender.AddSample(1.0);
  EXPECT_EQ(sender.RecordsQueued(), 1);
}

// ---- Sample-accurate automation ----

TEST(AutomationBuffer, InterpolatesBetweenMarksAndHoldsAfterTheLast) {
  kd::AutomationBuffer buffer;
  buffer.Resize(10, 0.5);
  buffer.SetPending(2, 1.0);
  buffer.SetPending(6, 0.0);
  ASSERT_TRUE(buffer.IsActive());
  buffer.Interpolate(10);
  const double expected[] = {0.5, 0.5, 1.0, 0.75, 0.5, 0.25, 0.0, 0.0, 0.0, 0.0};
  for (int i = 0; i < 10; ++i) EXPECT_DOUBLE_EQ(buffer.Position(i), expected[i]) << i;
  buffer.EndBlock();
  EXPECT_FALSE(buffer.IsActive());
  buffer.SetPending(9, 1.0);  // the next block starts from the carried-over 0.0 and forgets old marks
  buffer.Interpolate(10);
  EXPECT_EQ(buffer.Position(2), 0.0);
  EXPECT_EQ(buffer.Position(9), 1.0);
}

TEST(AutomationBuffer, OffsetsOutsideTheBlockAreIgnored) {
  kd::AutomationBuffer buffer;
  buffer.Resize(4, 0.25);
  buffer.SetPending(-1, 1.0);
  buffer.SetPending(4, 1.0);
  EXPECT_FALSE(buffer.IsActive());
  EXPECT_EQ(buffer.Position(100), 0.25);
  kd::AutomationBuffer empty;
  empty.Resize(0, 0.0);
  empty.SetPending(0, 1.0);
  empty.Interpolate(16);
  EXPECT_EQ(empty.Position(0), 0.0);
}

// ---- Test-signal generator ----

// The reference stream: the standard 32-bit Mersenne Twister with its default seed, uniform integers on
// 0 .. 2^31 - 1, divided by 2^31 - 1.
struct ReferenceDraws {
  std::mt19937 engine;
  std::uniform_int_distribution<std::int32_t> uniform{0, 2147483647};
  double operator()() { return uniform(engine) / 2147483647.0; }
};

using Amplitudes = std::array<double, 3>;

// Each waveform's value at phase p with pulse width 0.5 (0 for those outside 0..6).
double WaveValue(int waveform, double p, const Amplitudes& a) {
  const bool high = p < std::clamp(a[2], 0.1, 0.9) * 0.5;
  const double values[] = {a[0] * std::sin(2.0 * std::numbers::pi * p),
                           p < 0.5 ? a[0] : -a[0],
                           high ? a[0] : -a[1],
                           a[0] * (1.0 - 2.0 * p),
                           a[0] * (2.0 * p - 1.0),
                           a[0] * (4.0 * std::fabs(p - 0.5) - 1.0),
                           high ? a[0] : a[1]};
  return waveform >= 0 && waveform <= 6 ? values[waveform] : 0.0;
}

// The amplitudes of the next cycle: fresh draws where the rules take them, in order a0, a1, a2.
Amplitudes Renewed(int waveform, Amplitudes a, bool random, ReferenceDraws& draw) {
  if (waveform == 2) {
    for (double& x : a) x = random ? draw() : 1.0;
  } else if (waveform == 6) {
    a[0] = 2.0 * draw() - 1.0;
    a[1] = 2.0 * draw() - 1.0;
    a[2] = random ? draw() : 1.0;
  } else if (waveform >= 0 && waveform <= 5) {
    a[0] = random ? draw() : 1.0;
  }
  return a;
}

class TestOscillatorTest : public testing::TestWithParam<std::tuple<int, bool>> {};

// 1000 Hz at 64 kHz: cycles of 64 samples, sample i at phase i / 64 exactly. Gain 1.5 and offset 0.3 make
// the peaks clip at 1; a2 = 0.05 puts the first cycle's pulse edge at the lower limit 0.1 x 0.5 and a
// renewed a2 of 1 at the upper limit 0.9 x 0.5. Three cycles, the amplitudes renewed after each.
TEST_P(TestOscillatorTest, CyclesFollowTheClosedFormsAndRenewTheirAmplitudes) {
  const auto [waveform, random] = GetParam();
  kd::TestOscillator osc;
  osc.Setup(waveform, 1000.0, 64000.0, 0.5, 1.5, 0.3);
  Amplitudes a{0.8, -0.6, 0.05};
  osc.SetAmplitudes(a[0], a[1], a[2]);
  osc.SetRandom(random);
  ReferenceDraws draws;
  for (int cycle = 0; cycle < 3; ++cycle) {
    for (int i = 0; i < 64; ++i) {
      const double expected = std::clamp((WaveValue(waveform, i / 64.0, a) * 1.5 + 0.3) * 0.5 + 0.5, 0.0, 1.0);
      ASSERT_NEAR(osc.Tick(), expected, 1e-15) << "cycle " << cycle << " sample " << i;
    }
    a = Renewed(waveform, a, random, draws);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(osc.Amplitude(k), a[k]) << "cycle " << cycle << " a" << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Waveforms, TestOscillatorTest, testing::Combine(testing::Range(-1, 8), testing::Bool()));

// A set-up in the middle of a cycle starts the waveform again at phase 0, at the new frequency (1000 Hz at
// 64 kHz: sample i at phase i / 64), whatever the phase and cycle count the ticks before had reached.
TEST(TestOscillator, SetupAfterTicksRestartsAtPhaseZero) {
  const Amplitudes a{1.0, 1.0, 1.0};
  for (const int waveform : {kd::TestOscillator::kSine, kd::TestOscillator::kRisingSaw, kd::TestOscillator::kTriangle,
                             kd::TestOscillator::kPulse}) {
    for (const int ticks : {1, 17, 63, 100}) {
      kd::TestOscillator osc;
      osc.Setup(waveform, 750.0, 48000.0, 0.5, 1.0, 0.0);
      for (int i = 0; i < ticks; ++i) osc.Tick();
      osc.Setup(waveform, 1000.0, 64000.0, 0.5, 1.0, 0.0);
      EXPECT_EQ(osc.CycleLength(), 64);
      for (int i = 0; i < 64; ++i) {
        const double expected = std::clamp(WaveValue(waveform, i / 64.0, a) * 0.5 + 0.5, 0.0, 1.0);
        ASSERT_NEAR(osc.Tick(), expected, 1e-15) << waveform << " after " << ticks << " ticks, sample " << i;
      }
    }
  }
}

// Before any set-up the generator is a full-scale 440 Hz sine at 44100 Hz: 100-sample cycles, sample i at
// sin(2 pi 440 i / 44100) mapped into 0..1.
TEST(TestOscillator, BeforeSetupItIsA440HzSineAt44100Hz) {
  kd::TestOscillator osc;
  EXPECT_EQ(osc.CycleLength(), 100);
  for (int cycle = 0; cycle < 2; ++cycle) {
    for (int i = 0; i < 100; ++i) {
      const double expected = std::sin(2.0 * std::numbers::pi * 440.0 * i / 44100.0) * 0.5 + 0.5;
      ASSERT_NEAR(osc.Tick(), expected, 1e-12) << "cycle " << cycle << " sample " << i;
    }
  }
}

// A rate of zero, NaN or below the frequency gives one-sample cycles of the value at phase 0.
TEST(TestOscillator, UnusableRatesGiveOneSampleCycles) {
  for (const double rate : {0.0, std::numeric_limits<double>::quiet_NaN(), 500.0, -48000.0}) {
    kd::TestOscillator osc;
    osc.Setup(kd::TestOscillator::kFallingSaw, 1000.0, rate, 1.0, 1.0, 0.0);
    osc.SetAmplitudes(0.5, 1.0, 1.0);
    EXPECT_EQ(osc.CycleLength(), 1) << rate;
    EXPECT_EQ(osc.Tick(), 0.75) << rate;  // (0.5 x 1 + 0) x 0.5 + 0.5
    EXPECT_EQ(osc.Tick(), 1.0) << rate;   // renewed to 1, phase 0 again
  }
}

// ---- Host names ----

struct HostRow {
  fx::EHost host;
  const char* name;
};

// The host's number and its name's letters and digits.
void PrintTo(const HostRow& row, std::ostream* os) {
  *os << "host " << static_cast<int>(row.host) << " ";
  for (const char* c = row.name; *c; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) *os << *c;
  }
}

class HostNameTest : public testing::TestWithParam<HostRow> {};

TEST_P(HostNameTest, ShowsTheHostsName) {
  EXPECT_STREQ(kd::HostDisplayName(GetParam().host), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostNameTest,
                         testing::Values(HostRow{fx::kHostUninit, "Unknown"}, HostRow{fx::kHostUnknown, "Unknown"},
                                         HostRow{fx::kHostReaper, "Reaper"}, HostRow{fx::kHostProTools, "Protools"},
                                         HostRow{fx::kHostAbletonLive, "Ableton Live"},
                                         HostRow{fx::kHostBlueCat, "Blue Cat's VST Host"},
                                         HostRow{fx::kHostMetaPlugin, "DDMF MetaPlugin"},
                                         HostRow{static_cast<fx::EHost>(68), "Unknown"}));

}  // namespace
