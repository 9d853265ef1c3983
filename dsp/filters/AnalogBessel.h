// Bessel (maximally flat group delay) analog prototypes, normalised to a group delay of 1 s at DC:
// the low-pass, whose poles are the roots of the reverse Bessel polynomial, and the low shelf from
// gainDb at DC to 0 dB at high frequencies. Design time only.
#pragma once

#include "dsp/filters/PoleZeroLayout.h"
#include "dsp/filters/PolySolver.h"

namespace Dsp::Bessel {

// Beyond this order the polynomial's coefficients span so many decades that the poles lose accuracy.
inline constexpr int kMaxOrder = 20;

// Coefficients c[0..order] of the reverse Bessel polynomial, constant term first:
// c[k] = (2n - k)! / ((n - k)! k! 2^(n - k)).
void reverseBesselPolynomial(int order, Complex* coefficients);

class AnalogLowPass {
 public:
  static constexpr int kMaxOrder = Bessel::kMaxOrder;

  explicit AnalogLowPass(PoleZeroLayout& layout);
  // Redesigns only when the order changed. Throws std::logic_error for an order outside
  // 1..min(kMaxOrder, the layout's storage), leaving the layout as it was.
  void design(int numPoles);

 private:
  PoleZeroLayout& m_layout;
  PolySolver m_solver{kMaxOrder};
  int m_numPoles = -1;
};

class AnalogLowShelf {
 public:
  static constexpr int kMaxOrder = Bessel::kMaxOrder;

  explicit AnalogLowShelf(PoleZeroLayout& layout);
  // Redesigns only when an argument changed. Throws std::logic_error for a bad order or a gain that
  // is not finite, leaving the layout as it was.
  void design(int numPoles, double gainDb);

 private:
  PoleZeroLayout& m_layout;
  PolySolver m_poleSolver{kMaxOrder};
  PolySolver m_zeroSolver{50};
  int m_numPoles = -1;
  double m_gainDb = 0.0;
};

}  // namespace Dsp::Bessel
