#include "editor/IVKnobControlLW.h"

namespace fx::gfx {

void IVKnobControlLW::DrawValueArc(IGraphics& g, float angle, float cx, float cy, float radius) {
  const float arcAngle = mFixedArc ? mStartAngle + (mEndAngle - mStartAngle) * mFixedArcFraction : angle;
  IVKnobControl::DrawValueArc(g, arcAngle, cx, cy, radius);
}

}  // namespace fx::gfx
