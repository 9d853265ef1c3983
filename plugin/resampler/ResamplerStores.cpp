#include "plugin/resampler/ResamplerStores.h"

namespace rsmp {

namespace {

// Set up in the order FFT objects, filters; closed in the reverse order. Closing frees what nobody
// holds; a store with entries still held (by a resampler that outlives the module's statics) lives on
// until the last of them comes back.
struct CStoreSet {
  CStoreSet() : FFTObjects(new CFFTObjectPool), Filters(new CKernelFilterCache(*FFTObjects)) {}
  ~CStoreSet() {
    Filters->Close();
    FFTObjects->Close();
  }
  CStoreSet(const CStoreSet&) = delete;
  CStoreSet& operator=(const CStoreSet&) = delete;

  CFFTObjectPool* FFTObjects;
  CKernelFilterCache* Filters;
};

CStoreSet& Stores() {
  static CStoreSet stores;
  return stores;
}

// The stores exist before the module's entry point can run.
[[maybe_unused]] const bool sStoresReady = (Stores(), true);

}  // namespace

CFFTObjectPool& CResamplerStores::FFTObjects() {
  return *Stores().FFTObjects;
}

CKernelFilterCache& CResamplerStores::Filters() {
  return *Stores().Filters;
}

}  // namespace rsmp
