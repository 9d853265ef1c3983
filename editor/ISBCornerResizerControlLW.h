// The editor's corner resizer: an SVG picture (off, or on while the mouse is over it or a resize runs) in
// the bottom-right corner. A drag rescales or resizes the editor, as its commands and the control key
// choose; the end of a rescale and a double click reach the plug-in as editor commands, which store or
// toggle "GUI scale" between 100 % and 150 %. Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IBitmapControl.h"
#include "graphics/ICornerResizerControl.h"

namespace fx::gfx {

class ISBCornerResizerControlLW : public ICornerResizerControl, public IBitmapBase {
 public:
  // Which commands it was given: all four, only the size pair, only the scale pair, or another mix.
  enum ECommandMode : int { kCommandsNone = -1, kCommandsAll = 0, kCommandsSize = 1, kCommandsScale = 2 };

  // The square's side is the SVG bounds' width; commands are -1 when not sent. swap exchanges what a
  // plain and a control-key drag change; the picture is drawn shifted by (offsetX, offsetY).
  ISBCornerResizerControlLW(const IRECT& svgBounds, const ISVG& offSVG, const ISVG& onSVG, int sizeRescaleMsg,
                            int sizeDblClickMsg, int scaleRescaleMsg, int scaleDblClickMsg, bool swap,
                            const IRECT& graphicsBounds, float offsetX, float offsetY);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  // After the graphics changed its draw scale or size: the rescale command of the current resize mode.
  void OnRescale() override;
  // Follows the editor's bottom-right corner.
  void OnResize() override;
  void Draw(IGraphics& g) override;

  ECommandMode GetCommandMode() const { return mCommandMode; }
  // Set by the constructor: the resizer draws its SVGs, never the bitmap base.
  bool GetDrawSVG() const { return mDrawSVG; }

 private:
  // Whether a gesture with these modifiers rescales (true) or resizes the editor.
  bool ChoosesScale(const IMouseMod& mod) const;

  int mSizeRescaleMsg;
  int mSizeDblClickMsg;
  int mScaleRescaleMsg;
  int mScaleDblClickMsg;
  ECommandMode mCommandMode;
  bool mSwap;
  float mOffsetX;
  float mOffsetY;
  ISVG mOffSVG;
  ISVG mOnSVG;
  bool mDrawSVG = false;
  IRECT mSVGBounds;
};

}  // namespace fx::gfx
