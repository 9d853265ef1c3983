// The editor's small knobs ("MIN", "MAX", "SHAPE", "FILTER"): the stock vector knob, whose value arc can
// instead be drawn to a fixed fraction of its travel while the pointer keeps showing the value. Main
// thread only.
#pragma once

#include "controls/IVKnobControl.h"

namespace fx::gfx {

class IVKnobControlLW : public IVKnobControl {
 public:
  using IVKnobControl::IVKnobControl;

  // With the fixed arc on, the arc runs from the anchor to start + (end - start) x the fixed fraction.
  void DrawValueArc(IGraphics& g, float angle, float cx, float cy, float radius) override;

  void SetFixedArc(bool fixed, float fraction) {
    mFixedArc = fixed;
    mFixedArcFraction = fraction;
  }
  bool GetFixedArc() const { return mFixedArc; }
  float GetFixedArcFraction() const { return mFixedArcFraction; }

 private:
  bool mFixedArc = false;
  float mFixedArcFraction = 0.f;
};

}  // namespace fx::gfx
