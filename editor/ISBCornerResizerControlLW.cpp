#include "editor/ISBCornerResizerControlLW.h"

#include "editor/EditorCommand.h"
#include "graphics/IGraphics.h"

namespace fx::gfx {

namespace {

ISBCornerResizerControlLW::ECommandMode CommandModeOf(int sizeRescale, int sizeDblClick, int scaleRescale,
                                                      int scaleDblClick) {
  const bool size = sizeRescale != -1 && sizeDblClick != -1;
  const bool noSize = sizeRescale == -1 && sizeDblClick == -1;
  const bool scale = scaleRescale != -1 && scaleDblClick != -1;
  const bool noScale = scaleRescale == -1 && scaleDblClick == -1;
  if (size && scale) return ISBCornerResizerControlLW::kCommandsAll;
  if (noSize && scale) return ISBCornerResizerControlLW::kCommandsScale;
  if (size && noScale) return ISBCornerResizerControlLW::kCommandsSize;
  return ISBCornerResizerControlLW::kCommandsNone;
}

}  // namespace

ISBCornerResizerControlLW::ISBCornerResizerControlLW(const IRECT& svgBounds, const ISVG& offSVG, const ISVG& onSVG,
                                                     int sizeRescaleMsg, int sizeDblClickMsg, int scaleRescaleMsg,
                                                     int scaleDblClickMsg, bool swap, const IRECT& graphicsBounds,
                                                     float offsetX, float offsetY)
    : ICornerResizerControl(graphicsBounds, svgBounds.W()),
      IBitmapBase(IBitmap()),
      mSizeRescaleMsg(sizeRescaleMsg),
      mSizeDblClickMsg(sizeDblClickMsg),
      mScaleRescaleMsg(scaleRescaleMsg),
      mScaleDblClickMsg(scaleDblClickMsg),
      mCommandMode(CommandModeOf(sizeRescaleMsg, sizeDblClickMsg, scaleRescaleMsg, scaleDblClickMsg)),
      mSwap(swap),
      mOffsetX(offsetX),
      mOffsetY(offsetY),
      mOffSVG(offSVG),
      mOnSVG(onSVG),
      mDrawSVG(true),
      mSVGBounds(svgBounds) {
  AttachIControl(this);
}

bool ISBCornerResizerControlLW::ChoosesScale(const IMouseMod& mod) const {
  switch (mCommandMode) {
    case kCommandsAll:
      return mod.C != mSwap;
    case kCommandsSize:
      return mSwap;
    default:
      return !mSwap;
  }
}

void ISBCornerResizerControlLW::OnMouseDown(float, float, const IMouseMod& mod) {
  if (!mGraphics) return;
  mGraphics->StartDragResize();
  if (mCommandMode == kCommandsNone) return;
  mGraphics->SetResizerMode(ChoosesScale(mod) ? kUIResizerScale : kUIResizerSize);
}

void ISBCornerResizerControlLW::OnMouseDblClick(float, float, const IMouseMod& mod) {
  if (!mGraphics || mCommandMode == kCommandsNone) return;
  if (ChoosesScale(mod)) {
    mGraphics->SetResizerMode(kUIResizerScale);
    SendEditorCommand(*this, mScaleDblClickMsg);
  } else {
    mGraphics->SetResizerMode(kUIResizerSize);
    SendEditorCommand(*this, mSizeDblClickMsg);
  }
}

void ISBCornerResizerControlLW::OnRescale() {
  if (!mGraphics || mCommandMode == kCommandsNone) return;
  SendEditorCommand(*this, mGraphics->GetResizerMode() == kUIResizerSize ? mSizeRescaleMsg : mScaleRescaleMsg);
}

void ISBCornerResizerControlLW::OnResize() {
  if (!mGraphics) return;
  const float w = static_cast<float>(mGraphics->Width());
  const float h = static_cast<float>(mGraphics->Height());
  const float size = mSVGBounds.W();
  SetTargetAndDrawRECTs(IRECT(w - size, h - size, w, h));
}

void ISBCornerResizerControlLW::Draw(IGraphics& g) {
  if (!mDrawSVG) {
    DrawBitmap(g);
    return;
  }
  const bool on = GetMouseIsOver() || g.GetResizingInProcess();
  g.DrawSVG(on ? mOnSVG : mOffSVG, mRECT.GetTranslated(mOffsetX, mOffsetY), &mBlend);
}

}  // namespace fx::gfx
