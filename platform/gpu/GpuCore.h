// The Vulkan instance, device and queue behind every GPU-layer object, shared by all of them so that a
// resource outlives neither its device nor the command buffers that use it. Internal to platform/gpu.
// Thread rules: the queue is guarded by its own mutex, recycled frame slots by theirs; everything else
// is written once at creation and only read afterwards.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/gpu/GpuTypes.h"
#include "platform/gpu/VulkanApi.h"

namespace platform::gpu {

class GpuCommandBuffer;
class GpuTexture;

// What one command buffer records into: its pool, command buffer, fence and descriptor pools. Slots are
// recycled after completion instead of being made anew each frame.
struct GpuFrameSlot {
  VkCommandPool commandPool = VK_NULL_HANDLE;
  VkCommandBuffer commandBuffer = VK_NULL_HANDLE;
  VkFence fence = VK_NULL_HANDLE;
  std::vector<VkDescriptorPool> descriptorPools;
  size_t descriptorPoolsInUse = 0;
  std::vector<int> descriptorSets;  // of each pool, allocated since it was last reset
  // Set by its submission when colour textures were made since the one before: a command buffer submitted ahead of
  // this one in the same batch that clears them, and the textures, held until the batch has completed.
  std::unique_ptr<GpuFrameSlot> prelude;
  std::vector<std::shared_ptr<GpuTexture>> cleared;
};

// What a core holds for its users, counted by kind (GpuDevice::Holdings).
enum class GpuHeld {
  kFrameSlots,
  kDescriptorPools,
  kDescriptorSets,
  kBuffers,
  kTextures,
  kSamplers,
  kPipelines,
  kKinds
};

// Descriptor bindings of the one pipeline layout every pipeline shares: vertex buffer 1 (uniform), fragment
// buffer 0 (uniform with a per-draw offset), fragment texture 0 and fragment sampler 0.
enum GpuBinding : uint32_t {
  kBindingVertexUniforms = 0,
  kBindingFragmentUniforms = 1,
  kBindingFragmentTexture = 2,
  kBindingFragmentSampler = 3,
};

class GpuCore {
 public:
  GpuCore() = default;
  ~GpuCore();
  GpuCore(const GpuCore&) = delete;
  GpuCore& operator=(const GpuCore&) = delete;

  // Creation thread. Instance, device, queue, layouts; false with a reason, leaving what was made for
  // the destructor to release. With presentation, the surface and swapchain extensions are enabled
  // where the loader and device offer them (canPresent says whether they did); a device without them
  // is still made.
  bool Create(bool validation, bool presentation, const std::string& deviceChoice, std::string& reason);

  // Any thread; never blocks. A memory type with the wanted properties among the allowed bits.
  bool FindMemoryType(uint32_t allowedBits, VkMemoryPropertyFlags wanted, uint32_t& index) const;
  VkFormat VulkanFormat(GpuPixelFormat format) const;
  // Any thread; never blocks. Whether a blit can read the one format and write the other (optimal tiling).
  bool CanBlit(GpuPixelFormat source, GpuPixelFormat destination) const;

  // Any thread; blocks briefly on the slot mutex. A begun command buffer with its fence reset, or null.
  std::unique_ptr<GpuFrameSlot> TakeSlot(std::string& reason);
  void ReturnSlot(std::unique_ptr<GpuFrameSlot> slot);
  // Any thread; blocks briefly on the slot mutex. Destroys the slots no command buffer records or runs in.
  void DestroyFreeSlots();
  // Any thread. A descriptor set of the shared layout from the slot's pools (a new pool when full).
  VkDescriptorSet AllocateDescriptorSet(GpuFrameSlot& slot);

  // Any thread; blocks on the queue mutex. Ends the slot's command buffer and submits it with its fence, behind the
  // clears of the colour textures made since the submission before.
  VkResult Submit(GpuFrameSlot& slot);
  // Any thread; never blocks (but on a short mutex of its own). A colour texture just made, in no layout yet: the next
  // submission of a slot moves it into the general layout and clears it to transparent black ahead of its own
  // commands, so that making it waits for nothing and every command buffer that can use it finds it cleared.
  void ClearAtNextSubmission(std::weak_ptr<GpuTexture> texture);
  // Any thread; block on the queue mutex. A prepared submission, a present, and waiting for the queue to
  // drain (only when a swapchain is rebuilt or destroyed).
  VkResult Submit(const VkSubmitInfo& submit, VkFence fence);
  VkResult Present(const VkPresentInfoKHR& present);
  void WaitQueueIdle();
  // Any thread; never blocks (but on the queue mutex). Whether everything submitted so far has completed, as
  // far as can be known without waiting: a marker queued behind the last submission has signalled. A call
  // that finds submissions after the marker queues a new one and answers false.
  bool QueueIdleNow();
  // Any thread; blocks until the GPU is done. Records with `record`, submits and waits: read-backs, which the
  // caller needs finished before it returns.
  bool RunNow(const std::function<void(VkCommandBuffer)>& record, std::string& reason);

