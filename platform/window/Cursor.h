// The pointer: cursor shapes, hiding, warping and the screen it moves on. Shapes follow the desktop's
// stock set; hiding nests (each hide needs a show); while the pointer and the cursor are dissociated a warp
// moves the cursor without reporting motion. Every function: the main thread; none blocks.
#pragma once

#include "platform/window/Geometry.h"

namespace platform::window {

enum class CursorKind {
  kArrow,
  kIBeam,
  kBusyButClickable,
  kCrosshair,
  kResizeNorth,
  kResizeNorthWestSouthEast,
  kResizeNorthEastSouthWest,
  kResizeEastWest,
  kResizeNorthSouth,
  kMove,
  kOperationNotAllowed,
  kPointingHand,
  kHelp,
};

// Whether the back end has a picture for the shape (X11: the cursor theme or the core cursor font).
bool IsCursorAvailable(CursorKind shape);
// Makes shape the cursor of every window of the layer.
void SetCursor(CursorKind shape);
CursorKind CurrentCursor();

// The main screen: its frame in screen coordinates (origin 0, 0) and its pixels per point.
struct Screen {
  Rect frame;
  double backingScaleFactor = 1.0;
};
Screen MainScreen();

// The pointer's position in screen coordinates (bottom-left origin, y upwards, points).
Point MouseLocation();
// Whether a pointer button is held now, as the window system has it: ahead of the input handled so far.
bool PointerButtonDown();
// The main display's height in points; turns screen y into display y (display y = height - screen y).
double DisplayPixelsHigh();
void DisplayHideCursor();
void DisplayShowCursor();
// point in display coordinates (top-left origin, y downwards, points).
void DisplayMoveCursorToPoint(Point point);
void AssociateMouseAndMouseCursorPosition(bool connected);

// What the cursor functions have done so far, for tests and diagnostics.
struct CursorCounters {
  int hides = 0;
  int shows = 0;
  int warps = 0;
  Point lastWarp;  // display coordinates
  bool associated = true;
  bool visible = true;
};
const CursorCounters& GetCursorCounters();

}  // namespace platform::window
