#include "dsp/classifier/ZeroCrossings.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "dsp/classifier/BlockStatistics.h"
#include "dsp/classifier/ClassifierMemory.h"

namespace classifier {

namespace {

constexpr float kCount = static_cast<float>(kZcrHistoryLength);

// Sign state 0 waits for a negative sample, 1 for a positive one; each change counts one crossing.
float count_crossings(uint32_t& signState, const float* x) {
  int crossings = 0;
  for (uint32_t i = 0; i < kZcrBlockLength; ++i) {
    if (signState == 0 && x[i] < 0.0f) {
      signState = 1;
      ++crossings;
    } else if (signState == 1 && x[i] > 0.0f) {
      signState = 0;
      ++crossings;
    }
  }
  return static_cast<float>(crossings);
}

template <typename State>
int init_counts(State* state, uint64_t size) {
  if (!is_usable_memory(state, size, sizeof(State))) return -1;
  std::fill(std::begin(state->history), std::end(state->history), 0.0f);
  state->index = 0;
  state->signState = 0;
  return 0;
}

template <typename State>
int process_counts(State* state, const float* samples, uint32_t count) {
  if (state == nullptr || samples == nullptr || count != kZcrBlockLength) return -1;
  state->history[state->index] = count_crossings(state->signState, samples);
  state->index = (state->index + 1) % kZcrHistoryLength;
  return 0;
}

// Descending selection sort; of equal values the first is picked, so equal values keep their order.
void sort_descending(float* values, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t largest = i;
    for (uint32_t j = i + 1; j < n; ++j) {
      if (values[j] > values[largest]) largest = j;
    }
    std::swap(values[i], values[largest]);
  }
}

}  // namespace

uint64_t zcr_skewness_size() {
  return sizeof(ZcrSkewnessState);
}

int zcr_skewness_init(ZcrSkewnessState* state, uint64_t size) {
  return init_counts(state, size);
}

int zcr_skewness_process(ZcrSkewnessState* state, const float* samples, uint32_t count) {
  return process_counts(state, samples, count);
}

float zcr_skewness_get(const ZcrSkewnessState* state) {
  const float mean = block_mean(state->history, kZcrHistoryLength);
  float sumSquares = 0.0f;
  float sumCubes = 0.0f;
  for (float c : state->history) {
    const float d = c - mean;
    sumSquares += d * d;
    sumCubes += d * d * d;
  }
  const float variance = sumSquares / kCount;
  const float thirdMoment = sumCubes / kCount;
  if (thirdMoment == 0.0f || !(variance > 0.0f)) return 0.0f;
  return thirdMoment / (std::sqrt(variance) * variance);
}

uint64_t zcr_median_ratio_size() {
  return sizeof(ZcrMedianRatioState);
}

int zcr_median_ratio_init(ZcrMedianRatioState* state, uint64_t size) {
  return init_counts(state, size);
}

int zcr_median_ratio_process(ZcrMedianRatioState* state, const float* samples, uint32_t count) {
  return process_counts(state, samples, count);
}

float zcr_median_ratio_get(ZcrMedianRatioState* state) {
  std::copy(std::begin(state->history), std::end(state->history), state->sorted);
  const float mean = block_sum(state->sorted, kZcrHistoryLength) / kCount;
  sort_descending(state->sorted, kZcrHistoryLength);
  if (mean == 0.0f) return 0.0f;
  const uint32_t middle = kZcrHistoryLength / 2;
  return (state->sorted[middle - 1] + state->sorted[middle]) / 2.0f / mean;
}

}  // namespace classifier
