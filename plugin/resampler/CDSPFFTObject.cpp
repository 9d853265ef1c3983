#include "plugin/resampler/CDSPFFTObject.h"

#include "plugin/resampler/ComplexVectorOps.h"
#include "plugin/resampler/VectorPath.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace rsmp {

namespace {

int BitRevCapacity(int len) {
  return static_cast<int>(std::ceil(std::sqrt(len / 2.0) + 2.0));
}

// Doubles of the AVX2 twiddle table: kTwiddleDoublesPerButterfly per butterfly of a radix-4 pass with a
// quarter span of at least 2; none above kMaxTwiddleTableOrder or without AVX2.
int TwiddleTableCapacity(int order) {
  if (order > CDSPFFTObject::kMaxTwiddleTableOrder || order < 2 || !IsAvx2Available()) return 0;
  const int points = 1 << (order - 1);
  int quarters = 0;
  for (int quarter = ((order - 1) & 1) != 0 ? 2 : 1; quarter <= points / 4; quarter *= 4)
    if (quarter >= 2) quarters += quarter;
  return CDSPFFTObject::kTwiddleDoublesPerButterfly * quarters;
}

int ValidatedOrder(int order) {
  if (order < 0 || order > CDSPFFTObject::kMaxOrder) throw std::invalid_argument("FFT order outside 0 .. 30");
  return order;
}

}  // namespace

CDSPFFTObject::CDSPFFTObject(int order, CFFTObjectPool* pool)
    : Order(ValidatedOrder(order)),
      Len(1 << order),
      InvMulConst(2.0 / Len),
      BitRev(BitRevCapacity(Len)),
      Trig(Len / 2),
      Pool(pool),
      UseAvx2(IsAvx2Used()) {
  // Written when the tables are built: an object that never transforms keeps them out of memory.
  SwapList.AllocUnwritten(Len / 2);
  TwiddleTable.AllocUnwritten(TwiddleTableCapacity(Order));
}

void CDSPFFTObject::SetAvx2Enabled(bool enabled) noexcept {
  UseAvx2 = enabled && IsAvx2Available();
}

void CDSPFFTObject::Forward(double* a) noexcept {
  if (Len < 2) return;
  BuildTablesIfNeeded();
  BitReverse(a);
  ComplexTransform(a, true);
  RealSplitForward(a);
}

void CDSPFFTObject::Inverse(double* a) noexcept {
  InverseOfProduct(a, nullptr);
}

void CDSPFFTObject::InverseOfProduct(double* a, const double* spectrum, bool isMirrored) noexcept {
  if (Len < 2) {
    a[0] *= 0.5;
    return;
  }
  BuildTablesIfNeeded();
  RealSplitInverse(a, spectrum, isMirrored);
  BitReverse(a);
  ComplexTransform(a, false);
}

void CDSPFFTObject::BuildTablesIfNeeded() noexcept {
  if (BitRev[0] == Len) return;
  const double step = 2.0 * std::numbers::pi / Len;
  for (int k = 0; k < Len / 4; k++) {
    Trig[2 * k] = std::cos(step * k);
    Trig[2 * k + 1] = std::sin(step * k);
  }
  const int halfBits = (Order - 1) / 2;
  BitRev[1] = halfBits;
  for (int j = 0; j < (1 << halfBits); j++) {
    int reversed = 0;
    for (int b = 0; b < halfBits; b++) reversed |= ((j >> b) & 1) << (halfBits - 1 - b);
    BitRev[2 + j] = reversed;
  }
  BuildSwapList();
  if (TwiddleTable.Data() != nullptr) BuildTwiddleTableAvx2();
  BitRev[0] = Len;
}

// The index i has m = Order - 1 bits, split as [high h bits][middle bit when m is odd][low h bits]; its
// reversal j swaps the reversed halves and keeps the middle bit. Each pair is listed once, from the
// smaller index: for a given low part with reversal r, j > i holds for every high part below r, and
// for high == r exactly when the reversal of r exceeds the low part.
void CDSPFFTObject::BuildSwapList() noexcept {
  const int h = BitRev[1];
  const bool hasMiddleBit = ((Order - 1) & 1) != 0;
  const int highShift = hasMiddleBit ? h + 1 : h;
  const int lowCount = 1 << h;
  const std::int32_t* table = BitRev.Data() + 2;
  std::int32_t* list = SwapList.Data();
  const auto add = [&](int i, int j) {
    *list++ = 2 * i;
    *list++ = 2 * j;
  };
  for (int middle = 0; middle <= (hasMiddleBit ? 1 << h : 0); middle += 1 << h) {
    for (int low = 0; low < lowCount; low++) {
      const int r = table[low];
      const int iBase = middle | low;
      const int jBase = (r << highShift) | middle;
      for (int high = 0; high < r; high++) add((high << highShift) | iBase, jBase | table[high]);
      if (table[r] > low) add((r << highShift) | iBase, jBase | table[r]);
    }
  }
  SwapCount = static_cast<int>(list - SwapList.Data()) / 2;
}

