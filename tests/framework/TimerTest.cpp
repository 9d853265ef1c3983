#include "framework/Timer.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/runloop/RunLoop.h"

namespace fx {
namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::RunLoop::Main().SetClock(&clock); }
  void TearDown() override { platform::RunLoop::Main().SetClock(nullptr); }

  int Pump() { return platform::RunLoop::Main().RunDueTimers(); }

  platform::ManualClock clock{50.0};
};

TEST_F(TimerTest, TicksAtOnceThenEveryInterval) {
  int ticks = 0;
  std::unique_ptr<Timer> timer(Timer::Create([&ticks](Timer&) { ++ticks; }, 20));
  Pump();
  EXPECT_EQ(ticks, 1);
  clock.AdvanceMs(19);
  Pump();
  EXPECT_EQ(ticks, 1);
  clock.AdvanceMs(1);
  Pump();
  EXPECT_EQ(ticks, 2);
  clock.AdvanceMs(70);  // three and a half intervals late: one tick, no burst
  EXPECT_EQ(Pump(), 1);
  EXPECT_EQ(ticks, 3);
}

TEST_F(TimerTest, StoppedTimerNeverTicksAndStoppingTwiceIsHarmless) {
  int ticks = 0;
  std::unique_ptr<Timer> timer(Timer::Create([&ticks](Timer&) { ++ticks; }, 20));
  timer->Stop();
  timer->Stop();
  clock.AdvanceMs(100);
  Pump();
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(platform::RunLoop::Main().NumTimers(), 0);
  timer.reset();
  EXPECT_EQ(platform::RunLoop::Main().NumTimers(), 0);
}

TEST_F(TimerTest, StopFromInsideItsOwnTick) {
  int ticks = 0;
  std::unique_ptr<Timer> timer(Timer::Create(
      [&ticks](Timer& self) {
        ++ticks;
        self.Stop();
        self.Stop();
      },
      20));
  Pump();
  clock.AdvanceMs(40);
  Pump();
  EXPECT_EQ(ticks, 1);
}

// The owner may delete the timer from inside its tick, stopped or not: the handle goes inside its own
// callout and the loop carries on.
TEST_F(TimerTest, DeletedFromInsideItsOwnTick) {
  for (const bool stopFirst : {false, true}) {
    SCOPED_TRACE(stopFirst);
    int ticks = 0;
    Timer::Create(  // owned by its own tick
        [&ticks, stopFirst](Timer& self) {
          ++ticks;
          if (stopFirst) self.Stop();
          delete &self;
        },
        20);
    EXPECT_EQ(Pump(), 1);
    EXPECT_EQ(platform::RunLoop::Main().NumTimers(), 0);
    clock.AdvanceMs(40);
    EXPECT_EQ(Pump(), 0);
    EXPECT_EQ(ticks, 1);
  }
}

TEST_F(TimerTest, DeletingARunningTimerRemovesItFromTheLoop) {
  int ticks = 0;
  std::unique_ptr<Timer> timer(Timer::Create([&ticks](Timer&) { ++ticks; }, 20));
  EXPECT_EQ(platform::RunLoop::Main().NumTimers(), 1);
  timer.reset();
  EXPECT_EQ(platform::RunLoop::Main().NumTimers(), 0);
  Pump();
  EXPECT_EQ(ticks, 0);
}

TEST_F(TimerTest, EmptyFunctionTicksHarmlessly) {
  std::unique_ptr<Timer> timer(Timer::Create(Timer::ITimerFunction(), 20));
  EXPECT_NO_THROW(Pump());
}

}  // namespace
}  // namespace fx
