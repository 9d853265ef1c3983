#include "plugin/Kelvadrune.h"

#include <cmath>

namespace {

// The oversampler's build: buffers for factor 8, four up-sampler channels, two down-sampler channels.
constexpr int kOversamplerBufferFactor = 8;
constexpr int kOversamplerUpChannels = 4;
constexpr int kOversamplerDownChannels = 2;
constexpr int kOversamplerThirdCount = 2;
constexpr double kHoldMeterSeconds = 4.0;
constexpr double kSmoothingThreshold = 1e-8;
// The test signal as set up (a 1 Hz sine) and as every filter design leaves it (a 1000 Hz sine).
constexpr double kTestSetupFrequency = 1.0;
constexpr double kTestSetupPulseWidth = 0.5;
constexpr double kTestFrequency = 1000.0;
constexpr double kTestPulseWidth = 1.0;

}  // namespace

void Kelvadrune::InitDSP() {
  const double rate = mSampleRate.load(std::memory_order_acquire);
  const int blockSize = mBlockSize.load(std::memory_order_acquire);
  BuildOversampler(kOversamplerBufferFactor, blockSize, kOversamplerUpChannels, kOversamplerDownChannels,
                   kOversamplerThirdCount, rate);
  mOversampler.SetFactor(1);
  ResetOversampler();
  for (int g = 0; g < kNumGains; ++g) {
    GainState& state = mGains[g];
    const double position = mGain[g].load(std::memory_order_acquire);
    // One block's worth of samples, exactly: a fader move reaches its target at the block's end.
    state.ramp.Reset(position, blockSize);
    state.threshold = kSmoothingThreshold;
    for (kd::SmoothingFilter& filter : state.filters) filter.Clear();
    state.lastGain = 0.0;
    state.smoothing = false;
    state.automation.Resize(blockSize, position);
  }
  static_assert(kMeterFastLeft == 0 && kMeterFastRight == 1 && kMeterHoldLeft == 2 && kMeterHoldRight == 3);
  mMeters.Init(rate, kHoldMeterSeconds);
  mFade.Reset(rate);
  mUnheard = false;
  mHasHeardRules = false;
  mTestOscillator.Setup(kd::TestOscillator::kSine, kTestSetupFrequency, rate, kTestSetupPulseWidth, 1.0, 0.0);
  mTestOscillator.SetAmplitudes(1.0, 1.0, 1.0);
  mTestOscillator.SetRandom(false);
  UpdateFilterCoefficients();
  mGains[kGainIdxMaster].sender.Init(rate, kCtrlTagModViewMaster);
  mGains[kGainIdxLM].sender.Init(rate, kCtrlTagModViewLM);
  mGains[kGainIdxRS].sender.Init(rate, kCtrlTagModViewRS);
  PublishMeters();
}

void Kelvadrune::UpdateFilterCoefficients() {
  const kd::SmoothingFilter::Coefficients c = kd::SmoothingFilter::Design(mMDFilterFreq.load(std::memory_order_acquire),
                                                                          mSampleRate.load(std::memory_order_acquire));
  for (GainState& state : mGains) {
    for (kd::SmoothingFilter& filter : state.filters) filter.SetCoefficients(c);
    state.lastGain = 0.0;
    state.smoothing = false;
  }
  mTestOscillator.Setup(kd::TestOscillator::kSine, kTestFrequency, mSampleRate.load(std::memory_order_acquire),
                        kTestPulseWidth, 1.0, 0.0);
  mLatency.store(0, std::memory_order_release);
}

bool Kelvadrune::RateOrBlockSizeChanged() const {
  const double rate = GetSampleRate();
  const double dspRate = mSampleRate.load(std::memory_order_acquire);
  return rate != dspRate || std::isnan(rate) || std::isnan(dspRate) ||
         GetBlockSize() != mBlockSize.load(std::memory_order_acquire);
}

void Kelvadrune::OnReset() {
  std::lock_guard<std::mutex> lock(mDSPMutex);
  if (RateOrBlockSizeChanged()) {
    mSampleRate.store(GetSampleRate(), std::memory_order_release);
    mBlockSize.store(GetBlockSize(), std::memory_order_release);
    InitDSP();
    const int latency = mLatency.load(std::memory_order_acquire);
    SetLatencyValuePDC(latency);
    if (GetLatency() != latency) SetLatencyPDC(*this, latency);
  }
  UpdateConnectedChannels();
}

void Kelvadrune::ReinitDSP() {
  std::lock_guard<std::mutex> lock(mDSPMutex);
  InitDSP();
  const int latency = mLatency.load(std::memory_order_acquire);
  SetLatencyValuePDC(latency);
  if (GetLatency() != latency) SetLatencyPDC(*this, latency);
}

void Kelvadrune::OnActivate(bool) {
  std::lock_guard<std::mutex> lock(mDSPMutex);
}

// The smoothing design is re-applied between blocks, never in the middle of one. The bypass request may
// come on any host thread, the audio thread too, so the editor follows at the editor thread's next idle.
void Kelvadrune::OnBypassChanged(bool) {
  {
    std::lock_guard<std::mutex> lock(mDSPMutex);
    UpdateFilterCoefficients();
  }
  RequestGUIRefresh();
}
