#include "dsp/filters/Cascade.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace Dsp {

namespace {

struct UnitDelays {
  Complex z1;
  Complex z2;
};

UnitDelays delaysAt(double f) {
  const double w = 2.0 * std::numbers::pi * f;
  return {std::polar(1.0, -w), std::polar(1.0, -2.0 * w)};
}

// Response of the sections the layout describes, before any scaling: the product of the sections' own ratios,
// which stays within range where a product of all numerators or of all denominators would under- or overflow.
Complex layoutResponse(const PoleZeroLayout& layout, double f) {
  const UnitDelays d = delaysAt(f);
  Complex product(1.0);
  for (int i = 0; i < layout.getNumSets(); ++i) {
    Biquad stage;
    stage.assignSection(layout[i]);
    product *= stage.numeratorAt(d.z1, d.z2) / stage.denominatorAt(d.z1, d.z2);
  }
  return product;
}

}  // namespace

Cascade::Cascade(Biquad* storage, int maxStages) : mMaxStages(maxStages), mStages(storage) {}

const Biquad& Cascade::operator[](int index) const {
  if (index < 0 || index >= mNumStages) throw std::logic_error("cascade stage index out of range");
  return mStages[index];
}

void Cascade::buildFromLayout(const PoleZeroLayout& layout) {
  const int numStages = layout.getNumSets();
  if (numStages > mMaxStages) throw std::logic_error("cascade: more stages than the filter's storage holds");
  const double magnitude = std::abs(layoutResponse(layout, layout.getNormalW() / (2.0 * std::numbers::pi)));
  // A zero at the normal point (or a broken layout) leaves no gain to normalise against.
  if (!(magnitude > 0.0) || !std::isfinite(magnitude))
    throw std::logic_error("cascade: response at the normal point is zero or not finite");
  const double scale = layout.getNormalGain() / magnitude;
  if (!(scale > 0.0) || !std::isfinite(scale))
    throw std::logic_error("cascade: gain to reach at the normal point is zero or not finite");
  // Every family's prototype is stable: a digital pole on or outside the unit circle is its roots lost to
  // rounding (a Chebyshev ripple of hundreds of dB puts them on the imaginary axis).
  for (int i = 0; i < numStages; ++i) {
    const PoleZeroSet& set = layout[i];
    if (!(std::abs(set.poles.first) < 1.0) || !(std::abs(set.poles.second) < 1.0))
      throw std::logic_error("cascade: a pole on or outside the unit circle");
  }

  // The sections as they will run, the first one scaled.
  for (int i = 0; i < numStages; ++i) {
    Biquad stage;
    stage.assignSectionWithGain(layout[i], i == 0 ? scale : 1.0);
    stage.checkRealised();
  }

  mNumStages = numStages;
  for (int i = 0; i < numStages; ++i) mStages[i].assignSection(layout[i]);
  scaleNumerator(scale);
}

Complex Cascade::response(double f) const {
  const UnitDelays d = delaysAt(f);
  Complex product(1.0);
  for (int i = 0; i < mNumStages; ++i)
    product *= mStages[i].numeratorAt(d.z1, d.z2) / mStages[i].denominatorAt(d.z1, d.z2);
  return product;
}

std::vector<StagePoleZeros> Cascade::poleZeros() const {
  std::vector<StagePoleZeros> result;
  result.reserve(mNumStages);
  for (int i = 0; i < mNumStages; ++i) {
    const std::vector<StagePoleZeros> stage = mStages[i].poleZeros();
    result.insert(result.end(), stage.begin(), stage.end());
  }
  return result;
}

void Cascade::scaleNumerator(double scale) {
  if (mNumStages > 0) mStages[0].scaleNumerator(scale);
}

}  // namespace Dsp
