// The test-signal generator: a periodic waveform (sine, square, pulse, falling and rising saw, triangle,
// random steps) whose amplitudes are renewed at the start of every cycle, from a random stream when its
// random switch is on, mapped into 0..1. While the plug-in's test signal is on it stands in for the output.
// Audio thread (and the DSP set-up under the DSP mutex); never allocates.
#pragma once

#include <array>
#include <cstdint>
#include <random>

namespace kd {

class TestOscillator {
 public:
  enum EWaveform { kSine = 0, kSquare, kPulse, kFallingSaw, kRisingSaw, kTriangle, kRandomSteps };
  // Draws are uniform on 0 .. kMaxDraw and divided by it, so a random amplitude lies in 0..1.
  static constexpr std::int32_t kMaxDraw = 2147483647;

  // The waveform (any value; those outside EWaveform give 0) at frequency for sampleRate: the phase
  // steps by frequency / sampleRate and a cycle lasts int(sampleRate / frequency) samples, at least one.
  // Phase and cycle count start again; amplitudes, the random switch and the random stream are kept.
  void Setup(int waveform, double frequency, double sampleRate, double pulseWidth, double gain, double offset);
  void SetAmplitudes(double a0, double a1, double a2) { mAmplitude = {a0, a1, a2}; }
  void SetRandom(bool random) { mRandom = random; }

  // The next sample, (value x gain + offset) x 0.5 + 0.5 limited to 0..1. At the end of each cycle the
  // phase returns to 0 and the amplitudes are renewed.
  double Tick();

  double Amplitude(int i) const { return mAmplitude[i]; }
  int CycleLength() const { return mCycleLength; }

 private:
  double Value() const;
  void RenewAmplitudes();
  // The next random value in 0..1.
  double Draw() { return static_cast<double>(mDistribution(mEngine)) / kMaxDraw; }

  // Before any set-up: a 440 Hz sine at 44100 Hz (cycles of 100 samples).
  static constexpr double kDefaultFrequency = 440.0;
  static constexpr double kDefaultSampleRate = 44100.0;

  int mWaveform = kSine;
  double mPhase = 0.0;
  double mIncrement = kDefaultFrequency / kDefaultSampleRate;
  int mCycleCounter = 0;
  int mCycleLength = static_cast<int>(kDefaultSampleRate / kDefaultFrequency);
  double mGain = 1.0;
  double mOffset = 0.0;
  double mPulseWidth = 0.5;
  std::array<double, 3> mAmplitude{1.0, 1.0, 1.0};
  bool mRandom = false;
  std::mt19937 mEngine;
  std::uniform_int_distribution<std::int32_t> mDistribution{0, kMaxDraw};
};

}  // namespace kd
