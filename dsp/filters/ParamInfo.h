// Description of one filter parameter: its id, names, range, default, the maps between its native
// value and a 0..1 control value, and its display text. The builders give the standard descriptions.
// A description is an immutable value: any thread may use one; nothing blocks.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace Dsp {

// The native values of a filter's parameters, in the filter's own parameter order.
using ParamValues = std::array<double, 8>;

enum ParamKind : std::int32_t {
  idSampleRate = 0,
  idFrequency = 1,
  idQ = 2,
  idBandwidth = 3,
  idBandwidthHz = 4,
  idGain = 5,
  idSlope = 6,
  idOrder = 7,
  idRippleDb = 8,
  idStopDb = 9,
  idRolloff = 10,
  idPoleRho = 11,
  idPoleTheta = 12,
  idZeroRho = 13,
  idZeroTheta = 14,
  idPoleReal = 15,
  idZeroReal = 16,
};

class ParamInfo {
 public:
  using ToControl = double (*)(const ParamInfo&, double nativeValue);
  using ToNative = double (*)(const ParamInfo&, double controlValue);
  using ToText = std::string (*)(const ParamInfo&, double nativeValue);

  // A description without its maps is meaningless: always throws std::logic_error.
  ParamInfo();
  ParamInfo(ParamKind id, const char* shortName, const char* longName, double arg1, double arg2,
            double defaultNativeValue, ToControl toControl, ToNative toNative, ToText toText);

  ParamKind getId() const { return mId; }
  const char* getShortName() const { return mShortName; }
  const char* getLongName() const { return mLongName; }
  double getArg1() const { return mArg1; }
  double getArg2() const { return mArg2; }
  double getDefaultValue() const { return mDefaultNativeValue; }

  double toControlValue(double nativeValue) const { return mToControl(*this, nativeValue); }
  double toNativeValue(double controlValue) const { return mToNative(*this, controlValue); }
  std::string toString(double nativeValue) const { return mToText(*this, nativeValue); }

  // Limits a native value to the range the control maps span (control 0 to control 1).
  double clamp(double nativeValue) const;

  // Maps (arg1 = lo, arg2 = hi in the units each map works in).
  static double linearToControl(const ParamInfo& info, double nativeValue);
  static double linearToNative(const ParamInfo& info, double controlValue);
  static double integerToNative(const ParamInfo& info, double controlValue);
  static double log15ToControl(const ParamInfo& info, double nativeValue);
  static double log15ToNative(const ParamInfo& info, double controlValue);
  static double pow2ToControl(const ParamInfo& info, double nativeValue);
  static double pow2ToNative(const ParamInfo& info, double controlValue);

  // Display texts, independent of the process locale.
  static std::string integerText(const ParamInfo& info, double nativeValue);
  static std::string hzText(const ParamInfo& info, double nativeValue);
  static std::string realText(const ParamInfo& info, double nativeValue);
  static std::string dbText(const ParamInfo& info, double nativeValue);

  // The standard descriptions.
  static ParamInfo defaultSampleRateParam();
  static ParamInfo defaultCutoffFrequencyParam();
  static ParamInfo defaultCenterFrequencyParam();
  static ParamInfo defaultQParam();
  static ParamInfo defaultBandwidthParam();
  static ParamInfo defaultBandwidthHzParam();
  static ParamInfo defaultGainParam();
  static ParamInfo defaultSlopeParam();
  static ParamInfo defaultRippleDbParam();
  static ParamInfo defaultStopDbParam();
  static ParamInfo defaultRolloffParam();
  static ParamInfo defaultPoleRhoParam();
  static ParamInfo defaultPoleThetaParam();
  static ParamInfo defaultZeroRhoParam();
  static ParamInfo defaultZeroThetaParam();
  static ParamInfo defaultPoleRealParam();
  static ParamInfo defaultZeroRealParam();

 private:
  ParamKind mId;
  const char* mShortName;
  const char* mLongName;
  double mArg1;
  double mArg2;
  double mDefaultNativeValue;
  ToControl mToControl;
  ToNative mToNative;
  ToText mToText;
};

}  // namespace Dsp
