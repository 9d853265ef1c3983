// Shows a drawable layer's frames in a native window through a Vulkan swapchain (VK_KHR_xlib_surface).
// A present copies the frame's rendered BGRA image into an acquired swapchain image in a small
// submission of its own, queued right after the frame's: the frame's commands and the drawable layer's
// ring stay as they are headless, and the front buffer stays readable. The swapchain follows the
// window's size; a frame of another size is copied at the top-left over black. Internal to platform/gpu.
//
// Threads: everything on the thread that commits frames (the main thread, a host's GUI thread), where nothing
// waits for the GPU or the display: a frame whose copy slot is still busy, for which no image is free at once, or
// that needs the swapchain rebuilt while copies are still running is skipped (the caller shows the front buffer
// at a later call), and the present mode is the first of MAILBOX, IMMEDIATE and FIFO the window offers, so that
// presents do not wait for the vertical blank where the device lets them. A CPU device's presentation engine
// reads the image on the presenting thread and first waits for everything queued before the present: there the
// present is made by a later call, once the queue has gone idle (FinishPresent). Only the destructor waits, for
// the copies in flight.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/GpuDrawableLayer.h"
#include "platform/gpu/VulkanApi.h"

namespace platform::gpu {

class GpuCore;
class GpuTexture;

class GpuSwapchain {
 public:
  // Null with a reason when the device cannot present, or the surface cannot be made or shown by the
  // device's queue. The swapchain itself is made at the first present.
  static std::unique_ptr<GpuSwapchain> Create(std::shared_ptr<GpuCore> core, const GpuSurfaceTarget& target,
                                              std::string& reason);
  // Waits for this swapchain's copies and presents to finish.
  ~GpuSwapchain();
  GpuSwapchain(const GpuSwapchain&) = delete;
  GpuSwapchain& operator=(const GpuSwapchain&) = delete;

  // Copies the image (BGRA, general layout, written by earlier submissions) into the window and presents
  // it (on a CPU device: queues the copy; FinishPresent presents it). Skipped for a window without size,
  // and while the GPU or the display is not ready for another frame; Lost (with a reason) when the surface
  // is gone or no swapchain can be made; the swapchain is then of no further use.
  GpuSurfaceState Present(const std::shared_ptr<GpuTexture>& image, std::string& reason);
  // Presents the copy a CPU device's Present queued, once it and everything queued before have completed:
  // Presented, or Skipped and Lost as for Present; None when no present is due (none queued, or the GPU still
  // busy).
  GpuSurfaceState FinishPresent(std::string& reason);
  bool PresentPending() const;

  // The first of MAILBOX, IMMEDIATE and FIFO among the modes a window offers (FIFO, which every device
  // has, when it offers none of them).
  static VkPresentModeKHR PickPresentMode(const std::vector<VkPresentModeKHR>& offered);
  // How the window system composites the frames: the first of pre-multiplied, post-multiplied and inherited alpha
  // the surface offers, so that the layer is not opaque; opaque only where it offers none of them.
  static VkCompositeAlphaFlagBitsKHR PickCompositeAlpha(VkCompositeAlphaFlagsKHR supported);

 private:
  // What one copy in flight uses; kFramesInFlight of them are used in turn.
  struct Frame {
    VkCommandPool pool = VK_NULL_HANDLE;
    VkCommandBuffer commands = VK_NULL_HANDLE;
    VkFence fence = VK_NULL_HANDLE;
    VkSemaphore acquired = VK_NULL_HANDLE;
    std::shared_ptr<GpuTexture> source;  // kept until the fence says the copy is done
    bool submitted = false;
    // A retired swapchain's semaphores, destroyed once this copy is done: the presents that waited on them
    // were queued before it.
    std::vector<VkSemaphore> retired;
  };
  static constexpr int kFramesInFlight = 3;

  explicit GpuSwapchain(std::shared_ptr<GpuCore> core);
  bool MakeFrames(std::string& reason);
  bool Rebuild(const VkSurfaceCapabilitiesKHR& capabilities, VkExtent2D extent, std::string& reason);
  void DestroySwapchain(VkSwapchainKHR swapchain, std::vector<VkSemaphore>& ready);
  void DestroySemaphores(std::vector<VkSemaphore>& semaphores);
  bool Record(Frame& frame, const GpuTexture& source, uint32_t imageIndex, std::string& reason);
  // Whether the frame's last copy has completed (it is then free), without waiting; false with a reason
  // when the fence cannot be read.
  bool CopyDone(Frame& frame, std::string& reason);
  bool AllCopiesDone(std::string& reason);
  GpuSurfaceState QueuePresent(uint32_t imageIndex, std::string& reason);

  std::shared_ptr<GpuCore> mCore;
  VkSurfaceKHR mSurface = VK_NULL_HANDLE;
  VkSwapchainKHR mSwapchain = VK_NULL_HANDLE;
  VkExtent2D mExtent{0, 0};
  std::vector<VkImage> mImages;
  std::vector<VkSemaphore> mReady;    // per image: its copy is done, the present may start
  std::vector<VkSemaphore> mRetired;  // of retired swapchains, until the next copy takes them (Frame::retired)
  bool mOutOfDate = false;
  Frame mFrames[kFramesInFlight];
  int mNextFrame = 0;
  // A CPU device's presents wait for their copies (see above); the one queued is mPending's image.
  const bool mPresentAfterCopy;
  Frame* mPending = nullptr;
  uint32_t mPendingImage = 0;
};

}  // namespace platform::gpu
