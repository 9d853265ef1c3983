#include "graphics/platform/IGraphicsTextField.h"

#include <climits>
#include <cstdint>

#include "graphics/vector/FontManager.h"

namespace fx::gfx {

namespace {

namespace pw = platform::window;

// The code points of a UTF-8 text (the renderer's strict decoder); nullopt for a malformed or cut-off sequence.
std::optional<std::u32string> DecodeUtf8(const std::string& text) {
  std::u32string out;
  unsigned int state = FNT_UTF8_ACCEPT;
  unsigned int codepoint = 0;
  for (const char byte : text) {
    if (fntDecodeUtf8(&state, &codepoint, static_cast<unsigned char>(byte)) == FNT_UTF8_REJECT) return std::nullopt;
    if (state == FNT_UTF8_ACCEPT) out.push_back(static_cast<char32_t>(codepoint));
  }
  if (state != FNT_UTF8_ACCEPT) return std::nullopt;
  return out;
}

// The integer a text starts with, as the desktop's string classes read it: blanks skipped, an optional
// sign, decimal digits; 0 when there are none; clamped to the range of an int.
int LeadingIntValue(const std::u32string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == U' ' || text[i] == U'\t' || text[i] == U'\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == U'-' || text[i] == U'+')) negative = text[i++] == U'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= U'0' && text[i] <= U'9'; ++i) {
    value = value * 10 + (text[i] - U'0');
    if (value > static_cast<int64_t>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}

}  // namespace

bool IGraphicsTextField::BecomeFirstResponder() {
  if (!TextField::BecomeFirstResponder()) return false;
  if (pw::FieldEditor* editor = CurrentEditor()) editor->insertionPointColor = TextColor();
  return true;
}

pw::Rect IGraphicsTextFieldCell::DrawingRectForBounds(pw::Rect bounds) {
  pw::Rect rect = TextFieldCell::DrawingRectForBounds(bounds);
  if (mIsEditingOrSelecting) return rect;
  rect.origin.x += 3.0;
  rect.size.width -= 6.0;
  const double spare = rect.size.height - CellSize().height;
  if (spare > 0.0) {
    rect.size.height -= spare;
    rect.origin.y += spare * 0.5;
  }
  return rect;
}

void IGraphicsTextFieldCell::EditWithFrame(pw::Rect frame) {
  const pw::Rect centred = DrawingRectForBounds(frame);
  mIsEditingOrSelecting = true;
  TextFieldCell::EditWithFrame(centred);
  mIsEditingOrSelecting = false;
}

void IGraphicsTextFieldCell::SelectWithFrame(pw::Rect frame, int start, int length) {
  const pw::Rect centred = DrawingRectForBounds(frame);
  mIsEditingOrSelecting = true;
  TextFieldCell::SelectWithFrame(centred, start, length);
  mIsEditingOrSelecting = false;
}

bool IGraphicsFormatter::IsPartialStringValid(const std::string& partial) {
  const std::optional<std::u32string> text = DecodeUtf8(partial);
  if (!text) return false;
  if (filterCharacterSet) {
    for (char32_t c : *text) {
      if (filterCharacterSet->find(c) == std::u32string::npos) return false;
    }
  }
  if (maxLength != 0 && static_cast<int>(text->size()) > maxLength) return false;
  if (maxValue != 0) return LeadingIntValue(*text) <= maxValue;
  return true;
}

const std::string* IGraphicsFormatter::StringForObjectValue(const std::any& object) {
  return std::any_cast<std::string>(&object);
}

bool IGraphicsFormatter::GetObjectValue(std::any* object, const std::string* string) {
  if (object && string) *object = std::string(*string);
  return true;
}

}  // namespace fx::gfx
