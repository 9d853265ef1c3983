// The plug-in base's preset source printers: the current preset as source text for a factory preset table.
#include <cstdio>
#include <cstring>
#include <memory>

#include "framework/Base64.h"
#include "framework/IPluginBase.h"
#include "framework/NumberText.h"

namespace fx {

namespace {

constexpr int kMaxValueTextLen = 32;

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

void AppendToFile(const char* path, const FwString& text) {
  if (!path) return;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "a"));
  if (file) std::fputs(text.Get(), file.get());
}

}  // namespace

const char* IPluginBase::CurrentPresetName() const {
  return GetPresetName(GetCurrentPresetIdx());
}

void IPluginBase::ParamValueText(int paramIdx, char* text, int capacity) const {
  const IParam& param = *GetParam(paramIdx);
  switch (param.Type()) {
    case kTypeInt:
    case kTypeEnum:
      FormatText(text, capacity, "%d", param.Int());
      break;
    case kTypeBool:
      FormatText(text, capacity, "%s", param.Value() >= 0.5 ? "true" : "false");
      break;
    default:
      FormatText(text, capacity, "%.6f", param.Value());
      break;
  }
}

void IPluginBase::DumpMakePresetSrc(const char* path) const {
  FwString text;
  text.SetFormatted(IPreset::kMaxNameLen + 16, "MakePreset(\"%s\"", CurrentPresetName());
  for (int i = 0; i < NParams(); ++i) {
    char value[kMaxValueTextLen];
    ParamValueText(i, value, kMaxValueTextLen);
    text.AppendFormatted(kMaxValueTextLen + 2, ", %s", value);
  }
  text.Append(");\n");
  AppendToFile(path, text);
}

void IPluginBase::DumpMakePresetFromNamedParamsSrc(const char* path, const char* paramEnumNames[]) const {
  if (!paramEnumNames) return;
  FwString text;
  text.SetFormatted(IPreset::kMaxNameLen + 48, "  MakePresetFromNamedParams(\"%s\", %d", CurrentPresetName(),
                    NParams());
  for (int i = 0; i < NParams(); ++i) {
    char value[kMaxValueTextLen];
    ParamValueText(i, value, kMaxValueTextLen);
    const char* enumName = paramEnumNames[i] ? paramEnumNames[i] : "";
    text.AppendFormatted(static_cast<int>(std::strlen(enumName)) + kMaxValueTextLen + 8, ",\n    %s, %s", enumName,
                         value);
  }
  text.Append(");\n");
  AppendToFile(path, text);
}

void IPluginBase::DumpPresetBlob(const char* path) const {
  const IPreset* preset = GetPreset(GetCurrentPresetIdx());
  FwString blob;
  if (preset) Base64Encode(preset->mChunk.GetData(), preset->mChunk.Size(), blob);
  FwString text;
  text.SetFormatted(IPreset::kMaxNameLen + 32, "MakePresetFromBlob(\"%s\", \"", CurrentPresetName());
  text.AppendFormatted(blob.GetLength() + 32, "%s\", %i);\n", blob.Get(), preset ? preset->mChunk.Size() : 0);
  AppendToFile(path, text);
}

}  // namespace fx
