// Built and run a second time under ThreadSanitizer by scripts/test: host threads set parameters and
// bypass while the main thread drains the parameter queue through the 20 ms tick and changes the
// latency, and the audio thread processes (or passes through) blocks that read the parameters; the
// latency grows while the audio thread passes audio through the latency delay; a host thread reads a
// parameter's label while it changes; the editor's thread reads the current preset while a host thread
// restores presets; one host thread opens and closes the editor while another hands the
// plug-in editor state and restores it; the tick runs on a second host thread while the first opens, idles
// and closes the editor; a close from another thread waits for the editor's event in hand; stopping the
// tick waits for one in progress; the owner and a tick may stop the timer at the same moment; and a host
// thread pumping the main loop while the entry point builds a plug-in on another never ticks into it before
// its constructor has ended. Nothing here sleeps; each thread runs a fixed number of steps, and waits are
// bounded.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/IByteChunk.h"
#include "framework/IEditorView.h"
#include "framework/IParam.h"
#include "framework/IPluginAPIBase.h"
#include "framework/IPluginProcessor.h"
#include "framework/Timer.h"
#include "framework/vst2/VST2Entry.h"
#include "platform/runloop/RunLoop.h"
#include "tests/framework/TestPlugin.h"
#include "tests/support/HostThread.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers' runtime answers the bytes their allocator has handed out and not taken back.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace fx {
namespace {

constexpr int kNParams = 8;
constexpr int kBlock = 64;

// The framework's two halves joined as a host binding joins them.
class ThreadedPlugin : public IPluginAPIBase, public IPluginProcessor {
 public:
  explicit ThreadedPlugin(const Config& config) : IPluginAPIBase(config, kAPIVST2), IPluginProcessor(config) {
    for (int i = 0; i < NParams(); ++i) GetParam(i)->InitDouble("gain", 0.5, 0.0, 1.0, 0.0);
  }

  // Audio thread: scales the input by the sum of the parameters, which stays within 0..kNParams.
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override {
    double gain = 0.0;
    for (int i = 0; i < NParams(); ++i) gain += GetParam(i)->Value();
    for (int f = 0; f < nFrames; ++f) outputs[0][f] = inputs[0][f] * gain;
    IMidiMsg msg;
    while (PopMidiMsgForProcessor(msg)) midiReceived.fetch_add(1, std::memory_order_relaxed);
  }
  bool SendMidiMsg(const IMidiMsg&) override { return true; }

  // Main thread, from the queue drain.
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override {
    const bool valid = paramIdx >= 0 && paramIdx < NParams() && value >= 0.0 && value <= 1.0 && !normalized;
    (valid ? drained : corrupt).fetch_add(1, std::memory_order_relaxed);
  }

