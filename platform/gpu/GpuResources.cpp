#include "platform/gpu/GpuResources.h"

// Vulkan records are started as `VkThing info{VK_STRUCTURE_TYPE_THING}`, the rest zero by the language.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <algorithm>
#include <cstring>

#include "platform/gpu/GpuCommandBuffer.h"
#include "platform/gpu/GpuCore.h"

namespace platform::gpu {

int BytesPerPixel(GpuPixelFormat format) {
  switch (format) {
    case GpuPixelFormat::R8Unorm:
      return 1;
    case GpuPixelFormat::RGBA8Unorm:
    case GpuPixelFormat::BGRA8Unorm:
      return 4;
    case GpuPixelFormat::Stencil8:
    case GpuPixelFormat::Invalid:
      break;
  }
  return 0;
}

namespace {

// Memory for a buffer or image: the preferred properties first, then any type the object allows.
bool AllocateMemory(GpuCore& core, const VkMemoryRequirements& requirements, VkMemoryPropertyFlags preferred,
                    VkMemoryPropertyFlags required, VkDeviceMemory& memory, std::string& reason) {
  uint32_t type = 0;
  if (!core.FindMemoryType(requirements.memoryTypeBits, preferred | required, type) &&
      !core.FindMemoryType(requirements.memoryTypeBits, required, type)) {
    reason = "no suitable GPU memory type";
    return false;
  }
  VkMemoryAllocateInfo info{VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
  info.allocationSize = requirements.size;
  info.memoryTypeIndex = type;
  if (VulkanFailed(core.fn.vkAllocateMemory(core.device, &info, nullptr, &memory), "vkAllocateMemory", reason)) {
    memory = VK_NULL_HANDLE;
    return false;
  }
  return true;
}

void ImageBarrier(const VulkanFunctions& fn, VkCommandBuffer commands, VkImage image, VkImageAspectFlags aspects,
                  VkImageLayout from) {
  VkImageMemoryBarrier barrier{VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
  barrier.srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT;
  barrier.dstAccessMask = VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT;
  barrier.oldLayout = from;
  barrier.newLayout = VK_IMAGE_LAYOUT_GENERAL;
  barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = image;
  barrier.subresourceRange = {aspects, 0, VK_REMAINING_MIP_LEVELS, 0, 1};
  fn.vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0, 0,
                          nullptr, 0, nullptr, 1, &barrier);
}

int FullMipChain(int width, int height) {
  int levels = 1;
  for (int size = std::max(width, height); size > 1; size >>= 1) ++levels;
  return levels;
}

}  // namespace

// ---- Buffer ----

std::shared_ptr<GpuBuffer> GpuBuffer::Create(std::shared_ptr<GpuCore> core, size_t length, std::string& reason) {
  if (length == 0) {
    reason = "a buffer of 0 bytes";
    return nullptr;
  }
  std::shared_ptr<GpuBuffer> buffer(new GpuBuffer(std::move(core), length));
  GpuCore& c = *buffer->mCore;
  VkBufferCreateInfo info{VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
  info.size = length;
  info.usage = VK_BUFFER_USAGE_VERTEX_BUFFER_BIT | VK_BUFFER_USAGE_INDEX_BUFFER_BIT |
               VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT | VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  if (VulkanFailed(c.fn.vkCreateBuffer(c.device, &info, nullptr, &buffer->mBuffer), "vkCreateBuffer", reason)) {
    buffer->mBuffer = VK_NULL_HANDLE;
    return nullptr;
  }
  c.Hold(GpuHeld::kBuffers, 1);
  VkMemoryRequirements requirements;
  c.fn.vkGetBufferMemoryRequirements(c.device, buffer->mBuffer, &requirements);
  if (!AllocateMemory(c, requirements, 0, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT,
                      buffer->mMemory, reason) ||
      VulkanFailed(c.fn.vkBindBufferMemory(c.device, buffer->mBuffer, buffer->mMemory, 0), "vkBindBufferMemory",
                   reason) ||
      VulkanFailed(c.fn.vkMapMemory(c.device, buffer->mMemory, 0, VK_WHOLE_SIZE, 0, &buffer->mMapped), "vkMapMemory",
                   reason)) {
    buffer->mMapped = nullptr;
    return nullptr;
  }
  std::memset(buffer->mMapped, 0, length);
  return buffer;
}

GpuBuffer::~GpuBuffer() {
  // Freeing the memory also unmaps it.
  if (mBuffer) {
    mCore->fn.vkDestroyBuffer(mCore->device, mBuffer, nullptr);
    mCore->Hold(GpuHeld::kBuffers, -1);
  }
  if (mMemory) mCore->fn.vkFreeMemory(mCore->device, mMemory, nullptr);
}

// ---- Texture ----

std::shared_ptr<GpuTexture> GpuTexture::Create(std::shared_ptr<GpuCore> core, const GpuTextureDescriptor& descriptor,
                                               std::string& reason) {
  if (descriptor.format == GpuPixelFormat::Invalid || descriptor.width <= 0 || descriptor.height <= 0) {
    reason = "a texture needs a format and a positive size";
    return nullptr;
  }
  const int maxSize = static_cast<int>(core->properties.limits.maxImageDimension2D);
  if (descriptor.width > maxSize || descriptor.height > maxSize) {
    reason = "a texture larger than the device allows";
    return nullptr;
  }
  std::shared_ptr<GpuTexture> texture(new GpuTexture(std::move(core), descriptor));
  if (!texture->Build(reason)) return nullptr;
  if (descriptor.format != GpuPixelFormat::Stencil8) texture->mCore->ClearAtNextSubmission(texture);
  return texture;
}

VkImageAspectFlags GpuTexture::Aspects() const {
  if (mDescriptor.format != GpuPixelFormat::Stencil8) return VK_IMAGE_ASPECT_COLOR_BIT;
  return mCore->stencilFormat == VK_FORMAT_S8_UINT ? VK_IMAGE_ASPECT_STENCIL_BIT
                                                   : VK_IMAGE_ASPECT_STENCIL_BIT | VK_IMAGE_ASPECT_DEPTH_BIT;
}

bool GpuTexture::Build(std::string& reason) {
  GpuCore& c = *mCore;
  const bool stencil = mDescriptor.format == GpuPixelFormat::Stencil8;
  mLevels = mDescriptor.mipmapped && !stencil ? FullMipChain(mDescriptor.width, mDescriptor.height) : 1;
  VkImageCreateInfo info{VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
  info.imageType = VK_IMAGE_TYPE_2D;
  info.format = c.VulkanFormat(mDescriptor.format);
  info.extent = {static_cast<uint32_t>(mDescriptor.width), static_cast<uint32_t>(mDescriptor.height), 1};
  info.mipLevels = static_cast<uint32_t>(mLevels);
  info.arrayLayers = 1;
  info.samples = VK_SAMPLE_COUNT_1_BIT;
  info.tiling = VK_IMAGE_TILING_OPTIMAL;
  if (stencil) {
    info.usage = VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT;
  } else {
    info.usage = VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    if (mDescriptor.usage & kTextureUsageShaderRead) info.usage |= VK_IMAGE_USAGE_SAMPLED_BIT;
    if (mDescriptor.usage & kTextureUsageRenderTarget) info.usage |= VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
  }
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  if (VulkanFailed(c.fn.vkCreateImage(c.device, &info, nullptr, &mImage), "vkCreateImage", reason)) {
    mImage = VK_NULL_HANDLE;
    return false;
  }
  c.Hold(GpuHeld::kTextures, 1);
  VkMemoryRequirements requirements;
  c.fn.vkGetImageMemoryRequirements(c.device, mImage, &requirements);
  if (!AllocateMemory(c, requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, 0, mMemory, reason) ||
      VulkanFailed(c.fn.vkBindImageMemory(c.device, mImage, mMemory, 0), "vkBindImageMemory", reason))
    return false;
  VkImageViewCreateInfo viewInfo{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
  viewInfo.image = mImage;
  viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
  viewInfo.format = info.format;
  viewInfo.subresourceRange = {Aspects(), 0, static_cast<uint32_t>(mLevels), 0, 1};
  if (VulkanFailed(c.fn.vkCreateImageView(c.device, &viewInfo, nullptr, &mView), "vkCreateImageView", reason)) {
    mView = VK_NULL_HANDLE;
    return false;
  }
  // Every texture lives in the general layout, which every use accepts, so passes and copies need no
  // layout bookkeeping. Neither kind waits for the GPU to get there, as textures are made while frames are recorded,
  // with the GPU perhaps still busy with earlier ones: a colour texture is moved there and cleared to transparent black
  // by the next submission, ahead of its own commands (GpuCore::ClearAtNextSubmission, after this returns); a stencil
  // texture is moved there by the first pass that uses it, in its own command buffer.
  if (stencil) mLayoutPending.store(true, std::memory_order_release);
  return true;
}

void GpuTexture::RecordInitialClear(VkCommandBuffer commands) const {
  const VulkanFunctions& fn = mCore->fn;
  RecordToGeneralLayout(commands);
  const VkClearColorValue zero{};
  const VkImageSubresourceRange all{VK_IMAGE_ASPECT_COLOR_BIT, 0, VK_REMAINING_MIP_LEVELS, 0, 1};
  fn.vkCmdClearColorImage(commands, mImage, VK_IMAGE_LAYOUT_GENERAL, &zero, 1, &all);
  ImageBarrier(fn, commands, mImage, Aspects(), VK_IMAGE_LAYOUT_GENERAL);
}

void GpuTexture::RecordToGeneralLayout(VkCommandBuffer commands) const {
  ImageBarrier(mCore->fn, commands, mImage, Aspects(), VK_IMAGE_LAYOUT_UNDEFINED);
}

GpuTexture::~GpuTexture() {
  if (mView) mCore->fn.vkDestroyImageView(mCore->device, mView, nullptr);
  if (mImage) {
    mCore->fn.vkDestroyImage(mCore->device, mImage, nullptr);
    mCore->Hold(GpuHeld::kTextures, -1);
  }
  if (mMemory) mCore->fn.vkFreeMemory(mCore->device, mMemory, nullptr);
}

bool GpuTexture::RegionFits(const GpuRegion& region, int level, size_t bytesPerRow) const {
  const int pixelBytes = BytesPerPixel(mDescriptor.format);
  return pixelBytes > 0 && level >= 0 && level < mLevels && region.x >= 0 && region.y >= 0 && region.width > 0 &&
         region.height > 0 && region.x + region.width <= std::max(1, mDescriptor.width >> level) &&
         region.y + region.height <= std::max(1, mDescriptor.height >> level) &&
         bytesPerRow >= static_cast<size_t>(region.width) * pixelBytes;
}

bool GpuTexture::ReplaceRegion(const GpuRegion& region, int level, const void* bytes, size_t bytesPerRow) {
  if (!bytes || !RegionFits(region, level, bytesPerRow)) return false;
  const size_t rowBytes = static_cast<size_t>(region.width) * BytesPerPixel(mDescriptor.format);
  std::string reason;
  std::shared_ptr<GpuBuffer> staging = GpuBuffer::Create(mCore, rowBytes * region.height, reason);
  if (!staging) return false;
  for (int row = 0; row < region.height; ++row)
    std::memcpy(static_cast<char*>(staging->Contents()) + row * rowBytes,
                static_cast<const char*>(bytes) + row * bytesPerRow, rowBytes);
  const VulkanFunctions& fn = mCore->fn;
  // The staging buffer and this texture live until the copy is done; frames committed later come after it.
  return GpuCommandBuffer::SubmitAlone(
      mCore,
      [&](VkCommandBuffer commands) {
        ImageBarrier(fn, commands, mImage, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_GENERAL);
        VkBufferImageCopy copy{};
        copy.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, static_cast<uint32_t>(level), 0, 1};
        copy.imageOffset = {region.x, region.y, 0};
        copy.imageExtent = {static_cast<uint32_t>(region.width), static_cast<uint32_t>(region.height), 1};
        fn.vkCmdCopyBufferToImage(commands, staging->Handle(), mImage, VK_IMAGE_LAYOUT_GENERAL, 1, &copy);
      },
      {staging, shared_from_this()}, reason);
}

bool GpuTexture::GetBytes(void* bytes, size_t bytesPerRow, const GpuRegion& region, int level) const {
  std::shared_ptr<GpuBuffer> staging;
  return GetBytes(bytes, bytesPerRow, region, level, staging);
}

bool GpuTexture::GetBytes(void* bytes, size_t bytesPerRow, const GpuRegion& region, int level,
                          std::shared_ptr<GpuBuffer>& staging) const {
  if (!bytes || !RegionFits(region, level, bytesPerRow)) return false;
  const size_t rowBytes = static_cast<size_t>(region.width) * BytesPerPixel(mDescriptor.format);
  std::string reason;
  if (!staging || staging->Length() < rowBytes * region.height)
    staging = GpuBuffer::Create(mCore, rowBytes * region.height, reason);
  if (!staging) return false;
  const VulkanFunctions& fn = mCore->fn;
  const bool copied = mCore->RunNow(
      [&](VkCommandBuffer commands) {
        ImageBarrier(fn, commands, mImage, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_GENERAL);
        VkBufferImageCopy copy{};
        copy.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, static_cast<uint32_t>(level), 0, 1};
        copy.imageOffset = {region.x, region.y, 0};
        copy.imageExtent = {static_cast<uint32_t>(region.width), static_cast<uint32_t>(region.height), 1};
        fn.vkCmdCopyImageToBuffer(commands, mImage, VK_IMAGE_LAYOUT_GENERAL, staging->Handle(), 1, &copy);
        VkMemoryBarrier toHost{VK_STRUCTURE_TYPE_MEMORY_BARRIER};
        toHost.srcAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
        toHost.dstAccessMask = VK_ACCESS_HOST_READ_BIT;
        fn.vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_TRANSFER_BIT, VK_PIPELINE_STAGE_HOST_BIT, 0, 1, &toHost, 0,
                                nullptr, 0, nullptr);
      },
      reason);
  if (!copied) return false;
  for (int row = 0; row < region.height; ++row)
    std::memcpy(static_cast<char*>(bytes) + row * bytesPerRow,
                static_cast<const char*>(staging->Contents()) + row * rowBytes, rowBytes);
  return true;
}

// ---- Sampler ----

std::shared_ptr<GpuSampler> GpuSampler::Create(std::shared_ptr<GpuCore> core, const GpuSamplerDescriptor& descriptor,
                                               std::string& reason) {
  auto filter = [](GpuSamplerFilter f) { return f == GpuSamplerFilter::Linear ? VK_FILTER_LINEAR : VK_FILTER_NEAREST; };
  auto address = [](GpuSamplerAddressMode m) {
    return m == GpuSamplerAddressMode::Repeat ? VK_SAMPLER_ADDRESS_MODE_REPEAT : VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
  };
  std::shared_ptr<GpuSampler> sampler(new GpuSampler(std::move(core)));
  VkSamplerCreateInfo info{VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
  info.magFilter = filter(descriptor.magFilter);
  info.minFilter = filter(descriptor.minFilter);
  info.mipmapMode = descriptor.mipFilter == GpuSamplerMipFilter::Linear ? VK_SAMPLER_MIPMAP_MODE_LINEAR
                                                                        : VK_SAMPLER_MIPMAP_MODE_NEAREST;
  info.addressModeU = address(descriptor.addressModeS);
  info.addressModeV = address(descriptor.addressModeT);
  info.addressModeW = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
  // Not mipmapped: only level 0 is ever read.
  info.maxLod = descriptor.mipFilter == GpuSamplerMipFilter::NotMipmapped ? 0.0f : VK_LOD_CLAMP_NONE;
  GpuCore& c = *sampler->mCore;
  if (VulkanFailed(c.fn.vkCreateSampler(c.device, &info, nullptr, &sampler->mSampler), "vkCreateSampler", reason)) {
    sampler->mSampler = VK_NULL_HANDLE;
    return nullptr;
  }
  c.Hold(GpuHeld::kSamplers, 1);
  return sampler;
}

GpuSampler::~GpuSampler() {
  if (mSampler) {
    mCore->fn.vkDestroySampler(mCore->device, mSampler, nullptr);
    mCore->Hold(GpuHeld::kSamplers, -1);
  }
}

}  // namespace platform::gpu
