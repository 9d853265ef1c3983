#include "platform/window/Cursor.h"

#include "platform/window/Backend.h"

namespace platform::window {

bool IsCursorAvailable(CursorKind shape) {
  return CurrentBackend().HasCursorKind(shape);
}

void SetCursor(CursorKind shape) {
  Backend& backend = CurrentBackend();
  backend.cursorKind = shape;
  backend.ApplyCursor(shape, backend.cursorCounters.visible);
}

CursorKind CurrentCursor() {
  return CurrentBackend().cursorKind;
}

Screen MainScreen() {
  Backend& backend = CurrentBackend();
  const double scale = backend.BackingScaleFactor();
  const Size pixels = backend.DisplayPixels();
  return Screen{Rect{{}, {pixels.width / scale, pixels.height / scale}}, scale};
}

Point MouseLocation() {
  Backend& backend = CurrentBackend();
  const double scale = backend.BackingScaleFactor();
  const Point p = backend.PointerPixels();
  return Point{p.x / scale, (backend.DisplayPixels().height - p.y) / scale};
}

bool PointerButtonDown() {
  return CurrentBackend().PointerButtonDown();
}

double DisplayPixelsHigh() {
  return MainScreen().frame.size.height;
}

void DisplayHideCursor() {
  Backend& backend = CurrentBackend();
  ++backend.cursorCounters.hides;
  ++backend.cursorHideLevel;
  backend.cursorCounters.visible = backend.cursorHideLevel <= 0;
  backend.ApplyCursor(backend.cursorKind, backend.cursorCounters.visible);
}

void DisplayShowCursor() {
  Backend& backend = CurrentBackend();
  ++backend.cursorCounters.shows;
  if (backend.cursorHideLevel > 0) --backend.cursorHideLevel;
  backend.cursorCounters.visible = backend.cursorHideLevel <= 0;
  backend.ApplyCursor(backend.cursorKind, backend.cursorCounters.visible);
}

void DisplayMoveCursorToPoint(Point point) {
  Backend& backend = CurrentBackend();
  ++backend.cursorCounters.warps;
  backend.cursorCounters.lastWarp = point;
  const double scale = backend.BackingScaleFactor();
  backend.WarpPointer(Point{point.x * scale, point.y * scale});
}

void AssociateMouseAndMouseCursorPosition(bool connected) {
  CurrentBackend().cursorCounters.associated = connected;
}

const CursorCounters& GetCursorCounters() {
  return CurrentBackend().cursorCounters;
}

}  // namespace platform::window
