#include "graphics/IPattern.h"

#include <cmath>

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

bool IPattern::IsOpaque() const {
  if (mNStops < 1) return false;
  for (int i = 0; i < mNStops; ++i)
    if (mStops[i].mColor.A != 255) return false;
  if (mType == kSolidPattern) return true;
  const IMatrix& m = mTransform;
  const double det = m.mXX * m.mYY - m.mYX * m.mXY;
  return std::isfinite(det) && det != 0.0 && std::isfinite(m.mTX) && std::isfinite(m.mTY);
}

}  // namespace fx::gfx
