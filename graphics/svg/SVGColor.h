// Reads the paint and colour values of SVG attributes: "none", "#rgb", "#rrggbb", "rgb(r, g, b)" (numbers or
// percentages), the named colours, "currentColor" and "url(#id)". Plain functions: any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fx::gfx::svg {

enum ESVGColorKind : int { kColorInvalid = 0, kColorNone, kColorValue, kColorUrl, kColorCurrent };

struct SVGColorValue {
  ESVGColorKind kind = kColorInvalid;
  uint32_t rgba = 0;  // packed, alpha 255, for kColorValue
  std::string id;     // the referenced id without '#', for kColorUrl
};

SVGColorValue ParseColor(std::string_view text);

}  // namespace fx::gfx::svg
