#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <vector>

#include "dsp/filters/AnalogElliptic.h"
#include "dsp/filters/JacobiElliptic.h"

namespace {

using Dsp::Complex;
using LongDouble = long double;

constexpr LongDouble kPi = std::numbers::pi_v<LongDouble>;

// K(k) from k' = complement by the arithmetic-geometric mean, pi / (2 AGM(1, k')).
LongDouble quarterPeriodByAgm(LongDouble complement) {
  LongDouble a = 1.0L;
  LongDouble b = complement;
  for (int i = 0; i < 64 && a - b > 1e-19L * a; ++i) {
    const LongDouble mean = (a + b) / 2.0L;
    b = std::sqrt(a * b);
    a = mean;
  }
  return kPi / (2.0L * a);
}

// The elliptic low-pass as its definition states it, computed apart from the design's routines:
// selectivity k = 1 / xi, K and K' by the AGM, sn by its Fourier series in the nome q = e^(-pi K'/K),
// sn(u) = 2 pi / (k K) sum_j q^(j + 1/2) / (1 - q^(2j + 1)) sin((2j + 1) pi u / (2K)), the
// transmission zeros 1 / (k sn((1 - (2i - 1) / n) K)) and the degree equation in its product form,
// k1 = k^n prod_i sn((2i - 1) K / n)^4, for the stop-band floor 10 log10(1 + e^2 / k1^2).
class EllipticDefinition {
 public:
  EllipticDefinition(int order, double rippleDb, double rolloff) : mOrder(order) {
    const LongDouble xiMinusOne = 5.0L * std::exp(LongDouble(rolloff) - 1.0L);
    mK = 1.0L / (1.0L + xiMinusOne);
    mQuarterPeriod = quarterPeriodByAgm(std::sqrt(xiMinusOne * (2.0L + xiMinusOne)) / (1.0L + xiMinusOne));
    const LongDouble q = std::exp(-kPi * quarterPeriodByAgm(mK) / mQuarterPeriod);
    for (int j = 0; std::pow(q, j + 0.5L) > 1e-22L; ++j)
      mSeries.push_back(std::pow(q, j + 0.5L) / (1.0L - std::pow(q, 2 * j + 1)));
    LongDouble k1 = std::pow(mK, order);
    for (int i = 1; i <= order / 2; ++i) k1 *= std::pow(sn(LongDouble(2 * i - 1) / order), 4);
    const LongDouble e2 = std::expm1(rippleDb * std::numbers::ln10_v<LongDouble> / 10.0L);
    mStopBandDb = double(10.0L * std::log10(1.0L + e2 / (k1 * k1)));
  }

  // sn(t K, k), the sines summed by sin((2j + 3) v) = 2 cos 2v sin((2j + 1) v) - sin((2j - 1) v).
  LongDouble sn(LongDouble t) const {
    const LongDouble v = t * kPi / 2.0L;
    const LongDouble twoCos = 2.0L * std::cos(2.0L * v);
    LongDouble previous = -std::sin(v);
    LongDouble current = std::sin(v);
    LongDouble sum = 0.0L;
    for (LongDouble c : mSeries) {
      sum += c * current;
      const LongDouble next = twoCos * current - previous;
      previous = current;
      current = next;
    }
    return sum * 2.0L * kPi / (mK * mQuarterPeriod);
  }

  double transmissionZero(int i) const { return double(1.0L / (mK * sn(1.0L - LongDouble(2 * i - 1) / mOrder))); }
  double stopBandDb() const { return mStopBandDb; }
  // The pass band 0..1 rad/s and the stop band xi..infinity, each swept once as t runs over 0..1.
  double passBandFrequency(double t) const { return double(sn(t)); }
  double stopBandFrequency(double t) const { return double(1.0L / (mK * sn(t))); }

