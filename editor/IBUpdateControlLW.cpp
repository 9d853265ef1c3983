#include "editor/IBUpdateControlLW.h"

#include "editor/EditorCommand.h"
#include "graphics/IGraphics.h"

namespace fx::gfx {

namespace {

constexpr float kUpdateHighlightRadius = 2.f;

}  // namespace

IBUpdateControlLW::IBUpdateControlLW(const IRECT& bounds, const ISVG& offSVG, const ISVG& onSVG, int msg,
                                     bool hoverHighlight)
    : IControl(bounds),
      IBitmapBase(IBitmap()),
      mMsg(msg),
      mOffSVG(offSVG),
      mOnSVG(onSVG),
      mDrawSVG(true),
      mHoverHighlight(hoverHighlight) {
  AttachIControl(this);
  SetTooltip(kTooltipCheck);
  SetValue(0.0);
}

// A negative value counts as no update known.
void IBUpdateControlLW::Draw(IGraphics& g) {
  if (mHoverHighlight && mMouseOver) g.FillRoundRect(IPattern(mHighlightColor), mRECT, kUpdateHighlightRadius, &mBlend);
  const bool available = GetValue() > 0.0;
  if (mDrawSVG)
    g.DrawSVG(available ? mOnSVG : mOffSVG, mRECT, &mBlend);
  else
    DrawBitmap(g);
  SetTooltip(available ? kTooltipAvailable : kTooltipCheck);
}

void IBUpdateControlLW::OnMouseDown(float, float, const IMouseMod&) {
  SendEditorCommand(*this, mMsg);
  mPressed = true;
  SetDirty(false, -1);
}

void IBUpdateControlLW::OnMouseUp(float, float, const IMouseMod&) {
  mPressed = false;
  SetDirty(false, -1);
}

void IBUpdateControlLW::OnMouseOver(float, float, const IMouseMod&) {
  mMouseOver = true;
  SetDirty(false, -1);
}

void IBUpdateControlLW::OnMouseOut() {
  mPressed = false;
  mMouseOver = false;
  SetDirty(false, -1);
}

}  // namespace fx::gfx
