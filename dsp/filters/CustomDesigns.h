// Sections set directly by their poles and zeros. Design time only.
#pragma once

#include "dsp/filters/Biquad.h"

namespace Dsp::Custom {

// scale (1 - zero z^-1) / (1 - pole z^-1), pole and zero real; scale, pole and zero must be finite.
class OnePole : public Biquad {
 public:
  void configure(double scale, double pole, double zero);
};

// A conjugate pole pair at poleRho e^(+-i poleTheta) and a conjugate zero pair at
// zeroRho e^(+-i zeroTheta), numerator scaled by scale. A negative radius is taken as it is (the pair
// mirrored through the origin); scale, radii and angles must be finite.
class TwoPole : public Biquad {
 public:
  void configure(double scale, double poleRho, double poleTheta, double zeroRho, double zeroTheta);
};

}  // namespace Dsp::Custom
