// The value arithmetic that knobs and sliders share: relative drags with gearing and fine adjustment,
// snapping to a stepped parameter, and wheel steps. Pure functions of a control's entry 0.
// Main thread only.
#pragma once

#include "graphics/IGraphicsTypes.h"
#include "graphics/IRECT.h"

namespace fx::gfx {

class IControl;

// Gearing is multiplied by this while control or shift is held.
inline constexpr double kFineAdjustFactor = 10.0;

// Whether entry 0 is bound to a stepped parameter, whatever its step.
bool IsBoundToSteppedParam(const IControl& control);

// A normalized value moved onto the nearest step of entry 0's stepped parameter with a positive step (unchanged
// otherwise).
double SnapToParamStep(const IControl& control, double normalized);

// Adds a drag of (dX, dY) to dragValue: a drag across the whole of `bounds` (upwards, for a vertical
// drag) changes it by 1 / gearing (a negative gearing drags in reverse), ten times less with fine adjustment; the
// result stays in 0..1. Answers false, leaving dragValue alone, when bounds has no extent in the direction or
// gearing is 0 or NaN.
bool AddRelativeDrag(double& dragValue, const IRECT& bounds, EDirection direction, float dX, float dY, double gearing,
                     const IMouseMod& mod);

// The value after a wheel movement of d notches: one parameter step per notch for stepped parameters with a positive
// step,
// otherwise 0.01 (0.001 with fine adjustment) per notch, unclamped.
double WheelValue(const IControl& control, const IMouseMod& mod, float d);

}  // namespace fx::gfx
