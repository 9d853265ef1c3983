#include "editor/IBSwitchControlLW.h"

#include "graphics/IGraphics.h"

namespace fx::gfx {

namespace {

constexpr float kSwitchHighlightRadius = 2.f;
// Past the last frame by more than rounding: back to the first.
constexpr double kSwitchWrapThreshold = 1.001;

}  // namespace

IBSwitchControlLW::IBSwitchControlLW(const IRECT& bounds, const ISVG& offPicture, const ISVG& onPicture, int paramIdx,
                                     bool draw, bool hoverHighlight)
    : ISwitchControlBase(bounds, paramIdx, nullptr, 2),
      IBitmapBase(IBitmap()),
      mDraw(draw),
      mHoverHighlight(hoverHighlight),
      mOffPicture(offPicture),
      mOnPicture(onPicture) {
  AttachIControl(this);
}

void IBSwitchControlLW::Draw(IGraphics& g) {
  if (!mDraw) return;
  if (mHoverHighlight && mHover) g.FillRoundRect(IPattern(mHighlightColor), mRECT, kSwitchHighlightRadius, &mBlend);
  g.DrawSVG(ShowsOn(GetValue()) ? mOnPicture : mOffPicture, mRECT, &mBlend);
}

void IBSwitchControlLW::OnMouseDown(float, float, const IMouseMod&) {
  const int frames = mBitmap.N();
  double value = GetValue() + (frames >= 2 ? 1.0 / (frames - 1) : 1.0);
  if (value > kSwitchWrapThreshold) value = 0.0;
  SetValue(value);
  SetDirty(true, -1);
}

void IBSwitchControlLW::OnMouseUp(float x, float y, const IMouseMod& mod) {
  ISwitchControlBase::OnMouseUp(x, y, mod);
}

void IBSwitchControlLW::OnMouseOver(float, float, const IMouseMod&) {
  mHover = true;
  SetDirty(false, -1);
}

void IBSwitchControlLW::OnMouseOut() {
  mHover = false;
  SetDirty(false, -1);
}

}  // namespace fx::gfx
