#include "framework/IPluginBase.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/framework/TestPlugin.h"

namespace fx {
namespace {

using test::TestConfig;
using test::TestPlugin;

std::vector<uint8_t> Bytes(const IByteChunk& chunk) {
  return std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size());
}

// Little-endian IEEE 754 doubles, as written by hand (1.5 = 0x3FF8000000000000, -2.0 = 0xC000000000000000).
TEST(ParameterStateTest, TwoValuesGiveSixteenExactBytes) {
  TestPlugin plugin(TestConfig(2, 1));
  plugin.GetParam(0)->Set(1.5);
  plugin.GetParam(1)->Set(-2.0);
  IByteChunk chunk;
  ASSERT_TRUE(plugin.SerializeParams(chunk));
  EXPECT_EQ(Bytes(chunk), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0}));
}

// A chunk already as large as a chunk can be (its size is an int): the values find no room, and the
// answer says so although the chunk is not empty. The largest size is searched for from the top, so that
// the chunk is allocated once.
TEST(ParameterStateTest, ValuesThatFindNoRoomAnswerFalse) {
  IByteChunk chunk;
  int fits = INT32_MAX;
  while (chunk.Resize(fits) != fits) fits -= 1 << 20;
  for (int step = 1 << 23; step > 0; step /= 2) {
    if (step <= INT32_MAX - fits && chunk.Resize(fits + step) == fits + step) fits += step;
  }
  ASSERT_EQ(chunk.Resize(fits), fits);
  ASSERT_NE(chunk.Resize(fits + 1), fits + 1);
  TestPlugin plugin(TestConfig(2, 1));
  EXPECT_FALSE(plugin.SerializeParams(chunk));
  EXPECT_EQ(chunk.Size(), fits);
}

TEST(ParameterStateTest, RoundTripSetsEveryValueAndRecallsOnce) {
  TestPlugin source(TestConfig(3, 1));
  for (int i = 0; i < 3; ++i) source.GetParam(i)->Set(1.25 * (i + 1));
  IByteChunk chunk;
  const int32_t prefix = 99;
  chunk.Put(&prefix);
  source.SerializeParams(chunk);

  TestPlugin target(TestConfig(3, 1));
  EXPECT_EQ(target.UnserializeParams(chunk, 4), 28);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(target.GetParam(i)->Value(), 1.25 * (i + 1));
  EXPECT_EQ(target.Count("change2"), 3);
  EXPECT_EQ(target.Count("changeUI2"), 3);
}

