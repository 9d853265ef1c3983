#include "tests/platform/gpu/GpuTestEnvironment.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace platform::gpu::test {

namespace {

// Drivers and layers are unloaded by the loader when the instance goes; leaks they leave at exit would
// then be reported against an unknown module. Keeping them mapped lets the leak checker see them by
// name (and see that the project leaks nothing).
void KeepDriversMapped() {
  for (const char* library :
       {"libvulkan_lvp.so", "libVkLayer_khronos_validation.so", "libVkLayer_MESA_device_select.so"})
    dlopen(library, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}

class DeviceEnvironment : public ::testing::Environment {
 public:
  std::shared_ptr<GpuDevice> Get() {
    if (!mTried) {
      mTried = true;
      Prepare();
      GpuDeviceOptions options;
      options.validation = true;
      options.deviceChoice = "cpu";
      // Windows are used by the X11 tests only; the extensions change nothing for the headless ones.
      options.presentation = true;
      mDevice = GpuDevice::Create(options, mReason);
    }
    EXPECT_NE(mDevice, nullptr) << mReason;
    return mDevice;
  }

  // Only the CPU device's driver is loaded, and its shader cache and the layer's files go to a folder of
  // this process.
  void Prepare() {
    if (!mCacheDir.empty()) return;
    setenv("VK_DRIVER_FILES", "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json", 1);
    mCacheDir = std::filesystem::temp_directory_path() / ("kd_gpu_cache_" + std::to_string(getpid()));
    std::filesystem::create_directories(mCacheDir);
    setenv("XDG_CACHE_HOME", mCacheDir.c_str(), 1);
    KeepDriversMapped();
  }

  void TearDown() override {
    if (mDevice) {
      EXPECT_EQ(mDevice->ValidationMessageCount(), 0);
    }
    mDevice.reset();
    if (!mCacheDir.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(mCacheDir, ignored);
    }
  }

 private:
  bool mTried = false;
  std::shared_ptr<GpuDevice> mDevice;
  std::string mReason;
  std::filesystem::path mCacheDir;
};

DeviceEnvironment* const gEnvironment =
    static_cast<DeviceEnvironment*>(::testing::AddGlobalTestEnvironment(new DeviceEnvironment));

}  // namespace

std::shared_ptr<GpuDevice> SharedDevice() {
  return gEnvironment->Get();
}

GpuDevice* Device() {
  return gEnvironment->Get().get();
}

void PrepareCpuDeviceEnvironment() {
  gEnvironment->Prepare();
}

}  // namespace platform::gpu::test
