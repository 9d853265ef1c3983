// Opening web pages, files and folders with the desktop's default programs (X11: xdg-open, started in the
// background and reaped by the pump), and the URLs that name them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::window {

// path with a leading "~" or "~/" replaced by the home folder; other paths unchanged.
std::string ExpandTilde(std::string_view path);

class URL {
 public:
  // A web address: "http://" or "https://" (any case) followed by a host. Anything else is no web URL.
  static std::optional<URL> WithString(std::string_view text);
  // A file URL for a path ("~" expanded); nullopt for an empty path.
  static std::optional<URL> FileURLWithPath(std::string_view path);
  // What a text names: a web URL when it is a web address, else a file URL when it is an absolute path
  // (after "~" is expanded); nullopt when it is neither.
  static std::optional<URL> FromText(std::string_view text);
  // A "file:" URL as programs hand them over ("file:///path", "file://localhost/path", "file://HOST/path" with
  // this machine's host name, "file:/path"), its %-escapes decoded; nullopt for any other text, a file on another
  // host, a bad escape or a decoded NUL.
  static std::optional<URL> WithFileURLString(std::string_view text);

  bool IsFileURL() const { return mIsFile; }
  // The URL as text; file URLs percent-encode every byte but letters, digits and "-._~/".
  std::string AbsoluteString() const;
  // The file path of a file URL; "" for a web URL.
  const std::string& Path() const { return mIsFile ? mText : kEmpty; }

 private:
  URL(std::string text, bool isFile) : mText(std::move(text)), mIsFile(isFile) {}
  static inline const std::string kEmpty;
  std::string mText;
  bool mIsFile;
};

// The local files a text/uri-list names (lines ending in CR LF or LF, "#" comment lines), in its order; other
// URLs are left out.
std::vector<std::string> FilePathsInURIList(std::string_view list);

class Workspace {
 public:
  static Workspace& Shared();
  // Main thread; never blocks. True when the opener was started (headless: as the script says).
  bool OpenURL(const URL& url);
  // Main thread; never blocks. False when text names no URL (URL::FromText), without opening anything.
  bool OpenText(std::string_view text);
  // Main thread; never blocks. False when the path does not exist.
  bool OpenFile(const std::string& path);
  // Shows path's folder (rootPath) in the file manager. False when either does not exist.
  bool SelectFile(const std::string& path, const std::string& rootPath);
  static bool FileExistsAtPath(const std::string& path);
};

}  // namespace platform::window
