#include "plugin/PowerFade.h"

#include <cmath>
#include <numbers>

namespace kd {

void PowerFade::Reset(double sampleRate) {
  const double rate = std::isfinite(sampleRate) ? sampleRate : 0.0;
  int n = static_cast<int>(0.1 * rate);
  if (n < 1) n = 1;
  mCoeff = std::exp(-2.0 * std::numbers::pi / n);
  mOneMinusCoeff = 1.0 - mCoeff;
  mState = 0.0;
  mDoneThreshold = kDoneThreshold;
  mFading = false;
}

}  // namespace kd
