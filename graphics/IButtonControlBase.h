// A momentary button: a press sets the value to 1 and runs the action; the value returns to 0 when the
// click animation the action started ends. Draws nothing itself. Main thread only.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IControlActions.h"

namespace fx::gfx {

class IButtonControlBase : public IControl {
 public:
  explicit IButtonControlBase(const IRECT& bounds, IActionFunction actionFunc = SplashClickActionFunc);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnEndAnimation() override;
};

}  // namespace fx::gfx
