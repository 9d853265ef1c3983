#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "dsp/filters/AnalogButterworth.h"
#include "dsp/filters/Transforms.h"

namespace {

using Dsp::Complex;

constexpr double kPi = std::numbers::pi;

struct Prototype {
  Dsp::OwnedLayout<8> layout;
  Dsp::Butterworth::AnalogLowPass design{layout};
};

TEST(LowPassTransform, OrderTwoAtAQuarterPutsThePolesOnTheImaginaryAxis) {
  Prototype analog;
  analog.design.design(2);
  Dsp::OwnedLayout<8> digital;
  Dsp::LowPassTransform(0.25, digital, analog.layout);
  ASSERT_EQ(digital.getNumPoles(), 2);
  EXPECT_NEAR(digital[0].poles.first.real(), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(digital[0].poles.first.imag()), std::sqrt(2.0) - 1.0, 1e-15);
  EXPECT_EQ(digital[0].zeros.first, Complex(-1.0));
  EXPECT_EQ(digital[0].zeros.second, Complex(-1.0));
  EXPECT_EQ(digital.getNormalW(), 0.0);
}

TEST(HighPassTransform, MovesTheNormalPointToNyquistAndTheZerosToDc) {
  Prototype analog;
  analog.design.design(3);
  Dsp::OwnedLayout<8> digital;
  Dsp::HighPassTransform(0.1, digital, analog.layout);
  EXPECT_EQ(digital.getNumPoles(), 3);
  EXPECT_EQ(digital.getNormalW(), kPi);
  EXPECT_EQ(digital[1].zeros.first, Complex(1.0));
}

TEST(BandTransforms, DoubleThePoleCount) {
  for (int order = 1; order <= 8; ++order) {
    Prototype analog;
    analog.design.design(order);
    Dsp::OwnedLayout<16> digital;
    Dsp::BandPassTransform(0.1, 0.02, digital, analog.layout);
    EXPECT_EQ(digital.getNumPoles(), 2 * order);
    Dsp::BandStopTransform(0.1, 0.02, digital, analog.layout);
    EXPECT_EQ(digital.getNumPoles(), 2 * order);
    EXPECT_EQ(digital.getNormalW(), kPi);
  }
}

// Poles of two layouts agree set by set.
void expectSamePoles(const Dsp::PoleZeroLayout& a, const Dsp::PoleZeroLayout& b) {
  ASSERT_EQ(a.getNumPoles(), b.getNumPoles());
  for (int i = 0; i < a.getNumSets(); ++i) {
    EXPECT_NEAR(std::abs(a[i].poles.first - b[i].poles.first), 0.0, 1e-12);
    EXPECT_NEAR(std::abs(a[i].poles.second - b[i].poles.second), 0.0, 1e-12);
  }
}

TEST(BandTransforms, EdgesBeyondTheRangeAreClampedBeforeUse) {
  Prototype analog;
  analog.design.design(3);
  // Upper edge 2 pi (0.45 + 0.1) is beyond pi - 0.001; the same band given with that edge directly.
  const double lower = 2.0 * kPi * 0.45 - kPi * 0.2;
  const double upper = kPi - 0.001;
  Dsp::OwnedLayout<8> clamped;
  Dsp::OwnedLayout<8> direct;
  Dsp::BandPassTransform(0.45, 0.2, clamped, analog.layout);
  Dsp::BandPassTransform((lower + upper) / (4.0 * kPi), (upper - lower) / (2.0 * kPi), direct, analog.layout);
  expectSamePoles(clamped, direct);
  // Lower edge below 0 is raised to 1e-8.
  const double top = 2.0 * kPi * 0.01 + kPi * 0.04;
  Dsp::BandStopTransform(0.01, 0.04, clamped, analog.layout);
  Dsp::BandStopTransform((1e-8 + top) / (4.0 * kPi), (top - 1e-8) / (2.0 * kPi), direct, analog.layout);
  expectSamePoles(clamped, direct);
}

TEST(BandTransforms, BandOutsideTheSpectrumIsRefusedAndTheLayoutKept) {
  Prototype analog;
  analog.design.design(2);
  Dsp::OwnedLayout<8> digital;
  Dsp::BandPassTransform(0.1, 0.02, digital, analog.layout);
  EXPECT_THROW(Dsp::BandPassTransform(0.4999, 0.0001, digital, analog.layout), std::logic_error);
  EXPECT_THROW(Dsp::BandPassTransform(0.1, 0.0, digital, analog.layout), std::logic_error);
  EXPECT_THROW(Dsp::GeometricBandStopTransform(48000.0, 1000.0, -1.0, digital, analog.layout), std::logic_error);
  EXPECT_EQ(digital.getNumPoles(), 4);
  Dsp::OwnedLayout<2> small;
  EXPECT_THROW(Dsp::BandPassTransform(0.1, 0.02, small, analog.layout), std::logic_error);
  EXPECT_EQ(small.getNumPoles(), 0);
}

TEST(GeometricTransforms, QOfOneSpansAnOctaveEachSide) {
  Prototype analog;
  analog.design.design(2);
  Dsp::OwnedLayout<8> geometric;
  Dsp::OwnedLayout<8> direct;
  Dsp::GeometricBandPassTransform(48000.0, 1000.0, 1.0, geometric, analog.layout);
  // Edges 500 Hz and 2000 Hz given as centre and width in normalised units.
  Dsp::BandPassTransform(1250.0 / 48000.0, 1500.0 / 48000.0, direct, analog.layout);
  expectSamePoles(geometric, direct);
}

}  // namespace
