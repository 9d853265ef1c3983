#include <gtest/gtest.h>

#include <algorithm>

#include "tools/vst2host/SignalGenerator.h"

namespace vsthost {
namespace {

TEST(SignalGenerator, SineHitsItsQuarterPeriodPoints) {
  // 2 kHz at 16 kHz: eight samples per period, so frames 0, 2, 4, 6 are 0, +A, 0, -A.
  SignalSpec spec{ESignal::kSine, 16000, 2, 8, 2000.0, 0.5, 1};
  const Audio audio = GenerateSignal(spec);
  ASSERT_EQ(audio.channels.size(), 2u);
  ASSERT_EQ(audio.NumFrames(), 8);
  const float expected[] = {0.0f, 0.35355339f, 0.5f, 0.35355339f, 0.0f, -0.35355339f, -0.5f, -0.35355339f};
  for (int f = 0; f < 8; ++f) {
    EXPECT_NEAR(audio.channels[0][f], expected[f], 1e-6) << f;
    EXPECT_EQ(audio.channels[1][f], audio.channels[0][f]);
  }
}

TEST(SignalGenerator, ImpulseIsOneSampleAtTheStart) {
  const Audio audio = GenerateSignal({ESignal::kImpulse, 44100, 1, 5, 0.0, 0.75, 1});
  EXPECT_EQ(audio.channels[0], (std::vector<float>{0.75f, 0.0f, 0.0f, 0.0f, 0.0f}));
}

TEST(SignalGenerator, NoiseIsBoundedAndRepeatsForTheSameSeed) {
  const SignalSpec spec{ESignal::kNoise, 44100, 1, 4096, 0.0, 0.25, 7};
  const Audio a = GenerateSignal(spec);
  const Audio b = GenerateSignal(spec);
  EXPECT_EQ(a.channels, b.channels);
  const auto [lo, hi] = std::minmax_element(a.channels[0].begin(), a.channels[0].end());
  EXPECT_GE(*lo, -0.25f);
  EXPECT_LT(*hi, 0.25f);
  EXPECT_LT(*lo, -0.2f);  // spread over the range, not stuck
  EXPECT_GT(*hi, 0.2f);
  SignalSpec other = spec;
  other.seed = 8;
  EXPECT_NE(GenerateSignal(other).channels, a.channels);
}

TEST(SignalGenerator, ZeroFramesOrChannelsGiveNoAudio) {
  EXPECT_TRUE(GenerateSignal({ESignal::kSine, 44100, 2, 0, 440.0, 0.5, 1}).channels.empty());
  EXPECT_TRUE(GenerateSignal({ESignal::kSine, 44100, 0, 10, 440.0, 0.5, 1}).channels.empty());
  EXPECT_TRUE(GenerateSignal({ESignal::kSine, 0, 1, 10, 440.0, 0.5, 1}).channels.empty());
}

TEST(SignalGenerator, ParsesOnlyTheThreeKinds) {
  ESignal kind = ESignal::kSine;
  EXPECT_TRUE(ParseSignalKind("noise", kind));
  EXPECT_EQ(kind, ESignal::kNoise);
  EXPECT_TRUE(ParseSignalKind("impulse", kind));
  EXPECT_EQ(kind, ESignal::kImpulse);
  EXPECT_FALSE(ParseSignalKind("Sine", kind));
  EXPECT_FALSE(ParseSignalKind("", kind));
  EXPECT_EQ(kind, ESignal::kImpulse);
}

}  // namespace
}  // namespace vsthost
