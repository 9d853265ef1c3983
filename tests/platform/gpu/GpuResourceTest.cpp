// Buffers, textures and samplers on the CPU device: pixel round trips, copies (buffer to texture and texture to
// texture), mip levels and sampling
// modes, checked against values worked out by hand.
#include <cstring>
#include <numeric>

#include "tests/platform/gpu/GpuTestDevice.h"

namespace platform::gpu::test {
namespace {

using ResourceTest = GpuTest;

TEST_F(ResourceTest, DeviceIsTheCpuDeviceAndBuffersAreCpuVisible) {
  EXPECT_TRUE(mDevice->IsCpuDevice()) << mDevice->Name();
  std::string reason;
  EXPECT_EQ(mDevice->NewBuffer(0, reason), nullptr);
  EXPECT_FALSE(reason.empty());
  std::shared_ptr<GpuBuffer> buffer = Buffer(nullptr, 1000);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->Length(), 1000u);
  const auto* bytes = static_cast<const uint8_t*>(buffer->Contents());
  EXPECT_EQ(std::accumulate(bytes, bytes + 1000, 0), 0);
}

TEST_F(ResourceTest, DeviceChoiceThatMatchesNothingFailsWithAReason) {
  GpuDeviceOptions options;
  options.deviceChoice = "no such device";
  std::string reason;
  EXPECT_EQ(GpuDevice::Create(options, reason), nullptr);
  EXPECT_NE(reason.find("no such device"), std::string::npos) << reason;
}

struct RoundTripRow {
  GpuPixelFormat format;
  int bytesPerPixel;
};

class RoundTripTest : public GpuTest, public ::testing::WithParamInterface<RoundTripRow> {};

TEST_P(RoundTripTest, ReplacedRegionReadsBackAndTheRestStaysClear) {
  // A 7 x 5 region at (3, 2) of a 16 x 9 texture, from a source with padded rows.
  const int pixelBytes = GetParam().bytesPerPixel;
  std::shared_ptr<GpuTexture> texture = Texture(GetParam().format, 16, 9, kTextureUsageShaderRead);
  ASSERT_NE(texture, nullptr);
  const GpuRegion region{3, 2, 7, 5};
  const size_t sourceStride = 7 * pixelBytes + 5;
  std::vector<uint8_t> source(sourceStride * 5);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 37 + 11);
  ASSERT_TRUE(texture->ReplaceRegion(region, 0, source.data(), sourceStride));

  std::vector<uint8_t> back(16 * 9 * pixelBytes, 0xee);
  ASSERT_TRUE(texture->GetBytes(back.data(), 16 * pixelBytes, {0, 0, 16, 9}, 0));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 16; ++x)
      for (int c = 0; c < pixelBytes; ++c) {
        const bool inside = x >= 3 && x < 10 && y >= 2 && y < 7;
        const uint8_t expected = inside ? source[(y - 2) * sourceStride + (x - 3) * pixelBytes + c] : 0;
        ASSERT_EQ(back[(y * 16 + x) * pixelBytes + c], expected) << x << "," << y << " channel " << c;
      }
}

TEST_P(RoundTripTest, RegionsOutsideTheTextureOrWithShortRowsAreRefused) {
  const int pixelBytes = GetParam().bytesPerPixel;
  std::shared_ptr<GpuTexture> texture = Texture(GetParam().format, 8, 8, kTextureUsageShaderRead);
  ASSERT_NE(texture, nullptr);
  std::vector<uint8_t> bytes(8 * 8 * pixelBytes, 1);
  const GpuRegion bad[] = {{-1, 0, 2, 2}, {7, 0, 2, 1}, {0, 0, 0, 1}, {0, 6, 1, 3}};
  for (const GpuRegion& region : bad) {
    EXPECT_FALSE(texture->ReplaceRegion(region, 0, bytes.data(), 8 * pixelBytes));
    EXPECT_FALSE(texture->GetBytes(bytes.data(), 8 * pixelBytes, region, 0));
  }
  EXPECT_FALSE(texture->ReplaceRegion({0, 0, 8, 8}, 0, bytes.data(), 8 * pixelBytes - 1));
  EXPECT_FALSE(texture->ReplaceRegion({0, 0, 8, 8}, 1, bytes.data(), 8 * pixelBytes));  // no level 1
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest,
                         ::testing::Values(RoundTripRow{GpuPixelFormat::R8Unorm, 1},
                                           RoundTripRow{GpuPixelFormat::RGBA8Unorm, 4},
                                           RoundTripRow{GpuPixelFormat::BGRA8Unorm, 4}));

