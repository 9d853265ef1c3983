#include "dsp/filters/AnalogLegendre.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "dsp/filters/DesignChecks.h"

namespace Dsp::Legendre {

namespace {

// Polynomials of degree up to kMaxOrder, constant term first.
using Poly = std::array<double, kMaxOrder + 2>;

// Legendre polynomials P_0..P_count-1 by P_k = ((2k - 1) x P_(k-1) - (k - 1) P_(k-2)) / k.
void legendrePolynomials(int count, Poly* p) {
  p[0] = Poly{};
  p[0][0] = 1.0;
  if (count > 1) {
    p[1] = Poly{};
    p[1][1] = 1.0;
  }
  for (int k = 2; k < count; ++k) {
    p[k] = Poly{};
    for (int i = 0; i <= k; ++i) {
      const double shifted = i > 0 ? p[k - 1][i - 1] : 0.0;
      p[k][i] = ((2 * k - 1) * shifted - (k - 1) * p[k - 2][i]) / k;
    }
  }
}

// Papoulis's weights a[0..k], k = (n - 1) / 2, chosen so that L_n(1) = 1.
void papoulisWeights(int order, double* a) {
  const int k = (order - 1) / 2;
  for (int i = 0; i <= k; ++i) {
    if (order % 2 != 0)
      a[i] = (2 * i + 1) / (std::sqrt(2.0) * (k + 1));
    else
      a[i] = (i % 2 == k % 2) ? (2 * i + 1) / std::sqrt((k + 1.0) * (k + 2.0)) : 0.0;
  }
}

}  // namespace

void optimumLPolynomial(int order, double* coefficients) {
  checkOrder(order, kMaxOrder);
  const int k = (order - 1) / 2;
  std::array<Poly, kMaxOrder / 2 + 1> p{};
  legendrePolynomials(k + 1, p.data());
  std::array<double, kMaxOrder / 2 + 1> a{};
  papoulisWeights(order, a.data());

  // v = sum a[i] P_i, then the integrand v^2 (odd orders) or (x + 1) v^2 (even orders).
  Poly v{};
  for (int i = 0; i <= k; ++i)
    for (int j = 0; j <= i; ++j) v[j] += a[i] * p[i][j];
  Poly integrand{};
  for (int i = 0; i <= k; ++i)
    for (int j = 0; j <= k; ++j) integrand[i + j] += v[i] * v[j];
  if (order % 2 == 0) {
    for (int i = 2 * k + 1; i >= 0; --i) integrand[i] = integrand[i] + (i > 0 ? integrand[i - 1] : 0.0);
  }

  // Antiderivative (degree n), then L(y) = I(2y - 1) - I(-1) by Horner's scheme in polynomials of y.
  Poly antiderivative{};
  for (int i = 0; i < order; ++i) antiderivative[i + 1] = integrand[i] / (i + 1);
  Poly l{};
  double atMinusOne = 0.0;
  for (int i = order; i >= 0; --i) {
    for (int j = order; j >= 0; --j) l[j] = 2.0 * (j > 0 ? l[j - 1] : 0.0) - l[j];
    l[0] += antiderivative[i];
    atMinusOne = -atMinusOne + antiderivative[i];
  }
  l[0] -= atMinusOne;
  std::copy(l.begin(), l.begin() + order + 1, coefficients);
}

void AnalogLowPass::redesign(int numPoles) {
  // Poles of H(s) H(-s) = 1 / (1 + L_n(-s^2)): y = w^2 = -s^2 turns l[m] y^m into (-1)^m l[m] s^2m.
  std::array<double, kMaxOrder + 1> l{};
  optimumLPolynomial(numPoles, l.data());
  const int degree = 2 * numPoles;
  Complex* c = mSolver.coefficients();
  for (int i = 0; i <= degree; ++i) c[i] = 0.0;
  for (int m = 0; m <= numPoles; ++m) c[2 * m] = (m % 2 == 0 ? 1.0 : -1.0) * l[m];
  c[0] += 1.0;
  mSolver.solve(degree, true);

  // The left-half-plane roots, in their order, to the front; then the upper halves first.
  Complex* roots = mSolver.roots();
  std::array<Complex, 2 * kMaxOrder> ordered{};
  const auto isLeft = [](Complex r) { return r.real() <= 0.0; };
  Complex* next = std::copy_if(roots, roots + degree, ordered.begin(), isLeft);
  std::remove_copy_if(roots, roots + degree, next, isLeft);
  std::copy(ordered.begin(), ordered.begin() + degree, roots);
  mSolver.sort(numPoles);

  const int pairs = numPoles / 2;
  mLayout.reset();
  for (int i = 0; i < pairs; ++i) mLayout.appendConjugates(roots[i], infinity());
  if (numPoles % 2 != 0) mLayout.appendSingle(roots[pairs].real(), infinity());
  mLayout.setNormalPoint(0.0, 1.0);
}

}  // namespace Dsp::Legendre
