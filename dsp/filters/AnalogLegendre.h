// Optimum-L (Legendre) analog low-pass prototype: the steepest roll-off at the 1 rad/s corner for a
// monotonic magnitude. |H(jw)|^2 = 1 / (1 + L_n(w^2)), with L_n built from Legendre polynomials
// after Papoulis; L_n(0) = 0 and L_n(1) = 1, so the corner is at -3.01 dB. Design time only.
#pragma once

#include "dsp/filters/PoleZeroLayout.h"
#include "dsp/filters/PolySolver.h"

namespace Dsp::Legendre {

// Beyond this order L_n's alternating coefficients cancel and the poles lose accuracy.
inline constexpr int kMaxOrder = 16;

// Coefficients l[0..order] of L_n as a polynomial in y = w^2, constant term first.
// Throws std::logic_error for an order outside 1..kMaxOrder.
void optimumLPolynomial(int order, double* coefficients);

class AnalogLowPass {
 public:
  static constexpr int kMaxOrder = Legendre::kMaxOrder;

  explicit AnalogLowPass(PoleZeroLayout& layout);
  // Redesigns only when the order changed. Throws std::logic_error for an order outside
  // 1..min(kMaxOrder, the layout's storage), leaving the layout as it was.
  void design(int numPoles);

 private:
  PoleZeroLayout& m_layout;
  PolySolver m_solver{2 * kMaxOrder};
  int m_numPoles = -1;
};

}  // namespace Dsp::Legendre
