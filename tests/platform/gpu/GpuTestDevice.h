// One validated CPU device per test program, and helpers that draw with the shader library into small
// RGBA targets and read the pixels back. Every test fails on any validation message.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gpu/GpuDevice.h"
#include "platform/gpu/ShaderInterface.h"
#include "tests/platform/gpu/GpuTestEnvironment.h"

namespace platform::gpu::test {

// One read-back pixel.
struct Rgba {
  int r, g, b, a;
};

class GpuTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::shared_ptr<GpuBuffer> Buffer(const void* data, size_t bytes);
  template <typename T>
  std::shared_ptr<GpuBuffer> Buffer(const std::vector<T>& items) {
    return Buffer(items.data(), items.size() * sizeof(T));
  }
  std::shared_ptr<GpuTexture> Texture(GpuPixelFormat format, int width, int height, unsigned usage,
                                      bool mipmapped = false);
  std::shared_ptr<GpuSampler> Sampler(GpuSamplerFilter filter, GpuSamplerAddressMode address,
                                      GpuSamplerMipFilter mip = GpuSamplerMipFilter::NotMipmapped);

  struct PipelineSpec {
    const char* fragment = "fragmentShader";  // null: stencil only
    GpuFunctionConstantValues constants;      // for both functions; none: the general ones
    bool blending = true;
    GpuBlendFactor srcRGB = GpuBlendFactor::One;
    GpuBlendFactor dstRGB = GpuBlendFactor::OneMinusSourceAlpha;
    GpuBlendFactor srcAlpha = GpuBlendFactor::One;
    GpuBlendFactor dstAlpha = GpuBlendFactor::OneMinusSourceAlpha;
    bool colorWrites = true;
    bool stencil = false;
    GpuPixelFormat color = GpuPixelFormat::RGBA8Unorm;
  };
  std::shared_ptr<GpuRenderPipelineState> Pipeline(const PipelineSpec& spec);

  // A paint of one premultiplied colour, no scissor, full coverage.
  static ShaderFragmentUniforms Solid(float r, float g, float b, float a);
  // A 3 x 3 matrix (row-major a b c / d e f / 0 0 1) into the shader's column layout.
  static void SetMatrix(float* columns, float a, float b, float c, float d, float e, float f);
  // Two triangles covering x0..x1, y0..y1 with texture coordinates u0..u1, v0..v1.
  static std::vector<ShaderVertex> Quad(float x0, float y0, float x1, float y1, float u0 = 0.5f, float v0 = 1.0f,
                                        float u1 = 0.5f, float v1 = 1.0f);

  // Renders into a new RGBA target of width x height (cleared to `clear`, stencil cleared when asked):
  // the encoder comes with the view size in vertex buffer 1; then reads back all pixels.
  std::vector<uint8_t> Render(int width, int height, GpuClearColor clear, bool withStencil,
                              const std::function<void(GpuRenderEncoder&)>& draw);
  // Binds the vertices and one uniform record and draws them as triangles with the pipeline.
  void DrawTriangles(GpuRenderEncoder& encoder, const std::shared_ptr<GpuRenderPipelineState>& pipeline,
                     const std::vector<ShaderVertex>& vertices, const ShaderFragmentUniforms& uniforms,
                     const std::shared_ptr<GpuTexture>& texture = nullptr,
                     const std::shared_ptr<GpuSampler>& sampler = nullptr);

  static Rgba Pixel(const std::vector<uint8_t>& rgba, int width, int x, int y);

  GpuDevice* mDevice = nullptr;
  std::shared_ptr<GpuCommandQueue> mQueue;
  std::shared_ptr<GpuLibrary> mLibrary;
  int mMessagesBefore = 0;
  int mViewWidth = 0;
  int mViewHeight = 0;
};

}  // namespace platform::gpu::test
