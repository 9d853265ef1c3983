// The editor inside a host's window on a real X display (run under xvfb-run; every case skips without
// $DISPLAY): it opens as a child of the window the test makes, the display shows exactly the frame it
// presented, and a click through XTest reaches the control under the pointer.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/window/Workspace.h"
#include "tests/editor/EditorHostFixture.h"

// Xlib after the project's headers: its macros must not meet their names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "tests/platform/window/X11DisplayKeptUp.h"
#include "tests/platform/window/XdndSource.h"

namespace kelvadrune_test {
namespace {

class EditorX11Test : public EditorHostTest {
 protected:
  void SetUp() override {
    xdisplay_test::OpenDisplayForXTest(display);
    if (IsSkipped() || HasFatalFailure()) return;
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

TEST_F(EditorX11Test, ATooltipShowsInTheWindowWhereThePointerRestsAndGoesWhenItLeaves) {
  const auto moveTo = [&](int x, int y) {
    int rootX = 0, rootY = 0;
    ::Window ignored = 0;
    XTranslateCoordinates(display, child, DefaultRootWindow(display), x, y, &rootX, &rootY, &ignored);
    XTestFakeMotionEvent(display, -1, rootX, rootY, 0);
    XSync(display, False);
  };
  const auto shown = [&](int x, int y) {
    Frames(2);
    XSync(static_cast<::Display*>(window->Surface().display), False);
    XImage* image = XGetImage(display, child, x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = image ? XGetPixel(image, 0, 0) : 0;
    if (image) XDestroyImage(image);
    return static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
  };
  const int before = shown(530, 222);
  moveTo(545, 200);  // the meter
  ASSERT_TRUE(FramesUntil([&] { return window->ToolTipText() == "Left/Right peak meter. Click to reset."; }));
  EXPECT_GT(shown(530, 222), 600);  // the pale box below the pointer
  moveTo(-20, 200);                 // out of the editor
  EXPECT_TRUE(FramesUntil([&] { return window->ToolTipText().empty(); }));
  EXPECT_EQ(shown(530, 222), before);
}

// The test plays a file manager dragging files onto the editor through XDND: any file anywhere on the editor is
// answered with a copy, and the preset bar loads a preset file dropped on it.
TEST_F(EditorX11Test, APresetFileDraggedInThroughXdndLoadsOnThePresetBar) {
  const std::string preset = std::string(std::getenv("HOME")) + "/Dragged in #1.lps";
  std::ofstream(preset) << "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n"
                           "<PluginVendor>Lunderwick</PluginVendor>\n<PluginName>Kelvadrune</PluginName>\n"
                           "<PluginVersion>v1.0.11</PluginVersion>\n<Preset name=\"Dragged in\">\n<Parameter>\n"
                           "<Param name=\"Power\" val=\"0.000000\" />\n</Parameter>\n</Preset>\n</PresetXMLTree>\n";
  ASSERT_EQ(host.GetParameter(kPower), 1.f);
  xdnd_test::XdndSource source(display);
  const auto rootOf = [&](int x, int y) {
    int rootX = 0, rootY = 0;
    ::Window ignored = 0;
    XTranslateCoordinates(display, child, DefaultRootWindow(display), x, y, &rootX, &rootY, &ignored);
    return std::pair{rootX, rootY};
  };
  const auto uri = [](const std::string& path) { return pw::URL::FileURLWithPath(path)->AbsoluteString() + "\r\n"; };
  struct Row {
    const char* what;
    std::string list;
    std::pair<int, int> at;
    bool dropped;  // else the source leaves
  } rows[] = {{"a text file on the preset bar", uri("/tmp/notes.txt"), rootOf(280, 20), false},
              {"the preset on a fader", uri(preset), rootOf(95, 180), false},
              {"the preset on the preset bar", uri(preset), rootOf(280, 20), true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    source.Enter(child, {source.uriList}, row.list);
    source.Position(child, row.at.first, row.at.second);
    ASSERT_TRUE(FramesUntil([&] {
      source.Serve();
      return source.statusAnswer.has_value();
    }));
    EXPECT_TRUE(source.statusAnswer->yes);
    EXPECT_EQ(source.statusAnswer->action, source.actionCopy);
    if (!row.dropped) source.Leave(child);
  }
  source.Drop(child);
  ASSERT_TRUE(FramesUntil([&] {
    source.Serve();
    return source.finishedAnswer.has_value();
  }));
  EXPECT_TRUE(source.finishedAnswer->yes);
  EXPECT_EQ(source.finishedAnswer->action, source.actionCopy);
  EXPECT_TRUE(FramesUntil([&] { return host.GetParameter(kPower) == 0.f; }));
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
