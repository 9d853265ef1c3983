// Process-wide cache of designed low-pass filters keyed by their five request values, most recently
// used first, so that the many resamplers of the oversampler design each distinct filter once.
#pragma once

#include "plugin/resampler/CDSPKernelFilter.h"
#include "plugin/resampler/CResamplerStore.h"

namespace rsmp {

class CKernelFilterCache : public CResamplerStore {
 public:
  // From this many cached filters on, each miss evicts the least recently used one if it is unused.
  static constexpr int kEvictionCount = 96;

  // `fftObjects` lends the designs their FFT objects; it must stay open while this cache designs.
  explicit CKernelFilterCache(CFFTObjectPool& fftObjects) : mFFTObjects(fftObjects) {}

  // Any thread; takes the filter-cache lock, and designs under it (may block for the design). The
  // caller owns one reference. Throws std::invalid_argument for a request that has no design
  // (see CDSPKernelFilter::ComputeGeometry) and std::bad_alloc; either leaves the cache unchanged.
  CDSPKernelFilter& GetLowPassFilter(double reqNormFreq, double reqTransBand, double reqAtten, int reqPhase,
                                     double reqGain);
  // Any thread; takes the filter-cache lock. Returns one reference; the filter stays cached at 0.
  void Release(CDSPKernelFilter& filter) noexcept;

  // Any thread; take the lock. Number of cached filters; the most recently used one.
  int GetCount() const;
  const CDSPKernelFilter* GetHead() const;
  // The pool that lends FFT objects to this cache's designs and to the convolvers using its filters.
  CFFTObjectPool& GetFFTObjects() const noexcept { return mFFTObjects; }

 private:
  ~CKernelFilterCache() override;
  void FreeUnheldEntries() override;
  CDSPKernelFilter* FindAndPromote(double reqNormFreq, double reqTransBand, double reqAtten, int reqPhase,
                                   double reqGain);
  void EvictLeastRecentlyUsed();
  void Unlink(CDSPKernelFilter* filter);
  void PushFront(CDSPKernelFilter* filter);

  CFFTObjectPool& mFFTObjects;
  CDSPKernelFilter* mHead = nullptr;
  int mCount = 0;
};

// The process-wide cache.
CDSPKernelFilter& GetLowPassFilter(double reqNormFreq, double reqTransBand, double reqAtten, int reqPhase,
                                   double reqGain);
// Returns a reference to the cache the filter came from.
void ReleaseLowPassFilter(CDSPKernelFilter& filter) noexcept;

}  // namespace rsmp
