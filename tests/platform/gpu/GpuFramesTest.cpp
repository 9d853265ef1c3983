// Frames in flight: command buffers complete on the device's thread while the main thread records the
// next frame, bounded by a counting semaphore as the renderer's back end bounds its buffer sets; queue
// order, lifetimes that follow the GPU, and the drawable layer's ring and front buffer.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "platform/gpu/GpuDrawableLayer.h"
#include "platform/runloop/Semaphore.h"
#include "tests/platform/gpu/GpuTestDevice.h"

namespace platform::gpu::test {
namespace {

using FramesTest = GpuTest;

struct BufferSet {
  std::shared_ptr<GpuBuffer> vertices;
  std::shared_ptr<GpuBuffer> uniforms;
  std::shared_ptr<GpuBuffer> viewSize;
  std::shared_ptr<GpuTexture> target;
  std::atomic<bool> busy{false};
};

TEST_F(FramesTest, ThousandFramesWithThreeInFlightCompleteOffTheMainThread) {
  constexpr int kFrames = 1000;
  constexpr int kSets = 3;
  BufferSet sets[kSets];
  for (BufferSet& set : sets) {
    set.vertices = Buffer(nullptr, 6 * sizeof(ShaderVertex));
    set.uniforms = Buffer(nullptr, 256);
    set.viewSize = Buffer(nullptr, 16);
    const ShaderViewSize size{8, 8};
    std::memcpy(set.viewSize->Contents(), &size, sizeof size);
    set.target = Texture(GpuPixelFormat::RGBA8Unorm, 8, 8, kTextureUsageRenderTarget | kTextureUsageShaderRead);
  }
  PipelineSpec spec;
  spec.blending = false;
  auto pipeline = Pipeline(spec);
  Semaphore freeSets(kSets);
  std::atomic<int> completed{0}, onMainThread{0}, inFlight{0}, mostInFlight{0}, overwritten{0};
  const std::thread::id mainThread = std::this_thread::get_id();
  int lastSet = 0;

  for (int frame = 0; frame < kFrames; ++frame) {
    freeSets.Wait();
    int s = 0;
    while (sets[s].busy.load()) ++s;  // the semaphore guarantees one is free
    ASSERT_LT(s, kSets);
    BufferSet& set = sets[s];
    set.busy = true;
    lastSet = s;
    const int now = ++inFlight;
    mostInFlight = std::max(mostInFlight.load(), now);

    const std::vector<ShaderVertex> quad = Quad(0, 0, 8, 8);
    std::memcpy(set.vertices->Contents(), quad.data(), quad.size() * sizeof(ShaderVertex));
    const ShaderFragmentUniforms paint = Solid((frame % 256) / 255.0f, 0, 1, 1);
    std::memcpy(set.uniforms->Contents(), &paint, sizeof paint);

    std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
    ASSERT_NE(commands, nullptr);
    commands->AddCompletedHandler([&, s](GpuCommandBuffer& done) {
      if (std::this_thread::get_id() == mainThread) ++onMainThread;
      if (!sets[s].busy.exchange(false)) ++overwritten;
      if (done.Status() == GpuCommandBufferStatus::Completed) ++completed;
      --inFlight;
      freeSets.Signal();
    });
    GpuRenderPassDescriptor pass;
    pass.color.texture = set.target;
    pass.color.loadAction = GpuLoadAction::Clear;
    std::unique_ptr<GpuRenderEncoder> encoder = commands->RenderCommandEncoder(pass);
    ASSERT_NE(encoder, nullptr);
    encoder->SetRenderPipelineState(pipeline);
    encoder->SetVertexBuffer(set.vertices, 0, 0);
    encoder->SetVertexBuffer(set.viewSize, 0, 1);
    encoder->SetFragmentBuffer(set.uniforms, 0, 0);
    encoder->DrawPrimitives(GpuPrimitiveType::Triangle, 0, 6);
    encoder->EndEncoding();
    ASSERT_TRUE(commands->Commit());
  }
  for (int i = 0; i < kSets; ++i) freeSets.Wait();  // every set back: every frame done
  EXPECT_EQ(completed.load(), kFrames);
  EXPECT_EQ(onMainThread.load(), 0);
  EXPECT_EQ(overwritten.load(), 0);
  EXPECT_LE(mostInFlight.load(), kSets);
  uint8_t last[4];
  ASSERT_TRUE(sets[lastSet].target->GetBytes(last, 32, {3, 3, 1, 1}, 0));
  EXPECT_EQ(last[0], (kFrames - 1) % 256);
  EXPECT_EQ(last[2], 255);
}

TEST_F(FramesTest, FramesDrawnOverAndOverLeaveTheDeviceHoldingWhatTheFirstOnesDid) {
  // Each draw binds the other of two records, so that each takes a descriptor set of its own; 300 draws take more
  // than one pool. A frame's sets go back to their pools when its slot records again, whatever their number.
  const int drawsPerFrame[] = {1, 40, 300};
  PipelineSpec spec;
  spec.blending = false;
  auto pipeline = Pipeline(spec);
  auto target = Texture(GpuPixelFormat::RGBA8Unorm, 8, 8, kTextureUsageRenderTarget);
  auto quad = Buffer(Quad(0, 0, 8, 8));
  auto viewSize = Buffer(nullptr, 16);
  const ShaderViewSize size{8, 8};
  std::memcpy(viewSize->Contents(), &size, sizeof size);
  const ShaderFragmentUniforms red = Solid(1, 0, 0, 1), blue = Solid(0, 0, 1, 1);
  const std::shared_ptr<GpuBuffer> records[2] = {Buffer(&red, sizeof red), Buffer(&blue, sizeof blue)};
  for (int draws : drawsPerFrame) {
    const auto frame = [&] {
      std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
      ASSERT_NE(commands, nullptr);
      GpuRenderPassDescriptor pass;
      pass.color.texture = target;
      pass.color.loadAction = GpuLoadAction::Clear;
      std::unique_ptr<GpuRenderEncoder> encoder = commands->RenderCommandEncoder(pass);
      ASSERT_NE(encoder, nullptr);
      encoder->SetRenderPipelineState(pipeline);
      encoder->SetVertexBuffer(quad, 0, 0);
      encoder->SetVertexBuffer(viewSize, 0, 1);
      for (int i = 0; i < draws; ++i) {
        encoder->SetFragmentBuffer(records[i % 2], 0, 0);
        encoder->DrawPrimitives(GpuPrimitiveType::Triangle, 0, 6);
      }
      encoder->EndEncoding();
      ASSERT_TRUE(commands->Commit()) << commands->Error();
      commands->WaitUntilCompleted();
      mDevice->WaitForFramesInFlight();
    };
    for (int i = 0; i < 2; ++i) ASSERT_NO_FATAL_FAILURE(frame());
    const GpuDeviceHoldings first = mDevice->Holdings();
    EXPECT_GE(first.descriptorSets, draws) << "the last frame's sets are counted until their pool is reset";
    for (int i = 0; i < 30; ++i) ASSERT_NO_FATAL_FAILURE(frame());
    const GpuDeviceHoldings later = mDevice->Holdings();
    EXPECT_EQ(later.frameSlots, first.frameSlots) << draws << " draws a frame";
    EXPECT_EQ(later.descriptorPools, first.descriptorPools) << draws << " draws a frame";
    EXPECT_EQ(later.descriptorSets, first.descriptorSets) << draws << " draws a frame";
    EXPECT_EQ(later, first) << draws << " draws a frame";
    uint8_t pixel[4];
    ASSERT_TRUE(target->GetBytes(pixel, 32, {3, 3, 1, 1}, 0));
    EXPECT_EQ(pixel[0], draws % 2 ? 255 : 0) << "the frame's last draw shows";
    EXPECT_EQ(pixel[2], draws % 2 ? 0 : 255) << "the frame's last draw shows";
  }
  // Idle slots released, the device holds nothing of its frames, and the next frame makes what it needs again.
  mDevice->ReleaseIdleFrameSlots();
  const GpuDeviceHoldings released = mDevice->Holdings();
  EXPECT_EQ(released.frameSlots, 0);
  EXPECT_EQ(released.descriptorPools, 0);
  EXPECT_EQ(released.descriptorSets, 0);
  const std::vector<uint8_t> pixels = Render(
      2, 2, {}, false, [&](GpuRenderEncoder& encoder) { DrawTriangles(encoder, pipeline, Quad(0, 0, 2, 2), blue); });
  EXPECT_EQ(Pixel(pixels, 2, 1, 1).b, 255);
}

TEST_F(FramesTest, EnqueuedOrderHoldsWhateverTheCommitOrder) {
  std::shared_ptr<GpuCommandBuffer> first = mQueue->CommandBuffer();
  std::shared_ptr<GpuCommandBuffer> second = mQueue->CommandBuffer();
  first->Enqueue();
  second->Enqueue();
  std::vector<int> order;
  std::mutex orderMutex;
  first->AddCompletedHandler([&](GpuCommandBuffer&) {
    std::lock_guard<std::mutex> lock(orderMutex);
    order.push_back(1);
  });
  second->AddCompletedHandler([&](GpuCommandBuffer&) {
    std::lock_guard<std::mutex> lock(orderMutex);
    order.push_back(2);
  });
  ASSERT_TRUE(second->Commit());
  EXPECT_EQ(second->Status(), GpuCommandBufferStatus::Committed);  // waits for the first
  ASSERT_TRUE(first->Commit());
  second->WaitUntilScheduled();
  EXPECT_NE(second->Status(), GpuCommandBufferStatus::Committed);
  second->WaitUntilCompleted();
  first->WaitUntilCompleted();
  mDevice->WaitForFramesInFlight();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(FramesTest, ResourcesDroppedAfterCommitLiveUntilTheGpuIsDone) {
  // Every reference but the command buffer's goes right after commit, the command buffer's own too;
  // the validation layer would report any object destroyed while in use.
  std::atomic<int> handled{0};
  for (int frame = 0; frame < 20; ++frame) {
    auto pipeline = Pipeline(PipelineSpec{});
    std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
    GpuRenderPassDescriptor pass;
    pass.color.texture = Texture(GpuPixelFormat::RGBA8Unorm, 32, 32, kTextureUsageRenderTarget);
    pass.stencil.texture = Texture(GpuPixelFormat::Stencil8, 32, 32, kTextureUsageRenderTarget);
    pass.color.loadAction = GpuLoadAction::Clear;
    std::unique_ptr<GpuRenderEncoder> encoder = commands->RenderCommandEncoder(pass);
    pass = {};
    PipelineSpec spec;
    spec.stencil = true;
    encoder->SetRenderPipelineState(Pipeline(spec));
    encoder->SetVertexBuffer(Buffer(Quad(0, 0, 32, 32)), 0, 0);
    std::shared_ptr<GpuBuffer> viewSize = Buffer(nullptr, 16);
    const ShaderViewSize size{32, 32};
    std::memcpy(viewSize->Contents(), &size, sizeof size);
    encoder->SetVertexBuffer(viewSize, 0, 1);
    const ShaderFragmentUniforms paint = Solid(1, 1, 1, 1);
    encoder->SetFragmentBuffer(Buffer(&paint, sizeof paint), 0, 0);
    encoder->SetFragmentTexture(Texture(GpuPixelFormat::R8Unorm, 4, 4, kTextureUsageShaderRead), 0);
    encoder->SetFragmentSamplerState(Sampler(GpuSamplerFilter::Linear, GpuSamplerAddressMode::Repeat), 0);
    encoder->DrawPrimitives(GpuPrimitiveType::Triangle, 0, 6);
    encoder->EndEncoding();
    encoder.reset();
    viewSize.reset();
    commands->AddCompletedHandler([&](GpuCommandBuffer&) { ++handled; });
    ASSERT_TRUE(commands->Commit());
    commands.reset();
  }
  mDevice->WaitForFramesInFlight();
  EXPECT_EQ(handled.load(), 20);
}

TEST_F(FramesTest, DeletingADeviceWaitsForItsFramesAndLeavesHeldObjectsUsable) {
  GpuDeviceOptions options;
  options.validation = true;
  options.deviceChoice = "cpu";
  std::string reason;
  std::shared_ptr<GpuDevice> device = GpuDevice::Create(options, reason);
  ASSERT_NE(device, nullptr) << reason;
  std::shared_ptr<GpuCommandQueue> queue = device->NewCommandQueue();
  GpuTextureDescriptor descriptor;
  descriptor.width = descriptor.height = 256;
  descriptor.usage = kTextureUsageRenderTarget;
  std::shared_ptr<GpuTexture> kept = device->NewTexture(descriptor, reason);
  ASSERT_NE(kept, nullptr) << reason;
  std::atomic<int> handled{0};
  for (int i = 0; i < 3; ++i) {
    std::shared_ptr<GpuCommandBuffer> commands = queue->CommandBuffer();
    GpuRenderPassDescriptor pass;
    pass.color.texture = kept;
    pass.color.loadAction = GpuLoadAction::Clear;
    pass.color.clearColor = {0, 0, 1, 1};
    commands->RenderCommandEncoder(pass)->EndEncoding();
    commands->AddCompletedHandler([&](GpuCommandBuffer&) { ++handled; });
    commands->Commit();
  }
  const int messages = device->ValidationMessageCount();
  device.reset();
  EXPECT_EQ(handled.load(), 3);
  EXPECT_EQ(messages, 0);
  uint8_t pixel[4];
  ASSERT_TRUE(kept->GetBytes(pixel, 4, {9, 9, 1, 1}, 0));
  EXPECT_EQ(pixel[2], 255);
  kept.reset();
}

TEST_F(FramesTest, DrawableLayerRingPresentsIntoItsFrontBuffer) {
  GpuDrawableLayer layer(*mDevice);
  layer.SetBounds(20, 10);
  layer.SetContentsScale(2.0);
  EXPECT_EQ(layer.DrawableWidth(), 40);
  EXPECT_EQ(layer.DrawableHeight(), 20);
  std::vector<uint8_t> front;
  int width = 0, height = 0;
  EXPECT_FALSE(layer.ReadFrontBuffer(front, width, height));

  PipelineSpec spec;
  spec.color = GpuPixelFormat::BGRA8Unorm;
  auto pipeline = Pipeline(spec);
  std::shared_ptr<GpuBuffer> viewSize = Buffer(nullptr, 16);
  const ShaderViewSize size{20, 10};  // points: the scale is in the target's size
  std::memcpy(viewSize->Contents(), &size, sizeof size);
  for (int frame = 0; frame < 7; ++frame) {
    std::string reason;
    std::shared_ptr<GpuDrawable> drawable = layer.NextDrawable(reason);
    ASSERT_NE(drawable, nullptr) << reason;
    std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
    GpuRenderPassDescriptor pass;
    pass.color.texture = drawable->Texture();
    pass.color.loadAction = GpuLoadAction::Clear;
    pass.color.clearColor = {0, 0, frame / 10.0, 1};
    std::unique_ptr<GpuRenderEncoder> encoder = commands->RenderCommandEncoder(pass);
    ASSERT_NE(encoder, nullptr) << commands->Error();
    encoder->SetRenderPipelineState(pipeline);
    encoder->SetVertexBuffer(Buffer(Quad(0, 0, 10, 10)), 0, 0);  // the left half, in points
    encoder->SetVertexBuffer(viewSize, 0, 1);
    const ShaderFragmentUniforms red = Solid(1, 0, 0, 1);
    encoder->SetFragmentBuffer(Buffer(&red, sizeof red), 0, 0);
    encoder->DrawPrimitives(GpuPrimitiveType::Triangle, 0, 6);
    encoder->EndEncoding();
    commands->PresentDrawable(drawable);
    ASSERT_TRUE(commands->Commit());
  }
  layer.WaitForFramesInFlight();
  EXPECT_EQ(layer.PresentedCount(), 7);
  ASSERT_TRUE(layer.ReadFrontBuffer(front, width, height));
  ASSERT_EQ(width, 40);
  ASSERT_EQ(height, 20);
  // BGRA: red on the left half, the last frame's clear (blue 0.6) on the right.
  const uint8_t* left = &front[(10 * 40 + 5) * 4];
  const uint8_t* right = &front[(10 * 40 + 30) * 4];
  EXPECT_EQ(left[0], 0);
  EXPECT_EQ(left[2], 255);
  EXPECT_EQ(right[0], 153);
  EXPECT_EQ(right[2], 0);
  EXPECT_EQ(right[3], 255);
  // The same picture read into memory of the caller's with padded rows, the padding left alone; a size other
  // than the front buffer's is refused.
  std::vector<uint8_t> padded(20 * (40 * 4 + 8), 0x77);
  EXPECT_FALSE(layer.ReadFrontBuffer(padded.data(), 40 * 4 + 8, 20, 20));
  ASSERT_TRUE(layer.ReadFrontBuffer(padded.data(), 40 * 4 + 8, 40, 20));
  for (int y = 0; y < 20; ++y) {
    EXPECT_TRUE(std::equal(&front[y * 40 * 4], &front[(y + 1) * 40 * 4], &padded[y * (40 * 4 + 8)])) << "row " << y;
    EXPECT_EQ(padded[y * (40 * 4 + 8) + 40 * 4 + 7], 0x77) << "row " << y;
  }
  // Regions of it, only their bytes read back; a region that leaves the image is refused and reads nothing.
  struct Region {
    GpuRegion region;
    bool read;
  };
  for (const Region& r : {Region{{8, 5, 4, 6}, true}, Region{{39, 19, 1, 1}, true}, Region{{0, 0, 40, 20}, true},
                          Region{{-1, 0, 2, 2}, false}, Region{{38, 0, 3, 1}, false}, Region{{0, 0, 0, 5}, false}}) {
    const GpuRegion& g = r.region;
    const size_t before = layer.BytesReadBack();
    std::vector<uint8_t> part(40 * 20 * 4, 0x77);
    EXPECT_EQ(layer.ReadFrontBuffer(part.data(), 40 * 4, 40, 20, g), r.read) << g.x << "," << g.y;
    if (!r.read) {
      EXPECT_EQ(layer.BytesReadBack(), before);
      continue;
    }
    EXPECT_EQ(layer.BytesReadBack() - before, static_cast<size_t>(g.width) * g.height * 4);
    for (int y = 0; y < g.height; ++y)
      EXPECT_TRUE(std::equal(&front[((g.y + y) * 40 + g.x) * 4], &front[((g.y + y) * 40 + g.x + g.width) * 4],
                             &part[y * 40 * 4]))
          << g.x << "," << g.y << " row " << y;
  }

  // Held drawables are not handed out twice; a dropped one comes back; a new scale means new images.
  std::string reason;
  std::vector<std::shared_ptr<GpuDrawable>> held;
  for (int i = 0; i < GpuDrawableLayer::kImageCount; ++i) held.push_back(layer.NextDrawable(reason));
  for (size_t i = 0; i < held.size(); ++i)
    for (size_t j = i + 1; j < held.size(); ++j) EXPECT_NE(held[i]->Texture(), held[j]->Texture());
  held.pop_back();
  EXPECT_NE(layer.NextDrawable(reason), nullptr) << reason;
  layer.SetContentsScale(1.0);
  std::shared_ptr<GpuDrawable> small = layer.NextDrawable(reason);
  ASSERT_NE(small, nullptr) << reason;
  EXPECT_EQ(small->Texture()->Width(), 20);
  layer.SetBounds(0, 10);
  EXPECT_EQ(layer.NextDrawable(reason), nullptr);
}

}  // namespace
}  // namespace platform::gpu::test
