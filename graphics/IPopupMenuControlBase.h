// What the graphics core needs of the in-editor popup menu: its state and the call that shows a menu.
// The control library's menu control derives from this and draws and animates the menu.
// Main thread only.
#pragma once

#include "graphics/IControl.h"

namespace fx::gfx {

class IPopupMenuControlBase : public IControl {
 public:
  // The menu's life: closed, fading in, open (waiting for a click, or for a submenu to appear), then
  // the hidden choice blink, fade-out and finishing. Anything above kClosed means a menu is showing or
  // closing.
  enum EPopupMenuState : int { kClosed = 0, kOpening, kOpen, kFadingOut, kChoiceBlink, kSubmenuDelay, kFinishing };

  using IControl::IControl;

  // Shows `menu` over `bounds`. When the user has chosen, the control sets the chosen index, calls the
  // menu's completion function and answers through IGraphics::SetControlValueAfterPopupMenu (null when
  // nothing was chosen), which hands the answer to the caller the graphics core has remembered. Does not
  // block.
  virtual void CreatePopupMenu(IPopupMenu& menu, const IRECT& bounds) = 0;
  virtual EPopupMenuState GetState() const = 0;
  // The menu it shows or closes is going with the control that owns it: it stops showing it at once and keeps no
  // pointer to it.
  virtual void DropMenu() {}

  // Whether the menu takes every pointer event: while it fades in, is open, or waits for a submenu, so
  // no click meant for the menu falls through to the controls under it.
  bool GetExpanded() const {
    const EPopupMenuState state = GetState();
    return state == kOpening || state == kOpen || state == kSubmenuDelay;
  }
};

}  // namespace fx::gfx
