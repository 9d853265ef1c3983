// The editor's update button: a download icon whose click asks the plug-in for a manual update check. The
// plug-in's idle work sets its value to 1 when a newer version is available; the value alone chooses the
// picture (off, or on above 0) and the tooltip. Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IControl.h"

namespace fx::gfx {

class IBUpdateControlLW : public IControl, public IBitmapBase {
 public:
  static constexpr const char* kTooltipCheck = "Click to check for updates";
  static constexpr const char* kTooltipAvailable = "Update available";

  // msg: the command a press sends (-1: none). One value, no parameter, 0 at first.
  IBUpdateControlLW(const IRECT& bounds, const ISVG& offSVG, const ISVG& onSVG, int msg, bool hoverHighlight);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float, float, float, float, const IMouseMod&) override {}
  void OnMouseDblClick(float, float, const IMouseMod&) override {}
  void OnMouseWheel(float, float, const IMouseMod&, float) override {}
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;

  bool GetPressed() const { return mPressed; }
  // Set by the constructor: the button draws its SVGs, never the bitmap base.
  bool GetDrawSVG() const { return mDrawSVG; }

 private:
  int mMsg;
  ISVG mOffSVG;
  ISVG mOnSVG;
  bool mDrawSVG = false;
  bool mHoverHighlight;
  IColor mHighlightColor = IColor(16, 255, 255, 255);
  bool mMouseOver = false;
  bool mPressed = false;
};

}  // namespace fx::gfx
