#include "plugin/SmoothingFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kd {

namespace {
constexpr double kFallbackSampleRate = 44100.0;
constexpr double kFallbackPeriod = 0.001;
}  // namespace

SmoothingFilter::Coefficients SmoothingFilter::Design(double cornerHz, double sampleRate) {
  const double rate = (std::isfinite(sampleRate) && sampleRate > 0.0) ? sampleRate : kFallbackSampleRate;
  double period = (1.0 / cornerHz) * 1000.0 / 1000.0;
  // A corner of 0 Hz (an endless period) would give an infinite pole term and NaN coefficients.
  if (!(period > 0.0) || !std::isfinite(period)) period = kFallbackPeriod;
  const double fc = 1.0 / std::max(2.0 / rate, period);
  // Bilinear transform at twice the sample rate: K = tan(pi fc / (2 rate)).
  const double k = std::tan(2.0 * std::numbers::pi * fc * (0.5 / rate) * 0.5);
  const double c = 1.0 / k;
  Coefficients out;
  out.b0 = 1.0 / (c + 1.0);
  out.b1 = out.b0;
  out.b2 = 0.0;
  out.a1 = (1.0 - c) / (1.0 + c);
  out.a2 = 0.0;
  return out;
}

void SmoothingFilter::Clear() {
  *this = SmoothingFilter();
}

void SmoothingFilter::SetCoefficients(const Coefficients& c) {
  mC = c;
  mMode = kModeHeldTwice;
}

}  // namespace kd
