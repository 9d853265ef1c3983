// The editing engine's bounded undo/redo history: at most 99 records sharing a store of 999 UTF-16
// units. New edits make undo records and discard every redo record; undoing turns the newest undo
// record into a redo record and back. When room runs out the oldest steps are forgotten first, so the
// steps that remain always replay in order. Main thread only; nothing here blocks.
#pragma once

#include "controls/TextEditBuffer.h"
#include "controls/TextEditState.h"

namespace fx::gfx {

// Records an edit at `where` that replaced insertLength units (which undoing puts back) by deleteLength
// units (which undoing removes). Answers the store space into which the caller copies the insertLength
// replaced units, or null when nothing is to be stored. An edit larger than the store (either length
// above 999) cannot be replayed both ways: the whole history is cleared and no record made.
char16_t* CreateUndoRecord(TextUndoState& undo, int where, int insertLength, int deleteLength);

// Forgets every undo and redo record.
void ClearTextHistory(TextUndoState& undo);

// Undo and redo act on the text through its buffer and put the cursor after what they put back. A record
// that reaches beyond the current text (the text was replaced since it was made) is never applied: the
// history belongs to another text and is cleared. Nothing happens when there is no record. The record for
// the way back keeps the units the step removed only when they and the units of the records still to be
// replayed stay below the store's size; otherwise it keeps none (replaying it back only removes what the
// step put back), and no step still to be replayed is forgotten for it.
void UndoTextEdit(TextEditBuffer& text, TextEditState& state);
void RedoTextEdit(TextEditBuffer& text, TextEditState& state);

}  // namespace fx::gfx
