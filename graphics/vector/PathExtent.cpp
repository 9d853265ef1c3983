#include "graphics/vector/PathExtent.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

void PathExtent::Clear() {
  mHasPoints = false;
  mCorners = 0;
}

void PathExtent::Extend(float x, float y) {
  if (!mHasPoints) {
    mBounds = IRECT(x, y, x, y);
    mHasPoints = true;
    return;
  }
  mBounds.L = std::min(mBounds.L, x);
  mBounds.T = std::min(mBounds.T, y);
  mBounds.R = std::max(mBounds.R, x);
  mBounds.B = std::max(mBounds.B, y);
}

// Only the first sub-path may start the corners: a move after them makes a second sub-path.
void PathExtent::AddCorner(float x, float y, bool move) {
  const bool first = !mHasPoints;
  Extend(x, y);
  if (mCorners == kNotARectangle) return;
  if ((move && !first) || (!move && first) || mCorners == 4) {
    mCorners = kNotARectangle;
    return;
  }
  mX[mCorners] = x;
  mY[mCorners] = y;
  ++mCorners;
}

void PathExtent::AddCurvePoint(float x, float y) {
  Extend(x, y);
  mCorners = kNotARectangle;
}

bool PathExtent::HasBounds() const {
  return mHasPoints && std::isfinite(mBounds.L) && std::isfinite(mBounds.T) && std::isfinite(mBounds.R) &&
         std::isfinite(mBounds.B);
}

bool PathExtent::IsRectangle(IRECT& rect) const {
  if (mCorners != 4 || !HasBounds()) return false;
  // Edges alternate: horizontal first (0-1 and 2-3 share y) or vertical first (0-1 and 2-3 share x).
  const bool horizontalFirst = mY[0] == mY[1] && mX[1] == mX[2] && mY[2] == mY[3] && mX[3] == mX[0];
  const bool verticalFirst = mX[0] == mX[1] && mY[1] == mY[2] && mX[2] == mX[3] && mY[3] == mY[0];
  if (!horizontalFirst && !verticalFirst) return false;
  if (!(mBounds.W() > 0.f && mBounds.H() > 0.f)) return false;
  rect = mBounds;
  return true;
}

// The scissor is a rectangle of half-size extent placed by its transform (which may rotate it).
bool ScissorBox(const VRscissor& scissor, IRECT& box) {
  const float* t = scissor.xform;
  const float ex = scissor.extent[0], ey = scissor.extent[1];
  if (ex < 0.f || ey < 0.f) return false;
  const float hx = std::fabs(t[0]) * ex + std::fabs(t[2]) * ey;
  const float hy = std::fabs(t[1]) * ex + std::fabs(t[3]) * ey;
  box = IRECT(t[4] - hx, t[5] - hy, t[4] + hx, t[5] + hy);
  return std::isfinite(box.L) && std::isfinite(box.T) && std::isfinite(box.R) && std::isfinite(box.B);
}

}  // namespace fx::gfx
