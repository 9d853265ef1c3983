#include "dsp/classifier/StumpVote.h"

#include <algorithm>
#include <iterator>

#include "dsp/classifier/ClassifierMemory.h"

namespace classifier {

namespace {

struct Stump {
  uint32_t feature;
  float threshold;
  float sign;
  float weight;
};

// Trained stumps; each value is the shortest decimal of the stored single-precision number.
constexpr Stump kStumps[] = {
    {0, 5.694554f, 1.0f, 1.123807f},  {3, 1.44407f, 1.0f, 0.765697f},   {4, 0.844887f, -1.0f, 0.412701f},
    {0, 5.807882f, 1.0f, 0.42657f},   {6, 0.24544f, -1.0f, 0.458908f},  {5, 0.200922f, -1.0f, 0.32631f},
    {5, 0.196127f, -1.0f, 0.292287f}, {0, 5.82425f, 1.0f, 0.306604f},   {4, 0.862523f, -1.0f, 0.262362f},
    {1, -10.885657f, 1.0f, 0.14712f}, {2, 6.042284f, 1.0f, 0.084314f},  {0, 5.820881f, 1.0f, 0.077929f},
    {5, 0.194203f, -1.0f, 0.046505f}, {2, 5.974709f, 1.0f, 0.101153f},  {0, 5.818805f, 1.0f, 0.023984f},
    {5, 0.194148f, -1.0f, 0.014321f}, {4, 0.866923f, -1.0f, 0.045337f}, {5, 0.194921f, -1.0f, 0.022334f},
    {0, 5.820068f, 1.0f, 0.015777f},  {4, 0.868066f, -1.0f, 0.01912f},
};

float stump_vote_score(const float* features) {
  float score = 0.0f;
  for (const Stump& stump : kStumps) {
    const bool below = features[stump.feature] - stump.threshold < 0.0f;
    score += (below ? -stump.sign : stump.sign) * stump.weight;
  }
  return score;
}

}  // namespace

uint64_t stump_vote_size() {
  return sizeof(StumpVoteState);
}

int stump_vote_init(StumpVoteState* state, uint64_t size) {
  if (!is_usable_memory(state, size, stump_vote_size())) return -1;
  std::fill(std::begin(state->scores), std::end(state->scores), 0.0f);
  state->index = 0;
  return 0;
}

int stump_vote_decide(StumpVoteState* state, const float* features) {
  if (state == nullptr || features == nullptr) return -1;
  state->scores[state->index] = stump_vote_score(features);
  state->index = (state->index + 1) % kVoteScoreCount;
  float total = 0.0f;
  for (float s : state->scores) total += s;
  return total < 0.0f ? 0 : 1;
}

}  // namespace classifier
