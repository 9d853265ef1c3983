#include "dsp/filters/AnalogButterworth.h"

#include <cmath>
#include <numbers>

#include "dsp/filters/DesignChecks.h"

namespace Dsp::Butterworth {

namespace {
constexpr double kPi = std::numbers::pi;
}

void AnalogLowPass::redesign(int numPoles) {
  mLayout.reset();
  const double n2 = 2.0 * numPoles;
  for (int i = 0; i < numPoles / 2; ++i) {
    const double theta = (2 * i + 1) * kPi / n2 + kPi / 2.0;
    mLayout.appendConjugates(std::polar(1.0, theta), infinity());
  }
  if (numPoles % 2 != 0) mLayout.appendSingle(-1.0, infinity());
  mLayout.setNormalPoint(0.0, 1.0);
}

void AnalogLowShelf::redesign(int numPoles, double gainDb) {
  checkShelfGain(gainDb);

  mLayout.reset();
  const double n2 = 2.0 * numPoles;
  // Poles at radius 1/g and zeros at radius g: the DC gain is g^(2n), the gain at infinity 1.
  const double g = std::pow(std::pow(10.0, gainDb / 20.0), 1.0 / n2);
  for (int i = 1; i <= numPoles / 2; ++i) {
    const double theta = kPi * (0.5 - (2 * i - 1) / n2);
    const Complex c = std::polar(1.0, theta);
    mLayout.appendConjugates(-(1.0 / g) * c, -g * c);
  }
  if (numPoles % 2 != 0) mLayout.appendSingle(-1.0 / g, -g);
  mLayout.setNormalPoint(kPi, 1.0);
}

}  // namespace Dsp::Butterworth
