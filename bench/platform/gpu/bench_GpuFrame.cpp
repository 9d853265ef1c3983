// One editor-sized frame on the CPU device, as the renderer's back end submits it: 1280 x 960 pixels,
// 200 anti-aliased rounded rectangles (convex fill, fringe strip, stroke strip) and 2,000 glyph-sized
// quads from an alpha atlas (text runs of 20 glyphs), three frames in flight under a semaphore, each
// frame presented into a drawable layer. Target: under 8 ms a frame.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gpu/GpuDevice.h"
#include "platform/gpu/GpuDrawableLayer.h"
#include "platform/gpu/ShaderInterface.h"
#include "platform/runloop/Semaphore.h"

namespace {

using namespace platform::gpu;

constexpr int kWidth = 1280, kHeight = 960;
constexpr int kRects = 200, kGlyphs = 2000, kGlyphsPerRun = 20;
// The renderer flattens a corner of radius 8 at tessellation tolerance 0.25 into two to four segments;
// four here, the heavier case.
constexpr int kSegmentsPerCorner = 4;
constexpr size_t kSlot = 256;

struct Draw {
  enum Kind { ConvexFill, Strip, Glyphs } kind;
  uint32_t first, count;  // vertices (strips, glyphs) or indices (fills)
  uint32_t fringeFirst, fringeCount;
  uint32_t uniformSlot;
};

ShaderFragmentUniforms Paint(float r, float g, float b, float a, int type, float strokeWidth) {
  ShaderFragmentUniforms u{};
  const float identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  std::memcpy(u.paintMat, identity, sizeof identity);
  const float color[4] = {r * a, g * a, b * a, a};
  std::memcpy(u.innerCol, color, sizeof color);
  std::memcpy(u.outerCol, color, sizeof color);
  u.scissorExt[0] = u.scissorExt[1] = u.scissorScale[0] = u.scissorScale[1] = 1;
  u.extent[0] = u.extent[1] = 1e4f;
  u.feather = 1;
  u.strokeMult = (strokeWidth * 0.5f + 0.5f) / 1.0f;
  u.strokeThr = -1;
  u.type = type;
  u.texType = 2;
  return u;
}

// The frame's geometry, built once: what the renderer would hand over each frame.
struct Scene {
  std::vector<ShaderVertex> vertices;
  std::vector<uint32_t> indices;
  std::vector<ShaderFragmentUniforms> uniforms;
  std::vector<Draw> draws;

