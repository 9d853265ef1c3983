// The separable blur of a layer's alpha channel that drop shadows are made from: a truncated Gaussian of
// byte taps, run once along the rows and once along the columns, each pass writing its rows as columns so
// the second pass again reads along rows. Plain functions: any thread, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fx::gfx {

struct ShadowKernel {
  std::vector<uint8_t> taps;  // tap i weighs the samples i away from the centre
  int norm = 0;               // tap 0 + 2 * (taps 1 .. k-1)
};

// size = max(1, scale * blurSize + 1), at most 1024; k = ceil(size) taps of round(255 * exp(-i^2 * 4.5 / size^2)).
ShadowKernel MakeShadowKernel(float scale, float blurSize);

// One pass over `rows` rows of `samples` alpha bytes, 4 bytes apart, the rows inRowStep bytes apart (negative
// walks upwards). Sample j of row i goes to out[j * outStride + i * 4]. Taps that fall outside a row are left
// out while the norm stays, so edges come out lighter. Where 2k + 1 consecutive samples are equal the output is
// that value, taken without summing.
void BlurAlphaPass(const uint8_t* in, std::ptrdiff_t inRowStep, int rows, int samples, uint8_t* out,
                   std::ptrdiff_t outStride, const ShadowKernel& kernel);

}  // namespace fx::gfx
