// Costs on the audio path of the framework: a float block through attach, process and conversion, the
// bypass pass-through with a latency delay, and the queues' push and pop.
#include <benchmark/benchmark.h>

#include <vector>

#include "framework/IPluginAPIBase.h"
#include "framework/IPluginProcessor.h"

namespace {

class BenchProcessor : public fx::IPluginProcessor {
 public:
  using IPluginProcessor::IPluginProcessor;
  bool SendMidiMsg(const fx::IMidiMsg&) override { return true; }
};

fx::Config StereoConfig(int latency) {
  fx::Config config;
  config.channelIOStr = "2-2";
  config.latency = latency;
  return config;
}

void FloatBlock(benchmark::State& state, bool bypassed) {
  const int nFrames = static_cast<int>(state.range(0));
  BenchProcessor processor(StereoConfig(bypassed ? 64 : 0));
  processor.SetChannelConnections(fx::kInput, 0, 2, true);
  processor.SetChannelConnections(fx::kOutput, 0, 2, true);
  processor.SetBlockSize(nFrames);
  processor.InitLatencyDelay();
  std::vector<float> inL(static_cast<size_t>(nFrames), 0.5f), inR = inL, outL = inL, outR = inL;
  float* inputs[] = {inL.data(), inR.data()};
  float* outputs[] = {outL.data(), outR.data()};
  for (auto _ : state) {
    processor.AttachBuffers(fx::kInput, 0, 2, inputs, nFrames);
    processor.AttachBuffers(fx::kOutput, 0, 2, outputs, nFrames);
    if (bypassed) {
      processor.PassThroughBuffers(0.0f, nFrames);
    } else {
      processor.ProcessBuffers(0.0f, nFrames);
    }
    benchmark::DoNotOptimize(outL.data());
  }
  state.SetItemsProcessed(state.iterations() * nFrames);
}

void BM_FloatBlockProcessed(benchmark::State& state) {
  FloatBlock(state, false);
}
void BM_FloatBlockPassedThrough(benchmark::State& state) {
  FloatBlock(state, true);
}
BENCHMARK(BM_FloatBlockProcessed)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FloatBlockPassedThrough)->Arg(64)->Arg(512)->Arg(4096);

void BM_ParamQueuePushPop(benchmark::State& state) {
  fx::IRingQueue<fx::IPluginAPIBase::ParamChange> queue(fx::IPluginAPIBase::kParamQueueCapacity);
  fx::IPluginAPIBase::ParamChange change{3};
  for (auto _ : state) {
    queue.Push(change);
    queue.Pop(change);
    benchmark::DoNotOptimize(change);
  }
}
BENCHMARK(BM_ParamQueuePushPop);

}  // namespace
