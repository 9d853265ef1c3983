#include "framework/IPluginBase.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "framework/Base64.h"
#include "framework/BoundedCopy.h"
#include "framework/NumberText.h"

namespace fx {

namespace {

constexpr int kMaxParamNameLen = 32;
constexpr int kMaxBuildInfoLen = 256;
constexpr int kMaxValueTextLen = 32;
// Marks the values a named-parameter preset leaves to the parameter's current value.
constexpr double kUnnamedMarker = 9.999e-8;

int Major(int packed) { return (packed >> 16) & 0xFFFF; }
int Minor(int packed) { return (packed >> 8) & 0xFF; }
int Patch(int packed) { return packed & 0xFF; }

int Decimal(int packed) { return Major(packed) * 1000 + Minor(packed) * 100 + Patch(packed) * 10; }

bool IsIntegral(EParamType type) { return type == kTypeBool || type == kTypeInt || type == kTypeEnum; }

// C variadic arguments promote: an int for the integral parameter types, a double otherwise.
double NextValueArg(va_list& args, const IParam& param) {
  return IsIntegral(param.Type()) ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
}

bool SameText(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// rand() x 2^-31 in single precision, through the parameter's shape.
void Randomise(IParam& param) {
  const float normalized = static_cast<float>(std::rand()) * (1.0f / 2147483648.0f);
  param.Set(param.GetShape()->NormalizedToValue(normalized, param));
}

void AppendToFile(const char* path, const FwString& text) {
  if (!path) return;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "a"));
  if (file) std::fputs(text.Get(), file.get());
}

}  // namespace

IPluginBase::IPluginBase(int nParams, int nPresets) : IGEditorDelegate(nParams) {
  for (int i = 0; i < nPresets; ++i) {
    auto* preset = new IPreset;
    if (!mPresets.Add(preset)) delete preset;
  }
}

IPluginBase::~IPluginBase() { mPresets.Empty(true); }

// ---- Hooks ----

bool IPluginBase::SerializeState(IByteChunk& chunk) const { return SerializeParams(chunk); }

int IPluginBase::UnserializeState(const IByteChunk& chunk, int startPos) { return UnserializeParams(chunk, startPos); }

int IPluginBase::CheckState(const IByteChunk& chunk, int startPos) { return CheckParams(chunk, startPos); }

void IPluginBase::InformHostOfPresetChange() {}

void IPluginBase::OnPresetsModified() {}

// ---- Identity ----

int IPluginBase::GetPluginVersion(bool decimal) const { return decimal ? Decimal(mVersion) : mVersion; }

int IPluginBase::GetHostVersion(bool decimal) const { return decimal ? Decimal(mHostVersion) : mHostVersion; }

void IPluginBase::GetPluginVersionStr(FwString& str) const {
  str.SetFormatted(kMaxValueTextLen, "v%d.%d.%d", Major(mVersion), Minor(mVersion), Patch(mVersion));
}

void IPluginBase::GetHostVersionStr(FwString& str) const {
  str.SetFormatted(kMaxValueTextLen, "v%d.%d.%d", Major(mHostVersion), Minor(mHostVersion), Patch(mHostVersion));
}

const char* IPluginBase::GetAPIString() const {
  static constexpr const char* kNames[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP"};
  const int api = static_cast<int>(mAPI);
  return api >= 0 && api < static_cast<int>(std::size(kNames)) ? kNames[api] : "";
}

const char* IPluginBase::GetArchString() const { return "x86-64"; }

void IPluginBase::GetBuildInfoStr(FwString& str, const char* date, const char* time) const {
  FwString version;
  GetPluginVersionStr(version);
  str.SetFormatted(kMaxBuildInfoLen, "%s %s (%s), built on %s at %.5s ", version.Get(), GetAPIString(),
                   GetArchString(), date ? date : "", time ? time : "");
}

// ---- Parameter state ----

bool IPluginBase::SerializeParams(IByteChunk& chunk) const {
  bool allPut = true;
  for (int i = 0; i < NParams(); ++i) {
    const double value = GetParam(i)->Value();
    allPut = chunk.Put(&value) > 0 && allPut;
  }
  return allPut && (chunk.Size() > 0 || NParams() == 0);
}

// Every value is read before any is set, so that a short chunk changes nothing.
int IPluginBase::UnserializeParams(const IByteChunk& chunk, int startPos) {
  if (startPos < 0 || NParams() == 0) {
    OnParamReset(kPresetRecall);
    return startPos;
  }
  std::vector<double> values(static_cast<size_t>(NParams()));
  int pos = startPos;
  for (double& value : values) {
    pos = chunk.Get(&value, pos);
    if (pos < 0) return -1;
  }
  for (int i = 0; i < NParams(); ++i) GetParam(i)->Set(values[static_cast<size_t>(i)]);
  OnParamReset(kPresetRecall);
  return pos;
}

int IPluginBase::CheckParams(const IByteChunk& chunk, int startPos) const {
  if (startPos < 0 || NParams() == 0) return startPos;
  const int64_t end = startPos + static_cast<int64_t>(NParams()) * sizeof(double);
  return end <= chunk.Size() ? static_cast<int>(end) : -1;
}

// ---- Parameter operations ----

void IPluginBase::InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr, double defaultVal,
                                 double minVal, double maxVal, double step, const char* label, int flags,
                                 const char* group, const IParam::Shape& shape, EParamUnit unit,
                                 IParam::DisplayFunc displayFunc) {
  int counter = countStart;
  for (int i = startIdx; i <= endIdx; ++i, ++counter) {
    IParam* param = GetParam(i);
    if (!param) continue;
    FwString name;
    name.SetFormatted(kMaxParamNameLen, nameFmtStr ? nameFmtStr : "", counter);
    param->InitDouble(name.Get(), defaultVal, minVal, maxVal, step, label, flags, group, shape, unit, displayFunc);
  }
}

