#include "framework/IParam.h"

#include "framework/BoundedCopy.h"
#include "framework/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fx {

namespace {

constexpr int kMaxDisplayLen = 32;
constexpr int kMaxJSONPieceLen = 8192;
constexpr int kMaxDisplayPrecision = 6;

bool IsWholeNumber(double x) {
  // A tolerance relative to x only: 0.07 x 100 is 7.000000000000001 in binary floating point, while a tiny step
  // such as 1e-10 stays a fraction.
  return std::fabs(x - std::round(x)) <= 1e-9 * std::fabs(x);
}

int PrecisionOfStep(double step) {
  for (int k = 0; k < kMaxDisplayPrecision; ++k)
    if (IsWholeNumber(step * std::pow(10.0, k))) return k;
  return kMaxDisplayPrecision;
}

void AppendJSONEscaped(FwString& json, const char* text) {
  for (const char* p = text; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    switch (c) {
      case '"':
        json.Append("\\\"");
        break;
      case '\\':
        json.Append("\\\\");
        break;
      case '\b':
        json.Append("\\b");
        break;
      case '\f':
        json.Append("\\f");
        break;
      case '\n':
        json.Append("\\n");
        break;
      case '\r':
        json.Append("\\r");
        break;
      case '\t':
        json.Append("\\t");
        break;
      default:
        if (c < 0x20)
          json.AppendFormatted(kMaxJSONPieceLen, "\\u%04x", c);
        else
          json.Append(p, 1);
    }
  }
}

// JSON has no infinity or NaN: such a bound is written as null.
void AppendJSONNumber(FwString& json, const char* key, double value) {
  if (std::isfinite(value))
    json.AppendFormatted(kMaxJSONPieceLen, "\"%s\":%f, ", key, value);
  else
    json.AppendFormatted(kMaxJSONPieceLen, "\"%s\":null, ", key);
}

const char* TypeName(EParamType type) {
  switch (type) {
    case kTypeBool:
      return "bool";
    case kTypeInt:
      return "int";
    case kTypeEnum:
      return "enum";
    case kTypeDouble:
      return "float";
    default:
      return nullptr;
  }
}

constexpr const char* kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};

}  // namespace

IParam::IParam() : mShape(new ShapeLinear) {}

IParam::~IParam() {
  delete mShape;
}

void IParam::SetTypeIfNone(EParamType type) {
  if (mType == kTypeNone) mType = type;
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                        const char* label, int flags, const char* group, const Shape& shape, EParamUnit unit,
                        DisplayFunc displayFunc) {
  SetTypeIfNone(kTypeDouble);
  CopyBounded(mName, name);
  SetLabel(label);
  CopyBounded(mGroup, group);

  // Guards against NaN bounds and steps, which would make every clamp and
  // rounding of the value NaN. A negative step is kept: rounding to it rounds
  // to its magnitude, and it leaves max as given.
  if (std::isnan(step)) step = 0.0;
  if (std::isnan(minVal)) minVal = 0.0;
  if (std::isnan(maxVal)) maxVal = minVal;
  mMin = minVal;
  // Never below min: a negative step with max below min would leave an empty range to clamp into. A step
  // whose sum with min is not finite (an infinite step, or one that overflows) raises nothing: an endless
  // range would normalise every value to 0.
  const double minPlusStep = minVal + step;
  mMax = std::max({maxVal, std::isfinite(minPlusStep) ? minPlusStep : minVal, minVal});
  mStep = step;
  // Never infinite, as SetToDefault stores it: a default that is not finite becomes its nearest value in the
  // range (min for NaN) when that is finite, else the range's value nearest 0 (0 when it holds no finite one).
  mDefault = defaultVal;
  if (!std::isfinite(mDefault)) {
    const double inRange = std::clamp(std::isnan(defaultVal) ? minVal : defaultVal, mMin, mMax);
    const double nearZero = std::clamp(0.0, mMin, mMax);
    mDefault = std::isfinite(inRange) ? inRange : std::isfinite(nearZero) ? nearZero : 0.0;
  }
  mUnit = unit;
  mFlags = flags;
  mDisplayFunc = std::move(displayFunc);

  const double initial = Constrain(mDefault);
  mValue.exchange(std::isfinite(initial) ? initial : mDefault);
  mDisplayPrecision = PrecisionOfStep(step);

  Shape* clone = shape.Clone();
  delete mShape;
  mShape = clone;
  mShape->Init(*this);
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, int flags, const char* group,
                      const char* offText, const char* onText) {
  SetTypeIfNone(kTypeBool);
  InitDouble(name, defaultVal ? 1.0 : 0.0, 0.0, 1.0, 1.0, label, flags | kFlagStepped, group);
  SetDisplayText(0.0, offText);
  SetDisplayText(1.0, onText);
}

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label, int flags,
                     const char* group) {
  SetTypeIfNone(kTypeInt);
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, label, flags | kFlagStepped, group);
}

