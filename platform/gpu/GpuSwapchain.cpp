#include "platform/gpu/GpuSwapchain.h"

// Vulkan records are started as `VkThing info{VK_STRUCTURE_TYPE_THING}`, the rest zero by the language.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <algorithm>

#include "platform/gpu/GpuCore.h"
#include "platform/gpu/GpuResources.h"

// Xlib last, for the surface's types only (nothing is linked): its macros must not meet the layer's names.
#include <X11/Xlib.h>
#include <vulkan/vulkan_xlib.h>
#undef None  // Xlib's 0, which would meet GpuSurfaceState::None

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

GpuSwapchain::GpuSwapchain(std::shared_ptr<GpuCore> core)
    : mCore(std::move(core)), mPresentAfterCopy(mCore->properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU) {}

VkPresentModeKHR GpuSwapchain::PickPresentMode(const std::vector<VkPresentModeKHR>& offered) {
  // MAILBOX replaces a waiting image and never tears; IMMEDIATE never waits but may tear; FIFO waits for the
  // vertical blank once its queue is full.
  for (VkPresentModeKHR wanted : {VK_PRESENT_MODE_MAILBOX_KHR, VK_PRESENT_MODE_IMMEDIATE_KHR}) {
    if (std::find(offered.begin(), offered.end(), wanted) != offered.end()) return wanted;
  }
  return VK_PRESENT_MODE_FIFO_KHR;
}

VkCompositeAlphaFlagBitsKHR GpuSwapchain::PickCompositeAlpha(VkCompositeAlphaFlagsKHR supported) {
  // The frames hold premultiplied colour, which pre-multiplied compositing shows as drawn; post-multiplied or
  // inherited alpha still keeps the layer non-opaque where the window system offers no better.
  for (VkCompositeAlphaFlagBitsKHR mode :
       {VK_COMPOSITE_ALPHA_PRE_MULTIPLIED_BIT_KHR, VK_COMPOSITE_ALPHA_POST_MULTIPLIED_BIT_KHR,
        VK_COMPOSITE_ALPHA_INHERIT_BIT_KHR}) {
    if (supported & mode) return mode;
  }
  return VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
}

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
  DestroySemaphores(mRetired);
  for (Frame& frame : mFrames) {
    DestroySemaphores(frame.retired);
    if (frame.acquired) fn.vkDestroySemaphore(mCore->device, frame.acquired, nullptr);
    if (frame.fence) fn.vkDestroyFence(mCore->device, frame.fence, nullptr);
    if (frame.pool) fn.vkDestroyCommandPool(mCore->device, frame.pool, nullptr);
  }
  if (mSurface) fn.vkDestroySurfaceKHR(mCore->instance, mSurface, nullptr);
}

void GpuSwapchain::DestroySwapchain(VkSwapchainKHR swapchain, std::vector<VkSemaphore>& ready) {
  // The swapchain first: destroying it finishes its presents, which wait on the semaphores.
  if (swapchain) mCore->fn.vkDestroySwapchainKHR(mCore->device, swapchain, nullptr);
  DestroySemaphores(ready);
}

