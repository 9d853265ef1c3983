// A one-line text field placed over a view to edit a value in place: text, font, colours and alignment,
// a cell that says where the text sits, a formatter that may refuse each edit, and a delegate told when
// editing ends. Editing starts when the field becomes first responder; the back end then supplies the
// user's typing (headless: from the script; X11: an input dialog) and ends the editing later, from the pump.
// Every operation: the main thread; none blocks.
#pragma once

#include <memory>
#include <string>

#include "platform/window/Color.h"
#include "platform/window/View.h"

namespace platform::window {

class TextField;

// Decides whether a proposed text may stand.
class Formatter {
 public:
  virtual ~Formatter() = default;
  // The whole text the field would hold after the edit, in UTF-8. False refuses the edit.
  virtual bool IsPartialStringValid(const std::string& partial) = 0;
};

class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  // Editing ended (committed, or cancelled with the text put back as it was).
  virtual void ControlTextDidEndEditing(TextField& field) = 0;
};

// The font a field shows: a font file (as platform/fonts finds it) and a size in points.
struct FieldFont {
  std::string file;
  int faceIndex = 0;
  double size = 12.0;
};

enum class TextAlignment { kLeft = 0, kRight = 1, kCenter = 2, kJustified = 3, kNatural = 4 };
enum class LineBreakMode { kWordWrap = 0, kCharWrap = 1, kClipping = 2, kTruncateHead = 3, kTruncateTail = 4 };

// Lays out a field's text.
class TextFieldCell {
 public:
  virtual ~TextFieldCell() = default;
  // Where the text is drawn inside bounds; by default the whole bounds.
  virtual Rect DrawingRectForBounds(Rect bounds) { return bounds; }
  // The size the text needs: one line of the font (1.2 x its size, a common line height) plus a point
  // above and below.
  Size CellSize() const;
  // Opens the field editor over frame; subclasses move it (the base puts it at frame).
  virtual void EditWithFrame(Rect frame);
  // Opens the field editor over frame with length characters from start selected; subclasses move it (the
  // base puts it at frame and leaves the selection to the back end).
  virtual void SelectWithFrame(Rect frame, int start, int length);
  void SetFont(const FieldFont& font) { mFont = font; }
  Rect EditorFrame() const { return mEditorFrame; }

 private:
  FieldFont mFont;
  Rect mEditorFrame;
};

// The editor of a field while it edits.
struct FieldEditor {
  Color insertionPointColor;
};

class TextField : public View {
 public:
  explicit TextField(Rect frame);
  ~TextField() override;

  const std::string& StringValue() const { return mText; }
  void SetStringValue(std::string utf8) { mText = std::move(utf8); }
  Formatter* GetFormatter() const { return mFormatter.get(); }
  void SetFormatter(std::unique_ptr<Formatter> formatter) { mFormatter = std::move(formatter); }
  TextFieldCell& Cell() { return *mCell; }
  void SetCell(std::unique_ptr<TextFieldCell> cell);
  TextFieldDelegate* Delegate() const { return mDelegate; }
  void SetDelegate(TextFieldDelegate* delegate) { mDelegate = delegate; }

  const FieldFont& Font() const { return mFont; }
  void SetFont(const FieldFont& font);
  TextAlignment Alignment() const { return mAlignment; }
  void SetAlignment(TextAlignment alignment) { mAlignment = alignment; }
  LineBreakMode GetLineBreakMode() const { return mLineBreak; }
  void SetLineBreakMode(LineBreakMode mode) { mLineBreak = mode; }
  void SetAllowsEditingTextAttributes(bool allows) { mRichText = allows; }
  Color TextColor() const { return mTextColor; }
  void SetTextColor(Color color) { mTextColor = color; }
  Color BackgroundColor() const { return mBackgroundColor; }
  void SetBackgroundColor(Color color) { mBackgroundColor = color; }
  void SetDrawsBackground(bool draws) { mDrawsBackground = draws; }
  void SetBordered(bool bordered) { mBordered = bordered; }
  bool IsBordered() const { return mBordered; }
  void SetFocusRingNone(bool none) { mFocusRingNone = none; }
  void SetEditable(bool editable) { mEditable = editable; }

  // The field editor while the field edits; null otherwise.
  FieldEditor* CurrentEditor() { return mEditing ? &mEditor : nullptr; }
  bool IsEditing() const { return mEditing; }

  bool AcceptsFirstResponder() const override { return mEditable; }
  // Starts editing: opens the field editor over the cell's place and asks the back end for the typing.
  bool BecomeFirstResponder() override;
  // Giving up the focus ends editing and keeps the text, as leaving a field does on the desktop.
  bool ResignFirstResponder() override;
  void RemoveFromSuperview() override;

  // Editing, as the user's typing arrives. Each proposes the whole new text to the formatter first and
  // leaves the text unchanged when it refuses. InsertText appends (typing, pasting at the end);
  // ReplaceText replaces everything.
  bool InsertText(const std::string& utf8);
  bool ReplaceText(const std::string& utf8);
  // Ends editing: committed keeps the text, cancelled puts back the text editing began with; the delegate is
  // told in both cases. Nothing while the field does not edit.
  void EndEditing(bool commit);

 private:
  bool Propose(std::string text);

  std::string mText;
  std::string mTextBeforeEditing;
  std::unique_ptr<Formatter> mFormatter;
  std::unique_ptr<TextFieldCell> mCell;
  TextFieldDelegate* mDelegate = nullptr;
  FieldFont mFont;
  TextAlignment mAlignment = TextAlignment::kNatural;
  LineBreakMode mLineBreak = LineBreakMode::kClipping;
  bool mRichText = false;
  Color mTextColor{0, 0, 0, 1};
  Color mBackgroundColor{1, 1, 1, 1};
  bool mDrawsBackground = true;
  bool mBordered = true;
  bool mFocusRingNone = false;
  bool mEditable = true;
  bool mEditing = false;
  FieldEditor mEditor;
  // Shared with the back end's pending answer, which must not touch a field that is gone.
  std::shared_ptr<TextField*> mSelf;
};

}  // namespace platform::window
