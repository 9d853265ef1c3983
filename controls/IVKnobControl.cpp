#include "controls/IVKnobControl.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

IVKnobControl::IVKnobControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float startAngle, float endAngle,
                             float anchorAngle, EDirection direction, double gearing, float trackSize)
    : IKnobControlBase(bounds, paramIdx, direction, gearing),
      IVectorBase(style, false, valueInWidget),
      mStartAngle(startAngle),
      mEndAngle(endAngle),
      mAnchorAngle(anchorAngle) {
  SetUp(style, valueIsEditable, trackSize, EVShape::Ellipse, label);
}

IVKnobControl::IVKnobControl(const IRECT& bounds, IActionFunction actionFunc, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float startAngle, float endAngle,
                             float anchorAngle, EDirection direction, double gearing, float trackSize)
    : IKnobControlBase(bounds, std::move(actionFunc), direction, gearing),
      IVectorBase(style, false, valueInWidget),
      mStartAngle(startAngle),
      mEndAngle(endAngle),
      mAnchorAngle(anchorAngle) {
  SetUp(style, valueIsEditable, trackSize, EVShape::Ellipse, label);
}

// What both constructors share.
void IVKnobControl::SetUp(const IVStyle& style, bool valueIsEditable, float trackSize, EVShape shape,
                          const char* label) {
  mDisablePrompt = !valueIsEditable;
  mText = style.valueText;
  mHideCursorOnDrag = style.hideCursor;
  mTrackSize = trackSize;
  mShape = shape;
  AttachIControl(this, label);
}

void IVKnobControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

float IVKnobControl::GetRadius() const {
  return std::min(mWidgetBounds.W(), mWidgetBounds.H()) * 0.5f - mTrackSize * 0.5f;
}

IRECT IVKnobControl::GetTrackBounds() const {
  const float half = 0.5f * std::max(1.f, 2.f * (GetRadius() + mTrackSize));
  return IRECT(mWidgetBounds.MW() - half, mWidgetBounds.MH() - half, mWidgetBounds.MW() + half,
               mWidgetBounds.MH() + half);
}

IRECT IVKnobControl::GetDragBounds() const {
  const IRECT& w = mWidgetBounds;
  float width;
  float height;
  if (w.W() > w.H()) {
    width = std::max(1.f, 0.5f * w.H());
    height = w.H();
  } else {
    width = std::max(1.f, w.W());
    height = 0.5f * w.W();
    if (!(height > 0.f)) height = width;
  }
  return IRECT(w.MW() - 0.5f * width, w.MH() - 0.5f * height, w.MW() + 0.5f * width, w.MH() + 0.5f * height);
}

void IVKnobControl::DrawWidget(IGraphics& g) {
  const float r = GetRadius();
  const float cx = mWidgetBounds.MW();
  const float cy = mWidgetBounds.MH();
  const float half = 0.5f * std::max(1.f, 2.f * (r - mKnobInset));
  const IRECT body(cx - half, cy - half, cx + half, cy + half);
  const float angle = mStartAngle + (mEndAngle - mStartAngle) * static_cast<float>(GetValue(0));
  DrawValueArc(g, angle, cx, cy, r);
  DrawPressableShape(g, EVShape::Ellipse, body, mMouseDown, mMouseIsOver, mDisabled);
  DrawPointer(g, angle, cx, cy, body.W() * 0.5f);
}

// A knob smaller than its own track has no arc to draw (its radius would be negative).
void IVKnobControl::DrawValueArc(IGraphics& g, float angle, float cx, float cy, float radius) {
  if (mTrackSize > 0.f && radius > 0.f)
    g.DrawArc(GetColor(kX1), cx, cy, radius, std::min(angle, mAnchorAngle), std::max(angle, mAnchorAngle), &mBlend,
              mTrackSize);
}

void IVKnobControl::DrawPointer(IGraphics& g, float angle, float cx, float cy, float radius) {
  g.DrawRadialLine(GetColor(kFR), cx, cy, angle, radius * mPointerStartFrac, radius * mPointerEndFrac, &mBlend,
                   mPointerThickness);
}

void IVKnobControl::OnMouseDown(float x, float y, const IMouseMod& mod) {
  if (mStyle.showValue && ValueIsEditable() && mValueBounds.Contains(x, y))
    PromptUserInput(mValueBounds, 0);
  else
    IKnobControlBase::OnMouseDown(x, y, mod);
  SetDirty(false);
}

void IVKnobControl::OnMouseUp(float x, float y, const IMouseMod& mod) {
  IKnobControlBase::OnMouseUp(x, y, mod);
  SetDirty(true);
}

void IVKnobControl::OnMouseDblClick(float x, float y, const IMouseMod&) {
  SetValueToDefault(GetValIdxForPos(x, y));
}

void IVKnobControl::OnMouseOver(float x, float y, const IMouseMod& mod) {
  if (mStyle.showValue && ValueIsEditable()) mValueMouseOver = mValueBounds.Contains(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVKnobControl::OnMouseOut() {
  mValueMouseOver = false;
  IControl::OnMouseOut();
}

void IVKnobControl::OnResize() {
  mTargetRECT = MakeRects(mRECT, false);
  mMouseIsOver = false;
  SetDirty(false);
}

void IVKnobControl::UpdateValueStr() {
  if (const IParam* param = GetParam(0)) param->GetDisplayWithLabel(mValueStr, true);
}

void IVKnobControl::OnInit() {
  const IParam* param = GetParam(0);
  if (!param) return;
  UpdateValueStr();
  if (mLabelStr.GetLength() == 0) mLabelStr.Set(param->GetName());
}

bool IVKnobControl::IsHit(float x, float y) const {
  return (ValueIsEditable() && mValueBounds.Contains(x, y)) || mWidgetBounds.Contains(x, y);
}

void IVKnobControl::SetDirty(bool triggerAction, int) {
  IControl::SetDirty(triggerAction, -1);
  UpdateValueStr();
}

}  // namespace fx::gfx
