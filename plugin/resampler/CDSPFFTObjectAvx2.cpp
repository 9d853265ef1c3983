// The real FFT's AVX2 routines: two complex numbers per vector (real parts in the even lanes), two
// butterflies or two real-split pairs per step. Lane by lane they perform the plain routines' operations
// in the same order (no fused multiply-add), so results match them bit for bit. Only called when the
// processor has AVX2.
#include "plugin/resampler/CDSPFFTObject.h"

#include <immintrin.h>

namespace rsmp {

namespace {

[[gnu::target("avx2")]] inline __m256d NegReMask256() noexcept {
  return _mm256_set_pd(0.0, -0.0, 0.0, -0.0);
}
[[gnu::target("avx2")]] inline __m256d NegImMask256() noexcept {
  return _mm256_set_pd(-0.0, 0.0, -0.0, 0.0);
}

// Real and imaginary parts swapped in both complex numbers.
[[gnu::target("avx2")]] inline __m256d Swap256(__m256d x) noexcept {
  return _mm256_permute_pd(x, 0b0101);
}

// Two complex numbers, each at `low` and `high`.
[[gnu::target("avx2")]] inline __m256d LoadPair256(const double* low, const double* high) noexcept {
  return _mm256_set_m128d(_mm_loadu_pd(high), _mm_loadu_pd(low));
}

// x w with w given as (wr, wr) and (-wi, wi) per complex number: (xr wr - xi wi, xr wi + xi wr).
[[gnu::target("avx2")]] inline __m256d Multiply256(__m256d x, __m256d wRe, __m256d wIm) noexcept {
  return _mm256_add_pd(_mm256_mul_pd(x, wRe), _mm256_mul_pd(Swap256(x), wIm));
}

// Both halves of a pair of complex numbers exchanged: (z0, z1) to (z1, z0).
[[gnu::target("avx2")]] inline __m256d Reverse256(__m256d x) noexcept {
  return _mm256_permute2f128_pd(x, x, 1);
}

}  // namespace

// Pairs of adjacent vectors (z0, z1), (z2, z3) are transposed to (z0, z2), (z1, z3) and back, so that
// each vector holds the same member of two neighbouring butterflies.
[[gnu::target("avx2")]] void CDSPFFTObject::FirstPassAvx2(double* z, bool isForward) const noexcept {
  const int points = Len / 2;
  if (FirstRadixFourSpan() == 8) {
    for (int p = 0; p < points; p += 4) {
      const __m256d x0 = _mm256_loadu_pd(z + 2 * p);
      const __m256d x1 = _mm256_loadu_pd(z + 2 * p + 4);
      const __m256d a = _mm256_permute2f128_pd(x0, x1, 0x20);
      const __m256d b = _mm256_permute2f128_pd(x0, x1, 0x31);
      const __m256d sum = _mm256_add_pd(a, b);
      const __m256d dif = _mm256_sub_pd(a, b);
      _mm256_storeu_pd(z + 2 * p, _mm256_permute2f128_pd(sum, dif, 0x20));
      _mm256_storeu_pd(z + 2 * p + 4, _mm256_permute2f128_pd(sum, dif, 0x31));
    }
    return;
  }
  // Radix 4 with unit twiddles, butterflies b and b + 4.
  const __m256d rotMask = isForward ? NegReMask256() : NegImMask256();
  for (int b = 0; b < points; b += 8) {
    double* p = z + 2 * b;
    const __m256d x0 = _mm256_loadu_pd(p);
    const __m256d x1 = _mm256_loadu_pd(p + 4);
    const __m256d x2 = _mm256_loadu_pd(p + 8);
    const __m256d x3 = _mm256_loadu_pd(p + 12);
    const __m256d a = _mm256_permute2f128_pd(x0, x2, 0x20);
    const __m256d bb = _mm256_permute2f128_pd(x0, x2, 0x31);
    const __m256d c = _mm256_permute2f128_pd(x1, x3, 0x20);
    const __m256d d = _mm256_permute2f128_pd(x1, x3, 0x31);
    const __m256d sumAB = _mm256_add_pd(a, bb);
    const __m256d difAB = _mm256_sub_pd(a, bb);
    const __m256d sumCD = _mm256_add_pd(c, d);
    const __m256d rotCD = _mm256_xor_pd(Swap256(_mm256_sub_pd(c, d)), rotMask);
    const __m256d y0 = _mm256_add_pd(sumAB, sumCD);
    const __m256d y1 = _mm256_add_pd(difAB, rotCD);
    const __m256d y2 = _mm256_sub_pd(sumAB, sumCD);
    const __m256d y3 = _mm256_sub_pd(difAB, rotCD);
    _mm256_storeu_pd(p, _mm256_permute2f128_pd(y0, y1, 0x20));
    _mm256_storeu_pd(p + 4, _mm256_permute2f128_pd(y2, y3, 0x20));
    _mm256_storeu_pd(p + 8, _mm256_permute2f128_pd(y0, y1, 0x31));
    _mm256_storeu_pd(p + 12, _mm256_permute2f128_pd(y2, y3, 0x31));
  }
}

// Twiddles of butterflies j and j + 1 of the forward pass over `span`: w1 = e^{i 2 pi j / span},
// w2 = w1^2, w3 = w1 w2 by the plain pass's formulas, as complex pairs (wr, wi, wr', wi') in w[0 .. 2].
// A backward pass takes their conjugates: with sin negated the formulas give the same real parts and
// exactly negated imaginary parts.
[[gnu::target("avx2")]] void CDSPFFTObject::ComputeTwiddlesAvx2(int span, int j, __m256d* w) const noexcept {
  const int tableStep = Len / span;
  const __m256d trig = LoadPair256(Trig.Data() + 2 * j * tableStep, Trig.Data() + 2 * (j + 1) * tableStep);
  const __m256d w1r = _mm256_movedup_pd(trig);
  const __m256d w1i = _mm256_permute_pd(trig, 0b1111);
  const __m256d w2r = _mm256_sub_pd(_mm256_mul_pd(w1r, w1r), _mm256_mul_pd(w1i, w1i));
  const __m256d w2i = _mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(2.0), w1r), w1i);
  const __m256d w3r = _mm256_sub_pd(_mm256_mul_pd(w1r, w2r), _mm256_mul_pd(w1i, w2i));
  const __m256d w3i = _mm256_add_pd(_mm256_mul_pd(w1r, w2i), _mm256_mul_pd(w1i, w2r));
  w[0] = trig;
  w[1] = _mm256_blend_pd(w2r, w2i, 0b1010);
  w[2] = _mm256_blend_pd(w3r, w3i, 0b1010);
}

