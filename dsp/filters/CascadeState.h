// Per-channel running state of a cascade: direct form I (two input and two output delays per stage),
// kept in double precision whatever the sample type. Holds state for up to MaxStages stages.
//
// Threads: process and reset run on the audio thread; they never allocate, lock or throw. The
// cascade must not be re-designed while process runs.
#pragma once

#include <array>
#include <cassert>

#include "dsp/filters/Cascade.h"

namespace Dsp {

template <int MaxStages>
class CascadeState {
 public:
  // Audio thread. Clears every delay.
  void reset() { mStages = {}; }

  // Audio thread. Filters numSamples samples in place through the cascade's stages (at most
  // MaxStages of them; a cascade sized by the same design never has more).
  template <class Sample>
  void process(int numSamples, Sample* samples, const Cascade& cascade) {
    assert(cascade.getNumStages() <= MaxStages);
    const int numStages = cascade.getNumStages() < MaxStages ? cascade.getNumStages() : MaxStages;
    const Biquad* stages = cascade.getStages();
    for (int i = 0; i < numSamples; ++i) {
      double x = samples[i];
      for (int s = 0; s < numStages; ++s) x = step(mStages[s], stages[s], x);
      samples[i] = static_cast<Sample>(x);
    }
  }

 private:
  struct Delays {
    double x1 = 0.0;
    double x2 = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;
  };

  static double step(Delays& d, const Biquad& b, double x) {
    const double y = b.getB0() * x + b.getB1() * d.x1 + b.getB2() * d.x2 - b.getA1() * d.y1 - b.getA2() * d.y2;
    d.x2 = d.x1;
    d.x1 = x;
    d.y2 = d.y1;
    d.y1 = y;
    return y;
  }

  std::array<Delays, MaxStages> mStages{};
};

}  // namespace Dsp
