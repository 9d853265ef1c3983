#include "framework/FwString.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace fx {
namespace {

TEST(FwString, EmptyReadsAsEmptyText) {
  FwString s;
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetLength(), 0);
  s.Set(nullptr);
  EXPECT_STREQ(s.Get(), "");
}

TEST(FwString, SetAppendInsertDelete) {
  FwString s("volume");
  s.Append(" fader");
  EXPECT_STREQ(s.Get(), "volume fader");
  s.Insert("master ", 0);
  EXPECT_STREQ(s.Get(), "master volume fader");
  s.Insert("!", 1000);
  EXPECT_STREQ(s.Get(), "master volume fader!");
  s.DeleteSub(6, 7);
  EXPECT_STREQ(s.Get(), "master fader!");
  s.DeleteSub(12, 100);
  EXPECT_STREQ(s.Get(), "master fader");
  EXPECT_EQ(s.GetLength(), 12);
}

TEST(FwString, MaxLenBoundsTheCopy) {
  FwString s;
  s.Set("abcdef", 3);
  EXPECT_STREQ(s.Get(), "abc");
  s.Append("xyz", 1);
  EXPECT_STREQ(s.Get(), "abcx");
  s.Set("ab", 10);
  EXPECT_STREQ(s.Get(), "ab");
}

TEST(FwString, AppendingItsOwnTextWhileTheBufferMoves) {
  FwString s(std::string(100, 'a').c_str());
  std::string expected(100, 'a');
  for (int i = 0; i < 5; ++i) {
    s.Append(s.Get());
    expected += expected;
    ASSERT_STREQ(s.Get(), expected.c_str());
  }
}

TEST(FwString, InsertingPartOfItsOwnText) {
  FwString s("abcdef");
  s.Insert(s.Get() + 2, 1, 3);  // "cde" before "b"
  EXPECT_STREQ(s.Get(), "acdebcdef");
  s.Set(s.Get() + 4);
  EXPECT_STREQ(s.Get(), "bcdef");
}

TEST(FwString, SetAtAllZeroEmpties) {
  FwString s("text");
  s.SetAt(0, nullptr, 0, 0);
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetLength(), 0);
}

struct RejectedSetAt {
  int offset;
  int srcLen;
  int trailKeep;
};

void PrintTo(const RejectedSetAt& row, std::ostream* os) {
  *os << "offset " << row.offset << " length " << row.srcLen << " tail " << row.trailKeep;
}

// Each call would read or write outside the text; the string must stay as it was.
class FwStringSetAtRejects : public testing::TestWithParam<RejectedSetAt> {};

TEST_P(FwStringSetAtRejects, LeavesTheTextUnchanged) {
  const RejectedSetAt row = GetParam();
  FwString s("hello");
  s.SetAt(row.offset, "XY", row.srcLen, row.trailKeep);
  EXPECT_STREQ(s.Get(), "hello");
  EXPECT_EQ(s.GetLength(), 5);
}

INSTANTIATE_TEST_SUITE_P(Cases, FwStringSetAtRejects,
                         testing::Values(RejectedSetAt{3, 0, 0},   // srcLen 0 with an offset
                                         RejectedSetAt{-1, 2, 0},  // negative offset
                                         RejectedSetAt{6, 2, 0},   // offset past the end
                                         RejectedSetAt{2, 2, 4},   // kept tail past the end
                                         RejectedSetAt{0, 2, -1},  // negative tail
                                         RejectedSetAt{1, -2, 0}));

TEST(FwString, SetAtNullSourceChangesNothing) {
  FwString s("hello");
  s.SetAt(5, nullptr, 3, 0);
  EXPECT_STREQ(s.Get(), "hello");
}

TEST(FwString, SetAtReplacesAndKeepsTheTail) {
  FwString s("hello");
  s.SetAt(1, "EL", 2, 0);
  EXPECT_STREQ(s.Get(), "hEL");
  s.SetAt(1, "xx", 2, 2);
  EXPECT_STREQ(s.Get(), "hxxEL");
}

TEST(FwString, SetFormattedKeepsAtMostMaxLen) {
  FwString s("previous");
  s.SetFormatted(3, "%s", "longer text");
  EXPECT_STREQ(s.Get(), "lon");
  EXPECT_EQ(s.GetLength(), 3);
  s.SetFormatted(32, "%d-%s", 7, "x");
  EXPECT_STREQ(s.Get(), "7-x");
  s.SetFormatted(0, "%s", "anything");
  EXPECT_STREQ(s.Get(), "");
}

TEST(FwString, SetFormattedWithLongTexts) {
  const std::string longText(1000, 'q');
  FwString s;
  s.SetFormatted(2000, "<%s>", longText.c_str());
  EXPECT_EQ(s.GetLength(), 1002);
  s.SetFormatted(500, "<%s>", longText.c_str());
  EXPECT_EQ(s.GetLength(), 500);
}

TEST(FwString, AppendFormattedBoundsOnlyTheNewPart) {
  FwString s("gain ");
  s.AppendFormatted(4, "%.2f dB", -12.5);
  EXPECT_STREQ(s.Get(), "gain -12.");
  s.AppendFormatted(64, "%s", "");
  EXPECT_STREQ(s.Get(), "gain -12.");
}

TEST(FwString, FormattingMayReadItsOwnText) {
  FwString s("abc");
  s.SetFormatted(64, "[%s]", s.Get());
  EXPECT_STREQ(s.Get(), "[abc]");
  s.AppendFormatted(64, "%s", s.Get());
  EXPECT_STREQ(s.Get(), "[abc][abc]");
}

}  // namespace
}  // namespace fx
