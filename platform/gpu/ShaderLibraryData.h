// The shader library the build compiles from platform/gpu/shaders, as one blob in the module's constant
// data (format: ShaderBlob.h). Functions: "vertexShader", "fragmentShaderAA", "fragmentShader".
#pragma once

#include <cstddef>

namespace platform::gpu {

extern const unsigned char kShaderLibraryData[];
extern const size_t kShaderLibraryDataSize;

}  // namespace platform::gpu
