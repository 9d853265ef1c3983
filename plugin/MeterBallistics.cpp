#include "plugin/MeterBallistics.h"

#include <cmath>

namespace kd {

void MeterBallistics::Init(double sampleRate, double holdSeconds) {
  const bool usable = std::isfinite(sampleRate) && sampleRate > 0.0;
  mAttack = 0.0;
  mRelease = usable ? std::pow(10.0, -1.0 / sampleRate) : 0.0;
  mHoldLength = usable ? static_cast<int>(holdSeconds * sampleRate) : 0;
  mHoldCounter = 0;
  ResetLevels();
}

void MeterBallistics::ResetLevels() {
  mLevel = 0.0;
  mPeak = 0.0;
  mStage = kStageIdle;
}

}  // namespace kd