  std::atomic<int> drained{0};
  std::atomic<int> corrupt{0};
  std::atomic<int> midiReceived{0};
};

TEST(ThreadSafetyTest, HostThreadsEditorTickAndAudioThreadShareThePlugin) {
  platform::ManualClock clock;
  platform::RunLoop::Main().SetClock(&clock);
  Config config = test::TestConfig(kNParams, 1);
  config.channelIOStr = "1-1";
  config.latency = 16;
  ThreadedPlugin plugin(config);
  plugin.InitLatencyDelay();
  plugin.SetChannelConnections(kInput, 0, 1, true);
  plugin.SetChannelConnections(kOutput, 0, 1, true);
  plugin.SetBlockSize(kBlock);
  plugin.CreateTimer();

  constexpr int kSetters = 3;
  constexpr int kSetsPerThread = 4000;
  constexpr int kBlocks = 3000;
  std::atomic<bool> start{false};
  std::atomic<bool> audioDone{false};

  std::vector<std::thread> setters;
  for (int t = 0; t < kSetters; ++t) {
    setters.emplace_back([&plugin, &start, t] {
      while (!start.load()) {
      }
      for (int i = 0; i < kSetsPerThread; ++i) {
        const int idx = (i + t) % kNParams;
        const double normalized = (i % 101) / 100.0;
        plugin.GetParam(idx)->SetNormalized(normalized);
        plugin.SendParameterValueFromAPI(idx, normalized, true);
        plugin.SetBypassed(i % 2 == 0);
      }
    });
  }
  double lastOutput = 0.0;
  std::thread audio([&] {
    std::vector<double> in(kBlock, 1.0), out(kBlock, 0.0);
    double* inputs[] = {in.data()};
    double* outputs[] = {out.data()};
    while (!start.load()) {
    }
    for (int b = 0; b < kBlocks; ++b) {
      plugin.AttachBuffers(kInput, 0, 1, inputs, kBlock);
      plugin.AttachBuffers(kOutput, 0, 1, outputs, kBlock);
      if (plugin.GetBypassed()) {
        plugin.PassThroughBuffers(0.0, kBlock);
      } else {
        plugin.ProcessBuffers(0.0, kBlock);
      }
    }
    lastOutput = out[0];
    audioDone.store(true);
  });

  // The main thread: editor MIDI out, then the tick that drains the parameter queue.
  int midiSent = 0;
  start.store(true);
  for (int tick = 0; !audioDone.load() || tick < 200; ++tick) {
    if (tick % 4 == 0) {
      plugin.DeferMidiMsg(IMidiMsg(0, 0x90, 60, 100));
      ++midiSent;
    }
    plugin.SetLatency(tick % 2 == 0 ? 8 : 16);
    platform::RunLoop::Main().RunDueTimers();
    clock.AdvanceMs(20);
  }
  for (std::thread& t : setters) t.join();
  audio.join();
  platform::RunLoop::Main().RunDueTimers();

  EXPECT_EQ(plugin.corrupt.load(), 0);
  EXPECT_GT(plugin.drained.load(), 0);
  EXPECT_LE(plugin.drained.load(), kSetters * kSetsPerThread);
  EXPECT_LE(plugin.midiReceived.load(), midiSent);
  EXPECT_TRUE(lastOutput >= 0.0 && lastOutput <= kNParams) << lastOutput;
  platform::RunLoop::Main().SetClock(nullptr);
}

// The main thread lengthens the latency step by step (every step needs longer rings) while the audio thread
// passes audio through the latency delay. The rings the audio thread reads are never changed or freed under it
// (ThreadSanitizer and AddressSanitizer watch): it reads only cleared rings and its own input, so an input of
// ones comes out as 0 or 1 on both channels, nothing else.
TEST(ThreadSafetyTest, TheLatencyGrowsWhileTheAudioThreadPassesAudioThrough) {
  Config config = test::TestConfig(kNParams, 1);
  config.channelIOStr = "2-2";
  config.latency = 1;
  ThreadedPlugin plugin(config);
  plugin.InitLatencyDelay();
  plugin.SetChannelConnections(kInput, 0, 2, true);
  plugin.SetChannelConnections(kOutput, 0, 2, true);
  plugin.SetBlockSize(kBlock);
  constexpr int kLongest = 3000;
  std::atomic<bool> started{false};
  std::atomic<bool> grown{false};
  int blocks = 0;
  int wrong = 0;
  std::thread audio([&] {
    std::vector<double> in(kBlock, 1.0), outL(kBlock), outR(kBlock);
    double* inputs[] = {in.data(), in.data()};
    double* outputs[] = {outL.data(), outR.data()};
    for (; blocks < 3 || !grown.load(); ++blocks) {
      plugin.AttachBuffers(kInput, 0, 2, inputs, kBlock);
      plugin.AttachBuffers(kOutput, 0, 2, outputs, kBlock);
      plugin.PassThroughBuffers(0.0, kBlock);
      for (int f = 0; f < kBlock; ++f) {
        if ((outL[f] != 0.0 && outL[f] != 1.0) || (outR[f] != 0.0 && outR[f] != 1.0)) ++wrong;
      }
      started.store(true);
    }
  });
  while (!started.load()) {
  }
  for (int latency = 2; latency <= kLongest; ++latency) plugin.SetLatency(latency);
  grown.store(true);
  audio.join();
  EXPECT_EQ(plugin.GetLatency(), kLongest);
  EXPECT_EQ(wrong, 0) << "in " << blocks << " blocks";
}

// The editor's idle work relabels a parameter (the faders' unit follows their display mode) while a host's
// thread asks for the label: every read is one of the two labels, whole, and stays so after the next change.
TEST(ThreadSafetyTest, ALabelReadWhileItChangesIsTheOldOrTheNewOneWhole) {
  IParam param;
  param.InitDouble("Gain", 0.0, -1.0, 1.0, 0.01, "dB");
  const std::string labels[] = {"dB", "percent of the fader's full way"};  // 2 and 31 bytes
  constexpr int kChanges = 20000;
  std::atomic<bool> reading{false};
  std::atomic<bool> done{false};
  int reads = 0;
  int torn = 0;
  std::thread host([&] {
    for (; !done.load(); reading.store(true)) {
      const char* label = param.GetLabel();
      const std::string copy(label);
      std::this_thread::yield();
      if ((copy != labels[0] && copy != labels[1]) || copy != label) ++torn;
      ++reads;
    }
  });
  while (!reading.load()) {
  }
  for (int i = 0; i < kChanges; ++i) param.SetLabel(labels[i % 2].c_str());
  done.store(true);
  host.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(param.GetLabel(), labels[1]);
}

// A host thread renames the current preset (as set-program-name and a state's preset name do) while the editor's
// thread reads the name to draw it: each read is one of the names, whole, and stays so after the next rename.
TEST(ThreadSafetyTest, APresetNameReadWhileItChangesIsTheOldOrTheNewOneWhole) {
  test::TestPlugin plugin(test::TestConfig(1, 1));
  plugin.MakeDefaultPreset("Init", 1);
  const std::string names[] = {"Init", "A much longer preset name that the host gave it"};
  constexpr int kChanges = 20000;
  std::atomic<bool> reading{false};
  std::atomic<bool> done{false};
  int reads = 0;
  int torn = 0;
  std::thread editor([&] {
    for (; !done.load(); reading.store(true)) {
      const char* name = plugin.GetPresetName(0);
      const std::string copy(name);
      std::this_thread::yield();
      if ((copy != names[0] && copy != names[1]) || copy != name) ++torn;
      ++reads;
    }
  });
  while (!reading.load()) {
  }
  for (int i = 0; i < kChanges; ++i) plugin.ModifyCurrentPreset(names[(i + 1) % 2].c_str());
  done.store(true);
  editor.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(plugin.GetPresetName(0), names[0]);
}

// The heap in use, where a sanitizer's allocator counts it; elsewhere 0, and the checks on it hold trivially.
std::ptrdiff_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return static_cast<std::ptrdiff_t>(__sanitizer_get_current_allocated_bytes());
#else
  return 0;
#endif
}

