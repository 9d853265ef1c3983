// The desktop's clipboard for text and file references (X11: the CLIPBOARD selection, offered as UTF-8
// text and as a URI list). Every operation: the main thread.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace platform::window {

class Pasteboard {
 public:
  static Pasteboard& General();

  // Never blocks. Empties the clipboard (of what this process offers); answers the change count.
  int ClearContents();
  // Never blocks. Offers utf8 as the clipboard's text.
  bool SetString(const std::string& utf8);
  // Offers the files as file URLs (and their paths as text). False for an empty list or an empty path.
  bool WriteFileURLs(const std::vector<std::string>& paths);
  // The clipboard's text, nullopt when it holds none. X11: when another program owns the clipboard this
  // waits for its answer, at most a quarter of a second.
  std::optional<std::string> String();
  // Counts this process's changes; editors on different threads may change it at the same time.
  int ChangeCount() const { return mChangeCount.load(std::memory_order_relaxed); }

 private:
  std::atomic<int> mChangeCount{0};
};

}  // namespace platform::window
