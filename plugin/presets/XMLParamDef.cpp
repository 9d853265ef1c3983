#include "plugin/presets/XMLParamDef.h"

bool XMLTableSelects(const XMLParamDef* table, const fx::IParam& param, int paramIdx) {
  if (!table) return false;
  if (table[0].paramIdx == kXMLAllPresetParams) return param.GetIsPreset();
  for (const XMLParamDef* row = table; row->name; ++row) {
    if (row->paramIdx == paramIdx) return true;
  }
  return false;
}

const XMLParamDef kProductXMLParams[] = {
    {"kProcessMode", 4, fx::kTypeEnum, "%d"},
    {"kGainMaster", 5, fx::kTypeDouble, "%.01lf"},
    {"kGainLM", 6, fx::kTypeDouble, "%.01lf"},
    {"kGainRS", 7, fx::kTypeDouble, "%.01lf"},
    {"kLockGainMaster", 8, fx::kTypeEnum, "%d"},
    {"kLockGainLM", 9, fx::kTypeEnum, "%d"},
    {"kLockGainRS", 10, fx::kTypeEnum, "%d"},
    {"kMinGain", 11, fx::kTypeDouble, "%.01lf"},
    {"kMaxGain", 12, fx::kTypeDouble, "%.01lf"},
    {"kFaderShape", 18, fx::kTypeDouble, "%.01lf"},
    {"kMDFilterFreq", 19, fx::kTypeDouble, "%.01lf"},
    {"kFaderDisplayMode", 21, fx::kTypeEnum, "%d"},
    {"kMATreatMinAsInf", 13, fx::kTypeEnum, "%d"},
    {"kLMTreatMinAsInf", 14, fx::kTypeEnum, "%d"},
    {"kRSTreatMinAsInf", 15, fx::kTypeEnum, "%d"},
    {"kEnableSampleAccurateAutomation", 17, fx::kTypeEnum, "%d"},
    {nullptr, -1, fx::kTypeNone, nullptr},
};
