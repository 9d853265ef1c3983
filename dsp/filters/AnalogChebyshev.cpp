#include "dsp/filters/AnalogChebyshev.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/filters/DesignChecks.h"

namespace Dsp {

namespace {

constexpr double kPi = std::numbers::pi;

// A shelf whose G lies within 2^-26 of 1 (a gain below about 1.3e-7 dB) is designed as the identity,
// which lies within |G - 1| of it everywhere. With eps = |G - 1| the shelf's roots lie near
// (2 / eps)^(1/n) / 2 (1 / eps for one pole), and the bilinear map with prewarp f puts their images
// about 2 / (f root) from the unit circle. A single pole is on the circle once 2 eps / f drops below
// 2^-53; a pair's section gain at the shelf end, |1 -+ p|^2, about 8 eps / f^2 at order 2 (the worst),
// is lost once below the 2^-52 its coefficients carry (the gain at the normal point turns 0 or
// infinite). At 100 Hz of 48 kHz (f about 150) the pair goes at eps of about 6e-13. From 2^-26 up
// neither happens for any f below 2^14.5: cutoffs above about 0.7 Hz at 48 kHz and as far below Nyquist.
constexpr double kSmallestShelf = 0x1p-26;

}  // namespace

void AnalogRippleShelf::redesign(int numPoles, double gainDb, double rippleDb) {
  checkShelfGain(gainDb);
  checkPositive(rippleDb, "ripple");

  const double g = -gainDb;
  const double bigG = std::pow(10.0, g / 20.0);
  if (std::abs(bigG - 1.0) < kSmallestShelf) {
    // Without gain the ripple band vanishes and eps would be 0; with one too small to survive rounding
    // the identity stands in for the shelf.
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
