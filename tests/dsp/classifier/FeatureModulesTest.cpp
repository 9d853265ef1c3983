#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/classifier/EnergyPeriodicity.h"
#include "dsp/classifier/LowEnergy.h"
#include "dsp/classifier/SpectralFlux.h"
#include "dsp/classifier/SpectralSlope.h"
#include "dsp/classifier/VariancePeriodicity.h"
#include "dsp/classifier/ZeroCrossings.h"
#include "tests/dsp/classifier/ClassifierTestSupport.h"

namespace classifier {
namespace {

using test::AlignedMemory;
using test::noise;

// The four operations of one module, over untyped state memory.
struct Module {
  const char* name;
  uint64_t (*size)();
  int (*init)(void*, uint64_t);
  int (*process)(void*, const float*, uint32_t);
  float (*get)(void*);
  uint32_t blockLength;
};

template <typename State, uint64_t (*Size)(), int (*Init)(State*, uint64_t),
          int (*Process)(State*, const float*, uint32_t), typename GetState, float (*Get)(GetState*)>
Module module(const char* name, uint32_t blockLength) {
  return {name,
          Size,
          [](void* s, uint64_t n) { return Init(static_cast<State*>(s), n); },
          [](void* s, const float* x, uint32_t n) { return Process(static_cast<State*>(s), x, n); },
          [](void* s) { return Get(static_cast<State*>(s)); },
          blockLength};
}

const Module kModules[] = {
    module<SpectralFluxState, spectral_flux_size, spectral_flux_init, spectral_flux_process, const SpectralFluxState,
           spectral_flux_get>("spectral flux", 1024),
    module<SpectralSlopeState, spectral_slope_size, spectral_slope_init, spectral_slope_process,
           const SpectralSlopeState, spectral_slope_get>("spectral slope", 512),
    module<LowEnergyState, low_energy_size, low_energy_init, low_energy_process, const LowEnergyState, low_energy_get>(
        "low energy", 256),
    module<ZcrSkewnessState, zcr_skewness_size, zcr_skewness_init, zcr_skewness_process, const ZcrSkewnessState,
           zcr_skewness_get>("zcr skewness", 256),
    module<ZcrMedianRatioState, zcr_median_ratio_size, zcr_median_ratio_init, zcr_median_ratio_process,
           ZcrMedianRatioState, zcr_median_ratio_get>("zcr median ratio", 256),
    module<VariancePeriodicityState, variance_periodicity_size, variance_periodicity_init, variance_periodicity_process,
           VariancePeriodicityState, variance_periodicity_get>("variance periodicity", 256),
    module<EnergyPeriodicityState, energy_periodicity_size, energy_periodicity_init, energy_periodicity_process,
           EnergyPeriodicityState, energy_periodicity_get>("energy periodicity", 256),
};

TEST(FeatureModules, InitRefusesMissingSmallOrMisalignedMemory) {
  for (const Module& m : kModules) {
    AlignedMemory memory(m.size() + 16);
    EXPECT_EQ(m.init(nullptr, m.size()), -1) << m.name;
    EXPECT_EQ(m.init(memory.data(), m.size() - 1), -1) << m.name;
    EXPECT_EQ(m.init(static_cast<char*>(memory.data()) + 2, m.size()), -1) << m.name;
    EXPECT_EQ(m.init(memory.data(), m.size()), 0) << m.name;
  }
}

TEST(FeatureModules, ProcessRefusesOtherBlockLengthsAndChangesNothing) {
  for (const Module& m : kModules) {
    AlignedMemory memory(m.size());
    ASSERT_EQ(m.init(memory.data(), m.size()), 0);
    const std::vector<float> x = noise(2048, 1000.0f, 8);
    ASSERT_EQ(m.process(memory.data(), x.data(), m.blockLength), 0) << m.name;
    const std::vector<unsigned char> before(static_cast<unsigned char*>(memory.data()),
                                            static_cast<unsigned char*>(memory.data()) + m.size());
    for (uint32_t count : {0u, m.blockLength - 1, m.blockLength + 1}) {
      EXPECT_EQ(m.process(memory.data(), x.data(), count), -1) << m.name << " " << count;
    }
    EXPECT_EQ(m.process(memory.data(), nullptr, m.blockLength), -1) << m.name;
    EXPECT_EQ(m.process(nullptr, x.data(), m.blockLength), -1) << m.name;
    EXPECT_EQ(std::memcmp(before.data(), memory.data(), m.size()), 0) << m.name;
  }
}

TEST(FeatureModules, SilenceGivesZeroForEveryFeature) {
  const std::vector<float> zeros(1024, 0.0f);
  for (const Module& m : kModules) {
    AlignedMemory memory(m.size());
    ASSERT_EQ(m.init(memory.data(), m.size()), 0);
    for (int block = 0; block < 200; ++block) ASSERT_EQ(m.process(memory.data(), zeros.data(), m.blockLength), 0);
    EXPECT_EQ(m.get(memory.data()), 0.0f) << m.name;
    EXPECT_EQ(m.get(memory.data()), 0.0f) << m.name << " (second read)";
  }
}

// ---- spectral slope ----

struct SlopeFixture : testing::Test {
  AlignedMemory memory{spectral_slope_size()};
  SpectralSlopeState& s = *memory.as<SpectralSlopeState>();
  void SetUp() override { ASSERT_EQ(spectral_slope_init(&s, memory.size()), 0); }
};

std::vector<float> alternating(uint32_t n, float amplitude) {
  std::vector<float> x(n);
  for (uint32_t i = 0; i < n; ++i) x[i] = i % 2 == 0 ? amplitude : -amplitude;
  return x;
}

TEST_F(SlopeFixture, BlockJustBelowTheQuietSumStoresZeroAndKeepsPeaks) {
  const std::vector<float> quiet = alternating(512, 9.99f);  // sum of magnitudes 5114.9
  ASSERT_EQ(spectral_slope_process(&s, quiet.data(), 512), 0);
  EXPECT_EQ(s.history[0], 0.0f);
  EXPECT_EQ(s.index, 1u);
  EXPECT_EQ(s.peakIndex, 0u);
  for (float p : s.peaks) EXPECT_EQ(p, kSlopeInitialPeak);

  const std::vector<float> loud = alternating(512, 10.0f);  // sum of magnitudes exactly 5120
  ASSERT_EQ(spectral_slope_process(&s, loud.data(), 512), 0);
  EXPECT_GT(s.history[1], 0.0f);  // all the energy sits at the top of the band
  EXPECT_EQ(s.peaks[0], 10.0f);
  EXPECT_EQ(s.peakIndex, 1u);
}

TEST_F(SlopeFixture, EmptyBinsCountAsMinus120dB) {
  const std::vector<float> constant(512, 20.0f);  // nothing left once the mean is removed
  ASSERT_EQ(spectral_slope_process(&s, constant.data(), 512), 0);
  EXPECT_EQ(s.history[0], 0.0f);
}

// Least-squares slope of 10 log10 |DFT|^2 over bins 0..255 of the windowed, centred, peak-normalised block.
double reference_slope(const std::vector<float>& x, double norm) {
  double mean = 0.0;
  for (float v : x) mean += v;
  mean /= 512.0;
  std::vector<double> y(512);
  for (size_t i = 0; i < 512; ++i) y[i] = test::hamming(i, 512) * (x[i] - mean) / norm;
  const std::vector<double> power = test::reference_power(y, 256);
  double sumK = 0.0, sumL = 0.0, sumKK = 0.0, sumKL = 0.0;
  for (size_t k = 0; k < 256; ++k) {
    const double level = power[k] > 0.0 ? 10.0 * std::log10(power[k]) : -120.0;
    sumK += k;
    sumL += level;
    sumKK += double(k) * k;
    sumKL += k * level;
  }
  return (256.0 * sumKL - sumK * sumL) / (256.0 * sumKK - sumK * sumK);
}

TEST_F(SlopeFixture, SlopeMatchesDoublePrecisionFit) {
  for (uint32_t block = 0; block < 3; ++block) {
    std::vector<float> x = noise(512, 3000.0f, 40 + block);
    for (size_t i = 1; i < x.size(); ++i) x[i] = 0.7f * x[i - 1] + x[i];  // tilt the spectrum downwards
    ASSERT_EQ(spectral_slope_process(&s, x.data(), 512), 0);
    // The remembered peaks still hold full scale, which is larger than this block's peak.
    EXPECT_NEAR(s.history[block], reference_slope(x, kSlopeInitialPeak), 1e-4) << block;
    EXPECT_LT(s.history[block], 0.0f);
  }
}

TEST_F(SlopeFixture, GetIsLogOfAbsoluteThirdCentralMoment) {
  struct Row {
    float spike;
    float rest;
  };
  for (const Row& r : {Row{64.0f, 0.0f}, Row{-64.0f, 0.0f}, Row{-3.0f, -11.5f}}) {
    std::fill(std::begin(s.history), std::end(s.history), r.rest);
    s.history[17] = r.spike;
    const double mean = (63.0 * r.rest + r.spike) / 64.0;
    const double mu3 = (63.0 * std::pow(r.rest - mean, 3) + std::pow(r.spike - mean, 3)) / 64.0;
    EXPECT_NEAR(spectral_slope_get(&s), std::log(std::fabs(mu3)), 1e-4) << r.spike;
  }
  for (uint32_t i = 0; i < 64; ++i) s.history[i] = i % 2 == 0 ? 2.0f : -2.0f;  // symmetric: no skew
  EXPECT_EQ(spectral_slope_get(&s), 0.0f);
}

// ---- energy periodicity ----

std::vector<float> block_of_level(uint32_t n, float amplitude, uint32_t seed) {
  return noise(n, amplitude, seed);
}

TEST(EnergyPeriodicity, MatchesDirectAutocorrelationAndAgesHistory) {
  AlignedMemory memory(energy_periodicity_size());
  auto& s = *memory.as<EnergyPeriodicityState>();
  ASSERT_EQ(energy_periodicity_init(&s, memory.size()), 0);
  for (uint32_t block = 0; block < 300; ++block) {
    // Bursts every 40 blocks: a period well inside the searched lags.
    const float amplitude = block % 40 < 6 ? 3000.0f : 200.0f;
    const std::vector<float> x = block_of_level(256, amplitude, block);
    ASSERT_EQ(energy_periodicity_process(&s, x.data(), 256), 0);
  }
  std::vector<double> sequence;
  for (float v : s.older) sequence.push_back(v);
  for (uint32_t i = 0; i < 128; ++i) sequence.push_back(s.history[(s.index + i) % 128]);
  std::vector<float> expectedOlder(s.older + 32, s.older + 128);
  for (uint32_t i = 0; i < 32; ++i) expectedOlder.push_back(s.history[(s.index + i) % 128]);
  double mean = 0.0;
  for (double v : sequence) mean += v;
  mean /= 256.0;
  auto r = [&](size_t lag) {
    double sum = 0.0;
    for (size_t t = 0; t + lag < 256; ++t) sum += (sequence[t] - mean) * (sequence[t + lag] - mean);
    return sum;
  };
  double best = 0.0;
  for (size_t lag = 30; lag < 256; ++lag) best = std::max(best, r(lag));

  const float result = energy_periodicity_get(&s);
  EXPECT_NEAR(result, best / r(0), 1e-4);
  EXPECT_GT(result, 0.3f);
  for (uint32_t i = 0; i < 128; ++i) EXPECT_EQ(s.older[i], expectedOlder[i]) << i;
}

// ---- low-energy count ----

TEST(LowEnergy, CountsFallsBelowAQuarterOfTheMean) {
  struct Row {
    const char* name;
    std::vector<float> energies;
    float expected;
  };
  std::vector<float> alternatingLevels(128);
  for (uint32_t i = 0; i < 128; ++i) alternatingLevels[i] = i % 2 == 0 ? 10.0f : 0.0f;
  std::vector<float> wrapOnly(128, 1.0f);
  wrapOnly[127] = 100.0f;
  wrapOnly[0] = 0.0f;
  // Mean exactly 2: the zero follows a value of exactly a quarter of the mean, which is not above it.
  std::vector<float> quarterBefore(128, 2.0f);
  quarterBefore[0] = 0.5f;
  quarterBefore[1] = 0.0f;
  quarterBefore[100] = 5.5f;
  std::vector<float> oneFall(128, 1.0f);
  oneFall[40] = 9.0f;
  oneFall[41] = 0.1f;
  const Row rows[] = {
      {"flat", std::vector<float>(128, 3.0f), 0.0f},
      {"alternating", alternatingLevels, 64.0f},
      {"last to first is not compared", wrapOnly, 0.0f},
      {"one fall", oneFall, 1.0f},
      {"predecessor at a quarter of the mean", quarterBefore, 0.0f},
  };
  for (const Row& row : rows) {
    LowEnergyState s{};
    std::copy(row.energies.begin(), row.energies.end(), s.history);
    EXPECT_EQ(low_energy_get(&s), row.expected) << row.name;
  }
}

// ---- variance periodicity ----

struct VarianceReference {
  std::vector<double> previous = std::vector<double>(128, 0.0);
  std::vector<double> earlier = std::vector<double>(128, 0.0);

