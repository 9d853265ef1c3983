// The product's state through the built module in the test host: the exact program chunk, round trips of
// program and bank chunks (with and without the framework's header) into fresh instances, refusal of
// malformed chunks, and the default preset.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TempDataHome.h"
#include "tools/vst2host/TestHost.h"

namespace presets_test {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kNumProductParams = 24;

std::unique_ptr<vsthost::TestHost> StartInstance() {
  auto host = std::make_unique<vsthost::TestHost>();
  std::string error;
  EXPECT_TRUE(host->Load(KD_KELVADRUNE_PATH, error) && host->Instantiate(error)) << error;
  host->Open();
  host->SetSampleRate(48000.0f);
  host->SetBlockSize(256);
  host->Resume();
  return host;
}

Bytes GetChunk(vsthost::TestHost& host, bool bank) {
  void* data = nullptr;
  const intptr_t size = host.Dispatch(vst2::kEffGetChunk, bank ? 0 : 1, 0, &data);
  if (size <= 0 || !data) return {};
  return Bytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
}

intptr_t SetChunk(vsthost::TestHost& host, bool bank, Bytes bytes) {
  return host.Dispatch(vst2::kEffSetChunk, bank ? 0 : 1, static_cast<intptr_t>(bytes.size()), bytes.data());
}

std::vector<float> Normalized(vsthost::TestHost& host) {
  std::vector<float> values;
  for (int i = 0; i < kNumProductParams; ++i) values.push_back(host.GetParameter(i));
  return values;
}

std::vector<std::string> DisplayTexts(vsthost::TestHost& host) {
  std::vector<std::string> texts;
  for (int i = 0; i < kNumProductParams; ++i) texts.push_back(host.ParamText(vst2::kEffGetParamDisplay, i));
  return texts;
}

std::string ProgramName(vsthost::TestHost& host) {
  char name[vst2::kProgramNameSize + 1] = {};
  host.Dispatch(vst2::kEffGetProgramName, 0, 0, name);
  return name;
}

// Normalized positions that every parameter can hold exactly through its steps: 0 or 1 for switches, a
// spread of positions for the continuous ones.
std::vector<float> DistinctSettings() {
  std::vector<float> values;
  for (int i = 0; i < kNumProductParams; ++i) values.push_back(i % 2 == 0 ? 1.0f : 0.0f);
  return values;
}

class KelvadruneStateHostTest : public testing::Test {
 protected:
  TempDataHome mHome;
};

// The default state's document, independently printed by the script that made the fuzz corpus.
TEST_F(KelvadruneStateHostTest, ProgramChunkIsTheHeaderAndTheDefaultRecord) {
  auto host = StartInstance();
  const Bytes chunk = GetChunk(*host, false);
  const std::string expected = ReadTextFile(std::string(KD_FUZZ_CORPUS_DIR) + "/state_chunk/valid_defaults");
  ASSERT_FALSE(expected.empty());
  Bytes wanted = {'t', 'f', 'f', 'p', 0x00, 0x00, 0x01, 0x00};
  wanted.insert(wanted.end(), expected.begin(), expected.end());
  EXPECT_EQ(chunk, wanted);
}

TEST_F(KelvadruneStateHostTest, ProgramChunkRestoresAll24ValuesInAFreshInstance) {
  auto source = StartInstance();
  const std::vector<float> wanted = DistinctSettings();
  for (int i = 0; i < kNumProductParams; ++i) source->SetParameter(i, wanted[static_cast<size_t>(i)]);
  source->SetParameter(5, 0.25f);   // "MVol"
  source->SetParameter(11, 0.75f);  // "Min volume"
  source->SetParameter(19, 0.5f);   // "MD filter freq", a power curve
  const std::vector<float> before = Normalized(*source);
  const std::vector<std::string> shown = DisplayTexts(*source);
  const Bytes chunk = GetChunk(*source, false);
  source.reset();

  auto target = StartInstance();
  ASSERT_NE(Normalized(*target), before);
  EXPECT_EQ(SetChunk(*target, false, chunk), 1);
  EXPECT_EQ(DisplayTexts(*target), shown);
  EXPECT_EQ(Normalized(*target), before);
}

// A host that hands back the bare state record, without the framework's header: the record is read whole
// from its first byte, as a program and as a bank.
TEST_F(KelvadruneStateHostTest, BareStateRecordIsReadWholeAsProgramOrBank) {
  auto source = StartInstance();
  source->SetParameter(5, 0.25f);
  source->SetParameter(19, 0.5f);
  const std::vector<float> wanted = Normalized(*source);
  const Bytes chunk = GetChunk(*source, false);
  source.reset();
  const Bytes bare(chunk.begin() + 8, chunk.end());
  for (bool bank : {false, true}) {
    auto target = StartInstance();
    EXPECT_EQ(SetChunk(*target, bank, bare), 1) << bank;
    EXPECT_EQ(Normalized(*target), wanted) << bank;
  }
}

// Random settings: every parameter at a random normalized position, the steepest fader shape and the
// filter frequency low on its power curve, where the smallest change in value moves the position most.
void SetRandomSettings(vsthost::TestHost& host, std::mt19937& random) {
  std::uniform_real_distribution<float> position(0.0f, 1.0f);
  for (int i = 0; i < kNumProductParams; ++i) host.SetParameter(i, position(random));
  host.SetParameter(18, 1.0f);                      // "Fader shape" 10
  host.SetParameter(19, position(random) * 0.05f);  // "MD filter freq"
}

// Values are written as the shortest text that reads back to the same double: a fresh instance given the
// chunk writes the very same chunk (so every value arrived bit for bit) and shows the same positions.
TEST_F(KelvadruneStateHostTest, ProgramAndBankChunksRestoreRandomSettingsBitForBit) {
  std::mt19937 random(1207);
  for (int round = 0; round < 8; ++round) {
    auto source = StartInstance();
    SetRandomSettings(*source, random);
    const std::vector<float> before = Normalized(*source);
    for (bool bank : {false, true}) {
      const Bytes chunk = GetChunk(*source, bank);
      auto target = StartInstance();
      ASSERT_EQ(SetChunk(*target, bank, chunk), 1);
      EXPECT_EQ(GetChunk(*target, bank), chunk) << round;
      EXPECT_EQ(Normalized(*target), before) << round;
    }
  }
}

// A chunk mutated after its header: byte flips, insertions, deletions, cuts and swapped digits. Whatever is
// refused must leave every parameter bit for bit as it was, which the unchanged state chunk shows.
Bytes Mutate(Bytes bytes, std::mt19937& random) {
  const auto pick = [&random](size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(random); };
  const size_t header = 8;
  for (size_t n = pick(1, 4); n > 0 && bytes.size() > header + 1; --n) {
    const size_t at = pick(header, bytes.size() - 1);
    switch (pick(0, 4)) {
      case 0:
        bytes[at] = static_cast<uint8_t>(bytes[at] ^ (1u << pick(0, 7)));
        break;
      case 1:
        bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<uint8_t>(pick(0, 255)));
        break;
      case 2:
        bytes.erase(bytes.begin() + static_cast<long>(at));
        break;
      case 3:
        bytes.resize(at);
        break;
      default:
        if (bytes[at] >= '0' && bytes[at] <= '9') bytes[at] = static_cast<uint8_t>('0' + pick(0, 9));
        break;
    }
  }
  return bytes;
}

