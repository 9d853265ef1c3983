#include "framework/vst2/VST2KeyCodes.h"

#include <array>

namespace fx {

namespace {

constexpr int kVstKeyEquals = 57;

// Virtual key of each VST key 1..56 (index 0 unused): back, tab, clear, return, pause, escape, space,
// next, end, home, the four arrows, page up and down, select, print, enter, snapshot, insert, delete,
// help, keypad 0-9, multiply, add, separator, subtract, decimal, divide, F1-F12, num lock, scroll,
// shift, control, alt.
constexpr std::array<int, 57> kVirtualKeys = {
    0x00, 0x08, 0x09, 0x0C, 0x0D, 0x13, 0x1B, 0x20, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x21, 0x22, 0x29, 0x2A,
    0x0D, 0x2C, 0x2D, 0x2E, 0x2F, 0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D,
    0x6E, 0x6F, 0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x90, 0x91, 0x10, 0x11, 0x12};

int CharacterToVirtualKey(int character) {
  if ((character >= '0' && character <= '9') || (character >= 'A' && character <= 'Z')) return character;
  if (character >= 'a' && character <= 'z') return character - 'a' + 'A';
  return 0;
}

}  // namespace

int VST2KeyToVirtualKey(int vstKey, int character) {
  if (vstKey == 0 || vstKey == kVstKeyEquals) return CharacterToVirtualKey(character);
  if (vstKey < 0 || vstKey > kVstKeyEquals) return 0;
  return kVirtualKeys[vstKey];
}

}  // namespace fx
