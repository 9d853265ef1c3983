// The state record: its exact bytes, round trips, and refusal of every malformed record without change.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/presets/StateChunk.h"
#include "tests/plugin/presets/PresetTestPlugin.h"

namespace presets_test {
namespace {

using Bytes = std::vector<uint8_t>;

// The document of the MVol-only plug-in at its default, written out by hand; the preset name decides its
// length.
std::string TinyDocument(const std::string& presetName) {
  return "<?xml version=\"1.0\" ?>\n"
         "<PresetXMLTree version=\"1\">\n"
         "    <PluginVendor>Lunderwick</PluginVendor>\n"
         "    <PluginName>Kelvadrune</PluginName>\n"
         "    <PluginVersion>v1.0.11</PluginVersion>\n"
         "    <Preset name=\"" +
         presetName +
         "\">\n"
         "        <Parameter>\n"
         "            <Param name=\"MVol\" val=\"0.5\" />\n"
         "        </Parameter>\n"
         "    </Preset>\n"
         "</PresetXMLTree>\n";
}

void PutText(Bytes& out, const char* four) {
  out.insert(out.end(), four, four + 4);
}

void PutWord(Bytes& out, uint32_t word) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(word >> (8 * i)));
}

void SetWord(Bytes& bytes, size_t at, uint32_t word) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(word >> (8 * i));
}

// A record laid out field by field as the format describes it.
Bytes Record(const std::string& text) {
  const uint32_t n = static_cast<uint32_t>(text.size());
  const uint32_t subSize = 8 + n;
  const uint32_t pad = subSize & 1u;
  Bytes out;
  PutText(out, "RIFF");
  PutWord(out, 16 + subSize + pad);
  PutWord(out, 1);
  PutText(out, "LWCM");
  PutText(out, "LWCS");
  PutWord(out, subSize);
  PutWord(out, 1);
  PutWord(out, n);
  out.insert(out.end(), text.begin(), text.end());
  if (pad) out.push_back(0);
  return out;
}

fx::IByteChunk ChunkOf(const Bytes& bytes) {
  fx::IByteChunk chunk;
  chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
  return chunk;
}

Bytes BytesOf(const fx::IByteChunk& chunk) {
  return Bytes(chunk.GetData(), chunk.GetData() + chunk.Size());
}

TEST(StateChunkTest, WritesTheExactRecordWithoutPadForAnEvenSubSize) {
  PresetTestPlugin plugin(ELayout::kMVolOnly);
  plugin.RenameSlot("Even!");
  ASSERT_EQ(TinyDocument("Even!").size() % 2, 0u);
  fx::IByteChunk chunk;
  ASSERT_TRUE(plugin.WriteStateChunk(chunk));
  EXPECT_EQ(BytesOf(chunk), Record(TinyDocument("Even!")));
}

TEST(StateChunkTest, WritesThePadByteForAnOddSubSize) {
  PresetTestPlugin plugin(ELayout::kMVolOnly);
  plugin.RenameSlot("Odd!");
  ASSERT_EQ(TinyDocument("Odd!").size() % 2, 1u);
  fx::IByteChunk chunk;
  ASSERT_TRUE(plugin.WriteStateChunk(chunk));
  const Bytes expected = Record(TinyDocument("Odd!"));
  EXPECT_EQ(BytesOf(chunk), expected);
  EXPECT_EQ(expected.back(), 0);
  EXPECT_EQ(expected.size() % 2, 0u);
}

TEST(StateChunkTest, AppendsAtTheChunksEnd) {
  PresetTestPlugin plugin(ELayout::kMVolOnly);
  plugin.RenameSlot("Init");
  fx::IByteChunk chunk = ChunkOf({'t', 'f', 'f', 'p'});
  ASSERT_TRUE(plugin.WriteStateChunk(chunk));
  Bytes expected = {'t', 'f', 'f', 'p'};
  const Bytes record = Record(TinyDocument("Init"));
  expected.insert(expected.end(), record.begin(), record.end());
  EXPECT_EQ(BytesOf(chunk), expected);
}

// What a write whose document fails leaves: the fixed fields, the sub-size counting the document version
// alone and the RIFF size the 20 bytes after it.
TEST(StateChunkTest, ARecordWithoutADocumentKeepsItsFieldsWithBothSizesPatched) {
  fx::IByteChunk chunk = ChunkOf({'t', 'f', 'f', 'p'});
  presets::EndStateRecord(chunk, presets::BeginStateRecord(chunk));
  Bytes expected = {'t', 'f', 'f', 'p'};
  PutText(expected, "RIFF");
  PutWord(expected, 20);
  PutWord(expected, 1);
  PutText(expected, "LWCM");
  PutText(expected, "LWCS");
  PutWord(expected, 4);
  PutWord(expected, 1);
  EXPECT_EQ(BytesOf(chunk), expected);
}

