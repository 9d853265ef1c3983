// The GPU layer's own barriers, where the validation layer cannot see them: Debian 12's layer (1.3.239) checks the
// synchronisation of copies but does not track the attachments of dynamic rendering, so a pass that starts without
// waiting for the copy before it goes unnoticed there. Here the Vulkan calls of an editor-like frame sequence are
// recorded on their way to the driver and checked against Vulkan's rules for a conflicting access (write after
// write, read after write, write after read): a barrier must lie between the two whose first scope holds the
// earlier access's stage (and, after a write, makes memory writes available) and whose second scope holds the
// later access's stage.
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gpu/GpuCore.h"
#include "tests/platform/gpu/GpuTestDevice.h"

namespace platform::gpu::test {
namespace {

struct Access {
  VkPipelineStageFlags stage;
  bool write;
  int at;  // place in the recorded stream
};

struct Barrier {
  VkPipelineStageFlags srcStages, dstStages;
  VkAccessFlags srcAccess;
  int at;
};

bool Covers(VkPipelineStageFlags scope, VkPipelineStageFlags stage) {
  return (scope & VK_PIPELINE_STAGE_ALL_COMMANDS_BIT) || (scope & stage) == stage;
}

// The recorded stream: accesses per image, barriers, and the hazards found.
class SyncRecorder {
 public:
  std::map<VkImageView, VkImage> viewImages;
  std::map<VkImage, std::string> names;
  std::vector<std::string> hazards;

  void AddBarrier(VkPipelineStageFlags src, VkPipelineStageFlags dst, VkAccessFlags srcAccess) {
    mBarriers.push_back({src, dst, srcAccess, mNext++});
  }

  void AddAccess(VkImage image, VkPipelineStageFlags stage, bool write, const char* command) {
    const Access now{stage, write, mNext++};
    std::vector<Access>& earlier = mAccesses[image];
    for (const Access& before : earlier) {
      if (!before.write && !write) continue;
      if (!Ordered(before, now)) {
        std::ostringstream out;
        out << command << (write ? " writes " : " reads ") << names[image] << " after a "
            << (before.write ? "write" : "read") << " with no barrier between";
        hazards.push_back(out.str());
      }
    }
    // A write makes the earlier accesses matter no more: later ones conflict with it, which is ordered after them.
    if (write) earlier.clear();
    earlier.push_back(now);
  }

 private:
  bool Ordered(const Access& before, const Access& after) const {
    for (const Barrier& b : mBarriers) {
      if (b.at < before.at || b.at > after.at) continue;
      const bool available = !before.write || (b.srcAccess & VK_ACCESS_MEMORY_WRITE_BIT);
      if (Covers(b.srcStages, before.stage) && Covers(b.dstStages, after.stage) && available) return true;
    }
    return false;
  }

  std::map<VkImage, std::vector<Access>> mAccesses;
  std::vector<Barrier> mBarriers;
  int mNext = 0;
};

SyncRecorder* gRecorder = nullptr;
VulkanFunctions gDriver;  // the calls the recorder passes on

VKAPI_ATTR void VKAPI_CALL RecordBarrier(VkCommandBuffer commands, VkPipelineStageFlags src, VkPipelineStageFlags dst,
                                         VkDependencyFlags flags, uint32_t memoryCount, const VkMemoryBarrier* memory,
                                         uint32_t bufferCount, const VkBufferMemoryBarrier* buffers,
                                         uint32_t imageCount, const VkImageMemoryBarrier* images) {
  VkAccessFlags srcAccess = 0;
  for (uint32_t i = 0; i < memoryCount; ++i) srcAccess |= memory[i].srcAccessMask;
  gRecorder->AddBarrier(src, dst, srcAccess);
  gDriver.vkCmdPipelineBarrier(commands, src, dst, flags, memoryCount, memory, bufferCount, buffers, imageCount,
                               images);
}

VKAPI_ATTR void VKAPI_CALL RecordRendering(VkCommandBuffer commands, const VkRenderingInfo* info) {
  // An attachment's load, draws and store count as one write: it conflicts with any access before it.
  for (uint32_t i = 0; i < info->colorAttachmentCount; ++i) {
    gRecorder->AddAccess(gRecorder->viewImages[info->pColorAttachments[i].imageView],
                         VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT, true, "a pass");
  }
  if (info->pStencilAttachment) {
    gRecorder->AddAccess(gRecorder->viewImages[info->pStencilAttachment->imageView],
                         VK_PIPELINE_STAGE_EARLY_FRAGMENT_TESTS_BIT | VK_PIPELINE_STAGE_LATE_FRAGMENT_TESTS_BIT, true,
                         "a pass");
  }
  gDriver.vkCmdBeginRendering(commands, info);
}

VKAPI_ATTR void VKAPI_CALL RecordCopy(VkCommandBuffer commands, VkImage source, VkImageLayout sourceLayout,
                                      VkImage destination, VkImageLayout destinationLayout, uint32_t count,
                                      const VkImageCopy* regions) {
  gRecorder->AddAccess(source, VK_PIPELINE_STAGE_TRANSFER_BIT, false, "a copy");
  gRecorder->AddAccess(destination, VK_PIPELINE_STAGE_TRANSFER_BIT, true, "a copy");
  gDriver.vkCmdCopyImage(commands, source, sourceLayout, destination, destinationLayout, count, regions);
}

VKAPI_ATTR void VKAPI_CALL RecordUpload(VkCommandBuffer commands, VkBuffer source, VkImage destination,
                                        VkImageLayout layout, uint32_t count, const VkBufferImageCopy* regions) {
  gRecorder->AddAccess(destination, VK_PIPELINE_STAGE_TRANSFER_BIT, true, "an upload");
  gDriver.vkCmdCopyBufferToImage(commands, source, destination, layout, count, regions);
}

class BarrierTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    if (HasFatalFailure()) return;
    mCore = mDevice->Core();
    gDriver = mCore->fn;
    gRecorder = &mRecorder;
    mCore->fn.vkCmdPipelineBarrier = &RecordBarrier;
    mCore->fn.vkCmdBeginRendering = &RecordRendering;
    mCore->fn.vkCmdCopyImage = &RecordCopy;
    mCore->fn.vkCmdCopyBufferToImage = &RecordUpload;
  }
  void TearDown() override {
    if (mCore) {
      mDevice->WaitForFramesInFlight();
      mCore->fn = gDriver;
    }
    gRecorder = nullptr;
    GpuTest::TearDown();
  }

