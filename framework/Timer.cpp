#include "framework/Timer.h"

#include "platform/runloop/RunLoop.h"

namespace fx {

Timer* Timer::Create(ITimerFunction func, uint32_t intervalMs) {
  return new Timer_impl(std::move(func), intervalMs);
}

Timer_impl::Timer_impl(ITimerFunction func, uint32_t intervalMs)
    : mTimerFunc(std::move(func)), mIntervalMs(intervalMs) {
  platform::RunLoop& loop = platform::RunLoop::Main();
  mOSTimer = std::make_unique<platform::RunLoopTimer>(loop.NowSeconds(), mIntervalMs / 1000.0,
                                                      [this](platform::RunLoopTimer&) { OnTick(); });
  loop.AddTimer(*mOSTimer);
}

Timer_impl::~Timer_impl() {
  Stop();
}

// The invalidated handle is freed only with the timer, because Stop may run inside the handle's own callout.
void Timer_impl::Stop() {
  mOSTimer->Invalidate();
}

// An empty function would throw out of the run loop into the host; such a tick does nothing instead.
void Timer_impl::OnTick() {
  if (mTimerFunc) mTimerFunc(*this);
}

}  // namespace fx