// A preset slot renamed and a parameter relabelled 20,000 times, each time to a text it never had before: the
// heap they hold does not grow with the number of texts (20,000 kept texts would hold over 600 kB), and the
// renames take well under a second, and the last name and label are read whole.
TEST(ThreadSafetyTest, DistinctRenamesKeepMemoryBoundedAndRunFast) {
  test::TestPlugin plugin(test::TestConfig(1, 1));
  plugin.MakeDefaultPreset("Init", 1);
  IParam param;
  param.InitDouble("Gain", 0.0, -1.0, 1.0, 0.01, "dB");
  constexpr int kRenames = 20000;
  char text[32];
  const auto start = std::chrono::steady_clock::now();
  std::ptrdiff_t heap = HeapInUse();
  for (int i = 0; i < kRenames; ++i) {
    std::snprintf(text, sizeof(text), "name %d", i);
    plugin.ModifyCurrentPreset(text);
  }
  EXPECT_LT(HeapInUse() - heap, 64 * 1024) << "preset names";
  heap = HeapInUse();
  for (int i = 0; i < kRenames; ++i) {
    std::snprintf(text, sizeof(text), "name %d", i);
    param.SetLabel(text);
  }
  EXPECT_LT(HeapInUse() - heap, 64 * 1024) << "labels";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_STREQ(plugin.GetPresetName(0), text);
  EXPECT_STREQ(param.GetLabel(), text);
}

// An editor view whose fields are plain: any two delegate calls that reach it at once are a data race.
class PlainView : public IEditorView {
 public:
  explicit PlainView(std::atomic<int>& alive) : mAlive(alive) { mAlive.fetch_add(1); }
  ~PlainView() override { mAlive.fetch_sub(1); }

