// The product's gain processing and meters against a plain sample-by-sample model written straight from the
// formulas (fader law, minus infinity, locks, link, core layout, mid/side, mono, per-block ramps, the two
// smoothing stages run twice per sample, the power fade, the four peak meters). The model caches nothing and
// takes no shortcut for blocks in which nothing moves, so any shortcut in the product that changes the
// arithmetic shows up as a difference in some bit. Each routing runs for seconds, long enough for the fade
// and the smoothing to settle completely, so the product's steady-block path is compared too, and a fader
// move after that crosses from the steady path to the moving one and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "plugin/Kelvadrune.h"
#include "plugin/MeterBank.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 64;
constexpr double kGuard = 1e-24;
constexpr int kBlocksPerSecond = static_cast<int>(kRate) / kBlock;

struct ModelSettings {
  std::array<double, 3> position{0.5, 0.5, 0.5};
  std::array<bool, 3> lock{false, false, false};
  std::array<bool, 3> minAsInf{true, true, true};
  bool power = true;
  bool midSide = false;
  bool core = false;
  bool linked = false;
  double minGain = -48.0;
  double maxGain = 48.0;
};

// A peak meter as its ballistics are stated: instant attack, hold, release of 20 dB per second.
struct ModelMeter {
  double level = 0.0;
  double peak = 0.0;
  int stage = 0;
  int holdCounter = 0;
  int holdLength = 0;

  void Tick(double x, double release) {
    peak = std::max(peak, x);
    if (x > level) {
      level = x;
      holdCounter = 0;
      stage = 1;
    } else if (stage == 4) {
      level = (level - x) * release + x;
    } else if (stage == 1) {
      if (holdCounter >= holdLength) {
        stage = 4;
        level = (level - x) * release + x;
      }
      ++holdCounter;
    }
    if (level < 1e-8) level = 0.0;
  }
};

class ReferenceModel {
 public:
  ReferenceModel() {
    for (Ramp& ramp : mRamps) ramp.current = ramp.target = 0.5;
    const int n = static_cast<int>(0.1 * kRate);
    mFadeCoeff = std::exp(-2.0 * std::numbers::pi / n);
    mFadeOneMinus = 1.0 - mFadeCoeff;
    mRelease = std::pow(10.0, -1.0 / kRate);
    mMeters[Kelvadrune::kMeterHoldLeft].holdLength = static_cast<int>(4.0 * kRate);
    mMeters[Kelvadrune::kMeterHoldRight].holdLength = static_cast<int>(4.0 * kRate);
    SetFilterFreq(20500.0);
  }

  // The one-pole's design at twice the rate; the previous gains are forgotten, the filter states kept.
  void SetFilterFreq(double hz) {
    double period = (1.0 / hz) * 1000.0 / 1000.0;
    if (period <= 0.0) period = 0.001;
    const double fc = 1.0 / std::max(2.0 / kRate, period);
    const double k = std::tan(2.0 * std::numbers::pi * fc * (0.5 / kRate) * 0.5);
    const double c = 1.0 / k;
    mB0 = 1.0 / (c + 1.0);
    mA1 = (1.0 - c) / (1.0 + c);
    for (Smoother& s : mSmoothers) s.lastGain = 0.0;
  }

