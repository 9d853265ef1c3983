// A slider along a track: a press may jump to the pointer, drags follow the pointer (absolute) or move
// relatively with gearing (while the cursor is hidden, or for a stepped parameter); the wheel steps it.
// Draws nothing itself. Main thread only.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IKnobControlBase.h"

namespace fx::gfx {

class ISliderControlBase : public IControl {
 public:
  ISliderControlBase(const IRECT& bounds, int paramIdx = -1, EDirection dir = kVertical, bool clickToPosition = false,
                     double gearing = DEFAULT_GEARING, float handleSize = 0.f);
  ISliderControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection dir = kVertical,
                     bool clickToPosition = false, double gearing = DEFAULT_GEARING, float handleSize = 0.f);

  void OnResize() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;

  const IRECT& GetTrack() const { return mTrack; }
  void SetGearing(double gearing) { mGearing = gearing; }
  double GetGearing() const { return mGearing; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }
  bool GetMouseDown() const { return mMouseDown; }

 protected:
  bool mClickToPosition;
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  IRECT mTrack;
  float mHandleSize;
  double mGearing;
  bool mMouseDown = false;
  double mDragValue = 0.0;
};

}  // namespace fx::gfx
