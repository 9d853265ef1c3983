#include "graphics/ISVGControl.h"

#include "graphics/IGraphics.h"

namespace fx::gfx {

ISVGControl::ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer, int paramIdx)
    : IControl(bounds, paramIdx), mSVG(svg), mUseLayer(useLayer) {}

void ISVGControl::SetSVG(const ISVG& svg) {
  mSVG = svg;
  mLayer.reset();
  SetDirty(false);
}

void ISVGControl::Draw(IGraphics& g) {
  if (!mUseLayer) {
    g.DrawSVG(mSVG, mRECT, &mBlend);
    return;
  }
  if (!g.CheckLayer(mLayer)) {
    g.StartLayer(this, mRECT);
    g.DrawSVG(mSVG, mRECT);
    mLayer = g.EndLayer();
  }
  g.DrawLayer(mLayer, &mBlend);
}

}  // namespace fx::gfx
