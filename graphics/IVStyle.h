// The style record of the vector controls: flags, geometry, nine colours and the label and value text
// styles, with the process-wide default every vector control starts from. Compile-time constants.
#pragma once

#include "graphics/IGraphicsConstants.h"

#include <initializer_list>

namespace fx::gfx {

enum EVColor : int { kBG = 0, kFG, kPR, kFR, kHL, kSH, kX1, kX2, kX3, kNumVColors };

inline constexpr IColor DEFAULT_COLOR_SPEC[kNumVColors] = {
    COLOR_TRANSPARENT,   // kBG background
    COLOR_MID_GRAY,      // kFG foreground (off)
    COLOR_LIGHT_GRAY,    // kPR pressed (on)
    COLOR_DARK_GRAY,     // kFR frame
    COLOR_TRANSLUCENT,   // kHL mouse-over highlight
    COLOR_SHADOW_BLACK,  // kSH shadow
    COLOR_BLACK,         // kX1
    COLOR_GREEN,         // kX2
    COLOR_BLUE           // kX3
};

// Nine colours indexed by EVColor.
struct IVColorSpec {
  IColor mColors[kNumVColors] = {DEFAULT_COLOR_SPEC[0], DEFAULT_COLOR_SPEC[1], DEFAULT_COLOR_SPEC[2],
                                 DEFAULT_COLOR_SPEC[3], DEFAULT_COLOR_SPEC[4], DEFAULT_COLOR_SPEC[5],
                                 DEFAULT_COLOR_SPEC[6], DEFAULT_COLOR_SPEC[7], DEFAULT_COLOR_SPEC[8]};

  constexpr IVColorSpec() = default;
  // The given colours fill indices 0, 1, 2 ...; at most nine are taken, the rest keep their defaults.
  constexpr IVColorSpec(std::initializer_list<IColor> colors) {
    int i = 0;
    for (const IColor& c : colors) {
      if (i == kNumVColors) break;
      mColors[i++] = c;
    }
  }

  constexpr const IColor& GetColor(EVColor idx) const { return mColors[idx]; }
  constexpr void SetColor(EVColor idx, const IColor& color) { mColors[idx] = color; }
  bool operator==(const IVColorSpec&) const = default;
};

struct IVStyle {
  bool hideCursor = true;
  bool showLabel = true;
  bool showValue = true;
  bool drawFrame = true;
  bool drawShadows = true;
  bool emboss = false;
  float roundness = 0.f;       // corner radius as a fraction of half the shorter side
  float frameThickness = 1.f;  // points
  float shadowOffset = 3.f;    // points, right and down
  float widgetFrac = 1.f;      // fraction of the widget area the widget takes
  float angle = 0.f;           // degrees, for triangle shapes
  IVColorSpec colorSpec;
  IText labelText = DEFAULT_LABEL_TEXT;
  IText valueText = DEFAULT_VALUE_TEXT;
  int labelPosition = 0;  // 0 top, 1 right, 2 bottom, 3 left
};

inline constexpr IVStyle DEFAULT_STYLE;

}  // namespace fx::gfx
