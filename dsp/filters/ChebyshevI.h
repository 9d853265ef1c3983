// Chebyshev type I filter designs (family argument: pass-band ripple in dB); the cutoff is where the
// ripple band ends.
#pragma once

#include "dsp/filters/AnalogChebyshev.h"
#include "dsp/filters/Design.h"

namespace Dsp::ChebyshevI {

template <int MaxOrder>
using LowPass = LowPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using HighPass = HighPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using BandPass = BandPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using BandStop = BandStopDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using LowShelf = LowShelfDesign<AnalogLowShelf, MaxOrder>;
template <int MaxOrder>
using HighShelf = HighShelfDesign<AnalogLowShelf, MaxOrder>;
template <int MaxOrder>
using BandShelf = BandShelfDesign<AnalogLowShelf, MaxOrder>;

}  // namespace Dsp::ChebyshevI
