#include "graphics/IPattern.h"

namespace fx::gfx {

IPattern::IPattern(const IColor& color) : mType(kSolidPattern) {
  AddStop(color, 0.f);
}

void IPattern::AddStop(const IColor& color, float offset) {
  if (mNStops >= kMaxStops) return;
  mStops[mNStops].mColor = color;
  mStops[mNStops].mOffset = offset;
  ++mNStops;
}

}  // namespace fx::gfx