  void* OpenWindow(void*) override { return this; }
  void CloseWindow() override { size = {}; }
  Size GetEditorSize() const override { return size; }
  void RestoreEditorSize(const Size& restored) override { size = restored; }
  void ResizeToParentWindow(int width, int height) override { size = {width, height, 1.f}; }
  void ChangeScreenScale(float) override {}
  bool KeyDownAtPointer(const IKeyPress&) override { return false; }
  bool KeyUpAtPointer(const IKeyPress&) override { return false; }
  void SetControlValueFromDelegate(int, double value) override { lastValue = value; }
  void SendControlMsgFromDelegate(int, int, int, const void*) override {}
  void SendMidiMsgToControls(const IMidiMsg&) override {}
  void SetParameterValueInControls(int, double value) override { lastValue = value; }

  Size size{300, 200, 1.f};
  double lastValue = 0.0;

 private:
  std::atomic<int>& mAlive;
};

class EditorPlugin : public IPluginAPIBase {
 public:
  explicit EditorPlugin(const Config& config) : IPluginAPIBase(config, kAPIVST2) {
    SetMakeGraphicsFunc([this] { return new PlainView(viewsAlive); });
  }
  std::atomic<int> viewsAlive{0};
};

// The sizes the test's threads set: none yet, the view's first, the host window's, and the two stored.
bool IsSavedSize(int32_t width, int32_t height, float scale) {
  return (width == 0 && height == 0 && scale == 0.f) || (width == 300 && height == 200 && scale == 1.f) ||
         (width == 640 && height == 480 && scale == 1.f) || (width == 400 && height == 300 && scale == 1.5f) ||
         (width == 800 && height == 600 && scale == 2.f);
}

TEST(ThreadSafetyTest, EditorOpensAndClosesWhileAnotherThreadHandsOverState) {
  EditorPlugin plugin(test::TestConfig(kNParams, 1));
  constexpr int kRounds = 2000;
  std::atomic<bool> start{false};
  std::atomic<int> badSizes{0};

  std::thread editor([&] {
    while (!start.load()) {
    }
    for (int i = 0; i < kRounds; ++i) {
      plugin.OpenWindow(nullptr);
      plugin.SendControlValueFromDelegate(0, 0.25);
      plugin.OnParentWindowResize(640, 480);
      plugin.CloseWindow();
    }
  });
  std::thread state([&] {
    while (!start.load()) {
    }
    for (int i = 0; i < kRounds; ++i) {
      IByteChunk stored;
      const int32_t width = i % 2 ? 800 : 400;
      const int32_t height = i % 2 ? 600 : 300;
      const float scale = i % 2 ? 2.f : 1.5f;
      stored.Put(&width);
      stored.Put(&height);
      stored.Put(&scale);
      plugin.UnserializeEditorState(stored, 0);
      plugin.OnRestoreState();

      IByteChunk saved;
      plugin.SerializeEditorState(saved);
      int32_t savedWidth = -1, savedHeight = -1;
      float savedScale = -1.f;
      int pos = saved.Get(&savedWidth, 0);
      pos = saved.Get(&savedHeight, pos);
      saved.Get(&savedScale, pos);
      if (!IsSavedSize(savedWidth, savedHeight, savedScale)) badSizes.fetch_add(1);
      if (plugin.GetEditorView() == nullptr) plugin.SetScreenScale(2.f);
    }
  });
  start.store(true);
  editor.join();
  state.join();

  EXPECT_EQ(badSizes.load(), 0);
  EXPECT_EQ(plugin.GetEditorView(), nullptr);
  EXPECT_EQ(plugin.viewsAlive.load(), 0);
}

// A host whose idle timer thread calls the plug-in's idle while its UI thread opens, idles and closes the
// editor: the plug-in's tick (queue drains into the view) runs on either thread, never together with the
// editor's own calls, and the view is never used after the close.
TEST(ThreadSafetyTest, TicksOnASecondThreadWhileTheFirstOpensIdlesAndCloses) {
  platform::ManualClock clock;
  platform::RunLoop::Main().SetClock(&clock);
  {
    EditorPlugin plugin(test::TestConfig(kNParams, 1));
    plugin.CreateTimer();
    constexpr int kRounds = 600;
    std::atomic<bool> stop{false};
    kd::test::HostThread idleThread;
    idleThread.Start([&] {
      for (int i = 0; !stop.load(); ++i) {
        plugin.SendParameterValueFromAPI(i % kNParams, 0.5, true);
        platform::RunLoop::Main().RunOnce();
      }
    });
    for (int i = 0; i < kRounds; ++i) {
      plugin.OpenWindow(nullptr);
      EXPECT_TRUE(plugin.IsEditorThread());
      plugin.SendControlValueFromDelegate(0, 0.25);
      clock.AdvanceMs(20);
      platform::RunLoop::Main().RunOnce();
      plugin.CloseWindow();
      EXPECT_FALSE(plugin.IsEditorThread());
    }
    stop.store(true);
    ASSERT_TRUE(idleThread.Wait());
    plugin.StopTimer();
    EXPECT_EQ(plugin.viewsAlive.load(), 0);
  }
  platform::RunLoop::Main().SetClock(nullptr);
}

