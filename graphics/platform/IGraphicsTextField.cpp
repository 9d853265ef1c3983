#include "graphics/platform/IGraphicsTextField.h"

#include <climits>
#include <cstdint>

namespace fx::gfx {

namespace {

namespace pw = platform::window;

// The code points of a UTF-8 text; nullopt for a malformed sequence.
std::optional<std::u32string> DecodeUtf8(const std::string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) return std::nullopt;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    out.push_back(c);
    i += static_cast<size_t>(extra) + 1;
  }
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

bool IGraphicsTextField_vKelvadrune_vst::BecomeFirstResponder() {
  if (!TextField::BecomeFirstResponder()) return false;
  if (pw::FieldEditor* editor = CurrentEditor()) editor->insertionPointColor = TextColor();
  return true;
}

pw::Rect IGraphicsTextFieldCell_vKelvadrune_vst::DrawingRectForBounds(pw::Rect bounds) {
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

void IGraphicsTextFieldCell_vKelvadrune_vst::EditWithFrame(pw::Rect frame) {
  const pw::Rect centred = DrawingRectForBounds(frame);
  mIsEditingOrSelecting = true;
  TextFieldCell::EditWithFrame(centred);
  mIsEditingOrSelecting = false;
}

bool IGraphicsFormatter_vKelvadrune_vst::IsPartialStringValid(const std::string& partial) {
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

}  // namespace fx::gfx
