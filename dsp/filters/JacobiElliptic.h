// Jacobi elliptic functions for the elliptic filter design, in long double: the complete integral,
// cd and sn of complex argument and the inverse of sn by the descending Landen transformation, and the
// modulus solving the degree equation by way of the nome. Design time only.
//
// Arguments are normalised to the quarter period: cd(u) here is cd(u K, k). Every function takes the
// modulus together with its complement k' = sqrt(1 - k^2), so that a modulus within rounding of 1 (a
// very narrow transition band) keeps its precision in k'.
#pragma once

#include <array>
#include <complex>

namespace Dsp::Elliptic {

using LongComplex = std::complex<long double>;

struct Modulus {
  long double k;
  long double complement;
};

// The modulus k = 1 / xi of a low-pass whose stop band starts at xi = 1 + xiMinusOne rad/s
// (xiMinusOne >= 0, possibly infinite), with k' computed without cancellation.
Modulus selectivityModulus(long double xiMinusOne);

// The descending Landen sequence k_1, k_2, ... of a modulus, k_(m+1) = (k_m / (1 + k'_m))^2, down to
// a modulus below the precision of long double.
class LandenSequence {
 public:
  explicit LandenSequence(Modulus modulus);

  // K(k) = pi / 2 prod (1 + k_m).
  long double quarterPeriod() const;
  // cd(u K, k): cos(u pi / 2) carried up the sequence by w <- (1 + k_m) w / (1 + k_m w^2).
  LongComplex cd(LongComplex u) const;
  // sn(u K, k) = cd((1 - u) K, k).
  LongComplex sn(LongComplex u) const;
  // The u (principal branch) with sn(u K, k) = w, by running the cd recurrence backwards.
  LongComplex inverseSn(LongComplex w) const;

 private:
  static constexpr int kMaxSteps = 40;

  long double mModulus;
  std::array<long double, kMaxSteps> mSteps{};
  int mNumSteps = 0;
};

// The modulus k1 with K'(k1) / K(k1) = order K'(k) / K(k): the degree equation of an elliptic
// rational function of that order with selectivity 1 / k, whose stop-band floor is 1 / k1. In nomes,
// q1 = q^order and q1' = q'^(1 / order); the smaller of the two gives its modulus by theta functions,
// theta2(q)^2 / theta3(q)^2, and the other modulus follows from it.
Modulus degreeEquationModulus(int order, Modulus modulus);

}  // namespace Dsp::Elliptic
