// The "Power" fade: a one-pole glide of the mix between the dry and the processed signal, with a time
// constant of about 0.1 s / 2 pi, so switching the plug-in on or off never clicks.
// Audio thread only (and the DSP set-up under the DSP mutex); never allocates.
#pragma once

#include <cmath>

namespace kd {

class PowerFade {
 public:
  static constexpr double kDoneThreshold = 0.01;

  // coeff = exp(-2 pi / N) with N = int(0.1 x sampleRate), at least 1 sample; the state starts at 0
  // (fully dry) so that a plug-in created with power on fades in.
  void Reset(double sampleRate);
  // One sample: the processed signal's share in f; true while the fade is still running.
  bool Tick(bool powerOn, double& f) {
    const double previous = mState;
    bool fading = true;
    if (powerOn) {
      mState = mState * mCoeff + mOneMinusCoeff;
      if (std::fabs(mState - 1.0) < kDoneThreshold) {
        f = 1.0;
        fading = false;
      } else {
        f = mState;
      }
    } else {
      mState = mState * mCoeff;
      if (std::fabs(mState) < kDoneThreshold) {
        f = 0.0;
        fading = false;
      } else {
        f = mState;
      }
    }
    mSteady = mState == previous;
    mSteadyPower = powerOn;
    return fading;
  }
  // True when the last tick left the state unchanged for this power setting: every further tick gives
  // the same share and no fade, so a block may skip the ticks.
  bool IsSteady(bool powerOn) const { return mSteady && mSteadyPower == powerOn; }

  double Coeff() const { return mCoeff; }
  double State() const { return mState; }

 private:
  double mCoeff = 0.0;
  double mOneMinusCoeff = 1.0;
  double mState = 0.0;
  bool mSteady = false;
  bool mSteadyPower = false;
};

}  // namespace kd
