#include "dsp/filters/AnalogBessel.h"

#include <algorithm>
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
      m_pairs[m_numPairs++] = {roots[upper], std::conj(roots[upper])};
      ++upper;
    }
    const int firstReal = upper;
    const int numReal = order - 2 * upper;
    for (int j = 0; j + 1 < numReal; j += 2)
      m_pairs[m_numPairs++] = {roots[firstReal + j].real(), roots[firstReal + j + 1].real()};
    if (numReal % 2 != 0) m_single = roots[firstReal + numReal - 1].real();
  }

  const RootPair& pair(int index) const { return m_pairs[index]; }
  double single() const { return m_single; }

 private:
  // Roots this close to the real axis are a real pair to working precision.
  static bool isComplex(Complex root) { return std::abs(root.imag()) > 1e-9 * std::abs(root); }

  std::array<RootPair, kMaxOrder / 2> m_pairs{};
  int m_numPairs = 0;
  double m_single = 0.0;
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

AnalogLowPass::AnalogLowPass(PoleZeroLayout& layout) : m_layout(layout) {
  m_layout.setNormalPoint(0.0, 1.0);
}

void AnalogLowPass::design(int numPoles) {
  if (numPoles == m_numPoles) return;
  checkOrder(numPoles, std::min(m_layout.getMaxPoles(), kMaxOrder));

  const RootFactors poles = besselRoots(m_solver, numPoles, 1.0);
  m_layout.reset();
  for (int i = 0; i < numPoles / 2; ++i) m_layout.appendPair(poles.pair(i), {infinity(), infinity()});
  if (numPoles % 2 != 0) m_layout.appendSingle(poles.single(), infinity());
  m_layout.setNormalPoint(0.0, 1.0);
  m_numPoles = numPoles;
}

AnalogLowShelf::AnalogLowShelf(PoleZeroLayout& layout) : m_layout(layout) {
  m_layout.setNormalPoint(std::numbers::pi, 1.0);
}

void AnalogLowShelf::design(int numPoles, double gainDb) {
  if (numPoles == m_numPoles && gainDb == m_gainDb) return;
  checkOrder(numPoles, std::min(m_layout.getMaxPoles(), kMaxOrder));
  checkFinite(gainDb, "shelf gain");

  // Scaling the constant term by G makes the DC gain (zeros' constant over poles' constant) G.
  // Strong cuts give the zero polynomial real roots; they are paired with each other, not with a
  // conjugate copy of themselves.
  const RootFactors poles = besselRoots(m_poleSolver, numPoles, 1.0);
  const RootFactors zeros = besselRoots(m_zeroSolver, numPoles, std::pow(10.0, gainDb / 20.0));
  m_layout.reset();
  for (int i = 0; i < numPoles / 2; ++i) m_layout.appendPair(poles.pair(i), zeros.pair(i));
  if (numPoles % 2 != 0) m_layout.appendSingle(poles.single(), zeros.single());
  m_layout.setNormalPoint(std::numbers::pi, 1.0);
  m_numPoles = numPoles;
  m_gainDb = gainDb;
}

}  // namespace Dsp::Bessel
