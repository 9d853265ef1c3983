#include "plugin/resampler/Allocation.h"
#include "plugin/resampler/CDSPFracInterpolator.h"
#include "plugin/resampler/CFracFilterBankCache.h"
#include "plugin/resampler/VectorPath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

namespace rsmp {
namespace {

std::vector<double> Interpolate(CDSPFracInterpolator& interpolator, const std::vector<double>& in, int block) {
  std::vector<double> out;
  std::vector<double> buffer(interpolator.GetMaxOutputLength(block));
  for (std::size_t pos = 0; pos < in.size(); pos += block) {
    const int n = static_cast<int>(std::min<std::size_t>(block, in.size() - pos));
    double* op = buffer.data();
    const int produced = interpolator.Process(const_cast<double*>(in.data()) + pos, n, op);
    out.insert(out.end(), op, op + produced);
  }
  return out;
}

std::vector<double> Sine(std::size_t length, double fraction) {
  std::vector<double> x(length);
  for (std::size_t i = 0; i < length; i++) x[i] = std::sin(2.0 * std::numbers::pi * fraction * i + 0.3);
  return x;
}

TEST(FracInterpolator, WholeRatioStepsThroughItsPhasesExactly) {
  CDSPFracInterpolator interpolator(false, 88200.0, 48000.0, 124.28, 0.0);
  EXPECT_TRUE(interpolator.IsExact());
  EXPECT_EQ(interpolator.GetSrcSRDiv(), 147);
  EXPECT_EQ(interpolator.GetDstSRDiv(), 80);
  EXPECT_EQ(interpolator.GetFilterBank().GetFilterFracs(), 80);
  EXPECT_EQ(interpolator.GetFilterBank().GetFilterLen(), 16);
  EXPECT_EQ(interpolator.GetFilterBank().GetElementSize(), 1);
  EXPECT_EQ(interpolator.GetFilterBank().GetReqAtten(), 125.4653);
}

// Rates that are multiples of a common step step exactly in the reduced counts (src / gcd, dst / gcd),
// up to the largest source count the subtractive search reaches (128591 : 1499, found at its 147th
// subtraction), and put each output at input position j x src / dst.
TEST(FracInterpolator, WholeRatiosStepInTheirReducedCounts) {
  struct CRow {
    double Src, Dst;
    int SrcDiv, DstDiv;
  };
  const double fraction = 0.01;
  for (const CRow& row : {CRow{88200.0, 48000.0, 147, 80}, CRow{128591.0, 1499.0, 128591, 1499},
                          CRow{2.0 * 128591.0, 2.0 * 1499.0, 128591, 1499}}) {
    CDSPFracInterpolator interpolator(false, row.Src, row.Dst, 124.28, 0.0);
    ASSERT_TRUE(interpolator.IsExact()) << row.Src;
    EXPECT_EQ(interpolator.GetSrcSRDiv(), row.SrcDiv) << row.Src;
    EXPECT_EQ(interpolator.GetDstSRDiv(), row.DstDiv) << row.Src;
    const std::vector<double> y = Interpolate(interpolator, Sine(30000, fraction), 333);
    ASSERT_GT(y.size(), 300u) << row.Src;
    double worst = 0.0;
    for (std::size_t j = 1; j < y.size(); j++) {
      // Past the filter's reach into the silence before the first sample.
      const double position = static_cast<double>(j) * row.Src / row.Dst;
      if (position < CDSPFracInterpolator::kMaxFilterLen) continue;
      worst = std::max(worst, std::fabs(y[j] - std::sin(2.0 * std::numbers::pi * fraction * position + 0.3)));
    }
    EXPECT_LT(20.0 * std::log10(worst), -100.0) << row.Src;
  }
}

TEST(FracInterpolator, CommonStepOfRates) {
  EXPECT_EQ(CDSPFracInterpolator::FindCommonStep(88200.0, 48000.0), 600.0);
  EXPECT_EQ(CDSPFracInterpolator::FindCommonStep(48000.0, 48000.0), 48000.0);
  EXPECT_EQ(CDSPFracInterpolator::FindCommonStep(96000.0, 44100.0), 300.0);
  EXPECT_EQ(CDSPFracInterpolator::FindCommonStep(1.0, std::numbers::pi), 0.0);
}

TEST(FracInterpolator, TooManyPhasesUseTheSharedQuadraticBank) {
  CDSPFracInterpolator interpolator(false, 44100.0, 44101.0, 124.28, 0.0);
  EXPECT_FALSE(interpolator.IsExact());
  const CDSPFracFilterBank& bank = interpolator.GetFilterBank();
  EXPECT_EQ(bank.GetFilterFracs(), 106);
  EXPECT_EQ(bank.GetFilterLen(), 16);
  EXPECT_EQ(bank.GetElementSize(), 3);
  EXPECT_EQ(bank.GetInterpPoints(), 8);
}

TEST(FracInterpolator, RequestsOnOneWindowRowShareOneStaticBank) {
  const int before = GetFracFilterBankCache().GetStaticCount();
  CDSPFracInterpolator a(false, 44100.0, 44101.0, 120.0, 0.0);
  CDSPFracInterpolator b(false, 44100.0, 44103.0, 125.0, 0.0);
  EXPECT_EQ(&a.GetFilterBank(), &b.GetFilterBank());
  EXPECT_LE(GetFracFilterBankCache().GetStaticCount(), before + 1);
}

TEST(FracInterpolator, FirstOutputIsTheFirstInputSample) {
  for (const double dst : {48000.0, 44101.0}) {
    CDSPFracInterpolator interpolator(false, 88200.0, dst, 124.28, 0.0);
    const std::vector<double> x = Sine(400, 0.05);
    const std::vector<double> y = Interpolate(interpolator, x, 400);
    ASSERT_FALSE(y.empty());
    EXPECT_NEAR(y[0], x[0], 1e-15) << dst;
  }
}

// Output j lies at input position j x src / dst; a tone below a fifth of the input rate (the chain
// feeds the interpolator twice oversampled) comes out as the same tone at that position.
TEST(FracInterpolator, InterpolatesABandLimitedToneAtTheRightPositions) {
  const double fraction = 0.17;
  for (const double dst : {48000.0, 44101.0, 96001.0}) {
    const double src = 88200.0;
    CDSPFracInterpolator interpolator(false, src, dst, 124.28, 0.0);
    const std::vector<double> y = Interpolate(interpolator, Sine(8000, fraction), 333);
    ASSERT_GT(y.size(), 2000u);
    double worst = 0.0;
    for (std::size_t j = 100; j < y.size(); j++) {
      const double position = j * src / dst;
      worst = std::max(worst, std::fabs(y[j] - std::sin(2.0 * std::numbers::pi * fraction * position + 0.3)));
    }
    EXPECT_LT(20.0 * std::log10(worst), -100.0) << dst;
  }
}

TEST(FracInterpolator, WholeLatencyIsDroppedOnTheInputSide) {
  CDSPFracInterpolator interpolator(false, 88200.0, 48000.0, 124.28, 2.0);
  EXPECT_EQ(interpolator.GetLatency(), 0);
  std::vector<double> x = Sine(400, 0.05);
  const std::vector<double> y = Interpolate(interpolator, x, 1);
  ASSERT_FALSE(y.empty());
  EXPECT_NEAR(y[0], x[2], 1e-15);
}

// The AVX2 dot products add the same products in the same order as the plain ones, without fused
// multiply-add: the tolerance between them is zero.
TEST(FracInterpolator, Avx2DotProductsEqualThePlainOnesBitForBit) {
  if (!rsmp::IsAvx2Available()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 generator(5);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> x(CDSPFracInterpolator::kMaxFilterLen + 3);
  std::vector<double> row(CDSPFracInterpolator::kMaxFilterLen);
  for (int trial = 0; trial < 20; trial++) {
    for (double& value : x) value = uniform(generator);
    for (double& value : row) value = uniform(generator);
    for (int halfLength = 3; halfLength <= 15; halfLength++) {
      const double plain = CDSPFracInterpolator::GetExactDot(halfLength, false)(x.data() + trial % 3, row.data());
      const double vectorised = CDSPFracInterpolator::GetExactDot(halfLength, true)(x.data() + trial % 3, row.data());
      EXPECT_EQ(std::memcmp(&plain, &vectorised, sizeof(double)), 0) << "half length " << halfLength;
    }
  }
}

TEST(FracInterpolator, OutputLengthBound) {
  CDSPFracInterpolator interpolator(false, 88200.0, 48000.0, 124.28, 0.0);
  EXPECT_EQ(interpolator.GetMaxOutputLength(147), 81);
  EXPECT_EQ(interpolator.GetMaxOutputLength(0), 1);
}

// Up-sampling, ceil(n x 48000 / 44100) + 1 passes int for n = INT_MAX: such a length, and a negative one, is refused
// whole (nothing written, the latency still to drop untouched) and bounded by 0.
TEST(FracInterpolator, LengthsWhoseOutputCouldPassIntAreRefused) {
  CDSPFracInterpolator interpolator(false, 44100.0, 48000.0, 124.28, 2.0);
  EXPECT_EQ(interpolator.GetMaxOutputLength(INT_MAX), 0);
  EXPECT_EQ(interpolator.GetMaxOutputLength(-1), 0);
  EXPECT_EQ(interpolator.GetMaxOutputLength(INT_MAX / 2), 1'168'698'584);
  std::vector<double> x = Sine(400, 0.05);
  double marker = 0.0;
  double* op = &marker;
  EXPECT_EQ(interpolator.Process(x.data(), INT_MAX, op), 0);
  EXPECT_EQ(interpolator.Process(x.data(), -1, op), 0);
  EXPECT_EQ(interpolator.Process(x.data(), INT_MIN, op), 0);
  EXPECT_EQ(op, &marker);
  const std::vector<double> y = Interpolate(interpolator, x, 1);
  ASSERT_FALSE(y.empty());
  EXPECT_NEAR(y[0], x[2], 1e-15);
}

// The previous step's latency counts into an int of whole samples: outside [0, INT_MAX) it is refused.
TEST(FracInterpolator, PreviousLatencyOutsideAnIntIsRefused) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const double prevLatency : {std::nan(""), -inf, -0.5, static_cast<double>(INT_MAX), 1e300, inf}) {
    EXPECT_THROW(CDSPFracInterpolator(false, 96000.0, 44100.0, 124.28, prevLatency), std::invalid_argument)
        << prevLatency;
  }
  const CDSPFracInterpolator far(false, 96000.0, 44100.0, 124.28, INT_MAX - 1.0);
  EXPECT_EQ(far.GetInputLengthForOutput(0), INT_MAX);
}

TEST(FracFilterBank, EveryFilterHasUnitGainAndTheWholeDelayIsAnImpulse) {
  CFracFilterBankCache& cache = GetFracFilterBankCache();
  CDSPFracFilterBank& bank = cache.GetFilterBank(7, 1, 2, false, false, 124.28);
  for (int r = 0; r < bank.GetFilterFracs() + 2; r++) {
    double sum = 0.0;
    for (int k = 0; k < bank.GetFilterLen(); k++) sum += bank.GetRow(r)[k];
    EXPECT_NEAR(sum, 1.0, 1e-14);
  }
  // Row 0 has delay 1: tap fl2 - 1 holds the sample itself.
  const int fl2 = bank.GetFilterLen() / 2;
  for (int k = 0; k < bank.GetFilterLen(); k++) EXPECT_NEAR(bank.GetRow(0)[k], k == fl2 - 1 ? 1.0 : 0.0, 1e-15) << k;
  cache.Release(bank);
}

TEST(FracFilterBankCache, DynamicBanksAreSharedCountedAndEvictedFromTwelve) {
  const int phases = 900;
  CFracFilterBankCache& cache = GetFracFilterBankCache();
  CDSPFracFilterBank& first = cache.GetFilterBank(phases, 1, 2, true, false, 100.0);
  CDSPFracFilterBank& again = cache.GetFilterBank(phases, 1, 2, true, false, 101.0);
  EXPECT_EQ(&first, &again);
  EXPECT_EQ(first.GetRefCount(), 2);
  cache.Release(again);
  cache.Release(first);
  EXPECT_EQ(first.GetRefCount(), 0);
  // Twelve further unused banks push the least recently used unused ones out.
  for (int i = 1; i <= CFracFilterBankCache::kEvictionCount; i++)
    cache.Release(cache.GetFilterBank(phases + i, 1, 2, true, false, 100.0));
  EXPECT_EQ(cache.GetDynamicCount(), CFracFilterBankCache::kEvictionCount);
  for (const CDSPFracFilterBank* b = cache.GetDynamicHead(); b != nullptr; b = b->GetNext())
    EXPECT_NE(b->GetReqFracs(), phases);
}

// At unload the cache frees what nobody holds; a bank still held is freed by its last release, and
// the cache with it.
TEST(FracFilterBankCache, BanksHeldAcrossUnloadAreFreedByTheirLastHolder) {
  const std::int64_t liveBefore = GetFamilyLiveBlockCount();
  auto* cache = new CFracFilterBankCache;
  CDSPFracFilterBank& held = cache->GetFilterBank(-1, 3, 8, false, true, 100.0);
  cache->Release(cache->GetFilterBank(40, 1, 2, false, false, 100.0));
  cache->Close();
  EXPECT_EQ(held.GetFilterFracs(), static_cast<int>(std::ceil(std::pow(6.4, 111.1315 / 50.0))));
  // Reading the table after the close lets the sanitizer catch a bank freed too early.
  EXPECT_TRUE(std::isfinite(held.GetRow(held.GetFilterFracs())[0]));
  ReleaseFilterBank(held);
  EXPECT_EQ(GetFamilyLiveBlockCount(), liveBefore);
}

// Every hit counts a holder, in the static list as in the dynamic one: after the first of two holders
// returns the bank and the cache closes, the second still holds a live bank, which its return frees.
TEST(FracFilterBankCache, BothListsCountEveryHolder) {
  for (const bool isStatic : {true, false}) {
    const std::int64_t liveBefore = GetFamilyLiveBlockCount();
    auto* cache = new CFracFilterBankCache;
    CDSPFracFilterBank& first = cache->GetFilterBank(-1, 3, 8, false, isStatic, 100.0);
    CDSPFracFilterBank& second = cache->GetFilterBank(-1, 3, 8, false, isStatic, 100.0);
    EXPECT_EQ(&first, &second) << isStatic;
    EXPECT_EQ(second.GetRefCount(), 2) << isStatic;
    cache->Release(first);
    EXPECT_EQ(second.GetRefCount(), 1) << isStatic;
    cache->Close();
    // Reading the table after the close lets the sanitizer catch a bank freed too early.
    EXPECT_EQ(second.GetFilterFracs(), static_cast<int>(std::ceil(std::pow(6.4, 111.1315 / 50.0)))) << isStatic;
    EXPECT_TRUE(std::isfinite(second.GetRow(second.GetFilterFracs())[0])) << isStatic;
    ReleaseFilterBank(second);
    EXPECT_EQ(GetFamilyLiveBlockCount(), liveBefore) << isStatic;
  }
}

}  // namespace
}  // namespace rsmp
