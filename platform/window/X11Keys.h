// Translation of X11 key symbols and modifier state into the layer's key codes, characters and modifier
// flags. Takes plain numbers (keysyms, the event's state bits) so that it can be tested without a display.
// Pure functions, any thread.
#pragma once

#include <string>

namespace platform::window {

struct TranslatedKey {
  int keyCode;
  std::u32string characters;
  std::u32string charactersIgnoringModifiers;
};

// keysym: the key's symbol with every modifier applied; shiftedKeysym: with shift and caps lock only;
// baseKeysym: the key's first symbol (no modifier), which names the physical key; state: the event's
// modifier bits.
TranslatedKey TranslateX11Key(unsigned long keysym, unsigned long shiftedKeysym, unsigned long baseKeysym,
                              unsigned state);
unsigned TranslateX11Modifiers(unsigned state);

}  // namespace platform::window
