// The picture of a file dragged out of an X11 window, on a real display: run under xvfb-run; every case skips
// without $DISPLAY.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "platform/window/X11DragPicture.h"

#include "tests/platform/window/WindowTestSupport.h"
#include "tests/support/TempDataHome.h"
#include "tools/pngfile/PngFile.h"

// Xlib after the layer: its macros must not meet the layer's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "tests/platform/window/X11DisplayKeptUp.h"

#include "tests/platform/window/XdndTarget.h"

namespace platform::window {
namespace {

// The icon the test's desktop gives files named "*.kdpic": one opaque colour.
constexpr unsigned long kIconPixel = 0x00A0FF;

// Sets an environment variable for the test's lifetime, then puts back what was there.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : mName(name) {
    if (const char* old = std::getenv(name)) mOld = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (mOld) {
      setenv(mName, mOld->c_str(), 1);
    } else {
      unsetenv(mName);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* mName;
  std::optional<std::string> mOld;
};

class X11DragPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xdisplay_test::OpenDisplayForXTest(display);
    if (IsSkipped() || HasFatalFailure()) return;
    // A desktop of the test's own: a type for "*.kdpic" and its icon in hicolor, nothing of the machine's.
    const std::string data = home.DataHome();
    std::filesystem::create_directories(data + "/mime");
    std::filesystem::create_directories(data + "/icons/hicolor/64x64/mimetypes");
    ASSERT_TRUE(presets_test::WriteTextFile(data + "/mime/globs2", "50:application/x-kd-picture:*.kdpic\n"));
    ASSERT_TRUE(presets_test::WriteTextFile(data + "/icons/hicolor/index.theme",
                                            "[Icon Theme]\nDirectories=64x64/mimetypes\n"
                                            "[64x64/mimetypes]\nSize=64\nType=Fixed\n"));
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 64 * 64; ++i) rgba.insert(rgba.end(), {0x00, 0xA0, 0xFF, 0xFF});
    ASSERT_TRUE(WritePngRgba(data + "/icons/hicolor/64x64/mimetypes/application-x-kd-picture.png", rgba, 64, 64));
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
    RunLoop::Main().SetClock(&clock);
  }
  void TearDown() override {
    RunLoop::Main().SetClock(nullptr);
    window.reset();
    SelectBackend(BackendKind::kHeadless);
    if (display) {
      if (parent) XDestroyWindow(display, parent);
      XCloseDisplay(display);
    }
  }

  // The drag pictures showing: viewable windows on the root that say they are one.
  std::vector<XWindowAttributes> Pictures() {
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dnd = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DND", False);
    ::Window rootReturn = 0, parentReturn = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    std::vector<XWindowAttributes> found;
    XSync(display, False);
    if (!XQueryTree(display, DefaultRootWindow(display), &rootReturn, &parentReturn, &children, &count)) return found;
    for (unsigned i = 0; i < count; ++i) {
      Atom actual = 0;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* bytes = nullptr;
      XWindowAttributes attributes{};
      const bool isPicture = XGetWindowProperty(display, children[i], type, 0, 1, False, XA_ATOM, &actual, &format,
                                                &items, &after, &bytes) == Success &&
                             bytes && items == 1 && *reinterpret_cast<const Atom*>(bytes) == dnd;
      if (bytes) XFree(bytes);
      if (isPicture && XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable) {
        found.push_back(attributes);
      }
    }
    if (children) XFree(children);
    return found;
  }
  // The screen's pixel at x, y on the root window.
  unsigned long ScreenPixel(int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
  }

  presets_test::TempDataHome home;
  ScopedVariable dataDirs{"XDG_DATA_DIRS", home.Root() + "/none"};
  ScopedVariable configHome{"XDG_CONFIG_HOME", home.Root() + "/none"};
  ScopedVariable configDirs{"XDG_CONFIG_DIRS", home.Root() + "/none"};
  platform::ManualClock clock{50.0};
  ::Display* display = nullptr;
  ::Window parent = 0;
  ::Window child = 0;
  std::unique_ptr<Window> window;
  RecordingView view{MakeRect(0, 0, 200, 120)};
};

// The window's log line that ends a drag out of it; "" while none has ended.
std::string DragEnding() {
  for (const std::string& line : CurrentBackend().LogLines())
    if (line.starts_with("file-drag ") && !line.ends_with("-> started")) return line;
  return "";
}

