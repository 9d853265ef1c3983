#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/CKernelFilterCache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace {

using rsmp::CDSPKernelFilter;
using rsmp::CLowPassGeometry;

// Local stores, closed at the end of each test, so that designs stay out of the process-wide cache.
class LowPassDesign : public ::testing::Test {
 protected:
  ~LowPassDesign() override {
    mCache->Close();
    mPool->Close();
  }

  rsmp::CFFTObjectPool* mPool = new rsmp::CFFTObjectPool;
  rsmp::CKernelFilterCache* mCache = new rsmp::CKernelFilterCache(*mPool);
};

// Zero-phase response of a symmetric kernel at w (radians per sample), normalised to 1 at DC.
double ZeroPhaseResponse(const std::vector<double>& h, double w) {
  const int fl2 = static_cast<int>(h.size() / 2);
  double sum = 0.0;
  double response = h[static_cast<size_t>(fl2)];
  for (double tap : h) sum += tap;
  for (int k = 1; k <= fl2; k++) response += 2.0 * h[static_cast<size_t>(fl2 + k)] * std::cos(k * w);
  return response / sum;
}

double Decibels(double magnitude) {
  return 20.0 * std::log10(std::fabs(magnitude));
}

std::vector<double> DesignKernel(double f, double transBand, double atten) {
  const CLowPassGeometry geometry = CDSPKernelFilter::ComputeGeometry(f, transBand, atten);
  std::vector<double> kernel(static_cast<size_t>(geometry.KernelLen));
  CDSPKernelFilter::GenerateKernel(geometry, kernel.data());
  return kernel;
}

TEST(LowPassGeometry, PluginFiltersMatchTheReferenceFigures) {
  struct CRow {
    double Cutoff;
    int KernelLen;
    int BlockLenBits;
  };
  const CLowPassGeometry half = CDSPKernelFilter::ComputeGeometry(0.5, 8.0, 124.28);
  EXPECT_EQ(half.CorrectionIndex, 113);
  EXPECT_NEAR(half.Atten, -125.08694, 5e-6);
  EXPECT_NEAR(half.WindowPower, 0.1072086, 5e-8);
  EXPECT_NEAR(half.HalfLength, 247.252, 5e-4);
  EXPECT_NEAR(half.CutoffShift, 0.0694789, 5e-8);
  EXPECT_NEAR(half.Len2, 123.626, 5e-4);
  EXPECT_EQ(half.HalfTaps, 123);
  for (const CRow& row : {CRow{0.5, 247, 8}, CRow{0.25, 495, 9}}) {
    const CLowPassGeometry geometry = CDSPKernelFilter::ComputeGeometry(row.Cutoff, 8.0, 124.28);
    EXPECT_EQ(geometry.KernelLen, row.KernelLen) << row.Cutoff;
    EXPECT_EQ(geometry.BlockLenBits, row.BlockLenBits) << row.Cutoff;
  }
}

// The response figures the design promises: flat pass band, -3 dB at f (1 - bw), the full attenuation
// from the cut-off f to Nyquist (f as a fraction of Nyquist).
struct CResponseRow {
  double Cutoff;
  double TransBand;
  double Atten;
};

const CResponseRow kResponseRows[] = {
    {0.5, 8.0, 124.28}, {1.0 / 3.0, 8.0, 124.28}, {0.25, 8.0, 124.28}, {0.5, 2.0, 124.28}, {0.45, 4.0, 100.0},
    {0.5, 30.0, 60.0},  {0.4, 15.0, 180.0},       {0.3, 45.0, 140.0},  {0.5, 8.0, 200.0},
};

