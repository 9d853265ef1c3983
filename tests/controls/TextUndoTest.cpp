#include "TextEditFixture.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fx::gfx::test {
namespace {

using namespace TextEditKey;

TEST(TextUndo, UndoAndRedoReplayEdits) {
  struct Row {
    const char* text;
    int cursor;
    std::vector<int> keys;
    const char* want;
    int wantCursor;
  };
  const Row rows[] = {
      {"abc", 3, {'x', 'y', kUndo}, "abcx", 4},
      {"abc", 3, {'x', 'y', kUndo, kUndo, kUndo}, "abc", 3},
      {"abc", 3, {'x', 'y', kUndo, kUndo, kRedo, kRedo, kRedo}, "abcxy", 5},
      {"abc", 3, {'x', kUndo, 'z', kRedo}, "abcz", 4},  // a new edit ends the redo chain
      {"abc", 3, {kShift | kHome, 'q', kUndo}, "", 0},
      {"abc", 3, {kShift | kHome, 'q', kUndo, kUndo}, "abc", 3},
      {"abc", 3, {kShift | kHome, 'q', kUndo, kUndo, kRedo, kRedo}, "q", 1},
      {"abc", 2, {kBackspace, kDelete, kUndo, kUndo}, "abc", 2},
      {"abc", 2, {kBackspace, kDelete, kUndo, kUndo, kRedo}, "ac", 1},
      {"abc", 0, {kInsert, 'x', 'y'}, "xyc", 2},
      {"abc", 0, {kInsert, 'x', 'y', kUndo}, "xbc", 2},  // after the unit put back
      {"abc", 0, {kInsert, 'x', kUndo, kRedo}, "xbc", 1},
      {"abc", 3, {kInsert, 'x'}, "abcx", 4},  // overwriting at the end inserts
      {"abc", 1, {kRedo, kUndo}, "abc", 1},
  };
  for (const Row& row : rows) {
    TextEditFixture f(row.text, row.cursor, row.cursor, row.cursor);
    for (int key : row.keys) f.Key(key);
    EXPECT_EQ(f.Text(), row.want) << row.text << " after " << row.keys.size() << " keys";
    EXPECT_EQ(f.state.cursor, row.wantCursor) << row.text << " after " << row.keys.size() << " keys";
  }
}

// Undo and redo put the cursor after the units they put back and leave the selection, clamped to the text.
TEST(TextUndo, UndoAndRedoLeaveTheSelection) {
  struct Row {
    std::vector<int> keys;
    const char* want;
    int wantCursor, wantStart, wantEnd;
  };
  const Row rows[] = {
      {{'x', kShift | kHome}, "abcdefx", 0, 7, 0},
      {{'x', kShift | kHome, kUndo}, "abcdef", 6, 6, 0},
      {{'x', kLeft, kShift | kLeft}, "abcdefx", 5, 6, 5},
      {{'x', kLeft, kShift | kLeft, kUndo}, "abcdef", 6, 6, 5},
      {{'x', kLeft, kShift | kLeft, kUndo, kRedo}, "abcdefx", 7, 6, 5},
      {{kBackspace, kHome, kShift | kRight, kShift | kRight, kUndo}, "abcdef", 6, 0, 2},
  };
  for (const Row& row : rows) {
    TextEditFixture f("abcdef", 6, 6, 6);
    for (int key : row.keys) f.Key(key);
    EXPECT_EQ(f.Text(), row.want) << row.keys.size() << " keys";
    EXPECT_EQ(f.state.cursor, row.wantCursor) << row.keys.size() << " keys";
    EXPECT_EQ(f.state.selectStart, row.wantStart) << row.keys.size() << " keys";
    EXPECT_EQ(f.state.selectEnd, row.wantEnd) << row.keys.size() << " keys";
  }
}

TEST(TextUndo, HistoryKeeps99RecordsAnd999Units) {
  struct Row {
    const char* what;
    int textLength;
    int edits;
    int selectLength;
    int pasteLength;
    int wantUndoRecords;
    int wantLengthAfterUndoingAll;
  };
  const Row rows[] = {
      {"100 typed units: the oldest is forgotten", 0, 100, 0, 0, 99, 1},
      {"a deleted selection of 999 units is kept", 999, 0, 999, 0, 1, 999},
      {"one of 1000 units cannot be undone", 1000, 0, 1000, 0, 0, 0},
      {"a paste of 999 units is kept", 0, 0, 0, 999, 1, 0},
      {"a paste of 1000 units clears the history", 0, 5, 0, 1000, 0, 1005},
      {"two deletions of 600 units do not fit together", 1200, 0, 600, 0, 1, 600},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TextEditFixture f(std::string(static_cast<size_t>(row.textLength), 'a').c_str());
    for (int i = 0; i < row.edits; ++i) f.Key('b');
    for (int start = f.text.GetLength() - row.selectLength; row.selectLength > 0 && start >= 0;
         start -= row.selectLength) {
      f.state.selectStart = start;
      f.state.selectEnd = f.state.cursor = start + row.selectLength;
      f.Key(kBackspace);
    }
    f.host.clipboard = std::string(static_cast<size_t>(row.pasteLength), 'c');
    Paste(f.text, f.state);
    EXPECT_EQ(f.state.undo.undoPoint, row.wantUndoRecords);
    while (f.Key(kUndo)) {
    }
    EXPECT_EQ(f.text.GetLength(), row.wantLengthAfterUndoingAll);
  }
}

// A deletion kept by an older undo record, then a paste; the paste is undone and redone. Its redo record keeps
// the pasted units only while they and the units the undo records hold stay below the store's 999; otherwise
// redoing the paste brings nothing back, and the older deletion stays undoable.
TEST(TextUndo, RedoOfAStepKeepsItsUnitsOnlyWhenTheyFitBesideTheUndoRecords) {
  struct Row {
    int deleted;
    int pasted;
    bool redoBringsThePasteBack;
  };
  const Row rows[] = {
      {500, 600, false}, {399, 600, false}, {398, 600, true}, {300, 600, true}, {0, 999, false}, {0, 998, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.deleted << " deleted, " << row.pasted << " pasted");
    TextEditFixture f(std::string(static_cast<size_t>(row.deleted), 'a').c_str(), 0, 0, row.deleted);
    if (row.deleted > 0) f.Key(kDelete);
    f.host.clipboard = std::string(static_cast<size_t>(row.pasted), 'p');
    Paste(f.text, f.state);
    const int undoRecords = f.state.undo.undoPoint;
    f.Key(kUndo);
    EXPECT_EQ(f.Text(), "");
    EXPECT_EQ(f.state.undo.undoPoint, undoRecords - 1);  // no older step forgotten
    f.Key(kRedo);
    EXPECT_EQ(f.Text(), row.redoBringsThePasteBack ? std::string(static_cast<size_t>(row.pasted), 'p') : "");
    EXPECT_EQ(f.state.undo.undoPoint, undoRecords);
    while (f.Key(kUndo)) {
    }
    EXPECT_EQ(f.Text(), std::string(static_cast<size_t>(row.deleted), 'a'));
  }
}

TEST(TextUndo, HistoryOfAnEarlierTextNeverActsBeyondTheCurrentOne) {
  for (int key : {kUndo, kRedo}) {
    TextEditFixture f("a long earlier text", 19, 19, 19);
    f.Key(kBackspace);
    f.Key(kBackspace);
    if (key == kRedo) f.Key(kUndo);
    f.text.SetStr("new");  // a new entry replaces the text but keeps the history
    EXPECT_TRUE(f.Key(key));
    EXPECT_EQ(f.Text(), "new");
    EXPECT_EQ(f.state.undo.undoPoint, 0);
    EXPECT_EQ(f.state.undo.redoPoint, TextUndoState::kMaxRecords);
  }
}

TEST(TextUndo, UndoingEverythingAndRedoingItRoundTrips) {
  // Random edits from a fixed seed, kept well inside the store so that no step is forgotten.
  const int keys[] = {'a',
                      'b',
                      ' ',
                      kBackspace,
                      kDelete,
                      kLeft,
                      kRight,
                      kShift | kLeft,
                      kShift | kRight,
                      kHome,
                      kShift | kEnd,
                      kControl | kLeft,
                      kShift | kControl | kRight,
                      kInsert};
  std::mt19937 random(21);
  for (int trial = 0; trial < 50; ++trial) {
    TextEditFixture f("start text");
    for (int i = 0; i < 60; ++i) f.Key(keys[random() % std::size(keys)]);
    const std::string edited = f.Text();
    int undone = 0;
    while (f.Key(kUndo)) ++undone;
    EXPECT_EQ(f.Text(), "start text");
    for (int i = 0; i < undone; ++i) f.Key(kRedo);
    EXPECT_EQ(f.Text(), edited) << "trial " << trial;
  }
}

}  // namespace
}  // namespace fx::gfx::test
