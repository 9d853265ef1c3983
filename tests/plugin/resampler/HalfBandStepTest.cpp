#include "plugin/resampler/CDSPHBDownsampler.h"
#include "plugin/resampler/CDSPHBUpsampler.h"
#include "plugin/resampler/HalfBandConvolution.h"
#include "plugin/resampler/HalfBandFilters.h"
#include "plugin/resampler/VectorPath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <ostream>
#include <random>
#include <stdexcept>
#include <vector>

namespace rsmp {
namespace {

struct ChoiceRow {
  bool isThird;
  int steepIndex;
  double reqAtten;
  int taps;
  double atten;
};

void PrintTo(const ChoiceRow& row, std::ostream* os) {
  *os << (row.isThird ? "third" : "half") << " steepness " << row.steepIndex << " at " << row.reqAtten << " dB";
}

class HalfBandChoice : public ::testing::TestWithParam<ChoiceRow> {};

TEST_P(HalfBandChoice, TakesTheShortestFilterReachingTheAttenuation) {
  const ChoiceRow& row = GetParam();
  const CHalfBandFilter& filter = row.isThird ? GetHalfBandFilterThird(row.steepIndex, row.reqAtten)
                                              : GetHalfBandFilter(row.steepIndex, row.reqAtten);
  EXPECT_EQ(filter.TapCount, row.taps);
  EXPECT_EQ(filter.Atten, row.atten);
  // Both steps report the filter they took.
  const CDSPHBUpsampler up(row.reqAtten, row.steepIndex, row.isThird, true, 0.0);
  const CDSPHBDownsampler down(row.reqAtten, row.steepIndex, row.isThird, 0.0);
  EXPECT_EQ(up.GetTapCount(), row.taps);
  EXPECT_EQ(up.GetFilterAtten(), row.atten);
  EXPECT_EQ(down.GetTapCount(), row.taps);
  EXPECT_EQ(down.GetFilterAtten(), row.atten);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HalfBandChoice,
    ::testing::Values(ChoiceRow{false, 0, 124.28, 9, 136.6982}, ChoiceRow{false, 1, 124.28, 5, 152.4411},
                      ChoiceRow{false, 2, 124.28, 3, 130.8951}, ChoiceRow{false, 3, 124.28, 3, 167.1447},
                      ChoiceRow{false, 4, 124.28, 2, 137.3173}, ChoiceRow{false, 5, 124.28, 2, 161.4049},
                      ChoiceRow{false, 6, 124.28, 2, 185.4886}, ChoiceRow{false, 0, 300.0, 14, 230.7526},
                      ChoiceRow{true, 6, 300.0, 3, 296.5185}, ChoiceRow{false, 3, 54.4754, 1, 54.4754},
                      ChoiceRow{false, 3, 54.4755, 2, 113.2139}, ChoiceRow{false, 9, 124.28, 2, 185.4886},
                      ChoiceRow{false, -2, 10.0, 4, 54.5176}, ChoiceRow{true, 0, 124.28, 5, 126.5507},
                      ChoiceRow{true, 2, 49.0, 1, 49.4544}));

TEST(HalfBandTables, ReferenceFiltersKeepTheirPublishedCoefficients) {
  const CHalfBandFilter& s04 = GetHalfBandFilter(0, 0.0);
  const double s04Expected[] = {0.61729335651, -0.159639456207, 0.0550733709341, -0.0146035789899};
  for (int k = 0; k < 4; k++) EXPECT_EQ(s04.Coeffs[k], s04Expected[k]);
  EXPECT_EQ(GetHalfBandFilter(3, 0.0).Coeffs[0], 0.501889000228);
  EXPECT_EQ(GetHalfBandFilter(6, 100.0).Coeffs[0], 0.562507059225);
  EXPECT_EQ(GetHalfBandFilter(6, 100.0).Coeffs[1], -0.0625070597564);
  const double t03Expected[] = {0.598113550696, -0.117933966567, 0.0203005572119};
  for (int k = 0; k < 3; k++) EXPECT_EQ(GetHalfBandFilterThird(0, 0.0).Coeffs[k], t03Expected[k]);
  EXPECT_EQ(GetHalfBandFilterThird(2, 0.0).Coeffs[0], 0.503367305314);
}

// Stop-band error of the doubled-rate response A(w) = 1 + 2 sum h[k] cos((2k+1) w) around w = pi,
// evaluated directly in long double, relative to the pass-band level 2.
double StopBandAttenuation(const CHalfBandFilter& filter, long double halfWidth) {
  long double worst = 0;
  const int points = 4000;
  for (int i = 0; i <= points; i++) {
    const long double u = halfWidth * i / points;
    long double a = 1;
    for (int k = 0; k < filter.TapCount; k++)
      a -= 2 * static_cast<long double>(filter.Coeffs[k]) * std::cos((2 * k + 1) * u);
    worst = std::max(worst, std::fabs(a));
  }
  return static_cast<double>(-20 * std::log10(worst / 2));
}

TEST(HalfBandTables, EveryFilterReachesItsAttenuationOverTheSignalBandsImages) {
  for (const bool isThird : {false, true}) {
    const CHalfBandRow* rows = isThird ? kThirdRows : kStandardRows;
    for (int r = 0; r < kHalfBandRowCount; r++) {
      // Signal band of the row, as a fraction of the doubled rate's Nyquist band; 90 % of it at least.
      const long double band = (isThird ? 1.0L / 6 : 0.25L) * std::pow(0.5L, r);
      for (int i = 0; i < rows[r].Count; i++) {
        const CHalfBandFilter& filter = rows[r].Filters[i];
        double sum = 0.0;
        for (int k = 0; k < filter.TapCount; k++) sum += filter.Coeffs[k];
        EXPECT_NEAR(2.0 * sum, 1.0, 0.0075) << isThird << " row " << r << " taps " << filter.TapCount;
        EXPECT_GE(StopBandAttenuation(filter, 0.9L * band * std::numbers::pi_v<long double>), filter.Atten - 0.005)
            << isThird << " row " << r << " taps " << filter.TapCount;
        if (i > 0) {
          EXPECT_EQ(filter.TapCount, rows[r].Filters[i - 1].TapCount + 1);
        }
      }
    }
  }
}

std::vector<double> Ramp(int length) {
  std::vector<double> x(length);
  for (int i = 0; i < length; i++) x[i] = std::sin(0.37 * i) + 0.001 * i;
  return x;
}

// Input sample j, zero before the stream starts.
double At(const std::vector<double>& x, int j) {
  return j < 0 ? 0.0 : x[j];
}

TEST(HalfBandUpsampler, MatchesDirectInterpolationAcrossSplitCalls) {
  CDSPHBUpsampler up(124.28, 0, false, true, 0.0);
  const CHalfBandFilter& filter = GetHalfBandFilter(0, 124.28);
  const std::vector<double> x = Ramp(1500);
  std::vector<double> y;
  std::vector<double> buffer(2 * 700);
  int pos = 0;
  for (const int len : {1, 2, 7, 300, 511, 1, 678}) {
    double* op = buffer.data();
    const int n = up.Process(const_cast<double*>(x.data()) + pos, len, op);
    y.insert(y.end(), op, op + n);
    pos += len;
  }
  ASSERT_EQ(pos, 1500);
  ASSERT_EQ(y.size(), 2u * (1500 - filter.TapCount));
  for (int i = 0; i < static_cast<int>(y.size()) / 2; i++) {
    double expected = 0.0;
    for (int k = 0; k < filter.TapCount; k++) expected += filter.Coeffs[k] * (At(x, i - k) + At(x, i + 1 + k));
    ASSERT_EQ(y[2 * i], x[i]) << i;
    ASSERT_NEAR(y[2 * i + 1], expected, 1e-14) << i;
  }
}

TEST(HalfBandUpsampler, ConsumedLatencyPutsAnImpulseAtOutputZero) {
  CDSPHBUpsampler up(124.28, 0, false, true, 0.0);
  std::vector<double> in(40, 0.0);
  in[0] = 1.0;
  std::vector<double> out(80);
  double* op = out.data();
  const int n = up.Process(in.data(), 40, op);
  ASSERT_GT(n, 0);
  EXPECT_EQ(op[0], 1.0);
  EXPECT_EQ(op[2], 0.0);
  EXPECT_EQ(op[1], GetHalfBandFilter(0, 124.28).Coeffs[0]);
}

TEST(HalfBandUpsampler, LatencyFractionDoublesAndItsWholePartIsDropped) {
  CDSPHBUpsampler up(124.28, 2, false, true, 0.75);
  EXPECT_DOUBLE_EQ(up.GetLatencyFraction(), 0.5);
  EXPECT_EQ(up.GetLatency(), 0);
  EXPECT_EQ(up.GetMaxOutputLength(7), 14);
  CDSPHBUpsampler keeping(124.28, 2, false, false, 0.0);
  EXPECT_EQ(keeping.GetLatency(), 2 * keeping.GetTapCount());
}

// Both steps take the previous step's latency fraction, which counts into an int latency: a value outside [0, 1)
// is refused, the edges of the range build.
TEST(HalfBandSteps, PreviousLatencyOutsideAFractionIsRefused) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const double prevLatency : {std::nan(""), -inf, -1e-300, 1.0, 1.5, 1e300, inf}) {
    EXPECT_THROW(CDSPHBUpsampler(124.28, 0, false, true, prevLatency), std::invalid_argument) << prevLatency;
    EXPECT_THROW(CDSPHBDownsampler(124.28, 0, false, prevLatency), std::invalid_argument) << prevLatency;
  }
  const double belowOne = std::nextafter(1.0, 0.0);
  EXPECT_EQ(CDSPHBUpsampler(124.28, 0, false, true, belowOne).GetLatencyFraction(), 2.0 * belowOne - 1.0);
  EXPECT_EQ(CDSPHBDownsampler(124.28, 0, false, belowOne).GetLatencyFraction(), 0.5 * belowOne);
  EXPECT_EQ(CDSPHBUpsampler(124.28, 0, false, true, 0.0).GetLatencyFraction(), 0.0);
}

