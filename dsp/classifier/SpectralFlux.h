// Classifier feature 0: how much the magnitude spectrum changes from one 1024-sample frame to the next,
// averaged over the last 32 frames.
#pragma once

#include <cstdint>

namespace classifier {

inline constexpr uint32_t kFluxBlockLength = 1024;
inline constexpr uint32_t kFluxHistoryLength = 32;

struct SpectralFluxState {
  float history[kFluxHistoryLength];
  uint32_t index;
  float previous[kFluxBlockLength / 2];
  float re[kFluxBlockLength];
  float im[kFluxBlockLength];
};

// All operations: caller's thread, never block, never allocate.
uint64_t spectral_flux_size();
// Clears the history and the previous spectrum. Returns 0, or -1 for missing, small or misaligned memory.
int spectral_flux_init(SpectralFluxState* state, uint64_t size);
// Takes one block of exactly 1024 samples; returns 0, or -1 (nothing changed) for any other count.
int spectral_flux_process(SpectralFluxState* state, const float* samples, uint32_t count);
// ln of the mean flux over the history, or 0 when that mean is not positive.
float spectral_flux_get(const SpectralFluxState* state);

}  // namespace classifier
