// Single-precision block sums shared by the classifier's feature modules. Every sum runs in index order
// so that results do not depend on the compiler's choices.
#pragma once

#include <cstdint>

namespace classifier {

inline float block_sum(const float* x, uint32_t n) {
  float sum = 0.0f;
  for (uint32_t i = 0; i < n; ++i) sum += x[i];
  return sum;
}

inline float block_mean(const float* x, uint32_t n) {
  return block_sum(x, n) / static_cast<float>(n);
}

inline float block_mean_square(const float* x, uint32_t n) {
  float sum = 0.0f;
  for (uint32_t i = 0; i < n; ++i) sum += x[i] * x[i];
  return sum / static_cast<float>(n);
}

}  // namespace classifier
