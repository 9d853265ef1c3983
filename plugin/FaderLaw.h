// The faders' law: fader position (0..1) to dB and gain, the minus-infinity and lock rules, and the
// inverse mapping of a gain to the position the modulation views plot. Any thread; nothing here blocks or
// allocates.
#pragma once

namespace kd {

// 20 / ln 10 and ln 10 / 20: dB = ln(g) x kDBPerNeper, g = exp(dB x kNeperPerDB).
inline constexpr double kDBPerNeper = 8.685889638065037;
inline constexpr double kNeperPerDB = 0.11512925464970228;

// (1 - 2p) x minGain below the middle, (2p - 1) x maxGain from it: position 0.5 is 0 dB whatever the range.
double FaderPositionToDB(double position, double minGain, double maxGain);
double DBToGain(double dB);
// dB taken to two decimals, as the faders show it: floor(dB x 100 + 0.5) / 100.
double RoundToHundredths(double dB);
// The gain's dB (-384 for a gain that is not above 0) limited to minGain..maxGain, as a position:
// 0 at the minimum, 0.5 at 0 dB, 1 at the maximum.
double GainToViewPosition(double gain, double minGain, double maxGain);

// What turns one fader's position into its gain, fixed for a block.
struct FaderRules {
  double minGain = -48.0;
  double maxGain = 48.0;
  double minRounded = -48.0;  // the minus-infinity threshold, "Min volume" to two decimals
  bool treatMinAsInf = true;
  bool lock = false;
  bool operator==(const FaderRules&) const = default;
};

// The position from which a ramp to position under rules starts at gain: between position and the end of the fader
// toward gain, the one whose gain comes nearest gain without going past it. Every position between the two then
// plays a gain between gain and position's own, whatever the rules (lock, range, minus infinity). position itself
// for a gain that is NaN or position's own, or a position outside 0..1.
double PositionTowardGain(double gain, double position, const FaderRules& rules);

// The gain of a position under the rules: 0 when minus infinity applies and the shown dB is not above the
// threshold, at most 1 when locked. Remembers its last answer and computes again only when the position
// or the rules change, so a still fader costs a comparison per sample instead of an exponential.
class FaderGain {
 public:
  static double Compute(double position, const FaderRules& rules);
  // The rules for the positions that follow (a block's worth).
  void SetRules(const FaderRules& rules) {
    if (!(rules == mRules)) {
      mRules = rules;
      mValid = false;
    }
  }
  double Get(double position) {
    if (!mValid || position != mPosition) {
      mGain = Compute(position, mRules);
      mPosition = position;
      mValid = true;
    }
    return mGain;
  }

 private:
  bool mValid = false;
  double mPosition = 0.0;
  FaderRules mRules;
  double mGain = 1.0;
};

}  // namespace kd
