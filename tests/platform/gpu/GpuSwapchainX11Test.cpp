// The drawable layer presenting through a Vulkan swapchain into X11 windows made by the window layer: a
// top-level window and the child of a window the test makes as a host would; a GPU that has not finished
// holds up no present, and the last frame still reaches the window. What the window shows is read back
// with XGetImage. Runs under xvfb-run; every case skips without $DISPLAY.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gpu/GpuCore.h"
#include "platform/gpu/GpuDrawableLayer.h"
#include "platform/window/Backend.h"
#include "platform/window/Window.h"
#include "tests/platform/gpu/GpuQueueHold.h"
#include "tests/platform/gpu/GpuTestDevice.h"

// Xlib after the layers: its macros must not meet their names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform::gpu::test {
namespace {

struct WindowCase {
  const char* name;
  bool childOfHostWindow;
  int width, height;                // points at scale 1: pixels
  int resizedWidth, resizedHeight;  // after SetContentSize
};

void PrintTo(const WindowCase& c, std::ostream* out) {
  *out << c.name;
}

class SwapchainX11Test : public GpuTest, public ::testing::WithParamInterface<WindowCase> {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    GpuTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(mDevice->CanPresent());
    mDisplay = XOpenDisplay(nullptr);
    ASSERT_NE(mDisplay, nullptr);
    ASSERT_TRUE(window::SelectBackend(window::BackendKind::kX11));
  }
  void TearDown() override {
    mLayer.reset();
    mWindow.reset();
    window::SelectBackend(window::BackendKind::kHeadless);
    if (mDisplay) {
      if (mParent) XDestroyWindow(mDisplay, mParent);
      XCloseDisplay(mDisplay);
    }
    GpuTest::TearDown();
  }

  // The editor's window (as a child of a window of the test's own connection, as a host's is) and a
  // drawable layer showing in it.
  void OpenWindow(bool childOfHostWindow, int width, int height) {
    if (childOfHostWindow) {
      mParent = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 20, 20, 400, 300, 0, 0, 0);
      XMapWindow(mDisplay, mParent);
      XSync(mDisplay, False);
    }
    mWindow = window::Window::Create(reinterpret_cast<void*>(mParent), window::Size{double(width), double(height)});
    ASSERT_NE(mWindow, nullptr);
    ASSERT_TRUE(WaitFor([&] { return WindowSize() == std::make_pair(width, height); }));
    mLayer = std::make_unique<GpuDrawableLayer>(*mDevice);
    mLayer->SetBounds(width, height);
    const window::NativeSurface surface = mWindow->Surface();
    std::string reason;
    ASSERT_TRUE(mLayer->SetSurfaceTarget({surface.display, surface.window}, reason)) << reason;
  }

  // Clears the next drawable to `clear`, fills its middle with `quad`, presents it and waits for the
  // frame to complete; answers what the layer's front buffer holds.
  std::vector<uint8_t> PresentFrame(GpuClearColor clear, GpuClearColor quad) {
    std::shared_ptr<GpuCommandBuffer> commands = CommitFrame(clear, quad);
    if (!commands) return {};
    commands->WaitUntilCompleted();
    std::vector<uint8_t> front;
    int frontWidth = 0, frontHeight = 0;
    EXPECT_TRUE(mLayer->ReadFrontBuffer(front, frontWidth, frontHeight));
    EXPECT_EQ(static_cast<size_t>(frontWidth) * frontHeight * 4, front.size());
    return front;
  }

  // The same frame committed, not waited for.
  std::shared_ptr<GpuCommandBuffer> CommitFrame(GpuClearColor clear, GpuClearColor quad) {
    std::string reason;
    std::shared_ptr<GpuDrawable> drawable = mLayer->NextDrawable(reason);
    EXPECT_NE(drawable, nullptr) << reason;
    if (!drawable) return nullptr;
    const int width = drawable->Texture()->Width();
    const int height = drawable->Texture()->Height();
    PipelineSpec spec;
    spec.blending = false;
    spec.color = GpuPixelFormat::BGRA8Unorm;
    GpuRenderPassDescriptor pass;
    pass.color.texture = drawable->Texture();
    pass.color.loadAction = GpuLoadAction::Clear;
    pass.color.clearColor = clear;
    std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
    std::unique_ptr<GpuRenderEncoder> encoder = commands->RenderCommandEncoder(pass);
    const ShaderViewSize viewSize{static_cast<float>(width), static_cast<float>(height)};
    std::shared_ptr<GpuBuffer> viewBuffer = Buffer(nullptr, 16);  // a uniform record's least size
    std::memcpy(viewBuffer->Contents(), &viewSize, sizeof viewSize);
    encoder->SetVertexBuffer(viewBuffer, 0, 1);
    DrawTriangles(*encoder, Pipeline(spec), Quad(width / 4.0f, height / 4.0f, width * 0.75f, height * 0.75f),
                  Solid(float(quad.red), float(quad.green), float(quad.blue), 1.0f));
    encoder->EndEncoding();
    commands->PresentDrawable(drawable);
    EXPECT_TRUE(commands->Commit()) << commands->Error();
    return commands;
  }

  std::pair<int, int> WindowSize() {
    XWindowAttributes attributes{};
    XGetWindowAttributes(mDisplay, mWindow->Surface().window, &attributes);
    return {attributes.width, attributes.height};
  }

  // Whether the window's pixels come to equal the BGRA frame (alpha aside); the server shows a present
  // asynchronously, so this waits up to five seconds.
  bool WindowShows(const std::vector<uint8_t>& bgra) {
    const auto [width, height] = WindowSize();
    if (bgra.size() != static_cast<size_t>(width) * height * 4) return false;
    return WaitFor([&] {
      XImage* image = XGetImage(mDisplay, mWindow->Surface().window, 0, 0, width, height, AllPlanes, ZPixmap);
      if (!image) return false;
      bool same = true;
      for (int y = 0; y < height && same; ++y) {
        for (int x = 0; x < width && same; ++x) {
          const unsigned long pixel = XGetPixel(image, x, y);
          const uint8_t* expected = &bgra[(static_cast<size_t>(y) * width + x) * 4];
          same = (pixel & 0xFF) == expected[0] && ((pixel >> 8) & 0xFF) == expected[1] &&
                 ((pixel >> 16) & 0xFF) == expected[2];
        }
      }
      XDestroyImage(image);
      return same;
    });
  }

  // Pumps the window layer and lets the drawable layer's window catch up, as the editor's ticks do.
  template <typename Done>
  bool WaitFor(Done done) {
    for (int i = 0; i < 500; ++i) {
      window::Pump();
      if (mLayer) mLayer->UpdateSurface();
      if (done()) return true;
      ::usleep(10000);
    }
    return false;
  }

  Display* mDisplay = nullptr;
  ::Window mParent = 0;
  std::unique_ptr<window::Window> mWindow;
  std::unique_ptr<GpuDrawableLayer> mLayer;
};

