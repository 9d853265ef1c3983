#include "dsp/classifier/LowEnergy.h"

#include <algorithm>
#include <iterator>

#include "dsp/classifier/BlockStatistics.h"
#include "dsp/classifier/ClassifierMemory.h"

namespace classifier {

uint64_t low_energy_size() {
  return sizeof(LowEnergyState);
}

int low_energy_init(LowEnergyState* state, uint64_t size) {
  if (!is_usable_memory(state, size, low_energy_size())) return -1;
  std::fill(std::begin(state->history), std::end(state->history), 0.0f);
  state->index = 0;
  return 0;
}

int low_energy_process(LowEnergyState* state, const float* samples, uint32_t count) {
  if (state == nullptr || samples == nullptr || count != kEnergyBlockLength) return -1;
  state->history[state->index] = block_mean_square(samples, kEnergyBlockLength);
  state->index = (state->index + 1) % kEnergyHistoryLength;
  return 0;
}

float low_energy_get(const LowEnergyState* state) {
  const float* e = state->history;
  const float mean = block_mean(e, kEnergyHistoryLength);
  int count = 0;
  for (uint32_t i = 1; i < kEnergyHistoryLength; ++i) {
    if (4.0f * e[i] < mean && 4.0f * e[i - 1] > mean) ++count;
  }
  return static_cast<float>(count);
}

}  // namespace classifier