// Twice a length past INT_MAX / 2 does not count in int: the upsampler refuses it whole (nothing written) and
// bounds it by 0; the downsampler's half of any length counts.
TEST(HalfBandUpsampler, LengthsWhoseDoubledCountPassesIntAreRefused) {
  CDSPHBUpsampler up(124.28, 0, false, true, 0.0);
  EXPECT_EQ(up.GetMaxOutputLength(INT_MAX / 2), INT_MAX - 1);
  EXPECT_EQ(up.GetMaxOutputLength(INT_MAX / 2 + 1), 0);
  EXPECT_EQ(up.GetMaxOutputLength(1 << 30), 0);
  EXPECT_EQ(up.GetMaxOutputLength(INT_MAX), 0);
  EXPECT_EQ(up.GetMaxOutputLength(-1), 0);
  double sample = 1.0;
  double marker = 0.0;
  double* op = &marker;
  EXPECT_EQ(up.Process(&sample, 1 << 30, op), 0);
  EXPECT_EQ(up.Process(&sample, -1, op), 0);
  EXPECT_EQ(op, &marker);
  EXPECT_EQ(marker, 0.0);
}

TEST(HalfBandDownsampler, MatchesDirectFilteringWithOddSplits) {
  CDSPHBDownsampler down(124.28, 1, false, 0.0);
  const CHalfBandFilter& filter = GetHalfBandFilter(1, 124.28);
  const std::vector<double> x = Ramp(3001);
  std::vector<double> y;
  std::vector<double> buffer(1600);
  int pos = 0;
  for (const int len : {1, 3, 2, 5, 1000, 1, 1989}) {
    double* op = buffer.data();
    const int n = down.Process(const_cast<double*>(x.data()) + pos, len, op);
    y.insert(y.end(), op, op + n);
    pos += len;
  }
  ASSERT_EQ(pos, 3001);
  ASSERT_EQ(y.size(), 1500u - (filter.TapCount - 1));
  for (int i = 0; i < static_cast<int>(y.size()); i++) {
    double expected = x[2 * i];
    for (int k = 0; k < filter.TapCount; k++)
      expected += filter.Coeffs[k] * (At(x, 2 * i - 2 * k - 1) + At(x, 2 * i + 2 * k + 1));
    ASSERT_NEAR(y[i], expected, 1e-14) << i;
  }
}

