#include "framework/IByteChunk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace fx {
namespace {

TEST(IByteChunk, ValuesAreLittleEndian) {
  IByteChunk chunk;
  const uint32_t magic = 0x70666674;
  const int16_t small = -2;
  EXPECT_EQ(chunk.Put(&magic), 4);
  EXPECT_EQ(chunk.Put(&small), 6);
  ASSERT_EQ(chunk.Size(), 6);
  EXPECT_EQ(std::memcmp(chunk.GetData(), "tffp\xFE\xFF", 6), 0);
}

TEST(IByteChunk, DoubleIsStoredAsItsIEEEBits) {
  IByteChunk chunk;
  const double value = 1.5;  // 0x3FF8000000000000
  chunk.Put(&value);
  const uint8_t expected[8] = {0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
  ASSERT_EQ(chunk.Size(), 8);
  EXPECT_EQ(std::memcmp(chunk.GetData(), expected, 8), 0);
}

TEST(IByteChunk, GetAnswersTheNextPositionOrMinusOne) {
  IByteChunk chunk;
  const int32_t a = 7;
  const double b = -2.0;
  chunk.Put(&a);
  chunk.Put(&b);

  int32_t readA = 0;
  double readB = 0.0;
  int pos = chunk.Get(&readA, 0);
  EXPECT_EQ(pos, 4);
  pos = chunk.Get(&readB, pos);
  EXPECT_EQ(pos, 12);
  EXPECT_EQ(readA, 7);
  EXPECT_EQ(readB, -2.0);

  int32_t untouched = 99;
  EXPECT_EQ(chunk.Get(&untouched, 12), -1);  // at the end
  EXPECT_EQ(chunk.Get(&untouched, 10), -1);  // only 2 bytes left
  EXPECT_EQ(chunk.Get(&untouched, 50), -1);  // past the end
  EXPECT_EQ(chunk.Get(&untouched, -1), -1);  // a failed earlier read
  EXPECT_EQ(untouched, 99);
}

TEST(IByteChunk, EmptyChunkHasNothingToGet) {
  const IByteChunk chunk;
  uint8_t byte = 5;
  EXPECT_EQ(chunk.Size(), 0);
  EXPECT_EQ(chunk.Get(&byte, 0), -1);
  EXPECT_EQ(chunk.GetBytes(&byte, 0, 0), 0);
  EXPECT_EQ(byte, 5);
}

TEST(IByteChunk, StringsCarryA32BitLength) {
  IByteChunk chunk;
  chunk.PutStr("abc");
  chunk.PutStr("");
  chunk.PutStr(nullptr);
  ASSERT_EQ(chunk.Size(), 7 + 4 + 4);
  EXPECT_EQ(std::memcmp(chunk.GetData(),
                        "\x03\x00\x00\x00"
                        "abc",
                        7),
            0);

  FwString text("old");
  int pos = chunk.GetStr(text, 0);
  EXPECT_EQ(pos, 7);
  EXPECT_STREQ(text.Get(), "abc");
  pos = chunk.GetStr(text, pos);
  EXPECT_EQ(pos, 11);
  EXPECT_STREQ(text.Get(), "");
  EXPECT_EQ(chunk.GetStr(text, pos), 15);
  EXPECT_EQ(chunk.GetStr(text, 15), -1);
}

TEST(IByteChunk, StringLongerThanTheDataFails) {
  IByteChunk chunk;
  const int32_t length = 10;
  chunk.Put(&length);
  chunk.PutBytes("abc", 3);
  FwString text("kept");
  EXPECT_EQ(chunk.GetStr(text, 0), -1);
  EXPECT_STREQ(text.Get(), "kept");
}

TEST(IByteChunk, StringEndsAtAZeroByteButThePositionFollowsTheLength) {
  IByteChunk chunk;
  const int32_t length = 5;
  chunk.Put(&length);
  chunk.PutBytes("ab\0cd", 5);
  FwString text;
  EXPECT_EQ(chunk.GetStr(text, 0), 9);
  EXPECT_STREQ(text.Get(), "ab");
}

TEST(IByteChunk, NegativeStringLengthReadsEmpty) {
  IByteChunk chunk;
  const int32_t length = -3;
  chunk.Put(&length);
  FwString text("x");
  EXPECT_EQ(chunk.GetStr(text, 0), 4);
  EXPECT_STREQ(text.Get(), "");
}

TEST(IByteChunk, PutAtRewritesAPlaceholder) {
  IByteChunk chunk;
  const uint32_t placeholder = 0;
  chunk.Put(&placeholder);
  chunk.PutBytes("data", 4);
  const uint32_t size = 0x01020304;
  EXPECT_EQ(chunk.PutAt(&size, 0), 4);
  EXPECT_EQ(std::memcmp(chunk.GetData(),
                        "\x04\x03\x02\x01"
                        "data",
                        8),
            0);
  EXPECT_EQ(chunk.PutAt(&size, 5), -1);  // would pass the end
  EXPECT_EQ(chunk.PutAt(&size, -1), -1);
  EXPECT_EQ(chunk.Size(), 8);
}

TEST(IByteChunk, ResizeZeroFillsAndPutChunkAppends) {
  IByteChunk a;
  EXPECT_EQ(a.Resize(3), 3);
  EXPECT_EQ(std::memcmp(a.GetData(), "\0\0\0", 3), 0);
  EXPECT_EQ(a.Resize(-1), 3);
  IByteChunk b;
  b.PutBytes("xy", 2);
  EXPECT_EQ(b.PutChunk(a), 5);
  EXPECT_EQ(std::memcmp(b.GetData(), "xy\0\0\0", 5), 0);
  EXPECT_EQ(b.PutChunk(b), 10);  // a chunk may append itself
  EXPECT_EQ(std::memcmp(b.GetData() + 5, "xy\0\0\0", 5), 0);
}

TEST(IByteChunk, BadPutsChangeNothing) {
  IByteChunk chunk;
  chunk.PutBytes("ab", 2);
  EXPECT_EQ(chunk.PutBytes(nullptr, 4), 0);
  EXPECT_EQ(chunk.PutBytes("x", -1), 0);
  EXPECT_EQ(chunk.Size(), 2);
}

TEST(IByteChunk, ClearKeepsNothingReadableAndEqualityComparesBytes) {
  IByteChunk a, b;
  a.PutBytes("same", 4);
  b.PutBytes("same", 4);
  EXPECT_TRUE(a.IsEqual(b));
  b.PutBytes("!", 1);
  EXPECT_FALSE(a.IsEqual(b));
  a.Clear();
  EXPECT_EQ(a.Size(), 0);
  EXPECT_TRUE(a.IsEqual(IByteChunk()));
}

}  // namespace
}  // namespace fx
