// Chain step that converts between two rates whose ratio is not a small whole number. For every output
// it finds the input position and convolves with a fractional-delay filter from a shared bank. When
// both rates are multiples of a common step with at most 1500 output phases it steps through the
// phases exactly in integers with one bank filter per phase; otherwise it tracks a double position and
// evaluates each tap as a quadratic in the fraction. Latency is dropped on the input side.
#pragma once

#include "plugin/resampler/CDSPFracFilterBank.h"
#include "plugin/resampler/CDSPProcessor.h"

namespace rsmp {

class CDSPFracInterpolator : public CDSPProcessor {
 public:
  static constexpr int kBufLen = 256;
  // Exact stepping is used up to this many output phases (exclusive).
  static constexpr int kMaxWholePhases = 1501;
  // Longest bank filter: 8 + 2 x 11 taps.
  static constexpr int kMaxFilterLen = 30;

  // Any thread; takes the filter-bank lock to get the shared bank (may block, may build it). Rates must
  // be positive and finite. `prevLatency` is the previous step's latency in its output samples: outside
  // [0, INT_MAX) (NaN included) it is refused with std::invalid_argument.
  CDSPFracInterpolator(bool isThird, double srcSampleRate, double dstSampleRate, double reqAtten, double prevLatency);
  // Owner's thread; takes the filter-bank lock to return the bank.
  ~CDSPFracInterpolator() override;

  int GetInputLengthForOutput(int outPos) const override;
  int GetLatency() const override;
  double GetLatencyFraction() const override;
  // 0 for a length Process refuses.
  int GetMaxOutputLength(int maxInLen) const override;
  void Clear() override;
  // Refuses (-> 0, nothing touched) a negative length or one whose output count could pass int.
  int Process(double* in, int length, double*& out) override;

  // Any thread: figures of the construction.
  bool IsExact() const noexcept { return IsWhole; }
  int GetSrcSRDiv() const noexcept { return SrcSRDiv; }
  int GetDstSRDiv() const noexcept { return DstSRDiv; }
  const CDSPFracFilterBank& GetFilterBank() const noexcept { return Bank; }

  // Exact stepping: sum of fl taps of `row` over `x`.
  using DotFn = double (*)(const double* x, const double* row);
  // Any thread: the dot product for filters of 2 x halfLength taps (halfLength 3 .. 15), the AVX2 form
  // when `avx2` is set and the processor has AVX2, else the plain SSE2 one; both give the same bits.
  static DotFn GetExactDot(int halfLength, bool avx2) noexcept;

  // Subtractive search for a step both rates are multiples of; 0 when none turns up in 148 subtractions.
  static double FindCommonStep(double src, double dst) noexcept;

 private:
  struct CPhasePlan {
    bool IsWhole = false;
    int SrcDiv = 0;
    int DstDiv = 0;
  };

  static CPhasePlan PlanPhases(double src, double dst) noexcept;
  static double CheckedPrevLatency(double prevLatency);
  // The bound on the outputs of `length` inputs: ceil(length x D / S) + 1; below 0 when it does not count in int.
  int OutputBound(int length) const noexcept;
  CDSPFracInterpolator(const CPhasePlan& plan, bool isThird, double srcSampleRate, double dstSampleRate,
                       double reqAtten, double prevLatency);
  double* ConvolveExact(double* op) noexcept;
  double* ConvolveGeneral(double* op) noexcept;
  double GeneralSum(const double* x, const double* row, double f) const noexcept;

  alignas(64) double Buf[kBufLen + kMaxFilterLen - 1];
  double SrcSampleRate;
  double DstSampleRate;
  double InitFracPos;
  int InitFracPosW = 0;
  int InitLatency;
  double LatencyFrac = 0.0;
  int fl;
  int fll;
  int fl2;
  int flo;
  int flb;
  int SrcSRDiv;
  int DstSRDiv;
  int LatencyLeft = 0;
  int BufLeft = 0;
  int WritePos = 0;
  int ReadPos = 0;
  int InPosFracW = 0;
  double InPosFrac = 0.0;
  int OutCount = 0;
  int InPosInt = 0;
  double InPosShift = 0.0;
  CDSPFracFilterBank& Bank;
  bool IsWhole;
  DotFn Dot = nullptr;
  // Exact stepping: SrcSRDiv = WholeStep x DstSRDiv + StepRemainder.
  int WholeStep = 0;
  int StepRemainder = 0;
};

}  // namespace rsmp
