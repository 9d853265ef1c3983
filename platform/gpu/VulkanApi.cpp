#include "platform/gpu/VulkanApi.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace platform::gpu {

namespace {

void* OpenLoaderOnce(std::string& reason) {
  static std::mutex mutex;
  static void* handle = nullptr;
  std::lock_guard<std::mutex> lock(mutex);
  if (handle) return handle;
  const char* overrideName = std::getenv("KD_VULKAN_LIBRARY");
  const char* name = overrideName && *overrideName ? overrideName : "libvulkan.so.1";
  handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = dlerror();
    reason = std::string("no Vulkan loader: ") + (error ? error : name);
  }
  return handle;
}

}  // namespace

bool LoadVulkanGlobals(VulkanFunctions& fn, std::string& reason) {
  void* handle = OpenLoaderOnce(reason);
  if (!handle) return false;
  fn.vkGetInstanceProcAddr = reinterpret_cast<PFN_vkGetInstanceProcAddr>(dlsym(handle, "vkGetInstanceProcAddr"));
  if (!fn.vkGetInstanceProcAddr) {
    reason = "the Vulkan loader has no vkGetInstanceProcAddr";
    return false;
  }
#define KD_VK_LOAD_GLOBAL(name)                                                            \
  fn.name = reinterpret_cast<PFN_##name>(fn.vkGetInstanceProcAddr(VK_NULL_HANDLE, #name)); \
  if (!fn.name) {                                                                          \
    reason = "missing Vulkan function " #name;                                             \
    return false;                                                                          \
  }
  KD_VK_GLOBAL_FUNCTIONS(KD_VK_LOAD_GLOBAL)
#undef KD_VK_LOAD_GLOBAL
  return true;
}

bool LoadVulkanInstanceFunctions(VulkanFunctions& fn, VkInstance instance, std::string& reason) {
#define KD_VK_LOAD_INSTANCE(name)                                                    \
  fn.name = reinterpret_cast<PFN_##name>(fn.vkGetInstanceProcAddr(instance, #name)); \
  if (!fn.name) {                                                                    \
    reason = "missing Vulkan function " #name;                                       \
    return false;                                                                    \
  }
  KD_VK_INSTANCE_FUNCTIONS(KD_VK_LOAD_INSTANCE)
#undef KD_VK_LOAD_INSTANCE
#define KD_VK_LOAD_OPTIONAL(name) fn.name = reinterpret_cast<PFN_##name>(fn.vkGetInstanceProcAddr(instance, #name));
  KD_VK_DEBUG_FUNCTIONS(KD_VK_LOAD_OPTIONAL)
#undef KD_VK_LOAD_OPTIONAL
  return true;
}

bool LoadVulkanDeviceFunctions(VulkanFunctions& fn, VkDevice device, std::string& reason) {
#define KD_VK_LOAD_DEVICE(name)                                                  \
  fn.name = reinterpret_cast<PFN_##name>(fn.vkGetDeviceProcAddr(device, #name)); \
  if (!fn.name) {                                                                \
    reason = "missing Vulkan function " #name;                                   \
    return false;                                                                \
  }
  KD_VK_DEVICE_FUNCTIONS(KD_VK_LOAD_DEVICE)
#undef KD_VK_LOAD_DEVICE
  return true;
}

bool LoadVulkanPresentationFunctions(VulkanFunctions& fn, VkInstance instance, VkDevice device, std::string& reason) {
#define KD_VK_LOAD_SURFACE(name)                                                     \
  fn.name = reinterpret_cast<PFN_##name>(fn.vkGetInstanceProcAddr(instance, #name)); \
  if (!fn.name) {                                                                    \
    reason = "missing Vulkan function " #name;                                       \
    return false;                                                                    \
  }
  KD_VK_SURFACE_FUNCTIONS(KD_VK_LOAD_SURFACE)
#undef KD_VK_LOAD_SURFACE
#define KD_VK_LOAD_SWAPCHAIN(name)                                               \
  fn.name = reinterpret_cast<PFN_##name>(fn.vkGetDeviceProcAddr(device, #name)); \
  if (!fn.name) {                                                                \
    reason = "missing Vulkan function " #name;                                   \
    return false;                                                                \
  }
  KD_VK_SWAPCHAIN_FUNCTIONS(KD_VK_LOAD_SWAPCHAIN)
#undef KD_VK_LOAD_SWAPCHAIN
  return true;
}

const char* VulkanResultName(VkResult result) {
  switch (result) {
    case VK_SUCCESS:
      return "VK_SUCCESS";
    case VK_NOT_READY:
      return "VK_NOT_READY";
    case VK_TIMEOUT:
      return "VK_TIMEOUT";
    case VK_INCOMPLETE:
      return "VK_INCOMPLETE";
    case VK_ERROR_OUT_OF_HOST_MEMORY:
      return "VK_ERROR_OUT_OF_HOST_MEMORY";
    case VK_ERROR_OUT_OF_DEVICE_MEMORY:
      return "VK_ERROR_OUT_OF_DEVICE_MEMORY";
    case VK_ERROR_INITIALIZATION_FAILED:
      return "VK_ERROR_INITIALIZATION_FAILED";
    case VK_ERROR_DEVICE_LOST:
      return "VK_ERROR_DEVICE_LOST";
    case VK_ERROR_MEMORY_MAP_FAILED:
      return "VK_ERROR_MEMORY_MAP_FAILED";
    case VK_ERROR_LAYER_NOT_PRESENT:
      return "VK_ERROR_LAYER_NOT_PRESENT";
    case VK_ERROR_EXTENSION_NOT_PRESENT:
      return "VK_ERROR_EXTENSION_NOT_PRESENT";
    case VK_ERROR_FEATURE_NOT_PRESENT:
      return "VK_ERROR_FEATURE_NOT_PRESENT";
    case VK_ERROR_INCOMPATIBLE_DRIVER:
      return "VK_ERROR_INCOMPATIBLE_DRIVER";
    case VK_ERROR_TOO_MANY_OBJECTS:
      return "VK_ERROR_TOO_MANY_OBJECTS";
    case VK_ERROR_FORMAT_NOT_SUPPORTED:
      return "VK_ERROR_FORMAT_NOT_SUPPORTED";
    case VK_ERROR_FRAGMENTED_POOL:
      return "VK_ERROR_FRAGMENTED_POOL";
    case VK_ERROR_OUT_OF_POOL_MEMORY:
      return "VK_ERROR_OUT_OF_POOL_MEMORY";
    case VK_SUBOPTIMAL_KHR:
      return "VK_SUBOPTIMAL_KHR";
    case VK_ERROR_OUT_OF_DATE_KHR:
      return "VK_ERROR_OUT_OF_DATE_KHR";
    case VK_ERROR_SURFACE_LOST_KHR:
      return "VK_ERROR_SURFACE_LOST_KHR";
    case VK_ERROR_NATIVE_WINDOW_IN_USE_KHR:
      return "VK_ERROR_NATIVE_WINDOW_IN_USE_KHR";
    default:
      return "VK_ERROR_UNKNOWN";
  }
}

bool VulkanFailed(VkResult result, const char* what, std::string& reason) {
  if (result == VK_SUCCESS) return false;
  reason = std::string(what) + " failed: " + VulkanResultName(result);
  return true;
}

}  // namespace platform::gpu
