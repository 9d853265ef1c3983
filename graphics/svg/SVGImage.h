// A parsed SVG picture as the graphics core draws it: shapes in document order, each a list of paths of
// cubic Bézier segments in picture coordinates (every transform and the viewBox already applied), with
// its fill and stroke paints and stroke geometry. Plain data: built once by ParseSVG, then only read
// (any thread may read it; the editor's SVG cache owns it).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace fx::gfx::svg {

enum ESVGPaintType : int { kPaintNone = 0, kPaintColor = 1, kPaintLinearGradient = 2, kPaintRadialGradient = 3 };
enum ESVGSpread : int { kSpreadPad = 0, kSpreadReflect = 1, kSpreadRepeat = 2 };
enum ESVGLineJoin : int { kSVGJoinMiter = 0, kSVGJoinRound = 1, kSVGJoinBevel = 2 };
enum ESVGLineCap : int { kSVGCapButt = 0, kSVGCapRound = 1, kSVGCapSquare = 2 };
enum ESVGFillRule : int { kSVGFillNonZero = 0, kSVGFillEvenOdd = 1 };
enum ESVGShapeFlags : unsigned { kSVGFlagsVisible = 1u };

// Colours are packed red in the low byte, then green, blue and alpha.
constexpr uint32_t PackRGBA(unsigned r, unsigned g, unsigned b, unsigned a) {
  return (r & 0xffu) | ((g & 0xffu) << 8) | ((b & 0xffu) << 16) | ((a & 0xffu) << 24);
}
constexpr unsigned PackedRed(uint32_t c) {
  return c & 0xffu;
}
constexpr unsigned PackedGreen(uint32_t c) {
  return (c >> 8) & 0xffu;
}
constexpr unsigned PackedBlue(uint32_t c) {
  return (c >> 16) & 0xffu;
}
constexpr unsigned PackedAlpha(uint32_t c) {
  return (c >> 24) & 0xffu;
}

struct SVGGradientStop {
  uint32_t color = 0;  // the stop colour with stop-opacity and the paint's opacity folded into alpha
  float offset = 0.f;  // 0..1, never decreasing along the list
};

struct SVGGradient {
  // Picture coordinates to gradient space (xx, yx, xy, yy, tx, ty). In gradient space a linear gradient
  // runs from (0, 0) to (0, 1) and a radial gradient fills the unit circle about the origin.
  float xform[6] = {1.f, 0.f, 0.f, 1.f, 0.f, 0.f};
  int spread = kSpreadPad;
  float fx = 0.f;  // radial focal point in gradient space
  float fy = 0.f;
  std::vector<SVGGradientStop> stops;
};

struct SVGPaint {
  int type = kPaintNone;
  uint32_t color = 0;
  std::unique_ptr<SVGGradient> gradient;  // set for the two gradient types
};

struct SVGPath {
  // x, y pairs: a start point followed by three points (control 1, control 2, end) per cubic segment.
  std::vector<float> pts;
  int npts = 0;  // number of points (pts.size() / 2)
  bool closed = false;
  float bounds[4] = {};  // min x, min y, max x, max y of the curve itself
};

struct SVGShape {
  SVGPaint fill;
  SVGPaint stroke;
  float opacity = 1.f;
  float strokeWidth = 1.f;
  float strokeDashOffset = 0.f;
  float strokeDashArray[8] = {};
  int strokeDashCount = 0;
  int strokeLineJoin = kSVGJoinMiter;
  int strokeLineCap = kSVGCapButt;
  float miterLimit = 4.f;
  int fillRule = kSVGFillNonZero;
  unsigned flags = kSVGFlagsVisible;
  float bounds[4] = {};
  std::vector<SVGPath> paths;
};

struct SVGImage {
  float width = 0.f;  // in the units the caller asked for
  float height = 0.f;
  std::vector<SVGShape> shapes;
};

}  // namespace fx::gfx::svg
