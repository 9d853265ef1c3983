#include "TextEditFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <vector>

namespace fx::gfx::test {
namespace {

using namespace TextEditKey;

TEST(TextEditEngine, KeysEditMoveAndSelect) {
  struct Row {
    const char* text;
    int cursor, selectStart, selectEnd;
    int key;
    const char* want;
    int wantCursor, wantLow, wantHigh;
    bool changed;
  };
  const Row rows[] = {
      {"abc", 0, 0, 0, kBackspace, "abc", 0, 0, 0, false},  // nothing before the start
      {"abc", 3, 3, 3, kDelete, "abc", 3, 3, 3, false},     // nothing after the end
      {"abc", 2, 2, 2, kBackspace, "ac", 1, 1, 1, true},
      {"abc", 1, 1, 1, kShift | kDelete, "ac", 1, 1, 1, true},
      {"abcd", 3, 3, 1, kBackspace, "ad", 1, 1, 1, true},
      {"abc", 0, 0, 0, kLeft, "abc", 0, 0, 0, false},
      {"abc", 3, 1, 3, kLeft, "abc", 1, 1, 1, true},
      {"abc", 1, 3, 1, kRight, "abc", 3, 3, 3, true},
      {"abc", 1, 1, 1, kUp, "abc", 0, 0, 0, true},
      {"abc", 1, 1, 1, kShift | kDown, "abc", 2, 1, 2, true},
      {"abc", 1, 1, 1, kShift | kLeft, "abc", 0, 0, 1, true},
      {"abc", 1, 1, 1, kShift | kEnd, "abc", 3, 1, 3, true},
      {"abc", 2, 2, 2, kShift | kControl | kHome, "abc", 0, 0, 2, true},
      {"abc", 2, 1, 2, kHome, "abc", 0, 0, 0, true},
      {"abc", 1, 0, 2, kControl | kEnd, "abc", 3, 3, 3, true},
      {"ab cd", 4, 4, 4, kControl | kLeft, "ab cd", 3, 3, 3, true},
      {"ab cd", 3, 3, 3, kControl | kLeft, "ab cd", 0, 0, 0, true},
      {"ab cd", 0, 0, 0, kControl | kRight, "ab cd", 3, 3, 3, true},
      {"ab cd", 3, 3, 3, kControl | kRight, "ab cd", 5, 5, 5, true},
      {"ab cd", 4, 1, 4, kControl | kLeft, "ab cd", 1, 1, 1, true},
      {"ab cd", 0, 0, 0, kShift | kControl | kRight, "ab cd", 3, 0, 3, true},
      {"abc", 1, 1, 1, 'x', "axbc", 2, 2, 2, true},
      {"abc", 1, 1, 1, kShift | 'X', "aXbc", 2, 2, 2, true},
      {"abc", 0, 0, 3, 'x', "x", 1, 1, 1, true},
      {"abc", 1, 1, 1, 0x1F600, "a\uFFFDbc", 2, 2, 2, true},  // beyond one unit: U+FFFD
      {"abc", 1, 1, 1, '\n', "abc", 1, 1, 1, false},
      {"abc", 1, 1, 1, 0, "abc", 1, 1, 1, false},
      {"abc", 1, 1, 1, kControl | kBackspace, "abc", 1, 1, 1, false},
      {"abc", 1, 1, 1, kAlt | kLeft, "abc", 1, 1, 1, false},
      {"abc", 1, 1, 1, kControl | 'a', "abc", 1, 1, 1, false},
      {"abc", 9, 9, 9, 'x', "abcx", 4, 4, 4, true},  // positions left from a longer text are clamped
  };
  for (const Row& row : rows) {
    TextEditFixture f(row.text, row.cursor, row.selectStart, row.selectEnd);
    const bool changed = f.Key(row.key);
    SCOPED_TRACE(::testing::Message() << row.text << " key " << std::hex << row.key);
    EXPECT_EQ(f.Text(), row.want);
    EXPECT_EQ(f.state.cursor, row.wantCursor);
    EXPECT_EQ(f.state.SelectionLow(), row.wantLow);
    EXPECT_EQ(f.state.SelectionHigh(), row.wantHigh);
    EXPECT_EQ(changed, row.changed);
  }
}

TEST(TextEditEngine, WordStartsFollowSpaces) {
  struct Row {
    const char* text;
    int from, next, previous;
  };
  const Row rows[] = {
      {"ab cd", 0, 3, 0}, {"ab cd", 4, 5, 3}, {"  ab  cd ", 1, 2, 0}, {"  ab  cd ", 7, 9, 6},
      {"a\tb", 0, 2, 0},  {"", 0, 0, 0},      {"abc", 2, 3, 0},
  };
  for (const Row& row : rows) {
    TextEditFixture f(row.text);
    EXPECT_EQ(NextWordStart(f.text, row.from), row.next) << row.text << " " << row.from;
    EXPECT_EQ(PreviousWordStart(f.text, row.from), row.previous) << row.text << " " << row.from;
  }
}

TEST(TextEditEngine, CharWidthsCountKerningAndFollowEdits) {
  TextEditFixture f("AVi");
  EXPECT_EQ(std::vector<float>({f.text.GetCharWidth(0), f.text.GetCharWidth(1), f.text.GetCharWidth(2)}),
            std::vector<float>({10.f, 8.f, 4.f}));
  const char16_t i = u'i';
  f.text.InsertChars(1, &i, 1);  // "AiVi": the kerned pair is gone
  EXPECT_EQ(f.text.GetWidth(0, 4), 28.f);
  f.text.DeleteChars(1, 99);
  EXPECT_EQ(f.text.GetWidth(0, 4), 10.f);
  const int measured = f.host.measurements;  // the first unit alone, each later one with its predecessor
  EXPECT_EQ(measured, 5 + 7 + 1);
  f.Key(kLeft);
  ClickText(f.text, f.state, 120.f, 0.f);
  EXPECT_EQ(f.host.measurements, measured);  // moves reuse the cached widths
}

TEST(TextEditEngine, LayoutFollowsAlignment) {
  struct Row {
    TextEditHAlign h;
    TextEditVAlign v;
    float x0, top;
  };
  const Row rows[] = {
      // text "AVi" is 22 wide; the field is 100 to 300 by 30 high, text size 20
      {TextEditHAlign::kNear, TextEditVAlign::kTop, 100.f, 0.f},
      {TextEditHAlign::kCenter, TextEditVAlign::kMiddle, 189.f, 5.f},
      {TextEditHAlign::kFar, TextEditVAlign::kBottom, 278.f, 10.f},
  };
  for (const Row& row : rows) {
    TextEditFixture f("AVi");
    f.host.field.hAlign = row.h;
    f.host.field.vAlign = row.v;
    TextRow layout;
    LayoutRow(layout, f.text);
    EXPECT_EQ(layout.x0, row.x0);
    EXPECT_EQ(layout.x1, row.x0 + 22.f);
    EXPECT_EQ(layout.top, row.top);
    EXPECT_EQ(layout.bottom, row.top + 20.f);
    EXPECT_EQ(FindCharPos(f.text, 2).x, row.x0 + 18.f);
  }
}

TEST(TextEditEngine, ClicksAndDragsFindNearestBoundary) {
  // "AVi" from x = 100: unit edges at 110, 118 and 122, middles at 105, 114 and 120.
  struct Row {
    float x;
    int position;
  };
  const Row rows[] = {{50.f, 0},  {104.9f, 0}, {105.f, 1}, {113.f, 1}, {114.f, 2},
                      {119.f, 2}, {120.f, 3},  {122.f, 3}, {500.f, 3}};
  for (const Row& row : rows) {
    TextEditFixture f("AVi", 0, 0, 3);
    ClickText(f.text, f.state, row.x, 1000.f);  // one row: the height of the click does not matter
    EXPECT_EQ(f.state.cursor, row.position) << row.x;
    EXPECT_FALSE(f.state.HasSelection());
    DragText(f.text, f.state, 500.f, 0.f);
    EXPECT_EQ(f.state.SelectionLow(), row.position);
    EXPECT_EQ(f.state.SelectionHigh(), 3);
  }
  TextEditFixture f("AVi");
  EXPECT_EQ(LocateCoord(f.text, 105.f, -1.f), 0);  // above the row
  EXPECT_EQ(LocateCoord(f.text, 105.f, 20.f), 3);  // below it
}

TEST(TextEditEngine, ClipboardEditsAndUndoThemAll) {
  enum Op { kCopy, kCut, kPaste, kSelectAll };
  struct Row {
    const char* text;
    int cursor, selectStart, selectEnd;
    Op op;
    const char* clipboard;
    const char* want;
    const char* wantClipboard;
    int wantCursor, wantLow, wantHigh;
    bool changed;
  };
  const Row rows[] = {
      {"hello", 0, 1, 4, kCopy, "old", "hello", "ell", 0, 1, 4, false},
      {"hello", 2, 2, 2, kCopy, "old", "hello", "old", 2, 2, 2, false},
      {"hello", 1, 4, 1, kCut, "old", "ho", "ell", 1, 1, 1, true},
      {"hello", 2, 2, 2, kPaste, "XY", "heXYllo", "XY", 4, 4, 4, true},
      {"hello", 4, 1, 4, kPaste, "XY", "hXYo", "XY", 3, 3, 3, true},
      {"hello", 2, 2, 2, kPaste, "", "hello", "", 2, 2, 2, false},
      {"hello", 0, 0, 0, kPaste, "\xC3\xA9", "\xC3\xA9hello", "\xC3\xA9", 1, 1, 1, true},
      {"hello", 2, 2, 2, kSelectAll, "", "hello", "", 2, 0, 5, true},
  };
  for (const Row& row : rows) {
    TextEditFixture f(row.text, row.cursor, row.selectStart, row.selectEnd);
    f.host.clipboard = row.clipboard;
    bool (*const ops[])(TextEditBuffer&, TextEditState&) = {CopySelection, CutSelection, Paste, SelectAll};
    const bool changed = ops[row.op](f.text, f.state);
    SCOPED_TRACE(::testing::Message() << row.text << " op " << row.op);
    EXPECT_EQ(f.Text(), row.want);
    EXPECT_EQ(f.host.clipboard, row.wantClipboard);
    EXPECT_EQ(f.state.cursor, row.wantCursor);
    EXPECT_EQ(f.state.SelectionLow(), row.wantLow);
    EXPECT_EQ(f.state.SelectionHigh(), row.wantHigh);
    EXPECT_EQ(changed, row.changed);
    while (f.state.undo.undoPoint > 0) f.Key(kUndo);
    EXPECT_EQ(f.Text(), row.text);
  }
}

TEST(TextEditState, EqualValuesCompareEqualWhateverThePaddingHolds) {
  alignas(TextEditState) unsigned char a[sizeof(TextEditState)];
  alignas(TextEditState) unsigned char b[sizeof(TextEditState)];
  std::memset(a, 0xAA, sizeof a);
  std::memset(b, 0x55, sizeof b);
  TextEditState* sa = new (a) TextEditState;
  TextEditState* sb = new (b) TextEditState;
  InitTextEditState(*sa, true);
  InitTextEditState(*sb, true);
  EXPECT_TRUE(*sa == *sb);
  sb->preferredX = 1.f;
  EXPECT_FALSE(*sa == *sb);
}

TEST(Utf16Text, ConvertsAndReplacesMalformedSequences) {
  struct Row {
    const char* utf8;
    std::u16string utf16;
    const char* back;
  };
  const Row rows[] = {
      {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"a\u00E9\u20AC\U0001F600", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"\xC0\xAF", u"\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD"},                        // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // encoded surrogate
      {"\xE2\x82", u"\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD"},                        // truncated
      {"\xF4\x90\x80\x80x", u"\uFFFD\uFFFD\uFFFD\uFFFDx", nullptr},                     // above U+10FFFF
  };
  for (const Row& row : rows) {
    EXPECT_EQ(UTF8ToUTF16(row.utf8), row.utf16) << row.utf8;
    if (row.back) {
      EXPECT_EQ(UTF16ToUTF8(row.utf16), row.back);
    }
  }
  EXPECT_EQ(UTF16ToUTF8(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");  // lone surrogate
}

}  // namespace
}  // namespace fx::gfx::test