TEST_F(ResourceTest, BlitCopiesBufferRowsAndGeneratesMipLevelsByAveraging) {
  // Level 0 of an 8 x 4 RGBA texture: columns alternate 0 and 200 in red, rows alternate 0 and 100 in
  // green, blue is 60 everywhere. Each level halves it: level 1 is 100, 50, 60 everywhere, and so on.
  std::shared_ptr<GpuTexture> texture = Texture(GpuPixelFormat::RGBA8Unorm, 8, 4, kTextureUsageShaderRead, true);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->MipLevelCount(), 4);
  const size_t stride = 8 * 4 + 16;  // padded rows
  std::vector<uint8_t> pixels(stride * 4, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t* p = &pixels[y * stride + x * 4];
      p[0] = x % 2 ? 200 : 0;
      p[1] = y % 2 ? 100 : 0;
      p[2] = 60;
      p[3] = 255;
    }
  std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
  std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder();
  blit->CopyFromBuffer(Buffer(pixels), 0, stride, texture, 0, {0, 0, 8, 4});
  blit->GenerateMipmaps(texture);
  blit->Synchronize(texture);
  blit->EndEncoding();
  ASSERT_TRUE(commands->Commit()) << commands->Error();
  commands->WaitUntilCompleted();
  ASSERT_EQ(commands->Status(), GpuCommandBufferStatus::Completed);

  std::vector<uint8_t> level0(8 * 4 * 4);
  ASSERT_TRUE(texture->GetBytes(level0.data(), 32, {0, 0, 8, 4}, 0));
  EXPECT_EQ(level0[4 * 5 + 0], 200);
  EXPECT_EQ(level0[32 + 1], 100);
  const int sizes[][2] = {{4, 2}, {2, 1}, {1, 1}};
  for (int level = 1; level <= 3; ++level) {
    const int w = sizes[level - 1][0];
    const int h = sizes[level - 1][1];
    std::vector<uint8_t> bytes(w * h * 4);
    ASSERT_TRUE(texture->GetBytes(bytes.data(), w * 4, {0, 0, w, h}, level));
    for (int i = 0; i < w * h; ++i) {
      EXPECT_NEAR(bytes[i * 4 + 0], 100, 1) << "level " << level;
      EXPECT_NEAR(bytes[i * 4 + 1], 50, 1) << "level " << level;
      EXPECT_EQ(bytes[i * 4 + 2], 60) << "level " << level;
      EXPECT_EQ(bytes[i * 4 + 3], 255) << "level " << level;
    }
  }
}

struct TextureCopyRow {
  GpuPixelFormat from, to;
  bool swapsRedAndBlue;
  const char* name;
};

void PrintTo(const TextureCopyRow& row, std::ostream* out) {
  *out << row.name;
}

class TextureCopyTest : public GpuTest, public ::testing::WithParamInterface<TextureCopyRow> {};

TEST_P(TextureCopyTest, CopyGivesTheSourcePixelsInTheDestinationsFormat) {
  // A 13 x 7 source of distinct bytes into a destination holding other bytes: every pixel is replaced, the
  // channels reordered only where the formats name them in another order.
  const TextureCopyRow row = GetParam();
  const int width = 13, height = 7;
  std::shared_ptr<GpuTexture> source = Texture(row.from, width, height, kTextureUsageShaderRead);
  std::shared_ptr<GpuTexture> destination = Texture(row.to, width, height, kTextureUsageRenderTarget);
  ASSERT_NE(source, nullptr);
  ASSERT_NE(destination, nullptr);
  std::vector<uint8_t> pixels(width * height * 4), old(width * height * 4, 0x5a);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 29 + 3);
  ASSERT_TRUE(source->ReplaceRegion({0, 0, width, height}, 0, pixels.data(), width * 4));
  ASSERT_TRUE(destination->ReplaceRegion({0, 0, width, height}, 0, old.data(), width * 4));

  std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
  std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder();
  blit->CopyTexture(source, destination);
  blit->EndEncoding();
  ASSERT_TRUE(commands->Commit()) << commands->Error();
  commands->WaitUntilCompleted();
  ASSERT_EQ(commands->Status(), GpuCommandBufferStatus::Completed);

  std::vector<uint8_t> back(width * height * 4);
  ASSERT_TRUE(destination->GetBytes(back.data(), width * 4, {0, 0, width, height}, 0));
  const int order[4] = {row.swapsRedAndBlue ? 2 : 0, 1, row.swapsRedAndBlue ? 0 : 2, 3};
  for (int i = 0; i < width * height; ++i)
    for (int c = 0; c < 4; ++c)
      ASSERT_EQ(back[i * 4 + c], pixels[i * 4 + order[c]]) << "pixel " << i << " channel " << c;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TextureCopyTest,
    ::testing::Values(TextureCopyRow{GpuPixelFormat::BGRA8Unorm, GpuPixelFormat::BGRA8Unorm, false, "BgraToBgra"},
                      TextureCopyRow{GpuPixelFormat::RGBA8Unorm, GpuPixelFormat::RGBA8Unorm, false, "RgbaToRgba"},
                      TextureCopyRow{GpuPixelFormat::RGBA8Unorm, GpuPixelFormat::BGRA8Unorm, true, "RgbaToBgra"},
                      TextureCopyRow{GpuPixelFormat::BGRA8Unorm, GpuPixelFormat::RGBA8Unorm, true, "BgraToRgba"}),
    [](const ::testing::TestParamInfo<TextureCopyRow>& info) { return std::string(info.param.name); });

