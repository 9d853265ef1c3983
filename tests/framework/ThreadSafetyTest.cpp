// Built and run a second time under ThreadSanitizer by scripts/test: host threads set parameters and
// bypass while the main thread drains the parameter queue through the 20 ms tick and changes the
// latency, and the audio thread processes (or passes through) blocks that read the parameters.
// Nothing here sleeps; each thread runs a fixed number of steps.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "framework/IPluginAPIBase.h"
#include "framework/IPluginProcessor.h"
#include "platform/runloop/RunLoop.h"
#include "tests/framework/TestPlugin.h"

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

}  // namespace
}  // namespace fx
