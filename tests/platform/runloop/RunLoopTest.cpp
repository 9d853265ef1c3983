#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Semaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "tests/support/HostThread.h"

namespace platform {
namespace {

class RunLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { loop.SetClock(&clock); }

  std::unique_ptr<RunLoopTimer> AddRepeating(double intervalSeconds, int* count) {
    auto timer =
        std::make_unique<RunLoopTimer>(loop.NowSeconds(), intervalSeconds, [count](RunLoopTimer&) { ++*count; });
    EXPECT_TRUE(loop.AddTimer(*timer));
    return timer;
  }

  ManualClock clock{100.0};
  RunLoop loop;
};

TEST_F(RunLoopTest, FirstFireIsImmediateThenOnTheInterval) {
  int count = 0;
  auto timer = AddRepeating(0.020, &count);
  EXPECT_EQ(loop.RunDueTimers(), 1);
  EXPECT_EQ(loop.RunDueTimers(), 0);
  clock.AdvanceMs(19.9);
  EXPECT_EQ(loop.RunDueTimers(), 0);
  clock.AdvanceMs(0.1);
  EXPECT_EQ(loop.RunDueTimers(), 1);
  EXPECT_EQ(count, 2);
}

TEST_F(RunLoopTest, ExactIntervalStepsNeverLoseATickToRounding) {
  int count = 0;
  auto timer = AddRepeating(0.020, &count);
  for (int i = 0; i < 500; ++i) {
    loop.RunDueTimers();
    clock.AdvanceMs(20.0);
  }
  EXPECT_EQ(count, 500);
}

TEST_F(RunLoopTest, MissedIntervalsGiveOneFireAndKeepTheGrid) {
  int count = 0;
  auto timer = AddRepeating(0.020, &count);
  loop.RunDueTimers();
  clock.AdvanceMs(95.0);
  EXPECT_EQ(loop.RunDueTimers(), 1);
  EXPECT_NEAR(loop.NextFireSeconds(), 100.100, 1e-9);
  clock.AdvanceMs(4.0);
  EXPECT_EQ(loop.RunDueTimers(), 0);
  clock.AdvanceMs(1.0);
  EXPECT_EQ(loop.RunDueTimers(), 1);
  EXPECT_EQ(count, 3);
}

TEST_F(RunLoopTest, TimerStoppedInsideItsOwnCalloutNeverFiresAgain) {
  int count = 0;
  RunLoopTimer timer(loop.NowSeconds(), 0.010, [&count](RunLoopTimer& self) {
    ++count;
    self.Invalidate();
    self.Invalidate();
  });
  ASSERT_TRUE(loop.AddTimer(timer));
  loop.RunDueTimers();
  clock.AdvanceMs(50.0);
  loop.RunDueTimers();
  EXPECT_EQ(count, 1);
  EXPECT_FALSE(timer.IsValid());
  EXPECT_EQ(loop.NumTimers(), 0);
}

TEST_F(RunLoopTest, InvalidatingTwiceAndDestroyingAfterwardsIsHarmless) {
  int count = 0;
  auto timer = AddRepeating(0.010, &count);
  timer->Invalidate();
  timer->Invalidate();
  EXPECT_EQ(loop.NumTimers(), 0);
  timer.reset();
  EXPECT_EQ(loop.RunDueTimers(), 0);
  EXPECT_EQ(count, 0);
}

TEST_F(RunLoopTest, InvalidTimerCannotBeAddedAndATimerJoinsOneLoopOnly) {
  RunLoopTimer timer(0.0, 1.0, [](RunLoopTimer&) {});
  RunLoop other;
  ASSERT_TRUE(loop.AddTimer(timer));
  EXPECT_FALSE(other.AddTimer(timer));
  EXPECT_FALSE(loop.AddTimer(timer));
  timer.Invalidate();
  EXPECT_FALSE(loop.AddTimer(timer));
}

TEST_F(RunLoopTest, OneShotFiresOnceAndMayDeleteItselfInItsCallout) {
  int count = 0;
  auto* timer = new RunLoopTimer(loop.NowSeconds() + 0.005, 0.0, [&count](RunLoopTimer& self) {
    ++count;
    delete &self;
  });
  ASSERT_TRUE(loop.AddTimer(*timer));
  EXPECT_EQ(loop.RunDueTimers(), 0);
  clock.AdvanceMs(5.0);
  EXPECT_EQ(loop.RunDueTimers(), 1);
  clock.AdvanceMs(5.0);
  EXPECT_EQ(loop.RunDueTimers(), 0);
  EXPECT_EQ(count, 1);
}

TEST_F(RunLoopTest, CalloutMayDeleteAnotherTimerThatIsAlsoDue) {
  std::vector<int> order;
  auto second =
      std::make_unique<RunLoopTimer>(loop.NowSeconds(), 0.01, [&order](RunLoopTimer&) { order.push_back(2); });
  RunLoopTimer first(loop.NowSeconds(), 0.01, [&](RunLoopTimer&) {
    order.push_back(1);
    second.reset();
  });
  ASSERT_TRUE(loop.AddTimer(first));
  ASSERT_TRUE(loop.AddTimer(*second));
  EXPECT_EQ(loop.RunDueTimers(), 1);
  EXPECT_EQ(order, std::vector<int>({1}));
}

TEST_F(RunLoopTest, TimersFireInOrderOfAddition) {
  std::vector<int> order;
  RunLoopTimer a(loop.NowSeconds(), 0.01, [&order](RunLoopTimer&) { order.push_back(1); });
  RunLoopTimer b(loop.NowSeconds(), 0.01, [&order](RunLoopTimer&) { order.push_back(2); });
  loop.AddTimer(b);
  loop.AddTimer(a);
  loop.RunDueTimers();
  EXPECT_EQ(order, std::vector<int>({2, 1}));
}

TEST_F(RunLoopTest, EmptyLoopHasNoNextFire) {
  EXPECT_TRUE(std::isinf(loop.NextFireSeconds()));
  EXPECT_EQ(loop.RunDueTimers(), 0);
}

TEST(ManualClockTest, NeverMovesBackwards) {
  ManualClock clock(1.0);
  clock.Advance(-0.5);
  clock.Advance(std::nan(""));
  EXPECT_EQ(clock.NowSeconds(), 1.0);
  clock.AdvanceMs(250.0);
  EXPECT_DOUBLE_EQ(clock.NowSeconds(), 1.25);
}

// The main queue: work from any thread runs on the thread that pumps, in each poster's order.
TEST_F(RunLoopTest, PostedWorkRunsOnThePumpingThreadInPostingOrder) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 250;
  std::vector<std::vector<int>> seen(kThreads);
  const std::thread::id loopThread = std::this_thread::get_id();
  int offThread = 0;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i)
        loop.Post([&, t, i] {
          seen[t].push_back(i);
          if (std::this_thread::get_id() != loopThread) ++offThread;
        });
    });
  }
  for (std::thread& poster : posters) poster.join();
  EXPECT_EQ(loop.NumPostedWork(), kThreads * kPerThread);
  EXPECT_EQ(loop.RunOnce(), kThreads * kPerThread);
  EXPECT_EQ(offThread, 0);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<size_t>(kPerThread));
    for (int i = 0; i < kPerThread; ++i) EXPECT_EQ(seen[t][i], i);
  }
}