  Scene() {
    for (int i = 0; i < kRects; ++i) {
      const float x = 20.0f + (i % 20) * 62.0f, y = 20.0f + (i / 20) * 92.0f, w = 52, h = 80, radius = 8;
      std::vector<std::pair<float, float>> outline;
      const float cx[4] = {x + w - radius, x + w - radius, x + radius, x + radius};
      const float cy[4] = {y + h - radius, y + radius, y + radius, y + h - radius};
      for (int corner = 0; corner < 4; ++corner)
        for (int s = 0; s <= kSegmentsPerCorner; ++s) {
          const double a = (corner * 90.0 + 90.0 * s / kSegmentsPerCorner) * M_PI / 180.0;
          outline.push_back({cx[corner] + radius * static_cast<float>(std::cos(a)),
                             cy[corner] - radius * static_cast<float>(std::sin(a))});
        }
      // Fill: a fan over the outline, then the one-pixel fringe strip around it.
      const uint32_t base = static_cast<uint32_t>(vertices.size());
      for (auto [px, py] : outline) vertices.push_back({px, py, 0.5f, 1.0f});
      const uint32_t firstIndex = static_cast<uint32_t>(indices.size());
      for (uint32_t k = 2; k < outline.size(); ++k) indices.insert(indices.end(), {base, base + k - 1, base + k});
      const uint32_t fringe = static_cast<uint32_t>(vertices.size());
      AddStrip(outline, 1.0f);
      uniforms.push_back(Paint(0.2f + 0.003f * i, 0.4f, 0.7f, 1.0f, 0, 1.0f));
      draws.push_back({Draw::ConvexFill, firstIndex, static_cast<uint32_t>(indices.size()) - firstIndex, fringe,
                       static_cast<uint32_t>(vertices.size()) - fringe, static_cast<uint32_t>(uniforms.size() - 1)});
      // Stroke: a strip two pixels wide along the outline.
      const uint32_t stroke = static_cast<uint32_t>(vertices.size());
      AddStrip(outline, 2.0f);
      uniforms.push_back(Paint(0.1f, 0.1f, 0.1f, 1.0f, 0, 2.0f));
      draws.push_back({Draw::Strip, stroke, static_cast<uint32_t>(vertices.size()) - stroke, 0, 0,
                       static_cast<uint32_t>(uniforms.size() - 1)});
    }
    for (int run = 0; run < kGlyphs / kGlyphsPerRun; ++run) {
      const uint32_t first = static_cast<uint32_t>(vertices.size());
      for (int g = 0; g < kGlyphsPerRun; ++g) {
        const float x = 10.0f + g * 9.0f + (run % 6) * 210.0f, y = 10.0f + (run / 6) * 56.0f;
        const float u0 = (g % 16) / 16.0f, v0 = (run % 16) / 16.0f, u1 = u0 + 1 / 16.0f, v1 = v0 + 1 / 16.0f;
        vertices.insert(vertices.end(), {{x, y, u0, v0},
                                         {x + 8, y, u1, v0},
                                         {x, y + 12, u0, v1},
                                         {x + 8, y, u1, v0},
                                         {x + 8, y + 12, u1, v1},
                                         {x, y + 12, u0, v1}});
      }
      uniforms.push_back(Paint(1, 1, 1, 1, 2, 1.0f));
      draws.push_back({Draw::Glyphs, first, static_cast<uint32_t>(vertices.size()) - first, 0, 0,
                       static_cast<uint32_t>(uniforms.size() - 1)});
    }
  }

