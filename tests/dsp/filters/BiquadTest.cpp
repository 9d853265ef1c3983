#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "dsp/filters/Biquad.h"
#include "dsp/filters/Butterworth.h"
#include "dsp/filters/Cascade.h"
#include "dsp/filters/CustomDesigns.h"
#include "dsp/filters/RBJ.h"

namespace {

using Dsp::Complex;

constexpr double kRate = 48000.0;
constexpr double kPi = std::numbers::pi;

// Impulse response of a biquad by its difference equation, then its DTFT at f: an independent route
// to the frequency response for a stable section.
Complex responseFromImpulse(const Dsp::Biquad& stage, double f) {
  double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
  Complex sum = 0.0;
  for (int n = 0; n < 20000; ++n) {
    const double x = n == 0 ? 1.0 : 0.0;
    const double y =
        stage.getB0() * x + stage.getB1() * x1 + stage.getB2() * x2 - stage.getA1() * y1 - stage.getA2() * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    sum += y * std::polar(1.0, -2.0 * kPi * f * n);
  }
  return sum;
}

// The one record a section reads back.
Dsp::StagePoleZeros readBack(const Dsp::Biquad& stage) {
  const std::vector<Dsp::StagePoleZeros> records = stage.poleZeros();
  EXPECT_EQ(records.size(), 1u);
  return records.empty() ? Dsp::StagePoleZeros{} : records.front();
}

double gainDbAt(const Dsp::Biquad& stage, double hz) {
  return 20.0 * std::log10(std::abs(stage.response(hz / kRate)));
}

TEST(Biquad, SinglePoleSectionHasItsZeroAtTheGivenValue) {
  Dsp::Biquad stage;
  stage.assignSinglePole(0.5, -0.8);
  EXPECT_EQ(stage.getB0(), 1.0);
  EXPECT_EQ(stage.getB1(), 0.8);
  EXPECT_EQ(stage.getB2(), 0.0);
  EXPECT_EQ(stage.getA1(), -0.5);
  EXPECT_EQ(stage.getA2(), 0.0);
  // (1 + 0.8) / (1 - 0.5) at DC.
  EXPECT_NEAR(stage.response(0.0).real(), 3.6, 1e-12);
  const Dsp::StagePoleZeros readback = readBack(stage);
  EXPECT_TRUE(readback.set.isSinglePole());
  EXPECT_NEAR(readback.set.poles.first.real(), 0.5, 1e-15);
  EXPECT_NEAR(readback.set.zeros.first.real(), -0.8, 1e-15);
}

TEST(Biquad, PolePairOfTwoRealPolesMultipliesThem) {
  Dsp::Biquad stage;
  stage.assignPolePair(0.5, 1.0, -0.25, -1.0);
  EXPECT_DOUBLE_EQ(stage.getA1(), -0.25);
  EXPECT_DOUBLE_EQ(stage.getA2(), -0.125);
  EXPECT_DOUBLE_EQ(stage.getB1(), 0.0);
  EXPECT_DOUBLE_EQ(stage.getB2(), -1.0);
}

// Real-pole pairs whose second pole is at the origin but whose second zero is not: still a pole pair,
// so both zeros stay. The response is the factored form (1 - q1 e^-jw)(1 - q2 e^-jw) / ((1 - p1 e^-jw)
// (1 - p2 e^-jw)) with p2 = 0, alone and as a cascade normalised to unit gain at DC.
TEST(Biquad, PairWithItsSecondPoleAtTheOriginKeepsBothZeros) {
  struct Row {
    double pole, zero1, zero2;
  };
  const auto factored = [](const Row& row, double f) {
    const Complex z1 = std::polar(1.0, -2.0 * kPi * f);
    return (1.0 - row.zero1 * z1) * (1.0 - row.zero2 * z1) / (1.0 - row.pole * z1);
  };
  for (const Row& row : {Row{0.5, -1.0, 0.3}, Row{-0.7, 0.9, -0.4}, Row{0.2, 0.8, -1.0}}) {
    SCOPED_TRACE(testing::Message() << "pole " << row.pole << " zeros " << row.zero1 << ", " << row.zero2);
    const Dsp::PoleZeroSet set{{row.pole, 0.0}, {row.zero1, row.zero2}};
    Dsp::Biquad stage;
    stage.assignSection(set);
    EXPECT_DOUBLE_EQ(stage.getB2(), row.zero1 * row.zero2);
    EXPECT_EQ(stage.getA2(), 0.0);
    const Dsp::StagePoleZeros readback = readBack(stage);
    EXPECT_FALSE(readback.set.isSinglePole());
    EXPECT_NEAR(std::abs(readback.set.zeros.first * readback.set.zeros.second - row.zero1 * row.zero2), 0.0, 1e-15);

    Dsp::OwnedLayout<2> layout;
    layout.appendPair(set.poles, set.zeros);
    layout.setNormalPoint(0.0, 1.0);
    Dsp::OwnedCascade<1> cascade;
    cascade.buildFromLayout(layout);
    const double dc = std::abs(factored(row, 0.0));
    for (double f : {0.0, 0.07, 0.19, 0.31, 0.5}) {
      EXPECT_NEAR(std::abs(stage.response(f) - factored(row, f)), 0.0, 1e-12) << "f " << f;
      EXPECT_NEAR(std::abs(cascade.response(f) - factored(row, f) / dc), 0.0, 1e-12) << "f " << f;
    }
  }
}

TEST(Biquad, ReadbackReturnsTheAssignedPolesZerosAndGain) {
  Dsp::Biquad stage;
  const Complex pole = std::polar(0.9, 0.3);
  const Complex zero = std::polar(1.0, 1.2);
  Dsp::PoleZeroSet set{{pole, std::conj(pole)}, {zero, std::conj(zero)}};
  stage.assignSectionWithGain(set, 2.0);
  const Dsp::StagePoleZeros readback = readBack(stage);
  EXPECT_NEAR(readback.gain, 2.0, 1e-15);
  EXPECT_NEAR(std::abs(readback.set.poles.first - std::conj(pole)), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(readback.set.poles.second - pole), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(readback.set.zeros.second - zero), 0.0, 1e-12);
}

TEST(Biquad, ResponseAgreesWithTheTransformOfTheImpulseResponse) {
  Dsp::Biquad stage;
  stage.assignCoefficients(2.0, -1.2, 0.5, 0.4, 0.3, -0.1);
  for (double f : {0.0, 0.05, 0.17, 0.25, 0.5}) {
    const Complex expected = responseFromImpulse(stage, f);
    EXPECT_NEAR(std::abs(stage.response(f) - expected), 0.0, 1e-10) << "f " << f;
  }
}

// Roots of a0 + a1 z^-1 + a2 z^-2 and b0 + b1 z^-1 + b2 z^-2 worked out by hand, for sections whose
// a0 is not 1 or whose numerator has lost its leading terms; infinity stands for a missing root.
TEST(Biquad, ReadbackFindsTheRootsOfUnnormalisedAndShortPolynomials) {
  const double inf = INFINITY;
  struct Case {
    const char* name;
    double a0, a1, a2, b0, b1, b2;
    bool single;
    std::vector<Complex> poles;
    std::vector<Complex> zeros;
    double gain;
  };
  const Case cases[] = {
      {"first order over a0 = 2", 2.0, 1.0, 0.0, 4.0, 2.0, 0.0, true, {-0.5}, {-0.5}, 2.0},
      {"numerator without b0",
       1.0,
       -0.5,
       0.25,
       0.0,
       1.0,
       0.5,
       false,
       {Complex(0.25, std::sqrt(0.1875)), Complex(0.25, -std::sqrt(0.1875))},
       {-0.5, inf},
       0.0},
      {"zero numerator",
       1.0,
       -0.5,
       0.25,
       0.0,
       0.0,
       0.0,
       false,
       {Complex(0.25, std::sqrt(0.1875)), Complex(0.25, -std::sqrt(0.1875))},
       {inf, inf},
       0.0},
  };
  // Each expected root matches one of the read-back ones, in either order.
  const auto matches = [](const Dsp::RootPair& got, const std::vector<Complex>& expected) {
    const Complex roots[] = {got.first, got.second};
    std::vector<bool> used(expected.size(), false);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      bool found = false;
      for (std::size_t j = 0; j < expected.size() && !found; ++j) {
        const Complex want = expected[j];
        const bool same = std::isinf(want.real()) ? std::isinf(roots[i].real()) : std::abs(roots[i] - want) < 1e-12;
        if (!used[j] && same) used[j] = found = true;
      }
      if (!found) return false;
    }
    return true;
  };
  for (const Case& c : cases) {
    Dsp::Biquad stage;
    stage.assignCoefficients(c.a0, c.a1, c.a2, c.b0, c.b1, c.b2);
    const Dsp::StagePoleZeros readback = readBack(stage);
    EXPECT_EQ(readback.set.isSinglePole(), c.single) << c.name;
    EXPECT_TRUE(matches(readback.set.poles, c.poles)) << c.name;
    EXPECT_TRUE(matches(readback.set.zeros, c.zeros)) << c.name;
    EXPECT_DOUBLE_EQ(readback.gain, c.gain) << c.name;
  }
}

