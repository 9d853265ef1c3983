#include "dsp/filters/Biquad.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace Dsp {

namespace {

// Coefficients c1, c2 of (1 + c1 z^-1 + c2 z^-2) with roots r1, r2.
void quadraticFromRoots(Complex r1, Complex r2, double& c1, double& c2) {
  if (r1.imag() == 0.0) {
    c1 = -(r1.real() + r2.real());
    c2 = r1.real() * r2.real();
  } else {
    c1 = -2.0 * r1.real();
    c2 = std::norm(r1);
  }
}

// The two roots of a z^2 + b z + c (a != 0).
RootPair quadraticRoots(double a, double b, double c) {
  const Complex root = std::sqrt(Complex(b * b - 4.0 * a * c));
  return {-(b + root) / (2.0 * a), (root - b) / (2.0 * a)};
}

}  // namespace

void Biquad::assignCoefficients(double a0, double a1, double a2, double b0, double b1, double b2) {
  if (a0 == 0.0) throw std::logic_error("biquad: a0 must not be zero");
  mA0 = a0;
  mA1 = a1 / a0;
  mA2 = a2 / a0;
  mB0 = b0 / a0;
  mB1 = b1 / a0;
  mB2 = b2 / a0;
}

void Biquad::assignSinglePole(Complex pole, Complex zero) {
  // Numerator 1 - q z^-1 puts the zero at q, inside or on the unit circle like the prototype's.
  assignCoefficients(1.0, -pole.real(), 0.0, 1.0, -zero.real(), 0.0);
}

void Biquad::assignPolePair(Complex pole1, Complex zero1, Complex pole2, Complex zero2) {
  double a1 = 0.0;
  double a2 = 0.0;
  double b1 = 0.0;
  double b2 = 0.0;
  quadraticFromRoots(pole1, pole2, a1, a2);
  quadraticFromRoots(zero1, zero2, b1, b2);
  assignCoefficients(1.0, a1, a2, 1.0, b1, b2);
}

void Biquad::assignSection(const PoleZeroSet& set) {
  if (set.isSinglePole())
    assignSinglePole(set.poles.first, set.zeros.first);
  else
    assignPolePair(set.poles.first, set.zeros.first, set.poles.second, set.zeros.second);
}

void Biquad::assignSectionWithGain(const PoleZeroSet& set, double gain) {
  assignSection(set);
  scaleNumerator(gain);
}

void Biquad::scaleNumerator(double scale) {
  mB0 *= scale;
  mB1 *= scale;
  mB2 *= scale;
}

void Biquad::checkRealised() const {
  for (const double c : {mA1, mA2, mB0, mB1, mB2})
    if (!std::isfinite(c)) throw std::logic_error("design: a realised coefficient is not finite");
  if (!(std::fabs(mA2) < 1.0 && std::fabs(mA1) < 1.0 + mA2))
    throw std::logic_error("design: a realised pole on or outside the unit circle");
}

void Biquad::assignRealised(const Biquad& next) {
  next.checkRealised();
  *this = next;
}

void Biquad::makeIdentity() {
  assignCoefficients(1.0, 0.0, 0.0, 1.0, 0.0, 0.0);
}

Complex Biquad::response(double f) const {
  const double w = 2.0 * std::numbers::pi * f;
  const Complex z1 = std::polar(1.0, -w);
  const Complex z2 = std::polar(1.0, -2.0 * w);
  return numeratorAt(z1, z2) / denominatorAt(z1, z2);
}

std::vector<StagePoleZeros> Biquad::poleZeros() const {
  const double a0 = mA0;
  const double a1 = mA1 * mA0;
  const double a2 = mA2 * mA0;
  const double b0 = mB0 * mA0;
  const double b1 = mB1 * mA0;
  const double b2 = mB2 * mA0;

  StagePoleZeros record{};
  record.gain = b0 / a0;
  if (a2 == 0.0 && b2 == 0.0) {
    record.set.poles.first = -a1 / a0;
    record.set.zeros.first = b0 != 0.0 ? Complex(-b1 / b0) : infinity();
    return {record};
  }
  record.set.poles = quadraticRoots(a0, a1, a2);
  if (b0 != 0.0)
    record.set.zeros = quadraticRoots(b0, b1, b2);
  else
    record.set.zeros = {b1 != 0.0 ? Complex(-b2 / b1) : infinity(), infinity()};
  return {record};
}

}  // namespace Dsp
