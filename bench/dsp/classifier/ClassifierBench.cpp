// Cost of the audio classifier per second of input at each supported rate, fed in host-sized blocks;
// the 44.1 kHz resampler with its 160 polyphase branches dominates.
#include "dsp/classifier/Classifier.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <vector>

namespace {

void BM_ClassifierOneSecond(benchmark::State& state) {
  const auto rate = static_cast<int32_t>(state.range(0));
  constexpr uint32_t kBlock = 512;
  std::vector<std::max_align_t> memory(classifier::classifier_size(rate, kBlock) / sizeof(std::max_align_t) + 1);
  classifier::classifier_init(memory.data(), memory.size() * sizeof(std::max_align_t), rate, kBlock);
  std::vector<float> second(static_cast<size_t>(rate));
  for (size_t i = 0; i < second.size(); ++i) second[i] = 0.3f * std::sin(0.03f * i) * std::sin(0.0007f * i);
  for (auto _ : state) {
    for (size_t offset = 0; offset + kBlock <= second.size(); offset += kBlock) {
      benchmark::DoNotOptimize(classifier::classifier_process(memory.data(), &second[offset], kBlock));
    }
  }
  state.SetItemsProcessed(state.iterations() * rate);
}
BENCHMARK(BM_ClassifierOneSecond)->Arg(32000)->Arg(44100)->Arg(48000)->Unit(benchmark::kMillisecond);

}  // namespace
