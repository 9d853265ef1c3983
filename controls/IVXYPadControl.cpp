#include "controls/IVXYPadControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

IVXYPadControl::IVXYPadControl(const IRECT& bounds, int xParamIdx, int yParamIdx, const char* label,
                               const IVStyle& style, float handleRadius, bool trackClipsHandle, bool drawCross)
    : IControl(bounds, {xParamIdx, yParamIdx}),
      IVectorBase(style),
      mHandleRadius(handleRadius),
      mTrackClipsHandle(trackClipsHandle),
      mDrawCross(drawCross) {
  mShape = EVShape::Ellipse;
  AttachIControl(this, label);
}

void IVXYPadControl::OnResize() {
  mTargetRECT = MakeRects(mRECT);
  mMouseIsOver = false;
  SetDirty(false);
}

void IVXYPadControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (mStyle.drawFrame) g.DrawRect(GetColor(kFR), mWidgetBounds, &mBlend, mStyle.frameThickness);
  DrawWidget(g);
}

IRECT IVXYPadControl::HandleArea() const {
  return mTrackClipsHandle ? mWidgetBounds : mWidgetBounds.GetPadded(-mHandleRadius);
}

IRECT IVXYPadControl::GetHandleBounds() const {
  const IRECT area = HandleArea();
  const float cx = area.L + area.W() * static_cast<float>(GetValue(0));
  const float cy = area.B - area.H() * static_cast<float>(GetValue(1));
  const float r = mHandleRadius;
  return IRECT(cx - r, cy - r, cx + r, cy + r);
}

void IVXYPadControl::DrawWidget(IGraphics& g) {
  DrawCross(g);
  DrawHandle(g, HandleArea(), GetHandleBounds());
}

void IVXYPadControl::DrawHandle(IGraphics& g, const IRECT& trackBounds, const IRECT& handleBounds) {
  if (mTrackClipsHandle) g.PathClipRegion(trackBounds.GetPadded(-0.5f * mStyle.frameThickness));
  DrawPressableShape(g, mShape, handleBounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVXYPadControl::DrawCross(IGraphics& g) {
  if (!mDrawCross) return;
  const IRECT& w = mWidgetBounds;
  g.DrawVerticalLine(GetColor(kSH), w, 0.5f, nullptr, 1.f);
  const float y = w.B - w.H() * 0.5f;
  g.DrawLine(GetColor(kSH), w.L, y, w.R, y, nullptr, 1.f);
}

void IVXYPadControl::OnMouseDown(float x, float y, const IMouseMod& mod) {
  mMouseDown = true;
  if (mStyle.hideCursor) GetUI()->HideMouseCursor(true, false);
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

// A pad of no width (or height) has no position to map to along it: that value stays as it is.
void IVXYPadControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&) {
  const IRECT& r = mRECT;
  if (r.W() > 0.f) SetValue((std::clamp(x, r.L, r.R) - r.L) / r.W(), 0);
  if (r.H() > 0.f) SetValue(1.0 - (std::clamp(y, r.T, r.B) - r.T) / r.H(), 1);
  SetDirty(true);
}

void IVXYPadControl::OnMouseUp(float, float, const IMouseMod&) {
  if (mStyle.hideCursor) GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(true);
}

}  // namespace fx::gfx