void GpuSwapchain::DestroySemaphores(std::vector<VkSemaphore>& semaphores) {
  for (VkSemaphore semaphore : semaphores) mCore->fn.vkDestroySemaphore(mCore->device, semaphore, nullptr);
  semaphores.clear();
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
  uint32_t modeCount = 0;
  if (VulkanFailed(fn.vkGetPhysicalDeviceSurfacePresentModesKHR(mCore->physicalDevice, mSurface, &modeCount, nullptr),
                   "vkGetPhysicalDeviceSurfacePresentModesKHR", reason))
    return false;
  std::vector<VkPresentModeKHR> modes(modeCount);
  if (VulkanFailed(
          fn.vkGetPhysicalDeviceSurfacePresentModesKHR(mCore->physicalDevice, mSurface, &modeCount, modes.data()),
          "vkGetPhysicalDeviceSurfacePresentModesKHR", reason))
    return false;
  modes.resize(modeCount);
  // Three images let one be shown, one wait for the display and one be copied into.
  uint32_t imageCount = std::max(capabilities.minImageCount, 3u);
  if (capabilities.maxImageCount != 0) imageCount = std::min(imageCount, capabilities.maxImageCount);

  // The old swapchain's images are written only by the copies, which have all completed (see Present); the
  // presents that read them are the presentation engine's, which retiring the swapchain lets finish.
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
  info.presentMode = PickPresentMode(modes);
  info.clipped = VK_TRUE;
  info.oldSwapchain = mSwapchain;
  VkSwapchainKHR made = VK_NULL_HANDLE;
  const VkResult result = fn.vkCreateSwapchainKHR(mCore->device, &info, nullptr, &made);
  // The old one is retired either way. Its presents may still wait on its semaphores, and only a queue that
  // has gone past them says they no longer do: they go with the next copy's completion (see CopyDone).
  if (mSwapchain) mCore->fn.vkDestroySwapchainKHR(mCore->device, mSwapchain, nullptr);
  mRetired.insert(mRetired.end(), mReady.begin(), mReady.end());
  mReady.clear();
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

bool GpuSwapchain::CopyDone(Frame& frame, std::string& reason) {
  if (!frame.submitted) return true;
  const VkResult status = mCore->fn.vkGetFenceStatus(mCore->device, frame.fence);
  if (status == VK_NOT_READY) return false;
  if (VulkanFailed(status, "reading a present copy's fence", reason)) return false;
  frame.submitted = false;
  frame.source.reset();
  DestroySemaphores(frame.retired);
  return true;
}

bool GpuSwapchain::AllCopiesDone(std::string& reason) {
  bool done = true;
  for (Frame& frame : mFrames) done = CopyDone(frame, reason) && done;
  return done;
}

GpuSurfaceState GpuSwapchain::Present(const std::shared_ptr<GpuTexture>& image, std::string& reason) {
  const VulkanFunctions& fn = mCore->fn;
  // A present still waiting for its copy comes first; while it waits, no other image is taken.
  if (mPending) {
    const GpuSurfaceState finished = FinishPresent(reason);
    if (finished == GpuSurfaceState::Lost) return finished;
    if (mPending) return GpuSurfaceState::Skipped;
  }
  Frame& frame = mFrames[mNextFrame];
  // The copy that last used this slot must be done: not waited for, the frame is skipped instead.
  if (!CopyDone(frame, reason)) return reason.empty() ? GpuSurfaceState::Skipped : GpuSurfaceState::Lost;

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
      // The old images are not written any more once the copies into them are done; until then, skipped.
      if (!AllCopiesDone(reason)) return reason.empty() ? GpuSurfaceState::Skipped : GpuSurfaceState::Lost;
      if (!Rebuild(capabilities, extent, reason)) return GpuSurfaceState::Lost;
    }
    // Without a wait: an image that is not free at once (all of them shown or queued) skips the frame.
    const VkResult acquired =
        fn.vkAcquireNextImageKHR(mCore->device, mSwapchain, 0, frame.acquired, VK_NULL_HANDLE, &imageIndex);
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
  frame.retired = std::move(mRetired);
  mRetired.clear();
  mNextFrame = (mNextFrame + 1) % kFramesInFlight;
  if (mPresentAfterCopy) {
    mPending = &frame;
    mPendingImage = imageIndex;
    mCore->QueueIdleNow();  // the marker behind the copy, which FinishPresent looks for
    return GpuSurfaceState::Presented;
  }
  return QueuePresent(imageIndex, reason);
}

bool GpuSwapchain::PresentPending() const {
  return mPending != nullptr;
}

// A CPU device's present waits for everything queued before it, not only for the copy: it is made once the
// queue has gone idle.
GpuSurfaceState GpuSwapchain::FinishPresent(std::string& reason) {
  if (!mPending) return GpuSurfaceState::None;
  if (!CopyDone(*mPending, reason)) return reason.empty() ? GpuSurfaceState::None : GpuSurfaceState::Lost;
  if (!mCore->QueueIdleNow()) return GpuSurfaceState::None;
  mPending = nullptr;
  return QueuePresent(mPendingImage, reason);
}

GpuSurfaceState GpuSwapchain::QueuePresent(uint32_t imageIndex, std::string& reason) {
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
