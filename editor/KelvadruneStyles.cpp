#include "editor/KelvadruneStyles.h"

namespace fx::gfx {

namespace {

constexpr IColor kPanelColor = IColor(255, 28, 30, 32);
constexpr IColor kTrackColor = IColor(255, 60, 62, 64);
constexpr IColor kFrameColor = IColor(255, 90, 92, 94);
constexpr IColor kHighlightColor = IColor(30, 255, 255, 255);

IText Text(const char* font, float size, EVAlign valign) {
  IText text(size, valign);
  text.SetFont(font);
  text.mFGColor = kTextColor;
  return text;
}

// Flat controls on the editor's dark grey, the accent for what shows a value.
IVStyle BaseStyle() {
  IVStyle style;
  style.drawShadows = false;
  style.colorSpec = IVColorSpec{COLOR_TRANSPARENT,  kTrackColor,  kAccentColor, kFrameColor, kHighlightColor,
                                COLOR_SHADOW_BLACK, kAccentColor, kTextColor,   kPanelColor};
  style.labelText = Text(kFontVerdanaBold, 12.f, kVAlignTop);
  style.valueText = Text(kFontVerdana, 12.f, kVAlignBottom);
  return style;
}

}  // namespace

IVStyle FaderStyle() {
  IVStyle style = BaseStyle();
  style.drawFrame = false;
  style.roundness = 0.5f;
  return style;
}

IVStyle FaderScaleStyle() {
  IVStyle style = BaseStyle();
  style.showLabel = false;
  style.showValue = false;
  style.drawFrame = false;
  style.colorSpec.SetColor(kFG, kFrameColor);
  style.valueText = Text(kFontVerdana, 10.f, kVAlignMiddle);
  return style;
}

IVStyle ModViewStyle() {
  IVStyle style = BaseStyle();
  style.showValue = false;
  style.colorSpec.SetColor(kBG, kPanelColor);
  style.labelText = Text(kFontVerdanaBold, 10.f, kVAlignTop);
  return style;
}

IVStyle MeterStyle() {
  IVStyle style = ModViewStyle();
  style.valueText = Text(kFontVerdana, 10.f, kVAlignMiddle);
  return style;
}

IText FaderLabelText() {
  return Text(kFontVerdanaBold, 19.f, kVAlignTop);
}

}  // namespace fx::gfx