TEST(Biquad, IdentityAndRefusedZeroA0) {
  Dsp::Biquad stage;
  stage.assignCoefficients(1.0, 0.3, 0.2, 0.5, 0.1, 0.0);
  stage.makeIdentity();
  EXPECT_EQ(stage.response(0.123), Complex(1.0));
  EXPECT_THROW(stage.assignCoefficients(0.0, 1.0, 1.0, 1.0, 1.0, 1.0), std::logic_error);
  EXPECT_EQ(stage.response(0.123), Complex(1.0));
}

TEST(Cascade, BuildScalesTheFirstStageToTheNormalGain) {
  Dsp::OwnedLayout<3> layout;
  layout.appendConjugates(std::polar(0.8, 0.4), -1.0);
  layout.appendSingle(0.3, -1.0);
  layout.setNormalPoint(0.0, 0.5);
  Dsp::OwnedCascade<2> cascade;
  cascade.buildFromLayout(layout);
  ASSERT_EQ(cascade.getNumStages(), 2);
  EXPECT_NEAR(cascade.response(0.0).real(), 0.5, 1e-14);
  EXPECT_EQ(cascade[1].getB0(), 1.0);
  EXPECT_EQ(cascade[1].getA2(), 0.0);
  EXPECT_EQ(cascade[1].getB2(), 0.0);
  const Complex product = responseFromImpulse(cascade[0], 0.1) * responseFromImpulse(cascade[1], 0.1);
  EXPECT_NEAR(std::abs(cascade.response(0.1) - product), 0.0, 1e-10);
}

