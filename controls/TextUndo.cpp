#include "controls/TextUndo.h"

#include <algorithm>
#include <cassert>
#include <string>

namespace fx::gfx {
namespace {

constexpr int kMaxRecords = TextUndoState::kMaxRecords;
constexpr int kMaxChars = TextUndoState::kMaxChars;

bool HasUndo(const TextUndoState& undo) {
  return undo.undoPoint > 0;
}
bool HasRedo(const TextUndoState& undo) {
  return undo.redoPoint < kMaxRecords;
}
int FreeChars(const TextUndoState& undo) {
  return undo.redoCharPoint - undo.undoCharPoint;
}
int StoredLength(const TextUndoRecord& record) {
  return record.charStorage >= 0 ? record.insertLength : 0;
}

void DiscardRedo(TextUndoState& undo) {
  undo.redoPoint = kMaxRecords;
  undo.redoCharPoint = kMaxChars;
}

// Undo records and their units sit at the bottom, oldest first: dropping the oldest moves the rest down.
void DropOldestUndo(TextUndoState& undo) {
  assert(HasUndo(undo));
  const int stored = StoredLength(undo.records[0]);
  if (stored > 0) {
    std::copy(undo.chars.begin() + stored, undo.chars.begin() + undo.undoCharPoint, undo.chars.begin());
    undo.undoCharPoint -= stored;
    for (int i = 1; i < undo.undoPoint; ++i)
      if (undo.records[i].charStorage >= 0) undo.records[i].charStorage -= stored;
  }
  std::copy(undo.records.begin() + 1, undo.records.begin() + undo.undoPoint, undo.records.begin());
  --undo.undoPoint;
}

// Redo records and their units sit at the top, oldest at the very top: dropping it moves the rest up.
void DropOldestRedo(TextUndoState& undo) {
  assert(HasRedo(undo));
  const int stored = StoredLength(undo.records[kMaxRecords - 1]);
  if (stored > 0) {
    std::copy_backward(undo.chars.begin() + undo.redoCharPoint, undo.chars.end() - stored, undo.chars.end());
    undo.redoCharPoint += stored;
    for (int i = undo.redoPoint; i < kMaxRecords - 1; ++i)
      if (undo.records[i].charStorage >= 0) undo.records[i].charStorage += stored;
  }
  std::copy_backward(undo.records.begin() + undo.redoPoint, undo.records.end() - 1, undo.records.end());
  ++undo.redoPoint;
}

// Appends a record keeping `units` on one side, first forgetting the oldest steps on that side and then
// of the other side until the units fit. Every caller keeps a record slot free and at most 999 units.
void PushRecord(TextUndoState& undo, bool redoSide, TextUndoRecord record, const std::u16string& units) {
  const int count = static_cast<int>(units.size());
  assert(count <= kMaxChars && undo.undoPoint < undo.redoPoint);
  while (FreeChars(undo) < count) {
    const bool dropRedo = redoSide ? HasRedo(undo) : !HasUndo(undo);
    if (dropRedo)
      DropOldestRedo(undo);
    else
      DropOldestUndo(undo);
  }
  record.insertLength = count;
  record.charStorage = -1;
  if (redoSide) {
    if (count > 0) {
      undo.redoCharPoint -= count;
      record.charStorage = undo.redoCharPoint;
    }
    undo.records[--undo.redoPoint] = record;
  } else {
    if (count > 0) {
      record.charStorage = undo.undoCharPoint;
      undo.undoCharPoint += count;
    }
    undo.records[undo.undoPoint++] = record;
  }
  if (count > 0) std::copy(units.begin(), units.end(), undo.chars.begin() + record.charStorage);
}

bool FitsText(const TextUndoRecord& record, int length) {
  return record.where >= 0 && record.where <= length && record.deleteLength >= 0 &&
         record.deleteLength <= length - record.where;
}

// Applies `record` to the text and answers the units it removed, which the opposite record keeps.
std::u16string Apply(TextEditBuffer& text, TextEditState& state, const TextUndoRecord& record) {
  std::u16string removed =
      text.GetText().substr(static_cast<size_t>(record.where), static_cast<size_t>(record.deleteLength));
  const int restored = StoredLength(record);
  text.ReplaceChars(record.where, record.deleteLength,
                    restored > 0 ? state.undo.chars.data() + record.charStorage : nullptr, restored);
  state.cursor = state.selectStart = state.selectEnd = record.where + restored;
  state.hasPreferredX = 0;
  return removed;
}

}  // namespace

char16_t* CreateUndoRecord(TextUndoState& undo, int where, int insertLength, int deleteLength) {
  assert(insertLength >= 0 && deleteLength >= 0);
  DiscardRedo(undo);
  if (undo.undoPoint == kMaxRecords) DropOldestUndo(undo);
  if (insertLength > kMaxChars || deleteLength > kMaxChars) {
    ClearTextHistory(undo);
    return nullptr;
  }
  while (undo.undoCharPoint + insertLength > kMaxChars) DropOldestUndo(undo);
  TextUndoRecord& record = undo.records[undo.undoPoint++];
  record = {where, insertLength, deleteLength, -1};
  if (insertLength == 0) return nullptr;
  record.charStorage = undo.undoCharPoint;
  undo.undoCharPoint += insertLength;
  return undo.chars.data() + record.charStorage;
}

void ClearTextHistory(TextUndoState& undo) {
  undo.undoPoint = 0;
  undo.undoCharPoint = 0;
  DiscardRedo(undo);
}

void UndoTextEdit(TextEditBuffer& text, TextEditState& state) {
  TextUndoState& undo = state.undo;
  if (!HasUndo(undo)) return;
  const TextUndoRecord record = undo.records[undo.undoPoint - 1];
  if (!FitsText(record, text.GetLength())) {
    ClearTextHistory(undo);
    return;
  }
  assert(StoredLength(record) == 0 || record.charStorage + record.insertLength == undo.undoCharPoint);
  const std::u16string removed = Apply(text, state, record);
  --undo.undoPoint;
  undo.undoCharPoint -= StoredLength(record);
  PushRecord(undo, true, {record.where, 0, StoredLength(record), -1}, removed);
}

void RedoTextEdit(TextEditBuffer& text, TextEditState& state) {
  TextUndoState& undo = state.undo;
  if (!HasRedo(undo)) return;
  const TextUndoRecord record = undo.records[undo.redoPoint];
  if (!FitsText(record, text.GetLength())) {
    ClearTextHistory(undo);
    return;
  }
  assert(StoredLength(record) == 0 || record.charStorage == undo.redoCharPoint);
  const std::u16string removed = Apply(text, state, record);
  ++undo.redoPoint;
  undo.redoCharPoint += StoredLength(record);
  PushRecord(undo, false, {record.where, 0, StoredLength(record), -1}, removed);
}

}  // namespace fx::gfx
