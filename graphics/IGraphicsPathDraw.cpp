// The drawing vocabulary of the graphics object built on the abstract path interface: lines, rectangles,
// rounded rectangles, triangles, arcs, ellipses, polygons, grids, data plots and fitted or rotated bitmaps.
// Nothing here touches pixels; every shape ends in one PathStroke or PathFill of the renderer.
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

IStrokeOptions DashedOptions(float dashLen) {
  IStrokeOptions options;
  options.mDash.SetDash(&dashLen, 0.f, 1);
  return options;
}

// A corner radius as given, except that a negative, infinite or NaN one (which would put the arc's
// centre outside any usable place) counts as 0.
float UsableRadius(float r) {
  return (std::isfinite(r) && r > 0.f) ? r : 0.f;
}

// A grid of this many lines or more is refused, as a dotted line of too many dashes is: a grid far larger than any
// view with a small step would otherwise add tens of millions of lines to one path.
constexpr int kMaxGridLines = 1000000;

// Calls line(v) for v = start + step, start + 2 step, ... while v < end, at most `limit` times; returns how many
// lines it walked. Far from zero a float sum can round back to where it was (or be NaN/infinite); the lines stop
// there so the walk always ends.
template <typename LineFunc>
int ForEachGridLine(float start, float end, float step, int limit, LineFunc&& line) {
  int lines = 0;
  for (float v = start; lines < limit; ++lines) {
    const float next = v + step;
    if (!(next > v) || !(next < end)) break;
    v = next;
    line(v);
  }
  return lines;
}

}  // namespace

void IGraphics::DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend) {
  if (!bitmap.IsValid() || bitmap.W() <= 0 || bitmap.H() <= 0) return;
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / static_cast<float>(bitmap.W()), bounds.H() / static_cast<float>(bitmap.H()));
  DrawBitmap(bitmap, IRECT(0.f, 0.f, static_cast<float>(bitmap.W()), static_cast<float>(bitmap.H())), 0, 0, blend);
  PathTransformRestore();
}

void IGraphics::DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                  const IBlend* blend) {
  if (!bitmap.IsValid() || !(bitmap.GetDrawScale() > 0.f)) return;
  const float w = static_cast<float>(bitmap.W()) / bitmap.GetDrawScale();
  const float h = static_cast<float>(bitmap.H()) / bitmap.GetDrawScale();
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(static_cast<float>(angle));
  DrawBitmap(bitmap, IRECT(-w / 2.f, -h / 2.f, w / 2.f, h / 2.f), 0, 0, blend);
  PathTransformRestore();
}

void IGraphics::DrawPoint(const IColor& color, float x, float y, const IBlend* blend) {
  FillRect(color, IRECT(x, y, x + 1.f, y + 1.f), blend);
}

void IGraphics::DrawLine(const IPattern& pattern, float x1, float y1, float x2, float y2, const IBlend* blend,
                         float thickness) {
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathStroke(pattern, thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                               float thickness, float dashLen) {
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathStroke(IPattern(color), thickness, DashedOptions(dashLen), blend);
}

void IGraphics::DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                             const IBlend* blend, float thickness) {
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness) {
  PathClear();
  PathRect(bounds);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* blend,
                              float thickness) {
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBR, float cRBL,
                              const IBlend* blend, float thickness) {
  PathClear();
  PathRoundRect(bounds, cRTL, cRTR, cRBR, cRBL);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawArc(const IPattern& pattern, float cx, float cy, float r, float a1, float a2, const IBlend* blend,
                        float thickness) {
  PathClear();
  PathArc(cx, cy, r, a1, a2, kWindingCW);
  PathStroke(pattern, thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend, float thickness) {
  PathClear();
  PathCircle(cx, cy, r);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness) {
  PathClear();
  PathEllipse(bounds);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle, const IBlend* blend,
                            float thickness) {
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints, const IBlend* blend,
                                  float thickness) {
  if (nPoints < 1 || !x || !y) return;
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness,
                               float dashLen) {
  PathClear();
  PathRect(bounds);
  PathStroke(IPattern(color), thickness, DashedOptions(dashLen), blend);
}

void IGraphics::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                             const IBlend* blend) {
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathFill(IPattern(color), IFillOptions(), blend);
}

void IGraphics::FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend) {
  PathClear();
  PathRect(bounds);
  PathFill(IPattern(color), IFillOptions(), blend);
}

void IGraphics::FillRoundRect(const IPattern& pattern, const IRECT& bounds, float cornerRadius, const IBlend* blend) {
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathFill(pattern, IFillOptions(), blend);
}

void IGraphics::FillRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBR, float cRBL,
                              const IBlend* blend) {
  PathClear();
  PathRoundRect(bounds, cRTL, cRTR, cRBR, cRBL);
  PathFill(IPattern(color), IFillOptions(), blend);
}

void IGraphics::FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend) {
  PathClear();
  PathEllipse(bounds);
  PathFill(IPattern(color), IFillOptions(), blend);
}

void IGraphics::FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                            const IBlend* blend) {
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathFill(IPattern(color), IFillOptions(), blend);
}

