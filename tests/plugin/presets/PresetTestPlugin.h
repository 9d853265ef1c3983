// A plug-in on the framework's API base wired to the product's preset code exactly as the product class
// is: its state is the XML state record. It counts the refreshes the preset code asks for and records the
// versions its conversion hook sees. Two parameter layouts: the product's 24 parameters (names, ranges,
// steps and defaults as the product defines them) and one extra stepped parameter; or only "MVol", so
// that whole documents and records can be written out by hand in the tests.
#pragma once

#include <string>
#include <vector>

#include "framework/BoundedCopy.h"
#include "framework/IPluginAPIBase.h"
#include "plugin/presets/KelvadrunePresets.h"

namespace presets_test {

enum ETestParams {
  kGUIScale = 0,
  kProcessMode = 4,
  kGainMaster = 5,
  kLockGainMaster = 8,
  kMinGain = 11,
  kMaxGain = 12,
  kHideModViews = 16,
  kFaderShape = 18,
  kMDFilterFreq = 19,
  kFaderDisplayMode = 21,
  kSteps = 24,
  kNumParams = 25
};

enum class ELayout { kProduct, kMVolOnly };

inline fx::Config PresetTestConfig(ELayout layout) {
  fx::Config config;
  config.nParams = layout == ELayout::kProduct ? kNumParams : 1;
  config.nPresets = 1;
  config.channelIOStr = "1-1 2-2";
  config.pluginName = "Kelvadrune";
  config.productName = "Kelvadrune";
  config.mfrName = "Lunderwick";
  config.vendorVersion = 0x1000B;
  config.doesChunks = true;
  return config;
}

class PresetTestPlugin : public fx::IPluginAPIBase, public KelvadrunePresets {
 public:
  explicit PresetTestPlugin(ELayout layout = ELayout::kProduct)
      : fx::IPluginAPIBase(PresetTestConfig(layout), fx::kAPIVST2),
        KelvadrunePresets(static_cast<fx::IPluginBase&>(*this)) {
    if (layout == ELayout::kProduct)
      InitProductParams();
    else
      GetParam(0)->InitDouble("MVol", 0.5, 0.0, 1.0, 0.01);
    for (int i = 0; i < NParams(); ++i) GetParam(i)->SetToDefault();
  }

  bool SerializeState(fx::IByteChunk& chunk) const override { return WriteStateChunk(chunk); }
  int UnserializeState(const fx::IByteChunk& chunk, int startPos) override { return ReadStateChunk(chunk, startPos); }
  int CheckState(const fx::IByteChunk& chunk, int startPos) override { return CheckStateChunk(chunk, startPos); }
  void OnParamReset(fx::EParamSource source) override {
    ++paramResets;
    fx::IPluginAPIBase::OnParamReset(source);
  }
  void OnRestoreState() override { ++restores; }
  void InformHostOfPresetChange() override { ++hostPresetChanges; }
  double ConvertPresetParamValue(const char* fileVersion, const char* ownVersion, int, double value) override {
    seenFileVersion = fileVersion;
    seenOwnVersion = ownVersion;
    return value;
  }

  double Value(int paramIdx) const { return GetParam(paramIdx)->Value(); }
  std::vector<double> Values() const {
    std::vector<double> values;
    for (int i = 0; i < NParams(); ++i) values.push_back(Value(i));
    return values;
  }
  void Set(int paramIdx, double value) { GetParam(paramIdx)->Set(value); }
  void RenameSlot(const char* name) { GetPreset(0)->mName.Set(name); }
  // A named record into the store's third list, which owns it from then on.
  void AddOtherItem(const char* name) {
    auto* record = new fx::IPreset;
    record->mName.Set(name);
    record->mChunk.PutStr(name);
    OtherItems().Add(record);
  }

  int paramResets = 0;
  int restores = 0;
  int hostPresetChanges = 0;
  std::string seenFileVersion;
  std::string seenOwnVersion;

