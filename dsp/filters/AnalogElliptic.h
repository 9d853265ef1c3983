// Elliptic (Cauer) analog low-pass prototype: equiripple pass band up to 1 rad/s with the given ripple,
// equiripple stop band from xi = 5 e^(rolloff - 1) + 1 rad/s on, zeros on the imaginary axis. The
// stop-band depth follows from order, ripple and xi by the degree equation: with the selectivity
// k = 1 / xi and the modulus k1 solving it, the stop band lies 10 log10(1 + e^2 / k1^2) dB down, where
// e^2 = 10^(ripple / 10) - 1.
//
// Design (closed forms, no polynomial roots): with K = K(k), u_i = (2i - 1) / n for i = 1..n/2 and
// v0 = Im sn^-1(j / e, k1) / (n K(k1)), the pole pairs are j cd((u_i - j v0) K, k), their transmission
// zeros j / (k cd(u_i K, k)), and an odd order adds the real pole j sn(j v0 K, k). Jacobi functions by
// JacobiElliptic.h in long double. Design time only.
#pragma once

#include "dsp/filters/AnalogPrototype.h"

namespace Dsp::Elliptic {

inline constexpr int kMaxOrder = 20;
// Rolloffs below this design as this one: their transition band, xi - 1 = 5 e^(rolloff - 1) < 1e-9,
// is too narrow for poles and zeros held in double precision (below about -35 the poles would reach
// the imaginary axis).
inline constexpr double kNarrowestRolloff = -20.0;

// Complete elliptic integral of the first kind K(k), 0 <= k < 1.
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
};

}  // namespace Dsp::Elliptic
