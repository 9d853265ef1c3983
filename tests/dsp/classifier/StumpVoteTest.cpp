#include "dsp/classifier/StumpVote.h"

#include <gtest/gtest.h>

#include <cmath>

namespace classifier {
namespace {

// Sums of the trained weights, added by hand from the stump table: stumps whose sign is +1 weigh
// 3.072955 together, stumps whose sign is -1 weigh 1.900185; stump 10 (feature 1, threshold -10.885657,
// sign +1) weighs 0.14712.
constexpr double kAllAbove = 3.072955 - 1.900185;
constexpr double kAllBelow = -kAllAbove;
constexpr double kSilence = kAllBelow + 2 * 0.14712;

class Vote {
 public:
  Vote() { EXPECT_EQ(stump_vote_init(&mState, sizeof mState), 0); }
  int decide(float value) {
    float features[kFeatureCount];
    std::fill(std::begin(features), std::end(features), value);
    return stump_vote_decide(&mState, features);
  }
  int decide(const float* features) { return stump_vote_decide(&mState, features); }
  float lastScore() const { return mState.scores[(mState.index + kVoteScoreCount - 1) % kVoteScoreCount]; }

 private:
  StumpVoteState mState{};
};

TEST(StumpVote, ScoresEachStumpBySideOfItsThreshold) {
  struct Row {
    const char* name;
    float features;
    double score;
    int decision;
  };
  const Row rows[] = {
      {"all features zero", 0.0f, kSilence, 0},
      {"all far above", 1e6f, kAllAbove, 1},
      {"all far below", -1e6f, kAllBelow, 0},
  };
  for (const Row& row : rows) {
    Vote vote;
    EXPECT_EQ(vote.decide(row.features), row.decision) << row.name;
    EXPECT_NEAR(vote.lastScore(), row.score, 1e-5) << row.name;
  }
  EXPECT_NEAR(kSilence, -0.8785, 1e-4);
}

TEST(StumpVote, AValueAtTheThresholdIsNotBelowIt) {
  float features[kFeatureCount] = {};
  Vote atThreshold;
  features[1] = -10.885657f;
  atThreshold.decide(features);
  EXPECT_NEAR(atThreshold.lastScore(), kSilence, 1e-5);

  Vote justBelow;
  features[1] = std::nextafter(-10.885657f, -100.0f);
  justBelow.decide(features);
  EXPECT_NEAR(justBelow.lastScore(), kSilence - 2 * 0.14712, 1e-5);
}

TEST(StumpVote, DecidesOnTheSumOfTheLastFourScores) {
  Vote vote;
  EXPECT_EQ(vote.decide(1e6f), 1);  // +1.17 with three empty slots
  EXPECT_EQ(vote.decide(0.0f), 1);  // +1.17 - 0.88
  EXPECT_EQ(vote.decide(0.0f), 0);  // +1.17 - 1.76
  EXPECT_EQ(vote.decide(1e6f), 1);  // +2.35 - 1.76
  EXPECT_EQ(vote.decide(0.0f), 0);  // the first score has left: +1.17 - 2.64
}

TEST(StumpVote, RefusesMissingPointersAndSmallMemory) {
  StumpVoteState state{};
  const float features[kFeatureCount] = {};
  EXPECT_EQ(stump_vote_decide(nullptr, features), -1);
  EXPECT_EQ(stump_vote_decide(&state, nullptr), -1);
  EXPECT_EQ(stump_vote_init(&state, sizeof state - 1), -1);
  EXPECT_EQ(stump_vote_init(nullptr, sizeof state), -1);
}

}  // namespace
}  // namespace classifier
