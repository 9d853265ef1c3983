// Program and bank chunks exchanged with the host: exact bytes, and refusal of malformed chunks.
#include <climits>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/framework/vst2/HostFixture.h"

namespace testplugin {
namespace {

std::vector<uint8_t> GetChunk(vsthost::TestHost& host, int32_t index) {
  void* data = nullptr;
  const intptr_t size = host.Dispatch(vst2::kEffGetChunk, index, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t SetChunk(vsthost::TestHost& host, int32_t index, std::vector<uint8_t> bytes) {
  return host.Dispatch(vst2::kEffSetChunk, index, static_cast<intptr_t>(bytes.size()), bytes.data());
}

void AppendDouble(std::vector<uint8_t>& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

// "tffp", version 0x10000 little-endian, then the five parameter values (gain, mode, switch, steps, p4).
std::vector<uint8_t> StateChunk(double gain, int32_t version = 0x10000) {
  std::vector<uint8_t> out = {'t', 'f', 'f', 'p'};
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(version >> (8 * i)));
  for (double v : {gain, 2.0, 1.0, 7.0, 0.25}) AppendDouble(out, v);
  return out;
}

// A bank of three slots named "A", "B" and "C", each holding gain 0.25 and the other four values; the last
// slot's state cut to lastSlotValues values.
std::vector<uint8_t> BankChunk(int lastSlotValues) {
  std::vector<uint8_t> out = {'t', 'f', 'f', 'p', 0x00, 0x00, 0x01, 0x00};
  for (char name : {'A', 'B', 'C'}) {
    for (uint8_t byte : {1, 0, 0, 0}) out.push_back(byte);
    out.push_back(static_cast<uint8_t>(name));
    out.push_back(1);
    const int nValues = name == 'C' ? lastSlotValues : 5;
    const double values[5] = {0.25, 2.0, 1.0, 7.0, 0.25};
    for (int i = 0; i < nValues; ++i) AppendDouble(out, values[i]);
  }
  return out;
}

TEST_F(PluginTest, ProgramChunkIsTheHeaderAndEveryValue) {
  Start();
  mHost.SetParameter(0, 0.75f);  // gain 1.5
  const std::vector<uint8_t> chunk = GetChunk(mHost, 1);
  std::vector<uint8_t> expected = {'t', 'f', 'f', 'p', 0x00, 0x00, 0x01, 0x00};
  for (double v : {1.5, 0.0, 0.0, 5.0, 0.5}) AppendDouble(expected, v);
  EXPECT_EQ(chunk, expected);
}

TEST_F(PluginTest, BankChunkHoldsEverySlotWithNameAndFlag) {
  Start();
  const std::vector<uint8_t> chunk = GetChunk(mHost, 0);
  ASSERT_EQ(chunk.size(), 8u + 3u * (4u + 5u + 1u + 40u));
  EXPECT_EQ(std::vector<uint8_t>(chunk.begin(), chunk.begin() + 8),
            (std::vector<uint8_t>{'t', 'f', 'f', 'p', 0x00, 0x00, 0x01, 0x00}));
  for (size_t slot = 0; slot < 3; ++slot) {
    const size_t at = 8 + slot * 50;
    EXPECT_EQ(std::vector<uint8_t>(chunk.begin() + at, chunk.begin() + at + 10),
              (std::vector<uint8_t>{5, 0, 0, 0, 'E', 'm', 'p', 't', 'y', 1}))
        << slot;
  }
}

TEST_F(PluginTest, SetProgramChunkRestoresTheValues) {
  Start();
  EXPECT_EQ(SetChunk(mHost, 1, StateChunk(0.5)), 1);
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.25f);
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamDisplay, 1), "High");
  EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamDisplay, 3), "7");
}

TEST_F(PluginTest, BankChunkWithAnOldVersionIsReadAsOneState) {
  Start();
  EXPECT_EQ(SetChunk(mHost, 0, StateChunk(0.5, 0xFFFF)), 1);
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.25f);
}

// A chunk without the header is one state from its first byte, for a program and for a bank alike.
TEST_F(PluginTest, ChunkWithoutTheHeaderIsReadWholeAsState) {
  Start();
  for (int32_t index : {1, 0}) {
    mHost.SetParameter(0, 0.9f);
    mHost.SetParameter(3, 0.0f);
    std::vector<uint8_t> bare = StateChunk(0.5);
    bare.erase(bare.begin(), bare.begin() + 8);
    EXPECT_EQ(SetChunk(mHost, index, bare), 1) << index;
    EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.25f) << index;
    EXPECT_EQ(mHost.ParamText(vst2::kEffGetParamDisplay, 3), "7") << index;
  }
}