// A host closing the editor from another thread while the editor's thread is inside one of its events: the
// close waits for the event to end, then tears down; the event's view is never freed under it.
TEST(ThreadSafetyTest, ACloseFromAnotherThreadWaitsForTheEventInHand) {
  EditorPlugin plugin(test::TestConfig(kNParams, 1));
  plugin.OpenWindow(nullptr);
  auto* view = static_cast<PlainView*>(plugin.GetEditorView());
  kd::test::HostThread closer;
  std::atomic<bool> closing{false};
  {
    gfx::IGEditorDelegate::EditorEvent event(plugin.EditorMutex());
    event.Enter(plugin);
    closer.Start([&] {
      closing.store(true);
      plugin.CloseWindow();
    });
    ASSERT_TRUE(kd::test::AwaitFlag(closing));
    for (int i = 0; i < 20000; ++i) view->lastValue = i;  // the close may be about to run: plain writes race with it
    EXPECT_EQ(plugin.GetEditorView(), view);
    EXPECT_EQ(plugin.viewsAlive.load(), 1);
  }
  ASSERT_TRUE(closer.Wait());
  EXPECT_EQ(plugin.GetEditorView(), nullptr);
  EXPECT_EQ(plugin.viewsAlive.load(), 0);
}

// A host's thread restores presets (as its set-program and bank set-chunk requests do) while the editor's
// thread reads the current preset index to draw the preset bar: every read is one of the slots.
TEST(ThreadSafetyTest, TheCurrentPresetIsReadWhileAHostThreadRestoresPresets) {
  constexpr int kPresets = 4;
  constexpr int kRestores = 4000;
  EditorPlugin plugin(test::TestConfig(kNParams, kPresets));
  std::atomic<bool> reading{false};
  std::atomic<bool> done{false};
  int reads = 0;
  int outside = 0;
  std::thread editor([&] {
    for (; !done.load(); reading.store(true)) {
      const int idx = plugin.GetCurrentPresetIdx();
      if (idx < 0 || idx >= kPresets) ++outside;
      ++reads;
    }
  });
  while (!reading.load()) {
  }
  int restored = 0;
  for (int i = 0; i < kRestores; ++i) restored += plugin.RestorePreset(i % kPresets) ? 1 : 0;
  done.store(true);
  editor.join();
  EXPECT_EQ(restored, kRestores);
  EXPECT_EQ(outside, 0) << "of " << reads << " reads";
  EXPECT_EQ(plugin.GetCurrentPresetIdx(), (kRestores - 1) % kPresets);
}

// A plug-in whose idle work can be held inside a tick.
class SlowIdlePlugin : public IPluginAPIBase {
 public:
  explicit SlowIdlePlugin(const Config& config) : IPluginAPIBase(config, kAPIVST2) {}
  void OnIdle() override {
    if (!hold.load()) return;
    inside.store(true);
    kd::test::AwaitFlag(release);
    ended.store(true);
  }
  std::atomic<bool> hold{true}, inside{false}, release{false}, ended{false};
};

// The binding stops the tick before it deletes the plug-in: a tick another host thread is running at that
// moment ends first, and the plug-in may go right after.
TEST(ThreadSafetyTest, StoppingTheTickWaitsForATickOnAnotherThread) {
  platform::ManualClock clock;
  platform::RunLoop::Main().SetClock(&clock);
  {
    auto plugin = std::make_unique<SlowIdlePlugin>(test::TestConfig(kNParams, 1));
    SlowIdlePlugin* const raw = plugin.get();
    plugin->CreateTimer();
    kd::test::HostThread idleThread, closeThread;
    idleThread.Start([&] { platform::RunLoop::Main().RunOnce(); });
    ASSERT_TRUE(kd::test::AwaitFlag(plugin->inside));
    bool endedFirst = false;
    closeThread.Start([&] {
      raw->StopTimer();
      endedFirst = raw->ended.load();
      plugin.reset();
    });
    for (int i = 0; i < 1000; ++i) std::this_thread::yield();  // give a stop that does not wait its chance
    raw->release.store(true);
    ASSERT_TRUE(closeThread.Wait());
    ASSERT_TRUE(idleThread.Wait());
    EXPECT_TRUE(endedFirst);
  }
  platform::RunLoop::Main().SetClock(nullptr);
}

