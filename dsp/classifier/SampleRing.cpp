#include "dsp/classifier/SampleRing.h"

#include <algorithm>

#include "dsp/classifier/ClassifierMemory.h"

namespace classifier {

uint64_t sample_ring_size(uint32_t capacity) {
  return sizeof(SampleRing) + uint64_t{capacity} * sizeof(float);
}

int sample_ring_init(SampleRing* ring, uint64_t ringSize, uint32_t capacity) {
  if (capacity == 0 || !is_usable_memory(ring, ringSize, sample_ring_size(capacity))) return -1;
  ring->data = reinterpret_cast<float*>(ring + 1);
  ring->capacity = capacity;
  ring->writeIndex = 0;
  ring->readIndex = 0;
  std::fill_n(ring->data, capacity, 0.0f);
  return 0;
}

int sample_ring_push(SampleRing* ring, const float* samples, uint32_t count) {
  if (count == 0) return 0;
  if (samples == nullptr || count >= sample_ring_free(ring)) return -1;
  const uint32_t first = std::min(count, ring->capacity - ring->writeIndex);
  std::copy_n(samples, first, ring->data + ring->writeIndex);
  std::copy_n(samples + first, count - first, ring->data);
  ring->writeIndex = (ring->writeIndex + count) % ring->capacity;
  return 0;
}

uint32_t sample_ring_count(const SampleRing* ring) {
  return (ring->writeIndex + ring->capacity - ring->readIndex) % ring->capacity;
}

uint32_t sample_ring_free(const SampleRing* ring) {
  return ring->capacity - sample_ring_count(ring);
}

int sample_ring_pop(SampleRing* ring, float* out, uint32_t count) {
  if (count == 0) return 0;
  if (out == nullptr || count > sample_ring_count(ring)) return -1;
  const uint32_t first = std::min(count, ring->capacity - ring->readIndex);
  std::copy_n(ring->data + ring->readIndex, first, out);
  std::copy_n(ring->data, count - first, out + first);
  ring->readIndex = (ring->readIndex + count) % ring->capacity;
  return 0;
}

}  // namespace classifier
