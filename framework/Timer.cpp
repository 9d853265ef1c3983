#include "framework/Timer.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runloop/RunLoop.h"

namespace fx {

// The ticks in progress, shared with the run loop's callout so that a tick never outlives what it reads.
struct Timer_impl::Ticks {
  explicit Ticks(ITimerFunction function) : func(std::move(function)) {}

  // Runs one tick unless stopped; false when stopped.
  bool Run(Timer& timer) {
    {
      std::lock_guard lock(mutex);
      if (stopped) return false;
      running.push_back(std::this_thread::get_id());
    }
    struct Done {
      Ticks& ticks;
      ~Done() {
        std::lock_guard lock(ticks.mutex);
        ticks.running.erase(std::find(ticks.running.begin(), ticks.running.end(), std::this_thread::get_id()));
        ticks.finished.notify_all();
      }
    } done{*this};
    // An empty function would throw out of the run loop into the host; such a tick does nothing instead.
    if (func) func(timer);
    return true;
  }

  // No tick starts after this; returns once no other thread is inside one.
  void StopAndWait() {
    std::unique_lock lock(mutex);
    stopped = true;
    const std::thread::id self = std::this_thread::get_id();
    finished.wait(lock,
                  [&] { return std::all_of(running.begin(), running.end(), [&](auto id) { return id == self; }); });
  }

  const ITimerFunction func;
  std::mutex mutex;
  std::condition_variable finished;
  bool stopped = false;                  // guarded by mutex
  std::vector<std::thread::id> running;  // guarded by mutex: one entry per tick in progress
};

Timer* Timer::Create(ITimerFunction func, uint32_t intervalMs) {
  return new Timer_impl(std::move(func), intervalMs);
}

Timer_impl::Timer_impl(ITimerFunction func, uint32_t intervalMs)
    : mTicks(std::make_shared<Ticks>(std::move(func))), mIntervalMs(intervalMs) {
  platform::RunLoop& loop = platform::RunLoop::Main();
  // The callout holds the ticks, not this object: a tick on another thread may still be leaving while Stop
  // on this one returns.
  mOSTimer = std::make_unique<platform::RunLoopTimer>(
      loop.NowSeconds(), mIntervalMs / 1000.0,
      [ticks = mTicks, self = static_cast<Timer*>(this)](platform::RunLoopTimer&) { ticks->Run(*self); });
  loop.AddTimer(*mOSTimer);
}

Timer_impl::~Timer_impl() {
  Stop();
}

// Destroying the handle inside its own callout is safe: the loop keeps what a firing uses until it returns.
void Timer_impl::Stop() {
  std::unique_ptr<platform::RunLoopTimer> handle;
  {
    std::lock_guard lock(mHandleMutex);
    handle.swap(mOSTimer);
  }
  handle.reset();  // invalidates: no firing starts afterwards
  mTicks->StopAndWait();
}

}  // namespace fx
