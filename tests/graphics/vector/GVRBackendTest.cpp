// The back end's own behaviour: buffer sets, the records of fills, framebuffer binding across contexts and their
// deletion, clearing, image records and ids, read-back of regions, frames larger than the device's viewport, images,
// render passes and frame buffers that cannot be made (the device out of memory), frames begun or recorded while the
// GPU is busy, deletion with frames in flight, the layer handle and interface version, and the requests refused (a
// null context, growth past INT_MAX bytes).
#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/mman.h>

#include "graphics/vector/VRMemory.h"
#include "graphics/vector/VRText.h"
#include "tests/graphics/vector/GVRTestRenderer.h"
#include "tests/platform/gpu/GpuFailingCall.h"
#include "tests/platform/gpu/GpuQueueHold.h"

using namespace fx::gfx::gpu;
using platform::gpu::VulkanFunctions;
using platform::gpu::test::FailingCall;

namespace {

// Draws a 16 x 16 green frame with window and checks that its drawable's front buffer shows it.
void ExpectGreenFrameInItsDrawable(VRcontext* window, platform::gpu::GpuDrawableLayer& drawables) {
  vrBeginFrame(window, 16, 16, 1);
  vrBeginPath(window);
  vrRect(window, 0, 0, 16, 16);
  vrFillColor(window, vrRGBA(0, 255, 0, 255));
  vrFill(window);
  vrEndFrame(window);
  drawables.WaitForFramesInFlight();
  std::vector<uint8_t> bgra;
  int w = 0, h = 0;
  ASSERT_TRUE(drawables.ReadFrontBuffer(bgra, w, h));
  ASSERT_EQ(w, 16);
  EXPECT_EQ(bgra[(8 * 16 + 8) * 4 + 1], 255);  // green
}

TEST_F(GVRTest, CreationFlagsChooseBufferSetsAndFragmentFunction) {
  struct Row {
    int flags, sets;
    const char* fragment;
  } rows[] = {
      {0x2001, 3, "fragmentShaderAA"}, {0x1001, 2, "fragmentShaderAA"}, {0x0001, 1, "fragmentShaderAA"},
      {0x3000, 3, "fragmentShader"},   {0x0000, 1, "fragmentShader"},
  };
  for (const Row& row : rows) {
    VRcontext* ctx = Context(row.flags);
    ASSERT_NE(ctx, nullptr);
    GVRcontext* backend = gvrBackend(ctx);
    EXPECT_EQ(backend->maxBuffers, row.sets) << row.flags;
    EXPECT_EQ(static_cast<int>(backend->cbuffers.size()), row.sets);
    EXPECT_EQ(backend->semaphore->Count(), row.sets);
    EXPECT_EQ(backend->fragmentFunction->Name(), row.fragment);
    EXPECT_EQ(ctx->params.edgeAntiAlias, row.flags & 1);
  }
  EXPECT_EQ(gvrCreateContext(nullptr, 0x2001), nullptr);
}

// A recorded call: eleven ints, then four int-sized blend factors.
static_assert(sizeof(GVRcall) == 11 * 4 + 4 * 4);

// Each frame's set holds the frame's size in points for the vertex function: two floats in a buffer of 16 bytes, the
// one block the GPU layer reads.
TEST_F(GVRTest, EachFrameWritesItsSizeInPointsIntoASixteenByteBuffer) {
  struct Row {
    float width, height, ratio;
  } rows[] = {{100, 100, 1}, {320.5f, 200, 2}, {64, 48, 1.5f}};
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << " x " << row.height << " at " << row.ratio);
    vrBeginFrame(ctx, row.width, row.height, row.ratio);
    ASSERT_NE(backend->buffers, nullptr);
    ASSERT_NE(backend->buffers->viewSizeBuffer, nullptr);
    EXPECT_EQ(backend->buffers->viewSizeBuffer->Length(), 16u);
    float size[2] = {};
    std::memcpy(size, backend->buffers->viewSizeBuffer->Contents(), sizeof size);
    EXPECT_EQ(size[0], row.width);
    EXPECT_EQ(size[1], row.height);
    vrCancelFrame(ctx);
  }
}

TEST_F(GVRTest, FillsAreRecordedAsConvexOrStencilFills) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  vrBeginFrame(ctx, 100, 100, 1);
  vrBeginPath(ctx);
  vrRect(ctx, 10, 10, 20, 20);
  vrFill(ctx);
  vrBeginPath(ctx);
  vrRect(ctx, 10, 10, 20, 20);
  vrRect(ctx, 50, 40, 10, 30);
  vrGlobalCompositeBlendFunc(ctx, VR_ONE, 3);  // 3 is no factor
  vrScissor(ctx, 5, 5, 60, 60);
  vrFill(ctx);
  ASSERT_NE(backend->buffers, nullptr);
  const GVRbuffers& set = *backend->buffers;
  ASSERT_EQ(set.ncalls, 2);
  const GVRcall& convex = set.calls[0];
  EXPECT_EQ(convex.type, GVR_CONVEXFILL);
  EXPECT_EQ(convex.triangleCount, 0);
  const GVRfragUniforms& plain = *reinterpret_cast<const GVRfragUniforms*>(set.uniforms + convex.uniformOffset);
  EXPECT_EQ(plain.scissorExt[0], 1.0f);
  EXPECT_EQ(plain.scissorScale[1], 1.0f);
  EXPECT_EQ(plain.scissorMat[0], 0.0f);
  EXPECT_EQ(plain.scissorMat[10], 0.0f);

  const GVRcall& fill = set.calls[1];
  EXPECT_EQ(fill.type, GVR_FILL);
  ASSERT_EQ(fill.triangleCount, 4);
  EXPECT_EQ(fill.uniformOffset, 256);
  EXPECT_TRUE(fill.blendFunc == GVRblend{});
  // The cover quad: a strip over the bounds of both rectangles, at full coverage.
  const VRvertex cover[4] = {{60, 70, 0.5f, 1}, {60, 10, 0.5f, 1}, {10, 70, 0.5f, 1}, {10, 10, 0.5f, 1}};
  EXPECT_EQ(std::memcmp(&set.verts[fill.triangleOffset], cover, sizeof cover), 0);
  const GVRfragUniforms& scissored = *reinterpret_cast<const GVRfragUniforms*>(set.uniforms + fill.uniformOffset);
  EXPECT_EQ(scissored.scissorExt[0], 30.0f);
  EXPECT_EQ(scissored.scissorMat[8], -35.0f);  // the inverse translation of the scissor's centre
  vrCancelFrame(ctx);
  EXPECT_EQ(backend->buffers, nullptr);
  EXPECT_EQ(backend->semaphore->Count(), 3);
}

