#include "plugin/presets/PresetDocument.h"

#include <tinyxml.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "framework/BoundedCopy.h"
#include "framework/NumberText.h"
#include "framework/XMLNesting.h"

namespace presets {

namespace {

// The exact text of any double has at most 327 characters (see FormatExact).
constexpr int kMaxValueText = 400;

TiXmlElement* AddTextElement(TiXmlElement& parent, const char* name, const char* text) {
  auto* element = new TiXmlElement(name);
  if (text && *text) element->LinkEndChild(new TiXmlText(text));
  parent.LinkEndChild(element);
  return element;
}

void AddParams(TiXmlElement& parameter, const fx::IPluginBase& plugin, const DocumentContent& content) {
  for (int i = 0; i < plugin.NParams(); ++i) {
    if (content.table && !XMLTableSelects(content.table, *plugin.GetParam(i), i)) continue;
    const double value = content.values ? content.values[i] : plugin.GetParam(i)->Value();
    char valueText[kMaxValueText];
    fx::FormatExact(valueText, kMaxValueText, value);
    auto* param = new TiXmlElement("Param");
    param->SetAttribute("name", plugin.GetParam(i)->GetName());
    param->SetAttribute("val", valueText);
    parameter.LinkEndChild(param);
  }
}

const TiXmlElement* ChildElement(const TiXmlNode& parent, const char* name) {
  const TiXmlNode* child = parent.FirstChild(name);
  return child ? child->ToElement() : nullptr;
}

bool TextEquals(const TiXmlElement* element, const char* expected) {
  const char* text = element ? element->GetText() : nullptr;
  return text && expected && std::strcmp(text, expected) == 0;
}

bool IsAcceptedProduct(const TiXmlElement* element, const ReadRules& rules) {
  if (TextEquals(element, rules.product)) return true;
  for (const char* const* other = rules.otherProducts; other && *other; ++other) {
    if (TextEquals(element, *other)) return true;
  }
  return false;
}

int FindParamByName(const fx::IPluginBase& plugin, const char* name) {
  for (int i = 0; i < plugin.NParams(); ++i) {
    if (std::strcmp(plugin.GetParam(i)->GetName(), name) == 0) return i;
  }
  return -1;
}

// A missing "val", or one that is not a number, reads as 0.0.
double ValueOf(const TiXmlElement& param) {
  double value = 0.0;
  if (!fx::ParseDouble(param.Attribute("val"), value) || std::isnan(value)) value = 0.0;
  return value;
}

// The "Param" elements: every element of the list must be one; unnamed ones and names of no parameter
// (one a later version added, say) are skipped.
bool ReadParams(fx::IPluginBase& plugin, const TiXmlElement& first, const ReadRules& rules, const char* fileVersion,
                ReadResult& result) {
  fx::FwString ownVersion;
  plugin.GetPluginVersionStr(ownVersion);
  for (const TiXmlNode* node = &first; node; node = node->NextSibling()) {
    const TiXmlElement* param = node->ToElement();
    if (!param) continue;
    if (std::strcmp(param->Value(), "Param") != 0) return false;
    const char* name = param->Attribute("name");
    if (!name || !*name) continue;
    const int paramIdx = FindParamByName(plugin, name);
    if (paramIdx < 0 || (rules.table && !XMLTableSelects(rules.table, *plugin.GetParam(paramIdx), paramIdx))) continue;
    const double value = plugin.ConvertPresetParamValue(fileVersion, ownVersion.Get(), paramIdx, ValueOf(*param));
    result.values.push_back({paramIdx, value});
  }
  return true;
}

bool ReadTree(fx::IPluginBase& plugin, const TiXmlElement& tree, const ReadRules& rules, ReadResult& result) {
  if (!TextEquals(ChildElement(tree, "PluginVendor"), rules.vendor)) return false;
  if (!IsAcceptedProduct(ChildElement(tree, "PluginName"), rules)) return false;
  const TiXmlElement* version = ChildElement(tree, "PluginVersion");
  if (!version) return false;
  if (const TiXmlElement* data = ChildElement(tree, "Data")) result.data.Set(data->GetText());
  const TiXmlElement* preset = ChildElement(tree, "Preset");
  const TiXmlAttribute* presetName = preset ? preset->FirstAttribute() : nullptr;
  if (!presetName || std::strcmp(presetName->Name(), "name") != 0) return false;
  fx::CopyBounded(result.presetName, presetName->Value());
  const TiXmlNode* parameter = preset->FirstChild("Parameter");
  const TiXmlNode* first = parameter ? parameter->FirstChild() : nullptr;
  if (!first || !first->ToElement()) return false;
  const char* versionText = version->GetText();
  return ReadParams(plugin, *first->ToElement(), rules, versionText ? versionText : "", result);
}

}  // namespace

std::string PrintPresetDocument(const fx::IPluginBase& plugin, const DocumentContent& content) {
  TiXmlDocument doc;
  doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
  auto* tree = new TiXmlElement("PresetXMLTree");
  tree->SetAttribute("version", "1");
  doc.LinkEndChild(tree);
  AddTextElement(*tree, "PluginVendor", content.vendor);
  AddTextElement(*tree, "PluginName", content.product);
  AddTextElement(*tree, "PluginVersion", content.version);
  if (content.dataText) AddTextElement(*tree, "Data", content.dataText);
  auto* preset = new TiXmlElement("Preset");
  preset->SetAttribute("name", content.presetName ? content.presetName : "");
  tree->LinkEndChild(preset);
  AddParams(*AddTextElement(*preset, "Parameter", nullptr), plugin, content);

  TiXmlPrinter printer;
  printer.SetIndent("    ");
  printer.SetLineBreak("\n");
  doc.Accept(&printer);
  return printer.Str();
}

bool ReadPresetDocument(fx::IPluginBase& plugin, const char* text, size_t length, const ReadRules& rules,
                        ReadResult& result) {
  if (!text) return false;
  // A zero byte ends the text: what follows it is not read.
  const size_t shorter = strnlen(text, length);
  if (shorter == 0) return false;
  const std::string terminated(text, shorter);
  if (!fx::XMLNestingWithin(terminated.c_str(), kMaxDocumentDepth)) return false;
  TiXmlDocument doc;
  doc.Parse(terminated.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  if (doc.Error()) return false;
  const TiXmlElement* tree = doc.FirstChildElement("PresetXMLTree");
  return tree && ReadTree(plugin, *tree, rules, result);
}

void ApplyParamValues(fx::IPluginBase& plugin, const std::vector<ParamValue>& values) {
  for (const ParamValue& entry : values) {
    if (fx::IParam* param = plugin.GetParam(entry.paramIdx)) param->Set(entry.value);
  }
}

}  // namespace presets
