// The editor's plain controls: the filled panels of its strips and background, the static pictures of the
// logos, the invisible click area over the company logo and the invisible holders that bind parameters no
// visible control shows. Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/IPattern.h"
#include "graphics/IPopupMenu.h"

namespace fx::gfx {

// A rectangle filled with a colour or gradient, optionally framed; it ignores the mouse.
class IVPanelControlLW : public IControl {
 public:
  IVPanelControlLW(const IRECT& bounds, const IColor& fill, bool drawFrame, const IColor& frameColor, float roundness,
                   float frameThickness);
  IVPanelControlLW(const IRECT& bounds, const IPattern& fill, bool drawFrame, const IColor& frameColor, float roundness,
                   float frameThickness);

  // roundness is the corner radius in points; 0 gives square corners.
  void Draw(IGraphics& g) override;
  // The rectangle, for square corners and an opaque fill.
  IRECT OpaqueBounds() const override;

 private:
  IPattern mPattern;
  bool mDrawFrame;
  float mRoundness;
  float mFrameThickness;
  IColor mFrameColor;
};

// A picture fitted into the rectangle; it swallows the mouse.
class ISVGControlLW : public IControl {
 public:
  ISVGControlLW(const IRECT& bounds, const ISVG& svg) : IControl(bounds), mSVG(svg) {}

  void Draw(IGraphics& g) override;
  void OnMouseDown(float, float, const IMouseMod&) override {}
  void OnMouseUp(float, float, const IMouseMod&) override {}
  void OnMouseDrag(float, float, float, float, const IMouseMod&) override {}
  void OnMouseDblClick(float, float, const IMouseMod&) override {}
  void OnMouseWheel(float, float, const IMouseMod&, float) override {}

 private:
  ISVG mSVG;
};

// An invisible area that sends a command on every press, and a command per item of its own menu (which
// the editor leaves empty). Commands are -1 when not sent.
class IVClickControlHiddenMenuLW : public IControl {
 public:
  IVClickControlHiddenMenuLW(const IRECT& bounds, int clickMsg, int menuMsg1, int menuMsg2, int menuMsg3);

  void Draw(IGraphics&) override {}
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override;

  IPopupMenu& GetMenu() { return mMenu; }
  // The item of the menu that sends menu command i (0..2); -1 for none.
  void SetMenuItemIndex(int i, int itemIdx);

 private:
  int mClickMsg;
  int mMenuMsgs[3];
  IPopupMenu mMenu;
  int mMenuItemIdx[3] = {-1, -1, -1};
};

// Binds a parameter to the editor without drawing anything, so that parameter updates sent to the editor
// find a control to set.
class IVParameterControlHiddenLW : public IControl {
 public:
  explicit IVParameterControlHiddenLW(int paramIdx) : IControl(IRECT(), paramIdx) {}

  void Draw(IGraphics&) override {}
};

}  // namespace fx::gfx