// A caller naming a new blend in every frame gets each drawn, while the device holds a pipeline only for the ones
// used last; a blend whose pipeline went is built again and draws as before.
TEST_F(GVRTest, PipelinesOfEverNewBlendsAreNotAllKept) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  const auto fillWith = [](int srcRGB, int dstRGB, int srcAlpha, int dstAlpha) {
    return [=](VRcontext* vg) {
      vrGlobalCompositeBlendFuncSeparate(vg, srcRGB, dstRGB, srcAlpha, dstAlpha);
      vrBeginPath(vg);
      vrRect(vg, 0, 0, 4, 4);
      vrFillColor(vg, vrRGBA(0, 255, 0, 255));
      vrFill(vg);
    };
  };
  constexpr size_t kBlends = platform::gpu::GpuDevice::kMaxSharedPipelines + 16;
  for (size_t i = 0; i < kBlends; ++i) {
    // Source factors ONE to SRC_ALPHA_SATURATE, destination ones ZERO and ONE: distinct for every i below 160.
    const int src = 1 << (1 + i % 10), dst = 1 << (i / 10 % 2), srcAlpha = 1 << (i / 20 % 8 + 1);
    Render(ctx, 4, 4, fillWith(src, dst, srcAlpha, VR_ZERO));
  }
  EXPECT_LE(static_cast<size_t>(mDevice->Holdings().pipelines), platform::gpu::GpuDevice::kMaxSharedPipelines + 1);
  const std::vector<uint8_t> copy = Render(ctx, 4, 4, fillWith(VR_ONE, VR_ZERO, VR_ONE, VR_ZERO));
  const Rgba8 p = Pixel(copy, 4, 2, 2);
  EXPECT_EQ(p.r, 0);
  EXPECT_EQ(p.g, 255);
  EXPECT_EQ(p.a, 255);
}

// A stroke joins the strips of its paths into one, each with its first and last vertex repeated; a path without
// stroke vertices (an open line with no cap) adds nothing to it, and a stroke of such paths alone records no call.
TEST_F(GVRTest, StrokeStripsJoinOnlyPathsWithVertices) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  vrBeginFrame(ctx, 100, 100, 1);
  vrLineCap(ctx, 99);  // no cap
  vrStrokeWidth(ctx, 2);
  vrBeginPath(ctx);
  vrMoveTo(ctx, 10, 10);
  vrLineTo(ctx, 50, 10);
  vrStroke(ctx);
  ASSERT_NE(backend->buffers, nullptr);
  EXPECT_EQ(backend->buffers->ncalls, 0);

  vrBeginPath(ctx);
  vrMoveTo(ctx, 10, 10);
  vrLineTo(ctx, 50, 10);
  vrMoveTo(ctx, 10, 50);  // one mitred corner: two vertices
  vrLineTo(ctx, 50, 50);
  vrLineTo(ctx, 50, 90);
  vrStroke(ctx);
  const GVRbuffers& set = *backend->buffers;
  ASSERT_EQ(set.ncalls, 1);
  EXPECT_EQ(set.nverts, 2 + 2);
  EXPECT_EQ(set.calls[0].strokeCount, 2);
  const VRvertex* strip = &set.verts[set.calls[0].strokeOffset];
  EXPECT_EQ(std::memcmp(&strip[-1], &strip[0], sizeof(VRvertex)), 0);
  EXPECT_EQ(std::memcmp(&strip[2], &strip[1], sizeof(VRvertex)), 0);
  // The corner's two sides, half the width and half the fringe from it on both axes: inside, then outside.
  EXPECT_NEAR(strip[0].x, 48.5f, 1e-4f);
  EXPECT_NEAR(strip[0].y, 51.5f, 1e-4f);
  EXPECT_NEAR(strip[1].x, 51.5f, 1e-4f);
  EXPECT_NEAR(strip[1].y, 48.5f, 1e-4f);
  vrCancelFrame(ctx);
}

// Image records are reused under new ids; ids never repeat.
TEST_F(GVRTest, DeletedImageRecordIsReusedUnderANewId) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  const std::vector<unsigned char> pixels(4 * 4 * 4, 200);
  std::vector<int> ids;
  while (ids.empty() || ids.back() < 5) ids.push_back(vrCreateImageRGBA(ctx, 4, 4, 0, pixels.data()));
  const size_t records = backend->textures.size();
  const GVRtexture* fifth = backend->findTexture(5);
  vrDeleteImage(ctx, 5);
  EXPECT_EQ(backend->findTexture(5), nullptr);
  const int next = vrCreateImageRGBA(ctx, 4, 4, 0, pixels.data());
  EXPECT_EQ(next, 6);
  EXPECT_EQ(backend->findTexture(6), fifth);
  EXPECT_EQ(backend->textures.size(), records);
  int w = 0, h = 0;
  EXPECT_EQ(ctx->params.renderGetTextureSize(backend, 5, &w, &h), 0);
  EXPECT_EQ(ctx->params.renderUpdateTexture(backend, 6, 0, 0, 4, 4, pixels.data()), 1);
  EXPECT_EQ(ctx->params.renderUpdateTexture(backend, 6, 2, 2, 4, 4, pixels.data()), 0);  // outside the image
  EXPECT_EQ(ctx->params.renderUpdateTexture(backend, 6, -1, 0, 2, 2, pixels.data()), 0);
  EXPECT_EQ(ctx->params.renderUpdateTexture(backend, 6, 0, 0, 0, 4, pixels.data()), 0);  // empty
  EXPECT_EQ(ctx->params.renderUpdateTexture(backend, 6, 0, 0, 4, 4, nullptr), 0);
  EXPECT_EQ(ctx->params.renderUpdateTexture(backend, 5, 0, 0, 4, 4, pixels.data()), 0);  // deleted
  EXPECT_EQ(ctx->params.renderCreateTexture(backend, VR_TEXTURE_RGBA, 0, 4, 0, nullptr), 0);
  EXPECT_EQ(ctx->params.renderCreateTexture(backend, 3, 4, 4, 0, nullptr), 0);
}

// Ids that name no image, 0 (which the free record of a deleted image carries) and negative ones, find nothing:
// sizing, updating or deleting through them answers 0 and changes nothing, and a fill with the pattern of one draws
// nothing.
TEST_F(GVRTest, IdsOfNoImageFindNothing) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  const std::vector<unsigned char> pixels(4 * 4 * 4, 200);
  const int kept = vrCreateImageRGBA(ctx, 4, 4, 0, pixels.data());
  ASSERT_GT(kept, 0);
  vrDeleteImage(ctx, vrCreateImageRGBA(ctx, 4, 4, 0, pixels.data()));
  for (const int id : {0, -1, std::numeric_limits<int>::min()}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(backend->findTexture(id), nullptr);
    int w = -7, h = -7;
    EXPECT_EQ(ctx->params.renderGetTextureSize(backend, id, &w, &h), 0);
    EXPECT_EQ(w, -7);
    EXPECT_EQ(ctx->params.renderUpdateTexture(backend, id, 0, 0, 4, 4, pixels.data()), 0);
    EXPECT_EQ(ctx->params.renderDeleteTexture(backend, id), 0);
  }
  int w = 0, h = 0;
  EXPECT_EQ(ctx->params.renderGetTextureSize(backend, kept, &w, &h), 1);
  EXPECT_EQ(w, 4);
  for (const int id : {-1, std::numeric_limits<int>::min()}) {
    const std::vector<uint8_t> drawn = Render(ctx, 8, 8, [id](VRcontext* c) {
      vrBeginPath(c);
      vrRect(c, 0, 0, 8, 8);
      vrFillPaint(c, vrImagePattern(c, 0, 0, 8, 8, 0, id, 1));
      vrFill(c);
    });
    EXPECT_EQ(drawn, std::vector<uint8_t>(8 * 8 * 4, 0)) << id;
  }
}

