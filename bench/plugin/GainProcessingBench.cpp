// The volume plug-in's cost: gain processing of a 512-sample stereo block at 48 kHz against the floor of
// any gain plug-in (a loop that only multiplies both channels by a constant), loading the module and
// opening an instance, and a reset to a new sample rate at block sizes 64 to 8192.
//
// Each gain case reports ns_per_frame (nanoseconds per stereo sample frame; the library prints the
// counter with an "s" after it); after the run the ratio of each case to the floor is printed. Run a
// Release build with --benchmark_repetitions on a quiet machine; only ratios from one run compare.
// Targets: defaults (meters on) within 3 x the floor, a moving fader or mid/side with smoothing within
// 10 x; every case under 100 ns per frame (0.5 % of one core at 48 kHz stereo).
// What bounds them from below: the meters' results are exactly those of the per-sample ballistics, and a
// fast meter's level goes from one sample to the next through a subtraction, a multiplication and an
// addition (about nine cycles, whatever the vector width). Only the block's end state is published, and an
// attack sets the level whatever it was, so the bank runs segments of a block side by side and only the
// tail after each channel's last attack stays serial; what remains is that tail, so the cost depends on
// where a signal's last peak falls. Here the right channel's cosine peaks last at sample 370, leaving about
// 140 serial steps, some 2.5 cycles a frame against the floor's one: with the processing itself at 1.25 x,
// the defaults cannot come within 3 x with exact meters. A moving gain carries its smoothing state
// through two filters of two steps each (a multiplication and a subtraction, then the denormal guard's
// addition, per step: about 18 cycles a frame), after an exponential per sample for the fader law;
// exact, those alone stay far above 10 x.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plugin/Kelvadrune.h"
#include "tools/vst2host/TestHost.h"

