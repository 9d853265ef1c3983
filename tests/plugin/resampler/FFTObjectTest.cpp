#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/ResamplerStores.h"
#include "plugin/resampler/VectorPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

using rsmp::CDSPFFTObject;
using rsmp::CFFTObjectPool;

std::vector<double> RandomBlock(int n, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> block(static_cast<size_t>(n));
  for (double& value : block) value = uniform(generator);
  return block;
}

// Reference: the packed layout computed by a direct DFT in long double.
std::vector<double> DirectPackedDFT(const std::vector<double>& x) {
  const int n = static_cast<int>(x.size());
  std::vector<double> a(x.size());
  for (int k = 0; k <= n / 2; k++) {
    long double re = 0.0L;
    long double im = 0.0L;
    for (int j = 0; j < n; j++) {
      const long double angle = 2.0L * std::numbers::pi_v<long double> * ((static_cast<long long>(j) * k) % n) / n;
      re += x[static_cast<size_t>(j)] * std::cos(angle);
      im += x[static_cast<size_t>(j)] * std::sin(angle);
    }
    if (k == 0)
      a[0] = static_cast<double>(re);
    else if (k == n / 2)
      a[1] = static_cast<double>(re);
    else {
      a[static_cast<size_t>(2 * k)] = static_cast<double>(re);
      a[static_cast<size_t>(2 * k + 1)] = static_cast<double>(im);
    }
  }
  return a;
}

TEST(RealFFT, MatchesDirectTransformInLayoutAndSign) {
  for (int order = 1; order <= 10; order++) {
    CDSPFFTObject fft(order, nullptr);
    std::vector<double> x = RandomBlock(fft.GetLen(), static_cast<unsigned>(order));
    const std::vector<double> expected = DirectPackedDFT(x);
    fft.Forward(x.data());
    for (int i = 0; i < fft.GetLen(); i++)
      EXPECT_NEAR(x[static_cast<size_t>(i)], expected[static_cast<size_t>(i)], 1e-12 * fft.GetLen())
          << "order " << order << " index " << i;
  }
}

TEST(RealFFT, ImpulseGivesFlatSpectrum) {
  CDSPFFTObject fft(3, nullptr);
  std::vector<double> a = {1, 0, 0, 0, 0, 0, 0, 0};
  fft.Forward(a.data());
  EXPECT_EQ(a, (std::vector<double>{1, 1, 1, 0, 1, 0, 1, 0}));
}

TEST(RealFFT, SineLandsInThePositiveImaginaryPart) {
  CDSPFFTObject fft(4, nullptr);
  std::vector<double> a(16);
  for (int j = 0; j < 16; j++) a[static_cast<size_t>(j)] = std::sin(2.0 * std::numbers::pi * 3.0 * j / 16.0);
  fft.Forward(a.data());
  EXPECT_NEAR(a[6], 0.0, 1e-14);
  EXPECT_NEAR(a[7], 8.0, 1e-14);
}

TEST(RealFFT, InverseOfForwardTimesInvMulConstIsIdentity) {
  for (int order = 0; order <= 16; order++) {
    CDSPFFTObject fft(order, nullptr);
    const std::vector<double> original = RandomBlock(fft.GetLen(), 100u + static_cast<unsigned>(order));
    std::vector<double> a = original;
    fft.Forward(a.data());
    fft.Inverse(a.data());
    // Relative to the block's largest magnitude: single samples near zero carry the absolute error.
    double worst = 0.0;
    double largest = 0.0;
    for (size_t i = 0; i < a.size(); i++) {
      worst = std::max(worst, std::fabs(a[i] * fft.GetInvMulConst() - original[i]));
      largest = std::max(largest, std::fabs(original[i]));
    }
    EXPECT_LT(worst / largest, 1e-13) << "order " << order;
  }
}

TEST(RealFFT, SecondTransformReusesTheBuiltTables) {
  CDSPFFTObject fft(9, nullptr);
  const std::vector<double> x = RandomBlock(512, 7);
  std::vector<double> first = x;
  std::vector<double> second = x;
  fft.Forward(first.data());
  fft.Forward(second.data());
  EXPECT_EQ(first, second);
}

