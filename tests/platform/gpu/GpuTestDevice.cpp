#include "tests/platform/gpu/GpuTestDevice.h"

#include <cstring>
#include <string>

namespace platform::gpu::test {

void GpuTest::SetUp() {
  mDevice = Device();
  if (!mDevice) GTEST_SKIP() << "no device";
  mMessagesBefore = mDevice->ValidationMessageCount();
  mQueue = mDevice->NewCommandQueue();
  std::string reason;
  mLibrary = mDevice->NewDefaultLibrary(reason);
  ASSERT_NE(mLibrary, nullptr) << reason;
}

void GpuTest::TearDown() {
  if (!mDevice) return;
  mDevice->WaitForFramesInFlight();
  EXPECT_EQ(mDevice->ValidationMessageCount(), mMessagesBefore) << "validation messages (see the log)";
}

std::shared_ptr<GpuBuffer> GpuTest::Buffer(const void* data, size_t bytes) {
  std::string reason;
  std::shared_ptr<GpuBuffer> buffer = mDevice->NewBuffer(bytes, reason);
  EXPECT_NE(buffer, nullptr) << reason;
  if (buffer && data) std::memcpy(buffer->Contents(), data, bytes);
  return buffer;
}

std::shared_ptr<GpuTexture> GpuTest::Texture(GpuPixelFormat format, int width, int height, unsigned usage,
                                             bool mipmapped) {
  GpuTextureDescriptor descriptor;
  descriptor.format = format;
  descriptor.width = width;
  descriptor.height = height;
  descriptor.usage = usage;
  descriptor.mipmapped = mipmapped;
  std::string reason;
  std::shared_ptr<GpuTexture> texture = mDevice->NewTexture(descriptor, reason);
  EXPECT_NE(texture, nullptr) << reason;
  return texture;
}

std::shared_ptr<GpuSampler> GpuTest::Sampler(GpuSamplerFilter filter, GpuSamplerAddressMode address,
                                             GpuSamplerMipFilter mip) {
  GpuSamplerDescriptor descriptor;
  descriptor.minFilter = filter;
  descriptor.magFilter = filter;
  descriptor.mipFilter = mip;
  descriptor.addressModeS = address;
  descriptor.addressModeT = address;
  std::string reason;
  std::shared_ptr<GpuSampler> sampler = mDevice->NewSampler(descriptor, reason);
  EXPECT_NE(sampler, nullptr) << reason;
  return sampler;
}

std::shared_ptr<GpuRenderPipelineState> GpuTest::Pipeline(const PipelineSpec& spec) {
  GpuRenderPipelineDescriptor descriptor;
  descriptor.vertexFunction = mLibrary->NewFunction("vertexShader", spec.constants);
  if (spec.fragment) descriptor.fragmentFunction = mLibrary->NewFunction(spec.fragment, spec.constants);
  descriptor.vertexDescriptor.attributes = {{GpuVertexFormat::Float2, 0}, {GpuVertexFormat::Float2, 8}};
  descriptor.vertexDescriptor.stride = sizeof(ShaderVertex);
  descriptor.colorFormat = spec.color;
  descriptor.stencilFormat = spec.stencil ? GpuPixelFormat::Stencil8 : GpuPixelFormat::Invalid;
  descriptor.blendingEnabled = spec.blending;
  descriptor.sourceRGB = spec.srcRGB;
  descriptor.destinationRGB = spec.dstRGB;
  descriptor.sourceAlpha = spec.srcAlpha;
  descriptor.destinationAlpha = spec.dstAlpha;
  descriptor.colorWrites = spec.colorWrites;
  std::string reason;
  std::shared_ptr<GpuRenderPipelineState> pipeline = mDevice->NewRenderPipelineState(descriptor, reason);
  EXPECT_NE(pipeline, nullptr) << reason;
  return pipeline;
}

ShaderFragmentUniforms GpuTest::Solid(float r, float g, float b, float a) {
  ShaderFragmentUniforms u{};
  SetMatrix(u.paintMat, 1, 0, 0, 0, 1, 0);
  const float color[4] = {r, g, b, a};
  std::memcpy(u.innerCol, color, sizeof color);
  std::memcpy(u.outerCol, color, sizeof color);
  u.scissorExt[0] = u.scissorExt[1] = 1.0f;
  u.scissorScale[0] = u.scissorScale[1] = 1.0f;
  u.extent[0] = u.extent[1] = 1e4f;
  u.feather = 1.0f;
  u.strokeMult = 1.0f;
  u.strokeThr = -1.0f;
  return u;
}

void GpuTest::SetMatrix(float* columns, float a, float b, float c, float d, float e, float f) {
  const float layout[12] = {a, d, 0, 0, b, e, 0, 0, c, f, 1, 0};
  std::memcpy(columns, layout, sizeof layout);
}

std::vector<ShaderVertex> GpuTest::Quad(float x0, float y0, float x1, float y1, float u0, float v0, float u1,
                                        float v1) {
  return {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x0, y1, u0, v1}, {x1, y0, u1, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}};
}

