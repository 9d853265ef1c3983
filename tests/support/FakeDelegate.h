// An editor delegate for tests with a few real parameters and a journal of everything sent to the host:
// edit brackets, values, resize requests, MIDI and layout calls.
#pragma once

#include "framework/IGEditorDelegate.h"
#include "framework/IMidiMsg.h"

#include <string>
#include <vector>

namespace fx::gfx::test {

class FakeDelegate : public IGEditorDelegate {
 public:
  enum EParams {
    kBool = 0,  // "Bypass", display texts OFF / ON
    kEnum,      // "Mode": STEREO, MID/SIDE, MONO
    kInt,       // "Count": stepped 0..10, default 5
    kGain,      // "Gain": -72..12 dB, step 0.1, power-curve shape, not stepped
    kNamedInt,  // "Slot": stepped 1..3 with display texts One, Two, Three
    kBareEnum,  // "Steps": an enum of three values without display texts
    kNumParams
  };

  FakeDelegate();

  std::vector<std::string> host;
  std::vector<IMidiMsg> midi;
  int layouts = 0;
  bool resizeAnswer = true;

  void BeginInformHostOfParamChangeFromUI(int paramIdx) override;
  void EndInformHostOfParamChangeFromUI(int paramIdx) override;
  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override;
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override;
  void SendMidiMsgFromUI(const IMidiMsg& msg) override;
  void LayoutUI(IGraphics* graphics) override;

  int CountHost(const std::string& prefix) const;
};

}  // namespace fx::gfx::test
