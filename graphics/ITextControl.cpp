#include "graphics/ITextControl.h"

#include "framework/IParam.h"
#include "framework/NumberText.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <vector>

namespace fx::gfx {

namespace {

// The longest position or size text of a placeholder.
constexpr int kPlaceHolderTextLen = 32;

}  // namespace

ITextControl::ITextControl(const IRECT& bounds, const char* str, const IText& text, const IColor& bgColor,
                           bool setBoundsBasedOnStr)
    : ITextControl(bounds, -1, nullptr, str, text, bgColor) {
  mSetBoundsBasedOnStr = setBoundsBasedOnStr;
  mIgnoreMouse = true;
}

ITextControl::ITextControl(const IRECT& bounds, int paramIdx, IActionFunction actionFunc, const char* str,
                           const IText& text, const IColor& bgColor)
    : IControl(bounds, paramIdx, std::move(actionFunc)), mStr(str ? str : ""), mBGColor(bgColor) {
  mText = text;
}

void ITextControl::OnInit() {
  if (!mSetBoundsBasedOnStr) return;
  SetBoundsBasedOnStr();
  mMouseIsOver = false;
  OnResize();
}

void ITextControl::SetBoundsBasedOnStr() {
  if (!mGraphics) return;
  IRECT measured;
  mGraphics->MeasureText(mText, mStr.Get(), measured);
  const float w = measured.W();
  const float h = measured.H();
  const float cx = mRECT.MW();
  const float cy = mRECT.MH();
  SetTargetAndDrawRECTs(IRECT(cx - w / 2.f, cy - h / 2.f, cx + w / 2.f, cy + h / 2.f));
}

void ITextControl::SetStr(const char* str) {
  const char* s = str ? str : "";
  if (std::strcmp(s, mStr.Get()) == 0) return;
  mStr.Set(s);
  if (mSetBoundsBasedOnStr) SetBoundsBasedOnStr();
  SetDirty(false);
}

void ITextControl::SetStrFmt(int maxlen, const char* fmt, ...) {
  if (maxlen < 0) return;
  std::vector<char> buf(static_cast<std::size_t>(maxlen) + 1);
  va_list args;
  va_start(args, fmt);
  FormatTextV(buf.data(), static_cast<int>(buf.size()), fmt, args);
  va_end(args);
  mStr.Set(buf.data());
  SetDirty(false);
}

void ITextControl::Draw(IGraphics& g) {
  g.FillRect(mBGColor, mRECT, &mBlend);
  if (mStr.GetLength() > 0 && g.GetControlInTextEntry() != this) g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}

IURLControl::IURLControl(const IRECT& bounds, const char* label, const char* url, const IText& text,
                         const IColor& bgColor, const IColor& mouseOverColor, const IColor& clickedColor)
    : ITextControl(bounds, label, text, bgColor),
      mURLStr(url ? url : ""),
      mOriginalColor(text.mFGColor),
      mMOColor(mouseOverColor),
      mCLColor(clickedColor) {
  mIgnoreMouse = false;
}

void IURLControl::Draw(IGraphics& g) {
  g.FillRect(mBGColor, mRECT, &mBlend);
  mText.mFGColor = mMouseIsOver ? mMOColor : (mClicked ? mCLColor : mOriginalColor);
  if (mStr.GetLength() == 0) return;
  IRECT extent;
  const float width = g.MeasureText(mText, mStr.Get(), extent);
  float x1 = mRECT.L;
  float x2 = mRECT.L + width;
  if (mText.mAlign == kAlignCenter) {
    x1 = mRECT.MW() + extent.L;
    x2 = mRECT.MW() + extent.R;
  } else if (mText.mAlign == kAlignFar) {
    x1 = mRECT.R - width;
    x2 = mRECT.R;
  }
  // Top-aligned text is underlined one text height below the top.
  float y = mRECT.T + extent.H();
  if (mText.mVAlign == kVAlignMiddle)
    y = mRECT.MH() + extent.B;
  else if (mText.mVAlign == kVAlignBottom)
    y = mRECT.B;
  g.DrawLine(IPattern(mText.mFGColor), x1, y, x2, y, &mBlend, 1.f);
  g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}

void IURLControl::OnMouseDown(float, float, const IMouseMod&) {
  if (mGraphics) {
    mGraphics->OpenURL(mURLStr.Get(), nullptr, nullptr, nullptr);
    mGraphics->ReleaseMouseCapture();
  }
  mClicked = true;
}

void IURLControl::OnMouseOver(float, float, const IMouseMod&) {
  if (mGraphics) mGraphics->SetMouseCursor(kHandCursor);
  if (mMouseIsOver) return;
  mMouseIsOver = true;
  SetDirty(false);
}

void IURLControl::OnMouseOut() {
  if (mGraphics) mGraphics->SetMouseCursor(kArrowCursor);
  if (!mMouseIsOver) return;
  mMouseIsOver = false;
  SetDirty(false);
}

void IURLControl::SetText(const IText& text) {
  mText = text;
  mOriginalColor = text.mFGColor;
}

ITextToggleControl::ITextToggleControl(const IRECT& bounds, int paramIdx, const char* offText, const char* onText,
                                       const IText& text, const IColor& bgColor)
    : ITextControl(bounds, paramIdx, nullptr, offText, text, bgColor),
      mOffText(offText ? offText : ""),
      mOnText(onText ? onText : "") {
  mDblAsSingleClick = true;
}

ITextToggleControl::ITextToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* offText,
                                       const char* onText, const IText& text, const IColor& bgColor)
    : ITextControl(bounds, -1, std::move(actionFunc), offText, text, bgColor),
      mOffText(offText ? offText : ""),
      mOnText(onText ? onText : "") {
  mDblAsSingleClick = true;
}

