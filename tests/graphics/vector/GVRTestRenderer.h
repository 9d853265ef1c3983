// A renderer context on the GPU back end for tests, on the program's shared validated CPU device: frames are drawn
// into an off-screen framebuffer and read back as RGBA bytes. Every test fails on a validation message.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "graphics/vector/GVRBackend.h"
#include "graphics/vector/GVRContext.h"

struct Rgba8 {
  int r, g, b, a;
};

class GVRTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A context with these creation flags (deleted with the test); null with the test failed.
  VRcontext* Context(int flags = GVR_ANTIALIAS | GVR_TRIPLE_BUFFER);
  // Draws one frame of width x height points at ratio 1 into a new framebuffer cleared to transparent and reads it
  // back (premultiplied RGBA rows).
  std::vector<uint8_t> Render(VRcontext* ctx, int width, int height, const std::function<void(VRcontext*)>& draw);
  static Rgba8 Pixel(const std::vector<uint8_t>& rgba, int width, int x, int y);

  // The shared device: the layer's reference goes to null when a context made on it is deleted.
  std::shared_ptr<platform::gpu::GpuDevice> mDevice;
  VulkanLayer mLayer;
  std::vector<VRcontext*> mContexts;
  int mMessagesBefore = 0;
};
