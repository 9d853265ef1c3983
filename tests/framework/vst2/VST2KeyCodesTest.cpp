#include <gtest/gtest.h>

#include <ostream>

#include "framework/vst2/VST2KeyCodes.h"

namespace fx {
namespace {

struct KeyRow {
  int vstKey;
  int character;
  int virtualKey;
};

void PrintTo(const KeyRow& row, std::ostream* os) {
  *os << "key " << row.vstKey << " character " << row.character;
}

class VST2KeyCodes : public testing::TestWithParam<KeyRow> {};

TEST_P(VST2KeyCodes, MapsToTheEditorsVirtualKey) {
  const KeyRow& row = GetParam();
  EXPECT_EQ(VST2KeyToVirtualKey(row.vstKey, row.character), row.virtualKey)
      << "vst key " << row.vstKey << " character " << row.character;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VST2KeyCodes,
    testing::Values(KeyRow{0, 'a', 'A'}, KeyRow{0, 'Z', 'Z'}, KeyRow{0, '7', '7'}, KeyRow{0, '#', 0},
                    KeyRow{57, 'q', 'Q'}, KeyRow{57, '=', 0}, KeyRow{1, 0, 0x08}, KeyRow{2, 0, 0x09},
                    KeyRow{3, 0, 0x0C}, KeyRow{4, 0, 0x0D}, KeyRow{5, 0, 0x13}, KeyRow{6, 0, 0x1B},
                    KeyRow{7, ' ', 0x20}, KeyRow{8, 0, 0x22}, KeyRow{9, 0, 0x23}, KeyRow{10, 0, 0x24},
                    KeyRow{11, 0, 0x25}, KeyRow{14, 0, 0x28}, KeyRow{15, 0, 0x21}, KeyRow{16, 0, 0x22},
                    KeyRow{17, 0, 0x29}, KeyRow{19, 0, 0x0D}, KeyRow{23, 0, 0x2F}, KeyRow{24, 0, 0x60},
                    KeyRow{33, 0, 0x69}, KeyRow{34, 0, 0x6A}, KeyRow{39, 0, 0x6F}, KeyRow{40, 0, 0x70},
                    KeyRow{51, 0, 0x7B}, KeyRow{52, 0, 0x90}, KeyRow{53, 0, 0x91}, KeyRow{54, 0, 0x10},
                    KeyRow{56, 0, 0x12}, KeyRow{58, 'a', 0}, KeyRow{-1, 'a', 0}, KeyRow{1000, 0, 0}));

}  // namespace
}  // namespace fx
