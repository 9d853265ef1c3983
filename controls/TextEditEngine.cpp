#include "controls/TextEditEngine.h"

#include "controls/TextUndo.h"
#include "controls/Utf16Text.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <string>

namespace fx::gfx {
namespace {

using namespace TextEditKey;

constexpr char16_t kLineFeed = 10;

// Runs one operation and answers whether it changed the state, comparing values before and after.
template <class Operation>
bool Tracked(TextEditBuffer& text, TextEditState& state, Operation&& operation) {
  const TextEditState before = state;
  const auto clamp = [&] {
    state.cursor = std::clamp(state.cursor, 0, text.GetLength());
    state.selectStart = std::clamp(state.selectStart, 0, text.GetLength());
    state.selectEnd = std::clamp(state.selectEnd, 0, text.GetLength());
  };
  clamp();
  operation();
  clamp();
  return !(state == before);
}

// The system's space class; units above 127 are classified by the locale.
bool IsSpace(char16_t unit) {
  return unit < 128 ? std::isspace(static_cast<unsigned char>(unit)) != 0 : std::iswspace(unit) != 0;
}

bool IsWordStart(const TextEditBuffer& text, int position) {
  return position == 0 || (IsSpace(text.GetChar(position - 1)) && !IsSpace(text.GetChar(position)));
}

void MoveCursorTo(TextEditState& state, int position) {
  state.cursor = state.selectStart = state.selectEnd = position;
  state.hasPreferredX = 0;
}

// Shift moves: the selection grows from the cursor when there is none and always ends at the cursor.
void ExtendSelectionTo(TextEditState& state, int position) {
  if (!state.HasSelection()) state.selectStart = state.selectEnd = state.cursor;
  state.cursor = state.selectEnd = position;
  state.hasPreferredX = 0;
}

// Removes [where, where + count) and records the removed units, when the history can hold them.
void DeleteUndoably(TextEditBuffer& text, TextEditState& state, int where, int count) {
  if (count <= 0) return;
  if (char16_t* store = CreateUndoRecord(state.undo, where, count, 0))
    std::copy_n(text.GetText().begin() + where, count, store);
  text.DeleteChars(where, count);
}

void DeleteSelection(TextEditBuffer& text, TextEditState& state) {
  if (!state.HasSelection()) return;
  const int low = state.SelectionLow();
  DeleteUndoably(text, state, low, state.SelectionHigh() - low);
  MoveCursorTo(state, low);
}

void InsertUndoably(TextEditBuffer& text, TextEditState& state, const char16_t* units, int count) {
  DeleteSelection(text, state);
  text.InsertChars(state.cursor, units, count);
  CreateUndoRecord(state.undo, state.cursor, 0, count);
  MoveCursorTo(state, state.cursor + count);
}

void TypeCharacter(TextEditBuffer& text, TextEditState& state, int code) {
  if (code == 0 || (code == kLineFeed && state.singleLine)) return;
  // One unit per typed character: what one unit cannot hold (a code beyond U+FFFF or half a surrogate
  // pair) would not survive conversion to UTF-8, so it is typed as the replacement character.
  const char16_t unit = code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF) ? kReplacementChar : char16_t(code);
  if (state.insertMode && !state.HasSelection() && state.cursor < text.GetLength()) {
    if (char16_t* store = CreateUndoRecord(state.undo, state.cursor, 1, 1)) *store = text.GetChar(state.cursor);
    text.ReplaceChars(state.cursor, 1, &unit, 1);
    MoveCursorTo(state, state.cursor + 1);
  } else {
    InsertUndoably(text, state, &unit, 1);
  }
}

// Backspace at 0 and delete at the end have nothing to remove and leave the state as it was.
void DeleteBeside(TextEditBuffer& text, TextEditState& state, bool before) {
  if (state.HasSelection()) {
    DeleteSelection(text, state);
  } else if (before && state.cursor > 0) {
    DeleteUndoably(text, state, state.cursor - 1, 1);
    MoveCursorTo(state, state.cursor - 1);
  } else if (!before && state.cursor < text.GetLength()) {
    DeleteUndoably(text, state, state.cursor, 1);
    MoveCursorTo(state, state.cursor);
  }
}

void StepCursor(TextEditBuffer& text, TextEditState& state, int step) {
  if (state.HasSelection())
    MoveCursorTo(state, step < 0 ? state.SelectionLow() : state.SelectionHigh());
  else
    MoveCursorTo(state, std::clamp(state.cursor + step, 0, text.GetLength()));
}

void StepWord(TextEditBuffer& text, TextEditState& state, int step) {
  if (state.HasSelection())
    MoveCursorTo(state, step < 0 ? state.SelectionLow() : state.SelectionHigh());
  else
    MoveCursorTo(state, step < 0 ? PreviousWordStart(text, state.cursor) : NextWordStart(text, state.cursor));
}

void ApplyKey(TextEditBuffer& text, TextEditState& state, int key) {
  if (!(key & kKeyDown) && !(key & kControl)) return TypeCharacter(text, state, key & ~kModifierMask);
  // One row: up and down act as left and right, keeping only the shift bit.
  if ((key & ~kShift) == kUp || (key & ~kShift) == kDown)
    key = (key & kShift) | ((key & ~kShift) == kUp ? kLeft : kRight);
  const int length = text.GetLength();
  switch (key) {
    case kBackspace:
    case kShift | kBackspace:
      return DeleteBeside(text, state, true);
    case kDelete:
    case kShift | kDelete:
      return DeleteBeside(text, state, false);
    case kLeft:
      return StepCursor(text, state, -1);
    case kRight:
      return StepCursor(text, state, 1);
    case kShift | kLeft:
      return ExtendSelectionTo(state, std::max(state.cursor - 1, 0));
    case kShift | kRight:
      return ExtendSelectionTo(state, std::min(state.cursor + 1, length));
    case kHome:
      return MoveCursorTo(state, 0);
    case kEnd:
      return MoveCursorTo(state, length);
    case kShift | kHome:
    case kShift | kControl | kHome:
      return ExtendSelectionTo(state, 0);
    case kShift | kEnd:
    case kShift | kControl | kEnd:
      return ExtendSelectionTo(state, length);
    case kControl | kLeft:
      return StepWord(text, state, -1);
    case kControl | kRight:
      return StepWord(text, state, 1);
    case kShift | kControl | kLeft:
      return ExtendSelectionTo(state, PreviousWordStart(text, state.cursor));
    case kShift | kControl | kRight:
      return ExtendSelectionTo(state, NextWordStart(text, state.cursor));
    case kControl | kHome:
      return MoveCursorTo(state, 0);
    case kControl | kEnd:
      return MoveCursorTo(state, length);
    case kInsert:
      state.insertMode = state.insertMode ? 0 : 1;
      return;
    case kUndo:
      return UndoTextEdit(text, state);
    case kRedo:
      return RedoTextEdit(text, state);
    default:
      return;  // paging, control with backspace or delete, alt with arrows, other control letters
  }
}

}  // namespace

