// Shows a drawable layer's frames in a native window through a Vulkan swapchain (VK_KHR_xlib_surface).
// A present copies the frame's rendered BGRA image into an acquired swapchain image in a small
// submission of its own, queued right after the frame's: the frame's commands and the drawable layer's
// ring stay as they are headless, and the front buffer stays readable. The swapchain follows the
// window's size; a frame of another size is copied at the top-left over black. Internal to platform/gpu.
//
// Threads: everything on the thread that commits frames (the main thread). Present blocks on the fence
// of the copy that last used its frame slot and at most kAcquireTimeout for a swapchain image; a rebuild
// (the window changed size) waits for the queue to drain.
#pragma once

#include <chrono>
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
  // A host waiting on its editor's idle call should not stall: a frame that finds no free image in
  // this time is skipped (the next frame, or a refresh, shows the picture).
  static constexpr std::chrono::milliseconds kAcquireTimeout{40};

  // Null with a reason when the device cannot present, or the surface cannot be made or shown by the
  // device's queue. The swapchain itself is made at the first present.
  static std::unique_ptr<GpuSwapchain> Create(std::shared_ptr<GpuCore> core, const GpuSurfaceTarget& target,
                                              std::string& reason);
  // Waits for this swapchain's copies and presents to finish.
  ~GpuSwapchain();
  GpuSwapchain(const GpuSwapchain&) = delete;
  GpuSwapchain& operator=(const GpuSwapchain&) = delete;

  // Copies the image (BGRA, general layout, written by earlier submissions) into the window. Skipped
  // for a window without size or without a free image in time; Lost (with a reason) when the surface
  // is gone or no swapchain can be made; the swapchain is then of no further use.
  GpuSurfaceState Present(const std::shared_ptr<GpuTexture>& image, std::string& reason);

 private:
  // What one copy in flight uses; kFramesInFlight of them are used in turn.
  struct Frame {
    VkCommandPool pool = VK_NULL_HANDLE;
    VkCommandBuffer commands = VK_NULL_HANDLE;
    VkFence fence = VK_NULL_HANDLE;
    VkSemaphore acquired = VK_NULL_HANDLE;
    std::shared_ptr<GpuTexture> source;  // kept until the fence says the copy is done
    bool submitted = false;
  };
  static constexpr int kFramesInFlight = 3;

  explicit GpuSwapchain(std::shared_ptr<GpuCore> core) : mCore(std::move(core)) {}
  bool MakeFrames(std::string& reason);
  bool Rebuild(const VkSurfaceCapabilitiesKHR& capabilities, VkExtent2D extent, std::string& reason);
  void DestroySwapchain(VkSwapchainKHR swapchain, std::vector<VkSemaphore>& ready);
  bool Record(Frame& frame, const GpuTexture& source, uint32_t imageIndex, std::string& reason);

  std::shared_ptr<GpuCore> mCore;
  VkSurfaceKHR mSurface = VK_NULL_HANDLE;
  VkSwapchainKHR mSwapchain = VK_NULL_HANDLE;
  VkExtent2D mExtent{0, 0};
  std::vector<VkImage> mImages;
  std::vector<VkSemaphore> mReady;  // per image: its copy is done, the present may start
  bool mOutOfDate = false;
  Frame mFrames[kFramesInFlight];
  int mNextFrame = 0;
};

}  // namespace platform::gpu
