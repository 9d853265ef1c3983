// A chain of biquads built from a digital pole-zero layout and scaled so that its response at the
// layout's normal point has the normal gain. Design time only; not thread-safe.
#pragma once

#include <array>
#include <vector>

#include "dsp/filters/Biquad.h"
#include "dsp/filters/PoleZeroLayout.h"

namespace Dsp {

class Cascade {
 public:
  Cascade(Biquad* storage, int maxStages);
  Cascade(const Cascade&) = delete;
  Cascade& operator=(const Cascade&) = delete;

  int getNumStages() const { return mNumStages; }
  int getMaxStages() const { return mMaxStages; }
  const Biquad& operator[](int index) const;
  // The stages in use, unchecked, for per-sample loops.
  const Biquad* getStages() const { return mStages; }

  // Replaces the stages with one per pole-zero set and scales the first so that the magnitude at the
  // normal point is the normal gain. Throws std::logic_error, leaving the stages as they were, when
  // the layout needs more stages than the storage holds, its response at the normal point or the gain to
  // reach there is 0 or not finite, a pole lies on or outside the unit circle, or a realised stage fails
  // Biquad::checkRealised.
  void buildFromLayout(const PoleZeroLayout& layout);

  // Frequency response at f cycles per sample: the product of the stages' responses.
  Complex response(double f) const;
  std::vector<StagePoleZeros> poleZeros() const;
  void scaleNumerator(double scale);

 private:
  int mNumStages = 0;
  int mMaxStages;
  Biquad* mStages;
};

template <int MaxStages>
struct CascadeStorage {
  std::array<Biquad, MaxStages> stages{};
};

// A cascade together with storage for MaxStages stages (the storage base is constructed first).
template <int MaxStages>
class OwnedCascade : private CascadeStorage<MaxStages>, public Cascade {
 public:
  OwnedCascade() : Cascade(this->stages.data(), MaxStages) {}
};

}  // namespace Dsp
