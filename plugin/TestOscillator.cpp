#include "plugin/TestOscillator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kd {

void TestOscillator::Setup(int waveform, double frequency, double sampleRate, double pulseWidth, double gain,
                           double offset) {
  mWaveform = waveform;
  const double samplesPerCycle = sampleRate / frequency;
  // A rate of zero, NaN or below the frequency gives a one-sample cycle rather than a cast out of range.
  const bool usable = std::isfinite(samplesPerCycle) && samplesPerCycle >= 1.0;
  mIncrement = usable ? frequency / sampleRate : 0.0;
  mCycleLength = usable ? static_cast<int>(std::min(samplesPerCycle, double{std::numeric_limits<int>::max()})) : 1;
  mPulseWidth = pulseWidth;
  mGain = gain;
  mOffset = offset;
  mPhase = 0.0;
  mCycleCounter = 0;
}

double TestOscillator::Tick() {
  const double value = Value();
  if (++mCycleCounter >= mCycleLength) {
    mCycleCounter = 0;
    mPhase = 0.0;
    RenewAmplitudes();
  } else {
    mPhase += mIncrement;
  }
  return std::clamp((value * mGain + mOffset) * 0.5 + 0.5, 0.0, 1.0);
}

double TestOscillator::Value() const {
  const double a0 = mAmplitude[0];
  const double a1 = mAmplitude[1];
  const double q = std::min(0.9, std::max(0.1, mAmplitude[2])) * mPulseWidth;
  switch (mWaveform) {
    case kSine:
      return std::sin(2.0 * std::numbers::pi * mPhase) * a0;
    case kSquare:
      return 2.0 * std::numbers::pi * mPhase < std::numbers::pi ? a0 : -a0;
    case kPulse:
      return mPhase < q ? a0 : -a1;
    case kFallingSaw:
      return (1.0 - 2.0 * mPhase) * a0;
    case kRisingSaw:
      return (2.0 * mPhase - 1.0) * a0;
    case kTriangle: {
      const double shifted = mPhase + 0.5;
      const double u = (shifted - std::floor(shifted)) * 4.0 - 1.0;
      return (u > 1.0 ? 2.0 - u : u) * a0;
    }
    case kRandomSteps:
      return mPhase < q ? a0 : a1;
    default:
      return 0.0;
  }
}

void TestOscillator::RenewAmplitudes() {
  switch (mWaveform) {
    case kSine:
    case kSquare:
    case kFallingSaw:
    case kRisingSaw:
    case kTriangle:
      mAmplitude[0] = mRandom ? Draw() : 1.0;
      break;
    case kPulse:
      for (double& a : mAmplitude) a = mRandom ? Draw() : 1.0;
      break;
    case kRandomSteps:
      mAmplitude[0] = 2.0 * Draw() - 1.0;
      mAmplitude[1] = 2.0 * Draw() - 1.0;
      mAmplitude[2] = mRandom ? Draw() : 1.0;
      break;
    default:
      break;
  }
}

}  // namespace kd
