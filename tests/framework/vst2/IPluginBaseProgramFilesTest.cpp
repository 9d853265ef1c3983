// The plug-in base's program and bank files, written and read by a loaded plug-in through private vendor
// requests.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/framework/vst2/HostFixture.h"

namespace testplugin {
namespace {

using Bytes = std::vector<uint8_t>;

// CTest runs every case in its own process, several at once: each process gets its own files.
std::string TempPath(const char* name) {
  return testing::TempDir() + "kd_vst2_" + std::to_string(getpid()) + "_" + name;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutBE(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutTag(Bytes& out, const char* tag) {
  out.insert(out.end(), tag, tag + 4);
}

uint32_t BE(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// The program record the default test plug-in writes: gain 1.0 of 0..2, mode 0, switch off, steps 5 of
// 0..10, last parameter 0.5, so the normalized values 0.5, 0, 0, 0.5, 0.5 (0.5f is 0x3F000000).
Bytes DefaultProgramRecord(const char* name, uint32_t nParams = kNumParams) {
  Bytes out;
  PutTag(out, "CcnK");
  PutBE(out, 0);
  PutTag(out, "FxCk");
  PutBE(out, 1);
  PutBE(out, kUniqueID);
  PutBE(out, 1230);
  PutBE(out, nParams);
  char field[28] = {};
  std::memcpy(field, name, std::min(std::strlen(name), sizeof(field)));
  out.insert(out.end(), field, field + 28);
  for (uint32_t v : {0x3F000000u, 0u, 0u, 0x3F000000u, 0x3F000000u}) PutBE(out, v);
  return out;
}

Bytes BankHeader(const char* kind, uint32_t count, uint32_t current) {
  Bytes out;
  PutTag(out, "CcnK");
  PutBE(out, 0);
  PutTag(out, kind);
  PutBE(out, 2);
  PutBE(out, kUniqueID);
  PutBE(out, 1230);
  PutBE(out, count);
  PutBE(out, current);
  out.insert(out.end(), 124, 0);
  return out;
}

class ProgramFiles : public PluginTest {
 protected:
  intptr_t Request(ETestRequest request, const std::string& path) {
    return TestRequest(mHost, request, 0, const_cast<char*>(path.c_str()));
  }
};

TEST_F(ProgramFiles, ParameterProgramFileIsTheStandardLayout) {
  Start();
  const std::string path = TempPath("program.fxp");
  ASSERT_EQ(Request(kSaveProgramFile, path), 1);
  EXPECT_EQ(ReadAll(path), DefaultProgramRecord("Empty"));
}

TEST_F(ProgramFiles, ParameterBankFileHoldsOneRecordPerSlot) {
  Start();
  const std::string path = TempPath("bank.fxb");
  ASSERT_EQ(Request(kSaveBankFile, path), 1);
  Bytes expected = BankHeader("FxBk", 3, 0);
  for (int i = 0; i < 3; ++i) {
    const Bytes record = DefaultProgramRecord("Empty");
    expected.insert(expected.end(), record.begin(), record.end());
  }
  EXPECT_EQ(ReadAll(path), expected);
}

TEST_F(ProgramFiles, ChunkVariantsWrapTheStateChunk) {
  Start("chunks");
  const std::string program = TempPath("chunk.fxp");
  const std::string bank = TempPath("chunk.fxb");
  ASSERT_EQ(Request(kSaveProgramFile, program), 1);
  ASSERT_EQ(Request(kSaveBankFile, bank), 1);
  const Bytes p = ReadAll(program);
  ASSERT_EQ(p.size(), 60u + 48u);
  EXPECT_EQ(std::string(p.begin() + 8, p.begin() + 12), "FPCh");
  EXPECT_EQ(BE(p, 4), 48u + 60u);
  EXPECT_EQ(BE(p, 56), 48u);
  EXPECT_EQ(Bytes(p.begin() + 60, p.begin() + 68), (Bytes{'t', 'f', 'f', 'p', 0, 0, 1, 0}));
  const Bytes b = ReadAll(bank);
  const uint32_t chunkSize = 8 + 3 * 50;
  ASSERT_EQ(b.size(), 160u + chunkSize);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "FBCh");
  EXPECT_EQ(BE(b, 4), chunkSize + 160);
  EXPECT_EQ(BE(b, 12), 2u);
  EXPECT_EQ(BE(b, 24), 3u);
  EXPECT_EQ(BE(b, 156), chunkSize);
  EXPECT_EQ(Bytes(b.begin() + 160, b.begin() + 164), (Bytes{'t', 'f', 'f', 'p'}));
}

TEST_F(ProgramFiles, RoundTripRestoresValuesInBothVariants) {
  for (const char* config : {"editor", "chunks"}) {
    Start(config);
    mHost.SetParameter(0, 0.2f);
    char name[] = "Saved";
    mHost.Dispatch(vst2::kEffSetProgramName, 0, 0, name);  // the slot takes the current state
    const std::string program = TempPath("roundtrip.fxp");
    const std::string bank = TempPath("roundtrip.fxb");
    ASSERT_EQ(Request(kSaveProgramFile, program), 1);
    ASSERT_EQ(Request(kSaveBankFile, bank), 1);
    mHost.SetParameter(0, 0.9f);
    EXPECT_EQ(Request(kLoadProgramFile, program), 1) << config;
    EXPECT_NEAR(mHost.GetParameter(0), 0.2f, 1e-6) << config;
    mHost.SetParameter(0, 0.9f);
    EXPECT_EQ(Request(kLoadBankFile, bank), 1) << config;
    EXPECT_NEAR(mHost.GetParameter(0), 0.2f, 1e-6) << config;
    mHost.Dispatch(vst2::kEffGetProgramNameIndexed, 0, 0, name);
    EXPECT_STREQ(name, "Saved");
  }
}

TEST_F(ProgramFiles, LoadedProgramNamesItsSlotAndTellsTheHost) {
  Start();
  const std::string path = TempPath("named.fxp");
  Bytes file = DefaultProgramRecord("");
  std::memset(file.data() + 28, 'N', 28);  // a name that fills its field without a terminator
  WriteAll(path, file);
  mHost.ClearCalls();
  ASSERT_EQ(Request(kLoadProgramFile, path), 1);
  char name[64];
  mHost.Dispatch(vst2::kEffGetProgramName, 0, 0, name);
  EXPECT_EQ(std::string(name), std::string(23, 'N'));
  EXPECT_EQ(mHost.CallsWith(vst2::kHostUpdateDisplay).size(), 1u);
}

TEST_F(ProgramFiles, BankRecordsGoToTheirSlotsAndTheHeadersCurrentSlotIsRestored) {
  Start();
  Bytes file = BankHeader("FxBk", 2, 1);
  Bytes first = DefaultProgramRecord("First");
  Bytes second = DefaultProgramRecord("Second");
  PutBE(second, 0);
  second.resize(second.size() - 4);
  std::memcpy(second.data() + 56, "\x3E\x80\x00\x00", 4);  // gain 0.25 normalized
  file.insert(file.end(), first.begin(), first.end());
  file.insert(file.end(), second.begin(), second.end());
  const std::string path = TempPath("slots.fxb");
  WriteAll(path, file);
  ASSERT_EQ(Request(kLoadBankFile, path), 1);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetProgram), 1);
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.25f);
  char name[64];
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetProgramNameIndexed, 0, 0, name), 1);
  EXPECT_STREQ(name, "First");
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetProgramNameIndexed, 1, 0, name), 1);
  EXPECT_STREQ(name, "Second");
}

