#include <benchmark/benchmark.h>

#include <vector>

#include "dsp/filters/Bessel.h"
#include "dsp/filters/Butterworth.h"
#include "dsp/filters/CascadeState.h"
#include "dsp/filters/Elliptic.h"

namespace {

// A full re-design (prototype, transform, cascade); the prototype cache is defeated by alternating
// the ripple.
void BM_EllipticBandPassDesign(benchmark::State& state) {
  Dsp::Elliptic::BandPass<10> design;
  double ripple = 0.5;
  for (auto _ : state) {
    ripple = ripple == 0.5 ? 0.6 : 0.5;
    design.configure(10, 48000.0, 3000.0, 1000.0, ripple, 0.0);
    benchmark::DoNotOptimize(design.getCascade()[0].getB0());
  }
}
BENCHMARK(BM_EllipticBandPassDesign);

// The largest elliptic order with the narrowest transition of the rolloff parameter's range.
void BM_EllipticLowPassDesignOrder20(benchmark::State& state) {
  Dsp::Elliptic::LowPass<Dsp::Elliptic::kMaxOrder> design;
  double ripple = 0.1;
  for (auto _ : state) {
    ripple = ripple == 0.1 ? 0.2 : 0.1;
    design.configure(Dsp::Elliptic::kMaxOrder, 48000.0, 1000.0, ripple, -16.0);
    benchmark::DoNotOptimize(design.getCascade()[0].getB0());
  }
}
BENCHMARK(BM_EllipticLowPassDesignOrder20);

void BM_BesselLowPassDesign(benchmark::State& state) {
  Dsp::Bessel::LowPass<Dsp::Bessel::kMaxOrder> design;
  int order = 1;
  for (auto _ : state) {
    order = order % Dsp::Bessel::kMaxOrder + 1;
    design.configure(order, 48000.0, 1000.0);
    benchmark::DoNotOptimize(design.getNumStages());
  }
}
BENCHMARK(BM_BesselLowPassDesign);

// Samples per second through an order-8 cascade, one 512-sample block per iteration.
void BM_CascadeProcessFloat(benchmark::State& state) {
  Dsp::Butterworth::LowPass<8> design;
  design.configure(8, 48000.0, 2000.0);
  Dsp::CascadeState<decltype(design)::kMaxStages> filterState;
  std::vector<float> block(512, 0.25f);
  for (auto _ : state) {
    filterState.process(int(block.size()), block.data(), design.getCascade());
    benchmark::DoNotOptimize(block.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(block.size()));
}
BENCHMARK(BM_CascadeProcessFloat);

}  // namespace
