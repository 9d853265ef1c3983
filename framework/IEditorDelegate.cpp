#include "framework/IEditorDelegate.h"

#include <algorithm>
#include <utility>

namespace fx {

IEditorDelegate::IEditorDelegate(int nParams) {
  for (int i = 0; i < nParams; ++i) {
    auto* param = new IParam;
    if (!mParams.Add(param)) delete param;
  }
}

IEditorDelegate::~IEditorDelegate() {
  mParams.Empty(true);
}

void* IEditorDelegate::OpenWindow(void*) {
  OnUIOpen();
  return nullptr;
}

void IEditorDelegate::CloseWindow() {
  OnUIClose();
}

void IEditorDelegate::OnParentWindowResize(int, int) {}

double IEditorDelegate::ConvertPresetParamValue(const char*, const char*, int, double value) {
  return value;
}

void IEditorDelegate::OnUIOpen() {
  SendAllParametersToEditor();
}

void IEditorDelegate::SendAllParametersToEditor() {
  for (int i = 0; i < NParams(); ++i) {
    const IParam& param = *GetParam(i);
    SendParameterValueFromDelegate(i, ConstrainedNormalized(param, param.Value()), true);
  }
}

double IEditorDelegate::ConstrainedNormalized(const IParam& param, double value) {
  return std::clamp(param.ToNormalized(param.Constrain(value)), 0.0, 1.0);
}

void IEditorDelegate::OnUIClose() {}

void IEditorDelegate::OnParamChange(int paramIdx, EParamSource, int) {
  OnParamChange(paramIdx);
}

void IEditorDelegate::OnParamChange(int) {}

void IEditorDelegate::OnParamChangeUI(int, EParamSource) {}

void IEditorDelegate::OnParamReset(EParamSource source) {
  for (int i = 0; i < NParams(); ++i) {
    OnParamChange(i, source, -1);
    OnParamChangeUI(i, source);
  }
}

void IEditorDelegate::OnMidiMsgUI(const IMidiMsg&) {}

void IEditorDelegate::OnSysexMsgUI(const ISysEx&) {}

bool IEditorDelegate::OnMessage(int, int, int, const void*) {
  return false;
}

void IEditorDelegate::OnRestoreState() {
  SendAllParametersToEditor();
}

bool IEditorDelegate::OnKeyDown(const IKeyPress&) {
  return false;
}

bool IEditorDelegate::OnKeyUp(const IKeyPress&) {
  return false;
}

void IEditorDelegate::SendControlValueFromDelegate(int, double) {}

bool IEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) {
  return OnMessage(msgTag, ctrlTag, dataSize, data);
}

void IEditorDelegate::SendArbitraryMsgFromDelegate(int msgTag, int dataSize, const void* data) {
  OnMessage(msgTag, -1, dataSize, data);
}

void IEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg) {
  OnMidiMsgUI(msg);
}

void IEditorDelegate::SendSysexMsgFromDelegate(const ISysEx& msg) {
  OnSysexMsgUI(msg);
}

void IEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double, bool) {
  OnParamChangeUI(paramIdx, kDelegate);
}

void IEditorDelegate::InformHostOfAllParams() {}

void IEditorDelegate::SendParameterValueFromUI(int paramIdx, double normalizedValue) {
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  param->SetNormalized(normalizedValue);
  OnParamChangeUI(paramIdx, kUI);
}

bool IEditorDelegate::EditorResizeFromUI(int, int, bool) {
  return false;
}

void IEditorDelegate::SendMidiMsgFromUI(const IMidiMsg&) {}

void IEditorDelegate::SendSysexMsgFromUI(const ISysEx&) {}

void IEditorDelegate::SendArbitraryMsgFromUI(int, int, int, const void*) {}

void IEditorDelegate::DeferMidiMsg(const IMidiMsg&) {}

void IEditorDelegate::DeferSysexMsg(const ISysEx&) {}

bool IEditorDelegate::ConstrainEditorResize(int& width, int& height) const {
  if (width >= mMinWidth && width <= mMaxWidth && height >= mMinHeight && height <= mMaxHeight) return true;
  width = std::clamp(width, mMinWidth, mMaxWidth);
  height = std::clamp(height, mMinHeight, mMaxHeight);
  return false;
}

bool IEditorDelegate::SerializeEditorState(IByteChunk&) const {
  return true;
}

int IEditorDelegate::UnserializeEditorState(const IByteChunk&, int startPos) {
  return startPos;
}

void IEditorDelegate::SetScreenScale(float) {}

void IEditorDelegate::SetEditorSizeLimits(int minWidth, int maxWidth, int minHeight, int maxHeight) {
  mMinWidth = std::min(minWidth, maxWidth);
  mMaxWidth = std::max(minWidth, maxWidth);
  mMinHeight = std::min(minHeight, maxHeight);
  mMaxHeight = std::max(minHeight, maxHeight);
}

}  // namespace fx