TEST(ParameterStateTest, TooFewBytesFailAndChangeNothing) {
  TestPlugin plugin(TestConfig(4, 1));
  for (int i = 0; i < 4; ++i) plugin.GetParam(i)->Set(7.0);
  IByteChunk chunk;
  for (double v : {1.0, 2.0, 3.0}) chunk.Put(&v);
  EXPECT_EQ(plugin.UnserializeParams(chunk, 0), -1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(plugin.GetParam(i)->Value(), 7.0);
  EXPECT_EQ(plugin.Count("change2"), 0);  // no OnParamReset: no recall took place
}

TEST(ParameterStateTest, ValuesAreClampedIntoTheRange) {
  TestPlugin plugin(TestConfig(1, 1));
  IByteChunk chunk;
  const double tooBig = 1e9;
  chunk.Put(&tooBig);
  EXPECT_EQ(plugin.UnserializeParams(chunk, 0), 8);
  EXPECT_EQ(plugin.GetParam(0)->Value(), 10.0);
}

TEST(ParameterStateTest, NegativeStartOrNoParametersOnlyRecall) {
  TestPlugin plugin(TestConfig(2, 1));
  IByteChunk chunk;
  EXPECT_EQ(plugin.UnserializeParams(chunk, -1), -1);
  EXPECT_EQ(plugin.Count("change2"), 2);
  TestPlugin empty(TestConfig(0, 1));
  EXPECT_EQ(empty.UnserializeParams(chunk, 5), 5);
  IByteChunk out;
  EXPECT_TRUE(empty.SerializeParams(out));
  EXPECT_EQ(out.Size(), 0);
}

// The base's own hooks, which nothing in the framework calls: the notification changes nothing, the
// query answers true, and the extra state reader reads nothing, answering the position it was given.
TEST(ParameterStateTest, UncalledBaseHooksKeepTheirTrivialDefaults) {
  TestPlugin plugin(TestConfig(1, 1));
  plugin.GetParam(0)->Set(2.0);
  IByteChunk chunk;
  const double value = 9.0;
  chunk.Put(&value);
  for (int startPos : {-1, 0, 4, 8, 100}) EXPECT_EQ(plugin.ReadExtraStateHook(chunk, startPos), startPos);
  plugin.PluginBaseNotifyHook();
  EXPECT_TRUE(plugin.PluginBaseQueryHook());
  EXPECT_EQ(plugin.GetParam(0)->Value(), 2.0);
  EXPECT_TRUE(plugin.events.empty());
}

TEST(IdentityTest, VersionsAndStrings) {
  TestPlugin plugin(TestConfig(1, 1));
  EXPECT_EQ(plugin.GetPluginVersion(false), 65547);
  EXPECT_EQ(plugin.GetPluginVersion(true), 1110);
  FwString version;
  plugin.GetPluginVersionStr(version);
  EXPECT_STREQ(version.Get(), "v1.0.11");
  plugin.SetHost("Host", (2 << 16) | (3 << 8) | 4);
  EXPECT_EQ(plugin.GetHostVersion(true), 2340);
  plugin.GetHostVersionStr(version);
  EXPECT_STREQ(version.Get(), "v2.3.4");
  EXPECT_STREQ(plugin.GetAPIString(), "VST2");
  // The processor the build targets (a native build: the one the kernel names), as it is usually written.
  utsname machine{};
  ASSERT_EQ(uname(&machine), 0);
  const std::pair<std::string, std::string> names[] = {
      {"x86_64", "x86-64"},   {"aarch64", "aarch64"},     {"i686", "i686"},   {"armv7l", "arm"},
      {"riscv64", "riscv64"}, {"ppc64le", "powerpc64le"}, {"s390x", "s390x"},
  };
  const auto name =
      std::find_if(std::begin(names), std::end(names), [&](const auto& n) { return n.first == machine.machine; });
  ASSERT_NE(name, std::end(names)) << machine.machine;
  EXPECT_EQ(plugin.GetArchString(), name->second);
  FwString info;
  plugin.GetBuildInfoStr(info, "Jan  1 2026", "12:34:56");
  EXPECT_EQ(std::string(info.Get()), "v1.0.11 VST2 (" + name->second + "), built on Jan  1 2026 at 12:34 ");
}

class ApiStringPlugin : public TestPlugin {
 public:
  explicit ApiStringPlugin(EAPI api) : TestPlugin(TestConfig(0, 0)) { mAPI = api; }
};

TEST(IdentityTest, ApiStringsByNumber) {
  const char* expected[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP", ""};
  for (int api = 0; api <= 9; ++api) {
    EXPECT_STREQ(ApiStringPlugin(static_cast<EAPI>(api)).GetAPIString(), expected[api]) << api;
  }
  EXPECT_STREQ(ApiStringPlugin(static_cast<EAPI>(-1)).GetAPIString(), "");
}

TEST(PresetTest, FreshSlotsAreEmptyAndUnnamedIndexIsEmptyText) {
  TestPlugin plugin(TestConfig(1, 2));
  EXPECT_STREQ(plugin.GetPresetName(0), "empty");
  EXPECT_FALSE(plugin.GetPreset(0)->mInitialized);
  EXPECT_EQ(plugin.GetPreset(0)->mCategory, -1);
  EXPECT_STREQ(plugin.GetPresetName(2), "");
  EXPECT_STREQ(plugin.GetPresetName(-1), "");
}

TEST(PresetTest, RestoringAFreeSlotNamesItAfterTheUserPresetsBefore) {
  TestPlugin plugin(TestConfig(1, 4));
  plugin.MakePresetFromChunk("my user preset", IByteChunk());
  plugin.MakePresetFromChunk("user preset 1", IByteChunk());
  plugin.GetParam(0)->Set(3.0);
  ASSERT_TRUE(plugin.RestorePreset(3));
  EXPECT_STREQ(plugin.GetPresetName(3), "user preset 3");
  EXPECT_TRUE(plugin.GetPreset(3)->mInitialized);
  EXPECT_EQ(plugin.GetPreset(3)->mChunk.Size(), 8);
  EXPECT_EQ(plugin.GetCurrentPresetIdx(), 3);
  EXPECT_EQ(plugin.Count("presetsModified"), 1);
  EXPECT_EQ(plugin.Count("restoreState"), 1);
}

TEST(PresetTest, RestoreByIndexAndName) {
  TestPlugin plugin(TestConfig(1, 2));
  plugin.MakePreset("low", -5.0);
  plugin.MakePreset("high", 5.0);
  EXPECT_TRUE(plugin.RestorePreset("high"));
  EXPECT_EQ(plugin.GetParam(0)->Value(), 5.0);
  EXPECT_TRUE(plugin.RestorePreset(0));
  EXPECT_EQ(plugin.GetParam(0)->Value(), -5.0);
  EXPECT_FALSE(plugin.RestorePreset("missing"));
  EXPECT_FALSE(plugin.RestorePreset(""));
  EXPECT_FALSE(plugin.RestorePreset(static_cast<const char*>(nullptr)));
  EXPECT_FALSE(plugin.RestorePreset(2));
  EXPECT_FALSE(plugin.RestorePreset(-1));
  EXPECT_EQ(plugin.GetCurrentPresetIdx(), 0);
}

TEST(PresetTest, RestoringAPresetWhoseStateIsTooShortFails) {
  TestPlugin plugin(TestConfig(2, 1));
  IByteChunk half;
  const double one = 1.0;
  half.Put(&one);
  plugin.MakePresetFromChunk("short", half);
  EXPECT_FALSE(plugin.RestorePreset(0));
  EXPECT_EQ(plugin.Count("restoreState"), 0);
}

class TypedPlugin : public TestPlugin {
 public:
  TypedPlugin() : TestPlugin(TestConfig(5, 3), false) {
    GetParam(0)->InitBool("b", false);
    GetParam(1)->InitInt("i", 0, -10, 10);
    GetParam(2)->InitDouble("d", 0.5, 0.0, 1.0, 0.0);
    GetParam(3)->InitEnum("e", 0, {"a", "b", "c"});
    GetParam(4)->InitDouble("d2", 0.25, 0.0, 1.0, 0.0);
  }
};

std::vector<double> ChunkDoubles(const IByteChunk& chunk) {
  std::vector<double> values(static_cast<size_t>(chunk.Size()) / 8);
  int pos = 0;
  for (double& v : values) pos = chunk.Get(&v, pos);
  return values;
}

TEST(PresetTest, MakePresetTakesIntsForIntegralTypesAndStoresThemUnclamped) {
  TypedPlugin plugin;
  plugin.MakePreset("p", 1, -20, 0.75, 2, 3.5);
  EXPECT_EQ(ChunkDoubles(plugin.GetPreset(0)->mChunk), (std::vector<double>{1, -20, 0.75, 2, 3.5}));
}

TEST(PresetTest, NamedParamsKeepCurrentValuesForTheOthers) {
  TypedPlugin plugin;
  plugin.GetParam(1)->Set(4);
  plugin.MakePresetFromNamedParams("named", 2, 2, 0.75, 3, 2);
  EXPECT_EQ(ChunkDoubles(plugin.GetPreset(0)->mChunk), (std::vector<double>{0, 4, 0.75, 2, 0.25}));
  plugin.MakePresetFromNamedParams("bad index", 2, 9, 1, 2, 0.1);
  EXPECT_EQ(ChunkDoubles(plugin.GetPreset(1)->mChunk), (std::vector<double>{0, 4, 0.5, 0, 0.25}));
}

// "AQID" is the Base64 text of the bytes 1, 2, 3.
TEST(PresetTest, BlobDecodesIntoAZeroFilledChunkOfTheGivenSize) {
  TestPlugin plugin(TestConfig(1, 3));
  plugin.MakePresetFromBlob("blob", "AQID", 5);
  EXPECT_EQ(Bytes(plugin.GetPreset(0)->mChunk), (std::vector<uint8_t>{1, 2, 3, 0, 0}));
  plugin.MakePresetFromBlob("cut", "AQIDBA==", 2);
  EXPECT_EQ(Bytes(plugin.GetPreset(1)->mChunk), (std::vector<uint8_t>{1, 2}));
  plugin.MakePresetFromBlob("refused", "AQID", -1);
  EXPECT_FALSE(plugin.GetPreset(2)->mInitialized);
}

TEST(PresetTest, DefaultPresetsAndPruning) {
  TestPlugin plugin(TestConfig(1, 4));
  plugin.MakeDefaultPreset(nullptr, 2);
  EXPECT_STREQ(plugin.GetPresetName(0), "Empty");
  EXPECT_TRUE(plugin.GetPreset(1)->mInitialized);
  EXPECT_FALSE(plugin.GetPreset(2)->mInitialized);
  EXPECT_EQ(plugin.PruneUninitializedPresets(), 2);
  plugin.MakePreset("no slot left", 1.0);
  EXPECT_EQ(plugin.NPresets(), 2);

  TestPlugin other(TestConfig(1, 3));
  other.MakePreset("kept", 1.0);
  other.EnsureDefaultPreset();
  EXPECT_STREQ(other.GetPresetName(0), "kept");
  EXPECT_STREQ(other.GetPresetName(2), "Empty");
  EXPECT_TRUE(other.GetPreset(2)->mInitialized);
}

TEST(PresetTest, ModifyCurrentPresetStoresStateAndName) {
  TestPlugin plugin(TestConfig(1, 1));
  plugin.GetParam(0)->Set(2.5);
  plugin.ModifyCurrentPreset("renamed");
  EXPECT_STREQ(plugin.GetPresetName(0), "renamed");
  EXPECT_EQ(ChunkDoubles(plugin.GetPreset(0)->mChunk), (std::vector<double>{2.5}));
  plugin.ModifyCurrentPreset("");
  EXPECT_STREQ(plugin.GetPresetName(0), "renamed");
  plugin.ModifyCurrentPreset(std::string(400, 'n').c_str());
  EXPECT_EQ(std::strlen(plugin.GetPresetName(0)), 255u);
}

// A plug-in whose state carries the current slot's name before the values, as the product's does.
class NamedStatePlugin : public TestPlugin {
 public:
  NamedStatePlugin() : TestPlugin(TestConfig(1, 2)) {}
  bool SerializeState(IByteChunk& chunk) const override {
    return chunk.PutStr(GetPresetName(GetCurrentPresetIdx())) > 0 && SerializeParams(chunk);
  }
  int UnserializeState(const IByteChunk& chunk, int startPos) override {
    FwString name;
    return UnserializeParams(chunk, chunk.GetStr(name, startPos));
  }
  int CheckState(const IByteChunk& chunk, int startPos) override {
    FwString name;
    return CheckParams(chunk, chunk.GetStr(name, startPos));
  }
};

TEST(PresetTest, ARenamedSlotsStateCarriesTheNewName) {
  NamedStatePlugin plugin;
  plugin.MakeDefaultPreset("Old", 1);
  plugin.ModifyCurrentPreset("New");
  FwString stored;
  ASSERT_GT(plugin.GetPreset(0)->mChunk.GetStr(stored, 0), 0);
  EXPECT_STREQ(stored.Get(), "New");
}

// A slot a bank left free keeps the bytes it held before; whatever initialises it again starts from an
// empty chunk, so the slot holds exactly its new state.
TEST(PresetTest, ASlotInitialisedAgainHoldsOnlyItsNewState) {
  const auto one = [](double value) {
    IByteChunk chunk;
    chunk.Put(&value);
    return chunk;
  };
  const struct {
    const char* name;
    std::function<void(TestPlugin&)> initialise;
    std::vector<uint8_t> held;
  } rows[] = {
      {"MakePreset", [](TestPlugin& p) { p.MakePreset("n", 5.0); }, Bytes(one(5.0))},
      {"MakePresetFromNamedParams", [](TestPlugin& p) { p.MakePresetFromNamedParams("n", 1, 0, 5.0); },
       Bytes(one(5.0))},
      {"MakePresetFromChunk", [&one](TestPlugin& p) { p.MakePresetFromChunk("n", one(5.0)); }, Bytes(one(5.0))},
      {"MakePresetFromBlob", [](TestPlugin& p) { p.MakePresetFromBlob("n", "AQID", 3); }, {1, 2, 3}},
      {"MakeDefaultPreset", [](TestPlugin& p) { p.MakeDefaultPreset("n", 1); }, Bytes(one(-1.0))},
      {"EnsureDefaultPreset", [](TestPlugin& p) { p.EnsureDefaultPreset(); }, Bytes(one(-1.0))},
      {"RestorePreset", [](TestPlugin& p) { EXPECT_TRUE(p.RestorePreset(1)); }, Bytes(one(-1.0))},
  };
  // A bank whose first slot holds a state and whose second is free.
  IByteChunk bank;
  TestPlugin source(TestConfig(1, 2));
  source.MakePreset("kept", 1.0);
  source.SerializePresets(bank);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TestPlugin plugin(TestConfig(1, 2));
    plugin.MakePreset("first", 2.0);
    plugin.MakePreset("old", 3.0);
    ASSERT_EQ(plugin.UnserializePresets(bank, 0), bank.Size());
    ASSERT_FALSE(plugin.GetPreset(1)->mInitialized);
    plugin.GetParam(0)->Set(-1.0);
    row.initialise(plugin);
    EXPECT_TRUE(plugin.GetPreset(1)->mInitialized);
    EXPECT_EQ(Bytes(plugin.GetPreset(1)->mChunk), row.held);
  }
}

TEST(BankTest, RoundTripRestoresNamesFlagsAndStates) {
  TestPlugin source(TestConfig(2, 3));
  source.MakePreset("first", 1.0, 2.0);
  source.MakePreset("second", -1.0, -2.0);
  IByteChunk bank;
  ASSERT_TRUE(source.SerializePresets(bank));
  // 4 + 5 + 1 + 16, 4 + 6 + 1 + 16, 4 + 5 + 1
  ASSERT_EQ(bank.Size(), 26 + 27 + 10);

  TestPlugin target(TestConfig(2, 3));
  EXPECT_EQ(target.UnserializePresets(bank, 0), bank.Size());
  EXPECT_STREQ(target.GetPresetName(0), "first");
  EXPECT_STREQ(target.GetPresetName(1), "second");
  EXPECT_STREQ(target.GetPresetName(2), "empty");
  EXPECT_TRUE(target.GetPreset(1)->mInitialized);
  EXPECT_FALSE(target.GetPreset(2)->mInitialized);
  EXPECT_EQ(ChunkDoubles(target.GetPreset(1)->mChunk), (std::vector<double>{-1.0, -2.0}));
  EXPECT_EQ(target.GetParam(0)->Value(), 1.0) << "the current preset (0) is restored at the end";
  EXPECT_EQ(target.Count("restoreState"), 1);
}

// A slot's state is loaded and written back by the plug-in: values beyond a parameter's range come back
// clamped to it (-10..10), free slots stay free, and the current slot is the one restored at the end.
TEST(BankTest, SlotStatesComeBackInThePluginsOwnForm) {
  const struct {
    const char* name;
    bool initialized;
    std::vector<double> stored;
    std::vector<double> kept;
  } slots[] = {
      {"loud", true, {1e9, -3.0}, {10.0, -3.0}},
      {"free", false, {}, {}},
      {"quiet", true, {-20.0, 2.5}, {-10.0, 2.5}},
  };
  IByteChunk bank;
  for (const auto& slot : slots) {
    const uint8_t initialized = slot.initialized ? 1 : 0;
    bank.PutStr(slot.name);
    bank.Put(&initialized);
    for (double v : slot.stored) bank.Put(&v);
  }
  TestPlugin plugin(TestConfig(2, 3));
  ASSERT_EQ(plugin.UnserializePresets(bank, 0), bank.Size());
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(slots[i].name);
    EXPECT_STREQ(plugin.GetPresetName(i), slots[i].name);
    EXPECT_EQ(plugin.GetPreset(i)->mInitialized, slots[i].initialized);
    if (slots[i].initialized) {
      EXPECT_EQ(ChunkDoubles(plugin.GetPreset(i)->mChunk), slots[i].kept);
    }
  }
  EXPECT_EQ(plugin.GetParam(0)->Value(), 10.0);
  EXPECT_EQ(plugin.GetParam(1)->Value(), -3.0);
}

