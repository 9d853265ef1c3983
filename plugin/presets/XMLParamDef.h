// One row of an XML identifier table: the parameters a preset document selects. A table ends with a row
// whose name is null and whose index is -1; a table whose first index is kXMLAllPresetParams selects every
// parameter whose preset flag is set. The type and print format travel with each row for readers of the
// table; the preset code uses only the index column.
#pragma once

#include "framework/IParam.h"
#include "framework/ParamEnums.h"

struct XMLParamDef {
  const char* name;
  int paramIdx;
  fx::EParamType type;
  const char* format;
};

constexpr int kXMLAllPresetParams = -2;

// True when param, the parameter at paramIdx, is selected by table (see above). A null table selects
// nothing.
bool XMLTableSelects(const XMLParamDef* table, const fx::IParam& param, int paramIdx);

// The sound-shaping parameters of the product: processing mode, the three gains and their locks and
// minus-infinity switches, the fader range and shape, the smoothing frequency, the fader display mode and
// the sample-accurate switch.
extern const XMLParamDef kProductXMLParams[];
