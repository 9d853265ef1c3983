// Stands in for the main run loop, its repeating timers and the main dispatch queue on Linux. There is no
// event loop of our own: the host's threads pump the loop by calling RunOnce (or RunDueTimers and
// RunPostedWork) between their other work, and due timers and posted work run there, on the pumping thread.
// A timer or a piece of work may be bound to one thread (an editor's timers are bound to the thread that
// opened it): only that thread runs it. Unbound ones run on whichever thread pumps, one such thread at a time.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runloop/Clock.h"

namespace platform {

class RunLoop;

// A repeating (or one-shot) callout on a run loop. Owned by its creator; destroying it invalidates it.
// What a firing needs (the callout and its captures) lives in state the loop shares while it fires, so a
// timer may be invalidated or destroyed on any thread, also while another thread is inside its callout;
// neither waits for that callout. A callout that may race with its timer's owner on another thread must
// therefore not capture what the owner frees: it holds shared or weak references and checks them under
// the owner's lock.
class RunLoopTimer {
 public:
  // The reference is the timer itself: valid only while its owner keeps the timer, so a callout uses it
  // only when the timer is destroyed on the callout's own thread.
  using Callout = std::function<void(RunLoopTimer&)>;

  // Any thread. firstFireSeconds is on the loop's clock; an interval of 0 or less fires once. A timer bound
  // to a thread (not the default id) fires only on that thread.
  RunLoopTimer(double firstFireSeconds, double intervalSeconds, Callout callout, std::thread::id thread = {});
  // Any thread; never waits for a callout running elsewhere. Invalidates first.
  ~RunLoopTimer();
  RunLoopTimer(const RunLoopTimer&) = delete;
  RunLoopTimer& operator=(const RunLoopTimer&) = delete;

  // Any thread, also from inside the timer's own callout; never blocks for long. Removes the timer from
  // its loop for good: no callout starts afterwards. A second call does nothing.
  void Invalidate();
  bool IsValid() const;
  double IntervalSeconds() const;
  // Any thread. From the next pump on, the timer fires only on thread (the default id: on any thread).
  void BindToThread(std::thread::id thread);
  std::thread::id BoundThread() const;

 private:
  friend class RunLoop;
  struct State;
  std::shared_ptr<State> mState;
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

  // Any thread. Fires every timer that is due now and that this thread may run (those bound to it, and the
  // unbound ones unless another thread is pumping them right now: then they are skipped, never waited for),
  // each at most once per call, in the order the timers were added. A timer that missed several intervals
  // fires once and its next fire moves to the first interval boundary after now. Callouts may add,
  // invalidate or destroy timers. Answers the fire count.
  int RunDueTimers();

  // Any thread; never blocks for long. Queues work to run once, in posting order, on the thread given or
  // (the default id) on whichever thread pumps unbound work, after the work posted before it.
  void Post(std::function<void()> work, std::thread::id thread = {});
  // Any thread. Runs the work posted before this call that this thread may run (as RunDueTimers chooses
  // timers), in posting order; work posted while it runs waits for the next call, so a piece of work that
  // posts again cannot starve the caller. Answers how many ran.
  int RunPostedWork();
  // Any thread. One turn of the loop: posted work, then due timers. Answers how many ran in all.
  int RunOnce();
  // Any thread; never blocks for long. All work still queued, whichever thread it waits for.
  int NumPostedWork() const;

  // Any thread; never blocks for long. Earliest next fire of the valid timers, +infinity when none.
  double NextFireSeconds() const;
  int NumTimers() const;

 private:
  friend class RunLoopTimer;
  using TimerState = std::shared_ptr<RunLoopTimer::State>;
  struct PostedWork {
    std::function<void()> work;
    std::thread::id thread;
  };
  // Unbound items are pumped by one thread at a time: the turn, held for one pump.
  class UnboundTurn;
  bool MayRun(std::thread::id bound, std::thread::id self, bool unbound) const;
  void Remove(const RunLoopTimer::State& state);
  TimerState TakeNextDue(double now, unsigned pass, std::thread::id self, bool unbound);

  mutable std::mutex mMutex;
  std::vector<TimerState> mTimers;  // guarded by mMutex, in order of addition
  std::vector<PostedWork> mPosted;  // guarded by mMutex, in order of posting
  std::atomic<const Clock*> mClock{nullptr};
  std::atomic<std::thread::id> mUnboundPumper{};
  std::atomic<unsigned> mPass{0};
};

}  // namespace platform
