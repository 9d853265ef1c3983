#include "platform/gpu/GpuCore.h"

// Vulkan records are started as `VkThing info{VK_STRUCTURE_TYPE_THING}`, the rest zero by the language.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/gpu/GpuCommandBuffer.h"
#include "platform/gpu/GpuResources.h"

namespace platform::gpu {

namespace {

constexpr const char* kValidationLayer = "VK_LAYER_KHRONOS_validation";
// Named here rather than through vulkan_xlib.h, which needs Xlib's headers.
constexpr const char* kXlibSurfaceExtension = "VK_KHR_xlib_surface";
// Sets per descriptor pool; a frame with more draws than this takes a second pool.
constexpr uint32_t kSetsPerPool = 256;

VKAPI_ATTR VkBool32 VKAPI_CALL OnValidationMessage(VkDebugUtilsMessageSeverityFlagBitsEXT,
                                                   VkDebugUtilsMessageTypeFlagsEXT,
                                                   const VkDebugUtilsMessengerCallbackDataEXT* data, void* user) {
  static_cast<GpuCore*>(user)->CountValidationMessage();
  std::fprintf(stderr, "Vulkan validation: %s\n", data && data->pMessage ? data->pMessage : "(no message)");
  return VK_FALSE;
}

bool HasLayer(const VulkanFunctions& fn, const char* name) {
  uint32_t count = 0;
  if (fn.vkEnumerateInstanceLayerProperties(&count, nullptr) != VK_SUCCESS) return false;
  std::vector<VkLayerProperties> layers(count);
  if (fn.vkEnumerateInstanceLayerProperties(&count, layers.data()) != VK_SUCCESS) return false;
  return std::any_of(layers.begin(), layers.end(),
                     [name](const VkLayerProperties& layer) { return std::strcmp(layer.layerName, name) == 0; });
}

// The extensions the loader (device null) or a device offers; empty when they cannot be listed.
std::vector<VkExtensionProperties> Extensions(const VulkanFunctions& fn, VkPhysicalDevice device) {
  uint32_t count = 0;
  std::vector<VkExtensionProperties> extensions;
  auto list = [&](VkExtensionProperties* out) {
    return device ? fn.vkEnumerateDeviceExtensionProperties(device, nullptr, &count, out)
                  : fn.vkEnumerateInstanceExtensionProperties(nullptr, &count, out);
  };
  if (list(nullptr) != VK_SUCCESS) return extensions;
  extensions.resize(count);
  if (list(extensions.data()) != VK_SUCCESS) count = 0;
  extensions.resize(count);
  return extensions;
}

bool Offers(const std::vector<VkExtensionProperties>& extensions, const char* name) {
  return std::any_of(extensions.begin(), extensions.end(), [name](const VkExtensionProperties& extension) {
    return std::strcmp(extension.extensionName, name) == 0;
  });
}

// Higher is better: a real GPU before an integrated one before the CPU device.
int DeviceRank(VkPhysicalDeviceType type) {
  switch (type) {
    case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU:
      return 4;
    case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU:
      return 3;
    case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU:
      return 2;
    case VK_PHYSICAL_DEVICE_TYPE_CPU:
      return 1;
    default:
      return 0;
  }
}

// KD_GPU_DEVICE (or the caller's choice): "cpu" takes only the CPU device, "gpu" anything but it, other
// text a device whose name contains it.
bool MatchesChoice(const std::string& choice, const VkPhysicalDeviceProperties& properties) {
  if (choice.empty()) return true;
  if (choice == "cpu") return properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU;
  if (choice == "gpu") return properties.deviceType != VK_PHYSICAL_DEVICE_TYPE_CPU;
  return std::strstr(properties.deviceName, choice.c_str()) != nullptr;
}

}  // namespace

GpuCore::~GpuCore() {
  StopCompletionThread();
  if (device) {
    fn.vkDeviceWaitIdle(device);
    for (auto& slot : mFreeSlots) DestroySlot(*slot);
    if (mMarker) fn.vkDestroyFence(device, mMarker, nullptr);
    if (pipelineLayout) fn.vkDestroyPipelineLayout(device, pipelineLayout, nullptr);
    if (setLayout) fn.vkDestroyDescriptorSetLayout(device, setLayout, nullptr);
    fn.vkDestroyDevice(device, nullptr);
  }
  if (messenger) fn.vkDestroyDebugUtilsMessengerEXT(instance, messenger, nullptr);
  if (instance) fn.vkDestroyInstance(instance, nullptr);
}

bool GpuCore::Create(bool validation, bool presentation, const std::string& deviceChoice, std::string& reason) {
  return LoadVulkanGlobals(fn, reason) && CreateInstance(validation, presentation, reason) &&
         PickPhysicalDevice(deviceChoice, reason) && CreateDeviceAndQueue(presentation, reason) &&
         CreateLayouts(reason);
}

bool GpuCore::CreateInstance(bool validation, bool presentation, std::string& reason) {
  uint32_t loaderVersion = VK_API_VERSION_1_0;
  auto enumerateVersion = reinterpret_cast<PFN_vkEnumerateInstanceVersion>(
      fn.vkGetInstanceProcAddr(VK_NULL_HANDLE, "vkEnumerateInstanceVersion"));
  if (enumerateVersion && enumerateVersion(&loaderVersion) != VK_SUCCESS) loaderVersion = VK_API_VERSION_1_0;
  if (loaderVersion < VK_API_VERSION_1_3) {
    reason = "the Vulkan loader is older than 1.3";
    return false;
  }
  if (validation && !HasLayer(fn, kValidationLayer)) {
    reason = "the Vulkan validation layer is not installed";
    return false;
  }
  VkApplicationInfo app{VK_STRUCTURE_TYPE_APPLICATION_INFO};
  app.pApplicationName = "Kelvadrune";
  app.pEngineName = "Kelvadrune";
  app.apiVersion = VK_API_VERSION_1_3;

  VkDebugUtilsMessengerCreateInfoEXT messengerInfo{VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT};
  messengerInfo.messageSeverity =
      VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
  // Performance advice is left out: it objects to the general image layout, which this layer keeps on
  // purpose (see GpuTexture) and which costs nothing on the CPU device.
  messengerInfo.messageType =
      VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT;
  messengerInfo.pfnUserCallback = OnValidationMessage;
  messengerInfo.pUserData = this;

  // Beyond the layer's default checks, the synchronisation ones: a missing barrier between two passes, or between
  // a copy and the pass that reads it, is otherwise invisible on a device that runs its work in order.
  const VkValidationFeatureEnableEXT enabledChecks[] = {VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT};
  VkValidationFeaturesEXT checks{VK_STRUCTURE_TYPE_VALIDATION_FEATURES_EXT};
  checks.enabledValidationFeatureCount = 1;
  checks.pEnabledValidationFeatures = enabledChecks;
  checks.pNext = &messengerInfo;

  const char* layers[] = {kValidationLayer};
  std::vector<const char*> extensions;
  if (validation) {
    extensions.push_back(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
    extensions.push_back(VK_EXT_VALIDATION_FEATURES_EXTENSION_NAME);
  }
  if (presentation) {
    const std::vector<VkExtensionProperties> offered = Extensions(fn, VK_NULL_HANDLE);
    mSurfaceExtensions = Offers(offered, VK_KHR_SURFACE_EXTENSION_NAME) && Offers(offered, kXlibSurfaceExtension);
  }
  if (mSurfaceExtensions) {
    extensions.push_back(VK_KHR_SURFACE_EXTENSION_NAME);
    extensions.push_back(kXlibSurfaceExtension);
  }
  VkInstanceCreateInfo info{VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO};
  info.pApplicationInfo = &app;
  info.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
  info.ppEnabledExtensionNames = extensions.data();
  if (validation) {
    // Chained to the instance, the messenger also sees messages of instance creation and destruction.
    info.pNext = &checks;
    info.enabledLayerCount = 1;
    info.ppEnabledLayerNames = layers;
  }
  if (VulkanFailed(fn.vkCreateInstance(&info, nullptr, &instance), "vkCreateInstance", reason)) {
    instance = VK_NULL_HANDLE;
    return false;
  }
  if (!LoadVulkanInstanceFunctions(fn, instance, reason)) return false;
  if (validation) {
    if (!fn.vkCreateDebugUtilsMessengerEXT) {
      reason = "the Vulkan debug messenger is missing";
      return false;
    }
    if (VulkanFailed(fn.vkCreateDebugUtilsMessengerEXT(instance, &messengerInfo, nullptr, &messenger),
                     "vkCreateDebugUtilsMessengerEXT", reason)) {
      messenger = VK_NULL_HANDLE;
      return false;
    }
  }
  return true;
}

bool GpuCore::PickPhysicalDevice(const std::string& deviceChoice, std::string& reason) {
  uint32_t count = 0;
  if (VulkanFailed(fn.vkEnumeratePhysicalDevices(instance, &count, nullptr), "vkEnumeratePhysicalDevices", reason))
    return false;
  std::vector<VkPhysicalDevice> devices(count);
  if (VulkanFailed(fn.vkEnumeratePhysicalDevices(instance, &count, devices.data()), "vkEnumeratePhysicalDevices",
                   reason))
    return false;
  int bestRank = 0;
  for (VkPhysicalDevice candidate : devices) {
    VkPhysicalDeviceProperties candidateProperties;
    fn.vkGetPhysicalDeviceProperties(candidate, &candidateProperties);
    if (candidateProperties.apiVersion < VK_API_VERSION_1_3 || !MatchesChoice(deviceChoice, candidateProperties))
      continue;
    VkPhysicalDeviceVulkan13Features features13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    VkPhysicalDeviceFeatures2 features{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2};
    features.pNext = &features13;
    fn.vkGetPhysicalDeviceFeatures2(candidate, &features);
    if (!features13.dynamicRendering) continue;
    uint32_t familyCount = 0;
    fn.vkGetPhysicalDeviceQueueFamilyProperties(candidate, &familyCount, nullptr);
    std::vector<VkQueueFamilyProperties> families(familyCount);
    fn.vkGetPhysicalDeviceQueueFamilyProperties(candidate, &familyCount, families.data());
    for (uint32_t family = 0; family < familyCount; ++family) {
      if (!(families[family].queueFlags & VK_QUEUE_GRAPHICS_BIT)) continue;
      const int rank = DeviceRank(candidateProperties.deviceType);
      if (rank > bestRank) {
        bestRank = rank;
        physicalDevice = candidate;
        queueFamily = family;
        properties = candidateProperties;
      }
      break;
    }
  }
  if (!physicalDevice) {
    reason = deviceChoice.empty() ? "no Vulkan 1.3 device with dynamic rendering"
                                  : "no Vulkan 1.3 device matches \"" + deviceChoice + "\"";
    return false;
  }
  fn.vkGetPhysicalDeviceMemoryProperties(physicalDevice, &memoryProperties);
  // The smallest format that holds a stencil the device can render to; the depth part of the others is
  // never used.
  for (VkFormat format : {VK_FORMAT_S8_UINT, VK_FORMAT_D24_UNORM_S8_UINT, VK_FORMAT_D32_SFLOAT_S8_UINT}) {
    VkFormatProperties formatProperties;
    fn.vkGetPhysicalDeviceFormatProperties(physicalDevice, format, &formatProperties);
    if (formatProperties.optimalTilingFeatures & VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT) {
      stencilFormat = format;
      break;
    }
  }
  if (stencilFormat == VK_FORMAT_UNDEFINED) {
    reason = "the Vulkan device has no stencil attachment format";
    return false;
  }
  return true;
}

bool GpuCore::CreateDeviceAndQueue(bool presentation, std::string& reason) {
  const float priority = 1.0f;
  VkDeviceQueueCreateInfo queueInfo{VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO};
  queueInfo.queueFamilyIndex = queueFamily;
  queueInfo.queueCount = 1;
  queueInfo.pQueuePriorities = &priority;
  VkPhysicalDeviceVulkan13Features features13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
  features13.dynamicRendering = VK_TRUE;
  VkDeviceCreateInfo info{VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO};
  info.pNext = &features13;
  info.queueCreateInfoCount = 1;
  info.pQueueCreateInfos = &queueInfo;
  const char* swapchainExtension = VK_KHR_SWAPCHAIN_EXTENSION_NAME;
  const bool swapchains =
      presentation && mSurfaceExtensions && Offers(Extensions(fn, physicalDevice), swapchainExtension);
  if (swapchains) {
    info.enabledExtensionCount = 1;
    info.ppEnabledExtensionNames = &swapchainExtension;
  }
  if (VulkanFailed(fn.vkCreateDevice(physicalDevice, &info, nullptr, &device), "vkCreateDevice", reason)) {
    device = VK_NULL_HANDLE;
    return false;
  }
  if (!LoadVulkanDeviceFunctions(fn, device, reason)) {
    // Without its functions the device cannot even be destroyed through them: look up that one alone.
    auto destroy = reinterpret_cast<PFN_vkDestroyDevice>(fn.vkGetDeviceProcAddr(device, "vkDestroyDevice"));
    if (destroy) destroy(device, nullptr);
    device = VK_NULL_HANDLE;
    return false;
  }
  fn.vkGetDeviceQueue(device, queueFamily, 0, &queue);
  // Without these functions the device still renders; only presenting to a window falls back.
  std::string presentationReason;
  canPresent = swapchains && LoadVulkanPresentationFunctions(fn, instance, device, presentationReason);
  return true;
}

bool GpuCore::CreateLayouts(std::string& reason) {
  VkDescriptorSetLayoutBinding bindings[4] = {};
  bindings[0] = {kBindingVertexUniforms, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1, VK_SHADER_STAGE_VERTEX_BIT, nullptr};
  // The vertex function reads the fragment records too, to hand the draw's to the fragment function.
  bindings[1] = {kBindingFragmentUniforms, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, 1,
                 VK_SHADER_STAGE_VERTEX_BIT | VK_SHADER_STAGE_FRAGMENT_BIT, nullptr};
  bindings[2] = {kBindingFragmentTexture, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, 1, VK_SHADER_STAGE_FRAGMENT_BIT, nullptr};
  bindings[3] = {kBindingFragmentSampler, VK_DESCRIPTOR_TYPE_SAMPLER, 1, VK_SHADER_STAGE_FRAGMENT_BIT, nullptr};
  VkDescriptorSetLayoutCreateInfo setInfo{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO};
  setInfo.bindingCount = 4;
  setInfo.pBindings = bindings;
  if (VulkanFailed(fn.vkCreateDescriptorSetLayout(device, &setInfo, nullptr, &setLayout), "vkCreateDescriptorSetLayout",
                   reason)) {
    setLayout = VK_NULL_HANDLE;
    return false;
  }
  VkPipelineLayoutCreateInfo layoutInfo{VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
  layoutInfo.setLayoutCount = 1;
  layoutInfo.pSetLayouts = &setLayout;
  if (VulkanFailed(fn.vkCreatePipelineLayout(device, &layoutInfo, nullptr, &pipelineLayout), "vkCreatePipelineLayout",
                   reason)) {
    pipelineLayout = VK_NULL_HANDLE;
    return false;
  }
  return true;
}

bool GpuCore::FindMemoryType(uint32_t allowedBits, VkMemoryPropertyFlags wanted, uint32_t& index) const {
  for (uint32_t i = 0; i < memoryProperties.memoryTypeCount; ++i) {
    if ((allowedBits & (1u << i)) && (memoryProperties.memoryTypes[i].propertyFlags & wanted) == wanted) {
      index = i;
      return true;
    }
  }
  return false;
}

bool GpuCore::CanBlit(GpuPixelFormat source, GpuPixelFormat destination) const {
  VkFormatProperties from, to;
  fn.vkGetPhysicalDeviceFormatProperties(physicalDevice, VulkanFormat(source), &from);
  fn.vkGetPhysicalDeviceFormatProperties(physicalDevice, VulkanFormat(destination), &to);
  return (from.optimalTilingFeatures & VK_FORMAT_FEATURE_BLIT_SRC_BIT) &&
         (to.optimalTilingFeatures & VK_FORMAT_FEATURE_BLIT_DST_BIT);
}

VkFormat GpuCore::VulkanFormat(GpuPixelFormat format) const {
  switch (format) {
    case GpuPixelFormat::R8Unorm:
      return VK_FORMAT_R8_UNORM;
    case GpuPixelFormat::RGBA8Unorm:
      return VK_FORMAT_R8G8B8A8_UNORM;
    case GpuPixelFormat::BGRA8Unorm:
      return VK_FORMAT_B8G8R8A8_UNORM;
    case GpuPixelFormat::Stencil8:
      return stencilFormat;
    case GpuPixelFormat::Invalid:
      break;
  }
  return VK_FORMAT_UNDEFINED;
}

std::unique_ptr<GpuFrameSlot> GpuCore::TakeSlot(std::string& reason) {
  std::unique_ptr<GpuFrameSlot> slot;
  {
    std::lock_guard<std::mutex> lock(mSlotMutex);
    if (!mFreeSlots.empty()) {
      slot = std::move(mFreeSlots.back());
      mFreeSlots.pop_back();
    }
  }
  if (slot) {
    VkResult result = fn.vkResetCommandPool(device, slot->commandPool, 0);
    if (result == VK_SUCCESS) result = fn.vkResetFences(device, 1, &slot->fence);
    // Every pool the last recording allocated from, the one it stopped in included: sets of a pool not reset
    // would stay allocated, and the pools grow by one whenever the sets left over fill one.
    const size_t used = std::min(slot->descriptorPoolsInUse + 1, slot->descriptorPools.size());
    for (size_t i = 0; result == VK_SUCCESS && i < used; ++i) {
      result = fn.vkResetDescriptorPool(device, slot->descriptorPools[i], 0);
      Hold(GpuHeld::kDescriptorSets, -slot->descriptorSets[i]);
      slot->descriptorSets[i] = 0;
    }
    slot->descriptorPoolsInUse = 0;
    if (VulkanFailed(result, "resetting a command buffer", reason)) {
      DestroySlot(*slot);
      return nullptr;
    }
  } else {
    slot = std::make_unique<GpuFrameSlot>();
    Hold(GpuHeld::kFrameSlots, 1);
    VkCommandPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    poolInfo.flags = VK_COMMAND_POOL_CREATE_TRANSIENT_BIT;
    poolInfo.queueFamilyIndex = queueFamily;
    VkResult result = fn.vkCreateCommandPool(device, &poolInfo, nullptr, &slot->commandPool);
    if (result == VK_SUCCESS) {
      VkCommandBufferAllocateInfo allocateInfo{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
      allocateInfo.commandPool = slot->commandPool;
      allocateInfo.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
      allocateInfo.commandBufferCount = 1;
      result = fn.vkAllocateCommandBuffers(device, &allocateInfo, &slot->commandBuffer);
    }
    if (result == VK_SUCCESS) {
      VkFenceCreateInfo fenceInfo{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
      result = fn.vkCreateFence(device, &fenceInfo, nullptr, &slot->fence);
    }
    if (VulkanFailed(result, "making a command buffer", reason)) {
      DestroySlot(*slot);
      return nullptr;
    }
  }
  VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
  begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
  if (VulkanFailed(fn.vkBeginCommandBuffer(slot->commandBuffer, &begin), "vkBeginCommandBuffer", reason)) {
    DestroySlot(*slot);
    return nullptr;
  }
  return slot;
}

void GpuCore::ReturnSlot(std::unique_ptr<GpuFrameSlot> slot) {
  if (!slot) return;
  // The batch it was submitted in has completed, or never ran: its clears and their textures are done with.
  slot->cleared.clear();
  ReturnSlot(std::move(slot->prelude));
  std::lock_guard<std::mutex> lock(mSlotMutex);
  mFreeSlots.push_back(std::move(slot));
}

void GpuCore::DestroyFreeSlots() {
  std::vector<std::unique_ptr<GpuFrameSlot>> free;
  {
    std::lock_guard<std::mutex> lock(mSlotMutex);
    free.swap(mFreeSlots);
  }
  for (auto& slot : free) DestroySlot(*slot);
}

void GpuCore::DestroySlot(GpuFrameSlot& slot) {
  if (slot.prelude) DestroySlot(*slot.prelude);
  slot.prelude.reset();
  slot.cleared.clear();
  for (VkDescriptorPool pool : slot.descriptorPools) fn.vkDestroyDescriptorPool(device, pool, nullptr);
  Hold(GpuHeld::kDescriptorPools, -static_cast<int>(slot.descriptorPools.size()));
  for (int sets : slot.descriptorSets) Hold(GpuHeld::kDescriptorSets, -sets);
  Hold(GpuHeld::kFrameSlots, -1);
  slot.descriptorPools.clear();
  slot.descriptorSets.clear();
  if (slot.fence) fn.vkDestroyFence(device, slot.fence, nullptr);
  if (slot.commandPool) fn.vkDestroyCommandPool(device, slot.commandPool, nullptr);
  slot.fence = VK_NULL_HANDLE;
  slot.commandPool = VK_NULL_HANDLE;
  slot.commandBuffer = VK_NULL_HANDLE;
}

VkDescriptorSet GpuCore::AllocateDescriptorSet(GpuFrameSlot& slot) {
  while (true) {
    if (slot.descriptorPoolsInUse == slot.descriptorPools.size()) {
      VkDescriptorPoolSize sizes[4] = {{VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, kSetsPerPool},
                                       {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, kSetsPerPool},
                                       {VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, kSetsPerPool},
                                       {VK_DESCRIPTOR_TYPE_SAMPLER, kSetsPerPool}};
      VkDescriptorPoolCreateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
      info.maxSets = kSetsPerPool;
      info.poolSizeCount = 4;
      info.pPoolSizes = sizes;
      VkDescriptorPool pool = VK_NULL_HANDLE;
      if (fn.vkCreateDescriptorPool(device, &info, nullptr, &pool) != VK_SUCCESS) return VK_NULL_HANDLE;
      slot.descriptorPools.push_back(pool);
      slot.descriptorSets.push_back(0);
      Hold(GpuHeld::kDescriptorPools, 1);
    }
    VkDescriptorSetAllocateInfo allocateInfo{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO};
    allocateInfo.descriptorPool = slot.descriptorPools[slot.descriptorPoolsInUse];
    allocateInfo.descriptorSetCount = 1;
    allocateInfo.pSetLayouts = &setLayout;
    VkDescriptorSet set = VK_NULL_HANDLE;
    const VkResult result = fn.vkAllocateDescriptorSets(device, &allocateInfo, &set);
    if (result == VK_SUCCESS) {
      ++slot.descriptorSets[slot.descriptorPoolsInUse];
      Hold(GpuHeld::kDescriptorSets, 1);
      return set;
    }
    if (result != VK_ERROR_OUT_OF_POOL_MEMORY && result != VK_ERROR_FRAGMENTED_POOL) return VK_NULL_HANDLE;
    ++slot.descriptorPoolsInUse;
  }
}

VkResult GpuCore::Submit(GpuFrameSlot& slot) {
  VkResult result = fn.vkEndCommandBuffer(slot.commandBuffer);
  if (result != VK_SUCCESS) return result;
  // The clears are taken under the queue mutex: no submission of a command buffer that uses a new texture can
  // overtake the one that clears it.
  std::lock_guard<std::mutex> lock(mQueueMutex);
  result = RecordClears(slot);
  if (result != VK_SUCCESS) return result;
  const VkCommandBuffer buffers[2] = {slot.prelude ? slot.prelude->commandBuffer : VK_NULL_HANDLE, slot.commandBuffer};
  VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
  submit.commandBufferCount = slot.prelude ? 2 : 1;
  submit.pCommandBuffers = slot.prelude ? buffers : buffers + 1;
  ++mSubmissions;
  result = fn.vkQueueSubmit(queue, 1, &submit, slot.fence);
  if (result != VK_SUCCESS) {
    // Nothing of the batch runs: its textures wait for the next submission.
    ClearLater(slot.cleared);
    ReturnSlot(std::move(slot.prelude));
  }
  return result;
}

void GpuCore::ClearAtNextSubmission(std::weak_ptr<GpuTexture> texture) {
  std::lock_guard<std::mutex> lock(mClearMutex);
  // Textures made and dropped again while nothing is submitted leave no trace.
  std::erase_if(mToClear, [](const std::weak_ptr<GpuTexture>& waiting) { return waiting.expired(); });
  mToClear.push_back(std::move(texture));
}

void GpuCore::ClearLater(std::vector<std::shared_ptr<GpuTexture>>& textures) {
  {
    std::lock_guard<std::mutex> lock(mClearMutex);
    mToClear.insert(mToClear.begin(), textures.begin(), textures.end());
  }
  textures.clear();
}

VkResult GpuCore::RecordClears(GpuFrameSlot& slot) {
  std::vector<std::shared_ptr<GpuTexture>> textures;
  {
    std::lock_guard<std::mutex> lock(mClearMutex);
    // Textures dropped again need nothing.
    for (const std::weak_ptr<GpuTexture>& waiting : mToClear)
      if (std::shared_ptr<GpuTexture> texture = waiting.lock()) textures.push_back(std::move(texture));
    mToClear.clear();
  }
  if (textures.empty()) return VK_SUCCESS;
  std::string reason;
  std::unique_ptr<GpuFrameSlot> prelude = TakeSlot(reason);
  VkResult result = prelude ? VK_SUCCESS : VK_ERROR_OUT_OF_HOST_MEMORY;
  if (prelude) {
    for (const std::shared_ptr<GpuTexture>& texture : textures) texture->RecordInitialClear(prelude->commandBuffer);
    result = fn.vkEndCommandBuffer(prelude->commandBuffer);
  }
  if (result != VK_SUCCESS) {
    ClearLater(textures);
    ReturnSlot(std::move(prelude));
    return result;
  }
  slot.prelude = std::move(prelude);
  slot.cleared = std::move(textures);
  return VK_SUCCESS;
}

VkResult GpuCore::Submit(const VkSubmitInfo& submit, VkFence fence) {
  std::lock_guard<std::mutex> lock(mQueueMutex);
  ++mSubmissions;
  return fn.vkQueueSubmit(queue, 1, &submit, fence);
}

bool GpuCore::QueueIdleNow() {
  std::lock_guard<std::mutex> lock(mQueueMutex);
  if (mMarkerQueued) {
    const VkResult status = fn.vkGetFenceStatus(device, mMarker);
    if (status == VK_NOT_READY) return false;
    mMarkerQueued = false;
    if (status == VK_SUCCESS && mMarkedSubmissions == mSubmissions) return true;
  }
  if (!mMarker) {
    VkFenceCreateInfo info{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    if (fn.vkCreateFence(device, &info, nullptr, &mMarker) != VK_SUCCESS) {
      mMarker = VK_NULL_HANDLE;
      return false;
    }
  }
  // An empty submission's fence signals once everything submitted before it has completed.
  if (fn.vkResetFences(device, 1, &mMarker) != VK_SUCCESS || fn.vkQueueSubmit(queue, 0, nullptr, mMarker) != VK_SUCCESS)
    return false;
  mMarkerQueued = true;
  mMarkedSubmissions = mSubmissions;
  return false;
}

VkResult GpuCore::Present(const VkPresentInfoKHR& present) {
  std::lock_guard<std::mutex> lock(mQueueMutex);
  return fn.vkQueuePresentKHR(queue, &present);
}

void GpuCore::WaitQueueIdle() {
  std::lock_guard<std::mutex> lock(mQueueMutex);
  fn.vkQueueWaitIdle(queue);
}

bool GpuCore::RunNow(const std::function<void(VkCommandBuffer)>& record, std::string& reason) {
  std::unique_ptr<GpuFrameSlot> slot = TakeSlot(reason);
  if (!slot) return false;
  record(slot->commandBuffer);
  VkResult result = Submit(*slot);
  if (result == VK_SUCCESS) result = fn.vkWaitForFences(device, 1, &slot->fence, VK_TRUE, UINT64_MAX);
  if (VulkanFailed(result, "running a transfer", reason)) {
    // The slot's state is unknown after a failed submission: wait for the device and start afresh.
    fn.vkDeviceWaitIdle(device);
    DestroySlot(*slot);
    return false;
  }
  ReturnSlot(std::move(slot));
  return true;
}

void GpuCore::StartCompletionThread() {
  std::lock_guard<std::mutex> lock(mTrackMutex);
  if (mRunning) return;
  mRunning = true;
  mStopping = false;
  mCompletionThread = std::thread([this] { CompletionLoop(); });
}

void GpuCore::StopCompletionThread() {
  {
    std::lock_guard<std::mutex> lock(mTrackMutex);
    if (!mRunning) return;
    mStopping = true;
  }
  mTrackChanged.notify_all();
  mCompletionThread.join();
  std::lock_guard<std::mutex> lock(mTrackMutex);
  mRunning = false;
}

bool GpuCore::Track(std::shared_ptr<GpuCommandBuffer> buffer) {
  {
    std::lock_guard<std::mutex> lock(mTrackMutex);
    if (!mRunning || mStopping) return false;
    mTracked.push_back(std::move(buffer));
  }
  mTrackChanged.notify_all();
  return true;
}

void GpuCore::WaitForTracked() {
  std::unique_lock<std::mutex> lock(mTrackMutex);
  mTrackChanged.wait(lock, [this] { return mTracked.empty(); });
}

void GpuCore::CompletionLoop() {
  std::unique_lock<std::mutex> lock(mTrackMutex);
  while (true) {
    mTrackChanged.wait(lock, [this] { return mStopping || !mTracked.empty(); });
    if (mTracked.empty()) return;  // stopping, and everything tracked has completed
    std::shared_ptr<GpuCommandBuffer> buffer = std::move(mTracked.front());
    lock.unlock();
    buffer->FinishAfterGpu();
    buffer.reset();
    lock.lock();
    mTracked.pop_front();
    mTrackChanged.notify_all();
  }
}

}  // namespace platform::gpu
