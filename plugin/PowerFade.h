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
    mState = Next(powerOn);
    mFading = !Ended(powerOn, mState);
    f = mFading ? mState : (powerOn ? 1.0 : 0.0);
    return mFading;
  }
  // True when the next tick, and so every tick after it for this power setting, gives no fade (a share of
  // exactly 1 or 0): the state only creeps further towards 1 or 0.
  bool HasEnded(bool powerOn) const { return Ended(powerOn, Next(powerOn)); }
  // n ticks of an ended fade, without their shares; the state stays exactly what n ticks leave.
  void Advance(bool powerOn, int n) {
    if (n > 0) mFading = false;
    for (int i = 0; i < n; ++i) {
      const double next = Next(powerOn);
      if (next == mState) break;  // the fixed point: no further tick changes anything
      mState = next;
    }
  }

  double Coeff() const { return mCoeff; }
  double State() const { return mState; }
  // Whether the last tick still faded.
  bool IsFading() const { return mFading; }
  double DoneThreshold() const { return mDoneThreshold; }

 private:
  double Next(bool powerOn) const { return powerOn ? mState * mCoeff + mOneMinusCoeff : mState * mCoeff; }
  // The state moves monotonically towards 1 (on) or 0 (off), so once within the threshold it stays there.
  bool Ended(bool powerOn, double state) const { return std::fabs(powerOn ? state - 1.0 : state) < mDoneThreshold; }

  double mCoeff = 0.0;
  double mOneMinusCoeff = 1.0;
  double mState = 0.0;
  double mDoneThreshold = kDoneThreshold;
  bool mFading = false;
};

}  // namespace kd
