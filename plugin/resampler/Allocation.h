// The resampler family's one allocation path. Every object and buffer of the family is taken from the
// process heap through here, so tests can count allocations (Process must make none) and make one fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace rsmp {

// Any thread, may block inside the heap. Throws std::bad_alloc on failure (also an injected one).
void* AllocateFamilyMemory(std::size_t bytes);
// As AllocateFamilyMemory, for a block starting on a multiple of `alignment` (a power of two); freed
// by FreeFamilyMemory like any other.
void* AllocateAlignedFamilyMemory(std::size_t bytes, std::size_t alignment);
// Any thread. Null is ignored.
void FreeFamilyMemory(void* block) noexcept;

// Number of allocations made through AllocateFamilyMemory since the process started.
std::int64_t GetFamilyAllocationCount() noexcept;
// Number of blocks allocated and not yet freed.
std::int64_t GetFamilyLiveBlockCount() noexcept;
// Test hook: after `count` more successful allocations the next one throws std::bad_alloc (once).
// A negative count switches the injection off.
void FailFamilyAllocationAfter(std::int64_t count) noexcept;

// Root of the family: objects created with `new` come from the family's allocation path. Objects with
// over-aligned members (the steps' 64-byte aligned rings) need the aligned form: the heap guarantees
// only 16 bytes.
class CStdClassAllocator {
 public:
  static void* operator new(std::size_t bytes) { return AllocateFamilyMemory(bytes); }
  static void* operator new(std::size_t bytes, std::align_val_t alignment) {
    return AllocateAlignedFamilyMemory(bytes, static_cast<std::size_t>(alignment));
  }
  static void operator delete(void* block) noexcept { FreeFamilyMemory(block); }
  static void operator delete(void* block, std::align_val_t) noexcept { FreeFamilyMemory(block); }
};

// An owned block of `T` over-allocated by 64 bytes and used from its first 64-byte boundary, so sample
// and spectrum buffers suit vector loads. Allocation happens only in Alloc; the contents start zeroed.
template <typename T>
class CAlignedBuffer {
 public:
  static constexpr std::size_t kAlignment = 64;

  CAlignedBuffer() = default;
  explicit CAlignedBuffer(int capacity) { Alloc(capacity); }
  ~CAlignedBuffer() { Free(); }

  CAlignedBuffer(const CAlignedBuffer&) = delete;
  CAlignedBuffer& operator=(const CAlignedBuffer&) = delete;
  CAlignedBuffer(CAlignedBuffer&& other) noexcept { Swap(other); }
  CAlignedBuffer& operator=(CAlignedBuffer&& other) noexcept {
    CAlignedBuffer moved(std::move(other));
    Swap(moved);
    return *this;
  }

  // Replaces the block by a zeroed one of `capacity` elements (0 frees it). Throws std::bad_alloc and
  // then leaves the buffer empty.
  void Alloc(int capacity) {
    AllocUnwritten(capacity);
    for (int i = 0; i < mCapacity; i++) new (mData + i) T();
  }

  // As Alloc, but the contents are left unwritten (for plain numbers only): the pages of a large block
  // become resident only where they are first written.
  void AllocUnwritten(int capacity) {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
    Free();
    if (capacity <= 0) return;
    const std::size_t bytes = static_cast<std::size_t>(capacity) * sizeof(T);
    void* block = AllocateFamilyMemory(bytes + kAlignment);
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t aligned = (address + kAlignment - 1) & ~(kAlignment - 1);
    mBlock = block;
    mData = reinterpret_cast<T*>(aligned);
    mCapacity = capacity;
  }

  void Free() noexcept {
    FreeFamilyMemory(mBlock);
    mBlock = nullptr;
    mData = nullptr;
    mCapacity = 0;
  }

  T* Data() const noexcept { return mData; }
  int GetCapacity() const noexcept { return mCapacity; }
  T& operator[](int index) const noexcept { return mData[index]; }
  operator T*() const noexcept { return mData; }

 private:
  void Swap(CAlignedBuffer& other) noexcept {
    std::swap(mBlock, other.mBlock);
    std::swap(mData, other.mData);
    std::swap(mCapacity, other.mCapacity);
  }

  void* mBlock = nullptr;
  T* mData = nullptr;
  int mCapacity = 0;
};

}  // namespace rsmp
