#include "platform/runloop/RunLoop.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

namespace {

// Clocks have finite resolution and fire dates accumulate rounding: a timer due within this margin
// counts as due, so that a 20 ms timer pumped after exactly 20 ms always fires.
constexpr double kDueMarginSeconds = 1e-6;

const SteadyClock& DefaultClock() {
  static const SteadyClock clock;
  return clock;
}

}  // namespace

RunLoopTimer::RunLoopTimer(double firstFireSeconds, double intervalSeconds, Callout callout)
    : mInterval(intervalSeconds), mCallout(std::move(callout)), mNextFire(firstFireSeconds) {}

RunLoopTimer::~RunLoopTimer() {
  Invalidate();
}

void RunLoopTimer::Invalidate() {
  if (!mValid.exchange(false, std::memory_order_acq_rel)) return;
  if (RunLoop* loop = mLoop.load(std::memory_order_acquire)) loop->Remove(*this);
}

RunLoop& RunLoop::Main() {
  static RunLoop mainLoop;
  return mainLoop;
}

RunLoop::~RunLoop() {
  std::lock_guard<std::mutex> lock(mMutex);
  for (RunLoopTimer* timer : mTimers) timer->mLoop.store(nullptr, std::memory_order_release);
  mTimers.clear();
}

void RunLoop::SetClock(const Clock* clock) {
  mClock.store(clock, std::memory_order_release);
}

double RunLoop::NowSeconds() const {
  const Clock* clock = mClock.load(std::memory_order_acquire);
  return (clock ? *clock : static_cast<const Clock&>(DefaultClock())).NowSeconds();
}

bool RunLoop::AddTimer(RunLoopTimer& timer) {
  std::lock_guard<std::mutex> lock(mMutex);
  if (!timer.IsValid() || timer.mLoop.load(std::memory_order_acquire)) return false;
  timer.mLoop.store(this, std::memory_order_release);
  timer.mLastPass = mPass.load(std::memory_order_acquire);
  mTimers.push_back(&timer);
  return true;
}

void RunLoop::Remove(RunLoopTimer& timer) {
  std::lock_guard<std::mutex> lock(mMutex);
  mTimers.erase(std::remove(mTimers.begin(), mTimers.end(), &timer), mTimers.end());
  timer.mLoop.store(nullptr, std::memory_order_release);
}

bool RunLoop::OwnsCurrentThread() {
  const std::thread::id self = std::this_thread::get_id();
  std::thread::id expected{};
  if (mOwner.compare_exchange_strong(expected, self, std::memory_order_acq_rel)) return true;
  return expected == self;
}

RunLoopTimer* RunLoop::TakeNextDue(double now, unsigned pass) {
  std::lock_guard<std::mutex> lock(mMutex);
  for (RunLoopTimer* timer : mTimers) {
    if (timer->mLastPass == pass || timer->mNextFire > now + kDueMarginSeconds) continue;
    timer->mLastPass = pass;
    if (timer->mInterval > 0.0) {
      const double missed = std::floor((now + kDueMarginSeconds - timer->mNextFire) / timer->mInterval);
      timer->mNextFire += (missed + 1.0) * timer->mInterval;
    } else {
      // A one-shot timer leaves the loop before it fires, so its callout may delete it.
      timer->mValid.store(false, std::memory_order_release);
      timer->mLoop.store(nullptr, std::memory_order_release);
      mTimers.erase(std::find(mTimers.begin(), mTimers.end(), timer));
    }
    return timer;
  }
  return nullptr;
}

int RunLoop::RunDueTimers() {
  if (!OwnsCurrentThread()) return 0;
  const double now = NowSeconds();
  const unsigned pass = mPass.fetch_add(1, std::memory_order_acq_rel) + 1;
  int fired = 0;
  while (RunLoopTimer* timer = TakeNextDue(now, pass)) {
    timer->Fire();
    ++fired;
  }
  return fired;
}

void RunLoop::Post(std::function<void()> work) {
  if (!work) return;
  std::lock_guard<std::mutex> lock(mMutex);
  mPosted.push_back(std::move(work));
}

int RunLoop::RunPostedWork() {
  if (!OwnsCurrentThread()) return 0;
  std::vector<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    batch.swap(mPosted);
  }
  // Run outside the lock: work may post more or add timers.
  for (std::function<void()>& work : batch) work();
  return static_cast<int>(batch.size());
}

int RunLoop::RunOnce() {
  const int ran = RunPostedWork();
  return ran + RunDueTimers();
}

int RunLoop::NumPostedWork() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return static_cast<int>(mPosted.size());
}

double RunLoop::NextFireSeconds() const {
  std::lock_guard<std::mutex> lock(mMutex);
  double next = std::numeric_limits<double>::infinity();
  for (const RunLoopTimer* timer : mTimers) next = std::min(next, timer->mNextFire);
  return next;
}

int RunLoop::NumTimers() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return static_cast<int>(mTimers.size());
}

}  // namespace platform
