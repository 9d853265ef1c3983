#include "platform/window/X11Keys.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include "platform/window/Event.h"

namespace platform::window {

namespace {

struct KeyEntry {
  unsigned long keysym;
  int keyCode;
  char32_t character;  // 0: the keysym's own character
};

// Keys whose code or character does not follow from the keysym's character.
constexpr KeyEntry kKeys[] = {
    {XK_BackSpace, keycode::kDelete, 0x7F},
    {XK_Tab, keycode::kTab, 0x09},
    {XK_ISO_Left_Tab, keycode::kTab, 0x19},
    {XK_Return, keycode::kReturn, 0x0D},
    {XK_Escape, keycode::kEscape, 0x1B},
    {XK_space, keycode::kSpace, U' '},
    {XK_Delete, keycode::kForwardDelete, functionkey::kDelete},
    {XK_Insert, keycode::kHelp, functionkey::kInsert},
    {XK_Help, keycode::kHelp, functionkey::kHelp},
    {XK_Home, keycode::kHome, functionkey::kHome},
    {XK_End, keycode::kEnd, functionkey::kEnd},
    {XK_Page_Up, keycode::kPageUp, functionkey::kPageUp},
    {XK_Page_Down, keycode::kPageDown, functionkey::kPageDown},
    {XK_Left, keycode::kLeftArrow, functionkey::kLeftArrow},
    {XK_Right, keycode::kRightArrow, functionkey::kRightArrow},
    {XK_Up, keycode::kUpArrow, functionkey::kUpArrow},
    {XK_Down, keycode::kDownArrow, functionkey::kDownArrow},
    {XK_KP_Enter, keycode::kKeypadEnter, 0x03},
    {XK_KP_Decimal, keycode::kKeypadDecimal, U'.'},
    {XK_KP_Delete, keycode::kKeypadDecimal, functionkey::kDelete},
    {XK_KP_Multiply, keycode::kKeypadMultiply, U'*'},
    {XK_KP_Add, keycode::kKeypadPlus, U'+'},
    {XK_KP_Subtract, keycode::kKeypadMinus, U'-'},
    {XK_KP_Divide, keycode::kKeypadDivide, U'/'},
    {XK_KP_Equal, keycode::kKeypadEquals, U'='},
    {XK_Clear, keycode::kKeypadClear, functionkey::kClear},
    {XK_Num_Lock, keycode::kKeypadClear, functionkey::kClear},
    {XK_KP_Insert, keycode::kKeypad0, functionkey::kInsert},
    {XK_KP_End, keycode::kKeypad1, functionkey::kEnd},
    {XK_KP_Down, keycode::kKeypad2, functionkey::kDownArrow},
    {XK_KP_Page_Down, keycode::kKeypad3, functionkey::kPageDown},
    {XK_KP_Left, keycode::kKeypad4, functionkey::kLeftArrow},
    {XK_KP_Begin, keycode::kKeypad5, functionkey::kClear},
    {XK_KP_Right, keycode::kKeypad6, functionkey::kRightArrow},
    {XK_KP_Home, keycode::kKeypad7, functionkey::kHome},
    {XK_KP_Up, keycode::kKeypad8, functionkey::kUpArrow},
    {XK_KP_Page_Up, keycode::kKeypad9, functionkey::kPageUp},
};

constexpr int kKeypadDigits[] = {keycode::kKeypad0, keycode::kKeypad1, keycode::kKeypad2, keycode::kKeypad3,
                                 keycode::kKeypad4, keycode::kKeypad5, keycode::kKeypad6, keycode::kKeypad7,
                                 keycode::kKeypad8, keycode::kKeypad9};
constexpr int kFunctionKeys[] = {keycode::kF1,  keycode::kF2,  keycode::kF3,  keycode::kF4,
                                 keycode::kF5,  keycode::kF6,  keycode::kF7,  keycode::kF8,
                                 keycode::kF9,  keycode::kF10, keycode::kF11, keycode::kF12,
                                 keycode::kF13, keycode::kF14, keycode::kF15, keycode::kF16};
// The ANSI layout's codes of the letters a to z and the digits 0 to 9.
constexpr int kLetters[] = {keycode::kA, keycode::kB, keycode::kC, keycode::kD, keycode::kE, keycode::kF, keycode::kG,
                            keycode::kH, keycode::kI, keycode::kJ, keycode::kK, keycode::kL, keycode::kM, keycode::kN,
                            keycode::kO, keycode::kP, keycode::kQ, keycode::kR, keycode::kS, keycode::kT, keycode::kU,
                            keycode::kV, keycode::kW, keycode::kX, keycode::kY, keycode::kZ};
constexpr int kDigits[] = {keycode::k0, keycode::k1, keycode::k2, keycode::k3, keycode::k4,
                           keycode::k5, keycode::k6, keycode::k7, keycode::k8, keycode::k9};

const KeyEntry* Find(unsigned long keysym) {
  for (const KeyEntry& entry : kKeys) {
    if (entry.keysym == keysym) return &entry;
  }
  return nullptr;
}

// The character a keysym types: Latin-1 keysyms are their own code, keysyms from 0x1000000 carry a Unicode
// code point, keypad digits and function keys are mapped; 0 for none.
char32_t Character(unsigned long keysym) {
  if (const KeyEntry* entry = Find(keysym)) return entry->character;
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return U'0' + static_cast<char32_t>(keysym - XK_KP_0);
  if (keysym >= XK_F1 && keysym <= XK_F35) return functionkey::kF1 + static_cast<char32_t>(keysym - XK_F1);
  if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) return static_cast<char32_t>(keysym);
  if (keysym >= 0x1000100 && keysym <= 0x110FFFF) return static_cast<char32_t>(keysym - 0x1000000);
  return 0;
}

int KeyCode(unsigned long baseKeysym) {
  if (const KeyEntry* entry = Find(baseKeysym)) return entry->keyCode;
  if (baseKeysym >= XK_KP_0 && baseKeysym <= XK_KP_9) return kKeypadDigits[baseKeysym - XK_KP_0];
  if (baseKeysym >= XK_F1 && baseKeysym <= XK_F16) return kFunctionKeys[baseKeysym - XK_F1];
  if (baseKeysym >= XK_a && baseKeysym <= XK_z) return kLetters[baseKeysym - XK_a];
  if (baseKeysym >= XK_A && baseKeysym <= XK_Z) return kLetters[baseKeysym - XK_A];
  if (baseKeysym >= XK_0 && baseKeysym <= XK_9) return kDigits[baseKeysym - XK_0];
  return keycode::kUnknown;
}

std::u32string AsText(char32_t c) {
  return c ? std::u32string(1, c) : std::u32string();
}

}  // namespace

TranslatedKey TranslateX11Key(unsigned long keysym, unsigned long shiftedKeysym, unsigned long baseKeysym,
                              unsigned state) {
  char32_t typed = Character(keysym);
  // Control turns a letter into its control character, as terminals and text fields expect.
  if ((state & ControlMask) && ((typed >= U'a' && typed <= U'z') || (typed >= U'A' && typed <= U'Z'))) {
    typed &= 0x1F;
  }
  return TranslatedKey{KeyCode(baseKeysym), AsText(typed), AsText(Character(shiftedKeysym))};
}

unsigned TranslateX11Modifiers(unsigned state) {
  unsigned flags = 0;
  if (state & LockMask) flags |= modifier::kCapsLock;
  if (state & ShiftMask) flags |= modifier::kShift;
  if (state & ControlMask) flags |= modifier::kControl;
  if (state & Mod1Mask) flags |= modifier::kOption;
  if (state & Mod4Mask) flags |= modifier::kCommand;
  return flags;
}

}  // namespace platform::window
