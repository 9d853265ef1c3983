// The Vulkan entry points the GPU layer uses, loaded at run time from the system's loader library so that
// the module never links against Vulkan: a host without Vulkan still loads the module and processes audio.
// Any thread; the table is filled once per instance and device, then only read.
#pragma once

#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <string>

namespace platform::gpu {

// Functions reached before an instance exists.
#define KD_VK_GLOBAL_FUNCTIONS(X)       \
  X(vkCreateInstance)                   \
  X(vkEnumerateInstanceLayerProperties) \
  X(vkEnumerateInstanceExtensionProperties)

#define KD_VK_INSTANCE_FUNCTIONS(X)           \
  X(vkDestroyInstance)                        \
  X(vkEnumeratePhysicalDevices)               \
  X(vkGetPhysicalDeviceProperties)            \
  X(vkGetPhysicalDeviceFeatures2)             \
  X(vkGetPhysicalDeviceQueueFamilyProperties) \
  X(vkGetPhysicalDeviceMemoryProperties)      \
  X(vkGetPhysicalDeviceFormatProperties)      \
  X(vkEnumerateDeviceExtensionProperties)     \
  X(vkCreateDevice)                           \
  X(vkGetDeviceProcAddr)

#define KD_VK_DEBUG_FUNCTIONS(X)    \
  X(vkCreateDebugUtilsMessengerEXT) \
  X(vkDestroyDebugUtilsMessengerEXT)

// Presenting to a window: only when the device was asked for it and the extensions are there.
#define KD_VK_SURFACE_FUNCTIONS(X)             \
  X(vkDestroySurfaceKHR)                       \
  X(vkGetPhysicalDeviceSurfaceSupportKHR)      \
  X(vkGetPhysicalDeviceSurfaceCapabilitiesKHR) \
  X(vkGetPhysicalDeviceSurfaceFormatsKHR)      \
  X(vkGetPhysicalDeviceSurfacePresentModesKHR)

#define KD_VK_SWAPCHAIN_FUNCTIONS(X) \
  X(vkCreateSwapchainKHR)            \
  X(vkDestroySwapchainKHR)           \
  X(vkGetSwapchainImagesKHR)         \
  X(vkAcquireNextImageKHR)           \
  X(vkQueuePresentKHR)

#define KD_VK_DEVICE_FUNCTIONS(X)  \
  X(vkDestroyDevice)               \
  X(vkGetDeviceQueue)              \
  X(vkDeviceWaitIdle)              \
  X(vkQueueSubmit)                 \
  X(vkQueueWaitIdle)               \
  X(vkAllocateMemory)              \
  X(vkFreeMemory)                  \
  X(vkMapMemory)                   \
  X(vkCreateBuffer)                \
  X(vkDestroyBuffer)               \
  X(vkGetBufferMemoryRequirements) \
  X(vkBindBufferMemory)            \
  X(vkCreateImage)                 \
  X(vkDestroyImage)                \
  X(vkGetImageMemoryRequirements)  \
  X(vkBindImageMemory)             \
  X(vkCreateImageView)             \
  X(vkDestroyImageView)            \
  X(vkCreateSampler)               \
  X(vkDestroySampler)              \
  X(vkCreateShaderModule)          \
  X(vkDestroyShaderModule)         \
  X(vkCreateDescriptorSetLayout)   \
  X(vkDestroyDescriptorSetLayout)  \
  X(vkCreatePipelineLayout)        \
  X(vkDestroyPipelineLayout)       \
  X(vkCreateGraphicsPipelines)     \
  X(vkDestroyPipeline)             \
  X(vkCreateDescriptorPool)        \
  X(vkDestroyDescriptorPool)       \
  X(vkResetDescriptorPool)         \
  X(vkAllocateDescriptorSets)      \
  X(vkUpdateDescriptorSets)        \
  X(vkCreateCommandPool)           \
  X(vkDestroyCommandPool)          \
  X(vkResetCommandPool)            \
  X(vkAllocateCommandBuffers)      \
  X(vkBeginCommandBuffer)          \
  X(vkEndCommandBuffer)            \
  X(vkCreateFence)                 \
  X(vkDestroyFence)                \
  X(vkResetFences)                 \
  X(vkWaitForFences)               \
  X(vkGetFenceStatus)              \
  X(vkCreateSemaphore)             \
  X(vkDestroySemaphore)            \
  X(vkCmdPipelineBarrier)          \
  X(vkCmdCopyBufferToImage)        \
  X(vkCmdCopyImageToBuffer)        \
  X(vkCmdBlitImage)                \
  X(vkCmdCopyImage)                \
  X(vkCmdClearColorImage)          \
  X(vkCmdBeginRendering)           \
  X(vkCmdEndRendering)             \
  X(vkCmdBindPipeline)             \
  X(vkCmdBindDescriptorSets)       \
  X(vkCmdPushConstants)            \
  X(vkCmdBindVertexBuffers)        \
  X(vkCmdBindIndexBuffer)          \
  X(vkCmdSetViewport)              \
  X(vkCmdSetScissor)               \
  X(vkCmdSetCullMode)              \
  X(vkCmdSetFrontFace)             \
  X(vkCmdSetPrimitiveTopology)     \
  X(vkCmdSetDepthTestEnable)       \
  X(vkCmdSetDepthWriteEnable)      \
  X(vkCmdSetDepthCompareOp)        \
  X(vkCmdSetDepthBoundsTestEnable) \
  X(vkCmdSetStencilTestEnable)     \
  X(vkCmdSetStencilOp)             \
  X(vkCmdSetStencilCompareMask)    \
  X(vkCmdSetStencilWriteMask)      \
  X(vkCmdSetStencilReference)      \
  X(vkCmdDraw)                     \
  X(vkCmdDrawIndexed)

#define KD_VK_DECLARE_POINTER(name) PFN_##name name = nullptr;

struct VulkanFunctions {
  PFN_vkGetInstanceProcAddr vkGetInstanceProcAddr = nullptr;
  KD_VK_GLOBAL_FUNCTIONS(KD_VK_DECLARE_POINTER)
  KD_VK_INSTANCE_FUNCTIONS(KD_VK_DECLARE_POINTER)
  KD_VK_DEBUG_FUNCTIONS(KD_VK_DECLARE_POINTER)
  KD_VK_DEVICE_FUNCTIONS(KD_VK_DECLARE_POINTER)
  KD_VK_SURFACE_FUNCTIONS(KD_VK_DECLARE_POINTER)
  KD_VK_SWAPCHAIN_FUNCTIONS(KD_VK_DECLARE_POINTER)
};

// Any thread; may block on the dynamic linker. Opens the loader ("libvulkan.so.1", or the file named by
// KD_VULKAN_LIBRARY, which tests use to make the loader unavailable) and fills the global functions.
// The library stays loaded for the life of the process: drivers keep threads and callbacks inside it.
// False with a reason when the library or an entry point is missing.
bool LoadVulkanGlobals(VulkanFunctions& fn, std::string& reason);
// After instance creation: the instance functions; the debug functions only when available. False with
// a reason when a required one is missing.
bool LoadVulkanInstanceFunctions(VulkanFunctions& fn, VkInstance instance, std::string& reason);
// After device creation. False with a reason when one is missing.
bool LoadVulkanDeviceFunctions(VulkanFunctions& fn, VkDevice device, std::string& reason);
// After creating a device with the surface and swapchain extensions enabled. False with a reason when
// one is missing.
bool LoadVulkanPresentationFunctions(VulkanFunctions& fn, VkInstance instance, VkDevice device, std::string& reason);

// "VK_ERROR_OUT_OF_DEVICE_MEMORY" and the like, for failure reasons.
const char* VulkanResultName(VkResult result);

// True when result is a failure; the reason then names the step and the result.
bool VulkanFailed(VkResult result, const char* what, std::string& reason);

}  // namespace platform::gpu
