#include "framework/IPluginBase.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/BoundedCopy.h"
#include "framework/NumberText.h"

namespace fx {

namespace {

constexpr int kMaxParamNameLen = 32;
constexpr int kMaxBuildInfoLen = 256;
constexpr int kMaxVersionTextLen = 32;

// The steps k of 0..count-1 for which both a + k and b + k index the list of n parameters, as lo..hi (none
// when lo > hi). Counted in 64 bits: a range that ends near either end of int neither wraps nor runs on.
struct Steps {
  int64_t lo, hi;
};
Steps StepsInsideList(int64_t count, int n, int64_t a, int64_t b) {
  return {std::max<int64_t>({0, -a, -b}), std::min<int64_t>({count - 1, n - 1 - a, n - 1 - b})};
}

int Major(int packed) {
  return (packed >> 16) & 0xFFFF;
}
int Minor(int packed) {
  return (packed >> 8) & 0xFF;
}
int Patch(int packed) {
  return packed & 0xFF;
}

int Decimal(int packed) {
  return Major(packed) * 1000 + Minor(packed) * 100 + Patch(packed) * 10;
}

bool SameText(const char* a, const char* b) {
  return a && b && std::strcmp(a, b) == 0;
}

// rand() x 2^-31 in single precision, through the parameter's shape.
void Randomise(IParam& param) {
  const float normalized = static_cast<float>(std::rand()) * (1.0f / 2147483648.0f);
  param.Set(param.GetShape()->NormalizedToValue(normalized, param));
}

}  // namespace

IPluginBase::IPluginBase(int nParams, int nPresets) : IGEditorDelegate(nParams) {
  for (int i = 0; i < nPresets; ++i) {
    auto* preset = new IPreset;
    if (!mPresets.Add(preset)) delete preset;
  }
}

IPluginBase::~IPluginBase() {
  mPresets.Empty(true);
}

// ---- Hooks ----

void IPluginBase::PluginBaseNotifyHook() {}

bool IPluginBase::SerializeState(IByteChunk& chunk) const {
  return SerializeParams(chunk);
}

int IPluginBase::UnserializeState(const IByteChunk& chunk, int startPos) {
  return UnserializeParams(chunk, startPos);
}

int IPluginBase::CheckState(const IByteChunk& chunk, int startPos) {
  return CheckParams(chunk, startPos);
}

bool IPluginBase::PluginBaseQueryHook() {
  return true;
}

int IPluginBase::ReadExtraStateHook(const IByteChunk&, int startPos) {
  return startPos;
}

void IPluginBase::InformHostOfPresetChange() {}

void IPluginBase::OnPresetsModified() {}

// ---- Identity ----

int IPluginBase::GetPluginVersion(bool decimal) const {
  return decimal ? Decimal(mVersion) : mVersion;
}

int IPluginBase::GetHostVersion(bool decimal) const {
  return decimal ? Decimal(mHostVersion) : mHostVersion;
}

void IPluginBase::GetPluginVersionStr(FwString& str) const {
  str.SetFormatted(kMaxVersionTextLen, "v%d.%d.%d", Major(mVersion), Minor(mVersion), Patch(mVersion));
}

void IPluginBase::GetHostVersionStr(FwString& str) const {
  str.SetFormatted(kMaxVersionTextLen, "v%d.%d.%d", Major(mHostVersion), Minor(mHostVersion), Patch(mHostVersion));
}

const char* IPluginBase::GetAPIString() const {
  static constexpr const char* kNames[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP"};
  const int api = static_cast<int>(mAPI);
  return api >= 0 && api < static_cast<int>(std::size(kNames)) ? kNames[api] : "";
}

const char* IPluginBase::GetArchString() const {
  // The processor the module was built for; x86-64 as its makers write it, the others as their toolchains do.
#if defined(__x86_64__)
  return "x86-64";
#elif defined(__aarch64__)
  return "aarch64";
#elif defined(__i386__)
  return "i686";
#elif defined(__arm__)
  return "arm";
#elif defined(__riscv) && __riscv_xlen == 64
  return "riscv64";
#elif defined(__powerpc64__) && defined(__LITTLE_ENDIAN__)
  return "powerpc64le";
#elif defined(__s390x__)
  return "s390x";
#else
  return "unknown";
#endif
}

void IPluginBase::GetBuildInfoStr(FwString& str, const char* date, const char* time) const {
  FwString version;
  GetPluginVersionStr(version);
  str.SetFormatted(kMaxBuildInfoLen, "%s %s (%s), built on %s at %.5s ", version.Get(), GetAPIString(), GetArchString(),
                   date ? date : "", time ? time : "");
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
  const Steps steps = StepsInsideList(int64_t{endIdx} - startIdx + 1, NParams(), startIdx, startIdx);
  for (int64_t k = steps.lo; k <= steps.hi; ++k) {
    IParam* param = GetParam(static_cast<int>(startIdx + k));
    FwString name;
    name.SetFormatted(kMaxParamNameLen, nameFmtStr ? nameFmtStr : "", static_cast<int>(countStart + k));
    param->InitDouble(name.Get(), defaultVal, minVal, maxVal, step, label, flags, group, shape, unit, displayFunc);
  }
}

void IPluginBase::CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr,
                                  const char* replaceStr, const char* newGroup) {
  const Steps steps = StepsInsideList(int64_t{cloneEndIdx} - cloneStartIdx + 1, NParams(), cloneStartIdx, startIdx);
  for (int64_t k = steps.lo; k <= steps.hi; ++k) {
    const IParam* source = GetParam(static_cast<int>(cloneStartIdx + k));
    IParam* dest = GetParam(static_cast<int>(startIdx + k));
    // Read before the copy: a parameter cloned onto itself is reset to its default by Init.
    const double value = source->Value();
    dest->Init(*source, searchStr, replaceStr, newGroup);
    dest->Set(value);
  }
}

void IPluginBase::CopyParamValues(int startSrcIdx, int startDestIdx, int nParams) {
  const Steps steps = StepsInsideList(nParams, NParams(), startSrcIdx, startDestIdx);
  for (int64_t k = steps.lo; k <= steps.hi; ++k)
    GetParam(static_cast<int>(startDestIdx + k))->Set(GetParam(static_cast<int>(startSrcIdx + k))->Value());
}

void IPluginBase::CopyParamValues(const char* inGroup, const char* outGroup) {
  std::vector<IParam*> sources, dests;
  ForParamInGroup(inGroup, [&sources](int, IParam& param) { sources.push_back(&param); });
  ForParamInGroup(outGroup, [&dests](int, IParam& param) { dests.push_back(&param); });
  for (size_t k = 0; k < sources.size() && k < dests.size(); ++k) dests[k]->Set(sources[k]->Value());
}

void IPluginBase::ForParamInRange(int startIdx, int endIdx, const ParamFunc& func) {
  const Steps steps = StepsInsideList(int64_t{endIdx} - startIdx + 1, NParams(), startIdx, startIdx);
  for (int64_t k = steps.lo; k <= steps.hi; ++k) {
    const int i = static_cast<int>(startIdx + k);
    func(i, *GetParam(i));
  }
}

void IPluginBase::ForParamInGroup(const char* group, const ParamFunc& func) {
  for (int i = 0; i < NParams(); ++i) {
    IParam* param = GetParam(i);
    if (SameText(param->GetGroup(), group)) func(i, *param);
  }
}

void IPluginBase::DefaultParamValues() {
  DefaultParamValues(0, NParams() - 1);
}

void IPluginBase::DefaultParamValues(int startIdx, int endIdx) {
  ForParamInRange(startIdx, endIdx, [](int, IParam& param) { param.SetToDefault(); });
}

void IPluginBase::DefaultParamValues(const char* group) {
  ForParamInGroup(group, [](int, IParam& param) { param.SetToDefault(); });
}

void IPluginBase::RandomiseParamValues() {
  RandomiseParamValues(0, NParams() - 1);
}

void IPluginBase::RandomiseParamValues(int startIdx, int endIdx) {
  ForParamInRange(startIdx, endIdx, [](int, IParam& param) { Randomise(param); });
}

void IPluginBase::RandomiseParamValues(const char* group) {
  ForParamInGroup(group, [](int, IParam& param) { Randomise(param); });
}

void IPluginBase::PrintParamValues() {
  ForParamInRange(0, NParams() - 1, [](int, IParam&) {});
}

}  // namespace fx
