// A real discrete Fourier transform of one length 2^Order in packed form, with its lazily built tables.
//
// Layout of a transformed block a[0 .. n-1]: a[0] = DC, a[1] = Nyquist (both real); for k = 1 .. n/2-1
// a[2k] = sum x[j] cos(2 pi j k / n) and a[2k+1] = sum x[j] sin(2 pi j k / n). Inverse takes the same
// layout and returns n/2 times the signal, so Inverse(Forward(x)) x GetInvMulConst() == x.
// Method: complex radix-4 FFT of n/2 points (a radix-2 pass first for odd orders) on the even/odd
// sample pairs, then the real-split pass that separates the two interleaved transforms. On processors
// with AVX2 the passes take two butterflies at a time with the same arithmetic, so both paths give the
// same result bit for bit.
#pragma once

#include "plugin/resampler/Allocation.h"

#include <immintrin.h>

#include <cstdint>

namespace rsmp {

class CFFTObjectPool;

class CDSPFFTObject : public CStdClassAllocator {
 public:
  static constexpr int kMaxOrder = 30;
  // The AVX2 routines read their twiddle factors from a table up to this order and compute them above
  // it, where the table (one double per point) would grow large; kTwiddleDoublesPerButterfly doubles
  // per butterfly of a pass.
  static constexpr int kMaxTwiddleTableOrder = 14;
  static constexpr int kTwiddleDoublesPerButterfly = 6;

  // Any thread, allocates the work areas. Throws std::invalid_argument for an order outside
  // 0 .. kMaxOrder, std::bad_alloc when the heap fails.
  CDSPFFTObject(int order, CFFTObjectPool* pool);
  CDSPFFTObject(const CDSPFFTObject&) = delete;
  CDSPFFTObject& operator=(const CDSPFFTObject&) = delete;

  int GetOrder() const noexcept { return Order; }
  int GetLen() const noexcept { return Len; }
  double GetInvMulConst() const noexcept { return InvMulConst; }
  CFFTObjectPool* GetPool() const noexcept { return Pool; }

  // Holder's thread: the AVX2 routines (only where available) or the plain SSE2 ones. New objects take
  // them when IsAvx2Used().
  void SetAvx2Enabled(bool enabled) noexcept;
  bool GetAvx2Enabled() const noexcept { return UseAvx2; }

  // Holder's thread only; never allocates or blocks. In place on GetLen() doubles. The first call
  // builds the tables.
  void Forward(double* a) noexcept;
  void Inverse(double* a) noexcept;
  // As Inverse of the element-wise product a[i] x spectrum[i] for i >= 2 (the form a spectrum of real
  // bins takes when each bin's imaginary slot repeats its real part), the products taken inside the
  // transform's first pass; a[0] and a[1] are transformed as they stand. Same bits as multiplying first.
  // With `isMirrored` the bins above the middle one are taken as the conjugates of those below, as in
  // the spectrum of a real block zero-stuffed by two (X[N - k] = conj X[k], N = GetLen() / 2), and
  // a[N + 2 ..] is not read.
  void InverseOfProduct(double* a, const double* spectrum, bool isMirrored = false) noexcept;

 private:
  friend class CFFTObjectPool;

  void BuildTablesIfNeeded() noexcept;
  void BuildSwapList() noexcept;
  void BitReverse(double* z) const noexcept;
  void ComplexTransform(double* z, bool isForward) const noexcept;
  void RadixTwoPass(double* z) const noexcept;
  // The butterflies fromJ <= j < toJ of the radix-4 pass that makes transforms of `span` points.
  void RadixFourPass(double* z, int span, bool isForward, int fromJ, int toJ) const noexcept;
  void RealSplitForward(double* a) const noexcept;
  void RealSplitInverse(double* a, const double* spectrum, bool isMirrored) const noexcept;
  // AVX2 forms: a radix-4 pass with a quarter span of at least 2; the real-split pairs from k = 1 on,
  // two at a time, returning the first k left over.
  // The first pass (radix 2, or radix 4 over spans of 4 points) for at least 8 points.
  void FirstPassAvx2(double* z, bool isForward) const noexcept;
  void RadixFourPassAvx2(double* z, int span, bool isForward, const double* table) const noexcept;
  void ComputeTwiddlesAvx2(int span, int j, __m256d* w) const noexcept;
  void BuildTwiddleTableAvx2() noexcept;
  // 8 for odd Order - 1 (after a radix-2 pass), else 4.
  int FirstRadixFourSpan() const noexcept { return ((Order - 1) & 1) != 0 ? 8 : 4; }
  int RealSplitForwardAvx2(double* a) const noexcept;
  int RealSplitInverseAvx2(double* a, const double* spectrum, bool isMirrored) const noexcept;
  // e^{i 2 pi k / Len} for 0 <= k < Len / 4.
  double CosAt(int k) const noexcept { return Trig[2 * k]; }
  double SinAt(int k) const noexcept { return Trig[2 * k + 1]; }

  int Order;
  int Len;
  double InvMulConst;
  CDSPFFTObject* Next = nullptr;
  // [0]: length the tables were built for (0: not yet); [1]: bits of the half index; [2 ..]: bit
  // reversal of every half index, so the full reversal needs only a square-root-sized table.
  CAlignedBuffer<std::int32_t> BitRev;
  // Cosine and sine pairs of the first quarter turn at Len points (Len / 2 doubles).
  CAlignedBuffer<double> Trig;
  // The pool the object goes back to.
  CFFTObjectPool* Pool;
  // The bit reversal as pairs of double offsets (2 i, 2 j), i < j, each pair once: fewer than Len / 4.
  CAlignedBuffer<std::int32_t> SwapList;
  int SwapCount = 0;
  // AVX2 twiddles per radix-4 pass with a quarter span of at least 2, in pass order; empty when the
  // processor lacks AVX2 or above kMaxTwiddleTableOrder.
  CAlignedBuffer<double> TwiddleTable;
  bool UseAvx2;
};

}  // namespace rsmp
