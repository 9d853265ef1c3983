// One possible input or output channel of the audio processor: whether the host connected it, where its
// samples are this block, and a scratch buffer for disconnected channels and single-precision hosts.
#pragma once

#include <atomic>

#include "framework/FwString.h"
#include "framework/FwTypedBuf.h"

namespace fx {

struct IChannelData {
  explicit IChannelData(double** pointerEntry) : mData(pointerEntry) {}
  IChannelData(const IChannelData&) = delete;
  IChannelData& operator=(const IChannelData&) = delete;

  // Points the channel's entry of the processor's pointer array at the scratch buffer.
  void PointAtScratch() { *mData = mScratchBuf.Get(); }

  // Written on the main thread between blocks, read on the audio thread.
  std::atomic<bool> mConnected{false};
  // This channel's entry in the processor's channel-pointer array.
  double** mData;
  // An output fed by a single-precision host buffer: the buffer that receives the block. Audio thread only.
  float* mFloatDest = nullptr;
  FwTypedBuf<double> mScratchBuf{FwHeapBuf::kDefaultGranularity};
  FwString mLabel;
};

}  // namespace fx
