// Speed of the packed real FFT at the lengths the resampler's filters use (256 to 1024 points for the
// plug-in's filters, longer ones for steeper designs).
#include "plugin/resampler/CDSPFFTObject.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_RealFFTForwardInverse(benchmark::State& state)
{
  const int order = static_cast<int>(state.range(0));
  rsmp::CDSPFFTObject fft(order, nullptr);
  std::vector<double> block(static_cast<size_t>(fft.GetLen()));
  for (size_t i = 0; i < block.size(); i++)
    block[i] = static_cast<double>(i % 17) - 8.0;
  for (auto _ : state)
  {
    fft.Forward(block.data());
    fft.Inverse(block.data());
    for (double& value : block)
      value *= fft.GetInvMulConst();
    benchmark::DoNotOptimize(block.data());
  }
  state.SetItemsProcessed(state.iterations() * fft.GetLen());
}
BENCHMARK(BM_RealFFTForwardInverse)->DenseRange(8, 10)->Arg(12)->Arg(14)->Arg(16);

} // namespace