// Fifty band-pass stages far below their band: each stage's response is small but the product of all numerators
// (and of all denominators) underflows. The cascade's response is the product of the stages' own responses,
// each evaluated here in long double from its coefficients; at DC the band-pass is exactly 0.
TEST(Cascade, ResponseOfManyStagesIsTheProductOfTheirResponses) {
  Dsp::Butterworth::BandPass<50> bandPass;
  bandPass.configure(50, 44100.0, 10.0, 100.0);
  const Dsp::Cascade& cascade = bandPass.getCascade();
  ASSERT_EQ(cascade.getNumStages(), 50);
  for (const double f : {1e-6, 1e-4, 0.3}) {
    using LongComplex = std::complex<long double>;
    const long double w = 2.0L * std::numbers::pi_v<long double> * f;
    const LongComplex z1 = std::polar(1.0L, -w);
    const LongComplex z2 = std::polar(1.0L, -2.0L * w);
    LongComplex expected = 1.0L;
    for (int i = 0; i < cascade.getNumStages(); i++) {
      const Dsp::Biquad& s = cascade[i];
      expected *= (static_cast<long double>(s.getB0()) + static_cast<long double>(s.getB1()) * z1 +
                   static_cast<long double>(s.getB2()) * z2) /
                  (1.0L + static_cast<long double>(s.getA1()) * z1 + static_cast<long double>(s.getA2()) * z2);
    }
    const Complex response = cascade.response(f);
    ASSERT_TRUE(std::isfinite(std::abs(response))) << f;
    // Near DC a stage's numerator in double loses about six digits to cancellation.
    EXPECT_NEAR(std::abs(response) / static_cast<double>(std::abs(expected)), 1.0, 1e-5) << f;
  }
  EXPECT_NEAR(std::abs(cascade.response(1e-6)), 4.0e-35, 0.05e-35);
  EXPECT_EQ(cascade.response(0.0), Complex(0.0));
}

TEST(Cascade, ZeroResponseAtTheNormalPointIsRefusedAndTheStagesKept) {
  Dsp::OwnedLayout<2> good;
  good.appendSingle(0.5, -1.0);
  Dsp::OwnedCascade<1> cascade;
  cascade.buildFromLayout(good);
  const double b0 = cascade[0].getB0();

  Dsp::OwnedLayout<2> zeroAtDc;
  zeroAtDc.appendSingle(0.5, 1.0);
  zeroAtDc.setNormalPoint(0.0, 1.0);
  EXPECT_THROW(cascade.buildFromLayout(zeroAtDc), std::logic_error);
  EXPECT_EQ(cascade[0].getB0(), b0);
}