void IGraphics::FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* blend) {
  PathClear();
  PathMoveTo(cx, cy);
  PathArc(cx, cy, r, a1, a2, kWindingCW);
  PathClose();
  PathFill(IPattern(color), IFillOptions(), blend);
}

void IGraphics::FillConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                  const IBlend* blend) {
  if (nPoints < 1 || !x || !y) return;
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathFill(IPattern(color), IFillOptions(), blend);
}

void IGraphics::DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                         const IBlend* blend, float thickness) {
  PathClear();
  // Counted first, with the walk that draws them, so that a refused grid adds no line at all.
  const auto count = [](float) {};
  const int linesH = gridSizeH > 1.f ? ForEachGridLine(bounds.L, bounds.R, gridSizeH, kMaxGridLines, count) : 0;
  const int linesV =
      gridSizeV > 1.f ? ForEachGridLine(bounds.T, bounds.B, gridSizeV, kMaxGridLines - linesH, count) : 0;
  if (linesH + linesV < kMaxGridLines) {
    ForEachGridLine(bounds.L, bounds.R, gridSizeH, linesH, [&](float x) {
      PathMoveTo(x, bounds.T);
      PathLineTo(x, bounds.B);
    });
    ForEachGridLine(bounds.T, bounds.B, gridSizeV, linesV, [&](float y) {
      PathMoveTo(bounds.L, y);
      PathLineTo(bounds.R, y);
    });
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::DrawData(const IColor& color, const IRECT& bounds, const float* normYPoints, int nPoints,
                         const float* normXPoints, const IBlend* blend, float thickness, const IColor* fillColor) {
  if (nPoints < 1 || !normYPoints) return;
  const float w = bounds.W();
  const float h = bounds.H();
  PathClear();
  PathMoveTo(bounds.L, bounds.B - h * normYPoints[0]);
  for (int i = 1; i < nPoints; ++i) {
    const float x = normXPoints ? bounds.L + w * normXPoints[i]
                                : bounds.L + static_cast<float>(i) * (w / static_cast<float>(nPoints - 1));
    PathLineTo(x, bounds.B - h * normYPoints[i]);
  }
  if (fillColor) {
    IFillOptions options;
    options.mPreserve = true;
    PathFill(IPattern(*fillColor), options, blend);
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphics::PathRect(const IRECT& bounds) {
  PathMoveTo(bounds.L, bounds.T);
  PathLineTo(bounds.R, bounds.T);
  PathLineTo(bounds.R, bounds.B);
  PathLineTo(bounds.L, bounds.B);
  PathClose();
}

// Radii in the order top-left, top-right, bottom-right, bottom-left; four clockwise corner arcs joined by
// the straight edges the path interface draws between them.
void IGraphics::PathRoundRect(const IRECT& bounds, float cRTL, float cRTR, float cRBR, float cRBL) {
  const float tl = UsableRadius(cRTL);
  const float tr = UsableRadius(cRTR);
  const float br = UsableRadius(cRBR);
  const float bl = UsableRadius(cRBL);
  if (tl <= 0.f && tr <= 0.f && br <= 0.f && bl <= 0.f) {
    PathRect(bounds);
    return;
  }
  PathMoveTo(bounds.L, bounds.T + tl);
  PathArc(bounds.L + tl, bounds.T + tl, tl, 270.f, 360.f, kWindingCW);
  PathArc(bounds.R - tr, bounds.T + tr, tr, 0.f, 90.f, kWindingCW);
  PathArc(bounds.R - br, bounds.B - br, br, 90.f, 180.f, kWindingCW);
  PathArc(bounds.L + bl, bounds.B - bl, bl, 180.f, 270.f, kWindingCW);
  PathClose();
}

void IGraphics::PathRoundRect(const IRECT& bounds, float cornerRadius) {
  PathRoundRect(bounds, cornerRadius, cornerRadius, cornerRadius, cornerRadius);
}

void IGraphics::PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3) {
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathLineTo(x3, y3);
  PathClose();
}

void IGraphics::PathConvexPolygon(const float* x, const float* y, int nPoints) {
  if (nPoints < 1 || !x || !y) return;
  PathMoveTo(x[0], y[0]);
  for (int i = 1; i < nPoints; ++i) PathLineTo(x[i], y[i]);
  PathClose();
}

void IGraphics::PathEllipse(const IRECT& bounds) {
  PathEllipse(bounds.MW(), bounds.MH(), bounds.W() / 2.f, bounds.H() / 2.f, 0.f);
}

// The unit circle under a scaled transform, so the renderer only ever sees circles.
void IGraphics::PathEllipse(float x, float y, float r1, float r2, float angle) {
  PathTransformSave();
  if (r1 <= 0.f || r2 <= 0.f) {
    PathTransformRestore();
    return;
  }
  PathTransformTranslate(x, y);
  PathTransformRotate(angle);
  PathTransformScale(r1, r2);
  PathMoveTo(0.f, -1.f);
  PathArc(0.f, 0.f, 1.f, 0.f, 360.f, kWindingCW);
  PathClose();
  PathTransformRestore();
}

}  // namespace fx::gfx
