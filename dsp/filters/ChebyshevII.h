// Chebyshev type II filter designs (family argument: stop-band attenuation in dB); the cutoff is where
// the stop band begins.
#pragma once

#include "dsp/filters/AnalogChebyshev.h"
#include "dsp/filters/Design.h"

namespace Dsp::ChebyshevII {

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

}  // namespace Dsp::ChebyshevII