TEST(LowPassResponse, StopBandReachesTheRequestedAttenuationFromTheCutoff) {
  for (const CResponseRow& row : kResponseRows) {
    const std::vector<double> kernel = DesignKernel(row.Cutoff, row.TransBand, row.Atten);
    double worst = -400.0;
    const int points = 8 * static_cast<int>(kernel.size());
    for (int i = 0; i <= points; i++) {
      const double w = std::numbers::pi * (row.Cutoff + (1.0 - row.Cutoff) * i / points);
      worst = std::max(worst, Decibels(ZeroPhaseResponse(kernel, w)));
    }
    EXPECT_LE(worst, -row.Atten) << row.Cutoff << " " << row.TransBand << " " << row.Atten;
  }
}

TEST(LowPassResponse, MinusThreeDecibelsAtOneTransitionBandBelowTheCutoff) {
  for (const CResponseRow& row : kResponseRows) {
    const std::vector<double> kernel = DesignKernel(row.Cutoff, row.TransBand, row.Atten);
    const double w = std::numbers::pi * row.Cutoff * (1.0 - row.TransBand * 0.01);
    EXPECT_NEAR(Decibels(ZeroPhaseResponse(kernel, w)), -3.0, 0.3) << row.Cutoff << " " << row.TransBand;
  }
}

TEST(LowPassResponse, PassBandIsFlatBelowTwoTransitionBands) {
  for (const CResponseRow& row : kResponseRows) {
    const std::vector<double> kernel = DesignKernel(row.Cutoff, row.TransBand, row.Atten);
    const double edge = row.Cutoff * (1.0 - 2.0 * row.TransBand * 0.01);
    double worst = 0.0;
    for (int i = 0; i <= 500; i++)
      worst = std::max(worst, std::fabs(Decibels(ZeroPhaseResponse(kernel, std::numbers::pi * edge * i / 500))));
    EXPECT_LT(worst, 0.01) << row.Cutoff << " " << row.TransBand << " " << row.Atten;
  }
}

TEST_F(LowPassDesign, LinearPhaseSpectrumIsTheScaledCentredKernel) {
  rsmp::CDSPKernelFilter& filter = mCache->GetLowPassFilter(0.5, 8.0, 124.28, 0, 2.0);
  EXPECT_TRUE(filter.GetIsZeroPhase());
  EXPECT_EQ(filter.GetLatency(), 123);
  EXPECT_EQ(filter.GetLatencyFrac(), 0.0);
  EXPECT_EQ(filter.GetKernelLen(), 247);
  EXPECT_EQ(filter.GetBlockLenBits(), 8);
  const int n = filter.GetSpectrumLen();
  ASSERT_EQ(n, 512);
  const double* spectrum = filter.GetSpectrum();
  // DC is gain x 2 / N; every bin holds H at its frequency in both halves.
  EXPECT_NEAR(spectrum[0], 2.0 * 2.0 / n, 1e-15);
  const std::vector<double> kernel = DesignKernel(0.5, 8.0, 124.28);
  for (int k = 1; k < n / 2; k++) {
    const double expected = 4.0 / n * ZeroPhaseResponse(kernel, 2.0 * std::numbers::pi * k / n);
    EXPECT_NEAR(spectrum[2 * k], expected, 1e-15) << k;
    EXPECT_EQ(spectrum[2 * k + 1], spectrum[2 * k]) << k;
  }
  mCache->Release(filter);
}

// Impulse response of a stored spectrum (minimum-phase layout) through an independent inverse DFT.
std::vector<double> KernelFromSpectrum(const rsmp::CDSPKernelFilter& filter) {
  const int n = filter.GetSpectrumLen();
  const double* a = filter.GetSpectrum();
  std::vector<double> h(static_cast<size_t>(n));
  for (int j = 0; j < n; j++) {
    double sum = a[0] + ((j & 1) != 0 ? -a[1] : a[1]);
    for (int k = 1; k < n / 2; k++) {
      const double angle = 2.0 * std::numbers::pi * ((static_cast<long>(j) * k) % n) / n;
      sum += 2.0 * (a[2 * k] * std::cos(angle) + a[2 * k + 1] * std::sin(angle));
    }
    h[static_cast<size_t>(j)] = sum / 2.0;
  }
  return h;
}

