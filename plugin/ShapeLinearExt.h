// The faders' value shape: two power-curve segments joined at a middle point, so that with an exponent
// above 1 a fader moves slowly around its middle (0 dB) and fast towards both ends.
#pragma once

#include <atomic>

#include "framework/IParam.h"

namespace kd {

class ShapeLinearExt : public fx::IParam::Shape {
 public:
  // midNorm: normalized position of the joint (0 < midNorm < 1); midValue: the value there (strictly
  // between the parameter's minimum and maximum); exponents below and above the joint (> 0).
  ShapeLinearExt(double midNorm, double midValue, double lowExp, double highExp);
  ShapeLinearExt(const ShapeLinearExt& other);

  Shape* Clone() const override;
  void Init(const fx::IParam& param) override;
  int GetDisplayType() const override;
  // Any thread; never blocks. Both are inverse to each other inside the parameter's range.
  double NormalizedToValue(double x, const fx::IParam& p) const override;
  double ValueToNormalized(double value, const fx::IParam& p) const override;

  // Any thread; never blocks. "Fader shape" changes the exponents while hosts may read the mapping.
  void SetExponents(double lowExp, double highExp);
  double LowExp() const { return mLowExp.load(std::memory_order_relaxed); }
  double HighExp() const { return mHighExp.load(std::memory_order_relaxed); }

  const double mMidNorm;
  const double mMidValue;

 private:
  std::atomic<double> mLowExp;
  std::atomic<double> mHighExp;
};

}  // namespace kd
