// What the graphics core needs of the in-editor popup menu: its state and the call that shows a menu.
// The control library's menu control derives from this and draws and animates the menu.
// Main thread only.
#pragma once

#include "graphics/IControl.h"

namespace fx::gfx {

class IPopupMenuControlBase : public IControl {
 public:
  // The values the core reads: 0 while no menu shows, 2 while expanded.
  enum EPopupState : int { kCollapsed = 0, kExpanded = 2, kCollapsing = 3 };

  using IControl::IControl;

  // Shows `menu` over `bounds`. When the user has chosen, the control sets the chosen index, calls the
  // menu's completion function and answers through IGraphics::SetControlValueAfterPopupMenu (null when
  // nothing was chosen), which hands the answer to the caller the graphics core has remembered. Does not
  // block.
  virtual void CreatePopupMenu(IPopupMenu& menu, const IRECT& bounds) = 0;

  EPopupState GetState() const { return mState; }
  // While expanded the menu takes every pointer event.
  bool GetExpanded() const { return mState == kExpanded; }

 protected:
  EPopupState mState = kCollapsed;
};

}  // namespace fx::gfx
