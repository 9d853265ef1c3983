// The time source of the run loop: seconds on a monotonic scale. Tests and the test host replace the
// real clock with a manual one so that timers fire exactly when the test says, without sleeping.
#pragma once

#include <atomic>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Any thread; never blocks. Seconds since an arbitrary fixed origin, never decreasing.
  virtual double NowSeconds() const = 0;
};

// The process's steady clock.
class SteadyClock final : public Clock {
 public:
  double NowSeconds() const override;
};

// A clock that only moves when told to.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(double startSeconds = 0.0) : mNow(startSeconds) {}
  // Any thread; never blocks.
  double NowSeconds() const override { return mNow.load(std::memory_order_acquire); }
  // Any thread; never blocks. Negative steps are ignored: the clock is monotonic.
  void Advance(double seconds);
  void AdvanceMs(double milliseconds) { Advance(milliseconds / 1000.0); }

 private:
  std::atomic<double> mNow;
};

}  // namespace platform
