// How the graphics core's colours, patterns and blends become the renderer's colours, paints and composite
// operations: the blend weight scales alpha, a gradient pattern becomes a two-colour renderer gradient through the
// inverse of its transform, and each blend method picks a composite operation.
#include "graphics/vector/IGraphicsVectorPaint.h"

#include "graphics/vector/IGraphicsVector.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fx::gfx {

bool PaintIsFinite(const VRpaint& p) {
  const float values[] = {p.xform[0], p.xform[1],  p.xform[2],  p.xform[3], p.xform[4],
                          p.xform[5], p.extent[0], p.extent[1], p.radius,   p.feather};
  return std::all_of(std::begin(values), std::end(values), [](float v) { return std::isfinite(v); });
}

float BlendWeight(const IBlend* blend) {
  if (blend == nullptr) return 1.f;
  if (std::isnan(blend->weight)) return 0.f;
  return std::clamp(blend->weight, 0.f, 1.f);
}

VRcolor IGraphicsVector::MakeColor(const IColor& color, const IBlend* blend) {
  return vrRGBAf(static_cast<float>(color.R) / 255.f, static_cast<float>(color.G) / 255.f,
                 static_cast<float>(color.B) / 255.f, static_cast<float>(color.A) * BlendWeight(blend) / 255.f);
}

void IGraphicsVector::SetBlendMode(VRcontext* ctx, const IBlend* blend) {
  if (blend == nullptr) {
    vrGlobalCompositeOperation(ctx, VR_SOURCE_OVER);
    return;
  }
  switch (blend->method) {
    case kBlendDefault:
    case kBlendSourceIn:
    case kBlendSourceOut:
    case kBlendSourceAtop:
    case kBlendDestOver:
    case kBlendDestIn:
    case kBlendDestOut:
    case kBlendDestAtop:
      // The core's methods 0 to 7 are the renderer's operations of the same number.
      vrGlobalCompositeOperation(ctx, blend->method);
      break;
    case kBlendAdd:
      // The back end blends premultiplied colour: one plus one adds source to destination.
      vrGlobalCompositeOperation(ctx, VR_LIGHTER);
      break;
    case kBlendXOR:
      vrGlobalCompositeOperation(ctx, VR_XOR);
      break;
    default:
      break;
  }
}

VRpaint IGraphicsVector::MakePaint(VRcontext* ctx, const IPattern& pattern, const IBlend* blend) {
  const int last = std::max(pattern.NStops() - 1, 0);
  const VRcolor inner = MakeColor(pattern.GetStop(0).mColor, blend);
  const VRcolor outer = MakeColor(pattern.GetStop(last).mColor, blend);

  const IMatrix& m = pattern.mTransform;
  const double det = m.mXX * m.mYY - m.mYX * m.mXY;
  // A singular transform has no inverse: the gradient gets no geometry at all.
  if (!std::isfinite(det) || det == 0.0) {
    VRpaint none{};
    std::fill(std::begin(none.xform), std::end(none.xform), std::numeric_limits<float>::quiet_NaN());
    return none;
  }
  IMatrix inv(m.mYY / det, -m.mYX / det, -m.mXY / det, m.mXX / det, 0.0, 0.0);
  inv.mTX = -m.mTX * inv.mXX - m.mTY * inv.mXY;
  inv.mTY = -m.mTX * inv.mYX - m.mTY * inv.mYY;

  double sx = 0.0, sy = 0.0;
  inv.TransformPoint(sx, sy);
  VRpaint result{};
  if (pattern.mType == kRadialPattern) {
    const double innerRadius = pattern.GetStop(0).mOffset * inv.mXX;
    result = vrRadialGradient(ctx, static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(innerRadius),
                              static_cast<float>(inv.mXX), inner, outer);
  } else {
    double ex = 0.0, ey = 1.0;
    inv.TransformPoint(ex, ey);
    result = vrLinearGradient(ctx, static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(ex),
                              static_cast<float>(ey), inner, outer);
  }
  return result;
}

}  // namespace fx::gfx