void CDSPFFTObject::BitReverse(double* z) const noexcept {
  const std::int32_t* list = SwapList.Data();
  for (int n = 0; n < SwapCount; n++, list += 2) {
    double* zi = z + list[0];
    double* zj = z + list[1];
    const __m128d a = _mm_loadu_pd(zi);
    _mm_storeu_pd(zi, _mm_loadu_pd(zj));
    _mm_storeu_pd(zj, a);
  }
}

// Decimation in time on bit-reversed data: an optional radix-2 pass, then radix-4 passes, each joining
// four transforms of L / 4 points (of the samples 4m, 4m + 2, 4m + 1, 4m + 3) into one of L points.
void CDSPFFTObject::ComplexTransform(double* z, bool isForward) const noexcept {
  const int points = Len / 2;
  int span = FirstRadixFourSpan();
  if (UseAvx2 && points >= 8) {
    // After a radix-2 pass the radix-4 passes start at 8 points, after a radix-4 one at 16.
    FirstPassAvx2(z, isForward);
    if (span == 4) span = 16;
  } else if (span == 8)
    RadixTwoPass(z);
  const double* table = TwiddleTable.Data();
  for (; span <= points; span *= 4) {
    const int quarter = span / 4;
    if (UseAvx2 && quarter >= 2) {
      RadixFourPassAvx2(z, span, isForward, table);
      if (table != nullptr) table += kTwiddleDoublesPerButterfly * quarter;
    } else
      RadixFourPass(z, span, isForward, 0, quarter);
  }
}

void CDSPFFTObject::RadixTwoPass(double* z) const noexcept {
  const int points = Len / 2;
  for (int p = 0; p < points; p += 2) {
    const __m128d a = _mm_loadu_pd(z + 2 * p);
    const __m128d b = _mm_loadu_pd(z + 2 * p + 2);
    _mm_storeu_pd(z + 2 * p, _mm_add_pd(a, b));
    _mm_storeu_pd(z + 2 * p + 2, _mm_sub_pd(a, b));
  }
}

// Twiddles w1 = e^{sign i 2 pi j / span}, w2 = w1^2, w3 = w1 w2. The butterfly j == 0 has unit twiddles
// and skips their multiplications.
void CDSPFFTObject::RadixFourPass(double* z, int span, bool isForward, int fromJ, int toJ) const noexcept {
  const int points = Len / 2;
  const int quarter = span / 4;
  const int tableStep = Len / span;
  const double sign = isForward ? 1.0 : -1.0;
  const __m128d rotMask = isForward ? NegReMask() : NegImMask();
  if (fromJ == 0) {
    for (int b = 0; b < points; b += span) {
      double* p0 = z + 2 * b;
      double* p1 = p0 + 2 * quarter;
      double* p2 = p1 + 2 * quarter;
      double* p3 = p2 + 2 * quarter;
      Butterfly(p0, p1, p2, p3, _mm_loadu_pd(p1), _mm_loadu_pd(p2), _mm_loadu_pd(p3), rotMask);
    }
    fromJ = 1;
  }
  for (int j = fromJ; j < toJ; j++) {
    const double w1r = CosAt(j * tableStep);
    const double w1i = sign * SinAt(j * tableStep);
    const double w2r = w1r * w1r - w1i * w1i;
    const double w2i = 2.0 * w1r * w1i;
    const double w3r = w1r * w2r - w1i * w2i;
    const double w3i = w1r * w2i + w1i * w2r;
    const CTwiddle w1 = MakeTwiddle(w1r, w1i);
    const CTwiddle w2 = MakeTwiddle(w2r, w2i);
    const CTwiddle w3 = MakeTwiddle(w3r, w3i);
    for (int b = j; b < points; b += span) {
      double* p0 = z + 2 * b;
      double* p1 = p0 + 2 * quarter;
      double* p2 = p1 + 2 * quarter;
      double* p3 = p2 + 2 * quarter;
      Butterfly(p0, p1, p2, p3, Multiply(_mm_loadu_pd(p1), w2), Multiply(_mm_loadu_pd(p2), w1),
                Multiply(_mm_loadu_pd(p3), w3), rotMask);
    }
  }
}

