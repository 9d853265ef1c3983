#include "plugin/MeterBank.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kd {

namespace {

// Two doubles and the masks their comparisons give (all bits set where true): one SSE2 register each.
using Pair = double __attribute__((vector_size(16)));
using Mask = std::int64_t __attribute__((vector_size(16)));

constexpr int kFast = 0;  // lanes 0 and 1
constexpr int kHold = 1;  // lanes 2 and 3
constexpr double kSilence = 1e-8;

template <typename Vector>
Vector Half(const std::array<double, 4>& lanes, int half) {
  Vector v;
  std::memcpy(&v, lanes.data() + 2 * half, sizeof(v));
  return v;
}

template <typename Vector>
void StoreHalf(std::array<double, 4>& lanes, int half, Vector v) {
  std::memcpy(lanes.data() + 2 * half, &v, sizeof(v));
}

// max(a, b) that keeps b when a is NaN or equal, as "a > b ? a : b" says.
inline Pair Greater(Pair a, Pair b) {
  return a > b ? a : b;
}

}  // namespace

void MeterBank::Init(double sampleRate, double holdSeconds) {
  const bool usable = std::isfinite(sampleRate) && sampleRate > 0.0;
  mRelease = usable ? std::pow(10.0, -1.0 / sampleRate) : 0.0;
  const double hold = usable ? static_cast<int>(holdSeconds * sampleRate) : 0;
  mHoldLength = {0.0, 0.0, hold, hold};
  mHoldCounter = {};
  ResetLevels();
}

void MeterBank::ResetLevels() {
  mLevel = {};
  mPeak = {};
  mHolding = {};
  mReleasing = {};
}

int MeterBank::Stage(int lane) const {
  const bool holding = Half<Mask>(mHolding, lane / 2)[lane % 2];
  const bool releasing = Half<Mask>(mReleasing, lane / 2)[lane % 2];
  return releasing ? kStageReleasing : holding ? kStageHolding : kStageIdle;
}

// A release step lowers a level by at most the factor r = 10^(-1 / rate) (less the rounding of three
// operations), so over n samples no level can fall below 1e-8 when every level starts above
// 1e-8 / (1 - n (1 - r)) with a margin; an attack only raises a level.
bool MeterBank::MayFallSilent(int n) const {
  const double fall = 1.0 - n * (1.0 - mRelease);
  const double lowest = *std::min_element(mLevel.begin(), mLevel.end());
  return !(fall > 0.5 && lowest * fall * (1.0 - 1e-9) > kSilence);
}

// Both hold meters hold for the whole block: held, and not at the end of the hold even after n samples
// (an attack only restarts the hold).
bool MeterBank::HoldsThrough(int n) const {
  const Mask holding = Half<Mask>(mHolding, kHold);
  const Pair counter = Half<Pair>(mHoldCounter, kHold);
  const Pair length = Half<Pair>(mHoldLength, kHold);
  return holding[0] && holding[1] && counter[0] + n < length[0] && counter[1] + n < length[1];
}

void MeterBank::Process(const double* left, const double* right, int n) {
  const bool mayFallSilent = MayFallSilent(n);
  const bool holdsThrough = HoldsThrough(n);
  // Each combination is its own loop, so that the per-sample work holds nothing the block cannot need.
  if (right) {
    if (mayFallSilent)
      holdsThrough ? Run<true, true, true>(left, right, n) : Run<true, true, false>(left, right, n);
    else
      holdsThrough ? Run<true, false, true>(left, right, n) : Run<true, false, false>(left, right, n);
  } else {
    holdsThrough ? Run<false, true, true>(left, right, n) : Run<false, true, false>(left, right, n);
  }
}

// One step of each meter, with x the sample's amplitude:
//   peak = max(peak, x)
//   x > level:   level = x, counter = 0, holding
//   releasing:   level = (level - x) release + x
//   holding:     when the counter has reached the hold length, releasing from this sample on with one
//                release step; the counter counts on in any case
//   then a level below 1e-8 becomes 0.
// The fast meters have no hold: after an attack they release from the next sample on, and an idle fast
// meter stays at 0 (only a sample that is not above 0, 0 or NaN, leaves it idle). So a fast level is the
// sample on an attack and otherwise the release step, taken towards 0 while idle (which leaves 0): one
// select on the level's path instead of the stage's three.
template <bool kHasRight, bool kMayFallSilent, bool kHoldsThrough>
void MeterBank::Run(const double* left, const double* right, int n) {
  const Pair release = {mRelease, mRelease};
  const Pair zero = {0.0, 0.0};
  const Pair one = {1.0, 1.0};
  const Pair silence = {kSilence, kSilence};
  const Pair holdLength = Half<Pair>(mHoldLength, kHold);
  Pair fastLevel = Half<Pair>(mLevel, kFast);
  Pair fastPeak = Half<Pair>(mPeak, kFast);
  Mask fastHolding = Half<Mask>(mHolding, kFast);
  Mask fastReleasing = Half<Mask>(mReleasing, kFast);
  Pair holdLevel = Half<Pair>(mLevel, kHold);
  Pair holdPeak = Half<Pair>(mPeak, kHold);
  Pair counter = Half<Pair>(mHoldCounter, kHold);
  Mask holding = Half<Mask>(mHolding, kHold);
  Mask releasing = Half<Mask>(mReleasing, kHold);
  for (int i = 0; i < n; ++i) {
    const Pair x = {std::fabs(left[i]), kHasRight ? std::fabs(right[i]) : 0.0};
    fastPeak = Greater(x, fastPeak);
    holdPeak = Greater(x, holdPeak);

    const Mask fastActive = fastHolding | fastReleasing;
    const Pair toward = fastActive ? x : zero;  // an idle meter (at 0) steps towards 0, whatever x is
    const Mask fastAttacked = x > fastLevel;
    fastReleasing = ~fastAttacked & fastActive;
    fastHolding = fastAttacked;
    fastLevel = fastAttacked ? x : (fastLevel - toward) * release + toward;

    const Mask attacked = x > holdLevel;
    if constexpr (kHoldsThrough) {
      holdLevel = Greater(x, holdLevel);
      counter = attacked ? zero : counter + one;
    } else {
      const Mask holdOver = counter >= holdLength;
      const Mask releaseNow = releasing | (holding & holdOver);
      const Pair released = releaseNow ? (holdLevel - x) * release + x : holdLevel;
      holdLevel = attacked ? x : released;
      counter = attacked ? zero : (holding ? counter + one : counter);
      releasing = ~attacked & releaseNow;
      holding = attacked | (holding & ~holdOver);
    }
    if constexpr (kMayFallSilent) {
      fastLevel = fastLevel < silence ? zero : fastLevel;
      holdLevel = holdLevel < silence ? zero : holdLevel;
    }
  }
  StoreHalf(mLevel, kFast, fastLevel);
  StoreHalf(mPeak, kFast, fastPeak);
  StoreHalf(mHolding, kFast, fastHolding);
  StoreHalf(mReleasing, kFast, fastReleasing);
  StoreHalf(mLevel, kHold, holdLevel);
  StoreHalf(mPeak, kHold, holdPeak);
  StoreHalf(mHoldCounter, kHold, counter);
  StoreHalf(mHolding, kHold, holding);
  StoreHalf(mReleasing, kHold, releasing);
}

}  // namespace kd
