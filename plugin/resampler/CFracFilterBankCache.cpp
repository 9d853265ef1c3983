#include "plugin/resampler/CFracFilterBankCache.h"

#include "plugin/resampler/ResamplerStores.h"

#include <memory>

namespace rsmp {

CDSPFracFilterBank& CFracFilterBankCache::GetFilterBank(int reqFracs, int elementSize, int interpPoints, bool isThird,
                                                        bool isStatic, double reqAtten) {
  const int row = CDSPFracFilterBank::ChooseRow(isThird, reqAtten);
  const double keyAtten = CDSPFracFilterBank::GetRow(isThird, row).Atten;
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  CDSPFracFilterBank*& head = isStatic ? mStaticHead : mDynamicHead;
  if (CDSPFracFilterBank* found = FindAndPromote(head, reqFracs, elementSize, interpPoints, isThird, keyAtten)) {
    found->RefCount++;
    NoteEntryTaken();
    return *found;
  }
  // Built before anything is evicted or linked, so a failed build leaves the cache as it was.
  std::unique_ptr<CDSPFracFilterBank> bank(
      new CDSPFracFilterBank(reqFracs, elementSize, interpPoints, isThird, row, *this));
  if (isStatic)
    mStaticCount++;
  else {
    if (mDynamicCount >= kEvictionCount) EvictLeastRecentlyUsed();
    mDynamicCount++;
  }
  PushFront(head, bank.get());
  NoteEntryTaken();
  return *bank.release();
}

void CFracFilterBankCache::Release(CDSPFracFilterBank& bank) noexcept {
  bool mustDelete = false;
  {
    std::lock_guard<std::recursive_mutex> lock(GetLock());
    bank.RefCount--;
    if (IsClosed() && bank.RefCount == 0) {
      const bool isStatic = IsInStaticList(&bank);
      Unlink(isStatic ? mStaticHead : mDynamicHead, &bank);
      (isStatic ? mStaticCount : mDynamicCount)--;
      delete &bank;
    }
    mustDelete = NoteEntryReturned();
  }
  DeleteIf(mustDelete);
}

int CFracFilterBankCache::GetDynamicCount() const {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  return mDynamicCount;
}

int CFracFilterBankCache::GetStaticCount() const {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  return mStaticCount;
}

const CDSPFracFilterBank* CFracFilterBankCache::GetDynamicHead() const {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  return mDynamicHead;
}

const CDSPFracFilterBank* CFracFilterBankCache::GetStaticHead() const {
  std::lock_guard<std::recursive_mutex> lock(GetLock());
  return mStaticHead;
}

CFracFilterBankCache::~CFracFilterBankCache() {
  for (CDSPFracFilterBank* head : {mStaticHead, mDynamicHead}) {
    while (head != nullptr) {
      CDSPFracFilterBank* next = head->Next;
      delete head;
      head = next;
    }
  }
}

void CFracFilterBankCache::FreeUnheldEntries() {
  FreeUnheld(mStaticHead, mStaticCount);
  FreeUnheld(mDynamicHead, mDynamicCount);
}

void CFracFilterBankCache::FreeUnheld(CDSPFracFilterBank*& head, int& count) {
  CDSPFracFilterBank* bank = head;
  while (bank != nullptr) {
    CDSPFracFilterBank* next = bank->Next;
    if (bank->RefCount == 0) {
      Unlink(head, bank);
      count--;
      delete bank;
    }
    bank = next;
  }
}

CDSPFracFilterBank* CFracFilterBankCache::FindAndPromote(CDSPFracFilterBank*& head, int reqFracs, int elementSize,
                                                         int interpPoints, bool isThird, double keyAtten) {
  for (CDSPFracFilterBank* bank = head; bank != nullptr; bank = bank->Next) {
    if (bank->Matches(reqFracs, elementSize, interpPoints, isThird, keyAtten)) {
      Unlink(head, bank);
      PushFront(head, bank);
      return bank;
    }
  }
  return nullptr;
}

// The least recently used dynamic bank is destroyed when unused; one in use moves to the head and stays.
void CFracFilterBankCache::EvictLeastRecentlyUsed() {
  CDSPFracFilterBank* last = mDynamicHead;
  while (last->Next != nullptr) last = last->Next;
  Unlink(mDynamicHead, last);
  if (last->RefCount == 0) {
    delete last;
    mDynamicCount--;
  } else
    PushFront(mDynamicHead, last);
}

void CFracFilterBankCache::Unlink(CDSPFracFilterBank*& head, CDSPFracFilterBank* bank) {
  CDSPFracFilterBank** link = &head;
  while (*link != bank) link = &(*link)->Next;
  *link = bank->Next;
  bank->Next = nullptr;
}

void CFracFilterBankCache::PushFront(CDSPFracFilterBank*& head, CDSPFracFilterBank* bank) {
  bank->Next = head;
  head = bank;
}

bool CFracFilterBankCache::IsInStaticList(const CDSPFracFilterBank* bank) const {
  for (const CDSPFracFilterBank* b = mStaticHead; b != nullptr; b = b->Next)
    if (b == bank) return true;
  return false;
}

namespace {

// Closed at unload, after nothing but held banks can still come back. Construction first touches the
// other stores, so this one is set up after them and, as function statics end in reverse order,
// closed before them.
struct CBankStoreHolder {
  CBankStoreHolder() : Banks((CResamplerStores::Filters(), new CFracFilterBankCache)) {}
  ~CBankStoreHolder() { Banks->Close(); }
  CBankStoreHolder(const CBankStoreHolder&) = delete;
  CBankStoreHolder& operator=(const CBankStoreHolder&) = delete;

  CFracFilterBankCache* Banks;
};

CBankStoreHolder& BankStore() {
  static CBankStoreHolder holder;
  return holder;
}

// The store exists before the module's entry point can run.
[[maybe_unused]] const bool sBankStoreReady = (BankStore(), true);

}  // namespace

CFracFilterBankCache& GetFracFilterBankCache() {
  return *BankStore().Banks;
}

CDSPFracFilterBank& GetFilterBank(int reqFracs, int elementSize, int interpPoints, bool isThird, bool isStatic,
                                  double reqAtten) {
  return GetFracFilterBankCache().GetFilterBank(reqFracs, elementSize, interpPoints, isThird, isStatic, reqAtten);
}

void ReleaseFilterBank(CDSPFracFilterBank& bank) noexcept {
  bank.GetCache().Release(bank);
}

}  // namespace rsmp
