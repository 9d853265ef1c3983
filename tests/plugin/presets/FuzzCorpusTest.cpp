// The fuzz targets' seed corpus stays meaningful: every "valid_" seed is accepted and every "broken_" seed
// refused by the reader it feeds.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/plugin/presets/PresetTestPlugin.h"
#include "tests/support/TempDataHome.h"

namespace presets_test {
namespace {

namespace fs = std::filesystem;

bool IsValidSeed(const fs::path& path) {
  return path.filename().string().rfind("valid_", 0) == 0;
}

TEST(FuzzCorpusTest, StateChunkSeeds) {
  int seeds = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(KD_FUZZ_CORPUS_DIR) / "state_chunk")) {
    const std::string bytes = ReadTextFile(entry.path().string());
    fx::IByteChunk chunk;
    chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    PresetTestPlugin plugin;
    EXPECT_EQ(plugin.ReadStateChunk(chunk, 0) > 0, IsValidSeed(entry.path())) << entry.path();
    ++seeds;
  }
  EXPECT_GE(seeds, 8);
}

TEST(FuzzCorpusTest, PresetFileSeeds) {
  int seeds = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(KD_FUZZ_CORPUS_DIR) / "preset_file")) {
    PresetTestPlugin plugin;
    EXPECT_EQ(plugin.LoadPresetCommand(entry.path().c_str()), IsValidSeed(entry.path())) << entry.path();
    ++seeds;
  }
  EXPECT_GE(seeds, 6);
}

}  // namespace
}  // namespace presets_test
