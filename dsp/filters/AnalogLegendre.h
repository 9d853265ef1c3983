// Optimum-L (Legendre) analog low-pass prototype: the steepest roll-off at the 1 rad/s corner for a
// monotonic magnitude. |H(jw)|^2 = 1 / (1 + L_n(w^2)), with L_n built from Legendre polynomials
// after Papoulis; L_n(0) = 0 and L_n(1) = 1, so the corner is at -3.01 dB. Design time only.
#pragma once

#include "dsp/filters/AnalogPrototype.h"
#include "dsp/filters/PolySolver.h"

namespace Dsp::Legendre {

// Beyond this order L_n's alternating coefficients cancel and the poles lose accuracy.
inline constexpr int kMaxOrder = 16;

// Coefficients l[0..order] of L_n as a polynomial in y = w^2, constant term first.
// Throws std::logic_error for an order outside 1..kMaxOrder.
void optimumLPolynomial(int order, double* coefficients);

// design(numPoles): see AnalogPrototype.
class AnalogLowPass : public AnalogPrototype<AnalogLowPass> {
 public:
  static constexpr int kMaxOrder = Legendre::kMaxOrder;
  static constexpr double kDefaultNormalW = 0.0;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles);

  PolySolver mSolver{2 * kMaxOrder};
};

}  // namespace Dsp::Legendre
