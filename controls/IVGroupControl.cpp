#include "controls/IVGroupControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

IVGroupControl::IVGroupControl(const IRECT& bounds, const char* label, float labelOffset, const IVStyle& style,
                               IContainerFunction attachFunc, IContainerFunction resizeFunc)
    : IContainerBase(bounds, std::move(attachFunc), std::move(resizeFunc)),
      IVectorBase(style),
      mLabelOffset(labelOffset) {
  mIgnoreMouse = true;
  AttachIControl(this, label);
}

IVGroupControl::IVGroupControl(const char* label, const char* groupName, float marginL, float marginT, float marginR,
                               float marginB, const IVStyle& style)
    : IContainerBase(IRECT()),
      IVectorBase(style),
      mGroupName(groupName ? groupName : ""),
      mMarginL(marginL),
      mMarginT(marginT),
      mMarginR(marginR),
      mMarginB(marginB),
      mLabelOffset(10.f) {
  mIgnoreMouse = true;
  AttachIControl(this, label);
}

void IVGroupControl::OnInit() {
  if (!mGroupName.empty()) SetBoundsBasedOnGroup(mGroupName.c_str(), mMarginL, mMarginT, mMarginR, mMarginB);
}

void IVGroupControl::SetBoundsBasedOnGroup(const char* groupName, float marginL, float marginT, float marginR,
                                           float marginB) {
  mGroupName = groupName ? groupName : "";
  IRECT bounds;
  GetUI()->ForControlInGroup(mGroupName.c_str(), [&](IControl* control) {
    const IRECT& r = control->GetRECT();
    if (control == this || r.Empty()) return;
    bounds = bounds.Empty() ? r
                            : IRECT(std::min(bounds.L, r.L), std::min(bounds.T, r.T), std::max(bounds.R, r.R),
                                    std::max(bounds.B, r.B));
  });
  mRECT = IRECT(bounds.L - marginL, bounds.T - marginT, bounds.R + marginR, bounds.B + marginB);
  OnResize();
}

void IVGroupControl::OnResize() {
  mTargetRECT = MakeRects(mRECT);
  mMouseIsOver = false;

  const float t = mStyle.frameThickness;
  mWidgetBounds.T -= 0.5f * mLabelBounds.H() + 0.5f * t;
  if (!mLabelBounds.Empty()) {
    const float left = mRECT.L + t + mLabelOffset + GetRoundedCornerRadius(mWidgetBounds);
    const float width = mLabelBounds.W() + 2.f * mLabelGap;
    mLabelBounds = IRECT(left, mLabelBounds.T, left + width, mLabelBounds.B);
  }
  SetDirty(false);
}

void IVGroupControl::Draw(IGraphics& g) {
  DrawLabel(g);
  DrawWidget(g);
}

void IVGroupControl::DrawWidget(IGraphics& g) {
  const IRECT& w = mWidgetBounds;
  const float h = 0.5f * mStyle.frameThickness;
  const float cr = GetRoundedCornerRadius(w);
  const bool noLabel = mLabelBounds.Empty();
  const float a = noLabel ? mRECT.MW() : mLabelBounds.L;
  const float b = noLabel ? mRECT.MW() : mLabelBounds.R;
  g.PathClear();
  g.PathMoveTo(b, w.T + h);
  g.PathArc(w.R - cr - h, w.T + cr + h, cr, 0.f, 90.f);
  g.PathArc(w.R - cr - h, w.B - cr - h, cr, 90.f, 180.f);
  g.PathArc(w.L + cr + h, w.B - cr - h, cr, 180.f, 270.f);
  g.PathArc(w.L + cr + h, w.T + cr + h, cr, 270.f, 360.f);
  g.PathLineTo(a, w.T + h);
  g.PathStroke(IPattern(mStyle.drawShadows ? GetColor(kSH) : GetColor(kFR)), mStyle.frameThickness);
}

}  // namespace fx::gfx
