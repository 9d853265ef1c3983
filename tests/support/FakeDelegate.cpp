#include "tests/support/FakeDelegate.h"

#include "framework/IParam.h"
#include "tests/support/RecordingGraphics.h"

namespace fx::gfx::test {

FakeDelegate::FakeDelegate() : IGEditorDelegate(kNumParams) {
  GetParam(kBool)->InitBool("Bypass", false, "", kFlagsNone, "", "OFF", "ON");
  GetParam(kEnum)->InitEnum("Mode", 0, {"STEREO", "MID/SIDE", "MONO"});
  GetParam(kInt)->InitInt("Count", 5, 0, 10);
  GetParam(kGain)->InitDouble("Gain", 0.0, -72.0, 12.0, 0.1, "dB", kFlagsNone, "", IParam::ShapePowCurve(2.0));
  GetParam(kNamedInt)->InitInt("Slot", 2, 1, 3);
  GetParam(kNamedInt)->SetDisplayText(1, "One");
  GetParam(kNamedInt)->SetDisplayText(2, "Two");
  GetParam(kNamedInt)->SetDisplayText(3, "Three");
  GetParam(kBareEnum)->InitEnum("Steps", 1, 3);
}

void FakeDelegate::BeginInformHostOfParamChangeFromUI(int paramIdx) {
  host.push_back("begin " + Num(paramIdx));
}

void FakeDelegate::EndInformHostOfParamChangeFromUI(int paramIdx) {
  host.push_back("end " + Num(paramIdx));
}

void FakeDelegate::SendParameterValueFromUI(int paramIdx, double normalizedValue) {
  IGEditorDelegate::SendParameterValueFromUI(paramIdx, normalizedValue);
  host.push_back("send " + Num(paramIdx) + " " + Num(normalizedValue));
}

bool FakeDelegate::EditorResizeFromUI(int width, int height, bool needsPlatformResize) {
  host.push_back("resize " + Num(width) + "x" + Num(height) + (needsPlatformResize ? " platform" : ""));
  return resizeAnswer;
}

void FakeDelegate::SendMidiMsgFromUI(const IMidiMsg& msg) {
  midi.push_back(msg);
}

void FakeDelegate::LayoutUI(IGraphics*) {
  ++layouts;
}

int FakeDelegate::CountHost(const std::string& prefix) const {
  int n = 0;
  for (const std::string& e : host) n += e.compare(0, prefix.size(), prefix) == 0;
  return n;
}

}  // namespace fx::gfx::test
