// What the plug-in writes into three kinds of its editor's views when it brings the editor in line with
// its settings and on every idle tick: the modulation views' look, the fader scales' law and numbers, the
// meter's set-up and levels. The editor's controls implement these; the plug-in finds them by control tag
// and reaches them only through these interfaces, so it needs nothing of the editor. Main thread only.
#pragma once

#include "graphics/IGraphicsTypes.h"

namespace kd {

class IModViewSetup {
 public:
  virtual ~IModViewSetup() = default;
  // The plot drawn and filled in color; msPerPoint is the time one point of the plot stands for (the
  // sender's window). Marks the view dirty without an action.
  virtual void ApplyProductSetup(const fx::gfx::IColor& color, double msPerPoint) = 0;
};

class IFaderScaleSetup {
 public:
  virtual ~IFaderScaleSetup() = default;
  // The fader law's exponent ("Fader shape", 1..10); marks the scale dirty.
  virtual void SetShapeExponent(float exponent) = 0;
  // The numbers of "Fader Display Mode": 0 minVolume..maxVolume dB, 1 -100..100 %, 2 0..100 %.
  virtual void SetDisplayMode(int mode, float minVolume, float maxVolume) = 0;
};

class IMeterView {
 public:
  virtual ~IMeterView() = default;
  // The product's meter settings with the accent colour on every bar and hold line; redraws.
  virtual void ApplyProductSetup(const fx::gfx::IColor& accent) = 0;
  // One channel's levels in dB (bar, hold line, peak text); marks the meter dirty without an action.
  virtual void SetLevels(int ch, float bar, float hold, float peakText) = 0;
};

}  // namespace kd