TEST_P(SwapchainX11Test, PresentedFramesAppearInTheWindowBeforeAndAfterAResize) {
  const WindowCase& c = GetParam();
  OpenWindow(c.childOfHostWindow, c.width, c.height);
  if (HasFatalFailure()) return;
  std::vector<uint8_t> frame = PresentFrame({0.0, 0.0, 1.0, 1.0}, {1.0, 0.5, 0.0, 1.0});
  ASSERT_EQ(frame.size(), static_cast<size_t>(c.width) * c.height * 4);
  EXPECT_EQ(mLayer->SurfaceState(), GpuSurfaceState::Presented);
  EXPECT_TRUE(WindowShows(frame));
  // The quad's orange (sRGB bytes as rendered) sits in the middle, the clear colour in a corner.
  const uint8_t* middle = &frame[(static_cast<size_t>(c.height / 2) * c.width + c.width / 2) * 4];
  EXPECT_EQ(middle[2], 255);
  EXPECT_NEAR(middle[1], 128, 1);
  EXPECT_EQ(middle[0], 0);
  EXPECT_EQ(frame[0], 255);

  mWindow->SetContentSize(window::Size{double(c.resizedWidth), double(c.resizedHeight)});
  ASSERT_TRUE(WaitFor([&] { return WindowSize() == std::make_pair(c.resizedWidth, c.resizedHeight); }));
  // A frame still of the old size: at the top-left over black.
  const std::vector<uint8_t> old = PresentFrame({1.0, 0.0, 1.0, 1.0}, {1.0, 1.0, 0.0, 1.0});
  ASSERT_FALSE(old.empty());
  std::vector<uint8_t> expected(static_cast<size_t>(c.resizedWidth) * c.resizedHeight * 4, 0);
  for (int y = 0; y < std::min(c.height, c.resizedHeight); ++y)
    std::memcpy(&expected[static_cast<size_t>(y) * c.resizedWidth * 4], &old[static_cast<size_t>(y) * c.width * 4],
                static_cast<size_t>(std::min(c.width, c.resizedWidth)) * 4);
  EXPECT_TRUE(WindowShows(expected));

  mLayer->SetBounds(c.resizedWidth, c.resizedHeight);
  frame = PresentFrame({0.0, 1.0, 0.0, 1.0}, {0.0, 0.0, 1.0, 1.0});
  EXPECT_EQ(mLayer->SurfaceState(), GpuSurfaceState::Presented);
  EXPECT_TRUE(WindowShows(frame));

  // A window whose contents were lost (cleared, with an Expose) shows the front buffer again.
  int exposes = 0;
  mWindow->SetExposedHandler([&] {
    ++exposes;
    EXPECT_EQ(mLayer->PresentFrontBufferToSurface(), GpuSurfaceState::Presented);
  });
  XClearArea(mDisplay, mWindow->Surface().window, 0, 0, 0, 0, True);
  XSync(mDisplay, False);
  EXPECT_TRUE(WindowShows(frame));
  EXPECT_GE(exposes, 1);
}

