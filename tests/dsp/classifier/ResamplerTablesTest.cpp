#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include "dsp/classifier/ClassifierTables.h"
#include "tests/dsp/classifier/ClassifierTestSupport.h"

namespace classifier {
namespace {

struct Table {
  const char* name;
  const float* taps;
  uint32_t tapCount;
  uint32_t branchCount;
  double sampleRate;
};

const Table kTables[] = {
    {"32k", kLowPass32kTaps, kLowPass32kTapCount, 1, 32000.0},
    {"44k", kLowPass44kTaps, kLowPass44kTapCount, 160, 160.0 * 44100.0},
    {"48k", kLowPass48kTaps, kLowPass48kTapCount, 1, 48000.0},
};

// Magnitude response relative to DC, in dB, by direct evaluation of the DTFT in double precision.
double gain_db(const Table& t, double frequency) {
  const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi * frequency / t.sampleRate);
  std::complex<double> phasor = 1.0;
  std::complex<double> sum = 0.0;
  double dc = 0.0;
  for (uint32_t i = 0; i < t.tapCount; ++i) {
    sum += double(t.taps[i]) * phasor;
    phasor *= step;
    dc += t.taps[i];
  }
  return 20.0 * std::log10(std::abs(sum) / dc);
}

double worst_gain(const Table& t, const std::vector<double>& frequencies) {
  double worst = -1000.0;
  for (double f : frequencies) worst = std::max(worst, gain_db(t, f));
  return worst;
}

std::vector<double> range(double from, double to, double step) {
  std::vector<double> f;
  for (double v = from; v <= to; v += step) f.push_back(v);
  return f;
}

TEST(ResamplerTables, AreSymmetric) {
  for (const Table& t : kTables) {
    for (uint32_t i = 0; i < t.tapCount; ++i) ASSERT_EQ(t.taps[i], t.taps[t.tapCount - 1 - i]) << t.name << " " << i;
  }
}

TEST(ResamplerTables, EveryBranchSumsTo099) {
  for (const Table& t : kTables) {
    std::vector<double> sums(t.branchCount, 0.0);
    for (uint32_t i = 0; i < t.tapCount; ++i) sums[i % t.branchCount] += t.taps[i];
    for (uint32_t b = 0; b < t.branchCount; ++b) EXPECT_NEAR(sums[b], 0.99, 1e-6) << t.name << " branch " << b;
  }
}

TEST(ResamplerTables, PassBandIsFlatTo6kHz) {
  for (const Table& t : kTables) {
    for (double f : range(0.0, 6000.0, 100.0)) EXPECT_LT(std::fabs(gain_db(t, f)), 0.001) << t.name << " " << f;
  }
}

TEST(ResamplerTables, TransitionMatchesTheDesignFigures) {
  struct Row {
    const Table& table;
    double at7k;
    double at8k;
  };
  const Row rows[] = {{kTables[0], -2.3, -88.0}, {kTables[2], -0.2, -47.0}};
  for (const Row& r : rows) {
    EXPECT_NEAR(gain_db(r.table, 7000.0), r.at7k, 0.1) << r.table.name;
    EXPECT_NEAR(gain_db(r.table, 8000.0), r.at8k, 1.5) << r.table.name;
  }
}

TEST(ResamplerTables, StopBandIsBelow100dBFrom8500Hz) {
  EXPECT_LT(worst_gain(kTables[0], range(8500.0, 16000.0, 10.0)), -100.0);
  EXPECT_LT(worst_gain(kTables[2], range(8500.0, 24000.0, 10.0)), -100.0);
}

// At 160 x 44100 Hz every image of the input spectrum (around multiples of 44100 Hz) must be stopped too,
// or it folds into the 16 kHz output.
TEST(ResamplerTables, HighRateTableStopsEveryImage) {
  const Table& t = kTables[1];
  EXPECT_NEAR(gain_db(t, 7000.0), -2.3, 0.1);
  std::vector<double> frequencies = range(8500.0, 60000.0, 100.0);
  for (int image = 1; image <= 20; ++image) {
    for (double offset = -22050.0; offset <= 22050.0; offset += 1470.0) frequencies.push_back(image * 44100.0 + offset);
  }
  for (double f : range(100000.0, 3528000.0, 14000.0)) frequencies.push_back(f);
  EXPECT_LT(worst_gain(t, frequencies), -100.0);
}

TEST(AnalysisWindows, AreHammingAtHalfSamplePositions) {
  for (uint32_t i = 0; i < kSlopeWindowLength; ++i) EXPECT_NEAR(kHammingWindow512[i], test::hamming(i, 512), 1e-7);
  for (uint32_t i = 0; i < kFluxWindowLength; ++i) EXPECT_NEAR(kHammingWindow1024[i], test::hamming(i, 1024), 1e-7);
  EXPECT_EQ(kHammingWindow512[0], kHammingWindow512[511]);
}

}  // namespace
}  // namespace classifier
