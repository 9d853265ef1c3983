// Elliptic filter designs (family arguments: pass-band ripple in dB and rolloff, which sets the
// transition width); the cutoff is where the ripple band ends.
#pragma once

#include "dsp/filters/AnalogElliptic.h"
#include "dsp/filters/Design.h"

namespace Dsp::Elliptic {

template <int MaxOrder>
using LowPass = LowPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using HighPass = HighPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using BandPass = BandPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using BandStop = BandStopDesign<AnalogLowPass, MaxOrder>;

}  // namespace Dsp::Elliptic
