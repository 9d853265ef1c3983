#include "dsp/filters/AnalogChebyshev.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/filters/DesignChecks.h"

namespace Dsp {

namespace {
constexpr double kPi = std::numbers::pi;
}

void AnalogRippleShelf::redesign(int numPoles, double gainDb, double rippleDb) {
  checkFinite(gainDb, "shelf gain");
  checkPositive(rippleDb, "ripple");

  const double g = -gainDb;
  const double bigG = std::pow(10.0, g / 20.0);
  if (bigG == 1.0) {
    // Without gain (or with one too small to move G off 1) the ripple band vanishes and eps would be
    // 0; the shelf is then the identity.
    designIdentity(numPoles);
  } else {
    double r = std::min(rippleDb, std::abs(g));
    if (g < 0.0) r = -r;
    double gb = std::pow(10.0, (g - r) / 20.0);
    double eps;
    if (gb != 1.0) {
      eps = std::sqrt((bigG * bigG - gb * gb) / (gb * gb - 1.0));
    } else {
      // A ripple as large as the gain would put the ripple band's edge at 0 dB, where eps is infinite.
      // The shelf then takes eps = |G - 1| and the edge that eps gives, which lies between G and 1.
      eps = std::abs(bigG - 1.0);
      gb = std::sqrt((bigG * bigG + eps * eps) / (1.0 + eps * eps));
    }
    const double root = std::sqrt(1.0 + 1.0 / (eps * eps));
    const double n = numPoles;
    const double u = std::log(std::pow(bigG / eps + gb * root, 1.0 / n));
    const double v = std::log(std::pow(1.0 / eps + root, 1.0 / n));

    mLayout.reset();
    for (int i = 1; i <= numPoles / 2; ++i) {
      const double a = (2 * i - 1) * kPi / (2.0 * n);
      mLayout.appendConjugates({-std::sin(a) * std::sinh(u), std::cos(a) * std::cosh(u)},
                               {-std::sin(a) * std::sinh(v), std::cos(a) * std::cosh(v)});
    }
    if (numPoles % 2 != 0) mLayout.appendSingle(-std::sinh(u), -std::sinh(v));
  }
  mLayout.setNormalPoint(kPi, 1.0);
}

void AnalogRippleShelf::designIdentity(int numPoles) {
  mLayout.reset();
  const double n = numPoles;
  for (int i = 1; i <= numPoles / 2; ++i) {
    const double a = (2 * i - 1) * kPi / (2.0 * n);
    const Complex p(-std::sin(a), std::cos(a));
    mLayout.appendConjugates(p, p);
  }
  if (numPoles % 2 != 0) mLayout.appendSingle(-1.0, -1.0);
}

namespace ChebyshevI {

void AnalogLowPass::redesign(int numPoles, double rippleDb) {
  checkPositive(rippleDb, "ripple");

  const double n = numPoles;
  const double eps = std::sqrt(1.0 / std::exp(-rippleDb * 0.1 * std::log(10.0)) - 1.0);
  const double nu = std::asinh(1.0 / eps) / n;
  mLayout.reset();
  for (int i = 0; i < numPoles / 2; ++i) {
    const int k = 2 * i + 1 - numPoles;
    const double theta = k * kPi / (2.0 * n);
    mLayout.appendConjugates({-std::sinh(nu) * std::cos(theta), std::cosh(nu) * std::sin(theta)}, infinity());
  }
  if (numPoles % 2 != 0) {
    mLayout.appendSingle(-std::sinh(nu), infinity());
    mLayout.setNormalPoint(0.0, 1.0);
  } else {
    // Even orders start at the bottom of the ripple band.
    mLayout.setNormalPoint(0.0, std::pow(10.0, -rippleDb / 20.0));
  }
}

}  // namespace ChebyshevI

namespace ChebyshevII {

void AnalogLowPass::redesign(int numPoles, double stopBandDb) {
  checkPositive(stopBandDb, "stop-band attenuation");

  const double n = numPoles;
  const double eps = std::sqrt(1.0 / (std::exp(stopBandDb * 0.1 * std::log(10.0)) - 1.0));
  const double nu = std::asinh(1.0 / eps) / n;
  mLayout.reset();
  for (int k = 1; k <= 2 * (numPoles / 2) - 1; k += 2) {
    const double theta = (k - n) * kPi / (2.0 * n);
    const double a = -std::sinh(nu) * std::cos(theta);
    const double b = std::cosh(nu) * std::sin(theta);
    const double d2 = a * a + b * b;
    mLayout.appendConjugates({a / d2, b / d2}, {0.0, 1.0 / std::cos(k * kPi / (2.0 * n))});
  }
  if (numPoles % 2 != 0) mLayout.appendSingle(-1.0 / std::sinh(nu), infinity());
  mLayout.setNormalPoint(0.0, 1.0);
}

}  // namespace ChebyshevII

}  // namespace Dsp
