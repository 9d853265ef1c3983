#include "tests/platform/gpu/GpuQueueHold.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace platform::gpu::test {

QueueHold::QueueHold(GpuCore& core) : mCore(core) {
  const auto get = [&core](const char* name) { return core.fn.vkGetDeviceProcAddr(core.device, name); };
  mCreateEvent = reinterpret_cast<PFN_vkCreateEvent>(get("vkCreateEvent"));
  mDestroyEvent = reinterpret_cast<PFN_vkDestroyEvent>(get("vkDestroyEvent"));
  mSetEvent = reinterpret_cast<PFN_vkSetEvent>(get("vkSetEvent"));
  const auto waitEvents = reinterpret_cast<PFN_vkCmdWaitEvents>(get("vkCmdWaitEvents"));
  VkEventCreateInfo info{VK_STRUCTURE_TYPE_EVENT_CREATE_INFO, nullptr, 0};
  EXPECT_EQ(mCreateEvent(core.device, &info, nullptr, &mEvent), VK_SUCCESS);
  std::string reason;
  mSlot = core.TakeSlot(reason);
  EXPECT_NE(mSlot, nullptr) << reason;
  waitEvents(mSlot->commandBuffer, 1, &mEvent, VK_PIPELINE_STAGE_HOST_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0,
             nullptr, 0, nullptr, 0, nullptr);
  EXPECT_EQ(core.Submit(*mSlot), VK_SUCCESS);
  mWatchdog = std::thread([this] {
    std::unique_lock<std::mutex> lock(mMutex);
    if (mChanged.wait_for(lock, std::chrono::seconds(10), [this] { return mReleased; })) return;
    ADD_FAILURE() << "the GPU was waited for";
    SetEvent();
  });
}

QueueHold::~QueueHold() {
  Release();
}

void QueueHold::Release() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mReleased) SetEvent();
    mReleased = true;
  }
  mChanged.notify_all();
  if (mWatchdog.joinable()) mWatchdog.join();
  if (!mSlot) return;
  mCore.fn.vkWaitForFences(mCore.device, 1, &mSlot->fence, VK_TRUE, UINT64_MAX);
  mCore.ReturnSlot(std::move(mSlot));
  mDestroyEvent(mCore.device, mEvent, nullptr);
}

void QueueHold::SetEvent() {
  if (!mEventSet) mSetEvent(mCore.device, mEvent);
  mEventSet = true;
}

}  // namespace platform::gpu::test
