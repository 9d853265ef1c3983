// The file format the compiled shader library is kept in: a 16-byte header ("KDSL", version, function
// count, checksum of everything after the header), a table of 48-byte function records (name of up to 31
// bytes, stage, offset and size of its SPIR-V code), then the code. Little-endian. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::gpu {

constexpr uint32_t kShaderBlobVersion = 1;
constexpr size_t kShaderBlobHeaderBytes = 16;
constexpr size_t kShaderBlobEntryBytes = 48;
constexpr size_t kShaderBlobNameBytes = 32;

struct ShaderBlobFunction {
  std::string name;
  uint32_t stage = 0;          // GpuShaderStage
  std::vector<uint32_t> code;  // SPIR-V words
};

// Build time: the blob of the given functions; empty when a name is too long or code is empty.
std::vector<uint8_t> PackShaderBlob(const std::vector<ShaderBlobFunction>& functions);

// Checks header, checksum, table bounds, names and the SPIR-V magic of each function and copies the
// functions out; false with a reason for any damage.
bool ReadShaderBlob(const void* data, size_t size, std::vector<ShaderBlobFunction>& functions, std::string& reason);

}  // namespace platform::gpu
