#include "plugin/presets/KelvadrunePresets.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/BoundedCopy.h"
#include "framework/PlugPaths.h"
#include "plugin/presets/PresetFileIO.h"
#include "plugin/presets/StateChunk.h"

namespace {

// Longest preset name taken from a file name when saving.
constexpr int kMaxSavedNameLength = 1023;

bool IsIntegral(fx::EParamType type) {
  return type == fx::kTypeBool || type == fx::kTypeInt || type == fx::kTypeEnum;
}

bool IsRegularFile(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// scandir's entries, released with the list.
struct FolderListing {
  dirent** entries = nullptr;
  int count = 0;
  explicit FolderListing(const char* folder) { count = scandir(folder, &entries, nullptr, alphasort); }
  ~FolderListing() {
    for (int i = 0; i < count; ++i) std::free(entries[i]);
    std::free(entries);
  }
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;
};

fx::IPreset* AddNewRecord(PresetList& list) {
  auto* record = new fx::IPreset;
  if (list.Add(record)) return record;
  delete record;
  return nullptr;
}

}  // namespace

void ClearPresetList(PresetList& list, bool deleteItems) {
  list.Empty(deleteItems);
}

KelvadrunePresets::KelvadrunePresets(fx::IPluginBase& plugin) : IXMLPreset(kProductXMLParams), mPlugin(plugin) {}

KelvadrunePresets::~KelvadrunePresets() {
  FreePresetStore();
}

void KelvadrunePresets::FreePresetStore() {
  ClearPresetList(mBuiltInPresets, true);
  ClearPresetList(mFilePresets, true);
  ClearPresetList(mOtherItems, true);
}

// ---- Start-up ----

bool KelvadrunePresets::InitDataFolder() {
  fx::AppSupportPath(mDataFolder, false);
  mDataFolder.Append("/");
  mDataFolder.Append(mPlugin.GetPluginName());
  mPresetFolder = mDataFolder;
  mPresetFolder.Append("/");
  mPresetFolder.Append(kPresetFolderName);
  return presets::MakeFolders(mPresetFolder.Get());
}

void KelvadrunePresets::InitPresetStore() {
  FillPreset(mWorkingPreset, kDefaultPresetTitle, 0);
  AddPreset(kDefaultPresetTitle, 0, 0);
  if (mUseOwnStore) CopyPresetToSlot(mWorkingPreset, 0);
  SortPresetsByCategory(mBuiltInPresets, 1);
}

bool KelvadrunePresets::LoadStartupDefaultPreset() {
  return LoadDefaultPreset(mPlugin, mPresetFolder, false, false, nullptr);
}

// ---- State record ----

bool KelvadrunePresets::WriteStateChunk(fx::IByteChunk& chunk) const {
  return presets::WriteStateRecord(mPlugin, chunk);
}

int KelvadrunePresets::ReadStateChunk(const fx::IByteChunk& chunk, int startPos) {
  return presets::ReadStateRecord(mPlugin, chunk, startPos, mStateParamTable, mFilterByParamTable);
}

int KelvadrunePresets::CheckStateChunk(const fx::IByteChunk& chunk, int startPos) {
  return presets::CheckStateRecord(mPlugin, chunk, startPos, mStateParamTable, mFilterByParamTable);
}

// ---- Preset store ----

void KelvadrunePresets::FillFromPairs(fx::IPreset& preset, const char* name, int nPairs, va_list args) {
  preset.mInitialized = true;
  preset.mName.Set(name);
  std::vector<double> values(static_cast<size_t>(mPlugin.NParams()), kUnsetValue);
  for (int k = 0; k < nPairs; ++k) {
    const int paramIdx = va_arg(args, int);
    const fx::IParam* param = mPlugin.GetParam(paramIdx);
    if (!param) break;
    values[static_cast<size_t>(paramIdx)] =
        IsIntegral(param->Type()) ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
  }
  ReplaceUnsetByDefaults(mPlugin, values.data());
  WriteRecordOfValues(mPlugin, preset, values.data());
}

void KelvadrunePresets::FillPreset(fx::IPreset& preset, const char* name, int nPairs, ...) {
  va_list args;
  va_start(args, nPairs);
  FillFromPairs(preset, name, nPairs, args);
  va_end(args);
}

fx::IPreset* KelvadrunePresets::TakeNewRecord() {
  if (!mUseOwnStore) {
    for (int i = 0; i < mPlugin.NPresets(); ++i) {
      if (!mPlugin.GetPreset(i)->mInitialized) return mPlugin.GetPreset(i);
    }
    return nullptr;
  }
  return AddNewRecord(mBuiltInPresets);
}

void KelvadrunePresets::AddPresetFromArgs(const char* name, int category, int nPairs, va_list args) {
  fx::IPreset* preset = TakeNewRecord();
  if (!preset) return;
  preset->mCategory = category;
  FillFromPairs(*preset, name, nPairs, args);
}

void KelvadrunePresets::AddPreset(const char* name, int category, int nPairs, ...) {
  va_list args;
  va_start(args, nPairs);
  AddPresetFromArgs(name, category, nPairs, args);
  va_end(args);
}

void KelvadrunePresets::AddPresetFromPairs(const char* name, int nPairs, ...) {
  va_list args;
  va_start(args, nPairs);
  AddPresetFromArgs(name, -1, nPairs, args);
  va_end(args);
}

void KelvadrunePresets::CopyPresetToSlot(const fx::IPreset& record, int slot) {
  fx::IPreset* target = mPlugin.GetPreset(slot);
  if (!target) return;
  target->mChunk.Clear();
  target->mChunk.PutChunk(record.mChunk);
  target->mInitialized = true;
  target->mCategory = record.mCategory;
  target->mName.Set(record.mName);
}

void KelvadrunePresets::SortPresetsByCategory(PresetList& list, int nCategories) {
  const auto rank = [nCategories](const fx::IPreset* preset) {
    const int category = preset->mCategory;
    if (category >= 0 && category < nCategories) return category;
    return category == -1 ? nCategories : nCategories + 1;
  };
  std::vector<fx::IPreset*> items(list.GetList(), list.GetList() + list.GetSize());
  std::stable_sort(items.begin(), items.end(),
                   [&rank](const fx::IPreset* a, const fx::IPreset* b) { return rank(a) < rank(b); });
  for (size_t i = 0; i < items.size(); ++i) list.Set(static_cast<int>(i), items[i]);
}

fx::IPreset* KelvadrunePresets::FirstFreePreset(const PresetList& list) {
  for (int i = 0; i < list.GetSize(); ++i) {
    if (!list.Get(i)->mInitialized) return list.Get(i);
  }
  return nullptr;
}

// ---- Preset commands ----

bool KelvadrunePresets::LoadPresetCommand(const char* path) {
  if (!path || !*path) return false;
  fx::FwString presetName;
  if (!LoadPresetFile(mPlugin, fx::FwString(path), presetName, false, false, mFilterByParamTable, false, nullptr))
    return false;
  // The user's load: hosts that keep their own copy of the parameters take values only from automation.
  mPlugin.InformHostOfAllParams();
  return true;
}

bool KelvadrunePresets::SavePresetCommand(const char* path) {
  if (!path || !*path) return false;
  fx::FwString presetName;
  presets::FileStem(path, kMaxSavedNameLength, presetName);
  return SavePresetFile(mPlugin, fx::FwString(path), presetName, false, false, nullptr);
}

bool KelvadrunePresets::SaveDefaultPresetCommand() {
  return SaveDefaultPreset(mPlugin, mPresetFolder, false, false, nullptr);
}

int KelvadrunePresets::RescanPresetsCommand() {
  ClearPresetList(mFilePresets, true);
  ClearPresetList(mOtherItems, true);
  const FolderListing listing(mDataFolder.Get());
  for (int i = 0; i < listing.count; ++i) {
    const char* name = listing.entries[i]->d_name;
    if (!presets::IsPlainFileName(name) || !std::strstr(name, kPresetExtension)) continue;
    fx::FwString path(mDataFolder);
    path.Append("/");
    path.Append(name);
    fx::FwString presetName;
    if (!IsRegularFile(path.Get()) ||
        !LoadPresetFile(mPlugin, path, presetName, false, true, mFilterByParamTable, false, nullptr))
      continue;
    if (fx::IPreset* record = AddNewRecord(mFilePresets))
      LoadPresetFileToPreset(mPlugin, *record, path, mFilterByParamTable);
  }
  return mFilePresets.GetSize();
}
