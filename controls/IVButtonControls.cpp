#include "controls/IVButtonControls.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

IVLabelControl::IVLabelControl(const IRECT& bounds, const char* label, const IVStyle& style)
    : ITextControl(bounds, label, DEFAULT_TEXT, COLOR_TRANSPARENT, false), IVectorBase(style) {
  AttachIControl(this, label);
  mText = style.valueText;
}

void IVLabelControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  if (mStr.GetLength() > 0) {
    if (mStyle.drawShadows && !mDisabled) {
      IText shadow = mStyle.valueText;
      shadow.mFGColor = GetColor(kSH);
      g.DrawText(shadow, mStr.Get(), mRECT.GetTranslated(mStyle.shadowOffset, mStyle.shadowOffset), &mBlend);
    }
    g.DrawText(mStyle.valueText, mStr.Get(), mRECT, &mBlend);
  }
  if (mStyle.drawFrame) g.DrawRect(GetColor(kFR), mRECT, &mBlend, mStyle.frameThickness);
}

IVButtonControl::IVButtonControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, bool labelInButton, bool valueInButton, EVShape shape)
    : IButtonControlBase(bounds, std::move(actionFunc)), IVectorBase(style, labelInButton, valueInButton) {
  mShape = shape;
  AttachIControl(this, label);
  mText = style.valueText;
}

void IVButtonControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, false);
}

void IVButtonControl::DrawWidget(IGraphics& g) {
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue() != 0.0, mMouseIsOver, mDisabled);
}

void IVButtonControl::OnResize() {
  mTargetRECT = MakeRects(mRECT, true);
  mMouseIsOver = false;
  SetDirty(false);
}

bool IVButtonControl::IsHit(float x, float y) const {
  return mWidgetBounds.Contains(x, y);
}

IVSwitchControl::IVSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueInButton)
    : ISwitchControlBase(bounds, paramIdx, SplashClickActionFunc, 2), IVectorBase(style, false, valueInButton) {
  AttachIControl(this, label);
  mText = style.valueText;
  if (valueInButton) UseMiddleValueAlignment();
}

IVSwitchControl::IVSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, int numStates, bool valueInButton)
    : ISwitchControlBase(bounds, -1, std::move(actionFunc), numStates), IVectorBase(style, false, valueInButton) {
  AttachIControl(this, label);
  mText = style.valueText;
  if (valueInButton) UseMiddleValueAlignment();
}

void IVSwitchControl::UseMiddleValueAlignment() {
  mStyle.valueText.mVAlign = kVAlignMiddle;
  mText.mVAlign = kVAlignMiddle;
}

void IVSwitchControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, false);
}

void IVSwitchControl::DrawWidget(IGraphics& g) {
  DrawPressableShape(g, mShape, mWidgetBounds, mMouseDown, mMouseIsOver, mDisabled);
}

void IVSwitchControl::OnResize() {
  mTargetRECT = MakeRects(mRECT, true);
  mMouseIsOver = false;
  SetDirty(false);
}

bool IVSwitchControl::IsHit(float x, float y) const {
  return mWidgetBounds.Contains(x, y);
}

void IVSwitchControl::SetDirty(bool triggerAction, int) {
  IControl::SetDirty(triggerAction, -1);
  if (const IParam* param = GetParam(0)) param->GetDisplay(param->Value(), false, mValueStr, true);
}

void IVSwitchControl::OnInit() {
  ISwitchControlBase::OnInit();
  const IParam* param = GetParam(0);
  if (!param) return;
  param->GetDisplayWithLabel(mValueStr, true);
  if (mLabelStr.GetLength() == 0) mLabelStr.Set(param->GetName());
}

void IVSwitchControl::OnMouseOut() {
  IControl::OnMouseOut();
  SetDirty(false);
}

IVToggleControl::IVToggleControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 const char* offText, const char* onText)
    : IVSwitchControl(bounds, paramIdx, label, style, true),
      mOffText(offText ? offText : ""),
      mOnText(onText ? onText : "") {}

IVToggleControl::IVToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, const char* offText, const char* onText, bool initialState)
    : IVSwitchControl(bounds, std::move(actionFunc), label, style, 2, true),
      mOffText(offText ? offText : ""),
      mOnText(onText ? onText : "") {
  SetValue(initialState ? 1.0 : 0.0);
}

