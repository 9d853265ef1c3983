// The classifier's decision: a weighted vote of twenty decision stumps over the seven features, smoothed
// by summing the last four vote scores.
#pragma once

#include <cstdint>

namespace classifier {

inline constexpr uint32_t kFeatureCount = 7;
inline constexpr uint32_t kVoteScoreCount = 4;

struct StumpVoteState {
  float scores[kVoteScoreCount];
  uint32_t index;
};

// All operations: caller's thread, never block, never allocate.
uint64_t stump_vote_size();
// Clears the remembered scores. Returns 0, or -1 for missing, small or misaligned memory.
int stump_vote_init(StumpVoteState* state, uint64_t size);
// Scores the kFeatureCount features, remembers the score and returns 0 when the sum of the last four scores
// is negative, else 1 (also for a NaN sum); -1 for a missing pointer.
int stump_vote_decide(StumpVoteState* state, const float* features);

}  // namespace classifier
