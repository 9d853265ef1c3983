// The platform graphics on the X11 window back end and a real display: run under xvfb-run; every case skips without
// $DISPLAY. The renderer is the recording back end, as in the headless tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/window/Backend.h"
#include "tests/graphics/platform/PlatformGraphicsFixture.h"

// Xlib after the project's headers: its macros must not meet their names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "tests/platform/window/X11DisplayKeptUp.h"

namespace fx::gfx::test {
namespace {

class LinuxGraphicsX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    xdisplay_test::OpenDisplayForXTest(display);
    if (IsSkipped() || HasFatalFailure()) return;
    // The test plays the host: the editor goes into its window, whose top-left corner is at root (kLeft, kTop).
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), kLeft, kTop, 500, 300, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    ASSERT_TRUE(pw::SelectBackend(pw::BackendKind::kX11));
    SetDrawingLayerMaker([] { return std::make_unique<RecordingDrawingLayer>(); });
    ResetFramebuffers();
    dlg.SetMakeGraphicsFunc([this] { return new IGraphicsLinux(dlg, 200, 100, 60, kDrawScale); });
  }
  void TearDown() override {
    dlg.CloseWindow();
    platform::RunLoop::Main().RunPostedWork();
    SetDrawingLayerMaker(nullptr);
    pw::SelectBackend(pw::BackendKind::kHeadless);
    if (display) {
      if (parent) XDestroyWindow(display, parent);
      XCloseDisplay(display);
    }
  }
  IGraphicsLinux& G() { return *dlg.GetUI<IGraphicsLinux>(); }

  static constexpr int kLeft = 130;
  static constexpr int kTop = 70;
  static constexpr float kDrawScale = 2.f;
  ::Display* display = nullptr;
  ::Window parent = 0;
  EditorDelegate dlg;
};

// Editor points reach the screen at the draw scale, from the window's place on the display (screen y upwards from
// the bottom): the pointer put at that place on the display is read back at the same editor point. Without a view
// the point stays as it is.
TEST_F(LinuxGraphicsX11Test, EditorPointsConvertToTheScreenWhereTheWindowIs) {
  IGraphicsLinux loose(dlg, 200, 100, 60, kDrawScale);
  float x = 12.f, y = 34.f;
  loose.PointToScreen(x, y);
  EXPECT_EQ(x, 12.f);
  EXPECT_EQ(y, 34.f);

  ASSERT_NE(dlg.OpenWindow(reinterpret_cast<void*>(parent)), nullptr);
  XSync(display, False);
  const double scale = pw::MainScreen().backingScaleFactor;
  const double displayHigh = DisplayHeight(display, DefaultScreen(display));
  const std::pair<float, float> points[] = {{0.f, 0.f}, {10.f, 20.f}, {199.f, 1.f}, {37.5f, 99.f}};
  for (const auto& [pointX, pointY] : points) {
    SCOPED_TRACE(testing::Message() << pointX << "," << pointY);
    const double pixelX = kLeft + pointX * kDrawScale * scale;
    const double pixelY = kTop + pointY * kDrawScale * scale;
    x = pointX;
    y = pointY;
    G().PointToScreen(x, y);
    EXPECT_NEAR(x, pixelX / scale, 1e-3);
    EXPECT_NEAR(y, (displayHigh - pixelY) / scale, 1e-3);

    XTestFakeMotionEvent(display, -1, static_cast<int>(pixelX), static_cast<int>(pixelY), 0);
    XSync(display, False);
    G().GetMouseLocation(x, y);
    EXPECT_NEAR(x, (static_cast<int>(pixelX) - kLeft) / (kDrawScale * scale), 1e-3);
    EXPECT_NEAR(y, (static_cast<int>(pixelY) - kTop) / (kDrawScale * scale), 1e-3);
  }
}

// The editor is a child window of the host's: a resize gives that window the editor's new size in pixels, as the
// display reports it (the host resizes only its own window).
TEST_F(LinuxGraphicsX11Test, AResizeGivesTheEditorsChildWindowItsNewSize) {
  ASSERT_NE(dlg.OpenWindow(reinterpret_cast<void*>(parent)), nullptr);
  const double scale = pw::MainScreen().backingScaleFactor;
  const auto childSize = [this] {
    ::Window root = 0, parentOfChild = 0, *children = nullptr;
    unsigned count = 0;
    XSync(display, False);
    std::pair<int, int> size{-1, -1};
    if (XQueryTree(display, parent, &root, &parentOfChild, &children, &count) && count == 1) {
      XWindowAttributes attributes{};
      if (XGetWindowAttributes(display, children[0], &attributes)) size = {attributes.width, attributes.height};
    }
    if (children) XFree(children);
    return size;
  };
  struct Row {
    int width, height;
    float scale;
    int pointsWide, pointsHigh;  // each side at the draw scale, truncated
  } rows[] = {{200, 100, kDrawScale, 400, 200},
              {300, 150, kDrawScale, 600, 300},
              {201, 101, 1.25f, 251, 126},
              {120, 80, 1.f, 120, 80}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << " at " << row.scale);
    G().Resize(row.width, row.height, row.scale);
    EXPECT_EQ(childSize(), std::make_pair(static_cast<int>(std::ceil(row.pointsWide * scale)),
                                          static_cast<int>(std::ceil(row.pointsHigh * scale))));
  }
}

// On the X11 back end the graphics name it as their window back end.
TEST_F(LinuxGraphicsX11Test, ApiStringsNameTheRendererAndTheWindowBackEnd) {
  ASSERT_NE(dlg.OpenWindow(reinterpret_cast<void*>(parent)), nullptr);
  EXPECT_STREQ(G().GetDrawingAPIStr(), "vector | Vulkan");
  EXPECT_STREQ(G().GetPlatformAPIStr(), "x11");
}

}  // namespace
}  // namespace fx::gfx::test
