// Holds a device's queue, as a GPU busy with other work would, for tests of what must not wait for the GPU: a
// submission that waits for an event only the host sets.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/gpu/GpuCore.h"

namespace platform::gpu::test {

// Released by Release (from any thread, once at a time), or after ten seconds by a watchdog, which then fails the
// test (something waited for the GPU that should not have).
class QueueHold {
 public:
  explicit QueueHold(GpuCore& core);
  ~QueueHold();
  QueueHold(const QueueHold&) = delete;
  QueueHold& operator=(const QueueHold&) = delete;

  void Release();

 private:
  void SetEvent();

  GpuCore& mCore;
  PFN_vkCreateEvent mCreateEvent = nullptr;
  PFN_vkDestroyEvent mDestroyEvent = nullptr;
  PFN_vkSetEvent mSetEvent = nullptr;
  VkEvent mEvent = VK_NULL_HANDLE;
  std::unique_ptr<GpuFrameSlot> mSlot;
  std::mutex mMutex;
  std::condition_variable mChanged;
  bool mReleased = false;  // guarded by mMutex
  bool mEventSet = false;  // guarded by mMutex
  std::thread mWatchdog;
};

}  // namespace platform::gpu::test
