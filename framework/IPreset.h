// One preset slot: whether it holds a preset, its name, a category the product sorts by (the framework
// never reads it) and the preset's state.
#pragma once

#include <atomic>
#include <forward_list>
#include <mutex>
#include <string>

#include "framework/BoundedCopy.h"
#include "framework/IByteChunk.h"

namespace fx {

// A preset slot's name, which an editor may draw on its thread while a host thread sets it: the name points
// at a text that never changes afterwards, so a reader has the old name or the new one, whole. Each distinct
// text is kept for the slot's life (a name once read stays valid and unchanged); setting a name the slot
// had before takes the kept text again.
class PresetName {
 public:
  static constexpr int kMaxLen = 256;  // bytes, the terminating zero included

  PresetName() = default;
  PresetName(const PresetName&) = delete;
  PresetName& operator=(const PresetName&) = delete;

  // Any thread; setters wait only for each other. Cut as CopyBounded cuts; null is "".
  void Set(const char* text) {
    char bounded[kMaxLen];
    CopyBounded(bounded, text);
    std::lock_guard<std::mutex> lock(mMutex);
    for (const std::string& kept : mKept) {
      if (kept == bounded) {
        mText.store(kept.c_str(), std::memory_order_release);
        return;
      }
    }
    mKept.emplace_front(bounded);
    mText.store(mKept.front().c_str(), std::memory_order_release);
  }
  // Any thread, never waiting.
  const char* Get() const { return mText.load(std::memory_order_acquire); }
  operator const char*() const { return Get(); }

 private:
  std::atomic<const char*> mText{"empty"};
  std::forward_list<std::string> mKept;
  std::mutex mMutex;
};

struct IPreset {
  static constexpr int kMaxNameLen = PresetName::kMaxLen;

  bool mInitialized = false;
  PresetName mName;
  int mCategory = -1;
  IByteChunk mChunk{FwHeapBuf::kDefaultGranularity};
};

}  // namespace fx