namespace {

constexpr int kFrames = 512;
constexpr double kRate = 48000.0;

struct Block {
  Block() : inL(kFrames), inR(kFrames), outL(kFrames), outR(kFrames) {
    for (int i = 0; i < kFrames; ++i) {
      inL[i] = 0.5 * std::sin(0.031 * i);
      inR[i] = 0.4 * std::cos(0.017 * i);
    }
  }
  std::vector<double> inL, inR, outL, outR;
  double* ins[2] = {inL.data(), inR.data()};
  double* outs[2] = {outL.data(), outR.data()};
};

void ReportPerFrame(benchmark::State& state) {
  state.counters["ns_per_frame"] =
      benchmark::Counter(kFrames * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ConstantGainFloor(benchmark::State& state) {
  Block b;
  const double gain = 0.7071;
  for (auto _ : state) {
    for (int i = 0; i < kFrames; ++i) {
      b.outL[i] = b.inL[i] * gain;
      b.outR[i] = b.inR[i] * gain;
    }
    benchmark::DoNotOptimize(b.outL.data());
    benchmark::DoNotOptimize(b.outR.data());
    benchmark::ClobberMemory();
  }
  ReportPerFrame(state);
}
BENCHMARK(BM_ConstantGainFloor);

std::unique_ptr<Kelvadrune> MakePlugin() {
  auto plug = std::make_unique<Kelvadrune>(fx::InstanceInfo{});
  plug->SetSampleRate(kRate);
  plug->SetBlockSize(kFrames);
  plug->OnReset();
  return plug;
}

void Settle(Kelvadrune& plug, Block& b) {
  for (int i = 0; i < 400; ++i) plug.ProcessBlock(b.ins, b.outs, kFrames);
}

void HostSet(Kelvadrune& plug, int idx, double value) {
  plug.GetParam(idx)->Set(value);
  plug.OnParamChange(idx, fx::kHost, -1);
}

void BM_GainDefaults(benchmark::State& state) {
  Block b;
  auto plug = MakePlugin();
  Settle(*plug, b);
  for (auto _ : state) {
    plug->ProcessBlock(b.ins, b.outs, kFrames);
    benchmark::DoNotOptimize(b.outL.data());
  }
  ReportPerFrame(state);
}
BENCHMARK(BM_GainDefaults);

// Defaults on a noise signal: the meters' serial tail depends on where a block's last attack falls, so a
// second kind of signal.
void BM_GainDefaultsNoise(benchmark::State& state) {
  Block b;
  uint32_t seed = 1;
  for (int i = 0; i < kFrames; ++i) {
    seed = seed * 1664525u + 1013904223u;
    b.inL[i] = (seed >> 8) / 16777216.0 - 0.5;
    seed = seed * 1664525u + 1013904223u;
    b.inR[i] = (seed >> 8) / 16777216.0 - 0.5;
  }
  auto plug = MakePlugin();
  Settle(*plug, b);
  for (auto _ : state) {
    plug->ProcessBlock(b.ins, b.outs, kFrames);
    benchmark::DoNotOptimize(b.outL.data());
  }
  ReportPerFrame(state);
}
BENCHMARK(BM_GainDefaultsNoise);

// The same with "Disable Meter" on: the processing alone, without the four meters' per-sample ballistics.
void BM_GainDefaultsMetersOff(benchmark::State& state) {
  Block b;
  auto plug = MakePlugin();
  HostSet(*plug, kDisableMeter, 1.0);
  Settle(*plug, b);
  for (auto _ : state) {
    plug->ProcessBlock(b.ins, b.outs, kFrames);
    benchmark::DoNotOptimize(b.outL.data());
  }
  ReportPerFrame(state);
}
BENCHMARK(BM_GainDefaultsMetersOff);

void BM_GainFaderMoveEveryBlock(benchmark::State& state) {
  Block b;
  auto plug = MakePlugin();
  Settle(*plug, b);
  bool up = false;
  for (auto _ : state) {
    up = !up;
    HostSet(*plug, kGainMaster, up ? 0.6 : 0.4);
    plug->ProcessBlock(b.ins, b.outs, kFrames);
    benchmark::DoNotOptimize(b.outL.data());
  }
  ReportPerFrame(state);
}
BENCHMARK(BM_GainFaderMoveEveryBlock);

// Mid/side with a slow smoothing filter, so every sample of every block runs through the filters.
void BM_GainMidSideSmoothing(benchmark::State& state) {
  Block b;
  auto plug = MakePlugin();
  HostSet(*plug, kProcessMode, 1.0);
  HostSet(*plug, kMDFilterFreq, 2.0);
  Settle(*plug, b);
  bool up = false;
  for (auto _ : state) {
    up = !up;
    HostSet(*plug, kGainLM, up ? 0.7 : 0.3);
    plug->ProcessBlock(b.ins, b.outs, kFrames);
    benchmark::DoNotOptimize(b.outL.data());
  }
  ReportPerFrame(state);
}
BENCHMARK(BM_GainMidSideSmoothing);

// From dlopen to the first processed block, through the test host; closing and unloading between runs.
void BM_LoadModuleToFirstBlock(benchmark::State& state) {
  std::vector<float> in(kFrames, 0.25f), out(kFrames);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out.data(), out.data()};
  for (auto _ : state) {
    vsthost::TestHost host;
    std::string error;
    if (!host.Load(KD_KELVADRUNE_PATH, error) || !host.Instantiate(error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    host.Open();
    host.SetSampleRate(static_cast<float>(kRate));
    host.SetBlockSize(kFrames);
    host.Resume();
    host.ProcessReplacing(ins, outs, kFrames);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_LoadModuleToFirstBlock)->Unit(benchmark::kMillisecond);

// A host's sample-rate change: the full DSP set-up under the DSP mutex.
void BM_ResetNewSampleRate(benchmark::State& state) {
  const int blockSize = static_cast<int>(state.range(0));
  Kelvadrune plug{fx::InstanceInfo{}};
  plug.SetBlockSize(blockSize);
  bool high = false;
  for (auto _ : state) {
    high = !high;
    plug.SetSampleRate(high ? 48000.0 : 44100.0);
    plug.OnReset();
  }
}
BENCHMARK(BM_ResetNewSampleRate)->RangeMultiplier(2)->Range(64, 8192)->Unit(benchmark::kMicrosecond);

// Collects each gain case's time per iteration to print its ratio to the floor after the run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // With repetitions, the median of each case stands for it.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      std::string name = run.benchmark_name();
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name != "median") continue;
        name.resize(name.size() - std::string("_median").size());
      }
      mTimes[name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    const auto floor = mTimes.find("BM_ConstantGainFloor");
    if (floor == mTimes.end() || floor->second <= 0.0) return;
    for (const char* name : {"BM_GainDefaults", "BM_GainDefaultsNoise", "BM_GainDefaultsMetersOff",
                             "BM_GainFaderMoveEveryBlock", "BM_GainMidSideSmoothing"}) {
      const auto it = mTimes.find(name);
      if (it != mTimes.end()) std::printf("%-28s %6.2f x the constant-gain floor\n", name, it->second / floor->second);
    }
  }

 private:
  std::map<std::string, double> mTimes;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
