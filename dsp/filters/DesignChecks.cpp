#include "dsp/filters/DesignChecks.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace Dsp {

void checkOrder(int order, int maxOrder) {
  if (order < 1 || order > maxOrder)
    throw std::logic_error("filter order " + std::to_string(order) + " outside 1.." + std::to_string(maxOrder));
}

void checkPositive(double value, const char* what) {
  if (!(value > 0.0) || !std::isfinite(value))
    throw std::logic_error(std::string(what) + " must be positive and finite");
}

void checkFinite(double value, const char* what) {
  if (!std::isfinite(value)) throw std::logic_error(std::string(what) + " must be finite");
}

void checkShelfGain(double gainDb) {
  if (!(std::abs(gainDb) <= kMaxShelfGainDb))
    throw std::logic_error("shelf gain must be finite and within +-" +
                           std::to_string(static_cast<int>(kMaxShelfGainDb)) + " dB");
}

void checkNormalisedFrequency(double fc) {
  if (!(fc > 0.0 && fc < 0.5)) throw std::logic_error("frequency must lie between 0 and the Nyquist frequency");
}

void checkFrequency(double sampleRate, double frequency) {
  checkPositive(sampleRate, "sample rate");
  checkNormalisedFrequency(frequency / sampleRate);
}

}  // namespace Dsp
