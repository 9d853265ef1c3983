#include "plugin/resampler/CFFTObjectPool.h"

#include "plugin/resampler/ResamplerStores.h"

#include <stdexcept>

namespace rsmp {

CDSPFFTObject* CFFTObjectPool::Acquire(int order) {
  if (order < 0 || order > CDSPFFTObject::kMaxOrder) throw std::invalid_argument("FFT order outside 0 .. 30");
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  CDSPFFTObject* object = mLists[order];
  if (object != nullptr)
    mLists[order] = object->Next;
  else
    object = new CDSPFFTObject(order, this);
  object->Next = nullptr;
  NoteEntryTaken();
  return object;
}

void CFFTObjectPool::Release(CDSPFFTObject* object) noexcept {
  bool mustDelete = false;
  {
    std::lock_guard<std::recursive_mutex> lock(GetLock());
    if (IsClosed())
      delete object;
    else {
      object->Next = mLists[object->Order];
      mLists[object->Order] = object;
    }
    mustDelete = NoteEntryReturned();
  }
  DeleteIf(mustDelete);
}

int CFFTObjectPool::GetFreeCount(int order) const {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  int count = 0;
  for (const CDSPFFTObject* object = mLists[order]; object != nullptr; object = object->Next) count++;
  return count;
}

bool CFFTObjectPool::IsFree(const CDSPFFTObject* object) const {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  for (const CDSPFFTObject* free = mLists[object->Order]; free != nullptr; free = free->Next) {
    if (free == object) return true;
  }
  return false;
}

CFFTObjectPool::~CFFTObjectPool() {
  FreeUnheldEntries();
}

void CFFTObjectPool::FreeUnheldEntries() {
  for (CDSPFFTObject*& head : mLists) {
    while (head != nullptr) {
      CDSPFFTObject* next = head->Next;
      delete head;
      head = next;
    }
  }
}

CDSPFFTObject* AcquireFFTObject(int order) {
  return CResamplerStores::FFTObjects().Acquire(order);
}

void ReleaseFFTObject(CDSPFFTObject* object) noexcept {
  if (object == nullptr) return;
  if (object->GetPool() == nullptr)
    delete object;
  else
    object->GetPool()->Release(object);
}

}  // namespace rsmp