bool HandleEditKey(TextEditBuffer& text, TextEditState& state, int key) {
  return Tracked(text, state, [&] { ApplyKey(text, state, key); });
}

bool ClickText(TextEditBuffer& text, TextEditState& state, float x, float y) {
  return Tracked(text, state, [&] {
    if (state.singleLine) {
      TextRow row;
      LayoutRow(row, text);
      y = row.top;
    }
    MoveCursorTo(state, LocateCoord(text, x, y));
  });
}

bool DragText(TextEditBuffer& text, TextEditState& state, float x, float y) {
  return Tracked(text, state, [&] {
    if (state.singleLine) {
      TextRow row;
      LayoutRow(row, text);
      y = row.top;
    }
    if (!state.HasSelection()) state.selectStart = state.cursor;
    state.cursor = state.selectEnd = LocateCoord(text, x, y);
  });
}

void LayoutRow(TextRow& row, TextEditBuffer& text) {
  const TextEditField field = text.GetHost().GetField();
  const float width = text.GetWidth(0, text.GetLength());
  switch (field.hAlign) {
    case TextEditHAlign::kNear:
      row.x0 = field.left;
      break;
    case TextEditHAlign::kCenter:
      row.x0 = (field.left + field.right) / 2.f - width / 2.f;
      break;
    case TextEditHAlign::kFar:
      row.x0 = field.right - width;
      break;
  }
  row.x1 = row.x0 + width;
  const float height = field.bottom - field.top;
  switch (field.vAlign) {
    case TextEditVAlign::kTop:
      row.top = 0.f;
      break;
    case TextEditVAlign::kMiddle:
      row.top = (height - field.textSize) / 2.f;
      break;
    case TextEditVAlign::kBottom:
      row.top = height - field.textSize;
      break;
  }
  row.bottom = row.top + field.textSize;
  row.baselineStep = 1.25f;
  row.numChars = text.GetLength();
}

int LocateCoord(TextEditBuffer& text, float x, float y) {
  const int length = text.GetLength();
  if (length == 0) return length;
  TextRow row;
  LayoutRow(row, text);
  if (y < row.top) return 0;
  if (y >= row.bottom) return length;
  if (x < row.x0) return 0;
  if (x >= row.x1) return text.GetChar(length - 1) == kLineFeed ? length - 1 : length;
  float left = row.x0;
  for (int k = 0; k < length; ++k) {
    const float width = text.GetCharWidth(k);
    if (x < left + width) return x < left + width / 2.f ? k : k + 1;
    left += width;
  }
  return length;
}

TextCharPos FindCharPos(TextEditBuffer& text, int position) {
  TextRow row;
  LayoutRow(row, text);
  return {row.x0 + text.GetWidth(0, position), 0, row.numChars};
}

int NextWordStart(const TextEditBuffer& text, int position) {
  for (int p = std::max(position + 1, 1); p < text.GetLength(); ++p)
    if (IsWordStart(text, p)) return p;
  return text.GetLength();
}

int PreviousWordStart(const TextEditBuffer& text, int position) {
  for (int p = std::min(position, text.GetLength()) - 1; p > 0; --p)
    if (IsWordStart(text, p)) return p;
  return 0;
}

bool CopySelection(TextEditBuffer& text, TextEditState& state) {
  return Tracked(text, state, [&] {
    if (state.HasSelection())
      text.GetHost().SetClipboardText(text.GetUTF8(state.SelectionLow(), state.SelectionHigh()).c_str());
  });
}

bool CutSelection(TextEditBuffer& text, TextEditState& state) {
  return Tracked(text, state, [&] {
    CopySelection(text, state);
    DeleteSelection(text, state);
  });
}

bool Paste(TextEditBuffer& text, TextEditState& state) {
  return Tracked(text, state, [&] {
    const std::u16string pasted = UTF8ToUTF16(text.GetHost().GetClipboardText());
    if (!pasted.empty()) InsertUndoably(text, state, pasted.data(), static_cast<int>(pasted.size()));
  });
}

bool SelectAll(TextEditBuffer& text, TextEditState& state) {
  return Tracked(text, state, [&] {
    state.selectStart = 0;
    state.selectEnd = text.GetLength();
  });
}

}  // namespace fx::gfx
