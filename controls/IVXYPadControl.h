// The stock XY pad: a round handle that sets two values at once (0 = x, 1 = y, 1 at the top) by dragging
// anywhere in the control, with an optional centre cross. Main thread only; nothing here blocks.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVXYPadControl : public IControl, public IVectorBase {
 public:
  // xParamIdx, yParamIdx: the x and y parameter indices (-1 for an unbound value). With trackClipsHandle the handle
  // centre reaches the widget's edges and is clipped there; without, the handle stays inside it.
  IVXYPadControl(const IRECT& bounds, int xParamIdx, int yParamIdx, const char* label = "",
                 const IVStyle& style = DEFAULT_STYLE, float handleRadius = 10.f, bool trackClipsHandle = true,
                 bool drawCross = true);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawHandle(IGraphics& g, const IRECT& trackBounds, const IRECT& handleBounds);
  virtual void DrawCross(IGraphics& g);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Maps the point, clamped into the control, to the two values.
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnResize() override;

  // The handle's rectangle for the current values.
  IRECT GetHandleBounds() const;

 protected:
  IRECT HandleArea() const;

  float mHandleRadius;
  bool mMouseDown = false;
  bool mTrackClipsHandle;
  bool mDrawCross;
};

}  // namespace fx::gfx
