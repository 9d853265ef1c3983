// Chain step that low-pass filters a stream with a long FIR filter by FFT overlap-save convolution,
// optionally raising the rate by a whole up-factor (zero stuffing before the filter) and lowering it by
// a whole down-factor (every M-th filtered sample). Power-of-two factors fold into the FFTs: up by 2^u
// repeats the spectrum of a shorter forward transform, down by 2^d uses a shorter inverse transform.
// Outputs for the samples of one block come out while the next block fills.
#pragma once

#include "plugin/resampler/CDSPFFTObject.h"
#include "plugin/resampler/CDSPKernelFilter.h"
#include "plugin/resampler/CDSPProcessor.h"

namespace rsmp {

class CDSPBlockConvolver : public CDSPProcessor {
 public:
  // Any thread; takes FFT objects from the filter's cache's pool and allocates the work block. Takes
  // over one reference to `filter` once constructed (returned on destruction); when construction throws,
  // the reference stays with the caller, as it does when `new` itself fails before any constructor runs.
  // Factors must be at least 1, small enough that a block's positions plus both factors count in int, and
  // leave the filter's block room for new input; a power-of-two down-factor with a power-of-two up-factor
  // above 1 must be no larger than it, with the latency before the filter's centre a whole number of it; `prevLatency`,
  // the latency fraction of the step before in its output samples, must be in [0, 1). Throws std::invalid_argument
  // otherwise, std::bad_alloc when the heap fails. Any up-factor works with any block length: a stuffed sample's zeros
  // run on into the next block.
  CDSPBlockConvolver(CDSPKernelFilter& filter, int upFactor, int downFactor, bool doConsumeLatency, double prevLatency);
  // Owner's thread: returns the filter (taking the filter-cache lock), frees the work block, then returns
  // the FFT objects (taking the FFT-object lock).
  ~CDSPBlockConvolver() override;

  int GetInputLengthForOutput(int outPos) const override;
  int GetLatency() const override;
  double GetLatencyFraction() const override;
  // 0 for a length Process refuses.
  int GetMaxOutputLength(int maxInLen) const override;
  void Clear() override;
  // A length below 0, or whose up-sampled count plus the down-factor passes int, is refused: nothing is
  // consumed and the result is 0.
  int Process(double* in, int length, double*& out) override;

  // Figures of the construction, any thread.
  const CDSPKernelFilter& GetFilter() const noexcept { return Filter; }
  int GetUpFactor() const noexcept { return UpFactor; }
  int GetDownFactor() const noexcept { return DownFactor; }
  int GetBlockLen2() const noexcept { return BlockLen2; }
  int GetPrevInputLen() const noexcept { return PrevInputLen; }
  int GetInputLen() const noexcept { return InputLen; }
  int GetUpShift() const noexcept { return UpShift; }
  int GetDownShift() const noexcept { return DownShift; }
  int GetInputDelay() const noexcept { return InputDelay; }
  // Latency of the whole step in up-sampled samples (dropped from the output when consuming).
  int GetBlockLatency() const noexcept { return Latency; }
  int GetForwardOrder() const noexcept { return FFTForward->GetOrder(); }
  int GetInverseOrder() const noexcept { return FFTOutput->GetOrder(); }
  bool HasSeparateInverseFFT() const noexcept { return FFTInverse != nullptr; }

 private:
  bool IsLengthAccepted(int length) const noexcept;
  const double* StoreInput(const double* ip, int pos, int count) noexcept;
  void FilterBlock() noexcept;
  void ExtendUpShiftedSpectrum(double* a) const noexcept;
  void MultiplyEnds(double* a) const noexcept;
  void MultiplyBySpectrum(double* a) const noexcept;
  double* EmitOutput(double* op, int pos, int count) noexcept;
  double* EmitFromBlock(double* op, int pos, int count) noexcept;

  CDSPKernelFilter& Filter;
  CDSPFFTObject* FFTForward = nullptr;
  CDSPFFTObject* FFTInverse = nullptr;
  CDSPFFTObject* FFTOutput = nullptr;
  int UpFactor;
  int DownFactor;
  int BlockLen2;
  int OutOffset;
  int PrevInputLen = 0;
  int InputLen = 0;
  double LatencyFrac = 0.0;
  int Latency = 0;
  int UpShift = -1;
  int DownShift = -1;
  int InputDelay = 0;
  double* PrevInput = nullptr;
  double* CurInput = nullptr;
  double* CurOutput = nullptr;
  int InDataLeft = 0;
  int LatencyLeft = 0;
  int UpSkip = 0;
  int DownSkip = 0;
  int DownSkipInit = 0;
  CAlignedBuffer<double> WorkBlock;
  bool DoConsumeLatency;
  // Up by 2 into a full-length zero-phase inverse: the inverse transform reads the spectrum's mirrored
  // upper half from the lower one, which is then never written.
  bool IsInverseMirrored = false;
};

}  // namespace rsmp
