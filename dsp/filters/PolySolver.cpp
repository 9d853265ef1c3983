#include "dsp/filters/PolySolver.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace Dsp {

PolySolver::PolySolver(int maxDegree) : mMaxDegree(maxDegree) {
  if (maxDegree < 1 || maxDegree > kCapacity) throw std::logic_error("root finder: maximum degree out of range");
}

void PolySolver::checkDegree(int degree) const {
  if (degree < 1 || degree > mMaxDegree) throw std::logic_error("root finder: degree out of range");
  for (int i = 0; i <= degree; ++i) {
    if (!std::isfinite(mCoef[i].real()) || !std::isfinite(mCoef[i].imag()))
      throw std::logic_error("root finder: coefficient not finite");
  }
  // A zero leading coefficient would send Laguerre's method after a root at infinity.
  if (mCoef[degree] == Complex(0.0)) throw std::logic_error("root finder: leading coefficient is zero");
}

void PolySolver::solve(int degree, bool polish) {
  checkDegree(degree);
  for (int i = 0; i <= degree; ++i) mWork[i] = mCoef[i];

  for (int j = degree - 1; j >= 0; --j) {
    Complex x(0.0);
    laguerre(j + 1, mWork.data(), x);
    if (std::abs(x.imag()) <= 2.0 * 1e-30 * std::abs(x.real())) x = Complex(x.real(), 0.0);
    mRoot[j] = x;

    // Synthetic division by (z - x).
    Complex b = mWork[j + 1];
    for (int k = j; k >= 0; --k) {
      const Complex c = mWork[k];
      mWork[k] = b;
      b = x * b + c;
    }
  }

  if (polish) {
    for (int j = 0; j < degree; ++j) laguerre(degree, mCoef.data(), mRoot[j]);
  }
}

void PolySolver::sort(int count) {
  for (int j = 1; j < count; ++j) {
    const Complex x = mRoot[j];
    int i = j - 1;
    while (i >= 0 && mRoot[i].imag() < x.imag()) {
      mRoot[i + 1] = mRoot[i];
      --i;
    }
    mRoot[i + 1] = x;
  }
}

Complex PolySolver::eval(int degree, Complex x) const {
  Complex sum(0.0);
  Complex power(1.0);
  for (int i = 0; i <= degree; ++i) {
    sum += mCoef[i] * power;
    power *= x;
  }
  return sum;
}

// Laguerre's method; every tenth step is shortened by a fixed fraction to break limit cycles.
void PolySolver::laguerre(int degree, const Complex* a, Complex& x) {
  static constexpr int kMaxIterations = 80;
  static constexpr double kFractions[] = {0.0, 0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};
  const double m = degree;

  for (int iter = 1; iter <= kMaxIterations; ++iter) {
    Complex b = a[degree];
    double err = std::abs(b);
    Complex d(0.0);
    Complex f(0.0);
    const double abx = std::abs(x);
    for (int k = degree - 1; k >= 0; --k) {
      f = x * f + d;
      d = x * d + b;
      b = x * b + a[k];
      err = std::abs(b) + abx * err;
    }
    err *= std::numeric_limits<double>::epsilon();
    if (std::abs(b) <= err) return;

    const Complex g = d / b;
    const Complex g2 = g * g;
    const Complex h = g2 - 2.0 * f / b;
    const Complex sq = std::sqrt((m - 1.0) * (m * h - g2));
    Complex gp = g + sq;
    const Complex gm = g - sq;
    const double absGp = std::abs(gp);
    const double absGm = std::abs(gm);
    if (absGp < absGm) gp = gm;
    const Complex dx =
        std::max(absGp, absGm) > 0.0 ? m / gp : (1.0 + abx) * Complex(std::cos(double(iter)), std::sin(double(iter)));
    const Complex x1 = x - dx;
    if (x1 == x) return;
    if (iter % 10 != 0)
      x = x1;
    else
      x -= kFractions[iter / 10] * dx;
  }
  throw std::logic_error("laguerre failed");
}

}  // namespace Dsp
