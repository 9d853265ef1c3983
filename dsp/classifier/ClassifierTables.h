// Constant tables of the audio classifier: the low-pass filters of the 16 kHz resampler and the two
// analysis windows. ClassifierTables.cpp is written by tools/classifier_tables (run by hand, output committed).
#pragma once

#include <cstdint>

namespace classifier {

// Linear-phase low-pass FIR filters, symmetric, taps summing to 0.99 (per polyphase branch for the
// 44.1 kHz table, whose 160 branches are interleaved: tap k belongs to branch k mod 160).
inline constexpr uint32_t kLowPass32kTapCount = 129;
inline constexpr uint32_t kLowPass44kTapCount = 28225;
inline constexpr uint32_t kLowPass48kTapCount = 193;
extern const float kLowPass32kTaps[kLowPass32kTapCount];
extern const float kLowPass44kTaps[kLowPass44kTapCount];
extern const float kLowPass48kTaps[kLowPass48kTapCount];

// Hamming windows sampled at half-sample positions: w[i] = 0.54 - 0.46 cos(2 pi (i + 0.5) / N).
inline constexpr uint32_t kSlopeWindowLength = 512;
inline constexpr uint32_t kFluxWindowLength = 1024;
extern const float kHammingWindow512[kSlopeWindowLength];
extern const float kHammingWindow1024[kFluxWindowLength];

}  // namespace classifier
