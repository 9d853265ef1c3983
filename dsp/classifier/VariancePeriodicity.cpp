#include "dsp/classifier/VariancePeriodicity.h"

#include <algorithm>
#include <iterator>

#include "dsp/classifier/BlockStatistics.h"
#include "dsp/classifier/ClassifierMemory.h"
#include "dsp/classifier/FftRadix2.h"

namespace classifier {

namespace {

constexpr uint32_t kLength = kVarianceHistoryLength;
constexpr uint32_t kMask = kLength - 1;
// Lags below this (10 blocks, 0.16 s) are too short to count as a period.
constexpr uint32_t kFirstLag = 10;

// The variances from oldest to newest, divided by their mean and centred, zero padded to twice the length.
void load_sequence(VariancePeriodicityState& s, float mean) {
  float sumRatios = 0.0f;
  for (uint32_t i = 0; i < kLength; ++i) sumRatios += s.history[i] / mean;
  const float meanRatio = sumRatios / static_cast<float>(kLength);
  for (uint32_t i = 0; i < kLength; ++i) s.re[i] = s.history[(s.index + i) & kMask] / mean - meanRatio;
  std::fill(s.re + kLength, s.re + kVarianceFftSize, 0.0f);
  std::fill(std::begin(s.im), std::end(s.im), 0.0f);
}

// Smooths this call's correlation (in re) with the two before it, leaving the result in re.
void smooth_correlation(VariancePeriodicityState& s) {
  for (uint32_t lag = 0; lag < kLength; ++lag) {
    const float raw = s.re[lag];
    s.re[lag] = raw + 0.5f * s.previousCorrelation[lag] + 0.25f * s.earlierCorrelation[lag];
    s.earlierCorrelation[lag] = s.previousCorrelation[lag];
    s.previousCorrelation[lag] = raw;
  }
}

}  // namespace

uint64_t variance_periodicity_size() {
  return sizeof(VariancePeriodicityState);
}

int variance_periodicity_init(VariancePeriodicityState* state, uint64_t size) {
  if (!is_usable_memory(state, size, variance_periodicity_size())) return -1;
  std::fill(std::begin(state->history), std::end(state->history), 0.0f);
  state->index = 0;
  std::fill(std::begin(state->previousCorrelation), std::end(state->previousCorrelation), 0.0f);
  std::fill(std::begin(state->earlierCorrelation), std::end(state->earlierCorrelation), 0.0f);
  return 0;
}

int variance_periodicity_process(VariancePeriodicityState* state, const float* samples, uint32_t count) {
  if (state == nullptr || samples == nullptr || count != kVarianceBlockLength) return -1;
  const float mean = block_mean(samples, kVarianceBlockLength);
  float sumSquares = 0.0f;
  for (uint32_t i = 0; i < kVarianceBlockLength; ++i) {
    const float d = samples[i] - mean;
    sumSquares += d * d;
  }
  state->history[state->index] = sumSquares / static_cast<float>(kVarianceBlockLength);
  state->index = (state->index + 1) % kLength;
  return 0;
}

float variance_periodicity_get(VariancePeriodicityState* state) {
  VariancePeriodicityState& s = *state;
  const float mean = block_mean(s.history, kLength);
  if (!(mean > 0.0f)) return 0.0f;
  load_sequence(s, mean);
  fft_autocorrelation(s.re, s.im, kVarianceFftSize);
  smooth_correlation(s);
  if (s.re[0] == 0.0f) return 0.0f;
  float best = 0.0f;
  for (uint32_t lag = kFirstLag; lag < kLength; ++lag) best = std::max(best, s.re[lag]);
  return best / s.re[0];
}

}  // namespace classifier
