// The X11 back end on a real display: run under xvfb-run; every case skips without $DISPLAY.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/runloop/RunLoop.h"
#include "platform/window/Dialogs.h"
#include "platform/window/Pasteboard.h"
#include "platform/window/X11DragDrop.h"

#include "tests/platform/window/WindowTestSupport.h"

// Xlib after the layer: its macros must not meet the layer's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "tests/platform/window/X11DisplayKeptUp.h"
#include "tests/platform/window/XdndSource.h"

namespace platform::window {
namespace {

class X11WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTest extension";
    // The test plays the host: its own top-level window is the parent the editor window goes into.
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 40, 30, 320, 240, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    ASSERT_TRUE(SelectBackend(BackendKind::kX11));
    window = Window::Create(reinterpret_cast<void*>(parent), Size{200, 120});
    ASSERT_NE(window, nullptr);
    window->ContentView().AddSubview(view);
    child = window->Surface().window;
    ASSERT_TRUE(PumpUntil([&] {
      XWindowAttributes attributes{};
      return XGetWindowAttributes(display, child, &attributes) && attributes.map_state == IsViewable;
    }));
  }
  void TearDown() override {
    window.reset();
    SelectBackend(BackendKind::kHeadless);
    if (display) {
      if (parent) XDestroyWindow(display, parent);
      XCloseDisplay(display);
    }
  }

  ::Display* display = nullptr;
  ::Window parent = 0;
  ::Window child = 0;
  std::unique_ptr<Window> window;
  RecordingView view{MakeRect(0, 0, 200, 120)};
};

TEST_F(X11WindowTest, OpensAsAChildOfTheHostsWindow) {
  ::Window root = 0, parentOfChild = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(display, child, &root, &parentOfChild, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(parentOfChild, parent);
  EXPECT_EQ(window->Surface().display != nullptr, true);
}

TEST_F(X11WindowTest, AClickThroughXTestArrivesAtTheRightPoint) {
  int rootX = 0, rootY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, DefaultRootWindow(display), 30, 40, &rootX, &rootY, &ignored);
  XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
  XTestFakeButtonEvent(display, 1, True, 0);
  XTestFakeButtonEvent(display, 1, False, 0);
  XTestFakeButtonEvent(display, 4, True, 0);  // one wheel step up
  XTestFakeButtonEvent(display, 4, False, 0);
  XSync(display, False);
  auto has = [&](EventType type) {
    return std::any_of(view.seen.begin(), view.seen.end(), [&](const Seen& s) { return s.type == type; });
  };
  ASSERT_TRUE(PumpUntil([&] { return has(EventType::kLeftMouseUp) && has(EventType::kScrollWheel); }));
  const double scale = window->BackingScaleFactor();
  for (const Seen& seen : view.seen) {
    if (seen.type == EventType::kLeftMouseDown) {
      EXPECT_EQ(seen.point, (Point{30 / scale, 40 / scale}));
      EXPECT_EQ(seen.clickCount, 1);
    }
    if (seen.type == EventType::kScrollWheel) {
      EXPECT_EQ(seen.deltaY, 1.0);
    }
  }
}

TEST_F(X11WindowTest, EachXButtonReachesItsOwnHandler) {
  // X numbers left, middle and right 1, 2, 3 (4 to 7 are wheel steps); the layer's buttons are left 0,
  // right 1, middle 2, and the extra buttons from X's 8 on.
  struct Row {
    unsigned xButton;
    EventType down, up;
    int button;
  } rows[] = {
      {1, EventType::kLeftMouseDown, EventType::kLeftMouseUp, 0},
      {3, EventType::kRightMouseDown, EventType::kRightMouseUp, 1},
      {2, EventType::kOtherMouseDown, EventType::kOtherMouseUp, 2},
      {8, EventType::kOtherMouseDown, EventType::kOtherMouseUp, 3},
  };
  int rootX = 0, rootY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, DefaultRootWindow(display), 50, 60, &rootX, &rootY, &ignored);
  XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.xButton);
    view.seen.clear();
    XTestFakeButtonEvent(display, row.xButton, True, 0);
    XTestFakeButtonEvent(display, row.xButton, False, 0);
    XSync(display, False);
    std::vector<Seen> buttons;
    ASSERT_TRUE(PumpUntil([&] {
      buttons.clear();
      std::copy_if(view.seen.begin(), view.seen.end(), std::back_inserter(buttons), [](const Seen& s) {
        return s.type != EventType::kMouseEntered && s.type != EventType::kMouseExited;
      });
      return buttons.size() >= 2;
    }));
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].type, row.down);
    EXPECT_EQ(buttons[1].type, row.up);
    EXPECT_EQ(buttons[0].button, row.button);
    EXPECT_EQ(buttons[1].button, row.button);
  }
}

