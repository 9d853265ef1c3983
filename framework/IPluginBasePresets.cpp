// The plug-in base's preset slots: making, restoring, naming and (de)serialising the bank.
#include <cstdarg>
#include <cstring>

#include "framework/Base64.h"
#include "framework/BoundedCopy.h"
#include "framework/IPluginBase.h"

namespace fx {

namespace {

// Marks the values a named-parameter preset leaves to the parameter's current value.
constexpr double kUnnamedMarker = 9.999e-8;

bool IsIntegral(EParamType type) {
  return type == kTypeBool || type == kTypeInt || type == kTypeEnum;
}

// C variadic arguments promote: an int for the integral parameter types, a double otherwise.
double NextValueArg(va_list& args, const IParam& param) {
  return IsIntegral(param.Type()) ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
}

}  // namespace

IPreset* IPluginBase::FirstFreePreset() const {
  for (int i = 0; i < NPresets(); ++i) {
    if (!mPresets.Get(i)->mInitialized) return mPresets.Get(i);
  }
  return nullptr;
}

void IPluginBase::InitialisePreset(IPreset& preset, const char* name) {
  preset.mInitialized = true;
  preset.mName.Set(name);
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
  mCurrentPresetIdx.store(idx, std::memory_order_release);
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
  return preset ? preset->mName.Get() : "";
}

void IPluginBase::ModifyCurrentPreset(const char* name) {
  IPreset* preset = GetPreset(GetCurrentPresetIdx());
  if (!preset) return;
  // The name goes first: the product's state may carry the current preset's name.
  if (name && *name) preset->mName.Set(name);
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
  preset.mName.Set(name.Get());
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
  // Each slot's state is loaded and written back by the plug-in, so every slot holds the state in the
  // plug-in's own current form whatever encoding or trailing bytes the bank carried. A state the plug-in
  // then fails to load although it passed the check ends the load there, answered as a failure: its slot
  // takes the bank's name but keeps its former chunk and flag, and the slots after it are left as they
  // were. (A free slot marked initialised would have no state behind the flag, and a bank written from it
  // would not read back.)
  int end = pos;
  for (int i = 0; i < NPresets() && end >= 0; ++i) {
    const SlotExtent& slot = slots[static_cast<size_t>(i)];
    IPreset& preset = *mPresets.Get(i);
    preset.mName.Set(slot.header.mName);
    const bool wasInitialized = preset.mInitialized;
    preset.mInitialized = slot.header.mInitialized;
    if (!slot.header.mInitialized) continue;
    if (UnserializeState(chunk, slot.stateStart) < 1) {
      preset.mInitialized = wasInitialized;
      end = -1;
      continue;
    }
    preset.mChunk.Clear();
    SerializeState(preset.mChunk);
  }
  RestorePreset(GetCurrentPresetIdx());
  return end;
}

}  // namespace fx
