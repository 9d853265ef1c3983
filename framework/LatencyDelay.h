// Delays bypassed audio by the plug-in's reported latency, so that a host's delay compensation stays
// right while the plug-in passes audio through. One ring of `length` samples per input channel.
//
// A new length is handed to the audio thread, which clears the rings and restarts them before its next
// block, so that changing the latency while audio runs never races with the rings.
#pragma once

#include <atomic>

#include "framework/FwTypedBuf.h"

namespace fx {

class LatencyDelay {
 public:
  // Main thread; allocates.
  LatencyDelay(int nInChannels, int nOutChannels, int length);

  // Main thread; never blocks. A delay no longer than any before reuses the memory (it never shrinks); a
  // longer one allocates, which must happen while the audio is suspended. The new length, the write
  // position 0 and the cleared rings take effect at the next block. False, with nothing changed, for a
  // negative length, one needing more than 2^28 samples over the input channels, or one whose memory
  // cannot be had.
  bool SetLength(int length);

  // Audio thread; never allocates or blocks. For every frame in order and every channel that exists on
  // both sides: the output takes the sample written `length` frames ago and the ring takes the input
  // (inputs and outputs may be the same buffers). Outputs without a delayed channel are zeroed.
  void Process(double* const* inputs, double* const* outputs, int nFrames);

  // Any thread. The length last taken.
  int GetLength() const { return mRequestedLength.load(std::memory_order_acquire); }
  int NInChannels() const { return mNInChans; }
  int NOutChannels() const { return mNOutChans; }

 private:
  void ApplyPendingLength();

  FwTypedBuf<double> mBuffer;
  const int mNInChans;
  const int mNOutChans;
  int mWritePos = 0;  // audio thread
  int mLength = 0;    // audio thread
  int mCapacity = 0;  // samples allocated; main thread
  std::atomic<int> mRequestedLength{0};
  std::atomic<bool> mLengthPending{false};
};

}  // namespace fx
