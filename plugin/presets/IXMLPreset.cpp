#include "plugin/presets/IXMLPreset.h"

#include <string>

#include "framework/BoundedCopy.h"
#include "plugin/presets/IXMLParameters.h"
#include "plugin/presets/PresetFileIO.h"
#include "plugin/presets/StateChunk.h"

IXMLPreset::IXMLPreset(const XMLParamDef* paramTable) : mParamTable(paramTable) {}

bool IXMLPreset::BuildPresetXML(const fx::IPluginBase& plugin, const double* values, fx::IByteChunk& chunk,
                                const char* presetName, bool) const {
  fx::FwString version;
  plugin.GetPluginVersionStr(version);
  const presets::DocumentContent content{
      plugin.GetMfrName(), plugin.GetPluginName(), version.Get(), presetName, values, nullptr, nullptr};
  return IXMLParameters::AppendDocument(chunk, presets::PrintPresetDocument(plugin, content));
}

bool IXMLPreset::ReadFile(fx::IPluginBase& plugin, const char* path, bool filter, presets::ReadResult& result) const {
  std::string text;
  if (!presets::ReadWholeFile(path, presets::kMaxDocumentBytes, text)) return false;
  const presets::ReadRules rules{plugin.GetMfrName(), plugin.GetPluginName(),
                                 mOtherProductNamesEnabled ? mOtherProductNames : nullptr,
                                 filter && mUseParamTable ? mParamTable : nullptr};
  return presets::ReadPresetDocument(plugin, text.data(), text.size(), rules, result);
}

std::vector<presets::ParamValue> IXMLPreset::TableDefaults(const fx::IPluginBase& plugin) const {
  std::vector<presets::ParamValue> defaults;
  if (!mUseParamTable) return defaults;
  for (int i = 0; i < plugin.NParams(); ++i) {
    if (XMLTableSelects(mParamTable, *plugin.GetParam(i), i)) defaults.push_back({i, plugin.GetParam(i)->GetDefault()});
  }
  return defaults;
}

bool IXMLPreset::ReadPresetXML(fx::IPluginBase& plugin, const char* path, double* values, fx::FwString& presetName,
                               bool filter) const {
  presets::ReadResult result;
  if (!values || !ReadFile(plugin, path, filter, result)) return false;
  for (const presets::ParamValue& entry : TableDefaults(plugin)) values[entry.paramIdx] = entry.value;
  for (const presets::ParamValue& entry : result.values) values[entry.paramIdx] = entry.value;
  presetName.Set(result.presetName);
  return true;
}

bool IXMLPreset::SavePresetFile(const fx::IPluginBase& plugin, const fx::FwString& path, const fx::FwString& presetName,
                                bool filter, bool writeData, const char* dataText) const {
  fx::FwString version;
  plugin.GetPluginVersionStr(version);
  const char* product = mProductNameOverride.GetLength() > 0 ? mProductNameOverride.Get() : plugin.GetPluginName();
  if (mVersionOverride.GetLength() > 0) version = mVersionOverride;
  const presets::DocumentContent content{plugin.GetMfrName(),
                                         product,
                                         version.Get(),
                                         presetName.Get(),
                                         nullptr,
                                         filter && mUseParamTable ? mParamTable : nullptr,
                                         writeData ? (dataText ? dataText : "") : nullptr};
  const std::string text = presets::PrintPresetDocument(plugin, content);
  return !text.empty() && presets::WriteFileAtomically(path.Get(), text);
}

void IXMLPreset::DefaultPresetPath(const fx::FwString& folder, fx::FwString& path) {
  path = folder;
  path.Append("/");
  path.Append(kDefaultPresetName);
  path.Append(kPresetExtension);
}

// The folder is made again when it went missing since start-up, so that the user's request succeeds.
bool IXMLPreset::SaveDefaultPreset(const fx::IPluginBase& plugin, const fx::FwString& folder, bool filter,
                                   bool writeData, const char* dataText) const {
  if (!presets::MakeFolders(folder.Get())) return false;
  fx::FwString path;
  DefaultPresetPath(folder, path);
  return SavePresetFile(plugin, path, fx::FwString(kDefaultPresetTitle), filter, writeData, dataText);
}

bool IXMLPreset::LoadPresetFile(fx::IPluginBase& plugin, const fx::FwString& path, fx::FwString& presetName,
                                bool noRestore, bool checkOnly, bool filter, bool readData, fx::FwString* data) {
  presets::ReadResult result;
  if (!ReadFile(plugin, path.Get(), filter && !noRestore, result)) return false;
  presetName.Set(result.presetName);
  if (readData && data) *data = result.data;
  if (checkOnly) return true;

  std::vector<presets::ParamValue> values = TableDefaults(plugin);
  values.insert(values.end(), result.values.begin(), result.values.end());
  presets::ApplyParamValues(plugin, values);
  plugin.ModifyCurrentPreset(presetName.Get());
  if (noRestore || !plugin.RestorePreset(plugin.GetCurrentPresetIdx())) {
    plugin.OnParamReset(fx::kPresetRecall);
    plugin.OnRestoreState();
    return true;
  }
  plugin.ModifyCurrentPreset(presetName.Get());
  plugin.InformHostOfPresetChange();
  return true;
}

bool IXMLPreset::LoadDefaultPreset(fx::IPluginBase& plugin, const fx::FwString& folder, bool filter, bool readData,
                                   fx::FwString* data) {
  fx::FwString path;
  DefaultPresetPath(folder, path);
  fx::FwString presetName;
  return LoadPresetFile(plugin, path, presetName, true, false, filter, readData, data);
}

void IXMLPreset::ReplaceUnsetByDefaults(const fx::IPluginBase& plugin, double* values) {
  for (int i = 0; i < plugin.NParams(); ++i) {
    if (values[i] == kUnsetValue) values[i] = plugin.GetParam(i)->GetDefault();
  }
}

bool IXMLPreset::WriteRecordOfValues(const fx::IPluginBase& plugin, fx::IPreset& preset, const double* values) const {
  const presets::StateRecordMarks marks = presets::BeginStateRecord(preset.mChunk);
  const bool written = BuildPresetXML(plugin, values, preset.mChunk, preset.mName, false);
  presets::EndStateRecord(preset.mChunk, marks);
  return written;
}

void IXMLPreset::LoadPresetFileToPreset(fx::IPluginBase& plugin, fx::IPreset& preset, const fx::FwString& path,
                                        bool filter) const {
  std::vector<double> values(static_cast<size_t>(plugin.NParams()), kUnsetValue);
  fx::FwString presetName;
  ReadPresetXML(plugin, path.Get(), values.data(), presetName, filter);
  ReplaceUnsetByDefaults(plugin, values.data());
  preset.mInitialized = true;
  preset.mName.Set(presetName.Get());
  WriteRecordOfValues(plugin, preset, values.data());
}
