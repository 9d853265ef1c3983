#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/CKernelFilterCache.h"
#include "plugin/resampler/ResamplerStores.h"
#include "plugin/resampler/VectorPath.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <vector>

namespace {

using rsmp::CDSPKernelFilter;

class KernelFilterCache : public ::testing::Test {
 protected:
  ~KernelFilterCache() override {
    mCache->Close();
    mPool->Close();
  }

  // Short, cheap designs told apart by their cut-off.
  CDSPKernelFilter& Get(int index) { return mCache->GetLowPassFilter(0.5 - index * 1e-4, 45.0, 60.0, 0, 1.0); }

  rsmp::CFFTObjectPool* mPool = new rsmp::CFFTObjectPool;
  rsmp::CKernelFilterCache* mCache = new rsmp::CKernelFilterCache(*mPool);
};

TEST_F(KernelFilterCache, SameRequestSharesOneRecord) {
  CDSPKernelFilter& first = mCache->GetLowPassFilter(0.5, 8.0, 124.28, 0, 1.0);
  CDSPKernelFilter& second = mCache->GetLowPassFilter(0.5, 8.0, 124.28, 0, 1.0);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(first.GetRefCount(), 2);
  EXPECT_EQ(mCache->GetCount(), 1);
  mCache->Release(first);
  mCache->Release(second);
  EXPECT_EQ(first.GetRefCount(), 0);
  EXPECT_EQ(mCache->GetCount(), 1);
}

TEST_F(KernelFilterCache, AnyChangedRequestValueGivesANewDesign) {
  CDSPKernelFilter& base = mCache->GetLowPassFilter(0.5, 8.0, 124.28, 0, 1.0);
  const double rows[][5] = {
      {0.25, 8.0, 124.28, 0, 1.0}, {0.5, 9.0, 124.28, 0, 1.0}, {0.5, 8.0, 120.0, 0, 1.0},
      {0.5, 8.0, 124.28, 1, 1.0},  {0.5, 8.0, 124.28, 0, 2.0},
  };
  for (const auto& row : rows) {
    CDSPKernelFilter& other = mCache->GetLowPassFilter(row[0], row[1], row[2], static_cast<int>(row[3]), row[4]);
    EXPECT_NE(&other, &base);
    EXPECT_EQ(other.GetRefCount(), 1);
    mCache->Release(other);
  }
  EXPECT_EQ(mCache->GetCount(), 6);
  mCache->Release(base);
}

TEST_F(KernelFilterCache, HitMovesTheFilterToTheHead) {
  CDSPKernelFilter& first = Get(0);
  CDSPKernelFilter& second = Get(1);
  EXPECT_EQ(mCache->GetHead(), &second);
  Get(0);
  EXPECT_EQ(mCache->GetHead(), &first);
  mCache->Release(first);
  mCache->Release(first);
  mCache->Release(second);
}

TEST_F(KernelFilterCache, FullCacheOfUsedFiltersGrowsAndKeepsTheLastAtTheHead) {
  std::vector<CDSPKernelFilter*> held;
  for (int i = 0; i < rsmp::CKernelFilterCache::kEvictionCount; i++) held.push_back(&Get(i));
  CDSPKernelFilter* oldest = held.front();
  CDSPKernelFilter& extra = Get(1000);
  EXPECT_EQ(mCache->GetCount(), 97);
  EXPECT_EQ(mCache->GetHead(), &extra);
  EXPECT_EQ(mCache->GetHead()->GetNext(), oldest);
  mCache->Release(extra);
  for (CDSPKernelFilter* filter : held) mCache->Release(*filter);
}

TEST_F(KernelFilterCache, FullCacheDestroysTheUnusedLeastRecentlyUsedFilter) {
  std::vector<CDSPKernelFilter*> held;
  for (int i = 0; i < rsmp::CKernelFilterCache::kEvictionCount; i++) held.push_back(&Get(i));
  mCache->Release(*held.front());
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  CDSPKernelFilter& extra = Get(1000);
  EXPECT_EQ(mCache->GetCount(), 96);
  // The new record and its spectrum replace the destroyed ones.
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
  for (const CDSPKernelFilter* f = mCache->GetHead(); f != nullptr; f = f->GetNext())
    EXPECT_NE(f->GetReqNormFreq(), 0.5);
  mCache->Release(extra);
  for (size_t i = 1; i < held.size(); i++) mCache->Release(*held[i]);
}

TEST_F(KernelFilterCache, FailedDesignLeaksNothingAndKeepsTheCount) {
  CDSPKernelFilter& kept = Get(0);
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  int failures = 0;
  for (int failAfter = 0; failAfter < 40; failAfter++) {
    rsmp::FailFamilyAllocationAfter(failAfter);
    try {
      CDSPKernelFilter& filter = mCache->GetLowPassFilter(0.5, 8.0, 124.28, 1, 1.0);
      rsmp::FailFamilyAllocationAfter(-1);
      mCache->Release(filter);
      break;
    } catch (const std::bad_alloc&) {
      failures++;
      EXPECT_EQ(mCache->GetCount(), 1) << failAfter;
      EXPECT_EQ(mCache->GetHead(), &kept) << failAfter;
      EXPECT_EQ(mPool->GetHeldCount(), 0) << failAfter;
      // FFT objects (the object, its three tables and, with AVX2, a twiddle table) may stay pooled;
      // nothing else survives.
      const int blocksPerObject = rsmp::IsAvx2Available() ? 5 : 4;
      EXPECT_EQ(rsmp::GetFamilyLiveBlockCount() - live,
                blocksPerObject * (mPool->GetFreeCount(12) + mPool->GetFreeCount(9)))
          << failAfter;
    }
  }
  rsmp::FailFamilyAllocationAfter(-1);
  EXPECT_GT(failures, 3);
  EXPECT_EQ(mCache->GetCount(), 2);
  mCache->Release(kept);
}

TEST_F(KernelFilterCache, RefusedRequestsChangeNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double rows[][4] = {
      {0.0, 8.0, 124.28, 1.0}, {0.7, 8.0, 124.28, 1.0},  {0.5, 0.0, 124.28, 1.0}, {0.5, 8.0, 1000.0, 1.0},
      {0.5, 8.0, 124.28, 0.0}, {0.5, 8.0, 124.28, -1.0}, {0.5, 8.0, 124.28, inf}, {0.5, 8.0, 124.28, nan},
  };
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  for (const auto& row : rows)
    EXPECT_THROW(mCache->GetLowPassFilter(row[0], row[1], row[2], 0, row[3]), std::invalid_argument);
  EXPECT_EQ(mCache->GetCount(), 0);
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
}

TEST(ProcessWideFilterCache, SharesDesignsAcrossCallers) {
  CDSPKernelFilter& first = rsmp::GetLowPassFilter(0.5, 8.0, 124.28, 0, 1.0);
  CDSPKernelFilter& second = rsmp::GetLowPassFilter(0.5, 8.0, 124.28, 0, 1.0);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(&first.GetCache(), &rsmp::CResamplerStores::Filters());
  rsmp::ReleaseLowPassFilter(first);
  rsmp::ReleaseLowPassFilter(second);
}

}  // namespace