void IParam::InitEnum(const char* name, int defaultVal, std::initializer_list<const char*> texts, const char* label,
                      int flags, const char* group) {
  InitEnumWithTexts(name, defaultVal, static_cast<int>(texts.size()), label, flags, group, texts.begin(),
                    static_cast<int>(texts.size()));
}

void IParam::InitEnum(const char* name, int defaultVal, int nEnums, const char* label, int flags, const char* group) {
  InitEnumWithTexts(name, defaultVal, nEnums, label, flags, group, nullptr, 0);
}

void IParam::InitEnumWithTexts(const char* name, int defaultVal, int nEnums, const char* label, int flags,
                               const char* group, const char* const* texts, int nTexts) {
  SetTypeIfNone(kTypeEnum);
  InitDouble(name, defaultVal, 0.0, nEnums - 1.0, 1.0, label, flags | kFlagStepped, group);
  for (int i = 0; i < std::min(nEnums, nTexts); ++i) SetDisplayText(i, texts[i]);
}

void IParam::InitFrequency(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                           const char* group) {
  SetTypeIfNone(kTypeDouble);
  InitDouble(name, defaultVal, minVal, maxVal, step, "Hz", flags, group, ShapeExp(), kUnitFrequency);
}

void IParam::InitSeconds(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                         const char* group) {
  SetTypeIfNone(kTypeDouble);
  InitDouble(name, defaultVal, minVal, maxVal, step, "Seconds", flags, group, ShapeLinear(), kUnitSeconds);
}

void IParam::InitMilliseconds(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                              const char* group) {
  SetTypeIfNone(kTypeDouble);
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "ms", flags, group, ShapeLinear(), kUnitMilliseconds);
}

void IParam::InitPitch(const char* name, int defaultVal, int minNote, int maxNote, int flags, const char* group,
                       bool middleCisC4) {
  SetTypeIfNone(kTypeEnum);
  InitDouble(name, defaultVal, 0.0, static_cast<double>(maxNote) - minNote, 1.0, "", flags | kFlagStepped, group);
  for (int note = minNote; note <= maxNote; ++note) {
    const int octave = note / 12 - (middleCisC4 ? 1 : 2);
    FwString text;
    text.SetFormatted(kMaxDisplayLen, "%s%i", kNoteNames[((note % 12) + 12) % 12], octave);
    SetDisplayText(static_cast<double>(note) - minNote, text.Get());
  }
}

void IParam::InitGain(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                      const char* group) {
  SetTypeIfNone(kTypeDouble);
  InitDouble(name, defaultVal, minVal, maxVal, step, "dB", flags, group, ShapeLinear(), kUnitDB);
}

void IParam::InitPercentage(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                            const char* group) {
  SetTypeIfNone(kTypeDouble);
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "%", flags, group, ShapeLinear(), kUnitPercentage);
}

void IParam::InitAngleDegrees(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                              const char* group) {
  SetTypeIfNone(kTypeDouble);
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "degrees", flags, group, ShapeLinear(), kUnitDegrees);
}