// An image whose texture, sampler or pixels cannot be made (the device out of memory) is not made: 0, no record and
// no id spent. An update whose pixels cannot be uploaded answers 0 and leaves the image as it was.
TEST_F(GVRTest, AnImageWhoseTextureSamplerOrPixelsCannotBeMadeIsNotMade) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  VulkanFunctions& fn = mDevice->Core()->fn;
  const std::vector<unsigned char> pixels(4 * 4 * 4, 200);
  const int first = vrCreateImageRGBA(ctx, 4, 4, 0, pixels.data());
  ASSERT_GT(first, 0);
  const size_t records = backend->textures.size();
  const auto notMade = [&](const char* what, auto entry, const unsigned char* data, int imageFlags) {
    SCOPED_TRACE(what);
    {
      FailingCall failing(fn.*entry);
      EXPECT_EQ(vrCreateImageRGBA(ctx, 4, 4, imageFlags, data), 0);
    }
    EXPECT_EQ(backend->textures.size(), records);
  };
  notMade("texture", &VulkanFunctions::vkCreateImage, nullptr, 0);
  notMade("sampler", &VulkanFunctions::vkCreateSampler, nullptr, 0);
  notMade("pixels", &VulkanFunctions::vkCreateBuffer, pixels.data(), 0);
  notMade("pixels with mipmaps", &VulkanFunctions::vkCreateBuffer, pixels.data(), VR_IMAGE_GENERATE_MIPMAPS);
  EXPECT_EQ(vrCreateImageRGBA(ctx, 4, 4, 0, pixels.data()), first + 1);

  const std::vector<unsigned char> other(pixels.size(), 50);
  {
    FailingCall failing(fn.vkCreateBuffer);
    EXPECT_EQ(ctx->params.renderUpdateTexture(backend, first, 0, 0, 4, 4, other.data()), 0);
  }
  std::vector<unsigned char> read(pixels.size());
  gvrReadPixels(ctx, first, 0, 0, 4, 4, read.data());
  EXPECT_EQ(read, pixels);
}

// A region is read with the image's row stride: a 10 x 10 region at (20, 30) of an RGBA image 100 pixels wide writes
// its rows 400 bytes apart, each matching the same pixels of a whole-image read, and leaves the bytes between them.
// Regions outside the image or of no size, unknown images and null data write nothing.
TEST_F(GVRTest, ReadPixelsOfARegionWritesRowsTheImageWidthApart) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRframebuffer* fb = gvrCreateFramebuffer(ctx, 100, 60, 0);
  ASSERT_NE(fb, nullptr);
  ASSERT_GT(fb->image, 0);
  gvrBindFramebuffer(fb);
  gvrClearWithColor(ctx, vrRGBAf(0, 0, 0, 0));
  vrBeginFrame(ctx, 100, 60, 1);
  vrBeginPath(ctx);
  vrRect(ctx, 0, 0, 100, 60);
  vrFillPaint(ctx, vrLinearGradient(ctx, 0, 0, 100, 60, vrRGBA(255, 0, 0, 255), vrRGBA(0, 0, 255, 255)));
  vrFill(ctx);
  vrEndFrame(ctx);
  std::vector<uint8_t> whole(100 * 60 * 4);
  gvrReadPixels(ctx, fb->image, 0, 0, 100, 60, whole.data());
  std::vector<uint8_t> region(10 * 400, 7);
  gvrReadPixels(ctx, fb->image, 20, 30, 10, 10, region.data());
  for (int row = 0; row < 10; ++row) {
    EXPECT_EQ(std::memcmp(&region[row * 400], &whole[((30 + row) * 100 + 20) * 4], 40), 0) << "row " << row;
    EXPECT_TRUE(std::all_of(region.begin() + row * 400 + 40, region.begin() + (row + 1) * 400,
                            [](uint8_t b) { return b == 7; }))
        << "between rows " << row << " and " << row + 1;
  }

  std::vector<uint8_t> untouched(10 * 10 * 4, 7);
  for (const int* r : {(const int[]){95, 30, 10, 10}, (const int[]){-1, 0, 10, 10}, (const int[]){0, 55, 10, 10}})
    gvrReadPixels(ctx, fb->image, r[0], r[1], r[2], r[3], untouched.data());
  gvrReadPixels(ctx, 999, 0, 0, 10, 10, untouched.data());
  gvrReadPixels(ctx, fb->image, 0, 0, 0, 10, untouched.data());
  gvrReadPixels(ctx, fb->image, 0, 0, 10, -1, untouched.data());
  gvrReadPixels(ctx, fb->image, 0, 0, 10, 10, nullptr);
  EXPECT_EQ(untouched, std::vector<uint8_t>(10 * 10 * 4, 7));
  gvrBindFramebuffer(nullptr);
  gvrDeleteFramebuffer(fb);
}

// Clearing to transparent with no draw calls still clears the bound framebuffer.
TEST_F(GVRTest, ClearWithoutCallsClearsTheBoundFramebuffer) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRframebuffer* fb = gvrCreateFramebuffer(ctx, 16, 16, 0);
  gvrBindFramebuffer(fb);
  gvrClearWithColor(ctx, vrRGBAf(1, 0, 0, 0.5f));
  vrBeginFrame(ctx, 16, 16, 1);
  vrEndFrame(ctx);
  std::vector<uint8_t> pixels(16 * 16 * 4);
  gvrReadPixels(ctx, fb->image, 0, 0, 16, 16, pixels.data());
  EXPECT_EQ(Pixel(pixels, 16, 7, 7).r, 128);
  EXPECT_EQ(Pixel(pixels, 16, 7, 7).a, 128);
  gvrClearWithColor(ctx, vrRGBAf(0, 0, 0, 0));
  vrBeginFrame(ctx, 16, 16, 1);
  vrEndFrame(ctx);
  gvrReadPixels(ctx, fb->image, 0, 0, 16, 16, pixels.data());
  EXPECT_EQ(pixels, std::vector<uint8_t>(16 * 16 * 4, 0));
  // Deleting the bound framebuffer unbinds it.
  gvrDeleteFramebuffer(fb);
  EXPECT_EQ(gvrBoundFramebuffer(), nullptr);
}

