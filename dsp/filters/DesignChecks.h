// Argument checks shared by the prototypes, transforms and designs. Each throws std::logic_error
// naming the argument; NaN fails every check.
#pragma once

namespace Dsp {

// order: 1..maxOrder.
void checkOrder(int order, int maxOrder);
// value > 0 and finite.
void checkPositive(double value, const char* what);
// value finite.
void checkFinite(double value, const char* what);
// 0 < fc < 0.5 (cycles per sample).
void checkNormalisedFrequency(double fc);
// sampleRate > 0 and 0 < frequency < sampleRate / 2.
void checkFrequency(double sampleRate, double frequency);

}  // namespace Dsp
