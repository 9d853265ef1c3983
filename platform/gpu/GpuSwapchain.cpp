#include "platform/gpu/GpuSwapchain.h"

// Vulkan records are started as `VkThing info{VK_STRUCTURE_TYPE_THING}`, the rest zero by the language.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <algorithm>

#include "platform/gpu/GpuCore.h"
#include "platform/gpu/GpuResources.h"

// Xlib last, for the surface's types only (nothing is linked): its macros must not meet the layer's names.
#include <X11/Xlib.h>
#include <vulkan/vulkan_xlib.h>

namespace platform::gpu {

namespace {

// The window system reports a surface that follows its window's size with this extent.
constexpr uint32_t kExtentFollowsSwapchain = 0xFFFFFFFFu;

// BGRA bytes are copied as they are: either format shows them as rendered.
bool PickFormat(const std::vector<VkSurfaceFormatKHR>& formats, VkSurfaceFormatKHR& chosen) {
  for (VkFormat wanted : {VK_FORMAT_B8G8R8A8_UNORM, VK_FORMAT_B8G8R8A8_SRGB}) {
    for (const VkSurfaceFormatKHR& format : formats) {
      if (format.format == wanted && format.colorSpace == VK_COLOR_SPACE_SRGB_NONLINEAR_KHR) {
        chosen = format;
        return true;
      }
    }
  }
  return false;
}

VkCompositeAlphaFlagBitsKHR PickCompositeAlpha(VkCompositeAlphaFlagsKHR supported) {
  for (VkCompositeAlphaFlagBitsKHR mode :
       {VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR, VK_COMPOSITE_ALPHA_INHERIT_BIT_KHR,
        VK_COMPOSITE_ALPHA_PRE_MULTIPLIED_BIT_KHR, VK_COMPOSITE_ALPHA_POST_MULTIPLIED_BIT_KHR}) {
    if (supported & mode) return mode;
  }
  return VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
}

void ImageBarrier(const VulkanFunctions& fn, VkCommandBuffer commands, VkImage image, VkImageLayout from,
                  VkImageLayout to, VkPipelineStageFlags srcStage, VkAccessFlags srcAccess,
                  VkPipelineStageFlags dstStage, VkAccessFlags dstAccess) {
  VkImageMemoryBarrier barrier{VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
  barrier.srcAccessMask = srcAccess;
  barrier.dstAccessMask = dstAccess;
  barrier.oldLayout = from;
  barrier.newLayout = to;
  barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = image;
  barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  fn.vkCmdPipelineBarrier(commands, srcStage, dstStage, 0, 0, nullptr, 0, nullptr, 1, &barrier);
}

bool IsLoss(VkResult result) {
  return result != VK_SUCCESS && result != VK_SUBOPTIMAL_KHR && result != VK_ERROR_OUT_OF_DATE_KHR &&
         result != VK_TIMEOUT && result != VK_NOT_READY;
}

}  // namespace

std::unique_ptr<GpuSwapchain> GpuSwapchain::Create(std::shared_ptr<GpuCore> core, const GpuSurfaceTarget& target,
                                                   std::string& reason) {
  if (!core->canPresent) {
    reason = "the GPU device was made without presentation, or cannot present";
    return nullptr;
  }
  if (!target.display || target.window == 0) {
    reason = "no window to present to";
    return nullptr;
  }
  const VulkanFunctions& fn = core->fn;
  auto createSurface =
      reinterpret_cast<PFN_vkCreateXlibSurfaceKHR>(fn.vkGetInstanceProcAddr(core->instance, "vkCreateXlibSurfaceKHR"));
  if (!createSurface) {
    reason = "missing Vulkan function vkCreateXlibSurfaceKHR";
    return nullptr;
  }
  std::unique_ptr<GpuSwapchain> swapchain(new GpuSwapchain(core));
  VkXlibSurfaceCreateInfoKHR info{VK_STRUCTURE_TYPE_XLIB_SURFACE_CREATE_INFO_KHR};
  info.dpy = static_cast<Display*>(target.display);
  info.window = static_cast<::Window>(target.window);
  if (VulkanFailed(createSurface(core->instance, &info, nullptr, &swapchain->mSurface), "vkCreateXlibSurfaceKHR",
                   reason)) {
    swapchain->mSurface = VK_NULL_HANDLE;
    return nullptr;
  }
  VkBool32 supported = VK_FALSE;
  if (VulkanFailed(fn.vkGetPhysicalDeviceSurfaceSupportKHR(core->physicalDevice, core->queueFamily, swapchain->mSurface,
                                                           &supported),
                   "vkGetPhysicalDeviceSurfaceSupportKHR", reason))
    return nullptr;
  if (!supported) {
    reason = "the GPU's queue cannot present to this window";
    return nullptr;
  }
  if (!swapchain->MakeFrames(reason)) return nullptr;
  return swapchain;
}

bool GpuSwapchain::MakeFrames(std::string& reason) {
  const VulkanFunctions& fn = mCore->fn;
  for (Frame& frame : mFrames) {
    VkCommandPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    poolInfo.flags = VK_COMMAND_POOL_CREATE_TRANSIENT_BIT;
    poolInfo.queueFamilyIndex = mCore->queueFamily;
    if (VulkanFailed(fn.vkCreateCommandPool(mCore->device, &poolInfo, nullptr, &frame.pool), "vkCreateCommandPool",
                     reason))
      return false;
    VkCommandBufferAllocateInfo allocateInfo{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    allocateInfo.commandPool = frame.pool;
    allocateInfo.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocateInfo.commandBufferCount = 1;
    if (VulkanFailed(fn.vkAllocateCommandBuffers(mCore->device, &allocateInfo, &frame.commands),
                     "vkAllocateCommandBuffers", reason))
      return false;
    VkFenceCreateInfo fenceInfo{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    if (VulkanFailed(fn.vkCreateFence(mCore->device, &fenceInfo, nullptr, &frame.fence), "vkCreateFence", reason))
      return false;
    VkSemaphoreCreateInfo semaphoreInfo{VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    if (VulkanFailed(fn.vkCreateSemaphore(mCore->device, &semaphoreInfo, nullptr, &frame.acquired), "vkCreateSemaphore",
                     reason))
      return false;
  }
  return true;
}

GpuSwapchain::~GpuSwapchain() {
  const VulkanFunctions& fn = mCore->fn;
  for (Frame& frame : mFrames) {
    if (frame.submitted) fn.vkWaitForFences(mCore->device, 1, &frame.fence, VK_TRUE, UINT64_MAX);
  }
  mCore->WaitQueueIdle();
  DestroySwapchain(mSwapchain, mReady);
  for (Frame& frame : mFrames) {
    if (frame.acquired) fn.vkDestroySemaphore(mCore->device, frame.acquired, nullptr);
    if (frame.fence) fn.vkDestroyFence(mCore->device, frame.fence, nullptr);
    if (frame.pool) fn.vkDestroyCommandPool(mCore->device, frame.pool, nullptr);
  }
  if (mSurface) fn.vkDestroySurfaceKHR(mCore->instance, mSurface, nullptr);
}

void GpuSwapchain::DestroySwapchain(VkSwapchainKHR swapchain, std::vector<VkSemaphore>& ready) {
  const VulkanFunctions& fn = mCore->fn;
  // The swapchain first: destroying it finishes its presents, which wait on the semaphores.
  if (swapchain) fn.vkDestroySwapchainKHR(mCore->device, swapchain, nullptr);
  for (VkSemaphore semaphore : ready) fn.vkDestroySemaphore(mCore->device, semaphore, nullptr);
  ready.clear();
}

bool GpuSwapchain::Rebuild(const VkSurfaceCapabilitiesKHR& capabilities, VkExtent2D extent, std::string& reason) {
  const VulkanFunctions& fn = mCore->fn;
  if (!(capabilities.supportedUsageFlags & VK_IMAGE_USAGE_TRANSFER_DST_BIT)) {
    reason = "the window's swapchain images cannot be copied into";
    return false;
  }
  uint32_t formatCount = 0;
  if (VulkanFailed(fn.vkGetPhysicalDeviceSurfaceFormatsKHR(mCore->physicalDevice, mSurface, &formatCount, nullptr),
                   "vkGetPhysicalDeviceSurfaceFormatsKHR", reason))
    return false;
  std::vector<VkSurfaceFormatKHR> formats(formatCount);
  if (VulkanFailed(
          fn.vkGetPhysicalDeviceSurfaceFormatsKHR(mCore->physicalDevice, mSurface, &formatCount, formats.data()),
          "vkGetPhysicalDeviceSurfaceFormatsKHR", reason))
    return false;
  VkSurfaceFormatKHR format{};
  if (!PickFormat(formats, format)) {
    reason = "the window offers no 8-bit BGRA swapchain format";
    return false;
  }
  // Three images let one be shown, one wait for the display and one be copied into.
  uint32_t imageCount = std::max(capabilities.minImageCount, 3u);
  if (capabilities.maxImageCount != 0) imageCount = std::min(imageCount, capabilities.maxImageCount);

  // The old swapchain's images may still be read by a present or written by a copy.
  mCore->WaitQueueIdle();
  VkSwapchainCreateInfoKHR info{VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR};
  info.surface = mSurface;
  info.minImageCount = imageCount;
  info.imageFormat = format.format;
  info.imageColorSpace = format.colorSpace;
  info.imageExtent = extent;
  info.imageArrayLayers = 1;
  info.imageUsage = VK_IMAGE_USAGE_TRANSFER_DST_BIT;
  info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
  info.preTransform = capabilities.currentTransform;
  info.compositeAlpha = PickCompositeAlpha(capabilities.supportedCompositeAlpha);
  info.presentMode = VK_PRESENT_MODE_FIFO_KHR;  // the one mode every device offers
  info.clipped = VK_TRUE;
  info.oldSwapchain = mSwapchain;
  VkSwapchainKHR made = VK_NULL_HANDLE;
  const VkResult result = fn.vkCreateSwapchainKHR(mCore->device, &info, nullptr, &made);
  // The old one is retired either way.
  std::vector<VkSemaphore> oldReady = std::move(mReady);
  DestroySwapchain(mSwapchain, oldReady);
  mSwapchain = VK_NULL_HANDLE;
  mImages.clear();
  if (VulkanFailed(result, "vkCreateSwapchainKHR", reason)) return false;
  mSwapchain = made;
  uint32_t count = 0;
  if (VulkanFailed(fn.vkGetSwapchainImagesKHR(mCore->device, mSwapchain, &count, nullptr), "vkGetSwapchainImagesKHR",
                   reason))
    return false;
  mImages.resize(count);
  if (VulkanFailed(fn.vkGetSwapchainImagesKHR(mCore->device, mSwapchain, &count, mImages.data()),
                   "vkGetSwapchainImagesKHR", reason))
    return false;
  VkSemaphoreCreateInfo semaphoreInfo{VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
  for (uint32_t i = 0; i < count; ++i) {
    VkSemaphore semaphore = VK_NULL_HANDLE;
    if (VulkanFailed(fn.vkCreateSemaphore(mCore->device, &semaphoreInfo, nullptr, &semaphore), "vkCreateSemaphore",
                     reason))
      return false;
    mReady.push_back(semaphore);
  }
  mExtent = extent;
  mOutOfDate = false;
  return true;
}

GpuSurfaceState GpuSwapchain::Present(const std::shared_ptr<GpuTexture>& image, std::string& reason) {
  const VulkanFunctions& fn = mCore->fn;
  Frame& frame = mFrames[mNextFrame];
  if (frame.submitted) {
    // The frame's own fence: the copy that last used this slot.
    const VkResult waited = fn.vkWaitForFences(mCore->device, 1, &frame.fence, VK_TRUE, UINT64_MAX);
    if (VulkanFailed(waited, "waiting for a present copy", reason)) return GpuSurfaceState::Lost;
    frame.submitted = false;
    frame.source.reset();
  }

  uint32_t imageIndex = 0;
  for (int attempt = 0;; ++attempt) {
    VkSurfaceCapabilitiesKHR capabilities{};
    if (VulkanFailed(fn.vkGetPhysicalDeviceSurfaceCapabilitiesKHR(mCore->physicalDevice, mSurface, &capabilities),
                     "vkGetPhysicalDeviceSurfaceCapabilitiesKHR", reason))
      return GpuSurfaceState::Lost;
    VkExtent2D extent = capabilities.currentExtent;
    if (extent.width == kExtentFollowsSwapchain) {
      extent.width = std::clamp(static_cast<uint32_t>(image->Width()), capabilities.minImageExtent.width,
                                capabilities.maxImageExtent.width);
      extent.height = std::clamp(static_cast<uint32_t>(image->Height()), capabilities.minImageExtent.height,
                                 capabilities.maxImageExtent.height);
    }
    // A minimised or zero-size window shows nothing; the swapchain is kept for when it comes back.
    if (extent.width == 0 || extent.height == 0) return GpuSurfaceState::Skipped;
    if (!mSwapchain || mOutOfDate || extent.width != mExtent.width || extent.height != mExtent.height) {
      if (!Rebuild(capabilities, extent, reason)) return GpuSurfaceState::Lost;
    }
    const VkResult acquired = fn.vkAcquireNextImageKHR(
        mCore->device, mSwapchain, std::chrono::duration_cast<std::chrono::nanoseconds>(kAcquireTimeout).count(),
        frame.acquired, VK_NULL_HANDLE, &imageIndex);
    if (acquired == VK_SUCCESS) break;
    if (acquired == VK_SUBOPTIMAL_KHR) {
      // The image is ours and shows correctly, only not at the best; rebuild next time.
      mOutOfDate = true;
      break;
    }
    if (acquired == VK_TIMEOUT || acquired == VK_NOT_READY) return GpuSurfaceState::Skipped;
    if (acquired == VK_ERROR_OUT_OF_DATE_KHR && attempt == 0) {
      // The window changed between the query and the acquire: rebuild once and try again.
      mOutOfDate = true;
      continue;
    }
    if (acquired == VK_ERROR_OUT_OF_DATE_KHR) {
      mOutOfDate = true;
      return GpuSurfaceState::Skipped;
    }
    VulkanFailed(acquired, "vkAcquireNextImageKHR", reason);
    return GpuSurfaceState::Lost;
  }

  // From here an image is acquired and its semaphore signalled: failures leave both behind, so the
  // swapchain is given up.
  if (!Record(frame, *image, imageIndex, reason)) return GpuSurfaceState::Lost;
  const VkPipelineStageFlags waitStage = VK_PIPELINE_STAGE_TRANSFER_BIT;
  VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
  submit.waitSemaphoreCount = 1;
  submit.pWaitSemaphores = &frame.acquired;
  submit.pWaitDstStageMask = &waitStage;
  submit.commandBufferCount = 1;
  submit.pCommandBuffers = &frame.commands;
  submit.signalSemaphoreCount = 1;
  submit.pSignalSemaphores = &mReady[imageIndex];
  if (VulkanFailed(fn.vkResetFences(mCore->device, 1, &frame.fence), "vkResetFences", reason) ||
      VulkanFailed(mCore->Submit(submit, frame.fence), "submitting a present copy", reason))
    return GpuSurfaceState::Lost;
  frame.submitted = true;
  frame.source = image;
  mNextFrame = (mNextFrame + 1) % kFramesInFlight;

  VkPresentInfoKHR present{VK_STRUCTURE_TYPE_PRESENT_INFO_KHR};
  present.waitSemaphoreCount = 1;
  present.pWaitSemaphores = &mReady[imageIndex];
  present.swapchainCount = 1;
  present.pSwapchains = &mSwapchain;
  present.pImageIndices = &imageIndex;
  const VkResult presented = mCore->Present(present);
  if (presented == VK_SUBOPTIMAL_KHR || presented == VK_ERROR_OUT_OF_DATE_KHR) {
    mOutOfDate = true;
    return presented == VK_SUBOPTIMAL_KHR ? GpuSurfaceState::Presented : GpuSurfaceState::Skipped;
  }
  if (IsLoss(presented)) {
    VulkanFailed(presented, "vkQueuePresentKHR", reason);
    return GpuSurfaceState::Lost;
  }
  return GpuSurfaceState::Presented;
}

bool GpuSwapchain::Record(Frame& frame, const GpuTexture& source, uint32_t imageIndex, std::string& reason) {
  const VulkanFunctions& fn = mCore->fn;
  if (VulkanFailed(fn.vkResetCommandPool(mCore->device, frame.pool, 0), "vkResetCommandPool", reason)) return false;
  VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
  begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
  if (VulkanFailed(fn.vkBeginCommandBuffer(frame.commands, &begin), "vkBeginCommandBuffer", reason)) return false;
  VkCommandBuffer commands = frame.commands;
  const VkImage target = mImages[imageIndex];

  // The frame was rendered by earlier submissions on this queue, which a barrier's first scope covers.
  VkMemoryBarrier rendered{VK_STRUCTURE_TYPE_MEMORY_BARRIER};
  rendered.srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT;
  rendered.dstAccessMask = VK_ACCESS_TRANSFER_READ_BIT;
  fn.vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT, 0, 1, &rendered,
                          0, nullptr, 0, nullptr);
  // The previous contents are not kept: the whole image is written below.
  ImageBarrier(fn, commands, target, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
               VK_PIPELINE_STAGE_TRANSFER_BIT, 0, VK_PIPELINE_STAGE_TRANSFER_BIT, VK_ACCESS_TRANSFER_WRITE_BIT);
  const uint32_t width = std::min(static_cast<uint32_t>(source.Width()), mExtent.width);
  const uint32_t height = std::min(static_cast<uint32_t>(source.Height()), mExtent.height);
  if (width != mExtent.width || height != mExtent.height) {
    // A frame of the old size while the window is being resized: black where it does not reach.
    const VkClearColorValue black{{0.0f, 0.0f, 0.0f, 1.0f}};
    const VkImageSubresourceRange range{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    fn.vkCmdClearColorImage(commands, target, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, &black, 1, &range);
    ImageBarrier(fn, commands, target, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                 VK_PIPELINE_STAGE_TRANSFER_BIT, VK_ACCESS_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT,
                 VK_ACCESS_TRANSFER_WRITE_BIT);
  }
  VkImageCopy region{};
  region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.extent = {width, height, 1};
  fn.vkCmdCopyImage(commands, source.Image(), VK_IMAGE_LAYOUT_GENERAL, target, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1,
                    &region);
  ImageBarrier(fn, commands, target, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR,
               VK_PIPELINE_STAGE_TRANSFER_BIT, VK_ACCESS_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT, 0);
  return !VulkanFailed(fn.vkEndCommandBuffer(commands), "vkEndCommandBuffer", reason);
}

}  // namespace platform::gpu
