// Paint helpers shared by the product's controls: the linear gradient along a segment and colours
// lightened by a fixed amount. Plain values: any thread.
#pragma once

#include "graphics/IPattern.h"

#include <initializer_list>

namespace fx::gfx {

// A pad-extended linear gradient whose offset 0 lies at (x1, y1) and offset 1 at (x2, y2), with the given
// stops appended in order (at most 16 are kept). The transform maps the segment onto 0..1 of the pattern's
// y axis: the segment's direction is rotated onto that axis and its length scaled to 1.
IPattern MakeLinearGradient(float x1, float y1, float x2, float y2, std::initializer_list<IColorStop> stops);

// How much lighter than the marks they stand beside the numbers of the fader scales and the meter are.
inline constexpr int kScaleNumberRaise = 76;

// color with red, green and blue each raised by amount and kept within 0..255; alpha unchanged.
IColor RaiseColor(const IColor& color, int amount);

}  // namespace fx::gfx
