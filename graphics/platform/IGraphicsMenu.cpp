#include "graphics/platform/IGraphicsMenu.h"

#include <cstdio>
#include <memory>
#include <string>

namespace fx::gfx {

namespace {

namespace pw = platform::window;

// The numbering of item texts by the menu's prefix kind; items are counted from 1, separators included.
std::string Prefixed(const char* text, int prefixKind, int number) {
  static const char* const kFormats[] = {nullptr, "%1d: ", "%02d: ", "%03d: "};
  std::string title = text ? text : "";
  if (prefixKind < 1 || prefixKind > 3) return title;
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, kFormats[prefixKind], number);
  return prefix + title;
}

}  // namespace

IGraphicsMenu::IGraphicsMenu(IPopupMenu& menu, IGraphicsMenuRcvr& receiver) : Menu(""), mIPopupMenu(&menu) {
  SetAutoenablesItems(false);
  for (int i = 0; i < menu.NItems(); ++i) {
    const IPopupMenu::Item& item = *menu.GetItem(i);
    if (item.GetIsSeparator()) {
      AddSeparatorItem();
      continue;
    }
    const std::string title = Prefixed(item.GetText(), menu.GetPrefix(), i + 1);
    pw::MenuItem* added = nullptr;
    if (IPopupMenu* submenu = item.GetSubmenu()) {
      added = &AddItemWithTitle(title, nullptr);
      SetSubmenu(std::make_unique<IGraphicsMenu>(*submenu, receiver), *added);
    } else {
      added = &AddItemWithTitle(title, [&receiver](pw::MenuItem& chosen) { receiver.OnMenuSelection(chosen); });
    }
    added->SetIndentationLevel(item.GetIsTitle() ? 1 : 0);
    added->SetEnabled(item.GetEnabled());
    added->SetState(item.GetChecked() ? pw::ControlState::kOn : pw::ControlState::kOff);
  }
}

}  // namespace fx::gfx