// A framebuffer bound for another context leaves this one drawing into its layer's drawable.
TEST_F(GVRTest, FramebufferOfAnotherContextIsNotDrawnInto) {
  platform::gpu::GpuDrawableLayer drawables(*mDevice);
  drawables.SetBounds(16, 16);
  VulkanLayer windowLayer{mDevice, &drawables};
  VRcontext* window = gvrCreateContext(&windowLayer, GVR_ANTIALIAS | GVR_TRIPLE_BUFFER);
  ASSERT_NE(window, nullptr);
  VRcontext* other = Context();
  ASSERT_NE(other, nullptr);
  GVRframebuffer* fb = gvrCreateFramebuffer(other, 16, 16, 0);
  gvrBindFramebuffer(fb);
  ExpectGreenFrameInItsDrawable(window, drawables);
  std::vector<uint8_t> pixels(16 * 16 * 4, 9);
  gvrReadPixels(other, fb->image, 0, 0, 16, 16, pixels.data());
  EXPECT_EQ(pixels, std::vector<uint8_t>(16 * 16 * 4, 0));
  gvrBindFramebuffer(nullptr);
  gvrDeleteFramebuffer(fb);
  gvrDeleteContext(window);
}

// Deleting a context sets its layer's device to null and forgets the layer; another context made on the same layer
// record keeps drawing with the device it was made with. A layer with drawables but no device makes no context: a
// new device could not draw into drawables made on another.
TEST_F(GVRTest, DeletingAContextSetsItsLayersDeviceToNull) {
  VulkanLayer layer{mDevice, nullptr};
  VRcontext* first = gvrCreateContext(&layer, GVR_ANTIALIAS);
  VRcontext* second = gvrCreateContext(&layer, GVR_ANTIALIAS);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  gvrDeleteContext(first);
  EXPECT_EQ(layer.device, nullptr);
  EXPECT_EQ(gvrDevice(second), mDevice);
  const std::vector<uint8_t> pixels = Render(second, 8, 8, [](VRcontext* ctx) {
    vrBeginPath(ctx);
    vrRect(ctx, 0, 0, 8, 8);
    vrFillColor(ctx, vrRGBA(0, 0, 255, 255));
    vrFill(ctx);
  });
  EXPECT_EQ(Pixel(pixels, 8, 4, 4).b, 255);
  gvrDeleteContext(second);

  platform::gpu::GpuDrawableLayer drawables(*mDevice);
  VulkanLayer deviceless{nullptr, &drawables};
  EXPECT_EQ(gvrCreateContext(&deviceless, GVR_ANTIALIAS), nullptr);
  EXPECT_EQ(deviceless.device, nullptr);
}

// A context that cannot be made, whichever of the renderer's allocations fails (before its back end was created or
// after), is deleted once and leaves the device holding what it held before (the leak checker sees the rest).
TEST_F(GVRTest, AContextThatCannotBeMadeIsDeletedOnceAndLeavesNothing) {
  static int allowed = 0;  // allocations that succeed before the failing one
  const platform::gpu::GpuDeviceHoldings before = mDevice->Holdings();
  int failures = 0;
  for (int n = 0;; ++n) {
    SCOPED_TRACE(n);
    mLayer.device = mDevice;
    allowed = n;
    vrSetAllocHook([](size_t) { return allowed-- > 0; });
    VRcontext* ctx = gvrCreateContext(&mLayer, GVR_ANTIALIAS | GVR_TRIPLE_BUFFER);
    vrSetAllocHook(nullptr);
    if (ctx != nullptr) {
      gvrDeleteContext(ctx);
      break;
    }
    ++failures;
    mDevice->WaitForFramesInFlight();
    EXPECT_EQ(mDevice->Holdings(), before);
  }
  EXPECT_GE(failures, 3);  // the context record, the path buffers, the font manager
  mLayer.device = mDevice;
}

// Deleting a context unbinds its bound framebuffer: another context's flush then draws into its own layer's drawable
// instead of following a binding whose context is gone.
TEST_F(GVRTest, DeletingAContextUnbindsItsFramebufferForTheOthers) {
  VRcontext* gone = gvrCreateContext(&mLayer, GVR_ANTIALIAS);
  ASSERT_NE(gone, nullptr);
  GVRframebuffer target{gone, vrCreateImageRGBA(gone, 16, 16, 0, nullptr), 0};
  ASSERT_GT(target.image, 0);
  gvrBindFramebuffer(&target);
  gvrDeleteContext(gone);
  EXPECT_EQ(gvrBoundFramebuffer(), nullptr);

  platform::gpu::GpuDrawableLayer drawables(*mDevice);
  drawables.SetBounds(16, 16);
  VulkanLayer windowLayer{mDevice, &drawables};
  VRcontext* window = gvrCreateContext(&windowLayer, GVR_ANTIALIAS | GVR_TRIPLE_BUFFER);
  ASSERT_NE(window, nullptr);
  ExpectGreenFrameInItsDrawable(window, drawables);
  gvrDeleteContext(window);
}

// A frame whose render pass cannot be made (its target is not made for rendering) draws nothing there; its buffer
// set comes back once, and a clear asked for before it is carried out by the next pass that is made.
TEST_F(GVRTest, APassThatCannotBeMadeFreesItsSetAndKeepsTheClear) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  GVRframebuffer* drawn = gvrCreateFramebuffer(ctx, 16, 16, 0);
  ASSERT_NE(drawn, nullptr);
  const std::vector<uint8_t> green = [&] {
    std::vector<uint8_t> pixels(16 * 16 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) pixels[i + 1] = pixels[i + 3] = 255;
    return pixels;
  }();
  gvrBindFramebuffer(drawn);
  gvrClearWithColor(ctx, vrRGBAf(0, 1, 0, 1));
  vrBeginFrame(ctx, 16, 16, 1);
  vrEndFrame(ctx);

  platform::gpu::GpuTextureDescriptor descriptor;
  descriptor.width = descriptor.height = 16;
  std::string reason;
  std::shared_ptr<platform::gpu::GpuTexture> readOnly = mDevice->NewTexture(descriptor, reason);
  ASSERT_TRUE(readOnly) << reason;
  const std::vector<uint8_t> blue = [] {
    std::vector<uint8_t> pixels(16 * 16 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) pixels[i + 2] = pixels[i + 3] = 255;
    return pixels;
  }();
  ASSERT_TRUE(readOnly->ReplaceRegion({0, 0, 16, 16}, 0, blue.data(), 16 * 4));
  GVRframebuffer unrenderable{ctx, gvrCreateImageFromHandle(ctx, readOnly, 0), 0};
  ASSERT_GT(unrenderable.image, 0);

  gvrClearWithColor(ctx, vrRGBAf(1, 0, 0, 1));
  gvrBindFramebuffer(&unrenderable);
  vrBeginFrame(ctx, 16, 16, 1);
  vrBeginPath(ctx);
  vrRect(ctx, 0, 0, 16, 16);
  vrFillColor(ctx, vrRGBA(255, 255, 255, 255));
  vrFill(ctx);
  vrEndFrame(ctx);
  // Once every completion handler has run, every set is back, each once.
  mDevice->WaitForFramesInFlight();
  EXPECT_EQ(backend->semaphore->Count(), backend->maxBuffers);
  for (const auto& set : backend->cbuffers) {
    EXPECT_FALSE(set->isBusy);
    EXPECT_EQ(set->commandBuffer, nullptr);
    EXPECT_EQ(set->ncalls, 0);
  }
  std::vector<uint8_t> pixels(16 * 16 * 4);
  ASSERT_TRUE(readOnly->GetBytes(pixels.data(), 16 * 4, {0, 0, 16, 16}, 0));
  EXPECT_EQ(pixels, blue);

  gvrBindFramebuffer(drawn);
  gvrReadPixels(ctx, drawn->image, 0, 0, 16, 16, pixels.data());
  EXPECT_EQ(pixels, green);
  vrBeginFrame(ctx, 16, 16, 1);
  vrEndFrame(ctx);
  gvrReadPixels(ctx, drawn->image, 0, 0, 16, 16, pixels.data());
  EXPECT_EQ(Pixel(pixels, 16, 0, 0).r, 255);
  EXPECT_EQ(Pixel(pixels, 16, 15, 15).r, 255);
  EXPECT_EQ(Pixel(pixels, 16, 8, 8).g, 0);
  gvrBindFramebuffer(nullptr);
  gvrDeleteFramebuffer(drawn);
  vrDeleteImage(ctx, unrenderable.image);
}

