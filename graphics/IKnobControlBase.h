// A knob turned by relative drags: a drag across the whole drag bounds changes the value by 1 / gearing
// (ten times less with control or shift); the wheel steps it. Draws nothing itself. Main thread only.
#pragma once

#include "graphics/IControl.h"

namespace fx::gfx {

inline constexpr double DEFAULT_GEARING = 4.0;

class IKnobControlBase : public IControl {
 public:
  IKnobControlBase(const IRECT& bounds, int paramIdx = -1, EDirection direction = kVertical,
                   double gearing = DEFAULT_GEARING);
  // An unbound knob that reports through its action function.
  IKnobControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection direction = kVertical,
                   double gearing = DEFAULT_GEARING);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;

  // The rectangle a drag is measured against; the hit rectangle unless a knob answers another.
  virtual IRECT GetDragBounds() const { return mTargetRECT; }

  void SetGearing(double gearing) { mGearing = gearing; }
  double GetGearing() const { return mGearing; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }
  bool GetMouseDown() const { return mMouseDown; }

 protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  double mGearing;
  bool mMouseDown = false;
  double mDragValue = 0.0;
};

}  // namespace fx::gfx
