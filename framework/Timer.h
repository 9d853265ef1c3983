// A repeating callback on the process's main run loop (platform/runloop), not bound to a thread: its ticks
// arrive on whichever host thread pumps the main loop, one thread at a time, between that thread's other work.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {
class RunLoopTimer;
}

namespace fx {

class Timer {
 public:
  using ITimerFunction = std::function<void(Timer&)>;

  // Any non-audio thread. A running timer, owned (and deleted) by the caller; its first tick comes at the
  // next pump of the main loop, then one every intervalMs.
  static Timer* Create(ITimerFunction func, uint32_t intervalMs);

  // Stops the timer first.
  virtual ~Timer() = default;
  // Any non-audio thread, also from inside the timer's own tick. No tick starts afterwards; a tick running
  // on another thread at that moment is waited for (one on the calling thread is not), so whatever the
  // function touches may go once Stop returns. The caller must therefore hold no lock the function takes.
  // Stopping releases the run loop's timer; a second call, and deleting a stopped timer, do not touch the
  // run loop again.
  virtual void Stop() = 0;
};

class Timer_impl final : public Timer {
 public:
  Timer_impl(ITimerFunction func, uint32_t intervalMs);
  ~Timer_impl() override;
  void Stop() override;

 private:
  struct Ticks;

  // Null once stopped. Guarded by mHandleMutex: the owner and a tick may stop the timer at the same time.
  std::unique_ptr<platform::RunLoopTimer> mOSTimer;
  std::mutex mHandleMutex;
  // The function with the state of its ticks, shared with the run loop's callout.
  std::shared_ptr<Ticks> mTicks;
  uint32_t mIntervalMs;
};

}  // namespace fx