INSTANTIATE_TEST_SUITE_P(Windows, SwapchainX11Test,
                         ::testing::Values(WindowCase{"TopLevel", false, 160, 120, 220, 90},
                                           WindowCase{"ChildOfHostWindow", true, 200, 120, 120, 150}),
                         [](const ::testing::TestParamInfo<WindowCase>& info) { return info.param.name; });

using SwapchainBusyGpuTest = SwapchainX11Test;

// Frames committed while the GPU has not finished (fences not signalled) neither wait nor get lost: the layer
// says it is not ready for another frame, a present whose copy slot or earlier present is still busy is
// skipped, and once the GPU is done the window catches up with the last frame.
TEST_F(SwapchainBusyGpuTest, AFenceNotYetSignalledHoldsUpNoFrameAndTheLastFrameStillShows) {
  OpenWindow(true, 120, 90);
  if (HasFatalFailure()) return;
  ASSERT_FALSE(PresentFrame({0.0, 0.0, 1.0, 1.0}, {1.0, 1.0, 1.0, 1.0}).empty());
  ASSERT_TRUE(WaitFor([&] { return mLayer->ReadyForFrame(); }));
  QueueHold hold(*mDevice->Core());
  std::shared_ptr<GpuCommandBuffer> first = CommitFrame({1.0, 0.0, 0.0, 1.0}, {0.0, 1.0, 0.0, 1.0});
  EXPECT_FALSE(mLayer->ReadyForFrame());
  std::shared_ptr<GpuCommandBuffer> last = CommitFrame({0.0, 1.0, 0.0, 1.0}, {1.0, 0.0, 1.0, 1.0});
  ASSERT_NE(last, nullptr);
  for (int tick = 0; tick < 5; ++tick) mLayer->UpdateSurface();
  EXPECT_FALSE(mLayer->ReadyForFrame());
  EXPECT_EQ(mLayer->PresentedCount(), 1);  // held: neither frame has completed
  hold.Release();
  last->WaitUntilCompleted();
  std::vector<uint8_t> shown;
  int width = 0, height = 0;
  ASSERT_TRUE(mLayer->ReadFrontBuffer(shown, width, height));
  EXPECT_TRUE(WindowShows(shown));
  EXPECT_EQ(shown[1], 255);  // the last frame's green clear colour in a corner
  EXPECT_TRUE(mLayer->ReadyForFrame());
}

using SwapchainLossTest = SwapchainX11Test;

TEST_F(SwapchainLossTest, AWindowThatIsGoneLeavesTheFrontBufferForASoftwarePresent) {
  OpenWindow(true, 100, 80);
  if (HasFatalFailure()) return;
  std::string reason;
  GpuDrawableLayer unplaced(*mDevice);
  EXPECT_FALSE(unplaced.SetSurfaceTarget({mDisplay, 0}, reason));
  EXPECT_FALSE(unplaced.PresentsToSurface());

  PresentFrame({0.0, 0.0, 1.0, 1.0}, {1.0, 1.0, 1.0, 1.0});
  // The host tears its window down, and the editor's child window with it.
  XDestroyWindow(mDisplay, mParent);
  mParent = 0;
  XSync(mDisplay, False);
  for (int frame = 0; frame < 2; ++frame) {
    const std::vector<uint8_t> front = PresentFrame({1.0, 0.0, 0.0, 1.0}, {0.0, 1.0, 0.0, 1.0});
    ASSERT_FALSE(front.empty());
    EXPECT_EQ(front[2], 255);  // the clear colour's red in a corner
    // Found at the present, or at a later tick when a present was still waiting for the GPU.
    EXPECT_TRUE(WaitFor([&] { return mLayer->SurfaceState() == GpuSurfaceState::Lost; }));
    EXPECT_FALSE(mLayer->PresentsToSurface());
    EXPECT_NE(mLayer->SurfaceLossReason().find("SURFACE_LOST"), std::string::npos) << mLayer->SurfaceLossReason();
  }
}

}  // namespace
}  // namespace platform::gpu::test
