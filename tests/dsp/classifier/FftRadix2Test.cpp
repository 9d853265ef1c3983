#include "dsp/classifier/FftRadix2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "tests/dsp/classifier/ClassifierTestSupport.h"

namespace classifier {
namespace {

using test::noise;
using test::reference_dft;

class FftSizes : public testing::TestWithParam<int> {};

TEST_P(FftSizes, MatchesDoublePrecisionDft) {
  const int n = GetParam();
  std::vector<float> re = noise(n, 1.0f, 11 + n);
  std::vector<float> im = noise(n, 1.0f, 97 + n);
  std::vector<std::complex<double>> x(n);
  for (int i = 0; i < n; ++i) x[i] = {re[i], im[i]};
  const auto expected = reference_dft(x);

  ASSERT_EQ(fft_radix2(re.data(), im.data(), n), 0);

  double errorEnergy = 0.0;
  double energy = 0.0;
  for (int k = 0; k < n; ++k) {
    errorEnergy += std::norm(std::complex<double>(re[k], im[k]) - expected[k]);
    energy += std::norm(expected[k]);
  }
  // Rounding adds about one float epsilon per stage; the recursive twiddle drifts like a random walk
  // over the sqrt(n) order of its steps.
  const double bound = 2.0 * FLT_EPSILON * (std::log2(n) + std::sqrt(n));
  EXPECT_LT(std::sqrt(errorEnergy / energy), bound) << "n = " << n;
}

INSTANTIATE_TEST_SUITE_P(AllSizes, FftSizes, testing::Values(2, 4, 8, 16, 32, 64, 128, 256, 512, 1024));

TEST(FftRadix2, SizeTwoIsOneButterfly) {
  float re[2] = {3.0f, 5.0f};
  float im[2] = {-1.0f, 2.0f};
  ASSERT_EQ(fft_radix2(re, im, 2), 0);
  EXPECT_EQ(re[0], 8.0f);
  EXPECT_EQ(re[1], -2.0f);
  EXPECT_EQ(im[0], 1.0f);
  EXPECT_EQ(im[1], -3.0f);
}

TEST(FftRadix2, RefusesUnsupportedSizesAndLeavesArraysAlone) {
  for (int n : {-4, 0, 1, 3, 6, 1000, 2048}) {
    std::vector<float> re(2048, 1.5f);
    std::vector<float> im(2048, -0.5f);
    EXPECT_EQ(fft_radix2(re.data(), im.data(), n), -1) << n;
    EXPECT_TRUE(std::all_of(re.begin(), re.end(), [](float v) { return v == 1.5f; })) << n;
    EXPECT_TRUE(std::all_of(im.begin(), im.end(), [](float v) { return v == -0.5f; })) << n;
  }
  float one = 0.0f;
  EXPECT_EQ(fft_radix2(nullptr, &one, 2), -1);
  EXPECT_EQ(fft_radix2(&one, nullptr, 2), -1);
}

TEST(FftAutocorrelation, EqualsDirectCircularAutocorrelationTimesSize) {
  constexpr int n = 512;
  std::vector<float> re = noise(n, 1.0f, 5);
  const std::vector<float> x = re;
  std::vector<float> im(n, 0.0f);
  ASSERT_EQ(fft_autocorrelation(re.data(), im.data(), n), 0);
  auto direct = [&x](int lag) {
    double r = 0.0;
    for (int t = 0; t < n; ++t) r += double(x[t]) * x[(t + lag) % n];
    return r;
  };
  const double tolerance = 1e-5 * n * direct(0);
  for (int lag = 0; lag < n; ++lag) {
    EXPECT_NEAR(re[lag], n * direct(lag), tolerance) << lag;
    EXPECT_NEAR(im[lag], 0.0, tolerance) << lag;
  }
}

}  // namespace
}  // namespace classifier
