// Throughput of whole resampler chains, and the cost of building the plug-in's oversampler set of 54
// resamplers against block size: time, bytes allocated and bytes made resident (pages written).
// Build with optimisation and without sanitizers for meaningful figures.
#include "plugin/resampler/CDSPResampler.h"
#include "plugin/resampler/VectorPath.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct RatePair {
  double src;
  double dst;
  const char* label;
};

const RatePair kPairs[] = {
    {44100.0, 88200.0, "2x"},   {44100.0, 352800.0, "8x"},          {88200.0, 44100.0, "1/2"},
    {352800.0, 44100.0, "1/8"}, {44100.0, 48000.0, "44.1->48 kHz"},
};

// Samples per second per channel, counted at the input, in blocks of 512 input samples; the second
// argument 1 takes the AVX2 routines where the processor has them, 0 the plain SSE2 ones.
void BM_ResamplerThroughput(benchmark::State& state) {
  const RatePair& pair = kPairs[state.range(0)];
  const bool avx2 = state.range(1) != 0;
  if (avx2 && !rsmp::IsAvx2Available()) {
    state.SkipWithError("no AVX2 on this processor");
    return;
  }
  const int block = 512;
  rsmp::SetAvx2Allowed(avx2);
  rsmp::CDSPResampler24_44k resampler(pair.src, pair.dst, block);
  rsmp::SetAvx2Allowed(true);
  std::vector<double> in(block);
  for (int i = 0; i < block; i++) in[i] = std::sin(0.01 * i) * 0.5;
  for (auto _ : state) {
    double* out = nullptr;
    benchmark::DoNotOptimize(resampler.Process(in.data(), block, out));
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * block);
  state.SetLabel(std::string(pair.label) + (avx2 ? ", AVX2" : ", plain"));
}
BENCHMARK(BM_ResamplerThroughput)->ArgsProduct({{0, 1, 2, 3, 4}, {1, 0}});

double AllocatedBytes() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

double ResidentBytes() {
  long total = 0;
  long resident = 0;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0.0;
  if (std::fscanf(statm, "%ld %ld", &total, &resident) != 2) resident = 0;
  std::fclose(statm);
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

using PluginSet = std::vector<std::unique_ptr<rsmp::CDSPResampler24_44k>>;

// As the oversampler builds it: per factor 1 .. 256, four channels up from the host rate (maximum input
// the block size) and two down to it (maximum input eight blocks), then every one cleared.
PluginSet BuildPluginSet(int blockSize) {
  const double rate = 44100.0;
  PluginSet set;
  for (int factor = 1; factor <= 256; factor *= 2) {
    for (int channel = 0; channel < 4; channel++)
      set.push_back(std::make_unique<rsmp::CDSPResampler24_44k>(rate, factor * rate, blockSize));
    for (int channel = 0; channel < 2; channel++)
      set.push_back(std::make_unique<rsmp::CDSPResampler24_44k>(factor * rate, rate, 8 * blockSize));
  }
  for (auto& resampler : set) resampler->Clear();
  return set;
}

// Time per build with the filter caches warm (freed memory is reused from one build to the next).
void BM_BuildPluginSet(benchmark::State& state) {
  const int blockSize = static_cast<int>(state.range(0));
  BuildPluginSet(blockSize);
  for (auto _ : state) benchmark::DoNotOptimize(BuildPluginSet(blockSize));
}
BENCHMARK(BM_BuildPluginSet)->RangeMultiplier(2)->Range(64, 8192)->Unit(benchmark::kMillisecond);

// Memory of one built set (caches warm): bytes allocated, bytes resident, and the share of the step
// buffers, which stay unwritten until a resampler runs. Every set is kept until the program ends so
// that no build reuses memory another one already made resident.
void BM_PluginSetMemory(benchmark::State& state) {
  static std::vector<PluginSet> kept;
  if (kept.empty()) kept.push_back(BuildPluginSet(512));
  const int blockSize = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const double allocatedBefore = AllocatedBytes();
    const double residentBefore = ResidentBytes();
    kept.push_back(BuildPluginSet(blockSize));
    state.counters["allocated_MB"] = (AllocatedBytes() - allocatedBefore) / (1024.0 * 1024.0);
    state.counters["resident_MB"] = (ResidentBytes() - residentBefore) / (1024.0 * 1024.0);
    double stepBuffers = 0.0;
    for (const auto& resampler : kept.back()) stepBuffers += sizeof(double) * resampler->GetStepBufferLength();
    state.counters["step_buffers_MB"] = stepBuffers / (1024.0 * 1024.0);
  }
}
BENCHMARK(BM_PluginSetMemory)->RangeMultiplier(2)->Range(64, 8192)->Iterations(1);

}  // namespace