struct MalformedFileRow {
  const char* name;
  bool bank;
  Bytes bytes;
};

void PrintTo(const MalformedFileRow& row, std::ostream* os) {
  *os << row.name;
}

class MalformedFiles : public ProgramFiles, public testing::WithParamInterface<MalformedFileRow> {};

TEST_P(MalformedFiles, AreRefusedWithoutChangingTheState) {
  Start();
  mHost.SetParameter(0, 0.3f);
  const MalformedFileRow& row = GetParam();
  const std::string path = TempPath("malformed");
  WriteAll(path, row.bytes);
  EXPECT_EQ(Request(row.bank ? kLoadBankFile : kLoadProgramFile, path), 0);
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.3f);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetProgram), 0);
  char name[64];
  mHost.Dispatch(vst2::kEffGetProgramNameIndexed, 0, 0, name);
  EXPECT_STREQ(name, "Empty");
}

Bytes With(Bytes bytes, size_t at, Bytes replacement) {
  std::copy(replacement.begin(), replacement.end(), bytes.begin() + at);
  return bytes;
}

Bytes Cut(Bytes bytes, size_t n) {
  bytes.resize(n);
  return bytes;
}

Bytes Bank(const char* kind, uint32_t count, uint32_t current, int records, uint32_t secondParams = kNumParams) {
  Bytes file = BankHeader(kind, count, current);
  for (int i = 0; i < records; ++i) {
    const Bytes record = DefaultProgramRecord("Loaded", i == 1 ? secondParams : kNumParams);
    file.insert(file.end(), record.begin(), record.end());
  }
  return file;
}

