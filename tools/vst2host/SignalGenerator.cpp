#include "tools/vst2host/SignalGenerator.h"

#include <cmath>
#include <numbers>

namespace vsthost {

namespace {

// Constants of the generator in Numerical Recipes (period 2^32).
uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state;
}

float SampleAt(const SignalSpec& spec, int frame, uint32_t& state) {
  switch (spec.kind) {
    case ESignal::kSine:
      return static_cast<float>(spec.amplitude *
                                std::sin(2.0 * std::numbers::pi * spec.frequency * frame / spec.sampleRate));
    case ESignal::kImpulse:
      return frame == 0 ? static_cast<float>(spec.amplitude) : 0.0f;
    case ESignal::kNoise:
      return static_cast<float>(spec.amplitude * (NextRandom(state) / 2147483648.0 - 1.0));
  }
  return 0.0f;
}

}  // namespace

Audio GenerateSignal(const SignalSpec& spec) {
  Audio audio;
  audio.sampleRate = spec.sampleRate;
  if (spec.frames <= 0 || spec.channels <= 0 || spec.sampleRate <= 0) return audio;
  audio.channels.assign(spec.channels, std::vector<float>(spec.frames));
  uint32_t state = spec.seed;
  for (int f = 0; f < spec.frames; ++f) {
    const float sample = SampleAt(spec, f, state);
    for (auto& channel : audio.channels) channel[f] = sample;
  }
  return audio;
}

bool ParseSignalKind(const std::string& text, ESignal& kind) {
  if (text == "sine")
    kind = ESignal::kSine;
  else if (text == "impulse")
    kind = ESignal::kImpulse;
  else if (text == "noise")
    kind = ESignal::kNoise;
  else
    return false;
  return true;
}

}  // namespace vsthost
