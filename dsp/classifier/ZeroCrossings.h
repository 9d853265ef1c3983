// Classifier features 3 and 4, both over the zero-crossing counts of the last 128 blocks of 256 samples:
// the skewness of the counts and the ratio of their median to their mean. Each module tracks the sign of
// its input on its own, across blocks; a sample of exactly 0 never crosses.
#pragma once

#include <cstdint>

namespace classifier {

inline constexpr uint32_t kZcrBlockLength = 256;
inline constexpr uint32_t kZcrHistoryLength = 128;

struct ZcrSkewnessState {
  float history[kZcrHistoryLength];
  uint32_t index;
  uint32_t signState;
};

struct ZcrMedianRatioState {
  float history[kZcrHistoryLength];
  uint32_t index;
  uint32_t signState;
  float sorted[kZcrHistoryLength];
};

// All operations: caller's thread, never block, never allocate. Init clears the history and the sign
// state and returns 0, or -1 for missing, small or misaligned memory. Process takes one block of exactly
// 256 samples and returns 0, or -1 (nothing changed) for any other count.

uint64_t zcr_skewness_size();
int zcr_skewness_init(ZcrSkewnessState* state, uint64_t size);
int zcr_skewness_process(ZcrSkewnessState* state, const float* samples, uint32_t count);
// Third central moment over the cube of the standard deviation; 0 when either is 0.
float zcr_skewness_get(const ZcrSkewnessState* state);

uint64_t zcr_median_ratio_size();
int zcr_median_ratio_init(ZcrMedianRatioState* state, uint64_t size);
int zcr_median_ratio_process(ZcrMedianRatioState* state, const float* samples, uint32_t count);
// Median (mean of the two middle counts) over the mean count; 0 when the mean is 0.
float zcr_median_ratio_get(ZcrMedianRatioState* state);

}  // namespace classifier
