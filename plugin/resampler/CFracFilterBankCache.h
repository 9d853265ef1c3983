// Process-wide cache of fractional filter banks: a dynamic list (banks for exact stepping, reference
// counted, evicted least recently used from 12 banks on) and a static list (the default quadratic
// banks, never evicted), both under the recursive filter-bank lock, which is taken alone.
#pragma once

#include "plugin/resampler/CDSPFracFilterBank.h"
#include "plugin/resampler/CResamplerStore.h"

namespace rsmp {

class CFracFilterBankCache : public CResamplerStore {
 public:
  // From this many dynamic banks on, each miss evicts the least recently used one if it is unused.
  static constexpr int kEvictionCount = 12;

  CFracFilterBankCache() = default;

  // Any thread; takes the filter-bank lock and builds a missing bank under it (may block). The key is
  // the request and the attenuation of the window row chosen for `reqAtten`. The caller owns one
  // reference. Throws std::bad_alloc and then leaves the cache unchanged. Static banks count their
  // holders as well, so that unload frees only banks nobody holds.
  CDSPFracFilterBank& GetFilterBank(int reqFracs, int elementSize, int interpPoints, bool isThird, bool isStatic,
                                    double reqAtten);
  // Any thread; takes the filter-bank lock. A bank at 0 stays cached.
  void Release(CDSPFracFilterBank& bank) noexcept;

  // Any thread; take the lock. Banks in the dynamic and static lists; the heads of the lists.
  int GetDynamicCount() const;
  int GetStaticCount() const;
  const CDSPFracFilterBank* GetDynamicHead() const;
  const CDSPFracFilterBank* GetStaticHead() const;

 private:
  ~CFracFilterBankCache() override;
  void FreeUnheldEntries() override;
  static CDSPFracFilterBank* FindAndPromote(CDSPFracFilterBank*& head, int reqFracs, int elementSize, int interpPoints,
                                            bool isThird, double keyAtten);
  void EvictLeastRecentlyUsed();
  static void Unlink(CDSPFracFilterBank*& head, CDSPFracFilterBank* bank);
  static void PushFront(CDSPFracFilterBank*& head, CDSPFracFilterBank* bank);
  bool IsInStaticList(const CDSPFracFilterBank* bank) const;
  void FreeUnheld(CDSPFracFilterBank*& head, int& count);

  CDSPFracFilterBank* mDynamicHead = nullptr;
  int mDynamicCount = 0;
  CDSPFracFilterBank* mStaticHead = nullptr;
  int mStaticCount = 0;
};

// The process-wide cache, set up after the FFT-object pool and the filter cache and closed before them.
CFracFilterBankCache& GetFracFilterBankCache();
CDSPFracFilterBank& GetFilterBank(int reqFracs, int elementSize, int interpPoints, bool isThird, bool isStatic,
                                  double reqAtten);
// Returns a reference to the cache the bank came from (safe after unload).
void ReleaseFilterBank(CDSPFracFilterBank& bank) noexcept;

}  // namespace rsmp
