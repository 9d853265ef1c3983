#include "plugin/resampler/Allocation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using rsmp::CAlignedBuffer;

struct CFamilyObject : rsmp::CStdClassAllocator {
  double Value = 1.0;
};

TEST(FamilyAllocation, CountsEveryAllocationAndFree) {
  const std::int64_t allocations = rsmp::GetFamilyAllocationCount();
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  {
    CAlignedBuffer<double> buffer(100);
    auto* object = new CFamilyObject;
    EXPECT_EQ(rsmp::GetFamilyAllocationCount(), allocations + 2);
    EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live + 2);
    delete object;
  }
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
}

// Objects whose members ask for more alignment than the heap guarantees, as the half-band steps' rings do.
template <int N>
struct CAlignedFamilyObject : rsmp::CStdClassAllocator {
  alignas(64) double Ring[N] = {};
};

// Allocates a few objects of N doubles; returns how many came out misaligned, and frees them.
template <int N>
int CountMisaligned() {
  int misaligned = 0;
  std::vector<CAlignedFamilyObject<N>*> objects;
  for (int i = 0; i < 4; i++) {
    objects.push_back(new CAlignedFamilyObject<N>);
    if (reinterpret_cast<std::uintptr_t>(objects.back()) % 64 != 0) misaligned++;
  }
  for (CAlignedFamilyObject<N>* object : objects) delete object;
  return misaligned;
}

TEST(FamilyAllocation, OverAlignedObjectsGetTheirAlignmentFromTheCountedPath) {
  const std::int64_t allocations = rsmp::GetFamilyAllocationCount();
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  const int misaligned = CountMisaligned<1>() + CountMisaligned<3>() + CountMisaligned<7>() + CountMisaligned<26>() +
                         CountMisaligned<101>() + CountMisaligned<539>() + CountMisaligned<1051>() +
                         CountMisaligned<2102>();
  EXPECT_EQ(misaligned, 0);
  EXPECT_EQ(rsmp::GetFamilyAllocationCount(), allocations + 32);
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
}

TEST(FamilyAllocation, InjectedFailureReachesOverAlignedObjects) {
  rsmp::FailFamilyAllocationAfter(0);
  EXPECT_THROW(delete new CAlignedFamilyObject<8>, std::bad_alloc);
  rsmp::FailFamilyAllocationAfter(-1);
}

TEST(FamilyAllocation, BufferIsAlignedAndZeroed) {
  for (int capacity : {1, 3, 64, 1000}) {
    CAlignedBuffer<double> buffer(capacity);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) % 64, 0u);
    for (int i = 0; i < capacity; i++) EXPECT_EQ(buffer[i], 0.0);
  }
}

TEST(FamilyAllocation, EmptyBufferOwnsNothing) {
  const std::int64_t live = rsmp::GetFamilyLiveBlockCount();
  CAlignedBuffer<double> buffer(0);
  EXPECT_EQ(buffer.Data(), nullptr);
  EXPECT_EQ(buffer.GetCapacity(), 0);
  EXPECT_EQ(rsmp::GetFamilyLiveBlockCount(), live);
}

TEST(FamilyAllocation, MovedBufferKeepsItsBlock) {
  CAlignedBuffer<double> source(8);
  source[3] = 5.0;
  double* data = source.Data();
  CAlignedBuffer<double> target;
  target = std::move(source);
  EXPECT_EQ(target.Data(), data);
  EXPECT_EQ(target[3], 5.0);
  EXPECT_EQ(source.Data(), nullptr);
}

TEST(FamilyAllocation, InjectedFailureThrowsOnceAtTheChosenAllocation) {
  rsmp::FailFamilyAllocationAfter(1);
  CAlignedBuffer<double> first(4);
  EXPECT_THROW(CAlignedBuffer<double>(4), std::bad_alloc);
  CAlignedBuffer<double> third(4);
  EXPECT_NE(third.Data(), nullptr);
}

TEST(FamilyAllocation, FailedAllocationLeavesBufferEmpty) {
  CAlignedBuffer<double> buffer(4);
  rsmp::FailFamilyAllocationAfter(0);
  EXPECT_THROW(buffer.Alloc(16), std::bad_alloc);
  EXPECT_EQ(buffer.Data(), nullptr);
  EXPECT_EQ(buffer.GetCapacity(), 0);
}

}  // namespace
