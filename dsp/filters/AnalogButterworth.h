// Maximally flat analog prototypes: the low-pass with its -3 dB corner at 1 rad/s, and the low shelf
// whose gain goes from gainDb at DC to 0 dB at high frequencies. Design time only.
#pragma once

#include <numbers>

#include "dsp/filters/AnalogPrototype.h"

namespace Dsp::Butterworth {

// The largest order the designs accept.
inline constexpr int kMaxOrder = 50;

// design(numPoles): see AnalogPrototype.
class AnalogLowPass : public AnalogPrototype<AnalogLowPass> {
 public:
  static constexpr int kMaxOrder = Butterworth::kMaxOrder;
  static constexpr double kDefaultNormalW = 0.0;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles);
};

// design(numPoles, gainDb): also throws for a gain that is not finite.
class AnalogLowShelf : public AnalogPrototype<AnalogLowShelf, double> {
 public:
  static constexpr int kMaxOrder = Butterworth::kMaxOrder;
  static constexpr double kDefaultNormalW = std::numbers::pi;

  using AnalogPrototype::AnalogPrototype;

 private:
  friend AnalogPrototype;
  void redesign(int numPoles, double gainDb);
};

}  // namespace Dsp::Butterworth