TEST(BankTest, OverlongNameIsCutToTheSlot) {
  IByteChunk bank;
  const std::string name(300, 'q');
  bank.PutStr(name.c_str());
  const uint8_t initialized = 1;
  const double value = 4.0;
  bank.Put(&initialized);
  bank.Put(&value);
  TestPlugin plugin(TestConfig(1, 1));
  EXPECT_EQ(plugin.UnserializePresets(bank, 0), bank.Size());
  EXPECT_EQ(std::string(plugin.GetPresetName(0)), name.substr(0, 255));
}

TEST(BankTest, TruncatedBankStopsWithFailure) {
  IByteChunk bank;
  const int32_t claimedLength = 1000;
  bank.Put(&claimedLength);
  bank.PutBytes("abc", 3);
  TestPlugin plugin(TestConfig(1, 2));
  EXPECT_EQ(plugin.UnserializePresets(bank, 0), -1);
  EXPECT_STREQ(plugin.GetPresetName(1), "empty");
  EXPECT_FALSE(plugin.GetPreset(1)->mInitialized);
}

Config WithChunks(Config config, bool chunks) {
  config.doesChunks = chunks;
  return config;
}

// A plug-in whose reader refuses a state of 7.0 that its check lets through.
class PickyReaderPlugin : public TestPlugin {
 public:
  explicit PickyReaderPlugin(bool chunks = false) : TestPlugin(WithChunks(TestConfig(1, 3), chunks)) {}
  int UnserializeState(const IByteChunk& chunk, int startPos) override {
    double value = 0.0;
    if (chunk.Get(&value, startPos) > 0 && value == 7.0) return -1;
    return TestPlugin::UnserializeState(chunk, startPos);
  }
  void InformHostOfPresetChange() override { events.push_back({"presetChange"}); }
};