void IPluginBase::CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr,
                                  const char* replaceStr, const char* newGroup) {
  for (int k = 0; cloneStartIdx + k <= cloneEndIdx; ++k) {
    const IParam* source = GetParam(cloneStartIdx + k);
    IParam* dest = GetParam(startIdx + k);
    if (!source || !dest || source == dest) continue;
    dest->Init(*source, searchStr, replaceStr, newGroup);
    dest->Set(source->Value());
  }
}

void IPluginBase::CopyParamValues(int startSrcIdx, int startDestIdx, int nParams) {
  for (int k = 0; k < nParams; ++k) {
    const IParam* source = GetParam(startSrcIdx + k);
    IParam* dest = GetParam(startDestIdx + k);
    if (source && dest) dest->Set(source->Value());
  }
}

void IPluginBase::CopyParamValues(const char* inGroup, const char* outGroup) {
  std::vector<IParam*> sources, dests;
  ForParamInGroup(inGroup, [&sources](int, IParam& param) { sources.push_back(&param); });
  ForParamInGroup(outGroup, [&dests](int, IParam& param) { dests.push_back(&param); });
  for (size_t k = 0; k < sources.size() && k < dests.size(); ++k) dests[k]->Set(sources[k]->Value());
}

void IPluginBase::ForParamInRange(int startIdx, int endIdx, const ParamFunc& func) {
  for (int i = startIdx; i <= endIdx; ++i) {
    if (IParam* param = GetParam(i)) func(i, *param);
  }
}

void IPluginBase::ForParamInGroup(const char* group, const ParamFunc& func) {
  for (int i = 0; i < NParams(); ++i) {
    IParam* param = GetParam(i);
    if (SameText(param->GetGroup(), group)) func(i, *param);
  }
}

void IPluginBase::DefaultParamValues() { DefaultParamValues(0, NParams() - 1); }

void IPluginBase::DefaultParamValues(int startIdx, int endIdx) {
  ForParamInRange(startIdx, endIdx, [](int, IParam& param) { param.SetToDefault(); });
}

void IPluginBase::DefaultParamValues(const char* group) {
  ForParamInGroup(group, [](int, IParam& param) { param.SetToDefault(); });
}

void IPluginBase::RandomiseParamValues() { RandomiseParamValues(0, NParams() - 1); }

void IPluginBase::RandomiseParamValues(int startIdx, int endIdx) {
  ForParamInRange(startIdx, endIdx, [](int, IParam& param) { Randomise(param); });
}

void IPluginBase::RandomiseParamValues(const char* group) {
  ForParamInGroup(group, [](int, IParam& param) { Randomise(param); });
}

void IPluginBase::PrintParamValues() {
  ForParamInRange(0, NParams() - 1, [](int, IParam&) {});
}

// ---- Presets ----

IPreset* IPluginBase::FirstFreePreset() const {
  for (int i = 0; i < NPresets(); ++i) {
    if (!mPresets.Get(i)->mInitialized) return mPresets.Get(i);
  }
  return nullptr;
}

void IPluginBase::InitialisePreset(IPreset& preset, const char* name) {
  preset.mInitialized = true;
  CopyBounded(preset.mName, name);
  preset.mChunk.Clear();
}

