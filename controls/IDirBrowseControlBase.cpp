#include "controls/IDirBrowseControlBase.h"

#include <algorithm>
#include <functional>

namespace fx::gfx {

IDirBrowseControlBase::IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions,
                                             bool scanRecursively, bool showEmptySubmenus)
    : IContainerBase(bounds),
      mScanRecursively(scanRecursively),
      mShowFileExtensions(showFileExtensions),
      mShowEmptySubmenus(showEmptySubmenus),
      mExtension(extension ? extension : "") {}

void IDirBrowseControlBase::AddPath(const char* path, const char* label) {
  mPaths.emplace_back(path ? path : "");
  mPathLabels.emplace_back(label ? label : "");
}

void IDirBrowseControlBase::SetupMenu() {
  mFiles.clear();
  mItems.clear();
  mMainMenu.Clear(true);
  mSelectedItemIndex = -1;

  if (mPaths.size() == 1) {
    ScanDirectory(mPaths[0].c_str(), mMainMenu);
  } else {
    for (std::size_t i = 0; i < mPaths.size(); ++i) {
      auto* submenu = new IPopupMenu();
      mMainMenu.AddItem(mPathLabels[i].c_str(), submenu, static_cast<int>(i));
      ScanDirectory(mPaths[i].c_str(), *submenu);
    }
  }
  CollectSortedItems(&mMainMenu);
}

void IDirBrowseControlBase::ScanDirectory(const char* path, IPopupMenu& menu) {
  std::vector<DirScan::DirId> scanning;
  ScanDirectory(path, menu, scanning);
}

bool IDirBrowseControlBase::MatchFile(const std::string& name, std::string& text) const {
  if (mExtension.empty() || name.empty()) return false;
  const std::size_t pos = name.rfind(mExtension);
  if (pos == std::string::npos || pos < 1 || pos + mExtension.size() != name.size()) return false;
  text = !mShowFileExtensions && pos >= 2 ? name.substr(0, pos - 1) : name;
  return true;
}

// `scanning` holds the folders from the top of the scan down to this one: a link or folder that leads
// back to any of them is not entered, so cycles of links anywhere in the tree end.
void IDirBrowseControlBase::ScanDirectory(const char* path, IPopupMenu& menu, std::vector<DirScan::DirId>& scanning) {
  DirScan scan;
  if (scan.First(path) == 0) {
    DirScan::DirId self;
    const bool known = scan.GetFolderId(self);
    if (known) scanning.push_back(self);
    do {
      const std::string name = scan.GetCurrentName();
      if (name.empty() || name[0] == '.') continue;
      if (mScanRecursively) {
        const int kind = scan.GetCurrentIsDirectory(scanning);
        if (kind == DirScan::kLeadsBack) continue;
        if (kind == DirScan::kDirectory || kind == DirScan::kLinkToDirectory) {
          auto* submenu = new IPopupMenu();
          menu.AddItem(name.c_str(), submenu, IPopupMenu::kSorted);
          ScanDirectory(scan.GetCurrentFN().c_str(), *submenu, scanning);
          continue;
        }
      }
      std::string text;
      if (!MatchFile(name, text)) continue;
      menu.AddItem(new IPopupMenu::Item(text.c_str(), IPopupMenu::Item::kNoFlags, static_cast<int>(mFiles.size())),
                   IPopupMenu::kSorted);
      mFiles.push_back(scan.GetCurrentFN());
    } while (scan.Next());
    if (known) scanning.pop_back();
  }
  if (!mShowEmptySubmenus) menu.RemoveEmptySubmenus();
}

void IDirBrowseControlBase::CollectSortedItems(IPopupMenu* menu) {
  if (!menu) return;
  for (int i = 0; i < menu->NItems(); ++i) {
    IPopupMenu::Item* item = menu->GetItem(i);
    if (item->GetSubmenu())
      CollectSortedItems(item->GetSubmenu());
    else
      mItems.push_back(item);
  }
}

IPopupMenu::Item* IDirBrowseControlBase::GetItem(int index) const {
  return index >= 0 && index < NItems() ? mItems[static_cast<std::size_t>(index)] : nullptr;
}

const char* IDirBrowseControlBase::GetFilePath(int tag) const {
  return tag >= 0 && tag < static_cast<int>(mFiles.size()) ? mFiles[static_cast<std::size_t>(tag)].c_str() : "";
}

void IDirBrowseControlBase::SetSelectedFile(const char* path) {
  mSelectedItemIndex = -1;
  const auto file = std::find(mFiles.begin(), mFiles.end(), std::string(path ? path : ""));
  if (file == mFiles.end()) return;
  const int tag = static_cast<int>(file - mFiles.begin());
  for (int i = 0; i < NItems(); ++i) {
    if (mItems[static_cast<std::size_t>(i)]->GetTag() == tag) {
      mSelectedItemIndex = i;
      return;
    }
  }
}

void IDirBrowseControlBase::GetSelectedFile(FwString& path) const {
  const IPopupMenu::Item* item = GetItem(mSelectedItemIndex);
  path.Set(item ? GetFilePath(item->GetTag()) : "");
}

void IDirBrowseControlBase::CheckSelectedItem() {
  const IPopupMenu::Item* selected = GetItem(mSelectedItemIndex);
  if (!selected) return;
  std::function<void(IPopupMenu&)> walk = [&](IPopupMenu& menu) {
    for (int i = 0; i < menu.NItems(); ++i) {
      IPopupMenu::Item* item = menu.GetItem(i);
      item->SetChecked(false);
      if (item->GetSubmenu())
        walk(*item->GetSubmenu());
      else if (item == selected)
        item->SetChecked(true);
    }
  };
  walk(mMainMenu);
}

}  // namespace fx::gfx