TEST_F(PluginTest, WholeBankChunkNamesEverySlot) {
  Start();
  EXPECT_EQ(SetChunk(mHost, 0, BankChunk(5)), 1);
  std::vector<std::string> names;
  for (int i = 0; i < 3; ++i) {
    char name[vst2::kProgramNameSize + 1] = {};
    mHost.Dispatch(vst2::kEffGetProgramNameIndexed, i, 0, name);
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_FLOAT_EQ(mHost.GetParameter(0), 0.125f);
}

TEST_F(PluginTest, BankChunkRoundTripsThroughTheHost) {
  Start();
  mHost.SetParameter(0, 0.1f);
  const std::vector<uint8_t> bank = GetChunk(mHost, 0);
  mHost.SetParameter(0, 0.9f);
  EXPECT_EQ(SetChunk(mHost, 0, bank), 1);
  EXPECT_NEAR(mHost.GetParameter(0), 0.1f, 1e-6);
}

struct BadChunkRow {
  const char* name;
  int32_t index;
  std::vector<uint8_t> bytes;
  intptr_t sizeOverride;  // 0: the real size
};

void PrintTo(const BadChunkRow& row, std::ostream* os) {
  *os << row.name;
}

class BadChunks : public PluginTest, public testing::WithParamInterface<BadChunkRow> {};

TEST_P(BadChunks, AreRefusedAndChangeNothing) {
  Start();
  mHost.SetParameter(0, 0.3f);
  const std::vector<uint8_t> before = GetChunk(mHost, 1);
  const BadChunkRow& row = GetParam();
  std::vector<uint8_t> bytes = row.bytes;
  bytes.resize(std::max<size_t>(bytes.size(), 1));
  const intptr_t size = row.sizeOverride ? row.sizeOverride : static_cast<intptr_t>(row.bytes.size());
  const std::vector<uint8_t> bankBefore = GetChunk(mHost, 0);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffSetChunk, row.index, size, bytes.data()), 0);
  EXPECT_EQ(GetChunk(mHost, 1), before);
  EXPECT_EQ(GetChunk(mHost, 0), bankBefore);
}

std::vector<uint8_t> Truncated(std::vector<uint8_t> bytes, size_t n) {
  bytes.resize(n);
  return bytes;
}

// Without "tffp" the whole chunk is the state: five values of 8 bytes, here one byte short, after a header
// whose magic is mistyped (so it is no header) or with no header at all.
std::vector<uint8_t> WrongMagicShortState() {
  auto bytes = Truncated(StateChunk(0.5), 39);
  bytes[0] = 'x';
  return bytes;
}

std::vector<uint8_t> BareShortState() {
  auto bytes = StateChunk(0.5);
  bytes.erase(bytes.begin(), bytes.begin() + 8);
  bytes.pop_back();
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(Rows, BadChunks,
                         testing::Values(BadChunkRow{"Empty", 1, {}, 0},
                                         BadChunkRow{"NegativeLength", 1, StateChunk(0.5), -48},
                                         BadChunkRow{"HugeLength", 1, StateChunk(0.5), intptr_t{INT_MAX} + 1},
                                         BadChunkRow{"MagicOnly", 1, {'t', 'f', 'f', 'p'}, 0},
                                         BadChunkRow{"ShorterThanHeader", 1, {'t', 'f', 'f', 'p', 0, 0, 1}, 0},
                                         BadChunkRow{"WrongMagicShortState", 1, WrongMagicShortState(), 0},
                                         BadChunkRow{"BankWithWrongMagicShortState", 0, WrongMagicShortState(), 0},
                                         BadChunkRow{"BareShortState", 1, BareShortState(), 0},
                                         BadChunkRow{"BankBareShortState", 0, BareShortState(), 0},
                                         BadChunkRow{"ThreeBytes", 1, {'t', 'f', 'f'}, 0},
                                         BadChunkRow{"BankMagicOnly", 0, {'t', 'f', 'f', 'p'}, 0},
                                         BadChunkRow{"TruncatedState", 1, Truncated(StateChunk(0.5), 8 + 24), 0},
                                         BadChunkRow{"TruncatedBank", 0, Truncated(StateChunk(0.5), 12), 0},
                                         BadChunkRow{"HeaderOnlyBank", 0, Truncated(StateChunk(0.5), 8), 0},
                                         BadChunkRow{"BankWithItsLastSlotCut", 0, BankChunk(3), 0}),
                         [](const testing::TestParamInfo<BadChunkRow>& info) { return info.param.name; });

TEST_F(PluginTest, NullChunkPointersAnswerZero) {
  Start();
  EXPECT_EQ(mHost.Dispatch(vst2::kEffSetChunk, 1, 48, nullptr), 0);
  EXPECT_EQ(mHost.Dispatch(vst2::kEffGetChunk, 1, 0, nullptr), 0);
}

}  // namespace
}  // namespace testplugin
