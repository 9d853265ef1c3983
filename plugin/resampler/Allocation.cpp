#include "plugin/resampler/Allocation.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace rsmp {

namespace {

std::atomic<std::int64_t> sAllocationCount{0};
std::atomic<std::int64_t> sLiveBlockCount{0};
std::atomic<std::int64_t> sAllocationsBeforeFailure{-1};

// True when an injected failure is due now; counts the injection down otherwise.
bool TakeInjectedFailure() noexcept {
  std::int64_t left = sAllocationsBeforeFailure.load();
  while (left >= 0) {
    if (sAllocationsBeforeFailure.compare_exchange_weak(left, left - 1)) return left == 0;
  }
  return false;
}

// Counts a block the heap returned, or throws when it had none.
void* CountBlock(void* block) {
  if (block == nullptr) throw std::bad_alloc();
  sAllocationCount.fetch_add(1);
  sLiveBlockCount.fetch_add(1);
  return block;
}

}  // namespace

void* AllocateFamilyMemory(std::size_t bytes) {
  if (TakeInjectedFailure()) throw std::bad_alloc();
  return CountBlock(std::malloc(bytes == 0 ? 1 : bytes));
}

void* AllocateAlignedFamilyMemory(std::size_t bytes, std::size_t alignment) {
  if (TakeInjectedFailure()) throw std::bad_alloc();
  // aligned_alloc wants a size that is a whole number of alignments.
  const std::size_t rounded = (std::max<std::size_t>(bytes, 1) + alignment - 1) & ~(alignment - 1);
  return CountBlock(std::aligned_alloc(alignment, rounded));
}

void FreeFamilyMemory(void* block) noexcept {
  if (block == nullptr) return;
  sLiveBlockCount.fetch_sub(1);
  std::free(block);
}

std::int64_t GetFamilyAllocationCount() noexcept {
  return sAllocationCount.load();
}

std::int64_t GetFamilyLiveBlockCount() noexcept {
  return sLiveBlockCount.load();
}

void FailFamilyAllocationAfter(std::int64_t count) noexcept {
  sAllocationsBeforeFailure.store(count < 0 ? -1 : count);
}

}  // namespace rsmp
