// Single-threaded ring of float samples that buffers the classifier's scaled input until the resampler
// has a whole chunk. The samples follow the record's fixed fields in the same memory.
#pragma once

#include <cstdint>

namespace classifier {

struct SampleRing {
  float* data;
  uint32_t capacity;
  uint32_t writeIndex;
  uint32_t readIndex;
};

// All operations: caller's thread, never block, never allocate.

// Bytes for a ring of the given capacity: the fixed fields plus capacity floats.
uint64_t sample_ring_size(uint32_t capacity);

// Lays the ring out in ringSize bytes (at least sample_ring_size(capacity)), zero-fills the samples and
// empties it. Returns 0, or -1 for missing, too small or misaligned memory or a capacity of 0.
int sample_ring_init(SampleRing* ring, uint64_t ringSize, uint32_t capacity);

// Appends count samples. One slot always stays empty so that a full ring is not read as an empty one:
// returns -1 (nothing written) when count exceeds sample_ring_free - 1, else 0.
int sample_ring_push(SampleRing* ring, const float* samples, uint32_t count);

uint32_t sample_ring_count(const SampleRing* ring);
uint32_t sample_ring_free(const SampleRing* ring);

// Removes the count oldest samples into out. Returns -1 (nothing read) when fewer are held, else 0.
int sample_ring_pop(SampleRing* ring, float* out, uint32_t count);

}  // namespace classifier
