#include "plugin/resampler/CDSPWindowedSinc.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace rsmp {

namespace {

// |t + d| below this counts as the sinc's centre.
constexpr double kCentreTolerance = 2.3e-13;

}  // namespace

double BesselI0(double x) noexcept {
  const double ax = std::fabs(x);
  if (ax < 3.75) {
    const double t = (x / 3.75) * (x / 3.75);
    return 1.0 +
           t * (3.5156229 + t * (3.0899424 + t * (1.2067492 + t * (0.2659732 + t * (0.0360768 + t * 0.0045813)))));
  }
  const double t = 3.75 / ax;
  const double poly =
      0.39894228 +
      t * (0.01328592 +
           t * (0.00225319 +
                t * (-0.00157565 +
                     t * (0.00916281 + t * (-0.02057706 + t * (0.02635537 + t * (-0.01647633 + t * 0.00392377)))))));
  return poly * std::exp(ax) / std::sqrt(ax);
}

double CDSPWindowedSinc::KaiserPower(double x, double beta, double normaliser, double power) noexcept {
  const double inside = 1.0 - x * x;
  const double window = inside <= 0.0 ? 0.0 : BesselI0(beta * std::sqrt(inside)) * normaliser;
  return std::exp(power * std::log(std::fabs(window) + 1e-300));
}

void CDSPWindowedSinc::GenerateLowPass(double* h, int fl2, double len2, double w, double power) noexcept {
  h[fl2] = w / std::numbers::pi * KaiserPower(0.0, kLowPassBeta, kLowPassNormaliser, power);
  // sin(k w) / pi by the recurrence s(k+1) = 2 cos(w) s(k) - s(k-1).
  const double twoCos = 2.0 * std::cos(w);
  double previous = 0.0;
  double current = std::sin(w) / std::numbers::pi;
  for (int k = 1; k <= fl2; k++) {
    const double tap = current / k * KaiserPower(k / len2, kLowPassBeta, kLowPassNormaliser, power);
    h[fl2 + k] = tap;
    h[fl2 - k] = tap;
    const double next = twoCos * current - previous;
    previous = current;
    current = next;
  }
}

void CDSPWindowedSinc::GenerateFractional(double* out, int stride, double d, double len2, double beta,
                                          double power) noexcept {
  const int fl2 = static_cast<int>(std::ceil(len2));
  const double clampedBeta = std::clamp(beta, 1.0, 350.0);
  const double normaliser = 1.0 / BesselI0(clampedBeta);
  const double s = std::sin(std::numbers::pi * d) / std::numbers::pi;
  double x = (-fl2 + d) / len2;
  for (int t = -fl2; t < fl2; t++, x += 1.0 / len2, out += stride) {
    const double position = t + d;
    if (position < -len2 || position > len2) {
      *out = 0.0;
      continue;
    }
    const double window = KaiserPower(x, clampedBeta, normaliser, std::fabs(power));
    const bool isCentre =
        (t == 0 && std::fabs(d) < kCentreTolerance) || (t == -1 && std::fabs(d - 1.0) < kCentreTolerance);
    if (isCentre)
      *out = window;
    else
      *out = window * ((t % 2 == 0) ? s : -s) / position;
  }
}

}  // namespace rsmp
