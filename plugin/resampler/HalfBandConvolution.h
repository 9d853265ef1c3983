// Convolution routines of the half-band steps, one unrolled routine per tap count 1 .. 14 for each
// direction, in plain SSE2 and in AVX2 form, chosen once at construction; and the latency skip both
// steps apply to their output.
#pragma once

#include "plugin/resampler/CDSPHBDownsampler.h"
#include "plugin/resampler/CDSPHBUpsampler.h"

namespace rsmp {

// Routine for `taps` (1 .. kMaxHalfBandTaps): the AVX2 one when `avx2` is set and the processor has
// AVX2, else the plain SSE2 one. Both give the same bits.
CDSPHBUpsampler::ConvolveFn GetHalfBandUpConvolver(int taps, bool avx2) noexcept;
CDSPHBDownsampler::ConvolveFn GetHalfBandDownConvolver(int taps, bool avx2) noexcept;

// Drops the first `latencyLeft` of `written` output samples (counting the drop down across calls) by
// moving `out` forward; returns the number of samples left.
inline int SkipLatency(int written, int& latencyLeft, double*& out) noexcept {
  if (latencyLeft == 0) return written;
  if (latencyLeft >= written) {
    latencyLeft -= written;
    return 0;
  }
  out += latencyLeft;
  written -= latencyLeft;
  latencyLeft = 0;
  return written;
}

}  // namespace rsmp
