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
  mAttack = {};
  mInverted = {};
  mPerSample = false;
  ResetLevels();
}

void MeterBank::SetAttack(int lane, double attack) {
  mAttack[lane] = attack;
  UpdatePerSample();
}

void MeterBank::SetInverted(int lane, bool inverted) {
  mInverted[lane] = inverted ? 1 : 0;
  UpdatePerSample();
}

void MeterBank::UpdatePerSample() {
  mPerSample = false;
  for (int lane = 0; lane < kNumLanes; ++lane) mPerSample = mPerSample || mAttack[lane] != 0.0 || mInverted[lane];
}

void MeterBank::SetStage(int lane, int stage) {
  const std::int64_t holding = stage == kStageHolding ? -1 : 0;
  const std::int64_t releasing = stage == kStageReleasing ? -1 : 0;
  std::memcpy(&mHolding[lane], &holding, sizeof(holding));
  std::memcpy(&mReleasing[lane], &releasing, sizeof(releasing));
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
  if (mPerSample) {
    RunPerSample(left, right, n);
    return;
  }
  const bool mayFallSilent = MayFallSilent(n);
  const bool holdsThrough = HoldsThrough(n);
  if (right && !mayFallSilent && holdsThrough && RunSegmented(left, right, n)) return;
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

// One meter after the other, each sample by the steps: x (inverted: 1 - min(x, 1)); peak = max(peak, x);
// above the level an attack (level = (level - x) attack + x, counter 0, holding); else releasing a
// release step; else holding: the release starts (with one step) once the counter has reached the hold
// length, and the counter counts on; then a level below 1e-8 becomes 0.
void MeterBank::RunPerSample(const double* left, const double* right, int n) {
  for (int lane = 0; lane < kNumLanes; ++lane) {
    const double* samples = lane % 2 == 0 ? left : right;
    const bool inverted = mInverted[lane] != 0;
    const double attack = mAttack[lane];
    const double holdLength = mHoldLength[lane];
    double level = mLevel[lane];
    double peak = mPeak[lane];
    double counter = mHoldCounter[lane];
    int stage = Stage(lane);
    for (int i = 0; i < n; ++i) {
      double x = samples ? std::fabs(samples[i]) : 0.0;
      if (inverted) x = 1.0 - std::min(x, 1.0);
      if (x > peak) peak = x;
      if (x > level) {
        level = attack == 0.0 ? x : (level - x) * attack + x;
        counter = 0.0;
        stage = kStageHolding;
      } else if (stage == kStageReleasing) {
        level = (level - x) * mRelease + x;
      } else if (stage == kStageHolding) {
        if (counter >= holdLength) {
          stage = kStageReleasing;
          level = (level - x) * mRelease + x;
        }
        counter += 1.0;
      }
      if (level < kSilence) level = 0.0;
    }
    mLevel[lane] = level;
    mPeak[lane] = peak;
    mHoldCounter[lane] = counter;
    SetStage(lane, stage);
  }
}

// ---- The segmented path ----
//
// For a stereo block of finite samples in which no level can fall silent and both hold meters hold
// throughout. What it rests on:
// - The hold meters only ever attack: their levels end at the block's largest sample if that is above the
//   held level, their counters then count from its first occurrence; peaks are the largest sample.
// - A fast meter's step is monotone in the level, and an attack sets the level whatever it was, so runs
//   from different levels are equal from the first attack of the higher one on. No release step raises a
//   level, so a level is never above the largest of its start and the samples so far.
// - So the block's first n - 1 samples are cut into segments, each run from that bound (the first from
//   the true state), all side by side: from its first attack on, a segment's run is the true one, and the
//   true state at its end is known. Then each lane runs on one sample at a time from the end of its last
//   segment known that way, over the block's last sample too (whose attack decides the stage).
// The segments' runs are independent, so they fill the pipeline where one run waits on its previous
// sample; what stays serial is the tail after each lane's last known attack.

namespace {

constexpr int kSegments = 8;
constexpr int kGroup = 4;  // segments run side by side at a time, the later group first
constexpr int kMinSegment = 16;
// A release step never raises a level while the release factor is below 1 by more than three roundings
// can make up: far below any factor a real sample rate gives.
constexpr double kMaxSegmentedRelease = 1.0 - 0x1p-40;

struct Segments {
  std::array<int, kSegments + 1> begin{};  // begin[kSegments] is n - 1
  int length = 0;                          // of each segment but the last, which takes the remainder
  std::array<Pair, kSegments> largest{};   // of each segment, the last one's with sample n - 1
  std::array<Pair, kSegments> level{};     // each segment's run at its end
  std::array<Mask, kSegments> attacked{};
};

inline Pair Frame(const double* left, const double* right, int i) {
  return Pair{std::fabs(left[i]), std::fabs(right[i])};
}

// A fast meter's step for a running meter on finite samples and levels: the sample on an attack
// (x > level), else the release step. The larger of the two is the select's answer: the step gives at least
// x from a level at or above x (every rounding is monotone, and (x - x) r + x is x) and at most x from a
// level below x. On an infinite or NaN sample the level turns NaN and stays so.
inline Pair FastStep(Pair x, Pair level, Pair release) {
  return Greater(x, (level - x) * release + x);
}

// The largest magnitude in [begin, end), which holds at least eight samples; infinite when a sample there is.
// The samples go in groups of eight, the last group overlapping the one before when the length is no multiple
// of eight (a sample seen twice changes no largest). The comparisons pass over a NaN; with kFindNaN a NaN
// gives NaN: the magnitudes are also summed (in two sums, so that each waits on itself only every eighth
// sample), and a sum of magnitudes is finite whenever every sample is and never when one is not. A sum that
// overflows on finite samples (far beyond any signal) is settled by an exact second look.
template <bool kFindNaN>
inline double Largest(const double* p, int begin, int end) {
  std::array<Pair, 4> largest{};
  std::array<Pair, 2> sum{};
  const auto scanEight = [&](int at) {
    std::array<Pair, 4> magnitude;
    for (int k = 0; k < 4; ++k) {
      Pair v;
      std::memcpy(&v, p + at + 2 * k, sizeof(v));
      magnitude[k] = Pair{std::fabs(v[0]), std::fabs(v[1])};
      largest[k] = Greater(magnitude[k], largest[k]);
    }
    if constexpr (kFindNaN) {
      sum[0] += magnitude[0] + magnitude[1];
      sum[1] += magnitude[2] + magnitude[3];
    }
  };
  int i = begin;
  for (; i + 8 <= end; i += 8) scanEight(i);
  if (i < end) scanEight(end - 8);
  const Pair pairs = Greater(Greater(largest[0], largest[1]), Greater(largest[2], largest[3]));
  if constexpr (kFindNaN) {
    const Pair sums = sum[0] + sum[1];
    if (!std::isfinite(sums[0] + sums[1])) {
      for (i = begin; i < end; ++i) {
        if (std::isnan(p[i])) return p[i];
      }
    }
  }
  return std::max(pairs[0], pairs[1]);
}

// The segments [first, first + kGroup) side by side from their levels.
inline void RunGroup(const double* left, const double* right, int first, Pair release, Segments& seg) {
  std::array<Pair, kGroup> level;
  std::array<Mask, kGroup> attacked{};
  for (int k = 0; k < kGroup; ++k) level[k] = seg.level[first + k];
  const int length = seg.length;
  for (int i = 0; i < length; ++i) {
#pragma GCC unroll 4
    for (int k = 0; k < kGroup; ++k) {
      const Pair x = Frame(left, right, seg.begin[first + k] + i);
      attacked[k] |= x > level[k];
      level[k] = FastStep(x, level[k], release);
    }
  }
  constexpr int kLast = kGroup - 1;
  if (first + kLast == kSegments - 1) {
    for (int i = seg.begin[kSegments - 1] + length; i < seg.begin[kSegments]; ++i) {
      const Pair x = Frame(left, right, i);
      attacked[kLast] |= x > level[kLast];
      level[kLast] = FastStep(x, level[kLast], release);
    }
  }
  for (int k = 0; k < kGroup; ++k) {
    seg.level[first + k] = level[k];
    seg.attacked[first + k] = attacked[k];
  }
}

// From the known segment ends to sample n - 1 (exclusive): lane l starts at the end of segment known[l].
// Speculating (kNoAttack), every step is taken as a release, and false comes back when a lane attacked
// after its start, which then needs the run again without speculation.
template <bool kNoAttack>
inline bool RunTail(const double* left, const double* right, const Segments& seg, const std::array<int, 2>& known,
                    Pair release, Pair& fast) {
  const int first = std::min(known[0], known[1]);
  fast = seg.level[first];
  Mask attackedAfterStart = {0, 0};
  for (int s = first + 1; s <= kSegments; ++s) {
    const Mask take = {known[0] == s - 1 ? -1 : 0, known[1] == s - 1 ? -1 : 0};
    fast = take ? seg.level[s - 1] : fast;
    const int end = s < kSegments ? seg.begin[s + 1] : seg.begin[kSegments];
    const int begin = s < kSegments ? seg.begin[s] : end;
    Mask attacked = {0, 0};
    for (int i = begin; i < end; ++i) {
      const Pair x = Frame(left, right, i);
      if constexpr (kNoAttack) {
        attacked |= x > fast;
        fast = (fast - x) * release + x;
      } else {
        fast = FastStep(x, fast, release);
      }
    }
    const Mask started = {known[0] < s ? -1 : 0, known[1] < s ? -1 : 0};
    attackedAfterStart |= attacked & started;
  }
  return !(attackedAfterStart[0] || attackedAfterStart[1]);
}

}  // namespace

bool MeterBank::RunSegmented(const double* left, const double* right, int n) {
  if (n < kSegments * kMinSegment + 1 || !(mRelease <= kMaxSegmentedRelease) || !std::isfinite(mLevel[0]) ||
      !std::isfinite(mLevel[1])) {
    return false;
  }
  Segments seg;
  seg.length = (n - 1) / kSegments;
  for (int s = 0; s < kSegments; ++s) seg.begin[s] = s * seg.length;
  seg.begin[kSegments] = n - 1;
  // A NaN or infinite sample anywhere: the per-sample steps carry it exactly. An infinite one makes its
  // segment's largest infinite. A NaN is looked for here in the earlier group, which may never run; the later
  // group always runs, and a NaN leaves its segment's run at NaN (checked below).
  for (int s = 0; s < kSegments; ++s) {
    const int begin = seg.begin[s];
    const int end = s + 1 < kSegments ? seg.begin[s + 1] : n;
    seg.largest[s] = s < kSegments - kGroup ? Pair{Largest<true>(left, begin, end), Largest<true>(right, begin, end)}
                                            : Pair{Largest<false>(left, begin, end), Largest<false>(right, begin, end)};
    if (!std::isfinite(seg.largest[s][0]) || !std::isfinite(seg.largest[s][1])) return false;
  }
  const Pair fastStart = Half<Pair>(mLevel, kFast);
  Pair bound = fastStart;
  for (int s = 0; s < kSegments; ++s) {
    seg.level[s] = bound;
    bound = Greater(seg.largest[s], bound);
  }
  const Pair release = {mRelease, mRelease};

  // The later segments first: when each lane has a known end among them, the earlier ones are not needed.
  std::array<int, 2> known{0, 0};
  for (int first = kSegments - kGroup; first >= 0; first -= kGroup) {
    RunGroup(left, right, first, release, seg);
    for (int s = first + kGroup - 1; s >= first; --s) {
      for (int lane = 0; lane < 2; ++lane) {
        if (known[lane] == 0 && seg.attacked[s][lane]) known[lane] = s;
      }
    }
    if (known[0] > 0 && known[1] > 0) break;
  }
  // A NaN or infinite sample leaves its segment's run at NaN; a segment not run holds its finite bound.
  for (const Pair& level : seg.level) {
    if (std::isnan(level[0]) || std::isnan(level[1])) return false;
  }
  const Pair last = Frame(left, right, n - 1);
  if (!std::isfinite(last[0]) || !std::isfinite(last[1])) return false;

  Pair fast;
  if (!RunTail<true>(left, right, seg, known, release, fast)) RunTail<false>(left, right, seg, known, release, fast);
  const Mask lastAttacked = last > fast;
  fast = FastStep(last, fast, release);

  // The hold meters, the peaks and the fast meters' stages.
  Pair blockLargest = seg.largest[0];
  for (const Pair& l : seg.largest) blockLargest = Greater(l, blockLargest);
  Pair holdLevel = Half<Pair>(mLevel, kHold);
  Pair counter = Half<Pair>(mHoldCounter, kHold);
  const double* const channels[2] = {left, right};
  for (int lane = 0; lane < 2; ++lane) {
    if (!(blockLargest[lane] > holdLevel[lane])) {
      counter[lane] += n;
      continue;
    }
    int s = 0;
    while (seg.largest[s][lane] != blockLargest[lane]) ++s;
    int i = seg.begin[s];
    while (std::fabs(channels[lane][i]) != blockLargest[lane]) ++i;
    counter[lane] = n - 1 - i;
    holdLevel[lane] = blockLargest[lane];
  }
  StoreHalf(mLevel, kFast, fast);
  StoreHalf(mHolding, kFast, lastAttacked);
  StoreHalf(mReleasing, kFast, ~lastAttacked);
  StoreHalf(mPeak, kFast, Greater(blockLargest, Half<Pair>(mPeak, kFast)));
  StoreHalf(mLevel, kHold, holdLevel);
  StoreHalf(mPeak, kHold, Greater(blockLargest, Half<Pair>(mPeak, kHold)));
  StoreHalf(mHoldCounter, kHold, counter);
  return true;
}

}  // namespace kd
