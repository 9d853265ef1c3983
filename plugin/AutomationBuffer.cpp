#include "plugin/AutomationBuffer.h"

#include <algorithm>

namespace kd {

void AutomationBuffer::Resize(int nSlots, double position) {
  mNSlots = std::max(nSlots, 0);
  mSlots = std::make_unique<Slot[]>(mNSlots);
  mPositions = std::make_unique<double[]>(mNSlots);
  std::fill_n(mPositions.get(), mNSlots, position);
  mPrevious = position;
  mActive.store(false, std::memory_order_release);
}

void AutomationBuffer::SetPending(int offset, double value) {
  if (offset < 0 || offset >= mNSlots) return;
  if (!mActive.load(std::memory_order_acquire)) {
    for (int i = 0; i < mNSlots; ++i) mSlots[i].pending.store(false, std::memory_order_relaxed);
  }
  mSlots[offset].value.store(value, std::memory_order_relaxed);
  mSlots[offset].pending.store(true, std::memory_order_release);
  mActive.store(true, std::memory_order_release);
}

void AutomationBuffer::Interpolate(int nFrames) {
  const int n = std::clamp(nFrames, 0, mNSlots);
  int lastIdx = -1;
  double lastValue = mPrevious;
  for (int i = 0; i < n; ++i) {
    if (!mSlots[i].pending.load(std::memory_order_acquire)) continue;
    const double value = mSlots[i].value.load(std::memory_order_relaxed);
    const int from = lastIdx < 0 ? 0 : lastIdx + 1;
    for (int k = from; k < i; ++k) {
      mPositions[k] = lastIdx < 0 ? mPrevious : lastValue + (value - lastValue) * (k - lastIdx) / (i - lastIdx);
    }
    mPositions[i] = value;
    lastIdx = i;
    lastValue = value;
  }
  std::fill(mPositions.get() + (lastIdx + 1), mPositions.get() + n, lastValue);
  if (n > 0) mPrevious = mPositions[n - 1];
}

}  // namespace kd
