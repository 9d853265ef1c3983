#include "platform/gpu/GpuDevice.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>

#include "platform/gpu/GpuCore.h"
#include "platform/gpu/ShaderLibraryData.h"

namespace platform::gpu {

std::shared_ptr<GpuDevice> GpuDevice::Create(const GpuDeviceOptions& options, std::string& reason) {
  std::string choice = options.deviceChoice;
  if (choice.empty()) {
    const char* fromEnvironment = std::getenv("KD_GPU_DEVICE");
    if (fromEnvironment) choice = fromEnvironment;
  }
  auto core = std::make_shared<GpuCore>();
  if (!core->Create(options.validation, options.presentation, choice, reason)) return nullptr;
  core->StartCompletionThread();
  std::shared_ptr<GpuDevice> device(new GpuDevice(std::move(core)));
  if (!device->MakePlaceholders(reason)) return nullptr;
  return device;
}

GpuDevice::GpuDevice(std::shared_ptr<GpuCore> core) : mCore(std::move(core)), mName(mCore->properties.deviceName) {}

GpuDevice::~GpuDevice() {
  // Frames in flight finish and run their handlers first; objects the caller still holds keep the
  // Vulkan device itself alive until they are dropped.
  mCore->StopCompletionThread();
  mCore->placeholderView = VK_NULL_HANDLE;
  mCore->placeholderSampler = VK_NULL_HANDLE;
  mCore->placeholderBuffer = VK_NULL_HANDLE;
}

bool GpuDevice::MakePlaceholders(std::string& reason) {
  GpuTextureDescriptor texture;
  texture.format = GpuPixelFormat::RGBA8Unorm;
  texture.width = 1;
  texture.height = 1;
  mPlaceholderTexture = NewTexture(texture, reason);
  mPlaceholderSampler = NewSampler(GpuSamplerDescriptor{}, reason);
  mPlaceholderBuffer = NewBuffer(256, reason);
  if (!mPlaceholderTexture || !mPlaceholderSampler || !mPlaceholderBuffer) return false;
  mCore->placeholderView = mPlaceholderTexture->View();
  mCore->placeholderSampler = mPlaceholderSampler->Handle();
  mCore->placeholderBuffer = mPlaceholderBuffer->Handle();
  return true;
}

std::shared_ptr<GpuCommandQueue> GpuDevice::NewCommandQueue() {
  return std::make_shared<GpuCommandQueue>(mCore);
}

std::shared_ptr<GpuBuffer> GpuDevice::NewBuffer(size_t length, std::string& reason) {
  return GpuBuffer::Create(mCore, length, reason);
}

std::shared_ptr<GpuTexture> GpuDevice::NewTexture(const GpuTextureDescriptor& descriptor, std::string& reason) {
  return GpuTexture::Create(mCore, descriptor, reason);
}

std::shared_ptr<GpuSampler> GpuDevice::NewSampler(const GpuSamplerDescriptor& descriptor, std::string& reason) {
  return GpuSampler::Create(mCore, descriptor, reason);
}

std::shared_ptr<GpuRenderPipelineState> GpuDevice::NewRenderPipelineState(const GpuRenderPipelineDescriptor& descriptor,
                                                                          std::string& reason) {
  return GpuRenderPipelineState::Create(mCore, descriptor, reason);
}

std::shared_ptr<GpuRenderPipelineState> GpuDevice::SharedRenderPipelineState(
    const GpuRenderPipelineDescriptor& descriptor, std::string& reason) {
  // A pipeline found moves to the back: the front is the one used longest ago.
  const auto find = [&]() -> std::shared_ptr<GpuRenderPipelineState> {
    for (auto it = mSharedPipelines.begin(); it != mSharedPipelines.end(); ++it) {
      if (!MakeSamePipeline(it->descriptor, descriptor)) continue;
      std::rotate(it, it + 1, mSharedPipelines.end());
      return mSharedPipelines.back().pipeline;
    }
    return nullptr;
  };
  {
    std::lock_guard<std::mutex> lock(mSharedMutex);
    if (std::shared_ptr<GpuRenderPipelineState> pipeline = find()) return pipeline;
  }
  // Compiled outside the lock: a user on another thread waits for no compile of this one's.
  std::shared_ptr<GpuRenderPipelineState> made = NewRenderPipelineState(descriptor, reason);
  if (!made) return nullptr;
  std::lock_guard<std::mutex> lock(mSharedMutex);
  // Another thread may have made the same one meanwhile: everyone uses the first.
  if (std::shared_ptr<GpuRenderPipelineState> pipeline = find()) return pipeline;
  if (mSharedPipelines.size() >= kMaxSharedPipelines) mSharedPipelines.erase(mSharedPipelines.begin());
  mSharedPipelines.push_back({descriptor, made});
  return made;
}

std::shared_ptr<GpuDepthStencilState> GpuDevice::NewDepthStencilState(const GpuDepthStencilDescriptor& descriptor) {
  return std::make_shared<GpuDepthStencilState>(descriptor);
}

std::shared_ptr<GpuLibrary> GpuDevice::NewLibrary(const void* data, size_t size, std::string& reason) {
  return GpuLibrary::Create(mCore, data, size, reason);
}

std::shared_ptr<GpuLibrary> GpuDevice::NewDefaultLibrary(std::string& reason) {
  std::lock_guard<std::mutex> lock(mSharedMutex);
  if (!mDefaultLibrary) mDefaultLibrary = NewLibrary(kShaderLibraryData, kShaderLibraryDataSize, reason);
  return mDefaultLibrary;
}

void GpuDevice::WaitForFramesInFlight() {
  mCore->WaitForTracked();
}

void GpuDevice::ReleaseIdleFrameSlots() {
  mCore->DestroyFreeSlots();
}

bool GpuDevice::IsCpuDevice() const {
  return mCore->properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU;
}

void GpuDevice::MaxViewportSize(uint32_t& width, uint32_t& height) const {
  width = mCore->properties.limits.maxViewportDimensions[0];
  height = mCore->properties.limits.maxViewportDimensions[1];
}

bool GpuDevice::CanPresent() const {
  return mCore->canPresent;
}

int GpuDevice::ValidationMessageCount() const {
  return mCore->ValidationMessages();
}

GpuDeviceHoldings GpuDevice::Holdings() const {
  const GpuCore& core = *mCore;
  GpuDeviceHoldings held;
  held.frameSlots = core.Held(GpuHeld::kFrameSlots);
  held.descriptorPools = core.Held(GpuHeld::kDescriptorPools);
  held.descriptorSets = core.Held(GpuHeld::kDescriptorSets);
  held.buffers = core.Held(GpuHeld::kBuffers);
  held.textures = core.Held(GpuHeld::kTextures);
  held.samplers = core.Held(GpuHeld::kSamplers);
  held.pipelines = core.Held(GpuHeld::kPipelines);
  return held;
}

std::shared_ptr<void> GpuDevice::KeepDriverLoaded() const {
  // A device function comes straight from the driver where no layer stands between (the loader's own entry
  // points are only the instance's): the library it lies in is the driver's.
  void* function = reinterpret_cast<void*>(mCore->fn.vkGetDeviceProcAddr(mCore->device, "vkCreateBuffer"));
  Dl_info where{};
  if (!function || !dladdr(function, &where) || !where.dli_fname) return nullptr;
  // Taken only while it is loaded, by the name it was loaded under: nothing new is loaded here.
  void* library = dlopen(where.dli_fname, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (!library) return nullptr;
  return std::shared_ptr<void>(library, [](void* handle) { dlclose(handle); });
}

}  // namespace platform::gpu
