#include "dsp/classifier/Classifier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dsp/classifier/ClassifierMemory.h"
#include "tests/dsp/classifier/ClassifierTestSupport.h"

namespace classifier {
namespace {

using test::AlignedMemory;

constexpr int32_t kRates[] = {32000, 44100, 48000};

uint32_t chunk_input_count(int32_t rate) {
  uint32_t count = 0;
  resampler16k_size(rate, kClassifierRate, kFrameLength, &count);
  return count;
}

class Classifier {
 public:
  Classifier(int32_t rate, uint32_t maxBlock) : mMemory(classifier_size(rate, maxBlock)) {
    EXPECT_EQ(classifier_init(mMemory.data(), mMemory.size(), rate, maxBlock), 0);
  }
  ClassifierHeader& header() { return *mMemory.as<ClassifierHeader>(); }
  int process(const float* samples, uint32_t count) { return classifier_process(mMemory.data(), samples, count); }
  void* block() { return mMemory.data(); }

 private:
  AlignedMemory mMemory;
};

// Decaying noisy bursts twice a second, rests in between: material on which the vote changes its mind.
std::vector<float> bursts(int32_t rate, size_t count) {
  std::vector<float> x(count);
  const std::vector<float> n = test::noise(count, 0.3f, 21);
  for (size_t i = 0; i < count; ++i) {
    const double t = double(i) / rate;
    const double phase = std::fmod(t, 0.5);
    const double envelope = phase < 0.2 ? 0.4 * std::exp(-phase * 20.0) : 0.0;
    x[i] = static_cast<float>(envelope * (n[i] + std::sin(2.0 * std::numbers::pi * 150.0 * t)));
  }
  return x;
}

TEST(ClassifierSize, IsZeroForUnsupportedRatesAndBlockLimits) {
  for (int32_t rate : {0, 16000, 22050, 96000, -44100}) EXPECT_EQ(classifier_size(rate, 512), 0u) << rate;
  EXPECT_EQ(classifier_size(48000, kClassifierMaxBlockLimit + 1), 0u);
  EXPECT_GT(classifier_size(48000, kClassifierMaxBlockLimit), 0u);
}

TEST(ClassifierInit, LaysOutAlignedRegionsInOrderInsideTheBlock) {
  for (int32_t rate : kRates) {
    for (uint32_t maxBlock : {0u, 1u, 7u, 256u, 4096u, 10000u}) {
      const uint64_t size = classifier_size(rate, maxBlock);
      Classifier c(rate, maxBlock);
      ClassifierHeader& h = c.header();
      const uint32_t inputCount = chunk_input_count(rate);
      const uint32_t capacity = 2 * std::max(inputCount, maxBlock);
      const std::pair<const void*, uint64_t> regions[] = {
          {&h, sizeof h},
          {h.spectralSlope, spectral_slope_size()},
          {h.vote, stump_vote_size()},
          {h.energyPeriodicity, energy_periodicity_size()},
          {h.lowEnergy, low_energy_size()},
          {h.variancePeriodicity, variance_periodicity_size()},
          {h.spectralFlux, spectral_flux_size()},
          {h.zcrMedianRatio, zcr_median_ratio_size()},
          {h.zcrSkewness, zcr_skewness_size()},
          {h.resampler, sizeof(Resampler16kState) + h.resampler->historyLength * sizeof(float)},
          {h.scratch, maxBlock * sizeof(float)},
          {h.resamplerInput, inputCount * sizeof(float)},
          {h.frame, kFrameLength * sizeof(float)},
          {h.ring, sample_ring_size(capacity)},
      };
      auto* base = static_cast<const unsigned char*>(c.block());
      const unsigned char* end = base;
      for (const auto& [start, bytes] : regions) {
        auto* p = static_cast<const unsigned char*>(start);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % kRegionAlignment, 0u) << rate << " " << maxBlock;
        EXPECT_GE(p, end) << rate << " " << maxBlock;
        end = p + bytes;
      }
      EXPECT_LE(end, base + size) << rate << " " << maxBlock;
      EXPECT_EQ(h.ring->capacity, capacity);
      EXPECT_EQ(h.resampler->inputCount, inputCount);
      EXPECT_EQ(h.frameCounter, kFirstFrameCounter);
      EXPECT_EQ(h.lastDecision, kNoDecision);
    }
  }
}

// A classifier built for blocks of 0 samples: laid out (above), ready, and taking no samples at all.
TEST(ClassifierInit, AMaximumBlockOfZeroTakesNoSamples) {
  Classifier c(44100, 0);
  const float sample = 0.5f;
  EXPECT_EQ(c.process(&sample, 1), -1);
  EXPECT_EQ(c.process(nullptr, 0), kNoDecision);
  EXPECT_EQ(c.header().frameCounter, kFirstFrameCounter);
  EXPECT_EQ(sample_ring_count(c.header().ring), 0u);
}

TEST(ClassifierInit, RefusesBadArgumentsAndLeavesTheBlockUntouched) {
  const uint64_t size = classifier_size(44100, 512);
  AlignedMemory memory(size + 64);
  std::memset(memory.data(), 0xA5, memory.size());
  auto* bytes = static_cast<unsigned char*>(memory.data());
  EXPECT_EQ(classifier_init(memory.data(), memory.size(), 22050, 512), -1);
  EXPECT_EQ(classifier_init(memory.data(), size - 1, 44100, 512), -1);
  EXPECT_EQ(classifier_init(bytes + 8, size, 44100, 512), -1);
  EXPECT_EQ(classifier_init(nullptr, size, 44100, 512), -1);
  // Blocks above the limit, with a block size claimed large enough for any layout: the limit alone
  // refuses them (the ring's capacity, twice the block, would no longer fit 32 bits at the top).
  for (uint32_t maxBlock : {kClassifierMaxBlockLimit + 1, 0x80000000u, UINT32_MAX}) {
    EXPECT_EQ(classifier_init(memory.data(), UINT64_MAX, 44100, maxBlock), -1) << maxBlock;
  }
  for (uint64_t i = 0; i < memory.size(); ++i) ASSERT_EQ(bytes[i], 0xA5) << i;
}

TEST(ClassifierProcess, RefusesTooManyOrMissingSamplesAndConsumesNothing) {
  Classifier c(32000, 256);
  const std::vector<float> x(1000, 0.1f);
  ASSERT_EQ(c.process(x.data(), 256), kNoDecision);
  const uint32_t writeIndex = c.header().ring->writeIndex;
  EXPECT_EQ(c.process(x.data(), 257), -1);
  EXPECT_EQ(c.process(nullptr, 10), -1);
  EXPECT_EQ(classifier_process(nullptr, x.data(), 10), -1);
  EXPECT_EQ(c.header().ring->writeIndex, writeIndex);
  EXPECT_EQ(c.process(nullptr, 0), kNoDecision);
}

// One sample per call, so every frame is seen the moment its chunk is complete.
TEST(ClassifierProcess, TakesOneChunkPerFrameAndDecidesAtFrame32ThenEvery8) {
  for (int32_t rate : kRates) {
    Classifier c(rate, 1);
    ClassifierHeader& h = c.header();
    const uint32_t inputCount = chunk_input_count(rate);
    const std::vector<float> x = bursts(rate, 50 * inputCount);
    uint32_t frames = 0;
    uint32_t decisions = 0;
    uint32_t sinceLastFrame = 0;
    for (size_t i = 0; i < x.size() && frames < 49; ++i) {
      const uint32_t needed = resampler16k_needed(h.resampler);
      const uint32_t readBefore = h.ring->readIndex;
      const uint32_t voteBefore = h.vote->index;
      const int decision = c.process(&x[i], 1);
      ++sinceLastFrame;
      if (h.ring->readIndex == readBefore) {
        ASSERT_LT(sinceLastFrame, needed) << rate;
        continue;
      }
      ASSERT_EQ(sinceLastFrame, needed) << rate << " frame " << frames + 1;
      ASSERT_TRUE(needed == inputCount || (rate == 44100 && needed == inputCount - 1)) << needed;
      sinceLastFrame = sample_ring_count(h.ring);
      ++frames;
      const bool decides = frames >= 32 && frames % 8 == 0;
      EXPECT_EQ(h.vote->index != voteBefore, decides) << rate << " frame " << frames;
      decisions += decides ? 1 : 0;
      EXPECT_EQ(decision == kNoDecision, frames < 32) << rate << " frame " << frames;
    }
    EXPECT_EQ(frames, 49u);
    EXPECT_EQ(decisions, 3u);
  }
}

TEST(ClassifierProcess, SilenceGivesZeroFeaturesAndDecisionZero) {
  Classifier c(48000, 4096);
  const std::vector<float> zeros(4096, 0.0f);
  int decision = kNoDecision;
  for (int block = 0; block < 40 * 3; ++block) decision = c.process(zeros.data(), 4096);
  EXPECT_EQ(decision, 0);
  for (float f : c.header().features) EXPECT_EQ(f, 0.0f);
  EXPECT_NEAR(c.header().vote->scores[0], -0.8785, 1e-4);
}

TEST(ClassifierProcess, ChunksBelowOne16BitStepAreExactSilence) {
  Classifier c(32000, 2048);
  const std::vector<float> whisper = test::noise(2048 * 40, 0.99f / 32768.0f, 2);
  for (size_t offset = 0; offset < whisper.size(); offset += 2048) {
    c.process(&whisper[offset], 2048);
    for (uint32_t i = 0; i < kFrameLength; ++i) ASSERT_EQ(c.header().frame[i], 0.0f) << offset << " " << i;
  }
  EXPECT_EQ(c.header().lastDecision, 0);
  for (float f : c.header().features) EXPECT_EQ(f, 0.0f);
}

struct Decisions {
  std::vector<int> decisions;
  std::vector<float> features;
};

Decisions run_in_blocks(int32_t rate, const std::vector<float>& x, uint32_t blockSize, uint32_t maxBlock) {
  Classifier c(rate, maxBlock);
  Decisions run;
  uint32_t votes = 0;
  for (size_t offset = 0; offset < x.size(); offset += blockSize) {
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(blockSize, x.size() - offset));
    const int decision = c.process(&x[offset], count);
    if (c.header().vote->index != votes % kVoteScoreCount) {
      ++votes;
      run.decisions.push_back(decision);
      run.features.insert(run.features.end(), std::begin(c.header().features), std::end(c.header().features));
    }
  }
  return run;
}