void IPluginBase::MakeDefaultPreset(const char* name, int nPresets) {
  for (int i = 0; i < nPresets; ++i) {
    IPreset* preset = FirstFreePreset();
    if (!preset) return;
    InitialisePreset(*preset, name ? name : "Empty");
    SerializeState(preset->mChunk);
  }
}

void IPluginBase::EnsureDefaultPreset() {
  while (IPreset* preset = FirstFreePreset()) {
    InitialisePreset(*preset, "Empty");
    SerializeState(preset->mChunk);
  }
}

void IPluginBase::MakePreset(const char* name, ...) {
  IPreset* preset = FirstFreePreset();
  if (!preset) return;
  InitialisePreset(*preset, name);
  va_list args;
  va_start(args, name);
  for (int i = 0; i < NParams(); ++i) {
    const double value = NextValueArg(args, *GetParam(i));
    preset->mChunk.Put(&value);
  }
  va_end(args);
}

// An index outside the list leaves the type of the argument after it unknown, so reading stops there.
void IPluginBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...) {
  IPreset* preset = FirstFreePreset();
  if (!preset) return;
  InitialisePreset(*preset, name);
  std::vector<double> values(static_cast<size_t>(NParams()), kUnnamedMarker);
  va_list args;
  va_start(args, nParamsNamed);
  for (int k = 0; k < nParamsNamed; ++k) {
    const int paramIdx = va_arg(args, int);
    const IParam* param = GetParam(paramIdx);
    if (!param) break;
    values[static_cast<size_t>(paramIdx)] = NextValueArg(args, *param);
  }
  va_end(args);
  for (int i = 0; i < NParams(); ++i) {
    double& value = values[static_cast<size_t>(i)];
    if (value == kUnnamedMarker) value = GetParam(i)->Value();
    preset->mChunk.Put(&value);
  }
}

void IPluginBase::MakePresetFromChunk(const char* name, const IByteChunk& chunk) {
  IPreset* preset = FirstFreePreset();
  if (!preset) return;
  InitialisePreset(*preset, name);
  preset->mChunk.PutChunk(chunk);
}

void IPluginBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk) {
  if (sizeOfChunk < 0) return;
  IPreset* preset = FirstFreePreset();
  if (!preset) return;
  InitialisePreset(*preset, name);
  if (preset->mChunk.Resize(sizeOfChunk) != sizeOfChunk) return;
  Base64Decode(blob, preset->mChunk.GetData(), sizeOfChunk);
}

int IPluginBase::PruneUninitializedPresets() {
  for (int i = NPresets() - 1; i >= 0; --i) {
    if (!mPresets.Get(i)->mInitialized) mPresets.Delete(i, true);
  }
  return NPresets();
}

int IPluginBase::CountPresetsNamedLike(const char* text) const {
  int count = 0;
  for (int i = 0; i < NPresets(); ++i) count += std::strstr(mPresets.Get(i)->mName, text) ? 1 : 0;
  return count;
}

bool IPluginBase::RestorePreset(int idx) {
  IPreset* preset = GetPreset(idx);
  if (!preset) return false;
  if (preset->mInitialized) {
    if (UnserializeState(preset->mChunk, 0) < 1) return false;
  } else {
    FwString name;
    name.SetFormatted(IPreset::kMaxNameLen - 1, "%s %d", "user preset", CountPresetsNamedLike("user preset") + 1);
    InitialisePreset(*preset, name.Get());
    if (!SerializeState(preset->mChunk)) return false;
  }
  mCurrentPresetIdx = idx;
  OnPresetsModified();
  OnRestoreState();
  return true;
}

bool IPluginBase::RestorePreset(const char* name) {
  if (!name || !*name) return false;
  for (int i = 0; i < NPresets(); ++i) {
    if (std::strcmp(mPresets.Get(i)->mName, name) == 0) return RestorePreset(i);
  }
  return false;
}

const char* IPluginBase::GetPresetName(int idx) const {
  const IPreset* preset = GetPreset(idx);
  return preset ? preset->mName : "";
}

void IPluginBase::ModifyCurrentPreset(const char* name) {
  IPreset* preset = GetPreset(mCurrentPresetIdx);
  if (!preset) return;
  // The name goes first: the product's state may carry the current preset's name.
  if (name && *name) CopyBounded(preset->mName, name);
  preset->mChunk.Clear();
  SerializeState(preset->mChunk);
}

bool IPluginBase::SerializePresets(IByteChunk& chunk) const {
  bool allPut = true;
  for (int i = 0; i < NPresets(); ++i) {
    const IPreset& preset = *mPresets.Get(i);
    const uint8_t initialized = preset.mInitialized ? 1 : 0;
    allPut = chunk.PutStr(preset.mName) > 0 && allPut;
    allPut = chunk.Put(&initialized) > 0 && allPut;
    if (preset.mInitialized && preset.mChunk.Size() > 0) allPut = chunk.PutChunk(preset.mChunk) > 0 && allPut;
  }
  return allPut;
}

