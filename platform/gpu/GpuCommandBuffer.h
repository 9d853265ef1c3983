// Command queues, command buffers and their encoders. A command buffer records render passes and blit
// work, is committed to its queue, and runs its completion handlers on the device's completion thread
// (never on the committing thread) once the GPU has finished it; until then it keeps alive every buffer,
// texture, sampler, pipeline and drawable it uses.
//
// Threads: one thread records and commits a given command buffer (the main thread in the editor);
// Status, WaitUntilScheduled and WaitUntilCompleted may be called from any thread and the waits block.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gpu/GpuPipeline.h"
#include "platform/gpu/GpuResources.h"
#include "platform/gpu/GpuTypes.h"

namespace platform::gpu {

class GpuCore;
struct GpuFrameSlot;
class GpuCommandBuffer;
class GpuDrawable;

class GpuCommandQueue : public std::enable_shared_from_this<GpuCommandQueue> {
 public:
  explicit GpuCommandQueue(std::shared_ptr<GpuCore> core) : mCore(std::move(core)) {}

  // Recording thread. A new command buffer, ready to record; null with a reason on failure.
  std::shared_ptr<GpuCommandBuffer> CommandBuffer(std::string& reason);
  std::shared_ptr<GpuCommandBuffer> CommandBuffer();

 private:
  friend class GpuCommandBuffer;
  // Enqueued command buffers reach the GPU in the order they were enqueued: a committed buffer waits
  // for every buffer enqueued before it to be committed.
  void Enqueue(GpuCommandBuffer* buffer);
  void CommitInOrder(GpuCommandBuffer* buffer);
  void Forget(GpuCommandBuffer* buffer);

  std::shared_ptr<GpuCore> mCore;
  std::mutex mMutex;
  std::deque<GpuCommandBuffer*> mEnqueued;  // guarded by mMutex
  // Committed buffers still waiting for an earlier one; held so that dropping them cannot lose them.
  std::vector<std::shared_ptr<GpuCommandBuffer>> mWaiting;  // guarded by mMutex
};

enum class GpuCommandBufferStatus { NotEnqueued, Enqueued, Committed, Scheduled, Completed, Error };

struct GpuRenderPassColorAttachment {
  std::shared_ptr<GpuTexture> texture;
  GpuLoadAction loadAction = GpuLoadAction::Load;
  GpuStoreAction storeAction = GpuStoreAction::Store;
  GpuClearColor clearColor;
};

struct GpuRenderPassStencilAttachment {
  std::shared_ptr<GpuTexture> texture;  // null: the pass has no stencil
  GpuLoadAction loadAction = GpuLoadAction::Clear;
  GpuStoreAction storeAction = GpuStoreAction::DontCare;
  uint32_t clearStencil = 0;
};

struct GpuRenderPassDescriptor {
  GpuRenderPassColorAttachment color;
  GpuRenderPassStencilAttachment stencil;
};

struct GpuViewport {
  double originX = 0.0;
  double originY = 0.0;
  double width = 0.0;
  double height = 0.0;
  double znear = 0.0;
  double zfar = 1.0;
};

// Records one render pass. Starts with cull mode None, clockwise front faces, no depth-stencil state
// (stencil test off), stencil reference 0 and the viewport and scissor covering the colour target. Bindings follow
// the shader library's layout: vertex buffer 0 holds the vertices, vertex buffer 1 the vertex uniforms,
// fragment buffer 0 the fragment uniforms, fragment texture and sampler 0 the image.
class GpuRenderEncoder {
 public:
  ~GpuRenderEncoder();
  GpuRenderEncoder(const GpuRenderEncoder&) = delete;
  GpuRenderEncoder& operator=(const GpuRenderEncoder&) = delete;

