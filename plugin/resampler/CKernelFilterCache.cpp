#include "plugin/resampler/CKernelFilterCache.h"

#include "plugin/resampler/ResamplerStores.h"

#include <memory>

namespace rsmp {

CDSPKernelFilter& CKernelFilterCache::GetLowPassFilter(double reqNormFreq, double reqTransBand, double reqAtten,
                                                       int reqPhase, double reqGain) {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  if (CDSPKernelFilter* found = FindAndPromote(reqNormFreq, reqTransBand, reqAtten, reqPhase, reqGain)) {
    found->RefCount++;
    NoteEntryTaken();
    return *found;
  }
  // Designed before anything is evicted or linked, so a failed design leaves the cache as it was.
  std::unique_ptr<CDSPKernelFilter> filter(
      new CDSPKernelFilter(reqNormFreq, reqTransBand, reqAtten, reqPhase, reqGain, *this));
  filter->DesignLowPassFilter(mFFTObjects);
  if (mCount >= kEvictionCount) EvictLeastRecentlyUsed();
  PushFront(filter.get());
  mCount++;
  NoteEntryTaken();
  return *filter.release();
}

void CKernelFilterCache::Release(CDSPKernelFilter& filter) noexcept {
  bool mustDelete = false;
  {
    std::lock_guard<std::recursive_mutex> lock(GetLock());
    filter.RefCount--;
    if (IsClosed() && filter.RefCount == 0) {
      Unlink(&filter);
      mCount--;
      delete &filter;
    }
    mustDelete = NoteEntryReturned();
  }
  DeleteIf(mustDelete);
}

int CKernelFilterCache::GetCount() const {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  return mCount;
}

const CDSPKernelFilter* CKernelFilterCache::GetHead() const {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  return mHead;
}

CKernelFilterCache::~CKernelFilterCache() {
  while (mHead != nullptr) {
    CDSPKernelFilter* next = mHead->Next;
    delete mHead;
    mHead = next;
  }
}

void CKernelFilterCache::FreeUnheldEntries() {
  CDSPKernelFilter* filter = mHead;
  while (filter != nullptr) {
    CDSPKernelFilter* next = filter->Next;
    if (filter->RefCount == 0) {
      Unlink(filter);
      mCount--;
      delete filter;
    }
    filter = next;
  }
}

CDSPKernelFilter* CKernelFilterCache::FindAndPromote(double reqNormFreq, double reqTransBand, double reqAtten,
                                                     int reqPhase, double reqGain) {
  for (CDSPKernelFilter* filter = mHead; filter != nullptr; filter = filter->Next) {
    if (filter->Matches(reqNormFreq, reqTransBand, reqAtten, reqPhase, reqGain)) {
      Unlink(filter);
      PushFront(filter);
      return filter;
    }
  }
  return nullptr;
}

// The least recently used filter is destroyed when unused; one in use moves to the head and stays.
void CKernelFilterCache::EvictLeastRecentlyUsed() {
  CDSPKernelFilter* last = mHead;
  while (last->Next != nullptr) last = last->Next;
  Unlink(last);
  if (last->RefCount == 0) {
    delete last;
    mCount--;
  } else
    PushFront(last);
}

void CKernelFilterCache::Unlink(CDSPKernelFilter* filter) {
  CDSPKernelFilter** link = &mHead;
  while (*link != filter) link = &(*link)->Next;
  *link = filter->Next;
  filter->Next = nullptr;
}

void CKernelFilterCache::PushFront(CDSPKernelFilter* filter) {
  filter->Next = mHead;
  mHead = filter;
}

CDSPKernelFilter& GetLowPassFilter(double reqNormFreq, double reqTransBand, double reqAtten, int reqPhase,
                                   double reqGain) {
  return CResamplerStores::Filters().GetLowPassFilter(reqNormFreq, reqTransBand, reqAtten, reqPhase, reqGain);
}

void ReleaseLowPassFilter(CDSPKernelFilter& filter) noexcept {
  filter.GetCache().Release(filter);
}

}  // namespace rsmp