  // One block; mono writes outL only, from input L on both paths. True when nothing moved in the block:
  // no ramp, no fade mixing dry and processed signal, no smoothing.
  bool Process(const ModelSettings& s, const double* inL, const double* inR, double* outL, double* outR, int n,
               bool mono) {
    bool moved = false;
    for (int g = 0; g < 3; ++g) moved |= StartRamp(mRamps[g], s.position[g]);
    const double minRounded = std::floor(s.minGain * 100.0 + 0.5) / 100.0;
    for (int i = 0; i < n; ++i) {
      std::array<double, 3> p{};
      for (int g = 0; g < 3; ++g) p[g] = StepRamp(mRamps[g]);
      double f = 0.0;
      const bool fading = StepFade(s.power, f);
      moved |= fading;
      if (s.linked) p[2] = p[1];
      std::array<double, 3> gain{};
      for (int g = 0; g < 3; ++g) {
        const int rule = s.linked && g == 2 ? 1 : g;
        const double dB = p[g] < 0.5 ? (1.0 - 2.0 * p[g]) * s.minGain : (2.0 * p[g] - 1.0) * s.maxGain;
        gain[g] = std::exp(dB * 0.11512925464970228);
        if (s.minAsInf[rule] && !(std::floor(dB * 100.0 + 0.5) / 100.0 > minRounded)) gain[g] = 0.0;
        if (s.lock[rule] && gain[g] > 1.0) gain[g] = 1.0;
        gain[g] = Smooth(mSmoothers[g], gain[g], moved);
      }
      const double gM = gain[0];
      const double gLM = gain[1];
      const double gS = s.linked ? gain[1] : gain[2];
      const double l = inL[i];
      const double r = mono ? inL[i] : inR[i];
      double oL = l;
      double oR = r;
      if (fading || s.power) {
        double wL = s.core ? l : l * gM;
        double wR = s.core ? r : r * gM;
        if (s.midSide && !s.core) {
          const double m = (wL + wR) * 0.5 * gLM;
          const double side = (wL - wR) * 0.5 * gS;
          wL = m + side;
          wR = m - side;
        } else {
          wL = wL * gLM;
          wR = wR * gS;
        }
        oL = fading ? l * (1.0 - f) + wL * f : wL;
        oR = fading ? r * (1.0 - f) + wR * f : wR;
      }
      outL[i] = oL;
      if (!mono) outR[i] = oR;
      const double meterR = mono ? 0.0 : std::fabs(oR);
      mMeters[Kelvadrune::kMeterFastLeft].Tick(std::fabs(oL), mRelease);
      mMeters[Kelvadrune::kMeterHoldLeft].Tick(std::fabs(oL), mRelease);
      mMeters[Kelvadrune::kMeterFastRight].Tick(meterR, mRelease);
      mMeters[Kelvadrune::kMeterHoldRight].Tick(meterR, mRelease);
    }
    return !moved;
  }

  const ModelMeter& Meter(int m) const { return mMeters[m]; }

 private:
  struct Ramp {
    double step = 0.0;
    double current = 0.0;
    double target = 0.0;
    int count = 0;
    bool active = false;
  };
  struct Filter {
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
  };
  struct Smoother {
    Filter first, second;
    double lastGain = 0.0;
  };

  static bool StartRamp(Ramp& ramp, double member) {
    if (member != ramp.target) {
      ramp.target = member;
      ramp.step = (ramp.target - ramp.current) / kBlock;
      ramp.count = 0;
      ramp.active = true;
    } else {
      ramp.active = false;
    }
    return ramp.active;
  }

  static double StepRamp(Ramp& ramp) {
    if (!ramp.active) return ramp.target;
    if (ramp.count < kBlock) {
      ramp.current += ramp.step;
      ++ramp.count;
    } else {
      ramp.current = ramp.target;
    }
    return ramp.current;
  }

  bool StepFade(bool power, double& f) {
    if (power) {
      mFadeState = mFadeState * mFadeCoeff + mFadeOneMinus;
      if (std::fabs(mFadeState - 1.0) < 0.01) {
        f = 1.0;
        return false;
      }
    } else {
      mFadeState = mFadeState * mFadeCoeff;
      if (std::fabs(mFadeState) < 0.01) {
        f = 0.0;
        return false;
      }
    }
    f = mFadeState;
    return true;
  }

