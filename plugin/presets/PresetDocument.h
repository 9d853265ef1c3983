// The XML preset document: a set of parameter values with the identity of the product that wrote it,
// the body of the state chunk and the whole content of a preset file.
//
//   <?xml version="1.0" ?>
//   <PresetXMLTree version="1">
//       <PluginVendor>maker</PluginVendor>
//       <PluginName>product</PluginName>
//       <PluginVersion>v1.0.11</PluginVersion>
//       <Data>free text</Data>                      (files only, optional)
//       <Preset name="preset name">
//           <Parameter>
//               <Param name="MVol" val="0.45" />  (one per parameter, by display name)
//
// Values are written as the shortest text that reads back to the same double, so a saved state reloads
// bit for bit; the older six-decimal form ("0.450000") reads as any other decimal number.
// Reading parses and validates the whole document before anything is applied: a document is taken as a
// whole or not at all. Everything here runs on the main thread and may allocate.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "framework/FwString.h"
#include "framework/IPluginBase.h"
#include "framework/IPreset.h"
#include "plugin/presets/XMLParamDef.h"

namespace presets {

// Larger preset files are refused unread: a file is read whole into memory, and one of any size (a sparse file
// of a terabyte in the preset folder, say) would exhaust it. A preset is a few kilobytes.
constexpr size_t kMaxDocumentBytes = 1 << 20;
// A preset document nests three levels deep; a deeper one is refused before parsing, far inside the
// parser's stack needs (see framework/XMLNesting.h).
constexpr int kMaxDocumentDepth = 256;

struct DocumentContent {
  const char* vendor;
  const char* product;
  const char* version;
  const char* presetName;
  const double* values;      // one per parameter; null: the current values
  const XMLParamDef* table;  // null: every parameter, else the parameters the table selects
  const char* dataText;      // null: no "Data" element
};

// The printed document, four spaces per level, lines ending in "\n"; "" when it could not be built.
std::string PrintPresetDocument(const fx::IPluginBase& plugin, const DocumentContent& content);

struct ReadRules {
  const char* vendor;                // "PluginVendor" must equal it exactly
  const char* product;               // "PluginName" must equal it exactly ...
  const char* const* otherProducts;  // ... or one of these (null-terminated list; null for none)
  const XMLParamDef* table;          // null: every named parameter is taken, else only those selected
};

struct ParamValue {
  int paramIdx;
  double value;
};

struct ReadResult {
  char presetName[fx::IPreset::kMaxNameLen] = "";
  fx::FwString data;               // the "Data" text, "" when absent
  std::vector<ParamValue> values;  // in document order, through the plug-in's conversion hook
};

// Parses and checks the document at text (length bytes, no terminating zero needed; a zero byte ends it
// early, and what follows is not read). False, with result unspecified, for a document that is empty, does not
// parse, comes from another maker or product, or breaks the structure above.
bool ReadPresetDocument(fx::IPluginBase& plugin, const char* text, size_t length, const ReadRules& rules,
                        ReadResult& result);

// Stores each value into its parameter (rounded to the step when stepped, clamped, atomic exchange).
void ApplyParamValues(fx::IPluginBase& plugin, const std::vector<ParamValue>& values);

}  // namespace presets
