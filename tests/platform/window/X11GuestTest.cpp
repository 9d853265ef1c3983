// The X11 back end as a guest in a host's process, on a real display (run under xvfb-run; every case skips
// without $DISPLAY): the test plays the host, with its own connection, windows and X error handlers. The
// layer's X errors reach none of the host's handlers, and the handlers are exactly the host's after every
// call; a server that goes away closes the editor's windows, not the process; visibility follows the host's
// windows; input reaches a window only on its own thread, under its event lock; the desktop's font resolution sets
// the scale.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/X11Backend.h"
#include "tests/platform/window/WindowTestSupport.h"
#include "tests/platform/window/WindowThreadSupport.h"
#include "tests/platform/window/X11DisplayKeptUp.h"

// Xlib after the layer: its macros must not meet the layer's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform::window {
namespace {

int gHostErrors = 0;
int gHostIOErrors = 0;
int HostErrorHandler(::Display*, XErrorEvent*) {
  ++gHostErrors;
  return 0;
}
int HostIOErrorHandler(::Display*) {
  ++gHostIOErrors;
  return 0;
}

// Installs the host's handlers (null: Xlib's default ones, which end the process) and answers what Xlib
// then reports as installed.
std::pair<XErrorHandler, XIOErrorHandler> InstallHostHandlers(XErrorHandler error, XIOErrorHandler io) {
  XSetErrorHandler(error);
  XSetIOErrorHandler(io);
  gHostErrors = 0;
  gHostIOErrors = 0;
  return {XSetErrorHandler(error), XSetIOErrorHandler(io)};
}

testing::AssertionResult HandlersAre(std::pair<XErrorHandler, XIOErrorHandler> expected) {
  const XErrorHandler error = XSetErrorHandler(expected.first);
  const XIOErrorHandler io = XSetIOErrorHandler(expected.second);
  if (error == expected.first && io == expected.second) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the process's X error handlers were changed";
}

class X11GuestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    found = {XSetErrorHandler(nullptr), XSetIOErrorHandler(nullptr)};
    XSetErrorHandler(found.first);
    XSetIOErrorHandler(found.second);
    host = XOpenDisplay(nullptr);
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(SelectBackend(BackendKind::kX11));
  }
  void TearDown() override {
    SelectBackend(BackendKind::kHeadless);
    if (host) XCloseDisplay(host);
    XSetErrorHandler(found.first);
    XSetIOErrorHandler(found.second);
  }

  // A mapped window of the host's.
  ::Window HostWindow(::Window parent, int x, int y, unsigned width, unsigned height) {
    const ::Window window = XCreateSimpleWindow(host, parent, x, y, width, height, 0, 0, 0);
    XMapWindow(host, window);
    XSync(host, False);
    return window;
  }
  ::Window Root() const { return DefaultRootWindow(host); }
  // The editor's window inside parent, once it shows.
  std::unique_ptr<Window> EditorIn(::Window parent) {
    std::unique_ptr<Window> window = Window::Create(reinterpret_cast<void*>(parent), Size{200, 100});
    if (window) PumpUntil([&] { return window->IsVisible(); });
    return window;
  }

  std::pair<XErrorHandler, XIOErrorHandler> found;
  ::Display* host = nullptr;
};

