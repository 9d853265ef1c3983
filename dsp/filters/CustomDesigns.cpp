#include "dsp/filters/CustomDesigns.h"

#include <cmath>
#include <stdexcept>

namespace Dsp::Custom {

void OnePole::configure(double scale, double pole, double zero) {
  if (!std::isfinite(scale) || !std::isfinite(pole) || !std::isfinite(zero))
    throw std::logic_error("one-pole design: scale, pole and zero must be finite");
  Biquad next;
  next.assignSinglePole(pole, zero);
  next.scaleNumerator(scale);
  assignRealised(next);
}

void TwoPole::configure(double scale, double poleRho, double poleTheta, double zeroRho, double zeroTheta) {
  // rho (cos theta, sin theta) for any finite radius: a negative one mirrors the pair through the origin,
  // a1 = -2 rho cos theta and a2 = rho^2 as for a positive one.
  for (const double value : {scale, poleRho, poleTheta, zeroRho, zeroTheta})
    if (!std::isfinite(value)) throw std::logic_error("two-pole design: scale, radii and angles must be finite");
  const Complex pole(poleRho * std::cos(poleTheta), poleRho * std::sin(poleTheta));
  const Complex zero(zeroRho * std::cos(zeroTheta), zeroRho * std::sin(zeroTheta));
  Biquad next;
  next.assignPolePair(pole, zero, std::conj(pole), std::conj(zero));
  next.scaleNumerator(scale);
  assignRealised(next);
}

}  // namespace Dsp::Custom
