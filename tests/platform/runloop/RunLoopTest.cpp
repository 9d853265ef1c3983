#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Semaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

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

TEST_F(RunLoopTest, OnlyTheOwningThreadFires) {
  int count = 0;
  auto timer = AddRepeating(0.010, &count);
  loop.RunDueTimers();
  clock.AdvanceMs(10.0);
  int firedElsewhere = -1;
  std::thread other([&] { firedElsewhere = loop.RunDueTimers(); });
  other.join();
  EXPECT_EQ(firedElsewhere, 0);
  EXPECT_EQ(loop.RunDueTimers(), 1);
  EXPECT_EQ(count, 2);
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

// The main queue: work from any thread runs on the loop's thread, in each poster's order.
TEST_F(RunLoopTest, PostedWorkRunsOnTheLoopThreadInPostingOrder) {
  EXPECT_EQ(loop.RunOnce(), 0);  // this thread now owns the loop
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

TEST_F(RunLoopTest, OnlyTheLoopThreadRunsPostedWork) {
  EXPECT_EQ(loop.RunOnce(), 0);  // this thread now owns the loop
  int ran = 0;
  loop.Post([&] { ++ran; });
  int fromOther = -1;
  std::thread([&] { fromOther = loop.RunOnce(); }).join();
  EXPECT_EQ(fromOther, 0);
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(loop.RunOnce(), 1);
  EXPECT_EQ(ran, 1);
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
