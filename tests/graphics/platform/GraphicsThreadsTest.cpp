// The platform graphics among a host's threads: idle calls from a thread that did not open the editor leave it
// alone, a close from another thread waits for the frame in hand, and a second thread idling while the first
// opens, draws, clicks and closes. Built and run a second time under ThreadSanitizer by scripts/test.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "framework/IKeyPress.h"
#include "framework/IMidiMsg.h"
#include "tests/graphics/platform/PlatformGraphicsFixture.h"
#include "tests/support/HostThread.h"
#include "tests/support/RecordingGraphics.h"

namespace fx::gfx::test {
namespace {

using Kind = pw::NativeInput::Kind;

// Draws only once the test lets it: a frame in hand for as long as the test wants.
class HeldControl : public IControl {
 public:
  HeldControl(std::atomic<bool>& inside, std::atomic<bool>& release)
      : IControl(IRECT(0.f, 0.f, 10.f, 10.f)), mInside(inside), mRelease(release) {}
  void Draw(IGraphics&) override {
    mInside.store(true);
    kd::test::AwaitFlag(mRelease);
  }

 private:
  std::atomic<bool>& mInside;
  std::atomic<bool>& mRelease;
};

using GraphicsThreadsTest = PlatformGraphicsTest;

// Another thread's idle pumps the main loop: the editor's redraw, its window events (a text entry's answer) and
// its popup menus wait for its own thread's next pump.
TEST_F(GraphicsThreadsTest, AnotherThreadsIdleLeavesTheEditorAlone) {
  Open();
  Frame();
  const int flushes = Layer().backend.flushCalls;
  control->SetDirty(false);
  backend->Script().textEntries.push_back({{"x"}, false, true});
  G().CreateTextEntry(*control, IText(), control->GetRECT(), "1");
  backend->Script().menuChoices.push_back({1});
  const auto menu = std::make_unique<IPopupMenu>("", std::initializer_list<const char*>{"A", "B", "C"});
  G().CreatePopupMenu(*control, *menu, control->GetRECT());
  clock.Advance(1.0);
  kd::test::HostThread other;
  ASSERT_TRUE(other.Run([] {
    platform::RunLoop::Main().RunOnce();
    platform::RunLoop::Main().RunOnce();
  }));
  EXPECT_EQ(Layer().backend.flushCalls, flushes);
  EXPECT_TRUE(journal.empty());
  EXPECT_TRUE(V().IsTextEntryOpen());
  EXPECT_TRUE(Log("menu").empty());
  platform::RunLoop::Main().RunOnce();
  EXPECT_GT(Layer().backend.flushCalls, flushes);
  EXPECT_EQ(journal, (std::vector<std::string>{"menu 1", "text 1x"}));
}

// The host closes the editor from another thread while the editor's thread draws: the close waits for the frame,
// then tears the editor down.
TEST_F(GraphicsThreadsTest, ACloseFromAnotherThreadWaitsForTheFrameInHand) {
  kd::test::HostThread editorThread, closer;
  std::atomic<bool> inside{false}, release{false}, closed{false};
  ASSERT_TRUE(editorThread.Run([&] {
    Open();
    G().AttachControl(new HeldControl(inside, release))->SetDirty(false);
  }));
  clock.Advance(1.0 / 60.0);
  editorThread.Start([] { platform::RunLoop::Main().RunDueTimers(); });
  ASSERT_TRUE(kd::test::AwaitFlag(inside));
  closer.Start([&] {
    dlg.CloseWindow();
    closed.store(true);
  });
  for (int i = 0; i < 2000; ++i) std::this_thread::yield();  // a close that does not wait gets its chance
  EXPECT_FALSE(closed.load()) << "closed during the frame";
  release.store(true);
  ASSERT_TRUE(editorThread.Wait());
  ASSERT_TRUE(closer.Wait());
  EXPECT_EQ(dlg.GetEditorView(), nullptr);
  EXPECT_EQ(dlg.closes, 1);
  EXPECT_TRUE(backend->Windows().empty());
}

// A host's idle timer thread pumps without pause while its GUI thread opens, draws, clicks and closes: each
// editor draws and takes its click on the GUI thread only.
TEST_F(GraphicsThreadsTest, IdleOnASecondThreadWhileTheFirstOpensDrawsAndCloses) {
  std::atomic<bool> stop{false};
  kd::test::HostThread idleThread;
  idleThread.Start([&] {
    while (!stop.load()) platform::RunLoop::Main().RunOnce();
  });
  for (int round = 0; round < 50 && !HasFatalFailure(); ++round) {
    journal.clear();
    Open();
    Frame();
    EXPECT_GT(Layer().backend.flushCalls, 0);
    Inject(Kind::kButtonPress, 100, 50, 10.0 * round);
    Inject(Kind::kButtonRelease, 100, 50, 10.0 * round);
    Frame();
    EXPECT_EQ(journal, (std::vector<std::string>{"down L", "up"}));
    dlg.CloseWindow();
  }
  stop.store(true);
  ASSERT_TRUE(idleThread.Wait());
  EXPECT_EQ(dlg.opens, 50);
  EXPECT_EQ(dlg.closes, 50);
}

// The system version is read once for the whole process: threads asking at the same time all get that one value.
TEST(SystemVersionThreadsTest, EveryThreadGetsTheOneValue) {
  constexpr int kThreads = 4;
  std::atomic<int> waiting{kThreads};
  int seen[kThreads] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      // All start together, so that the first asks meet.
      --waiting;
      while (waiting.load() > 0) std::this_thread::yield();
      seen[i] = IGraphicsLinux::GetSystemVersion();
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const int version : seen) EXPECT_EQ(version, IGraphicsLinux::GetSystemVersion());
  EXPECT_NE(IGraphicsLinux::GetSystemVersion(), 0);
}

// Two editors on two threads play the computer keyboard, which the process shares: every note turned on is turned
// off exactly once, by one editor or the other, once the last octave change has stopped what sounds.
TEST(KeyboardThreadsTest, TwoEditorsOnTwoThreadsShareTheKeyboard) {
  std::atomic<int> on{0};
  std::atomic<int> off{0};
  const auto play = [&](bool lastOctaveChange) {
    FakeDelegate dlg;
    RecordingGraphics g(dlg, 100, 100);
    g.SetQwertyMidiKeyHandlerFunc([&](const IMidiMsg& msg) { ++((msg.mStatus & 0xF0) == 0x90 ? on : off); });
    const auto key = [&](int vk, bool up) {
      const IKeyPress press("", vk, false, false);
      if (up)
        g.OnKeyUp(0.f, 0.f, press);
      else
        g.OnKeyDown(0.f, 0.f, press);
    };
    for (int i = 0; i < 300; ++i) {
      key('A', false);
      key('S', false);
      key('A', true);
      key(i % 2 ? 'X' : 'Z', false);
      key('D', false);
    }
    if (lastOctaveChange) key('Z', false);
  };
  std::thread other(play, false);
  play(false);
  other.join();
  play(true);
  EXPECT_GT(on.load(), 0);
  EXPECT_EQ(on.load(), off.load());
}

}  // namespace
}  // namespace fx::gfx::test
