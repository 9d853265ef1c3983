#include "plugin/Kelvadrune.h"

#include <cstdint>

namespace {

// Four characters packed big-endian, the first in the high byte.
constexpr int FourCC(const char (&text)[5]) {
  return static_cast<int>((static_cast<uint32_t>(text[0]) << 24) | (static_cast<uint32_t>(text[1]) << 16) |
                          (static_cast<uint32_t>(text[2]) << 8) | static_cast<uint32_t>(text[3]));
}

}  // namespace

fx::Config Kelvadrune::MakeConfig() {
  fx::Config config;
  config.nParams = kNumParams;
  config.nPresets = 1;
  config.channelIOStr = "1-1 2-2";
  config.pluginName = "Kelvadrune";
  config.productName = "Kelvadrune";
  config.mfrName = "Lunderwick";
  config.vendorVersion = kVendorVersion;
  config.uniqueID = FourCC("LW80");
  config.mfrID = FourCC("LWKV");
  config.latency = 0;
  config.doesMidiIn = false;
  config.doesMidiOut = false;
  config.doesMPE = false;
  config.doesChunks = true;
  config.plugType = fx::kPlugTypeEffect;
  config.hasUI = true;
  config.width = kEditorBaseWidth;
  config.height = kEditorBaseHeight;
  config.minWidth = 213;
  config.maxWidth = 1920;
  config.minHeight = 160;
  config.maxHeight = 1440;
  config.hostResize = false;
  config.bundleID = "com.lunderwick.vst2.Kelvadrune";
  config.appGroupID = "com.lunderwick.shared";
  return config;
}

Kelvadrune::Kelvadrune(const fx::InstanceInfo& info)
    : fx::IPluginVST2(info, MakeConfig()), KelvadrunePresets(static_cast<fx::IPluginBase&>(*this)) {
  mSampleRate.store(GetSampleRate(), std::memory_order_release);
  mBlockSize.store(GetBlockSize(), std::memory_order_release);
  mLatency.store(GetLatency(), std::memory_order_release);
  UpdateConnectedChannels();
  InitDataFolder();
  InitParams();
  InitPresetStore();
  {
    std::lock_guard<std::mutex> lock(mDSPMutex);
    InitDSP();
  }
  LoadStartupDefaultPreset();
  mGUIScale.store(GetParam(kGUIScale)->Value(), std::memory_order_release);
  std::lock_guard<std::mutex> lock(mDSPMutex);
  UpdateLastSettings();
}

Kelvadrune::~Kelvadrune() = default;

void Kelvadrune::UpdateConnectedChannels() {
  mNumInputsConnected.store(NChannelsConnected(fx::kInput), std::memory_order_release);
  mNumOutputsConnected.store(NChannelsConnected(fx::kOutput), std::memory_order_release);
}

double Kelvadrune::FixedGUIScale(int radioIdx) const {
  const fx::IParam& scale = *GetParam(kGUIScale);
  constexpr int kLastEntry = 8;
  if (radioIdx == 0) return scale.GetMin();
  if (radioIdx == kLastEntry) return scale.GetMax();
  if (radioIdx > 0 && radioIdx < kLastEntry) return 1.0 + 0.25 * radioIdx;
  return scale.GetDefault();
}

void Kelvadrune::SetSampleAccurateActive(bool active) {
  std::lock_guard<std::mutex> lock(mDSPMutex);
  mSampleAccurateActive.store(active, std::memory_order_release);
}

void Kelvadrune::SetTestSignalForTesting(int testSignal) {
  std::lock_guard<std::mutex> lock(mDSPMutex);
  mTestSignal.store(testSignal, std::memory_order_release);
}

void Kelvadrune::SetOversamplingFactorForTesting(int factor) {
  std::lock_guard<std::mutex> lock(mDSPMutex);
  mOversampler.SetFactor(factor);
  mOversampler.Reset();
}

void Kelvadrune::SetMeterBallisticsForTesting(int meter, double attack, bool inverted) {
  if (meter < 0 || meter >= kNumMeters) return;
  std::lock_guard<std::mutex> lock(mDSPMutex);
  mMeters.SetAttack(meter, attack);
  mMeters.SetInverted(meter, inverted);
  PublishMeters();
}

double Kelvadrune::GetMeterLevel(int meter) const {
  return meter >= 0 && meter < kNumMeters ? mMeterLevel[meter].load(std::memory_order_acquire) : 0.0;
}

double Kelvadrune::GetMeterPeak(int meter) const {
  return meter >= 0 && meter < kNumMeters ? mMeterPeak[meter].load(std::memory_order_acquire) : 0.0;
}

bool Kelvadrune::IsMeterInverted(int meter) const {
  return meter >= 0 && meter < kNumMeters && mMeterInverted[meter].load(std::memory_order_acquire);
}

bool Kelvadrune::PopModViewRecord(int gain, SenderRecord& record) {
  return gain >= 0 && gain < kNumGains && mGains[gain].sender.PopRecord(record);
}
