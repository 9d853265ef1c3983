// Process-wide pool of FFT objects, one free list per order, so that each transform length builds its
// tables once. A holder uses its object exclusively until it releases it.
#pragma once

#include "plugin/resampler/CDSPFFTObject.h"
#include "plugin/resampler/CResamplerStore.h"

namespace rsmp {

class CFFTObjectPool : public CResamplerStore {
 public:
  CFFTObjectPool() = default;

  // Any thread; takes the FFT-object lock briefly (may block); allocates when the order's list is
  // empty. Throws std::invalid_argument for an order outside 0 .. CDSPFFTObject::kMaxOrder.
  CDSPFFTObject* Acquire(int order);
  // Any thread; takes the FFT-object lock briefly. Pushes the object onto its list (frees it when the
  // pool is closed).
  void Release(CDSPFFTObject* object) noexcept;
  // Any thread; takes the lock. Number of free objects of `order`.
  int GetFreeCount(int order) const;
  // Any thread; takes the lock. True when `object` is on the free list of its order.
  bool IsFree(const CDSPFFTObject* object) const;

 private:
  ~CFFTObjectPool() override;
  void FreeUnheldEntries() override;

  CDSPFFTObject* mLists[CDSPFFTObject::kMaxOrder + 1] = {};
};

// The process-wide pool.
CDSPFFTObject* AcquireFFTObject(int order);
// Returns an object to the pool it came from; null is ignored.
void ReleaseFFTObject(CDSPFFTObject* object) noexcept;

// Holds one FFT object for a scope and returns it on destruction, also while unwinding.
class CFFTObjectHolder {
 public:
  CFFTObjectHolder(CFFTObjectPool& pool, int order) : mObject(pool.Acquire(order)) {}
  ~CFFTObjectHolder() { ReleaseFFTObject(mObject); }
  CFFTObjectHolder(const CFFTObjectHolder&) = delete;
  CFFTObjectHolder& operator=(const CFFTObjectHolder&) = delete;

  CDSPFFTObject* operator->() const noexcept { return mObject; }
  CDSPFFTObject* Get() const noexcept { return mObject; }
  // Hands the object over to the caller, who must release it.
  CDSPFFTObject* Detach() noexcept {
    CDSPFFTObject* object = mObject;
    mObject = nullptr;
    return object;
  }

 private:
  CDSPFFTObject* mObject;
};

}  // namespace rsmp
