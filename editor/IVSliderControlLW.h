// The editor's faders and the scales behind them. IVSliderControlLW is the stock vector fader with a grip
// line across a rectangular handle. IVSliderControlBG, bound to no parameter and deaf to the mouse, draws
// tick marks where the fader's handle sits for evenly spaced positions under the fader law (a power law
// around the middle of the travel) and the numbers at the top, middle and bottom of the range the plug-in
// gives it. Main thread only.
#pragma once

#include "controls/IVSliderControl.h"
#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"
#include "plugin/EditorViewSetup.h"

namespace fx::gfx {

class IVSliderControlLW : public IVSliderControl {
 public:
  using IVSliderControl::IVSliderControl;

  // The stock fader, then the grip line when the grip-line flag is set, the fader is vertical and its
  // handle a rectangle of some size.
  void DrawWidget(IGraphics& g) override;
  void DrawHandle(IGraphics& g, const IRECT& bounds) override;

  void SetGripLine(bool grip) { mGripLine = grip; }
  bool GetGripLine() const { return mGripLine; }

 private:
  bool mGripLine = false;
  IRECT mHandleBounds;
};

class IVSliderControlBG : public IControl, public IVectorBase, public kd::IFaderScaleSetup {
 public:
  // endInset: the fader's handle size; the scale's travel is the widget shortened by it at both ends.
  IVSliderControlBG(const IRECT& bounds, const char* label, const IVStyle& style, bool drawBackground, float endInset);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;
  void OnMouseDown(float, float, const IMouseMod&) override {}
  void OnMouseDblClick(float, float, const IMouseMod&) override {}
  void OnMouseWheel(float, float, const IMouseMod&, float) override {}

  // Height fraction, from the bottom of the travel, at which the fader law puts position q (0..1): the
  // distance from the middle grows as the exponent's root, |2q - 1|^(1 / exponent) / 2.
  static float TickPosition(float q, float exponent);

  // Written by the plug-in's editor update; each setter marks the scale dirty.
  void SetShapeExponent(float exponent) override;
  void SetRange(float minimum, float maximum, float middle);
  // The numbers of "Fader Display Mode": 0 the volume range in dB with 0 in the middle, 1 -100..100 with 0,
  // 2 0..100 with 50; any other mode leaves the range as it is.
  void SetDisplayMode(int mode, float minVolume, float maxVolume) override;
  float GetShapeExponent() const { return mShapeExponent; }
  float GetRangeMin() const { return mRangeMin; }
  float GetRangeMax() const { return mRangeMax; }
  float GetMiddleValue() const { return mMiddleValue; }
  const IRECT& GetMiddleHalfBounds() const { return mMiddleHalf; }
  const IRECT& GetFullWidthBounds() const { return mFullWidth; }

 private:
  void DrawTicks(IGraphics& g, const IRECT& left, const IRECT& right, const IColor& color, float step, float end,
                 float thickness);
  void DrawNumber(IGraphics& g, const IText& text, float value, float centreY, float width, float height);

  float mEndInset;
  IRECT mMiddleHalf;
  IRECT mFullWidth;
  float mRangeMin = -48.f;
  float mRangeMax = 48.f;
  float mMiddleValue = 0.f;
  bool mDrawBackground;
  float mShapeExponent = 1.f;
};

}  // namespace fx::gfx