TEST_F(KelvadruneStateHostTest, RefusedMutatedChunksLeaveEveryParameterBitForBit) {
  auto host = StartInstance();
  std::mt19937 random(4242);
  SetRandomSettings(*host, random);
  host->SetParameter(5, 0.45f);  // "MVol"
  const Bytes program = GetChunk(*host, false);
  const Bytes bank = GetChunk(*host, true);
  Bytes state = program;
  std::vector<float> positions = Normalized(*host);
  std::string name = ProgramName(*host);
  int refused = 0;
  for (int i = 0; i < 2000; ++i) {
    const bool isBank = i % 2 == 1;
    if (SetChunk(*host, isBank, Mutate(isBank ? bank : program, random)) == 0) {
      ++refused;
      ASSERT_EQ(GetChunk(*host, false), state) << i;
      ASSERT_EQ(Normalized(*host), positions) << i;
      ASSERT_EQ(ProgramName(*host), name) << i;
    } else {
      // A mutation that still reads (a changed digit, a harmless name) is taken: it is the new baseline.
      state = GetChunk(*host, false);
      positions = Normalized(*host);
      name = ProgramName(*host);
    }
  }
  EXPECT_GT(refused, 1000);
}

TEST_F(KelvadruneStateHostTest, BankChunkKeepsTheProgramName) {
  auto source = StartInstance();
  char name[] = "My Song";
  source->Dispatch(vst2::kEffSetProgramName, 0, 0, name);
  source->SetParameter(5, 0.8f);
  const Bytes bank = GetChunk(*source, true);
  source.reset();

  auto target = StartInstance();
  EXPECT_EQ(SetChunk(*target, true, bank), 1);
  EXPECT_EQ(ProgramName(*target), "My Song");
  EXPECT_NEAR(target->GetParameter(5), 0.8f, 1e-6);
}