 private:
  int mOrder;
  LongDouble mK;
  LongDouble mQuarterPeriod;
  std::vector<LongDouble> mSeries;
  double mStopBandDb;
};

// Attenuation in dB of the prototype at w rad/s, from its poles, zeros and normal gain at DC.
class Attenuation {
 public:
  explicit Attenuation(const Dsp::PoleZeroLayout& layout) {
    for (int i = 0; i < layout.getNumSets(); ++i) {
      const Dsp::PoleZeroSet& set = layout[i];
      mPoles.push_back(set.poles.first);
      if (set.isSinglePole()) continue;
      mPoles.push_back(set.poles.second);
      if (std::isfinite(set.zeros.first.imag())) mZeros.insert(mZeros.end(), {set.zeros.first, set.zeros.second});
    }
    // H(s) = scale prod (s - z) / prod (s - p) with |H(0)| the normal gain.
    Complex atDc = layout.getNormalGain();
    for (Complex p : mPoles) atDc *= -p;
    for (Complex z : mZeros) atDc /= -z;
    mScale = std::abs(atDc);
  }

  double operator()(double w) const {
    const Complex s(0.0, w);
    double magnitude = mScale;
    for (Complex p : mPoles) magnitude /= std::abs(s - p);
    for (Complex z : mZeros) magnitude *= std::abs(s - z);
    return -20.0 * std::log10(magnitude);
  }

  const std::vector<Complex>& poles() const { return mPoles; }

