#include "framework/FwMutex.h"

#include <gtest/gtest.h>

#include <thread>

namespace fx {
namespace {

bool TryLockFromAnotherThread(FwMutex& mutex) {
  bool locked = false;
  std::thread other([&] {
    locked = mutex.TryLock();
    if (locked) mutex.Unlock();
  });
  other.join();
  return locked;
}

TEST(FwMutex, TheHolderMayLockAgain) {
  FwMutex mutex;
  FwMutexLock outer(mutex);
  {
    FwMutexLock inner(mutex);
    EXPECT_FALSE(TryLockFromAnotherThread(mutex));
  }
  EXPECT_FALSE(TryLockFromAnotherThread(mutex));  // still held once
}

TEST(FwMutex, ScopedLockReleasesAtTheEndOfTheScope) {
  FwMutex mutex;
  { FwMutexLock lock(mutex); }
  EXPECT_TRUE(TryLockFromAnotherThread(mutex));
}

}  // namespace
}  // namespace fx
