#include "graphics/svg/SVGShapes.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>

namespace fx::gfx::svg {

namespace {

// Control distance of a quarter circle drawn as one cubic: 4/3 (sqrt(2) - 1).
constexpr double kKappa = 0.5522847493;

void UnionBounds(float* into, const float* b, bool first) {
  if (first) {
    std::copy(b, b + 4, into);
    return;
  }
  into[0] = std::min(into[0], b[0]);
  into[1] = std::min(into[1], b[1]);
  into[2] = std::max(into[2], b[2]);
  into[3] = std::max(into[3], b[3]);
}

void BuildRect(const TiXmlElement* el, const SVGStyle& s, const SVGViewport& viewport, SVGPathBuilder& b) {
  auto len = [&](const char* attr, EAxis axis, double fallback) {
    return viewport.LengthAttr(el, attr, axis, fallback, s.fontSize);
  };
  const double x = len("x", kAxisX, 0.0);
  const double y = len("y", kAxisY, 0.0);
  const double w = len("width", kAxisX, 0.0);
  const double h = len("height", kAxisY, 0.0);
  if (!(w > 0.0 && h > 0.0)) return;
  double rx = len("rx", kAxisX, -1.0);
  double ry = len("ry", kAxisY, -1.0);
  if (rx < 0.0) rx = ry;
  if (ry < 0.0) ry = rx;
  rx = std::clamp(rx, 0.0, w / 2.0);
  ry = std::clamp(ry, 0.0, h / 2.0);
  if (rx <= 0.0 || ry <= 0.0) {
    b.MoveTo(x, y);
    b.LineTo(x + w, y);
    b.LineTo(x + w, y + h);
    b.LineTo(x, y + h);
    b.Close();
    return;
  }
  b.MoveTo(x + rx, y);
  b.LineTo(x + w - rx, y);
  b.ArcTo(rx, ry, 0.0, false, true, x + w, y + ry);
  b.LineTo(x + w, y + h - ry);
  b.ArcTo(rx, ry, 0.0, false, true, x + w - rx, y + h);
  b.LineTo(x + rx, y + h);
  b.ArcTo(rx, ry, 0.0, false, true, x, y + h - ry);
  b.LineTo(x, y + ry);
  b.ArcTo(rx, ry, 0.0, false, true, x + rx, y);
  b.Close();
}

// Four quarter arcs from the rightmost point, clockwise on screen.
void BuildEllipse(double cx, double cy, double rx, double ry, SVGPathBuilder& b) {
  if (!(rx > 0.0 && ry > 0.0)) return;
  const double kx = rx * kKappa;
  const double ky = ry * kKappa;
  b.MoveTo(cx + rx, cy);
  b.CubicTo(cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
  b.CubicTo(cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
  b.CubicTo(cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
  b.CubicTo(cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
  b.Close();
}

void BuildPoly(const char* points, bool closed, SVGPathBuilder& b) {
  if (!points) return;
  const char* p = points;
  const char* end = points + std::strlen(points);
  double x = 0.0;
  double y = 0.0;
  bool first = true;
  while (ReadNumber(p, end, x) && ReadNumber(p, end, y)) {
    if (first)
      b.MoveTo(x, y);
    else
      b.LineTo(x, y);
    first = false;
  }
  if (closed && !first) b.Close();
}

}  // namespace

bool IsShape(std::string_view name) {
  return Keyword(name, {"path", "rect", "circle", "ellipse", "line", "polyline", "polygon"}) >= 0;
}

void BuildShapeGeometry(const TiXmlElement* el, std::string_view name, const SVGStyle& s, const SVGViewport& viewport,
                        SVGPathBuilder& b) {
  auto len = [&](const char* attr, EAxis axis, double fallback) {
    return viewport.LengthAttr(el, attr, axis, fallback, s.fontSize);
  };
  if (name == "path") {
    if (const char* d = el->Attribute("d")) ParsePathData(d, b);
  } else if (name == "rect") {
    BuildRect(el, s, viewport, b);
  } else if (name == "circle") {
    const double r = len("r", kAxisOther, 0.0);
    BuildEllipse(len("cx", kAxisX, 0.0), len("cy", kAxisY, 0.0), r, r, b);
  } else if (name == "ellipse") {
    BuildEllipse(len("cx", kAxisX, 0.0), len("cy", kAxisY, 0.0), len("rx", kAxisX, 0.0), len("ry", kAxisY, 0.0), b);
  } else if (name == "line") {
    b.MoveTo(len("x1", kAxisX, 0.0), len("y1", kAxisY, 0.0));
    b.LineTo(len("x2", kAxisX, 0.0), len("y2", kAxisY, 0.0));
  } else {
    BuildPoly(el->Attribute("points"), name == "polygon", b);
  }
}

std::optional<SVGShape> MakeShape(std::vector<SVGPath> paths, const SVGStyle& s, const SVGGradients& paints) {
  if (paths.empty()) return std::nullopt;
  SVGShape shape;
  float localBounds[4] = {};
  for (size_t i = 0; i < paths.size(); ++i) UnionBounds(localBounds, paths[i].bounds, i == 0);
  for (size_t i = 0; i < paths.size(); ++i) {
    SVGPath& path = paths[i];
    for (int k = 0; k < path.npts; ++k) {
      double x = path.pts[2 * k];
      double y = path.pts[2 * k + 1];
      s.xform.Apply(x, y);
      path.pts[2 * k] = static_cast<float>(x);
      path.pts[2 * k + 1] = static_cast<float>(y);
    }
    CubicPathBounds(path.pts.data(), path.npts, path.bounds);
    UnionBounds(shape.bounds, path.bounds, i == 0);
  }
  shape.paths = std::move(paths);
  shape.fill = paints.ResolvePaint(s.fill, s.fillOpacity, s, localBounds);
  shape.stroke = paints.ResolvePaint(s.stroke, s.strokeOpacity, s, localBounds);
  const double scale = s.xform.AverageScale();
  shape.opacity = static_cast<float>(s.opacity);
  shape.strokeWidth = static_cast<float>(s.strokeWidth * scale);
  shape.strokeDashOffset = static_cast<float>(s.dashOffset * scale);
  shape.strokeDashCount = static_cast<int>(std::min<size_t>(s.dashes.size(), 8));
  for (int i = 0; i < shape.strokeDashCount; ++i)
    shape.strokeDashArray[i] = static_cast<float>(s.dashes[static_cast<size_t>(i)] * scale);
  shape.strokeLineJoin = s.lineJoin;
  shape.strokeLineCap = s.lineCap;
  shape.miterLimit = static_cast<float>(s.miterLimit);
  shape.fillRule = s.fillRule;
  shape.flags = (s.visible && s.displayed) ? kSVGFlagsVisible : 0u;
  return shape;
}

}  // namespace fx::gfx::svg