  // Two steps per sample with the input held; b1 = b0, a2 = b2 = 0.
  double Tick(Filter& z, double x) const {
    x = x + kGuard;
    const double y = mB0 * x + mB0 * z.x1 + 0.0 * z.x2 - mA1 * z.y1 - 0.0 * z.y2 + kGuard;
    const double y2 = mB0 * x + mB0 * x + 0.0 * z.x1 - mA1 * y - 0.0 * z.y1 + kGuard;
    z.x2 = z.x1 = x;
    z.y2 = y;
    z.y1 = y2;
    return y2;
  }

  double Smooth(Smoother& s, double g, bool& moved) const {
    if (std::fabs(s.lastGain - g) > 1e-8) {
      g = Tick(s.second, Tick(s.first, g));
      moved = true;
    }
    s.lastGain = g;
    return g;
  }

  std::array<Ramp, 3> mRamps;
  std::array<Smoother, 3> mSmoothers;
  std::array<ModelMeter, Kelvadrune::kNumMeters> mMeters;
  double mB0 = 0.0;
  double mA1 = 0.0;
  double mFadeCoeff = 0.0;
  double mFadeOneMinus = 0.0;
  double mFadeState = 0.0;
  double mRelease = 0.0;
};

// How often a run was in blocks where nothing moves, and how often it crossed into and out of them.
struct SteadyCounts {
  int steady = 0;
  int entered = 0;
  int left = 0;
};

class GainReferenceTest : public testing::Test {
 protected:
  void SetUp() override {
    mPlug = std::make_unique<Kelvadrune>(fx::InstanceInfo{});
    mPlug->SetSampleRate(kRate);
    mPlug->SetBlockSize(kBlock);
    mPlug->OnReset();
  }

  // One output connected: the left path alone, from input 0.
  void UseMonoOutput() {
    mPlug->SetChannelConnections(fx::kOutput, 1, 1, false);
    mMono = true;
  }

  // A host's change, mirrored into the model's settings from the value the plug-in stored.
  void Set(int idx, double value) {
    mPlug->GetParam(idx)->Set(value);
    mPlug->OnParamChange(idx, fx::kHost, -1);
    const double v = mPlug->GetParam(idx)->Value();
    switch (idx) {
      case kPower:
        mSettings.power = v != 0.0;
        break;
      case kProcessMode:
        mSettings.midSide = v == 1.0;
        break;
      case kGainMaster:
      case kGainLM:
      case kGainRS:
        mSettings.position[idx - kGainMaster] = v;
        break;
      case kLockGainMaster:
      case kLockGainLM:
      case kLockGainRS:
        mSettings.lock[idx - kLockGainMaster] = v != 0.0;
        break;
      case kMATreatMinAsInf:
      case kLMTreatMinAsInf:
      case kRSTreatMinAsInf:
        mSettings.minAsInf[idx - kMATreatMinAsInf] = v != 0.0;
        break;
      case kMinGain:
        mSettings.minGain = v;
        break;
      case kMaxGain:
        mSettings.maxGain = v;
        break;
      case kCoreFaderLayout:
        mSettings.core = v == 1.0;
        break;
      case kBasicFaderLayout:
        mSettings.linked = v == 1.0;
        break;
      case kMDFilterFreq:
        mModel.SetFilterFreq(v);
        break;
      default:
        break;
    }
  }

