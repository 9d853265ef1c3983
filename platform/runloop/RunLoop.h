// Stands in for the main run loop, its repeating timers and the main dispatch queue on Linux. There is no
// event loop of our own: whoever owns the main thread (the host, the project's test host, a test) pumps
// the loop by calling RunOnce (or RunDueTimers and RunPostedWork), and every due timer and every piece of
// posted work runs there, on that thread, between the owner's other work.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runloop/Clock.h"

namespace platform {

class RunLoop;

// A repeating (or one-shot) callout on a run loop. Owned by its creator; destroying it invalidates it.
class RunLoopTimer {
 public:
  using Callout = std::function<void(RunLoopTimer&)>;

  // Any thread. firstFireSeconds is on the loop's clock; an interval of 0 or less fires once.
  RunLoopTimer(double firstFireSeconds, double intervalSeconds, Callout callout);
  // Loop thread (or any thread while the timer is in no loop). Invalidates first.
  ~RunLoopTimer();
  RunLoopTimer(const RunLoopTimer&) = delete;
  RunLoopTimer& operator=(const RunLoopTimer&) = delete;

  // Loop thread, also from inside the timer's own callout; never blocks for long. Removes the timer from
  // its loop for good; a second call does nothing.
  void Invalidate();
  bool IsValid() const { return mValid.load(std::memory_order_acquire); }
  double IntervalSeconds() const { return mInterval; }

 private:
  friend class RunLoop;
  void Fire() { mCallout(*this); }

  const double mInterval;
  Callout mCallout;
  double mNextFire;                      // guarded by the loop's mutex once added
  unsigned mLastPass = 0;                // guarded by the loop's mutex
  std::atomic<RunLoop*> mLoop{nullptr};  // written under the loop's mutex, read by Invalidate without it
  std::atomic<bool> mValid{true};
};

class RunLoop {
 public:
  // The process's main run loop, the one plug-in timers are added to.
  static RunLoop& Main();

  RunLoop() = default;
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Any thread; never blocks for long. Null restores the steady clock. The clock must outlive its use.
  void SetClock(const Clock* clock);
  // Any thread; never blocks.
  double NowSeconds() const;

  // Any thread; never blocks for long. False when the timer is invalid or already in a loop.
  bool AddTimer(RunLoopTimer& timer);

  // Loop thread only: the thread that first pumps the loop owns it; a call from any other thread fires
  // nothing and answers 0. Fires every timer that is due now, each at most once per call, in the order
  // the timers were added; a timer that missed several intervals fires once and its next fire moves to
  // the first interval boundary after now. Callouts may add or invalidate timers. Answers the fire count.
  int RunDueTimers();

  // Any thread; never blocks for long. Queues work to run once on the loop's thread, after the work posted
  // before it (the main queue: work from a GPU completion thread, say, that must touch main-thread state).
  void Post(std::function<void()> work);
  // Loop thread only (0 from any other thread). Runs the work posted before this call, in posting order;
  // work posted while it runs waits for the next call, so a piece of work that posts again cannot starve
  // the caller. Answers how many ran.
  int RunPostedWork();
  // Loop thread only. One turn of the loop: posted work, then due timers. Answers how many ran in all.
  int RunOnce();
  // Any thread; never blocks for long.
  int NumPostedWork() const;

  // Any thread; never blocks for long. Earliest next fire of the valid timers, +infinity when none.
  double NextFireSeconds() const;
  int NumTimers() const;

 private:
  friend class RunLoopTimer;
  void Remove(RunLoopTimer& timer);
  bool OwnsCurrentThread();
  RunLoopTimer* TakeNextDue(double now, unsigned pass);

  mutable std::mutex mMutex;
  std::vector<RunLoopTimer*> mTimers;          // guarded by mMutex, in order of addition
  std::vector<std::function<void()>> mPosted;  // guarded by mMutex, in order of posting
  std::atomic<const Clock*> mClock{nullptr};
  std::atomic<std::thread::id> mOwner{};
  std::atomic<unsigned> mPass{0};
};

}  // namespace platform
