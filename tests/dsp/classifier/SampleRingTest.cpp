#include "dsp/classifier/SampleRing.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/dsp/classifier/ClassifierTestSupport.h"

namespace classifier {
namespace {

using test::AlignedMemory;

struct RingFixture : testing::Test {
  static constexpr uint32_t kCapacity = 8;
  AlignedMemory memory{sample_ring_size(kCapacity)};
  SampleRing* ring = memory.as<SampleRing>();
  void SetUp() override { ASSERT_EQ(sample_ring_init(ring, memory.size(), kCapacity), 0); }
};

TEST(SampleRingSize, IsFixedFieldsPlusSamples) {
  EXPECT_EQ(sample_ring_size(0), sizeof(SampleRing));
  EXPECT_EQ(sample_ring_size(100), sizeof(SampleRing) + 400);
}

TEST(SampleRingInit, RefusesUnusableMemoryOrZeroCapacity) {
  AlignedMemory memory(sample_ring_size(16) + 16);
  auto* ring = memory.as<SampleRing>();
  EXPECT_EQ(sample_ring_init(nullptr, 1000, 16), -1);
  EXPECT_EQ(sample_ring_init(ring, sample_ring_size(16) - 1, 16), -1);
  EXPECT_EQ(sample_ring_init(ring, memory.size(), 0), -1);
  auto* misaligned = reinterpret_cast<SampleRing*>(static_cast<char*>(memory.data()) + 4);
  EXPECT_EQ(sample_ring_init(misaligned, memory.size() - 4, 16), -1);
}

TEST_F(RingFixture, InitZeroFillsAndEmpties) {
  for (uint32_t i = 0; i < kCapacity; ++i) EXPECT_EQ(ring->data[i], 0.0f);
  EXPECT_EQ(sample_ring_count(ring), 0u);
  EXPECT_EQ(sample_ring_free(ring), kCapacity);
}

TEST_F(RingFixture, KeepsOrderAcrossTheWrap) {
  float next = 0.0f;
  float expected = 0.0f;
  for (uint32_t round = 0; round < 10; ++round) {
    std::vector<float> in(5);
    std::iota(in.begin(), in.end(), next);
    next += 5.0f;
    ASSERT_EQ(sample_ring_push(ring, in.data(), 5), 0);
    EXPECT_EQ(sample_ring_count(ring), 5u);
    EXPECT_EQ(sample_ring_free(ring), kCapacity - 5);
    std::vector<float> out(5);
    ASSERT_EQ(sample_ring_pop(ring, out.data(), 5), 0);
    for (float v : out) EXPECT_EQ(v, expected++);
  }
  EXPECT_EQ(sample_ring_count(ring), 0u);
}

TEST_F(RingFixture, RefusesToOverfillAndKeepsOneSlotEmpty) {
  const std::vector<float> in(kCapacity, 1.0f);
  EXPECT_EQ(sample_ring_push(ring, in.data(), kCapacity), -1);
  EXPECT_EQ(sample_ring_count(ring), 0u);
  EXPECT_EQ(sample_ring_push(ring, in.data(), kCapacity - 1), 0);
  EXPECT_EQ(sample_ring_count(ring), kCapacity - 1);
  EXPECT_EQ(sample_ring_push(ring, in.data(), 1), -1);
  EXPECT_EQ(sample_ring_count(ring), kCapacity - 1);
}

TEST_F(RingFixture, RefusesToPopMoreThanHeld) {
  const float in[3] = {1.0f, 2.0f, 3.0f};
  ASSERT_EQ(sample_ring_push(ring, in, 3), 0);
  float out[4] = {9.0f, 9.0f, 9.0f, 9.0f};
  EXPECT_EQ(sample_ring_pop(ring, out, 4), -1);
  EXPECT_EQ(out[0], 9.0f);
  EXPECT_EQ(sample_ring_count(ring), 3u);
  EXPECT_EQ(sample_ring_pop(ring, nullptr, 1), -1);
  EXPECT_EQ(sample_ring_push(ring, nullptr, 1), -1);
}

TEST_F(RingFixture, ZeroCountsAreNoOps) {
  EXPECT_EQ(sample_ring_push(ring, nullptr, 0), 0);
  EXPECT_EQ(sample_ring_pop(ring, nullptr, 0), 0);
  EXPECT_EQ(sample_ring_count(ring), 0u);
}

}  // namespace
}  // namespace classifier