 private:
  void InitProductParams() {
    const char* const gui = "GUI";
    const char* const proc = "Processing";
    GetParam(0)->InitDouble("GUI scale", 1.0, 1.0, 3.0, 0.01, "", fx::kFlagCannotAutomate, gui);
    GetParam(1)->InitEnum("Toggle tooltips", 1, {"off", "on"}, "", fx::kFlagCannotAutomate, gui);
    GetParam(2)->InitEnum("Auto update check", 1, {"off", "on"}, "", fx::kFlagCannotAutomate, gui);
    GetParam(3)->InitEnum("Power", 1, {"off", "on"}, "", 0, proc);
    GetParam(4)->InitEnum("Processing Mode", 0, {"STEREO", "MID/SIDE"}, "", 0, proc);
    GetParam(5)->InitDouble("MVol", 0.5, 0.0, 1.0, 0.01, "dB", fx::kFlagSignDisplay, proc);
    GetParam(6)->InitDouble("LMVol", 0.5, 0.0, 1.0, 0.01, "dB", fx::kFlagSignDisplay, proc);
    GetParam(7)->InitDouble("RSVol", 0.5, 0.0, 1.0, 0.01, "dB", fx::kFlagSignDisplay, proc);
    GetParam(8)->InitEnum("Lock MVol", 0, {"off", "on"}, "", fx::kFlagCannotAutomate, proc);
    GetParam(9)->InitEnum("Lock LMVol", 0, {"off", "on"}, "", fx::kFlagCannotAutomate, proc);
    GetParam(10)->InitEnum("Lock RSVol", 0, {"off", "on"}, "", fx::kFlagCannotAutomate, proc);
    GetParam(11)->InitDouble("Min volume", -48.0, -240.0, -1.0, 0.01, "dB", fx::kFlagSignDisplay, proc);
    GetParam(12)->InitDouble("Max volume", 48.0, 1.0, 240.0, 0.01, "dB", fx::kFlagSignDisplay, proc);
    GetParam(13)->InitEnum("Master Treat Min as Inf", 1, {"off", "on"}, "", fx::kFlagCannotAutomate, proc);
    GetParam(14)->InitEnum("LM Treat Min as Inf", 1, {"off", "on"}, "", fx::kFlagCannotAutomate, proc);
    GetParam(15)->InitEnum("RS Treat Min as Inf", 1, {"off", "on"}, "", fx::kFlagCannotAutomate, proc);
    GetParam(16)->InitEnum("Hide Mod Views", 0, {"off", "on"}, "", fx::kFlagCannotAutomate, gui);
    GetParam(17)->InitEnum("Sample Accurate Automation", 0, {"off", "on"}, "", fx::kFlagCannotAutomate, proc);
    GetParam(18)->InitDouble("Fader shape", 1.0, 1.0, 10.0, 0.01, "", fx::kFlagCannotAutomate, proc);
    GetParam(19)->InitDouble("MD filter freq", 20500.0, 1.0, 22000.0, 1.0, "Hz", fx::kFlagCannotAutomate, proc,
                             fx::IParam::ShapePowCurve(6.0));
    GetParam(20)->InitEnum("Disable Meter", 0, {"off", "on"}, "", fx::kFlagCannotAutomate, gui);
    GetParam(21)->InitEnum("Fader Display Mode", 0, {"dB", "-100/+100%", "0/100%"}, "", fx::kFlagCannotAutomate, gui);
    GetParam(22)->InitEnum("Core Fader Layout", 0, {"off", "on"}, "", fx::kFlagCannotAutomate, gui);
    GetParam(23)->InitEnum("Basic Fader Layout", 0, {"off", "on"}, "", fx::kFlagCannotAutomate, gui);
    GetParam(24)->InitInt("Steps", 5, 0, 10, "", 0, proc);
  }
};

}  // namespace presets_test
