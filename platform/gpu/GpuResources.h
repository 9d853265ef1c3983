// GPU memory objects: buffers whose contents the CPU writes in place, 2-D textures with mip levels, and
// samplers. Made by GpuDevice from a description; a failed creation gives null and a reason, never a
// half-made object. Each object keeps its device alive, and every command buffer that uses one keeps it
// alive until that command buffer has completed, so dropping the last reference is always safe.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/gpu/GpuTypes.h"
#include "platform/gpu/VulkanApi.h"

namespace platform::gpu {

class GpuCore;

// Memory shared by CPU and GPU, coherent, mapped for its whole life (the write-combined shared buffers of
// the back end).
class GpuBuffer {
 public:
  // Creation goes through GpuDevice::NewBuffer.
  static std::shared_ptr<GpuBuffer> Create(std::shared_ptr<GpuCore> core, size_t length, std::string& reason);
  ~GpuBuffer();
  GpuBuffer(const GpuBuffer&) = delete;
  GpuBuffer& operator=(const GpuBuffer&) = delete;

  // Any thread. The CPU-visible bytes; writes become visible to command buffers committed afterwards.
  // The caller must not change bytes that an uncompleted command buffer reads.
  void* Contents() const { return mMapped; }
  size_t Length() const { return mLength; }
  VkBuffer Handle() const { return mBuffer; }

 private:
  GpuBuffer(std::shared_ptr<GpuCore> core, size_t length) : mCore(std::move(core)), mLength(length) {}

  std::shared_ptr<GpuCore> mCore;
  size_t mLength;
  VkBuffer mBuffer = VK_NULL_HANDLE;
  VkDeviceMemory mMemory = VK_NULL_HANDLE;
  void* mMapped = nullptr;
};

enum GpuTextureUsage : unsigned {
  kTextureUsageShaderRead = 1,
  kTextureUsageShaderWrite = 2,
  kTextureUsageRenderTarget = 4,
};

struct GpuTextureDescriptor {
  GpuPixelFormat format = GpuPixelFormat::RGBA8Unorm;
  int width = 0;
  int height = 0;
  bool mipmapped = false;  // a full chain down to 1 x 1
  unsigned usage = kTextureUsageShaderRead;
};

// A 2-D texture. Colour textures can be filled and read by the CPU (ReplaceRegion, GetBytes); those calls
// go through the device's queue behind every command buffer committed before them, like the private-storage copies of
// the original back end: a read waits for the GPU, a fill is seen by every command buffer committed after it and waits
// for nothing. Making a texture never waits for the GPU either: a colour texture is cleared to transparent black by
// the next submission, ahead of its commands.
class GpuTexture : public std::enable_shared_from_this<GpuTexture> {
 public:
  // Creation goes through GpuDevice::NewTexture.
  static std::shared_ptr<GpuTexture> Create(std::shared_ptr<GpuCore> core, const GpuTextureDescriptor& descriptor,
                                            std::string& reason);
  ~GpuTexture();
  GpuTexture(const GpuTexture&) = delete;
  GpuTexture& operator=(const GpuTexture&) = delete;

  // Main thread; never waits for the GPU (the bytes are copied before it returns). Writes region of mip level `level`
  // from bytes whose rows are bytesPerRow apart. False (nothing written) for a region outside the level, a stencil
  // texture, too small a row stride or a Vulkan failure.
  bool ReplaceRegion(const GpuRegion& region, int level, const void* bytes, size_t bytesPerRow);
  // Main thread; blocks until every command buffer committed before has finished and the copy is done.
  // Reads region of level `level` into bytes with rows bytesPerRow apart; false as for ReplaceRegion.
  bool GetBytes(void* bytes, size_t bytesPerRow, const GpuRegion& region, int level) const;
  // The same through a staging buffer the caller keeps between reads (made or replaced when null or too
  // small): a reader of whole frames then allocates and clears nothing per frame.
  bool GetBytes(void* bytes, size_t bytesPerRow, const GpuRegion& region, int level,
                std::shared_ptr<GpuBuffer>& staging) const;

  GpuPixelFormat Format() const { return mDescriptor.format; }
  int Width() const { return mDescriptor.width; }
  int Height() const { return mDescriptor.height; }
  int MipLevelCount() const { return mLevels; }
  unsigned Usage() const { return mDescriptor.usage; }

  VkImage Image() const { return mImage; }
  VkImageView View() const { return mView; }
  VkImageAspectFlags Aspects() const;
  // Recording thread. True once, for the first command buffer that asks: a stencil texture is made without waiting
  // for the GPU, and that command buffer moves it into the general layout before its pass.
  bool TakeInitialLayout() { return mLayoutPending.exchange(false, std::memory_order_acq_rel); }
  // Submitting thread, queue mutex held. Moves a new colour texture from its undefined start into the general layout
  // and clears it, after every earlier write and before every later access.
  void RecordInitialClear(VkCommandBuffer commands) const;
  // Records the move from any layout (contents dropped) into the general one, after every earlier write.
  void RecordToGeneralLayout(VkCommandBuffer commands) const;

 private:
  GpuTexture(std::shared_ptr<GpuCore> core, const GpuTextureDescriptor& descriptor)
      : mCore(std::move(core)), mDescriptor(descriptor) {}
  bool Build(std::string& reason);
  bool RegionFits(const GpuRegion& region, int level, size_t bytesPerRow) const;

  std::shared_ptr<GpuCore> mCore;
  GpuTextureDescriptor mDescriptor;
  int mLevels = 1;
  VkImage mImage = VK_NULL_HANDLE;
  VkDeviceMemory mMemory = VK_NULL_HANDLE;
  VkImageView mView = VK_NULL_HANDLE;
  std::atomic<bool> mLayoutPending{false};
};

struct GpuSamplerDescriptor {
  GpuSamplerFilter minFilter = GpuSamplerFilter::Nearest;
  GpuSamplerFilter magFilter = GpuSamplerFilter::Nearest;
  GpuSamplerMipFilter mipFilter = GpuSamplerMipFilter::NotMipmapped;
  GpuSamplerAddressMode addressModeS = GpuSamplerAddressMode::ClampToEdge;
  GpuSamplerAddressMode addressModeT = GpuSamplerAddressMode::ClampToEdge;
};

class GpuSampler {
 public:
  // Creation goes through GpuDevice::NewSampler.
  static std::shared_ptr<GpuSampler> Create(std::shared_ptr<GpuCore> core, const GpuSamplerDescriptor& descriptor,
                                            std::string& reason);
  ~GpuSampler();
  GpuSampler(const GpuSampler&) = delete;
  GpuSampler& operator=(const GpuSampler&) = delete;

  VkSampler Handle() const { return mSampler; }

 private:
  explicit GpuSampler(std::shared_ptr<GpuCore> core) : mCore(std::move(core)) {}

  std::shared_ptr<GpuCore> mCore;
  VkSampler mSampler = VK_NULL_HANDLE;
};

}  // namespace platform::gpu