  // A viewport beyond the device's limits (GpuDevice::MaxViewportSize, its bounds range, depths outside 0..1) or
  // without size is refused: the one in force stays.
  void SetViewport(const GpuViewport& viewport);
  void SetCullMode(GpuCullMode mode);
  void SetFrontFacingWinding(GpuWinding winding);
  void SetStencilReferenceValue(uint32_t value);
  // Only fragments inside the rectangle (pixels, clipped to the target) are drawn; a pass starts with the whole
  // target.
  void SetScissorRect(const GpuRegion& rect);
  void SetRenderPipelineState(std::shared_ptr<GpuRenderPipelineState> pipeline);
  // Null restores the default: no stencil test.
  void SetDepthStencilState(std::shared_ptr<GpuDepthStencilState> state);
  void SetVertexBuffer(std::shared_ptr<GpuBuffer> buffer, size_t offset, int index);
  void SetFragmentBuffer(std::shared_ptr<GpuBuffer> buffer, size_t offset, int index);
  // Moves fragment buffer 0 without rebinding it: the per-draw uniform record.
  void SetFragmentBufferOffset(size_t offset, int index);
  void SetFragmentTexture(std::shared_ptr<GpuTexture> texture, int index);
  void SetFragmentSamplerState(std::shared_ptr<GpuSampler> sampler, int index);

  // Draws with what is bound; a draw without a pipeline, or with an index or binding out of range, is
  // dropped and marks the command buffer failed.
  void DrawPrimitives(GpuPrimitiveType type, uint32_t vertexStart, uint32_t vertexCount);
  void DrawIndexedPrimitives(GpuPrimitiveType type, uint32_t indexCount, std::shared_ptr<GpuBuffer> indexBuffer,
                             size_t indexBufferOffset);  // 32-bit indices
  void EndEncoding();

 private:
  friend class GpuCommandBuffer;
  GpuRenderEncoder(GpuCommandBuffer& owner, VkCommandBuffer commands, int targetWidth, int targetHeight);
  bool PrepareDraw(GpuPrimitiveType type);
  bool PlaceFragmentRecord();
  void ApplyStencil();
  bool WriteDescriptors();

  GpuCommandBuffer& mOwner;
  VkCommandBuffer mCommands;
  const VulkanFunctions& mFn;
  bool mEnded = false;
  int mTargetWidth;
  int mTargetHeight;
  GpuRegion mScissor;

  std::shared_ptr<GpuRenderPipelineState> mPipeline;
  bool mPipelineBound = false;
  std::shared_ptr<GpuDepthStencilState> mStencil;
  bool mStencilDirty = true;
  std::shared_ptr<GpuBuffer> mVertexBuffer;
  size_t mVertexOffset = 0;
  bool mVertexDirty = false;
  std::shared_ptr<GpuBuffer> mVertexUniforms;
  size_t mVertexUniformsOffset = 0;
  std::shared_ptr<GpuBuffer> mFragmentUniforms;
  size_t mFragmentUniformsOffset = 0;
  std::shared_ptr<GpuTexture> mTexture;
  std::shared_ptr<GpuSampler> mSampler;
  // The window of fragment buffer 0 the descriptor set shows: its base (the dynamic offset) and range.
  size_t mWindowBase = 0;
  size_t mWindowRange = 0;
  bool mWindowValid = false;
  uint32_t mRecordIndex = 0;  // of the draw being prepared: its first instance
  bool mDescriptorsDirty = true;
  bool mOffsetDirty = true;
  VkDescriptorSet mSet = VK_NULL_HANDLE;
  GpuPrimitiveType mTopology = GpuPrimitiveType::Triangle;
  bool mTopologySet = false;
};

// Records copies: buffer to texture, texture to texture, mip-level generation, and making a texture's
// contents visible to the CPU.
class GpuBlitEncoder {
 public:
  ~GpuBlitEncoder();
  GpuBlitEncoder(const GpuBlitEncoder&) = delete;
  GpuBlitEncoder& operator=(const GpuBlitEncoder&) = delete;

  // Copies width x height pixels from the buffer (rows bytesPerRow apart, a multiple of the pixel size)
  // to level `level` of the texture at (x, y). Out-of-range copies are dropped and mark the buffer failed.
  void CopyFromBuffer(std::shared_ptr<GpuBuffer> buffer, size_t offset, size_t bytesPerRow,
                      std::shared_ptr<GpuTexture> texture, int level, const GpuRegion& region);
  // Copies level 0 of one colour texture into level 0 of another of the same size: the bytes as they are
  // when the formats match, otherwise each pixel converted (RGBA to BGRA and back). A missing texture,
  // sizes that differ, a stencil texture or a conversion the device cannot do marks the buffer failed.
  void CopyTexture(std::shared_ptr<GpuTexture> source, std::shared_ptr<GpuTexture> destination);
  // Fills levels 1.. of a mipmapped texture from level 0 by linear down-sampling.
  void GenerateMipmaps(std::shared_ptr<GpuTexture> texture);
  // Makes the GPU's writes to the texture visible to later CPU reads.
  void Synchronize(std::shared_ptr<GpuTexture> texture);
  void EndEncoding();

