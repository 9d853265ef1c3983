#include "graphics/vector/VRMemory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {
std::atomic<VRallocHook> gAllocHook{nullptr};

bool AllocationAllowed(size_t size) {
  VRallocHook hook = gAllocHook.load(std::memory_order_relaxed);
  return hook == nullptr || hook(size);
}
}  // namespace

void* vrRealloc(void* ptr, size_t size) {
  if (!AllocationAllowed(size)) return nullptr;
  return std::realloc(ptr, size);
}

void* vrCalloc(size_t count, size_t size) {
  if (!AllocationAllowed(count * size)) return nullptr;
  return std::calloc(count, size);
}

void vrFree(void* ptr) {
  std::free(ptr);
}

void vrSetAllocHook(VRallocHook hook) {
  gAllocHook.store(hook, std::memory_order_relaxed);
}
