#include "tests/graphics/vector/GVRTestRenderer.h"

#include "tests/platform/gpu/GpuTestEnvironment.h"

void GVRTest::SetUp() {
  mDevice = platform::gpu::test::SharedDevice();
  if (!mDevice) GTEST_SKIP() << "no device";
  mLayer.device = mDevice;
  mMessagesBefore = mDevice->ValidationMessageCount();
}

void GVRTest::TearDown() {
  for (VRcontext* ctx : mContexts) gvrDeleteContext(ctx);
  mContexts.clear();
  if (!mDevice) return;
  mDevice->WaitForFramesInFlight();
  EXPECT_EQ(mDevice->ValidationMessageCount(), mMessagesBefore) << "validation messages (see the log)";
}

VRcontext* GVRTest::Context(int flags) {
  mLayer.device = mDevice;
  VRcontext* ctx = gvrCreateContext(&mLayer, flags);
  EXPECT_NE(ctx, nullptr);
  if (ctx != nullptr) mContexts.push_back(ctx);
  return ctx;
}

std::vector<uint8_t> GVRTest::Render(VRcontext* ctx, int width, int height,
                                     const std::function<void(VRcontext*)>& draw) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 0xEE);
  GVRframebuffer* fb = gvrCreateFramebuffer(ctx, width, height, 0);
  EXPECT_NE(fb, nullptr);
  if (fb == nullptr) return pixels;
  gvrBindFramebuffer(fb);
  gvrClearWithColor(ctx, vrRGBAf(0, 0, 0, 0));
  vrBeginFrame(ctx, static_cast<float>(width), static_cast<float>(height), 1.0f);
  draw(ctx);
  vrEndFrame(ctx);
  gvrReadPixels(ctx, fb->image, 0, 0, width, height, pixels.data());
  gvrBindFramebuffer(nullptr);
  gvrDeleteFramebuffer(fb);
  return pixels;
}

Rgba8 GVRTest::Pixel(const std::vector<uint8_t>& rgba, int width, int x, int y) {
  const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}