// A frame whose view-size buffer (made as the frame begins) or stencil texture (made as it is flushed) cannot be made
// is cancelled: it draws nothing and gives its buffer set back, and a clear asked for before it is carried out by the
// next frame. One drawn into a framebuffer whose image is gone gives its set back too.
TEST_F(GVRTest, AFrameWithoutTargetViewSizeBufferOrStencilIsCancelledAndKeepsTheClear) {
  VulkanFunctions& fn = mDevice->Core()->fn;
  for (const bool viewSize : {true, false}) {
    SCOPED_TRACE(viewSize ? "view-size buffer" : "stencil texture");
    VRcontext* ctx = Context(GVR_ANTIALIAS);  // one buffer set, whose buffers its first frame makes
    ASSERT_NE(ctx, nullptr);
    GVRcontext* backend = gvrBackend(ctx);
    GVRframebuffer* fb = gvrCreateFramebuffer(ctx, 16, 16, 0);
    ASSERT_NE(fb, nullptr);
    gvrBindFramebuffer(fb);
    gvrClearWithColor(ctx, vrRGBAf(1, 0, 0, 1));
    {
      std::optional<FailingCall<PFN_vkCreateBuffer>> noBuffer;
      if (viewSize) noBuffer.emplace(fn.vkCreateBuffer);
      vrBeginFrame(ctx, 16, 16, 1);
    }
    vrBeginPath(ctx);
    vrRect(ctx, 0, 0, 16, 16);
    vrFillColor(ctx, vrRGBA(255, 255, 255, 255));
    vrFill(ctx);
    {
      std::optional<FailingCall<PFN_vkCreateImage>> noImage;
      if (!viewSize) noImage.emplace(fn.vkCreateImage);
      vrEndFrame(ctx);
    }
    EXPECT_EQ(backend->buffers, nullptr);
    EXPECT_EQ(backend->semaphore->Count(), 1);
    std::vector<uint8_t> pixels(16 * 16 * 4, 7);
    gvrReadPixels(ctx, fb->image, 0, 0, 16, 16, pixels.data());
    EXPECT_EQ(pixels, std::vector<uint8_t>(16 * 16 * 4, 0));

    vrBeginFrame(ctx, 16, 16, 1);
    vrEndFrame(ctx);
    gvrReadPixels(ctx, fb->image, 0, 0, 16, 16, pixels.data());
    std::vector<uint8_t> red(16 * 16 * 4, 0);
    for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    EXPECT_EQ(pixels, red);
    gvrBindFramebuffer(nullptr);
    gvrDeleteFramebuffer(fb);
  }

  VRcontext* ctx = Context(GVR_ANTIALIAS);
  ASSERT_NE(ctx, nullptr);
  GVRframebuffer gone{ctx, vrCreateImageRGBA(ctx, 16, 16, 0, nullptr), 0};
  ASSERT_GT(gone.image, 0);
  vrDeleteImage(ctx, gone.image);
  gvrBindFramebuffer(&gone);
  for (int frame = 0; frame < 2; ++frame) {
    vrBeginFrame(ctx, 16, 16, 1);
    vrBeginPath(ctx);
    vrRect(ctx, 0, 0, 16, 16);
    vrFill(ctx);
    vrEndFrame(ctx);
    EXPECT_EQ(gvrBackend(ctx)->buffers, nullptr);
    EXPECT_EQ(gvrBackend(ctx)->semaphore->Count(), 1);
  }
  gvrBindFramebuffer(nullptr);
}

// A buffer set's stencil texture is made again only when it is smaller than the target in width or height; a larger
// one serves the pass, and a stencil fill covering the whole target still draws all of it.
TEST_F(GVRTest, StencilTextureIsMadeAgainOnlyWhenSmallerThanTheTarget) {
  VRcontext* ctx = Context(GVR_ANTIALIAS);  // one buffer set: every frame uses the same stencil texture
  ASSERT_NE(ctx, nullptr);
  const GVRbuffers& set = *gvrBackend(ctx)->cbuffers[0];
  struct Row {
    int width, height;
    int stencilWidth, stencilHeight;
    bool same;  // the texture of the row before
  } rows[] = {
      {64, 64, 64, 64, false}, {32, 32, 64, 64, true}, {80, 20, 80, 20, false},
      {40, 40, 40, 40, false}, {40, 10, 40, 40, true}, {41, 40, 41, 40, false},
  };
  // Held, so that a new texture cannot be given the address of the one it replaced.
  std::shared_ptr<platform::gpu::GpuTexture> before;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << " x " << row.height);
    const std::vector<uint8_t> pixels = Render(ctx, row.width, row.height, [&](VRcontext* c) {
      // Two rectangles in one path: a fill through the stencil, not a convex one.
      vrBeginPath(c);
      const float half = static_cast<float>(row.width / 2);  // on a pixel edge: no fringe inside
      vrRect(c, 0, 0, half, static_cast<float>(row.height));
      vrRect(c, half, 0, static_cast<float>(row.width) - half, static_cast<float>(row.height));
      vrFillColor(c, vrRGBA(0, 255, 0, 255));
      vrFill(c);
    });
    ASSERT_TRUE(set.stencilTexture);
    EXPECT_EQ(set.stencilTexture->Width(), row.stencilWidth);
    EXPECT_EQ(set.stencilTexture->Height(), row.stencilHeight);
    EXPECT_EQ(set.stencilTexture == before, row.same);
    before = set.stencilTexture;
    for (const auto& [x, y] : {std::pair{0, 0}, {row.width - 1, row.height - 1}, {row.width / 2, row.height / 2}})
      EXPECT_EQ(Pixel(pixels, row.width, x, y).g, 255) << x << ", " << y;
  }
}

