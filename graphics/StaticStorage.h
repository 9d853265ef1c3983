// A process-wide cache of resources keyed by name and scale, shared by every graphics object of every
// plug-in instance in the process: entries own their data, a retain count says how many graphics objects
// use the cache, and the entries are deleted when the count returns to 0.
//
// Threads: any thread that holds the cache's mutex (GetMutex, a recursive mutex: loaders lock it again
// while holding it). No operation here takes the mutex itself, so callers can hold it across a whole load.
#pragma once

#include "framework/FwMutex.h"
#include "framework/FwPtrList.h"
#include "framework/FwString.h"
#include "framework/NumberText.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

namespace fx::gfx {

template <class T>
class StaticStorage {
 public:
  struct DataKey {
    std::size_t hash = 0;
    FwString name;
    double scale = 1.0;
    std::unique_ptr<T> data;
  };

  StaticStorage() = default;
  StaticStorage(const StaticStorage&) = delete;
  StaticStorage& operator=(const StaticStorage&) = delete;
  ~StaticStorage() { Clear(); }

  FwMutex& GetMutex() { return mMutex; }

  // The first entry with this exact name and scale, or null.
  T* Find(const char* name, double scale = 1.0) const {
    const std::size_t hash = KeyHash(name, scale);
    for (int i = 0; i < mDatas.GetSize(); ++i) {
      const DataKey* key = mDatas.Get(i);
      if (key->hash == hash && key->scale == scale && std::string_view(key->name.Get()) == SafeName(name))
        return key->data.get();
    }
    return nullptr;
  }

  // Whether an entry holds data.
  bool Holds(const T* data) const {
    for (int i = 0; i < mDatas.GetSize(); ++i)
      if (mDatas.Get(i)->data.get() == data) return true;
    return false;
  }

  // Takes ownership of data (null is ignored).
  void Add(T* data, const char* name, double scale = 1.0) {
    if (!data) return;
    auto* key = new DataKey;
    key->hash = KeyHash(name, scale);
    key->name.Set(SafeName(name));
    key->scale = scale;
    key->data.reset(data);
    mDatas.Add(key);
  }

  // Deletes the entry holding data; data not in the cache is ignored.
  void Remove(T* data) {
    for (int i = 0; i < mDatas.GetSize(); ++i)
      if (mDatas.Get(i)->data.get() == data) {
        mDatas.Delete(i, true);
        return;
      }
  }

  // Deletes every entry, from the last to the first.
  void Clear() {
    for (int i = mDatas.GetSize() - 1; i >= 0; --i) mDatas.Delete(i, true);
  }

  void Retain() { ++mCount; }
  // Empties the cache when the last user lets go.
  void Release() {
    if (mCount > 0 && --mCount == 0) Clear();
  }
  int GetRetainCount() const { return mCount; }
  int GetSize() const { return mDatas.GetSize(); }

  // The key text is the name followed by the scale printed as "-%.1fx" (knob.png at 2 is "knob.png-2.0x").
  static FwString KeyText(const char* name, double scale) {
    char scaleText[48];
    FormatText(scaleText, sizeof(scaleText), "-%.1fx", scale);
    FwString key(SafeName(name));
    key.Append(scaleText);
    return key;
  }

 private:
  static const char* SafeName(const char* name) { return name ? name : ""; }
  static std::size_t KeyHash(const char* name, double scale) {
    const FwString key = KeyText(name, scale);
    return std::hash<std::string_view>()(std::string_view(key.Get(), static_cast<std::size_t>(key.GetLength())));
  }

  int mCount = 0;
  FwMutex mMutex;
  FwPtrList<DataKey> mDatas;
};

}  // namespace fx::gfx
