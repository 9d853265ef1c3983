#include "platform/runloop/Semaphore.h"

#include <chrono>

namespace platform {

void Semaphore::Wait() {
  std::unique_lock<std::mutex> lock(mMutex);
  ++mWaiters;
  mAvailable.wait(lock, [this] { return mCount > 0; });
  --mWaiters;
  --mCount;
}

bool Semaphore::WaitFor(double seconds) {
  std::unique_lock<std::mutex> lock(mMutex);
  ++mWaiters;
  const auto timeout = std::chrono::duration<double>(seconds > 0.0 ? seconds : 0.0);
  const bool available = mAvailable.wait_for(lock, timeout, [this] { return mCount > 0; });
  --mWaiters;
  if (available) --mCount;
  return available;
}

bool Semaphore::Signal() {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    ++mCount;
    wake = mWaiters > 0;
  }
  if (wake) mAvailable.notify_one();
  return wake;
}

long Semaphore::Count() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mCount;
}

}  // namespace platform
