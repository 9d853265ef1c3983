// Placement rules shared by the classifier's records. Every record lives in memory the caller provides, so
// each init checks that the memory is there, large enough and aligned before writing to it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace classifier {

// Alignment of every region of the classifier's block, and the alignment the block itself must have
// (what malloc and operator new give).
inline constexpr uint64_t kRegionAlignment = alignof(std::max_align_t);

constexpr uint64_t align_region(uint64_t bytes) {
  return (bytes + kRegionAlignment - 1) / kRegionAlignment * kRegionAlignment;
}

// True when memory can hold a Record of recordSize bytes (its fixed fields and any trailing samples).
template <typename Record>
bool is_usable_memory(const Record* memory, uint64_t memorySize, uint64_t recordSize) {
  return memory != nullptr && memorySize >= recordSize && reinterpret_cast<uintptr_t>(memory) % alignof(Record) == 0;
}

}  // namespace classifier
