#include "graphics/ShadowBlur.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

// A wider kernel changes nothing a screen can show; it would only cost time and memory (and overflow the
// sums). Larger sizes, infinity among them, are taken as this one.
constexpr float kMaxKernelSize = 1024.f;

}  // namespace

ShadowKernel MakeShadowKernel(float scale, float blurSize) {
  const float size = std::min(std::max(1.f, scale * blurSize + 1.f), kMaxKernelSize);
  const int k = static_cast<int>(std::ceil(size));
  ShadowKernel kernel;
  kernel.taps.resize(static_cast<std::size_t>(k));
  for (int i = 0; i < k; ++i)
    kernel.taps[static_cast<std::size_t>(i)] = static_cast<uint8_t>(
        std::lround(255.0 * std::exp(-static_cast<double>(i) * i * 4.5 / (static_cast<double>(size) * size))));
  kernel.norm = kernel.taps[0];
  for (int i = 1; i < k; ++i) kernel.norm += 2 * kernel.taps[static_cast<std::size_t>(i)];
  return kernel;
}

void BlurAlphaPass(const uint8_t* in, std::ptrdiff_t inRowStep, int rows, int samples, uint8_t* out,
                   std::ptrdiff_t outStride, const ShadowKernel& kernel) {
  const int k = static_cast<int>(kernel.taps.size());
  if (k == 0 || kernel.norm <= 0) return;
  const int window = 2 * k + 1;
  for (int i = 0; i < rows; ++i) {
    const uint8_t* row = in + i * inRowStep;
    // run: how many samples up to and including sample `end` equal it.
    int end = -1;
    int run = 0;
    for (int j = 0; j < samples; ++j) {
      // Inside a stretch of equal samples as wide as the window the weighted sum is the sample itself.
      if (j + k < samples) {
        while (end < j + k) {
          ++end;
          run = end > 0 && row[end * 4] == row[(end - 1) * 4] ? run + 1 : 1;
        }
        if (run >= window) {
          out[j * outStride + i * 4] = row[j * 4];
          continue;
        }
      }
      int acc = kernel.taps[0] * row[j * 4];
      for (int m = 1; m < k; ++m) {
        if (j - m >= 0) acc += kernel.taps[static_cast<std::size_t>(m)] * row[(j - m) * 4];
        if (j + m < samples) acc += kernel.taps[static_cast<std::size_t>(m)] * row[(j + m) * 4];
      }
      out[j * outStride + i * 4] = static_cast<uint8_t>(std::min(255, acc / kernel.norm));
    }
  }
}

}  // namespace fx::gfx
