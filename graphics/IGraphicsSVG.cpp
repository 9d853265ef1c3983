// SVG pictures drawn by the graphics object itself: every shape of a parsed picture becomes a path of
// cubic segments on the path interface, with its paints turned into patterns and its stroke geometry into
// stroke options, so every renderer draws them alike.
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

int ScaledAlpha(float opacity, unsigned alpha) {
  return std::clamp(static_cast<int>(std::lround(opacity * static_cast<float>(alpha))), 0, 255);
}

IColor ColorOf(uint32_t packed, int alpha) {
  return IColor(alpha, static_cast<int>(svg::PackedRed(packed)), static_cast<int>(svg::PackedGreen(packed)),
                static_cast<int>(svg::PackedBlue(packed)));
}

// The points a path really has: its count, but never more than its coordinates hold.
int UsablePoints(const svg::SVGPath& path) {
  return std::max(0, std::min(path.npts, static_cast<int>(path.pts.size() / 2)));
}

// The on-curve points of a path: indices 0, 3, 6, ... within its usable points.
int NOnCurve(const svg::SVGPath& path) {
  const int n = UsablePoints(path);
  return n == 0 ? 0 : (n - 1) / 3 + 1;
}

float PX(const svg::SVGPath& p, int idx) {
  return p.pts[static_cast<std::size_t>(2 * idx)];
}
float PY(const svg::SVGPath& p, int idx) {
  return p.pts[static_cast<std::size_t>(2 * idx + 1)];
}

// Whether the chord (q0, q1) crosses the ray from p0 through p1.
bool RayCrossesChord(double p0x, double p0y, double p1x, double p1y, double q0x, double q0y, double q1x, double q1y) {
  const double dx = p1x - p0x;
  const double dy = p1y - p0y;
  const double ex = q1x - q0x;
  const double ey = q1y - q0y;
  const double den = dx * ey - dy * ex;
  if (std::fabs(den) < 1e-8) return false;
  const double wx = q0x - p0x;
  const double wy = q0y - p0y;
  const double s = (wx * ey - wy * ex) / den;
  const double t = (wx * dy - wy * dx) / den;
  return t >= 0.0 && t < 1.0 && s >= 0.0;
}

// A path lies inside another when a ray from its start towards just outside its own top-left corner
// crosses the other paths' chords an odd number of times; such a path is a hole.
bool IsHole(const svg::SVGShape& shape, std::size_t pathIdx) {
  const svg::SVGPath& path = shape.paths[pathIdx];
  const double p0x = PX(path, 0);
  const double p0y = PY(path, 0);
  const double p1x = path.bounds[0] - 1.0;
  const double p1y = path.bounds[1] - 1.0;
  int crossings = 0;
  for (std::size_t i = 0; i < shape.paths.size(); ++i) {
    const svg::SVGPath& other = shape.paths[i];
    if (i == pathIdx || UsablePoints(other) <= 3) continue;
    const int n = NOnCurve(other);
    for (int c = 0; c < n; ++c) {
      const int k = 3 * c;
      const int next = (c + 1 < n) ? k + 3 : 0;
      crossings += RayCrossesChord(p0x, p0y, p1x, p1y, PX(other, k), PY(other, k), PX(other, next), PY(other, next));
    }
  }
  return crossings % 2 == 1;
}

IStrokeOptions StrokeOptionsOf(const svg::SVGShape& shape) {
  IStrokeOptions options;
  options.mMiterLimit = shape.miterLimit;
  options.mCapOption =
      static_cast<ELineCap>(shape.strokeLineCap >= 0 && shape.strokeLineCap < 3 ? shape.strokeLineCap : 0);
  options.mJoinOption =
      static_cast<ELineJoin>(shape.strokeLineJoin >= 0 && shape.strokeLineJoin < 3 ? shape.strokeLineJoin : 0);
  options.mDash.SetDash(shape.strokeDashArray, shape.strokeDashOffset, shape.strokeDashCount);
  options.mPreserve = false;
  return options;
}

}  // namespace

void IGraphics::DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend, const IColor* strokeColor,
                        const IColor* fillColor) {
  if (!svg.IsValid()) return;
  const float scale = std::min(bounds.W() / svg.W(), bounds.H() / svg.H());
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(scale);
  RenderSVG(svg, blend, strokeColor, fillColor);
  PathTransformRestore();
}

void IGraphics::DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                               double angle, const IBlend* blend) {
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(static_cast<float>(angle));
  DrawSVG(svg, IRECT(-width / 2.f, -height / 2.f, width / 2.f, height / 2.f), blend, nullptr, nullptr);
  PathTransformRestore();
}

void IGraphics::RenderSVG(const ISVG& svg, const IBlend* blend, const IColor* strokeColor, const IColor* fillColor) {
  const svg::SVGImage* image = svg.GetImage();
  if (!image) return;
  for (const svg::SVGShape& shape : image->shapes) {
    if (!(shape.flags & svg::kSVGFlagsVisible)) continue;
    PathClear();
    for (std::size_t p = 0; p < shape.paths.size(); ++p) {
      const svg::SVGPath& path = shape.paths[p];
      const int n = UsablePoints(path);
      if (n < 1) continue;
      PathMoveTo(PX(path, 0), PY(path, 0));
      // Only whole segments: a count that is not 1 + 3k leaves the rest unread.
      for (int i = 1; i + 2 < n; i += 3)
        PathCubicBezierTo(PX(path, i), PY(path, i), PX(path, i + 1), PY(path, i + 1), PX(path, i + 2), PY(path, i + 2));
      if (path.closed) PathClose();
      PathSetWinding(IsHole(shape, p));
    }
    if (shape.fill.type != svg::kPaintNone) {
      IFillOptions options;
      options.mFillRule = kFillPreserveWinding;
      options.mPreserve = shape.stroke.type != svg::kPaintNone;
      PathFill(fillColor ? IPattern(*fillColor) : GetSVGPattern(shape.fill, shape.opacity), options, blend);
    }
    if (shape.stroke.type != svg::kPaintNone)
      PathStroke(strokeColor ? IPattern(*strokeColor) : GetSVGPattern(shape.stroke, shape.opacity), shape.strokeWidth,
                 StrokeOptionsOf(shape), blend);
  }
}

// The shape's opacity scales the alpha each colour and stop carries (fill, stroke and stop opacities).
IPattern IGraphics::GetSVGPattern(const svg::SVGPaint& paint, float opacity) {
  const bool gradient = paint.type == svg::kPaintLinearGradient || paint.type == svg::kPaintRadialGradient;
  if (paint.type == svg::kPaintColor)
    return IPattern(ColorOf(paint.color, ScaledAlpha(opacity, svg::PackedAlpha(paint.color))));
  if (!gradient || !paint.gradient) return IPattern(IColor(ScaledAlpha(opacity, 255), 0, 0, 0));

  const svg::SVGGradient& g = *paint.gradient;
  IPattern pattern(paint.type == svg::kPaintLinearGradient ? kLinearPattern : kRadialPattern);
  pattern.mExtend = (g.spread >= 0 && g.spread <= 2) ? static_cast<EPatternExtend>(g.spread + 1) : kExtendPad;
  for (const svg::SVGGradientStop& stop : g.stops)
    pattern.AddStop(ColorOf(stop.color, ScaledAlpha(opacity, svg::PackedAlpha(stop.color))), stop.offset);
  pattern.mTransform = IMatrix(g.xform[0], g.xform[1], g.xform[2], g.xform[3], g.xform[4], g.xform[5]);
  return pattern;
}

}  // namespace fx::gfx