 private:
  friend class GpuCommandBuffer;
  GpuBlitEncoder(GpuCommandBuffer& owner, VkCommandBuffer commands);

  GpuCommandBuffer& mOwner;
  VkCommandBuffer mCommands;
  bool mEnded = false;
};

class GpuCommandBuffer : public std::enable_shared_from_this<GpuCommandBuffer> {
 public:
  using Handler = std::function<void(GpuCommandBuffer&)>;

  ~GpuCommandBuffer();
  GpuCommandBuffer(const GpuCommandBuffer&) = delete;
  GpuCommandBuffer& operator=(const GpuCommandBuffer&) = delete;

  // Recording thread. Reserves this buffer's place in its queue's order.
  void Enqueue();
  // Recording thread, before Commit. Runs on the completion thread after the GPU has finished (or after
  // the buffer failed), in the order added.
  void AddCompletedHandler(Handler handler);
  // Recording thread. One encoder at a time; the previous one must have ended. Null with the buffer
  // marked failed when the pass cannot be made (no colour texture, sizes that differ, a Vulkan failure).
  std::unique_ptr<GpuRenderEncoder> RenderCommandEncoder(const GpuRenderPassDescriptor& pass);
  std::unique_ptr<GpuBlitEncoder> BlitCommandEncoder();
  // Recording thread. Shows the drawable on its layer once this buffer has completed.
  void PresentDrawable(std::shared_ptr<GpuDrawable> drawable);
  // Recording thread. Submits (after earlier enqueued buffers); false when recording failed or Vulkan
  // refused the submission; the completion handlers still run, with status Error.
  bool Commit();

  // Any thread; never waits for the GPU. Records a command buffer of its own with `record` and submits it at once,
  // behind everything submitted before, holding `held` until the GPU has finished it. False with a reason when it
  // could not be submitted.
  static bool SubmitAlone(std::shared_ptr<GpuCore> core, const std::function<void(VkCommandBuffer)>& record,
                          std::vector<std::shared_ptr<const void>> held, std::string& reason);

  // Any thread; block.
  void WaitUntilScheduled();
  void WaitUntilCompleted();
  GpuCommandBufferStatus Status() const { return mStatus.load(std::memory_order_acquire); }
  const std::string& Error() const { return mError; }  // valid once the status is Error

 private:
  friend class GpuCommandQueue;
  friend class GpuCore;
  friend class GpuRenderEncoder;
  friend class GpuBlitEncoder;
  GpuCommandBuffer(std::shared_ptr<GpuCore> core, std::shared_ptr<GpuCommandQueue> queue,
                   std::unique_ptr<GpuFrameSlot> slot);

  void Retain(std::shared_ptr<const void> object) { mRetained.push_back(std::move(object)); }
  void Fail(const std::string& reason);
  void EncoderEnded() { mEncoderOpen = false; }
  // Queue order reached: submit and hand to the completion thread.
  void SubmitNow();
  // Completion thread: waits for the GPU, runs the handlers, releases what the buffer held.
  void FinishAfterGpu();
  void SetStatus(GpuCommandBufferStatus status);
  void Barrier();

  std::shared_ptr<GpuCore> mCore;
  std::shared_ptr<GpuCommandQueue> mQueue;
  std::unique_ptr<GpuFrameSlot> mSlot;
  std::vector<std::shared_ptr<const void>> mRetained;
  std::vector<Handler> mHandlers;
  std::vector<std::shared_ptr<GpuDrawable>> mPresented;
  bool mEncoderOpen = false;
  bool mEnqueued = false;
  bool mCommitted = false;
  bool mSubmitted = false;
  std::string mError;

  mutable std::mutex mStatusMutex;
  std::condition_variable mStatusChanged;
  std::atomic<GpuCommandBufferStatus> mStatus{GpuCommandBufferStatus::NotEnqueued};
};

}  // namespace platform::gpu