// The AVX2 routines repeat the plain routines' operations lane by lane, without fused multiply-add:
// the tolerance between them is zero. Counts cover whole vectors and every remainder.
TEST(HalfBandConvolution, Avx2RoutinesEqualThePlainOnesBitForBit) {
  if (!rsmp::IsAvx2Available()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 generator(11);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> r1(160);
  std::vector<double> r2(160);
  std::vector<double> h(kMaxHalfBandTaps);
  for (std::vector<double>* v : {&r1, &r2, &h})
    for (double& value : *v) value = uniform(generator);
  for (int taps = 1; taps <= kMaxHalfBandTaps; taps++) {
    for (const int count : {1, 2, 3, 4, 5, 6, 7, 8, 101}) {
      std::vector<double> plain(2 * count);
      std::vector<double> vectorised(2 * count);
      const double* r = r2.data() + kMaxHalfBandTaps;
      double* end = GetHalfBandUpConvolver(taps, false)(plain.data(), r, h.data(), count);
      EXPECT_EQ(GetHalfBandUpConvolver(taps, true)(vectorised.data(), r, h.data(), count) - vectorised.data(),
                end - plain.data());
      EXPECT_EQ(std::memcmp(plain.data(), vectorised.data(), sizeof(double) * plain.size()), 0)
          << "up, taps " << taps << " count " << count;
      end = GetHalfBandDownConvolver(taps, false)(plain.data(), r1.data(), r, h.data(), count);
      EXPECT_EQ(
          GetHalfBandDownConvolver(taps, true)(vectorised.data(), r1.data(), r, h.data(), count) - vectorised.data(),
          end - plain.data());
      EXPECT_EQ(std::memcmp(plain.data(), vectorised.data(), sizeof(double) * count), 0)
          << "down, taps " << taps << " count " << count;
    }
  }
}

TEST(HalfBandDownsampler, OutputLengthBounds) {
  CDSPHBDownsampler down(124.28, 0, false, 0.0);
  EXPECT_EQ(down.GetMaxOutputLength(0), 0);
  EXPECT_EQ(down.GetMaxOutputLength(1), 1);
  EXPECT_EQ(down.GetMaxOutputLength(6), 3);
  EXPECT_EQ(down.GetMaxOutputLength(INT_MAX), 1 << 30);
  EXPECT_EQ(down.GetMaxOutputLength(INT_MAX - 1), (1 << 30) - 1);
  EXPECT_EQ(down.GetMaxOutputLength(-1), 0);
  EXPECT_EQ(down.GetLatency(), 0);
  double sample = 1.0;
  double* op = &sample;
  EXPECT_EQ(down.Process(&sample, 0, op), 0);
}

TEST(HalfBandDownsampler, ClearForgetsAPendingEvenSample) {
  CDSPHBDownsampler down(124.28, 3, false, 0.0);
  std::vector<double> ones(101, 1.0);
  std::vector<double> out(200);
  double* op = out.data();
  down.Process(ones.data(), 101, op);
  down.Clear();
  std::vector<double> impulse(20, 0.0);
  impulse[0] = 1.0;
  op = out.data();
  const int n = down.Process(impulse.data(), 20, op);
  ASSERT_GT(n, 0);
  EXPECT_EQ(op[0], 1.0);
}

}  // namespace
}  // namespace rsmp
