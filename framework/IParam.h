// IParam: one plug-in parameter: its type, unit, range, step, default, current
// value, display rules, name, label and group, and the Shape that maps between
// the value (in its own units) and the normalized 0..1 form that hosts, controls
// and automation use.
//
// Threads: the value is the only field written after initialisation from any
// thread (host threads, audio thread, editor); it is stored by atomic exchange
// and read by plain (relaxed) loads. The display settings the product changes at
// run time (display mode, extents, minus-infinity flag) are atomics too, and the
// label is a SharedText: a reader on another thread copies the old label or the
// new one, whole. All other
// fields are written by the Init family on the thread that builds the plug-in and
// only read afterwards.
#pragma once

#include "framework/FwString.h"
#include "framework/FwTypedBuf.h"
#include "framework/ParamEnums.h"
#include "framework/SharedText.h"

#include <array>
#include <atomic>
#include <functional>
#include <initializer_list>

namespace fx {

class IParam {
 public:
  static constexpr int kMaxTextLen = 32;  // name, label, group and display-text fields, zero included

  using DisplayFunc = std::function<void(double value, FwString& out)>;

  // One fixed text shown in place of a value.
  struct DisplayText {
    double mValue;
    char mText[kMaxTextLen];
  };

  // Maps between a parameter's value and its normalized form. Shapes never
  // clamp: IParam::FromNormalized rounds and clamps their results, and callers
  // of ValueToNormalized clamp to 0..1 where they need it.
  // Every operation: any thread, never blocks or allocates (Clone allocates and
  // runs on the thread that initialises parameters).
  class Shape {
   public:
    virtual ~Shape() = default;
    virtual Shape* Clone() const = 0;
    // Prepares the shape from the parameter's range; called by InitDouble.
    virtual void Init(const IParam& param);
    // Curve code reported in the JSON description: 0 linear, 1 exponential, 3 to 6 power curves.
    virtual int GetDisplayType() const = 0;
    virtual double NormalizedToValue(double normalized, const IParam& param) const = 0;
    virtual double ValueToNormalized(double value, const IParam& param) const = 0;
  };

  // min + v x (max - min). An empty range (max == min) maps every value to 0.
  class ShapeLinear : public Shape {
   public:
    Shape* Clone() const override;
    int GetDisplayType() const override;
    double NormalizedToValue(double normalized, const IParam& param) const override;
    double ValueToNormalized(double value, const IParam& param) const override;
  };

  // min + v^e x (max - min); values below min map to 0.
  class ShapePowCurve : public Shape {
   public:
    explicit ShapePowCurve(double shape);
    Shape* Clone() const override;
    int GetDisplayType() const override;
    double NormalizedToValue(double normalized, const IParam& param) const override;
    double ValueToNormalized(double value, const IParam& param) const override;

    double mShape;
  };

  // exp(v x mul + add) with add = ln(lo), mul = ln(max / lo) and lo = min when
  // min > 0, else 1e-8. A range whose max is not above lo collapses to lo (mul 0)
  // and maps every value to 0; values <= 0 map like lo.
  class ShapeExp : public Shape {
   public:
    Shape* Clone() const override;
    void Init(const IParam& param) override;
    int GetDisplayType() const override;
    double NormalizedToValue(double normalized, const IParam& param) const override;
    double ValueToNormalized(double value, const IParam& param) const override;

    double mMul = 1.0;
    double mAdd = 1.0;
  };

