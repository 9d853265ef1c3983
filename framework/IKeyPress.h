// A key event as the editor receives it: a Windows-style virtual key code (8 backspace, 9 tab, 13 return,
// 27 escape, 32 space, 33-40 paging and arrows, 45 insert, 46 delete, 48-57 digits, 65-90 letters, 96-105
// keypad digits; 0 when the key has none), the typed character as UTF-8 and the modifier flags.
#pragma once

#include "framework/BoundedCopy.h"

namespace fx {

struct IKeyPress {
  static constexpr int kUTF8Size = 5;

  int VK = 0;
  char utf8[kUTF8Size] = {};
  bool S = false;  // shift
  bool C = false;  // command (control on Linux)
  bool A = false;  // option (alt)

  IKeyPress() = default;
  // Keeps at most four bytes of the typed text, always zero-terminated; null means no character.
  IKeyPress(const char* typed, int vk, bool shift = false, bool command = false, bool option = false)
      : VK(vk), S(shift), C(command), A(option) {
    if (typed) CopyBounded(utf8, typed);
  }
};

}  // namespace fx