TEST_F(LowPassDesign, MinimumPhaseKeepsTheMagnitudeAndMovesEnergyForward) {
  rsmp::CDSPKernelFilter& filter = mCache->GetLowPassFilter(0.5, 8.0, 124.28, 1, 1.0);
  EXPECT_FALSE(filter.GetIsZeroPhase());
  const int n = filter.GetSpectrumLen();
  const std::vector<double> linear = DesignKernel(0.5, 8.0, 124.28);
  const double* spectrum = filter.GetSpectrum();
  double worstStop = -400.0;
  for (int k = 1; k < n / 2; k++) {
    const double magnitude = std::hypot(spectrum[2 * k], spectrum[2 * k + 1]) * n / 2.0;
    const double w = 2.0 * std::numbers::pi * k / n;
    if (w <= std::numbers::pi * 0.5 * 0.84) {
      // The minimum-phase kernel is cut to the linear kernel's length, which costs a little flatness.
      EXPECT_NEAR(Decibels(magnitude), Decibels(ZeroPhaseResponse(linear, w)), 0.005) << k;
    }
    if (w >= std::numbers::pi * 0.5) worstStop = std::max(worstStop, Decibels(magnitude));
  }
  EXPECT_LE(worstStop, -124.28 + 1.0);

  // Minimum phase: the energy arrives before that of the linear-phase kernel, and the latency sits
  // at the start of the kernel.
  const std::vector<double> h = KernelFromSpectrum(filter);
  double energyMin = 0.0;
  double energyLinear = 0.0;
  for (int j = 0; j < 123; j++) {
    energyMin += h[static_cast<size_t>(j)] * h[static_cast<size_t>(j)];
    energyLinear += linear[static_cast<size_t>(j)] * linear[static_cast<size_t>(j)];
  }
  double totalMin = 0.0;
  double totalLinear = 0.0;
  for (double v : h) totalMin += v * v;
  for (double v : linear) totalLinear += v * v;
  EXPECT_GT(energyMin / totalMin, 0.99);
  EXPECT_LT(energyLinear / totalLinear, 0.6);
  EXPECT_GT(filter.GetLatency(), 0);
  EXPECT_LT(filter.GetLatency(), 60);
  EXPECT_GE(filter.GetLatencyFrac(), 0.0);
  EXPECT_LT(filter.GetLatencyFrac(), 1.0);
  mCache->Release(filter);
}

TEST_F(LowPassDesign, MinimumPhaseReflectsZerosIntoTheUnitCircle) {
  // 1 - 2 z^-1 + 4 z^-2 has its zeros at 2 e^(+-i pi/3), outside the unit circle; its minimum-phase
  // match with the same magnitude is the reversed polynomial 4 - 2 z^-1 + z^-2.
  double kernel[3] = {1.0, -2.0, 4.0};
  double groupDelay = 1.0;
  CDSPKernelFilter::MakeMinimumPhase(*mPool, kernel, 3, 64, true, &groupDelay);
  EXPECT_NEAR(kernel[0], 4.0, 1e-9);
  EXPECT_NEAR(kernel[1], -2.0, 1e-9);
  EXPECT_NEAR(kernel[2], 1.0, 1e-9);
  // Group delay at DC: sum(j h) / sum(h) = (0 - 2 + 2) / 3.
  EXPECT_NEAR(groupDelay, 0.0, 1e-6);
}

