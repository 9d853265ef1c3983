// The 2-D affine transforms of an SVG document (xx, yx, xy, yy, tx, ty: x' = xx*x + xy*y + tx,
// y' = yx*x + yy*y + ty) and the reader of the "transform" attribute's list. Plain values: any thread.
#pragma once

#include <string_view>

namespace fx::gfx::svg {

struct SVGXform {
  double m[6] = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};

  static SVGXform Translate(double x, double y);
  static SVGXform Scale(double x, double y);
  static SVGXform Rotate(double degrees);
  static SVGXform SkewX(double degrees);
  static SVGXform SkewY(double degrees);

  // outer ∘ inner: inner acts on points first.
  static SVGXform Compose(const SVGXform& outer, const SVGXform& inner);
  // The inverse, or the identity for a transform that cannot be inverted.
  SVGXform Inverse() const;
  void Apply(double& x, double& y) const;
  // How much the transform scales lengths on average (for stroke widths and dashes).
  double AverageScale() const;
};

// Reads a transform list ("translate(10 20) rotate(45)"); the first listed acts last on points. False (and
// xform unchanged) for a malformed list.
bool ParseTransformList(std::string_view text, SVGXform& xform);

}  // namespace fx::gfx::svg
