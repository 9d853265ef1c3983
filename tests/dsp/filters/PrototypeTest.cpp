#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "dsp/filters/AnalogBessel.h"
#include "dsp/filters/AnalogButterworth.h"
#include "dsp/filters/AnalogChebyshev.h"
#include "dsp/filters/AnalogElliptic.h"
#include "dsp/filters/AnalogLegendre.h"

namespace {

using Dsp::Complex;
using Dsp::PoleZeroLayout;

// All poles of a layout (each pair's two, the single one).
std::vector<Complex> polesOf(const PoleZeroLayout& layout) {
  std::vector<Complex> poles;
  for (int i = 0; i < layout.getNumSets(); ++i) {
    poles.push_back(layout[i].poles.first);
    if (!layout[i].isSinglePole()) poles.push_back(layout[i].poles.second);
  }
  return poles;
}

std::vector<Complex> finiteZerosOf(const PoleZeroLayout& layout) {
  std::vector<Complex> zeros;
  for (int i = 0; i < layout.getNumSets(); ++i) {
    for (Complex z : {layout[i].zeros.first, layout[i].zeros.second}) {
      if (std::isfinite(z.real()) && !(layout[i].isSinglePole() && z == layout[i].zeros.second)) zeros.push_back(z);
    }
  }
  return zeros;
}

// prod (s - z) / prod (s - p) over the finite zeros.
Complex analogResponse(const PoleZeroLayout& layout, Complex s) {
  Complex h = 1.0;
  for (Complex p : polesOf(layout)) h /= s - p;
  for (Complex z : finiteZerosOf(layout)) h *= s - z;
  return h;
}

// |H(jw)| relative to |H(0)|.
double relativeMagnitude(const PoleZeroLayout& layout, double w) {
  return std::abs(analogResponse(layout, Complex(0.0, w)) / analogResponse(layout, 0.0));
}

// Upper-half-plane poles (and the real one) against a reference list of (re, |im|).
void expectUpperPoles(const PoleZeroLayout& layout, const std::vector<Complex>& reference, double tolerance) {
  ASSERT_EQ(layout.getNumSets(), int(reference.size()));
  for (size_t i = 0; i < reference.size(); ++i) {
    const Complex p = layout[int(i)].poles.first;
    EXPECT_NEAR(p.real(), reference[i].real(), tolerance) << "set " << i;
    EXPECT_NEAR(std::abs(p.imag()), reference[i].imag(), tolerance) << "set " << i;
  }
}

struct ButterworthRow {
  int order;
  std::vector<Complex> upperPoles;
};

TEST(ButterworthPrototype, FirstOrdersPlaceThePolesOnTheUnitCircle) {
  const double h = std::sqrt(0.5);
  const std::vector<ButterworthRow> rows = {{1, {-1.0}}, {2, {{-h, h}}}, {3, {{-0.5, std::sqrt(0.75)}, -1.0}}};
  for (const ButterworthRow& row : rows) {
    Dsp::OwnedLayout<8> layout;
    Dsp::Butterworth::AnalogLowPass prototype(layout);
    prototype.design(row.order);
    SCOPED_TRACE(row.order);
    EXPECT_EQ(layout.getNumPoles(), row.order);
    expectUpperPoles(layout, row.upperPoles, 1e-15);
    EXPECT_TRUE(std::isinf(layout[0].zeros.first.real()));
    EXPECT_EQ(layout.getNormalW(), 0.0);
    EXPECT_EQ(layout.getNormalGain(), 1.0);
  }
}

TEST(ButterworthPrototype, ShelfGainIsReachedAtDc) {
  Dsp::OwnedLayout<8> layout;
  Dsp::Butterworth::AnalogLowShelf prototype(layout);
  prototype.design(5, -9.0);
  EXPECT_NEAR(std::abs(analogResponse(layout, 0.0)), std::pow(10.0, -9.0 / 20.0), 1e-12);
  EXPECT_NEAR(std::abs(analogResponse(layout, Complex(0.0, 1e6))), 1.0, 1e-5);
  EXPECT_EQ(layout.getNormalW(), std::numbers::pi);
}

TEST(PrototypeCache, SameArgumentsLeaveTheLayoutUntouchedAndANewGainRedesigns) {
  Dsp::OwnedLayout<8> layout;
  Dsp::Butterworth::AnalogLowShelf prototype(layout);
  prototype.design(4, 6.0);
  layout.setNormalPoint(1.25, 7.0);
  prototype.design(4, 6.0);
  EXPECT_EQ(layout.getNormalW(), 1.25);
  prototype.design(4, 3.0);
  EXPECT_EQ(layout.getNormalW(), std::numbers::pi);
  EXPECT_EQ(layout.getNormalGain(), 1.0);
}

TEST(PrototypeLimits, OrderBeyondTheStorageIsRefusedAndTheLayoutKept) {
  Dsp::OwnedLayout<3> layout;
  Dsp::Butterworth::AnalogLowPass butterworth(layout);
  butterworth.design(3);
  EXPECT_THROW(butterworth.design(4), std::logic_error);
  EXPECT_EQ(layout.getNumPoles(), 3);
  Dsp::Bessel::AnalogLowPass bessel(layout);
  EXPECT_THROW(bessel.design(4), std::logic_error);
  Dsp::Elliptic::AnalogLowPass elliptic(layout);
  EXPECT_THROW(elliptic.design(5, 0.5, 0.0), std::logic_error);
  EXPECT_THROW(elliptic.design(0, 0.5, 0.0), std::logic_error);
  EXPECT_EQ(layout.getNumPoles(), 3);
}

TEST(PrototypeLimits, AppendingPastTheStorageIsRefused) {
  Dsp::OwnedLayout<2> layout;
  layout.appendConjugates({-1.0, 1.0}, Dsp::infinity());
  EXPECT_THROW(layout.appendSingle(-1.0, Dsp::infinity()), std::logic_error);
  EXPECT_EQ(layout.getNumPoles(), 2);
}

TEST(PrototypeLimits, NonPositiveRippleOrAttenuationIsRefused) {
  Dsp::OwnedLayout<8> layout;
  Dsp::ChebyshevI::AnalogLowPass chebyshevI(layout);
  EXPECT_THROW(chebyshevI.design(4, 0.0), std::logic_error);
  EXPECT_THROW(chebyshevI.design(4, NAN), std::logic_error);
  // An infinite attenuation would give eps = 0 and poles of NaN.
  Dsp::ChebyshevII::AnalogLowPass chebyshevII(layout);
  const double badStopBands[] = {-1.0, 0.0, INFINITY, NAN};
  for (double stopBandDb : badStopBands) {
    EXPECT_THROW(chebyshevII.design(4, stopBandDb), std::logic_error) << stopBandDb;
  }
  EXPECT_EQ(layout.getNumPoles(), 0);
  Dsp::AnalogRippleShelf shelf(layout);
  EXPECT_THROW(shelf.design(4, 6.0, 0.0), std::logic_error);
  EXPECT_THROW(shelf.design(4, INFINITY, 1.0), std::logic_error);
}

// Reference: the roots of the reverse Bessel polynomial (unit group delay at DC), computed independently
// of this code in double precision; upper-half poles then the real one.
const std::vector<std::vector<Complex>> kBesselPoles = {
    {{-0.99999999999999978, 0}},
    {{-1.5, 0.86602540378443882}},
    {{-1.838907322686957, 1.7543809597837212}, {-2.3221853546260856, 0}},
    {{-2.1037893971796269, 2.6574180418567526}, {-2.8962106028203722, 0.8672341289345038}},
    {{-2.324674303181645, 3.5710229203379762}, {-3.3519563991535333, 1.7426614161831979}, {-3.6467385953296425, 0}},
    {{-2.515932247810821, 4.4926729536539423},
     {-3.7357083563258136, 2.6262723114471256},
     {-4.2483593958633632, 0.86750967323136563}},
    {{-2.6856768789432675, 5.4206941307167495},
     {-4.0701391636381388, 3.5171740477097537},
     {-4.7582905281546308, 1.7392860611305372},
     {-4.9717868585279357, 0}},
    {{-2.8389839488976314, 6.3539112986048778},
     {-4.3682892172024017, 4.4144425004715391},
     {-5.2048407906368821, 2.6161751526425272},
     {-5.5878860432630866, 0.86761444535278653}},
    {{-2.9792607981800741, 7.2914636883421853},
     {-4.6384398871803922, 5.3172716754356522},
     {-5.6044218195077811, 3.4981569178860936},
     {-6.1293679042742726, 1.7378483834808627},
     {-6.2970191817149681, 0}},
    {{-3.1089162336490967, 8.2326994590735865},
     {-4.8862195668590021, 6.2249854824715687},
     {-5.9675283285877869, 4.3849471889419327},
     {-6.6152909654768672, 2.611567920800089},
     {-6.9220449054272466, 0.86766519545122145}},
};

TEST(BesselPrototype, PolesMatchTheReferenceForOrders1To10) {
  for (int order = 1; order <= 10; ++order) {
    Dsp::OwnedLayout<Dsp::Bessel::kMaxOrder> layout;
    Dsp::Bessel::AnalogLowPass prototype(layout);
    prototype.design(order);
    SCOPED_TRACE(order);
    EXPECT_EQ(layout.getNumPoles(), order);
    expectUpperPoles(layout, kBesselPoles[order - 1], 1e-9);
  }
}

TEST(BesselPrototype, PolesOfEveryOrderAreTheRootsOfTheReverseBesselPolynomial) {
  Dsp::OwnedLayout<Dsp::Bessel::kMaxOrder> layout;
  Dsp::Bessel::AnalogLowPass prototype(layout);
  for (int n = 1; n <= Dsp::Bessel::kMaxOrder; ++n) {
    prototype.design(n);
    // prod (s - p) expanded, against (2n - k)! / ((n - k)! k! 2^(n - k)) from the log-gamma function.
    std::vector<Complex> c{1.0};
    for (Complex p : polesOf(layout)) {
      std::vector<Complex> next(c.size() + 1, 0.0);
      for (size_t i = 0; i < c.size(); ++i) {
        next[i + 1] += c[i];
        next[i] -= p * c[i];
      }
      c = next;
    }
    ASSERT_EQ(int(c.size()), n + 1);
    for (int k = 0; k <= n; ++k) {
      const double expected =
          std::exp(std::lgamma(2 * n - k + 1) - std::lgamma(n - k + 1) - std::lgamma(k + 1) - (n - k) * std::log(2.0));
      EXPECT_NEAR(c[k].real() / expected, 1.0, 1e-5) << "order " << n << " coefficient " << k;
      EXPECT_NEAR(c[k].imag() / expected, 0.0, 1e-5) << "order " << n << " coefficient " << k;
    }
  }
}

// The reverse Bessel polynomials' integer coefficients (the Bessel triangle), constant term first.
TEST(BesselPrototype, ReverseBesselPolynomialCoefficientsAreTheBesselTriangle) {
  const std::vector<std::vector<double>> rows = {{1, 1},
                                                 {3, 3, 1},
                                                 {15, 15, 6, 1},
                                                 {105, 105, 45, 10, 1},
                                                 {945, 945, 420, 105, 15, 1},
                                                 {10395, 10395, 4725, 1260, 210, 21, 1}};
  for (const std::vector<double>& row : rows) {
    const int n = int(row.size()) - 1;
    std::vector<Complex> c(row.size());
    Dsp::Bessel::reverseBesselPolynomial(n, c.data());
    for (int k = 0; k <= n; ++k) EXPECT_EQ(c[k], Complex(row[k], 0.0)) << "order " << n << " coefficient " << k;
  }
  // Order 10: c[0] = c[1] = 19!! = 654,729,075, c[8] = 9 x 10 x 11 x 12 / 8, c[9] = 10 x 11 / 2.
  std::vector<Complex> c(11);
  Dsp::Bessel::reverseBesselPolynomial(10, c.data());
  EXPECT_EQ(c[0].real(), 654729075.0);
  EXPECT_EQ(c[1].real(), 654729075.0);
  EXPECT_EQ(c[8].real(), 1485.0);
  EXPECT_EQ(c[9].real(), 55.0);
}

TEST(BesselPrototype, ShelfWithRealZerosKeepsBothOfThem) {
  // Order 2 at -12 dB: the zero polynomial s^2 + 3s + 3G has two real roots.
  Dsp::OwnedLayout<4> layout;
  Dsp::Bessel::AnalogLowShelf prototype(layout);
  prototype.design(2, -12.0);
  const double g = std::pow(10.0, -12.0 / 20.0);
  const double d = std::sqrt(9.0 - 12.0 * g);
  const std::vector<Complex> zeros = finiteZerosOf(layout);
  ASSERT_EQ(zeros.size(), 2u);
  EXPECT_NEAR(std::min(zeros[0].real(), zeros[1].real()), (-3.0 - d) / 2.0, 1e-12);
  EXPECT_NEAR(std::max(zeros[0].real(), zeros[1].real()), (-3.0 + d) / 2.0, 1e-12);
  EXPECT_NEAR(std::abs(analogResponse(layout, 0.0)), g, 1e-12);
}

// L_n(w^2) from the optimum-L literature, coefficients of y = w^2 from the constant term up.
TEST(LegendrePrototype, OptimumLPolynomialsOfTheFirstOrders) {
  const std::vector<std::vector<double>> expected = {
      {0, 1}, {0, 0, 1}, {0, 1, -3, 3}, {0, 0, 3, -8, 6}, {0, 1, -8, 28, -40, 20}};
  for (size_t i = 0; i < expected.size(); ++i) {
    const int order = int(i) + 1;
    std::vector<double> l(order + 1);
    Dsp::Legendre::optimumLPolynomial(order, l.data());
    for (int k = 0; k <= order; ++k)
      EXPECT_NEAR(l[k], expected[i][k], 1e-12) << "order " << order << " coefficient " << k;
  }
}

TEST(LegendrePrototype, MagnitudeFollowsTheOptimumLPolynomialAtEveryOrder) {
  Dsp::OwnedLayout<Dsp::Legendre::kMaxOrder> layout;
  Dsp::Legendre::AnalogLowPass prototype(layout);
  for (int n = 1; n <= Dsp::Legendre::kMaxOrder; ++n) {
    prototype.design(n);
    ASSERT_EQ(layout.getNumPoles(), n);
    std::vector<double> l(n + 1);
    Dsp::Legendre::optimumLPolynomial(n, l.data());
    for (double w : {0.3, 0.7, 1.0, 1.2}) {
      double lw = 0.0;
      for (int k = n; k >= 0; --k) lw = lw * w * w + l[k];
      const double expected = 1.0 / std::sqrt(1.0 + lw);
      EXPECT_NEAR(relativeMagnitude(layout, w), expected, 1e-6 * (1.0 + expected)) << "order " << n << " w " << w;
    }
    for (Complex p : polesOf(layout)) EXPECT_LT(p.real(), 0.0) << "order " << n;
  }
}

TEST(EllipticPrototype, CompleteEllipticIntegral) {
  // K(0) = pi / 2; K(1 / sqrt 2) = Gamma(1/4)^2 / (4 sqrt(pi)).
  EXPECT_NEAR(Dsp::Elliptic::completeEllipticIntegral(0.0), std::numbers::pi / 2.0, 1e-15);
  EXPECT_NEAR(Dsp::Elliptic::completeEllipticIntegral(std::sqrt(0.5)),
              std::pow(std::tgamma(0.25), 2.0) / (4.0 * std::sqrt(std::numbers::pi)), 1e-14);
}

struct EllipticRow {
  int order;
  double rippleDb;
  double rolloff;
  double stopBandDb;
  std::vector<Complex> upperPoles;
  std::vector<double> zeroFrequencies;
};

// Reference: poles and zero frequencies of the elliptic prototype's closed form, computed independently
// of this code in double precision for the given order, ripple and stop-band depth. The depth is solved
// from the degree equation K(k)/K'(k) = n K(k1)/K'(k1), with k = 1 / (5 e^(rolloff - 1) + 1).
const std::vector<EllipticRow> kElliptic = {
    {3,
     0.5,
     0,
     41.288569566839598,
     {{-0.29244293930209847, 1.0297543212522906}, {-0.65595429098252944, 0}},
     {3.2521834224787001}},
    {4,
     1,
     0,
     65.377443950795964,
     {{-0.13101780346569311, 0.98620951449917371}, {-0.34363331863353208, 0.42333213584178264}},
     {3.0588069826606699, 7.2151485474065504}},
    {5,
     0.1,
     -1,
     49.705378802933289,
     {{-0.12587594315763312, 1.0698299496036097},
      {-0.42360401606367176, 0.7491475268115414},
      {-0.62010132941212859, 0}},
     {1.74594114467378, 2.6634596792551699}},
    {6,
     0.5,
     1,
     144.08234001464766,
     {{-0.076537734310132999, 1.0084673621062472},
      {-0.21125724502427914, 0.7413047983094474},
      {-0.29156004275195935, 0.2724659011726499}},
     {6.20874204426406, 8.4555590411632604, 23.030692299575922}},
    {7,
     0.01,
     0,
     107.33802531837925,
     {{-0.11347510623220772, 1.109368793888468},
      {-0.33325534977878657, 0.91158850749754705},
      {-0.51131253582242853, 0.52218421446093688},
      {-0.5831472194479751, 0}},
     {2.9077607575369999, 3.5861313627657201, 6.3725663463648399}},
    {8,
     1,
     -2,
     77.76094398553596,
     {{-0.020406717256245595, 0.9984782991678125},
      {-0.071922595018330621, 0.90374473715857673},
      {-0.14693449738103573, 0.66975105555912595},
      {-0.21830030966715724, 0.2555400269092748}},
     {1.2632168051083801, 1.4042366279284499, 1.9181217272131701, 5.08921171993578}},
    {10,
     0.2,
     -0.5,
     154.8319713956493,
     {{-0.030822032186845399, 1.0110844690873084},
      {-0.092769907810592522, 0.92415947814716393},
      {-0.15334371125946208, 0.74952125811262316},
      {-0.20519157126552945, 0.49210263458706743},
      {-0.23614510194774516, 0.17198427588712964}},
     {2.1388638746451099, 2.3449543121609699, 2.9017912621634601, 4.4370120285861496, 12.72842875685031}},
};

TEST(EllipticPrototype, PolesAndZerosMatchTheReference) {
  for (const EllipticRow& row : kElliptic) {
    Dsp::OwnedLayout<Dsp::Elliptic::kMaxOrder> layout;
    Dsp::Elliptic::AnalogLowPass prototype(layout);
    prototype.design(row.order, row.rippleDb, row.rolloff);
    SCOPED_TRACE(row.order);
    EXPECT_EQ(layout.getNumPoles(), row.order);
    expectUpperPoles(layout, row.upperPoles, 1e-9);
    for (size_t i = 0; i < row.zeroFrequencies.size(); ++i) {
      EXPECT_EQ(layout[int(i)].zeros.first.real(), 0.0);
      EXPECT_NEAR(layout[int(i)].zeros.first.imag(), row.zeroFrequencies[i], 1e-9 * row.zeroFrequencies[i]);
    }
    const double passGain = row.order % 2 != 0 ? 1.0 : std::pow(10.0, -row.rippleDb / 20.0);
    EXPECT_DOUBLE_EQ(layout.getNormalGain(), passGain);
    const double ripple = std::pow(10.0, -row.rippleDb / 20.0);
    EXPECT_NEAR(relativeMagnitude(layout, 1.0) * passGain, ripple, 1e-12);
    const double xi = 5.0 * std::exp(row.rolloff - 1.0) + 1.0;
    const double stopBand = std::pow(10.0, -row.stopBandDb / 20.0);
    EXPECT_NEAR(relativeMagnitude(layout, xi) * passGain, stopBand, 1e-9 * stopBand);
  }
}

// Why the elliptic prototype is designed in closed form: the prototype's written step that turns each
// quadratic factor 1 + p s + q s^2 of the denominator into a pole pair (p / 10, q / 100, d = 1 + p + q,
// b = (1 + p / 2) fb^2 / d, zf = fb / d^(1/4), zq = 1 / sqrt|2 (1 - b / zf^2)|, zw = 2 pi zf, pole
// (-zw / (2 zq), sqrt|zw^2 / zq^2 - 4 zw^2| / 2), fb = 1 / (2 pi)) gives a pole of magnitude
// (1 + p + q)^(-1/4) where the factor's roots have q^(-1/2). Fed the exact factors of a sound design,
// in the seed list's scale (10 p, 100 q) or unscaled, it moves the poles, and the pass band built on
// those poles and the design's own zeros no longer stays within its ripple.
TEST(EllipticPrototype, TheWrittenQuadraticFactorStepDoesNotGiveTheFactorsRoots) {
  const double fb = 1.0 / (2.0 * std::numbers::pi);
  const auto writtenPole = [fb](double pIn, double qIn) {
    const double p = pIn / 10.0;
    const double q = qIn / 100.0;
    const double d = 1.0 + p + q;
    const double b = (1.0 + p / 2.0) * fb * fb / d;
    const double zf = fb / std::pow(d, 0.25);
    const double zq = 1.0 / std::sqrt(std::fabs(2.0 * (1.0 - b / (zf * zf))));
    const double zw = 2.0 * std::numbers::pi * zf;
    return Complex(-zw / (2.0 * zq), std::sqrt(std::fabs(zw * zw / (zq * zq) - 4.0 * zw * zw)) / 2.0);
  };
  const double rippleDb = 1.0;
  for (const int order : {2, 4, 6}) {
    for (const double scale : {10.0, 1.0}) {
      SCOPED_TRACE(testing::Message() << "order " << order << ", factors scaled by " << scale);
      Dsp::OwnedLayout<Dsp::Elliptic::kMaxOrder> layout;
      Dsp::Elliptic::AnalogLowPass prototype(layout);
      prototype.design(order, rippleDb, 0.0);
      Dsp::OwnedLayout<Dsp::Elliptic::kMaxOrder> written;
      double worstMove = 0.0;
      for (int i = 0; i < layout.getNumSets(); ++i) {
        const Complex pole = layout[i].poles.first;
        const double q = 1.0 / std::norm(pole);
        const double p = -2.0 * pole.real() / std::norm(pole);
        ASSERT_LT(std::abs(1.0 + p * pole + q * pole * pole), 1e-12);
        const Complex moved = writtenPole(scale * p, scale * scale * q);
        EXPECT_NEAR(std::abs(moved), std::pow(1.0 + scale * p / 10.0 + scale * scale * q / 100.0, -0.25), 1e-12)
            << "set " << i;
        worstMove = std::max(worstMove, std::abs(moved - pole) / std::abs(pole));
        written.appendConjugates(moved, layout[i].zeros.first);
      }
      EXPECT_GT(worstMove, 0.05);
      // Relative to DC, a sound even-order pass band lies within [1, 1 / ripple] up to 1 rad/s.
      const double ripple = std::pow(10.0, -rippleDb / 20.0);
      double lo = INFINITY;
      double hi = 0.0;
      for (int k = 0; k <= 1000; ++k) {
        lo = std::min(lo, relativeMagnitude(layout, k / 1000.0));
        hi = std::max(hi, relativeMagnitude(layout, k / 1000.0));
      }
      EXPECT_GE(lo, 1.0 - 1e-9);
      EXPECT_LE(hi, 1.0 / ripple + 1e-9);
      double writtenLo = INFINITY;
      double writtenHi = 0.0;
      for (int k = 0; k <= 1000; ++k) {
        writtenLo = std::min(writtenLo, relativeMagnitude(written, k / 1000.0));
        writtenHi = std::max(writtenHi, relativeMagnitude(written, k / 1000.0));
      }
      EXPECT_TRUE(writtenLo < 0.9 || writtenHi > 1.2 / ripple) << writtenLo << " .. " << writtenHi;
    }
  }
}

TEST(RippleShelf, RippleAboveTheGainDesignsAsARippleEqualToTheGain) {
  Dsp::OwnedLayout<8> above;
  Dsp::AnalogRippleShelf a(above);
  a.design(4, -3.0, 10.0);
  Dsp::OwnedLayout<8> equal;
  Dsp::AnalogRippleShelf b(equal);
  b.design(4, -3.0, 3.0);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(above[i].poles.first, equal[i].poles.first);
    EXPECT_EQ(above[i].zeros.first, equal[i].zeros.first);
  }
}

TEST(RippleShelf, ZeroGainIsTheIdentity) {
  for (int order = 1; order <= 5; ++order) {
    Dsp::OwnedLayout<8> layout;
    Dsp::AnalogRippleShelf prototype(layout);
    prototype.design(order, 0.0, 1.0);
    EXPECT_EQ(layout.getNumPoles(), order);
    for (int i = 0; i < layout.getNumSets(); ++i) {
      EXPECT_TRUE(std::isfinite(layout[i].poles.first.real()));
      EXPECT_LT(layout[i].poles.first.real(), 0.0);
      EXPECT_EQ(layout[i].poles.first, layout[i].zeros.first);
    }
  }
}

}  // namespace
