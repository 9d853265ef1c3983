// Classifier feature 1: the skew of the spectral tilt. Each 512-sample block's log power spectrum gets a
// least-squares slope; the feature is ln |third central moment| of the last 64 slopes.
#pragma once

#include <cstdint>

namespace classifier {

inline constexpr uint32_t kSlopeBlockLength = 512;
inline constexpr uint32_t kSlopeHistoryLength = 64;
inline constexpr uint32_t kSlopePeakHistoryLength = 16;
// Blocks whose summed magnitude (16-bit scale) is below this are too quiet to fit: they store slope 0.
inline constexpr float kSlopeQuietSum = 5120.0f;
// Starting value of every remembered block peak: full scale on the 16-bit scale.
inline constexpr float kSlopeInitialPeak = 32768.0f;

struct SpectralSlopeState {
  float history[kSlopeHistoryLength];
  uint32_t index;
  float peaks[kSlopePeakHistoryLength];
  uint32_t peakIndex;
  float re[kSlopeBlockLength];
  float im[kSlopeBlockLength];
};

// All operations: caller's thread, never block, never allocate.
uint64_t spectral_slope_size();
// Clears the slope history and sets every remembered peak to full scale. Returns 0, or -1 for missing,
// small or misaligned memory.
int spectral_slope_init(SpectralSlopeState* state, uint64_t size);
// Takes one block of exactly 512 samples; returns 0, or -1 (nothing changed) for any other count.
int spectral_slope_process(SpectralSlopeState* state, const float* samples, uint32_t count);
float spectral_slope_get(const SpectralSlopeState* state);

}  // namespace classifier