TEST(Cascade, LayoutLargerThanTheStorageIsRefused) {
  Dsp::OwnedLayout<4> layout;
  layout.appendConjugates({0.5, 0.5}, -1.0);
  layout.appendConjugates({0.2, 0.5}, -1.0);
  Dsp::OwnedCascade<1> cascade;
  EXPECT_THROW(cascade.buildFromLayout(layout), std::logic_error);
  EXPECT_EQ(cascade.getNumStages(), 0);
}

TEST(Cascade, EmptyLayoutIsTheNormalGain) {
  Dsp::OwnedLayout<2> layout;
  layout.setNormalPoint(0.0, 0.25);
  Dsp::OwnedCascade<1> cascade;
  EXPECT_THROW(cascade[0], std::logic_error);
  cascade.buildFromLayout(layout);
  EXPECT_EQ(cascade.getNumStages(), 0);
  EXPECT_EQ(cascade.response(0.3), Complex(1.0));
}

TEST(RBJ, LowPassAtAQuarterOfTheRate) {
  Dsp::RBJ::LowPass lowPass;
  lowPass.configure(kRate, kRate / 4.0, 0.7071);
  const double alpha = 1.0 / (2.0 * 0.7071);
  EXPECT_NEAR(lowPass.getB0(), 0.5 / (1.0 + alpha), 1e-15);
  EXPECT_NEAR(lowPass.getB2(), 0.5 / (1.0 + alpha), 1e-15);
  EXPECT_NEAR(lowPass.getA1(), 0.0, 1e-15);
  EXPECT_NEAR(lowPass.getA0(), 1.0 + alpha, 1e-15);
}

struct GainRow {
  const char* name;
  double hz;
  double expectedDb;
};

// |H| in dB of each design at chosen points, from the RBJ definitions: shelves reach half their gain
// in dB at f0; the peak and band shelf the full gain at f0; the skirt band-pass peaks at Q.
TEST(RBJ, GainsAtTheCharacteristicFrequencies) {
  Dsp::RBJ::LowShelf lowShelf;
  lowShelf.configure(kRate, 1000.0, 12.0, 1.0);
  Dsp::RBJ::HighShelf highShelf;
  highShelf.configure(kRate, 1000.0, 12.0, 1.0);
  Dsp::RBJ::BandShelf bandShelf;
  bandShelf.configure(kRate, 3000.0, -9.0, 1.0);
  Dsp::RBJ::BandPass1 skirt;
  skirt.configure(kRate, 2000.0, 4.0);
  Dsp::RBJ::BandPass2 peak;
  peak.configure(kRate, 2000.0, 4.0);
  Dsp::RBJ::HighPass highPass;
  highPass.configure(kRate, 500.0, std::sqrt(0.5));
  const struct {
    const Dsp::Biquad& stage;
    double hz;
    double expectedDb;
  } rows[] = {{lowShelf, 0.0, 12.0},     {lowShelf, 1000.0, 6.0},
              {lowShelf, 24000.0, 0.0},  {highShelf, 0.0, 0.0},
              {highShelf, 1000.0, 6.0},  {highShelf, 24000.0, 12.0},
              {bandShelf, 0.0, 0.0},     {bandShelf, 3000.0, -9.0},
              {bandShelf, 24000.0, 0.0}, {skirt, 2000.0, 20.0 * std::log10(4.0)},
              {peak, 2000.0, 0.0},       {highPass, 500.0, -3.0103},
              {highPass, 24000.0, 0.0}};
  for (const auto& row : rows) EXPECT_NEAR(gainDbAt(row.stage, row.hz), row.expectedDb, 1e-4) << row.hz << " Hz";
}

TEST(RBJ, BandStopNullsTheCentreAndAllPassKeepsUnitGain) {
  Dsp::RBJ::BandStop bandStop;
  bandStop.configure(kRate, 5000.0, 2.0);
  EXPECT_LT(std::abs(bandStop.response(5000.0 / kRate)), 1e-12);
  Dsp::RBJ::AllPass allPass;
  allPass.configure(kRate, 5000.0, 2.0);
  for (double f : {0.0, 0.01, 0.1, 0.3, 0.5}) EXPECT_NEAR(std::abs(allPass.response(f)), 1.0, 1e-12);
}

