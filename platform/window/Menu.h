// Popup menus: a tree of items that pops up at a place in a view, lets the user choose and answers with
// the chosen item, whose action runs before the pop-up returns. A menu owns its items and, through them,
// its submenus. Every operation: the main thread. PopUpMenuPositioningItem blocks until the user has
// chosen (headless: answers from the script at once).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/Geometry.h"

namespace platform::window {

class Menu;
class View;

enum class ControlState { kOff = 0, kOn = 1, kMixed = -1 };

class MenuItem {
 public:
  using Action = std::function<void(MenuItem&)>;

  const std::string& Title() const { return mTitle; }
  bool IsSeparatorItem() const { return mSeparator; }
  bool IsEnabled() const { return mEnabled; }
  void SetEnabled(bool enabled) { mEnabled = enabled; }
  ControlState State() const { return mState; }
  void SetState(ControlState state) { mState = state; }
  int IndentationLevel() const { return mIndentation; }
  void SetIndentationLevel(int level) { mIndentation = level; }
  int Tag() const { return mTag; }
  void SetTag(int tag) { mTag = tag; }
  // The menu the item belongs to.
  Menu* GetMenu() const { return mMenu; }
  Menu* Submenu() const { return mSubmenu.get(); }
  bool HasAction() const { return static_cast<bool>(mAction); }
  void SetAction(Action action) { mAction = std::move(action); }
  void PerformAction() {
    if (mAction) mAction(*this);
  }

 private:
  friend class Menu;
  MenuItem(Menu& menu, std::string title, Action action, bool separator)
      : mTitle(std::move(title)), mSeparator(separator), mMenu(&menu), mAction(std::move(action)) {}

  std::string mTitle;
  bool mSeparator;
  bool mEnabled = true;
  ControlState mState = ControlState::kOff;
  int mIndentation = 0;
  int mTag = 0;
  Menu* mMenu;
  std::unique_ptr<Menu> mSubmenu;
  Action mAction;
};

class Menu {
 public:
  explicit Menu(std::string title = "") : mTitle(std::move(title)) {}
  virtual ~Menu() = default;
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  const std::string& Title() const { return mTitle; }
  // Whether items enable themselves from their actions; the layer keeps the flag and enables nothing.
  void SetAutoenablesItems(bool autoenables) { mAutoenables = autoenables; }
  bool AutoenablesItems() const { return mAutoenables; }

  // The key equivalent is kept for the desktop's conventions and not used by pop-up menus.
  MenuItem& AddItemWithTitle(std::string title, MenuItem::Action action, std::string keyEquivalent = "");
  MenuItem& AddSeparatorItem();
  // The item's menu takes ownership of submenu.
  void SetSubmenu(std::unique_ptr<Menu> submenu, MenuItem& item);
  int NumberOfItems() const { return static_cast<int>(mItems.size()); }
  MenuItem* ItemAtIndex(int index) const;
  // The index of item in this menu, separators counted; -1 when it is not one of its items.
  int IndexOfItem(const MenuItem& item) const;

  // Pops the menu up in view (location in the view's coordinates): with an item, that item sits at
  // location; without, the menu's top-left corner does. Runs the chosen item's action; answers whether an
  // item was chosen. Only enabled items without a submenu and with an action can be chosen.
  bool PopUpMenuPositioningItem(MenuItem* item, Point location, View* view);

 private:
  std::string mTitle;
  bool mAutoenables = true;
  std::vector<std::unique_ptr<MenuItem>> mItems;
};

}  // namespace platform::window
