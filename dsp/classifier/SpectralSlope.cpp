#include "dsp/classifier/SpectralSlope.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "dsp/classifier/ClassifierMemory.h"
#include "dsp/classifier/ClassifierTables.h"
#include "dsp/classifier/FftRadix2.h"

namespace classifier {

namespace {

constexpr uint32_t kBinCount = kSlopeBlockLength / 2;
// Level given to an empty bin in the fit.
constexpr float kEmptyBinLevel = -120.0f;
// Sum of k over the bins, and 256 sum(k^2) - (sum k)^2: the denominator of the least-squares slope.
constexpr float kSumOfBins = 32640.0f;
constexpr float kSlopeDenominator = 357908480.0f;

float sum_of_magnitudes(const float* x) {
  float sum = 0.0f;
  for (uint32_t i = 0; i < kSlopeBlockLength; ++i) sum += std::fabs(x[i]);
  return sum;
}

// Remembers this block's peak and returns the largest of the remembered ones (at least 1).
float remember_peak(SpectralSlopeState& s, const float* x) {
  float peak = 1.0f;
  for (uint32_t i = 0; i < kSlopeBlockLength; ++i) peak = std::max(peak, std::fabs(x[i]));
  s.peaks[s.peakIndex] = peak;
  s.peakIndex = (s.peakIndex + 1) % kSlopePeakHistoryLength;
  float norm = 1.0f;
  for (float p : s.peaks) norm = std::max(norm, p);
  return norm;
}

float fitted_slope(SpectralSlopeState& s, const float* x) {
  float sum = 0.0f;
  for (uint32_t i = 0; i < kSlopeBlockLength; ++i) sum += x[i];
  const float mean = sum / static_cast<float>(kSlopeBlockLength);
  const float norm = remember_peak(s, x);
  for (uint32_t i = 0; i < kSlopeBlockLength; ++i) {
    s.re[i] = kHammingWindow512[i] * (x[i] - mean) / norm;
    s.im[i] = 0.0f;
  }
  fft_radix2(s.re, s.im, kSlopeBlockLength);
  float sumLevels = 0.0f;
  float sumWeightedLevels = 0.0f;
  for (uint32_t k = 0; k < kBinCount; ++k) {
    const float power = s.re[k] * s.re[k] + s.im[k] * s.im[k];
    const float level = power > 0.0f ? 10.0f * std::log10(power) : kEmptyBinLevel;
    sumLevels += level;
    sumWeightedLevels += static_cast<float>(k) * level;
  }
  return (static_cast<float>(kBinCount) * sumWeightedLevels - sumLevels * kSumOfBins) / kSlopeDenominator;
}

}  // namespace

uint64_t spectral_slope_size() {
  return sizeof(SpectralSlopeState);
}

int spectral_slope_init(SpectralSlopeState* state, uint64_t size) {
  if (!is_usable_memory(state, size, spectral_slope_size())) return -1;
  std::fill(std::begin(state->history), std::end(state->history), 0.0f);
  state->index = 0;
  std::fill(std::begin(state->peaks), std::end(state->peaks), kSlopeInitialPeak);
  state->peakIndex = 0;
  return 0;
}

int spectral_slope_process(SpectralSlopeState* state, const float* samples, uint32_t count) {
  if (state == nullptr || samples == nullptr || count != kSlopeBlockLength) return -1;
  SpectralSlopeState& s = *state;
  const bool quiet = sum_of_magnitudes(samples) < kSlopeQuietSum;
  s.history[s.index] = quiet ? 0.0f : fitted_slope(s, samples);
  s.index = (s.index + 1) % kSlopeHistoryLength;
  return 0;
}

float spectral_slope_get(const SpectralSlopeState* state) {
  constexpr float kCount = static_cast<float>(kSlopeHistoryLength);
  float sum = 0.0f;
  for (float v : state->history) sum += v;
  const float mean = sum / kCount;
  float sumCubes = 0.0f;
  for (float v : state->history) {
    const float d = v - mean;
    sumCubes += d * d * d;
  }
  const float thirdMoment = sumCubes / kCount;
  return thirdMoment != 0.0f ? std::log(std::fabs(thirdMoment)) : 0.0f;
}

}  // namespace classifier
