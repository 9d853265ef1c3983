// The editor inside a host's window on a real X display (run under xvfb-run; every case skips without
// $DISPLAY): it opens as a child of the window the test makes, the display shows exactly the frame it
// presented, and a click through XTest reaches the control under the pointer.
#include <unistd.h>

#include <cstdlib>

#include "tests/editor/EditorHostFixture.h"

// Xlib after the project's headers: its macros must not meet their names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace kelvadrune_test {
namespace {

class EditorX11Test : public EditorHostTest {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTest extension";
    // The window is given the frames in software here, so the test can compare them with what it shows; the
    // GPU's own presenting into a window has its test with the GPU layer.
    setenv("KD_SOFTWARE_PRESENT", "1", 1);
    ASSERT_TRUE(pw::SelectBackend(pw::BackendKind::kX11));
    backendKind = pw::BackendKind::kX11;
    EditorHostTest::SetUp();
    // The test plays the host: its own top-level window is the parent the editor goes into.
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 20, 20, 640, 480, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    OpenEditor(reinterpret_cast<void*>(parent));
    child = window->Surface().window;
    ASSERT_TRUE(FramesUntil([&] {
      XWindowAttributes attributes{};
      return XGetWindowAttributes(display, child, &attributes) && attributes.map_state == IsViewable;
    }));
  }
  void TearDown() override {
    unsetenv("KD_SOFTWARE_PRESENT");
    if (window) CloseEditor();
    EditorHostTest::TearDown();
    if (display) {
      if (parent) XDestroyWindow(display, parent);
      XCloseDisplay(display);
    }
  }

  // Frames until done() holds, for at most five seconds: the server answers asynchronously.
  template <typename Done>
  bool FramesUntil(Done done) {
    for (int i = 0; i < 500; ++i) {
      Frame();
      if (done()) return true;
      ::usleep(10000);
    }
    return false;
  }

  ::Display* display = nullptr;
  ::Window parent = 0;
  ::Window child = 0;
};

TEST_F(EditorX11Test, OpensAsAChildAndShowsThePresentedFrame) {
  ::Window root = 0, parentOfChild = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(display, child, &root, &parentOfChild, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(parentOfChild, parent);

  const pw::PresentedFrame& frame = Presented();
  ASSERT_EQ(frame.width, 640);
  ASSERT_EQ(frame.height, 480);
  XSync(static_cast<::Display*>(window->Surface().display), False);
  XImage* image = XGetImage(display, child, 0, 0, frame.width, frame.height, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  int differing = 0;
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const unsigned long shown = XGetPixel(image, x, y);
      const uint8_t* p = &frame.pixels[(static_cast<size_t>(y) * frame.width + x) * 4];
      const unsigned long presented = (static_cast<unsigned long>(p[2]) << 16) | (p[1] << 8) | p[0];
      differing += (shown & 0xFFFFFF) != presented ? 1 : 0;
    }
  XDestroyImage(image);
  EXPECT_EQ(differing, 0);
}

TEST_F(EditorX11Test, AClickThroughXTestSwitchesThePowerOff) {
  ASSERT_EQ(host.GetParameter(kPower), 1.f);
  int rootX = 0, rootY = 0;
  ::Window ignored = 0;
  XTranslateCoordinates(display, child, DefaultRootWindow(display), 70, 420, &rootX, &rootY, &ignored);
  XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
  XTestFakeButtonEvent(display, 1, True, 0);
  XTestFakeButtonEvent(display, 1, False, 0);
  XSync(display, False);
  EXPECT_TRUE(FramesUntil([&] { return host.GetParameter(kPower) == 0.f; }));
}

}  // namespace
}  // namespace kelvadrune_test
