#include "platform/window/Pasteboard.h"

#include "platform/window/Backend.h"
#include "platform/window/Workspace.h"

namespace platform::window {

Pasteboard& Pasteboard::General() {
  static Pasteboard pasteboard;
  return pasteboard;
}

int Pasteboard::ClearContents() {
  CurrentBackend().SetClipboard({});
  return ++mChangeCount;
}

bool Pasteboard::SetString(const std::string& utf8) {
  ++mChangeCount;
  return CurrentBackend().SetClipboard(ClipboardContents{true, utf8, {}});
}

bool Pasteboard::WriteFileURLs(const std::vector<std::string>& paths) {
  ClipboardContents contents;
  contents.hasText = true;
  for (const std::string& path : paths) {
    std::optional<URL> url = URL::FileURLWithPath(path);
    if (!url) return false;
    contents.fileURLs.push_back(url->AbsoluteString());
    contents.text += (contents.text.empty() ? "" : "\n") + url->Path();
  }
  if (contents.fileURLs.empty()) return false;
  ++mChangeCount;
  return CurrentBackend().SetClipboard(contents);
}

std::optional<std::string> Pasteboard::String() {
  return CurrentBackend().ClipboardText();
}

}  // namespace platform::window
