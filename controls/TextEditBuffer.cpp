#include "controls/TextEditBuffer.h"

#include "controls/Utf16Text.h"

#include <algorithm>

namespace fx::gfx {

float TextEditBuffer::GetCharWidth(int idx) {
  if (mCharWidths.GetSize() != GetLength()) RebuildCharWidths();
  // A cache that could not grow measures nothing rather than reading past its end.
  if (idx < 0 || idx >= mCharWidths.GetSize()) return 0.f;
  return mCharWidths.Get()[idx];
}

float TextEditBuffer::GetWidth(int start, int end) {
  float width = 0.f;
  for (int i = std::max(start, 0); i < std::min(end, GetLength()); ++i) width += GetCharWidth(i);
  return width;
}

void TextEditBuffer::ReplaceChars(int pos, int deleteCount, const char16_t* units, int count) {
  pos = std::clamp(pos, 0, GetLength());
  deleteCount = std::clamp(deleteCount, 0, GetLength() - pos);
  mText.erase(static_cast<size_t>(pos), static_cast<size_t>(deleteCount));
  if (units && count > 0) mText.insert(static_cast<size_t>(pos), units, static_cast<size_t>(count));
  RebuildCharWidths();
}

void TextEditBuffer::SetStr(const char* utf8) {
  mText = UTF8ToUTF16(utf8 ? utf8 : "");
  mCharWidths.Resize(0);
}

std::string TextEditBuffer::GetUTF8(int start, int end) const {
  start = std::clamp(start, 0, GetLength());
  end = std::clamp(end, start, GetLength());
  return UTF16ToUTF8(std::u16string_view(mText).substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

void TextEditBuffer::RebuildCharWidths() {
  const int length = GetLength();
  float* widths = mCharWidths.Resize(length);
  if (!widths) return;
  for (int i = 0; i < length; ++i) widths[i] = MeasureCharWidth(mText[i], i > 0 ? mText[i - 1] : -1);
}

float TextEditBuffer::MeasureCharWidth(char16_t c, int previous) {
  const std::string single = UTF16ToUTF8(std::u16string_view(&c, 1));
  if (previous < 0) return mHost.MeasureText(single.c_str());
  const char16_t pair[2] = {static_cast<char16_t>(previous), c};
  const std::string both = UTF16ToUTF8(std::u16string_view(pair, 2));
  const std::string before = UTF16ToUTF8(std::u16string_view(pair, 1));
  return mHost.MeasureText(both.c_str()) - mHost.MeasureText(before.c_str());
}

}  // namespace fx::gfx
