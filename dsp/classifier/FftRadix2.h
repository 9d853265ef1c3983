// In-place radix-2 complex FFT used by the classifier's feature modules (sizes 2 to 1024).
#pragma once

namespace classifier {

inline constexpr int kFftMaxSize = 1024;

// Forward DFT, X[k] = sum x[t] e^(-2 pi i k t / n), without scaling, of the sequence held as real and
// imaginary float arrays of n entries. Returns 0, or -1 (arrays untouched) unless n is a power of two
// from 2 to 1024. Any thread; never blocks, never allocates.
int fft_radix2(float* re, float* im, int n);

// Circular autocorrelation of the sequence in re and im, scaled by n: transforms, replaces every bin by
// its power and transforms again, leaving n R[lag] in re[lag] (and 0 in im for a real sequence).
// Returns fft_radix2's result. Any thread; never blocks, never allocates.
int fft_autocorrelation(float* re, float* im, int n);

}  // namespace classifier