  // Completion: committed command buffers are watched by one thread per device, which runs their
  // completion handlers and then drops what they held.
  void StartCompletionThread();
  // Creation thread; blocks until every tracked command buffer has completed, then stops the thread.
  void StopCompletionThread();
  // Committing thread. False after the thread was stopped (the buffer is then not submitted).
  bool Track(std::shared_ptr<GpuCommandBuffer> buffer);
  // Any thread; blocks until every command buffer tracked so far has completed.
  void WaitForTracked();

  // Any thread; never blocks. Made (+1) and destroyed (-1) objects of a kind; how many are held.
  void Hold(GpuHeld kind, int change) { mHeld[static_cast<int>(kind)].fetch_add(change, std::memory_order_relaxed); }
  int Held(GpuHeld kind) const { return mHeld[static_cast<int>(kind)].load(std::memory_order_relaxed); }

  void CountValidationMessage() { mValidationMessages.fetch_add(1, std::memory_order_relaxed); }
  int ValidationMessages() const { return mValidationMessages.load(std::memory_order_relaxed); }

  VulkanFunctions fn;
  VkInstance instance = VK_NULL_HANDLE;
  VkDebugUtilsMessengerEXT messenger = VK_NULL_HANDLE;
  VkPhysicalDevice physicalDevice = VK_NULL_HANDLE;
  VkDevice device = VK_NULL_HANDLE;
  VkQueue queue = VK_NULL_HANDLE;
  uint32_t queueFamily = 0;
  bool canPresent = false;  // VK_KHR_xlib_surface and VK_KHR_swapchain are enabled
  VkPhysicalDeviceMemoryProperties memoryProperties{};
  VkPhysicalDeviceProperties properties{};
  VkFormat stencilFormat = VK_FORMAT_UNDEFINED;
  VkDescriptorSetLayout setLayout = VK_NULL_HANDLE;
  VkPipelineLayout pipelineLayout = VK_NULL_HANDLE;
  // Bound where a draw names no texture or sampler; set once by the device after creation.
  VkImageView placeholderView = VK_NULL_HANDLE;
  VkBuffer placeholderBuffer = VK_NULL_HANDLE;
  VkSampler placeholderSampler = VK_NULL_HANDLE;

 private:
  bool CreateInstance(bool validation, bool presentation, std::string& reason);
  bool PickPhysicalDevice(const std::string& deviceChoice, std::string& reason);
  bool CreateDeviceAndQueue(bool presentation, std::string& reason);
  bool CreateLayouts(std::string& reason);
  void CompletionLoop();
  void DestroySlot(GpuFrameSlot& slot);
  // Queue mutex held: the slot's prelude with the clears waiting, when there are any.
  VkResult RecordClears(GpuFrameSlot& slot);
  void ClearLater(std::vector<std::shared_ptr<GpuTexture>>& textures);

  bool mSurfaceExtensions = false;  // creation thread only
  std::mutex mQueueMutex;
  uint64_t mSubmissions = 0;         // guarded by mQueueMutex
  VkFence mMarker = VK_NULL_HANDLE;  // guarded by mQueueMutex
  uint64_t mMarkedSubmissions = 0;   // submissions before the marker; guarded by mQueueMutex
  bool mMarkerQueued = false;        // guarded by mQueueMutex
  std::mutex mSlotMutex;
  std::vector<std::unique_ptr<GpuFrameSlot>> mFreeSlots;  // guarded by mSlotMutex
  // Taken after the queue mutex when both are held.
  std::mutex mClearMutex;
  std::vector<std::weak_ptr<GpuTexture>> mToClear;  // guarded by mClearMutex

  std::mutex mTrackMutex;
  std::condition_variable mTrackChanged;
  std::deque<std::shared_ptr<GpuCommandBuffer>> mTracked;  // guarded by mTrackMutex, in submission order
  bool mStopping = false;                                  // guarded by mTrackMutex
  bool mRunning = false;                                   // guarded by mTrackMutex
  std::thread mCompletionThread;

  std::atomic<int> mValidationMessages{0};
  std::atomic<int> mHeld[static_cast<int>(GpuHeld::kKinds)] = {};
};

}  // namespace platform::gpu
