// FwTypedBuf<T>: a growable array of plain values (pixels, rectangles, display
// texts) on a FwHeapBuf; items are moved with memcpy, so T must be trivially copyable.
// An array belongs to one thread at a time; growing may allocate, nothing blocks.
#pragma once

#include "framework/FwHeapBuf.h"

#include <climits>
#include <cstring>
#include <type_traits>

namespace fx {

template <class T>
class FwTypedBuf {
  static_assert(std::is_trivially_copyable_v<T>, "FwTypedBuf moves its items bytewise");

 public:
  explicit FwTypedBuf(int granularity = FwHeapBuf::kDefaultGranularity) : mBuf(granularity) {}

  // Sets the number of items; new items are left uninitialised. Answers the item
  // pointer, or null when n < 1 or the memory could not be obtained (then the
  // array is unchanged; compare GetSize() with n). Owner's thread.
  T* Resize(int n, bool resizeDown = true) {
    if (n > 0 && static_cast<long long>(n) * static_cast<long long>(sizeof(T)) > INT_MAX) return nullptr;
    return static_cast<T*>(mBuf.Resize(n * static_cast<int>(sizeof(T)), resizeDown));
  }

  // Appends one item; answers a pointer to it, or null (array unchanged) when it cannot grow.
  T* Add(const T& item) {
    const T copy = item;  // item may live inside this array, which may move
    const int n = GetSize();
    T* items = Resize(n + 1, false);
    if (!items) return nullptr;
    items[n] = copy;
    return items + n;
  }

  // Removes item idx, keeping the order; nothing when idx is out of range.
  void Delete(int idx) {
    const int n = GetSize();
    if (idx < 0 || idx >= n) return;
    T* items = Get();
    std::memmove(items + idx, items + idx + 1, static_cast<size_t>(n - idx - 1) * sizeof(T));
    Resize(n - 1, false);
  }

  T* Get() { return static_cast<T*>(mBuf.Get()); }
  const T* Get() const { return static_cast<const T*>(mBuf.Get()); }
  int GetSize() const { return mBuf.GetSize() / static_cast<int>(sizeof(T)); }
  int GetGranularity() const { return mBuf.GetGranularity(); }

 private:
  FwHeapBuf mBuf;
};

}  // namespace fx
