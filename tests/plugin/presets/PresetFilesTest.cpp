// Preset files, the default preset, the data folder, the rescan and the product's preset store.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "plugin/presets/PresetFileIO.h"
#include "tests/plugin/presets/PresetTestPlugin.h"
#include "tests/support/TempDataHome.h"

namespace presets_test {
namespace {

namespace fs = std::filesystem;

class PresetFilesTest : public testing::Test {
 protected:
  std::string Path(const std::string& name) const { return mHome.Root() + "/" + name; }

  TempDataHome mHome;
};

TEST_F(PresetFilesTest, SaveAndLoadRoundTrip) {
  PresetTestPlugin source;
  source.Set(kGainMaster, 0.3);
  source.Set(kMDFilterFreq, 1234);
  source.Set(kHideModViews, 1);
  source.Set(kSteps, 9);
  ASSERT_TRUE(source.SavePresetCommand(Path("Song A.lps").c_str()));
  EXPECT_NE(ReadTextFile(Path("Song A.lps")).find("<Preset name=\"Song A\">"), std::string::npos);

  PresetTestPlugin target;
  target.InitPresetStore();
  ASSERT_TRUE(target.LoadPresetCommand(Path("Song A.lps").c_str()));
  EXPECT_EQ(target.Values(), source.Values());
  EXPECT_STREQ(target.GetPresetName(0), "Song A");
  EXPECT_EQ(target.paramResets, 1);
  EXPECT_EQ(target.restores, 1);
  EXPECT_EQ(target.hostPresetChanges, 1);
}

// The bits of every value: equal doubles of different sign (0.0 and -0.0) count as different.
std::vector<uint64_t> Bits(const std::vector<double>& values) {
  std::vector<uint64_t> bits;
  for (double value : values) bits.push_back(std::bit_cast<uint64_t>(value));
  return bits;
}

// Random settings survive every form the product stores them in, bit for bit: the state record, program and
// bank files (which wrap it) and ".lps" preset files.
TEST_F(PresetFilesTest, EveryStoredFormRestoresRandomSettingsBitForBit) {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> position(0.0, 1.0);
  const std::string program = Path("random.fxp");
  const std::string bank = Path("random.fxb");
  const std::string preset = Path("random.lps");
  for (int round = 0; round < 10; ++round) {
    PresetTestPlugin source;
    source.InitPresetStore();
    for (int i = 0; i < kNumParams; ++i) source.GetParam(i)->SetNormalized(position(random));
    const std::vector<uint64_t> wanted = Bits(source.Values());
    fx::IByteChunk state;
    ASSERT_TRUE(source.WriteStateChunk(state));
    ASSERT_TRUE(source.SaveProgramFile(program.c_str()));
    source.ModifyCurrentPreset();  // a bank file holds the slots: the current one takes the settings
    ASSERT_TRUE(source.SaveBankFile(bank.c_str()));
    ASSERT_TRUE(source.SavePresetCommand(preset.c_str()));

    PresetTestPlugin fromState;
    EXPECT_EQ(fromState.ReadStateChunk(state, 0), state.Size());
    PresetTestPlugin fromProgram;
    EXPECT_TRUE(fromProgram.LoadProgramFile(program.c_str()));
    PresetTestPlugin fromBank;
    EXPECT_TRUE(fromBank.LoadBankFile(bank.c_str()));
    PresetTestPlugin fromPreset;
    EXPECT_TRUE(fromPreset.LoadPresetCommand(preset.c_str()));
    for (const PresetTestPlugin* target : {&fromState, &fromProgram, &fromBank, &fromPreset})
      EXPECT_EQ(Bits(target->Values()), wanted) << round;
  }
}

// A program file's name names the current slot and stays its name after the slot is read back, in both
// variants: the state record the slot is refilled with carries the slot's name and sets it when read, so
// the name must be in place before the record is written.
TEST_F(PresetFilesTest, ALoadedProgramFilesNameOutlivesTheSlotsReadBack) {
  PresetTestPlugin source(ELayout::kMVolOnly);
  source.Set(0, 0.25);
  source.ModifyCurrentPreset("Old");
  ASSERT_TRUE(source.SaveProgramFile(Path("chunk.fxp").c_str()));
  std::string chunkFile = ReadTextFile(Path("chunk.fxp"));
  ASSERT_GT(chunkFile.size(), 60u);
  const std::string nameField = std::string("Bright") + std::string(22, '\0');
  chunkFile.replace(28, 28, nameField);
  // The parameter variant: the same header with the other kind, the name, and the normalized value 0.25.
  std::string valueFile = chunkFile.substr(0, 56);
  valueFile.replace(8, 4, "FxCk");
  valueFile.replace(4, 4, std::string(4, '\0'));
  valueFile += std::string("\x3E\x80\x00\x00", 4);
  for (const auto& [file, content] : {std::pair{"chunk.fxp", chunkFile}, std::pair{"values.fxp", valueFile}}) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(WriteTextFile(Path(file), content));
    PresetTestPlugin target(ELayout::kMVolOnly);
    target.MakeDefaultPreset("Before", 1);
    ASSERT_TRUE(target.LoadProgramFile(Path(file).c_str()));
    EXPECT_STREQ(target.GetPresetName(0), "Bright");
    EXPECT_EQ(target.Value(0), 0.25);
    ASSERT_TRUE(target.RestorePreset(0));
    EXPECT_STREQ(target.GetPresetName(0), "Bright");
  }
}

TEST_F(PresetFilesTest, LoadGivesTheTablesMissingParametersTheirDefaults) {
  ASSERT_TRUE(
      WriteTextFile(Path("partial.lps"),
                    "<?xml version=\"1.0\" ?><PresetXMLTree version=\"1\"><PluginVendor>Lunderwick</PluginVendor>"
                    "<PluginName>Kelvadrune</PluginName><PluginVersion>v1.0.11</PluginVersion>"
                    "<Preset name=\"p\"><Parameter><Param name=\"MVol\" val=\"0.2\" /></Parameter></Preset>"
                    "</PresetXMLTree>"));
  PresetTestPlugin plugin;
  plugin.Set(kProcessMode, 1);   // in the table: back to its default
  plugin.Set(kHideModViews, 1);  // not in the table: kept
  ASSERT_TRUE(plugin.LoadPresetCommand(Path("partial.lps").c_str()));
  EXPECT_EQ(plugin.Value(kGainMaster), 0.2);
  EXPECT_EQ(plugin.Value(kProcessMode), 0);
  EXPECT_EQ(plugin.Value(kHideModViews), 1);
}

TEST_F(PresetFilesTest, FailedLoadKeepsTheSettings) {
  ASSERT_TRUE(WriteTextFile(Path("bad.lps"), "<PresetXMLTree><PluginVendor>Lunderwick"));
  PresetTestPlugin plugin;
  plugin.Set(kProcessMode, 1);
  plugin.Set(kGainMaster, 0.8);
  const std::vector<double> before = plugin.Values();
  EXPECT_FALSE(plugin.LoadPresetCommand(Path("bad.lps").c_str()));
  EXPECT_FALSE(plugin.LoadPresetCommand(Path("missing.lps").c_str()));
  EXPECT_FALSE(plugin.LoadPresetCommand(mHome.Root().c_str()));  // a folder
  EXPECT_FALSE(plugin.LoadPresetCommand(""));
  EXPECT_EQ(plugin.Values(), before);
  EXPECT_EQ(plugin.paramResets, 0);
}

// A plug-in whose state cannot be stored, so the current slot cannot be read back after a load.
class UnrestorablePlugin : public PresetTestPlugin {
 public:
  bool SerializeState(fx::IByteChunk&) const override { return false; }
};

// The file's values are applied, and with the slot unrestorable the plug-in still takes them as after a
// recall (one reset, one restore), the load answers true, and the host is told of no preset change.
TEST_F(PresetFilesTest, LoadIntoAnUnrestorableSlotStillAppliesTheFile) {
  PresetTestPlugin source;
  source.Set(kGainMaster, 0.3);
  source.Set(kProcessMode, 1);
  ASSERT_TRUE(source.SavePresetCommand(Path("p.lps").c_str()));
  UnrestorablePlugin plugin;
  EXPECT_FALSE(plugin.RestorePreset(plugin.GetCurrentPresetIdx()));
  ASSERT_TRUE(plugin.LoadPresetCommand(Path("p.lps").c_str()));
  EXPECT_EQ(plugin.Values(), source.Values());
  EXPECT_EQ(plugin.paramResets, 1);
  EXPECT_EQ(plugin.restores, 1);
  EXPECT_EQ(plugin.hostPresetChanges, 0);
}

TEST_F(PresetFilesTest, EmptyPathsAreIgnored) {
  PresetTestPlugin plugin;
  EXPECT_FALSE(plugin.SavePresetCommand(""));
  EXPECT_FALSE(plugin.SavePresetCommand(nullptr));
  EXPECT_FALSE(plugin.LoadPresetCommand(nullptr));
}

TEST_F(PresetFilesTest, SaveReplacesTheWholeFileAndLeavesNoTemporaryFile) {
  ASSERT_TRUE(WriteTextFile(Path("x.lps"), std::string(100000, 'z')));
  PresetTestPlugin plugin;
  ASSERT_TRUE(plugin.SavePresetCommand(Path("x.lps").c_str()));
  const std::string text = ReadTextFile(Path("x.lps"));
  EXPECT_EQ(text.rfind("<?xml", 0), 0u);
  EXPECT_EQ(text.find('z'), std::string::npos);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(mHome.Root())) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);
}

