#include "graphics/IRECT.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

bool IRECT::Contains(float x, float y) const {
  return !Empty() && x >= L && x < R && y >= T && y < B;
}

bool IRECT::Contains(const IRECT& other) const {
  if (Empty() || other.Empty()) return false;
  return other.L >= L && other.R <= R && other.T >= T && other.B <= B;
}

bool IRECT::Intersects(const IRECT& other) const {
  if (Empty() || other.Empty()) return false;
  return std::max(L, other.L) < std::min(R, other.R) && std::max(T, other.T) < std::min(B, other.B);
}

IRECT IRECT::Intersect(const IRECT& other) const {
  if (!Intersects(other)) return IRECT();
  return IRECT(std::max(L, other.L), std::max(T, other.T), std::min(R, other.R), std::min(B, other.B));
}

IRECT IRECT::Union(const IRECT& other) const {
  if (Empty()) return other;
  if (other.Empty()) return *this;
  return IRECT(std::min(L, other.L), std::min(T, other.T), std::max(R, other.R), std::max(B, other.B));
}

IRECT IRECT::GetPixelAligned(float scale) const {
  return IRECT(std::floor(L * scale) / scale, std::floor(T * scale) / scale, std::ceil(R * scale) / scale,
               std::ceil(B * scale) / scale);
}

void IRECT::ConstrainInto(const IRECT& outer) {
  if (outer.L > L) {
    R = std::min(R + (outer.L - L), outer.R - 1.f);
    L = outer.L;
  }
  if (outer.T > T) {
    B = std::min(B + (outer.T - T), outer.B - 1.f);
    T = outer.T;
  }
  if (R >= outer.R) {
    L = std::max(L - (R - outer.R + 1.f), outer.L);
    R = outer.R - 1.f;
  }
  if (B >= outer.B) {
    T = std::max(T - (B - outer.B + 1.f), outer.T);
    B = outer.B - 1.f;
  }
}

int IRECT::Subtract(const IRECT& cut, IRECT out[4]) const {
  const IRECT x = Intersect(cut);
  if (x.Empty()) {
    out[0] = *this;
    return 1;
  }
  int n = 0;
  if (x.L > L) out[n++] = IRECT(L, T, x.L, B);
  if (x.T > T) out[n++] = IRECT(x.L, T, x.R, x.T);
  if (x.B < B) out[n++] = IRECT(x.L, x.B, x.R, B);
  if (x.R < R) out[n++] = IRECT(x.R, T, R, B);
  return n;
}

}  // namespace fx::gfx
