#include "dsp/classifier/SpectralFlux.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "dsp/classifier/ClassifierMemory.h"
#include "dsp/classifier/ClassifierTables.h"
#include "dsp/classifier/FftRadix2.h"

namespace classifier {

namespace {

constexpr uint32_t kBinCount = kFluxBlockLength / 2;
// Bins below 7 (about 110 Hz at 16 kHz) and from 500 up carry no flux.
constexpr uint32_t kFirstFluxBin = 7;
constexpr uint32_t kEndFluxBin = 500;

float peak_magnitude(const float* x, uint32_t n) {
  float peak = 1.0f;
  for (uint32_t i = 0; i < n; ++i) peak = std::max(peak, std::fabs(x[i]));
  return peak;
}

// Windowed spectrum of the block, magnitudes left in re[0 .. kBinCount - 1].
void magnitude_spectrum(SpectralFluxState& s, const float* x) {
  const float peak = peak_magnitude(x, kFluxBlockLength);
  for (uint32_t i = 0; i < kFluxBlockLength; ++i) {
    s.re[i] = x[i] / peak * kHammingWindow1024[i];
    s.im[i] = 0.0f;
  }
  fft_radix2(s.re, s.im, kFluxBlockLength);
  for (uint32_t k = 0; k < kBinCount; ++k) {
    const float power = s.re[k] * s.re[k] + s.im[k] * s.im[k];
    s.re[k] = power > 0.0f ? std::sqrt(power) : 0.0f;
  }
}

float spectra_norm(const SpectralFluxState& s) {
  float energy = 0.0f;
  for (uint32_t k = 0; k < kBinCount; ++k) energy += s.previous[k] * s.previous[k] + s.re[k] * s.re[k];
  energy /= static_cast<float>(kFluxBlockLength);
  return energy > 0.0f ? std::sqrt(energy) : 1.0f;
}

}  // namespace

uint64_t spectral_flux_size() {
  return sizeof(SpectralFluxState);
}

int spectral_flux_init(SpectralFluxState* state, uint64_t size) {
  if (!is_usable_memory(state, size, spectral_flux_size())) return -1;
  std::fill(std::begin(state->history), std::end(state->history), 0.0f);
  state->index = 0;
  std::fill(std::begin(state->previous), std::end(state->previous), 0.0f);
  return 0;
}

int spectral_flux_process(SpectralFluxState* state, const float* samples, uint32_t count) {
  if (state == nullptr || samples == nullptr || count != kFluxBlockLength) return -1;
  SpectralFluxState& s = *state;
  magnitude_spectrum(s, samples);
  const float norm = spectra_norm(s);
  float flux = 0.0f;
  for (uint32_t k = 0; k < kBinCount; ++k) {
    float d = k >= kFirstFluxBin && k < kEndFluxBin ? s.re[k] - s.previous[k] : 0.0f;
    s.previous[k] = s.re[k];
    d /= norm;
    flux += d * d;
  }
  s.history[s.index] = flux;
  s.index = (s.index + 1) % kFluxHistoryLength;
  return 0;
}

float spectral_flux_get(const SpectralFluxState* state) {
  float sum = 0.0f;
  for (float v : state->history) sum += v;
  const float mean = sum / static_cast<float>(kFluxHistoryLength);
  return mean > 0.0f ? std::log(mean) : 0.0f;
}

}  // namespace classifier