// A slot state that passed the check but cannot be loaded ends the load with failure at that slot: the
// slots before it hold the bank's states, the failing slot takes the bank's name but keeps its former state
// and flag (a free slot stays free: it has no state to go with the flag), the ones after it keep theirs, and
// the current slot is restored. The bank the plug-in then writes reads back whole.
TEST(BankTest, AStateThatFailsToLoadStopsTheLoadWithFailure) {
  IByteChunk bank;
  const uint8_t initialized = 1;
  for (const auto& [name, value] : {std::pair{"A", 1.0}, std::pair{"B", 7.0}, std::pair{"C", 2.0}}) {
    bank.PutStr(name);
    bank.Put(&initialized);
    bank.Put(&value);
  }
  const struct {
    int presetsMade;  // of x = 3.0, y = 4.0, z = 5.0, into the first free slots
    bool slot1Initialized;
    std::vector<double> slot1State;
    const char* slot2Name;
    std::vector<double> slot2State;
  } rows[] = {{3, true, {4.0}, "z", {5.0}}, {1, false, {}, "empty", {}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.presetsMade);
    PickyReaderPlugin plugin;
    const std::pair<const char*, double> made[] = {{"x", 3.0}, {"y", 4.0}, {"z", 5.0}};
    for (int i = 0; i < row.presetsMade; ++i) plugin.MakePreset(made[i].first, made[i].second);
    EXPECT_EQ(plugin.UnserializePresets(bank, 0), -1);
    EXPECT_STREQ(plugin.GetPresetName(0), "A");
    EXPECT_EQ(ChunkDoubles(plugin.GetPreset(0)->mChunk), (std::vector<double>{1.0}));
    EXPECT_STREQ(plugin.GetPresetName(1), "B");
    EXPECT_EQ(plugin.GetPreset(1)->mInitialized, row.slot1Initialized);
    EXPECT_EQ(ChunkDoubles(plugin.GetPreset(1)->mChunk), row.slot1State);
    EXPECT_STREQ(plugin.GetPresetName(2), row.slot2Name);
    EXPECT_EQ(plugin.GetPreset(2)->mInitialized, row.presetsMade == 3);
    EXPECT_EQ(ChunkDoubles(plugin.GetPreset(2)->mChunk), row.slot2State);
    EXPECT_EQ(plugin.GetParam(0)->Value(), 1.0) << "the current slot (0) is restored at the end";

    IByteChunk written;
    ASSERT_TRUE(plugin.SerializePresets(written));
    PickyReaderPlugin reader;
    EXPECT_EQ(reader.UnserializePresets(written, 0), written.Size());
    for (int i = 0; i < 3; ++i) {
      EXPECT_STREQ(reader.GetPresetName(i), plugin.GetPresetName(i)) << i;
      EXPECT_EQ(reader.GetPreset(i)->mInitialized, plugin.GetPreset(i)->mInitialized) << i;
      EXPECT_EQ(ChunkDoubles(reader.GetPreset(i)->mChunk), ChunkDoubles(plugin.GetPreset(i)->mChunk)) << i;
    }
  }
}

