// The layer as a guest in a host's process, without a display: the X11 back end refuses windows with one
// clear line when there is no display to put them on; a window's visibility follows what the window system
// reports; input reaches a window only on its own thread, under its event lock; windows on several threads share the
// notification centre; the desktop's appearance comes from GTK's theme variable.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/Notifications.h"
#include "tests/platform/window/WindowTestSupport.h"
#include "tests/platform/window/WindowThreadSupport.h"

namespace platform::window {
namespace {

// A display number no server on this machine answers to.
std::string UnservedDisplay() {
  for (int number = 4242;; ++number) {
    struct stat info {};
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    if (::stat(socket.c_str(), &info) != 0) return ":" + std::to_string(number);
  }
}

TEST(WindowWithoutDisplayTest, NoWindowIsMadeAndOneLineSaysWhy) {
  const char* saved = std::getenv("DISPLAY");
  const std::string savedDisplay = saved ? saved : "";
  const std::string unserved = UnservedDisplay();
  const struct Row {
    std::optional<std::string> display;
    std::string line;
  } rows[] = {
      {std::nullopt, "Kelvadrune: cannot open the editor: no X display (DISPLAY is not set)"},
      {"", "Kelvadrune: cannot open the editor: no X display (DISPLAY is not set)"},
      {unserved, "Kelvadrune: cannot open the editor: cannot connect to X display \"" + unserved + "\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    if (row.display) {
      ::setenv("DISPLAY", row.display->c_str(), 1);
    } else {
      ::unsetenv("DISPLAY");
    }
    ASSERT_TRUE(SelectBackend(BackendKind::kX11));
    testing::internal::CaptureStderr();
    // As a host hands over its window: the id means nothing here, as no display is there.
    EXPECT_EQ(Window::Create(reinterpret_cast<void*>(0x2a00003), Size{640, 480}), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), row.line + "\n");
    ASSERT_FALSE(CurrentBackend().LogLines().empty());
    EXPECT_EQ(CurrentBackend().LogLines().back(), row.line);
    EXPECT_TRUE(CurrentBackend().Windows().empty());
  }
  if (saved) {
    ::setenv("DISPLAY", savedDisplay.c_str(), 1);
  } else {
    ::unsetenv("DISPLAY");
  }
  SelectBackend(BackendKind::kHeadless);
}

// The desktop's appearance comes from GTK's theme variable, which names a dark variant as "Theme:dark" or
// "Theme-dark"; it needs no display.
TEST(DesktopAppearanceTest, GtkThemeVariableNamesTheDarkVariant) {
  const char* saved = std::getenv("GTK_THEME");
  const std::optional<std::string> savedTheme = saved ? std::optional<std::string>(saved) : std::nullopt;
  const struct Row {
    std::optional<std::string> theme;
    Appearance appearance;
  } rows[] = {
      {std::nullopt, Appearance::kLight},  {"", Appearance::kLight},
      {"Adwaita", Appearance::kLight},     {"Adwaita:light", Appearance::kLight},
      {"Adwaita:dark", Appearance::kDark}, {"Adwaita-dark", Appearance::kDark},
      {"Yaru-dark", Appearance::kDark},    {"HighContrast", Appearance::kLight},
  };
  ASSERT_TRUE(SelectBackend(BackendKind::kX11));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.theme.value_or("(unset)"));
    if (row.theme) {
      ::setenv("GTK_THEME", row.theme->c_str(), 1);
    } else {
      ::unsetenv("GTK_THEME");
    }
    EXPECT_EQ(CurrentBackend().GetAppearance(), row.appearance);
  }
  if (savedTheme) {
    ::setenv("GTK_THEME", savedTheme->c_str(), 1);
  } else {
    ::unsetenv("GTK_THEME");
  }
  SelectBackend(BackendKind::kHeadless);
}

TEST_F(HeadlessWindowTest, VisibilityFollowsTheWindowSystemAndShowingAgainIsToldOnce) {
  std::vector<bool> told;
  window->SetVisibilityHandler([&](bool visible) { told.push_back(visible); });
  EXPECT_TRUE(window->IsVisible());
  const struct Row {
    NativeInput::Kind kind;
    bool visible;
    std::vector<bool> told;
  } rows[] = {
      {NativeInput::Kind::kShown, true, {}},  // already shown: nothing to tell
      {NativeInput::Kind::kHidden, false, {false}},
      {NativeInput::Kind::kHidden, false, {false}},
      {NativeInput::Kind::kShown, true, {false, true}},
      {NativeInput::Kind::kShown, true, {false, true}},
  };
  for (const Row& row : rows) {
    Inject(row.kind, Point{});
    EXPECT_EQ(window->IsVisible(), row.visible);
    EXPECT_EQ(told, row.told);
  }
}

TEST(HeadlessWindowThreadsTest, InputFollowsTheWindowsThreadAndLock) {
  ASSERT_TRUE(SelectBackend(BackendKind::kHeadless));
  auto& backend = static_cast<HeadlessBackend&>(CurrentBackend());
  CheckInputFollowsTheWindowsThreadAndLock(nullptr, [&](Window& window) {
    NativeInput input;
    input.pixel = Point{10, 10};
    for (NativeInput::Kind kind : {NativeInput::Kind::kButtonPress, NativeInput::Kind::kButtonRelease}) {
      input.kind = kind;
      backend.Inject(window, input);
    }
  });
}

// Editors on two threads of a host, as each opens, gains and loses the focus and closes: their views observe their
// own windows through the one centre of the process at the same time. Each thread hears every notification of its
// own object and none of the other's.
TEST(NotificationCenterThreadsTest, TwoThreadsAddPostAndRemoveAtOnce) {
  constexpr int kRounds = 2000;
  int heard[2] = {0, 0};
  const auto observeAndPost = [&heard](int index) {
    NotificationCenter& center = NotificationCenter::Default();
    const void* self = &heard[index];
    for (int round = 0; round < kRounds; ++round) {
      center.AddObserver(self, notification::kWindowDidResignKey, self,
                         [&heard, index](const std::string&, const void*) { ++heard[index]; });
      center.Post(notification::kWindowDidResignKey, self);
      center.RemoveObserver(self);
    }
  };
  std::thread other(observeAndPost, 1);
  observeAndPost(0);
  other.join();
  EXPECT_EQ(heard[0], kRounds);
  EXPECT_EQ(heard[1], kRounds);
}

}  // namespace
}  // namespace platform::window
