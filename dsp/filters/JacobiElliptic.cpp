#include "dsp/filters/JacobiElliptic.h"

#include <cmath>
#include <numbers>

namespace Dsp::Elliptic {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
// Below this a Landen modulus changes cd by less than long double resolves (the change is O(k^2)).
constexpr long double kNegligibleModulus = 1e-12L;
// Theta series terms below this, relative to the leading 1, are dropped.
constexpr long double kNegligibleTerm = 1e-24L;

long double square(long double x) {
  return x * x;
}

// theta2(q)^2 / theta3(q)^2 for the nome q = exp(logNome), q <= exp(-pi):
// theta2 = 2 q^(1/4) sum_(n >= 0) q^(n (n + 1)), theta3 = 1 + 2 sum_(n >= 1) q^(n^2).
long double modulusOfNome(long double logNome) {
  long double sum2 = 1.0L;
  for (int n = 1;; ++n) {
    const long double term = std::exp(logNome * n * (n + 1));
    sum2 += term;
    if (term < kNegligibleTerm) break;
  }
  long double sum3 = 0.0L;
  for (int n = 1;; ++n) {
    const long double term = std::exp(logNome * n * n);
    sum3 += term;
    if (term < kNegligibleTerm) break;
  }
  return square(2.0L * std::exp(logNome / 4.0L) * sum2 / (1.0L + 2.0L * sum3));
}

// The other member of a modulus pair, sqrt(1 - x^2) without squaring x first.
long double complementOf(long double x) {
  return std::sqrt((1.0L - x) * (1.0L + x));
}

}  // namespace

Modulus selectivityModulus(long double xiMinusOne) {
  const long double k = 1.0L / (1.0L + xiMinusOne);
  // 1 - k straight from xi - 1 while k is near 1, where the subtraction would cancel.
  const long double oneMinusK = xiMinusOne < 1.0L ? xiMinusOne / (1.0L + xiMinusOne) : 1.0L - k;
  return {k, std::sqrt(oneMinusK * (1.0L + k))};
}

LandenSequence::LandenSequence(Modulus modulus) : mModulus(modulus.k) {
  long double k = modulus.k;
  long double complement = modulus.complement;
  while (k > kNegligibleModulus && mNumSteps < kMaxSteps) {
    // k_(m+1) and its complement 2 sqrt(k'_m) / (1 + k'_m), each free of cancellation at either end.
    const long double next = square(k / (1.0L + complement));
    complement = 2.0L * std::sqrt(complement) / (1.0L + complement);
    k = next;
    mSteps[mNumSteps++] = k;
  }
}

long double LandenSequence::quarterPeriod() const {
  long double product = kPi / 2.0L;
  for (int m = 0; m < mNumSteps; ++m) product *= 1.0L + mSteps[m];
  return product;
}

LongComplex LandenSequence::cd(LongComplex u) const {
  LongComplex w = std::cos(u * (kPi / 2.0L));
  for (int m = mNumSteps - 1; m >= 0; --m) w = (1.0L + mSteps[m]) * w / (1.0L + mSteps[m] * w * w);
  return w;
}

LongComplex LandenSequence::sn(LongComplex u) const {
  return cd(1.0L - u);
}

LongComplex LandenSequence::inverseSn(LongComplex w) const {
  long double previous = mModulus;
  for (int m = 0; m < mNumSteps; ++m) {
    w = 2.0L * w / ((1.0L + mSteps[m]) * (1.0L + std::sqrt(1.0L - previous * previous * w * w)));
    previous = mSteps[m];
  }
  return std::asin(w) * (2.0L / kPi);
}

Modulus degreeEquationModulus(int order, Modulus modulus) {
  if (modulus.k == 0.0L) return {0.0L, 1.0L};
  // K'(k) / K(k), the ratio of the quarter periods the nomes are built from.
  const long double periodRatio =
      LandenSequence({modulus.complement, modulus.k}).quarterPeriod() / LandenSequence(modulus).quarterPeriod();
  const long double logNome = -kPi * order * periodRatio;
  const long double logComplementNome = -kPi / (order * periodRatio);
  if (logNome <= logComplementNome) {
    const long double k1 = modulusOfNome(logNome);
    return {k1, complementOf(k1)};
  }
  const long double complement = modulusOfNome(logComplementNome);
  return {complementOf(complement), complement};
}

}  // namespace Dsp::Elliptic