// The desktop's font resolution (Xft.dpi among the X resources a connection reads when it opens) sets the scale:
// 96 dpi is 1; a resolution outside 48 .. 480 dpi, or none, leaves the scale at 1. The root window's resources are
// put back as they were.
TEST_F(X11GuestTest, TheDesktopsFontResolutionSetsTheScale) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(host, Root(), XA_RESOURCE_MANAGER, 0, 1 << 20, False, XA_STRING, &type, &format, &count, &after,
                     &data);
  const std::optional<std::string> saved =
      type == XA_STRING ? std::optional<std::string>(std::string(reinterpret_cast<char*>(data), count)) : std::nullopt;
  if (data) XFree(data);
  const struct Row {
    std::optional<std::string> resources;  // none: no resources at all
    double scale;
  } rows[] = {
      {"Xft.dpi:\t96\n", 1.0},    {"Xft.dpi:\t192\n", 2.0},
      {"Xft.dpi:\t144\n", 1.5},   {"Xcursor.size:\t24\nXft.antialias:\t1\nXft.dpi:\t120\nXft.hinting:\t1\n", 1.25},
      {"Xft.dpi:\t48\n", 0.5},    {"Xft.dpi:\t480\n", 5.0},
      {"Xft.dpi:\t47\n", 1.0},    {"Xft.dpi:\t481\n", 1.0},
      {"Xft.dpi:\tlarge\n", 1.0}, {"Xcursor.size:\t24\n", 1.0},
      {std::nullopt, 1.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.resources.value_or("(none)"));
    if (row.resources) {
      XChangeProperty(host, Root(), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(row.resources->data()),
                      static_cast<int>(row.resources->size()));
    } else {
      XDeleteProperty(host, Root(), XA_RESOURCE_MANAGER);
    }
    XSync(host, False);
    ASSERT_TRUE(SelectBackend(BackendKind::kX11));  // a new connection, which reads the resources anew
    EXPECT_EQ(CurrentBackend().BackingScaleFactor(), row.scale);
    EXPECT_EQ(MainScreen().backingScaleFactor, row.scale);
  }
  if (saved) {
    XChangeProperty(host, Root(), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(saved->data()), static_cast<int>(saved->size()));
  } else {
    XDeleteProperty(host, Root(), XA_RESOURCE_MANAGER);
  }
  XSync(host, False);
}

TEST_F(X11GuestTest, TheLayersXErrorsReachNoHandlerOfTheHost) {
  struct Row {
    const char* what;
    bool parentDestroyed;  // the host destroys its window (and so the editor's) before the call
    std::function<void(std::unique_ptr<Window>&, View&)> call;
  };
  const std::vector<unsigned char> pixels(4 * 4 * 4, 0x80);
  const Row rows[] = {
      {"focus", true, [](auto& window, View&) { window->MakeKeyAndOrderFront(); }},
      {"present", true, [&](auto&, View& view) { view.PresentBGRA(pixels.data(), 4, 4, 16); }},
      {"resize", true,
       [](auto& window, View&) {
         window->SetContentSize(Size{300, 200});
       }},
      {"frame", true, [](auto& window, View&) { window->Frame(); }},
      {"close", true, [](auto& window, View&) { window.reset(); }},
      {"pump", true,
       [](auto&, View&) {
         for (int i = 0; i < 3; ++i) Pump();
       }},
      {"a parent that is no window", false,
       [this](auto&, View&) {
         const ::Window gone = HostWindow(Root(), 0, 0, 10, 10);
         XDestroyWindow(host, gone);
         XSync(host, False);
         EXPECT_EQ(Window::Create(reinterpret_cast<void*>(gone), Size{200, 100}), nullptr);
         EXPECT_NE(CurrentBackend().LogLines().back().find("cannot take a child window"), std::string::npos);
       }},
      {"a clipboard request from a window already gone", false,
       [this](auto&, View&) {
         ASSERT_TRUE(CurrentBackend().SetClipboard(ClipboardContents{true, "copied", {}}));
         const ::Window requestor = HostWindow(Root(), 0, 0, 10, 10);
         XConvertSelection(host, XInternAtom(host, "CLIPBOARD", False), XInternAtom(host, "UTF8_STRING", False),
                           XInternAtom(host, "PASTED", False), requestor, CurrentTime);
         XDestroyWindow(host, requestor);
         XSync(host, False);
         Pump();
       }},
  };
  // Xlib's default handler ends the process: an error of the layer's reaching it fails the whole program.
  for (XErrorHandler hostHandler : {&HostErrorHandler, static_cast<XErrorHandler>(nullptr)}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (hostHandler ? "" : ", Xlib's default handler"));
      const ::Window parent = HostWindow(Root(), 20, 20, 300, 200);
      std::unique_ptr<Window> window = EditorIn(parent);
      ASSERT_NE(window, nullptr);
      View view(Rect{{0, 0}, {200, 100}});
      window->ContentView().AddSubview(view);
      const auto installed = InstallHostHandlers(hostHandler, &HostIOErrorHandler);
      if (row.parentDestroyed) XDestroyWindow(host, parent);
      XSync(host, False);
      row.call(window, view);
      EXPECT_TRUE(HandlersAre(installed));
      window.reset();
      EXPECT_TRUE(HandlersAre(installed));
      if (!row.parentDestroyed) XDestroyWindow(host, parent);
      EXPECT_EQ(gHostErrors, 0);
      EXPECT_EQ(gHostIOErrors, 0);
    }
  }
}

