#include "controls/IVSliderControl.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

IVSliderControl::IVSliderControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection dir, bool handleInsideTrack, bool clickToJump,
                                 double gearing, float handleSize, float trackSize, float handleXOffset,
                                 float handleYOffset)
    : ISliderControlBase(bounds, paramIdx, dir, clickToJump, gearing, handleSize),
      IVectorBase(style),
      mHandleInsideTrack(handleInsideTrack),
      mHandleXOffset(handleXOffset),
      mHandleYOffset(handleYOffset) {
  SetUp(style, valueIsEditable, trackSize, EVShape::Rectangle, label);
}

IVSliderControl::IVSliderControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, bool valueIsEditable, EDirection dir, bool handleInsideTrack,
                                 bool clickToJump, double gearing, float handleSize, float trackSize,
                                 float handleXOffset, float handleYOffset)
    : ISliderControlBase(bounds, std::move(actionFunc), dir, clickToJump, gearing, handleSize),
      IVectorBase(style),
      mHandleInsideTrack(handleInsideTrack),
      mHandleXOffset(handleXOffset),
      mHandleYOffset(handleYOffset) {
  SetUp(style, valueIsEditable, trackSize, EVShape::Ellipse, label);
}

// What both constructors share.
void IVSliderControl::SetUp(const IVStyle& style, bool valueIsEditable, float trackSize, EVShape shape,
                            const char* label) {
  mDisablePrompt = !valueIsEditable;
  mText = style.valueText;
  mHideCursorOnDrag = style.hideCursor;
  mTrackSize = trackSize;
  mShape = shape;
  AttachIControl(this, label);
}

void IVSliderControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

// A widget smaller than the handle leaves a track of zero length at its centre (never an inverted one),
// on which drags and jumps do nothing.
void IVSliderControl::OnResize() {
  mTargetRECT = MakeRects(mRECT, false);
  mMouseIsOver = false;
  const IRECT& w = mWidgetBounds;
  const float insetX = std::min(mHandleSize, std::max(0.f, 0.5f * w.W()));
  const float insetY = std::min(mHandleSize, std::max(0.f, 0.5f * w.H()));
  const IRECT inner(w.L + insetX, w.T + insetY, w.R - insetX, w.B - insetY);
  if (mDirection == kVertical)
    mTrack = IRECT(inner.MW() - mTrackSize, inner.T, inner.MW() + mTrackSize, inner.B);
  else
    mTrack = IRECT(inner.L, inner.MH() - mTrackSize, inner.R, inner.MH() + mTrackSize);
  SetDirty(false);
}

void IVSliderControl::DrawWidget(IGraphics& g) {
  const float v = static_cast<float>(GetValue(0));
  const IRECT& t = mTrack;
  const IRECT filled = mDirection == kVertical ? IRECT(t.L, t.B - (t.B - t.T) * v, t.R, t.B)
                                               : IRECT(t.L, t.T, t.L + (t.R - t.L) * v, t.B);
  if (mTrackSize > 0.f) DrawTrack(g, filled);

  const float shift = mStyle.drawShadows && static_cast<int>(mShape) >= static_cast<int>(EVShape::Triangle)
                          ? 0.5f * mStyle.shadowOffset
                          : 0.f;
  float cx;
  float cy;
  if (mDirection == kVertical) {
    cx = filled.MW() + shift;
    cy = filled.T;
  } else {
    cx = filled.R;
    cy = filled.MH() + shift;
  }
  if (mHandleSize > 0.f) {
    cx += mHandleXOffset;
    cy += mHandleYOffset;
    DrawHandle(g, IRECT(cx - mHandleSize, cy - mHandleSize, cx + mHandleSize, cy + mHandleSize));
  }
}

void IVSliderControl::DrawTrack(IGraphics& g, const IRECT& filledArea) {
  const float e = mHandleInsideTrack ? mHandleSize : 0.f;
  IRECT track = mTrack;
  IRECT filled = filledArea;
  if (mDirection == kVertical) {
    track.T -= e;
    track.B += e;
    filled.T -= e;
    filled.B += e;
  } else {
    track.L -= e;
    track.R += e;
    filled.L -= e;
    filled.R += e;
  }
  const float radius = std::min(mTrack.W(), mTrack.H()) * 0.5f * mStyle.roundness;
  g.FillRoundRect(GetColor(kSH), track, radius, &mBlend);
  g.FillRoundRect(GetColor(kX1), filled, radius);
  if (mStyle.drawFrame) g.DrawRoundRect(GetColor(kFR), track, radius, &mBlend, mStyle.frameThickness);
}

void IVSliderControl::DrawHandle(IGraphics& g, const IRECT& bounds) {
  DrawPressableShape(g, mShape, bounds, mMouseDown, mMouseIsOver, mDisabled);
}

void IVSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod) {
  if (mStyle.showValue && ValueIsEditable() && mValueBounds.Contains(x, y))
    PromptUserInput(mValueBounds, 0);
  else
    ISliderControlBase::OnMouseDown(x, y, mod);
}

void IVSliderControl::OnMouseUp(float x, float y, const IMouseMod& mod) {
  ISliderControlBase::OnMouseUp(x, y, mod);
  SetDirty(true);
}

void IVSliderControl::OnMouseDblClick(float x, float y, const IMouseMod&) {
  SetValueToDefault(GetValIdxForPos(x, y));
}

void IVSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod) {
  if (mStyle.showValue && ValueIsEditable()) mValueMouseOver = mValueBounds.Contains(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVSliderControl::OnMouseOut() {
  mValueMouseOver = false;
  IControl::OnMouseOut();
}

void IVSliderControl::UpdateValueStr() {
  if (const IParam* param = GetParam(0)) param->GetDisplayWithLabel(mValueStr, true);
}

void IVSliderControl::OnInit() {
  const IParam* param = GetParam(0);
  if (!param) return;
  if (mLabelStr.GetLength() == 0) mLabelStr.Set(param->GetName());
  UpdateValueStr();
}

bool IVSliderControl::IsHit(float x, float y) const {
  return (ValueIsEditable() && mValueBounds.Contains(x, y)) || mWidgetBounds.Contains(x, y);
}

void IVSliderControl::SetDirty(bool triggerAction, int) {
  IControl::SetDirty(triggerAction, -1);
  UpdateValueStr();
}

}  // namespace fx::gfx
