#include "platform/window/TextField.h"

#include <cmath>

#include "platform/window/Backend.h"

namespace platform::window {

Size TextFieldCell::CellSize() const {
  return Size{0.0, std::ceil(mFont.size * 1.2) + 2.0};
}

void TextFieldCell::EditWithFrame(Rect frame) {
  mEditorFrame = frame;
}

void TextFieldCell::SelectWithFrame(Rect frame, int, int) {
  mEditorFrame = frame;
}

TextField::TextField(Rect frame)
    : View(frame), mCell(std::make_unique<TextFieldCell>()), mSelf(std::make_shared<TextField*>(this)) {}

TextField::~TextField() {
  *mSelf = nullptr;
}

void TextField::SetCell(std::unique_ptr<TextFieldCell> cell) {
  if (!cell) return;
  mCell = std::move(cell);
  mCell->SetFont(mFont);
}

void TextField::SetFont(const FieldFont& font) {
  mFont = font;
  mCell->SetFont(font);
}

bool TextField::BecomeFirstResponder() {
  if (mEditing) return true;
  Window* window = GetWindow();
  if (!window) return false;
  mEditing = true;
  mTextBeforeEditing = mText;
  mEditor = FieldEditor{mTextColor};
  mCell->EditWithFrame(Bounds());
  const Point topLeft = ConvertPointToView(Point{0.0, Frame().size.height}, nullptr);
  const Rect onScreen = window->ConvertRectToScreen(Rect{topLeft, Frame().size});
  std::shared_ptr<TextField*> self = mSelf;
  CurrentBackend().BeginTextEntry(mText, onScreen, [self](const TextEntryAnswer& answer) {
    TextField* field = *self;
    if (!field || !field->mEditing) return;  // the field is gone or no longer edits
    for (const std::string& piece : answer.typed) {
      if (answer.replaceAll) {
        field->ReplaceText(piece);
      } else {
        field->InsertText(piece);
      }
    }
    field->EndEditing(answer.commit);
  });
  return true;
}

bool TextField::ResignFirstResponder() {
  EndEditing(true);
  return true;
}

void TextField::RemoveFromSuperview() {
  // Leaving the view tree drops an editing session without telling the delegate.
  mEditing = false;
  View::RemoveFromSuperview();
}

bool TextField::Propose(std::string text) {
  if (mFormatter && !mFormatter->IsPartialStringValid(text)) return false;
  mText = std::move(text);
  return true;
}

bool TextField::InsertText(const std::string& utf8) {
  return Propose(mText + utf8);
}

bool TextField::ReplaceText(const std::string& utf8) {
  return Propose(utf8);
}

void TextField::EndEditing(bool commit) {
  if (!mEditing) return;
  mEditing = false;
  if (!commit) mText = mTextBeforeEditing;
  if (mDelegate) mDelegate->ControlTextDidEndEditing(*this);
}

}  // namespace platform::window