TEST_F(RunLoopTest, WorkPostedByWorkRunsOnTheNextTurn) {
  int ran = 0;
  loop.Post([&] {
    ++ran;
    loop.Post([&] { ++ran; });
  });
  EXPECT_EQ(loop.RunPostedWork(), 1);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(loop.RunPostedWork(), 1);
  EXPECT_EQ(ran, 2);
  EXPECT_EQ(loop.RunPostedWork(), 0);
}

// Threads a test pumps from: the test's own, a second host thread, or none (an unbound item).
enum class On { kAny, kTest, kHost };

// Timers and posted work bound to a thread run there only; unbound ones on whichever thread pumps. Neither is
// lost to a pump on the wrong thread.
TEST_F(RunLoopTest, BoundTimersAndWorkRunOnlyOnTheirThread) {
  kd::test::HostThread host;
  const auto id = [&](On on) {
    return on == On::kTest ? std::this_thread::get_id() : on == On::kHost ? host.Id() : std::thread::id{};
  };
  const auto pumpOn = [&](On on) {
    if (on == On::kTest) return loop.RunOnce();
    int ran = -1;
    EXPECT_TRUE(host.Run([&] { ran = loop.RunOnce(); }));
    return ran;
  };
  const struct {
    On bound;
    On pumps;
    bool runs;
  } rows[] = {
      {On::kAny, On::kTest, true},   {On::kAny, On::kHost, true},   {On::kTest, On::kTest, true},
      {On::kTest, On::kHost, false}, {On::kHost, On::kTest, false}, {On::kHost, On::kHost, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "bound " << static_cast<int>(row.bound) << ", pumped on "
                                    << static_cast<int>(row.pumps));
    std::vector<std::thread::id> fired, ran;
    std::mutex seen;
    RunLoopTimer timer(
        loop.NowSeconds(), 0.010,
        [&](RunLoopTimer&) {
          std::lock_guard lock(seen);
          fired.push_back(std::this_thread::get_id());
        },
        id(row.bound));
    ASSERT_TRUE(loop.AddTimer(timer));
    loop.Post(
        [&] {
          std::lock_guard lock(seen);
          ran.push_back(std::this_thread::get_id());
        },
        id(row.bound));
    EXPECT_EQ(pumpOn(row.pumps), row.runs ? 2 : 0);
    const std::vector<std::thread::id> expected =
        row.runs ? std::vector{id(row.pumps)} : std::vector<std::thread::id>{};
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(ran, expected);
    if (!row.runs) {
      // Still waiting for its own thread.
      EXPECT_EQ(pumpOn(row.bound), 2);
      EXPECT_EQ(fired, std::vector{id(row.bound)});
      EXPECT_EQ(ran, std::vector{id(row.bound)});
    }
    clock.AdvanceMs(10.0);
  }
  EXPECT_EQ(loop.NumPostedWork(), 0);
}

