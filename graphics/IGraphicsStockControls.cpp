// The stock controls the graphics object builds itself: the bitmap, SVG and panel backgrounds, the
// corner resizer, value bubbles and the frame-time display, and the bubble's showing.
#include "graphics/IGraphics.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IBubbleControl.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IPanelControl.h"
#include "graphics/ISVGControl.h"

namespace fx::gfx {

void IGraphics::AttachBackground(const char* fileName) {
  AttachBackgroundControl(new IBitmapControl(0.f, 0.f, LoadBitmap(fileName, 1, false, 0)));
}

void IGraphics::AttachSVGBackground(const char* fileName) {
  AttachBackgroundControl(new ISVGControl(GetBounds(), LoadSVG(fileName, "px", 72.f)));
}

void IGraphics::AttachPanelBackground(const IPattern& pattern) {
  AttachBackgroundControl(new IPanelControl(GetBounds(), pattern));
}

void IGraphics::AttachCornerResizer(EUIResizerMode sizeMode, bool layoutOnResize, const IColor& color,
                                    const IColor& mouseOverColor, const IColor& dragColor, float size) {
  AttachCornerResizer(new ICornerResizerControl(GetBounds(), size, color, mouseOverColor, dragColor), sizeMode,
                      layoutOnResize);
}

void IGraphics::AttachBubbleControl(const IText& text) {
  AttachBubbleControl(new IBubbleControl(text));
}

// Without multi-touch the first bubble serves every caller; with it, the bubble already showing the
// caller's touch, else a hidden one, else the first.
void IGraphics::ShowBubbleControl(IControl* caller, float x, float y, const char* str, EDirection dir,
                                  IRECT minimumContentBounds) {
  // A caller already removed (by its own action within the event, say) is kept by no bubble: none shows for it.
  if (NBubbleControls() == 0 || (caller && !Holds(caller))) return;
  uint64_t touchID = 0;
  for (const auto& [touch, control] : mCapturedMap)
    if (control == caller) touchID = touch;

  IBubbleControl* chosen = nullptr;
  if (mEnableMultiTouch) {
    for (int i = 0; i < NBubbleControls(); ++i) {
      IBubbleControl* bubble = mBubbleControls.Get(i);
      if (!chosen && bubble->GetState() != IBubbleControl::kHidden && bubble->GetTouchID() == touchID) chosen = bubble;
    }
    for (int i = 0; i < NBubbleControls(); ++i) {
      IBubbleControl* bubble = mBubbleControls.Get(i);
      if (!chosen && bubble->GetState() == IBubbleControl::kHidden) chosen = bubble;
    }
  }
  if (!chosen) chosen = mBubbleControls.Get(0);
  chosen->ShowBubble(caller, x, y, str, dir, minimumContentBounds, touchID);
}

// Turning the display off forgets the mouse-over index and redraws everything, also when none was shown.
void IGraphics::ShowFPSDisplay(bool enable) {
  if (!enable)
    SetPerfDisplay(nullptr);
  else if (!mPerfDisplay)
    SetPerfDisplay(new IFPSDisplayControl(IRECT(10.f, 10.f, 210.f, 60.f), IFPSDisplayControl::kFPS, "Frame Time"));
  else
    SetAllControlsDirty();
}

}  // namespace fx::gfx
