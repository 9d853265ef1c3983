// The product's gain processing against a plain sample-by-sample model written straight from the gain
// formulas (fader law, minus infinity, locks, link, core layout, mid/side, per-block ramps, the two
// smoothing stages run twice per sample, the power fade). The model caches nothing and takes no steady-block shortcut, so any
// shortcut in the product that changes the arithmetic shows up as a difference in some bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

#include "plugin/Kelvadrune.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 64;
constexpr double kGuard = 1e-24;

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

class ReferenceModel {
 public:
  ReferenceModel() {
    for (Ramp& ramp : mRamps) ramp.current = ramp.target = 0.5;
    const int n = static_cast<int>(0.1 * kRate);
    mFadeCoeff = std::exp(-2.0 * std::numbers::pi / n);
    mFadeOneMinus = 1.0 - mFadeCoeff;
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

  void Process(const ModelSettings& s, const double* inL, const double* inR, double* outL, double* outR, int n) {
    for (int g = 0; g < 3; ++g) StartRamp(mRamps[g], s.position[g]);
    const double minRounded = std::floor(s.minGain * 100.0 + 0.5) / 100.0;
    for (int i = 0; i < n; ++i) {
      std::array<double, 3> p{};
      for (int g = 0; g < 3; ++g) p[g] = StepRamp(mRamps[g]);
      double f = 0.0;
      const bool fading = StepFade(s.power, f);
      if (s.linked) p[2] = p[1];
      std::array<double, 3> gain{};
      for (int g = 0; g < 3; ++g) {
        const int rule = s.linked && g == 2 ? 1 : g;
        const double dB = p[g] < 0.5 ? (1.0 - 2.0 * p[g]) * s.minGain : (2.0 * p[g] - 1.0) * s.maxGain;
        gain[g] = std::exp(dB * 0.11512925464970228);
        if (s.minAsInf[rule] && !(std::floor(dB * 100.0 + 0.5) / 100.0 > minRounded)) gain[g] = 0.0;
        if (s.lock[rule] && gain[g] > 1.0) gain[g] = 1.0;
        gain[g] = Smooth(mSmoothers[g], gain[g]);
      }
      const double gM = gain[0];
      const double gLM = gain[1];
      const double gS = s.linked ? gain[1] : gain[2];
      const double l = inL[i];
      const double r = inR[i];
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
      outR[i] = oR;
    }
  }

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

  static void StartRamp(Ramp& ramp, double member) {
    if (member != ramp.target) {
      ramp.target = member;
      ramp.step = (ramp.target - ramp.current) / kBlock;
      ramp.count = 0;
      ramp.active = true;
    } else {
      ramp.active = false;
    }
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

  double Smooth(Smoother& s, double g) const {
    if (std::fabs(s.lastGain - g) > 1e-8) g = Tick(s.second, Tick(s.first, g));
    s.lastGain = g;
    return g;
  }

  std::array<Ramp, 3> mRamps;
  std::array<Smoother, 3> mSmoothers;
  double mB0 = 0.0;
  double mA1 = 0.0;
  double mFadeCoeff = 0.0;
  double mFadeOneMinus = 0.0;
  double mFadeState = 0.0;
};

class GainReferenceTest : public testing::Test {
 protected:
  void SetUp() override {
    mPlug = std::make_unique<Kelvadrune>(fx::InstanceInfo{});
    mPlug->SetSampleRate(kRate);
    mPlug->SetBlockSize(kBlock);
    mPlug->OnReset();
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

  // nBlocks of a fixed pseudo-random signal through both; every output sample must be identical.
  void RunAndCompare(int nBlocks) {
    if (HasFatalFailure()) return;
    std::vector<double> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock), refL(kBlock), refR(kBlock);
    for (int b = 0; b < nBlocks; ++b, ++mBlocks) {
      for (int i = 0; i < kBlock; ++i) {
        inL[i] = NextNoise();
        inR[i] = NextNoise();
      }
      double* ins[2] = {inL.data(), inR.data()};
      double* outs[2] = {outL.data(), outR.data()};
      mPlug->ProcessBlock(ins, outs, kBlock);
      mModel.Process(mSettings, inL.data(), inR.data(), refL.data(), refR.data(), kBlock);
      for (int i = 0; i < kBlock; ++i) {
        ASSERT_EQ(outL[i], refL[i]) << "block " << mBlocks << " sample " << i;
        ASSERT_EQ(outR[i], refR[i]) << "block " << mBlocks << " sample " << i;
      }
    }
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
};

TEST_F(GainReferenceTest, FaderMovesRampsAndSmoothingMatchTheFormulas) {
  RunAndCompare(100);  // the fade-in at start, then steady blocks
  Set(kGainMaster, 0.7);
  RunAndCompare(3);  // a ramp, then idle blocks at its target
  Set(kGainMaster, 0.31);
  RunAndCompare(1);
  Set(kGainMaster, 0.93);
  RunAndCompare(2);
  Set(kMDFilterFreq, 40.0);
  Set(kGainLM, 0.8);
  Set(kGainRS, 0.2);
  RunAndCompare(200);  // slow smoothing runs across many blocks
  Set(kMDFilterFreq, 20500.0);
  RunAndCompare(20);
}

TEST_F(GainReferenceTest, RoutingLayoutsAndRulesMatchTheFormulas) {
  RunAndCompare(80);
  Set(kProcessMode, 1.0);
  Set(kGainLM, 0.75);
  Set(kGainRS, 0.4);
  RunAndCompare(10);
  Set(kBasicFaderLayout, 1.0);
  Set(kLockGainLM, 1.0);
  RunAndCompare(10);
  Set(kLockGainLM, 0.0);
  Set(kGainLM, 0.0);
  RunAndCompare(10);
  Set(kLMTreatMinAsInf, 0.0);
  Set(kMinGain, -60.0);
  Set(kMaxGain, 12.0);
  RunAndCompare(10);
  Set(kCoreFaderLayout, 1.0);
  Set(kGainMaster, 0.1);
  Set(kGainLM, 0.65);
  RunAndCompare(10);
  Set(kCoreFaderLayout, 0.0);
  Set(kBasicFaderLayout, 0.0);
  Set(kProcessMode, 0.0);
  RunAndCompare(10);
}

TEST_F(GainReferenceTest, PowerFadeOutAndBackInMatchesTheFormulas) {
  Set(kGainMaster, 0.8);
  RunAndCompare(100);
  Set(kPower, 0.0);
  RunAndCompare(100);  // the fade out, then the dry signal
  Set(kGainMaster, 0.2);
  RunAndCompare(5);  // fader moves while off
  Set(kPower, 1.0);
  RunAndCompare(100);
}

}  // namespace