// The AVX2 routines do the plain routines' additions and multiplications lane by lane in the same
// order and without fused multiply-add, so the tolerance between the two paths is zero.
TEST(RealFFT, Avx2PathEqualsThePlainPathBitForBit) {
  if (!rsmp::IsAvx2Available()) GTEST_SKIP() << "no AVX2 on this processor";
  for (int order = 0; order <= 16; order++) {
    CDSPFFTObject vectorised(order, nullptr);
    CDSPFFTObject plain(order, nullptr);
    plain.SetAvx2Enabled(false);
    ASSERT_TRUE(vectorised.GetAvx2Enabled());
    ASSERT_FALSE(plain.GetAvx2Enabled());
    std::vector<double> a = RandomBlock(vectorised.GetLen(), 300u + static_cast<unsigned>(order));
    std::vector<double> b = a;
    const size_t bytes = sizeof(double) * a.size();
    vectorised.Forward(a.data());
    plain.Forward(b.data());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), bytes), 0) << "forward, order " << order;
    vectorised.Inverse(a.data());
    plain.Inverse(b.data());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), bytes), 0) << "inverse, order " << order;
  }
}

// The products are the same multiplications, only taken inside the first pass, and a mirrored upper
// half is the same conjugation, only read from the lower half: equal bit for bit.
TEST(RealFFT, InverseOfProductEqualsMultiplyingFirst) {
  for (const bool avx2 : {false, true}) {
    for (const bool mirrored : {false, true}) {
      for (int order = 1; order <= 12; order++) {
        CDSPFFTObject fft(order, nullptr);
        fft.SetAvx2Enabled(avx2);
        const int n = fft.GetLen() / 2;
        const std::vector<double> spectrum = RandomBlock(fft.GetLen(), 500u + static_cast<unsigned>(order));
        std::vector<double> fused = RandomBlock(fft.GetLen(), 600u + static_cast<unsigned>(order));
        std::vector<double> separate = fused;
        for (int k = 1; mirrored && k < n / 2; k++) {
          separate[static_cast<size_t>(2 * (n - k))] = separate[static_cast<size_t>(2 * k)];
          separate[static_cast<size_t>(2 * (n - k) + 1)] = -separate[static_cast<size_t>(2 * k + 1)];
          // Never read.
          fused[static_cast<size_t>(2 * (n - k))] = std::numeric_limits<double>::quiet_NaN();
        }
        for (size_t i = 2; i < separate.size(); i++) separate[i] *= spectrum[i];
        fft.Inverse(separate.data());
        fft.InverseOfProduct(fused.data(), spectrum.data(), mirrored);
        EXPECT_EQ(std::memcmp(fused.data(), separate.data(), sizeof(double) * fused.size()), 0)
            << "order " << order << (avx2 ? " with AVX2" : "") << (mirrored ? " mirrored" : "");
      }
    }
  }
}

TEST(RealFFT, OrderOutsideTheRangeIsRefused) {
  EXPECT_THROW(CDSPFFTObject(-1, nullptr), std::invalid_argument);
  EXPECT_THROW(CDSPFFTObject(31, nullptr), std::invalid_argument);
  EXPECT_THROW(rsmp::AcquireFFTObject(31), std::invalid_argument);
  EXPECT_THROW(rsmp::AcquireFFTObject(-3), std::invalid_argument);
}

TEST(FFTObjectPool, TwoHoldersGetDistinctObjectsThatBothReturn) {
  auto* pool = new CFFTObjectPool;
  CDSPFFTObject* first = pool->Acquire(5);
  CDSPFFTObject* second = pool->Acquire(5);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->GetLen(), 32);
  EXPECT_DOUBLE_EQ(first->GetInvMulConst(), 2.0 / 32.0);
  rsmp::ReleaseFFTObject(first);
  rsmp::ReleaseFFTObject(second);
  EXPECT_EQ(pool->GetFreeCount(5), 2);
  EXPECT_TRUE(pool->IsFree(first));
  EXPECT_TRUE(pool->IsFree(second));
  pool->Close();
}

TEST(FFTObjectPool, ReleasedObjectIsHandedOutAgain) {
  auto* pool = new CFFTObjectPool;
  CDSPFFTObject* first = pool->Acquire(7);
  pool->Release(first);
  EXPECT_EQ(pool->Acquire(7), first);
  EXPECT_EQ(pool->GetFreeCount(7), 0);
  pool->Release(first);
  pool->Close();
}

TEST(FFTObjectPool, ProcessWidePoolLendsAndTakesBack) {
  CFFTObjectPool& pool = rsmp::CResamplerStores::FFTObjects();
  CDSPFFTObject* object = rsmp::AcquireFFTObject(6);
  EXPECT_EQ(object->GetPool(), &pool);
  EXPECT_FALSE(pool.IsFree(object));
  rsmp::ReleaseFFTObject(object);
  EXPECT_TRUE(pool.IsFree(object));
}

}  // namespace
