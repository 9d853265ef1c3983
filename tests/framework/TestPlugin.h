// A plug-in on the framework's API base that records what the framework calls, for the tests.
#pragma once

#include <string>
#include <vector>

#include "framework/IPluginAPIBase.h"

namespace fx::test {

struct Event {
  std::string what;
  int index = -1;
  double value = 0.0;
  bool operator==(const Event&) const = default;
};

inline Config TestConfig(int nParams, int nPresets, bool hasUI = true) {
  Config config;
  config.nParams = nParams;
  config.nPresets = nPresets;
  config.channelIOStr = "1-1 2-2";
  config.pluginName = "Test Plug";
  config.productName = "Test Product";
  config.mfrName = "Test Maker";
  config.vendorVersion = 0x1000B;
  config.hasUI = hasUI;
  config.width = 640;
  config.height = 480;
  config.minWidth = 1920;  // given in reverse order on purpose
  config.maxWidth = 213;
  config.minHeight = 160;
  config.maxHeight = 1440;
  return config;
}

class TestPlugin : public IPluginAPIBase {
 public:
  // Every parameter a double from -10 to 10 unless the test initialises them itself.
  explicit TestPlugin(const Config& config, bool initParams = true) : IPluginAPIBase(config, kAPIVST2) {
    for (int i = 0; initParams && i < NParams(); ++i) GetParam(i)->InitDouble("p", 0.0, -10.0, 10.0, 0.0);
  }

  void OnParamChange(int paramIdx, EParamSource source, int) override {
    events.push_back({"change" + std::to_string(source), paramIdx});
  }
  void OnParamChangeUI(int paramIdx, EParamSource source) override {
    events.push_back({"changeUI" + std::to_string(source), paramIdx});
  }
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override {
    events.push_back({normalized ? "toEditorNormalized" : "toEditor", paramIdx, value});
    IPluginAPIBase::SendParameterValueFromDelegate(paramIdx, value, normalized);
  }
  void OnMidiMsgUI(const IMidiMsg& msg) override { events.push_back({"midiUI", msg.mData1}); }
  void OnSysexMsgUI(const ISysEx& msg) override {
    events.push_back({"sysexUI", msg.mSize, msg.mData ? msg.mData[0] : -1.0});
  }
  void OnIdle() override { events.push_back({"idle"}); }
  void OnPresetsModified() override { events.push_back({"presetsModified"}); }
  void OnRestoreState() override { events.push_back({"restoreState"}); }
  void InformHostOfParamChange(int paramIdx, double normalized) override {
    events.push_back({"automate", paramIdx, normalized});
  }
  void BeginInformHostOfParamChange(int paramIdx) override { events.push_back({"beginEdit", paramIdx}); }
  void EndInformHostOfParamChange(int paramIdx) override { events.push_back({"endEdit", paramIdx}); }
  void HostIdentifiedHook() override { events.push_back({"hostIdentified", GetHost()}); }
  void LateHostIdentifiedHook() override { events.push_back({"lateHostIdentified", GetHost()}); }
  bool EditorResize(int width, int height) override {
    events.push_back({"editorResize", width, static_cast<double>(height)});
    return true;
  }

  int Count(const std::string& what) const {
    int n = 0;
    for (const Event& e : events) n += e.what == what ? 1 : 0;
    return n;
  }

  std::vector<Event> events;
};

}  // namespace fx::test