[[gnu::target("avx2")]] void CDSPFFTObject::BuildTwiddleTableAvx2() noexcept {
  auto* entry = reinterpret_cast<__m256d*>(TwiddleTable.Data());
  for (int span = FirstRadixFourSpan(); span <= Len / 2; span *= 4)
    for (int j = 0; j < span / 4 && span >= 8; j += 2, entry += 3) ComputeTwiddlesAvx2(span, j, entry);
}

// Butterflies j and j + 1 together, with twiddles from `table` (the pass's part of the twiddle table)
// or computed when it is null. The butterfly j == 0 keeps its inputs where the plain pass skips the
// multiplication by unit twiddles, so both give the same bits.
[[gnu::target("avx2")]] void CDSPFFTObject::RadixFourPassAvx2(double* z, int span, bool isForward,
                                                              const double* table) const noexcept {
  const int points = Len / 2;
  const int quarter = span / 4;
  // (-wi, wi) forwards, (wi, -wi) backwards, from (wi, wi).
  const __m256d imMask = isForward ? NegReMask256() : NegImMask256();
  const __m256d rotMask = isForward ? NegReMask256() : NegImMask256();
  const auto* entry = reinterpret_cast<const __m256d*>(table);
  for (int j = 0; j < quarter; j += 2) {
    __m256d w[3];
    if (entry != nullptr) {
      for (int i = 0; i < 3; i++) w[i] = _mm256_load_pd(reinterpret_cast<const double*>(entry + i));
      entry += 3;
    } else
      ComputeTwiddlesAvx2(span, j, w);
    const __m256d w1r = _mm256_movedup_pd(w[0]);
    const __m256d w1Im = _mm256_xor_pd(_mm256_permute_pd(w[0], 0b1111), imMask);
    const __m256d w2r = _mm256_movedup_pd(w[1]);
    const __m256d w2Im = _mm256_xor_pd(_mm256_permute_pd(w[1], 0b1111), imMask);
    const __m256d w3r = _mm256_movedup_pd(w[2]);
    const __m256d w3Im = _mm256_xor_pd(_mm256_permute_pd(w[2], 0b1111), imMask);
    const bool isFirst = j == 0;
    for (int b = j; b < points; b += span) {
      double* p0 = z + 2 * b;
      double* p1 = p0 + 2 * quarter;
      double* p2 = p1 + 2 * quarter;
      double* p3 = p2 + 2 * quarter;
      const __m256d a = _mm256_loadu_pd(p0);
      const __m256d x1 = _mm256_loadu_pd(p1);
      const __m256d x2 = _mm256_loadu_pd(p2);
      const __m256d x3 = _mm256_loadu_pd(p3);
      __m256d bb = Multiply256(x1, w2r, w2Im);
      __m256d c = Multiply256(x2, w1r, w1Im);
      __m256d d = Multiply256(x3, w3r, w3Im);
      if (isFirst) {
        bb = _mm256_blend_pd(bb, x1, 0b0011);
        c = _mm256_blend_pd(c, x2, 0b0011);
        d = _mm256_blend_pd(d, x3, 0b0011);
      }
      const __m256d sumAB = _mm256_add_pd(a, bb);
      const __m256d difAB = _mm256_sub_pd(a, bb);
      const __m256d sumCD = _mm256_add_pd(c, d);
      const __m256d rotCD = _mm256_xor_pd(Swap256(_mm256_sub_pd(c, d)), rotMask);
      _mm256_storeu_pd(p0, _mm256_add_pd(sumAB, sumCD));
      _mm256_storeu_pd(p1, _mm256_add_pd(difAB, rotCD));
      _mm256_storeu_pd(p2, _mm256_sub_pd(sumAB, sumCD));
      _mm256_storeu_pd(p3, _mm256_sub_pd(difAB, rotCD));
    }
  }
}