  // A closed triangle strip of the given width centred on the outline (u 0 outside, 1 inside).
  void AddStrip(const std::vector<std::pair<float, float>>& outline, float width) {
    const size_t n = outline.size();
    for (size_t k = 0; k <= n; ++k) {
      const auto [px, py] = outline[k % n];
      const auto [qx, qy] = outline[(k + 1) % n];
      const float dx = qx - px, dy = qy - py, length = std::max(1e-3f, std::hypot(dx, dy));
      const float nx = dy / length * width * 0.5f, ny = -dx / length * width * 0.5f;
      vertices.push_back({px + nx, py + ny, 0.0f, 1.0f});
      vertices.push_back({px - nx, py - ny, 1.0f, 1.0f});
    }
  }
};

struct BufferSet {
  std::shared_ptr<GpuBuffer> vertices, indices, uniforms, viewSize;
  std::shared_ptr<GpuTexture> stencil;
};

void BM_EditorFrame(benchmark::State& state) {
  setenv("VK_DRIVER_FILES", "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json", 0);
  GpuDeviceOptions options;
  options.deviceChoice = "cpu";
  std::string reason;
  std::shared_ptr<GpuDevice> device = GpuDevice::Create(options, reason);
  if (!device) {
    state.SkipWithError(reason.c_str());
    return;
  }
  const Scene scene;
  std::shared_ptr<GpuLibrary> library = device->NewDefaultLibrary(reason);
  GpuRenderPipelineDescriptor pd;
  pd.vertexFunction = library->NewFunction("vertexShader");
  pd.fragmentFunction = library->NewFunction("fragmentShaderAA");
  pd.vertexDescriptor = {{{GpuVertexFormat::Float2, 0}, {GpuVertexFormat::Float2, 8}}, sizeof(ShaderVertex)};
  pd.colorFormat = GpuPixelFormat::BGRA8Unorm;
  pd.stencilFormat = GpuPixelFormat::Stencil8;
  pd.blendingEnabled = true;
  pd.sourceRGB = pd.sourceAlpha = GpuBlendFactor::One;
  pd.destinationRGB = pd.destinationAlpha = GpuBlendFactor::OneMinusSourceAlpha;
  std::shared_ptr<GpuRenderPipelineState> pipeline = device->NewRenderPipelineState(pd, reason);
  GpuTextureDescriptor atlasDescriptor{GpuPixelFormat::R8Unorm, 512, 512, false, kTextureUsageShaderRead};
  std::shared_ptr<GpuTexture> atlas = device->NewTexture(atlasDescriptor, reason);
  std::vector<uint8_t> coverage(512 * 512);
  for (size_t i = 0; i < coverage.size(); ++i) coverage[i] = static_cast<uint8_t>((i * 7) ^ (i >> 9));
  atlas->ReplaceRegion({0, 0, 512, 512}, 0, coverage.data(), 512);
  GpuSamplerDescriptor samplerDescriptor;
  samplerDescriptor.minFilter = samplerDescriptor.magFilter = GpuSamplerFilter::Linear;
  std::shared_ptr<GpuSampler> sampler = device->NewSampler(samplerDescriptor, reason);
  // Paints without an image get the default sampler, as the back end binds its pseudo sampler.
  std::shared_ptr<GpuSampler> plainSampler = device->NewSampler(GpuSamplerDescriptor{}, reason);
  if (!pipeline || !atlas || !sampler || !plainSampler) {
    state.SkipWithError(reason.c_str());
    return;
  }

  BufferSet sets[3];
  for (BufferSet& set : sets) {
    set.vertices = device->NewBuffer(scene.vertices.size() * sizeof(ShaderVertex), reason);
    set.indices = device->NewBuffer(scene.indices.size() * 4, reason);
    set.uniforms = device->NewBuffer(scene.uniforms.size() * kSlot, reason);
    set.viewSize = device->NewBuffer(16, reason);
    GpuTextureDescriptor stencil{GpuPixelFormat::Stencil8, kWidth, kHeight, false, kTextureUsageRenderTarget};
    set.stencil = device->NewTexture(stencil, reason);
  }
  std::shared_ptr<GpuCommandQueue> queue = device->NewCommandQueue();
  GpuDrawableLayer layer(*device);
  layer.SetBounds(kWidth, kHeight);
  platform::Semaphore freeSets(3);
  int next = 0;

  for (auto _ : state) {
    freeSets.Wait();
    BufferSet& set = sets[next];
    next = (next + 1) % 3;
    std::memcpy(set.vertices->Contents(), scene.vertices.data(), scene.vertices.size() * sizeof(ShaderVertex));
    std::memcpy(set.indices->Contents(), scene.indices.data(), scene.indices.size() * 4);
    for (size_t i = 0; i < scene.uniforms.size(); ++i)
      std::memcpy(static_cast<char*>(set.uniforms->Contents()) + i * kSlot, &scene.uniforms[i],
                  sizeof(ShaderFragmentUniforms));
    const ShaderViewSize size{kWidth, kHeight};
    std::memcpy(set.viewSize->Contents(), &size, sizeof size);

    std::shared_ptr<GpuDrawable> drawable = layer.NextDrawable(reason);
    std::shared_ptr<GpuCommandBuffer> commands = queue->CommandBuffer();
    commands->AddCompletedHandler([&freeSets](GpuCommandBuffer&) { freeSets.Signal(); });
    GpuRenderPassDescriptor pass;
    pass.color.texture = drawable->Texture();
    pass.color.loadAction = GpuLoadAction::Clear;
    pass.color.clearColor = {0.9, 0.9, 0.9, 1.0};
    pass.stencil.texture = set.stencil;
    std::unique_ptr<GpuRenderEncoder> encoder = commands->RenderCommandEncoder(pass);
    encoder->SetCullMode(GpuCullMode::Back);
    encoder->SetFrontFacingWinding(GpuWinding::CounterClockwise);
    encoder->SetRenderPipelineState(pipeline);
    encoder->SetVertexBuffer(set.vertices, 0, 0);
    encoder->SetVertexBuffer(set.viewSize, 0, 1);
    encoder->SetFragmentBuffer(set.uniforms, 0, 0);
    for (const Draw& draw : scene.draws) {
      encoder->SetFragmentBufferOffset(draw.uniformSlot * kSlot, 0);
      switch (draw.kind) {
        case Draw::ConvexFill:
          encoder->SetFragmentTexture(nullptr, 0);
          encoder->SetFragmentSamplerState(plainSampler, 0);
          encoder->DrawIndexedPrimitives(GpuPrimitiveType::Triangle, draw.count, set.indices, draw.first * 4);
          encoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, draw.fringeFirst, draw.fringeCount);
          break;
        case Draw::Strip:
          encoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, draw.first, draw.count);
          break;
        case Draw::Glyphs:
          encoder->SetFragmentTexture(atlas, 0);
          encoder->SetFragmentSamplerState(sampler, 0);
          encoder->DrawPrimitives(GpuPrimitiveType::Triangle, draw.first, draw.count);
          break;
      }
    }
    encoder->EndEncoding();
    commands->PresentDrawable(drawable);
    commands->Commit();
  }
  device->WaitForFramesInFlight();
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["ms_per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) / 1000.0,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EditorFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// What a blend change costs a back end that keeps the pipelines of the last blend only: each iteration is one
// change between source-over and the add blend, the shading pipeline and the stencil-only pipeline built anew (the
// back end keeps every blend's pipelines instead, so a frame pays this once per blend met).
void BM_PipelineRebuildPerBlendChange(benchmark::State& state) {
  setenv("VK_DRIVER_FILES", "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json", 0);
  GpuDeviceOptions options;
  options.deviceChoice = "cpu";
  std::string reason;
  std::shared_ptr<GpuDevice> device = GpuDevice::Create(options, reason);
  std::shared_ptr<GpuLibrary> library = device ? device->NewDefaultLibrary(reason) : nullptr;
  if (!library) {
    state.SkipWithError(reason.c_str());
    return;
  }
  GpuRenderPipelineDescriptor shading;
  shading.vertexFunction = library->NewFunction("vertexShader");
  shading.fragmentFunction = library->NewFunction("fragmentShaderAA");
  shading.vertexDescriptor = {{{GpuVertexFormat::Float2, 0}, {GpuVertexFormat::Float2, 8}}, sizeof(ShaderVertex)};
  shading.colorFormat = GpuPixelFormat::RGBA8Unorm;
  shading.stencilFormat = GpuPixelFormat::Stencil8;
  shading.blendingEnabled = true;
  GpuRenderPipelineDescriptor stencilOnly = shading;
  stencilOnly.fragmentFunction = nullptr;
  stencilOnly.colorWrites = false;
  bool add = false;
  for (auto _ : state) {
    add = !add;
    shading.sourceRGB = shading.sourceAlpha = add ? GpuBlendFactor::SourceAlpha : GpuBlendFactor::One;
    shading.destinationRGB = shading.destinationAlpha =
        add ? GpuBlendFactor::DestinationAlpha : GpuBlendFactor::OneMinusSourceAlpha;
    stencilOnly.sourceRGB = stencilOnly.sourceAlpha = shading.sourceRGB;
    stencilOnly.destinationRGB = stencilOnly.destinationAlpha = shading.destinationRGB;
    std::shared_ptr<GpuRenderPipelineState> a = device->NewRenderPipelineState(shading, reason);
    std::shared_ptr<GpuRenderPipelineState> b = device->NewRenderPipelineState(stencilOnly, reason);
    if (!a || !b) {
      state.SkipWithError(reason.c_str());
      return;
    }
    benchmark::DoNotOptimize(a);
  }
  state.counters["ms_per_change"] = benchmark::Counter(static_cast<double>(state.iterations()) / 1000.0,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PipelineRebuildPerBlendChange)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