TEST_F(X11GuestTest, TwoBackEndsMadeAndDestroyedInEitherOrderLeaveTheHandlersAsFound) {
  for (bool firstMadeGoesFirst : {true, false}) {
    SCOPED_TRACE(firstMadeGoesFirst ? "first made goes first" : "last made goes first");
    const auto installed = InstallHostHandlers(&HostErrorHandler, &HostIOErrorHandler);
    std::unique_ptr<Backend> first = MakeX11Backend();
    ASSERT_TRUE(first->SetClipboard(ClipboardContents{true, "first", {}}));  // connects, and owns the clipboard
    EXPECT_TRUE(HandlersAre(installed));
    std::unique_ptr<Backend> second = MakeX11Backend();
    ASSERT_TRUE(second->SetClipboard(ClipboardContents{true, "second", {}}));  // another connection takes it
    EXPECT_TRUE(HandlersAre(installed));
    first->Pump();
    second->Pump();
    std::unique_ptr<Backend>& goesFirst = firstMadeGoesFirst ? first : second;
    std::unique_ptr<Backend>& stays = firstMadeGoesFirst ? second : first;
    goesFirst.reset();
    EXPECT_TRUE(HandlersAre(installed));
    EXPECT_TRUE(stays->SetClipboard(ClipboardContents{true, "still here", {}}));
    stays.reset();
    EXPECT_TRUE(HandlersAre(installed));
    EXPECT_EQ(gHostErrors, 0);
  }
}