// With Z the transform of z[m] = x[2m] + i x[2m+1] (N = n/2 points), E = (Z[k] + conj Z[N-k]) / 2 and
// O = (Z[k] - conj Z[N-k]) / 2i are the transforms of the even and odd samples, and
// X[k] = E + w^k O, X[N-k] = conj(E - w^k O) with w = e^{i 2 pi / n}. X[N/2] = Z[N/2].
void CDSPFFTObject::RealSplitForward(double* a) const noexcept {
  const int points = Len / 2;
  const __m128d half = _mm_set1_pd(0.5);
  const __m128d halfNegIm = _mm_set_pd(-0.5, 0.5);
  for (int k = UseAvx2 ? RealSplitForwardAvx2(a) : 1; k < points / 2; k++) {
    double* zk = a + 2 * k;
    double* zm = a + 2 * (points - k);
    const __m128d vk = _mm_loadu_pd(zk);
    const __m128d vm = _mm_loadu_pd(zm);
    // E = 0.5 (zk0 + zm0, zk1 - zm1); O = (0.5 (zk1 + zm1), -0.5 (zk0 - zm0)).
    const __m128d e = _mm_mul_pd(half, _mm_add_pd(vk, _mm_xor_pd(vm, NegImMask())));
    const __m128d o = _mm_mul_pd(halfNegIm, _mm_add_pd(Swap(vk), _mm_xor_pd(Swap(vm), NegImMask())));
    const __m128d t = Multiply(o, MakeTwiddle(CosAt(k), SinAt(k)));
    _mm_storeu_pd(zk, _mm_add_pd(e, t));
    // (er - tr, ti - ei) == (er - tr, -(ei - ti)).
    _mm_storeu_pd(zm, _mm_xor_pd(_mm_sub_pd(e, t), NegImMask()));
  }
  const double dc = a[0] + a[1];
  a[1] = a[0] - a[1];
  a[0] = dc;
}

// The mirror of RealSplitForward: E = (X[k] + conj X[N-k]) / 2, O = conj(w^k) (X[k] - conj X[N-k]) / 2,
// Z[k] = E + i O, Z[N-k] = conj(E - i O). A given spectrum multiplies a[2 ..] element-wise on the way in;
// a mirrored block gives X[N-k] as conj X[k].
void CDSPFFTObject::RealSplitInverse(double* a, const double* spectrum, bool isMirrored) const noexcept {
  const int points = Len / 2;
  const __m128d half = _mm_set1_pd(0.5);
  if (spectrum != nullptr && points >= 2) {
    a[points] *= spectrum[points];
    a[points + 1] *= spectrum[points + 1];
  }
  for (int k = UseAvx2 ? RealSplitInverseAvx2(a, spectrum, isMirrored) : 1; k < points / 2; k++) {
    double* xk = a + 2 * k;
    double* xm = a + 2 * (points - k);
    __m128d vk = _mm_loadu_pd(xk);
    __m128d vm = isMirrored ? _mm_xor_pd(vk, NegImMask()) : _mm_loadu_pd(xm);
    if (spectrum != nullptr) {
      vk = _mm_mul_pd(vk, _mm_loadu_pd(spectrum + 2 * k));
      vm = _mm_mul_pd(vm, _mm_loadu_pd(spectrum + 2 * (points - k)));
    }
    // E = 0.5 (xk0 + xm0, xk1 - xm1); D = 0.5 (xk0 - xm0, xk1 + xm1); O = conj(w^k) D.
    const __m128d e = _mm_mul_pd(half, _mm_add_pd(vk, _mm_xor_pd(vm, NegImMask())));
    const __m128d d = _mm_mul_pd(half, _mm_add_pd(vk, _mm_xor_pd(vm, NegReMask())));
    const __m128d o = Swap(Multiply(d, MakeTwiddle(CosAt(k), -SinAt(k))));
    // (er - oi, ei + orr) and (er + oi, orr - ei), with o = (oi, orr).
    _mm_storeu_pd(xk, _mm_add_pd(e, _mm_xor_pd(o, NegReMask())));
    _mm_storeu_pd(xm, _mm_add_pd(o, _mm_xor_pd(e, NegImMask())));
  }
  const double dc = 0.5 * (a[0] + a[1]);
  a[1] = 0.5 * (a[0] - a[1]);
  a[0] = dc;
}

}  // namespace rsmp