TEST(RBJ, BadArgumentsAreRefusedAndTheCoefficientsKept) {
  Dsp::RBJ::LowShelf shelf;
  shelf.configure(kRate, 1000.0, 6.0, 1.0);
  const double b0 = shelf.getB0();
  EXPECT_THROW(shelf.configure(kRate, 1000.0, 24.0, 4.0), std::logic_error);
  EXPECT_THROW(shelf.configure(kRate, 1000.0, 6.0, 0.0), std::logic_error);
  EXPECT_THROW(shelf.configure(kRate, 30000.0, 6.0, 1.0), std::logic_error);
  EXPECT_EQ(shelf.getB0(), b0);
  Dsp::RBJ::LowPass lowPass;
  EXPECT_THROW(lowPass.configure(kRate, 1000.0, 0.0), std::logic_error);
  EXPECT_THROW(lowPass.configure(0.0, 1000.0, 1.0), std::logic_error);
  Dsp::RBJ::BandShelf bandShelf;
  EXPECT_THROW(bandShelf.configure(kRate, 1000.0, 6.0, -1.0), std::logic_error);
}

TEST(CustomDesigns, OnePoleAndTwoPole) {
  Dsp::Custom::OnePole onePole;
  onePole.configure(2.0, 0.5, -1.0);
  // 2 (1 + 1) / (1 - 0.5) at DC, 0 at Nyquist.
  EXPECT_NEAR(onePole.response(0.0).real(), 8.0, 1e-12);
  EXPECT_NEAR(std::abs(onePole.response(0.5)), 0.0, 1e-12);

  Dsp::Custom::TwoPole twoPole;
  twoPole.configure(0.5, 0.9, kPi / 3.0, 1.0, kPi / 2.0);
  EXPECT_NEAR(twoPole.getA1(), -2.0 * 0.9 * std::cos(kPi / 3.0), 1e-15);
  EXPECT_NEAR(twoPole.getA2(), 0.81, 1e-15);
  EXPECT_NEAR(twoPole.getB0(), 0.5, 1e-15);
  EXPECT_NEAR(twoPole.getB2(), 0.5, 1e-15);
  EXPECT_LT(std::abs(twoPole.response(0.25)), 1e-12);
  EXPECT_THROW(twoPole.configure(1.0, 0.5, NAN, 0.5, 0.0), std::logic_error);
  EXPECT_THROW(twoPole.configure(1.0, INFINITY, 0.0, 0.5, 0.0), std::logic_error);
}

// A negative radius: a1 = -2 rho cos theta and a2 = rho^2, i.e. the pair at |rho| e^(+-i (theta + pi)).
TEST(CustomDesigns, TwoPoleTakesANegativeRadius) {
  struct Row {
    double poleRho, poleTheta, zeroRho, zeroTheta;
  };
  for (const Row& row : {Row{-0.5, 0.3, -0.9, 1.0}, Row{-0.8, 0.0, 0.7, kPi / 2.0}, Row{0.6, 2.0, -1.0, 0.25}}) {
    Dsp::Custom::TwoPole twoPole;
    twoPole.configure(1.0, row.poleRho, row.poleTheta, row.zeroRho, row.zeroTheta);
    EXPECT_NEAR(twoPole.getA1(), -2.0 * row.poleRho * std::cos(row.poleTheta), 1e-15) << row.poleRho;
    EXPECT_NEAR(twoPole.getA2(), row.poleRho * row.poleRho, 1e-15) << row.poleRho;
    EXPECT_NEAR(twoPole.getB1(), -2.0 * row.zeroRho * std::cos(row.zeroTheta), 1e-15) << row.zeroRho;
    EXPECT_NEAR(twoPole.getB2(), row.zeroRho * row.zeroRho, 1e-15) << row.zeroRho;
    // The zero on the unit circle (|zeroRho| = 1) silences its mirrored frequency.
    if (std::fabs(row.zeroRho) == 1.0) {
      const double w = row.zeroRho < 0.0 ? row.zeroTheta + kPi : row.zeroTheta;
      EXPECT_LT(std::abs(twoPole.response(w / (2.0 * kPi))), 1e-12);
    }
  }
}

}  // namespace
