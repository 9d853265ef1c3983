// A directory scanner over the POSIX directory functions: the entries of one folder in the order the
// folder gives them, their full paths, and whether an entry is a directory, a link to one, or a link (or
// directory) that leads back into the folders being scanned. Paths have no length limit. Used on the main
// thread; it blocks on the file system.
#pragma once

#include "framework/FwString.h"

#include <dirent.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace fx::gfx {

class DirScan {
 public:
  // The identity of a directory on its device, stable across the different paths that reach it.
  struct DirId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const DirId&) const = default;
  };

  enum EEntryKind : int { kNotDirectory = 0, kDirectory = 1, kLinkToDirectory = 2, kLeadsBack = 4 };

  DirScan() = default;
  ~DirScan();
  DirScan(const DirScan&) = delete;
  DirScan& operator=(const DirScan&) = delete;

  // Opens folder (one trailing "/" or "\" dropped; a path left empty becomes "/") and reads its first
  // entry: -1 for a null or empty folder, 1 when it cannot be opened or is empty, 0 with an entry.
  int First(const char* folder);
  // The next entry; false at the end.
  bool Next();
  void Close();

  const char* GetCurrentName() const;
  // out = folder "/" name (not cut, however long).
  void GetCurrentFN(FwString* out) const;
  // kNotDirectory without a current entry. A directory or a link to one whose directory is one of
  // `visited` (the folders being scanned, the current one included), or a link that resolves to the
  // folder or one of its ancestors, is kLeadsBack.
  int GetCurrentIsDirectory(const std::vector<DirId>& visited = {}) const;
  // The identity of the open folder (false when it cannot be read).
  bool GetFolderId(DirId& id) const;

 private:
  bool LeadsBack(const std::string& target, const std::vector<DirId>& visited) const;

  DIR* mDir = nullptr;
  dirent* mEntry = nullptr;
  FwString mFolder;
};

}  // namespace fx::gfx
