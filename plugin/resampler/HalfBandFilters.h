// Fixed half-band filter tables of the resampler's doubling and halving steps, and the choice of a
// filter by steepness index and requested attenuation. Each filter stores only the odd half of a
// half-band kernel: the centre tap is 0.5 and every other even tap is 0, so an interpolated sample
// is sum_k h[k] (x[-k] + x[1 + k]). Designed by tools/halfband_design (Remez exchange; see there for
// the stop bands).
#pragma once

namespace rsmp {

struct CHalfBandFilter {
  const double* Coeffs;  // h[0 .. TapCount - 1]
  int TapCount;          // 1 .. kMaxHalfBandTaps
  double Atten;          // attenuation the filter reaches over its stop band, dB
};

// One steepness row: filters ordered by length, shortest first.
struct CHalfBandRow {
  const CHalfBandFilter* Filters;
  int Count;
};

constexpr int kHalfBandRowCount = 7;
constexpr int kMaxHalfBandTaps = 14;

// Rows 0 .. 6; the standard family follows a doubling, the third family a tripling of the rate.
extern const CHalfBandRow kStandardRows[kHalfBandRowCount];
extern const CHalfBandRow kThirdRows[kHalfBandRowCount];

// Any thread, never blocks. In the row of `steepIndex` (clamped to 0 .. 6): the shortest filter whose
// attenuation reaches `reqAtten` (equality counts), else the row's longest.
const CHalfBandFilter& GetHalfBandFilter(int steepIndex, double reqAtten) noexcept;
const CHalfBandFilter& GetHalfBandFilterThird(int steepIndex, double reqAtten) noexcept;

// Any thread, never blocks: the choice above from the third family when `isThird`, else the standard
// one, with its coefficients copied into `coeffs` (kMaxHalfBandTaps doubles; zeros after the taps).
const CHalfBandFilter& CopyHalfBandFilter(bool isThird, int steepIndex, double reqAtten, double* coeffs) noexcept;

}  // namespace rsmp
