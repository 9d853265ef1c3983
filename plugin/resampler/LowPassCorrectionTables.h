// Attenuation corrections of the low-pass design, one table per transition-band class (bw >= 0.25,
// 0.1 <= bw < 0.25, bw < 0.1): entry i is the attenuation the uncorrected design misses, in units of
// 1 / scale dB, at the attenuation term a = -49 - i x 176.25 / 264. Made by tools/lowpass_corrections.
#pragma once

namespace rsmp {

constexpr int kLowPassCorrectionCount = 265;
constexpr double kLowPassCorrectionScales[3] = {101.0, 210.0, 196.0};
extern const signed char kLowPassCorrections[3][kLowPassCorrectionCount];

}  // namespace rsmp
