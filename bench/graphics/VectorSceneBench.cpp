// Tessellating the editor's scene per frame on one core: about 200 rounded rectangles with strokes, 40 strings and
// one 150-point plot, handed to a back end that does nothing. Reports the heap allocations per frame after the first
// (target 0), counted through the allocation hook of the renderer and its font manager: every heap allocation of both
// goes through it (the glyph rasteriser works in the font manager's fixed scratch buffer), and neither uses new.
#include <benchmark/benchmark.h>

#include <atomic>

#include "bench/graphics/VectorScene.h"
#include "graphics/vector/VRContext.h"
#include "graphics/vector/VRMemory.h"
#include "graphics/vector/VRText.h"

namespace {

std::atomic<long> gAllocations{0};

bool CountAllocation(size_t) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return true;
}

VRparams NullBackend() {
  VRparams p{};
  p.edgeAntiAlias = 1;
  p.renderCreate = [](void*) { return 1; };
  p.renderCreateTexture = [](void*, int, int, int, int, const unsigned char*) { return 1; };
  p.renderDeleteTexture = [](void*, int) { return 1; };
  p.renderUpdateTexture = [](void*, int, int, int, int, int, const unsigned char*) { return 1; };
  p.renderGetTextureSize = [](void*, int, int* w, int* h) {
    *w = *h = 512;
    return 1;
  };
  p.renderViewport = [](void*, float, float, float) {};
  p.renderCancel = [](void*) {};
  p.renderFlush = [](void*) {};
  p.renderFill = [](void*, VRpaint* paint, VRcompositeOperationState, VRscissor*, float, const float*,
                    const VRpath* paths, int npaths) {
    benchmark::DoNotOptimize(paint);
    benchmark::DoNotOptimize(paths[npaths - 1].nfill);
  };
  p.renderStroke = [](void*, VRpaint* paint, VRcompositeOperationState, VRscissor*, float, float, const VRpath* paths,
                      int npaths) {
    benchmark::DoNotOptimize(paint);
    benchmark::DoNotOptimize(paths[npaths - 1].nstroke);
  };
  p.renderTriangles = [](void*, VRpaint* paint, VRcompositeOperationState, VRscissor*, const VRvertex* verts,
                         int nverts, float) {
    benchmark::DoNotOptimize(paint);
    benchmark::DoNotOptimize(verts + nverts);
  };
  return p;
}

void BM_VectorSceneFrame(benchmark::State& state) {
  VRparams params = NullBackend();
  VRcontext* ctx = vrCreateContext(&params);
  if (ctx == nullptr) {
    state.SkipWithError("no renderer context");
    return;
  }
  int font = vrCreateFont(ctx, "sans", kSceneFont);
  // The first frame grows the buffers and fills the glyph cache.
  DrawScene(ctx, font);
  vrSetAllocHook(CountAllocation);
  gAllocations.store(0);
  long frames = 0;
  for (auto _ : state) {
    DrawScene(ctx, font);
    ++frames;
  }
  vrSetAllocHook(nullptr);
  state.counters["allocs_per_frame"] = frames > 0 ? static_cast<double>(gAllocations.load()) / frames : 0.0;
  state.counters["has_text"] = font >= 0 ? 1 : 0;
  vrDeleteContext(ctx);
}
BENCHMARK(BM_VectorSceneFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
