#include "dsp/filters/AnalogElliptic.h"

#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "dsp/filters/DesignChecks.h"

namespace Dsp::Elliptic {

namespace {

constexpr double kPi = std::numbers::pi;
using Poly = std::array<double, kMaxOrder + 1>;

// k sn(u, k) by the theta series with nome q = exp(-pi K' / K); the terms are summed until the first
// whose q^(j + 1/2) is below 1e-7.
double scaledJacobiSine(double u, double bigK, double q) {
  const double v = u * kPi / (2.0 * bigK);
  double sum = 0.0;
  for (int j = 0;; ++j) {
    const double qPower = std::pow(q, j + 0.5);
    sum += qPower * std::sin((2 * j + 1) * v) / (1.0 - std::pow(q, 2 * j + 1));
    if (qPower < 1e-7) break;
  }
  return sum * 2.0 * kPi / bigK;
}

// Multiplies poly (degree degree) by (c0 + c1 y) in place.
void multiplyLinear(Poly& poly, int degree, double c0, double c1) {
  for (int i = degree + 1; i >= 0; --i) poly[i] = c0 * poly[i] + (i > 0 ? c1 * poly[i - 1] : 0.0);
}

struct Zeros {
  int count = 0;
  // Transmission zeros (rad/s, ascending) and the matching reflection zeros 1 / (k z).
  std::array<double, kMaxOrder / 2> transmission{};
  std::array<double, kMaxOrder / 2> reflection{};
};

Zeros ellipticZeros(int order, double k) {
  const double bigK = completeEllipticIntegral(k);
  const double bigKPrime = completeEllipticIntegral(std::sqrt(1.0 - k * k));
  const double q = std::exp(-kPi * bigKPrime / bigK);
  const int ni = order % 2 == 0 ? 1 : 0;
  Zeros zeros;
  zeros.count = order / 2;
  for (int i = 1; i <= zeros.count; ++i) {
    const double u = (2 * i - ni) * bigK / order;
    const double ksn = scaledJacobiSine(u, bigK, q);
    // sn grows with i, so the zeros come out descending; store them ascending.
    zeros.transmission[zeros.count - i] = 1.0 / ksn;
    zeros.reflection[zeros.count - i] = ksn / k;
  }
  return zeros;
}

}  // namespace

double completeEllipticIntegral(double k) {
  double a = 1.0;
  double b = std::sqrt(1.0 - k * k);
  double c = 1.0 - b;
  for (;;) {
    const double nextC = (a - b) / 2.0;
    if (!(nextC < c)) break;
    const double nextA = (a + b) / 2.0;
    b = std::sqrt(a * b);
    a = nextA;
    c = nextC;
  }
  return kPi / (2.0 * a);
}

void AnalogLowPass::redesign(int numPoles, double rippleDb, double rolloff) {
  checkPositive(rippleDb, "ripple");
  checkFinite(rolloff, "rolloff");

  const double e2 = std::pow(10.0, rippleDb / 10.0) - 1.0;
  const double xi = 5.0 * std::exp(rolloff - 1.0) + 1.0;
  const double k = 1.0 / xi;
  const Zeros zeros = ellipticZeros(numPoles, k);
  const int r = numPoles % 2;

  // R(w) = C w^r prod (w^2 - zr^2) / (1 - w^2 / zt^2) with R(1) = 1; in y = w^2:
  // N(y) = prod (y - zr^2), D(y) = prod (1 - y / zt^2).
  Poly n{};
  Poly d{};
  n[0] = 1.0;
  d[0] = 1.0;
  double c = 1.0;
  for (int i = 0; i < zeros.count; ++i) {
    const double zr2 = zeros.reflection[i] * zeros.reflection[i];
    const double zt2 = zeros.transmission[i] * zeros.transmission[i];
    multiplyLinear(n, i, -zr2, 1.0);
    multiplyLinear(d, i, 1.0, -1.0 / zt2);
    c *= (1.0 - 1.0 / zt2) / (1.0 - zr2);
  }

  // Poles: 1 + e^2 R(w)^2 = 0 where e C w^r N(w^2) = j D(w^2). Solving this degree-n polynomial in w
  // (rather than its square in w^2) keeps the roots simple and the coefficients' range halved.
  Complex* coefficients = mSolver.coefficients();
  for (int i = 0; i <= numPoles; ++i) coefficients[i] = 0.0;
  const double ec = std::sqrt(e2) * c;
  for (int i = 0; i <= zeros.count; ++i) {
    coefficients[2 * i + r] += ec * n[i];
    coefficients[2 * i] += Complex(0.0, -d[i]);
  }
  mSolver.solve(numPoles, true);

  // s = j w, taking for each root the one of w and conj(w) that lies in the upper half plane: the
  // other sign of j gives the conjugate roots, and only the left-half-plane poles are wanted.
  Complex* roots = mSolver.roots();
  for (int i = 0; i < numPoles; ++i) {
    const Complex w = roots[i].imag() >= 0.0 ? roots[i] : std::conj(roots[i]);
    roots[i] = Complex(0.0, 1.0) * w;
  }
  mSolver.sort(numPoles);

  // The poles nearest the band edge (largest imaginary part) go with the lowest transmission zero.
  mLayout.reset();
  for (int i = 0; i < zeros.count; ++i) mLayout.appendConjugates(roots[i], Complex(0.0, zeros.transmission[i]));
  if (r != 0) mLayout.appendSingle(roots[zeros.count].real(), infinity());
  // Even orders start at a ripple minimum.
  mLayout.setNormalPoint(0.0, r != 0 ? 1.0 : std::pow(10.0, -rippleDb / 20.0));
}

}  // namespace Dsp::Elliptic