// A dragged file's icon appears on the rectangle given (the window's coordinates, from its bottom-left corner, on
// the display), follows the pointer where it was taken (also over a target, which still hears the drag under it),
// goes at once on a drop the target took and otherwise slides back to the rectangle on the run loop's clock and
// goes a frame later. Without a rectangle there is no picture.
TEST_F(X11DragPictureTest, TheFilesPictureFollowsThePointerAndSlidesBackWhenRefused) {
  using Answer = xdnd_test::XdndTarget::Answer;
  struct Row {
    const char* what;
    std::optional<Answer> target;  // none: the pointer goes where no window takes drops
    bool picture;
    const char* ending;
  } rows[] = {
      {"dropped", Answer::kAccept, true, "dropped on"},
      {"refused", Answer::kRefuse, true, "refused by"},
      {"no target", std::nullopt, true, "no target"},
      {"no rectangle", Answer::kAccept, false, "dropped on"},
  };
  const ::Window root = DefaultRootWindow(display);
  const double scale = window->BackingScaleFactor();
  int childX = 0, childY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, root, 0, 0, &childX, &childY, &ignored);
  // 20 points from the content's left and top edges, 64 points square: the content is 120 points high.
  const Rect frame = MakeRect(20, 120 - 20 - 64, 64, 64);
  const int startX = childX + static_cast<int>(20 * scale), startY = childY + static_cast<int>(20 * scale);
  const int side = static_cast<int>(64 * scale);
  const int pressX = childX + 50, pressY = childY + 40;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CurrentBackend().ClearLog();
    view.seen.clear();
    std::unique_ptr<xdnd_test::XdndTarget> target;
    if (row.target) {
      target = std::make_unique<xdnd_test::XdndTarget>(display, 5, 600, 100, 200, 200);
      target->answer = *row.target;
    }
    const auto pump = [&](auto done) {
      return PumpUntil([&] {
        if (target) target->Serve();
        return done();
      });
    };
    const auto at = [&](int x, int y) {
      const std::vector<XWindowAttributes> pictures = Pictures();
      return pictures.size() == 1 && pictures[0].x == x && pictures[0].y == y;
    };

    XTestFakeMotionEvent(display, -1, pressX, pressY, 0);
    XTestFakeButtonEvent(display, 1, True, 0);
    XSync(display, False);
    ASSERT_TRUE(pump([&] { return !view.seen.empty() && view.seen.back().type == EventType::kLeftMouseDown; }));
    ASSERT_TRUE(window->DragFileOut("/tmp/picture.kdpic", row.picture ? frame : Rect{}));
    if (row.picture) {
      ASSERT_TRUE(pump([&] { return at(startX, startY); }));
      EXPECT_EQ(Pictures()[0].width, side);
      EXPECT_EQ(Pictures()[0].height, side);
      EXPECT_EQ(ScreenPixel(startX + side / 2, startY + side / 2), kIconPixel);
    }
    // The pointer moves into the middle of the target; the picture keeps its place relative to the pointer.
    const int toX = row.target ? 700 : 1100, toY = row.target ? 200 : 900;
    const int movedX = toX + startX - pressX, movedY = toY + startY - pressY;
    XTestFakeMotionEvent(display, -1, toX, toY, 0);
    XSync(display, False);
    if (row.picture) {
      ASSERT_TRUE(pump([&] { return at(movedX, movedY); }));
    } else {
      EXPECT_TRUE(Pictures().empty());
    }
    if (target) {
      ASSERT_TRUE(pump([&] { return target->heard.size() >= 2; }));
      EXPECT_EQ(target->heard[1], "position 700,200");
    }
    XTestFakeButtonEvent(display, 1, False, 0);
    XSync(display, False);
    ASSERT_TRUE(pump([&] { return !DragEnding().empty(); }));
    EXPECT_NE(DragEnding().find(row.ending), std::string::npos) << DragEnding();
    const bool slides = row.picture && row.target != Answer::kAccept;
    if (slides) {
      // Nothing moves before the clock does; halfway, it is on its way; at the end, back on the rectangle.
      EXPECT_TRUE(at(movedX, movedY));
      clock.Advance(X11DragPicture::kSlideBackSeconds / 2);
      RunLoop::Main().RunDueTimers();
      const std::vector<XWindowAttributes> halfway = Pictures();
      ASSERT_EQ(halfway.size(), 1u);
      EXPECT_GT(halfway[0].x, startX);
      EXPECT_LT(halfway[0].x, movedX);
      EXPECT_GT(halfway[0].y, startY);
      EXPECT_LT(halfway[0].y, movedY);
      clock.Advance(X11DragPicture::kSlideBackSeconds / 2);
      RunLoop::Main().RunDueTimers();
      EXPECT_TRUE(at(startX, startY));
      clock.Advance(X11DragPicture::kFrameSeconds);
      RunLoop::Main().RunDueTimers();
    }
    EXPECT_TRUE(Pictures().empty());
    target.reset();
  }
}

}  // namespace
}  // namespace platform::window
