// Equiripple analog prototypes: Chebyshev type I (ripple in the pass band, corner at 1 rad/s where the
// ripple band ends), Chebyshev type II (ripple in the stop band, which begins at 1 rad/s), and the
// low shelf with ripple that both families use for their shelves. Design time only.
#pragma once

#include <numbers>

#include "dsp/filters/AnalogPrototype.h"

namespace Dsp {

// Low shelf from gainDb at DC to 0 dB at high frequencies with rippleDb of ripple in the shelf's flat
// part, the ripple band lying between the gain and 0 dB. A ripple at or above the gain takes the
// ripple that eps = |G - 1| gives, less than the gain. A shelf whose G lies within 2^-26 of 1 (0 dB, or a
// gain below about 1.3e-7 dB) is the identity (poles on its zeros).
// design(numPoles, gainDb, rippleDb): see AnalogPrototype; also throws for a gain that is not finite
// or a ripple that is not positive.
class AnalogRippleShelf : public AnalogPrototype<AnalogRippleShelf, double, double> {
 public:
  static constexpr int kMaxOrder = 50;
  static constexpr double kDefaultNormalW = std::numbers::pi;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles, double gainDb, double rippleDb);
  void designIdentity(int numPoles);
};

namespace ChebyshevI {

inline constexpr int kMaxOrder = 50;

// design(numPoles, rippleDb): see AnalogPrototype; also throws for a ripple that is not positive.
class AnalogLowPass : public AnalogPrototype<AnalogLowPass, double> {
 public:
  static constexpr int kMaxOrder = ChebyshevI::kMaxOrder;
  static constexpr double kDefaultNormalW = 0.0;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles, double rippleDb);
};

using AnalogLowShelf = AnalogRippleShelf;

}  // namespace ChebyshevI

namespace ChebyshevII {

inline constexpr int kMaxOrder = 50;

// design(numPoles, stopBandDb): see AnalogPrototype; also throws for a stop-band attenuation that
// is not positive.
class AnalogLowPass : public AnalogPrototype<AnalogLowPass, double> {
 public:
  static constexpr int kMaxOrder = ChebyshevII::kMaxOrder;
  static constexpr double kDefaultNormalW = 0.0;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles, double stopBandDb);
};

using AnalogLowShelf = AnalogRippleShelf;

}  // namespace ChebyshevII

}  // namespace Dsp
