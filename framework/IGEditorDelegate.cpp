#include "framework/IGEditorDelegate.h"

#include <algorithm>
#include <cmath>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

namespace fx::gfx {

IGEditorDelegate::IGEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

IGEditorDelegate::~IGEditorDelegate() { mGraphics.reset(); }

void* IGEditorDelegate::OpenWindow(void* parent) {
  if (!mGraphics) {
    mGraphics.reset(CreateGraphics());
    if (mGraphics && mSavedWidth != 0 && mSavedHeight != 0 && mSavedScale != 0.f) {
      mGraphics->Resize(mSavedWidth, mSavedHeight, mSavedScale, true);
    }
  }
  return mGraphics ? mGraphics->OpenWindow(parent) : nullptr;
}

void IGEditorDelegate::CloseWindow() {
  if (mClosing) return;
  mClosing = true;
  OnUIClose();
  if (mGraphics) {
    mSavedWidth = mGraphics->Width();
    mSavedHeight = mGraphics->Height();
    mSavedScale = mGraphics->GetDrawScale();
    mGraphics->CloseWindow();
    // Released before deletion, so that nothing reaches the graphics through GetUI while they go.
    std::unique_ptr<IGraphics> closing = std::move(mGraphics);
    closing.reset();
  }
  mClosing = false;
}

// A window scale that is not a positive number would divide by zero; it counts as 1.
void IGEditorDelegate::OnParentWindowResize(int width, int height) {
  if (!mGraphics) return;
  float scale = mGraphics->GetPlatformWindowScale();
  if (!(scale > 0.f) || !std::isfinite(scale)) scale = 1.f;
  const int w = static_cast<int>(static_cast<float>(width) / scale);
  const int h = static_cast<int>(static_cast<float>(height) / scale);
  mGraphics->Resize(w, h, 1.f, false);
}

bool IGEditorDelegate::OnKeyDown(const IKeyPress& key) {
  if (!mGraphics) return false;
  float x = 0.f, y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return mGraphics->OnKeyDown(x, y, key);
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress& key) {
  if (!mGraphics) return false;
  float x = 0.f, y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return mGraphics->OnKeyUp(x, y, key);
}

void IGEditorDelegate::SendControlValueFromDelegate(int ctrlTag, double normalizedValue) {
  if (!mGraphics) return;
  if (IControl* control = mGraphics->GetControlWithTag(ctrlTag)) control->SetValueFromDelegate(normalizedValue, 0);
}

void IGEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) {
  if (!mGraphics) return;
  if (IControl* control = mGraphics->GetControlWithTag(ctrlTag)) control->OnMsgFromDelegate(msgTag, dataSize, data);
}

void IGEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg) {
  if (mGraphics) {
    for (int i = 0; i < mGraphics->NControls(); ++i) {
      IControl* control = mGraphics->GetControl(i);
      if (control && control->GetWantsMidi()) control->OnMidi(msg);
    }
  }
  OnMidiMsgUI(msg);
}

void IGEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) {
  const IParam* param = GetParam(paramIdx);
  if (!param) return;
  if (mGraphics) {
    if (!normalized) value = ConstrainedNormalized(*param, value);
    for (int i = 0; i < mGraphics->NControls(); ++i) {
      IControl* control = mGraphics->GetControl(i);
      if (!control) continue;
      for (int k = 0; k < control->NVals(); ++k) {
        if (control->GetParamIdx(k) == paramIdx) control->SetValueFromDelegate(value, k);
      }
    }
  }
  OnParamChangeUI(paramIdx, kDelegate);
}

bool IGEditorDelegate::SerializeEditorState(IByteChunk& chunk) const {
  const int32_t width = mGraphics ? mGraphics->Width() : mSavedWidth;
  const int32_t height = mGraphics ? mGraphics->Height() : mSavedHeight;
  const float scale = mGraphics ? mGraphics->GetDrawScale() : mSavedScale;
  const bool widthOK = chunk.Put(&width) > 0;
  const bool heightOK = chunk.Put(&height) > 0;
  const bool scaleOK = chunk.Put(&scale) > 0;
  return widthOK && heightOK && scaleOK;
}

int IGEditorDelegate::UnserializeEditorState(const IByteChunk& chunk, int startPos) {
  int32_t width = 0, height = 0;
  float scale = 0.f;
  int pos = startPos < 0 ? -1 : chunk.Get(&width, startPos);
  if (pos >= 0) pos = chunk.Get(&height, pos);
  if (pos >= 0) pos = chunk.Get(&scale, pos);

  // Stored state may be damaged: a size or scale no editor can take means "no saved size".
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (!(scale > 0.f) || !std::isfinite(scale)) scale = 0.f;

  if (mGraphics) {
    if (width != 0 && height != 0 && scale != 0.f) mGraphics->Resize(width, height, scale, true);
  } else {
    mSavedWidth = width;
    mSavedHeight = height;
    mSavedScale = scale;
  }
  return pos;
}

void IGEditorDelegate::SetScreenScale(float scale) {
  if (mGraphics) mGraphics->SetScreenScale(scale);
}

IGraphics* IGEditorDelegate::CreateGraphics() { return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr; }

void IGEditorDelegate::LayoutUI(IGraphics* graphics) {
  if (mLayoutFunc) mLayoutFunc(graphics);
}

}  // namespace fx::gfx
