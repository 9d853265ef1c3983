#include "controls/IDirBrowseControlBase.h"

#include <cstring>
#include <functional>

namespace fx::gfx {

namespace {

// Appends a copy of text (null reads as ""); the list owns it.
void AddString(FwPtrList<FwString>& list, const char* text) {
  auto* copy = new FwString(text ? text : "");
  if (!list.Add(copy)) delete copy;
}

}  // namespace

IDirBrowseControlBase::IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions,
                                             bool scanRecursively, bool showEmptySubmenus)
    : IContainerBase(bounds),
      mScanRecursively(scanRecursively),
      mShowFileExtensions(showFileExtensions),
      mShowEmptySubmenus(showEmptySubmenus),
      mExtension(extension ? extension : "") {}

IDirBrowseControlBase::~IDirBrowseControlBase() {
  mPaths.Empty(true);
  mPathLabels.Empty(true);
  mFiles.Empty(true);
  mItems.Empty(false);
}

void IDirBrowseControlBase::AddPath(const char* path, const char* label) {
  AddString(mPaths, path);
  AddString(mPathLabels, label);
}

void IDirBrowseControlBase::SetupMenu() {
  mFiles.Empty(true);
  mItems.Empty(false);
  // The menu's title stays.
  mMainMenu.Clear(false);
  mMainMenu.SetPrefix(0);
  mMainMenu.SetChosenItemIdx(-1);
  mMainMenu.SetMultiCheck(false);
  mSelectedItemIndex = -1;

  if (mPaths.GetSize() == 1) {
    ScanDirectory(mPaths.Get(0)->Get(), mMainMenu);
  } else {
    for (int i = 0; i < mPaths.GetSize(); ++i) {
      auto* submenu = new IPopupMenu();
      const FwString* label = mPathLabels.Get(i);
      mMainMenu.AddItem(label ? label->Get() : "", i, submenu);
      ScanDirectory(mPaths.Get(i)->Get(), *submenu);
    }
  }
  CollectSortedItems(&mMainMenu);
}

void IDirBrowseControlBase::ScanDirectory(const char* path, IPopupMenu& menu) {
  std::vector<DirScan::DirId> scanning;
  ScanDirectory(path, menu, scanning);
}

bool IDirBrowseControlBase::MatchFile(const std::string& name, std::string& text) const {
  const std::string extension(mExtension.Get());
  if (extension.empty() || name.empty()) return false;
  const std::size_t pos = name.rfind(extension);
  if (pos == std::string::npos || pos < 1 || pos + extension.size() != name.size()) return false;
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
          FwString folder;
          scan.GetCurrentFN(&folder);
          ScanDirectory(folder.Get(), *submenu, scanning);
          continue;
        }
      }
      std::string text;
      if (!MatchFile(name, text)) continue;
      menu.AddItem(new IPopupMenu::Item(text.c_str(), IPopupMenu::Item::kNoFlags, mFiles.GetSize()),
                   IPopupMenu::kSorted);
      auto* file = new FwString();
      scan.GetCurrentFN(file);
      if (!mFiles.Add(file)) delete file;
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
      mItems.Add(item);
  }
}

IPopupMenu::Item* IDirBrowseControlBase::GetItem(int index) const {
  return mItems.Get(index);
}

const char* IDirBrowseControlBase::GetFilePath(int tag) const {
  const FwString* file = mFiles.Get(tag);
  return file ? file->Get() : "";
}

void IDirBrowseControlBase::SetSelectedFile(const char* path) {
  mSelectedItemIndex = -1;
  const char* wanted = path ? path : "";
  int tag = -1;
  for (int i = 0; i < mFiles.GetSize() && tag < 0; ++i)
    if (std::strcmp(mFiles.Get(i)->Get(), wanted) == 0) tag = i;
  if (tag < 0) return;
  for (int i = 0; i < NItems(); ++i) {
    if (mItems.Get(i)->GetTag() == tag) {
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
