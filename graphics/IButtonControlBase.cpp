#include "graphics/IButtonControlBase.h"

namespace fx::gfx {

IButtonControlBase::IButtonControlBase(const IRECT& bounds, IActionFunction actionFunc)
    : IControl(bounds, -1, std::move(actionFunc)) {
  mDblAsSingleClick = true;
}

void IButtonControlBase::OnMouseDown(float, float, const IMouseMod&) {
  SetValue(1.0);
  SetDirty(true);
}

void IButtonControlBase::OnEndAnimation() {
  SetValue(0.0);
  IControl::OnEndAnimation();
}

}  // namespace fx::gfx
