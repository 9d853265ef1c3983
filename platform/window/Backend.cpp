#include "platform/window/Backend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/runloop/RunLoop.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/Menu.h"
#include "platform/window/X11Backend.h"

namespace platform::window {

namespace {

std::unique_ptr<Backend>& Current() {
  static std::unique_ptr<Backend> backend;
  return backend;
}

std::mutex& CurrentMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unique_ptr<Backend> MakeBackend(BackendKind kind) {
  if (kind == BackendKind::kX11) return MakeX11Backend();
  return std::make_unique<HeadlessBackend>();
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
  return out;
}

}  // namespace

void Backend::Log(std::string line) {
  std::lock_guard lock(mMutex);
  if (mLog.size() < kLogLines) {
    mLog.push_back(std::move(line));
    return;
  }
  mLog[mLogStart] = std::move(line);
  mLogStart = (mLogStart + 1) % kLogLines;
}

std::vector<std::string> Backend::LogLines() const {
  std::lock_guard lock(mMutex);
  std::vector<std::string> lines(mLog.begin() + static_cast<std::ptrdiff_t>(mLogStart), mLog.end());
  lines.insert(lines.end(), mLog.begin(), mLog.begin() + static_cast<std::ptrdiff_t>(mLogStart));
  return lines;
}

void Backend::ClearLog() {
  std::lock_guard lock(mMutex);
  mLog.clear();
  mLogStart = 0;
}

std::vector<Window*> Backend::Windows() const {
  std::lock_guard lock(mMutex);
  return mWindows;
}

void Backend::AddWindow(Window& window) {
  std::lock_guard lock(mMutex);
  mWindows.push_back(&window);
}

void Backend::RemoveWindow(Window& window) {
  std::lock_guard lock(mMutex);
  std::erase(mWindows, &window);
}

std::string Describe(const AlertRequest& request) {
  return "alert " + Quoted(request.message) + " " + Quoted(request.informative) + " [" + Joined(request.buttons, "|") +
         "]";
}

std::string Describe(const PanelRequest& request) {
  const char* kind = request.kind == PanelRequest::Kind::kSaveFile          ? "save"
                     : request.kind == PanelRequest::Kind::kChooseDirectory ? "directory"
                                                                            : "open";
  return std::string("panel ") + kind + " dir=" + Quoted(request.directory) + " name=" + Quoted(request.name) +
         " types=" + Joined(request.types, ",");
}

std::string Describe(const Menu& menu) {
  std::string out = "[";
  for (int i = 0; i < menu.NumberOfItems(); ++i) {
    const MenuItem& item = *menu.ItemAtIndex(i);
    if (i > 0) out += "|";
    if (item.IsSeparatorItem()) {
      out += "-";
      continue;
    }
    if (!item.IsEnabled()) out += "(disabled)";
    if (item.State() == ControlState::kOn) out += "(checked)";
    out += item.Title();
    if (item.Submenu()) out += Describe(*item.Submenu());
  }
  return out + "]";
}

std::string Describe(Color color) {
  char text[96];
  std::snprintf(text, sizeof text, "%.3f,%.3f,%.3f,%.3f", color.red, color.green, color.blue, color.alpha);
  return text;
}

Backend& CurrentBackend() {
  std::lock_guard lock(CurrentMutex());
  std::unique_ptr<Backend>& backend = Current();
  if (!backend) {
    const char* asked = std::getenv("KD_WINDOW_BACKEND");
    const bool headless = asked && std::strcmp(asked, "headless") == 0;
    backend = MakeBackend(headless ? BackendKind::kHeadless : BackendKind::kX11);
  }
  return *backend;
}

bool SelectBackend(BackendKind kind) {
  std::lock_guard lock(CurrentMutex());
  std::unique_ptr<Backend>& backend = Current();
  if (backend && !backend->Windows().empty()) return false;
  backend = MakeBackend(kind);
  return true;
}

int Pump() {
  return CurrentBackend().Pump();
}

std::unique_ptr<RunLoopTimer> MakePumpTimer(RunLoop& loop, double intervalSeconds, std::thread::id thread) {
  auto timer = std::make_unique<RunLoopTimer>(
      loop.NowSeconds(), intervalSeconds, [](RunLoopTimer&) { Pump(); }, thread);
  loop.AddTimer(*timer);
  return timer;
}

}  // namespace platform::window
