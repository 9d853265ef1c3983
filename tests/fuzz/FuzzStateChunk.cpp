// Fuzz target for the state record reader: any bytes a host hands over are either refused with nothing
// changed, or read completely with every value inside its parameter's range, and what was read writes
// back into a record that reads again to exactly the same values. The check alone changes nothing and
// agrees with the read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/plugin/presets/PresetTestPlugin.h"

namespace {

presets_test::PresetTestPlugin& Plugin() {
  static auto* plugin = new presets_test::PresetTestPlugin;
  return *plugin;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

bool AllInRange(const presets_test::PresetTestPlugin& plugin) {
  for (int i = 0; i < plugin.NParams(); ++i) {
    const fx::IParam& param = *plugin.GetParam(i);
    if (!(param.Value() >= param.GetMin() && param.Value() <= param.GetMax())) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  presets_test::PresetTestPlugin& plugin = Plugin();
  for (int i = 0; i < plugin.NParams(); ++i) plugin.GetParam(i)->SetToDefault();
  const std::vector<double> before = plugin.Values();

  fx::IByteChunk chunk;
  chunk.PutBytes(data, static_cast<int>(size));
  const int checked = plugin.CheckStateChunk(chunk, 0);
  Check(plugin.Values() == before);
  const int end = plugin.ReadStateChunk(chunk, 0);
  Check(checked == end);
  if (end < 0) {
    Check(plugin.Values() == before);
    return 0;
  }
  Check(end <= chunk.Size());
  Check(AllInRange(plugin));

  const std::vector<double> read = plugin.Values();
  fx::IByteChunk again;
  Check(plugin.WriteStateChunk(again));
  Check(plugin.ReadStateChunk(again, 0) == again.Size());
  Check(plugin.Values() == read);
  return 0;
}
