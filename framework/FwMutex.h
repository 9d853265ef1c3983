// FwMutex: the process mutex of the base library. It is recursive: the thread
// that holds it may lock it again (the resource caches' loaders do), and must
// unlock it as often as it locked it.
#pragma once

#include <mutex>

namespace fx {

class FwMutex {
 public:
  FwMutex() = default;
  FwMutex(const FwMutex&) = delete;
  FwMutex& operator=(const FwMutex&) = delete;

  // Any thread except the audio thread; blocks until the mutex is free.
  void Lock() { mMutex.lock(); }
  // Any thread; never blocks. True when the mutex is now held by the caller.
  bool TryLock() { return mMutex.try_lock(); }
  // The holding thread; never blocks.
  void Unlock() { mMutex.unlock(); }

 private:
  std::recursive_mutex mMutex;
};

// Holds a FwMutex for the lifetime of the scope.
class FwMutexLock {
 public:
  explicit FwMutexLock(FwMutex& mutex) : mMutex(mutex) { mMutex.Lock(); }
  ~FwMutexLock() { mMutex.Unlock(); }
  FwMutexLock(const FwMutexLock&) = delete;
  FwMutexLock& operator=(const FwMutexLock&) = delete;

 private:
  FwMutex& mMutex;
};

}  // namespace fx
