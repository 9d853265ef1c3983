// The product's look: its accent colour, the vector styles of the faders and knobs, the fader scales, the
// modulation views and the meter, the fader labels' text style and the editor's font ids. Plain values:
// any thread.
#pragma once

#include "graphics/IVStyle.h"

namespace fx::gfx {

inline constexpr const char* kFontRoboto = "Roboto-Regular";
inline constexpr const char* kFontVerdana = "Verdana Normal";
inline constexpr const char* kFontVerdanaBold = "Verdana Bold";

// The product's accent: the meter bars, the modulation plots and the faders' value.
inline constexpr IColor kAccentColor = IColor(255, 32, 226, 224);
// The light grey of the editor's texts.
inline constexpr IColor kTextColor = IColor(255, 180, 183, 188);

// The faders and knobs.
IVStyle FaderStyle();
// The scales behind the faders: marks and numbers, no label or value.
IVStyle FaderScaleStyle();
// The modulation views and the meter: a dark panel under a small bold label.
IVStyle ModViewStyle();
IVStyle MeterStyle();
// "MASTER", "LEFT", "MID", "RIGHT" and "SIDE" above the faders.
IText FaderLabelText();

}  // namespace fx::gfx
