// For test programs on a real X display: an X server resets when its last client leaves, and a test that connects
// during the reset finds no display. The program holds one connection of its own from start to end, so that the
// server never resets between its tests.
// Include after the project's headers: Xlib's macros must not meet their names.
#pragma once

#include <X11/Xlib.h>

namespace xdisplay_test {

class DisplayKeptUp {
 public:
  DisplayKeptUp() : mDisplay(XOpenDisplay(nullptr)) {}
  ~DisplayKeptUp() {
    if (mDisplay) XCloseDisplay(mDisplay);
  }
  DisplayKeptUp(const DisplayKeptUp&) = delete;
  DisplayKeptUp& operator=(const DisplayKeptUp&) = delete;

 private:
  Display* mDisplay;
};

// One per program, made before its tests run.
inline const DisplayKeptUp kDisplayKeptUp;

}  // namespace xdisplay_test
