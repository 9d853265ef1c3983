// The graphics as the editor delegate's view: size and scale for the host's state, the host window's
// resizes, keys at the pointer, and values, messages and MIDI routed to the controls.
#include <cmath>

#include "framework/IKeyPress.h"
#include "framework/IMidiMsg.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

namespace fx::gfx {

IEditorView::Size IGraphics::GetEditorSize() const {
  return {Width(), Height(), GetDrawScale()};
}

void IGraphics::RestoreEditorSize(const Size& size) {
  Resize(size.width, size.height, size.scale, true);
}

// A window scale that is not a positive number would divide by zero.
void IGraphics::ResizeToParentWindow(int width, int height) {
  float scale = GetPlatformWindowScale();
  if (!(scale > 0.f) || !std::isfinite(scale)) scale = 1.f;
  const int w = static_cast<int>(static_cast<float>(width) / scale);
  const int h = static_cast<int>(static_cast<float>(height) / scale);
  Resize(w, h, 1.f, false);
}

void IGraphics::ChangeScreenScale(float scale) {
  SetScreenScale(scale);
}

bool IGraphics::KeyDownAtPointer(const IKeyPress& key) {
  float x = 0.f, y = 0.f;
  GetMouseLocation(x, y);
  return OnKeyDown(x, y, key);
}

bool IGraphics::KeyUpAtPointer(const IKeyPress& key) {
  float x = 0.f, y = 0.f;
  GetMouseLocation(x, y);
  return OnKeyUp(x, y, key);
}

void IGraphics::SetControlValueFromDelegate(int ctrlTag, double normalizedValue) {
  ControlUse use(*this);
  if (IControl* control = GetControlWithTag(ctrlTag)) control->SetValueFromDelegate(normalizedValue, 0);
}

void IGraphics::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) {
  ControlUse use(*this);
  if (IControl* control = GetControlWithTag(ctrlTag)) control->OnMsgFromDelegate(msgTag, dataSize, data);
}

void IGraphics::SendMidiMsgToControls(const IMidiMsg& msg) {
  ForStandardControlsFunc([&msg](IControl* control) {
    if (control->GetWantsMidi()) control->OnMidi(msg);
  });
}

void IGraphics::SetParameterValueInControls(int paramIdx, double normalizedValue) {
  ForStandardControlsFunc([=](IControl* control) {
    for (int k = 0; k < control->NVals(); ++k) {
      if (control->GetParamIdx(k) == paramIdx) control->SetValueFromDelegate(normalizedValue, k);
    }
  });
}

}  // namespace fx::gfx
