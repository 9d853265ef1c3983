// Base of the family's process-wide stores (FFT objects, designed filters, filter banks): one recursive
// lock, a count of entries handed out, and a close operation for module unload that frees what nobody
// holds and lets the last returned entry free the rest, so holders that outlive the unload stay safe.
#pragma once

#include "plugin/resampler/Allocation.h"

#include <mutex>

namespace rsmp {

class CResamplerStore : public CStdClassAllocator {
 public:
  CResamplerStore(const CResamplerStore&) = delete;
  CResamplerStore& operator=(const CResamplerStore&) = delete;

  // The store's recursive lock; derived stores guard their lists with it.
  std::recursive_mutex& GetLock() const noexcept { return mLock; }

  // Unload (any thread, takes the lock): frees every entry nobody holds. The store deletes itself now
  // when nothing is held, else when the last held entry comes back. Do not use the store afterwards
  // except to return entries.
  void Close();

  // Any thread, takes the lock: number of entries handed out and not yet returned.
  int GetHeldCount() const;

 protected:
  CResamplerStore() = default;
  virtual ~CResamplerStore() = default;

  // Under the lock: one more entry handed out.
  void NoteEntryTaken() noexcept { mHeldCount++; }
  // Under the lock: one entry came back. True when the caller must delete the store after unlocking.
  bool NoteEntryReturned() noexcept;
  // Under the lock.
  bool IsClosed() const noexcept { return mIsClosed; }
  // Under the lock, at Close: free every entry that is not held.
  virtual void FreeUnheldEntries() = 0;
  // Deletes the store when `mustDelete`; call after the lock is released.
  void DeleteIf(bool mustDelete) noexcept;

 private:
  mutable std::recursive_mutex mLock;
  int mHeldCount = 0;
  bool mIsClosed = false;
};

}  // namespace rsmp
