// The GPU: one Vulkan device with one queue, and the factory of every GPU-layer object. Opening a device
// loads the system's Vulkan loader at run time; where there is none, creation fails cleanly and nothing
// else in the process is affected.
//
// Threads: Create and the destructor on any thread (an editor's, or the thread that lets an idle device go); the
// factory functions on any thread. The destructor blocks until every committed command buffer has completed and its
// handlers have run.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gpu/GpuCommandBuffer.h"
#include "platform/gpu/GpuPipeline.h"
#include "platform/gpu/GpuResources.h"
#include "platform/gpu/GpuShaderLibrary.h"

namespace platform::gpu {

class GpuCore;

struct GpuDeviceOptions {
  // The Khronos validation layer, its synchronisation checks included, with a message counter; creation fails
  // when the layer is missing.
  bool validation = false;
  // "cpu", "gpu" or part of a device name; empty: the KD_GPU_DEVICE environment variable, and without it
  // the best device (a real GPU before the CPU device).
  std::string deviceChoice;
  // Enables presenting drawable layers in windows (the surface and swapchain extensions) where the
  // loader and device offer it; CanPresent tells. Off, the device never touches the window system.
  bool presentation = false;
};

// What a device holds for its users, counted: a user that comes and goes (an editor) leaves it as it found it.
struct GpuDeviceHoldings {
  int frameSlots = 0;       // command pools with their command buffer and fence, free or recording
  int descriptorPools = 0;  // of the frame slots
  int descriptorSets = 0;   // allocated and not yet handed back by a reset of their pool
  int buffers = 0;
  int textures = 0;
  int samplers = 0;
  int pipelines = 0;
  bool operator==(const GpuDeviceHoldings&) const = default;
};

class GpuDevice {
 public:
  // Null with a reason when there is no loader, no Vulkan 1.3 device or any step fails.
  static std::shared_ptr<GpuDevice> Create(const GpuDeviceOptions& options, std::string& reason);
  ~GpuDevice();
  GpuDevice(const GpuDevice&) = delete;
  GpuDevice& operator=(const GpuDevice&) = delete;

  std::shared_ptr<GpuCommandQueue> NewCommandQueue();
  std::shared_ptr<GpuBuffer> NewBuffer(size_t length, std::string& reason);
  std::shared_ptr<GpuTexture> NewTexture(const GpuTextureDescriptor& descriptor, std::string& reason);
  std::shared_ptr<GpuSampler> NewSampler(const GpuSamplerDescriptor& descriptor, std::string& reason);
  std::shared_ptr<GpuRenderPipelineState> NewRenderPipelineState(const GpuRenderPipelineDescriptor& descriptor,
                                                                 std::string& reason);
  // The device's one pipeline state for the descriptor, made at the first call: later calls with a descriptor that
  // makes the same pipeline (MakeSamePipeline) answer it. The device keeps the kMaxSharedPipelines used last, so
  // users that come and go (editors) compile nothing again, while users asking for ever new ones (every blend a
  // caller can name) do not make it hold a pipeline, about a megabyte of compiled code on the CPU device, for each.
  static constexpr size_t kMaxSharedPipelines = 64;
  std::shared_ptr<GpuRenderPipelineState> SharedRenderPipelineState(const GpuRenderPipelineDescriptor& descriptor,
                                                                    std::string& reason);
  std::shared_ptr<GpuDepthStencilState> NewDepthStencilState(const GpuDepthStencilDescriptor& descriptor);
  // A library from blob bytes (copied); NewDefaultLibrary: the one compiled into the module, made at the first
  // call and the same for every later one.
  std::shared_ptr<GpuLibrary> NewLibrary(const void* data, size_t size, std::string& reason);
  std::shared_ptr<GpuLibrary> NewDefaultLibrary(std::string& reason);

  // Any thread; blocks until every command buffer committed so far has completed.
  void WaitForFramesInFlight();
  // Any thread. Destroys the command pools, command buffers and descriptor pools kept for recording frames that
  // no command buffer uses now: what a user that goes (an editor) leaves of its frames; later frames make them anew.
  void ReleaseIdleFrameSlots();

  const std::string& Name() const { return mName; }
  bool IsCpuDevice() const;
  // The largest viewport a render pass takes, in pixels (16,384 a side on Mesa's CPU device).
  void MaxViewportSize(uint32_t& width, uint32_t& height) const;
  // Whether drawable layers of this device can be given a window (GpuDrawableLayer::SetSurfaceTarget).
  bool CanPresent() const;
  // Messages the validation layer has reported since creation (0 without validation).
  int ValidationMessageCount() const;
  // Any thread; never blocks.
  GpuDeviceHoldings Holdings() const;
  // Keeps the library of the device's driver loaded while the answer lives, also after every device and the
  // Vulkan instance are gone, so that a device opened later does not load the driver anew (Mesa's CPU device leaves
  // some MB mapped at every unloading). Null when the library cannot be told.
  std::shared_ptr<void> KeepDriverLoaded() const;

  std::shared_ptr<GpuCore> Core() const { return mCore; }

 private:
  explicit GpuDevice(std::shared_ptr<GpuCore> core);
  bool MakePlaceholders(std::string& reason);

  std::shared_ptr<GpuCore> mCore;
  std::string mName;
  // Bound where a draw names no texture, sampler or uniforms.
  std::shared_ptr<GpuTexture> mPlaceholderTexture;
  std::shared_ptr<GpuSampler> mPlaceholderSampler;
  std::shared_ptr<GpuBuffer> mPlaceholderBuffer;

  struct SharedPipeline {
    // Holds the functions, so that their modules stay, and no other code gets their handles.
    GpuRenderPipelineDescriptor descriptor;
    std::shared_ptr<GpuRenderPipelineState> pipeline;
  };
  std::mutex mSharedMutex;
  std::shared_ptr<GpuLibrary> mDefaultLibrary;   // guarded by mSharedMutex
  std::vector<SharedPipeline> mSharedPipelines;  // guarded by mSharedMutex
};

}  // namespace platform::gpu
