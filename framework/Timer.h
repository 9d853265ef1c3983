// A repeating callback on the process's main run loop (platform/runloop). Its ticks arrive only on the
// thread that pumps the main loop, between that thread's other work.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {
class RunLoopTimer;
}

namespace fx {

class Timer {
 public:
  using ITimerFunction = std::function<void(Timer&)>;

  // Main thread. A running timer, owned (and deleted) by the caller; its first tick comes at the next
  // pump of the main loop, then one every intervalMs.
  static Timer* Create(ITimerFunction func, uint32_t intervalMs);

  // Main thread. Stops the timer first.
  virtual ~Timer() = default;
  // Main thread, also from inside the timer's own tick; never blocks. No tick arrives afterwards; a
  // second call, and deleting a stopped timer, do not touch the run loop again.
  virtual void Stop() = 0;
};

class Timer_impl final : public Timer {
 public:
  Timer_impl(ITimerFunction func, uint32_t intervalMs);
  ~Timer_impl() override;
  void Stop() override;

 private:
  void OnTick();

  std::unique_ptr<platform::RunLoopTimer> mOSTimer;  // invalid once stopped
  ITimerFunction mTimerFunc;
  uint32_t mIntervalMs;
};

}  // namespace fx
