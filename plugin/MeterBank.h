// The four peak meters (fast left, fast right, hold left, hold right), ticked together: the fast pair and
// the hold pair each fill one SSE2 vector of two doubles and every per-sample decision is a branch-free
// select, so the cost does not depend on the signal. The results are exactly those of each meter ticked
// alone: instant attack (the level becomes the sample), a hold for the hold meters, then a release of
// 20 dB per second; a level below 1e-8 becomes 0.
// Only the state at a block's end is observable (the plug-in publishes levels and peaks once per block), so
// a stereo block in which nothing can fall silent or end a hold is worked out in segments run side by side
// (see RunSegmented), with results that are still exactly those of the per-sample steps.
// Each meter also has an attack coefficient and an inverted flag (0 and off after Init, as the plug-in
// leaves them): with an attack c an attack moves the level to (level - x) c + x instead of x, and an
// inverted meter takes 1 - min(x, 1) for the amplitude x. A bank with any of them set is ticked one
// sample and one meter at a time, by the steps as written; one without takes the paths above.
// Audio thread only (and the DSP set-up under the DSP mutex). Never allocates.
#pragma once

#include <array>

namespace kd {

class MeterBank {
 public:
  // Lanes in the plug-in's meter order: 0 fast left, 1 fast right, 2 hold left, 3 hold right.
  static constexpr int kNumLanes = 4;
  enum EStage { kStageIdle = 0, kStageHolding = 1, kStageReleasing = 4 };

  // Release 10^(-1 / rate) per sample; the hold meters hold int(holdSeconds x rate) samples, the fast ones
  // none. Levels, peaks and stages cleared, attacks 0 and no meter inverted. A rate that is not a positive
  // number leaves the release at 0 (an instant fall) and no hold, rather than NaN.
  void Init(double sampleRate, double holdSeconds);
  // Levels, peaks and stages to 0 (the meters' "reset" click).
  void ResetLevels();
  // n samples of the outputs: the left lanes take |left[i]|, the right lanes |right[i]|, or silence when
  // right is null (one output); an inverted lane takes 1 - min(x, 1) of that (so 1 for silence).
  void Process(const double* left, const double* right, int n);
  // The lane's attack coefficient (0: an attack takes the sample itself) and inverted flag.
  void SetAttack(int lane, double attack);
  void SetInverted(int lane, bool inverted);

  double Level(int lane) const { return mLevel[lane]; }
  double Peak(int lane) const { return mPeak[lane]; }
  int Stage(int lane) const;
  int HoldLength(int lane) const { return static_cast<int>(mHoldLength[lane]); }
  double Attack(int lane) const { return mAttack[lane]; }
  bool Inverted(int lane) const { return mInverted[lane] != 0; }

 private:
  using Lanes = std::array<double, kNumLanes>;
  template <bool kHasRight, bool kMayFallSilent, bool kHoldsThrough>
  void Run(const double* left, const double* right, int n);
  // The segmented path (MeterBank.cpp says what it rests on): false, with nothing changed, for a block it
  // does not take.
  bool RunSegmented(const double* left, const double* right, int n);
  bool MayFallSilent(int n) const;
  bool HoldsThrough(int n) const;
  // Every lane by the steps as written, for a bank with an attack or an inverted lane.
  void RunPerSample(const double* left, const double* right, int n);
  void SetStage(int lane, int stage);
  void UpdatePerSample();

  // Counters are held as doubles (exact: a hold never comes near 2^53 samples) so that they share the
  // level's vector shape; stages as masks with all bits set where true.
  double mRelease = 0.0;
  Lanes mHoldLength{};
  Lanes mHoldCounter{};
  Lanes mLevel{};
  Lanes mPeak{};
  Lanes mHolding{};    // stage 1
  Lanes mReleasing{};  // stage 4
  Lanes mAttack{};
  std::array<int, kNumLanes> mInverted{};
  bool mPerSample = false;  // some lane has an attack or is inverted
};

}  // namespace kd
