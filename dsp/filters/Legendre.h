// Legendre (optimum-L) filter designs: monotonic magnitude with the steepest roll-off at the cutoff,
// -3.01 dB at the cutoff.
#pragma once

#include "dsp/filters/AnalogLegendre.h"
#include "dsp/filters/Design.h"

namespace Dsp::Legendre {

template <int MaxOrder>
using LowPass = LowPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using HighPass = HighPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using BandPass = BandPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using BandStop = BandStopDesign<AnalogLowPass, MaxOrder>;

}  // namespace Dsp::Legendre
