#include "platform/runloop/Clock.h"

#include <chrono>

namespace platform {

double SteadyClock::NowSeconds() const {
  const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(sinceEpoch).count();
}

void ManualClock::Advance(double seconds) {
  if (!(seconds > 0.0)) return;
  double now = mNow.load(std::memory_order_relaxed);
  while (!mNow.compare_exchange_weak(now, now + seconds, std::memory_order_acq_rel)) {
  }
}

}  // namespace platform
