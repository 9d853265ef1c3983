#include "plugin/GainRamp.h"

#include <algorithm>

namespace kd {

void GainRamp::Reset(double position, int length) {
  mRamping = false;
  mCurrent = position;
  mTarget = position;
  mStep = 0.0;
  mLength = std::max(length, 1);
  mCount = 0;
  mActive = false;
}

void GainRamp::BeginBlock(double position) {
  if (position != mTarget) {
    mRamping = false;
    mTarget = position;
    mStep = (mTarget - mCurrent) / mLength;
    mCount = 0;
    mActive = true;
  } else {
    // A ramp cut short by a block shorter than its length has jumped to its target: the next ramp starts
    // there, not from where the cut ramp stopped (which would jump the gain back first). A ramp that ran
    // its length keeps its last position, so the following ramp steps from exactly there.
    if (mActive && mCount < mLength) mCurrent = mTarget;
    mActive = false;
  }
}

void GainRamp::BeginBlockFrom(double from, double position) {
  mCurrent = from;
  mTarget = from;
  mActive = false;
  BeginBlock(position);
}

}  // namespace kd
