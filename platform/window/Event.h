// One input event as the window layer hands it to views: mouse buttons, motion, crossing, wheel and keys,
// with the desktop's click counts, modifier flags, wheel deltas and key codes. Back ends translate their
// native events into this record in one place; nothing above the layer sees a native event.
#pragma once

#include <string>

#include "platform/window/Geometry.h"

namespace platform::window {

class Window;
class TrackingArea;

enum class EventType {
  kLeftMouseDown,
  kLeftMouseUp,
  kRightMouseDown,
  kRightMouseUp,
  kOtherMouseDown,
  kOtherMouseUp,
  kMouseMoved,
  kLeftMouseDragged,
  kRightMouseDragged,
  kOtherMouseDragged,
  kMouseEntered,
  kMouseExited,
  kScrollWheel,
  kKeyDown,
  kKeyUp,
};

// Modifier flag bits. On X11: Shift, Control, Alt (Mod1) as option and Super (Mod4) as command.
namespace modifier {
inline constexpr unsigned kCapsLock = 0x10000;
inline constexpr unsigned kShift = 0x20000;
inline constexpr unsigned kControl = 0x40000;
inline constexpr unsigned kOption = 0x80000;
inline constexpr unsigned kCommand = 0x100000;
}  // namespace modifier

// Event subtypes of mouse events: an ordinary pointer, or a point from a tablet stylus.
inline constexpr int kSubtypeMouse = 0;
inline constexpr int kSubtypeTabletPoint = 1;

// Hardware-independent key codes of the layer: the virtual key numbers of the ANSI keyboard layout that
// desktop software has long used, so that key tables written against them keep working.
namespace keycode {
inline constexpr int kA = 0, kS = 1, kD = 2, kF = 3, kH = 4, kG = 5, kZ = 6, kX = 7, kC = 8, kV = 9, kB = 11;
inline constexpr int kQ = 12, kW = 13, kE = 14, kR = 15, kY = 16, kT = 17, kO = 31, kU = 32, kI = 34, kP = 35;
inline constexpr int kL = 37, kJ = 38, kK = 40, kN = 45, kM = 46;
inline constexpr int k1 = 18, k2 = 19, k3 = 20, k4 = 21, k6 = 22, k5 = 23, k9 = 25, k7 = 26, k8 = 28, k0 = 29;
inline constexpr int kReturn = 36, kTab = 48, kSpace = 49, kDelete = 51, kEscape = 53;
inline constexpr int kKeypadDecimal = 65, kKeypadMultiply = 67, kKeypadPlus = 69, kKeypadClear = 71;
inline constexpr int kKeypadDivide = 75, kKeypadEnter = 76, kKeypadMinus = 78, kKeypadEquals = 81;
inline constexpr int kKeypad0 = 82, kKeypad1 = 83, kKeypad2 = 84, kKeypad3 = 85, kKeypad4 = 86;
inline constexpr int kKeypad5 = 87, kKeypad6 = 88, kKeypad7 = 89, kKeypad8 = 91, kKeypad9 = 92;
inline constexpr int kF1 = 122, kF2 = 120, kF3 = 99, kF4 = 118, kF5 = 96, kF6 = 97, kF7 = 98, kF8 = 100;
inline constexpr int kF9 = 101, kF10 = 109, kF11 = 103, kF12 = 111, kF13 = 105, kF14 = 107, kF15 = 113;
inline constexpr int kF16 = 106;
inline constexpr int kHelp = 114, kHome = 115, kPageUp = 116, kForwardDelete = 117, kEnd = 119;
inline constexpr int kPageDown = 121, kLeftArrow = 123, kRightArrow = 124, kDownArrow = 125, kUpArrow = 126;
// A key the layer has no code for.
inline constexpr int kUnknown = 0xFFFF;
}  // namespace keycode

// Characters that keys without a printable character carry (arrows, function keys, editing keys), in the
// private-use range the desktop conventionally reserves for them.
namespace functionkey {
inline constexpr char32_t kUpArrow = 0xF700, kDownArrow = 0xF701, kLeftArrow = 0xF702, kRightArrow = 0xF703;
inline constexpr char32_t kF1 = 0xF704;  // F2 to F35 follow one by one
inline constexpr char32_t kInsert = 0xF727, kDelete = 0xF728, kHome = 0xF729, kEnd = 0xF72B;
inline constexpr char32_t kPageUp = 0xF72C, kPageDown = 0xF72D, kClear = 0xF739, kHelp = 0xF746;
}  // namespace functionkey

struct Event {
  EventType type = EventType::kMouseMoved;
  double timestamp = 0.0;  // seconds on the back end's clock
  Window* window = nullptr;
  Point locationInWindow;  // window coordinates (bottom-left origin, y upwards)
  unsigned modifierFlags = 0;
  int clickCount = 0;    // mouse down and up: 1 single, 2 double, 3 triple ...
  int buttonNumber = 0;  // 0 left, 1 right, 2 middle, 3 and on further buttons
  int subtype = kSubtypeMouse;
  double deltaX = 0.0;  // wheel: lines to the right; drags: pointer motion to the right in points
  double deltaY = 0.0;  // wheel: lines upwards (away from the user); drags: motion downwards in points
  int keyCode = keycode::kUnknown;
  std::u32string characters;                   // the text the key types, modifiers applied
  std::u32string charactersIgnoringModifiers;  // the text the key types without shift, control or option
  bool isARepeat = false;
  const TrackingArea* trackingArea = nullptr;  // entered and exited: the area crossed
};

}  // namespace platform::window
