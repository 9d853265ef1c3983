#include "dsp/classifier/EnergyPeriodicity.h"

#include <algorithm>
#include <iterator>

#include "dsp/classifier/BlockStatistics.h"
#include "dsp/classifier/ClassifierMemory.h"
#include "dsp/classifier/FftRadix2.h"

namespace classifier {

namespace {

constexpr uint32_t kLength = kEnergyPeriodicityHistoryLength;
constexpr uint32_t kMask = kLength - 1;
// Entries moved from the history to the older energies per call of get: one decision's worth of blocks.
constexpr uint32_t kShift = 32;
// Lags below this (30 blocks, 0.48 s) are too short to count as a period.
constexpr uint32_t kFirstLag = 30;
constexpr uint32_t kLastLag = 255;

// Older energies, then the history from oldest to newest, both less their common mean; zero padded so the
// circular autocorrelation equals the linear one.
void load_sequence(EnergyPeriodicityState& s) {
  const float mean = (block_sum(s.older, kLength) + block_sum(s.history, kLength)) / 256.0f;
  for (uint32_t i = 0; i < kLength; ++i) s.re[i] = s.older[i] - mean;
  for (uint32_t i = 0; i < kLength; ++i) s.re[kLength + i] = s.history[(s.index + i) & kMask] - mean;
  std::fill(s.re + 2 * kLength, s.re + kEnergyPeriodicityFftSize, 0.0f);
  std::fill(std::begin(s.im), std::end(s.im), 0.0f);
}

void shift_older(EnergyPeriodicityState& s) {
  std::copy(s.older + kShift, s.older + kLength, s.older);
  for (uint32_t i = 0; i < kShift; ++i) s.older[kLength - kShift + i] = s.history[(s.index + i) & kMask];
}

}  // namespace

uint64_t energy_periodicity_size() {
  return sizeof(EnergyPeriodicityState);
}

int energy_periodicity_init(EnergyPeriodicityState* state, uint64_t size) {
  if (!is_usable_memory(state, size, energy_periodicity_size())) return -1;
  std::fill(std::begin(state->history), std::end(state->history), 0.0f);
  state->index = 0;
  std::fill(std::begin(state->older), std::end(state->older), 0.0f);
  return 0;
}

int energy_periodicity_process(EnergyPeriodicityState* state, const float* samples, uint32_t count) {
  if (state == nullptr || samples == nullptr || count != kEnergyPeriodicityBlockLength) return -1;
  state->history[state->index] = block_mean_square(samples, kEnergyPeriodicityBlockLength);
  state->index = (state->index + 1) % kLength;
  return 0;
}

float energy_periodicity_get(EnergyPeriodicityState* state) {
  EnergyPeriodicityState& s = *state;
  load_sequence(s);
  shift_older(s);
  fft_autocorrelation(s.re, s.im, kEnergyPeriodicityFftSize);
  if (!(s.re[0] > 0.0f)) return 0.0f;
  float best = 0.0f;
  for (uint32_t lag = kFirstLag; lag <= kLastLag; ++lag) best = std::max(best, s.re[lag]);
  return best / s.re[0];
}

}  // namespace classifier
