// Single-biquad designs after the published RBJ audio-EQ formulas. Each is a Biquad configured from
// (sampleRate, frequency, ...): the frequency must lie between 0 and the Nyquist frequency, Q, slope
// and bandwidth must be positive. Bad arguments throw std::logic_error and leave the coefficients as
// they were. Design time only.
#pragma once

#include "dsp/filters/Biquad.h"

namespace Dsp::RBJ {

class LowPass : public Biquad {
 public:
  void configure(double sampleRate, double cutoffFrequency, double q);
};

class HighPass : public Biquad {
 public:
  void configure(double sampleRate, double cutoffFrequency, double q);
};

// Band-pass whose peak gain is Q (constant skirt gain).
class BandPass1 : public Biquad {
 public:
  void configure(double sampleRate, double centerFrequency, double q);
};

// Band-pass with 0 dB at its peak.
class BandPass2 : public Biquad {
 public:
  void configure(double sampleRate, double centerFrequency, double q);
};

class BandStop : public Biquad {
 public:
  void configure(double sampleRate, double centerFrequency, double q);
};

class AllPass : public Biquad {
 public:
  void configure(double sampleRate, double phaseFrequency, double q);
};

// Shelves: shelfSlope 1 is the steepest slope that stays monotonic; a slope for which the formula's
// square root would turn negative is refused.
class LowShelf : public Biquad {
 public:
  void configure(double sampleRate, double cutoffFrequency, double gainDb, double shelfSlope);
};

class HighShelf : public Biquad {
 public:
  void configure(double sampleRate, double cutoffFrequency, double gainDb, double shelfSlope);
};

// Peaking band with gainDb at the centre and a bandwidth in octaves.
class BandShelf : public Biquad {
 public:
  void configure(double sampleRate, double centerFrequency, double gainDb, double bandWidth);
};

}  // namespace Dsp::RBJ
