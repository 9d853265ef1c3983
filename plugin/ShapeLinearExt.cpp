#include "plugin/ShapeLinearExt.h"

#include <cmath>

namespace kd {

ShapeLinearExt::ShapeLinearExt(double midNorm, double midValue, double lowExp, double highExp)
    : mMidNorm(midNorm), mMidValue(midValue), mLowExp(lowExp), mHighExp(highExp) {}

ShapeLinearExt::ShapeLinearExt(const ShapeLinearExt& other)
    : ShapeLinearExt(other.mMidNorm, other.mMidValue, other.LowExp(), other.HighExp()) {}

fx::IParam::Shape* ShapeLinearExt::Clone() const {
  return new ShapeLinearExt(*this);
}

void ShapeLinearExt::Init(const fx::IParam&) {}

int ShapeLinearExt::GetDisplayType() const {
  return 0;
}

void ShapeLinearExt::SetExponents(double lowExp, double highExp) {
  mLowExp.store(lowExp, std::memory_order_relaxed);
  mHighExp.store(highExp, std::memory_order_relaxed);
}

double ShapeLinearExt::NormalizedToValue(double x, const fx::IParam& p) const {
  const double m = mMidNorm;
  const double v = mMidValue;
  if (x < m) return p.GetMin() + (v - p.GetMin()) * (1.0 - std::pow(1.0 - x / m, LowExp()));
  return v + (p.GetMax() - v) * std::pow((x - m) / (1.0 - m), HighExp());
}

double ShapeLinearExt::ValueToNormalized(double value, const fx::IParam& p) const {
  const double m = mMidNorm;
  const double v = mMidValue;
  if (value < v) return m * (1.0 - std::pow(1.0 - (value - p.GetMin()) / (v - p.GetMin()), 1.0 / LowExp()));
  return m + (1.0 - m) * std::pow((value - v) / (p.GetMax() - v), 1.0 / HighExp());
}

}  // namespace kd
