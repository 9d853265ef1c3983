#include "dsp/classifier/FftRadix2.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace classifier {

namespace {

// log2 of n for the supported sizes, else -1.
int supported_log2(int n) {
  for (int m = 1; (1 << m) <= kFftMaxSize; ++m) {
    if ((1 << m) == n) return m;
  }
  return -1;
}

// One decimation-in-frequency stage over butterflies of the given span. The twiddle factor advances by
// complex multiplication with e^(-2 pi i / span), rounded to single precision.
void dif_stage(float* re, float* im, int n, int span) {
  const int half = span / 2;
  const double angle = 2.0 * std::numbers::pi / span;
  const float stepRe = static_cast<float>(std::cos(angle));
  const float stepIm = static_cast<float>(-std::sin(angle));
  float wRe = 1.0f;
  float wIm = 0.0f;
  for (int j = 0; j < half; ++j) {
    for (int k = j; k < n; k += span) {
      const float aRe = re[k];
      const float aIm = im[k];
      const float bRe = re[k + half];
      const float bIm = im[k + half];
      re[k] = aRe + bRe;
      im[k] = aIm + bIm;
      const float dRe = aRe - bRe;
      const float dIm = aIm - bIm;
      re[k + half] = dRe * wRe - dIm * wIm;
      im[k + half] = dRe * wIm + dIm * wRe;
    }
    const float nextRe = wRe * stepRe - wIm * stepIm;
    wIm = wRe * stepIm + wIm * stepRe;
    wRe = nextRe;
  }
}

void last_stage(float* re, float* im, int n) {
  for (int k = 0; k < n; k += 2) {
    const float aRe = re[k];
    const float aIm = im[k];
    re[k] = aRe + re[k + 1];
    im[k] = aIm + im[k + 1];
    re[k + 1] = aRe - re[k + 1];
    im[k + 1] = aIm - im[k + 1];
  }
}

int bit_reversed(int i, int bits) {
  int r = 0;
  for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
  return r;
}

void bit_reversal_permutation(float* re, float* im, int n, int bits) {
  for (int i = 0; i < n - 1; ++i) {
    const int j = bit_reversed(i, bits);
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
}

}  // namespace

int fft_radix2(float* re, float* im, int n) {
  const int m = supported_log2(n);
  if (m < 0 || re == nullptr || im == nullptr) return -1;
  for (int stage = 0; stage <= m - 2; ++stage) dif_stage(re, im, n, 1 << (m - stage));
  last_stage(re, im, n);
  bit_reversal_permutation(re, im, n, m);
  return 0;
}

int fft_autocorrelation(float* re, float* im, int n) {
  if (fft_radix2(re, im, n) != 0) return -1;
  for (int k = 0; k < n; ++k) {
    re[k] = re[k] * re[k] + im[k] * im[k];
    im[k] = 0.0f;
  }
  return fft_radix2(re, im, n);
}

}  // namespace classifier
