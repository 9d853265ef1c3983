#include "platform/paths/Paths.h"

#include <dlfcn.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

namespace platform::paths {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

bool IsAbsolute(const std::string& path) {
  return !path.empty() && path[0] == '/';
}

std::string PasswordHome() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir) {
    return {};
  }
  return found->pw_dir;
}

std::string EnvFolderOr(const char* name, const char* homeSubfolder) {
  const std::string value = Env(name);
  if (IsAbsolute(value)) return value;
  return HomeFolder() + homeSubfolder;
}

// The entry `name` of the user's user-dirs.dirs ($XDG_CONFIG_HOME, else ~/.config), in the two forms
// xdg-user-dirs writes: NAME="$HOME/sub" or NAME="/absolute"; "" when there is none of those.
std::string UserDirsEntry(const char* name) {
  const std::string config = Env("XDG_CONFIG_HOME");
  std::ifstream file((IsAbsolute(config) ? config : HomeFolder() + "/.config") + "/user-dirs.dirs");
  const std::string key = std::string(name) + "=\"";
  for (std::string line; std::getline(file, line);) {
    if (line.rfind(key, 0) != 0) continue;
    const size_t end = line.find('"', key.size());
    if (end == std::string::npos) return {};
    std::string value = line.substr(key.size(), end - key.size());
    constexpr std::string_view kHome = "$HOME";
    if (value.rfind(kHome, 0) == 0 && (value.size() == kHome.size() || value[kHome.size()] == '/')) {
      value = HomeFolder() + value.substr(kHome.size());
    }
    return IsAbsolute(value) ? value : std::string();
  }
  return {};
}

// A user folder of xdg-user-dirs: the variable when it holds an absolute path, else the user's
// user-dirs.dirs entry, else HomeFolder() + homeSubfolder.
std::string UserDirOr(const char* name, const char* homeSubfolder) {
  const std::string value = Env(name);
  if (IsAbsolute(value)) return value;
  const std::string entry = UserDirsEntry(name);
  return entry.empty() ? HomeFolder() + homeSubfolder : entry;
}

// Any address inside this module identifies it to the loader.
void ModuleAnchor() {}

}  // namespace

std::string HomeFolder() {
  const std::string home = Env("HOME");
  return home.empty() ? PasswordHome() : home;
}

std::string UserDataFolder() {
  return EnvFolderOr("XDG_DATA_HOME", "/.local/share");
}

std::string SystemDataFolder() {
  const std::string dirs = Env("XDG_DATA_DIRS");
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string entry = dirs.substr(start, end - start);
    if (IsAbsolute(entry)) return entry;
    start = end + 1;
  }
  return "/usr/local/share";
}

std::string SharedDocumentsFolder() {
  return UserDataFolder() + "/Shared/Documents";
}

std::string DesktopFolder() {
  return UserDirOr("XDG_DESKTOP_DIR", "/Desktop");
}

std::string MusicFolder() {
  return UserDirOr("XDG_MUSIC_DIR", "/Music");
}

std::string DocumentsFolder() {
  return UserDirOr("XDG_DOCUMENTS_DIR", "");
}

std::string ModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ModuleAnchor), &info) == 0 || !info.dli_fname) return {};
  char resolved[PATH_MAX];
  if (!realpath(info.dli_fname, resolved)) return info.dli_fname;
  return resolved;
}

std::string ModuleFolder() {
  const std::string module = ModulePath();
  const size_t slash = module.rfind('/');
  if (slash == std::string::npos) return {};
  return module.substr(0, slash == 0 ? 1 : slash);
}

std::string ModuleResourceFolder() {
  const std::string folder = ModuleFolder();
  if (folder.empty()) return {};
  return (folder == "/" ? std::string() : folder) + "/resources";
}

std::string ProcessName() {
  std::ifstream comm("/proc/self/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

bool FileExists(const char* path) {
  if (!path || !*path) return false;
  struct stat status {};
  return stat(path, &status) == 0;
}

}  // namespace platform::paths