// Pairs k, k + 1 with their mirrors N - k, N - k - 1 (loaded as one vector and reversed).
[[gnu::target("avx2")]] int CDSPFFTObject::RealSplitForwardAvx2(double* a) const noexcept {
  const int points = Len / 2;
  const __m256d half = _mm256_set1_pd(0.5);
  const __m256d halfNegIm = _mm256_set_pd(-0.5, 0.5, -0.5, 0.5);
  int k = 1;
  for (; k + 1 < points / 2; k += 2) {
    double* zk = a + 2 * k;
    double* zm = a + 2 * (points - k - 1);
    const __m256d vk = _mm256_loadu_pd(zk);
    const __m256d vm = Reverse256(_mm256_loadu_pd(zm));
    const __m256d e = _mm256_mul_pd(half, _mm256_add_pd(vk, _mm256_xor_pd(vm, NegImMask256())));
    const __m256d o = _mm256_mul_pd(halfNegIm, _mm256_add_pd(Swap256(vk), _mm256_xor_pd(Swap256(vm), NegImMask256())));
    const __m256d w = _mm256_loadu_pd(Trig.Data() + 2 * k);
    const __m256d t = Multiply256(o, _mm256_movedup_pd(w), _mm256_xor_pd(_mm256_permute_pd(w, 0b1111), NegReMask256()));
    _mm256_storeu_pd(zk, _mm256_add_pd(e, t));
    _mm256_storeu_pd(zm, Reverse256(_mm256_xor_pd(_mm256_sub_pd(e, t), NegImMask256())));
  }
  return k;
}

[[gnu::target("avx2")]] int CDSPFFTObject::RealSplitInverseAvx2(double* a, const double* spectrum,
                                                                bool isMirrored) const noexcept {
  const int points = Len / 2;
  const __m256d half = _mm256_set1_pd(0.5);
  int k = 1;
  for (; k + 1 < points / 2; k += 2) {
    double* xk = a + 2 * k;
    double* xm = a + 2 * (points - k - 1);
    __m256d vk = _mm256_loadu_pd(xk);
    __m256d vm = isMirrored ? _mm256_xor_pd(vk, NegImMask256()) : Reverse256(_mm256_loadu_pd(xm));
    if (spectrum != nullptr) {
      vk = _mm256_mul_pd(vk, _mm256_loadu_pd(spectrum + 2 * k));
      vm = _mm256_mul_pd(vm, Reverse256(_mm256_loadu_pd(spectrum + 2 * (points - k - 1))));
    }
    const __m256d e = _mm256_mul_pd(half, _mm256_add_pd(vk, _mm256_xor_pd(vm, NegImMask256())));
    const __m256d d = _mm256_mul_pd(half, _mm256_add_pd(vk, _mm256_xor_pd(vm, NegReMask256())));
    // Twiddles (cos, -sin): as (wr, wr) and (-wi, wi) = (sin, -sin).
    const __m256d w = _mm256_loadu_pd(Trig.Data() + 2 * k);
    const __m256d o =
        Swap256(Multiply256(d, _mm256_movedup_pd(w), _mm256_xor_pd(_mm256_permute_pd(w, 0b1111), NegImMask256())));
    _mm256_storeu_pd(xk, _mm256_add_pd(e, _mm256_xor_pd(o, NegReMask256())));
    _mm256_storeu_pd(xm, Reverse256(_mm256_add_pd(o, _mm256_xor_pd(e, NegImMask256()))));
  }
  return k;
}

}  // namespace rsmp
