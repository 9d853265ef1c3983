// SSE2 helpers of the real FFT: one complex number per vector, real part in the low lane. Every helper
// performs, lane by lane, the same additions and multiplications as the scalar formula in its comment,
// so results are the same bit for bit as scalar code (a + (-b) == a - b and a x (-b) == -(a x b)
// exactly). The FFT's AVX2 routines use the same formulas two complex numbers at a time.
#pragma once

#include <emmintrin.h>

namespace rsmp {

// A twiddle factor w prepared for multiplication: (wr, wr) and (-wi, wi).
struct CTwiddle {
  __m128d Re;
  __m128d Im;
};

inline CTwiddle MakeTwiddle(double wr, double wi) noexcept {
  return {_mm_set1_pd(wr), _mm_set_pd(wi, -wi)};
}

// (xr wr - xi wi, xr wi + xi wr).
inline __m128d Multiply(__m128d x, const CTwiddle& w) noexcept {
  return _mm_add_pd(_mm_mul_pd(x, w.Re), _mm_mul_pd(_mm_shuffle_pd(x, x, 1), w.Im));
}

inline __m128d Swap(__m128d x) noexcept {
  return _mm_shuffle_pd(x, x, 1);
}

// Sign masks: flip the real part, or the imaginary part.
inline __m128d NegReMask() noexcept {
  return _mm_set_pd(0.0, -0.0);
}
inline __m128d NegImMask() noexcept {
  return _mm_set_pd(-0.0, 0.0);
}

// One radix-4 butterfly on p0 .. p3, a quarter span apart; b, c and d come multiplied by their twiddles.
// `rotMask` makes sign x i x (C - D) from swap(C - D): NegReMask forwards, NegImMask backwards.
inline void Butterfly(double* p0, double* p1, double* p2, double* p3, __m128d b, __m128d c, __m128d d,
                      __m128d rotMask) noexcept {
  const __m128d a = _mm_loadu_pd(p0);
  const __m128d sumAB = _mm_add_pd(a, b);
  const __m128d difAB = _mm_sub_pd(a, b);
  const __m128d sumCD = _mm_add_pd(c, d);
  const __m128d rotCD = _mm_xor_pd(Swap(_mm_sub_pd(c, d)), rotMask);
  _mm_storeu_pd(p0, _mm_add_pd(sumAB, sumCD));
  _mm_storeu_pd(p1, _mm_add_pd(difAB, rotCD));
  _mm_storeu_pd(p2, _mm_sub_pd(sumAB, sumCD));
  _mm_storeu_pd(p3, _mm_sub_pd(difAB, rotCD));
}

}  // namespace rsmp
