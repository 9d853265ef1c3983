#include "dsp/classifier/Resampler16k.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>

#include "dsp/classifier/ClassifierTables.h"
#include "tests/dsp/classifier/ClassifierTestSupport.h"

namespace classifier {
namespace {

using test::AlignedMemory;

constexpr uint32_t kOutputCount = 1024;

struct RateRow {
  int32_t rate;
  uint32_t up;
  uint32_t down;
  uint32_t inputCount;
  const float* taps;
  uint32_t tapCount;
};

void PrintTo(const RateRow& row, std::ostream* os) {
  *os << row.rate << " Hz";
}

const RateRow kRates[] = {
    {32000, 1, 2, 2048, kLowPass32kTaps, kLowPass32kTapCount},
    {44100, 160, 441, 2823, kLowPass44kTaps, kLowPass44kTapCount},
    {48000, 1, 3, 3072, kLowPass48kTaps, kLowPass48kTapCount},
};

uint64_t state_size(int32_t rate) {
  uint32_t inputCount = 0;
  return resampler16k_size(rate, kClassifierRate, kOutputCount, &inputCount);
}

class Resampler {
 public:
  explicit Resampler(int32_t rate) : mMemory(state_size(rate)) {
    EXPECT_EQ(resampler16k_init(state(), mMemory.size(), kOutputCount, rate, kClassifierRate), 0);
  }
  Resampler16kState* state() { return mMemory.as<Resampler16kState>(); }

  // Feeds the needed samples from source, copied into a heap buffer of exactly that size so that a read
  // beyond them is caught. Returns how many were fed.
  uint32_t feed(const float* source, std::vector<float>& out) {
    const uint32_t needed = resampler16k_needed(state());
    std::unique_ptr<float[]> chunk(new float[needed]);
    std::copy_n(source, needed, chunk.get());
    mFed += needed;
    out.resize(kOutputCount);
    EXPECT_EQ(resampler16k_process(state(), needed, chunk.get(), out.data()), 0);
    return needed;
  }
  uint64_t fed() const { return mFed; }

