#include "editor/EditorPaint.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

// With a the angle of the segment measured from the y axis, the rotation by a followed by a scale of 1/d
// takes (x1, y1) to the origin's row and (x2, y2) one unit further along y. A segment of zero length, or of NaN
// length (a NaN end point), has no direction and keeps the identity transform rather than one of infinities or
// NaNs.
IPattern MakeLinearGradient(float x1, float y1, float x2, float y2, std::initializer_list<IColorStop> stops) {
  IPattern pattern(kLinearPattern);
  pattern.mExtend = kExtendPad;
  const double dx = static_cast<double>(x2) - x1;
  const double dy = static_cast<double>(y2) - y1;
  const double d = std::sqrt(dx * dx + dy * dy);
  for (const IColorStop& stop : stops) pattern.AddStop(stop.mColor, stop.mOffset);
  if (!(d > 0.0)) return pattern;
  const double a = std::atan2(dx, dy);
  const double s = std::sin(a) / d;
  const double c = std::cos(a) / d;
  // Each term is worked out in double and rounded to float once.
  const float x0 = static_cast<float>(-(x1 * c - y1 * s));
  const float y0 = static_cast<float>(-(x1 * s + y1 * c));
  const float sf = static_cast<float>(s);
  const float cf = static_cast<float>(c);
  pattern.mTransform = IMatrix(cf, sf, -sf, cf, x0, y0);
  return pattern;
}

IColor RaiseColor(const IColor& color, int amount) {
  const auto raise = [amount](int v) { return std::clamp(v + amount, 0, 255); };
  return IColor(color.A, raise(color.R), raise(color.G), raise(color.B));
}

}  // namespace fx::gfx
