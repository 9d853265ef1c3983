// Throughput of the block convolver (samples per second per channel, counted at its input) for the
// factor pairs the resampler chain builds, at the plug-in's filter (transition band 8 %, 124.28 dB),
// and the cost of designing that filter.
#include "plugin/resampler/CDSPBlockConvolver.h"
#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/CKernelFilterCache.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kBlock = 512;

void BM_BlockConvolver(benchmark::State& state) {
  const int up = static_cast<int>(state.range(0));
  const int down = static_cast<int>(state.range(1));
  const double cutoff = std::min(0.5, 1.0 / std::max(up, down));
  rsmp::CDSPBlockConvolver convolver(rsmp::GetLowPassFilter(cutoff, 8.0, 124.28, 0, up), up, down, true, 0.0);
  std::vector<double> input(kBlock);
  for (size_t i = 0; i < input.size(); i++) input[i] = static_cast<double>(i % 31) / 31.0 - 0.5;
  std::vector<double> output(static_cast<size_t>(convolver.GetMaxOutputLength(kBlock)));
  for (auto _ : state) {
    double* out = output.data();
    benchmark::DoNotOptimize(convolver.Process(input.data(), kBlock, out));
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_BlockConvolver)->Args({2, 1})->Args({1, 2})->Args({3, 1})->Args({3, 2})->Args({2, 3})->Args({3, 4});

void BM_LowPassDesign(benchmark::State& state) {
  const int phase = static_cast<int>(state.range(0));
  for (auto _ : state) {
    auto* pool = new rsmp::CFFTObjectPool;
    auto* cache = new rsmp::CKernelFilterCache(*pool);
    cache->Release(cache->GetLowPassFilter(0.5, 8.0, 124.28, phase, 1.0));
    cache->Close();
    pool->Close();
  }
}
BENCHMARK(BM_LowPassDesign)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
