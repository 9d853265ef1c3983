#include "graphics/IMatrix.h"

#include <cmath>
#include <numbers>

namespace fx::gfx {

IMatrix& IMatrix::Transform(const IMatrix& m) {
  const IMatrix p = *this;
  mXX = m.mXX * p.mXX + m.mYX * p.mXY;
  mYX = m.mXX * p.mYX + m.mYX * p.mYY;
  mXY = m.mXY * p.mXX + m.mYY * p.mXY;
  mYY = m.mXY * p.mYX + m.mYY * p.mYY;
  mTX = m.mTX * p.mXX + m.mTY * p.mXY + p.mTX;
  mTY = m.mTX * p.mYX + m.mTY * p.mYY + p.mTY;
  return *this;
}

IMatrix& IMatrix::Translate(double x, double y) {
  return Transform(IMatrix(1.0, 0.0, 0.0, 1.0, x, y));
}

IMatrix& IMatrix::Scale(double x, double y) {
  return Transform(IMatrix(x, 0.0, 0.0, y, 0.0, 0.0));
}

IMatrix& IMatrix::Rotate(double degrees) {
  const double rad = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(rad);
  const double s = std::sin(rad);
  return Transform(IMatrix(c, s, -s, c, 0.0, 0.0));
}

void IMatrix::TransformPoint(double& x, double& y) const {
  const double x0 = x;
  x = mXX * x0 + mXY * y + mTX;
  y = mYX * x0 + mYY * y + mTY;
}

}  // namespace fx::gfx
