// A second host thread for cross-thread tests: it lives as long as the object and runs what it is given, one
// piece at a time, as a host's idle timer or loader thread calls the plug-in. Start returns at once; Run waits
// for the piece to end. Waits are bounded, so that a test of a deadlock fails instead of hanging.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kd::test {

class HostThread {
 public:
  static constexpr std::chrono::seconds kPatience{20};

  HostThread() : mThread([this] { Loop(); }) {}
  ~HostThread() {
    {
      std::lock_guard lock(mMutex);
      mQuit = true;
    }
    mWake.notify_all();
    mThread.join();
  }
  HostThread(const HostThread&) = delete;
  HostThread& operator=(const HostThread&) = delete;

  std::thread::id Id() const { return mThread.get_id(); }

  // Queues work on the thread.
  void Start(std::function<void()> work) {
    {
      std::lock_guard lock(mMutex);
      mWork.push_back(std::move(work));
      ++mQueued;
    }
    mWake.notify_all();
  }
  // True when everything started so far has ended within the patience.
  bool Wait() {
    std::unique_lock lock(mMutex);
    return mWake.wait_for(lock, kPatience, [this] { return mDone == mQueued; });
  }
  // Runs work on the thread and waits for it; false when it did not end within the patience.
  bool Run(std::function<void()> work) {
    Start(std::move(work));
    return Wait();
  }

 private:
  void Loop() {
    std::unique_lock lock(mMutex);
    for (;;) {
      mWake.wait(lock, [this] { return mQuit || !mWork.empty(); });
      if (mWork.empty()) return;
      std::function<void()> work = std::move(mWork.front());
      mWork.pop_front();
      lock.unlock();
      work();
      lock.lock();
      ++mDone;
      mWake.notify_all();
    }
  }

  std::mutex mMutex;
  std::condition_variable mWake;
  std::deque<std::function<void()>> mWork;
  long mQueued = 0;
  long mDone = 0;
  bool mQuit = false;
  std::thread mThread;  // last: starts once the rest is built
};

// Spins until the flag is set or a host thread's patience ran out; false then.
inline bool AwaitFlag(const std::atomic<bool>& flag) {
  const auto deadline = std::chrono::steady_clock::now() + HostThread::kPatience;
  while (!flag.load()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace kd::test