// A private X server, for the test to take away.
class PrivateServer {
 public:
  PrivateServer() {
    int ready[2];
    if (::pipe(ready) != 0) return;
    mPid = ::fork();
    if (mPid == 0) {
      ::close(ready[0]);
      const std::string fd = std::to_string(ready[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", nullptr);
      ::_exit(127);
    }
    ::close(ready[1]);
    // The number comes as a line once the server is ready; reading stops at its end (or the server's).
    std::string number;
    char c = 0;
    while (mPid > 0 && ::read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    if (c == '\n') mName = ":" + number;
    ::close(ready[0]);
  }
  ~PrivateServer() { Kill(); }
  void Kill() {
    if (mPid <= 0) return;
    ::kill(mPid, SIGKILL);
    ::waitpid(mPid, nullptr, 0);
    mPid = 0;
  }
  const std::string& Name() const { return mName; }  // empty when Xvfb did not start

 private:
  pid_t mPid = 0;
  std::string mName;
};

TEST_F(X11GuestTest, AServerGoneClosesTheEditorsWindowsNotTheProcess) {
  const std::string shared = std::getenv("DISPLAY");
  PrivateServer server;
  if (server.Name().empty()) GTEST_SKIP() << "Xvfb does not start";
  ::setenv("DISPLAY", server.Name().c_str(), 1);
  std::unique_ptr<Window> window = Window::Create(nullptr, Size{200, 100});
  ::setenv("DISPLAY", shared.c_str(), 1);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->IsVisible());
  View view(Rect{{0, 0}, {200, 100}});
  window->ContentView().AddSubview(view);
  std::vector<bool> told;
  window->SetVisibilityHandler([&](bool visible) { told.push_back(visible); });
  const auto installed = InstallHostHandlers(&HostErrorHandler, &HostIOErrorHandler);

  server.Kill();
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) Pump();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Kelvadrune: the X server went away; the editor's windows are gone\n");
  EXPECT_FALSE(window->IsVisible());
  EXPECT_EQ(told, std::vector<bool>{false});
  // Every later call is harmless.
  const std::vector<unsigned char> pixels(4 * 4 * 4, 0x80);
  view.PresentBGRA(pixels.data(), 4, 4, 16);
  window->MakeKeyAndOrderFront();
  window->SetContentSize(Size{300, 200});
  window->Frame();
  EXPECT_EQ(window->Surface().display, nullptr);
  Pump();
  // A host may close the editor from another thread than the one that met the loss.
  std::future<void> closed = std::async(std::launch::async, [&] { window.reset(); });
  ASSERT_EQ(closed.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  Pump();
  EXPECT_TRUE(HandlersAre(installed));
  EXPECT_EQ(gHostErrors, 0);
  EXPECT_EQ(gHostIOErrors, 0);

  // The next editor connects afresh, to the display there is now.
  const ::Window parent = HostWindow(Root(), 20, 20, 300, 200);
  std::unique_ptr<Window> next = EditorIn(parent);
  ASSERT_NE(next, nullptr);
  ::Window root = 0, parentOfNext = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(host, static_cast<::Window>(next->Surface().window), &root, &parentOfNext, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(parentOfNext, parent);
  next.reset();
  XDestroyWindow(host, parent);
}

TEST_F(X11GuestTest, VisibilityFollowsTheHostsWindows) {
  const ::Window top = HostWindow(Root(), 0, 0, 400, 300);
  const ::Window parent = HostWindow(top, 10, 10, 300, 200);
  const ::Window cover = XCreateSimpleWindow(host, Root(), 0, 0, 1600, 1200, 0, 0, 0);
  const ::Window elsewhere = XCreateSimpleWindow(host, Root(), 0, 0, 400, 300, 0, 0, 0);  // not mapped
  std::unique_ptr<Window> window = EditorIn(parent);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->IsVisible());
  const ::Window editor = static_cast<::Window>(window->Surface().window);
  std::vector<bool> told;
  window->SetVisibilityHandler([&](bool visible) { told.push_back(visible); });
  const struct Row {
    const char* what;
    std::function<void()> hide, show;
  } rows[] = {
      {"the editor's own window unmapped", [&] { XUnmapWindow(host, editor); }, [&] { XMapWindow(host, editor); }},
      {"the host's window unmapped", [&] { XUnmapWindow(host, parent); }, [&] { XMapWindow(host, parent); }},
      {"a window above the host's unmapped", [&] { XUnmapWindow(host, top); }, [&] { XMapWindow(host, top); }},
      {"covered entirely", [&] { XMapRaised(host, cover); }, [&] { XUnmapWindow(host, cover); }},
      // As a window manager frames a window: the one above is new, and is then shown.
      {"moved into a window not shown, which is then shown", [&] { XReparentWindow(host, parent, elsewhere, 10, 10); },
       [&] { XMapWindow(host, elsewhere); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    told.clear();
    row.hide();
    XSync(host, False);
    EXPECT_TRUE(PumpUntil([&] { return !window->IsVisible(); }));
    EXPECT_EQ(told, std::vector<bool>{false});
    row.show();
    XSync(host, False);
    EXPECT_TRUE(PumpUntil([&] { return window->IsVisible(); }));
    EXPECT_EQ(told, (std::vector<bool>{false, true}));
  }
  window.reset();
  for (::Window w : {cover, elsewhere, top}) XDestroyWindow(host, w);
}

TEST_F(X11GuestTest, InputFollowsTheWindowsThreadAndLock) {
  const ::Window parent = HostWindow(Root(), 20, 20, 300, 200);
  CheckInputFollowsTheWindowsThreadAndLock(reinterpret_cast<void*>(parent), [&](Window& window) {
    XEvent event{};
    XButtonEvent& button = event.xbutton;
    button.window = static_cast<::Window>(window.Surface().window);
    button.root = Root();
    button.x = button.y = 10;
    button.button = Button1;
    button.same_screen = True;
    for (int type : {ButtonPress, ButtonRelease}) {
      button.type = type;
      XSendEvent(host, button.window, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
    }
    XSync(host, False);
  });
  XDestroyWindow(host, parent);
}

}  // namespace
}  // namespace platform::window
