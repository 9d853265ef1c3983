// The editor benchmarks' process set-up: only Mesa's CPU device, with its shader cache in a folder of this
// process, so that figures compare across machines and runs.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kd::bench {

// Once per process, before the first GPU device is made.
inline void UseCpuDeviceOnly() {
  static const bool done = [] {
    setenv("VK_DRIVER_FILES", "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json", 0);
    setenv("KD_GPU_DEVICE", "cpu", 1);
    const std::filesystem::path cache =
        std::filesystem::temp_directory_path() / ("kd_bench_cache_" + std::to_string(getpid()));
    std::filesystem::create_directories(cache);
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    return true;
  }();
  (void)done;
}

}  // namespace kd::bench
