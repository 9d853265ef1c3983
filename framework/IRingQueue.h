// A fixed-size queue of plain entries between threads, allocated once at construction and never grown.
// A queue of capacity n holds n - 1 entries; a push into a full queue is dropped and reported false.
//
// Every push and pop is lock-free and never blocks or allocates, and any number of threads may push and
// pop at once: each cell carries a sequence number that tells producers and consumers whose turn it is
// (after D. Vyukov's bounded queue), so two host threads setting parameters never corrupt an entry.
// An entry whose producer has claimed its cell but not finished writing it stays invisible until then;
// the consumer sees the queue as empty at that point and takes the entry on its next drain.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace fx {

template <class T>
class IRingQueue {
  static_assert(std::is_trivially_copyable_v<T>, "entries are copied in and out as plain bytes");

 public:
  // Main thread, at construction; allocates. A capacity below 2 holds nothing.
  explicit IRingQueue(int capacity)
      : mNCells(capacity > 1 ? static_cast<uint64_t>(capacity - 1) : 0), mCells(new Cell[mNCells]) {
    for (uint64_t i = 0; i < mNCells; ++i) mCells[i].mSequence.store(i, std::memory_order_relaxed);
  }
  IRingQueue(const IRingQueue&) = delete;
  IRingQueue& operator=(const IRingQueue&) = delete;

  // Any thread; never blocks or allocates. False (entry dropped) when the queue is full.
  bool Push(const T& entry) {
    uint64_t pos = mWriteIdx.load(std::memory_order_relaxed);
    for (;;) {
      if (mNCells == 0) return false;
      Cell& cell = mCells[pos % mNCells];
      const uint64_t sequence = cell.mSequence.load(std::memory_order_acquire);
      const int64_t turn = static_cast<int64_t>(sequence - pos);
      if (turn == 0) {
        if (mWriteIdx.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
          cell.mEntry = entry;
          cell.mSequence.store(pos + 1, std::memory_order_release);
          return true;
        }
      } else if (turn < 0) {
        return false;
      } else {
        pos = mWriteIdx.load(std::memory_order_relaxed);
      }
    }
  }

  // Any thread; never blocks or allocates. False (entry untouched) when the queue is empty.
  bool Pop(T& entry) {
    uint64_t pos = mReadIdx.load(std::memory_order_relaxed);
    for (;;) {
      if (mNCells == 0) return false;
      Cell& cell = mCells[pos % mNCells];
      const uint64_t sequence = cell.mSequence.load(std::memory_order_acquire);
      const int64_t turn = static_cast<int64_t>(sequence - (pos + 1));
      if (turn == 0) {
        if (mReadIdx.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
          entry = cell.mEntry;
          cell.mSequence.store(pos + mNCells, std::memory_order_release);
          return true;
        }
      } else if (turn < 0) {
        return false;
      } else {
        pos = mReadIdx.load(std::memory_order_relaxed);
      }
    }
  }

  // Any thread. The number of entries claimed and not yet taken; only a hint while others push or pop.
  int ElementsAvailable() const {
    const uint64_t written = mWriteIdx.load(std::memory_order_acquire);
    const uint64_t read = mReadIdx.load(std::memory_order_acquire);
    return written > read ? static_cast<int>(written - read) : 0;
  }
  int Capacity() const { return static_cast<int>(mNCells + 1); }

 private:
  struct Cell {
    std::atomic<uint64_t> mSequence{0};
    T mEntry{};
  };

  const uint64_t mNCells;
  std::unique_ptr<Cell[]> mCells;
  alignas(64) std::atomic<uint64_t> mWriteIdx{0};
  alignas(64) std::atomic<uint64_t> mReadIdx{0};
};

}  // namespace fx
