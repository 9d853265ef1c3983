#include "platform/gpu/ShaderBlob.h"

#include <cstring>

namespace platform::gpu {

namespace {

constexpr char kMagic[4] = {'K', 'D', 'S', 'L'};
constexpr uint32_t kSpirvMagic = 0x07230203;
// Small libraries only: a bound that keeps a damaged count from driving the table walk.
constexpr uint32_t kMaxFunctions = 64;

// FNV-1a, 32 bits: enough to catch damage, not meant against tampering.
uint32_t Checksum(const uint8_t* bytes, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

std::vector<uint8_t> PackShaderBlob(const std::vector<ShaderBlobFunction>& functions) {
  size_t size = kShaderBlobHeaderBytes + kShaderBlobEntryBytes * functions.size();
  for (const ShaderBlobFunction& f : functions) {
    if (f.name.empty() || f.name.size() >= kShaderBlobNameBytes || f.code.empty()) return {};
    size += f.code.size() * 4;
  }
  std::vector<uint8_t> out(size, 0);
  std::memcpy(out.data(), kMagic, 4);
  Put32(out, 4, kShaderBlobVersion);
  Put32(out, 8, static_cast<uint32_t>(functions.size()));
  size_t code = kShaderBlobHeaderBytes + kShaderBlobEntryBytes * functions.size();
  for (size_t i = 0; i < functions.size(); ++i) {
    const size_t entry = kShaderBlobHeaderBytes + kShaderBlobEntryBytes * i;
    std::memcpy(&out[entry], functions[i].name.data(), functions[i].name.size());
    Put32(out, entry + 32, functions[i].stage);
    Put32(out, entry + 36, static_cast<uint32_t>(code));
    Put32(out, entry + 40, static_cast<uint32_t>(functions[i].code.size() * 4));
    for (uint32_t word : functions[i].code) {
      Put32(out, code, word);
      code += 4;
    }
  }
  Put32(out, 12, Checksum(out.data() + kShaderBlobHeaderBytes, out.size() - kShaderBlobHeaderBytes));
  return out;
}

bool ReadShaderBlob(const void* data, size_t size, std::vector<ShaderBlobFunction>& functions, std::string& reason) {
  functions.clear();
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (!bytes || size < kShaderBlobHeaderBytes || std::memcmp(bytes, kMagic, 4) != 0) {
    reason = "not a shader library";
    return false;
  }
  if (Get32(bytes + 4) != kShaderBlobVersion) {
    reason = "unknown shader library version";
    return false;
  }
  const uint32_t count = Get32(bytes + 8);
  if (count == 0 || count > kMaxFunctions || size < kShaderBlobHeaderBytes + kShaderBlobEntryBytes * count) {
    reason = "shader library function table out of bounds";
    return false;
  }
  if (Get32(bytes + 12) != Checksum(bytes + kShaderBlobHeaderBytes, size - kShaderBlobHeaderBytes)) {
    reason = "shader library checksum mismatch";
    return false;
  }
  const size_t codeStart = kShaderBlobHeaderBytes + kShaderBlobEntryBytes * count;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = bytes + kShaderBlobHeaderBytes + kShaderBlobEntryBytes * i;
    const size_t nameLength = strnlen(reinterpret_cast<const char*>(entry), kShaderBlobNameBytes);
    const size_t offset = Get32(entry + 36);
    const size_t length = Get32(entry + 40);
    if (nameLength == 0 || nameLength == kShaderBlobNameBytes || Get32(entry + 32) > 1 || offset < codeStart ||
        offset % 4 != 0 || length < 20 || length % 4 != 0 || offset > size || length > size - offset ||
        Get32(bytes + offset) != kSpirvMagic) {
      reason = "shader library function " + std::to_string(i) + " is damaged";
      functions.clear();
      return false;
    }
    ShaderBlobFunction function;
    function.name.assign(reinterpret_cast<const char*>(entry), nameLength);
    function.stage = Get32(entry + 32);
    function.code.resize(length / 4);
    for (size_t w = 0; w < function.code.size(); ++w) function.code[w] = Get32(bytes + offset + 4 * w);
    functions.push_back(std::move(function));
  }
  return true;
}

}  // namespace platform::gpu
