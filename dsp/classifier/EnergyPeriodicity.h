// Classifier feature 6: how periodic the short-term energy is. The energies of the last 256 blocks of 256
// samples (about 4 s at 16 kHz) are autocorrelated; the feature is the strongest correlation at lags of
// 30 blocks and more relative to lag 0.
#pragma once

#include <cstdint>

namespace classifier {

inline constexpr uint32_t kEnergyPeriodicityBlockLength = 256;
inline constexpr uint32_t kEnergyPeriodicityHistoryLength = 128;
inline constexpr uint32_t kEnergyPeriodicityFftSize = 512;

struct EnergyPeriodicityState {
  float history[kEnergyPeriodicityHistoryLength];
  uint32_t index;
  float older[kEnergyPeriodicityHistoryLength];
  float re[kEnergyPeriodicityFftSize];
  float im[kEnergyPeriodicityFftSize];
};

// All operations: caller's thread, never block, never allocate.
uint64_t energy_periodicity_size();
// Clears both energy histories. Returns 0, or -1 for missing, small or misaligned memory.
int energy_periodicity_init(EnergyPeriodicityState* state, uint64_t size);
// Takes one block of exactly 256 samples; returns 0, or -1 (nothing changed) for any other count.
int energy_periodicity_process(EnergyPeriodicityState* state, const float* samples, uint32_t count);
// Computes the feature and moves the 32 oldest history entries into the older energies, so it is meant to
// be called once per 32 blocks (once per decision).
float energy_periodicity_get(EnergyPeriodicityState* state);

}  // namespace classifier