// source may be this parameter: its name, group and label are copied before InitDouble rewrites them, the
// shape is cloned before the old one goes, and the texts counted before any is appended.
void IParam::Init(const IParam& source, const char* searchStr, const char* replaceStr, const char* newGroup) {
  SetTypeIfNone(source.mType);

  FwString name(source.mName);
  const char* found = searchStr && *searchStr ? std::strstr(source.mName, searchStr) : nullptr;
  if (found) {
    const int at = static_cast<int>(found - source.mName);
    name.DeleteSub(at, static_cast<int>(std::strlen(searchStr)));
    name.Insert(replaceStr, at);
  }
  const FwString group(newGroup && *newGroup ? newGroup : source.mGroup);
  const FwString label(source.GetCustomLabel());

  InitDouble(name.Get(), source.mDefault, source.mMin, source.mMax, source.mStep, label.Get(), source.mFlags,
             group.Get(), *source.mShape, source.mUnit, source.mDisplayFunc);

  const int nTexts = source.NDisplayTexts();
  for (int i = 0; i < nTexts; ++i) {
    const DisplayText entry = source.mDisplayTexts.Get()[i];
    mDisplayTexts.Add(entry);
  }
}

void IParam::SetDisplayText(double value, const char* text) {
  DisplayText entry{};
  entry.mValue = value;
  CopyBounded(entry.mText, text);
  mDisplayTexts.Add(entry);
}

void IParam::SetDisplayPrecision(int precision) {
  mDisplayPrecision = precision;
}

void IParam::SetLabel(const char* label) {
  mLabel.Set(label);
}

void IParam::SetDisplayMode(EParamDisplayMode mode) {
  mDisplayMode.store(mode, std::memory_order_relaxed);
}

void IParam::SetDisplayExtents(double negativeExtent, double positiveExtent) {
  mNegativeExtent.store(negativeExtent, std::memory_order_relaxed);
  mPositiveExtent.store(positiveExtent, std::memory_order_relaxed);
}

void IParam::SetMinIsMinusInfinity(bool minIsMinusInfinity) {
  mMinIsMinusInfinity.store(minIsMinusInfinity, std::memory_order_relaxed);
}

double IParam::RoundToStep(double value) const {
  // A zero or infinite step would turn every value into NaN.
  if (!GetStepped() || mStep == 0.0 || !std::isfinite(mStep)) return value;
  return std::round(value / mStep) * mStep;
}

double IParam::Constrain(double value) const {
  if (std::isnan(value)) return Value();
  return std::clamp(RoundToStep(value), mMin, mMax);
}

// A value that stays infinite once constrained (an endless end of the range) is not stored, as NaN is not.
void IParam::Set(double value) {
  const double constrained = Constrain(value);
  if (std::isfinite(constrained)) mValue.exchange(constrained);
}

void IParam::SetNormalized(double normalized) {
  const double value = FromNormalized(normalized);
  if (std::isfinite(value)) mValue.exchange(value);
}

void IParam::SetToDefault() {
  mValue.exchange(mDefault);
}

double IParam::FromNormalized(double normalized) const {
  return Constrain(mShape->NormalizedToValue(normalized, *this));
}

// An endless range gives NaN (infinity over infinity): such a value normalises to 0.
double IParam::ToNormalized(double value) const {
  const double normalized = mShape->ValueToNormalized(value, *this);
  return std::isnan(normalized) ? 0.0 : normalized;
}

double IParam::GetNormalized() const {
  const double normalized = ToNormalized(Value());
  return std::isnan(normalized) ? 0.0 : std::clamp(normalized, 0.0, 1.0);
}

double IParam::GetDefault(bool normalized) const {
  if (!normalized) return mDefault;
  const double n = ToNormalized(mDefault);
  return std::isnan(n) ? 0.0 : std::clamp(n, 0.0, 1.0);
}

void IParam::GetBounds(double& lo, double& hi) const {
  lo = mMin;
  hi = mMax;
}

const char* IParam::GetLabel() const {
  return *GetDisplayText(std::trunc(Value())) ? "" : GetCustomLabel();
}

const char* IParam::GetDisplayText(double value) const {
  const DisplayText* entries = mDisplayTexts.Get();
  for (int i = 0; i < NDisplayTexts(); ++i)
    if (entries[i].mValue == value) return entries[i].mText;
  return "";
}

const char* IParam::GetDisplayTextAtIdx(int idx, double* value) const {
  if (idx < 0 || idx >= NDisplayTexts()) return "";
  const DisplayText& entry = mDisplayTexts.Get()[idx];
  if (value) *value = entry.mValue;
  return entry.mText;
}

bool IParam::MapDisplayText(const char* text, double* value) const {
  if (!text) return false;
  const DisplayText* entries = mDisplayTexts.Get();
  for (int i = 0; i < NDisplayTexts(); ++i) {
    if (!std::strcmp(entries[i].mText, text)) {
      if (value) *value = entries[i].mValue;
      return true;
    }
  }
  return false;
}

