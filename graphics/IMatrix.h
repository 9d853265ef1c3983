// A 2-D affine transform (xx, yx, xy, yy, tx, ty): x' = xx*x + xy*y + tx, y' = yx*x + yy*y + ty.
// Rotations are in degrees, clockwise on screen (y grows downwards). A plain value: any thread.
#pragma once

namespace fx::gfx {

struct IMatrix {
  double mXX = 1.0;
  double mYX = 0.0;
  double mXY = 0.0;
  double mYY = 1.0;
  double mTX = 0.0;
  double mTY = 0.0;

  constexpr IMatrix() = default;
  constexpr IMatrix(double xx, double yx, double xy, double yy, double tx, double ty)
      : mXX(xx), mYX(yx), mXY(xy), mYY(yy), mTX(tx), mTY(ty) {}
  bool operator==(const IMatrix&) const = default;

  // Each premultiplies: the new operation applies to points before the existing transform.
  IMatrix& Translate(double x, double y);
  IMatrix& Scale(double x, double y);
  IMatrix& Rotate(double degrees);
  IMatrix& Transform(const IMatrix& m);

  void TransformPoint(double& x, double& y) const;
};

}  // namespace fx::gfx