  // nBlocks of a fixed pseudo-random signal through both; every output sample and, at every block's end,
  // every meter's level and peak must be identical.
  SteadyCounts RunAndCompare(int nBlocks) {
    SteadyCounts counts;
    if (HasFatalFailure()) return counts;
    std::vector<double> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock), refL(kBlock), refR(kBlock);
    for (int b = 0; b < nBlocks; ++b, ++mBlocks) {
      for (int i = 0; i < kBlock; ++i) {
        inL[i] = NextNoise();
        inR[i] = NextNoise();
      }
      double* ins[2] = {inL.data(), inR.data()};
      double* outs[2] = {outL.data(), outR.data()};
      std::fill(outR.begin(), outR.end(), 7.0);
      mPlug->ProcessBlock(ins, outs, kBlock);
      const bool steady = mModel.Process(mSettings, inL.data(), inR.data(), refL.data(), refR.data(), kBlock, mMono);
      for (int i = 0; i < kBlock; ++i) {
        EXPECT_EQ(outL[i], refL[i]) << "block " << mBlocks << " sample " << i;
        if (mMono) {
          EXPECT_EQ(outR[i], 7.0) << "block " << mBlocks << " sample " << i << ": an unconnected output was written";
        } else {
          EXPECT_EQ(outR[i], refR[i]) << "block " << mBlocks << " sample " << i;
        }
        if (HasFailure()) return counts;
      }
      for (int m = 0; m < Kelvadrune::kNumMeters; ++m) {
        EXPECT_EQ(mPlug->GetMeterLevel(m), mModel.Meter(m).level) << "block " << mBlocks << " meter " << m;
        EXPECT_EQ(mPlug->GetMeterPeak(m), mModel.Meter(m).peak) << "block " << mBlocks << " meter " << m;
      }
      if (HasFailure()) return counts;
      counts.steady += steady ? 1 : 0;
      counts.entered += steady && !mLastSteady ? 1 : 0;
      counts.left += !steady && mLastSteady ? 1 : 0;
      mLastSteady = steady;
    }
    return counts;
  }

  // Uniform in -1..1 from a 64-bit linear congruential generator.
  double NextNoise() {
    mNoise = mNoise * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(mNoise >> 11) / 4503599627370496.0 - 1.0;
  }

  std::unique_ptr<Kelvadrune> mPlug;
  ModelSettings mSettings;
  ReferenceModel mModel;
  uint64_t mNoise = 1;
  int mBlocks = 0;
  bool mMono = false;
  bool mLastSteady = false;
};

// A routing's settings, applied before the first block; then a fader of the routing moves.
struct RoutingRow {
  const char* name;
  std::vector<std::pair<int, double>> settings;
  int movedFader;
  bool mono;
};

void PrintTo(const RoutingRow& row, std::ostream* os) {
  *os << row.name;
}

class RoutingReferenceTest : public GainReferenceTest, public testing::WithParamInterface<RoutingRow> {};

