#include "framework/PlugPaths.h"

#include <string>
#include <string_view>

#include "platform/paths/Paths.h"

namespace fx {

namespace {

constexpr int kMaxPresetsPathLen = 1024;

bool HasText(const char* text) {
  return text && *text;
}

// The module stands for every bundle identifier: it is the only bundle a Linux plug-in has.
bool FindBundle(const char* bundleID) {
  return HasText(bundleID) && !platform::paths::ModulePath().empty();
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view Extension(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? fileName : fileName.substr(dot + 1);
}

bool ExtensionMatches(const char* fileName, const char* type) {
  return fileName && type && EqualIgnoringCase(Extension(fileName), type);
}

std::string_view WithoutExtension(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

std::string_view LastComponent(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The folder that holds path ("" for a path without a folder).
std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

bool AcceptIfExists(const std::string& candidate, FwString& result) {
  if (platform::paths::FileExists(candidate.c_str())) {
    result.Set(candidate.c_str());
    return true;
  }
  result.Set("");
  return false;
}

}  // namespace

void BundleExecutableOf(FwString& path, const char* bundleID) {
  if (FindBundle(bundleID)) path.Set(platform::paths::ModulePath().c_str());
}

void BundleFolderOf(FwString& path, const char* bundleID) {
  if (FindBundle(bundleID)) path.Set((platform::paths::ModuleFolder() + "/").c_str());
}

void BundleResourceFolderOf(FwString& path, const char* bundleID) {
  if (FindBundle(bundleID)) path.Set(platform::paths::ModuleResourceFolder().c_str());
}

void DesktopFolder(FwString& path) {
  path.Set(platform::paths::DesktopFolder().c_str());
}

void HomeFolder(FwString& path) {
  path.Set(platform::paths::HomeFolder().c_str());
}

void LibraryPresetsFolder(FwString& path, const char* makerName, const char* pluginName, bool isSystem) {
  const std::string library = isSystem ? platform::paths::SystemDataFolder() : platform::paths::UserDataFolder();
  path.SetFormatted(kMaxPresetsPathLen, "%s/Audio/Presets/%s/%s/", library.c_str(), makerName ? makerName : "",
                    pluginName ? pluginName : "");
}

void UserAppSupportSubfolder(FwString& path, const char* name) {
  path.Set((platform::paths::UserDataFolder() + "/" + (name ? name : "")).c_str());
}

void AppSupportPath(FwString& path, bool isSystem) {
  path.Set((isSystem ? platform::paths::SystemDataFolder() : platform::paths::UserDataFolder()).c_str());
}

void AppGroupContainerFolder(FwString& path, const char* appGroupID) {
  path.Set((platform::paths::UserDataFolder() + "/" + (appGroupID ? appGroupID : "")).c_str());
}

void MusicFolder(FwString& path) {
  path.Set(platform::paths::MusicFolder().c_str());
}

bool RunsAsAppExtension() {
  return Contains(platform::paths::ProcessName(), "AUv3");
}

bool RunsSandboxed() {
  return Contains(platform::paths::HomeFolder(), "Library/Containers/");
}

bool RunsInXPCProcess() {
  return Contains(platform::paths::ProcessName(), "XPC");
}

bool FindResourceInBundle(const char* fileName, const char* type, FwString& result, const char* bundleID) {
  if (!ExtensionMatches(fileName, type)) return false;
  if (!FindBundle(bundleID)) {
    result.Set("");
    return false;
  }
  const std::string folder = RunsAsAppExtension() ? ParentOf(ParentOf(platform::paths::ModulePath())) + "/Resources/"
                                                  : platform::paths::ModuleResourceFolder() + "/";
  return AcceptIfExists(folder + std::string(WithoutExtension(fileName)) + "." + type, result);
}

bool FindResourceInSharedFolder(const char* fileName, const char* type, FwString& result, const char* sharedSubPath) {
  if (!ExtensionMatches(fileName, type) || !sharedSubPath) return false;
  const std::string candidate = platform::paths::MusicFolder() + "/" + sharedSubPath + "/Resources/" +
                                std::string(LastComponent(WithoutExtension(fileName))) + "." + type;
  return AcceptIfExists(candidate, result);
}

bool LocateResource(const char* name, const char* type, FwString& result, const char* bundleID, const char*,
                    const char* sharedSubPath) {
  if (!HasText(name)) return false;
  if (FindResourceInBundle(name, type, result, bundleID)) return true;
  if (FindResourceInSharedFolder(name, type, result, sharedSubPath)) return true;
  if (platform::paths::FileExists(name)) {
    result.Set(name);
    return true;
  }
  return false;
}

}  // namespace fx
