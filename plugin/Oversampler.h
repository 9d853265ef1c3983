// The oversampler's resampler pairs: for each factor 1, 2, 4, ..., 256 an up-sampler per up channel
// (rate to factor x rate, up to a block per call) and a down-sampler per down channel (back to the rate,
// up to a block at the largest buffered factor per call). The plug-in keeps the factor at 1, so
// processing never runs through them and no oversampling buffers are kept; they are built (and the
// resampler family's caches filled) at set-up.
//
// Threads: Build, Reset and Release allocate or free and run under the plug-in's DSP mutex while no
// block runs (construction, reset, destruction). Nothing here runs on the audio thread.
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
  // The resamplers of factor index k (factor 2^k) for a channel; null outside the built ranges.
  rsmp::CDSPResampler* Up(int factorIdx, int channel) const;
  rsmp::CDSPResampler* Down(int factorIdx, int channel) const;
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
  bool mBuilt = false;
  std::array<std::vector<ResamplerPtr>, kNumFactors> mUp;
  std::array<std::vector<ResamplerPtr>, kNumFactors> mDown;
  int mCurrentIdx = 0;
};

}  // namespace kd
