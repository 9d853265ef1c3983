// The state of one text field's editing: cursor, selection, modes and the bounded undo/redo history,
// and the key codes the editing engine understands. Plain values, compared member by member (never
// bytewise, so padding cannot make two equal states differ). Owned by one field; main thread only.
#pragma once

#include <array>
#include <cstdint>

namespace fx::gfx {

// Key codes for HandleEditKey. A text key is its character code; a non-text key is kKeyDown plus its
// virtual key code. The modifier bits may be added to either.
namespace TextEditKey {
inline constexpr int kKeyDown = static_cast<int>(0x80000000u);
inline constexpr int kShift = 0x40000000;
inline constexpr int kControl = 0x20000000;  // the Command key
inline constexpr int kAlt = 0x10000000;      // the Option key
inline constexpr int kModifierMask = kKeyDown | kShift | kControl | kAlt;

inline constexpr int kBackspace = kKeyDown | 8;
inline constexpr int kPageUp = kKeyDown | 33;
inline constexpr int kPageDown = kKeyDown | 34;
inline constexpr int kEnd = kKeyDown | 35;
inline constexpr int kHome = kKeyDown | 36;
inline constexpr int kLeft = kKeyDown | 37;
inline constexpr int kUp = kKeyDown | 38;
inline constexpr int kRight = kKeyDown | 39;
inline constexpr int kDown = kKeyDown | 40;
inline constexpr int kInsert = kKeyDown | 45;
inline constexpr int kDelete = kKeyDown | 46;
inline constexpr int kUndo = kControl | 'z';
inline constexpr int kRedo = kShift | kControl | 'z';
}  // namespace TextEditKey

// One step of the history: undoing it removes deleteLength units at `where` and puts back insertLength
// units kept in the history's character store at charStorage (-1 when it keeps none).
struct TextUndoRecord {
  int32_t where = 0;
  int32_t insertLength = 0;
  int32_t deleteLength = 0;
  int32_t charStorage = -1;

  bool operator==(const TextUndoRecord&) const = default;
};

// Undo records fill the record array and the character store from the bottom, redo records from the top.
struct TextUndoState {
  static constexpr int kMaxRecords = 99;
  static constexpr int kMaxChars = 999;

  std::array<TextUndoRecord, kMaxRecords> records{};
  std::array<char16_t, kMaxChars> chars{};
  int16_t undoPoint = 0;              // number of undo records
  int16_t redoPoint = kMaxRecords;    // index of the newest redo record; kMaxRecords when there is none
  int32_t undoCharPoint = 0;          // store units used by undo records
  int32_t redoCharPoint = kMaxChars;  // start of the redo records' units; kMaxChars when there are none

  bool operator==(const TextUndoState&) const = default;
};

// Positions lie between UTF-16 units, 0 to the text's length; the selection is the span between its two
// ends, in either order, and is empty when they are equal.
struct TextEditState {
  int32_t cursor = 0;
  int32_t selectStart = 0;
  int32_t selectEnd = 0;
  uint8_t insertMode = 0;  // 1: typing overwrites the unit at the cursor
  uint8_t cursorAtEndOfLine = 0;
  uint8_t initialized = 0;
  uint8_t hasPreferredX = 0;
  uint8_t singleLine = 0;
  float preferredX = 0.f;
  TextUndoState undo;

  bool operator==(const TextEditState&) const = default;

  bool HasSelection() const { return selectStart != selectEnd; }
  int SelectionLow() const { return selectStart < selectEnd ? selectStart : selectEnd; }
  int SelectionHigh() const { return selectStart < selectEnd ? selectEnd : selectStart; }
};

// Resets everything, the history included, and marks the state initialised.
inline void InitTextEditState(TextEditState& state, bool singleLine) {
  state = TextEditState{};
  state.initialized = 1;
  state.singleLine = singleLine ? 1 : 0;
}

// The layout of the field's one row, in editor points; top and bottom are relative to the field's top.
struct TextRow {
  float x0 = 0.f;
  float x1 = 0.f;
  float baselineStep = 1.25f;
  float top = 0.f;
  float bottom = 0.f;
  int32_t numChars = 0;
};

}  // namespace fx::gfx
