// Ring buffers of the short-filter steps (half-band doublers and halvers, fractional interpolator): a
// ring of RingLen samples followed by a tail that repeats its first samples, so that a sum starting
// anywhere in the ring reads on into the tail and never wraps. All of it runs on the processing thread
// and never allocates.
#pragma once

#include <algorithm>
#include <cstring>

namespace rsmp {

// Repeats ring[from .. from + count) in the tail where it lies below `mirrorLen`.
inline void MirrorHead(double* ring, int ringLen, int mirrorLen, int from, int count) noexcept {
  const int end = std::min(from + count, mirrorLen);
  if (from < end) std::memcpy(ring + ringLen + from, ring + from, sizeof(double) * (end - from));
}

// Writes `count` samples at `writePos` (count <= ringLen - writePos) and keeps the tail in step.
inline void WriteMirrored(double* ring, int ringLen, int mirrorLen, int writePos, const double* in,
                          int count) noexcept {
  std::memcpy(ring + writePos, in, sizeof(double) * count);
  MirrorHead(ring, ringLen, mirrorLen, writePos, count);
}

// Runs `convolve(readPos, run)` over `count` read positions from `readPos` on, split where the ring ends
// (each run's last sums reach into the tail); returns the read position after them. RingLen is a power
// of two.
template <int RingLen, typename Convolve>
int ConvolveInRuns(int readPos, int count, Convolve&& convolve) {
  while (count > 0) {
    const int run = std::min(count, RingLen - readPos);
    convolve(readPos, run);
    readPos = (readPos + run) & (RingLen - 1);
    count -= run;
  }
  return readPos;
}

}  // namespace rsmp