TEST_F(ResourceTest, CopiesBetweenTexturesOfOtherSizesOrKindsFailTheCommandBuffer) {
  std::shared_ptr<GpuTexture> small = Texture(GpuPixelFormat::RGBA8Unorm, 4, 4, kTextureUsageShaderRead);
  std::shared_ptr<GpuTexture> wide = Texture(GpuPixelFormat::RGBA8Unorm, 5, 4, kTextureUsageShaderRead);
  std::shared_ptr<GpuTexture> alpha = Texture(GpuPixelFormat::R8Unorm, 4, 4, kTextureUsageShaderRead);
  std::shared_ptr<GpuTexture> stencil = Texture(GpuPixelFormat::Stencil8, 4, 4, kTextureUsageRenderTarget);
  const std::pair<std::shared_ptr<GpuTexture>, std::shared_ptr<GpuTexture>> pairs[] = {
      {small, wide}, {small, alpha}, {stencil, stencil}, {small, nullptr}};
  for (const auto& [from, to] : pairs) {
    std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
    std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder();
    blit->CopyTexture(from, to);
    blit->EndEncoding();
    EXPECT_FALSE(commands->Commit());
    commands->WaitUntilCompleted();
    EXPECT_FALSE(commands->Error().empty());
  }
}

TEST_F(ResourceTest, OutOfRangeCopyFailsTheCommandBufferAndStillRunsItsHandler) {
  std::shared_ptr<GpuTexture> texture = Texture(GpuPixelFormat::R8Unorm, 4, 4, kTextureUsageShaderRead);
  std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
  std::atomic<int> handled{0};
  commands->AddCompletedHandler([&](GpuCommandBuffer& done) {
    EXPECT_EQ(done.Status(), GpuCommandBufferStatus::Error);
    ++handled;
  });
  std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder();
  blit->CopyFromBuffer(Buffer(nullptr, 8), 0, 4, texture, 0, {0, 0, 4, 4});  // 16 bytes from 8
  blit->EndEncoding();
  EXPECT_FALSE(commands->Commit());
  commands->WaitUntilCompleted();
  EXPECT_EQ(commands->Status(), GpuCommandBufferStatus::Error);
  EXPECT_FALSE(commands->Error().empty());
  mDevice->WaitForFramesInFlight();
  EXPECT_EQ(handled.load(), 1);
}

// A 2 x 2 texture (red, green / blue, white) drawn over a target through the text path (type 2), so the
// output is the texel itself.
class SamplingTest : public GpuTest {
 protected:
  std::vector<uint8_t> DrawTexture(int width, int height, float uvMax, const std::shared_ptr<GpuSampler>& sampler) {
    std::shared_ptr<GpuTexture> texture = Texture(GpuPixelFormat::RGBA8Unorm, 2, 2, kTextureUsageShaderRead);
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    EXPECT_TRUE(texture->ReplaceRegion({0, 0, 2, 2}, 0, texels, 8));
    ShaderFragmentUniforms uniforms = Solid(1, 1, 1, 1);
    uniforms.type = 2;
    PipelineSpec spec;
    spec.blending = false;
    auto pipeline = Pipeline(spec);
    return Render(width, height, {}, false, [&](GpuRenderEncoder& encoder) {
      DrawTriangles(encoder, pipeline, Quad(0, 0, width, height, 0, 0, uvMax, uvMax), uniforms, texture, sampler);
    });
  }
};

