// The oversampler: for each factor 1, 2, 4, ..., 256 an up-sampler per up channel (rate to factor x rate,
// up to a block per call) and a down-sampler per down channel (back to the rate, up to a block at the
// largest buffered factor per call), with the buffers the oversampled path runs through: a copy of each up
// channel's input (a block) and an oversampled buffer per down channel (maxOversampledLength samples).
// The plug-in keeps the factor at 1, so processing never runs through them; they are built (and the
// resampler family's caches filled) at set-up.
//
// Threads: Build, Reset and Release allocate or free and run under the plug-in's DSP mutex while no
// block runs (construction, reset, destruction). Upsample, Downsample and the buffers serve the audio
// thread under the same mutex and allocate nothing.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "plugin/resampler/CDSPResampler.h"

namespace kd {

class Oversampler {
 public:
  static constexpr int kNumFactors = 9;  // 1, 2, 4, ..., 256

  Oversampler() = default;
  ~Oversampler();
  Oversampler(const Oversampler&) = delete;
  Oversampler& operator=(const Oversampler&) = delete;

  // Rebuilds everything unless the six values equal those of the last build; true when it rebuilt.
  // Throws what the resampler family throws (a block size below 1, a rate that is not a positive
  // number); the oversampler is then left released.
  bool Build(int bufferFactor, int blockSize, int nUp, int nDown, int nThird, double sampleRate);
  // Selects the current factor's pair (factor 1's for any other value) and clears every resampler.
  void Reset();
  // Deletes every resampler; the next Build rebuilds.
  void Release();

  int Factor() const { return mFactor; }
  void SetFactor(int factor) { mFactor = factor; }
  int BufferFactor() const { return mBufferFactor; }
  int MaxOversampledLength() const { return mMaxOversampledLength; }
  int NumUpChannels() const { return mNUp; }
  int NumDownChannels() const { return mNDown; }
  // The resamplers of factor index k (factor 2^k) for a channel; null outside the built ranges.
  rsmp::CDSPResampler* Up(int factorIdx, int channel) const;
  rsmp::CDSPResampler* Down(int factorIdx, int channel) const;
  // Audio thread. Copies n samples of an up channel's input into its buffer and runs them through the
  // selected up-sampler; out points at the up-sampled samples (inside the resampler, valid until its next
  // call). The number of up-sampled samples; 0, with nothing run, for n outside 0 .. the block size.
  int Upsample(int channel, const double* in, int n, double*& out);
  // Audio thread. A down channel's oversampled buffer, maxOversampledLength samples.
  double* OversampledBuffer(int channel) const { return mOversampled[channel]; }
  // Audio thread. Runs the first n samples of a down channel's oversampled buffer through the selected
  // down-sampler; out points at the result. The number of samples it gave.
  int Downsample(int channel, int n, double*& out);
  // Index of the pair Reset selected (0 for factor 1).
  int CurrentFactorIdx() const { return mCurrentIdx; }
  int NumResamplers() const;

 private:
  using ResamplerPtr = std::unique_ptr<rsmp::CDSPResampler>;

  static int FactorIdx(int factor);

  int mFactor = -1;
  int mBufferFactor = 0;
  double mSampleRate = 0.0;
  int mBlockSize = 0;
  int mNUp = 0;
  int mNDown = 0;
  int mNThird = 0;
  int mMaxOversampledLength = 0;
  double** mInputs = nullptr;       // one per up channel, a block each
  double** mOversampled = nullptr;  // one per down channel, maxOversampledLength each
  std::array<std::vector<ResamplerPtr>, kNumFactors> mUp;
  std::array<std::vector<ResamplerPtr>, kNumFactors> mDown;
  int mCurrentIdx = 0;
  bool mBuilt = false;
};

}  // namespace kd
