#include "framework/LatencyDelay.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace fx {

namespace {

// Far beyond any latency a plug-in reports (about 47 minutes at 96 kHz per channel pair); the rings of a
// delay hold fewer samples than this (2 GiB).
constexpr long long kMaxSamples = 1LL << 28;

}  // namespace

LatencyDelay::LatencyDelay(int nInChannels, int nOutChannels, int length)
    : mNInChans(std::max(nInChannels, 0)), mNOutChans(std::max(nOutChannels, 0)) {
  SetLength(length);
}

// The rings are handed over before the length that needs them, so that the audio thread, having read a
// length, always takes rings at least that long (or has taken them already). An exchange that finds the
// earlier rings still waiting means the audio thread never took them: they go at once. One that finds
// none means the audio thread took the newest rings, and so is done with the ones before.
bool LatencyDelay::SetLength(int length) {
  if (length < 0) return false;
  const long long samples = static_cast<long long>(length) * mNInChans;
  if (samples >= kMaxSamples) return false;
  if (!mPendingRings.load(std::memory_order_acquire)) mOldRings.reset();
  if (samples > mCapacity) {
    std::unique_ptr<double[]> rings(new (std::nothrow) double[static_cast<size_t>(samples)]);
    if (!rings) return false;
    if (!mPendingRings.exchange(rings.get(), std::memory_order_acq_rel)) mOldRings = std::move(mNewestRings);
    mNewestRings = std::move(rings);
    mCapacity = samples;
  }
  mRequestedLength.store(length, std::memory_order_release);
  mLengthPending.store(true, std::memory_order_release);
  return true;
}

void LatencyDelay::ApplyPendingLength() {
  if (!mLengthPending.exchange(false, std::memory_order_acq_rel)) return;
  mLength = mRequestedLength.load(std::memory_order_acquire);
  if (double* rings = mPendingRings.exchange(nullptr, std::memory_order_acq_rel)) mRings = rings;
  mWritePos = 0;
  if (mLength > 0 && mRings) std::memset(mRings, 0, static_cast<size_t>(mLength) * mNInChans * sizeof(double));
}

void LatencyDelay::Process(double* const* inputs, double* const* outputs, int nFrames) {
  ApplyPendingLength();
  const int length = mLength;
  const int nDelayed = length > 0 ? std::min(mNInChans, mNOutChans) : 0;
  double* rings = mRings;
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
