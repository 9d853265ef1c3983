#include "tests/graphics/vector/MVRTestRenderer.h"

#include "tests/platform/gpu/GpuTestEnvironment.h"

void MVRTest::SetUp() {
  mLayer.device = platform::gpu::test::SharedDevice();
  if (!mLayer.device) GTEST_SKIP() << "no device";
  mMessagesBefore = mLayer.device->ValidationMessageCount();
}

void MVRTest::TearDown() {
  for (VRcontext* ctx : mContexts) mvrDeleteContext(ctx);
  mContexts.clear();
  if (!mLayer.device) return;
  mLayer.device->WaitForFramesInFlight();
  EXPECT_EQ(mLayer.device->ValidationMessageCount(), mMessagesBefore) << "validation messages (see the log)";
}

VRcontext* MVRTest::Context(int flags) {
  VRcontext* ctx = mvrCreateContext(&mLayer, flags);
  EXPECT_NE(ctx, nullptr);
  if (ctx != nullptr) mContexts.push_back(ctx);
  return ctx;
}

std::vector<uint8_t> MVRTest::Render(VRcontext* ctx, int width, int height,
                                     const std::function<void(VRcontext*)>& draw) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 0xEE);
  MVRframebuffer* fb = mvrCreateFramebuffer(ctx, width, height, 0);
  EXPECT_NE(fb, nullptr);
  if (fb == nullptr) return pixels;
  mvrBindFramebuffer(fb);
  mvrClearWithColor(ctx, vrRGBAf(0, 0, 0, 0));
  vrBeginFrame(ctx, static_cast<float>(width), static_cast<float>(height), 1.0f);
  draw(ctx);
  vrEndFrame(ctx);
  mvrReadPixels(ctx, fb->image, 0, 0, width, height, pixels.data());
  mvrBindFramebuffer(nullptr);
  mvrDeleteFramebuffer(fb);
  return pixels;
}

Rgba8 MVRTest::Pixel(const std::vector<uint8_t>& rgba, int width, int x, int y) {
  const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}
