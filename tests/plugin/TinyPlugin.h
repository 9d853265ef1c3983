// The smallest plug-in that carries the product's state record: the product's identity and one or two
// parameters, so that whole documents and chunks can be written out by hand in the tests.
#pragma once

#include "framework/BoundedCopy.h"
#include "framework/IPluginAPIBase.h"
#include "plugin/KelvadrunePresets.h"

namespace presets_test {

inline fx::Config TinyConfig(int nParams) {
  fx::Config config;
  config.nParams = nParams;
  config.nPresets = 1;
  config.channelIOStr = "2-2";
  config.pluginName = "Kelvadrune";
  config.productName = "Kelvadrune";
  config.mfrName = "Lunderwick";
  config.vendorVersion = 0x1000B;
  config.doesChunks = true;
  return config;
}

// Parameter 0 is "MVol" (0 to 1, default 0.5); parameter 1, when asked for, is the enum "Mode" (0 to 2).
class TinyPlugin : public fx::IPluginAPIBase, public KelvadrunePresets {
 public:
  explicit TinyPlugin(int nParams = 1) : fx::IPluginAPIBase(TinyConfig(nParams), fx::kAPIVST2), KelvadrunePresets(static_cast<fx::IPluginBase&>(*this)) {
    GetParam(0)->InitDouble("MVol", 0.5, 0.0, 1.0, 0.01);
    if (nParams > 1) GetParam(1)->InitEnum("Mode", 0, {"a", "b", "c"});
    for (int i = 0; i < NParams(); ++i) GetParam(i)->SetToDefault();
  }

  bool SerializeState(fx::IByteChunk& chunk) const override { return WriteStateChunk(chunk); }
  int UnserializeState(const fx::IByteChunk& chunk, int startPos) override { return ReadStateChunk(chunk, startPos); }
  void RenameSlot(const char* name) { fx::CopyBounded(GetPreset(0)->mName, name); }
};

}  // namespace presets_test
