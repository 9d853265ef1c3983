#include "plugin/resampler/CDSPBlockConvolver.h"
#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/CKernelFilterCache.h"

#include <gtest/gtest.h>

namespace {

// Unload with entries still held: the stores free what nobody holds, and the holders' later returns
// free the rest (and the stores themselves) without touching freed memory.
TEST(ResamplerStoreClose, EmptyStoresFreeThemselvesAtOnce) {
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  auto* pool = new rsmp::CFFTObjectPool;
  auto* cache = new rsmp::CKernelFilterCache(*pool);
  cache->Close();
  pool->Close();
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
}

TEST(ResamplerStoreClose, PooledObjectsAreFreedAndHeldOnesOnReturn) {
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  auto* pool = new rsmp::CFFTObjectPool;
  rsmp::CDSPFFTObject* held = pool->Acquire(4);
  pool->Release(pool->Acquire(5));
  pool->Close();
  std::vector<double> block(16, 1.0);
  held->Forward(block.data());
  EXPECT_EQ(block[0], 16.0);
  rsmp::ReleaseFFTObject(held);
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
}

TEST(ResamplerStoreClose, ConvolverOutlivingTheStoresStaysUsable) {
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  auto* pool = new rsmp::CFFTObjectPool;
  auto* cache = new rsmp::CKernelFilterCache(*pool);
  auto* convolver = new rsmp::CDSPBlockConvolver(cache->GetLowPassFilter(0.5, 8.0, 124.28, 0, 2.0), 2, 1, true, 0.0);
  rsmp::CDSPKernelFilter& stillHeld = cache->GetLowPassFilter(0.25, 8.0, 124.28, 0, 1.0);
  cache->Release(cache->GetLowPassFilter(0.125, 8.0, 124.28, 0, 1.0));
  cache->Close();
  pool->Close();

  std::vector<double> input(1000, 0.5);
  std::vector<double> output(2000);
  double* out = output.data();
  const int produced = convolver->Process(input.data(), 1000, out);
  EXPECT_GT(produced, 0);
  EXPECT_NEAR(out[produced - 1], 0.5, 1e-6);
  delete convolver;
  // The 0.25 filter is still held: its record and spectrum and the cache stay, all else is gone.
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live + 3);
  rsmp::ReleaseLowPassFilter(stillHeld);
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
}

TEST(ResamplerStoreClose, LastReturnedFilterFreesTheCache) {
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  auto* pool = new rsmp::CFFTObjectPool;
  auto* cache = new rsmp::CKernelFilterCache(*pool);
  rsmp::CDSPKernelFilter& filter = cache->GetLowPassFilter(0.5, 8.0, 124.28, 0, 1.0);
  cache->Close();
  pool->Close();
  EXPECT_EQ(filter.GetKernelLen(), 247);
  rsmp::ReleaseLowPassFilter(filter);
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
}

}  // namespace
