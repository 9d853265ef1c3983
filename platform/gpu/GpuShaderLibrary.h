// A library of compiled shader functions, made from a blob in the ShaderBlob format (the build's own
// library or any other bytes). Creation checks the blob and compiles every function, so a damaged blob
// gives no library at all. Any thread; immutable after creation.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/GpuPipeline.h"

namespace platform::gpu {

class GpuCore;

class GpuLibrary {
 public:
  static std::shared_ptr<GpuLibrary> Create(std::shared_ptr<GpuCore> core, const void* data, size_t size,
                                            std::string& reason);

  // The function of that name, null when the library has none.
  std::shared_ptr<GpuFunction> NewFunction(const std::string& name) const;
  // That function specialised with the constant values (ids the code does not declare are ignored).
  std::shared_ptr<GpuFunction> NewFunction(const std::string& name, GpuFunctionConstantValues constants) const;
  std::vector<std::string> FunctionNames() const;

 private:
  GpuLibrary() = default;
  std::vector<std::shared_ptr<GpuFunction>> mFunctions;
};

}  // namespace platform::gpu
