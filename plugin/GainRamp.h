// A linear ramp of one fader position over a block: a new target is reached in `length` samples (the
// host's block size), so a fader jump never clicks.
// Audio thread only (and InitDSP under the DSP mutex); never allocates.
#pragma once

namespace kd {

class GainRamp {
 public:
  // Length in samples, at least 1; the ramp stands at position with no ramp running.
  void Reset(double position, int length);
  // At a block start: a position different from the target starts a ramp, otherwise the ramp is idle.
  void BeginBlock(double position);
  // At a block start: a ramp from `from` to position whatever ran before (idle at position when they are equal).
  void BeginBlockFrom(double from, double position);
  // The next sample's position: stepping while the ramp runs, exactly the target once it has run its
  // length, and the target whenever no ramp was started in this block.
  double Next() {
    if (!mActive) return mTarget;
    if (mCount < mLength) {
      mCurrent += mStep;
      ++mCount;
      mRamping = true;
    } else {
      mRamping = false;
      mCurrent = mTarget;
    }
    return mCurrent;
  }
  // True when the ramp yields its target for every sample of the block.
  bool IsIdle() const { return !mActive; }
  double Target() const { return mTarget; }
  int Length() const { return mLength; }

 private:
  bool mRamping = false;
  double mStep = 0.0;
  double mCurrent = 0.0;
  double mTarget = 0.0;
  int mLength = 1;
  int mCount = 0;
  bool mActive = false;
};

}  // namespace kd