// The owner stops the timer on one host thread while the tick, on another, stops it too: one of them
// releases the loop's timer, the owner's stop returns after the tick, and the timer can go.
TEST(ThreadSafetyTest, TheOwnerAndATickStopTheTimerTogether) {
  platform::ManualClock clock;
  platform::RunLoop::Main().SetClock(&clock);
  {
    std::atomic<bool> inside{false}, release{false}, tickEnded{false};
    std::unique_ptr<Timer> timer(Timer::Create(
        [&](Timer& self) {
          inside.store(true);
          kd::test::AwaitFlag(release);
          self.Stop();
          tickEnded.store(true);
        },
        20));
    kd::test::HostThread idleThread, ownerThread;
    idleThread.Start([&] { platform::RunLoop::Main().RunOnce(); });
    ASSERT_TRUE(kd::test::AwaitFlag(inside));
    bool endedFirst = false;
    ownerThread.Start([&] {
      release.store(true);
      timer->Stop();
      endedFirst = tickEnded.load();
    });
    ASSERT_TRUE(ownerThread.Wait());
    ASSERT_TRUE(idleThread.Wait());
    EXPECT_TRUE(endedFirst);
    EXPECT_EQ(platform::RunLoop::Main().NumTimers(), 0);
    timer.reset();
    clock.AdvanceMs(40);
    EXPECT_EQ(platform::RunLoop::Main().RunOnce(), 0);
  }
  platform::RunLoop::Main().SetClock(nullptr);
}

// What the slowly built plug-in below and the thread pumping the main loop tell each other.
struct BuildWatch {
  std::atomic<int> pumps{0};
  std::atomic<int> idles{0};
  std::atomic<int> idlesBeforeBuilt{0};
  std::atomic<bool> idled{false};
};
BuildWatch sBuildWatch;

// A product whose constructor, with the binding's part already built, sets a member only after the
// thread pumping the main loop has pumped it a few times; its idle work reads that member.
class SlowlyBuiltPlugin final : public IPluginVST2 {
 public:
  static constexpr int kBuilt = 42;

  explicit SlowlyBuiltPlugin(const InstanceInfo& info) : IPluginVST2(info, test::TestConfig(kNParams, 1)) {
    const int pumps = sBuildWatch.pumps.load();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (sBuildWatch.pumps.load() < pumps + 3 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    mBuilt = kBuilt;
  }

  void OnIdle() override {
    if (mBuilt != kBuilt) sBuildWatch.idlesBeforeBuilt.fetch_add(1);
    sBuildWatch.idles.fetch_add(1);
    sBuildWatch.idled.store(true);
  }

 private:
  int mBuilt = 0;
};

// A host creates the plug-in on one thread while another pumps the main loop: no tick reaches the plug-in
// while its constructor runs, and ticks come once the entry point has answered.
TEST(ThreadSafetyTest, NoTickReachesAPlugInItsConstructorIsStillBuilding) {
  std::atomic<bool> stop{false};
  kd::test::HostThread pumpThread;
  pumpThread.Start([&] {
    while (!stop.load()) {
      platform::RunLoop::Main().RunDueTimers();
      sBuildWatch.pumps.fetch_add(1);
      std::this_thread::yield();
    }
  });
  vst2::EffectRecord* effect = CreateVST2Instance<SlowlyBuiltPlugin>(nullptr);
  ASSERT_NE(effect, nullptr);
  EXPECT_TRUE(kd::test::AwaitFlag(sBuildWatch.idled));
  effect->dispatcher(effect, vst2::kEffClose, 0, 0, nullptr, 0.0f);
  stop.store(true);
  ASSERT_TRUE(pumpThread.Wait());
  EXPECT_EQ(sBuildWatch.idlesBeforeBuilt.load(), 0);
  EXPECT_GT(sBuildWatch.idles.load(), 0);
}

}  // namespace
}  // namespace fx
