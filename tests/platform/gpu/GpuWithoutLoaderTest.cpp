// With the Vulkan loader unavailable (KD_VULKAN_LIBRARY names a file that does not exist), opening a
// device fails with a reason and leaves the process as it was. Its own program: the loader, once
// opened, stays open for the life of a process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gpu/GpuDevice.h"

namespace platform::gpu {
namespace {

TEST(GpuWithoutLoaderTest, DeviceCreationFailsCleanlyEveryTime) {
  setenv("KD_VULKAN_LIBRARY", "/nonexistent/kd/libvulkan.so.1", 1);
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string reason;
    GpuDeviceOptions options;
    options.validation = attempt == 1;
    EXPECT_EQ(GpuDevice::Create(options, reason), nullptr);
    EXPECT_NE(reason.find("no Vulkan loader"), std::string::npos) << reason;
  }
}

}  // namespace
}  // namespace platform::gpu
