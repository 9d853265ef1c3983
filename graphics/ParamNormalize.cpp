#include "graphics/ParamNormalize.h"

#include "framework/IParam.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

// Rounded and clamped as the parameter itself does it: to the nearest multiple of the step's size for a step of either
// sign; a step of 0 leaves the value as it is (dividing by it would give NaN or infinity). NaN stays NaN for the
// callers to refuse.
double SnapAndClamp(const IParam& param, double value) {
  return std::isnan(value) ? value : param.Constrain(value);
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
