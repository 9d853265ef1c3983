// Chain step that doubles the sample rate with a short half-band filter: every input sample passes
// unchanged to an even output, and each odd output is interpolated from the n nearest input samples on
// either side. Input waits in a ring buffer whose tail mirrors its head, so no sum ever wraps.
#pragma once

#include "plugin/resampler/CDSPProcessor.h"
#include "plugin/resampler/HalfBandFilters.h"

namespace rsmp {

class CDSPHBUpsampler : public CDSPProcessor {
 public:
  static constexpr int kBufLen = 512;

  // Any thread, no allocation beyond the object. The filter is the standard or third family's choice
  // for `steepIndex` and `reqAtten`. `prevLatency` is the previous step's latency fraction: outside [0, 1)
  // (NaN included) it is refused with std::invalid_argument.
  CDSPHBUpsampler(double reqAtten, int steepIndex, bool isThird, bool doConsumeLatency, double prevLatency);

  int GetInputLengthForOutput(int outPos) const override;
  int GetLatency() const override;
  double GetLatencyFraction() const override;
  // 0 for a length Process refuses.
  int GetMaxOutputLength(int maxInLen) const override;
  void Clear() override;
  // Refuses (-> 0, nothing touched) a negative length or one whose doubled count passes int.
  int Process(double* in, int length, double*& out) override;

  // Any thread: the chosen filter's tap count and attenuation.
  int GetTapCount() const noexcept { return fl2; }
  double GetFilterAtten() const noexcept { return FilterAtten; }

  // Writes, for each of `count` read positions from `r`, the pair (r[i], sum_k h[k] (r[i-k] + r[i+1+k])).
  using ConvolveFn = double* (*)(double* op, const double* r, const double* h, int count);

 private:
  static bool IsLengthAccepted(int length) noexcept;
  double* ConvolveAvailable(double* op) noexcept;

  alignas(64) double Buf[kBufLen + 2 * kMaxHalfBandTaps - 1];
  alignas(16) double Filter[kMaxHalfBandTaps];
  // Buf + fll: the first input sample an output pair can be centred on; and the aligned filter.
  const double* ReadBuf;
  const double* AlignedFilter;
  int fll;
  int fl2;
  int flo;
  int flb;
  double LatencyFrac;
  int Latency;
  int LatencyLeft = 0;
  int BufLeft = 0;
  int WritePos = 0;
  int ReadPos = 0;
  bool DoConsumeLatency;
  ConvolveFn Convolve;
  double FilterAtten;
};

}  // namespace rsmp
