// The triangle in the editor's bottom-right corner: dragging it resizes or rescales the editor (the graphics
// object does the resizing), a double click returns to the initial size at scale 1. It keeps a constant size
// in screen pixels and follows the corner after every rescale. Main thread only.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IGraphicsConstants.h"

namespace fx::gfx {

class ICornerResizerControl : public IControl {
 public:
  // graphicsBounds: the editor's initial bounds; size: the square's side in points at draw scale 1. Until the first
  // rescale the control is that square in the bottom-right corner of graphicsBounds, shrunk by 1 on each side.
  ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color = COLOR_TRANSLUCENT,
                        const IColor& mouseOverColor = COLOR_BLACK, const IColor& dragColor = COLOR_BLACK);
  ~ICornerResizerControl() override = default;

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnRescale() override;
  void Draw(IGraphics& g) override;

 private:
  float mSize;
  IRECT mInitialGraphicsBounds;
  bool mMouseOver = false;
  ECursor mPrevCursorType = kArrowCursor;
  IColor mColor;
  IColor mMouseOverColor;
  IColor mDragColor;
  // The diagonal cursor is set and mPrevCursorType holds the one to restore on leaving.
  bool mCursorSet = false;
};

}  // namespace fx::gfx
