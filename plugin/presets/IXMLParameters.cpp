#include "plugin/presets/IXMLParameters.h"

#include <climits>
#include <cstdint>
#include <string>

#include "framework/BoundedCopy.h"

bool IXMLParameters::WriteParamsXML(const fx::IPluginBase& plugin, fx::IByteChunk& chunk, bool) {
  fx::FwString version;
  plugin.GetPluginVersionStr(version);
  const presets::DocumentContent content{
      plugin.GetMfrName(), plugin.GetPluginName(), version.Get(), plugin.GetPresetName(0), nullptr, nullptr, nullptr};
  return AppendDocument(chunk, presets::PrintPresetDocument(plugin, content));
}

int IXMLParameters::ParseParamsXML(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int pos, bool filter,
                                   const XMLParamDef* table, presets::ReadResult& result) {
  int32_t length = 0;
  const int textPos = pos >= 0 ? chunk.Get(&length, pos) : -1;
  if (textPos < 0 || length < 1 || length > chunk.Size() - textPos) return 0;

  const presets::ReadRules rules{plugin.GetMfrName(), plugin.GetPluginName(), nullptr, filter ? table : nullptr};
  const auto* text = reinterpret_cast<const char*>(chunk.GetData() + textPos);
  if (!presets::ReadPresetDocument(plugin, text, static_cast<size_t>(length), rules, result)) return 0;
  return textPos + length;
}

int IXMLParameters::ReadParamsXML(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int pos, bool filter,
                                  const XMLParamDef* table) {
  presets::ReadResult result;
  const int end = ParseParamsXML(plugin, chunk, pos, filter, table, result);
  if (end <= 0) return 0;
  presets::ApplyParamValues(plugin, result.values);
  if (fx::IPreset* slot = plugin.GetPreset(0)) slot->mName.Set(result.presetName);
  plugin.OnParamReset(fx::kPresetRecall);
  return end;
}

int IXMLParameters::CheckParamsXML(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int pos, bool filter,
                                   const XMLParamDef* table) {
  presets::ReadResult result;
  return ParseParamsXML(plugin, chunk, pos, filter, table, result);
}

bool IXMLParameters::AppendDocument(fx::IByteChunk& chunk, const std::string& text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX - 4)) return false;
  const int start = chunk.Size();
  const auto length = static_cast<int32_t>(text.size());
  if (chunk.Put(&length) > 0 && chunk.PutBytes(text.data(), length) > 0) return true;
  chunk.Resize(start);
  return false;
}
