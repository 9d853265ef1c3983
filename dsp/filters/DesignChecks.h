// Argument checks shared by the prototypes, transforms and designs. Each throws std::logic_error
// naming the argument; NaN fails every check.
#pragma once

namespace Dsp {

// The largest shelf gain, either way (1e10 in amplitude). Past it the shelves' roots come within rounding of
// one another or of the unit circle and the shelf's end misses its gain: a Bessel shelf of -300 dB ends at an
// infinite gain, a ripple shelf of +400 dB at +544 dB, a biquad shelf of +2000 dB is infinite at DC.
inline constexpr double kMaxShelfGainDb = 200.0;

// order: 1..maxOrder.
void checkOrder(int order, int maxOrder);
// value > 0 and finite.
void checkPositive(double value, const char* what);
// value finite.
void checkFinite(double value, const char* what);
// A shelf's gain in dB: finite and within +-kMaxShelfGainDb.
void checkShelfGain(double gainDb);
// 0 < fc < 0.5 (cycles per sample).
void checkNormalisedFrequency(double fc);
// sampleRate > 0 and 0 < frequency < sampleRate / 2.
void checkFrequency(double sampleRate, double frequency);

}  // namespace Dsp
