#include "platform/gpu/GpuShaderLibrary.h"

// Vulkan records are started as `VkThing info{VK_STRUCTURE_TYPE_THING}`, the rest zero by the language.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "platform/gpu/GpuCore.h"
#include "platform/gpu/ShaderBlob.h"

namespace platform::gpu {

std::shared_ptr<GpuLibrary> GpuLibrary::Create(std::shared_ptr<GpuCore> core, const void* data, size_t size,
                                               std::string& reason) {
  std::vector<ShaderBlobFunction> functions;
  if (!ReadShaderBlob(data, size, functions, reason)) return nullptr;
  std::shared_ptr<GpuLibrary> library(new GpuLibrary());
  for (const ShaderBlobFunction& f : functions) {
    VkShaderModuleCreateInfo info{VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO};
    info.codeSize = f.code.size() * 4;
    info.pCode = f.code.data();
    VkShaderModule module = VK_NULL_HANDLE;
    const VkResult result = core->fn.vkCreateShaderModule(core->device, &info, nullptr, &module);
    if (result != VK_SUCCESS) {
      reason = "shader function " + f.name + " does not compile: " + VulkanResultName(result);
      return nullptr;
    }
    library->mFunctions.push_back(
        std::make_shared<GpuFunction>(core, f.name, static_cast<GpuShaderStage>(f.stage), module));
  }
  return library;
}

std::shared_ptr<GpuFunction> GpuLibrary::NewFunction(const std::string& name) const {
  for (const auto& function : mFunctions)
    if (function->Name() == name) return function;
  return nullptr;
}

std::shared_ptr<GpuFunction> GpuLibrary::NewFunction(const std::string& name,
                                                     GpuFunctionConstantValues constants) const {
  std::shared_ptr<GpuFunction> base = NewFunction(name);
  if (!base) return nullptr;
  return std::make_shared<GpuFunction>(std::move(base), std::move(constants));
}

std::vector<std::string> GpuLibrary::FunctionNames() const {
  std::vector<std::string> names;
  for (const auto& function : mFunctions) names.push_back(function->Name());
  return names;
}

}  // namespace platform::gpu