TEST_F(KelvadruneStateHostTest, MalformedProgramChunksAreRefusedAndChangeNothing) {
  auto host = StartInstance();
  host->SetParameter(5, 0.3f);
  const Bytes good = GetChunk(*host, false);
  ASSERT_GT(good.size(), 40u);
  host->SetParameter(5, 0.6f);
  const std::vector<float> before = Normalized(*host);

  Bytes headerOnly(good.begin(), good.begin() + 8);
  Bytes wrongMagic = good;
  wrongMagic[8 + 12] = 'X';
  Bytes riffTooBig = good;
  riffTooBig[8 + 4] += 2;
  Bytes riffTooSmall = good;
  riffTooSmall[8 + 4] -= 2;
  Bytes cut(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  Bytes garbage = good;
  for (size_t i = 8 + 32; i < garbage.size() - 1; ++i) garbage[i] = '#';
  // Without "tffp" the whole chunk must be a record: a mistyped header is not one, nor are its 4 bytes left out
  // of a cut record; with "tffp" and fewer than 8 bytes there is no room for a record at all.
  Bytes mistypedHeader = good;
  mistypedHeader[0] = 'T';
  Bytes bareCut(good.begin() + 8, good.end() - 4);
  const Bytes shortHeader = {'t', 'f', 'f', 'p', 0x00, 0x00, 0x01};
  for (const Bytes& bad :
       {headerOnly, wrongMagic, riffTooBig, riffTooSmall, cut, garbage, mistypedHeader, bareCut, shortHeader}) {
    EXPECT_EQ(SetChunk(*host, false, bad), 0);
    EXPECT_EQ(Normalized(*host), before);
  }
}

// After the 8-byte header the product's bank holds its one slot: the name (32-bit length and bytes), the
// initialised byte, then the state record.
TEST_F(KelvadruneStateHostTest, MalformedBankChunksAreRefusedAndChangeNothing) {
  auto host = StartInstance();
  char stored[] = "Stored";
  host->Dispatch(vst2::kEffSetProgramName, 0, 0, stored);
  host->SetParameter(5, 0.3f);
  const Bytes good = GetChunk(*host, true);
  const size_t record = 8 + 4 + std::string(stored).size() + 1;
  ASSERT_GT(good.size(), record + 40);
  const auto recordStart = good.begin() + static_cast<long>(record);
  ASSERT_EQ(std::string(recordStart, recordStart + 4), "RIFF");
  char current[] = "Current";
  host->Dispatch(vst2::kEffSetProgramName, 0, 0, current);
  host->SetParameter(5, 0.6f);
  const std::vector<float> before = Normalized(*host);

  Bytes nameOnly(good.begin(), good.begin() + static_cast<long>(record - 1));
  Bytes riffTooBig = good;
  riffTooBig[record + 4] += 2;
  Bytes wrongMagic = good;
  wrongMagic[record + 16] = 'X';
  Bytes cut(good.begin(), good.begin() + static_cast<long>(good.size() - 20));
  const Bytes magicOnly = {'t', 'f', 'f', 'p'};
  for (const Bytes& bad : {nameOnly, riffTooBig, wrongMagic, cut, magicOnly}) {
    EXPECT_EQ(SetChunk(*host, true, bad), 0);
    EXPECT_EQ(Normalized(*host), before);
    EXPECT_EQ(ProgramName(*host), "Current");
  }
}

TEST_F(KelvadruneStateHostTest, DefaultPresetIsAppliedAtStart) {
  std::string text = ReadTextFile(std::string(KD_FUZZ_CORPUS_DIR) + "/preset_file/valid_defaults.lps");
  const std::string from = "<Param name=\"GUI scale\" val=\"1.000000\" />";
  ASSERT_NE(text.find(from), std::string::npos);
  text.replace(text.find(from), from.size(), "<Param name=\"GUI scale\" val=\"2.000000\" />");
  std::filesystem::create_directories(mHome.PresetFolder());
  ASSERT_TRUE(WriteTextFile(mHome.PresetFolder() + "/default.lps", text));

  auto host = StartInstance();
  EXPECT_NEAR(host->GetParameter(0), 0.5f, 1e-6);  // 2.0 on 1..3
  EXPECT_EQ(host->ParamText(vst2::kEffGetParamDisplay, 0).rfind("2.0", 0), 0u);
}

TEST_F(KelvadruneStateHostTest, StartCreatesTheDataFolders) {
  auto host = StartInstance();
  EXPECT_TRUE(std::filesystem::is_directory(mHome.PresetFolder()));
}

// The stored program carries its name, so a renamed program keeps the new name when the host selects it again.
TEST_F(KelvadruneStateHostTest, RenamedProgramKeepsItsNameWhenSelectedAgain) {
  auto host = StartInstance();
  char name[] = "Vocal bus";
  host->Dispatch(vst2::kEffSetProgramName, 0, 0, name);
  host->Dispatch(vst2::kEffSetProgram, 0, 0, nullptr);
  EXPECT_EQ(ProgramName(*host), "Vocal bus");
}

}  // namespace
}  // namespace presets_test
