// The XML preset document inside a byte chunk: a 32-bit little-endian text length followed by the
// printed document (no terminating zero). This is the body of the state chunk (see StateChunk.h).
// Main thread only: it reads and stores parameter values and may allocate.
#pragma once

#include <string>

#include "framework/IByteChunk.h"
#include "framework/IPluginBase.h"
#include "plugin/presets/PresetDocument.h"
#include "plugin/presets/XMLParamDef.h"

class IXMLParameters {
 public:
  // Appends the document of the current values of every parameter, named after preset slot 0 ("" without
  // one), with the plug-in's maker, name and "v%d.%d.%d" version. filter does not narrow what is written.
  // False, with nothing appended, when the document could not be printed or appended.
  static bool WriteParamsXML(const fx::IPluginBase& plugin, fx::IByteChunk& chunk, bool filter);

  // Reads the text at pos and, when the whole document is valid for this plug-in, stores every value it
  // names, copies its preset name into slot 0 and calls OnParamReset(kPresetRecall). With filter only the
  // parameters table selects are taken. A parameter name the plug-in does not know is skipped, so a state
  // saved by a version with more parameters still restores every one this version has. Answers the
  // position after the text, or 0 with nothing changed.
  static int ReadParamsXML(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int pos, bool filter,
                           const XMLParamDef* table);
  // The position ReadParamsXML would answer, without storing anything; 0 when it would refuse the text.
  static int CheckParamsXML(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int pos, bool filter,
                            const XMLParamDef* table);

  // Appends a 32-bit length and text; false, with the chunk unchanged, for an empty text or a failure.
  static bool AppendDocument(fx::IByteChunk& chunk, const std::string& text);

 private:
  // Parses and checks the text at pos into result; the position after the text, or 0.
  static int ParseParamsXML(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int pos, bool filter,
                            const XMLParamDef* table, presets::ReadResult& result);
};
