#include "tests/graphics/vector/GpuGraphicsFixture.h"

#include <cstdlib>

#include "tests/graphics/vector/TestFonts.h"
#include "tests/platform/gpu/GpuTestEnvironment.h"

namespace fx::gfx::test {

void GpuGraphicsTest::SetUp() {
  mDevice = platform::gpu::test::SharedDevice();
  if (!mDevice) GTEST_SKIP() << "no device";
  mLayer.device = mDevice;
  mMessagesBefore = mDevice->ValidationMessageCount();
  mDrawables = std::make_unique<platform::gpu::GpuDrawableLayer>(*mDevice);
  mDrawables->SetBounds(kSize, kSize);
  mDrawables->SetContentsScale(1.0);
  mLayer.drawables = mDrawables.get();
  g = std::make_unique<TestVectorGraphics>(dlg, kSize, kSize, 60, 1.f);
  g->InitDrawContext(&mLayer);
  ASSERT_NE(g->GetDrawContext(), nullptr);
  // Makes the main framebuffer.
  g->SetScreenScale(1.f);
  ASSERT_TRUE(g->LoadFont("Roboto-Regular", KD_DEJAVU_DIR "DejaVuSans.ttf"));
  g->AttachPanelBackground(kBackground);
}

void GpuGraphicsTest::TearDown() {
  if (g) g->ReleaseDrawContext();
  g.reset();
  if (!mDevice) return;
  mDrawables->WaitForFramesInFlight();
  mDrawables.reset();
  mDevice->WaitForFramesInFlight();
  EXPECT_EQ(mDevice->ValidationMessageCount(), mMessagesBefore) << "validation messages (see the log)";
}

bool GpuGraphicsTest::Render() {
  IRECTList all;
  all.Add(IRECT(0.f, 0.f, kSize, kSize));
  g->Draw(all);
  mDrawables->WaitForFramesInFlight();
  const bool read = mDrawables->ReadFrontBuffer(mBgra, mWidth, mHeight);
  EXPECT_TRUE(read && mWidth == kSize && mHeight == kSize) << "no frame of the editor's size";
  return read && mWidth == kSize && mHeight == kSize;
}

IColor GpuGraphicsTest::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return IColor(0, 0, 0, 0);
  const uint8_t* p = &mBgra[(static_cast<size_t>(y) * mWidth + x) * 4];
  return IColor(p[3], p[2], p[1], p[0]);
}

::testing::AssertionResult GpuGraphicsTest::Near(const IColor& got, const IColor& want, int tol) {
  const bool near = std::abs(got.A - want.A) <= tol && std::abs(got.R - want.R) <= tol &&
                    std::abs(got.G - want.G) <= tol && std::abs(got.B - want.B) <= tol;
  if (near) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << got.A << "," << got.R << "," << got.G << "," << got.B << " want "
                                       << want.A << "," << want.R << "," << want.G << "," << want.B;
}

}  // namespace fx::gfx::test
