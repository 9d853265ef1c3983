// A colour of the window layer: red, green, blue and alpha from 0 to 1, in the device's colour space.
#pragma once

namespace platform::window {

struct Color {
  double red = 0.0;
  double green = 0.0;
  double blue = 0.0;
  double alpha = 1.0;
  bool operator==(const Color&) const = default;
};

}  // namespace platform::window
