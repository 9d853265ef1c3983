#include "graphics/ICornerResizerControl.h"

#include "graphics/IGraphics.h"

namespace fx::gfx {

ICornerResizerControl::ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor)
    : IControl(
          IRECT(graphicsBounds.R - size, graphicsBounds.B - size, graphicsBounds.R, graphicsBounds.B).GetPadded(-1.f)),
      mSize(size),
      mInitialGraphicsBounds(graphicsBounds),
      mColor(color),
      mMouseOverColor(mouseOverColor),
      mDragColor(dragColor) {}

void ICornerResizerControl::OnMouseDown(float, float, const IMouseMod&) {
  if (mGraphics) mGraphics->StartDragResize();
}

void ICornerResizerControl::OnMouseDblClick(float, float, const IMouseMod&) {
  if (mGraphics)
    mGraphics->Resize(static_cast<int>(mInitialGraphicsBounds.W()), static_cast<int>(mInitialGraphicsBounds.H()), 1.f,
                      true);
}

// The cursor found on entry is kept until the pointer leaves, also across a rescale, which clears only the
// mouse-over colour: the diagonal cursor set here is never taken for the one to restore.
void ICornerResizerControl::OnMouseOver(float x, float y, const IMouseMod& mod) {
  if (!mCursorSet && mGraphics) {
    mPrevCursorType = mGraphics->SetMouseCursor(kSizeNWSECursor);
    mCursorSet = true;
  }
  mMouseOver = true;
  IControl::OnMouseOver(x, y, mod);
}

void ICornerResizerControl::OnMouseOut() {
  if (mCursorSet && mGraphics) mGraphics->SetMouseCursor(mPrevCursorType);
  mCursorSet = false;
  mMouseOver = false;
  IControl::OnMouseOut();
}

// The side is divided by the draw scale so the square keeps its size on screen.
void ICornerResizerControl::OnRescale() {
  if (!mGraphics || !(mGraphics->GetDrawScale() > 0.f)) return;
  const float w = static_cast<float>(mGraphics->Width());
  const float h = static_cast<float>(mGraphics->Height());
  const float s = mSize / mGraphics->GetDrawScale();
  SetTargetAndDrawRECTs(IRECT(w - s, h - s, w, h));
  mMouseOver = false;
  OnResize();
}

void ICornerResizerControl::Draw(IGraphics& g) {
  const IColor& color = g.GetResizingInProcess() ? mDragColor : (mMouseOver ? mMouseOverColor : mColor);
  g.FillTriangle(color, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B, &mBlend);
}

}  // namespace fx::gfx
