#include "dsp/filters/CustomDesigns.h"

#include <cmath>
#include <stdexcept>

namespace Dsp::Custom {

void OnePole::configure(double scale, double pole, double zero) {
  assignSinglePole(pole, zero);
  scaleNumerator(scale);
}

void TwoPole::configure(double scale, double poleRho, double poleTheta, double zeroRho, double zeroTheta) {
  // std::polar needs a finite, non-negative radius and a finite angle.
  if (!(poleRho >= 0.0 && zeroRho >= 0.0) || !std::isfinite(poleRho + zeroRho + poleTheta + zeroTheta))
    throw std::logic_error("two-pole design: radii must be non-negative, radii and angles finite");
  const Complex pole = std::polar(poleRho, poleTheta);
  const Complex zero = std::polar(zeroRho, zeroTheta);
  assignPolePair(pole, zero, std::conj(pole), std::conj(zero));
  scaleNumerator(scale);
}

}  // namespace Dsp::Custom
