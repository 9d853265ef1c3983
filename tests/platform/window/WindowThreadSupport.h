// Windows made by threads of their own, for the tests of how input crosses threads on either back end: each
// thread makes its window (inside parent), gives it an event lock, pumps the layer until stopped and then
// closes the window.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/window/Backend.h"
#include "platform/window/Window.h"

namespace platform::window {

// Counts clicks, and notes any that arrive off its window's thread or while another thread could take the
// window's event lock.
class ClickCounter : public View {
 public:
  ClickCounter(std::thread::id thread, std::shared_ptr<std::recursive_mutex> lock)
      : View(Rect{{0, 0}, {200, 100}}), mThread(thread), mLock(std::move(lock)) {}
  void MouseDown(const Event&) override {
    const bool lockFree = std::async(std::launch::async, [this] {
                            if (!mLock->try_lock()) return false;
                            mLock->unlock();
                            return true;
                          }).get();
    if (std::this_thread::get_id() != mThread || lockFree) improper = true;
    ++clicks;
  }

  std::atomic<int> clicks{0};
  std::atomic<bool> improper{false};

 private:
  const std::thread::id mThread;
  const std::shared_ptr<std::recursive_mutex> mLock;
};

class WindowThread {
 public:
  explicit WindowThread(void* parent) {
    std::promise<void> made;
    mThread = std::thread([this, parent, &made] {
      std::unique_ptr<Window> window = Window::Create(parent, Size{200, 100});
      mCounter = std::make_unique<ClickCounter>(std::this_thread::get_id(), mLock);
      if (window) {
        window->SetEventLock(mLock);
        window->ContentView().AddSubview(*mCounter);
      }
      mWindow = window.get();
      made.set_value();
      while (!mStop) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      window.reset();
    });
    made.get_future().wait();
  }
  ~WindowThread() {
    mStop = true;
    mThread.join();
  }

  Window* GetWindow() const { return mWindow; }
  std::recursive_mutex& Lock() { return *mLock; }
  const ClickCounter& Counter() const { return *mCounter; }

 private:
  std::shared_ptr<std::recursive_mutex> mLock = std::make_shared<std::recursive_mutex>();
  std::unique_ptr<ClickCounter> mCounter;
  Window* mWindow = nullptr;
  std::atomic<bool> mStop{false};
  std::thread mThread;
};

// Waits up to five seconds for done().
inline bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 500; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

// Two windows on threads of their own, a click sent to each from the test's thread (click: one press and
// release at 10, 10 in the window): holding one window's event lock holds up that window's input and no
// other's, and input arrives only on the window's thread, under its lock.
inline void CheckInputFollowsTheWindowsThreadAndLock(void* parent, const std::function<void(Window&)>& click) {
  WindowThread first(parent), second(parent);
  ASSERT_NE(first.GetWindow(), nullptr);
  ASSERT_NE(second.GetWindow(), nullptr);
  {
    std::lock_guard held(first.Lock());
    click(*first.GetWindow());
    click(*second.GetWindow());
    EXPECT_TRUE(WaitFor([&] { return second.Counter().clicks == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(first.Counter().clicks, 0);
  }
  EXPECT_TRUE(WaitFor([&] { return first.Counter().clicks == 1; }));
  EXPECT_FALSE(first.Counter().improper);
  EXPECT_FALSE(second.Counter().improper);
}

}  // namespace platform::window
