// FwHeapBuf: the growable byte buffer under every string, list and chunk.
// Growth leaves slack proportional to the size (see Resize), so buffers that
// grow step by step reallocate rarely, and shrinking keeps memory unless asked.
#pragma once

namespace fx {

class FwHeapBuf {
 public:
  static constexpr int kDefaultGranularity = 4096;

  // Any thread (the owner's); allocates nothing.
  explicit FwHeapBuf(int granularity = kDefaultGranularity);
  ~FwHeapBuf();
  // Deep copy with the source's granularity; a copy whose allocation fails is empty.
  FwHeapBuf(const FwHeapBuf& other);
  FwHeapBuf& operator=(const FwHeapBuf& other);
  FwHeapBuf(FwHeapBuf&& other) noexcept;
  FwHeapBuf& operator=(FwHeapBuf&& other) noexcept;

  // Sets the used size to newSize bytes (negative counts as 0) and answers the
  // data pointer, or null when newSize < 1 or when the memory could not be
  // obtained. On failure the buffer, its size and its data are unchanged, so
  // `GetSize() == newSize` tells whether the call succeeded.
  // Growth: a new block of newSize + max(newSize / 2, granularity) bytes below a
  // granularity of 4096; from 4096 up, a slack of half the size (whole 4 KB
  // steps, at most 4 MB) and a length that, with 96 bytes of allocator overhead,
  // fills whole 4096-byte pages. With resizeDown a shrinking buffer gives memory
  // back only once it uses less than max(min(allocated - 4 x granularity,
  // allocated / 2), 1) bytes; Resize(0, true) frees it.
  // Any thread that owns the buffer; allocates only when the size leaves the
  // kept range, never blocks otherwise.
  void* Resize(int newSize, bool resizeDown = true);

  // Copies size bytes from src to the end (src may point into this buffer).
  // Answers false and leaves the buffer unchanged when it cannot grow.
  bool Append(const void* src, int size);

  void* Get() { return mBuf; }
  const void* Get() const { return mBuf; }
  int GetSize() const { return mSize; }
  int GetAllocated() const { return mAlloc; }
  int GetGranularity() const { return mGranul; }
  // Takes effect on the next reallocation; values below 1 become 1.
  void SetGranularity(int granularity);

 private:
  long long NewAllocation(int newSize) const;
  bool Reallocate(int newAlloc, int newSize);

  void* mBuf = nullptr;
  int mAlloc = 0;
  int mSize = 0;
  int mGranul = kDefaultGranularity;
};

}  // namespace fx
