// Sample-rate converter for streams of double samples: a chain of processing steps built from the two
// rates at construction (a block convolver first, then half-band doublers or halvers and/or a
// fractional interpolator), through which Process pushes each block. All design work (filters, FFT
// tables, filter banks, buffers) happens in the constructor; Process only computes.
//
// Chain choice, S = source rate, D = destination rate:
//   S == D: no step.
//   D = S/2, S/3, 2S/3, 3S/2, 3S/4: one block convolver (L, M).
//   D = 2^k S or 3 x 2^k S: a block convolver up by 2 or 3, then half-band upsamplers.
//   D <= S/2 otherwise: half-band downsamplers down to a ratio between 2 and 4, a block convolver, and
//     an interpolator when that ratio is not 2 or 3.
//   Otherwise: a block convolver up by 2, a fractional interpolator, and for large up ratios a further
//     block convolver and half-band upsamplers.
#pragma once

#include "plugin/resampler/CDSPProcessor.h"

namespace rsmp {

class CDSPResampler : public CDSPProcessor {
 public:
  // Any thread; takes the family's cache locks briefly and allocates. `reqTransBand` is the transition
  // band in percent, `reqAtten` the stop-band attenuation in dB, `reqPhase` 0 for linear phase and any
  // other value for minimum phase; `maxInLen` is the most samples one Process call may pass. Throws
  // std::invalid_argument for rates that are not positive and at most 2^-34 of the largest double (the chain
  // multiplies rates by factors and sample counts), a `maxInLen` below 1, unequal rates
  // whose steps could write more than kMaxOutputLength samples, or filter requests the design refuses;
  // std::bad_alloc when the heap fails. A throwing constructor returns everything it took. Equal rates
  // take any `maxInLen`: they build no step and no buffer.
  CDSPResampler(double srcSampleRate, double dstSampleRate, int maxInLen, double reqTransBand, double reqAtten,
                int reqPhase);
  // Owner's thread; takes the cache locks to return shared filters, FFT objects and banks.
  ~CDSPResampler() override;

  // Longest block one step may write in a Process call (512 MiB of doubles): unequal rates are refused when
  // twice maxInLen x max(1, D / S), plus 16, exceeds it.
  static constexpr int kMaxOutputLength = 1 << 26;

  int GetInputLengthForOutput(int outPos) const override;
  int GetLatency() const override;
  double GetLatencyFraction() const override;
  // The largest output of one Process call for up to the constructed maxInLen; the argument is unused.
  int GetMaxOutputLength(int maxInLen) const override;
  void Clear() override;
  // `out` need not point anywhere on entry; on return it points to the output, inside the resampler's
  // own buffers (or to `in` when the rates are equal), valid until the next call. A `length` outside
  // 0 .. maxInLen is refused: nothing is consumed, `out` is left alone and the result is 0.
  int Process(double* in, int length, double*& out) override;

  // Any thread: the chain, in processing order, and the most samples Process accepts.
  int GetStepCount() const noexcept { return StepCount; }
  const CDSPProcessor& GetStep(int index) const noexcept { return *Steps[index]; }
  int GetMaxInLen() const noexcept { return MaxInLen; }
  // Doubles held by the step buffers.
  int GetStepBufferLength() const noexcept { return StepBufCapacity[0] + StepBufCapacity[1]; }

 private:
  void BuildChain(double src, double dst, double transBand, double atten, int phase);
  bool BuildSingleConvolver(double src, double dst, double transBand, double atten, int phase);
  bool BuildWholeUpsampling(double src, double dst, double transBand, double atten, int phase);
  void BuildDownsampling(double src, double dst, double transBand, double atten, int phase);
  void BuildOtherRatio(double src, double dst, double transBand, double atten, int phase);
  void AddConvolver(double cutoff, double transBand, double atten, int phase, double gain, int up, int down);
  void AddStep(CDSPProcessor* step);
  void AllocateStepBuffers();
  void DeleteSteps() noexcept;

  CAlignedBuffer<CDSPProcessor*> Steps;
  int StepCapacity = 0;
  int StepCount = 0;
  int MaxInLen;
  // One block for both step buffers. It is deliberately left unwritten: every step writes its buffer
  // before the next step reads it, and pages of a large block that are never written never become
  // resident, so a resampler that is built but never run (the oversampler's unused factors) costs
  // address space rather than memory.
  CAlignedBuffer<double> TmpBuf;
  double* StepBuf[2] = {nullptr, nullptr};
  int StepBufCapacity[2] = {0, 0};
  int CurStepBuf = 0;
  int CurMaxOutLen;
  double LatencyFrac = 0.0;
};

// The resampler the plug-in's oversampler creates: transition band 8 %, attenuation 124.28 dB, linear
// phase.
class CDSPResampler24_44k : public CDSPResampler {
 public:
  static constexpr double kTransBand = 8.0;
  static constexpr double kAtten = 124.28;

  // Any thread; see CDSPResampler.
  CDSPResampler24_44k(double srcSampleRate, double dstSampleRate, int maxInLen)
      : CDSPResampler(srcSampleRate, dstSampleRate, maxInLen, kTransBand, kAtten, 0) {}
};

}  // namespace rsmp