TEST_F(SamplingTest, NearestGivesWholeTexelsAndLinearBlendsNeighbours) {
  const std::vector<uint8_t> nearest =
      DrawTexture(4, 4, 1.0f, Sampler(GpuSamplerFilter::Nearest, GpuSamplerAddressMode::ClampToEdge));
  const Rgba corners[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const Rgba want = corners[(y / 2) * 2 + x / 2];
      const Rgba got = Pixel(nearest, 4, x, y);
      EXPECT_EQ(got.r, want.r) << x << "," << y;
      EXPECT_EQ(got.g, want.g) << x << "," << y;
      EXPECT_EQ(got.b, want.b) << x << "," << y;
    }
  // Linear: pixel 1's centre (u = 0.375) lies a quarter of the way from texel 0's centre to texel 1's.
  const std::vector<uint8_t> linear =
      DrawTexture(4, 4, 1.0f, Sampler(GpuSamplerFilter::Linear, GpuSamplerAddressMode::ClampToEdge));
  const Rgba p10 = Pixel(linear, 4, 1, 0);
  EXPECT_NEAR(p10.r, 191, 1);
  EXPECT_NEAR(p10.g, 64, 1);
  const Rgba p00 = Pixel(linear, 4, 0, 0);  // clamped: all texel 0
  EXPECT_EQ(p00.r, 255);
  EXPECT_EQ(p00.g, 0);
}

TEST_F(SamplingTest, RepeatWrapsAndClampHoldsTheEdge) {
  // u from 0 to 2 over 4 pixels: pixel 2's centre is u = 1.25.
  const std::vector<uint8_t> repeat =
      DrawTexture(4, 4, 2.0f, Sampler(GpuSamplerFilter::Nearest, GpuSamplerAddressMode::Repeat));
  const std::vector<uint8_t> clamp =
      DrawTexture(4, 4, 2.0f, Sampler(GpuSamplerFilter::Nearest, GpuSamplerAddressMode::ClampToEdge));
  EXPECT_EQ(Pixel(repeat, 4, 2, 0).r, 255);  // texel 0 (red) again
  EXPECT_EQ(Pixel(repeat, 4, 2, 0).g, 0);
  EXPECT_EQ(Pixel(clamp, 4, 2, 0).r, 0);  // texel 1 (green) held
  EXPECT_EQ(Pixel(clamp, 4, 2, 0).g, 255);
  EXPECT_EQ(Pixel(clamp, 4, 3, 3).b, 255);   // white corner held
  EXPECT_EQ(Pixel(repeat, 4, 3, 3).r, 255);  // white again after wrapping in both directions
  EXPECT_EQ(Pixel(repeat, 4, 3, 3).g, 255);
}

TEST_F(SamplingTest, MinifiedDrawReadsTheSmallestLevelOnlyWithAMipFilter) {
  // An 8 x 8 texture, black with a white top-left quarter whose level 3 (1 x 1) is a quarter grey; a
  // 1 x 1 draw of all of it minifies eight times.
  std::shared_ptr<GpuTexture> texture = Texture(GpuPixelFormat::RGBA8Unorm, 8, 8, kTextureUsageShaderRead, true);
  std::vector<uint8_t> texels(8 * 8 * 4, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) std::memset(&texels[(y * 8 + x) * 4], 255, 4);
  for (int i = 3; i < 8 * 8 * 4; i += 4) texels[i] = 255;
  ASSERT_TRUE(texture->ReplaceRegion({0, 0, 8, 8}, 0, texels.data(), 32));
  std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
  {
    std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder();
    blit->GenerateMipmaps(texture);
  }
  commands->Commit();
  commands->WaitUntilCompleted();
  ShaderFragmentUniforms uniforms = Solid(1, 1, 1, 1);
  uniforms.type = 2;
  PipelineSpec spec;
  spec.blending = false;
  auto pipeline = Pipeline(spec);
  auto draw = [&](GpuSamplerMipFilter mip) {
    auto sampler = Sampler(GpuSamplerFilter::Nearest, GpuSamplerAddressMode::ClampToEdge, mip);
    return Pixel(Render(1, 1, {}, false,
                        [&](GpuRenderEncoder& encoder) {
                          DrawTriangles(encoder, pipeline, Quad(0, 0, 1, 1, 0, 0, 1, 1), uniforms, texture, sampler);
                        }),
                 1, 0, 0);
  };
  EXPECT_NEAR(draw(GpuSamplerMipFilter::Nearest).r, 64, 1);
  EXPECT_NEAR(draw(GpuSamplerMipFilter::Linear).r, 64, 1);
  const int unfiltered = draw(GpuSamplerMipFilter::NotMipmapped).r;
  EXPECT_TRUE(unfiltered == 0 || unfiltered == 255) << unfiltered;  // a texel of level 0
}

}  // namespace
}  // namespace platform::gpu::test