TEST_F(X11WindowTest, AClickTakesTheKeyboardFromAnotherWindow) {
  // Another window of the host's holds the keyboard; the editor window is not key.
  const ::Window other = XCreateSimpleWindow(display, DefaultRootWindow(display), 600, 500, 100, 100, 0, 0, 0);
  XMapWindow(display, other);
  XSync(display, False);
  ASSERT_TRUE(PumpUntil([&] {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, other, &attributes) && attributes.map_state == IsViewable;
  }));
  XSetInputFocus(display, other, RevertToPointerRoot, CurrentTime);
  XSync(display, False);
  Pump();
  ASSERT_FALSE(window->IsKeyWindow());
  ASSERT_TRUE(window->MakeFirstResponder(&view));

  int rootX = 0, rootY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, DefaultRootWindow(display), 50, 60, &rootX, &rootY, &ignored);
  XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
  XTestFakeButtonEvent(display, 1, True, 0);
  XTestFakeButtonEvent(display, 1, False, 0);
  XSync(display, False);
  ::Window focus = 0;
  int revert = 0;
  EXPECT_TRUE(PumpUntil([&] {
    XGetInputFocus(display, &focus, &revert);
    return focus == child && window->IsKeyWindow();
  }));

  const KeyCode b = XKeysymToKeycode(display, XK_b);
  XTestFakeKeyEvent(display, b, True, 0);
  XTestFakeKeyEvent(display, b, False, 0);
  XSync(display, False);
  EXPECT_TRUE(PumpUntil([&] {
    return std::any_of(view.seen.begin(), view.seen.end(),
                       [](const Seen& s) { return s.type == EventType::kKeyDown && s.characters == U"b"; });
  }));
  XDestroyWindow(display, other);
}

TEST_F(X11WindowTest, PresentedPixelsReachTheWindow) {
  std::vector<unsigned char> red(4 * 4 * 4);
  for (size_t i = 0; i < red.size(); i += 4) {
    red[i + 2] = 255;  // blue, green, red, alpha
    red[i + 3] = 255;
  }
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, child, &attributes);
  if (attributes.depth != 24 && attributes.depth != 32) GTEST_SKIP() << "display depth " << attributes.depth;
  ASSERT_TRUE(view.PresentBGRA(red.data(), 4, 4, 16));
  XSync(static_cast<::Display*>(window->Surface().display), False);
  XImage* image = XGetImage(display, child, 0, 0, 4, 4, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 1, 1) & 0xFFFFFF, 0xFF0000u);
  XDestroyImage(image);
  // Parts of later frames land at their place; the window shows the frame as drawn whole.
  struct Part {
    PixelRect changed;
    unsigned long rgb;
  };
  std::vector<unsigned long> drawn(16, 0xFF0000u);
  for (const Part& part :
       {Part{{1, 1, 2, 2}, 0x00FF00u}, Part{{2, 0, 2, 3}, 0x0000FFu}, Part{{0, 3, 1, 1}, 0xFFFF00u}}) {
    const PixelRect& c = part.changed;
    for (int y = c.y; y < c.y + c.height; ++y)
      for (int x = c.x; x < c.x + c.width; ++x) drawn[y * 4 + x] = part.rgb;
    const auto write = [&](unsigned char* bgra, size_t bytesPerRow, PixelRect region) {
      for (int y = 0; y < region.height; ++y)
        for (int x = 0; x < region.width; ++x) {
          const unsigned long rgb = drawn[(region.y + y) * 4 + region.x + x];
          unsigned char* p = bgra + y * bytesPerRow + x * 4;
          p[0] = rgb & 0xFF;
          p[1] = (rgb >> 8) & 0xFF;
          p[2] = (rgb >> 16) & 0xFF;
          p[3] = 255;
        }
      return true;
    };
    ASSERT_TRUE(view.PresentBGRA(4, 4, c, write));
    EXPECT_EQ(window->LastPresentedFrame().updated, c);
  }
  XSync(static_cast<::Display*>(window->Surface().display), False);
  image = XGetImage(display, child, 0, 0, 4, 4, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(XGetPixel(image, x, y) & 0xFFFFFF, drawn[y * 4 + x]) << x << "," << y;
  XDestroyImage(image);
}

}  // namespace
}  // namespace platform::window

