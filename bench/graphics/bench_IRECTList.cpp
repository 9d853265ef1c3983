// Cost of reducing one frame's dirty rectangles: aligning and optimising lists of overlapping controls'
// rectangles of the sizes an editor produces (a handful to a few hundred).
#include "graphics/IRECTList.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

fx::gfx::IRECTList RandomDirtyList(int n) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> pos(0.f, 600.f);
  std::uniform_real_distribution<float> size(4.f, 120.f);
  fx::gfx::IRECTList list;
  for (int i = 0; i < n; ++i) {
    const float x = pos(rng), y = pos(rng);
    list.Add(fx::gfx::IRECT(x, y, x + size(rng), y + size(rng)).GetPadded(0.75f));
  }
  return list;
}

void BM_AlignAndOptimise(benchmark::State& state) {
  const fx::gfx::IRECTList input = RandomDirtyList(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    fx::gfx::IRECTList list = input;
    list.PixelAlign(2.f);
    list.Optimize();
    benchmark::DoNotOptimize(list.Size());
  }
}
BENCHMARK(BM_AlignAndOptimise)->Arg(4)->Arg(32)->Arg(128)->Arg(400);

}  // namespace
