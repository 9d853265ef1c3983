#include "graphics/ValueGestures.h"

#include "framework/IParam.h"
#include "graphics/IControl.h"
#include "graphics/ParamNormalize.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

constexpr double kWheelIncrement = 0.01;
constexpr double kFineWheelIncrement = 0.001;

// Entry 0's parameter when it is stepped with a positive step: only then do drags and wheel notches go by steps.
const IParam* PositiveStepParam(const IControl& control) {
  const IParam* param = control.GetParam(0);
  return param && param->GetStepped() && param->GetStep() > 0.0 ? param : nullptr;
}

}  // namespace

bool IsBoundToSteppedParam(const IControl& control) {
  const IParam* param = control.GetParam(0);
  return param && param->GetStepped();
}

double SnapToParamStep(const IControl& control, double normalized) {
  const IParam* stepped = PositiveStepParam(control);
  if (!stepped) return normalized;
  const IParam& param = *stepped;
  double snapped = normalized;
  ParamValueToNormalized(param, ParamValueFromNormalized(param, normalized), snapped);
  return snapped;
}

bool AddRelativeDrag(double& dragValue, const IRECT& bounds, EDirection direction, float dX, float dY, double gearing,
                     const IMouseMod& mod) {
  const double g = mod.FineAdjust() ? gearing * kFineAdjustFactor : gearing;
  const double range = direction == kHorizontal ? bounds.R - bounds.L : bounds.T - bounds.B;
  // A negative gearing drags the other way; a zero (or NaN) one would divide by zero.
  if (range == 0.0 || g == 0.0 || std::isnan(g)) return false;
  const double delta = direction == kHorizontal ? dX : dY;
  dragValue = std::clamp(dragValue + delta / range / g, 0.0, 1.0);
  return true;
}

double WheelValue(const IControl& control, const IMouseMod& mod, float d) {
  const double current = control.GetValue(0);
  const IParam* stepped = PositiveStepParam(control);
  if (!stepped) return current + (mod.FineAdjust() ? kFineWheelIncrement : kWheelIncrement) * d;
  if (d == 0.f) return current;
  const IParam& param = *stepped;
  const double value = ParamValueFromNormalized(param, current) + (d > 0.f ? param.GetStep() : -param.GetStep());
  double normalized = current;
  ParamValueToNormalized(param, value, normalized);
  return normalized;
}

}  // namespace fx::gfx
