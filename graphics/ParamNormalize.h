// The one conversion from a parameter value (typed text, a menu index, a default) to the normalized value
// a control stores: snapped to the step when the parameter is stepped, clamped to its range, mapped by
// its shape and clamped to 0..1.
#pragma once

namespace fx {
class IParam;
}

namespace fx::gfx {

// Answers false and leaves `normalized` alone when the result would not be a number (a NaN value or a
// shape that cannot map it), so no NaN ever reaches a control or the host. Any thread; never blocks.
bool ParamValueToNormalized(const IParam& param, double value, double& normalized);

// The parameter value of a normalized value, snapped to the step (when stepped and the step is positive)
// and clamped to the range. Any thread; never blocks.
double ParamValueFromNormalized(const IParam& param, double normalized);

}  // namespace fx::gfx
