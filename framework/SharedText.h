// fx::SharedText: a short text of fixed capacity that readers on any thread copy whole, without a lock and
// without memory that grows with the number of texts it has held.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "framework/BoundedCopy.h"

namespace fx {

// A text that one thread may read while another sets it (a preset slot's name, a parameter's label). It lives
// in the object's fixed buffer under a sequence lock: a reader copies it and takes the copy only when no setter
// changed it meanwhile (else it reads again), so a name read while it is set is the old one or the new one,
// whole, and its memory stays the same however often it changes.
template <int MaxLen>
class SharedText {
 public:
  static constexpr int kMaxLen = MaxLen;  // bytes, the terminating zero included
  // How many texts one thread may hold from Get at once: each Get answers the reading thread's copy, which
  // stays valid and unchanged until that thread has read this many texts more (of any SharedText of this size).
  static constexpr int kReadsKept = 8;

  explicit SharedText(const char* text = "") { Set(text); }
  SharedText(const SharedText&) = delete;
  SharedText& operator=(const SharedText&) = delete;

  static_assert(MaxLen > 0 && MaxLen % 8 == 0, "whole 64-bit words");

  // Any thread; setters wait only for each other. Cut as CopyBounded cuts; null is "".
  void Set(const char* text) {
    char bounded[kMaxLen] = {};
    CopyBounded(bounded, text);
    uint64_t words[kWords];
    std::memcpy(words, bounded, kMaxLen);
    std::lock_guard<std::mutex> lock(mMutex);
    const uint64_t sequence = mSequence.load(std::memory_order_relaxed);
    mSequence.store(sequence + 1, std::memory_order_relaxed);
    // Each word is released: a reader that acquires one of them then sees the odd sequence before it.
    for (int i = 0; i < kWords; ++i) mWords[i].store(words[i], std::memory_order_release);
    mSequence.store(sequence + 2, std::memory_order_release);
  }
  // Any thread; takes no lock: a read that overlaps a change is read again (it spins while a setter is
  // part-way through its 256-byte-at-most copy).
  void CopyTo(char (&out)[kMaxLen]) const {
    uint64_t words[kWords];
    for (;;) {
      const uint64_t before = mSequence.load(std::memory_order_acquire);
      if (before % 2 != 0) continue;
      for (int i = 0; i < kWords; ++i) words[i] = mWords[i].load(std::memory_order_acquire);
      if (mSequence.load(std::memory_order_relaxed) == before) break;
    }
    std::memcpy(out, words, kMaxLen);
    out[kMaxLen - 1] = '\0';
  }
  // Any thread; takes no lock: the reading thread's copy (see kReadsKept).
  const char* Get() const {
    thread_local char reads[kReadsKept][kMaxLen];
    thread_local int next = 0;
    char(&copy)[kMaxLen] = reads[next];
    next = (next + 1) % kReadsKept;
    CopyTo(copy);
    return copy;
  }
  operator const char*() const { return Get(); }

 private:
  static constexpr int kWords = kMaxLen / static_cast<int>(sizeof(uint64_t));

  // Odd while a setter writes the words.
  std::atomic<uint64_t> mSequence{0};
  std::atomic<uint64_t> mWords[kWords] = {};
  std::mutex mMutex;
};

}  // namespace fx
