#include "tools/vst2host/SignalGenerator.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace vsthost {

namespace {

// Constants of the generator in Numerical Recipes (period 2^32).
uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state;
}

}  // namespace

float SignalGenerator::Next() {
  const int64_t frame = mFrame++;
  switch (mSpec.kind) {
    case ESignal::kSine:
      return static_cast<float>(mSpec.amplitude * std::sin(2.0 * std::numbers::pi * mSpec.frequency *
                                                           static_cast<double>(frame) / mSpec.sampleRate));
    case ESignal::kImpulse:
      return frame == 0 ? static_cast<float>(mSpec.amplitude) : 0.0f;
    case ESignal::kNoise:
      return static_cast<float>(mSpec.amplitude * (NextRandom(mState) / 2147483648.0 - 1.0));
  }
  return 0.0f;
}

void SignalGenerator::Fill(float* const* channels, int frames) {
  for (int f = 0; f < frames; ++f) {
    const float sample = Next();
    for (int c = 0; c < mSpec.channels; ++c) channels[c][f] = sample;
  }
}

Audio GenerateSignal(const SignalSpec& spec) {
  Audio audio;
  audio.sampleRate = spec.sampleRate;
  if (spec.frames <= 0 || spec.channels <= 0 || spec.sampleRate <= 0) return audio;
  audio.channels.assign(spec.channels, std::vector<float>(spec.frames));
  std::vector<float*> pointers;
  for (auto& channel : audio.channels) pointers.push_back(channel.data());
  SignalGenerator(spec).Fill(pointers.data(), spec.frames);
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
