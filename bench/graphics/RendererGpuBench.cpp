// The editor's scene through the renderer and its GPU back end into a 1280 x 960 framebuffer on the CPU device
// (target: under 8 ms a frame). BM_RendererFrameSplit runs one frame at a time and reports where the time goes:
// tessellation (the drawing calls, which also copy the geometry into the frame's buffers), command recording (the
// flush: encoding the render pass and committing it) and GPU time (waiting for the frame to complete).
// BM_RendererFramePipelined lets up to three frames overlap, as the editor does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/graphics/VectorScene.h"
#include "graphics/vector/GVRBackend.h"
#include "graphics/vector/VRText.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// One CPU device for the program, its driver alone loaded and its shader cache in a folder of this process.
std::shared_ptr<platform::gpu::GpuDevice> CpuDevice() {
  static std::shared_ptr<platform::gpu::GpuDevice> device = [] {
    setenv("VK_DRIVER_FILES", "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json", 0);
    const std::filesystem::path cache =
        std::filesystem::temp_directory_path() / ("kd_bench_cache_" + std::to_string(getpid()));
    std::filesystem::create_directories(cache);
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    platform::gpu::GpuDeviceOptions options;
    options.deviceChoice = "cpu";
    std::string reason;
    return platform::gpu::GpuDevice::Create(options, reason);
  }();
  return device;
}

// A renderer context drawing into a bound framebuffer of the scene's pixel size.
struct Target {
  VulkanLayer layer;
  VRcontext* ctx = nullptr;
  GVRframebuffer* fb = nullptr;
  int font = -1;

  Target() {
    layer.device = CpuDevice();
    if (!layer.device) return;
    ctx = gvrCreateContext(&layer, GVR_ANTIALIAS | GVR_TRIPLE_BUFFER);
    if (ctx == nullptr) return;
    fb = gvrCreateFramebuffer(ctx, static_cast<int>(kSceneWidth * kSceneRatio),
                              static_cast<int>(kSceneHeight * kSceneRatio), 0);
    gvrBindFramebuffer(fb);
    font = vrCreateFont(ctx, "sans", kSceneFont);
  }
  ~Target() {
    gvrBindFramebuffer(nullptr);
    gvrDeleteFramebuffer(fb);
    gvrDeleteContext(ctx);
  }
  void WaitForGpu() const { gvrImageHandle(ctx, fb->image); }
};

void BM_RendererFrameSplit(benchmark::State& state) {
  Target target;
  if (target.fb == nullptr || target.fb->image == 0) {
    state.SkipWithError("no CPU device or renderer context");
    return;
  }
  // The first frame builds the pipelines and fills the glyph cache.
  DrawScene(target.ctx, target.font);
  target.WaitForGpu();
  double tessellation = 0, recording = 0, gpu = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    vrBeginFrame(target.ctx, kSceneWidth, kSceneHeight, kSceneRatio);
    DrawSceneContent(target.ctx, target.font);
    const Clock::time_point drawn = Clock::now();
    vrEndFrame(target.ctx);
    const Clock::time_point committed = Clock::now();
    target.WaitForGpu();
    const Clock::time_point completed = Clock::now();
    tessellation += Milliseconds(start, drawn);
    recording += Milliseconds(drawn, committed);
    gpu += Milliseconds(committed, completed);
    state.SetIterationTime(Milliseconds(start, completed) / 1000.0);
  }
  const double frames = static_cast<double>(state.iterations());
  state.counters["tessellation_ms"] = tessellation / frames;
  state.counters["recording_ms"] = recording / frames;
  state.counters["gpu_ms"] = gpu / frames;
  state.counters["frame_ms"] = (tessellation + recording + gpu) / frames;
}
BENCHMARK(BM_RendererFrameSplit)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RendererFramePipelined(benchmark::State& state) {
  Target target;
  if (target.fb == nullptr || target.fb->image == 0) {
    state.SkipWithError("no CPU device or renderer context");
    return;
  }
  DrawScene(target.ctx, target.font);
  target.WaitForGpu();
  const Clock::time_point start = Clock::now();
  for (auto _ : state) DrawScene(target.ctx, target.font);
  target.WaitForGpu();
  state.counters["frame_ms"] = Milliseconds(start, Clock::now()) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RendererFramePipelined)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
