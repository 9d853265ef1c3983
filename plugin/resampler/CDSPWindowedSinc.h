// Windowed-sinc generator of the family: the Kaiser window raised to a power, the low-pass kernel the
// filter design builds on, and the fractional-delay taps of the interpolator's filter banks. Any thread.
#pragma once

namespace rsmp {

// Modified Bessel function of the first kind, order 0, by the polynomial approximations of
// Abramowitz and Stegun 9.8.1 (|x| < 3.75) and 9.8.2 (|x| >= 3.75); relative error below 2e-7.
double BesselI0(double x) noexcept;

class CDSPWindowedSinc {
 public:
  // Window used by the low-pass design: beta 125 with its stored normaliser 1 / I0(125).
  static constexpr double kLowPassBeta = 125.0;
  static constexpr double kLowPassNormaliser = 1.4464347789334407e-53;

  // Kaiser window at x (|x| <= 1 inside): I0(beta sqrt(1 - x^2)) x normaliser, 0 outside; raised to
  // `power` as exp(power ln(|W| + 1e-300)) so that a zero window stays finite.
  static double KaiserPower(double x, double beta, double normaliser, double power) noexcept;

  // Low-pass kernel of 2 fl2 + 1 taps into h: band edge w (radians per sample), window half-length
  // len2 (taps), window power. Tap fl2 +- k = sin(k w) / (pi k) x W(k / len2)^power; centre w / pi.
  static void GenerateLowPass(double* h, int fl2, double len2, double w, double power) noexcept;

  // Fractional form, the filter banks' rows: fl2 = ceil(len2), taps t = -fl2 .. fl2 - 1 with delay d,
  // written to out[0], out[stride], ... (2 fl2 taps). Window: Kaiser `beta` (limited to 1 .. 350) with
  // normaliser 1 / I0(beta), raised to `power`.
  static void GenerateFractional(double* out, int stride, double d, double len2, double beta, double power) noexcept;
};

}  // namespace rsmp
