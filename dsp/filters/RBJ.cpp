#include "dsp/filters/RBJ.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "dsp/filters/DesignChecks.h"

namespace Dsp::RBJ {

namespace {

struct Angle {
  double w0;
  double cs;
  double sn;
};

Angle angleOf(double sampleRate, double frequency) {
  checkFrequency(sampleRate, frequency);
  const double w0 = 2.0 * std::numbers::pi * frequency / sampleRate;
  return {w0, std::cos(w0), std::sin(w0)};
}

// The shelves' A, alpha and 2 sqrt(A) alpha.
struct ShelfConstants {
  double a;
  double alpha;
  double s2;
};

ShelfConstants shelfConstants(const Angle& angle, double gainDb, double shelfSlope) {
  checkShelfGain(gainDb);
  checkPositive(shelfSlope, "shelf slope");
  const double a = std::pow(10.0, gainDb / 40.0);
  const double radicand = (a + 1.0 / a) * (1.0 / shelfSlope - 1.0) + 2.0;
  if (radicand < 0.0) throw std::logic_error("shelf slope too steep for this gain");
  const double alpha = angle.sn / 2.0 * std::sqrt(radicand);
  return {a, alpha, 2.0 * std::sqrt(a) * alpha};
}

double qAlpha(const Angle& angle, double q) {
  checkPositive(q, "q");
  return angle.sn / (2.0 * q);
}

// The coefficients, once they are finite and their poles inside the unit circle; otherwise the old ones stay.
void assignChecked(Biquad& target, double a0, double a1, double a2, double b0, double b1, double b2) {
  Biquad next;
  next.assignCoefficients(a0, a1, a2, b0, b1, b2);
  target.assignRealised(next);
}

}  // namespace

void LowPass::configure(double sampleRate, double cutoffFrequency, double q) {
  const Angle w = angleOf(sampleRate, cutoffFrequency);
  const double alpha = qAlpha(w, q);
  assignChecked(*this, 1.0 + alpha, -2.0 * w.cs, 1.0 - alpha, (1.0 - w.cs) / 2.0, 1.0 - w.cs, (1.0 - w.cs) / 2.0);
}

void HighPass::configure(double sampleRate, double cutoffFrequency, double q) {
  const Angle w = angleOf(sampleRate, cutoffFrequency);
  const double alpha = qAlpha(w, q);
  assignChecked(*this, 1.0 + alpha, -2.0 * w.cs, 1.0 - alpha, (1.0 + w.cs) / 2.0, -(1.0 + w.cs), (1.0 + w.cs) / 2.0);
}

void BandPass1::configure(double sampleRate, double centerFrequency, double q) {
  const Angle w = angleOf(sampleRate, centerFrequency);
  const double alpha = qAlpha(w, q);
  assignChecked(*this, 1.0 + alpha, -2.0 * w.cs, 1.0 - alpha, q * alpha, 0.0, -q * alpha);
}

void BandPass2::configure(double sampleRate, double centerFrequency, double q) {
  const Angle w = angleOf(sampleRate, centerFrequency);
  const double alpha = qAlpha(w, q);
  assignChecked(*this, 1.0 + alpha, -2.0 * w.cs, 1.0 - alpha, alpha, 0.0, -alpha);
}

void BandStop::configure(double sampleRate, double centerFrequency, double q) {
  const Angle w = angleOf(sampleRate, centerFrequency);
  const double alpha = qAlpha(w, q);
  assignChecked(*this, 1.0 + alpha, -2.0 * w.cs, 1.0 - alpha, 1.0, -2.0 * w.cs, 1.0);
}

void AllPass::configure(double sampleRate, double phaseFrequency, double q) {
  const Angle w = angleOf(sampleRate, phaseFrequency);
  const double alpha = qAlpha(w, q);
  assignChecked(*this, 1.0 + alpha, -2.0 * w.cs, 1.0 - alpha, 1.0 - alpha, -2.0 * w.cs, 1.0 + alpha);
}

void LowShelf::configure(double sampleRate, double cutoffFrequency, double gainDb, double shelfSlope) {
  const Angle w = angleOf(sampleRate, cutoffFrequency);
  const ShelfConstants k = shelfConstants(w, gainDb, shelfSlope);
  const double a = k.a;
  assignChecked(*this, (a + 1.0) + (a - 1.0) * w.cs + k.s2, -2.0 * ((a - 1.0) + (a + 1.0) * w.cs),
                (a + 1.0) + (a - 1.0) * w.cs - k.s2, a * ((a + 1.0) - (a - 1.0) * w.cs + k.s2),
                2.0 * a * ((a - 1.0) - (a + 1.0) * w.cs), a * ((a + 1.0) - (a - 1.0) * w.cs - k.s2));
}

// The published high-shelf formula, whose transition lies at the cutoff.
void HighShelf::configure(double sampleRate, double cutoffFrequency, double gainDb, double shelfSlope) {
  const Angle w = angleOf(sampleRate, cutoffFrequency);
  const ShelfConstants k = shelfConstants(w, gainDb, shelfSlope);
  const double a = k.a;
  assignChecked(*this, (a + 1.0) - (a - 1.0) * w.cs + k.s2, 2.0 * ((a - 1.0) - (a + 1.0) * w.cs),
                (a + 1.0) - (a - 1.0) * w.cs - k.s2, a * ((a + 1.0) + (a - 1.0) * w.cs + k.s2),
                -2.0 * a * ((a - 1.0) + (a + 1.0) * w.cs), a * ((a + 1.0) + (a - 1.0) * w.cs - k.s2));
}

void BandShelf::configure(double sampleRate, double centerFrequency, double gainDb, double bandWidth) {
  const Angle w = angleOf(sampleRate, centerFrequency);
  checkShelfGain(gainDb);
  checkPositive(bandWidth, "band width");
  const double a = std::pow(10.0, gainDb / 40.0);
  // Bandwidth in octaves, with the digital bandwidth warping correction w0 / sin w0.
  const double alpha = w.sn * std::sinh(std::numbers::ln2 / 2.0 * bandWidth * w.w0 / w.sn);
  assignChecked(*this, 1.0 + alpha / a, -2.0 * w.cs, 1.0 - alpha / a, 1.0 + alpha * a, -2.0 * w.cs, 1.0 - alpha * a);
}

}  // namespace Dsp::RBJ