TEST(ParamOperationsTest, RangesGroupsCopiesAndDefaults) {
  TestPlugin plugin(TestConfig(6, 1));
  plugin.InitParamRange(0, 2, 1, "Gain %d", 0.0, -1.0, 1.0, 0.5, "dB", kFlagStepped, "left");
  plugin.CloneParamRange(0, 2, 3, "Gain", "Level", "right");
  EXPECT_STREQ(plugin.GetParam(1)->GetName(), "Gain 2");
  EXPECT_STREQ(plugin.GetParam(4)->GetName(), "Level 2");
  EXPECT_STREQ(plugin.GetParam(4)->GetGroup(), "right");
  plugin.GetParam(0)->Set(0.5);
  plugin.GetParam(1)->Set(-1.0);
  plugin.CopyParamValues("left", "right");
  EXPECT_EQ(plugin.GetParam(3)->Value(), 0.5);
  EXPECT_EQ(plugin.GetParam(4)->Value(), -1.0);
  plugin.CopyParamValues(0, 5, 1);
  EXPECT_EQ(plugin.GetParam(5)->Value(), 0.5);
  plugin.DefaultParamValues("right");
  EXPECT_EQ(plugin.GetParam(3)->Value(), 0.0);
  EXPECT_EQ(plugin.GetParam(0)->Value(), 0.5);
  int visited = 0;
  plugin.ForParamInGroup("left", [&visited](int, IParam&) { ++visited; });
  plugin.ForParamInRange(4, 99, [&visited](int, IParam&) { ++visited; });
  EXPECT_EQ(visited, 5);
  plugin.RandomiseParamValues();
  for (int i = 0; i < 6; ++i) {
    const double value = plugin.GetParam(i)->Value();
    EXPECT_TRUE(value == -1.0 || value == -0.5 || value == 0.0 || value == 0.5 || value == 1.0) << value;
  }
}