TEST_F(PresetFilesTest, SavedFilesFollowTheUmaskAndReplacedFilesKeepTheirPermissions) {
  PresetTestPlugin plugin;
  const mode_t previous = umask(077);
  const bool savedNew = plugin.SavePresetCommand(Path("private.lps").c_str());
  umask(previous);
  ASSERT_TRUE(savedNew);
  struct stat info {};
  ASSERT_EQ(stat(Path("private.lps").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);

  ASSERT_TRUE(WriteTextFile(Path("shared.lps"), "old"));
  ASSERT_EQ(chmod(Path("shared.lps").c_str(), 0640), 0);
  ASSERT_TRUE(plugin.SavePresetCommand(Path("shared.lps").c_str()));
  ASSERT_EQ(stat(Path("shared.lps").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Opening a FIFO for reading would wait for a writer that never comes, freezing the host.
TEST_F(PresetFilesTest, LoadOfAFifoIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo(Path("pipe.lps").c_str(), 0600), 0);
  PresetTestPlugin plugin;
  plugin.Set(kGainMaster, 0.8);
  EXPECT_FALSE(plugin.LoadPresetCommand(Path("pipe.lps").c_str()));
  EXPECT_EQ(plugin.Value(kGainMaster), 0.8);
  std::vector<double> values(kNumParams, -7.0);
  fx::FwString name;
  EXPECT_FALSE(plugin.ReadPresetXML(plugin, Path("pipe.lps").c_str(), values.data(), name, false));
}

TEST_F(PresetFilesTest, SaveIntoAMissingFolderFailsAndIsReported) {
  PresetTestPlugin plugin;
  EXPECT_FALSE(plugin.SavePresetCommand(Path("no/such/folder/x.lps").c_str()));
  EXPECT_FALSE(fs::exists(Path("no")));
}

TEST_F(PresetFilesTest, SavedFileNames) {
  struct Row {
    const char* path;
    const char* stem;
  };
  for (const Row& row : {Row{"/a/b/Song A.lps", "Song A"}, Row{"/a/Plain", "Plain"}, Row{"/a.b/c", "c"},
                         Row{"x.y.lps", "x.y"}, Row{"/a/.lps", ""}, Row{"", ""}}) {
    fx::FwString stem;
    presets::FileStem(row.path, 1023, stem);
    EXPECT_STREQ(stem.Get(), row.stem) << row.path;
  }
  fx::FwString stem;
  presets::FileStem(("/f/" + std::string(2000, 'n') + ".lps").c_str(), 1023, stem);
  EXPECT_EQ(stem.GetLength(), 1023);
}

TEST_F(PresetFilesTest, PlainFileNames) {
  for (const char* good : {"a.lps", "..lps", "a..b"}) EXPECT_TRUE(presets::IsPlainFileName(good)) << good;
  for (const char* bad : {"", ".", "..", "../x.lps", "a/b"}) EXPECT_FALSE(presets::IsPlainFileName(bad)) << bad;
  EXPECT_FALSE(presets::IsPlainFileName(nullptr));
}

TEST_F(PresetFilesTest, DataFolderAndPresetFolderAreCreatedNotWorldWritable) {
  PresetTestPlugin plugin;
  ASSERT_TRUE(plugin.InitDataFolder());
  EXPECT_EQ(std::string(plugin.GetDataFolder().Get()), mHome.DataFolder());
  EXPECT_EQ(std::string(plugin.GetPresetFolder().Get()), mHome.PresetFolder());
  for (const std::string& folder : {mHome.DataHome(), mHome.DataFolder(), mHome.PresetFolder()}) {
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0) << folder;
    EXPECT_TRUE(S_ISDIR(info.st_mode)) << folder;
    EXPECT_EQ(info.st_mode & 0022, 0u) << folder;
  }
}

// A home folder that is not there yet (a fresh account) is made with the folders under it, where its parent lets.
TEST_F(PresetFilesTest, AMissingHomeFolderIsMadeWithTheDataFolder) {
  const std::string home = mHome.Root() + "/new user";
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_DATA_HOME");
  PresetTestPlugin plugin;
  ASSERT_TRUE(plugin.InitDataFolder());
  EXPECT_EQ(std::string(plugin.GetPresetFolder().Get()), home + "/.local/share/Kelvadrune/VST2");
  EXPECT_TRUE(fs::is_directory(home + "/.local/share/Kelvadrune/VST2"));
}

TEST_F(PresetFilesTest, DataFolderCreationRespectsTheUmask) {
  const mode_t previous = umask(0);
  PresetTestPlugin plugin;
  const bool made = plugin.InitDataFolder();
  umask(previous);
  ASSERT_TRUE(made);
  struct stat info {};
  ASSERT_EQ(stat(mHome.PresetFolder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);
}

TEST_F(PresetFilesTest, DefaultPresetIsSavedIntoThePresetFolderAndAppliedAtStart) {
  PresetTestPlugin saver;
  ASSERT_TRUE(saver.InitDataFolder());
  saver.Set(kGUIScale, 2.0);
  saver.Set(kMinGain, -60);
  ASSERT_TRUE(saver.SaveDefaultPresetCommand());
  const std::string text = ReadTextFile(mHome.PresetFolder() + "/default.lps");
  EXPECT_NE(text.find("<Preset name=\"Init\">"), std::string::npos);

  PresetTestPlugin started;
  started.InitDataFolder();
  started.InitPresetStore();
  EXPECT_TRUE(started.LoadStartupDefaultPreset());
  EXPECT_EQ(started.Value(kGUIScale), 2.0);
  EXPECT_EQ(started.Value(kMinGain), -60);
  EXPECT_EQ(started.paramResets, 1);
  EXPECT_EQ(started.restores, 1);
  EXPECT_EQ(started.hostPresetChanges, 0);
}

TEST_F(PresetFilesTest, WithoutADefaultPresetTheDefaultsStay) {
  PresetTestPlugin plugin;
  plugin.InitDataFolder();
  const std::vector<double> before = plugin.Values();
  EXPECT_FALSE(plugin.LoadStartupDefaultPreset());
  EXPECT_EQ(plugin.Values(), before);
}

TEST_F(PresetFilesTest, SaveAsDefaultRecreatesAMissingPresetFolder) {
  PresetTestPlugin plugin;
  ASSERT_TRUE(plugin.InitDataFolder());
  fs::remove_all(mHome.DataFolder());
  EXPECT_TRUE(plugin.SaveDefaultPresetCommand());
  EXPECT_TRUE(fs::exists(mHome.PresetFolder() + "/default.lps"));
}

TEST_F(PresetFilesTest, RescanListsLoadableLpsFilesOfTheDataFolderInNameOrder) {
  PresetTestPlugin plugin;
  ASSERT_TRUE(plugin.InitDataFolder());
  const std::string folder = mHome.DataFolder() + "/";
  plugin.Set(kGainMaster, 0.1);
  ASSERT_TRUE(plugin.SavePresetCommand((folder + "b.lps.bak").c_str()));
  plugin.Set(kGainMaster, 0.2);
  ASSERT_TRUE(plugin.SavePresetCommand((folder + "a.lps").c_str()));
  ASSERT_TRUE(plugin.SavePresetCommand((folder + "c.txt").c_str()));
  ASSERT_TRUE(plugin.SaveDefaultPresetCommand());  // in VST2/, not listed
  ASSERT_TRUE(WriteTextFile(folder + "broken.lps", "<nope/>"));
  fs::create_directory(folder + "x.lps");

  EXPECT_EQ(plugin.RescanPresetsCommand(), 2);
  const PresetList& list = plugin.GetFilePresets();
  ASSERT_EQ(list.GetSize(), 2);
  EXPECT_STREQ(list.Get(0)->mName, "a");
  EXPECT_STREQ(list.Get(1)->mName, "b.lps");
  EXPECT_TRUE(list.Get(0)->mInitialized);

  PresetTestPlugin reader;
  EXPECT_GT(reader.ReadStateChunk(list.Get(1)->mChunk, 0), 0);
  EXPECT_EQ(reader.Value(kGainMaster), 0.1);

  fs::remove(folder + "a.lps");
  EXPECT_EQ(plugin.RescanPresetsCommand(), 1);
}

TEST_F(PresetFilesTest, RescanOfAMissingFolderListsNothing) {
  PresetTestPlugin plugin;
  EXPECT_EQ(plugin.RescanPresetsCommand(), 0);
}

// Every rescan, whatever it finds, deletes the records of the store's third list (the leak check sees
// records left behind, by the rescan or by the store's destruction).
TEST_F(PresetFilesTest, RescanEmptiesTheThirdList) {
  for (const bool withFolder : {false, true}) {
    PresetTestPlugin plugin;
    if (withFolder) {
      ASSERT_TRUE(plugin.InitDataFolder());
      ASSERT_TRUE(plugin.SavePresetCommand((mHome.DataFolder() + "/a.lps").c_str()));
    }
    plugin.AddOtherItem("one");
    plugin.AddOtherItem("two");
    ASSERT_EQ(plugin.GetOtherItems().GetSize(), 2);
    EXPECT_EQ(plugin.RescanPresetsCommand(), withFolder ? 1 : 0);
    EXPECT_EQ(plugin.GetOtherItems().GetSize(), 0) << withFolder;
    plugin.AddOtherItem("kept until the store goes");
  }
}

// Freeing the store deletes the records of all three lists (the leak check sees any left behind).
TEST_F(PresetFilesTest, FreePresetStoreEmptiesEveryList) {
  PresetTestPlugin plugin;
  ASSERT_TRUE(plugin.InitDataFolder());
  ASSERT_TRUE(plugin.SavePresetCommand((mHome.DataFolder() + "/a.lps").c_str()));
  plugin.AddPreset("Built in", 0, 0);
  ASSERT_EQ(plugin.RescanPresetsCommand(), 1);
  plugin.AddOtherItem("other");
  ASSERT_EQ(plugin.GetBuiltInPresets().GetSize(), 1);
  plugin.FreePresetStore();
  EXPECT_EQ(plugin.GetBuiltInPresets().GetSize(), 0);
  EXPECT_EQ(plugin.GetFilePresets().GetSize(), 0);
  EXPECT_EQ(plugin.GetOtherItems().GetSize(), 0);
}

TEST_F(PresetFilesTest, ReadPresetXMLFillsValuesUnclampedWithTableDefaults) {
  ASSERT_TRUE(
      WriteTextFile(Path("v.lps"),
                    "<?xml version=\"1.0\" ?><PresetXMLTree version=\"1\"><PluginVendor>Lunderwick</PluginVendor>"
                    "<PluginName>Kelvadrune</PluginName><PluginVersion>v1.0.11</PluginVersion>"
                    "<Preset name=\"v\"><Parameter><Param name=\"MD filter freq\" val=\"30000\" />"
                    "<Param name=\"Hide Mod Views\" val=\"1\" /></Parameter></Preset></PresetXMLTree>"));
  PresetTestPlugin plugin;
  std::vector<double> values(kNumParams, -7.0);
  fx::FwString name;
  ASSERT_TRUE(plugin.ReadPresetXML(plugin, Path("v.lps").c_str(), values.data(), name, false));
  EXPECT_EQ(values[kMDFilterFreq], 30000.0);
  EXPECT_EQ(values[kHideModViews], 1.0);
  EXPECT_EQ(values[kProcessMode], 0.0);  // table default
  EXPECT_EQ(values[kGUIScale], -7.0);    // neither in the table nor in the file
  EXPECT_STREQ(name.Get(), "v");

  std::vector<double> untouched(kNumParams, -7.0);
  EXPECT_FALSE(plugin.ReadPresetXML(plugin, Path("none.lps").c_str(), untouched.data(), name, false));
  EXPECT_EQ(untouched, std::vector<double>(kNumParams, -7.0));
}

TEST_F(PresetFilesTest, UnreadableFileGivesARecordOfDefaultsWithoutName) {
  PresetTestPlugin plugin;
  plugin.Set(kGainMaster, 0.9);
  fx::IPreset record;
  plugin.LoadPresetFileToPreset(plugin, record, fx::FwString(Path("none.lps").c_str()), false);
  EXPECT_TRUE(record.mInitialized);
  EXPECT_STREQ(record.mName, "");
  PresetTestPlugin reader;
  reader.Set(kGainMaster, 0.7);
  EXPECT_GT(reader.ReadStateChunk(record.mChunk, 0), 0);
  EXPECT_EQ(reader.Value(kGainMaster), 0.5);
}

// ---- The product's preset store ----

TEST(PresetStoreTest, StartUpMakesTheInitRecordAndSlotZero) {
  PresetTestPlugin plugin;
  plugin.Set(kGainMaster, 0.3);  // FillPreset takes defaults, not the current values
  plugin.InitPresetStore();
  EXPECT_TRUE(plugin.GetWorkingPreset().mInitialized);
  EXPECT_STREQ(plugin.GetWorkingPreset().mName, "Init");
  ASSERT_EQ(plugin.GetBuiltInPresets().GetSize(), 1);
  EXPECT_EQ(plugin.GetBuiltInPresets().Get(0)->mCategory, 0);
  const fx::IPreset* slot = plugin.GetPreset(0);
  EXPECT_TRUE(slot->mInitialized);
  EXPECT_STREQ(slot->mName, "Init");
  EXPECT_TRUE(slot->mChunk.IsEqual(plugin.GetWorkingPreset().mChunk));
  ASSERT_TRUE(plugin.RestorePreset(0));
  EXPECT_EQ(plugin.Value(kGainMaster), 0.5);
}

TEST(PresetStoreTest, PairsSetTheirParametersAndDefaultsTheRest) {
  PresetTestPlugin plugin;
  plugin.AddPreset("Loud", 1, 3, kGainMaster, 0.9, kProcessMode, 1, kSteps, 7);
  ASSERT_EQ(plugin.GetBuiltInPresets().GetSize(), 1);
  const fx::IPreset& record = *plugin.GetBuiltInPresets().Get(0);
  EXPECT_STREQ(record.mName, "Loud");
  EXPECT_EQ(record.mCategory, 1);
  PresetTestPlugin reader;
  reader.Set(kMinGain, -100);
  ASSERT_GT(reader.ReadStateChunk(record.mChunk, 0), 0);
  EXPECT_EQ(reader.Value(kGainMaster), 0.9);
  EXPECT_EQ(reader.Value(kProcessMode), 1);
  EXPECT_EQ(reader.Value(kSteps), 7);
  EXPECT_EQ(reader.Value(kMinGain), -48);
}

TEST(PresetStoreTest, PairsStopAtAnUnknownIndex) {
  PresetTestPlugin plugin;
  plugin.AddPresetFromPairs("Cut", 2, 99, 0.5, kGainMaster, 0.9);
  const fx::IPreset& record = *plugin.GetBuiltInPresets().Get(0);
  EXPECT_EQ(record.mCategory, -1);
  PresetTestPlugin reader;
  ASSERT_GT(reader.ReadStateChunk(record.mChunk, 0), 0);
  EXPECT_EQ(reader.Value(kGainMaster), 0.5);
}

TEST(PresetStoreTest, FillingARecordAppendsToWhatItsChunkHolds) {
  PresetTestPlugin plugin;
  fx::IPreset record;
  const uint8_t prefix[4] = {'t', 'f', 'f', 'p'};
  record.mChunk.PutBytes(prefix, 4);
  plugin.FillPreset(record, "Kept", 1, kGainMaster, 0.25);
  ASSERT_GT(record.mChunk.Size(), 4);
  EXPECT_EQ(std::memcmp(record.mChunk.GetData(), prefix, 4), 0);
  PresetTestPlugin reader;
  EXPECT_EQ(reader.ReadStateChunk(record.mChunk, 4), record.mChunk.Size());
  EXPECT_EQ(reader.Value(kGainMaster), 0.25);
}

TEST(PresetStoreTest, SortKeepsOrderWithinCategoriesAndKeepsEveryRecord) {
  PresetTestPlugin plugin;
  struct Row {
    const char* name;
    int category;
  };
  for (const Row& row :
       {Row{"n1", -1}, Row{"b1", 1}, Row{"a1", 0}, Row{"x", 5}, Row{"b2", 1}, Row{"a2", 0}, Row{"n2", -1}}) {
    plugin.AddPreset(row.name, row.category, 0);
  }
  PresetList& list = const_cast<PresetList&>(plugin.GetBuiltInPresets());
  KelvadrunePresets::SortPresetsByCategory(list, 2);
  std::vector<std::string> names;
  for (int i = 0; i < list.GetSize(); ++i) names.push_back(list.Get(i)->mName.Get());
  EXPECT_EQ(names, (std::vector<std::string>{"a1", "a2", "b1", "b2", "n1", "n2", "x"}));
}

TEST(PresetStoreTest, FirstFreePresetAndClearing) {
  PresetList list;
  EXPECT_EQ(KelvadrunePresets::FirstFreePreset(list), nullptr);
  auto* used = new fx::IPreset;
  used->mInitialized = true;
  auto* free = new fx::IPreset;
  list.Add(used);
  list.Add(free);
  EXPECT_EQ(KelvadrunePresets::FirstFreePreset(list), free);
  free->mInitialized = true;
  EXPECT_EQ(KelvadrunePresets::FirstFreePreset(list), nullptr);
  ClearPresetList(list, true);
  EXPECT_EQ(list.GetSize(), 0);
}

TEST(PresetStoreTest, CopyToASlotOutOfRangeIsIgnored) {
  PresetTestPlugin plugin;
  plugin.InitPresetStore();
  plugin.CopyPresetToSlot(plugin.GetWorkingPreset(), 1);
  plugin.CopyPresetToSlot(plugin.GetWorkingPreset(), -1);
  EXPECT_EQ(plugin.NPresets(), 1);
}

}  // namespace
}  // namespace presets_test
