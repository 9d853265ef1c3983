// Delays bypassed audio by the plug-in's reported latency, so that a host's delay compensation stays
// right while the plug-in passes audio through. One ring of `length` samples per input channel.
//
// A new length is handed to the audio thread, which clears the rings and restarts them before its next
// block, so that changing the latency while audio runs never races with the rings. Rings too short for a
// new length are replaced, never resized: the main thread makes the longer rings and hands them over with
// the length; the audio thread takes them at its next block, and the rings it used before are freed on the
// main thread once it has taken the new ones. The audio thread never waits, allocates or frees.
#pragma once

#include <atomic>
#include <memory>

namespace fx {

class LatencyDelay {
 public:
  // Main thread; allocates.
  LatencyDelay(int nInChannels, int nOutChannels, int length);

  // Main thread (one thread at a time); never blocks, may run while the audio thread processes. A delay no
  // longer than any before reuses the rings (they never shrink); a longer one makes new rings. The new
  // length, the write position 0 and the cleared rings take effect at the next block. False, with nothing
  // changed, for a negative length, one needing 2^28 samples or more over the input channels, or one
  // whose memory cannot be had. Also frees rings the audio thread has left.
  bool SetLength(int length);

  // Audio thread; never allocates, frees or blocks. For every frame in order and every channel that exists
  // on both sides: the output takes the sample written `length` frames ago and the ring takes the input
  // (inputs and outputs may be the same buffers). Outputs without a delayed channel are zeroed.
  void Process(double* const* inputs, double* const* outputs, int nFrames);

  // Any thread. The length last taken.
  int GetLength() const { return mRequestedLength.load(std::memory_order_acquire); }
  int NInChannels() const { return mNInChans; }
  int NOutChannels() const { return mNOutChans; }

 private:
  void ApplyPendingLength();

  const int mNInChans;
  const int mNOutChans;
  // Main thread: the rings made last (handed over or in use) and, while the audio thread may still be using
  // them, the ones before; the samples the newest hold.
  std::unique_ptr<double[]> mNewestRings;
  std::unique_ptr<double[]> mOldRings;
  long long mCapacity = 0;
  // Rings handed over and not yet taken by the audio thread; null once taken.
  std::atomic<double*> mPendingRings{nullptr};
  std::atomic<int> mRequestedLength{0};
  std::atomic<bool> mLengthPending{false};
  // Audio thread.
  double* mRings = nullptr;
  int mWritePos = 0;
  int mLength = 0;
};

}  // namespace fx
