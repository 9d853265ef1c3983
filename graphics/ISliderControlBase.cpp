#include "graphics/ISliderControlBase.h"

#include "graphics/IGraphics.h"
#include "graphics/ValueGestures.h"

namespace fx::gfx {

ISliderControlBase::ISliderControlBase(const IRECT& bounds, int paramIdx, EDirection dir, bool clickToPosition,
                                       double gearing, float handleSize)
    : IControl(bounds, paramIdx),
      mClickToPosition(clickToPosition),
      mDirection(dir),
      mHandleSize(handleSize),
      mGearing(gearing) {}

ISliderControlBase::ISliderControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection dir,
                                       bool clickToPosition, double gearing, float handleSize)
    : IControl(bounds, std::move(actionFunc)),
      mClickToPosition(clickToPosition),
      mDirection(dir),
      mHandleSize(handleSize),
      mGearing(gearing) {}

void ISliderControlBase::OnResize() {
  mTargetRECT = mRECT;
  mTrack = mRECT;
  mMouseIsOver = false;
  SetDirty(false);
}

// A stepped parameter never jumps to the pointer: its value moves by relative drags only.
void ISliderControlBase::OnMouseDown(float x, float y, const IMouseMod& mod) {
  mMouseDown = true;
  if (mClickToPosition && !IsBoundToSteppedParam(*this)) SnapToMouse(x, y, mDirection, mTrack, -1, 0.0, 1.0);
  mDragValue = GetValue();
  if (mHideCursorOnDrag && mGraphics) mGraphics->HideMouseCursor(true, true);
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void ISliderControlBase::OnMouseUp(float, float, const IMouseMod&) {
  if (mHideCursorOnDrag && mGraphics) mGraphics->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) {
  const bool relative = (mod.touchID == 0 && mHideCursorOnDrag) || IsBoundToSteppedParam(*this);
  if (!relative) {
    SnapToMouse(x, y, mDirection, mTrack, -1, 0.0, 1.0);
    return;
  }
  if (!AddRelativeDrag(mDragValue, mTrack, mDirection, dX, dY, mGearing, mod)) return;
  SetValue(SnapToParamStep(*this, mDragValue));
  SetDirty(true);
}

void ISliderControlBase::OnMouseWheel(float, float, const IMouseMod& mod, float d) {
  SetValue(WheelValue(*this, mod, d));
  SetDirty(true);
}

}  // namespace fx::gfx