  // Direct linear autocorrelation of the normalised, centred variances, smoothed like the module's.
  double next(const VariancePeriodicityState& s) {
    double mean = 0.0;
    for (float v : s.history) mean += v;
    mean /= 128.0;
    std::vector<double> y(128);
    double meanRatio = 0.0;
    for (uint32_t i = 0; i < 128; ++i) meanRatio += s.history[i] / mean;
    meanRatio /= 128.0;
    for (uint32_t i = 0; i < 128; ++i) y[i] = s.history[(s.index + i) % 128] / mean - meanRatio;
    std::vector<double> raw(128), smooth(128);
    for (size_t lag = 0; lag < 128; ++lag) {
      double sum = 0.0;
      for (size_t t = 0; t + lag < 128; ++t) sum += y[t] * y[t + lag];
      raw[lag] = 256.0 * sum;  // the module's correlation carries the transform's factor n
      smooth[lag] = raw[lag] + 0.5 * previous[lag] + 0.25 * earlier[lag];
    }
    earlier = previous;
    previous = raw;
    double best = 0.0;
    for (size_t lag = 10; lag < 128; ++lag) best = std::max(best, smooth[lag]);
    return best / smooth[0];
  }
};

TEST(VariancePeriodicity, SmoothsTheCorrelationOverThreeReads) {
  AlignedMemory memory(variance_periodicity_size());
  auto& s = *memory.as<VariancePeriodicityState>();
  ASSERT_EQ(variance_periodicity_init(&s, memory.size()), 0);
  VarianceReference reference;
  uint32_t block = 0;
  for (uint32_t read = 0; read < 4; ++read) {
    for (uint32_t i = 0; i < (read == 0 ? 128u : 32u); ++i, ++block) {
      const float amplitude = block % 24 < 5 ? 2000.0f : 300.0f;
      std::vector<float> x = noise(256, amplitude, 1000 + block);
      for (float& v : x) v += 500.0f;  // an offset the variance must ignore
      ASSERT_EQ(variance_periodicity_process(&s, x.data(), 256), 0);
    }
    EXPECT_NEAR(variance_periodicity_get(&s), reference.next(s), 2e-4) << "read " << read;
  }
}

TEST(VariancePeriodicity, ZeroMeanVarianceGivesZeroAndKeepsTheCorrelations) {
  AlignedMemory memory(variance_periodicity_size());
  auto& s = *memory.as<VariancePeriodicityState>();
  ASSERT_EQ(variance_periodicity_init(&s, memory.size()), 0);
  for (uint32_t block = 0; block < 128; ++block) {
    const std::vector<float> x = noise(256, block % 2 == 0 ? 100.0f : 900.0f, block);
    ASSERT_EQ(variance_periodicity_process(&s, x.data(), 256), 0);
  }
  variance_periodicity_get(&s);
  const std::vector<float> remembered(s.previousCorrelation, s.previousCorrelation + 128);
  const std::vector<float> constant(256, 42.0f);
  for (uint32_t block = 0; block < 128; ++block) ASSERT_EQ(variance_periodicity_process(&s, constant.data(), 256), 0);
  EXPECT_EQ(variance_periodicity_get(&s), 0.0f);
  EXPECT_TRUE(std::equal(remembered.begin(), remembered.end(), s.previousCorrelation));
}

// ---- spectral flux ----

std::vector<double> reference_magnitudes(const std::vector<float>& x) {
  double peak = 1.0;
  for (float v : x) peak = std::max(peak, double(std::fabs(v)));
  std::vector<double> y(1024);
  for (size_t i = 0; i < 1024; ++i) y[i] = x[i] / peak * test::hamming(i, 1024);
  std::vector<double> magnitude = test::reference_power(y, 512);
  for (double& m : magnitude) m = std::sqrt(m);
  return magnitude;
}

double reference_flux(const std::vector<double>& previous, const std::vector<double>& current) {
  double energy = 0.0;
  for (size_t k = 0; k < 512; ++k) energy += previous[k] * previous[k] + current[k] * current[k];
  const double norm = std::sqrt(energy / 1024.0);
  double flux = 0.0;
  for (size_t k = 7; k < 500; ++k) flux += std::pow((current[k] - previous[k]) / norm, 2);
  return flux;
}

TEST(SpectralFlux, MatchesDoublePrecisionSpectra) {
  AlignedMemory memory(spectral_flux_size());
  auto& s = *memory.as<SpectralFluxState>();
  ASSERT_EQ(spectral_flux_init(&s, memory.size()), 0);
  std::vector<double> previous(512, 0.0);
  for (uint32_t block = 0; block < 3; ++block) {
    std::vector<float> x = noise(1024, 5000.0f, 70 + block);
    for (size_t i = 0; i < x.size(); ++i) x[i] += 8000.0f * std::sin(0.05f * (block + 1) * i);
    ASSERT_EQ(spectral_flux_process(&s, x.data(), 1024), 0);
    const std::vector<double> current = reference_magnitudes(x);
    const double expected = reference_flux(previous, current);
    EXPECT_NEAR(s.history[block], expected, 1e-4 * expected) << block;
    previous = current;
  }
}

// ---- zero crossings ----

TEST(ZeroCrossings, CountsSignChangesAndIgnoresZeros) {
  struct Row {
    const char* name;
    std::vector<float> pattern;  // repeated over the block
    float expected;
  };
  const Row rows[] = {
      {"all positive", {1.0f}, 0.0f},         {"all negative", {-1.0f}, 1.0f},
      {"alternating", {1.0f, -1.0f}, 255.0f}, {"zeros between", {1.0f, 0.0f, -1.0f, 0.0f}, 127.0f},
      {"zeros only", {0.0f}, 0.0f},           {"tiny values count", {1e-30f, -1e-30f, 0.0f, 0.0f}, 127.0f},
  };
  for (const Row& row : rows) {
    std::vector<float> x(256);
    for (size_t i = 0; i < 256; ++i) x[i] = row.pattern[i % row.pattern.size()];
    ZcrSkewnessState skew{};
    ZcrMedianRatioState median{};
    ASSERT_EQ(zcr_skewness_process(&skew, x.data(), 256), 0);
    ASSERT_EQ(zcr_median_ratio_process(&median, x.data(), 256), 0);
    EXPECT_EQ(skew.history[0], row.expected) << row.name;
    EXPECT_EQ(median.history[0], row.expected) << row.name;
  }
}

TEST(ZeroCrossings, SignStateCarriesAcrossBlocks) {
  ZcrSkewnessState s{};
  const std::vector<float> negative(256, -0.5f);
  const std::vector<float> positive(256, 0.5f);
  ASSERT_EQ(zcr_skewness_process(&s, negative.data(), 256), 0);
  ASSERT_EQ(zcr_skewness_process(&s, negative.data(), 256), 0);
  ASSERT_EQ(zcr_skewness_process(&s, positive.data(), 256), 0);
  EXPECT_EQ(s.history[0], 1.0f);
  EXPECT_EQ(s.history[1], 0.0f);
  EXPECT_EQ(s.history[2], 1.0f);
}

TEST(ZeroCrossings, MedianRatioUsesTheTwoMiddleCounts) {
  struct Row {
    const char* name;
    std::vector<float> counts;
    double expected;
  };
  std::vector<float> ramp(128);
  for (uint32_t i = 0; i < 128; ++i) ramp[i] = float((i * 37) % 128 + 1);  // 1..128 shuffled
  std::vector<float> skewed(128, 1.0f);
  for (uint32_t i = 0; i < 63; ++i) skewed[i * 2] = 5.0f;
  std::vector<float> mostlyZero(128, 0.0f);
  for (uint32_t i = 0; i < 28; ++i) mostlyZero[i] = 10.0f;
  const Row rows[] = {
      {"1 to 128", ramp, 64.5 / 64.5},
      {"63 fives, 65 ones", skewed, 1.0 / (380.0 / 128.0)},
      {"median zero", mostlyZero, 0.0},
      {"all zero", std::vector<float>(128, 0.0f), 0.0},
  };
  for (const Row& row : rows) {
    ZcrMedianRatioState s{};
    std::copy(row.counts.begin(), row.counts.end(), s.history);
    EXPECT_NEAR(zcr_median_ratio_get(&s), row.expected, 1e-6) << row.name;
    EXPECT_TRUE(std::is_sorted(std::begin(s.sorted), std::end(s.sorted), std::greater<float>())) << row.name;
  }
}

TEST(ZeroCrossings, SkewnessMatchesDoublePrecisionMoments) {
  struct Row {
    const char* name;
    std::vector<float> counts;
  };
  std::vector<float> rightTail(128, 10.0f);
  rightTail[3] = 60.0f;
  rightTail[90] = 35.0f;
  std::vector<float> leftTail(128, 40.0f);
  leftTail[0] = 2.0f;
  const Row rows[] = {{"right tail", rightTail}, {"left tail", leftTail}, {"noise", {}}};
  for (const Row& row : rows) {
    std::vector<float> counts = row.counts;
    if (counts.empty()) {
      for (float v : noise(128, 30.0f, 3)) counts.push_back(std::round(std::fabs(v)));
    }
    ZcrSkewnessState s{};
    std::copy(counts.begin(), counts.end(), s.history);
    double mean = 0.0, m2 = 0.0, m3 = 0.0;
    for (float c : counts) mean += c / 128.0;
    for (float c : counts) {
      m2 += std::pow(c - mean, 2) / 128.0;
      m3 += std::pow(c - mean, 3) / 128.0;
    }
    EXPECT_NEAR(zcr_skewness_get(&s), m3 / std::pow(m2, 1.5), 1e-4) << row.name;
  }
  ZcrSkewnessState flat{};
  std::fill(std::begin(flat.history), std::end(flat.history), 7.0f);
  EXPECT_EQ(zcr_skewness_get(&flat), 0.0f);
}

}  // namespace
}  // namespace classifier
