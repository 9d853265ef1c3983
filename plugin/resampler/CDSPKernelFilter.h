// One designed FIR low-pass filter of the resampler family, stored as the spectrum of its kernel for
// fast convolution, and the design that makes it: a Kaiser-windowed sinc whose length, cut-off shift
// and window power come from fitted formulas and three correction tables, in linear or minimum phase.
#pragma once

#include "plugin/resampler/Allocation.h"

namespace rsmp {

class CFFTObjectPool;
class CKernelFilterCache;

// Intermediate figures of the design, from the request values alone (no kernel is made).
struct CLowPassGeometry {
  int CorrectionIndex = 0;   // index into the correction table, 0 .. 264
  double Atten = 0.0;        // minus the corrected attenuation, dB (negative)
  double WindowPower = 0.0;  // fitted window power (signed)
  double HalfLength = 0.0;   // fitted half-length hl
  double CutoffShift = 0.0;  // fitted relative cut-off shift fo1
  double Len2 = 0.0;         // window half-length in taps
  int HalfTaps = 0;          // fl2 = floor(Len2)
  int KernelLen = 0;         // 2 fl2 + 1
  int BlockLenBits = 0;      // bit length of 2 fl2
  double BandEdge = 0.0;     // sinc band edge w, radians per sample
};

class CDSPKernelFilter : public CStdClassAllocator {
 public:
  // Memory bound of a design: no transform larger than 2^24 points (128 MiB of doubles). A linear-phase
  // kernel's spectrum is its transform, so Len2 stays below 2^22 (kernels up to 8,388,607 taps); a
  // minimum-phase design's cepstrum transform has the bit length of 16 x KernelLen - 1 (kernels up to
  // 1,048,575 taps).
  static constexpr int kMaxTransformOrder = 24;
  static constexpr double kMaxLen2 = 4194304.0;
  static constexpr int kMinPhaseLenMult = 16;

  // Any thread. Throws std::invalid_argument when a request has no design: cut-off not in (0, 0.5],
  // transition band or attenuation not positive and finite, a request for which the fitted formulas give
  // no finite filter of non-negative length (attenuations below about 24 dB; far above the fits' range,
  // e.g. from about 750 dB with a band below 10 %, the half-length fit turns negative), a cut-off shift
  // outside [0, 1) (next to the wide-band fit's pole, a narrow window of attenuations that moves with the band:
  // about 27 dB at a 25 % band, 30 dB at 30 %, 41 dB at 45 %; and bands from about 112 % at 200 dB to 128 % at
  // 25 dB), or a kernel past the memory bound above.
  static CLowPassGeometry ComputeGeometry(double reqNormFreq, double reqTransBand, double reqAtten);
  // Geometry from an attenuation term `atten` (minus dB) that is used as given, without correction;
  // for the tool that fits the correction tables.
  static CLowPassGeometry ComputeUncorrectedGeometry(double reqNormFreq, double bw, double atten);

  // Any thread; the kernel of the design before the phase step and scaling (KernelLen taps).
  static void GenerateKernel(const CLowPassGeometry& geometry, double* kernel) noexcept;

  // Turns `kernel` (length taps) into its minimum-phase counterpart in place, through the real cepstrum
  // on an FFT of the bit length of length x lenMult points. Scales by 2 / N when doFinalMul is set.
  // Writes the group delay at DC (samples) to dcGroupDelay when given. Any thread; takes FFT objects
  // from `pool`; allocates. Throws std::bad_alloc.
  static void MakeMinimumPhase(CFFTObjectPool& pool, double* kernel, int length, int lenMult, bool doFinalMul,
                               double* dcGroupDelay);

  double GetReqNormFreq() const noexcept { return ReqNormFreq; }
  double GetReqTransBand() const noexcept { return ReqTransBand; }
  double GetReqAtten() const noexcept { return ReqAtten; }
  int GetReqPhase() const noexcept { return ReqPhase; }
  double GetReqGain() const noexcept { return ReqGain; }
  CDSPKernelFilter* GetNext() const noexcept { return Next; }
  // Read under the filter-cache lock for an exact figure.
  int GetRefCount() const noexcept { return RefCount; }
  bool GetIsZeroPhase() const noexcept { return IsZeroPhase; }
  int GetLatency() const noexcept { return Latency; }
  double GetLatencyFrac() const noexcept { return LatencyFrac; }
  int GetKernelLen() const noexcept { return KernelLen; }
  int GetBlockLenBits() const noexcept { return BlockLenBits; }
  // 2 << BlockLenBits doubles in the FFT layout; for zero-phase filters each bin's imaginary part holds
  // a copy of its real part. Read-only after design; read without a lock.
  const double* GetSpectrum() const noexcept { return Spectrum.Data(); }
  int GetSpectrumLen() const noexcept { return 2 << BlockLenBits; }
  CKernelFilterCache& GetCache() const noexcept { return *Cache; }

 private:
  friend class CKernelFilterCache;

  CDSPKernelFilter(double reqNormFreq, double reqTransBand, double reqAtten, int reqPhase, double reqGain,
                   CKernelFilterCache& cache);
  bool Matches(double reqNormFreq, double reqTransBand, double reqAtten, int reqPhase, double reqGain) const noexcept;
  // Under the filter-cache lock; takes FFT objects from `pool`. Throws std::bad_alloc.
  void DesignLowPassFilter(CFFTObjectPool& pool);
  void StoreZeroPhaseSpectrum(const double* kernel, int fl2, double scale);
  void StoreMinimumPhaseSpectrum(const double* kernel, double scale);

  double ReqNormFreq;
  double ReqTransBand;
  double ReqAtten;
  int ReqPhase;
  double ReqGain;
  CDSPKernelFilter* Next = nullptr;
  int RefCount = 1;
  bool IsZeroPhase = true;
  int Latency = 0;
  double LatencyFrac = 0.0;
  int KernelLen = 0;
  int BlockLenBits = 0;
  CAlignedBuffer<double> Spectrum;
  CKernelFilterCache* Cache;
};

}  // namespace rsmp
