#include "plugin/Oversampler.h"

#include <algorithm>
#include <new>

namespace kd {

namespace {

// The oversampler's sample buffers start on a cache line.
constexpr std::align_val_t kSampleAlignment{64};

}  // namespace

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
    for (int c = 0; c < nUp; ++c) mInputs.push_back(AllocateSamples(blockSize));
    for (int c = 0; c < nDown; ++c) mOversampled.push_back(AllocateSamples(mMaxOversampledLength));
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
  mInputs.clear();
  mOversampled.clear();
  mBuilt = false;
}

int Oversampler::Upsample(int channel, const double* in, int n, double*& out) {
  if (n < 0 || n > mBlockSize) return 0;
  double* copy = mInputs[channel].get();
  std::copy_n(in, n, copy);
  return mUp[mCurrentIdx][channel]->Process(copy, n, out);
}

int Oversampler::Downsample(int channel, int n, double*& out) {
  return mDown[mCurrentIdx][channel]->Process(mOversampled[channel].get(), n, out);
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

void Oversampler::AlignedFree::operator()(double* block) const noexcept {
  ::operator delete(block, kSampleAlignment);
}

Oversampler::AlignedSamples Oversampler::AllocateSamples(int n) {
  const std::size_t bytes = static_cast<std::size_t>(std::max(n, 1)) * sizeof(double);
  return AlignedSamples(static_cast<double*>(::operator new(bytes, kSampleAlignment)));
}

int Oversampler::FactorIdx(int factor) {
  for (int k = 0; k < kNumFactors; ++k) {
    if (factor == (1 << k)) return k;
  }
  return -1;
}

}  // namespace kd
