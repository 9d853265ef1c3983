// Fuzz target for the preset-file reader: any file content either fails to load with every setting
// unchanged, or loads with every value inside its parameter's range.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/plugin/presets/PresetTestPlugin.h"

namespace {

presets_test::PresetTestPlugin& Plugin() {
  static auto* plugin = new presets_test::PresetTestPlugin;
  return *plugin;
}

char gScratchFolder[] = "/tmp/kd-preset-fuzz-XXXXXX";

void RemoveScratch() {
  unlink((std::string(gScratchFolder) + "/input.lps").c_str());
  rmdir(gScratchFolder);
}

// One scratch file for the whole run, in a folder of its own that is removed at exit.
const std::string& ScratchPath() {
  static const std::string path = [] {
    if (!mkdtemp(gScratchFolder)) abort();
    std::atexit(RemoveScratch);
    return std::string(gScratchFolder) + "/input.lps";
  }();
  return path;
}

void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  presets_test::PresetTestPlugin& plugin = Plugin();
  for (int i = 0; i < plugin.NParams(); ++i) plugin.GetParam(i)->Set(plugin.GetParam(i)->GetMax());
  const std::vector<double> before = plugin.Values();

  FILE* file = std::fopen(ScratchPath().c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  const bool loaded = plugin.LoadPresetCommand(ScratchPath().c_str());
  if (!loaded) {
    Check(plugin.Values() == before);
    return 0;
  }
  for (int i = 0; i < plugin.NParams(); ++i) {
    const fx::IParam& param = *plugin.GetParam(i);
    Check(param.Value() >= param.GetMin() && param.Value() <= param.GetMax());
  }
  return 0;
}
