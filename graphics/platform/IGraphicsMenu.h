// The native popup menu of the editor: a window-layer menu built from an IPopupMenu (recursively for its
// submenus) and the receiver that remembers the item the user chose, so that the view can map the choice
// back to the IPopupMenu it came from and its index there.
// Main thread only; the menu is built, shown and read within one call of the editor view.
#pragma once

#include "graphics/IPopupMenu.h"
#include "platform/window/Menu.h"
#include "platform/window/View.h"

namespace fx::gfx {

// The target of every item's action: keeps the item chosen last.
class IGraphicsMenuRcvr : public platform::window::View {
 public:
  explicit IGraphicsMenuRcvr(platform::window::Rect frame) : View(frame) {}

  void OnMenuSelection(platform::window::MenuItem& sender) { menuItem = &sender; }
  // Null until an item is chosen.
  platform::window::MenuItem* MenuItem() const { return menuItem; }

 private:
  platform::window::MenuItem* menuItem = nullptr;
};

class IGraphicsMenu : public platform::window::Menu {
 public:
  // One native item per item of menu, in order: separators stay separators, items with a submenu open a
  // menu built the same way (owned by this one), every other item reports to receiver when chosen. Item
  // texts get the menu's number prefix (kinds 1 to 3: "1: ", "01: ", "001: "; other kinds none). The
  // receiver must outlive the menu's showing; menu must outlive this object.
  IGraphicsMenu(IPopupMenu& menu, IGraphicsMenuRcvr& receiver);

  // The menu this one was built from.
  IPopupMenu* GetIPopupMenu() const { return mIPopupMenu; }

 private:
  IPopupMenu* mIPopupMenu;
};

}  // namespace fx::gfx
