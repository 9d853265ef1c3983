#include "plugin/FaderLaw.h"

#include <algorithm>
#include <cmath>

namespace kd {

namespace {
constexpr double kSilentDB = -384.0;
}

double FaderPositionToDB(double position, double minGain, double maxGain) {
  return position < 0.5 ? (1.0 - 2.0 * position) * minGain : (2.0 * position - 1.0) * maxGain;
}

double DBToGain(double dB) {
  return std::exp(dB * kNeperPerDB);
}

double RoundToHundredths(double dB) {
  return std::floor(dB * 100.0 + 0.5) / 100.0;
}

double GainToViewPosition(double gain, double minGain, double maxGain) {
  double dB = gain > 0.0 ? std::log(std::fabs(gain)) * kDBPerNeper : kSilentDB;
  dB = std::clamp(dB, minGain, maxGain);
  return dB < 0.0 ? (1.0 - dB / minGain) * 0.5 : (dB / maxGain + 1.0) * 0.5;
}

// The law is monotone in the position whatever the rules, so halving the interval between a position known to play
// no further than gain and one known to play past it finds the boundary to the last bit.
double PositionTowardGain(double gain, double position, const FaderRules& rules) {
  const double own = FaderGain::Compute(position, rules);
  if (std::isnan(gain) || gain == own || !(position >= 0.0 && position <= 1.0)) return position;
  const bool up = gain > own;
  const double end = up ? 1.0 : 0.0;
  // Toward a louder gain: the last position not louder than it; toward a quieter one: the first not quieter.
  const auto within = [&](double p) {
    const double g = FaderGain::Compute(p, rules);
    return up ? g <= gain : g >= gain;
  };
  if (within(end)) return end;
  double in = position;
  double out = end;
  for (int i = 0; i < 64; ++i) {
    const double mid = in + (out - in) * 0.5;
    if (mid == in || mid == out) break;
    (within(mid) ? in : out) = mid;
  }
  return in;
}

double FaderGain::Compute(double position, const FaderRules& rules) {
  const double dB = FaderPositionToDB(position, rules.minGain, rules.maxGain);
  double gain = DBToGain(dB);
  if (rules.treatMinAsInf && !(RoundToHundredths(dB) > rules.minRounded)) gain = 0.0;
  if (rules.lock) gain = std::min(gain, 1.0);
  return gain;
}

}  // namespace kd
