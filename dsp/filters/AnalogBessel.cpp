#include "dsp/filters/AnalogBessel.h"

#include <array>
#include <cmath>
#include <numbers>

#include "dsp/filters/DesignChecks.h"

namespace Dsp::Bessel {

namespace {

// The roots of a real polynomial grouped into second-order factors: each conjugate pair, then the
// real roots two at a time; an odd real root is left over as the single one.
class RootFactors {
 public:
  RootFactors(PolySolver& solver, int order) {
    solver.sort(order);
    const Complex* roots = solver.roots();
    int upper = 0;
    while (upper < order / 2 && isComplex(roots[upper])) {
      mPairs[mNumPairs++] = {roots[upper], std::conj(roots[upper])};
      ++upper;
    }
    const int firstReal = upper;
    const int numReal = order - 2 * upper;
    for (int j = 0; j + 1 < numReal; j += 2)
      mPairs[mNumPairs++] = {roots[firstReal + j].real(), roots[firstReal + j + 1].real()};
    if (numReal % 2 != 0) mSingle = roots[firstReal + numReal - 1].real();
  }

  const RootPair& pair(int index) const { return mPairs[index]; }
  double single() const { return mSingle; }

 private:
  // Roots this close to the real axis are a real pair to working precision.
  static bool isComplex(Complex root) { return std::abs(root.imag()) > 1e-9 * std::abs(root); }

  std::array<RootPair, kMaxOrder / 2> mPairs{};
  int mNumPairs = 0;
  double mSingle = 0.0;
};

// Solves the reverse Bessel polynomial with its constant term c[0] made c[0] + (gain - 1) c[0].
RootFactors besselRoots(PolySolver& solver, int order, double gain) {
  reverseBesselPolynomial(order, solver.coefficients());
  const Complex c0 = solver.coefficients()[0];
  solver.coefficients()[0] = c0 + (gain - 1.0) * c0;
  solver.solve(order, true);
  return RootFactors(solver, order);
}

// m! in double precision; exact up to 22!, and up to the largest order's (2n)! = 40! within rounding.
double factorial(int m) {
  double f = 1.0;
  for (int i = 2; i <= m; ++i) f *= i;
  return f;
}

}  // namespace

void reverseBesselPolynomial(int order, Complex* coefficients) {
  for (int k = 0; k <= order; ++k) {
    coefficients[k] = factorial(2 * order - k) / (factorial(order - k) * factorial(k) * std::ldexp(1.0, order - k));
  }
}

void AnalogLowPass::redesign(int numPoles) {
  const RootFactors poles = besselRoots(mSolver, numPoles, 1.0);
  mLayout.reset();
  for (int i = 0; i < numPoles / 2; ++i) mLayout.appendPair(poles.pair(i), {infinity(), infinity()});
  if (numPoles % 2 != 0) mLayout.appendSingle(poles.single(), infinity());
  mLayout.setNormalPoint(0.0, 1.0);
}

void AnalogLowShelf::redesign(int numPoles, double gainDb) {
  checkShelfGain(gainDb);

  // Raising the constant term by (G - 1) c[0] makes the DC gain (zeros' constant over poles') G.
  // Strong cuts give the zero polynomial real roots; they are paired with each other, not with a
  // conjugate copy of themselves.
  const RootFactors poles = besselRoots(mPoleSolver, numPoles, 1.0);
  const RootFactors zeros = besselRoots(mZeroSolver, numPoles, std::pow(10.0, gainDb / 20.0));
  mLayout.reset();
  for (int i = 0; i < numPoles / 2; ++i) mLayout.appendPair(poles.pair(i), zeros.pair(i));
  if (numPoles % 2 != 0) mLayout.appendSingle(poles.single(), zeros.single());
  mLayout.setNormalPoint(std::numbers::pi, 1.0);
}

}  // namespace Dsp::Bessel
