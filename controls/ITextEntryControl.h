// The in-editor text entry: a one-line field drawn inside the editor over the control whose value the
// user types, instead of a native text field. It hosts the editing engine (TextEditEngine.h): cursor,
// selection, overwrite mode, undo, the clipboard through the graphics object, and a "Cut", "Copy",
// "Paste" context menu shown by whatever popup menu the editor uses.
//
// Idle -> CreateTextEntry -> editing (the caret blinks, the graphics core sends every pointer event
// here) -> Return or a click outside commits the text to IGraphics::SetControlValueAfterTextEdit;
// Escape dismisses it without setting a value -> idle. Keys are filtered by the edited parameter's type.
// The text, width cache and undo history stay between entries. Main thread only; nothing here blocks.
#pragma once

#include "controls/TextEditBuffer.h"
#include "controls/TextEditState.h"
#include "graphics/IPopupMenu.h"
#include "graphics/ITextEntryControlBase.h"

#include <string>

namespace fx::gfx {

class ITextEntryControl : public ITextEntryControlBase, public ITextEditHost {
 public:
  // Caret: shown for the first half of every second.
  static constexpr int kBlinkPeriodMs = 1000;

  ITextEntryControl();

  // Main thread, from IGraphics::CreateTextEntry after it has remembered the edited control. The field
  // accepts text of any length; the parameter index and length are not used.
  void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str) override;

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  // Answers whether the key was used (changed something, or ended the entry); Tab never is.
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  void OnEndAnimation() override;
  // Only when something shows differently: the blink's animation alone does not redraw the field every frame,
  // only the caret showing or hiding does.
  bool IsDirty() override { return mDirty; }

  // Hands the text to the graphics core and closes the field.
  void CommitEdit();
  // Closes the field without setting any value.
  void DismissEdit();
  void DropEntry() override;
  void CutSelection();
  void CopySelection();
  void Paste();
  void SelectAll();

  bool IsCaretVisible() const { return mCaretVisible; }
  const TextEditState& GetEditState() const { return mEditState; }
  std::string GetTextUTF8() const { return mBuffer.GetUTF8(0, mBuffer.GetLength()); }

  // ITextEditHost
  float MeasureText(const char* utf8) override;
  TextEditField GetField() const override;
  void SetClipboardText(const char* utf8) override;
  std::string GetClipboardText() override;

 private:
  void StartBlink();
  void BlinkTick();
  void Close();
  // Redraws when the edit state changed; answers whether it did.
  bool Changed(bool changed);
  // The engine key code for a key that edits text, filtered by the edited parameter's type.
  int EngineKeyCode(const IKeyPress& key) const;

  bool mCaretVisible = false;
  TextEditState mEditState;
  TextEditBuffer mBuffer{*this};
  IPopupMenu mContextMenu;
};

}  // namespace fx::gfx
