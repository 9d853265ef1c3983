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

  // Main thread; never blocks. A delay no longer than any before reuses the memory; a longer one
  // allocates, which must happen while the audio is suspended. The rings restart empty at the next
  // block. A negative length, or one whose memory cannot be had, is refused.
  void SetLength(int length);

  // Audio thread; never allocates or blocks. For every frame in order and every channel that exists on
  // both sides: the output takes the sample written `length` frames ago and the ring takes the input
  // (inputs and outputs may be the same buffers). Outputs without a delayed channel are zeroed.
  void Process(double* const* inputs, double* const* outputs, int nFrames);

  // Any thread. The length last set.
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