 private:
  std::vector<Complex> mPoles;
  std::vector<Complex> mZeros;
  double mScale = 1.0;
};

// The interior local extrema of f over 0..1 (maxima, or minima when findMinima), located on a grid of
// the given size and refined by golden-section search.
std::vector<double> localExtrema(const std::function<double(double)>& f, int gridSize, bool findMinima) {
  const double sign = findMinima ? -1.0 : 1.0;
  const auto g = [&](double t) { return sign * f(t); };
  std::vector<double> values(gridSize + 1);
  for (int i = 0; i <= gridSize; ++i) values[i] = g(double(i) / gridSize);
  std::vector<double> extrema;
  const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
  for (int i = 1; i < gridSize; ++i) {
    if (!(values[i] >= values[i - 1] && values[i] >= values[i + 1])) continue;
    double lo = double(i - 1) / gridSize;
    double hi = double(i + 1) / gridSize;
    for (int step = 0; step < 48; ++step) {
      const double a = hi - ratio * (hi - lo);
      const double b = lo + ratio * (hi - lo);
      (g(a) > g(b) ? hi : lo) = g(a) > g(b) ? b : a;
    }
    extrema.push_back(sign * g((lo + hi) / 2.0));
  }
  return extrema;
}

// The transmission zeros as a design by the complete integral from the arithmetic-geometric mean and sn by its
// theta series stopped after the first term below 1e-7 computes them (in order of rising frequency).
std::vector<LongDouble> zerosBySeriesStoppedAt1e7(int order, double rolloff) {
  const LongDouble xi = 5.0L * std::exp(LongDouble(rolloff) - 1.0L) + 1.0L;
  const auto agmK = [](LongDouble k) {
    LongDouble a = 1.0L, b = std::sqrt(1.0L - k * k), c = 1.0L - b;
    for (;;) {
      const LongDouble next = (a - b) / 2.0L;
      const LongDouble mean = (a + b) / 2.0L;
      b = std::sqrt(a * b);
      a = mean;
      if (!(next < c)) break;
      c = next;
    }
    return kPi / (2.0L * a);
  };
  const LongDouble bigK = agmK(1.0L / xi);
  const LongDouble bigKp = agmK(std::sqrt(1.0L - 1.0L / (xi * xi)));
  const LongDouble q = std::exp(-kPi * bigKp / bigK);
  std::vector<LongDouble> zeros;
  const int ni = order % 2 == 0 ? 1 : 0;
  for (int i = 1; i <= order / 2; ++i) {
    const LongDouble u = (2 * i - ni) * bigK / order;
    const LongDouble v = u * kPi / (2.0L * bigK);
    LongDouble sn = 0.0L;
    for (int j = 0;; ++j) {
      const LongDouble term = std::pow(q, j + 0.5L);
      sn += term * std::sin((2 * j + 1) * v) / (1.0L - std::pow(q, 2 * j + 1));
      if (term < 1e-7L) break;
    }
    zeros.insert(zeros.begin(), 1.0L / (sn * 2.0L * kPi / bigK));
  }
  return zeros;
}

// Held to 1e-7, the series places the zeros up to about 1e-6 from where they belong: once the transition band is
// narrower than that they leave it, at order 12 and the narrowest rolloff one falls inside the pass band (an
// infinite attenuation below 1 rad/s) and at order 20 and rolloff -16 they miss by more than the band's width.
// The design's own zeros all lie in the stop band, each within 1e-13 of the definition.
TEST(EllipticPrototype, ZerosBySeriesStoppedAt1e7LeaveNarrowTransitionBands) {
  struct Row {
    int order;
    double rolloff;
  };
  for (const Row& row : {Row{12, Dsp::Elliptic::kNarrowestRolloff}, Row{20, -16.0}}) {
    SCOPED_TRACE(testing::Message() << "order " << row.order << " rolloff " << row.rolloff);
    const double width = 5.0 * std::exp(row.rolloff - 1.0);
    const EllipticDefinition definition(row.order, 0.1, row.rolloff);
    const std::vector<LongDouble> series = zerosBySeriesStoppedAt1e7(row.order, row.rolloff);
    Dsp::OwnedLayout<Dsp::Elliptic::kMaxOrder> layout;
    Dsp::Elliptic::AnalogLowPass prototype(layout);
    prototype.design(row.order, 0.1, row.rolloff);
    double worstSeries = 0.0;
    for (int i = 0; i < row.order / 2; ++i) {
      worstSeries = std::max(worstSeries, double(std::abs(series[i] - definition.transmissionZero(i + 1))));
      EXPECT_GT(layout[i].zeros.first.imag(), 1.0 + width) << i;
      EXPECT_NEAR(layout[i].zeros.first.imag() / definition.transmissionZero(i + 1), 1.0, 1e-13) << i;
    }
    EXPECT_GT(worstSeries, width);
    if (row.rolloff == Dsp::Elliptic::kNarrowestRolloff) {
      EXPECT_LT(series[0], 1.0L);
    }
  }
}

// Every order, rolloffs across the accepted range (with the narrowest that designs on its own), and
// ripples from the smallest to the largest of the parameter's range, rotated through the rows.
TEST(EllipticPrototype, BandsMeetTheirDefinitionsForEveryOrderAndRolloff) {
  const double rolloffs[] = {Dsp::Elliptic::kNarrowestRolloff, -16.0, -12.0, -8.0, -4.0, 0.0, 4.0};
  const double ripples[] = {0.001, 0.1, 1.0, 12.0};
  Dsp::OwnedLayout<Dsp::Elliptic::kMaxOrder> layout;
  Dsp::Elliptic::AnalogLowPass prototype(layout);
  int row = 0;
  for (int order = 1; order <= Dsp::Elliptic::kMaxOrder; ++order) {
    for (double rolloff : rolloffs) {
      const double rippleDb = ripples[row++ % 4];
      SCOPED_TRACE(testing::Message() << "order " << order << " ripple " << rippleDb << " rolloff " << rolloff);
      prototype.design(order, rippleDb, rolloff);
      ASSERT_EQ(layout.getNumPoles(), order);
      const EllipticDefinition definition(order, rippleDb, rolloff);
      const Attenuation attenuation(layout);
      for (Complex p : attenuation.poles()) EXPECT_LT(p.real(), 0.0);
      for (int i = 0; i < order / 2; ++i) {
        EXPECT_EQ(layout[i].zeros.first.real(), 0.0);
        EXPECT_NEAR(layout[i].zeros.first.imag() / definition.transmissionZero(i + 1), 1.0, 1e-13);
      }

      // Pass band: ripple between 0 dB and rippleDb, every ripple reaching both, rippleDb at 1 rad/s.
      // Poles and zeros held in double resolve frequencies near the band edge to about 1e-16 of the
      // transition band xi - 1, which bounds the agreement for narrow transitions.
      const double tolerance = 1e-9 + 1e-13 / (5.0 * std::exp(rolloff - 1.0));
      EXPECT_NEAR(attenuation(1.0), rippleDb, tolerance);
      const auto inPassBand = [&](double t) { return attenuation(definition.passBandFrequency(t)); };
      const std::vector<double> peaks = localExtrema(inPassBand, 16 * order, false);
      EXPECT_EQ(int(peaks.size()), (order - 1) / 2);
      for (double peak : peaks) EXPECT_NEAR(peak, rippleDb, tolerance);
      const std::vector<double> dips = localExtrema(inPassBand, 16 * order, true);
      EXPECT_EQ(int(dips.size()), order / 2);
      for (double dip : dips) EXPECT_NEAR(dip, 0.0, tolerance);

      // Stop band: its edge and every ripple (and infinity, for even orders) at the floor.
      const double floorDb = definition.stopBandDb();
      const double stopTolerance = tolerance + 1e-12 * floorDb;
      EXPECT_NEAR(attenuation(definition.stopBandFrequency(1.0)), floorDb, stopTolerance);
      // t = 0 is infinity itself; the grid starts just short of it.
      const auto inStopBand = [&](double t) { return attenuation(definition.stopBandFrequency(std::max(t, 1e-6))); };
      const std::vector<double> floors = localExtrema(inStopBand, 16 * order, true);
      EXPECT_EQ(int(floors.size()), (order - 1) / 2);
      for (double floor : floors) EXPECT_NEAR(floor, floorDb, stopTolerance);
      if (order % 2 == 0) {
        EXPECT_NEAR(attenuation(1e12), floorDb, stopTolerance);
      }
    }
  }
}

TEST(EllipticPrototype, RolloffsBelowTheNarrowestDesignAsTheNarrowest) {
  Dsp::OwnedLayout<Dsp::Elliptic::kMaxOrder> narrowest;
  Dsp::Elliptic::AnalogLowPass reference(narrowest);
  reference.design(12, 0.1, Dsp::Elliptic::kNarrowestRolloff);
  for (double rolloff : {-40.0, -800.0, -1e300}) {
    Dsp::OwnedLayout<Dsp::Elliptic::kMaxOrder> layout;
    Dsp::Elliptic::AnalogLowPass prototype(layout);
    prototype.design(12, 0.1, rolloff);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(layout[i].poles.first, narrowest[i].poles.first);
      EXPECT_EQ(layout[i].zeros.first, narrowest[i].zeros.first);
    }
  }
}