namespace platform::window {
namespace {

TEST_F(X11WindowTest, KeysReachTheFirstResponderAndUnusedOnesTheHost) {
  window->MakeKeyAndOrderFront();
  ASSERT_TRUE(window->MakeFirstResponder(&view));
  const KeyCode a = XKeysymToKeycode(display, XK_a);
  XTestFakeKeyEvent(display, a, True, 0);
  XTestFakeKeyEvent(display, a, False, 0);
  XSync(display, False);
  ASSERT_TRUE(PumpUntil([&] { return !view.seen.empty() && view.seen.back().type == EventType::kKeyDown; }));
  EXPECT_EQ(view.seen.back().keyCode, keycode::kA);
  EXPECT_EQ(view.seen.back().characters, U"a");

  // Without a view to take it, the key goes to the host's window.
  XSelectInput(display, parent, KeyPressMask);
  RecordingView bystander(MakeRect(0, 0, 10, 10), false);
  window->ContentView().AddSubview(bystander);
  ASSERT_TRUE(window->MakeFirstResponder(&bystander));
  XTestFakeKeyEvent(display, a, True, 0);
  XTestFakeKeyEvent(display, a, False, 0);
  XSync(display, False);
  XEvent event;
  EXPECT_TRUE(PumpUntil([&] { return XCheckTypedWindowEvent(display, parent, KeyPress, &event); }));
}

}  // namespace
}  // namespace platform::window

namespace platform::window {
namespace {

TEST_F(X11WindowTest, OtherProgramsPasteTheTextTheLayerCopied) {
  ASSERT_TRUE(Pasteboard::General().SetString("Kelvadrune \u00B1"));
  EXPECT_EQ(Pasteboard::General().String(), "Kelvadrune \u00B1");
  // The test's connection plays the other program: it asks for the clipboard as UTF-8 text.
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom property = XInternAtom(display, "PASTED", False);
  XConvertSelection(display, clipboard, utf8, property, parent, CurrentTime);
  XSync(display, False);
  XEvent event;
  ASSERT_TRUE(PumpUntil([&] { return XCheckTypedWindowEvent(display, parent, SelectionNotify, &event); }));
  ASSERT_EQ(event.xselection.property, property);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(display, parent, property, 0, 1024, True, AnyPropertyType, &type, &format, &count,
                               &after, &data),
            Success);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), count), "Kelvadrune \u00B1");
  XFree(data);
}

TEST_F(X11WindowTest, DialogsRunThroughTheDialogProgramOrAnswerCancelled) {
  window.reset();
  ::setenv("KD_DIALOG_TOOL", "none", 1);
  ASSERT_TRUE(SelectBackend(BackendKind::kX11));
  Alert alert;
  alert.AddButtonWithTitle("OK");
  EXPECT_EQ(alert.RunModal(), kModalResponseCancel);
  EXPECT_NE(CurrentBackend().LogLines().back().find("neither zenity nor kdialog"), std::string::npos);

  // A stand-in for zenity in a folder of this process's own that answers every dialog with a path.
  char folder[] = "/tmp/kd_window_dialog_XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string program = std::string(folder) + "/zenity";
  std::ofstream(program) << "#!/bin/sh\necho /data/chosen.lps\n";
  ::chmod(program.c_str(), 0755);
  const std::string path = std::string(folder) + ":" + std::getenv("PATH");
  ::setenv("PATH", path.c_str(), 1);
  ::setenv("KD_DIALOG_TOOL", "zenity", 1);
  ASSERT_TRUE(SelectBackend(BackendKind::kX11));
  EXPECT_EQ(alert.RunModal(), kAlertFirstButtonReturn);
  OpenPanel panel;
  int response = -1;
  panel.BeginSheetModalForWindow(nullptr, [&](int r) { response = r; });
  EXPECT_EQ(response, -1);
  EXPECT_TRUE(PumpUntil([&] { return response != -1; }));
  EXPECT_EQ(response, kModalResponseOK);
  EXPECT_EQ(panel.Filename(), "/data/chosen.lps");
  ::unlink(program.c_str());
  ::rmdir(folder);
}

