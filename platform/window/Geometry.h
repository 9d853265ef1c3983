// Points, sizes and rectangles of the window layer, in doubles like the desktop's own geometry.
// Conventions: a view's coordinates run from the top-left corner of its bounds, y downwards; window
// coordinates (an event's location in its window) run from the bottom-left corner of the window's content,
// y upwards; screen coordinates run from the bottom-left corner of the main screen, y upwards; display
// coordinates (the cursor functions) run from the top-left corner of the main display, y downwards.
#pragma once

#include <algorithm>

namespace platform::window {

struct Point {
  double x = 0.0;
  double y = 0.0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0.0;
  double height = 0.0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  Point origin;
  Size size;
  bool operator==(const Rect&) const = default;

  double MinX() const { return origin.x; }
  double MinY() const { return origin.y; }
  double MaxX() const { return origin.x + size.width; }
  double MaxY() const { return origin.y + size.height; }
  bool IsEmpty() const { return size.width <= 0.0 || size.height <= 0.0; }
  // Half-open: the left and top edges belong to the rectangle, the right and bottom ones do not.
  bool Contains(Point p) const { return p.x >= MinX() && p.x < MaxX() && p.y >= MinY() && p.y < MaxY(); }
};

inline Rect MakeRect(double x, double y, double width, double height) {
  return Rect{{x, y}, {width, height}};
}

// A rectangle of a frame's pixels, from the frame's top-left corner, y downwards.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PixelRect&) const = default;

  bool IsEmpty() const { return width <= 0 || height <= 0; }
  // The smallest rectangle holding both; an empty one adds nothing.
  PixelRect Union(const PixelRect& other) const {
    if (other.IsEmpty()) return *this;
    if (IsEmpty()) return other;
    const int left = std::min(x, other.x), top = std::min(y, other.y);
    return {left, top, std::max(x + width, other.x + other.width) - left,
            std::max(y + height, other.y + other.height) - top};
  }
  // The pixels in both; empty (all zero) when they do not meet.
  PixelRect Intersection(const PixelRect& other) const {
    const int left = std::max(x, other.x), top = std::max(y, other.y);
    const int right = std::min(x + width, other.x + other.width), bottom = std::min(y + height, other.y + other.height);
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
  }
};

}  // namespace platform::window
