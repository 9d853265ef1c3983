#include "controls/Utf16Text.h"

namespace fx::gfx {
namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}
bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Decodes the sequence at utf8[i]; answers the code point (U+FFFD when malformed) and sets its byte count.
char32_t DecodeUTF8(std::string_view utf8, size_t i, size_t& length) {
  const unsigned char lead = static_cast<unsigned char>(utf8[i]);
  length = 1;
  if (lead < 0x80) return lead;
  size_t count;
  char32_t code;
  char32_t smallest;  // the least code point the form may carry; anything smaller is overlong
  if ((lead & 0xE0) == 0xC0) {
    count = 2, code = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    count = 3, code = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    count = 4, code = lead & 0x07, smallest = 0x10000;
  } else {
    return kReplacementChar;
  }
  if (i + count > utf8.size()) return kReplacementChar;
  for (size_t k = 1; k < count; ++k) {
    const unsigned char byte = static_cast<unsigned char>(utf8[i + k]);
    if (!IsContinuation(byte)) return kReplacementChar;
    code = (code << 6) | (byte & 0x3F);
  }
  if (code < smallest || code > 0x10FFFF || IsHighSurrogate(code) || IsLowSurrogate(code)) return kReplacementChar;
  length = count;
  return code;
}

void AppendUTF8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::u16string UTF8ToUTF16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t length;
    const char32_t code = DecodeUTF8(utf8, i, length);
    i += length;
    if (code < 0x10000) {
      out += static_cast<char16_t>(code);
    } else {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string UTF16ToUTF8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char32_t unit = utf16[i];
    if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
      AppendUTF8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUTF8(out, kReplacementChar);
    } else {
      AppendUTF8(out, unit);
    }
  }
  return out;
}

}  // namespace fx::gfx
