// The nesting scan that guards the XML parser's recursion: depth as the parser reads it, markup that
// opens nothing, and the characters a UTF-8 reading would step over.
#include "framework/XMLNesting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fx {
namespace {

constexpr EXMLReading kBytes = EXMLReading::kByteWise;
constexpr EXMLReading kUTF8 = EXMLReading::kUTF8;

TEST(XMLNestingTest, FollowsTheParsersReading) {
  struct Row {
    const char* what;
    std::string text;
    int maxDepth;
    EXMLReading reading;
    bool within;
  };
  const std::vector<Row> rows = {
      {"empty text", "", 0, kBytes, true},
      {"empty element opens nothing", "<a><b/></a>", 1, kBytes, true},
      {"three levels", "<a><b><c/></b></a>", 1, kBytes, false},
      {"three levels, two allowed", "<a><b><c/></b></a>", 2, kBytes, true},
      {"underscore names", "<_><_><_>", 2, kBytes, false},
      {"names from byte 127 up", "<\x7F><\x7F><\x7F>", 2, kBytes, false},
      {"UTF-8 names", "<\xC3\xA9><\xC3\xA9><\xC3\xA9>", 2, kBytes, false},
      {"comment, instruction, CDATA and stray '<'", "<!-- <a --><?x?><![CDATA[<]]>< 1 <2", 0, kBytes, true},
      {"end tag inside a quoted value", "<a v='</a>'><b>", 1, kBytes, false},
      {"unclosed quote", "<a v='1>", 5, kBytes, false},
      {"malformed numeric reference", "<a>&#x</a>x1;", 5, kBytes, false},
      {"lead byte before an end tag, byte-wise", "<a>\xF0</a><a>\xF0</a>", 1, kBytes, true},
      {"lead byte before an end tag, as UTF-8", "<a>\xF0</a><a>\xF0</a>", 1, kUTF8, false},
      {"whole UTF-8 characters", "<a>\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5</a>", 1, kUTF8, true},
      {"lead byte at the end, as UTF-8", "<a/>\xE2\x82", 1, kUTF8, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(XMLNestingWithin(row.text.c_str(), row.maxDepth, row.reading), row.within) << row.what;
  EXPECT_FALSE(XMLNestingWithin(nullptr, 10));
}

}  // namespace
}  // namespace fx