void ITextToggleControl::OnMouseDown(float, float, const IMouseMod&) {
  SetValue(GetValue() < 0.5 ? 1.0 : 0.0);
  SetDirty(true, 0);
}

void ITextToggleControl::SetDirty(bool triggerAction, int) {
  SetStr(GetValue() > 0.5 ? mOnText.Get() : mOffText.Get());
  IControl::SetDirty(triggerAction);
}

ICaptionControl::ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text, const IColor& bgColor,
                                 bool showParamLabel)
    : ITextControl(bounds, paramIdx, nullptr, "", text, bgColor), mShowParamLabel(showParamLabel) {
  SetValue(std::clamp(GetValue(), 0.0, 1.0));
  mDirty = true;
  mDisablePrompt = false;
  mDblAsSingleClick = true;
}

void ICaptionControl::OnMouseDown(float, float, const IMouseMod& mod) {
  if ((mod.L || mod.R) && IsBound(0) && !mDisablePrompt && mGraphics) mGraphics->PromptUserInput(*this, mRECT, 0);
}

void ICaptionControl::Draw(IGraphics& g) {
  if (const IParam* param = GetParam()) {
    param->GetDisplay(param->Value(), false, mStr, true);
    // The blank comes with the flag, also before an empty label.
    if (mShowParamLabel) {
      mStr.Append(" ");
      mStr.Append(param->GetLabel());
    }
  }
  ITextControl::Draw(g);
  if (mTri.W() > 0.f) {
    const bool over = mMouseIsOver;
    g.FillTriangle(over ? mTriangleMouseOverColor : mTriangleColor, mTri.L, mTri.T, mTri.R, mTri.T, mTri.MW(), mTri.B,
                   over ? nullptr : &BLEND_50);
  }
}

void ICaptionControl::OnResize() {
  const IParam* param = GetParam();
  if (!param || param->Type() != kTypeEnum) return;
  const float cx = (mRECT.R - 0.2f * mRECT.W() + mRECT.R) / 2.f;
  const float cy = mRECT.MH();
  mTri = IRECT(cx - 4.f, cy - 2.5f, cx + 4.f, cy + 2.5f);
}

PlaceHolder::PlaceHolder(const IRECT& bounds, const char* str)
    : ITextControl(bounds, -1, nullptr, str, IText(20.f, kVAlignMiddle), COLOR_WHITE) {
  mDisablePrompt = false;
  mHeightText.mAngle = 270.f;
}

void PlaceHolder::OnMouseDblClick(float, float, const IMouseMod&) {
  if (mGraphics) mGraphics->CreateTextEntry(*this, mText, mRECT, mStr.Get(), 0);
}

void PlaceHolder::OnTextEntryCompletion(const char* str, int) {
  SetStr(str);
}

void PlaceHolder::OnResize() {
  mTLHCStr.SetFormatted(kPlaceHolderTextLen, "%0.1f, %0.1f", mRECT.L, mRECT.T);
  mWidthStr.SetFormatted(kPlaceHolderTextLen, "%0.1f", mRECT.W());
  mHeightStr.SetFormatted(kPlaceHolderTextLen, "%0.1f", mRECT.H());
}

void PlaceHolder::DrawLabel(IGraphics& g, const IText& style, const char* str, float x, float y, const IBlend& blend) {
  IRECT box;
  g.MeasureText(style, str, box);
  g.FillRect(mBGColor, box.GetTranslated(x, y), &blend);
  g.DrawText(style, str, x, y);
}

void PlaceHolder::Draw(IGraphics& g) {
  g.FillRect(mBGColor, mRECT);
  g.DrawLine(IPattern(COLOR_RED), mRECT.L, mRECT.T, mRECT.R, mRECT.B, &BLEND_50, 2.f);
  g.DrawLine(IPattern(COLOR_RED), mRECT.L, mRECT.B, mRECT.R, mRECT.T, &BLEND_50, 2.f);
  DrawLabel(g, mHeightText, mHeightStr.Get(), mRECT.L + 10.f, mRECT.MH(), BLEND_50);
  DrawLabel(g, mWidthText, mWidthStr.Get(), mRECT.MW(), mRECT.T + 10.f, BLEND_75);
  DrawLabel(g, mTLHCText, mTLHCStr.Get(), mRECT.L + 10.f, mRECT.T + 10.f, BLEND_50);
  if (mStr.GetLength() == 0) return;
  IRECT centre = mRECT;
  g.MeasureText(mText, mStr.Get(), centre);
  g.FillRect(mBGColor, centre, &BLEND_75);
  g.DrawText(mText, mStr.Get(), centre);
  mCentreLabelBounds = centre;
}

}  // namespace fx::gfx