// Ranges that run past either end of the parameter list, up to the ends of int, touch only the parameters
// inside it, in order.
TEST(ParamOperationsTest, RangesPastTheListTouchOnlyItsParameters) {
  TestPlugin plugin(TestConfig(3, 1));
  plugin.InitParamRange(1, 5, 1, "Gain %d", 0.25, 0.0, 1.0, 0.0, "dB");
  plugin.InitParamRange(-3, 0, 1, "Low %d", 0.5, 0.0, 1.0, 0.0);  // the counter runs on from -3
  plugin.InitParamRange(INT32_MAX - 1, INT32_MAX, 1, "None %d", 0.0, 0.0, 1.0, 0.0);
  plugin.InitParamRange(INT32_MIN, INT32_MIN + 1, 1, "None %d", 0.0, 0.0, 1.0, 0.0);
  const auto names = [&plugin] {
    std::vector<std::string> list;
    for (int i = 0; i < 3; ++i) list.push_back(plugin.GetParam(i)->GetName());
    return list;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"Low 4", "Gain 1", "Gain 2"}));
  EXPECT_EQ(plugin.GetParam(0)->Value(), 0.5);

  const struct {
    int from, to, onto;
    const char *search, *replace;
    std::vector<std::string> names;
  } clones[] = {
      {1, 2, 2, "Gain", "Level", {"Low 4", "Gain 1", "Level 1"}},  // the second copy would land past the end
      {-2, 0, 0, "Low", "Copy", {"Low 4", "Gain 1", "Copy 4"}},    // only the last source lies inside
      {0, 1, -1, "Gain", "Top", {"Top 1", "Gain 1", "Copy 4"}},    // onto -1 and 0: only 1 onto 0
      {INT32_MAX - 1, INT32_MAX, 0, "Top", "x", {"Top 1", "Gain 1", "Copy 4"}},
      {0, INT32_MAX, INT32_MIN, "Top", "x", {"Top 1", "Gain 1", "Copy 4"}},
  };
  for (const auto& row : clones) {
    SCOPED_TRACE(testing::Message() << row.from << ".." << row.to << " onto " << row.onto);
    plugin.CloneParamRange(row.from, row.to, row.onto, row.search, row.replace);
    EXPECT_EQ(names(), row.names);
  }

  const struct {
    int from, to, n;
    std::vector<double> after;
  } copies[] = {
      {0, 2, 3, {0.9, 0.3, 0.9}},   // 0 onto 2; 1 onto 3 and 2 onto 4 are skipped
      {-1, 0, 2, {0.9, 0.9, 0.1}},  // -1 onto 0 is skipped, 0 onto 1
      {0, -2, 3, {0.1, 0.3, 0.1}},  // only the last copy, 2 onto 0, lies inside
      {2, 0, INT32_MAX, {0.1, 0.3, 0.1}},
      {5, 0, 2, {0.9, 0.3, 0.1}},
      {INT32_MAX, 0, INT32_MAX, {0.9, 0.3, 0.1}},
      {1, INT32_MAX - 1, INT32_MAX, {0.9, 0.3, 0.1}},
      {0, 1, -4, {0.9, 0.3, 0.1}},
  };
  for (const auto& row : copies) {
    SCOPED_TRACE(testing::Message() << row.from << " onto " << row.to << ", " << row.n);
    plugin.GetParam(0)->Set(0.9);
    plugin.GetParam(1)->Set(0.3);
    plugin.GetParam(2)->Set(0.1);
    plugin.CopyParamValues(row.from, row.to, row.n);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(plugin.GetParam(i)->Value(), row.after[static_cast<size_t>(i)]) << i;
  }

  const struct {
    int first, last;
    std::vector<int> visited;
  } visits[] = {{-1, 1, {0, 1}},
                {2, 9, {2}},
                {INT32_MIN, INT32_MAX, {0, 1, 2}},
                {INT32_MAX - 1, INT32_MAX, {}},
                {INT32_MIN, INT32_MIN + 1, {}},
                {2, 1, {}}};
  for (const auto& row : visits) {
    std::vector<int> visited;
    plugin.ForParamInRange(row.first, row.last, [&visited](int i, IParam&) { visited.push_back(i); });
    EXPECT_EQ(visited, row.visited) << row.first << ".." << row.last;
  }
  plugin.DefaultParamValues(INT32_MIN, INT32_MAX);
  EXPECT_EQ(plugin.GetParam(0)->Value(), 0.25);
  EXPECT_EQ(plugin.GetParam(2)->Value(), 0.5);
  EXPECT_TRUE(plugin.events.empty());
}

// A range cloned onto itself: each parameter takes the new name and group, keeps its value (not the default
// the copy starts from) and has its display texts once more.
TEST(ParamOperationsTest, CloneOntoItselfRenamesRegroupsAndKeepsTheValue) {
  TestPlugin plugin(TestConfig(2, 1));
  plugin.GetParam(0)->InitEnum("Gain mode", 0, {"soft", "hard"}, "", 0, "left");
  plugin.GetParam(1)->InitDouble("Gain", 0.25, -1.0, 1.0, 0.0, "dB", 0, "left");
  plugin.GetParam(0)->Set(1.0);
  plugin.GetParam(1)->Set(-0.75);
  plugin.CloneParamRange(0, 1, 0, "Gain", "Level", "right");
  const struct {
    const char* name;
    double value;
    int nTexts;
    const char* label;
  } rows[] = {{"Level mode", 1.0, 4, ""}, {"Level", -0.75, 0, "dB"}};
  for (int i = 0; i < 2; ++i) {
    const IParam& param = *plugin.GetParam(i);
    EXPECT_STREQ(param.GetName(), rows[i].name);
    EXPECT_STREQ(param.GetGroup(), "right");
    EXPECT_EQ(param.Value(), rows[i].value) << i;
    EXPECT_EQ(param.NDisplayTexts(), rows[i].nTexts) << i;
    EXPECT_STREQ(param.GetCustomLabel(), rows[i].label);
  }
  EXPECT_STREQ(plugin.GetParam(0)->GetDisplayTextAtIdx(3, nullptr), "hard");
  EXPECT_EQ(plugin.GetParam(1)->GetDefault(), 0.25);
}