 private:
  AlignedMemory mMemory;
  uint64_t mFed = 0;
};

TEST(Resampler16kSize, GivesInputCountAndStateSize) {
  for (const RateRow& r : kRates) {
    uint32_t inputCount = 0;
    EXPECT_EQ(resampler16k_size(r.rate, 16000, kOutputCount, &inputCount), sizeof(Resampler16kState) + 256 * 4)
        << r.rate;
    EXPECT_EQ(inputCount, r.inputCount) << r.rate;
  }
}

TEST(Resampler16kSize, RefusesUnsupportedPairs) {
  struct Pair {
    int32_t in;
    int32_t out;
    uint32_t count;
  };
  const Pair pairs[] = {{16000, 16000, 1024},  {96000, 16000, 1024}, {44100, 8000, 1024},
                        {-32000, 16000, 1024}, {48000, 16000, 0},    {48000, 16000, kResamplerMaxOutputCount + 1}};
  for (const Pair& p : pairs) {
    uint32_t inputCount = 77;
    EXPECT_EQ(resampler16k_size(p.in, p.out, p.count, &inputCount), 0u) << p.in << " " << p.out << " " << p.count;
    EXPECT_EQ(inputCount, 77u);
    AlignedMemory memory(4096);
    EXPECT_EQ(resampler16k_init(memory.as<Resampler16kState>(), memory.size(), p.count, p.in, p.out), -1);
  }
}

TEST(Resampler16kInit, RefusesMissingSmallOrMisalignedMemory) {
  const uint64_t size = state_size(48000);
  AlignedMemory memory(size + 16);
  EXPECT_EQ(resampler16k_init(nullptr, size, kOutputCount, 48000, 16000), -1);
  EXPECT_EQ(resampler16k_init(memory.as<Resampler16kState>(), size - 1, kOutputCount, 48000, 16000), -1);
  auto* misaligned = reinterpret_cast<Resampler16kState*>(static_cast<char*>(memory.data()) + 4);
  EXPECT_EQ(resampler16k_init(misaligned, size, kOutputCount, 48000, 16000), -1);
}

TEST(Resampler16kProcess, RefusesAnyCountButTheOneNeeded) {
  Resampler r(32000);
  std::vector<float> in(4096, 0.5f);
  std::vector<float> out(kOutputCount, 7.0f);
  for (uint32_t count : {0u, 2047u, 2049u}) {
    EXPECT_EQ(resampler16k_process(r.state(), count, in.data(), out.data()), -1) << count;
  }
  EXPECT_EQ(resampler16k_process(r.state(), 2048, nullptr, out.data()), -1);
  EXPECT_EQ(resampler16k_process(r.state(), 2048, in.data(), nullptr), -1);
  EXPECT_EQ(r.state()->primed, 0u);
  EXPECT_EQ(out[0], 7.0f);
}

// Output n lies at n M on the L-times upsampled time axis; it sums h[k] x[(n M - k) / L] over the taps
// whose position falls on an input sample. The newest sample is only taken in once the phase has passed
// it, so after the first output the tap h[0] never meets a sample.
double reference_output(const RateRow& r, const float* taps, const std::vector<float>& x, uint64_t n) {
  const uint64_t t = n * r.down;
  uint64_t first = t % r.up;
  if (first == 0 && n > 0) first = r.up;
  double sum = 0.0;
  for (uint64_t k = first; k < r.tapCount && k <= t; k += r.up) sum += double(taps[k]) * x[(t - k) / r.up];
  return sum;
}

// The designed tables, and random taps that weigh every position alike so that a tap paired with the
// wrong sample cannot hide in a small coefficient.
TEST(Resampler16kProcess, MatchesDirectPolyphaseConvolution) {
  for (const RateRow& row : kRates) {
    const std::vector<float> randomTaps = test::noise(row.tapCount, 0.01f, 17);
    for (const float* taps : {row.taps, randomTaps.data()}) {
      const std::vector<float> x = test::noise(4 * row.inputCount, 1.0f, 3);
      Resampler r(row.rate);
      ASSERT_EQ(r.state()->coefficients, row.taps);
      r.state()->coefficients = taps;
      std::vector<float> out;
      for (uint64_t chunk = 0; chunk < 3; ++chunk) {
        r.feed(x.data() + r.fed(), out);
        for (uint64_t i = 0; i < kOutputCount; ++i) {
          ASSERT_NEAR(out[i], reference_output(row, taps, x, chunk * kOutputCount + i), 1e-5)
              << row.rate << " output " << i << (taps == row.taps ? "" : " (random taps)");
        }
      }
    }
  }
}

// The bookkeeping of input samples does not depend on the filter: a single tap keeps 20,000 frames fast.
class Resampler16kRates : public testing::TestWithParam<RateRow> {};

TEST_P(Resampler16kRates, ConsumesEveryInputSampleOnceOver20000Frames) {
  constexpr uint64_t kFrames = 20000;
  // Sample i carries i modulo 2^23, which a float holds exactly.
  constexpr uint64_t kRampMask = (1u << 23) - 1;
  auto ramp = [](uint64_t i) { return static_cast<float>(i & kRampMask); };
  std::vector<float> source(kRampMask + 1 + 4096);
  for (size_t i = 0; i < source.size(); ++i) source[i] = ramp(i);
  const RateRow& row = GetParam();
  Resampler r(row.rate);
  Resampler16kState& s = *r.state();
  s.tapCount = 1;
  std::vector<float> out;
  for (uint64_t frame = 1; frame <= kFrames; ++frame) {
    const uint32_t needed = r.feed(source.data() + (r.fed() & kRampMask), out);
    ASSERT_TRUE(needed == row.inputCount || (row.up > 1 && needed == row.inputCount - 1)) << needed;
    // After F frames the newest sample taken in is the last one at or before F N M on the upsampled axis.
    const uint64_t consumed = (frame * kOutputCount * row.down + row.up - 1) / row.up;
    ASSERT_EQ(r.fed(), consumed + s.pending) << "frame " << frame;
    if (s.pending != 0) {
      ASSERT_EQ(s.pendingSample, ramp(consumed));
    }
    for (uint32_t back = 0; back < 16; ++back) {
      ASSERT_EQ(s.history[(s.writePosition - back) & s.historyMask], ramp(consumed - 1 - back))
          << "frame " << frame << " back " << back;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllRates, Resampler16kRates, testing::ValuesIn(kRates),
                         [](const testing::TestParamInfo<RateRow>& info) { return std::to_string(info.param.rate); });

}  // namespace
}  // namespace classifier
