// Polyphase FIR resampler from 32000, 44100 or 48000 Hz down to the classifier's 16000 Hz. Each call turns
// one chunk of input into a fixed number of output samples; a sample the chunk did not need is carried
// to the next call as the pending sample. The history follows the record's fixed fields in memory.
#pragma once

#include <cstdint>

namespace classifier {

struct Resampler16kState {
  uint32_t upFactor;
  uint32_t downFactor;
  uint32_t outputCount;
  uint32_t inputCount;
  uint32_t tapCount;
  uint32_t historyLength;
  uint32_t historyMask;
  uint32_t phase;
  uint32_t writePosition;
  uint32_t pending;
  const float* coefficients;
  float* history;
  float pendingSample;
  uint32_t primed;
};

inline constexpr int32_t kClassifierRate = 16000;
// Output counts above this are refused, keeping every chunk's input count within 32 bits.
inline constexpr uint32_t kResamplerMaxOutputCount = 1u << 20;

// All operations: caller's thread, never block, never allocate.

// Bytes of the state (fixed fields plus history) for inputRate -> outputRate with outputCount samples per
// call, and the chunk's input count in *inputCount. Returns 0 (inputCount untouched) for a pair other than
// 32000, 44100 or 48000 -> 16000 Hz, or an output count of 0 or above kResamplerMaxOutputCount.
uint64_t resampler16k_size(int32_t inputRate, int32_t outputRate, uint32_t outputCount, uint32_t* inputCount);

// Configures an unprimed resampler with a cleared history in stateSize bytes. Returns 0, or -1 for an
// unsupported configuration or missing, too small or misaligned memory.
int resampler16k_init(Resampler16kState* state, uint64_t stateSize, uint32_t outputCount, int32_t inputRate,
                      int32_t outputRate);

// Samples the next call consumes: the chunk's input count less the pending sample, if one is held.
uint32_t resampler16k_needed(const Resampler16kState* state);

// Produces outputCount samples from exactly resampler16k_needed(state) input samples. Returns 0, or -1
// (state untouched) when inputCount differs from that number or a pointer is missing.
int resampler16k_process(Resampler16kState* state, uint32_t inputCount, const float* input, float* output);

}  // namespace classifier