  std::shared_ptr<GpuTexture> Named(const char* name, GpuPixelFormat format, unsigned usage) {
    std::shared_ptr<GpuTexture> texture = Texture(format, 16, 16, usage);
    mRecorder.viewImages[texture->View()] = texture->Image();
    mRecorder.names[texture->Image()] = name;
    return texture;
  }

  void Pass(const std::shared_ptr<GpuTexture>& color, const std::shared_ptr<GpuTexture>& stencil, GpuLoadAction load) {
    std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
    GpuRenderPassDescriptor pass;
    pass.color.texture = color;
    pass.color.loadAction = load;
    pass.stencil.texture = stencil;
    std::unique_ptr<GpuRenderEncoder> encoder = commands->RenderCommandEncoder(pass);
    ASSERT_NE(encoder, nullptr);
    encoder->EndEncoding();
    EXPECT_TRUE(commands->Commit()) << commands->Error();
  }

  void Copy(const std::shared_ptr<GpuTexture>& from, const std::shared_ptr<GpuTexture>& to) {
    std::shared_ptr<GpuCommandBuffer> commands = mQueue->CommandBuffer();
    std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder();
    ASSERT_NE(blit, nullptr);
    blit->CopyTexture(from, to);
    blit->EndEncoding();
    EXPECT_TRUE(commands->Commit()) << commands->Error();
  }

  std::shared_ptr<GpuCore> mCore;
  SyncRecorder mRecorder;
};

// Three editor frames without waiting between them: an image uploaded, the main framebuffer drawn (cleared, then
// loaded), copied into a drawable of the ring, and drawn again while the copy may still read it.
TEST_F(BarrierTest, EveryPassAndCopyWaitsForTheConflictingAccessesBeforeIt) {
  const unsigned target = kTextureUsageRenderTarget | kTextureUsageShaderRead;
  std::shared_ptr<GpuTexture> main = Named("the main framebuffer", GpuPixelFormat::BGRA8Unorm, target);
  std::shared_ptr<GpuTexture> stencil = Named("the stencil", GpuPixelFormat::Stencil8, kTextureUsageRenderTarget);
  std::vector<std::shared_ptr<GpuTexture>> ring;
  for (const char* name : {"drawable 0", "drawable 1"}) ring.push_back(Named(name, GpuPixelFormat::BGRA8Unorm, target));
  std::shared_ptr<GpuTexture> picture = Named("a picture", GpuPixelFormat::RGBA8Unorm, kTextureUsageShaderRead);
  const std::vector<uint8_t> pixels(16 * 16 * 4, 200);
  picture->ReplaceRegion({0, 0, 16, 16}, 0, pixels.data(), 16 * 4);
  for (int frame = 0; frame < 3; ++frame) {
    Pass(main, stencil, frame == 0 ? GpuLoadAction::Clear : GpuLoadAction::Load);
    Copy(main, ring[frame % 2]);
  }
  Copy(ring[0], ring[1]);
  EXPECT_TRUE(mRecorder.hazards.empty()) << ::testing::PrintToString(mRecorder.hazards);
}

}  // namespace
}  // namespace platform::gpu::test
