// The editor's drawing back end on the real GPU back end, for pixel probes of controls: an editor of 400 x 400
// points at scale 1 on the program's shared validated CPU device, its panel filled with kBackground and its text in
// DejaVu Sans (as the default font). Render draws every control through the graphics core's draw loop into the
// ring of GPU images a window would show and reads the frame back. Any validation message fails the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/vector/GVRBackend.h"
#include "platform/gpu/GpuDrawableLayer.h"
#include "tests/graphics/vector/TestVectorGraphics.h"
#include "tests/support/FakeDelegate.h"

namespace fx::gfx::test {

class GpuGraphicsTest : public ::testing::Test {
 public:
  static constexpr int kSize = 400;
  static constexpr IColor kBackground{255, 20, 40, 60};

 protected:
  void SetUp() override;
  void TearDown() override;

  template <typename T>
  T* Add(T* control) {
    return static_cast<T*>(g->AttachControl(control));
  }
  // Draws one frame of the whole editor and keeps its pixels; false (with the test failed) when none came back.
  bool Render();
  // The pixel of the last frame at (x, y) in points, opaque (the panel is): A is 255.
  IColor Pixel(int x, int y) const;
  // Each channel of got within tol of want.
  static ::testing::AssertionResult Near(const IColor& got, const IColor& want, int tol = 6);

  FakeDelegate dlg;
  std::unique_ptr<TestVectorGraphics> g;

 private:
  // The layer's device goes to null when the renderer context is deleted: the fixture keeps its own reference.
  std::shared_ptr<platform::gpu::GpuDevice> mDevice;
  VulkanLayer mLayer;
  std::unique_ptr<platform::gpu::GpuDrawableLayer> mDrawables;
  std::vector<uint8_t> mBgra;
  int mWidth = 0;
  int mHeight = 0;
  int mMessagesBefore = 0;
};

}  // namespace fx::gfx::test
