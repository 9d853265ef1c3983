// The base of controls that offer the files of one or more folders as a menu: each folder is scanned for
// files with one extension (sub-folders as submenus when recursive), every level sorted alphabetically,
// with the full path of every file kept and the selected file shown checked. A deriving control opens the
// menu and applies the choice. Main thread only; SetupMenu blocks on the file system.
#pragma once

#include "controls/DirScan.h"
#include "framework/FwPtrList.h"
#include "framework/FwString.h"
#include "graphics/IPanelControl.h"
#include "graphics/IPopupMenu.h"

#include <string>
#include <vector>

namespace fx::gfx {

class IDirBrowseControlBase : public IContainerBase {
 public:
  // extension without its leading dot.
  IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions = false,
                        bool scanRecursively = true, bool showEmptySubmenus = false);
  // Deletes the folder, label and file strings; the entries go with the menu, which owns them.
  ~IDirBrowseControlBase() override;
  IDirBrowseControlBase(const IDirBrowseControlBase&) = delete;
  IDirBrowseControlBase& operator=(const IDirBrowseControlBase&) = delete;

  // A folder to scan and its menu text (used when there is more than one folder).
  void AddPath(const char* path, const char* label);
  // Rebuilds the menu, the file paths and the file entries from the folders. A folder that cannot be
  // opened adds nothing.
  void SetupMenu();
  void ScanDirectory(const char* path, IPopupMenu& menu);
  // Every file entry of menu and its submenus, depth first in menu order, appended to the entries.
  void CollectSortedItems(IPopupMenu* menu);

  int NItems() const { return mItems.GetSize(); }
  IPopupMenu::Item* GetItem(int index) const;
  // The first entry whose file is exactly path; nothing selected when there is none.
  void SetSelectedFile(const char* path);
  // The selected file's full path; empty when nothing is selected.
  void GetSelectedFile(FwString& path) const;
  int GetSelectedItemIndex() const { return mSelectedItemIndex; }
  // Ticks the selected entry alone in the whole menu tree; nothing when no file is selected.
  void CheckSelectedItem();
  IPopupMenu& GetMenu() { return mMainMenu; }
  // The full path of the file an entry's tag names; "" for a tag that names none.
  const char* GetFilePath(int tag) const;

 protected:
  void ScanDirectory(const char* path, IPopupMenu& menu, std::vector<DirScan::DirId>& scanning);
  // The menu text of a matching file name; false when the name does not end in the extension.
  bool MatchFile(const std::string& name, std::string& text) const;

  bool mScanRecursively;
  bool mShowFileExtensions;
  bool mShowEmptySubmenus;
  int mSelectedItemIndex = -1;
  IPopupMenu mMainMenu;
  // Owned strings.
  FwPtrList<FwString> mPaths;
  FwPtrList<FwString> mPathLabels;
  FwPtrList<FwString> mFiles;
  // Not owned: the entries belong to the menus.
  FwPtrList<IPopupMenu::Item> mItems;
  FwString mExtension;
};

}  // namespace fx::gfx
