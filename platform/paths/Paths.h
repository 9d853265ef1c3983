// Stands in for the macOS folder, bundle and file-manager services on Linux: standard folders from the
// XDG environment, the module's own location from the loaded library, and a file-exists test.
// Every call reads the environment afresh, so tests can point it at a temporary folder.
#pragma once

#include <string>

namespace platform::paths {

// All functions: any thread; they may touch the file system (stat, realpath) but never block for long.

// $HOME; when unset or empty, the password database's home of the current user; "" when neither exists.
std::string HomeFolder();

// The user's data folder (macOS: the user's Application Support): $XDG_DATA_HOME when it is an absolute
// path, else HomeFolder() + "/.local/share".
std::string UserDataFolder();

// The machine's data folder (macOS: the local domain's Application Support): the first absolute entry of
// $XDG_DATA_DIRS, else "/usr/local/share".
std::string SystemDataFolder();

// Documents shared by every product of the maker (macOS: /Users/Shared/Documents):
// UserDataFolder() + "/Shared/Documents".
std::string SharedDocumentsFolder();

// The user's desktop, music and documents folders as xdg-user-dirs names them: $XDG_DESKTOP_DIR,
// $XDG_MUSIC_DIR or $XDG_DOCUMENTS_DIR when absolute, else that entry of the user's user-dirs.dirs
// ($XDG_CONFIG_HOME or ~/.config; "$HOME/..." or an absolute path), else HomeFolder() + "/Desktop",
// + "/Music", or HomeFolder() itself for the documents. The folder need not exist.
std::string DesktopFolder();
std::string MusicFolder();
std::string DocumentsFolder();

// Absolute path of the loaded module (shared library or executable) that contains this code; "" when the
// loader cannot tell.
std::string ModulePath();
// The folder that holds the module, without a trailing "/"; "" when unknown.
std::string ModuleFolder();
// The module's resources: ModuleFolder() + "/resources"; "" when the module's folder is unknown.
std::string ModuleResourceFolder();

// The name of the running process (the host), "" when unknown.
std::string ProcessName();

// True when something (file or folder) exists at path; false for a null or empty path.
bool FileExists(const char* path);

}  // namespace platform::paths
