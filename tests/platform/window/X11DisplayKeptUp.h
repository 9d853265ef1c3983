// For test programs on a real X display: an X server resets when its last client leaves, and a test that connects
// during the reset finds no display. The program holds one connection of its own from start to end, so that the
// server never resets between its tests.
// Include after the project's headers: Xlib's macros must not meet their names.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

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

// For a test that plays the user through XTest: opens its own connection into display, or skips the test where
// there is no display or no XTest (a display that does not open fails it). The caller returns when the test is
// skipped or failed.
inline void OpenDisplayForXTest(Display*& display) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTest extension";
}

}  // namespace xdisplay_test
