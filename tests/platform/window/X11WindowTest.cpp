// The X11 back end on a real display: run under xvfb-run; every case skips without $DISPLAY.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/runloop/RunLoop.h"
#include "platform/window/Dialogs.h"
#include "platform/window/Pasteboard.h"
#include "platform/window/X11DragDrop.h"
#include "platform/window/X11DragSource.h"

#include "tests/platform/window/WindowTestSupport.h"

// Xlib after the layer: its macros must not meet the layer's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "tests/platform/window/X11DisplayKeptUp.h"
#include "tests/platform/window/XdndSource.h"
#include "tests/platform/window/XdndTarget.h"

namespace platform::window {
namespace {

class X11WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xdisplay_test::OpenDisplayForXTest(display);
    if (IsSkipped() || HasFatalFailure()) return;
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

// Moving the pointer to a point X cannot hold puts it at the screen's nearest edge; a point that is no number
// leaves it where it is.
TEST_F(X11WindowTest, ThePointerMovesOnlyToPointsTheScreenHas) {
  Backend& backend = CurrentBackend();
  backend.WarpPointer(Point{40, 30});
  EXPECT_EQ(backend.PointerPixels(), (Point{40, 30}));
  for (const Point p : {Point{NAN, 5}, Point{5, INFINITY}, Point{-INFINITY, NAN}}) {
    backend.WarpPointer(p);
    EXPECT_EQ(backend.PointerPixels(), (Point{40, 30}));
  }
  backend.WarpPointer(Point{1e300, -1e300});
  const Point edge = backend.PointerPixels();
  EXPECT_EQ(edge.x, DisplayWidth(display, DefaultScreen(display)) - 1);
  EXPECT_EQ(edge.y, 0);
}

// The server's buttons, not the input handled so far: a press not yet pumped already counts.
TEST_F(X11WindowTest, AButtonCountsAsHeldFromThePressUntilTheRelease) {
  Backend& backend = CurrentBackend();
  EXPECT_FALSE(backend.PointerButtonDown());
  XTestFakeButtonEvent(display, 3, True, 0);
  XSync(display, False);
  EXPECT_TRUE(backend.PointerButtonDown());
  XTestFakeButtonEvent(display, 3, False, 0);
  XSync(display, False);
  EXPECT_FALSE(backend.PointerButtonDown());
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

TEST_F(X11WindowTest, EachXButtonReachesItsOwnHandlerAndAWheelStepScrollsOnce) {
  // X numbers left, middle and right 1, 2, 3, and the extra buttons from 8 on; the layer's buttons are left 0,
  // right 1, middle 2, then the extra ones. X's 4 to 7 are wheel steps up, down, left and right, each a press and
  // a release: one step is one scroll of one line. A left click after each row marks where the row's events end.
  using T = EventType;
  struct Row {
    unsigned xButton;
    std::vector<EventType> types;
    int button;
    double deltaX, deltaY;
  } rows[] = {
      {1, {T::kLeftMouseDown, T::kLeftMouseUp}, 0, 0, 0},
      {3, {T::kRightMouseDown, T::kRightMouseUp}, 1, 0, 0},
      {2, {T::kOtherMouseDown, T::kOtherMouseUp}, 2, 0, 0},
      {8, {T::kOtherMouseDown, T::kOtherMouseUp}, 3, 0, 0},
      {4, {T::kScrollWheel}, 0, 0, 1},
      {5, {T::kScrollWheel}, 0, 0, -1},
      {6, {T::kScrollWheel}, 0, -1, 0},
      {7, {T::kScrollWheel}, 0, 1, 0},
  };
  int rootX = 0, rootY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, DefaultRootWindow(display), 50, 60, &rootX, &rootY, &ignored);
  XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.xButton);
    view.seen.clear();
    for (unsigned xButton : {row.xButton, 1u}) {
      XTestFakeButtonEvent(display, xButton, True, 0);
      XTestFakeButtonEvent(display, xButton, False, 0);
    }
    XSync(display, False);
    std::vector<Seen> buttons;
    ASSERT_TRUE(PumpUntil([&] {
      buttons.clear();
      std::copy_if(view.seen.begin(), view.seen.end(), std::back_inserter(buttons),
                   [](const Seen& s) { return s.type != T::kMouseEntered && s.type != T::kMouseExited; });
      return buttons.size() >= row.types.size() + 2 && buttons.back().type == T::kLeftMouseUp;
    }));
    std::vector<EventType> types;
    for (const Seen& seen : buttons) types.push_back(seen.type);
    std::vector<EventType> expected = row.types;
    expected.insert(expected.end(), {T::kLeftMouseDown, T::kLeftMouseUp});
    EXPECT_EQ(types, expected);
    for (size_t i = 0; i < row.types.size() && i < buttons.size(); ++i) {
      if (row.types[i] != T::kScrollWheel) {
        EXPECT_EQ(buttons[i].button, row.button);
      }
      EXPECT_EQ(buttons[i].deltaX, row.deltaX);
      EXPECT_EQ(buttons[i].deltaY, row.deltaY);
    }
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

// The editor's copy empties the clipboard, then offers the new text; the server tells the layer its emptying
// (SelectionClear) only later, after it owns the clipboard again. Once a pump has read that word, the text is still
// the layer's to paste: rows paste at once, after one pump and after several.
TEST_F(X11WindowTest, TextCopiedAfterEmptyingTheClipboardIsPastedAfterAPump) {
  for (const int pumps : {0, 1, 5}) {
    SCOPED_TRACE(testing::Message() << pumps << " pumps");
    Pasteboard& board = Pasteboard::General();
    board.ClearContents();
    const std::string text = "copied " + std::to_string(pumps);
    ASSERT_TRUE(board.SetString(text));
    for (int pump = 0; pump < pumps; ++pump) Pump();
    EXPECT_EQ(board.String(), text);
  }
}

// Requests the layer cannot serve are refused at once (the reply names no property), so the asking program does
// not wait: a target it does not offer, another selection, and any request after another program took the
// clipboard. The test's connection sends the requests as the X server passes them on, to the window that owned
// the clipboard.
TEST_F(X11WindowTest, ClipboardRequestsTheLayerCannotServeAreRefused) {
  ASSERT_TRUE(Pasteboard::General().SetString("Kelvadrune"));
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const ::Window owner = XGetSelectionOwner(display, clipboard);
  ASSERT_NE(owner, 0u);
  const Atom property = XInternAtom(display, "ASKED", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom uriList = XInternAtom(display, "text/uri-list", False);
  struct Row {
    const char* selection;
    const char* target;
    bool takenByAnother;  // the test's connection owns the clipboard from this row on
    bool served;
  } rows[] = {
      {"CLIPBOARD", "UTF8_STRING", false, true}, {"CLIPBOARD", "TARGETS", false, true},
      {"CLIPBOARD", "image/png", false, false},  {"CLIPBOARD", "text/uri-list", false, false},  // no files copied
      {"PRIMARY", "UTF8_STRING", false, false},  {"CLIPBOARD", "UTF8_STRING", true, false},
      {"CLIPBOARD", "TARGETS", true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.selection << " " << row.target << " " << row.takenByAnother);
    if (row.takenByAnother && XGetSelectionOwner(display, clipboard) != parent) {
      XSetSelectionOwner(display, clipboard, parent, CurrentTime);
    }
    XEvent request{};
    request.xselectionrequest.type = SelectionRequest;
    request.xselectionrequest.owner = owner;
    request.xselectionrequest.requestor = parent;
    request.xselectionrequest.selection = XInternAtom(display, row.selection, False);
    request.xselectionrequest.target = XInternAtom(display, row.target, False);
    request.xselectionrequest.property = property;
    request.xselectionrequest.time = CurrentTime;
    XSendEvent(display, owner, False, NoEventMask, &request);
    XSync(display, False);
    XEvent reply;
    ASSERT_TRUE(PumpUntil([&] { return XCheckTypedWindowEvent(display, parent, SelectionNotify, &reply); }));
    EXPECT_EQ(reply.xselection.target, request.xselectionrequest.target);
    EXPECT_EQ(reply.xselection.property, row.served ? property : None);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, parent, property, 0, 1024, True, AnyPropertyType, &type, &format, &count, &after,
                       &data);
    if (row.served && format == 8) {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data), count), "Kelvadrune");
    }
    if (row.served && format == 32) {
      const Atom* atoms = reinterpret_cast<const Atom*>(data);
      EXPECT_NE(std::find(atoms, atoms + count, utf8), atoms + count);
      EXPECT_EQ(std::find(atoms, atoms + count, uriList), atoms + count) << "no files copied";
    }
    if (row.served) {
      EXPECT_NE(format, 0);
    } else {
      EXPECT_EQ(count, 0u) << "nothing written for a refusal";
    }
    if (data) XFree(data);
  }
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
// source that stops answering is given up 2 s after the request it left unanswered (run loop on a manual clock),
// not sooner, not later, and never waited for.
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
  // Pumps both sides and the main run loop. Once the source has played dead, the clock moves to just before 2 s
  // (the window has not answered yet), then to 2 s.
  const auto exchange = [&](const std::optional<xdnd_test::Answer>& answer) {
    bool advanced = false;
    return PumpUntil([&] {
      source.Serve();
      if (source.playDead && source.requests > 0 && !advanced) {
        clock.Advance(2.0 - 1.0 / 64);
        RunLoop::Main().RunDueTimers();
        XSync(display, False);
        source.Serve();
        EXPECT_FALSE(answer.has_value()) << "given up before 2 s";
        clock.Advance(1.0 / 64);
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

namespace platform::window {
namespace {

// Sources of XDND versions 3 to 5 drop alike (before version 5 XdndFinished carries no flags); an older source is
// not heard (its position refused, the view told nothing), nor one claiming a newer version than the window's 5.
TEST_F(X11WindowTest, XdndSourcesOfVersionsThreeToFiveDropOnTheWindow) {
  xdnd_test::XdndSource source(display);
  int rootX = 0, rootY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, DefaultRootWindow(display), 50, 40, &rootX, &rootY, &ignored);
  const double scale = window->BackingScaleFactor();
  const std::vector<std::string> dropped{"entered", "updated",
                                         "perform /tmp/v.lps at " + RecordingView::At(Point{50 / scale, 40 / scale})};
  const auto answered = [&](const std::optional<xdnd_test::Answer>& answer) {
    return PumpUntil([&] {
      source.Serve();
      return answer.has_value();
    });
  };
  for (const long version : {1L, 2L, 3L, 4L, 5L, 6L, 255L}) {
    SCOPED_TRACE(version);
    const bool heard = version >= 3 && version <= 5;
    view.drags.clear();
    source.version = version;
    source.Enter(child, {source.uriList}, "file:///tmp/v.lps\r\n");
    source.Position(child, rootX, rootY);
    ASSERT_TRUE(answered(source.statusAnswer));
    EXPECT_EQ(source.statusAnswer->yes, heard);
    if (!heard) {
      source.Leave(child);
      XSync(display, False);
      for (int i = 0; i < 5; ++i) Pump();
      EXPECT_EQ(view.drags, std::vector<std::string>{});
      continue;
    }
    source.Drop(child);
    ASSERT_TRUE(answered(source.finishedAnswer));
    EXPECT_EQ(source.finishedAnswer->yes, version == 5);
    EXPECT_EQ(source.finishedAnswer->action, version == 5 ? source.actionCopy : 0);
    EXPECT_EQ(view.drags, dropped);
  }
}

std::string HexId(unsigned long id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

// The window's log line that ends a drag out of it; "" while none has ended.
std::string DragEnding() {
  for (const std::string& line : CurrentBackend().LogLines())
    if (line.starts_with("file-drag ") && !line.ends_with("-> started")) return line;
  return "";
}

// The window drags a file out to this test's XDND target: the target is the window under the pointer that takes
// drops (a top-level window's proxy only when the proxy names itself: one left behind naming another window is
// passed over), the list it reads names the file, percent-encoded, the view that took the press hears no more of the
// button, and every ending lets go of the pointer and says in the log how the drag ended. A silent target is left
// 2 s (on the run loop's manual clock) after the message it did not answer, not sooner and not later.
TEST_F(X11WindowTest, AFileDraggedOutReachesTheTargetUnderThePointer) {
  platform::ManualClock clock(50.0);
  RunLoop::Main().SetClock(&clock);
  using Answer = xdnd_test::XdndTarget::Answer;
  enum class Layout { kTopLevel, kInsideAware, kOverUnawareChild, kProxied, kStaleProxy };
  const ::Window root = DefaultRootWindow(display);
  const std::string at = "position 700,200";  // the pointer on the root window, inside every layout's target
  const std::vector<std::string> dropped{"enter 5 text/uri-list", at, "drop"};
  const std::vector<std::string> left{"enter 5 text/uri-list", at, "leave"};
  const std::string uri = "file:///tmp/Kelvadrune%20%C3%A9%25.lps";
  struct Row {
    const char* what;
    long version;  // of the target's XdndAware
    Answer answer;
    Layout layout;
    std::vector<std::string> heard;
    const char* ending;  // after "-> " in the log, then the target's id unless "no target"
  } rows[] = {
      {"accepting", 5, Answer::kAccept, Layout::kTopLevel, dropped, "dropped on"},
      {"version 4", 4, Answer::kAccept, Layout::kTopLevel, {"enter 4 text/uri-list", at, "drop"}, "dropped on"},
      {"version 3", 3, Answer::kAccept, Layout::kTopLevel, {"enter 3 text/uri-list", at, "drop"}, "dropped on"},
      {"a newer version", 6, Answer::kAccept, Layout::kTopLevel, dropped, "dropped on"},
      {"version 2", 2, Answer::kAccept, Layout::kTopLevel, {}, "no target"},
      {"refusing", 5, Answer::kRefuse, Layout::kTopLevel, left, "refused by"},
      {"refusing at the drop", 5, Answer::kRefuseAtDrop, Layout::kTopLevel, dropped, "refused by"},
      {"inside an aware window", 5, Answer::kAccept, Layout::kInsideAware, dropped, "dropped on"},
      {"over an unaware child", 5, Answer::kAccept, Layout::kOverUnawareChild, dropped, "dropped on"},
      {"through a proxy", 5, Answer::kAccept, Layout::kProxied, dropped, "dropped on"},
      {"beside a stale proxy", 5, Answer::kAccept, Layout::kStaleProxy, dropped, "dropped on"},
      {"silent", 5, Answer::kSilent, Layout::kTopLevel, left, "no answer from"},
      {"silent at the drop", 5, Answer::kSilentAtDrop, Layout::kTopLevel, dropped, "no answer from"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CurrentBackend().ClearLog();
    view.seen.clear();
    // The target covers root 600..800 x 100..300; through a proxy, a window manager's frame and its client do
    // (beside a stale proxy, the target is inside the client). An aware window around the target would show in its
    // record as "... for 0xID".
    std::unique_ptr<xdnd_test::XdndTarget> target;
    ::Window around = 0, named = 0;
    const auto makeClient = [&] {
      const ::Window client = XCreateSimpleWindow(display, around, 0, 0, 200, 200, 0, 0, 0);
      const Atom wmState = XInternAtom(display, "WM_STATE", False);
      const long state[2] = {1, 0};  // normal, no icon
      XChangeProperty(display, client, wmState, wmState, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(state), 2);
      XMapWindow(display, client);
      return client;
    };
    if (row.layout == Layout::kInsideAware || row.layout == Layout::kProxied || row.layout == Layout::kStaleProxy) {
      around = XCreateSimpleWindow(display, root, 600, 100, 200, 200, 0, 0, 0);
      XMapWindow(display, around);
    }
    if (row.layout == Layout::kInsideAware) {
      const long version = 5;
      XChangeProperty(display, around, XInternAtom(display, "XdndAware", False), XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&version), 1);
      target = std::make_unique<xdnd_test::XdndTarget>(display, row.version, 50, 50, 100, 100, around);
    } else if (row.layout == Layout::kProxied) {
      named = makeClient();
      target = std::make_unique<xdnd_test::XdndTarget>(display, row.version, 1200, 1000, 10, 10);
      target->ProxyFor(named);
    } else if (row.layout == Layout::kStaleProxy) {
      // The client's proxy is an aware window (of this test's connection, so what it was sent would be heard)
      // whose own XdndProxy names the client instead of itself.
      const ::Window client = makeClient();
      target = std::make_unique<xdnd_test::XdndTarget>(display, row.version, 0, 0, 200, 200, client);
      const ::Window stale = XCreateSimpleWindow(display, around, 0, 0, 1, 1, 0, 0, 0);
      const long version = 5;
      XChangeProperty(display, stale, target->aware, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&version), 1);
      for (const auto& [carrier, proxy] : {std::pair{client, stale}, std::pair{stale, client}})
        XChangeProperty(display, carrier, target->proxy, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&proxy), 1);
    } else {
      target = std::make_unique<xdnd_test::XdndTarget>(display, row.version, 600, 100, 200, 200);
      if (row.layout == Layout::kOverUnawareChild)
        XMapWindow(display, XCreateSimpleWindow(display, target->window, 50, 50, 100, 100, 0, 0, 0));
    }
    if (!named) named = target->window;
    target->answer = row.answer;
    const auto pump = [&](auto done) {
      return PumpUntil([&] {
        target->Serve();
        RunLoop::Main().RunDueTimers();
        return done();
      });
    };
    const auto turns = [&](int count) { pump([&] { return --count == 0; }); };
    const auto saw = [&](EventType type) {
      return std::any_of(view.seen.begin(), view.seen.end(), [&](const Seen& s) { return s.type == type; });
    };

    int rootX = 0, rootY = 0;
    ::Window ignored = 0;
    XTranslateCoordinates(display, child, root, 50, 40, &rootX, &rootY, &ignored);
    XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
    XTestFakeButtonEvent(display, 1, True, 0);
    XSync(display, False);
    ASSERT_TRUE(pump([&] { return saw(EventType::kLeftMouseDown); }));
    ASSERT_TRUE(window->DragFileOut("/tmp/Kelvadrune \xC3\xA9%.lps"));
    XTestFakeMotionEvent(display, -1, 700, 200, 0);
    XSync(display, False);
    if (row.heard.empty()) turns(20);
    ASSERT_TRUE(pump([&] { return target->heard.size() >= std::min<size_t>(2, row.heard.size()); }));
    XTestFakeButtonEvent(display, 1, False, 0);
    XSync(display, False);
    if (row.answer == Answer::kSilent || row.answer == Answer::kSilentAtDrop) {
      ASSERT_TRUE(pump([&] { return row.answer == Answer::kSilent || !target->dropped.empty(); }));
      turns(20);
      EXPECT_EQ(DragEnding(), "");
      clock.Advance(2.0 - 1.0 / 64);
      turns(5);
      EXPECT_EQ(DragEnding(), "");
      clock.Advance(1.0 / 64);
    }
    ASSERT_TRUE(pump([&] { return !DragEnding().empty() && target->heard.size() >= row.heard.size(); }));
    const std::string ending = row.heard.empty() ? row.ending : row.ending + (" " + HexId(named));
    EXPECT_EQ(DragEnding(), "file-drag " + uri + " -> " + ending);
    std::vector<std::string> heard = row.heard;
    for (std::string& line : heard) line += named != target->window ? " for " + HexId(named) : "";
    EXPECT_EQ(target->heard, heard);
    const bool read = row.heard.size() == 3 && row.heard.back() == "drop";
    EXPECT_EQ(target->dropped, read ? uri + "\r\n" : "");
    EXPECT_FALSE(saw(EventType::kLeftMouseUp));
    // The pointer is free again: another program can take it.
    EXPECT_EQ(XGrabPointer(display, parent, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime),
              GrabSuccess);
    XUngrabPointer(display, CurrentTime);
    target.reset();
    if (around) XDestroyWindow(display, around);
  }
  RunLoop::Main().SetClock(nullptr);
}

// While the pointer moves over the target, the window tells it where the pointer is as the target asks: one
// position at a time, none while it stays inside the rectangle of the target's last status (unless the target asks
// for them all), and, when the target leaves a position unanswered for 2 s (run loop on a manual clock) after the
// pointer moved on, one for where the pointer is then. Each drag starts with "enter" and "position 700,200"; each
// step moves the pointer and lists what the target hears after it.
TEST_F(X11WindowTest, AFileDraggedOutTellsTheTargetWhereThePointerGoesAsItAsks) {
  platform::ManualClock clock(50.0);
  RunLoop::Main().SetClock(&clock);
  using Answer = xdnd_test::XdndTarget::Answer;
  struct Step {
    int x, y;  // on the root window
    std::vector<std::string> heard;
    bool timeout = false;  // the clock passes the answer timeout after the move
  };
  struct Row {
    const char* what;
    Answer first;  // to the first position; every later one is accepted
    bool sendPositions;
    std::vector<Step> steps;
  } rows[] = {
      // The rectangle 680..740 x 190..210 is not square: width and height are not interchangeable.
      {"a quiet rectangle",
       Answer::kAccept,
       false,
       {{730, 195, {}}, {690, 209, {}}, {700, 230, {"position 700,230"}}, {745, 215, {"position 745,215"}}}},
      {"positions asked for everywhere",
       Answer::kAccept,
       true,
       {{730, 195, {"position 730,195"}}, {690, 209, {"position 690,209"}}}},
      {"an unanswered position", Answer::kSilent, false, {{710, 210, {}}, {720, 220, {"position 720,220"}, true}}},
  };
  const std::string uri = "file:///tmp/paced.lps";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CurrentBackend().ClearLog();
    xdnd_test::XdndTarget target(display, 5, 600, 100, 200, 200);
    target.answer = row.first;
    target.quietX = 680;
    target.quietY = 190;
    target.quietWidth = 60;
    target.quietHeight = 20;
    target.sendPositions = row.sendPositions;
    const auto pump = [&](auto done) {
      return PumpUntil([&] {
        target.Serve();
        RunLoop::Main().RunDueTimers();
        return done();
      });
    };
    // The window and the target exchange what they have on their way.
    const auto settle = [&] {
      int count = 10;
      pump([&] {
        XSync(display, False);
        return --count == 0;
      });
    };

    int rootX = 0, rootY = 0;
    ::Window ignored = 0;
    XTranslateCoordinates(display, child, DefaultRootWindow(display), 50, 40, &rootX, &rootY, &ignored);
    XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
    XTestFakeButtonEvent(display, 1, True, 0);
    XSync(display, False);
    ASSERT_TRUE(PumpUntil([&] { return !view.seen.empty(); }));
    ASSERT_TRUE(window->DragFileOut("/tmp/paced.lps"));
    XTestFakeMotionEvent(display, -1, 700, 200, 0);
    XSync(display, False);
    ASSERT_TRUE(pump([&] { return target.heard.size() >= 2; }));
    EXPECT_EQ(target.heard, (std::vector<std::string>{"enter 5 text/uri-list", "position 700,200"}));
    target.answer = Answer::kAccept;
    settle();
    for (const Step& step : row.steps) {
      SCOPED_TRACE(testing::Message() << step.x << "," << step.y);
      const size_t before = target.heard.size();
      XTestFakeMotionEvent(display, -1, step.x, step.y, 0);
      XSync(display, False);
      settle();
      if (step.timeout) {
        EXPECT_EQ(target.heard.size(), before) << "a position before the timeout";
        clock.Advance(X11DragSource::kAnswerTimeoutSeconds);
      }
      ASSERT_TRUE(pump([&] { return target.heard.size() >= before + step.heard.size(); }));
      settle();
      EXPECT_EQ(
          std::vector<std::string>(target.heard.begin() + static_cast<std::ptrdiff_t>(before), target.heard.end()),
          step.heard);
    }
    // The last answer accepted the drop.
    XTestFakeButtonEvent(display, 1, False, 0);
    XSync(display, False);
    ASSERT_TRUE(pump([&] { return !DragEnding().empty(); }));
    EXPECT_EQ(DragEnding(), "file-drag " + uri + " -> dropped on " + HexId(target.window));
    EXPECT_EQ(target.heard.back(), "drop");
  }
  RunLoop::Main().SetClock(nullptr);
}

// A drag starts only from a button held in a viewable window, one at a time, for a file's absolute path.
TEST_F(X11WindowTest, AFileDragOutStartsOnlyFromAButtonHeldInTheWindow) {
  struct Row {
    const char* what;
    bool press, hide, running;
    const char* path;
    const char* logged;  // after "file-drag URI -> "; "" for no line
  } rows[] = {
      {"no button held", false, false, false, "/tmp/a.wav", "cannot start (no button held)"},
      {"a relative path", true, false, false, "a.wav", ""},
      {"a hidden window", true, true, false, "/tmp/a.wav", "cannot start (no pointer grab)"},
      {"a drag running", true, false, true, "/tmp/a.wav", "cannot start (another drag runs)"},
  };
  int rootX = 0, rootY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, DefaultRootWindow(display), 50, 40, &rootX, &rootY, &ignored);
  XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    view.seen.clear();
    XTestFakeButtonEvent(display, 1, row.press, 0);
    XSync(display, False);
    ASSERT_TRUE(PumpUntil([&] { return !view.seen.empty() || !row.press; }));
    if (row.hide) XUnmapWindow(display, child);
    XSync(display, False);
    if (row.running) {
      ASSERT_TRUE(window->DragFileOut("/tmp/first.wav"));
    }
    CurrentBackend().ClearLog();
    EXPECT_FALSE(window->DragFileOut(row.path));
    const std::string line = "file-drag file://" + std::string(row.path) + " -> " + row.logged;
    EXPECT_EQ(CurrentBackend().LogLines(), *row.logged ? std::vector<std::string>{line} : std::vector<std::string>{});
    XTestFakeButtonEvent(display, 1, False, 0);
    if (row.hide) XMapWindow(display, child);
    XSync(display, False);
    // The first drag ends over the window, whose view takes no ".wav" file.
    ASSERT_TRUE(PumpUntil([&] { return !row.running || !DragEnding().empty(); }));
  }
}

}  // namespace
}  // namespace platform::window