// Seconds of settled audio (the steady path), a fader move and its smoothing (the moving path) and back,
// then a slow smoothing filter whose long tail ends in the steady path again.
TEST_P(RoutingReferenceTest, SettlesMovesAndSettlesAgainLikeTheFormulas) {
  const RoutingRow& row = GetParam();
  if (row.mono) UseMonoOutput();
  for (const auto& [idx, value] : row.settings) Set(idx, value);
  const SteadyCounts settled = RunAndCompare(3 * kBlocksPerSecond);
  EXPECT_GT(settled.steady, kBlocksPerSecond);  // the fade reaches its fixed point within about a second

  Set(row.movedFader, 0.62);
  const SteadyCounts moved = RunAndCompare(kBlocksPerSecond);
  EXPECT_EQ(moved.left, 1);
  EXPECT_EQ(moved.entered, 1);
  EXPECT_GT(moved.steady, kBlocksPerSecond / 2);

  // A 3 Hz filter: the gains creep towards their targets for about a second, far longer than a block.
  Set(kMDFilterFreq, 3.0);
  Set(row.movedFader, 0.41);
  const SteadyCounts slow = RunAndCompare(3 * kBlocksPerSecond);
  EXPECT_EQ(slow.left, 1);
  EXPECT_EQ(slow.entered, 1);
  EXPECT_GT(slow.steady, kBlocksPerSecond / 2);
  EXPECT_LT(slow.steady, 5 * kBlocksPerSecond / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Routings, RoutingReferenceTest,
    testing::Values(
        RoutingRow{"Stereo", {{kGainMaster, 0.7}, {kGainLM, 0.45}, {kGainRS, 0.55}}, kGainMaster, false},
        RoutingRow{"MidSide", {{kProcessMode, 1.0}, {kGainLM, 0.75}, {kGainRS, 0.4}}, kGainRS, false},
        RoutingRow{"CoreLayout", {{kCoreFaderLayout, 1.0}, {kGainMaster, 0.1}, {kGainLM, 0.65}}, kGainLM, false},
        RoutingRow{"CoreLayoutMidSide", {{kCoreFaderLayout, 1.0}, {kProcessMode, 1.0}, {kGainRS, 0.3}}, kGainRS, false},
        RoutingRow{"LinkedAndLocked",
                   {{kBasicFaderLayout, 1.0}, {kLockGainLM, 1.0}, {kGainLM, 0.8}, {kGainRS, 0.1}},
                   kGainLM,
                   false},
        RoutingRow{
            "LinkedMidSide", {{kBasicFaderLayout, 1.0}, {kProcessMode, 1.0}, {kGainLM, 0.3}}, kGainMaster, false},
        RoutingRow{"MinusInfinityAndRange",
                   {{kGainRS, 0.0}, {kMinGain, -60.0}, {kMaxGain, 12.0}, {kLMTreatMinAsInf, 0.0}, {kGainLM, 0.0}},
                   kGainMaster,
                   false},
        RoutingRow{"PowerOff", {{kPower, 0.0}, {kGainMaster, 0.8}}, kGainMaster, false},
        RoutingRow{"Mono", {{kGainMaster, 0.6}, {kGainLM, 0.3}}, kGainLM, true},
        RoutingRow{"MonoMidSide", {{kProcessMode, 1.0}, {kGainLM, 0.7}, {kGainRS, 0.2}}, kGainMaster, true}),
    [](const testing::TestParamInfo<RoutingRow>& info) { return std::string(info.param.name); });

// The four meters ticked together against four model meters ticked alone, on what the gain tests' noise
// never gives: decays into silence (a level falling below 1e-8), attacks smaller than 1e-8, holds that end
// inside a block, infinities and NaN, one output, and blocks from 1 to 3001 samples.
TEST(MeterBankReference, HardSignalsGiveTheBallisticsOfEachMeterAlone) {
  constexpr double kMeterRate = 1000.0;
  const double release = std::pow(10.0, -1.0 / kMeterRate);
  // NaN while every meter is idle leaves them idle.
  std::vector<double> left{std::numeric_limits<double>::quiet_NaN(), 0.0};
  std::vector<double> right{0.0, std::numeric_limits<double>::quiet_NaN()};
  uint64_t noise = 7;
  auto next = [&noise] {
    noise = noise * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(noise >> 11) / 9007199254740992.0;
  };
  for (int i = 0; i < 30000; ++i) {  // bursts decaying by 12 decades, the right channel half as fast
    left.push_back((next() - 0.5) * std::pow(10.0, -12.0 * i / 30000.0));
    right.push_back((next() - 0.5) * std::pow(10.0, -6.0 * i / 30000.0));
  }
  for (const double tiny : {3e-9, 0.0, 2e-8, 5e-9}) {
    left.insert(left.end(), 300, tiny);
    right.insert(right.end(), 300, tiny * 0.5);
  }
  left.insert(left.end(), 12000, 0.0);  // holds end, levels release into silence
  right.insert(right.end(), 12000, 0.0);
  const size_t silenceEnd = left.size();
  // Then infinities and NaN, which stay in the levels as the ballistics say.
  for (const double odd : {std::numeric_limits<double>::infinity(), 0.25, std::numeric_limits<double>::quiet_NaN(), 0.5,
                           -std::numeric_limits<double>::infinity(), 0.0}) {
    left.push_back(odd);
    right.push_back(-odd);
    left.insert(left.end(), 50, 0.125);
    right.insert(right.end(), 50, 0.0625);
  }
  for (const bool mono : {false, true}) {
    kd::MeterBank bank;
    bank.Init(kMeterRate, 4.0);
    std::array<ModelMeter, 4> model;
    model[2].holdLength = model[3].holdLength = static_cast<int>(4.0 * kMeterRate);
    const int lengths[] = {1, 7, 64, 500, 3001};
    size_t done = 0;
    bool fellSilent = false;
    for (int b = 0; done < left.size(); ++b) {
      const int n = static_cast<int>(std::min<size_t>(lengths[b % 5], left.size() - done));
      bank.Process(left.data() + done, mono ? nullptr : right.data() + done, n);
      for (int i = 0; i < n; ++i, ++done) {
        const double r = mono ? 0.0 : std::fabs(right[done]);
        for (int lane = 0; lane < 4; ++lane) model[lane].Tick(lane % 2 ? r : std::fabs(left[done]), release);
      }
      for (int lane = 0; lane < 4; ++lane) {
        const std::string where = (mono ? "mono" : "stereo") + std::string(" lane ") + std::to_string(lane) +
                                  " after sample " + std::to_string(done);
        ASSERT_EQ(std::isnan(bank.Level(lane)), std::isnan(model[lane].level)) << where;
        if (!std::isnan(model[lane].level)) {
          ASSERT_EQ(bank.Level(lane), model[lane].level) << where;
        }
        ASSERT_EQ(bank.Peak(lane), model[lane].peak) << where;
        ASSERT_EQ(bank.Stage(lane), model[lane].stage) << where;
      }
      if (done <= silenceEnd) fellSilent = model[0].level == 0.0 && model[2].level == 0.0 && model[2].peak > 0.0;
    }
    EXPECT_TRUE(fellSilent);
  }
}

// Long stereo blocks at 48 kHz, where the bank works a block out in segments side by side and only the end
// state counts: signals whose last attack falls early, late or nowhere in a block, ties between a sample
// and the level, amplitudes that rise and then fall until the holds end, and a NaN and an infinity in the
// middle of such blocks. After every block each meter's level, peak and stage must be exactly those of the
// model meters ticked one sample at a time.
struct LongBlockSignal {
  const char* name;
  double (*left)(int i, double noise);
  double (*right)(int i, double noise);
};

TEST(MeterBankReference, LongBlocksGiveTheBallisticsOfEachMeterAlone) {
  constexpr double kMeterRate = 48000.0;
  constexpr int kSamples = 6 * static_cast<int>(kMeterRate);
  const LongBlockSignal signals[] = {
      {"sines", [](int i, double) { return 0.5 * std::sin(0.031 * i); },
       [](int i, double) { return 0.4 * std::cos(0.017 * i); }},
      {"noise", [](int, double v) { return v - 0.5; }, [](int, double v) { return 0.25 - 0.5 * v; }},
      {"steps and ties", [](int i, double) { return 0.25 * (1 + (i / 700) % 3); },
       [](int i, double) { return i % 1000 < 500 ? 0.5 : -0.5; }},
      {"rise then fall", [](int i, double v) { return (v - 0.5) * std::min(1.0, 1e-6 * i) * std::exp(-1e-5 * i); },
       [](int i, double) { return std::sin(0.2 * i) * (i < kSamples / 3 ? i * 3.0 / kSamples : 1e-3); }},
      {"rare clicks", [](int i, double v) { return i % 5003 == 17 ? 0.9 : 0.01 * v; },
       [](int i, double v) { return i % 7919 == 4000 ? -0.8 : 0.02 * (v - 0.5); }},
      {"odd values", [](int i, double v) { return i == 100000 ? std::numeric_limits<double>::quiet_NaN() : v; },
       [](int i, double v) { return i == 50000 ? std::numeric_limits<double>::infinity() : 0.3 * v + 0.1; }},
  };
  const double release = std::pow(10.0, -1.0 / kMeterRate);
  const int lengths[] = {512, 129, 4096, 300, 2048, 1000};
  for (const LongBlockSignal& signal : signals) {
    std::vector<double> left(kSamples), right(kSamples);
    uint64_t noise = 11;
    for (int i = 0; i < kSamples; ++i) {
      noise = noise * 6364136223846793005ull + 1442695040888963407ull;
      const double v = static_cast<double>(noise >> 11) / 9007199254740992.0;
      left[i] = signal.left(i, v);
      right[i] = signal.right(i, v);
    }
    kd::MeterBank bank;
    bank.Init(kMeterRate, 4.0);
    std::array<ModelMeter, 4> model;
    model[2].holdLength = model[3].holdLength = static_cast<int>(4.0 * kMeterRate);
    int done = 0;
    for (int b = 0; done < kSamples; ++b) {
      const int n = std::min(lengths[b % 6], kSamples - done);
      bank.Process(left.data() + done, right.data() + done, n);
      for (int i = 0; i < n; ++i, ++done) {
        for (int lane = 0; lane < 4; ++lane) {
          model[lane].Tick(std::fabs(lane % 2 ? right[done] : left[done]), release);
        }
      }
      for (int lane = 0; lane < 4; ++lane) {
        const std::string where =
            std::string(signal.name) + " lane " + std::to_string(lane) + " after sample " + std::to_string(done);
        ASSERT_EQ(std::isnan(bank.Level(lane)), std::isnan(model[lane].level)) << where;
        if (!std::isnan(model[lane].level)) {
          ASSERT_EQ(bank.Level(lane), model[lane].level) << where;
        }
        ASSERT_EQ(bank.Peak(lane), model[lane].peak) << where;
        ASSERT_EQ(bank.Stage(lane), model[lane].stage) << where;
      }
    }
  }
}

// Ramps cut by the next move, a fader jump in each direction, and power switched off and on: the fade's
// mix of dry and processed signal, the bypass once it has ended, and the fade back in.
TEST_F(GainReferenceTest, RampsAndPowerFadeMatchTheFormulas) {
  RunAndCompare(2 * kBlocksPerSecond);
  Set(kGainMaster, 0.7);
  RunAndCompare(3);
  Set(kGainMaster, 0.31);
  RunAndCompare(1);
  Set(kGainMaster, 0.93);
  Set(kGainLM, 0.2);
  RunAndCompare(kBlocksPerSecond);
  Set(kPower, 0.0);
  const SteadyCounts off = RunAndCompare(2 * kBlocksPerSecond);  // the fade out, then the dry signal
  EXPECT_EQ(off.entered, 1);
  Set(kGainMaster, 0.2);
  const SteadyCounts movedWhileOff = RunAndCompare(kBlocksPerSecond);
  EXPECT_EQ(movedWhileOff.left, 1);
  EXPECT_EQ(movedWhileOff.entered, 1);
  Set(kPower, 1.0);
  const SteadyCounts on = RunAndCompare(2 * kBlocksPerSecond);
  EXPECT_EQ(on.left, 1);
  EXPECT_EQ(on.entered, 1);
}

// Power switched again soon after a fade has ended, while its state still creeps towards 1 or 0 through
// steady blocks: the next fade starts from exactly where the skipped ticks would have left it.
TEST_F(GainReferenceTest, QuickPowerTogglesStartEachFadeFromTheSkippedState) {
  Set(kGainMaster, 0.6);
  for (const double power : {1.0, 0.0, 1.0, 0.0}) {
    Set(kPower, power);
    EXPECT_GT(RunAndCompare(kBlocksPerSecond / 4).steady, 0);
  }
}

// A gain smoothed down to silence: the filters' last steps run on values near the 1e-8 threshold, where
// the denormal guard added on every step shows in the result's last bits.
TEST_F(GainReferenceTest, GainSmoothedDownToSilence) {
  Set(kMDFilterFreq, 200.0);
  RunAndCompare(kBlocksPerSecond);
  for (const int fader : {kGainLM, kGainMaster}) {
    Set(fader, 0.0);
    const SteadyCounts down = RunAndCompare(kBlocksPerSecond);
    EXPECT_EQ(down.entered, 1);
  }
}

}  // namespace
