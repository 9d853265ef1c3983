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

// Solves the reverse Bessel polynomial with its constant term scaled by constantScale.
RootFactors besselRoots(PolySolver& solver, int order, double constantScale) {
  reverseBesselPolynomial(order, solver.coefficients());
  solver.coefficients()[0] *= constantScale;
  solver.solve(order, true);
  return RootFactors(solver, order);
}

}  // namespace

void reverseBesselPolynomial(int order, Complex* coefficients) {
  // c[n] = 1 and c[k-1] = c[k] k (2n - k + 1) / (2 (n - k + 1)).
  double c = 1.0;
  coefficients[order] = c;
  for (int k = order; k >= 1; --k) {
    c *= double(k) * (2 * order - k + 1) / (2.0 * (order - k + 1));
    coefficients[k - 1] = c;
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
  checkFinite(gainDb, "shelf gain");

  // Scaling the constant term by G makes the DC gain (zeros' constant over poles' constant) G.
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
