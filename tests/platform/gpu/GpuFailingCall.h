// Makes one Vulkan entry point of a device fail while in scope, as a device out of memory would, for tests of what
// follows a failed creation or submission; the entry point is restored on leaving the scope.
#pragma once

#include "platform/gpu/GpuCore.h"

namespace platform::gpu::test {

// entry is a member of a GpuCore's function table (core.fn.vkCreateImage, say). Only the thread that makes the
// failing calls may be using that entry point meanwhile.
template <typename Entry>
class FailingCall {
 public:
  explicit FailingCall(Entry& entry) : mEntry(entry), mSaved(entry) {
    mEntry = [](auto...) { return VK_ERROR_OUT_OF_DEVICE_MEMORY; };
  }
  ~FailingCall() { mEntry = mSaved; }
  FailingCall(const FailingCall&) = delete;
  FailingCall& operator=(const FailingCall&) = delete;

 private:
  Entry& mEntry;
  Entry mSaved;
};

}  // namespace platform::gpu::test
