// Preset files: the XML preset document (PresetDocument.h) as a file with the extension ".lps", and the
// default preset "default.lps" in a given folder. A base of the product class; it carries the product's
// identifier table and the names the files are written and accepted under.
//
// Every operation runs on the main thread, does blocking file I/O and may allocate. Loads are all or
// nothing: a file that cannot be read, does not parse, comes from another product or breaks the document
// structure changes no parameter and answers false. Saves replace the file only once the new content is
// complete (see PresetFileIO.h) and answer false when they fail.
#pragma once

#include <vector>

#include "framework/FwString.h"
#include "framework/IByteChunk.h"
#include "framework/IPluginBase.h"
#include "framework/IPreset.h"
#include "plugin/presets/PresetDocument.h"
#include "plugin/presets/XMLParamDef.h"

class IXMLPreset {
 public:
  static constexpr const char* kPresetExtension = ".lps";
  static constexpr const char* kDefaultPresetName = "default";
  static constexpr const char* kDefaultPresetTitle = "Init";
  // Marks, in an array of one value per parameter, the values still to be replaced by the default.
  static constexpr double kUnsetValue = 9.999e-8;

  explicit IXMLPreset(const XMLParamDef* paramTable);
  virtual ~IXMLPreset() = default;

  // Appends the document of values (one per parameter) named presetName, as a 32-bit length and the text.
  // Every parameter is written whatever filter says. False, with nothing appended, on failure.
  bool BuildPresetXML(const fx::IPluginBase& plugin, const double* values, fx::IByteChunk& chunk,
                      const char* presetName, bool filter) const;

  // Reads the file's values into values (indexed by parameter) without step or clamp. When the
  // identifier table is in use, the table's parameters first take their defaults, so that a file
  // missing one of them yields its default. With filter and the table in use only the table's
  // parameters are taken. False, with values and presetName unchanged, when the file does not read.
  bool ReadPresetXML(fx::IPluginBase& plugin, const char* path, double* values, fx::FwString& presetName,
                     bool filter) const;

  // Writes the current values to path under presetName: the product-name and version overrides when set,
  // a "Data" element with dataText when writeData, and only the table's parameters when filter and the
  // table is in use.
  bool SavePresetFile(const fx::IPluginBase& plugin, const fx::FwString& path, const fx::FwString& presetName,
                      bool filter, bool writeData, const char* dataText) const;
  // SavePresetFile to folder + "/default.lps" under the name "Init".
  bool SaveDefaultPreset(const fx::IPluginBase& plugin, const fx::FwString& folder, bool filter, bool writeData,
                         const char* dataText) const;

  // Loads the file at path into the parameters. The table's parameters take their defaults first when
  // the table is in use and checkOnly is false; with noRestore every named parameter is taken whatever
  // filter says. checkOnly reads and checks the whole file and changes nothing. Then: noRestore stores
  // the state in the current preset slot under the file's preset name and refreshes the plug-in
  // (OnParamReset, OnRestoreState); otherwise the current slot is stored, restored through the state
  // chunk as a preset recall, named, and the host is told. presetName takes the file's preset name; data
  // the "Data" text when readData.
  bool LoadPresetFile(fx::IPluginBase& plugin, const fx::FwString& path, fx::FwString& presetName, bool noRestore,
                      bool checkOnly, bool filter, bool readData, fx::FwString* data);
  // LoadPresetFile of folder + "/default.lps" with noRestore.
  bool LoadDefaultPreset(fx::IPluginBase& plugin, const fx::FwString& folder, bool filter, bool readData,
                         fx::FwString* data);

  // Makes preset an initialised record of the file's values (defaults where the file names none, and
  // for a file that does not read) under the file's preset name ("" when it does not read).
  void LoadPresetFileToPreset(fx::IPluginBase& plugin, fx::IPreset& preset, const fx::FwString& path,
                              bool filter) const;

  // Replaces every kUnsetValue in values (one per parameter) by the parameter's default.
  static void ReplaceUnsetByDefaults(const fx::IPluginBase& plugin, double* values);
  // Appends a whole state record of values (one per parameter) to preset's chunk, after what it holds,
  // under the preset's name; false (the fixed fields appended, sizes patched) when the document could not
  // be written.
  bool WriteRecordOfValues(const fx::IPluginBase& plugin, fx::IPreset& preset, const double* values) const;

  const XMLParamDef* GetParamTable() const { return mParamTable; }

 protected:
  fx::FwString mProductNameOverride;
  fx::FwString mVersionOverride;
  const XMLParamDef* mParamTable;
  bool mUseParamTable = true;
  const char* const* mOtherProductNames = nullptr;
  bool mOtherProductNamesEnabled = false;

 private:
  static void DefaultPresetPath(const fx::FwString& folder, fx::FwString& path);
  bool ReadFile(fx::IPluginBase& plugin, const char* path, bool filter, presets::ReadResult& result) const;
  // The table's parameters at their defaults, when the table is in use.
  std::vector<presets::ParamValue> TableDefaults(const fx::IPluginBase& plugin) const;
};