void IVToggleControl::DrawWidget(IGraphics& g) {
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue() > 0.5, mMouseIsOver, mDisabled);
}

void IVToggleControl::DrawValue(IGraphics& g, bool mouseOver) {
  if (mouseOver) g.FillRect(GetColor(kHL), mValueBounds, &mBlend);
  g.DrawText(mStyle.valueText, GetValue() > 0.5 ? mOnText.Get() : mOffText.Get(), mValueBounds, &mBlend);
}

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                           bool valueInButton, EDirection direction)
    : IVSwitchControl(bounds, paramIdx, label, style, valueInButton), mDirection(direction) {
  InstallSlideAction();
}

// A state number past the ends is held to the nearest state; a single-state switch sits at 0.
IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction,
                                           int numStates, int initialState)
    : IVSwitchControl(bounds, nullptr, label, style, numStates, valueInButton), mDirection(direction) {
  const int last = mNumStates - 1;
  SetValue(last > 0 ? static_cast<double>(std::clamp(initialState, 0, last)) / last : 0.0);
  InstallSlideAction();
  SetAnimationEndActionFunction(std::move(actionFunc));
}

void IVSlideSwitchControl::InstallSlideAction() {
  SetActionFunction([](IControl* control) {
    control->SetAnimation([](IControl* c) { static_cast<IVSlideSwitchControl*>(c)->Slide(); });
    control->StartAnimation(kSlideMs);
  });
}

void IVSlideSwitchControl::Slide() {
  const float p = static_cast<float>(GetAnimationProgress());
  mHandleBounds = IRECT(mStartRect.L + (mEndRect.L - mStartRect.L) * p, mStartRect.T + (mEndRect.T - mStartRect.T) * p,
                        mStartRect.R + (mEndRect.R - mStartRect.R) * p, mStartRect.B + (mEndRect.B - mStartRect.B) * p);
  if (mValueInWidget) mValueBounds = mHandleBounds;
  if (p > 1.f) OnEndAnimation();
}

IRECT IVSlideSwitchControl::Cell(int i) const {
  const IRECT& w = mWidgetBounds;
  const float n = static_cast<float>(mNumStates);
  if (mDirection == kHorizontal) {
    const float cw = w.W() / n;
    return IRECT(w.L + i * cw, w.T, w.L + i * cw + cw, w.B);
  }
  const float ch = w.H() / n;
  return IRECT(w.L, w.T + i * ch, w.R, w.T + i * ch + ch);
}

void IVSlideSwitchControl::UpdateRects() {
  const int state = static_cast<int>((mNumStates - 1) * GetValue() + 0.5);
  mStartRect = mHandleBounds = Cell(state);
  mEndRect = Cell((state + 1) % mNumStates);
  if (mValueInWidget) mValueBounds = mHandleBounds;
}

void IVSlideSwitchControl::OnResize() {
  IVSwitchControl::OnResize();
  UpdateRects();
}

void IVSlideSwitchControl::SetDirty(bool triggerAction, int valIdx) {
  IVSwitchControl::SetDirty(triggerAction, valIdx);
  if (!GetAnimationFunction()) UpdateRects();
}

void IVSlideSwitchControl::OnEndAnimation() {
  UpdateRects();
  IControl::OnEndAnimation();
}

void IVSlideSwitchControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  if (!GetAnimationFunction()) DrawValue(g, false);
}

void IVSlideSwitchControl::DrawWidget(IGraphics& g) {
  DrawTrack(g, mWidgetBounds);
  DrawHandle(g, mHandleBounds);
}

void IVSlideSwitchControl::DrawTrack(IGraphics& g, const IRECT& bounds) {
  const float radius = std::min(mHandleBounds.W(), mHandleBounds.H()) * 0.5f * mStyle.roundness;
  g.FillRoundRect(IPattern(GetColor(kSH)), bounds, radius);
}

void IVSlideSwitchControl::DrawHandle(IGraphics& g, const IRECT& bounds) {
  DrawPressableShape(g, mShape, bounds, mMouseDown, mMouseIsOver, mDisabled);
}

}  // namespace fx::gfx
