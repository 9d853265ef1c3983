#include "dsp/filters/AnalogElliptic.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/filters/DesignChecks.h"
#include "dsp/filters/JacobiElliptic.h"

namespace Dsp::Elliptic {

namespace {

Complex toComplex(LongComplex c) {
  return {double(c.real()), double(c.imag())};
}

}  // namespace

double completeEllipticIntegral(double k) {
  const long double longK = k;
  return double(LandenSequence({longK, std::sqrt((1.0L - longK) * (1.0L + longK))}).quarterPeriod());
}

void AnalogLowPass::redesign(int numPoles, double rippleDb, double rolloff) {
  checkPositive(rippleDb, "ripple");
  checkFinite(rolloff, "rolloff");

  const long double epsilon = std::sqrt(std::expm1(rippleDb * std::numbers::ln10_v<long double> / 10.0L));
  const Modulus selectivity = selectivityModulus(5.0L * std::exp(std::max(rolloff, kNarrowestRolloff) - 1.0L));
  const LandenSequence landen(selectivity);
  const LandenSequence discrimination(degreeEquationModulus(numPoles, selectivity));
  // The poles are where e R(w) = +-j: at u_i - j v0 in the argument of cd.
  const long double v0 = discrimination.inverseSn({0.0L, 1.0L / epsilon}).imag() / numPoles;

  // The first pair holds the pole nearest the band edge and the lowest transmission zero.
  mLayout.reset();
  for (int i = 1; i <= numPoles / 2; ++i) {
    const long double u = (2.0L * i - 1.0L) / numPoles;
    const LongComplex pole = LongComplex(0.0L, 1.0L) * landen.cd({u, -v0});
    const long double zero = 1.0L / (selectivity.k * landen.cd(u).real());
    mLayout.appendConjugates(toComplex(pole), std::isfinite(double(zero)) ? Complex(0.0, double(zero)) : infinity());
  }
  if (numPoles % 2 != 0) mLayout.appendSingle(-double(landen.sn({0.0L, v0}).imag()), infinity());
  // Even orders start at a ripple minimum.
  mLayout.setNormalPoint(0.0, numPoles % 2 != 0 ? 1.0 : std::pow(10.0, -rippleDb / 20.0));
}

}  // namespace Dsp::Elliptic
