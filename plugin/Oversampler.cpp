#include "plugin/Oversampler.h"

#include <algorithm>

#include "plugin/ChannelBuffers.h"

namespace kd {

Oversampler::~Oversampler() {
  Release();
}

bool Oversampler::Build(int bufferFactor, int blockSize, int nUp, int nDown, int nThird, double sampleRate) {
  if (mBuilt && bufferFactor == mBufferFactor && sampleRate == mSampleRate && blockSize == mBlockSize && nUp == mNUp &&
      nDown == mNDown && nThird == mNThird) {
    return false;
  }
  Release();
  mBufferFactor = bufferFactor;
  mSampleRate = sampleRate;
  mBlockSize = blockSize;
  mNUp = nUp;
  mNDown = nDown;
  mNThird = nThird;
  mMaxOversampledLength = bufferFactor * blockSize;
  try {
    mInputs = AllocChannelBuffers(blockSize, nUp);
    mOversampled = AllocChannelBuffers(mMaxOversampledLength, nDown);
    for (int k = 0; k < kNumFactors; ++k) {
      const double factor = static_cast<double>(1 << k);
      for (int c = 0; c < nUp; ++c) {
        mUp[k].push_back(std::make_unique<rsmp::CDSPResampler24_44k>(sampleRate, factor * sampleRate, blockSize));
      }
      for (int c = 0; c < nDown; ++c) {
        mDown[k].push_back(
            std::make_unique<rsmp::CDSPResampler24_44k>(factor * sampleRate, sampleRate, mMaxOversampledLength));
      }
    }
  } catch (...) {
    Release();
    throw;
  }
  mBuilt = true;
  return true;
}

void Oversampler::Reset() {
  const int idx = FactorIdx(mFactor);
  mCurrentIdx = idx < 0 ? 0 : idx;
  for (int k = 0; k < kNumFactors; ++k) {
    for (ResamplerPtr& r : mUp[k]) r->Clear();
    for (ResamplerPtr& r : mDown[k]) r->Clear();
  }
}

void Oversampler::Release() {
  for (int k = 0; k < kNumFactors; ++k) {
    mUp[k].clear();
    mDown[k].clear();
  }
  FreeChannelBuffers(mInputs, mNUp);
  FreeChannelBuffers(mOversampled, mNDown);
  mInputs = mOversampled = nullptr;
  mBuilt = false;
}

int Oversampler::Upsample(int channel, const double* in, int n, double*& out) {
  if (n < 0 || n > mBlockSize) return 0;
  double* copy = mInputs[channel];
  std::copy_n(in, n, copy);
  return mUp[mCurrentIdx][channel]->Process(copy, n, out);
}

int Oversampler::Downsample(int channel, int n, double*& out) {
  return mDown[mCurrentIdx][channel]->Process(mOversampled[channel], n, out);
}

rsmp::CDSPResampler* Oversampler::Up(int factorIdx, int channel) const {
  if (factorIdx < 0 || factorIdx >= kNumFactors || channel < 0 || channel >= static_cast<int>(mUp[factorIdx].size()))
    return nullptr;
  return mUp[factorIdx][channel].get();
}

rsmp::CDSPResampler* Oversampler::Down(int factorIdx, int channel) const {
  if (factorIdx < 0 || factorIdx >= kNumFactors || channel < 0 || channel >= static_cast<int>(mDown[factorIdx].size()))
    return nullptr;
  return mDown[factorIdx][channel].get();
}

int Oversampler::NumResamplers() const {
  int n = 0;
  for (int k = 0; k < kNumFactors; ++k) n += static_cast<int>(mUp[k].size() + mDown[k].size());
  return n;
}

int Oversampler::FactorIdx(int factor) {
  for (int k = 0; k < kNumFactors; ++k) {
    if (factor == (1 << k)) return k;
  }
  return -1;
}

}  // namespace kd