// A parameter bank file (big-endian fields) of one-parameter records, each a name and a normalized value.
std::vector<uint8_t> OneParamBankFile(int uniqueID, const std::vector<std::pair<const char*, float>>& records) {
  std::vector<uint8_t> out;
  const auto be = [&out](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
  };
  const auto tag = [&out](const char* t) { out.insert(out.end(), t, t + 4); };
  tag("CcnK"), be(0), tag("FxBk"), be(2), be(uniqueID), be(0), be(static_cast<uint32_t>(records.size())), be(0);
  out.insert(out.end(), 124, 0);
  for (const auto& [name, value] : records) {
    tag("CcnK"), be(0), tag("FxCk"), be(1), be(uniqueID), be(0), be(1);
    char field[28] = {};
    std::strncpy(field, name, sizeof(field) - 1);
    out.insert(out.end(), field, field + sizeof(field));
    be(std::bit_cast<uint32_t>(value));
  }
  return out;
}

double SlotValue(const IPreset& preset) {
  double value = 0.0;
  return preset.mChunk.Get(&value, 0) == 8 ? value : -99.0;
}

// Slot 1 holds a state too short to restore: its record still goes into slot 1, not the current slot 0.
TEST(BankTest, ARecordWhoseSlotCannotBeRestoredGoesIntoItsOwnSlot) {
  TestPlugin plugin(TestConfig(1, 2));
  plugin.EnsureDefaultPreset();
  plugin.GetPreset(1)->mChunk.Clear();
  plugin.GetPreset(1)->mChunk.PutBytes("abc", 3);
  const std::string path = testing::TempDir() + "kd_bank_" + std::to_string(getpid()) + ".fxb";
  {
    const std::vector<uint8_t> file = OneParamBankFile(plugin.GetUniqueID(), {{"First", 0.25f}, {"Second", 0.75f}});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  }
  EXPECT_TRUE(plugin.LoadBankFile(path.c_str()));
  std::filesystem::remove(path);
  const std::pair<const char*, double> slots[] = {{"First", -5.0}, {"Second", 5.0}};
  for (int i = 0; i < 2; ++i) {
    EXPECT_STREQ(plugin.GetPresetName(i), slots[i].first);
    EXPECT_EQ(SlotValue(*plugin.GetPreset(i)), slots[i].second) << i;
  }
  EXPECT_EQ(plugin.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(plugin.GetParam(0)->Value(), -5.0);
}

class DumpTest : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove(path); }
  std::string Contents() const {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string path = (std::filesystem::temp_directory_path() / ("kd_dump_" + std::to_string(getpid()))).string();
};

TEST_F(DumpTest, PresetSourceTexts) {
  TypedPlugin plugin;
  plugin.MakePreset("Init", 1, -3, 0.5, 2, 0.125);
  plugin.RestorePreset(0);
  plugin.DumpMakePresetSrc(path.c_str());
  EXPECT_EQ(Contents(), "MakePreset(\"Init\", true, -3, 0.500000, 2, 0.125000);\n");
  std::filesystem::remove(path);
  const char* names[] = {"kB", "kI", "kD", "kE", "kD2"};
  plugin.DumpMakePresetFromNamedParamsSrc(path.c_str(), names);
  EXPECT_EQ(Contents(),
            "  MakePresetFromNamedParams(\"Init\", 5,\n    kB, true,\n    kI, -3,\n    kD, 0.500000,\n    kE, 2,\n"
            "    kD2, 0.125000);\n");
  std::filesystem::remove(path);
  TestPlugin blobPlugin(TestConfig(0, 1));
  blobPlugin.MakePresetFromBlob("B", "AQID", 3);
  blobPlugin.DumpPresetBlob(path.c_str());
  EXPECT_EQ(Contents(), "MakePresetFromBlob(\"B\", \"AQID\", 3);\n");
}

TEST_F(DumpTest, UnopenableFileWritesNothing) {
  TestPlugin plugin(TestConfig(1, 1));
  plugin.DumpMakePresetSrc("/nonexistent-folder/x.txt");
  plugin.DumpPresetBlob(nullptr);
  EXPECT_FALSE(std::filesystem::exists(path));
}

// The program and bank files need no host binding: the plug-in base writes and reads them itself.
TEST(ProgramFileTest, PlainPluginRoundTripsTheCurrentValuesAndNamesTheSlot) {
  const std::string path = testing::TempDir() + "kd_base_program.fxp";
  TestPlugin source(TestConfig(2, 1));
  source.MakeDefaultPreset("Saved");
  source.GetParam(0)->Set(5.0);
  source.GetParam(1)->Set(-2.5);
  ASSERT_TRUE(source.SaveProgramFile(path.c_str()));

  TestPlugin target(TestConfig(2, 1));
  target.MakeDefaultPreset("Old");
  ASSERT_TRUE(target.LoadProgramFile(path.c_str()));
  EXPECT_FLOAT_EQ(static_cast<float>(target.GetParam(0)->Value()), 5.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(target.GetParam(1)->Value()), -2.5f);
  EXPECT_STREQ(target.GetPresetName(0), "Saved");
  std::filesystem::remove(path);
}