std::vector<uint8_t> GpuTest::Render(int width, int height, GpuClearColor clear, bool withStencil,
                                     const std::function<void(GpuRenderEncoder&)>& draw) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 0);
  std::shared_ptr<GpuTexture> target =
      Texture(GpuPixelFormat::RGBA8Unorm, width, height, kTextureUsageRenderTarget | kTextureUsageShaderRead);
  GpuRenderPassDescriptor pass;
  pass.color.texture = target;
  pass.color.loadAction = GpuLoadAction::Clear;
  pass.color.clearColor = clear;
  if (withStencil) pass.stencil.texture = Texture(GpuPixelFormat::Stencil8, width, height, kTextureUsageRenderTarget);
  std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
  if (!target || !commands) return pixels;
  std::unique_ptr<GpuRenderEncoder> encoder = commands->RenderCommandEncoder(pass);
  EXPECT_NE(encoder, nullptr) << commands->Error();
  if (!encoder) return pixels;
  mViewWidth = width;
  mViewHeight = height;
  const ShaderViewSize viewSize{static_cast<float>(width), static_cast<float>(height)};
  std::shared_ptr<GpuBuffer> viewBuffer = Buffer(nullptr, 16);
  std::memcpy(viewBuffer->Contents(), &viewSize, sizeof viewSize);
  encoder->SetVertexBuffer(viewBuffer, 0, 1);
  draw(*encoder);
  encoder->EndEncoding();
  EXPECT_TRUE(commands->Commit()) << commands->Error();
  commands->WaitUntilCompleted();
  EXPECT_EQ(commands->Status(), GpuCommandBufferStatus::Completed) << commands->Error();
  EXPECT_TRUE(target->GetBytes(pixels.data(), static_cast<size_t>(width) * 4, {0, 0, width, height}, 0));
  return pixels;
}

void GpuTest::DrawTriangles(GpuRenderEncoder& encoder, const std::shared_ptr<GpuRenderPipelineState>& pipeline,
                            const std::vector<ShaderVertex>& vertices, const ShaderFragmentUniforms& uniforms,
                            const std::shared_ptr<GpuTexture>& texture, const std::shared_ptr<GpuSampler>& sampler) {
  encoder.SetRenderPipelineState(pipeline);
  encoder.SetVertexBuffer(Buffer(vertices), 0, 0);
  encoder.SetFragmentBuffer(Buffer(&uniforms, sizeof uniforms), 0, 0);
  encoder.SetFragmentTexture(texture, 0);
  encoder.SetFragmentSamplerState(sampler, 0);
  encoder.DrawPrimitives(GpuPrimitiveType::Triangle, 0, static_cast<uint32_t>(vertices.size()));
}

Rgba GpuTest::Pixel(const std::vector<uint8_t>& rgba, int width, int x, int y) {
  const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

}  // namespace platform::gpu::test
