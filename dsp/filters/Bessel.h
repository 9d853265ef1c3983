// Bessel filter designs (maximally flat group delay; the cutoff sets the delay normalisation, not a
// -3 dB point). Bessel offers the low shelf as its only shelf.
#pragma once

#include "dsp/filters/AnalogBessel.h"
#include "dsp/filters/Design.h"

namespace Dsp::Bessel {

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

}  // namespace Dsp::Bessel