// Bursts, then steady noise from the given sample on.
std::vector<float> bursts_then_noise(int32_t rate, size_t count, size_t noiseFrom) {
  std::vector<float> x = bursts(rate, count);
  const std::vector<float> n = test::noise(count, 0.2f, 5);
  std::copy(n.begin() + noiseFrom, n.end(), x.begin() + noiseFrom);
  return x;
}

TEST(ClassifierProcess, BlockSizeDoesNotChangeAnyDecision) {
  constexpr uint32_t kMaxBlock = 4096;
  const int32_t rate = 44100;
  const std::vector<float> x = bursts_then_noise(rate, 73 * chunk_input_count(rate), 40 * chunk_input_count(rate));
  const Decisions reference = run_in_blocks(rate, x, kMaxBlock, kMaxBlock);
  ASSERT_EQ(reference.decisions.size(), 6u);
  EXPECT_NE(std::count(reference.decisions.begin(), reference.decisions.end(), 0), 0);
  EXPECT_NE(std::count(reference.decisions.begin(), reference.decisions.end(), 1), 0);
  for (uint32_t blockSize : {1u, 7u, 256u}) {
    const Decisions run = run_in_blocks(rate, x, blockSize, kMaxBlock);
    EXPECT_EQ(run.decisions, reference.decisions) << blockSize;
    EXPECT_EQ(run.features, reference.features) << blockSize;
  }
}

TEST(ClassifierInit, RunningItAgainStartsOver) {
  Classifier c(32000, 2048);
  const std::vector<float> x = bursts(32000, 2048 * 40);
  const Decisions fresh = run_in_blocks(32000, x, 2048, 2048);
  for (size_t offset = 0; offset < x.size(); offset += 2048) c.process(&x[offset], 2048);
  ASSERT_EQ(classifier_init(c.block(), classifier_size(32000, 2048), 32000, 2048), 0);
  EXPECT_EQ(c.header().frameCounter, kFirstFrameCounter);
  EXPECT_EQ(c.header().lastDecision, kNoDecision);
  EXPECT_EQ(c.header().resampler->primed, 0u);
  EXPECT_EQ(sample_ring_count(c.header().ring), 0u);
  std::vector<int> decisions;
  for (size_t offset = 0; offset < x.size(); offset += 2048) {
    const uint32_t votes = c.header().vote->index;
    const int decision = c.process(&x[offset], 2048);
    if (c.header().vote->index != votes) decisions.push_back(decision);
  }
  EXPECT_EQ(decisions, fresh.decisions);
}

}  // namespace
}  // namespace classifier
