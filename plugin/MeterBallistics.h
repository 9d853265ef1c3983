// One peak meter's ballistics: instant attack, an optional hold, then a release of 20 dB per second.
// The plug-in runs four: fast and hold meters for the left and the right output.
// Audio thread only; the plug-in publishes level and peak to the main thread once per block.
#pragma once

#include <algorithm>

namespace kd {

class MeterBallistics {
 public:
  enum EStage { kStageIdle = 0, kStageHolding = 1, kStageReleasing = 4 };

  // The attack coefficient 10^(-1 / (0 x rate)) is 0 (instant); release 10^(-1 / rate) per sample; the
  // hold is int(holdSeconds x rate) samples. Levels, peak and stage cleared. A rate that is not a
  // positive number leaves the release at 0 (an instant fall) rather than NaN.
  void Init(double sampleRate, double holdSeconds);
  // One sample of amplitude x (>= 0). Inline: the audio thread runs four of these per sample frame.
  void Tick(double x) {
    mPeak = std::max(mPeak, x);
    if (x > mLevel) {
      mLevel = (mLevel - x) * mAttack + x;
      mHoldCounter = 0;
      mStage = kStageHolding;
    } else if (mStage == kStageReleasing) {
      mLevel = (mLevel - x) * mRelease + x;
    } else if (mStage == kStageHolding) {
      if (mHoldCounter >= mHoldLength) {
        mStage = kStageReleasing;
        mLevel = (mLevel - x) * mRelease + x;
      }
      ++mHoldCounter;
    }
    if (mLevel < kSilence) mLevel = 0.0;
  }

  // Level, peak and stage to 0 (the meter's "reset" click).
  void ResetLevels();

  double Level() const { return mLevel; }
  double Peak() const { return mPeak; }
  int Stage() const { return mStage; }
  int HoldLength() const { return mHoldLength; }

 private:
  static constexpr double kSilence = 1e-8;

  double mAttack = 0.0;
  double mRelease = 0.0;
  int mHoldLength = 0;
  int mHoldCounter = 0;
  double mLevel = 0.0;
  double mPeak = 0.0;
  int mStage = kStageIdle;
};

}  // namespace kd
