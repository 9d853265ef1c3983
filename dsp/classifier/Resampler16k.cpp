#include "dsp/classifier/Resampler16k.h"

#include <algorithm>
#include <cassert>
#include <iterator>

#include "dsp/classifier/ClassifierMemory.h"
#include "dsp/classifier/ClassifierTables.h"

namespace classifier {

namespace {

struct RateConfig {
  int32_t inputRate;
  uint32_t upFactor;
  uint32_t downFactor;
  uint32_t tapCount;
  const float* coefficients;
};

constexpr RateConfig kRateConfigs[] = {
    {32000, 1, 2, kLowPass32kTapCount, kLowPass32kTaps},
    {44100, 160, 441, kLowPass44kTapCount, kLowPass44kTaps},
    {48000, 1, 3, kLowPass48kTapCount, kLowPass48kTaps},
};

const RateConfig* find_config(int32_t inputRate, int32_t outputRate, uint32_t outputCount) {
  if (outputRate != kClassifierRate || outputCount == 0 || outputCount > kResamplerMaxOutputCount) return nullptr;
  const auto it = std::find_if(std::begin(kRateConfigs), std::end(kRateConfigs),
                               [inputRate](const RateConfig& c) { return c.inputRate == inputRate; });
  return it == std::end(kRateConfigs) ? nullptr : it;
}

// ceil(M N / L) as the chunk's input count: M N / L + 1, less 1 when L divides M.
uint32_t chunk_input_count(const RateConfig& config, uint32_t outputCount) {
  const uint64_t count = uint64_t{config.downFactor} * outputCount / config.upFactor + 1;
  return static_cast<uint32_t>(config.downFactor % config.upFactor == 0 ? count - 1 : count);
}

// Smallest power of two holding the taps of one polyphase branch.
uint32_t history_length(const RateConfig& config) {
  const uint32_t branchTaps = (config.tapCount + config.upFactor - 1) / config.upFactor;
  uint32_t length = 1;
  while (length < branchTaps) length <<= 1;
  return length;
}

float branch_sum(const Resampler16kState& s) {
  float sum = 0.0f;
  uint32_t p = s.writePosition;
  for (uint32_t k = s.phase; k < s.tapCount; k += s.upFactor) {
    sum += s.coefficients[k] * s.history[p];
    p = (p - 1) & s.historyMask;
  }
  return sum;
}

void store_in_history(Resampler16kState& s, float sample) {
  s.writePosition = (s.writePosition + 1) & s.historyMask;
  s.history[s.writePosition] = sample;
}

// Next unread input sample. The chunk sizes guarantee there always is one; the bound keeps a broken
// invariant from reading past the caller's buffer.
float take_input(const float* input, uint32_t& consumed, uint32_t inputCount) {
  assert(consumed < inputCount);
  return consumed < inputCount ? input[consumed++] : 0.0f;
}

// Moves the phase on by M and takes in the input samples it passes over; the pending sample, when one is
// held, is the first of them. Returns the new consumed count.
uint32_t advance_phase(Resampler16kState& s, const float* input, uint32_t consumed, uint32_t inputCount) {
  s.phase += s.downFactor;
  if (s.phase <= s.upFactor) return consumed;
  uint32_t r = s.phase - s.upFactor;
  store_in_history(s, s.pending != 0 ? s.pendingSample : take_input(input, consumed, inputCount));
  while (r > s.upFactor) {
    r -= s.upFactor;
    store_in_history(s, take_input(input, consumed, inputCount));
  }
  s.pending = 0;
  s.phase = r;
  return consumed;
}

}  // namespace

uint64_t resampler16k_size(int32_t inputRate, int32_t outputRate, uint32_t outputCount, uint32_t* inputCount) {
  const RateConfig* config = find_config(inputRate, outputRate, outputCount);
  if (config == nullptr || inputCount == nullptr) return 0;
  *inputCount = chunk_input_count(*config, outputCount);
  return sizeof(Resampler16kState) + uint64_t{history_length(*config)} * sizeof(float);
}

int resampler16k_init(Resampler16kState* state, uint64_t stateSize, uint32_t outputCount, int32_t inputRate,
                      int32_t outputRate) {
  uint32_t inputCount = 0;
  const uint64_t size = resampler16k_size(inputRate, outputRate, outputCount, &inputCount);
  if (size == 0 || !is_usable_memory(state, stateSize, size)) return -1;
  const RateConfig& config = *find_config(inputRate, outputRate, outputCount);
  state->upFactor = config.upFactor;
  state->downFactor = config.downFactor;
  state->outputCount = outputCount;
  state->inputCount = inputCount;
  state->tapCount = config.tapCount;
  state->historyLength = history_length(config);
  state->historyMask = state->historyLength - 1;
  state->phase = 0;
  state->writePosition = 0;
  state->pending = 0;
  state->coefficients = config.coefficients;
  state->history = reinterpret_cast<float*>(state + 1);
  state->pendingSample = 0.0f;
  state->primed = 0;
  std::fill_n(state->history, state->historyLength, 0.0f);
  return 0;
}

uint32_t resampler16k_needed(const Resampler16kState* state) {
  return state->inputCount - state->pending;
}

int resampler16k_process(Resampler16kState* state, uint32_t inputCount, const float* input, float* output) {
  if (state == nullptr || input == nullptr || output == nullptr || inputCount == 0 ||
      inputCount != resampler16k_needed(state)) {
    return -1;
  }
  Resampler16kState& s = *state;
  uint32_t consumed = 0;
  if (s.primed == 0) {
    s.writePosition = 0;
    s.history[0] = input[0];
    s.primed = 1;
    consumed = 1;
  }
  for (uint32_t n = 0; n < s.outputCount; ++n) {
    output[n] = branch_sum(s);
    consumed = advance_phase(s, input, consumed, inputCount);
  }
  if (consumed != inputCount) {
    assert(consumed + 1 == inputCount);
    s.pendingSample = input[consumed];
    s.pending = 1;
  } else {
    s.pending = 0;
  }
  return 0;
}

}  // namespace classifier
