#include "platform/window/Menu.h"

#include "platform/window/Backend.h"

namespace platform::window {

MenuItem& Menu::AddItemWithTitle(std::string title, MenuItem::Action action, std::string) {
  mItems.push_back(std::unique_ptr<MenuItem>(new MenuItem(*this, std::move(title), std::move(action), false)));
  return *mItems.back();
}

MenuItem& Menu::AddSeparatorItem() {
  mItems.push_back(std::unique_ptr<MenuItem>(new MenuItem(*this, "", nullptr, true)));
  mItems.back()->mEnabled = false;
  return *mItems.back();
}

void Menu::SetSubmenu(std::unique_ptr<Menu> submenu, MenuItem& item) {
  if (item.mMenu == this) item.mSubmenu = std::move(submenu);
}

MenuItem* Menu::ItemAtIndex(int index) const {
  return index >= 0 && index < NumberOfItems() ? mItems[static_cast<size_t>(index)].get() : nullptr;
}

int Menu::IndexOfItem(const MenuItem& item) const {
  for (size_t i = 0; i < mItems.size(); ++i) {
    if (mItems[i].get() == &item) return static_cast<int>(i);
  }
  return -1;
}

bool Menu::PopUpMenuPositioningItem(MenuItem* item, Point location, View* view) {
  Point screen = location;
  if (view && view->GetWindow()) {
    const Point inWindow = view->ConvertPointToView(location, nullptr);
    screen = view->GetWindow()->ConvertRectToScreen(Rect{inWindow, {}}).origin;
  }
  if (item && item->GetMenu() != this) item = nullptr;
  MenuItem* chosen = CurrentBackend().TrackMenu(*this, screen);
  if (!chosen || chosen->IsSeparatorItem() || !chosen->IsEnabled() || chosen->Submenu() || !chosen->HasAction()) {
    return false;
  }
  chosen->PerformAction();
  return true;
}

}  // namespace platform::window