// The name is cut to the slot's size whatever length the chunk claims.
bool IPluginBase::ReadPresetHeader(const IByteChunk& chunk, int& pos, IPreset& preset) const {
  FwString name;
  uint8_t initialized = 0;
  pos = chunk.GetStr(name, pos);
  if (pos >= 0) pos = chunk.Get(&initialized, pos);
  if (pos < 0) return false;
  CopyBounded(preset.mName, name.Get());
  preset.mInitialized = initialized != 0;
  return true;
}

int IPluginBase::UnserializePresets(const IByteChunk& chunk, int startPos) {
  // Where each slot's name and state lie in the chunk; nothing is applied until every slot has passed.
  struct SlotExtent {
    IPreset header;
    int stateStart = 0;
    int stateEnd = 0;
  };
  std::vector<SlotExtent> slots(static_cast<size_t>(NPresets()));
  int pos = startPos;
  for (SlotExtent& slot : slots) {
    if (pos < 0 || !ReadPresetHeader(chunk, pos, slot.header)) return -1;
    if (!slot.header.mInitialized) continue;
    slot.stateStart = pos;
    pos = CheckState(chunk, pos);
    if (pos < slot.stateStart) return -1;
    slot.stateEnd = pos;
  }
  for (int i = 0; i < NPresets(); ++i) {
    const SlotExtent& slot = slots[static_cast<size_t>(i)];
    IPreset& preset = *mPresets.Get(i);
    CopyBounded(preset.mName, slot.header.mName);
    preset.mInitialized = slot.header.mInitialized;
    preset.mChunk.Clear();
    if (slot.header.mInitialized)
      preset.mChunk.PutBytes(chunk.GetData() + slot.stateStart, slot.stateEnd - slot.stateStart);
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}

// ---- Preset source text ----

const char* IPluginBase::CurrentPresetName() const { return GetPresetName(mCurrentPresetIdx); }

void IPluginBase::ParamValueText(int paramIdx, char* text, int capacity) const {
  const IParam& param = *GetParam(paramIdx);
  switch (param.Type()) {
    case kTypeInt:
    case kTypeEnum:
      FormatText(text, capacity, "%d", param.Int());
      break;
    case kTypeBool:
      FormatText(text, capacity, "%s", param.Value() >= 0.5 ? "true" : "false");
      break;
    default:
      FormatText(text, capacity, "%.6f", param.Value());
      break;
  }
}

void IPluginBase::DumpMakePresetSrc(const char* path) const {
  FwString text;
  text.SetFormatted(IPreset::kMaxNameLen + 16, "MakePreset(\"%s\"", CurrentPresetName());
  for (int i = 0; i < NParams(); ++i) {
    char value[kMaxValueTextLen];
    ParamValueText(i, value, kMaxValueTextLen);
    text.AppendFormatted(kMaxValueTextLen + 2, ", %s", value);
  }
  text.Append(");\n");
  AppendToFile(path, text);
}

void IPluginBase::DumpMakePresetFromNamedParamsSrc(const char* path, const char* paramEnumNames[]) const {
  if (!paramEnumNames) return;
  FwString text;
  text.SetFormatted(IPreset::kMaxNameLen + 48, "  MakePresetFromNamedParams(\"%s\", %d", CurrentPresetName(), NParams());
  for (int i = 0; i < NParams(); ++i) {
    char value[kMaxValueTextLen];
    ParamValueText(i, value, kMaxValueTextLen);
    const char* enumName = paramEnumNames[i] ? paramEnumNames[i] : "";
    text.AppendFormatted(static_cast<int>(std::strlen(enumName)) + kMaxValueTextLen + 8, ",\n    %s, %s", enumName,
                         value);
  }
  text.Append(");\n");
  AppendToFile(path, text);
}

void IPluginBase::DumpPresetBlob(const char* path) const {
  const IPreset* preset = GetPreset(mCurrentPresetIdx);
  FwString blob;
  if (preset) Base64Encode(preset->mChunk.GetData(), preset->mChunk.Size(), blob);
  FwString text;
  text.SetFormatted(IPreset::kMaxNameLen + 32, "MakePresetFromBlob(\"%s\", \"", CurrentPresetName());
  text.AppendFormatted(blob.GetLength() + 32, "%s\", %i);\n", blob.Get(), preset ? preset->mChunk.Size() : 0);
  AppendToFile(path, text);
}

}  // namespace fx
