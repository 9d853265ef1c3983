// Roots of a polynomial with complex coefficients by Laguerre's method with deflation and optional
// polishing against the undeflated polynomial. Used by the prototypes that are defined by a polynomial.
// Design time only; one thread at a time.
#pragma once

#include <array>

#include "dsp/filters/PoleZeroLayout.h"

namespace Dsp {

class PolySolver {
 public:
  static constexpr int kCapacity = 100;

  // maxDegree: 1..kCapacity.
  explicit PolySolver(int maxDegree);

  int getMaxDegree() const { return mMaxDegree; }

  // a[0..degree], constant term first; the caller fills them before solve.
  Complex* coefficients() { return mCoef.data(); }
  const Complex* roots() const { return mRoot.data(); }
  Complex* roots() { return mRoot.data(); }

  // Finds the degree roots (unsorted). Throws std::logic_error when the degree is out of range, the
  // coefficients are not finite, the leading one is 0, or Laguerre's method does not converge
  // ("laguerre failed"). Roots whose imaginary part is negligible become exactly real.
  void solve(int degree, bool polish);

  // Insertion sort of roots[0..count-1] by imaginary part, largest first; equal parts keep their order.
  void sort(int count);

  // The polynomial's value at x.
  Complex eval(int degree, Complex x) const;

 private:
  void checkDegree(int degree) const;
  static void laguerre(int degree, const Complex* a, Complex& x);

  int mMaxDegree;
  std::array<Complex, kCapacity + 1> mCoef{};
  std::array<Complex, kCapacity + 1> mWork{};
  std::array<Complex, kCapacity> mRoot{};
};

}  // namespace Dsp
