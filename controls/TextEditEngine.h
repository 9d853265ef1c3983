// The editing engine of the in-editor text field: one row of UTF-16 text with a cursor, a selection,
// insert/overwrite typing, word moves, clipboard edits and the undo/redo history of TextUndo.h, driven
// by key codes (TextEditKey) and mouse points in editor points.
//
// Each operation that can change the field answers whether the edit state changed; every text change
// shows there through its undo record, so the field redraws and counts the key as used exactly then.
// Positions carried over from an earlier text are clamped to the current one before and after each
// operation. Main thread only; nothing here blocks.
#pragma once

#include "controls/TextEditBuffer.h"
#include "controls/TextEditState.h"

namespace fx::gfx {

// Where a position lies: its x in editor points and the row that holds it.
struct TextCharPos {
  float x = 0.f;
  int rowStart = 0;
  int rowLength = 0;
};

// Applies one key code (see TextEditKey); codes the engine does not use change nothing.
bool HandleEditKey(TextEditBuffer& text, TextEditState& state, int key);
// A click collapses the selection at the position nearest the point (coordinates as for LocateCoord).
bool ClickText(TextEditBuffer& text, TextEditState& state, float x, float y);
// A drag extends the selection from where it started (the cursor, when there was none) to the point.
bool DragText(TextEditBuffer& text, TextEditState& state, float x, float y);

// The field's single row, aligned in the field as the host's text style says.
void LayoutRow(TextRow& row, TextEditBuffer& text);
// The position nearest the point (x in editor points, y from the field's top); a point exactly on a
// unit's middle goes after it.
int LocateCoord(TextEditBuffer& text, float x, float y);
TextCharPos FindCharPos(TextEditBuffer& text, int position);

// A word starts at 0 and wherever a non-space unit follows a space.
int NextWordStart(const TextEditBuffer& text, int position);
int PreviousWordStart(const TextEditBuffer& text, int position);

// Clipboard edits through the host; CopySelection never changes the state.
bool CopySelection(TextEditBuffer& text, TextEditState& state);
bool CutSelection(TextEditBuffer& text, TextEditState& state);
bool Paste(TextEditBuffer& text, TextEditState& state);
// Selects the whole text without moving the cursor.
bool SelectAll(TextEditBuffer& text, TextEditState& state);

}  // namespace fx::gfx
