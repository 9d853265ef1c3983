#include "framework/IParam.h"

#include <cmath>

namespace fx {

namespace {

// Position of value inside [min, max]; 0 for an empty range (max == min, as a
// zero step may leave it) instead of a division by zero.
double RangeFraction(double value, const IParam& param) {
  const double range = param.GetMax() - param.GetMin();
  return range != 0.0 ? (value - param.GetMin()) / range : 0.0;
}

constexpr double kExpLowestValue = 1e-8;  // log scales cannot reach 0

}  // namespace

void IParam::Shape::Init(const IParam&) {}

IParam::Shape* IParam::ShapeLinear::Clone() const {
  return new ShapeLinear(*this);
}

int IParam::ShapeLinear::GetDisplayType() const {
  return 0;
}

double IParam::ShapeLinear::NormalizedToValue(double normalized, const IParam& param) const {
  return param.GetMin() + normalized * (param.GetMax() - param.GetMin());
}

double IParam::ShapeLinear::ValueToNormalized(double value, const IParam& param) const {
  return RangeFraction(value, param);
}

IParam::ShapePowCurve::ShapePowCurve(double shape) : mShape(shape) {}

IParam::Shape* IParam::ShapePowCurve::Clone() const {
  return new ShapePowCurve(*this);
}

int IParam::ShapePowCurve::GetDisplayType() const {
  if (mShape > 2.5) return 6;
  if (mShape > 1.5) return 4;
  if (mShape < 0.4) return 5;
  if (mShape < 2.0 / 3.0) return 3;
  return 0;
}

double IParam::ShapePowCurve::NormalizedToValue(double normalized, const IParam& param) const {
  return param.GetMin() + std::pow(normalized, mShape) * (param.GetMax() - param.GetMin());
}

// A fractional power of a negative number is NaN: values below min map to 0.
double IParam::ShapePowCurve::ValueToNormalized(double value, const IParam& param) const {
  const double fraction = RangeFraction(value, param);
  return fraction > 0.0 ? std::pow(fraction, 1.0 / mShape) : 0.0;
}

IParam::Shape* IParam::ShapeExp::Clone() const {
  return new ShapeExp(*this);
}

void IParam::ShapeExp::Init(const IParam& param) {
  const double lo = param.GetMin() > 0.0 ? param.GetMin() : kExpLowestValue;
  const double hi = param.GetMax();
  mAdd = std::log(lo);
  mMul = hi > lo ? std::log(hi / lo) : 0.0;
}

int IParam::ShapeExp::GetDisplayType() const {
  return 1;
}

double IParam::ShapeExp::NormalizedToValue(double normalized, const IParam&) const {
  return std::exp(normalized * mMul + mAdd);
}

double IParam::ShapeExp::ValueToNormalized(double value, const IParam&) const {
  if (mMul == 0.0 || !(value > 0.0)) return 0.0;
  return (std::log(value) - mAdd) / mMul;
}

}  // namespace fx
