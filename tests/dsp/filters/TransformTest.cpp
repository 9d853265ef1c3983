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

// Edges below 2^-15 are raised to it and edges above pi - 0.001 lowered to it before use, also for a
// centre at or beyond DC or Nyquist: each band gives the poles of the band given by its kept edges.
TEST(BandTransforms, EdgesBeyondTheRangeAreClampedBeforeUse) {
  struct Row {
    double fc;
    double fw;
    double lower;  // the edges kept, in radians per sample
    double upper;
  };
  const double top = kPi - 0.001;
  const double bottom = 0x1p-15;
  const Row rows[] = {
      {0.45, 0.2, 2.0 * kPi * 0.45 - kPi * 0.2, top},
      {0.01, 0.04, bottom, 2.0 * kPi * 0.01 + kPi * 0.04},
      {0.0, 0.04, bottom, kPi * 0.04},
      {0.5, 0.04, kPi - kPi * 0.04, top},
      {-0.01, 0.06, bottom, -2.0 * kPi * 0.01 + kPi * 0.06},
      {0.52, 0.1, 2.0 * kPi * 0.52 - kPi * 0.1, top},
  };
  Prototype analog;
  analog.design.design(3);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "centre " << row.fc << " width " << row.fw);
    const double fc = (row.lower + row.upper) / (4.0 * kPi);
    const double fw = (row.upper - row.lower) / (2.0 * kPi);
    Dsp::OwnedLayout<8> clamped;
    Dsp::OwnedLayout<8> direct;
    Dsp::BandPassTransform(row.fc, row.fw, clamped, analog.layout);
    Dsp::BandPassTransform(fc, fw, direct, analog.layout);
    expectSamePoles(clamped, direct);
    Dsp::BandStopTransform(row.fc, row.fw, clamped, analog.layout);
    Dsp::BandStopTransform(fc, fw, direct, analog.layout);
    expectSamePoles(clamped, direct);
  }
}

TEST(BandTransforms, BandOutsideTheSpectrumIsRefusedAndTheLayoutKept) {
  Prototype analog;
  analog.design.design(2);
  Dsp::OwnedLayout<8> digital;
  Dsp::BandPassTransform(0.1, 0.02, digital, analog.layout);
  EXPECT_THROW(Dsp::BandPassTransform(0.4999, 0.0001, digital, analog.layout), std::logic_error);
  EXPECT_THROW(Dsp::BandStopTransform(0.7, 0.2, digital, analog.layout), std::logic_error);
  EXPECT_THROW(Dsp::BandPassTransform(-0.1, 0.1, digital, analog.layout), std::logic_error);
  EXPECT_THROW(Dsp::BandPassTransform(NAN, 0.1, digital, analog.layout), std::logic_error);
  EXPECT_THROW(Dsp::BandStopTransform(INFINITY, 0.1, digital, analog.layout), std::logic_error);
  EXPECT_THROW(Dsp::BandPassTransform(0.1, 0.0, digital, analog.layout), std::logic_error);
  EXPECT_THROW(Dsp::GeometricBandPassTransform(48000.0, 60000.0, 1.0, digital, analog.layout), std::logic_error);
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
