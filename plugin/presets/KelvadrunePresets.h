// The product's presets: its data folder and the "VST2" preset folder inside it, the state record the
// host and the preset slots hold, the product's own preset store (a working record, the built-in presets,
// the presets found in the data folder and a third list of owned records) and the preset commands of the
// editor.
//
// A base of the product class, constructed with a reference to the plug-in it belongs to (used only
// after construction). Everything here runs on the main thread; the file operations block on disk I/O.
#pragma once

#include <cstdarg>

#include "framework/FwPtrList.h"
#include "framework/FwString.h"
#include "framework/IPluginBase.h"
#include "framework/IPreset.h"
#include "plugin/presets/IXMLPreset.h"

using PresetList = fx::FwPtrList<fx::IPreset>;

// Deletes every record of list when deleteItems, and empties it.
void ClearPresetList(PresetList& list, bool deleteItems);

class KelvadrunePresets : public IXMLPreset {
 public:
  static constexpr const char* kPresetFolderName = "VST2";

  explicit KelvadrunePresets(fx::IPluginBase& plugin);
  ~KelvadrunePresets() override;
  KelvadrunePresets(const KelvadrunePresets&) = delete;
  KelvadrunePresets& operator=(const KelvadrunePresets&) = delete;

  // ---- Start-up, in this order (from the constructor, once the parameters exist) ----

  // The data folder is the user's Application Support folder, "/" and the plug-in name; the preset
  // folder is its "VST2" sub-folder. Both, and missing parents, are created (mode 0755). False when they
  // could not be created; the plug-in runs on without them.
  bool InitDataFolder();
  // The working record and one built-in preset "Init" of the current values; the working record becomes
  // framework slot 0 when the own store is used.
  void InitPresetStore();
  // Loads default.lps from the preset folder when it is there; false (nothing changed) otherwise.
  bool LoadStartupDefaultPreset();

  // ---- State record (StateChunk.h) for the plug-in's SerializeState and UnserializeState ----

  bool WriteStateChunk(fx::IByteChunk& chunk) const;
  // The position after the record, or -1 with nothing changed.
  int ReadStateChunk(const fx::IByteChunk& chunk, int startPos);
  // The position ReadStateChunk would answer, without changing anything.
  int CheckStateChunk(const fx::IByteChunk& chunk, int startPos);

  // ---- Preset store ----

  // preset becomes an initialised record named name of nPairs (parameter index, value) pairs, the value
  // an int for bool, int and enum parameters and a double otherwise; parameters not named take their
  // defaults. Reading stops at the first index that names no parameter (the type of its value is unknown).
  void FillPreset(fx::IPreset& preset, const char* name, int nPairs, ...);
  // The same into a new record of the built-in list (or the first free framework slot without the own
  // store; nothing when none is free), with category, or -1 for AddPresetFromPairs.
  void AddPreset(const char* name, int category, int nPairs, ...);
  void AddPresetFromPairs(const char* name, int nPairs, ...);
  // Copies record (state, initialised flag, category, name) into framework slot slot; ignored when out
  // of range.
  void CopyPresetToSlot(const fx::IPreset& record, int slot);
  // Orders the list: categories 0 to nCategories - 1, then category -1, then any other category; the
  // order within a category is kept.
  static void SortPresetsByCategory(PresetList& list, int nCategories);
  // The first record that is not initialised; null when there is none.
  static fx::IPreset* FirstFreePreset(const PresetList& list);
  // Deletes the records of the built-in list, the file list and the third list and empties them (also done
  // when the store goes).
  void FreePresetStore();

  // ---- Preset commands (the editor supplies the paths) ----

  // Loads the preset file at path, recalls it and tells the host every value through its automation
  // (InformHostOfAllParams); false, with nothing told, for an empty path or a file that does not load.
  bool LoadPresetCommand(const char* path);
  // Saves the current values to path under the file's name without folder and extension.
  bool SavePresetCommand(const char* path);
  // Saves the current values as default.lps in the preset folder.
  bool SaveDefaultPresetCommand();
  // Lists the data folder's files whose names contain ".lps" and that load, in name order, as records of
  // the file list (replacing its old records); the third list is emptied too. Answers the number listed.
  int RescanPresetsCommand();

  const fx::FwString& GetDataFolder() const { return mDataFolder; }
  const fx::FwString& GetPresetFolder() const { return mPresetFolder; }
  const fx::IPreset& GetWorkingPreset() const { return mWorkingPreset; }
  const PresetList& GetBuiltInPresets() const { return mBuiltInPresets; }
  const PresetList& GetFilePresets() const { return mFilePresets; }
  const PresetList& GetOtherItems() const { return mOtherItems; }
  // Set by the preset bar while it loads a record of the store, or has a by-path user preset loaded.
  bool IsLoading() const { return mLoading; }
  void SetLoading(bool loading) { mLoading = loading; }

 protected:
  // The store's third list: records it owns (deleted with the store and by every rescan). The product puts
  // nothing in it; a derived class may.
  PresetList& OtherItems() { return mOtherItems; }

 private:
  void FillFromPairs(fx::IPreset& preset, const char* name, int nPairs, va_list args);
  fx::IPreset* TakeNewRecord();
  void AddPresetFromArgs(const char* name, int category, int nPairs, va_list args);

  fx::IPluginBase& mPlugin;
  fx::FwString mDataFolder;
  fx::FwString mPresetFolder;
  fx::IPreset mWorkingPreset;
  PresetList mBuiltInPresets;
  PresetList mFilePresets;
  PresetList mOtherItems;
  bool mUseOwnStore = true;
  bool mLoading = false;
  // The state record's own copy of the identifier table, and its flag: it applies every parameter it names.
  const XMLParamDef* mStateParamTable = kProductXMLParams;
  bool mFilterByParamTable = false;
};
