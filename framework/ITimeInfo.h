// The host's transport at the start of a block. A value the host did not give keeps its fallback:
// positions -1, tempo 120, time signature 4/4, transport stopped, no loop.
#pragma once

namespace fx {

struct ITimeInfo {
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mPPQPos = -1.0;
  double mLastBar = -1.0;
  double mCycleStart = -1.0;
  double mCycleEnd = -1.0;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

}  // namespace fx
