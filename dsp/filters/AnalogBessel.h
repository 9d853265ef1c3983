// Bessel (maximally flat group delay) analog prototypes, normalised to a group delay of 1 s at DC:
// the low-pass, whose poles are the roots of the reverse Bessel polynomial, and the low shelf from
// gainDb at DC to 0 dB at high frequencies. Design time only.
#pragma once

#include <numbers>

#include "dsp/filters/AnalogPrototype.h"
#include "dsp/filters/PolySolver.h"

namespace Dsp::Bessel {

// Beyond this order the polynomial's coefficients span so many decades that the poles lose accuracy.
inline constexpr int kMaxOrder = 20;

// Coefficients c[0..order] of the reverse Bessel polynomial, constant term first:
// c[k] = (2n - k)! / ((n - k)! k! 2^(n - k)).
void reverseBesselPolynomial(int order, Complex* coefficients);

// design(numPoles): see AnalogPrototype.
class AnalogLowPass : public AnalogPrototype<AnalogLowPass> {
 public:
  static constexpr int kMaxOrder = Bessel::kMaxOrder;
  static constexpr double kDefaultNormalW = 0.0;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles);

  PolySolver mSolver{kMaxOrder};
};

// design(numPoles, gainDb): see AnalogPrototype; also throws for a gain that is not finite.
class AnalogLowShelf : public AnalogPrototype<AnalogLowShelf, double> {
 public:
  static constexpr int kMaxOrder = Bessel::kMaxOrder;
  static constexpr double kDefaultNormalW = std::numbers::pi;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles, double gainDb);

  PolySolver mPoleSolver{kMaxOrder};
  PolySolver mZeroSolver{50};
};

}  // namespace Dsp::Bessel
