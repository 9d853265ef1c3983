// Chain step that halves the sample rate with a short half-band filter: each output is an even input
// sample plus the filtered odd samples around it, so the output carries a DC gain of 2 (the chain's
// following low-pass filter takes it back). Even and odd samples wait in two ring buffers whose tails
// mirror their heads, so no sum ever wraps. It always consumes its own latency.
#pragma once

#include "plugin/resampler/CDSPProcessor.h"
#include "plugin/resampler/HalfBandFilters.h"

namespace rsmp {

class CDSPHBDownsampler : public CDSPProcessor {
 public:
  static constexpr int kBufLen = 1024;

  // Any thread, no allocation beyond the object. `prevLatency` is the previous step's latency
  // fraction: outside [0, 1) (NaN included) it is refused with std::invalid_argument.
  CDSPHBDownsampler(double reqAtten, int steepIndex, bool isThird, double prevLatency);

  int GetInputLengthForOutput(int outPos) const override;
  int GetLatency() const override;
  double GetLatencyFraction() const override;
  // 0 for a negative length.
  int GetMaxOutputLength(int maxInLen) const override;
  void Clear() override;
  int Process(double* in, int length, double*& out) override;

  // Any thread: the chosen filter's tap count and attenuation.
  int GetTapCount() const noexcept { return fl2; }
  double GetFilterAtten() const noexcept { return FilterAtten; }

  // Writes, for each of `count` read positions, r1[i] + sum_k h[k] (r2[i-k] + r2[i+1+k]).
  using ConvolveFn = double* (*)(double* op, const double* r1, const double* r2, const double* h, int count);

 private:
  static constexpr int kBufStride = kBufLen + 2 * kMaxHalfBandTaps - 1;

  void StorePending(double sample) noexcept;
  int StorePairs(const double* in, int length) noexcept;
  double* ConvolveAvailable(double* op) noexcept;

  alignas(64) double Buf1[kBufStride];
  alignas(64) double Buf2[kBufStride];
  alignas(16) double Filter[kMaxHalfBandTaps];
  // Buf1 + n and Buf2 + n - 1: where the sums of the first output read; and the aligned filter.
  const double* ReadBuf1;
  const double* ReadBuf2;
  const double* AlignedFilter;
  double LatencyFrac;
  int Latency;
  int fl2;
  int fll;
  int flo;
  int flb;
  int LatencyLeft = 0;
  int BufLeft = 0;
  int WritePos1 = 0;
  int WritePos2 = 0;
  int ReadPos = 0;
  ConvolveFn Convolve;
  double FilterAtten;
};

}  // namespace rsmp
