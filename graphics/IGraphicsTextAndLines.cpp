// Text, frames of bitmap strips (multi-state pictures and bitmap fonts) and lines placed by a normalized
// position or an angle, on top of the renderer's text and image calls and DrawLine.
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace fx::gfx {

void IGraphics::DrawText(const IText& text, const char* str, float x, float y, const IBlend* blend) {
  DrawText(text, str, IRECT(x, y, x, y), blend);
}

// Source offsets are computed in whole points, the product before the division.
void IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int frame, const IBlend* blend) {
  if (!bitmap.IsValid()) return;
  const int n = bitmap.N();
  frame = std::clamp(frame, 1, n);
  int srcX = 0;
  int srcY = 0;
  if (n >= 2 && frame > 1) {
    // The product may pass int's range before the division brings it back within the strip.
    const auto offset = [&](int length) { return static_cast<int>(static_cast<int64_t>(frame - 1) * length / n); };
    if (bitmap.GetFramesAreHorizontal())
      srcX = offset(bitmap.W());
    else
      srcY = offset(bitmap.H());
  }
  DrawBitmap(bitmap, bounds, srcX, srcY, blend);
}

void IGraphics::DrawBitmapedText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* blend,
                                 const char* str, bool vCenter, bool multiline, int charWidth, int charHeight,
                                 int charOffset) {
  // Without a character size no layout exists (it would divide by it).
  if (!str || !str[0] || !bitmap.IsValid() || charWidth <= 0 || charHeight <= 0) return;
  const int len = static_cast<int>(std::strlen(str));
  const float cw = static_cast<float>(charWidth);
  const float ch = static_cast<float>(charHeight);
  const float textWidth = static_cast<float>(len) * cw;
  const float y0 = vCenter ? bounds.T + (bounds.H() - ch) / 2.f : bounds.T;
  float x0 = 0.f;
  switch (text.mAlign) {
    case kAlignNear:
      x0 = bounds.L;
      break;
    case kAlignFar:
      x0 = bounds.R - textWidth;
      break;
    case kAlignCenter:
      x0 = bounds.L + (bounds.W() - textWidth) / 2.f;
      break;
    default:
      break;
  }

  // The characters a line holds, at most the whole text (more would go unused): none in bounds narrower than one
  // character, or of no (or no real) width, and then nothing is drawn. Only a line of at least one character's
  // width divides the text into lines.
  const float fit = bounds.W() / cw;
  const int perLine = fit >= static_cast<float>(len) ? len : (fit >= 1.f ? static_cast<int>(fit) : 0);
  if (perLine <= 0) return;
  int lines = 1;
  if (multiline && textWidth > bounds.W()) lines = static_cast<int>(textWidth / bounds.W()) + 1;

  for (int l = 0; l < lines; ++l)
    for (int j = 0; j < perLine; ++j) {
      const int idx = l * perLine + j;
      if (idx >= len) return;
      const int code = static_cast<unsigned char>(str[idx]);
      const int frame = std::min(code >= 32 ? code - 31 : 1, bitmap.N());
      const float x = x0 + static_cast<float>(j) * (cw + static_cast<float>(charOffset));
      const float y = y0 + static_cast<float>(l) * ch;
      DrawBitmap(bitmap, IRECT(x, y, x + cw, y + ch), frame, blend);
    }
}

void IGraphics::DrawLineAcross(const IColor& color, const IRECT& bounds, EDirection dir, float pos, const IBlend* blend,
                               float thickness) {
  if (dir == kHorizontal)
    DrawHorizontalLine(color, bounds, pos, blend, thickness);
  else
    DrawVerticalLine(color, bounds, pos, blend, thickness);
}

void IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* blend,
                                   float thickness) {
  y = std::clamp(y, 0.f, 1.f);
  const float yy = bounds.B - y * bounds.H();
  DrawLine(IPattern(color), bounds.L, yy, bounds.R, yy, blend, thickness);
}

void IGraphics::DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* blend,
                                 float thickness) {
  x = std::clamp(x, 0.f, 1.f);
  const float xx = bounds.L + std::trunc(x * bounds.W());
  DrawLine(IPattern(color), xx, bounds.T, xx, bounds.B, blend, thickness);
}

void IGraphics::DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* blend,
                                 float thickness) {
  DrawLine(IPattern(color), xi, yLo, xi, yHi, blend, thickness);
}

void IGraphics::DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* blend,
                                   float thickness) {
  DrawLine(IPattern(color), xLo, yi, xHi, yi, blend, thickness);
}

namespace {

// Angle 0 points up and angles grow clockwise (y grows downwards); pi as a float.
void RadialPoints(float cx, float cy, float angle, float rMin, float rMax, float* pts) {
  const float a = (angle - 90.f) / 180.f * 3.1415927f;
  const float c = std::cos(a);
  const float s = std::sin(a);
  pts[0] = cx + c * rMin;
  pts[1] = cy + s * rMin;
  pts[2] = cx + c * rMax;
  pts[3] = cy + s * rMax;
}

}  // namespace

void IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                               const IBlend* blend, float thickness) {
  float p[4];
  RadialPoints(cx, cy, angle, rMin, rMax, p);
  DrawLine(IPattern(color), p[0], p[1], p[2], p[3], blend, thickness);
}

void IGraphics::PathRadialLine(float cx, float cy, float angle, float rMin, float rMax) {
  float p[4];
  RadialPoints(cx, cy, angle, rMin, rMax, p);
  PathMoveTo(p[0], p[1]);
  PathLineTo(p[2], p[3]);
}

}  // namespace fx::gfx
