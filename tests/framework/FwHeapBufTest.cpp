#include "framework/FwHeapBuf.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ostream>
#include <string>

namespace fx {
namespace {

struct GrowthRow {
  int granularity;
  int newSize;
  int expectedAlloc;
};

void PrintTo(const GrowthRow& row, std::ostream* os) {
  *os << "granularity " << row.granularity << " size " << row.newSize;
}

// Expected allocations worked by hand from the growth rule: below a granularity
// of 4096, n + max(n / 2, granularity); from 4096 up, a page-multiple slack of
// half the size (4096 minimum, 4 MB maximum) and whole pages with 96 bytes of
// allocator overhead: ((n + step + 96) & ~4095) - 96.
class FwHeapBufGrowth : public testing::TestWithParam<GrowthRow> {};

TEST_P(FwHeapBufGrowth, AllocatesTheGrowthRule) {
  const GrowthRow row = GetParam();
  FwHeapBuf buf(row.granularity);
  ASSERT_NE(buf.Resize(row.newSize, false), nullptr);
  EXPECT_EQ(buf.GetSize(), row.newSize);
  EXPECT_EQ(buf.GetAllocated(), row.expectedAlloc);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FwHeapBufGrowth,
                         testing::Values(GrowthRow{128, 10, 138}, GrowthRow{128, 1000, 1500}, GrowthRow{128, 1, 129},
                                         GrowthRow{128, 256, 384}, GrowthRow{4096, 8208, 12192},
                                         GrowthRow{4096, 1, 4000}, GrowthRow{4096, 4000, 8096},
                                         GrowthRow{4096, 20000, 24480},
                                         // step 10000000 capped at 4194304: 24194400 -> 24190976 - 96
                                         GrowthRow{4096, 20000000, 24190880},
                                         // granularity 10000 cleared to 8192: 12000 + 8192 + 96 -> 16384 - 96
                                         GrowthRow{10000, 12000, 16288}));

TEST(FwHeapBuf, GrowingWithinTheAllocationMovesNothing) {
  FwHeapBuf buf(128);
  void* first = buf.Resize(10, false);
  EXPECT_EQ(buf.Resize(138, false), first);
  EXPECT_EQ(buf.GetAllocated(), 138);
}

TEST(FwHeapBuf, GrowingKeepsTheContents) {
  FwHeapBuf buf(128);
  auto* bytes = static_cast<unsigned char*>(buf.Resize(100));
  for (int i = 0; i < 100; ++i) bytes[i] = static_cast<unsigned char>(i);
  bytes = static_cast<unsigned char*>(buf.Resize(100000));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], i);
}

TEST(FwHeapBuf, ResizeToZeroWithoutResizeDownKeepsMemory) {
  FwHeapBuf buf(128);
  buf.Resize(50);
  EXPECT_EQ(buf.Resize(0, false), nullptr);
  EXPECT_EQ(buf.GetSize(), 0);
  EXPECT_EQ(buf.GetAllocated(), 178);
  EXPECT_NE(buf.Get(), nullptr);
}

TEST(FwHeapBuf, ResizeToZeroWithResizeDownFrees) {
  FwHeapBuf buf(128);
  buf.Resize(50);
  EXPECT_EQ(buf.Resize(0, true), nullptr);
  EXPECT_EQ(buf.GetSize(), 0);
  EXPECT_EQ(buf.GetAllocated(), 0);
  EXPECT_EQ(buf.Get(), nullptr);
}

TEST(FwHeapBuf, ResizeToZeroOnAnEmptyBufferKeepsMemoryKeptEarlier) {
  FwHeapBuf buf(128);
  buf.Resize(50);
  buf.Resize(0, false);
  buf.Resize(0, true);
  EXPECT_EQ(buf.GetAllocated(), 178);
  EXPECT_NE(buf.Get(), nullptr);
}

TEST(FwHeapBuf, ShrinkingKeepsSlackUntilHalfTheAllocation) {
  FwHeapBuf buf(128);
  buf.Resize(1000);       // allocates 1500
  buf.Resize(750, true);  // lower bound max(min(1500 - 512, 750), 1) = 750: kept
  EXPECT_EQ(buf.GetAllocated(), 1500);
  buf.Resize(749, true);  // below: reallocated for 749 + 374
  EXPECT_EQ(buf.GetAllocated(), 1123);
  EXPECT_EQ(buf.GetSize(), 749);
}

TEST(FwHeapBuf, ShrinkingWithoutResizeDownNeverReallocates) {
  FwHeapBuf buf(128);
  buf.Resize(1000);
  buf.Resize(1, false);
  EXPECT_EQ(buf.GetAllocated(), 1500);
  EXPECT_EQ(buf.GetSize(), 1);
}

TEST(FwHeapBuf, NegativeSizeCountsAsZero) {
  FwHeapBuf buf(128);
  buf.Resize(10);
  EXPECT_EQ(buf.Resize(-5, false), nullptr);
  EXPECT_EQ(buf.GetSize(), 0);
}

TEST(FwHeapBuf, ImpossibleGrowthFailsVisiblyAndKeepsTheData) {
  FwHeapBuf buf(4096);
  auto* bytes = static_cast<char*>(buf.Resize(16));
  std::memcpy(bytes, "0123456789abcdef", 16);
  EXPECT_EQ(buf.Resize(INT_MAX), nullptr);
  EXPECT_EQ(buf.GetSize(), 16);
  EXPECT_EQ(buf.Get(), bytes);
  EXPECT_EQ(std::memcmp(buf.Get(), "0123456789abcdef", 16), 0);
}

TEST(FwHeapBuf, AppendCopiesFromItsOwnBytes) {
  FwHeapBuf buf(128);
  std::memcpy(buf.Resize(100), std::string(100, 'x').c_str(), 100);
  static_cast<char*>(buf.Get())[0] = 'a';
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(buf.Append(buf.Get(), buf.GetSize()));
  ASSERT_EQ(buf.GetSize(), 6400);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(static_cast<char*>(buf.Get())[i * 100], 'a');
}

}  // namespace
}  // namespace fx
