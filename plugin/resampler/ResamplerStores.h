// The resampler family's process-wide stores, set up in a fixed order when the module loads and closed
// in the reverse order when it unloads. Lock order: the filter-cache lock may be held while the
// FFT-object lock is taken, never the reverse; the filter-bank lock is taken alone.
#pragma once

#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/CKernelFilterCache.h"

namespace rsmp {

class CResamplerStores {
 public:
  // Any thread, never blocks after module load. Valid until unload.
  static CFFTObjectPool& FFTObjects();
  static CKernelFilterCache& Filters();
};

}  // namespace rsmp