// A loader thread's one early idle call owns nothing: later threads run the timers and work as before.
TEST_F(RunLoopTest, AFirstPumpFromAShortLivedThreadTakesNothingFromLaterThreads) {
  std::thread([&] { loop.RunOnce(); }).join();
  int count = 0;
  auto timer = AddRepeating(0.020, &count);
  int ran = 0;
  loop.Post([&] { ++ran; });
  EXPECT_EQ(loop.RunOnce(), 2);
  kd::test::HostThread later;
  clock.AdvanceMs(20.0);
  ASSERT_TRUE(later.Run([&] { loop.RunOnce(); }));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ran, 1);
}

// While one thread is inside an unbound callout, another thread's pump skips the unbound items at once and runs
// only its own; they run at a later pump.
TEST_F(RunLoopTest, UnboundItemsRunOnOneThreadAtATimeAndNobodyWaitsForThem) {
  kd::test::HostThread host;
  std::atomic<bool> inside{false}, release{false};
  RunLoopTimer busy(loop.NowSeconds(), 0.010, [&](RunLoopTimer&) {
    inside = true;
    const auto deadline = std::chrono::steady_clock::now() + kd::test::HostThread::kPatience;
    while (!release && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  });
  int unboundFires = 0, ownFires = 0, work = 0;
  RunLoopTimer unbound(loop.NowSeconds(), 0.010, [&](RunLoopTimer&) { ++unboundFires; });
  RunLoopTimer own(
      loop.NowSeconds(), 0.010, [&](RunLoopTimer&) { ++ownFires; }, std::this_thread::get_id());
  ASSERT_TRUE(loop.AddTimer(busy));
  host.Start([&] { loop.RunDueTimers(); });
  while (!inside) std::this_thread::yield();
  ASSERT_TRUE(loop.AddTimer(unbound));
  ASSERT_TRUE(loop.AddTimer(own));
  loop.Post([&] { ++work; });
  EXPECT_EQ(loop.RunOnce(), 1);
  EXPECT_EQ(ownFires, 1);
  EXPECT_EQ(unboundFires + work, 0);
  release = true;
  ASSERT_TRUE(host.Wait());
  EXPECT_EQ(loop.RunOnce(), 2);
  EXPECT_EQ(unboundFires, 1);
  EXPECT_EQ(work, 1);
}

// A timer invalidated or destroyed on one thread while another is inside its callout: the owner does not wait
// (it may hold the lock the callout is about to take), the callout's captures stay alive until it returns, and
// the callout finds, under that lock, that its owner is gone. Also run under ThreadSanitizer.
TEST_F(RunLoopTest, DestroyedWhileAnotherThreadFiresItNeitherWaitsNorFreesTheCallout) {
  const struct {
    bool destroy;       // else only invalidated
    bool holdsTheLock;  // the owner holds the callout's lock while it lets go of the timer
  } rows[] = {{true, true}, {true, false}, {false, true}, {false, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "destroy " << row.destroy << ", holds the lock " << row.holdsTheLock);
    kd::test::HostThread firing, owner;
    struct Editor {
      std::mutex lock;
      bool open = true;  // guarded by lock
    };
    const auto editor = std::make_shared<Editor>();
    std::atomic<bool> inside{false}, letGo{false};
    bool sawClosed = false;
    int payloadSum = 0;
    auto timer = std::make_unique<RunLoopTimer>(
        loop.NowSeconds(), 0.010, [&, editor, payload = std::vector<int>(64, 3)](RunLoopTimer&) {
          inside = true;
          const auto deadline = std::chrono::steady_clock::now() + kd::test::HostThread::kPatience;
          while (!letGo && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
          std::lock_guard lock(editor->lock);
          sawClosed = !editor->open;
          payloadSum = std::accumulate(payload.begin(), payload.end(), 0);
        });
    ASSERT_TRUE(loop.AddTimer(*timer));
    firing.Start([&] { loop.RunDueTimers(); });
    while (!inside) std::this_thread::yield();
    ASSERT_TRUE(owner.Run([&] {
      std::unique_lock lock(editor->lock, std::defer_lock);
      if (row.holdsTheLock) lock.lock();
      editor->open = false;
      if (row.destroy) {
        timer.reset();
      } else {
        timer->Invalidate();
      }
    })) << "letting go of the timer waited for its callout";
    letGo = true;
    ASSERT_TRUE(firing.Wait());
    EXPECT_TRUE(sawClosed);
    EXPECT_EQ(payloadSum, 64 * 3);
    EXPECT_EQ(loop.NumTimers(), 0);
    clock.AdvanceMs(10.0);
    EXPECT_EQ(loop.RunDueTimers(), 0);
  }
}

// A timer invalidated on another thread while a pass is under way, before its turn: it does not fire.
TEST_F(RunLoopTest, TimerInvalidatedOnAnotherThreadDuringAPassDoesNotFire) {
  kd::test::HostThread other;
  int secondFires = 0;
  RunLoopTimer second(loop.NowSeconds(), 0.010, [&](RunLoopTimer&) { ++secondFires; });
  RunLoopTimer first(loop.NowSeconds(), 0.010,
                     [&](RunLoopTimer&) { EXPECT_TRUE(other.Run([&] { second.Invalidate(); })); });
  ASSERT_TRUE(loop.AddTimer(first));
  ASSERT_TRUE(loop.AddTimer(second));
  EXPECT_EQ(loop.RunDueTimers(), 1);
  EXPECT_EQ(secondFires, 0);
}

TEST(SemaphoreTest, CountsDownToZeroThenWaitsUntilSignalled) {
  Semaphore semaphore(3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(semaphore.WaitFor(0.0));
  EXPECT_FALSE(semaphore.WaitFor(0.001));
  EXPECT_EQ(semaphore.Count(), 0);
  EXPECT_FALSE(semaphore.Signal());  // nobody waits
  EXPECT_TRUE(semaphore.WaitFor(0.0));
  EXPECT_EQ(Semaphore(-2).Count(), 0);
}

TEST(SemaphoreTest, SignalsFromAnotherThreadReleaseEveryWait) {
  // A producer signalling as fast as it can and a consumer waiting each one: no signal is lost.
  constexpr int kRounds = 20000;
  Semaphore items(0);
  std::thread producer([&] {
    for (int i = 0; i < kRounds; ++i) items.Signal();
  });
  for (int i = 0; i < kRounds; ++i) items.Wait();
  producer.join();
  EXPECT_EQ(items.Count(), 0);
}

TEST(SemaphoreTest, BoundsWorkInFlightLikeBufferSets) {
  // Three slots, completions on another thread: never more than three taken at once.
  Semaphore free(3);
  std::atomic<int> inFlight{0};
  std::atomic<int> most{0};
  std::vector<std::thread> finishers;
  for (int frame = 0; frame < 300; ++frame) {
    free.Wait();
    const int now = ++inFlight;
    int seen = most.load();
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
    finishers.emplace_back([&] {
      --inFlight;
      free.Signal();
    });
  }
  for (std::thread& finisher : finishers) finisher.join();
  EXPECT_LE(most.load(), 3);
  EXPECT_EQ(free.Count(), 3);
}

}  // namespace
}  // namespace platform
