#include "framework/FwHeapBuf.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace fx {

namespace {

constexpr int kPageSize = 4096;
constexpr long long kMaxPageStep = 0x400000;  // 4 MB: the largest slack a big buffer keeps
constexpr long long kAllocatorOverhead = 96;  // bytes the allocator adds in front of a block

}  // namespace

FwHeapBuf::FwHeapBuf(int granularity) {
  SetGranularity(granularity);
}

FwHeapBuf::~FwHeapBuf() {
  std::free(mBuf);
}

FwHeapBuf::FwHeapBuf(const FwHeapBuf& other) : mGranul(other.mGranul) {
  if (other.mSize > 0 && Resize(other.mSize, false)) std::memcpy(mBuf, other.mBuf, static_cast<size_t>(other.mSize));
}

FwHeapBuf& FwHeapBuf::operator=(const FwHeapBuf& other) {
  if (this != &other) {
    FwHeapBuf copy(other);
    *this = std::move(copy);
  }
  return *this;
}

FwHeapBuf::FwHeapBuf(FwHeapBuf&& other) noexcept
    : mBuf(std::exchange(other.mBuf, nullptr)),
      mAlloc(std::exchange(other.mAlloc, 0)),
      mSize(std::exchange(other.mSize, 0)),
      mGranul(other.mGranul) {}

FwHeapBuf& FwHeapBuf::operator=(FwHeapBuf&& other) noexcept {
  if (this != &other) {
    std::free(mBuf);
    mBuf = std::exchange(other.mBuf, nullptr);
    mAlloc = std::exchange(other.mAlloc, 0);
    mSize = std::exchange(other.mSize, 0);
    mGranul = other.mGranul;
  }
  return *this;
}

void FwHeapBuf::SetGranularity(int granularity) {
  mGranul = std::max(granularity, 1);
}

// Computed in 64 bits: near 2 GB the slack would overflow the 32-bit counts,
// and such a request must fail rather than wrap to a small block.
long long FwHeapBuf::NewAllocation(int newSize) const {
  const long long n = newSize;
  if (n == 0) return 0;
  if (mGranul < kPageSize) return n + std::max(n / 2, static_cast<long long>(mGranul));
  long long step = std::max(n / 2, static_cast<long long>(mGranul)) & ~static_cast<long long>(kPageSize - 1);
  if (step == 0) step = kPageSize;
  step = std::min(step, kMaxPageStep);
  return ((n + step + kAllocatorOverhead) & ~static_cast<long long>(kPageSize - 1)) - kAllocatorOverhead;
}

void* FwHeapBuf::Resize(int newSize, bool resizeDown) {
  const int n = std::max(newSize, 0);
  if (n != mSize) {
    int lowerBound = 0;
    if (n < mSize && resizeDown) lowerBound = std::max(std::min(mAlloc - 4 * mGranul, mAlloc / 2), 1);
    if (n >= lowerBound && n <= mAlloc) {
      mSize = n;
    } else {
      const long long newAlloc = NewAllocation(n);
      if (newAlloc > INT_MAX) return nullptr;
      if (newAlloc == mAlloc)
        mSize = n;
      else if (!Reallocate(static_cast<int>(newAlloc), n))
        return nullptr;
    }
  }
  return mSize > 0 ? mBuf : nullptr;
}

bool FwHeapBuf::Reallocate(int newAlloc, int newSize) {
  if (newAlloc == 0) {
    std::free(mBuf);
    mBuf = nullptr;
    mAlloc = 0;
    mSize = 0;
    return true;
  }
  void* block = std::realloc(mBuf, static_cast<size_t>(newAlloc));
  if (!block) {
    // realloc may fail where a fresh block (no in-place growth needed) succeeds.
    block = std::malloc(static_cast<size_t>(newAlloc));
    if (!block) return false;
    if (mBuf) std::memcpy(block, mBuf, static_cast<size_t>(std::min(newSize, mSize)));
    std::free(mBuf);
  }
  mBuf = block;
  mAlloc = newAlloc;
  mSize = newSize;
  return true;
}

bool FwHeapBuf::Append(const void* src, int size) {
  if (size < 0 || (size > 0 && !src)) return false;
  if (size == 0) return true;
  const int oldSize = mSize;
  if (static_cast<long long>(oldSize) + size > INT_MAX) return false;
  // src may lie inside this buffer, which may move while growing.
  const auto base = reinterpret_cast<uintptr_t>(mBuf);
  const auto from = reinterpret_cast<uintptr_t>(src);
  const bool inside = base && from >= base && from < base + static_cast<uintptr_t>(oldSize);
  if (!Resize(oldSize + size, false)) return false;
  const void* source = inside ? static_cast<const char*>(mBuf) + (from - base) : src;
  std::memmove(static_cast<char*>(mBuf) + oldSize, source, static_cast<size_t>(size));
  return true;
}

}  // namespace fx
