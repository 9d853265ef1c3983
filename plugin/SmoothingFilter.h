// The smoothing filter of one gain ("MD filter freq", against modulation distortion): a first-order
// low-pass in biquad form, designed by the bilinear transform at twice the sample rate and run twice per
// sample with the input held. Every input and output gets 1e-24 added so the state never turns denormal.
// Audio thread only (and the DSP set-up under the DSP mutex); never allocates.
#pragma once

namespace kd {

class SmoothingFilter {
 public:
  // One step per sample; two steps per sample with the input held (the oversampled design); or two steps
  // with a second input of 1e-24 (a zero, stuffed) and the first output doubled as the result.
  enum EMode { kModeSingle = 0, kModeZeroStuffed = 12, kModeHeldTwice = 15 };

  struct Coefficients {
    double a1 = 0.0;
    double a2 = 0.0;
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
  };

  // The low-pass for a corner of cornerHz (a period of 1/cornerHz seconds, 0.001 s for a corner that is
  // not a positive finite number) at sampleRate, the corner kept at or below half the sample rate. A sample
  // rate that is not a positive number is taken as 44100 Hz so no coefficient is ever NaN.
  static Coefficients Design(double cornerHz, double sampleRate);

  // State, coefficients and mode all cleared (mode single).
  void Clear();
  // New coefficients in the held-twice mode; the state is kept.
  void SetCoefficients(const Coefficients& c);
  // The state of a filter that has long been given value: its next results are value, to within the guards.
  void Settle(double value) {
    mX0 = mX1 = mX2 = value + kDenormalGuard;
    mY0 = mY1 = mY2 = value;
  }
  // Another way of running the same design; the state is kept.
  void SetMode(EMode mode) { mMode = mode; }
  // Inline: the audio thread runs up to six of these per sample frame.
  double Tick(double x) {
    x += kDenormalGuard;
    const double x1 = mX1;
    const double y1 = mY1;
    const double y = mC.b0 * x + mC.b1 * x1 + mC.b2 * mX2 - mC.a1 * y1 - mC.a2 * mY2 + kDenormalGuard;
    mX0 = x;
    if (mMode == kModeHeldTwice) {
      const double second = mC.b0 * x + mC.b1 * x + mC.b2 * x1 - mC.a1 * y - mC.a2 * y1 + kDenormalGuard;
      mX2 = x;
      mX1 = x;
      mY2 = y;
      mY1 = second;
      mY0 = second;
      return second;
    }
    if (mMode == kModeZeroStuffed) {
      const double stuffed = kDenormalGuard;
      const double second = mC.b0 * stuffed + mC.b1 * x + mC.b2 * x1 - mC.a1 * y - mC.a2 * y1 + kDenormalGuard;
      mX2 = x;
      mX1 = stuffed;
      mY2 = y;
      mY1 = second;
      mY0 = 2.0 * y;
      return mY0;
    }
    mX2 = x1;
    mX1 = x;
    mY2 = y1;
    mY1 = y;
    mY0 = y;
    return y;
  }

  // True for the designs of Design (b2 = a2 = 0, two steps per sample): TickFirstOrder then gives exactly
  // what Tick gives.
  bool IsFirstOrderHeldTwice() const { return mMode == kModeHeldTwice && mC.b2 == 0.0 && mC.a2 == 0.0; }
  // Tick without the terms of b2 and a2. Those add a signed zero, which changes no finite sum: the
  // recurrence keeps the same roundings with three operations on each step's loop-carried path instead of
  // four. Only while IsFirstOrderHeldTwice, on finite state.
  double TickFirstOrder(double x) {
    x += kDenormalGuard;
    const double y = mC.b0 * x + mC.b1 * mX1 - mC.a1 * mY1 + kDenormalGuard;
    const double second = mC.b0 * x + mC.b1 * x - mC.a1 * y + kDenormalGuard;
    mX0 = x;
    mX2 = x;
    mX1 = x;
    mY2 = y;
    mY1 = second;
    mY0 = second;
    return second;
  }

  const Coefficients& GetCoefficients() const { return mC; }
  EMode GetMode() const { return mMode; }
  // The last input (with its guard) and the last result.
  double LastInput() const { return mX0; }
  double LastOutput() const { return mY0; }

 private:
  static constexpr double kDenormalGuard = 1e-24;

  double mX1 = 0.0;
  double mX2 = 0.0;
  double mX0 = 0.0;
  double mY1 = 0.0;
  double mY2 = 0.0;
  double mY0 = 0.0;
  Coefficients mC;
  EMode mMode = kModeSingle;
};

}  // namespace kd