double IParam::DisplayValue(double value) const {
  switch (GetDisplayMode()) {
    case kDisplayPercent:
      return value * 100.0;
    case kDisplayBipolarPercent:
      return (2.0 * value - 1.0) * 100.0;
    case kDisplayBipolarScaled:
      return value >= 0.5 ? (2.0 * value - 1.0) * GetPositiveDisplayExtent()
                          : (1.0 - 2.0 * value) * GetNegativeDisplayExtent();
    default:
      return value;
  }
}

void IParam::FormatValue(double shown, FwString& out) const {
  if (mDisplayPrecision == 0) {
    const double rounded = std::round(shown);
    out.SetFormatted(kMaxDisplayLen, "%.0f", rounded == 0.0 ? 0.0 : rounded);
  } else if (GetSignDisplay() && shown != 0.0) {
    out.SetFormatted(kMaxDisplayLen, "%+.*f", mDisplayPrecision, shown);
  } else {
    out.SetFormatted(kMaxDisplayLen, "%.*f", mDisplayPrecision, shown);
  }
}

void IParam::GetDisplay(double value, bool normalized, FwString& out, bool withDisplayText) const {
  if (normalized) value = FromNormalized(value);
  if (mDisplayFunc) {
    mDisplayFunc(value, out);
    return;
  }
  if (withDisplayText) {
    const char* text = GetDisplayText(value);
    if (*text) {
      out.Set(text);
      return;
    }
  }
  if (GetDisplayMode() != kDisplayPlain && GetMinIsMinusInfinity() && value <= mMin) {
    out.Set("-inf");
    return;
  }
  double shown = DisplayValue(value);
  if (GetNegateDisplay()) shown = -shown;
  if (shown == 0.0) shown = 0.0;  // -0.0 shows as 0
  FormatValue(shown, out);
}

void IParam::GetDisplayWithLabel(FwString& out, bool withDisplayText) const {
  GetDisplay(Value(), false, out, withDisplayText);
  const char* label = GetLabel();
  if (*label) {
    out.Append(" ");
    out.Append(label);
  }
}

double IParam::DisplayToValue(double shown) const {
  // A zero extent divides as it is (a typed value beyond it clamps to an end), except 0 / 0, which would be
  // NaN: the midpoint.
  const auto ratio = [](double x, double extent) { return x == 0.0 && extent == 0.0 ? 0.0 : x / extent; };
  switch (GetDisplayMode()) {
    case kDisplayPercent:
      return shown / 100.0;
    case kDisplayBipolarPercent:
      return (shown / 100.0 + 1.0) / 2.0;
    case kDisplayBipolarScaled:
      return shown < 0.0 ? (1.0 - ratio(shown, GetNegativeDisplayExtent())) / 2.0
                         : (ratio(shown, GetPositiveDisplayExtent()) + 1.0) / 2.0;
    default:
      return shown;
  }
}

double IParam::StringToValue(const char* text) const {
  double value = 0.0;
  if (MapDisplayText(text, &value)) return value;
  if (mType == kTypeBool || mType == kTypeEnum) return 0.0;
  double shown = 0.0;
  ParseDouble(text, shown);
  if (GetNegateDisplay()) shown = -shown;
  return Constrain(DisplayToValue(shown));
}

void IParam::GetJSON(FwString& json, int idx) const {
  json.Append("{");
  json.AppendFormatted(kMaxJSONPieceLen, "\"id\":%i, ", idx);
  json.Append("\"name\":\"");
  AppendJSONEscaped(json, mName);
  json.Append("\", ");
  if (const char* typeName = TypeName(mType)) json.AppendFormatted(kMaxJSONPieceLen, "\"type\":\"%s\", ", typeName);
  AppendJSONNumber(json, "min", mMin);
  AppendJSONNumber(json, "max", mMax);
  AppendJSONNumber(json, "default", mDefault);
  json.AppendFormatted(kMaxJSONPieceLen, "\"display_type\":%i, ", mShape->GetDisplayType());
  json.Append("\"rate\":\"control\"");
  json.Append("}");
}

}  // namespace fx