// A program file is a bank's record on its own.
std::vector<uint8_t> OneParamProgramFile(int uniqueID, const char* name, float value) {
  const std::vector<uint8_t> bank = OneParamBankFile(uniqueID, {{name, value}});
  return std::vector<uint8_t>(bank.begin() + 156, bank.end());
}

// Normalized values outside 0..1 load as the ends of the range: on a squared curve from -1 to 1, -0.5
// squared would give a quarter of the way up instead of the bottom.
TEST(ProgramFileTest, LoadedValuesOutside0To1TakeTheEndsOfTheRange) {
  const std::string path = testing::TempDir() + "kd_base_clamp_" + std::to_string(getpid()) + ".fxp";
  const std::pair<float, double> rows[] = {{-0.5f, -1.0}, {1.5f, 1.0}, {0.5f, -0.5}, {-1e30f, -1.0}, {1e30f, 1.0}};
  for (const auto& [normalized, value] : rows) {
    SCOPED_TRACE(normalized);
    TestPlugin plugin(TestConfig(1, 1), false);
    plugin.GetParam(0)->InitDouble("curve", 0.0, -1.0, 1.0, 0.0, "", 0, "", IParam::ShapePowCurve(2.0));
    const std::vector<uint8_t> file = OneParamProgramFile(plugin.GetUniqueID(), "P", normalized);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    EXPECT_TRUE(plugin.LoadProgramFile(path.c_str()));
    EXPECT_EQ(plugin.GetParam(0)->Value(), value);
  }
  std::filesystem::remove(path);
}

// Files larger than 64 MiB are no presets: they are refused before they fill memory, a valid record at
// their start included, and so is a path that never ends.
TEST(ProgramFileTest, FilesPast64MiBAreRefusedUnread) {
  const std::string path = testing::TempDir() + "kd_base_large_" + std::to_string(getpid()) + ".fxp";
  TestPlugin plugin(TestConfig(1, 1));
  const std::pair<long, bool> rows[] = {{64L << 20, true}, {(64L << 20) + 1, false}};
  for (const auto& [size, loads] : rows) {
    SCOPED_TRACE(size);
    plugin.GetParam(0)->Set(0.0);
    std::vector<uint8_t> file = OneParamProgramFile(plugin.GetUniqueID(), "Big", 1.0f);
    file.resize(static_cast<size_t>(size));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), size);
    EXPECT_EQ(plugin.LoadProgramFile(path.c_str()), loads);
    EXPECT_EQ(plugin.GetParam(0)->Value(), loads ? 10.0 : 0.0);
  }
  std::filesystem::remove(path);
  if (std::filesystem::exists("/dev/zero")) {
    EXPECT_FALSE(plugin.LoadProgramFile("/dev/zero"));
    EXPECT_FALSE(plugin.LoadBankFile("/dev/zero"));
  }
}

// Chunk files whose state passes the check but then fails to load: a program file is refused with nothing
// changed; a bank stops at the failing slot with false and the host is not told, the slots before it loaded,
// the failing one named from the file with its former state, the ones after it and the current state as
// they were.
TEST(ProgramFileTest, AChunkStateThatFailsToLoadAnswersFalse) {
  const std::string path = testing::TempDir() + "kd_base_picky_" + std::to_string(getpid());
  PickyReaderPlugin source(true);
  source.GetParam(0)->Set(7.0);
  ASSERT_TRUE(source.SaveProgramFile(path.c_str()));
  PickyReaderPlugin target(true);
  target.MakePreset("x", 3.0);
  target.MakePreset("y", 4.0);
  target.MakePreset("z", 5.0);
  target.RestorePreset(0);
  target.events.clear();
  EXPECT_FALSE(target.LoadProgramFile(path.c_str()));
  EXPECT_EQ(target.GetParam(0)->Value(), 3.0);
  EXPECT_STREQ(target.GetPresetName(0), "x");
  EXPECT_EQ(ChunkDoubles(target.GetPreset(0)->mChunk), (std::vector<double>{3.0}));
  EXPECT_EQ(target.Count("presetChange"), 0);

  for (const auto& [name, value] : {std::pair{"A", 1.0}, std::pair{"B", 7.0}, std::pair{"C", 2.0}})
    source.MakePreset(name, value);
  ASSERT_TRUE(source.SaveBankFile(path.c_str()));
  EXPECT_FALSE(target.LoadBankFile(path.c_str()));
  const std::pair<const char*, double> slots[] = {{"A", 1.0}, {"B", 4.0}, {"z", 5.0}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(target.GetPresetName(i), slots[i].first) << i;
    EXPECT_TRUE(target.GetPreset(i)->mInitialized) << i;
    EXPECT_EQ(ChunkDoubles(target.GetPreset(i)->mChunk), (std::vector<double>{slots[i].second})) << i;
  }
  EXPECT_EQ(target.GetParam(0)->Value(), 1.0) << "the current slot (0) is restored";
  EXPECT_EQ(target.Count("presetChange"), 0);
  std::filesystem::remove(path);
}

TEST(ProgramFileTest, NullAndEmptyPathsAnswerFalse) {
  TestPlugin plugin(TestConfig(1, 1));
  EXPECT_FALSE(plugin.SaveProgramFile(nullptr));
  EXPECT_FALSE(plugin.SaveBankFile(""));
  EXPECT_FALSE(plugin.LoadProgramFile(""));
  EXPECT_FALSE(plugin.LoadBankFile(nullptr));
}

}  // namespace
}  // namespace fx