Bytes ChunkProgram() {
  Bytes file = With(DefaultProgramRecord("C"), 8, {'F', 'P', 'C', 'h'});
  file.resize(56);
  PutBE(file, 8);
  file.insert(file.end(), {'t', 'f', 'f', 'p', 0, 0, 1, 0});
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MalformedFiles,
    testing::Values(MalformedFileRow{"Empty", false, {}},
                    MalformedFileRow{"ProgramHeaderOnly", false, Cut(DefaultProgramRecord("x"), 56)},
                    MalformedFileRow{"ProgramShortValues", false, Cut(DefaultProgramRecord("x"), 70)},
                    MalformedFileRow{"ProgramFourValues", false, Cut(DefaultProgramRecord("x", 4), 72)},
                    MalformedFileRow{"OtherPlugin", false, With(DefaultProgramRecord("x"), 16, {0, 0, 0, 1})},
                    MalformedFileRow{"ProgramVersion2", false, With(DefaultProgramRecord("x"), 12, {0, 0, 0, 2})},
                    MalformedFileRow{"NotCcnK", false, With(DefaultProgramRecord("x"), 0, {'C', 'c', 'n', 'X'})},
                    MalformedFileRow{"NaNValue", false, With(DefaultProgramRecord("x"), 56, {0x7F, 0xC0, 0, 0})},
                    MalformedFileRow{"ChunkProgramWithoutChunks", false, ChunkProgram()},
                    MalformedFileRow{"BankHeaderShort", true, Cut(BankHeader("FxBk", 0, 0), 100)},
                    MalformedFileRow{"BankTooManyPrograms", true, Bank("FxBk", 4, 0, 4)},
                    MalformedFileRow{"BankNegativeCount", true, Bank("FxBk", 0xFFFFFFFF, 0, 1)},
                    MalformedFileRow{"BankCountPastFileEnd", true, Bank("FxBk", 3, 0, 2)},
                    MalformedFileRow{"BankFirstRecordParamCount", true, With(Bank("FxBk", 2, 0, 2), 180, {0, 0, 0, 4})},
                    MalformedFileRow{"ChunkBankWithoutChunks", true, Bank("FBCh", 0, 0, 0)},
                    MalformedFileRow{"UnknownBankKind", true, Bank("FxXX", 1, 0, 1)}),
    [](const testing::TestParamInfo<MalformedFileRow>& info) { return info.param.name; });

struct PartialLoadRow {
  const char* name;
  bool bank;
  Bytes bytes;
  intptr_t answer;
  int program;            // the current slot afterwards
  const char* slot0Name;  // slot 0's name afterwards
};

void PrintTo(const PartialLoadRow& row, std::ostream* os) {
  *os << row.name;
}

class PartialLoads : public ProgramFiles, public testing::WithParamInterface<PartialLoadRow> {};

// Files that load although something in them does not fit: the parameters take a program's values in
// order whatever count its header gives, a bank whose current index lies outside the slots keeps the last
// record's slot, and a bank stops with false at a record of another parameter count after loading the
// records before it. Every loaded record sets gain (parameter 0) to 0.5 normalized, from 0.3.
TEST_P(PartialLoads, TakeWhatFitsAndAnswerAsTheyEnd) {
  Start();
  mHost.SetParameter(0, 0.3f);
  const PartialLoadRow& row = GetParam();
  const std::string path = TempPath("partial");
  WriteAll(path, row.bytes);
  EXPECT_EQ(Request(row.bank ? kLoadBankFile : kLoadProgramFile, path), row.answer);
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.5f);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetProgram), row.program);
  char name[64];
  mHost.Dispatch(vst2::kEffGetProgramNameIndexed, 0, 0, name);
  EXPECT_STREQ(name, row.slot0Name);
}

Bytes WithExtraValues(Bytes bytes, int n) {
  for (int i = 0; i < n; ++i) PutBE(bytes, 0x3F800000u);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PartialLoads,
    testing::Values(PartialLoadRow{"ProgramCountBelowItsValues", false, DefaultProgramRecord("P", 4), 1, 0, "P"},
                    PartialLoadRow{"ProgramMoreValues", false, WithExtraValues(DefaultProgramRecord("P", 7), 2), 1, 0,
                                   "P"},
                    PartialLoadRow{"BankCurrentPastSlots", true, Bank("FxBk", 2, 3, 2), 1, 1, "Loaded"},
                    PartialLoadRow{"BankNegativeCurrent", true, Bank("FxBk", 2, 0x80000000, 2), 1, 1, "Loaded"},
                    PartialLoadRow{"BankSecondRecordParamCount", true, Bank("FxBk", 2, 0, 2, 4), 0, 0, "Loaded"}),
    [](const testing::TestParamInfo<PartialLoadRow>& info) { return info.param.name; });

TEST_F(ProgramFiles, BadPathsAnswerFalse) {
  Start();
  EXPECT_EQ(Request(kSaveProgramFile, ""), 0);
  EXPECT_EQ(Request(kSaveBankFile, "/nonexistent-dir/x.fxb"), 0);
  EXPECT_EQ(Request(kLoadProgramFile, "/nonexistent-dir/x.fxp"), 0);
  EXPECT_EQ(TestRequest(mHost, kLoadBankFile), 0);
  EXPECT_EQ(TestRequest(mHost, kSaveProgramFile), 0);
}

TEST_F(ProgramFiles, ChunkPluginRefusesAChunkFileWithoutItsHeader) {
  Start("chunks");
  const std::string path = TempPath("noheader.fxp");
  WriteAll(path, With(ChunkProgram(), 60, {'x', 'f', 'f', 'p'}));
  EXPECT_EQ(Request(kLoadProgramFile, path), 0);
  WriteAll(path, With(ChunkProgram(), 56, {0x7F, 0, 0, 0}));  // chunk size past the end
  EXPECT_EQ(Request(kLoadProgramFile, path), 0);
}

}  // namespace
}  // namespace testplugin
