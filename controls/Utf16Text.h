// Conversion between the UTF-8 text of the graphics core and the UTF-16 text the editing engine works on.
// Malformed input never fails: each bad sequence becomes U+FFFD, so a conversion cannot end the program.
// Pure functions; any thread, never blocks.
#pragma once

#include <string>
#include <string_view>

namespace fx::gfx {

inline constexpr char16_t kReplacementChar = 0xFFFD;

// A bad lead byte, a truncated or overlong sequence, an encoded surrogate or a code point above U+10FFFF
// gives one U+FFFD and conversion resumes at the next byte.
std::u16string UTF8ToUTF16(std::string_view utf8);

// A surrogate without its partner gives U+FFFD (three bytes), so every unit still yields some text.
std::string UTF16ToUTF8(std::u16string_view utf16);

}  // namespace fx::gfx
