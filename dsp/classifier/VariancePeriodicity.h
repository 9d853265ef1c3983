// Classifier feature 5: how periodic the short-term variance is. The variances of the last 128 blocks of
// 256 samples are autocorrelated, the correlation is smoothed over the last three calls, and the feature is
// the strongest smoothed correlation at lags of 10 blocks and more relative to lag 0.
#pragma once

#include <cstdint>

namespace classifier {

inline constexpr uint32_t kVarianceBlockLength = 256;
inline constexpr uint32_t kVarianceHistoryLength = 128;
inline constexpr uint32_t kVarianceFftSize = 256;

struct VariancePeriodicityState {
  float history[kVarianceHistoryLength];
  uint32_t index;
  float previousCorrelation[kVarianceHistoryLength];
  float earlierCorrelation[kVarianceHistoryLength];
  float re[kVarianceFftSize];
  float im[kVarianceFftSize];
};

// All operations: caller's thread, never block, never allocate.
uint64_t variance_periodicity_size();
// Clears the history and both remembered correlations. Returns 0, or -1 for missing, small or misaligned
// memory.
int variance_periodicity_init(VariancePeriodicityState* state, uint64_t size);
// Takes one block of exactly 256 samples; returns 0, or -1 (nothing changed) for any other count.
int variance_periodicity_process(VariancePeriodicityState* state, const float* samples, uint32_t count);
// Computes the feature and remembers this call's correlation for the next two calls (not when the mean
// variance is 0, which gives 0 and changes nothing).
float variance_periodicity_get(VariancePeriodicityState* state);

}  // namespace classifier
