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

// What a firing needs, shared between the timer and the loop for as long as either uses it.
struct RunLoopTimer::State {
  State(RunLoopTimer& owner, double firstFire, double intervalSeconds, Callout fn, std::thread::id bound)
      : timer(owner), interval(intervalSeconds), callout(std::move(fn)), nextFire(firstFire), thread(bound) {}

  RunLoopTimer& timer;
  const double interval;
  const Callout callout;
  double nextFire;        // guarded by the loop's mutex once added
  unsigned lastPass = 0;  // guarded by the loop's mutex
  std::atomic<std::thread::id> thread;
  std::atomic<RunLoop*> loop{nullptr};  // written under the loop's mutex, read by Invalidate without it
  // False once invalidated, and once a one-shot was taken to fire.
  std::atomic<bool> valid{true};
  // Invalidate was called: a firing already taken from the loop does not start its callout.
  std::atomic<bool> invalidated{false};
};

RunLoopTimer::RunLoopTimer(double firstFireSeconds, double intervalSeconds, Callout callout, std::thread::id thread)
    : mState(std::make_shared<State>(*this, firstFireSeconds, intervalSeconds, std::move(callout), thread)) {}

RunLoopTimer::~RunLoopTimer() {
  Invalidate();
}

void RunLoopTimer::Invalidate() {
  State& state = *mState;
  state.invalidated.store(true, std::memory_order_release);
  if (!state.valid.exchange(false, std::memory_order_acq_rel)) return;
  if (RunLoop* loop = state.loop.load(std::memory_order_acquire)) loop->Remove(state);
}

bool RunLoopTimer::IsValid() const {
  return mState->valid.load(std::memory_order_acquire);
}

double RunLoopTimer::IntervalSeconds() const {
  return mState->interval;
}

void RunLoopTimer::BindToThread(std::thread::id thread) {
  mState->thread.store(thread, std::memory_order_release);
}

std::thread::id RunLoopTimer::BoundThread() const {
  return mState->thread.load(std::memory_order_acquire);
}

RunLoop& RunLoop::Main() {
  static RunLoop mainLoop;
  return mainLoop;
}

RunLoop::~RunLoop() {
  std::lock_guard<std::mutex> lock(mMutex);
  for (const TimerState& state : mTimers) state->loop.store(nullptr, std::memory_order_release);
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
  RunLoopTimer::State& state = *timer.mState;
  if (!state.valid.load(std::memory_order_acquire) || state.loop.load(std::memory_order_acquire)) return false;
  state.loop.store(this, std::memory_order_release);
  state.lastPass = mPass.load(std::memory_order_acquire);
  mTimers.push_back(timer.mState);
  return true;
}

void RunLoop::Remove(const RunLoopTimer::State& state) {
  std::lock_guard<std::mutex> lock(mMutex);
  std::erase_if(mTimers, [&state](const TimerState& entry) { return entry.get() == &state; });
}

// Taken when no thread holds it, or already held further up this thread's own stack (a pump inside a
// callout); released only by the pump that took it.
class RunLoop::UnboundTurn {
 public:
  explicit UnboundTurn(RunLoop& loop) : mLoop(loop) {
    const std::thread::id self = std::this_thread::get_id();
    std::thread::id expected{};
    mTaken = loop.mUnboundPumper.compare_exchange_strong(expected, self, std::memory_order_acq_rel);
    mHeld = mTaken || expected == self;
  }
  ~UnboundTurn() {
    if (mTaken) mLoop.mUnboundPumper.store(std::thread::id{}, std::memory_order_release);
  }
  UnboundTurn(const UnboundTurn&) = delete;
  UnboundTurn& operator=(const UnboundTurn&) = delete;
  bool Held() const { return mHeld; }

 private:
  RunLoop& mLoop;
  bool mTaken = false;
  bool mHeld = false;
};

bool RunLoop::MayRun(std::thread::id bound, std::thread::id self, bool unbound) const {
  return bound == self || (unbound && bound == std::thread::id{});
}

RunLoop::TimerState RunLoop::TakeNextDue(double now, unsigned pass, std::thread::id self, bool unbound) {
  std::lock_guard<std::mutex> lock(mMutex);
  // A timer invalidated while it was being added (Invalidate found no loop yet) leaves here.
  std::erase_if(mTimers, [](const TimerState& state) { return !state->valid.load(std::memory_order_acquire); });
  for (auto it = mTimers.begin(); it != mTimers.end(); ++it) {
    RunLoopTimer::State& timer = **it;
    if (timer.lastPass == pass || timer.nextFire > now + kDueMarginSeconds) continue;
    if (!MayRun(timer.thread.load(std::memory_order_acquire), self, unbound)) continue;
    timer.lastPass = pass;
    TimerState taken = *it;
    if (timer.interval > 0.0) {
      const double missed = std::floor((now + kDueMarginSeconds - timer.nextFire) / timer.interval);
      timer.nextFire += (missed + 1.0) * timer.interval;
    } else {
      // A one-shot timer leaves the loop before it fires, so its callout may delete it.
      timer.valid.store(false, std::memory_order_release);
      timer.loop.store(nullptr, std::memory_order_release);
      mTimers.erase(it);
    }
    return taken;
  }
  return nullptr;
}

int RunLoop::RunDueTimers() {
  const UnboundTurn turn(*this);
  const std::thread::id self = std::this_thread::get_id();
  const double now = NowSeconds();
  const unsigned pass = mPass.fetch_add(1, std::memory_order_acq_rel) + 1;
  int fired = 0;
  while (const TimerState timer = TakeNextDue(now, pass, self, turn.Held())) {
    // Invalidated on another thread since it was taken: its owner may be gone.
    if (timer->invalidated.load(std::memory_order_acquire)) continue;
    timer->callout(timer->timer);
    ++fired;
  }
  return fired;
}

void RunLoop::Post(std::function<void()> work, std::thread::id thread) {
  if (!work) return;
  std::lock_guard<std::mutex> lock(mMutex);
  mPosted.push_back(PostedWork{std::move(work), thread});
}

int RunLoop::RunPostedWork() {
  const UnboundTurn turn(*this);
  const std::thread::id self = std::this_thread::get_id();
  std::vector<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    std::vector<PostedWork> others;
    for (PostedWork& posted : mPosted) {
      if (MayRun(posted.thread, self, turn.Held())) {
        batch.push_back(std::move(posted.work));
      } else {
        others.push_back(std::move(posted));
      }
    }
    mPosted.swap(others);
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
  for (const TimerState& timer : mTimers)
    if (timer->valid.load(std::memory_order_acquire)) next = std::min(next, timer->nextFire);
  return next;
}

int RunLoop::NumTimers() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return static_cast<int>(std::count_if(mTimers.begin(), mTimers.end(), [](const TimerState& timer) {
    return timer->valid.load(std::memory_order_acquire);
  }));
}

}  // namespace platform
