// The preset document's reading rules, through the state record's reader and the preset-file loader, and
// the writer's text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/presets/IXMLParameters.h"
#include "plugin/presets/PresetDocument.h"
#include "tests/plugin/presets/PresetTestPlugin.h"
#include "tests/support/TempDataHome.h"

namespace presets_test {
namespace {

struct DocParts {
  std::string vendor = "<PluginVendor>Lunderwick</PluginVendor>";
  std::string product = "<PluginName>Kelvadrune</PluginName>";
  std::string version = "<PluginVersion>v1.0.9</PluginVersion>";
  std::string presetStart = "<Preset name=\"Loaded\">";
  std::string params;
};

std::string Doc(const DocParts& parts) {
  return "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">" + parts.vendor + parts.product + parts.version +
         parts.presetStart + "<Parameter>" + parts.params + "</Parameter></Preset></PresetXMLTree>\n";
}

std::string Doc(const std::string& params) {
  DocParts parts;
  parts.params = params;
  return Doc(parts);
}

int ReadAsChunk(PresetTestPlugin& plugin, const std::string& text) {
  fx::IByteChunk chunk;
  const int32_t length = static_cast<int32_t>(text.size());
  chunk.Put(&length);
  chunk.PutBytes(text.data(), length);
  return IXMLParameters::ReadParamsXML(plugin, chunk, 0, false, nullptr);
}

bool ReadAsFile(PresetTestPlugin& plugin, const std::string& text) {
  TempDataHome home;
  const std::string path = home.Root() + "/p.lps";
  EXPECT_TRUE(WriteTextFile(path, text));
  fx::FwString name;
  return plugin.LoadPresetFile(plugin, fx::FwString(path.c_str()), name, true, false, false, false, nullptr);
}

// Values both readers set from a document they accept.
struct ValueRow {
  const char* what;
  std::string params;
  int paramIdx;
  double expected;
};

TEST(PresetDocumentTest, ValuesAreSteppedClampedAndDefaulted) {
  const std::vector<ValueRow> rows = {
      {"plain value", "<Param name=\"MVol\" val=\"0.250000\" />", kGainMaster, 0.25},
      {"stepped 2.6 becomes 3", "<Param name=\"Steps\" val=\"2.6\" />", kSteps, 3.0},
      {"stepped half rounds away from zero", "<Param name=\"Steps\" val=\"4.5\" />", kSteps, 5.0},
      {"frequency above its range", "<Param name=\"MD filter freq\" val=\"30000\" />", kMDFilterFreq, 22000.0},
      {"missing val reads 0, clamped", "<Param name=\"Min volume\" />", kMinGain, -1.0},
      {"val not a number reads 0", "<Param name=\"MVol\" val=\"loud\" />", kGainMaster, 0.0},
      {"val nan reads 0", "<Param name=\"MVol\" val=\"nan\" />", kGainMaster, 0.0},
      {"val inf clamps", "<Param name=\"Max volume\" val=\"inf\" />", kMaxGain, 240.0},
      {"comment between params", "<Param name=\"MVol\" val=\"0.1\" /><!-- c --><Param name=\"Steps\" val=\"9\" />",
       kSteps, 9.0},
      {"later duplicate wins", "<Param name=\"MVol\" val=\"0.1\" /><Param name=\"MVol\" val=\"0.2\" />", kGainMaster,
       0.2},
      {"unnamed param skipped",
       "<Param val=\"0.3\" /><Param name=\"\" val=\"0.3\" /><Param name=\"MVol\" val=\"0.4\" />", kGainMaster, 0.4},
      {"decimal comma is not read as a point", "<Param name=\"MVol\" val=\"0,75\" />", kGainMaster, 0.0},
      // A name of no parameter (a later version's, or one differing in case) is skipped, the rest is read.
      {"unknown name skipped", "<Param name=\"Volume\" val=\"0.9\" /><Param name=\"MVol\" val=\"0.3\" />", kGainMaster,
       0.3},
      {"name in other case skipped", "<Param name=\"mvol\" val=\"0.1\" /><Param name=\"Steps\" val=\"8\" />",
       kGainMaster, 0.5},
      {"param after a skipped name", "<Param name=\"mvol\" val=\"0.1\" /><Param name=\"Steps\" val=\"8\" />", kSteps,
       8.0},
  };
  for (const ValueRow& row : rows) {
    PresetTestPlugin chunkPlugin;
    EXPECT_GT(ReadAsChunk(chunkPlugin, Doc(row.params)), 0) << row.what;
    EXPECT_EQ(chunkPlugin.Value(row.paramIdx), row.expected) << row.what;
    PresetTestPlugin filePlugin;
    EXPECT_TRUE(ReadAsFile(filePlugin, Doc(row.params))) << row.what;
    EXPECT_EQ(filePlugin.Value(row.paramIdx), row.expected) << row.what;
  }
}

// Documents both readers refuse; neither changes a value.
struct RefusedRow {
  const char* what;
  std::string text;
};

std::vector<RefusedRow> RefusedDocuments() {
  const std::string param = "<Param name=\"MVol\" val=\"0.1\" />";
  std::vector<RefusedRow> rows;
  auto add = [&rows, &param](const char* what, void (*edit)(DocParts&)) {
    DocParts parts;
    parts.params = param;
    edit(parts);
    rows.push_back({what, Doc(parts)});
  };
  add("another maker", [](DocParts& p) { p.vendor = "<PluginVendor>Other</PluginVendor>"; });
  add("maker in other case", [](DocParts& p) { p.vendor = "<PluginVendor>lunderwick</PluginVendor>"; });
  add("empty maker", [](DocParts& p) { p.vendor = "<PluginVendor></PluginVendor>"; });
  add("another product", [](DocParts& p) { p.product = "<PluginName>Other</PluginName>"; });
  add("no version element", [](DocParts& p) { p.version = ""; });
  add("preset without attribute", [](DocParts& p) { p.presetStart = "<Preset>"; });
  add("preset whose first attribute is not name",
      [](DocParts& p) { p.presetStart = "<Preset kind=\"x\" name=\"Loaded\">"; });
  add("parameter starting with a comment",
      [](DocParts& p) { p.params = "<!-- c --><Param name=\"MVol\" val=\"0.1\" />"; });
  add("empty parameter list", [](DocParts& p) { p.params = ""; });
  add("foreign element after a param",
      [](DocParts& p) { p.params = "<Param name=\"MVol\" val=\"0.1\" /><Other name=\"Steps\" val=\"1\" />"; });
  add("unknown name, then a foreign element",
      [](DocParts& p) { p.params = "<Param name=\"Volume\" val=\"0.1\" /><Other name=\"MVol\" val=\"1\" />"; });
  rows.push_back({"not XML", "this is not xml"});
  rows.push_back({"no tree", "<?xml version=\"1.0\" ?>\n<Other/>\n"});
  rows.push_back({"cut short", Doc(param).substr(0, 120)});
  std::string deep = Doc(param);
  std::string nest;
  for (int i = 0; i < 300; ++i) nest += "<n>";
  for (int i = 0; i < 300; ++i) nest += "</n>";
  deep.insert(deep.find("</PresetXMLTree>"), nest);
  rows.push_back({"too many elements", deep});
  return rows;
}

TEST(PresetDocumentTest, RefusedDocumentsChangeNothing) {
  for (const RefusedRow& row : RefusedDocuments()) {
    PresetTestPlugin chunkPlugin;
    chunkPlugin.Set(kGainMaster, 0.9);
    EXPECT_EQ(ReadAsChunk(chunkPlugin, row.text), 0) << row.what;
    EXPECT_EQ(chunkPlugin.Value(kGainMaster), 0.9) << row.what;
    EXPECT_EQ(chunkPlugin.paramResets, 0) << row.what;

    PresetTestPlugin filePlugin;
    filePlugin.Set(kGainMaster, 0.9);
    filePlugin.Set(kProcessMode, 1);  // in the identifier table: a failed load must not default it
    EXPECT_FALSE(ReadAsFile(filePlugin, row.text)) << row.what;
    EXPECT_EQ(filePlugin.Value(kGainMaster), 0.9) << row.what;
    EXPECT_EQ(filePlugin.Value(kProcessMode), 1) << row.what;
  }
}

TEST(PresetDocumentTest, ChunkReaderNamesSlotZeroAndRefreshesOnce) {
  PresetTestPlugin plugin;
  const std::string text = Doc("<Param name=\"MVol\" val=\"0.1\" />");
  EXPECT_EQ(ReadAsChunk(plugin, text), static_cast<int>(4 + text.size()));
  EXPECT_STREQ(plugin.GetPresetName(0), "Loaded");
  EXPECT_EQ(plugin.paramResets, 1);
}

// A zero byte ends the text: a document followed by one, and by anything after it, is read as the document alone;
// the record reader still answers the position after the whole stated length.
TEST(PresetDocumentTest, AZeroByteEndsTheText) {
  const std::string doc = Doc("<Param name=\"MVol\" val=\"0.1\" />");
  for (const std::string& tail : {std::string(1, '\0'), std::string("\0<Other/>&#", 11), std::string(3, '\0')}) {
    PresetTestPlugin chunkPlugin;
    EXPECT_EQ(ReadAsChunk(chunkPlugin, doc + tail), static_cast<int>(4 + doc.size() + tail.size())) << tail.size();
    EXPECT_EQ(chunkPlugin.Value(kGainMaster), 0.1) << tail.size();
    EXPECT_STREQ(chunkPlugin.GetPresetName(0), "Loaded");
    PresetTestPlugin filePlugin;
    EXPECT_TRUE(ReadAsFile(filePlugin, doc + tail)) << tail.size();
    EXPECT_EQ(filePlugin.Value(kGainMaster), 0.1) << tail.size();
  }
  // Cut inside the document, the shorter text does not parse.
  PresetTestPlugin cut;
  std::string inside = doc;
  inside[inside.find("</Preset>")] = '\0';
  EXPECT_EQ(ReadAsChunk(cut, inside), 0);
  EXPECT_FALSE(ReadAsFile(cut, inside));
  EXPECT_EQ(cut.Value(kGainMaster), 0.5);
}

// A state record is already in memory and is read at any length. A preset file is read whole into memory, so one
// larger than a preset can be (a sparse file of two terabytes) is refused unread.
TEST(PresetDocumentTest, ALongRecordIsReadAndAFileLargerThanAPresetIsRefusedUnread) {
  std::string padded = Doc("<Param name=\"MVol\" val=\"0.1\" />");
  padded.insert(padded.find("<Preset "), std::string(2 * presets::kMaxDocumentBytes, ' '));
  PresetTestPlugin chunkPlugin;
  EXPECT_EQ(ReadAsChunk(chunkPlugin, padded), static_cast<int>(4 + padded.size()));
  EXPECT_EQ(chunkPlugin.Value(kGainMaster), 0.1);

  TempDataHome home;
  const std::string path = home.Root() + "/huge.lps";
  ASSERT_TRUE(WriteTextFile(path, Doc("<Param name=\"MVol\" val=\"0.1\" />")));
  ASSERT_EQ(truncate(path.c_str(), off_t{1} << 41), 0);
  PresetTestPlugin filePlugin;
  fx::FwString name;
  EXPECT_FALSE(
      filePlugin.LoadPresetFile(filePlugin, fx::FwString(path.c_str()), name, true, false, false, false, nullptr));
  EXPECT_EQ(filePlugin.Value(kGainMaster), 0.5);
}

TEST(PresetDocumentTest, ConversionHookSeesBothVersionTextsAsWritten) {
  for (const char* version : {"v1.0.9", "1.0.9-beta", ""}) {
    PresetTestPlugin plugin;
    DocParts parts;
    parts.version = std::string("<PluginVersion>") + version + "</PluginVersion>";
    parts.params = "<Param name=\"MVol\" val=\"0.1\" />";
    ASSERT_GT(ReadAsChunk(plugin, Doc(parts)), 0) << version;
    EXPECT_EQ(plugin.seenFileVersion, version);
    EXPECT_EQ(plugin.seenOwnVersion, "v1.0.11");
  }
}

TEST(PresetDocumentTest, ChunkReaderRefusesBadPositionsAndLengths) {
  PresetTestPlugin plugin;
  fx::IByteChunk chunk;
  EXPECT_EQ(IXMLParameters::ReadParamsXML(plugin, chunk, 0, false, nullptr), 0);
  const int32_t length = 1000;
  chunk.Put(&length);
  chunk.PutBytes("<a/>", 4);
  EXPECT_EQ(IXMLParameters::ReadParamsXML(plugin, chunk, 0, false, nullptr), 0);
  EXPECT_EQ(IXMLParameters::ReadParamsXML(plugin, chunk, -4, false, nullptr), 0);
  EXPECT_EQ(IXMLParameters::ReadParamsXML(plugin, chunk, 6, false, nullptr), 0);
}

TEST(PresetDocumentTest, FilterTakesOnlyTheTablesParameters) {
  PresetTestPlugin plugin;
  fx::IByteChunk chunk;
  const std::string text = Doc("<Param name=\"MVol\" val=\"0.1\" /><Param name=\"Hide Mod Views\" val=\"1\" />");
  const int32_t length = static_cast<int32_t>(text.size());
  chunk.Put(&length);
  chunk.PutBytes(text.data(), length);
  EXPECT_GT(IXMLParameters::ReadParamsXML(plugin, chunk, 0, true, kProductXMLParams), 0);
  EXPECT_EQ(plugin.Value(kGainMaster), 0.1);
  EXPECT_EQ(plugin.Value(kHideModViews), 0);
}

TEST(PresetDocumentTest, TableSelection) {
  PresetTestPlugin plugin;
  const auto selects = [&plugin](const XMLParamDef* table, int idx) {
    return XMLTableSelects(table, *plugin.GetParam(idx), idx);
  };
  EXPECT_TRUE(selects(kProductXMLParams, 4));
  EXPECT_TRUE(selects(kProductXMLParams, 17));
  for (int notInTable : {0, 1, 2, 3, 16, 20, 22, 23}) EXPECT_FALSE(selects(kProductXMLParams, notInTable));
  const XMLParamDef all[] = {{"x", kXMLAllPresetParams, fx::kTypeNone, nullptr}, {nullptr, -1, fx::kTypeNone, nullptr}};
  EXPECT_TRUE(selects(all, 23));
  plugin.GetParam(23)->SetIsPreset(false);
  EXPECT_FALSE(selects(all, 23));
  EXPECT_FALSE(selects(nullptr, 4));
}

// A table of "every preset parameter" writes and reads exactly the parameters whose preset flag is set.
TEST(PresetDocumentTest, AllPresetParamsTableFollowsEachParametersPresetFlag) {
  const XMLParamDef all[] = {{"x", kXMLAllPresetParams, fx::kTypeNone, nullptr}, {nullptr, -1, fx::kTypeNone, nullptr}};
  PresetTestPlugin plugin;
  plugin.GetParam(kHideModViews)->SetIsPreset(false);
  const presets::DocumentContent content{"Lunderwick", "Kelvadrune", "v1.0.11", "p", nullptr, all, nullptr};
  const std::string printed = presets::PrintPresetDocument(plugin, content);
  EXPECT_NE(printed.find("name=\"MVol\""), std::string::npos);
  EXPECT_EQ(printed.find("name=\"Hide Mod Views\""), std::string::npos);

  fx::IByteChunk chunk;
  const std::string text = Doc("<Param name=\"MVol\" val=\"0.1\" /><Param name=\"Hide Mod Views\" val=\"1\" />");
  const int32_t length = static_cast<int32_t>(text.size());
  chunk.Put(&length);
  chunk.PutBytes(text.data(), length);
  EXPECT_GT(IXMLParameters::ReadParamsXML(plugin, chunk, 0, true, all), 0);
  EXPECT_EQ(plugin.Value(kGainMaster), 0.1);
  EXPECT_EQ(plugin.Value(kHideModViews), 0);
}

// The product's document names every parameter by its display name in index order, each value as the
// shortest text that reads back to it.
TEST(PresetDocumentTest, WriterPrintsEveryParameterByNameWithItsExactValue) {
  PresetTestPlugin plugin;
  plugin.Set(kMinGain, -96.125);
  const presets::DocumentContent content{"Lunderwick", "Kelvadrune", "v1.0.11", "Name & \"quotes\"",
                                         nullptr,      nullptr,      "data"};
  const std::string text = presets::PrintPresetDocument(plugin, content);
  // A value holding a double quote is printed in single quotes.
  EXPECT_NE(text.find("    <Data>data</Data>\n    <Preset name='Name &amp; &quot;quotes&quot;'>\n"), std::string::npos);
  EXPECT_NE(text.find("<Param name=\"GUI scale\" val=\"1\" />\n"
                      "            <Param name=\"Toggle tooltips\" val=\"1\" />"),
            std::string::npos);
  EXPECT_NE(text.find("<Param name=\"Min volume\" val=\"-96.125\" />"), std::string::npos);
  EXPECT_NE(text.find("<Param name=\"Steps\" val=\"5\" />\n        </Parameter>"), std::string::npos);
}

// A host may switch the process to a decimal-comma locale; the document must not follow it. The framework
// tests' build compiles the German locale into the build folder; without it the test is skipped.
TEST(PresetDocumentTest, DecimalCommaLocaleChangesNeitherWritingNorReading) {
  setenv("LOCPATH", KD_TEST_LOCALE_DIR, 1);
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale";
  PresetTestPlugin source;
  source.Set(kMinGain, -12.5);
  fx::IByteChunk chunk;
  ASSERT_TRUE(IXMLParameters::WriteParamsXML(source, chunk, false));
  PresetTestPlugin target;
  const int read = IXMLParameters::ReadParamsXML(target, chunk, 0, false, nullptr);
  std::setlocale(LC_NUMERIC, previous.c_str());
  EXPECT_GT(read, 0);
  EXPECT_EQ(target.Value(kMinGain), -12.5);
  const std::string text(reinterpret_cast<const char*>(chunk.GetData() + 4), static_cast<size_t>(chunk.Size() - 4));
  EXPECT_NE(text.find("val=\"-12.5\""), std::string::npos);
}

}  // namespace
}  // namespace presets_test
