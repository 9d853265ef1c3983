// Throughput of the SVG reader on a picture of many shapes, and of the layer shadow's blur passes.
#include "graphics/ShadowBlur.h"
#include "graphics/svg/SVGParser.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::string ManyShapes(int n) {
  std::string doc = "<svg width='640' height='480' viewBox='0 0 640 480'><g transform='scale(1.5)'>";
  for (int i = 0; i < n; ++i)
    doc +=
        "<path d='M10 10 c5 5 10 5 15 0 s10-5 15 0 a8 4 30 1 1 20 10 z' fill='#336699' stroke='red'/>"
        "<rect x='5' y='5' width='40' height='20' rx='4'/>";
  return doc + "</g></svg>";
}

void BM_ParseSVG(benchmark::State& state) {
  const std::string doc = ManyShapes(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(fx::gfx::svg::ParseSVG(doc.data(), doc.size(), "px", 72.f));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_ParseSVG)->Arg(10)->Arg(200);

void BM_ShadowBlur(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  std::vector<uint8_t> pixels(static_cast<size_t>(side * side * 4), 200);
  std::vector<uint8_t> scratch(pixels.size());
  const fx::gfx::ShadowKernel kernel = fx::gfx::MakeShadowKernel(2.f, 10.f);
  for (auto _ : state) {
    fx::gfx::BlurAlphaPass(pixels.data() + 3, side * 4, side, side, scratch.data() + 3, side * 4, kernel);
    fx::gfx::BlurAlphaPass(scratch.data() + 3, side * 4, side, side, pixels.data() + 3, side * 4, kernel);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_ShadowBlur)->Arg(128)->Arg(512);

}  // namespace