// Draws one frame of the framebuffer's size into it: two rectangles side by side in one path, a fill through the
// stencil, of the colour.
void StencilFilledFrame(VRcontext* ctx, GVRframebuffer* fb, VRcolor colour) {
  int width = 0, height = 0;
  vrImageSize(ctx, fb->image, &width, &height);
  gvrBindFramebuffer(fb);
  vrBeginFrame(ctx, static_cast<float>(width), static_cast<float>(height), 1);
  vrBeginPath(ctx);
  vrRect(ctx, 0, 0, static_cast<float>(width / 2), static_cast<float>(height));
  vrRect(ctx, static_cast<float>(width / 2), 0, static_cast<float>(width - width / 2), static_cast<float>(height));
  vrFillColor(ctx, colour);
  vrFill(ctx);
  vrEndFrame(ctx);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every pixel of the framebuffer's image (read once its frames have completed) is the opaque colour.
void ExpectFilledWith(VRcontext* ctx, GVRframebuffer* fb, Rgba8 colour) {
  int width = 0, height = 0;
  vrImageSize(ctx, fb->image, &width, &height);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  gvrReadPixels(ctx, fb->image, 0, 0, width, height, pixels.data());
  for (size_t i = 0; i < pixels.size(); i += 4)
    ASSERT_TRUE(pixels[i] == colour.r && pixels[i + 1] == colour.g && pixels[i + 2] == colour.b &&
                pixels[i + 3] == colour.a)
        << "pixel " << i / 4 << " of " << width << " x " << height;
}

// A frame begun while every buffer set is in flight waits for one however long the GPU takes, and is then drawn: with
// the GPU held and three frames in flight, a fourth waits until the GPU is let go 1.5 s later, and its colour is what
// the framebuffer shows.
TEST_F(GVRTest, AFrameBegunWhileEverySetIsInFlightWaitsForOneAndIsDrawn) {
  VRcontext* ctx = Context(GVR_ANTIALIAS | GVR_TRIPLE_BUFFER);
  ASSERT_NE(ctx, nullptr);
  GVRframebuffer* fb = gvrCreateFramebuffer(ctx, 8, 8, 0);
  ASSERT_NE(fb, nullptr);
  double waited = 0;
  {
    platform::gpu::test::QueueHold hold(*mDevice->Core());
    for (int i = 0; i < 3; ++i) StencilFilledFrame(ctx, fb, vrRGBA(255, 0, 0, 255));
    EXPECT_EQ(gvrBackend(ctx)->semaphore->Count(), 0);
    std::thread release([&hold] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      hold.Release();
    });
    const auto start = std::chrono::steady_clock::now();
    StencilFilledFrame(ctx, fb, vrRGBA(0, 0, 255, 255));
    waited = SecondsSince(start);
    release.join();
  }
  EXPECT_GE(waited, 1.4);
  ExpectFilledWith(ctx, fb, {0, 0, 255, 255});
  gvrBindFramebuffer(nullptr);
  gvrDeleteFramebuffer(fb);
}

// Making a buffer set's stencil texture waits for nothing on the GPU: with the GPU held busy, a frame that needs a new
// one (the set's first, then a larger one) is recorded and committed at once and stays in flight; once the GPU is let
// go, its stencil fill covers the whole target. (The hold fails the test when something waits for it.)
TEST_F(GVRTest, AFrameNeedingANewStencilTextureDoesNotWaitForTheGpu) {
  VRcontext* ctx = Context(GVR_ANTIALIAS);  // one buffer set
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  const GVRbuffers& set = *backend->cbuffers[0];
  for (const int size : {16, 40}) {
    SCOPED_TRACE(size);
    GVRframebuffer* fb = gvrCreateFramebuffer(ctx, size, size, 0);
    ASSERT_NE(fb, nullptr);
    const std::shared_ptr<platform::gpu::GpuTexture> before = set.stencilTexture;  // held: its address stays its own
    {
      platform::gpu::test::QueueHold hold(*mDevice->Core());
      const auto start = std::chrono::steady_clock::now();
      StencilFilledFrame(ctx, fb, vrRGBA(0, 255, 0, 255));
      EXPECT_LT(SecondsSince(start), 5.0);
      ASSERT_TRUE(set.stencilTexture);
      EXPECT_NE(set.stencilTexture, before);
      EXPECT_EQ(set.stencilTexture->Width(), size);
      std::lock_guard<std::mutex> lock(*backend->setsMutex);
      ASSERT_TRUE(set.commandBuffer);
      EXPECT_NE(set.commandBuffer->Status(), platform::gpu::GpuCommandBufferStatus::Completed);
    }
    ExpectFilledWith(ctx, fb, {0, 255, 0, 255});
    gvrBindFramebuffer(nullptr);
    gvrDeleteFramebuffer(fb);
  }
}

