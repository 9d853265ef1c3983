// The process-wide named colours, blend presets and text styles that controls take when built without
// their own. Compile-time constants: readable from any thread, never changed.
#pragma once

#include "graphics/IGraphicsTypes.h"

namespace fx::gfx {

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_TRANSLUCENT(10, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_BLACK_DROP_SHADOW(128, 0, 0, 0);
inline constexpr IColor COLOR_SHADOW_BLACK(60, 0, 0, 0);
inline constexpr IColor COLOR_GRAY(255, 127, 127, 127);
inline constexpr IColor COLOR_LIGHT_GRAY(255, 240, 240, 240);
inline constexpr IColor COLOR_MID_GRAY(255, 200, 200, 200);
inline constexpr IColor COLOR_DARK_GRAY(255, 70, 70, 70);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);
inline constexpr IColor COLOR_RED(255, 255, 0, 0);
inline constexpr IColor COLOR_GREEN(255, 0, 255, 0);
inline constexpr IColor COLOR_BLUE(255, 0, 0, 255);
inline constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
inline constexpr IColor COLOR_ORANGE(255, 255, 127, 0);
inline constexpr IColor COLOR_INDIGO(255, 75, 0, 130);
inline constexpr IColor COLOR_VIOLET(255, 148, 0, 211);

// Weights are the floats nearest to the decimal fractions.
inline constexpr IBlend BLEND_75(kBlendDefault, 0.75f);
inline constexpr IBlend BLEND_50(kBlendDefault, 0.5f);
inline constexpr IBlend BLEND_25(kBlendDefault, 0.25f);
inline constexpr IBlend BLEND_10(kBlendDefault, 0.1f);
inline constexpr IBlend BLEND_05(kBlendDefault, 0.05f);
inline constexpr IBlend BLEND_01(kBlendDefault, 0.01f);
inline constexpr IBlend BLEND_DST_IN(kBlendDestIn, 1.f);
inline constexpr IBlend BLEND_DST_OVER(kBlendDestOver, 1.f);

// The text-colour trio every control's text style starts from.
inline constexpr IColor DEFAULT_TEXT_FGCOLOR = COLOR_BLACK;
inline constexpr IColor DEFAULT_TEXTENTRY_BGCOLOR = COLOR_WHITE;
inline constexpr IColor DEFAULT_TEXTENTRY_FGCOLOR = COLOR_BLACK;

// "Roboto-Regular", 14 points, black, centred both ways.
inline constexpr IText DEFAULT_TEXT;
// The default text at 19 points, aligned to the top.
inline constexpr IText DEFAULT_LABEL_TEXT(19.f, kVAlignTop);
// The default text aligned to the bottom.
inline constexpr IText DEFAULT_VALUE_TEXT(14.f, kVAlignBottom);

}  // namespace fx::gfx
