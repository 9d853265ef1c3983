#include "editor/EditorPlainControls.h"

#include "editor/EditorCommand.h"
#include "graphics/IGraphics.h"

namespace fx::gfx {

IVPanelControlLW::IVPanelControlLW(const IRECT& bounds, const IColor& fill, bool drawFrame, const IColor& frameColor,
                                   float roundness, float frameThickness)
    : IVPanelControlLW(bounds, IPattern(fill), drawFrame, frameColor, roundness, frameThickness) {}

IVPanelControlLW::IVPanelControlLW(const IRECT& bounds, const IPattern& fill, bool drawFrame, const IColor& frameColor,
                                   float roundness, float frameThickness)
    : IControl(bounds),
      mPattern(fill),
      mDrawFrame(drawFrame),
      mRoundness(roundness),
      mFrameThickness(frameThickness),
      mFrameColor(frameColor) {
  mIgnoreMouse = true;
}

void IVPanelControlLW::Draw(IGraphics& g) {
  const bool rounded = mRoundness > 0.f;
  g.PathClear();
  if (rounded)
    g.PathRoundRect(mRECT, mRoundness);
  else
    g.PathRect(mRECT);
  g.PathFill(mPattern, IFillOptions(), nullptr);
  if (!mDrawFrame) return;
  if (rounded)
    g.DrawRoundRect(mFrameColor, mRECT, mRoundness, &mBlend, mFrameThickness);
  else
    g.DrawRect(mFrameColor, mRECT, &mBlend, mFrameThickness);
}

IRECT IVPanelControlLW::OpaqueBounds() const {
  return !(mRoundness > 0.f) && mPattern.IsOpaque() ? mRECT : IRECT();
}

void ISVGControlLW::Draw(IGraphics& g) {
  g.DrawSVG(mSVG, mRECT);
}

IVClickControlHiddenMenuLW::IVClickControlHiddenMenuLW(const IRECT& bounds, int clickMsg, int menuMsg1, int menuMsg2,
                                                       int menuMsg3)
    : IControl(bounds), mClickMsg(clickMsg), mMenuMsgs{menuMsg1, menuMsg2, menuMsg3} {}

void IVClickControlHiddenMenuLW::OnMouseDown(float, float, const IMouseMod&) {
  SendEditorCommand(*this, mClickMsg);
}

void IVClickControlHiddenMenuLW::SetMenuItemIndex(int i, int itemIdx) {
  if (i >= 0 && i < 3) mMenuItemIdx[i] = itemIdx;
}

void IVClickControlHiddenMenuLW::OnPopupMenuSelection(IPopupMenu* menu, int) {
  if (menu != &mMenu) return;
  const int chosen = mMenu.GetChosenItemIdx();
  if (chosen < 0) return;
  for (int i = 0; i < 3; ++i)
    if (mMenuItemIdx[i] == chosen) SendEditorCommand(*this, mMenuMsgs[i]);
}

}  // namespace fx::gfx
