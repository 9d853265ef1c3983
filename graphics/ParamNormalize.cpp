#include "graphics/ParamNormalize.h"

#include "framework/IParam.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

// A step of 0 is treated as "not stepped": dividing by it would give NaN or infinity.
double SnapAndClamp(const IParam& param, double value) {
  const double step = param.GetStep();
  if (param.GetStepped() && step > 0.0 && std::isfinite(value)) value = std::round(value / step) * step;
  return std::clamp(value, param.GetMin(), param.GetMax());
}

}  // namespace

bool ParamValueToNormalized(const IParam& param, double value, double& normalized) {
  if (std::isnan(value)) return false;
  const double n = param.ToNormalized(SnapAndClamp(param, value));
  if (std::isnan(n)) return false;
  normalized = std::clamp(n, 0.0, 1.0);
  return true;
}

double ParamValueFromNormalized(const IParam& param, double normalized) {
  return SnapAndClamp(param, param.GetShape()->NormalizedToValue(normalized, param));
}

}  // namespace fx::gfx
