#include "dsp/filters/ParamInfo.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace Dsp {

namespace {

// Fixed notation with the given number of decimals; std::to_chars ignores the process locale.
std::string formatFixed(double value, int decimals) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, decimals);
  return std::string(buffer, result.ptr);
}

// Truncation toward zero; adding +0.0 turns a negative zero into "0".
std::string formatTruncated(double value) {
  return formatFixed(std::trunc(value) + 0.0, 0);
}

const double kLn15 = std::log(1.5);

}  // namespace

ParamInfo::ParamInfo()
    : mId(idSampleRate),
      mShortName(""),
      mLongName(""),
      mArg1(0.0),
      mArg2(0.0),
      mDefaultNativeValue(0.0),
      mToControl(nullptr),
      mToNative(nullptr),
      mToText(nullptr) {
  throw std::logic_error("invalid usage of ParamInfo");
}

ParamInfo::ParamInfo(ParamKind id, const char* shortName, const char* longName, double arg1, double arg2,
                     double defaultNativeValue, ToControl toControl, ToNative toNative, ToText toText)
    : mId(id),
      mShortName(shortName),
      mLongName(longName),
      mArg1(arg1),
      mArg2(arg2),
      mDefaultNativeValue(defaultNativeValue),
      mToControl(toControl),
      mToNative(toNative),
      mToText(toText) {}

double ParamInfo::clamp(double nativeValue) const {
  const double lo = toNativeValue(0.0);
  const double hi = toNativeValue(1.0);
  if (nativeValue < lo) return lo;
  if (nativeValue > hi) return hi;
  return nativeValue;
}

double ParamInfo::linearToControl(const ParamInfo& info, double nativeValue) {
  return (nativeValue - info.mArg1) / (info.mArg2 - info.mArg1);
}

double ParamInfo::linearToNative(const ParamInfo& info, double controlValue) {
  return info.mArg1 + controlValue * (info.mArg2 - info.mArg1);
}

double ParamInfo::integerToNative(const ParamInfo& info, double controlValue) {
  return std::floor(linearToNative(info, controlValue) + 0.5);
}

double ParamInfo::log15ToControl(const ParamInfo& info, double nativeValue) {
  const double l0 = std::log(info.mArg1) / kLn15;
  const double l1 = std::log(info.mArg2) / kLn15;
  return (std::log(nativeValue) / kLn15 - l0) / (l1 - l0);
}

double ParamInfo::log15ToNative(const ParamInfo& info, double controlValue) {
  const double l0 = std::log(info.mArg1) / kLn15;
  const double l1 = std::log(info.mArg2) / kLn15;
  return std::pow(1.5, l0 + controlValue * (l1 - l0));
}

double ParamInfo::pow2ToControl(const ParamInfo& info, double nativeValue) {
  return (std::log2(nativeValue) - info.mArg1) / (info.mArg2 - info.mArg1);
}

double ParamInfo::pow2ToNative(const ParamInfo& info, double controlValue) {
  return std::exp2(info.mArg1 + controlValue * (info.mArg2 - info.mArg1));
}

std::string ParamInfo::integerText(const ParamInfo&, double nativeValue) {
  return formatTruncated(nativeValue);
}

std::string ParamInfo::hzText(const ParamInfo&, double nativeValue) {
  return formatTruncated(nativeValue) + " Hz";
}

std::string ParamInfo::realText(const ParamInfo&, double nativeValue) {
  return formatFixed(nativeValue, 3);
}

std::string ParamInfo::dbText(const ParamInfo&, double nativeValue) {
  return formatFixed(nativeValue, 3) + " dB";
}

ParamInfo ParamInfo::defaultSampleRateParam() {
  return {idSampleRate, "Fs", "Sample Rate", 11025, 192000, 44100, linearToControl, linearToNative, hzText};
}

ParamInfo ParamInfo::defaultCutoffFrequencyParam() {
  return {idFrequency, "Fc", "Cutoff Frequency", 10, 22040, 2000, log15ToControl, log15ToNative, hzText};
}

ParamInfo ParamInfo::defaultCenterFrequencyParam() {
  return {idFrequency, "Fc", "Center Frequency", 10, 22040, 2000, log15ToControl, log15ToNative, hzText};
}

ParamInfo ParamInfo::defaultQParam() {
  return {idQ, "Q", "Resonance", -4, 4, 1, pow2ToControl, pow2ToNative, realText};
}

ParamInfo ParamInfo::defaultBandwidthParam() {
  return {idBandwidth, "BW", "Bandwidth (Octaves)", -4, 4, 1, pow2ToControl, pow2ToNative, realText};
}

ParamInfo ParamInfo::defaultBandwidthHzParam() {
  return {idBandwidthHz, "BW", "Bandwidth (Hz)", 10, 22040, 1720, log15ToControl, log15ToNative, hzText};
}

ParamInfo ParamInfo::defaultGainParam() {
  return {idGain, "Gain", "Gain", -24, 24, -6, linearToControl, linearToNative, dbText};
}

ParamInfo ParamInfo::defaultSlopeParam() {
  return {idSlope, "Slope", "Slope", -2, 2, 1, pow2ToControl, pow2ToNative, realText};
}

ParamInfo ParamInfo::defaultRippleDbParam() {
  return {idRippleDb, "Ripple", "Ripple dB", 0.001, 12, 0.01, linearToControl, linearToNative, dbText};
}

ParamInfo ParamInfo::defaultStopDbParam() {
  return {idStopDb, "Stop", "Stopband dB", 3, 60, 48, linearToControl, linearToNative, dbText};
}

ParamInfo ParamInfo::defaultRolloffParam() {
  return {idRolloff, "W", "Transition Width", -16, 4, 0, linearToControl, linearToNative, realText};
}

ParamInfo ParamInfo::defaultPoleRhoParam() {
  return {idPoleRho, "Pd", "Pole Distance", 0, 1, 0.5, linearToControl, linearToNative, realText};
}

ParamInfo ParamInfo::defaultPoleThetaParam() {
  return {idPoleTheta,     "Pa",           "Pole Angle", 0, std::numbers::pi, std::numbers::pi / 2,
          linearToControl, linearToNative, realText};
}

ParamInfo ParamInfo::defaultZeroRhoParam() {
  return {idZeroRho, "Pd", "Zero Distance", 0, 1, 0.5, linearToControl, linearToNative, realText};
}

ParamInfo ParamInfo::defaultZeroThetaParam() {
  return {idZeroTheta,     "Pa",           "Zero Angle", 0, std::numbers::pi, std::numbers::pi / 2,
          linearToControl, linearToNative, realText};
}

ParamInfo ParamInfo::defaultPoleRealParam() {
  return {idPoleReal, "A1", "Pole Real", -1, 1, 0.25, linearToControl, linearToNative, realText};
}

ParamInfo ParamInfo::defaultZeroRealParam() {
  return {idZeroReal, "B1", "Zero Real", -1, 1, -0.25, linearToControl, linearToNative, realText};
}

}  // namespace Dsp