TEST(StateChunkTest, ReadAnswersThePositionAfterTheRecordAndItsPad) {
  for (const char* name : {"Init", "Odd"}) {
    PresetTestPlugin plugin(ELayout::kMVolOnly);
    Bytes bytes = {1, 2, 3};
    const Bytes record = Record(TinyDocument(name));
    bytes.insert(bytes.end(), record.begin(), record.end());
    bytes.push_back(0xEE);  // whatever follows the record is left for the caller
    plugin.GetParam(0)->Set(0.9);
    EXPECT_EQ(plugin.ReadStateChunk(ChunkOf(bytes), 3), static_cast<int>(3 + record.size())) << name;
    EXPECT_EQ(plugin.GetParam(0)->Value(), 0.5) << name;
    EXPECT_STREQ(plugin.GetPresetName(0), name);
  }
}

TEST(StateChunkTest, RoundTripRestoresEveryValueExactly) {
  PresetTestPlugin source;
  const std::vector<double> wanted = {2.25, 0, 1, 0, 1, 0.123456789, 0.75, 0.1, 1, 0, 1, -96.5, 12.25,
                                      0,    1, 0, 1, 1, 3.5,         5000, 1,   2, 1, 1, 7};
  for (int i = 0; i < kNumParams; ++i) source.Set(i, wanted[static_cast<size_t>(i)]);
  fx::IByteChunk chunk;
  ASSERT_TRUE(source.WriteStateChunk(chunk));

  PresetTestPlugin target;
  EXPECT_EQ(target.ReadStateChunk(chunk, 0), chunk.Size());
  EXPECT_EQ(target.Values(), wanted);
  EXPECT_EQ(target.paramResets, 1);
}

TEST(StateChunkTest, RecordReachesTheFrameworksPresetSlot) {
  PresetTestPlugin plugin;
  plugin.InitPresetStore();
  plugin.Set(kGainMaster, 0.25);
  plugin.ModifyCurrentPreset("Mine");
  plugin.Set(kGainMaster, 0.75);
  ASSERT_TRUE(plugin.RestorePreset(0));
  EXPECT_EQ(plugin.Value(kGainMaster), 0.25);
}

// ---- Malformed records: each is refused with -1 and changes no value and no name ----

struct Malformed {
  const char* what;
  Bytes bytes;
};

Bytes WithWord(Bytes bytes, size_t at, uint32_t word) {
  SetWord(bytes, at, word);
  return bytes;
}

Bytes Truncated(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<Malformed> MalformedRecords() {
  const std::string doc = TinyDocument("Init");
  const Bytes good = Record(doc);
  std::string otherMaker = doc;
  otherMaker.replace(otherMaker.find("Lunderwick"), 10, "Otherworks");
  std::string broken = doc;
  broken.erase(broken.find("</Parameter>"), 12);
  return {
      {"empty", {}},
      {"short header", Truncated(good, 20)},
      {"cut inside the text", Truncated(good, good.size() - 10)},
      {"wrong RIFF magic", WithWord(good, 0, 0x46464953)},
      {"wrong LWCM magic", WithWord(good, 12, 0x4D43574D)},
      {"wrong LWCS magic", WithWord(good, 16, 0x5343574D)},
      {"container version 2", WithWord(good, 8, 2)},
      {"document version 0", WithWord(good, 24, 0)},
      {"RIFF size too big", WithWord(good, 4, static_cast<uint32_t>(good.size() - 8 + 2))},
      {"RIFF size too small", WithWord(good, 4, static_cast<uint32_t>(good.size() - 8 - 2))},
      {"sub-size disagrees", WithWord(good, 20, 8)},
      {"sub-size zero", WithWord(good, 20, 0)},
      {"text length too big", WithWord(good, 28, static_cast<uint32_t>(doc.size() + 4))},
      {"text length zero", WithWord(good, 28, 0)},
      {"garbage XML", Record(std::string(doc.size(), '#'))},
      {"text cut by a zero byte to no preset", Record(std::string("<a/>\0<b/>", 9))},
      {"another maker", Record(otherMaker)},
      {"unclosed element", Record(broken)},
  };
}

TEST(StateChunkTest, MalformedRecordsAreRefusedAndChangeNothing) {
  for (const Malformed& row : MalformedRecords()) {
    PresetTestPlugin plugin(ELayout::kMVolOnly);
    plugin.RenameSlot("Kept");
    plugin.GetParam(0)->Set(0.9);
    EXPECT_EQ(plugin.ReadStateChunk(ChunkOf(row.bytes), 0), -1) << row.what;
    EXPECT_EQ(plugin.GetParam(0)->Value(), 0.9) << row.what;
    EXPECT_STREQ(plugin.GetPresetName(0), "Kept") << row.what;
  }
}

TEST(StateChunkTest, NegativeOrPastTheEndStartIsRefused) {
  PresetTestPlugin plugin(ELayout::kMVolOnly);
  const fx::IByteChunk chunk = ChunkOf(Record(TinyDocument("Init")));
  EXPECT_EQ(plugin.ReadStateChunk(chunk, -1), -1);
  EXPECT_EQ(plugin.ReadStateChunk(chunk, chunk.Size()), -1);
  EXPECT_EQ(plugin.ReadStateChunk(chunk, 1), -1);
}

}  // namespace
}  // namespace presets_test