// This test plays another program dragging files onto the window through XDND (its own connection and source
// window): the window's view (which takes "*.lps" files) decides each XdndStatus, a taken drop reaches it, and a
// source that stops answering is given up after the timeout (run loop on a manual clock), never waited for.
TEST_F(X11WindowTest, FilesDraggedInThroughXdndReachTheViewWhenItTakesThem) {
  platform::ManualClock clock(50.0);
  RunLoop::Main().SetClock(&clock);
  xdnd_test::XdndSource source(display);
  const Atom plain = XInternAtom(display, "text/plain", False);
  int rootX = 0, rootY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, DefaultRootWindow(display), 50, 40, &rootX, &rootY, &ignored);
  const std::string at =
      " at " + RecordingView::At(Point{50 / window->BackingScaleFactor(), 40 / window->BackingScaleFactor()});
  struct Row {
    const char* what;
    std::vector<Atom> types;
    const char* list;
    bool dead;        // the source never hands the list over
    bool accepted;    // XdndStatus
    bool dropped;     // the source drops, else it leaves
    bool deadAtDrop;  // the source stops answering before the drop
    bool taken;       // XdndFinished
    std::vector<std::string> told;
  } rows[] = {
      {"a preset",
       {source.uriList},
       "file:///tmp/a%20b.lps\r\n",
       false,
       true,
       true,
       false,
       true,
       {"entered", "updated", "perform /tmp/a b.lps" + at}},
      {"a sound", {source.uriList}, "file:///tmp/a.wav\r\n", false, false, false, false, false, {"entered", "exited"}},
      {"four types",
       {source.utf8, XA_STRING, plain, source.uriList},
       "# one\r\nfile:///tmp/c.lps\r\n",
       false,
       true,
       true,
       false,
       true,
       {"entered", "updated", "perform /tmp/c.lps" + at}},
      {"no files", {source.utf8, plain}, "", false, false, false, false, false, {}},
      {"a dead source", {source.uriList}, "file:///tmp/d.lps", true, false, false, false, false, {}},
      {"dead at the drop",
       {source.uriList},
       "file:///tmp/e.lps",
       false,
       true,
       true,
       true,
       false,
       {"entered", "exited"}},
  };
  // Pumps both sides and the main run loop; once the source has played dead, the clock passes the timeout.
  const auto exchange = [&](const std::optional<xdnd_test::Answer>& answer) {
    bool advanced = false;
    return PumpUntil([&] {
      source.Serve();
      if (source.playDead && source.requests > 0 && !advanced) {
        clock.Advance(X11DragDrop::kAnswerTimeoutSeconds + 0.1);
        advanced = true;
      }
      RunLoop::Main().RunDueTimers();
      return answer.has_value();
    });
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    view.drags.clear();
    source.playDead = row.dead;
    source.requests = 0;
    source.Enter(child, row.types, row.list);
    source.Position(child, rootX, rootY);
    ASSERT_TRUE(exchange(source.statusAnswer));
    EXPECT_EQ(source.statusAnswer->yes, row.accepted);
    EXPECT_EQ(source.statusAnswer->action, row.accepted ? source.actionCopy : 0);
    if (row.dropped) {
      source.playDead = row.deadAtDrop;
      source.requests = 0;
      source.Drop(child);
      ASSERT_TRUE(exchange(source.finishedAnswer));
      EXPECT_EQ(source.finishedAnswer->yes, row.taken);
      EXPECT_EQ(source.finishedAnswer->action, row.taken ? source.actionCopy : 0);
    } else {
      source.Leave(child);
      XSync(display, False);
      for (int i = 0; i < 5; ++i) Pump();
    }
    EXPECT_EQ(view.drags, row.told);
  }
  RunLoop::Main().SetClock(nullptr);
}

}  // namespace
}  // namespace platform::window
