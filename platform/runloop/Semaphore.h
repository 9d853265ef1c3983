// A counting semaphore, the stand-in for a dispatch semaphore: the renderer's back end counts its free
// buffer sets with one, waiting on the main thread and signalling from GPU completion handlers.
#pragma once

#include <condition_variable>
#include <mutex>

namespace platform {

class Semaphore {
 public:
  // Any thread. A negative start count is taken as 0.
  explicit Semaphore(long count) : mCount(count > 0 ? count : 0) {}
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;

  // Any thread; blocks until the count is above 0, then takes one.
  void Wait();
  // Any thread; blocks at most `seconds`. False on time-out, with the count unchanged.
  bool WaitFor(double seconds);
  // Any thread; never blocks for long. Gives one back; true when a waiting thread was woken.
  bool Signal();
  // Any thread; a snapshot, for tests and diagnostics.
  long Count() const;

 private:
  mutable std::mutex mMutex;
  std::condition_variable mAvailable;
  long mCount;       // guarded by mMutex
  int mWaiters = 0;  // guarded by mMutex
};

}  // namespace platform