// Making a framebuffer in the middle of a frame waits for nothing on the GPU, and neither does drawing into it and
// sampling it: with the GPU held busy, a frame cleared blue on one new framebuffer ends (as a layer's making ends it),
// a second framebuffer is made, its left half filled red, and its image drawn over the whole first one, each recorded
// and committed at once and still in flight. Once the GPU is let go the second image is red on the left and
// transparent black on the right, where nothing drew, and the first shows it over its blue.
TEST_F(GVRTest, AFramebufferMadeMidFrameIsDrawnAndSampledWithoutWaitingForTheGpu) {
  VRcontext* ctx = Context(GVR_TRIPLE_BUFFER);  // no fringes: the half's edge is exact
  ASSERT_NE(ctx, nullptr);
  constexpr int kSize = 16;
  GVRframebuffer* target = nullptr;
  GVRframebuffer* layer = nullptr;
  {
    platform::gpu::test::QueueHold hold(*mDevice->Core());
    const auto start = std::chrono::steady_clock::now();
    target = gvrCreateFramebuffer(ctx, kSize, kSize, 0);
    ASSERT_NE(target, nullptr);
    gvrBindFramebuffer(target);
    gvrClearWithColor(ctx, vrRGBA(0, 0, 255, 255));
    vrBeginFrame(ctx, kSize, kSize, 1);
    vrEndFrame(ctx);
    layer = gvrCreateFramebuffer(ctx, kSize, kSize, 0);
    ASSERT_NE(layer, nullptr);
    gvrBindFramebuffer(layer);
    vrBeginFrame(ctx, kSize, kSize, 1);
    vrBeginPath(ctx);
    vrRect(ctx, 0, 0, kSize / 2, kSize);
    vrFillColor(ctx, vrRGBA(255, 0, 0, 255));
    vrFill(ctx);
    vrEndFrame(ctx);
    gvrBindFramebuffer(target);
    vrBeginFrame(ctx, kSize, kSize, 1);
    vrBeginPath(ctx);
    vrRect(ctx, 0, 0, kSize, kSize);
    vrFillPaint(ctx, vrImagePattern(ctx, 0, 0, kSize, kSize, 0, layer->image, 1));
    vrFill(ctx);
    vrEndFrame(ctx);
    EXPECT_LT(SecondsSince(start), 5.0);
    GVRcontext* backend = gvrBackend(ctx);
    std::lock_guard<std::mutex> lock(*backend->setsMutex);
    for (const auto& set : backend->cbuffers) {
      ASSERT_TRUE(set->commandBuffer);
      EXPECT_NE(set->commandBuffer->Status(), platform::gpu::GpuCommandBufferStatus::Completed);
    }
  }
  for (GVRframebuffer* fb : {layer, target}) {
    std::vector<uint8_t> pixels(kSize * kSize * 4);
    gvrReadPixels(ctx, fb->image, 0, 0, kSize, kSize, pixels.data());
    const Rgba8 right = fb == layer ? Rgba8{0, 0, 0, 0} : Rgba8{0, 0, 255, 255};
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const Rgba8 want = x < kSize / 2 ? Rgba8{255, 0, 0, 255} : right;
        const Rgba8 got = Pixel(pixels, kSize, x, y);
        ASSERT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b && got.a == want.a)
            << (fb == layer ? "layer" : "target") << " at " << x << ", " << y << ": " << got.r << " " << got.g << " "
            << got.b << " " << got.a;
      }
    }
  }
  gvrBindFramebuffer(nullptr);
  gvrDeleteFramebuffer(layer);
  gvrDeleteFramebuffer(target);
}

// Uploading an image's pixels waits for nothing on the GPU either: with the GPU held busy, an image is made from
// pixels (all red) and then updated whole (left half green, right half blue, the caller's buffer overwritten at once)
// and drawn over a framebuffer, each returning at once; once the GPU is let go the framebuffer shows the update.
TEST_F(GVRTest, AnImageMadeAndUpdatedMidFrameIsDrawnWithoutWaitingForTheGpu) {
  VRcontext* ctx = Context(GVR_TRIPLE_BUFFER);
  ASSERT_NE(ctx, nullptr);
  constexpr int kSize = 16;
  GVRframebuffer* target = gvrCreateFramebuffer(ctx, kSize, kSize, 0);
  ASSERT_NE(target, nullptr);
  {
    platform::gpu::test::QueueHold hold(*mDevice->Core());
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> pixels(kSize * kSize * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) std::memcpy(&pixels[i], "\xff\x00\x00\xff", 4);
    const int image = vrCreateImageRGBA(ctx, kSize, kSize, VR_IMAGE_PREMULTIPLIED, pixels.data());
    ASSERT_GT(image, 0);
    for (size_t i = 0; i < pixels.size(); i += 4)
      std::memcpy(&pixels[i], (i / 4) % kSize < kSize / 2 ? "\x00\xff\x00\xff" : "\x00\x00\xff\xff", 4);
    vrUpdateImage(ctx, image, pixels.data());
    std::fill(pixels.begin(), pixels.end(), 0);
    gvrBindFramebuffer(target);
    vrBeginFrame(ctx, kSize, kSize, 1);
    vrBeginPath(ctx);
    vrRect(ctx, 0, 0, kSize, kSize);
    vrFillPaint(ctx, vrImagePattern(ctx, 0, 0, kSize, kSize, 0, image, 1));
    vrFill(ctx);
    vrEndFrame(ctx);
    EXPECT_LT(SecondsSince(start), 5.0);
  }
  std::vector<uint8_t> pixels(kSize * kSize * 4);
  gvrReadPixels(ctx, target->image, 0, 0, kSize, kSize, pixels.data());
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const Rgba8 got = Pixel(pixels, kSize, x, y);
      const bool left = x < kSize / 2;
      ASSERT_TRUE(got.r == 0 && got.g == (left ? 255 : 0) && got.b == (left ? 0 : 255) && got.a == 255)
          << x << ", " << y << ": " << got.r << " " << got.g << " " << got.b << " " << got.a;
    }
  }
  gvrBindFramebuffer(nullptr);
  gvrDeleteFramebuffer(target);
}

// Frames begun and never ended, frames of no size, and deletion with frames in flight neither block nor leak.
TEST_F(GVRTest, UnfinishedFramesAndDeletionInFlightAreSafe) {
  VRcontext* single = Context(GVR_ANTIALIAS);
  ASSERT_NE(single, nullptr);
  for (int i = 0; i < 3; ++i) vrBeginFrame(single, 32, 32, 1);  // one buffer set: a second begin must not wait
  vrEndFrame(single);
  vrBeginFrame(single, -5, 1e30f, 1);
  vrEndFrame(single);
  EXPECT_EQ(gvrBackend(single)->semaphore->Count(), 1);

  VRcontext* ctx = gvrCreateContext(&mLayer, GVR_ANTIALIAS | GVR_TRIPLE_BUFFER);
  ASSERT_NE(ctx, nullptr);
  GVRframebuffer* fb = gvrCreateFramebuffer(ctx, 256, 256, 0);
  gvrBindFramebuffer(fb);
  for (int frame = 0; frame < 5; ++frame) {
    vrBeginFrame(ctx, 256, 256, 1);
    for (int i = 0; i < 50; ++i) {
      vrBeginPath(ctx);
      vrCircle(ctx, 128, 128, 20.0f + i * 2);
      vrStroke(ctx);
    }
    vrEndFrame(ctx);
  }
  gvrDeleteFramebuffer(fb);
  gvrDeleteContext(ctx);
  EXPECT_EQ(gvrBoundFramebuffer(), nullptr);
}

