// A control that shows an SVG picture fitted into its rectangle (the SVG background among others),
// optionally through a cached layer that is redrawn only when the control moves or the scale changes.
// Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/ILayer.h"

namespace fx::gfx {

class ISVGControl : public IControl {
 public:
  ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer = false, int paramIdx = -1);
  ~ISVGControl() override = default;

  void Draw(IGraphics& g) override;
  void SetSVG(const ISVG& svg);

 private:
  ISVG mSVG;
  bool mUseLayer;
  ILayerPtr mLayer;
};

}  // namespace fx::gfx
