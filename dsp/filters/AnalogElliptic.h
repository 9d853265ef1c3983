// Elliptic (Cauer) analog low-pass prototype: equiripple pass band up to 1 rad/s with the given ripple,
// equiripple stop band from xi = 5 e^(rolloff - 1) + 1 rad/s on, zeros on the imaginary axis. The
// stop-band depth follows from order, ripple and xi (the degree equation).
//
// Design: the transmission zeros come from the Jacobi elliptic sine (theta series) of modulus 1/xi;
// the rational function R(w) with those poles and the matching reflection zeros is normalised to
// R(1) = 1; the poles are the roots of e R(w) = j (s = j w, left half plane), found by the library's
// root finder. Design time only.
#pragma once

#include "dsp/filters/AnalogPrototype.h"
#include "dsp/filters/PolySolver.h"

namespace Dsp::Elliptic {

inline constexpr int kMaxOrder = 20;

// Complete elliptic integral of the first kind, K(k) = pi / (2 AGM(1, sqrt(1 - k^2))), 0 <= k < 1.
double completeEllipticIntegral(double k);

// design(numPoles, rippleDb, rolloff): see AnalogPrototype; also throws for a ripple that is not
// positive or a rolloff that is not finite.
class AnalogLowPass : public AnalogPrototype<AnalogLowPass, double, double> {
 public:
  static constexpr int kMaxOrder = Elliptic::kMaxOrder;
  static constexpr double kDefaultNormalW = 0.0;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles, double rippleDb, double rolloff);

  PolySolver mSolver{kMaxOrder};
};

}  // namespace Dsp::Elliptic