// Refused: values the formulas cannot take, requests they give no finite low-pass for (an attenuation
// below about 24 dB, a cut-off shift outside 0 .. 1), and kernels past the memory bound.
TEST(LowPassGeometry, RequestsWithoutADesignAreRefused) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double rows[][3] = {
      {0.0, 8.0, 124.28},  {0.6, 8.0, 124.28}, {nan, 8.0, 124.28}, {-0.1, 8.0, 124.28}, {0.5, 0.0, 124.28},
      {0.5, -1.0, 124.28}, {0.5, nan, 124.28}, {0.5, inf, 124.28}, {0.5, 8.0, 0.0},     {0.5, 8.0, -60.0},
      {0.5, 8.0, nan},     {0.5, 8.0, inf},    {0.5, 8.0, 10.0},   {0.5, 45.0, 23.0},   {0.5, 8.0, 24.0},
      {0.5, 120.0, 60.0},  {0.5, 200.0, 30.0}, {0.5, 30.0, 30.0},  {1e-6, 8.0, 124.28}, {0.1, 0.001, 124.28},
  };
  for (const auto& row : rows)
    EXPECT_THROW(CDSPKernelFilter::ComputeGeometry(row[0], row[1], row[2]), std::invalid_argument)
        << row[0] << " " << row[1] << " " << row[2];
}

// Accepted wherever the formulas give a finite low-pass within the memory bound, far outside the band and
// attenuation the fits were made for, and past 262,143 taps.
TEST(LowPassGeometry, EveryFiniteDesignWithinTheMemoryBoundIsAccepted) {
  const double rows[][3] = {
      {0.5, 8.0, 25.0},     {0.5, 45.0, 30.0},   {0.5, 0.1, 124.28},  {0.5, 46.0, 124.28},
      {0.5, 100.0, 124.28}, {0.5, 8.0, 40.0},    {0.5, 8.0, 300.0},   {0.5, 2.0, 40.0},
      {0.5, 0.001, 124.28}, {0.001, 0.5, 218.0}, {0.5, 45.0, 1000.0}, {0.25, 0.01, 60.0},
  };
  for (const auto& row : rows) {
    CLowPassGeometry geometry;
    EXPECT_NO_THROW(geometry = CDSPKernelFilter::ComputeGeometry(row[0], row[1], row[2]))
        << row[0] << " " << row[1] << " " << row[2];
    EXPECT_GE(geometry.CutoffShift, 0.0);
    EXPECT_LT(geometry.CutoffShift, 1.0);
    EXPECT_EQ(geometry.KernelLen, 2 * geometry.HalfTaps + 1);
    // The spectrum, 2 << BlockLenBits doubles, is the design's transform: at most 2^24 points.
    EXPECT_LE(geometry.BlockLenBits, 23);
  }
  EXPECT_GT(CDSPKernelFilter::ComputeGeometry(0.5, 0.001, 124.28).KernelLen, 262143);
}

// A kernel longer than 262,143 taps is designed whole: its spectrum's DC bin carries the requested gain
// (the forward transform's DC bin is the sum of the scaled taps, (2 / N) x gain).
TEST_F(LowPassDesign, AKernelPast262143TapsIsDesigned) {
  CDSPKernelFilter& filter = mCache->GetLowPassFilter(0.15, 0.01, 60.0, 0, 2.0);
  EXPECT_GT(filter.GetKernelLen(), 262143);
  const int n = filter.GetSpectrumLen();
  EXPECT_NEAR(filter.GetSpectrum()[0] * n / 2.0, 2.0, 1e-9);
  mCache->Release(filter);
}

// A minimum-phase design's cepstrum transform is 16 times its kernel: kernels above 1,048,575 taps pass
// the bound there even though their linear-phase spectrum would not.
TEST_F(LowPassDesign, MinimumPhaseKernelsPastTheirTransformBoundAreRefused) {
  const CLowPassGeometry geometry = CDSPKernelFilter::ComputeGeometry(0.5, 0.001, 124.28);
  ASSERT_GT(geometry.KernelLen, 1048575);
  EXPECT_THROW(mCache->GetLowPassFilter(0.5, 0.001, 124.28, 1, 1.0), std::invalid_argument);
  EXPECT_EQ(mCache->GetCount(), 0);
}

}  // namespace