// A frame larger than the device's largest viewport (16,384 pixels a side on the CPU device) is drawn through that
// one: the square (10, 10)-(20, 20) in points covers pixels 10 r to 20 r at pixel ratio r in a 64 x 64 framebuffer,
// whatever the frame's size, and no command goes beyond the device's limits (the fixture counts validation
// messages). A frame beyond 2^24 pixels a side is not drawn.
TEST_F(GVRTest, FramesBeyondTheLargestViewportAreDrawnThroughIt) {
  VRcontext* ctx = Context(GVR_TRIPLE_BUFFER);  // no fringes: edges on pixel boundaries are exact
  ASSERT_NE(ctx, nullptr);
  constexpr int kTarget = 64;
  GVRframebuffer* fb = gvrCreateFramebuffer(ctx, kTarget, kTarget, 0);
  ASSERT_NE(fb, nullptr);
  ASSERT_GT(fb->image, 0);
  gvrBindFramebuffer(fb);
  struct Row {
    float width, height, ratio;
    bool drawn;
  } rows[] = {
      {64, 64, 1, true},       {16384, 16384, 1, true}, {40000, 64, 1, true}, {64, 40000, 1, true},
      {70000, 70000, 1, true}, {20000, 30000, 2, true}, {2e7f, 64, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << " x " << row.height << " at " << row.ratio);
    gvrClearWithColor(ctx, vrRGBAf(0, 0, 0, 0));
    vrBeginFrame(ctx, kTarget, kTarget, 1);
    vrEndFrame(ctx);
    vrBeginFrame(ctx, row.width, row.height, row.ratio);
    vrBeginPath(ctx);
    vrRect(ctx, 10, 10, 10, 10);
    vrFillColor(ctx, vrRGBA(0, 255, 0, 255));
    vrFill(ctx);
    vrEndFrame(ctx);
    std::vector<uint8_t> pixels(kTarget * kTarget * 4);
    gvrReadPixels(ctx, fb->image, 0, 0, kTarget, kTarget, pixels.data());
    int wrong = 0;
    const float from = 10 * row.ratio, to = 20 * row.ratio;
    for (int y = 0; y < kTarget; ++y)
      for (int x = 0; x < kTarget; ++x) {
        const bool inside = row.drawn && x >= from && x < to && y >= from && y < to;
        wrong += Pixel(pixels, kTarget, x, y).g != (inside ? 255 : 0);
      }
    EXPECT_EQ(wrong, 0);
  }
  gvrBindFramebuffer(nullptr);
  gvrDeleteFramebuffer(fb);
}

// The layer handle a view passes is the layer record itself; the entry functions' version is 1.
TEST_F(GVRTest, LayerHandleIsTheLayerRecordAndTheInterfaceVersionIsOne) {
  EXPECT_EQ(gvrLayerHandle(&mLayer), &mLayer);
  EXPECT_EQ(gvrLayerHandle(nullptr), nullptr);
  EXPECT_EQ(gvrInterfaceVersion(), 1);
  VRcontext* ctx = gvrCreateContext(gvrLayerHandle(&mLayer), GVR_ANTIALIAS);
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(gvrDevice(ctx), mDevice);
  gvrDeleteContext(ctx);
}

// What the back end cannot hold is refused before anything is touched: no framebuffer on a null context (it would be
// read through), and no call whose vertices would take more than INT_MAX bytes (the sets' sizes and offsets are
// ints): that call is dropped without its vertices being read, and the frame goes on recording.
// Fills, strokes and triangle lists with nothing to draw record no call (the GPU would draw nothing for them), and
// calls outside a frame, with no buffer set to record into, record nothing and leave the next frame as it would be.
TEST_F(GVRTest, CallsOutsideAFrameOrWithNothingToDrawRecordNothing) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  VRpaint paint{};
  vrTransformIdentity(paint.xform);
  paint.innerColor = paint.outerColor = vrRGBA(0, 255, 0, 255);
  VRscissor scissor{};
  vrTransformIdentity(scissor.xform);
  scissor.extent[0] = scissor.extent[1] = -1.0f;
  const VRcompositeOperationState op{VR_ONE, VR_ONE_MINUS_SRC_ALPHA, VR_ONE, VR_ONE_MINUS_SRC_ALPHA};
  const float bounds[4] = {0, 0, 8, 8};
  const VRvertex triangle[3] = {{1, 1, 0.5f, 1}, {9, 1, 0.5f, 1}, {1, 9, 0.5f, 1}};
  const auto record = [&](int npaths, int nverts) {
    backend->renderFill(&paint, op, &scissor, 1.0f, bounds, nullptr, npaths);
    backend->renderStroke(&paint, op, &scissor, 1.0f, 2.0f, nullptr, npaths);
    backend->renderTriangles(&paint, op, &scissor, triangle, nverts, 1.0f);
  };
  record(0, 3);  // outside a frame
  EXPECT_EQ(backend->buffers, nullptr);
  vrBeginFrame(ctx, 16, 16, 1);
  ASSERT_NE(backend->buffers, nullptr);
  record(0, 0);
  EXPECT_EQ(backend->buffers->ncalls, 0);
  EXPECT_EQ(backend->buffers->nverts, 0);
  EXPECT_EQ(backend->buffers->nuniforms, 0);
  vrCancelFrame(ctx);
}

TEST_F(GVRTest, NullContextAndGrowthPastIntMaxBytesAreRefused) {
  EXPECT_EQ(gvrCreateFramebuffer(nullptr, 16, 16, 0), nullptr);
  gvrDeleteFramebuffer(nullptr);

  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRcontext* backend = gvrBackend(ctx);
  // The oversized call's vertices: address space that reads as zeros and takes no memory.
  const size_t count = static_cast<size_t>(std::numeric_limits<int>::max()) / sizeof(VRvertex) + 1;
  const size_t bytes = count * sizeof(VRvertex);
  void* reserved = mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(reserved, MAP_FAILED);
  VRpaint paint{};
  vrTransformIdentity(paint.xform);
  paint.innerColor = paint.outerColor = vrRGBA(0, 255, 0, 255);
  VRscissor scissor{};
  vrTransformIdentity(scissor.xform);
  scissor.extent[0] = scissor.extent[1] = -1.0f;
  const VRcompositeOperationState op{VR_ONE, VR_ONE_MINUS_SRC_ALPHA, VR_ONE, VR_ONE_MINUS_SRC_ALPHA};
  const VRvertex first[3] = {{1, 1, 0.5f, 1}, {9, 1, 0.5f, 1}, {1, 9, 0.5f, 1}};
  const VRvertex second[3] = {{20, 20, 0.5f, 1}, {29, 20, 0.5f, 1}, {20, 29, 0.5f, 1}};

  vrBeginFrame(ctx, 32, 32, 1);
  backend->renderTriangles(&paint, op, &scissor, first, 3, 1.0f);
  ASSERT_NE(backend->buffers, nullptr);
  const GVRbuffers& set = *backend->buffers;
  const int capacity = set.cverts;
  backend->renderTriangles(&paint, op, &scissor, static_cast<const VRvertex*>(reserved), static_cast<int>(count), 1.0f);
  EXPECT_EQ(set.ncalls, 1);
  EXPECT_EQ(set.nverts, 3);
  EXPECT_EQ(set.nuniforms, 1);
  EXPECT_EQ(set.cverts, capacity);
  backend->renderTriangles(&paint, op, &scissor, second, 3, 1.0f);
  ASSERT_EQ(set.ncalls, 2);
  EXPECT_EQ(set.calls[1].triangleOffset, 3);
  EXPECT_EQ(set.calls[1].triangleCount, 3);
  EXPECT_EQ(std::memcmp(&set.verts[3], second, sizeof second), 0);
  vrCancelFrame(ctx);
  munmap(reserved, bytes);
}

}  // namespace
