// A rectangle in editor points (left, top, right, bottom) and the geometry the editor needs of it:
// hit tests, unions, intersections, padding and alignment to device pixels. A plain value: any thread.
#pragma once

namespace fx::gfx {

struct IRECT {
  float L = 0.f;
  float T = 0.f;
  float R = 0.f;
  float B = 0.f;

  constexpr IRECT() = default;
  constexpr IRECT(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}

  constexpr float W() const { return R - L; }
  constexpr float H() const { return B - T; }
  constexpr float MW() const { return 0.5f * (L + R); }
  constexpr float MH() const { return 0.5f * (T + B); }
  constexpr float Area() const { return W() * H(); }

  // All four coordinates 0: the "no rectangle" value, which contains and intersects nothing.
  constexpr bool Empty() const { return L == 0.f && T == 0.f && R == 0.f && B == 0.f; }

  bool operator==(const IRECT&) const = default;

  // Half-open: the right and bottom edges are outside.
  bool Contains(float x, float y) const;
  bool Contains(const IRECT& other) const;
  bool Intersects(const IRECT& other) const;

  // The overlap; the empty rectangle when there is none.
  IRECT Intersect(const IRECT& other) const;
  // The bounding box; an empty operand is ignored.
  IRECT Union(const IRECT& other) const;

  IRECT GetPadded(float pad) const { return IRECT(L - pad, T - pad, R + pad, B + pad); }
  // Outward to whole device pixels at the given pixels-per-point.
  IRECT GetPixelAligned(float scale) const;
  IRECT GetTranslated(float dx, float dy) const { return IRECT(L + dx, T + dy, R + dx, B + dy); }

  // Moves (never cuts) this rectangle into `outer`, keeping one point clear of outer's far edges.
  void ConstrainInto(const IRECT& outer);

  // The pieces of this rectangle outside `cut`: up to four, written to `out`; returns how many.
  int Subtract(const IRECT& cut, IRECT out[4]) const;
};

}  // namespace fx::gfx
