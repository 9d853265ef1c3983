// Classifier feature 2: how often the short-term energy falls from above to well below its average, counted
// over the last 128 blocks of 256 samples.
#pragma once

#include <cstdint>

namespace classifier {

inline constexpr uint32_t kEnergyBlockLength = 256;
inline constexpr uint32_t kEnergyHistoryLength = 128;

struct LowEnergyState {
  float history[kEnergyHistoryLength];
  uint32_t index;
};

// All operations: caller's thread, never block, never allocate.
uint64_t low_energy_size();
// Clears the history. Returns 0, or -1 for missing, small or misaligned memory.
int low_energy_init(LowEnergyState* state, uint64_t size);
// Takes one block of exactly 256 samples; returns 0, or -1 (nothing changed) for any other count.
int low_energy_process(LowEnergyState* state, const float* samples, uint32_t count);
// Number of storage positions i = 1..127 where 4 e[i] < mean and 4 e[i-1] > mean. The history is read in
// storage order, so the last position is never compared with the first.
float low_energy_get(const LowEnergyState* state);

}  // namespace classifier
