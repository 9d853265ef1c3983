#include "controls/DirScan.h"

#include <sys/stat.h>

#include <strings.h>
#include <algorithm>
#include <cstdlib>
#include <memory>

namespace fx::gfx {

namespace {

bool StatDir(const std::string& path, DirScan::DirId& id) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  id.dev = st.st_dev;
  id.ino = st.st_ino;
  return true;
}

// The resolved path, or "" when it cannot be resolved (realpath allocates a buffer of the length needed).
std::string RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

// Whether `ancestor` names `path` itself or a folder above it (compared without regard to case).
bool IsSelfOrAncestor(const std::string& ancestor, const std::string& path) {
  if (ancestor.empty() || ancestor.size() > path.size()) return false;
  if (strncasecmp(ancestor.c_str(), path.c_str(), ancestor.size()) != 0) return false;
  return path.size() == ancestor.size() || path[ancestor.size()] == '/' || ancestor == "/";
}

}  // namespace

DirScan::~DirScan() {
  Close();
}

void DirScan::Close() {
  if (mDir) closedir(mDir);
  mDir = nullptr;
  mEntry = nullptr;
}

int DirScan::First(const char* folder) {
  if (!folder || !*folder) return -1;
  const std::string path(folder);
  const bool trailing = path.back() == '/' || path.back() == '\\';
  if (!trailing)
    mFolder.Set(path.c_str());
  else if (path.size() > 1)
    mFolder.Set(path.c_str(), static_cast<int>(path.size() - 1));
  else
    mFolder.Set("/");
  Close();
  mDir = opendir(mFolder.Get());
  if (!mDir) return 1;
  return Next() ? 0 : 1;
}

bool DirScan::Next() {
  if (!mDir) return false;
  mEntry = readdir(mDir);
  return mEntry != nullptr;
}

const char* DirScan::GetCurrentName() const {
  return mEntry ? mEntry->d_name : "";
}

void DirScan::GetCurrentFN(FwString* out) const {
  if (!out) return;
  out->Set(mFolder.Get());
  out->Append("/");
  out->Append(GetCurrentName());
}

bool DirScan::GetFolderId(DirId& id) const {
  return StatDir(mFolder.Get(), id);
}

bool DirScan::LeadsBack(const std::string& target, const std::vector<DirId>& visited) const {
  DirId id;
  if (StatDir(target, id) && std::find(visited.begin(), visited.end(), id) != visited.end()) return true;
  return IsSelfOrAncestor(RealPath(target), RealPath(mFolder.Get()));
}

int DirScan::GetCurrentIsDirectory(const std::vector<DirId>& visited) const {
  if (!mEntry) return kNotDirectory;
  FwString fn;
  GetCurrentFN(&fn);
  const std::string path(fn.Get());
  switch (mEntry->d_type) {
    case DT_DIR:
      return LeadsBack(path, visited) ? kLeadsBack : kDirectory;
    case DT_UNKNOWN: {
      DIR* probe = opendir(path.c_str());
      if (!probe) return kNotDirectory;
      closedir(probe);
      return LeadsBack(path, visited) ? kLeadsBack : kDirectory;
    }
    case DT_LNK: {
      const std::string target = RealPath(path);
      DirId id;
      if (target.empty() || !StatDir(target, id)) return kNotDirectory;
      return LeadsBack(target, visited) ? kLeadsBack : kLinkToDirectory;
    }
    default:
      return kNotDirectory;
  }
}

}  // namespace fx::gfx