TEST(EllipticPrototype, VeryWideTransitionsTendToChebyshevPoles) {
  // With xi beyond reach the zeros go to infinity and the poles become Chebyshev type I poles:
  // -sinh(a) sin(theta_i) + j cosh(a) cos(theta_i), a = asinh(1 / e) / n, theta_i = (2i - 1) pi / (2n).
  for (int order : {1, 4, 7}) {
    Dsp::OwnedLayout<Dsp::Elliptic::kMaxOrder> layout;
    Dsp::Elliptic::AnalogLowPass prototype(layout);
    prototype.design(order, 0.5, 1e6);
    const double a = std::asinh(1.0 / std::sqrt(std::pow(10.0, 0.05) - 1.0)) / order;
    for (int i = 1; i <= (order + 1) / 2; ++i) {
      const double theta = (2 * i - 1) * std::numbers::pi / (2.0 * order);
      const Complex pole = layout[i - 1].poles.first;
      EXPECT_NEAR(pole.real(), -std::sinh(a) * std::sin(theta), 1e-13) << order;
      EXPECT_NEAR(pole.imag(), std::cosh(a) * std::cos(theta), 1e-13) << order;
      EXPECT_TRUE(std::isinf(layout[i - 1].zeros.first.real())) << order;
    }
  }
}

TEST(JacobiElliptic, SpecialValuesAndInverse) {
  // k = 1 / sqrt 2: K = Gamma(1/4)^2 / (4 sqrt pi) and sn(K / 2) = 1 / sqrt(1 + k'). k = 0: sn = sin.
  const long double h = std::sqrt(0.5L);
  const Dsp::Elliptic::LandenSequence landen({h, h});
  EXPECT_NEAR(double(landen.quarterPeriod()), std::pow(std::tgamma(0.25), 2.0) / (4.0 * std::sqrt(std::numbers::pi)),
              1e-15);
  EXPECT_NEAR(double(landen.sn(0.5L).real()), double(1.0L / std::sqrt(1.0L + h)), 1e-16);
  const Dsp::Elliptic::LandenSequence circular({0.0L, 1.0L});
  EXPECT_NEAR(double(circular.sn(0.3L).real()), std::sin(0.3 * std::numbers::pi / 2.0), 1e-16);
  for (Dsp::Elliptic::LongComplex w : {Dsp::Elliptic::LongComplex(0.3L, 0.0L), {0.0L, 4.0L}, {0.5L, -0.7L}}) {
    EXPECT_NEAR(double(std::abs(landen.sn(landen.inverseSn(w)) - w)), 0.0, 1e-15);
  }
}

}  // namespace
