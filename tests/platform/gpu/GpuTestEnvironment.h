// The one validated CPU device of a test program, shared by every GPU test executable: only the CPU device's driver
// is loaded, shader and layer caches go to a folder of this process, drivers stay mapped for the leak checker, and
// the program fails when the validation layer has reported anything by its end.
#pragma once

#include <memory>

#include "platform/gpu/GpuDevice.h"

namespace platform::gpu::test {

// Made on first use; null (with the calling test failed) when it cannot be made.
std::shared_ptr<GpuDevice> SharedDevice();
// For programs whose code under test makes its own devices (the editor): only the CPU device's driver is
// loaded, caches go to a folder of this process (removed at the end), drivers stay mapped for the leak checker.
// Once per program; SharedDevice does it too.
void PrepareCpuDeviceEnvironment();
GpuDevice* Device();

}  // namespace platform::gpu::test
