// Butterworth filter designs: maximally flat pass band, -3.01 dB at the cutoff.
#pragma once

#include "dsp/filters/AnalogButterworth.h"
#include "dsp/filters/Design.h"

namespace Dsp::Butterworth {

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
template <int MaxOrder>
using GeometricBandPass = GeometricBandPassDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using GeometricBandStop = GeometricBandStopDesign<AnalogLowPass, MaxOrder>;
template <int MaxOrder>
using GeometricBandShelf = GeometricBandShelfDesign<AnalogLowShelf, MaxOrder>;

}  // namespace Dsp::Butterworth
