#include "framework/HostIdentification.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace fx {
namespace {

struct HostRow {
  const char* productString;
  int expected;
};

void PrintTo(const HostRow& row, std::ostream* os) {
  *os << '"' << row.productString << '"';
}

class LookUpHostTest : public ::testing::TestWithParam<HostRow> {};

TEST_P(LookUpHostTest, FirstMatchingKeyDecides) {
  EXPECT_EQ(LookUpHost(GetParam().productString), GetParam().expected) << GetParam().productString;
}

INSTANTIATE_TEST_SUITE_P(ProductStrings, LookUpHostTest,
                         ::testing::Values(HostRow{"REAPER", 1}, HostRow{"Ableton Live 11", 9},
                                           HostRow{"VST Live 2", 58}, HostRow{"WaveLab Elements 11", 32},
                                           HostRow{"WaveLab Pro 12", 31}, HostRow{"Tracktion Waveform", 10},
                                           HostRow{"Waveform 12", 38}, HostRow{"", 0}, HostRow{"Some Host", 0},
                                           HostRow{"www.example.org player", 35}, HostRow{"Blue Cat's VST Host", 44},
                                           HostRow{"Blue Cat's VST3 Host", 45}, HostRow{"KV_ElementFX", 52},
                                           HostRow{"Element", 52}, HostRow{"Bitwig Studio", 34},
                                           HostRow{"Cantabile 3", 62}, HostRow{"MetaPlugin", 67},
                                           HostRow{"Standalone", 24}, HostRow{"com.uaudio.luna", 56},
                                           HostRow{"Cubase 13", 3}));

TEST(LookUpHostEdgeTest, NullIsUnknown) {
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
}

TEST(LookUpHostEdgeTest, OnlyTheFirst255CharactersCount) {
  const std::string padding(255, 'x');
  EXPECT_EQ(LookUpHost((padding + "reaper").c_str()), kHostUnknown);
  EXPECT_EQ(LookUpHost((std::string(249, 'x') + "reaper").c_str()), kHostReaper);
}

}  // namespace
}  // namespace fx
