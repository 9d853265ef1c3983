// FwPtrList<T>: an ordered list of item pointers on a FwHeapBuf. The list does
// not own its items unless a call asks it to delete them; its memory is kept
// when it is emptied and freed when the list is destroyed.
// A list belongs to one thread at a time; callers that share one across
// threads hold their own FwMutex. Adding may allocate; nothing blocks.
#pragma once

#include "framework/FwHeapBuf.h"

#include <cstring>

namespace fx {

template <class T>
class FwPtrList {
 public:
  using DeleteFunc = void (*)(void*);

  explicit FwPtrList(int granularity = FwHeapBuf::kDefaultGranularity) : mBuf(granularity) {}
  FwPtrList(const FwPtrList&) = delete;
  FwPtrList& operator=(const FwPtrList&) = delete;

  int GetSize() const { return mBuf.GetSize() / static_cast<int>(sizeof(T*)); }
  // Item idx, or null outside 0..size-1.
  T* Get(int idx) const { return idx >= 0 && idx < GetSize() ? GetList()[idx] : nullptr; }
  T* const* GetList() const { return static_cast<T* const*>(mBuf.Get()); }
  // Index of the first entry equal to item, or -1.
  int Find(const T* item) const {
    for (int i = 0; i < GetSize(); ++i)
      if (GetList()[i] == item) return i;
    return -1;
  }

  // Appends item; answers it, or null when the list cannot grow (the item is
  // then not in the list and stays the caller's).
  T* Add(T* item) { return Insert(GetSize(), item); }

  // Inserts item before position idx (clamped to 0..size); answers it, or null
  // when the list cannot grow.
  T* Insert(int idx, T* item) {
    const int n = GetSize();
    if (idx < 0) idx = 0;
    if (idx > n) idx = n;
    if (!mBuf.Resize((n + 1) * static_cast<int>(sizeof(T*)), false)) return nullptr;
    T** list = Items();
    std::memmove(list + idx + 1, list + idx, static_cast<size_t>(n - idx) * sizeof(T*));
    list[idx] = item;
    return item;
  }

  // Replaces entry idx; nothing outside the range. The old item is not deleted.
  void Set(int idx, T* item) {
    if (idx >= 0 && idx < GetSize()) Items()[idx] = item;
  }

  // Removes entry idx (nothing outside the range), deleting its item when
  // wantDelete is set: through deleteFunc when given, else with delete.
  void Delete(int idx, bool wantDelete = false, DeleteFunc deleteFunc = nullptr) {
    const int n = GetSize();
    if (idx < 0 || idx >= n) return;
    T* item = Items()[idx];
    std::memmove(Items() + idx, Items() + idx + 1, static_cast<size_t>(n - idx - 1) * sizeof(T*));
    mBuf.Resize((n - 1) * static_cast<int>(sizeof(T*)), false);
    if (wantDelete) DeleteItem(item, deleteFunc);
  }

  // Empties the list, keeping its memory for the next items. With wantDelete the
  // items are deleted from the last to the first (null entries skipped), the list
  // shrinking by that entry after each deletion.
  void Empty(bool wantDelete = false, DeleteFunc deleteFunc = nullptr) {
    if (wantDelete) {
      for (int i = GetSize() - 1; i >= 0; --i) {
        DeleteItem(Items()[i], deleteFunc);
        mBuf.Resize(i * static_cast<int>(sizeof(T*)), false);
      }
    }
    mBuf.Resize(0, false);
  }

  int GetAllocatedBytes() const { return mBuf.GetAllocated(); }

 private:
  T** Items() { return static_cast<T**>(mBuf.Get()); }

  static void DeleteItem(T* item, DeleteFunc deleteFunc) {
    if (!item) return;
    if (deleteFunc)
      deleteFunc(item);
    else
      delete item;
  }

  FwHeapBuf mBuf;
};

}  // namespace fx