  IParam();
  ~IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // ---- Initialisation: the thread that builds the plug-in, before the host or
  // the editor use the parameter. Texts longer than 31 bytes are cut (always
  // terminated, never inside a UTF-8 character); a null text counts as "".
  // A NaN default becomes min, a NaN min 0 and a NaN max min; a NaN step
  // counts as 0 (no rounding), a negative one rounds as its magnitude does.
  // Bounds may be infinite; the default and the value never are.

  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", int flags = kFlagsNone, const char* group = "",
                  const Shape& shape = ShapeLinear(), EParamUnit unit = kUnitCustom, DisplayFunc displayFunc = nullptr);
  void InitBool(const char* name, bool defaultVal, const char* label = "", int flags = kFlagsNone,
                const char* group = "", const char* offText = "off", const char* onText = "on");
  void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "", int flags = kFlagsNone,
               const char* group = "");
  void InitEnum(const char* name, int defaultVal, std::initializer_list<const char*> texts, const char* label = "",
                int flags = kFlagsNone, const char* group = "");
  // An enum of nEnums values without display texts.
  void InitEnum(const char* name, int defaultVal, int nEnums, const char* label = "", int flags = kFlagsNone,
                const char* group = "");
  // An enum of nEnums values whose display texts are firstText and the following
  // arguments (only as many as were passed; a null firstText gives none).
  template <class... Texts>
  void InitEnum(const char* name, int defaultVal, int nEnums, const char* label, int flags, const char* group,
                const char* firstText, Texts... furtherTexts) {
    const std::array<const char*, 1 + sizeof...(Texts)> texts{firstText, furtherTexts...};
    InitEnumWithTexts(name, defaultVal, nEnums, label, flags, group, texts.data(),
                      firstText ? static_cast<int>(texts.size()) : 0);
  }
  void InitFrequency(const char* name, double defaultVal, double minVal, double maxVal, double step,
                     int flags = kFlagsNone, const char* group = "");
  void InitSeconds(const char* name, double defaultVal, double minVal, double maxVal, double step,
                   int flags = kFlagsNone, const char* group = "");
  void InitMilliseconds(const char* name, double defaultVal, double minVal, double maxVal, int flags = kFlagsNone,
                        const char* group = "");
  // An enum over the notes minNote..maxNote (MIDI numbers) shown as "C 4", "C#4", ...;
  // defaultVal is an index counted from minNote.
  void InitPitch(const char* name, int defaultVal, int minNote, int maxNote, int flags = kFlagsNone,
                 const char* group = "", bool middleCisC4 = false);
  void InitGain(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags = kFlagsNone,
                const char* group = "");
  void InitPercentage(const char* name, double defaultVal, double minVal, double maxVal, int flags = kFlagsNone,
                      const char* group = "");
  void InitAngleDegrees(const char* name, double defaultVal, double minVal, double maxVal, int flags = kFlagsNone,
                        const char* group = "");
  // A copy of source: the first occurrence of searchStr in its name replaced by
  // replaceStr, and newGroup as group when that is not empty.
  void Init(const IParam& source, const char* searchStr, const char* replaceStr, const char* newGroup = nullptr);

  // Appends a fixed text for value; an earlier entry for the same value wins lookups.
  void SetDisplayText(double value, const char* text);
  void SetDisplayPrecision(int precision);
  // Any thread but the audio thread; readers on other threads meanwhile never wait. Each distinct label
  // text is kept for the parameter's life (a label once read stays valid and unchanged); setting a label
  // set before reuses its text.
  void SetLabel(const char* label);
  // Any thread; never blocks.
  void SetDisplayMode(EParamDisplayMode mode);
  void SetDisplayExtents(double negativeExtent, double positiveExtent);
  void SetMinIsMinusInfinity(bool minIsMinusInfinity);
  // Whether a preset table of "every preset parameter" takes this parameter (true unless cleared).
  // Set during initialisation, before any preset is read or written.
  void SetIsPreset(bool isPreset) { mIsPreset = isPreset; }

  // ---- Value: any thread, never blocks or allocates. Writes round to the step
  // when the parameter is stepped, clamp to [min, max] and store by atomic
  // exchange; a NaN, or a value still infinite once clamped (an endless end of
  // the range), keeps the current value.

  double Value() const { return mValue.load(std::memory_order_relaxed); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const { return static_cast<int>(Value()); }
  void Set(double value);
  void SetNormalized(double normalized);
  // Stores the default as it is, neither rounded nor clamped.
  void SetToDefault();
  // value rounded to the step when stepped and clamped to [min, max]; the current value for NaN.
  double Constrain(double value) const;
  double FromNormalized(double normalized) const;
  // 0 where the shape gives NaN (a range with an infinite bound).
  double ToNormalized(double value) const;
  // ToNormalized of the current value, clamped to 0..1.
  double GetNormalized() const;
  double GetDefault(bool normalized = false) const;

  // ---- Description: any thread once initialised; never blocks.

  EParamType Type() const { return mType; }
  EParamUnit Unit() const { return mUnit; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetRange() const { return mMax - mMin; }
  void GetBounds(double& lo, double& hi) const;
  double GetStep() const { return mStep; }
  int GetDisplayPrecision() const { return mDisplayPrecision; }
  int GetFlags() const { return mFlags; }
  bool GetCanAutomate() const { return !(mFlags & kFlagCannotAutomate); }
  bool GetStepped() const { return mFlags & kFlagStepped; }
  bool GetNegateDisplay() const { return mFlags & kFlagNegateDisplay; }
  bool GetSignDisplay() const { return mFlags & kFlagSignDisplay; }
  EParamDisplayMode GetDisplayMode() const { return mDisplayMode.load(std::memory_order_relaxed); }
  double GetNegativeDisplayExtent() const { return mNegativeExtent.load(std::memory_order_relaxed); }
  double GetPositiveDisplayExtent() const { return mPositiveExtent.load(std::memory_order_relaxed); }
  bool GetMinIsMinusInfinity() const { return mMinIsMinusInfinity.load(std::memory_order_relaxed); }
  bool GetIsPreset() const { return mIsPreset; }
  const char* GetName() const { return mName; }
  const char* GetGroup() const { return mGroup; }
  // "" when the current value (truncated to an integer) has a display text of its own, else the label: the
  // reading thread's copy of it (see SharedText::Get).
  const char* GetLabel() const;
  const char* GetCustomLabel() const { return mLabel.Get(); }
  // The shape is owned by the parameter; the product may change its fields.
  Shape* GetShape() { return mShape; }
  const Shape* GetShape() const { return mShape; }
  bool HasDisplayFunc() const { return static_cast<bool>(mDisplayFunc); }

  // ---- Display texts and strings: the main thread (editor and dispatcher);
  // GetDisplay and StringToValue may allocate through the FwString.

  int NDisplayTexts() const { return mDisplayTexts.GetSize(); }
  // Text of the first entry whose value equals value exactly, else "".
  const char* GetDisplayText(double value) const;
  // Text of entry idx ("" outside the range); its value through value when not null.
  const char* GetDisplayTextAtIdx(int idx, double* value = nullptr) const;
  // First entry with exactly this text: its value through value and true, else false.
  bool MapDisplayText(const char* text, double* value) const;

  // The display string of value (a normalized value is first mapped, rounded and
  // clamped), at most 32 characters.
  void GetDisplay(double value, bool normalized, FwString& out, bool withDisplayText = true) const;
  // GetDisplay of the current value, then " " and the label when GetLabel is not empty.
  void GetDisplayWithLabel(FwString& out, bool withDisplayText = true) const;
  // The value a display string stands for, rounded and clamped; the current value for "nan".
  double StringToValue(const char* text) const;
  // Appends {"id", "name", "type", "min", "max", "default", "display_type", "rate"} as JSON.
  void GetJSON(FwString& json, int idx) const;

 private:
  void InitEnumWithTexts(const char* name, int defaultVal, int nEnums, const char* label, int flags, const char* group,
                         const char* const* texts, int nTexts);
  void SetTypeIfNone(EParamType type);
  double RoundToStep(double value) const;
  double DisplayValue(double value) const;
  double DisplayToValue(double shown) const;
  void FormatValue(double shown, FwString& out) const;

  EParamType mType = kTypeNone;
  EParamUnit mUnit = kUnitCustom;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = kFlagsNone;
  std::atomic<EParamDisplayMode> mDisplayMode{kDisplayPlain};
  std::atomic<double> mNegativeExtent{0.0};
  std::atomic<double> mPositiveExtent{1.0};
  std::atomic<bool> mMinIsMinusInfinity{false};
  bool mIsPreset = true;
  char mName[kMaxTextLen] = {};
  SharedText<kMaxTextLen> mLabel;
  char mGroup[kMaxTextLen] = {};
  Shape* mShape;
  DisplayFunc mDisplayFunc;
  FwTypedBuf<DisplayText> mDisplayTexts;
};

}  // namespace fx
