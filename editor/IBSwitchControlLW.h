// The editor's two-state picture switches (locks, minus infinity, fader link, power, stereo or mid/side):
// each shows its off or on SVG picture by its parameter's value, toggles on a click and lights up faintly
// while the mouse is over it. Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IBitmapControl.h"
#include "graphics/ISwitchControlBase.h"

namespace fx::gfx {

class IBSwitchControlLW : public ISwitchControlBase, public IBitmapBase {
 public:
  // draw false: the switch draws nothing. The bitmap base stays empty, so every press toggles 0 and 1.
  IBSwitchControlLW(const IRECT& bounds, const ISVG& offPicture, const ISVG& onPicture, int paramIdx, bool draw,
                    bool hoverHighlight);

  void Draw(IGraphics& g) override;
  // The value steps by one frame of the bitmap (a whole step without one) and wraps to 0 past 1; the new
  // value goes to the host.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // As the switch base.
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;

  // Values whose nearest int is 1 (0.5 up to 1.5) show the on picture; a value no int holds (NaN, infinite) shows off.
  static bool ShowsOn(double value) { return value + 0.5 >= 1.0 && value + 0.5 < 2.0; }
  bool GetHover() const { return mHover; }

 private:
  bool mDraw;
  bool mHoverHighlight;
  bool mHover = false;
  IColor mHighlightColor = IColor(16, 255, 255, 255);
  ISVG mOffPicture;
  ISVG mOnPicture;
};

}  // namespace fx::gfx
