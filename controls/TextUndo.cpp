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

// Appends a record keeping `units` on one side, first forgetting the oldest steps of that side until the
// units fit beside those of the other side. When the other side's units and these would reach the store's
// size the record keeps nothing instead (so replaying it only removes what the step put back): the other
// side's steps are never given up for it.
void PushRecord(TextUndoState& undo, bool redoSide, TextUndoRecord record, const std::u16string& units) {
  assert(undo.undoPoint < undo.redoPoint);
  const int otherUnits = redoSide ? undo.undoCharPoint : kMaxChars - undo.redoCharPoint;
  int count = static_cast<int>(units.size());
  if (otherUnits + count >= kMaxChars) count = 0;
  while (FreeChars(undo) < count) {
    if (redoSide)
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
  if (count > 0) std::copy(units.begin(), units.begin() + count, undo.chars.begin() + record.charStorage);
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
  // The selection stays where it was; the caller clamps it to the new text.
  state.cursor = record.where + restored;
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
  // The redo record is made while the replayed units still take their room in the store.
  PushRecord(undo, true, {record.where, 0, StoredLength(record), -1}, removed);
  undo.undoCharPoint -= StoredLength(record);
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
  PushRecord(undo, false, {record.where, 0, StoredLength(record), -1}, removed);
  undo.redoCharPoint += StoredLength(record);
}

}  // namespace fx::gfx
