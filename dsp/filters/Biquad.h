// One second-order section (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2) with its coefficient
// setters, its frequency response and its pole-zero readback. Design time only; see CascadeState for
// running samples through sections.
#pragma once

#include <vector>

#include "dsp/filters/PoleZeroLayout.h"

namespace Dsp {

// The poles, zeros and numerator gain b0 / a0 of one section.
struct StagePoleZeros {
  PoleZeroSet set;
  double gain;
};

class Biquad {
 public:
  double getA0() const { return mA0; }
  double getA1() const { return mA1; }
  double getA2() const { return mA2; }
  double getB0() const { return mB0; }
  double getB1() const { return mB1; }
  double getB2() const { return mB2; }

  // Stores a0 and the other five divided by a0 (a0 must not be 0).
  void assignCoefficients(double a0, double a1, double a2, double b0, double b1, double b2);
  // First-order section (1 - zero z^-1) / (1 - pole z^-1) from the real parts.
  void assignSinglePole(Complex pole, Complex zero);
  // Second-order section from two poles and two zeros, each either a conjugate pair or two real values.
  void assignPolePair(Complex pole1, Complex zero1, Complex pole2, Complex zero2);
  void assignSection(const PoleZeroSet& set);
  void assignSectionWithGain(const PoleZeroSet& set, double gain);
  void scaleNumerator(double scale);
  void makeIdentity();

  // Throws std::logic_error naming the cause unless every coefficient is finite and both poles lie strictly
  // inside the unit circle (|a2| < 1 and |a1| < 1 + a2): what a design realised must run and respond finitely.
  void checkRealised() const;
  // Takes `next`'s coefficients once they pass checkRealised; otherwise throws and keeps these.
  void assignRealised(const Biquad& next);

  // Frequency response at f cycles per sample.
  Complex response(double f) const;
  // A list holding this section's one record, read back like a cascade's list of stages.
  std::vector<StagePoleZeros> poleZeros() const;

  Complex numeratorAt(Complex z1, Complex z2) const { return mB0 + mB1 * z1 + mB2 * z2; }
  Complex denominatorAt(Complex z1, Complex z2) const { return 1.0 + mA1 * z1 + mA2 * z2; }

 private:
  double mA0 = 1.0;
  double mA1 = 0.0;
  double mA2 = 0.0;
  double mB1 = 0.0;
  double mB2 = 0.0;
  double mB0 = 1.0;
};

}  // namespace Dsp
