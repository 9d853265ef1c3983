// Speed of the packed real FFT at the lengths the resampler's filters use (256 to 1024 points for the
// plug-in's filters, longer ones for steeper designs).
#include "plugin/resampler/CDSPFFTObject.h"
#include "plugin/resampler/VectorPath.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// The second argument 1 takes the AVX2 routines where the processor has them, 0 the plain SSE2 ones.
void BM_RealFFTForwardInverse(benchmark::State& state) {
  const int order = static_cast<int>(state.range(0));
  const bool avx2 = state.range(1) != 0;
  if (avx2 && !rsmp::IsAvx2Available()) {
    state.SkipWithError("no AVX2 on this processor");
    return;
  }
  rsmp::CDSPFFTObject fft(order, nullptr);
  fft.SetAvx2Enabled(avx2);
  std::vector<double> block(static_cast<size_t>(fft.GetLen()));
  for (size_t i = 0; i < block.size(); i++) block[i] = static_cast<double>(i % 17) - 8.0;
  for (auto _ : state) {
    fft.Forward(block.data());
    fft.Inverse(block.data());
    for (double& value : block) value *= fft.GetInvMulConst();
    benchmark::DoNotOptimize(block.data());
  }
  state.SetItemsProcessed(state.iterations() * fft.GetLen());
}
BENCHMARK(BM_RealFFTForwardInverse)->ArgsProduct({{8, 9, 10, 12, 14, 16}, {1, 0}});

}  // namespace
