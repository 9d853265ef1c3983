#include "graphics/IKnobControlBase.h"

#include "graphics/IGraphics.h"
#include "graphics/ValueGestures.h"

namespace fx::gfx {

IKnobControlBase::IKnobControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing)
    : IControl(bounds, paramIdx), mDirection(direction), mGearing(gearing) {}

IKnobControlBase::IKnobControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection direction,
                                   double gearing)
    : IControl(bounds, std::move(actionFunc)), mDirection(direction), mGearing(gearing) {}

void IKnobControlBase::OnMouseDown(float x, float y, const IMouseMod& mod) {
  mMouseDown = true;
  mDragValue = GetValue();
  if (mHideCursorOnDrag && mGraphics) mGraphics->HideMouseCursor(true, true);
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void IKnobControlBase::OnMouseUp(float, float, const IMouseMod&) {
  if (mHideCursorOnDrag && mGraphics) mGraphics->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

// The drag value accumulates unrounded, so slow drags still cross the steps of a stepped parameter.
void IKnobControlBase::OnMouseDrag(float, float, float dX, float dY, const IMouseMod& mod) {
  if (!AddRelativeDrag(mDragValue, GetDragBounds(), mDirection, dX, dY, mGearing, mod)) return;
  SetValue(SnapToParamStep(*this, mDragValue));
  SetDirty(true);
}

void IKnobControlBase::OnMouseWheel(float, float, const IMouseMod& mod, float d) {
  SetValue(WheelValue(*this, mod, d));
  SetDirty(true);
}

}  // namespace fx::gfx
