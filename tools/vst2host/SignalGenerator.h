// Test signals the host can feed a plug-in instead of a file.
#pragma once

#include <cstdint>
#include <string>

#include "tools/vst2host/WavFile.h"

namespace vsthost {

enum class ESignal { kSine, kImpulse, kNoise };

struct SignalSpec {
  ESignal kind = ESignal::kSine;
  int sampleRate = 44100;
  int channels = 2;
  int frames = 44100;
  double frequency = 1000.0;  // sine only
  double amplitude = 0.5;     // peak value
  uint32_t seed = 1;          // noise only: the same seed gives the same noise
};

// Produces the signal a block at a time, for runs of any length. Any thread, one at a time.
class SignalGenerator {
 public:
  explicit SignalGenerator(const SignalSpec& spec) : mSpec(spec), mState(spec.seed) {}
  // Writes the next frames samples into channels[0..spec.channels-1].
  void Fill(float* const* channels, int frames);

 private:
  float Next();

  SignalSpec mSpec;
  uint32_t mState;
  int64_t mFrame = 0;
};

// Any thread. Every channel gets the same signal. Sine: amplitude·sin(2π·f·n/rate); impulse: amplitude
// at frame 0, zero elsewhere; noise: uniform in [-amplitude, amplitude) from a 32-bit linear congruential
// generator. The whole signal at once; zero or negative frame or channel counts give no audio.
Audio GenerateSignal(const SignalSpec& spec);
// "sine", "impulse" or "noise"; false for anything else.
bool ParseSignalKind(const std::string& text, ESignal& kind);

}  // namespace vsthost
