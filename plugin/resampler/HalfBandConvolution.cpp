#include "plugin/resampler/HalfBandConvolution.h"

#include "plugin/resampler/VectorPath.h"

#include <immintrin.h>

#include <utility>

namespace rsmp {

namespace {

// Every routine forms each output as sum_k h[k] (r[-k] + r[1 + k]) in two running sums, even k and odd
// k, taken in k order and then added, whether it computes one output (scalar), two (SSE2) or four
// (AVX2) at a time: the lanes repeat the scalar operations, so all give the same bits.

template <int N>
inline double HalfBandSum(const double* r, const double* h) noexcept {
  double s0 = 0.0;
  double s1 = 0.0;
  [&]<int... K>(std::integer_sequence<int, K...>) {
    (((K % 2 == 0 ? s0 : s1) += h[K] * (r[-K] + r[1 + K])), ...);
  }
  (std::make_integer_sequence<int, N>());
  return s0 + s1;
}

template <int N>
inline __m128d HalfBandSum2(const double* r, const double* h) noexcept {
  __m128d s0 = _mm_setzero_pd();
  __m128d s1 = _mm_setzero_pd();
  [&]<int... K>(std::integer_sequence<int, K...>) {
    (((K % 2 == 0 ? s0 : s1) =
          _mm_add_pd(K % 2 == 0 ? s0 : s1,
                     _mm_mul_pd(_mm_set1_pd(h[K]), _mm_add_pd(_mm_loadu_pd(r - K), _mm_loadu_pd(r + 1 + K))))),
     ...);
  }
  (std::make_integer_sequence<int, N>());
  return _mm_add_pd(s0, s1);
}

template <int N>
[[gnu::target("avx2")]] inline __m256d HalfBandSum4(const double* r, const double* h) noexcept {
  __m256d s0 = _mm256_setzero_pd();
  __m256d s1 = _mm256_setzero_pd();
#pragma GCC unroll 16
  for (int k = 0; k < N; k++) {
    const __m256d term =
        _mm256_mul_pd(_mm256_set1_pd(h[k]), _mm256_add_pd(_mm256_loadu_pd(r - k), _mm256_loadu_pd(r + 1 + k)));
    if (k % 2 == 0)
      s0 = _mm256_add_pd(s0, term);
    else
      s1 = _mm256_add_pd(s1, term);
  }
  return _mm256_add_pd(s0, s1);
}

// Outputs from position i on, two at a time, then a last one alone.
template <int N>
double* ConvolveUpFrom(double* op, const double* r, const double* h, int i, int count) noexcept {
  for (; i + 2 <= count; i += 2, op += 4) {
    const __m128d x = _mm_loadu_pd(r + i);
    const __m128d y = HalfBandSum2<N>(r + i, h);
    _mm_storeu_pd(op, _mm_unpacklo_pd(x, y));
    _mm_storeu_pd(op + 2, _mm_unpackhi_pd(x, y));
  }
  if (i < count) {
    op[0] = r[i];
    op[1] = HalfBandSum<N>(r + i, h);
    op += 2;
  }
  return op;
}

template <int N>
double* ConvolveUp(double* op, const double* r, const double* h, int count) {
  return ConvolveUpFrom<N>(op, r, h, 0, count);
}

template <int N>
[[gnu::target("avx2")]] double* ConvolveUpAvx2(double* op, const double* r, const double* h, int count) {
  int i = 0;
  for (; i + 4 <= count; i += 4, op += 8) {
    const __m256d x = _mm256_loadu_pd(r + i);
    const __m256d y = HalfBandSum4<N>(r + i, h);
    const __m256d low = _mm256_unpacklo_pd(x, y);
    const __m256d high = _mm256_unpackhi_pd(x, y);
    _mm256_storeu_pd(op, _mm256_permute2f128_pd(low, high, 0x20));
    _mm256_storeu_pd(op + 4, _mm256_permute2f128_pd(low, high, 0x31));
  }
  return ConvolveUpFrom<N>(op, r, h, i, count);
}

template <int N>
double* ConvolveDownFrom(double* op, const double* r1, const double* r2, const double* h, int i, int count) noexcept {
  for (; i + 2 <= count; i += 2, op += 2)
    _mm_storeu_pd(op, _mm_add_pd(_mm_loadu_pd(r1 + i), HalfBandSum2<N>(r2 + i, h)));
  if (i < count) *op++ = r1[i] + HalfBandSum<N>(r2 + i, h);
  return op;
}

template <int N>
double* ConvolveDown(double* op, const double* r1, const double* r2, const double* h, int count) {
  return ConvolveDownFrom<N>(op, r1, r2, h, 0, count);
}

template <int N>
[[gnu::target("avx2")]] double* ConvolveDownAvx2(double* op, const double* r1, const double* r2, const double* h,
                                                 int count) {
  int i = 0;
  for (; i + 4 <= count; i += 4, op += 4)
    _mm256_storeu_pd(op, _mm256_add_pd(_mm256_loadu_pd(r1 + i), HalfBandSum4<N>(r2 + i, h)));
  return ConvolveDownFrom<N>(op, r1, r2, h, i, count);
}

template <int... N>
constexpr CDSPHBUpsampler::ConvolveFn kUpConvolvers[] = {ConvolveUp<N>...};

template <int... N>
constexpr CDSPHBUpsampler::ConvolveFn kUpConvolversAvx2[] = {ConvolveUpAvx2<N>...};

template <int... N>
constexpr CDSPHBDownsampler::ConvolveFn kDownConvolvers[] = {ConvolveDown<N>...};

template <int... N>
constexpr CDSPHBDownsampler::ConvolveFn kDownConvolversAvx2[] = {ConvolveDownAvx2<N>...};

}  // namespace

CDSPHBUpsampler::ConvolveFn GetHalfBandUpConvolver(int taps, bool avx2) noexcept {
  if (avx2 && IsAvx2Available()) return kUpConvolversAvx2<1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14>[taps - 1];
  return kUpConvolvers<1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14>[taps - 1];
}

CDSPHBDownsampler::ConvolveFn GetHalfBandDownConvolver(int taps, bool avx2) noexcept {
  if (avx2 && IsAvx2Available()) return kDownConvolversAvx2<1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14>[taps - 1];
  return kDownConvolvers<1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14>[taps - 1];
}

}  // namespace rsmp
