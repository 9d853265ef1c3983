#include "framework/LatencyDelay.h"

#include <algorithm>
#include <cstring>

namespace fx {

namespace {

// Far beyond any latency a plug-in reports (about 47 minutes at 96 kHz per channel pair).
constexpr long long kMaxSamples = 1LL << 28;

}  // namespace

LatencyDelay::LatencyDelay(int nInChannels, int nOutChannels, int length)
    : mNInChans(std::max(nInChannels, 0)), mNOutChans(std::max(nOutChannels, 0)) {
  SetLength(length);
}

bool LatencyDelay::SetLength(int length) {
  if (length < 0) return false;
  const long long samples = static_cast<long long>(length) * mNInChans;
  if (samples > kMaxSamples) return false;
  if (samples > mCapacity) {
    if (!mBuffer.Resize(static_cast<int>(samples), false)) return false;
    mCapacity = static_cast<int>(samples);
  }
  mRequestedLength.store(length, std::memory_order_release);
  mLengthPending.store(true, std::memory_order_release);
  return true;
}

void LatencyDelay::ApplyPendingLength() {
  if (!mLengthPending.exchange(false, std::memory_order_acq_rel)) return;
  mLength = mRequestedLength.load(std::memory_order_acquire);
  mWritePos = 0;
  if (mLength > 0) std::memset(mBuffer.Get(), 0, static_cast<size_t>(mLength) * mNInChans * sizeof(double));
}

void LatencyDelay::Process(double* const* inputs, double* const* outputs, int nFrames) {
  ApplyPendingLength();
  const int length = mLength;
  const int nDelayed = length > 0 ? std::min(mNInChans, mNOutChans) : 0;
  double* rings = mBuffer.Get();
  int pos = mWritePos;
  for (int f = 0; f < nFrames; ++f) {
    for (int c = 0; c < nDelayed; ++c) {
      const double in = inputs[c][f];
      outputs[c][f] = rings[c * length + pos];
      rings[c * length + pos] = in;
    }
    if (nDelayed > 0) pos = (pos + 1) % length;
  }
  mWritePos = pos;
  for (int c = nDelayed; c < mNOutChans; ++c) std::memset(outputs[c], 0, static_cast<size_t>(nFrames) * sizeof(double));
}

}  // namespace fx
