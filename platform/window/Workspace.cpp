#include "platform/window/Workspace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "platform/paths/Paths.h"
#include "platform/window/Backend.h"

namespace platform::window {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string LocalHostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string ExpandTilde(std::string_view path) {
  if (path == "~" || path.starts_with("~/")) return paths::HomeFolder() + std::string(path.substr(1));
  return std::string(path);
}

std::optional<URL> URL::WithString(std::string_view text) {
  size_t schemeEnd = 0;
  if (StartsWithNoCase(text, "http://")) schemeEnd = 7;
  if (StartsWithNoCase(text, "https://")) schemeEnd = 8;
  if (schemeEnd == 0) return std::nullopt;
  // The host: at least one character before the path, query or fragment, and no blanks in the address.
  const size_t hostEnd = text.find_first_of("/?#", schemeEnd);
  if ((hostEnd == std::string_view::npos ? text.size() : hostEnd) == schemeEnd) return std::nullopt;
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= ' ') return std::nullopt;
  }
  return URL(std::string(text), false);
}

std::optional<URL> URL::FileURLWithPath(std::string_view path) {
  if (path.empty()) return std::nullopt;
  return URL(ExpandTilde(path), true);
}

std::optional<URL> URL::FromText(std::string_view text) {
  if (std::optional<URL> web = WithString(text)) return web;
  const std::string path = ExpandTilde(text);
  if (!path.starts_with('/')) return std::nullopt;
  return URL(path, true);
}

std::optional<URL> URL::WithFileURLString(std::string_view text) {
  if (!StartsWithNoCase(text, "file:")) return std::nullopt;
  std::string_view rest = text.substr(5);
  if (rest.starts_with("//")) {
    const size_t pathStart = rest.find('/', 2);
    if (pathStart == std::string_view::npos) return std::nullopt;
    const std::string_view host = rest.substr(2, pathStart - 2);
    const bool local =
        host.empty() || (host.size() == 9 && StartsWithNoCase(host, "localhost")) || host == LocalHostName();
    if (!local) return std::nullopt;
    rest = rest.substr(pathStart);
  }
  if (!rest.starts_with('/')) return std::nullopt;
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '%') {
      path += rest[i];
      continue;
    }
    const int high = i + 2 < rest.size() ? HexDigit(rest[i + 1]) : -1;
    const int low = high >= 0 ? HexDigit(rest[i + 2]) : -1;
    // A path cannot hold a NUL byte, and a cut escape is no URL a program wrote.
    if (low < 0 || (high == 0 && low == 0)) return std::nullopt;
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return URL(std::move(path), true);
}

std::vector<std::string> FilePathsInURIList(std::string_view list) {
  std::vector<std::string> paths;
  while (!list.empty()) {
    const size_t end = list.find('\n');
    std::string_view line = list.substr(0, end);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.starts_with('#')) continue;
    if (std::optional<URL> url = URL::WithFileURLString(line)) paths.push_back(url->Path());
  }
  return paths;
}

std::string URL::AbsoluteString() const {
  if (!mIsFile) return mText;
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : mText) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

Workspace& Workspace::Shared() {
  static Workspace workspace;
  return workspace;
}

bool Workspace::OpenURL(const URL& url) {
  return CurrentBackend().OpenURL(url);
}

bool Workspace::OpenText(std::string_view text) {
  std::optional<URL> url = URL::FromText(text);
  return url && OpenURL(*url);
}

bool Workspace::OpenFile(const std::string& path) {
  const std::string expanded = ExpandTilde(path);
  if (!FileExistsAtPath(expanded)) return false;
  return CurrentBackend().OpenPath(expanded);
}

bool Workspace::SelectFile(const std::string& path, const std::string& rootPath) {
  // File managers differ in how they select an item; showing the folder that holds it works everywhere.
  const std::string expanded = ExpandTilde(path);
  const std::string root = rootPath.empty() ? ParentFolder(expanded) : ExpandTilde(rootPath);
  if (!FileExistsAtPath(expanded) || !FileExistsAtPath(root)) return false;
  return CurrentBackend().OpenPath(root);
}

bool Workspace::FileExistsAtPath(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

}  // namespace platform::window
