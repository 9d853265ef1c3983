#include "platform/gpu/GpuCommandBuffer.h"

// Vulkan records are started as `VkThing info{VK_STRUCTURE_TYPE_THING}`, the rest zero by the language.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <algorithm>

#include "platform/gpu/GpuCore.h"
#include "platform/gpu/GpuDrawableLayer.h"
#include "platform/gpu/ShaderInterface.h"

namespace platform::gpu {

namespace {

// Every pass and copy starts after everything before it in the queue has finished writing: the layer
// keeps no per-resource hazard tracking, and a frame's few passes lose nothing by the full barrier.
void FullBarrier(const VulkanFunctions& fn, VkCommandBuffer commands, VkPipelineStageFlags dstStage,
                 VkAccessFlags dstAccess) {
  VkMemoryBarrier barrier{VK_STRUCTURE_TYPE_MEMORY_BARRIER};
  barrier.srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT;
  barrier.dstAccessMask = dstAccess;
  fn.vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, dstStage, 0, 1, &barrier, 0, nullptr, 0,
                          nullptr);
}

VkAttachmentLoadOp LoadOp(GpuLoadAction action) {
  switch (action) {
    case GpuLoadAction::Load:
      return VK_ATTACHMENT_LOAD_OP_LOAD;
    case GpuLoadAction::Clear:
      return VK_ATTACHMENT_LOAD_OP_CLEAR;
    case GpuLoadAction::DontCare:
      break;
  }
  return VK_ATTACHMENT_LOAD_OP_DONT_CARE;
}

VkAttachmentStoreOp StoreOp(GpuStoreAction action) {
  return action == GpuStoreAction::Store ? VK_ATTACHMENT_STORE_OP_STORE : VK_ATTACHMENT_STORE_OP_DONT_CARE;
}

VkCompareOp CompareOp(GpuCompareFunction function) {
  switch (function) {
    case GpuCompareFunction::Never:
      return VK_COMPARE_OP_NEVER;
    case GpuCompareFunction::Less:
      return VK_COMPARE_OP_LESS;
    case GpuCompareFunction::Equal:
      return VK_COMPARE_OP_EQUAL;
    case GpuCompareFunction::LessEqual:
      return VK_COMPARE_OP_LESS_OR_EQUAL;
    case GpuCompareFunction::Greater:
      return VK_COMPARE_OP_GREATER;
    case GpuCompareFunction::NotEqual:
      return VK_COMPARE_OP_NOT_EQUAL;
    case GpuCompareFunction::GreaterEqual:
      return VK_COMPARE_OP_GREATER_OR_EQUAL;
    case GpuCompareFunction::Always:
      break;
  }
  return VK_COMPARE_OP_ALWAYS;
}

VkStencilOp StencilOp(GpuStencilOperation operation) {
  switch (operation) {
    case GpuStencilOperation::Keep:
      return VK_STENCIL_OP_KEEP;
    case GpuStencilOperation::Zero:
      return VK_STENCIL_OP_ZERO;
    case GpuStencilOperation::Replace:
      return VK_STENCIL_OP_REPLACE;
    case GpuStencilOperation::IncrementClamp:
      return VK_STENCIL_OP_INCREMENT_AND_CLAMP;
    case GpuStencilOperation::DecrementClamp:
      return VK_STENCIL_OP_DECREMENT_AND_CLAMP;
    case GpuStencilOperation::Invert:
      return VK_STENCIL_OP_INVERT;
    case GpuStencilOperation::IncrementWrap:
      return VK_STENCIL_OP_INCREMENT_AND_WRAP;
    case GpuStencilOperation::DecrementWrap:
      return VK_STENCIL_OP_DECREMENT_AND_WRAP;
  }
  return VK_STENCIL_OP_KEEP;
}

VkPrimitiveTopology Topology(GpuPrimitiveType type) {
  return type == GpuPrimitiveType::TriangleStrip ? VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP
                                                 : VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
}

bool HasDepthPart(VkFormat format) {
  return format != VK_FORMAT_S8_UINT;
}

// Bytes of vertex uniforms a draw may read: the view size, padded.
constexpr VkDeviceSize kVertexUniformWindow = 16;

}  // namespace

// ---- Queue ----

std::shared_ptr<GpuCommandBuffer> GpuCommandQueue::CommandBuffer(std::string& reason) {
  std::unique_ptr<GpuFrameSlot> slot = mCore->TakeSlot(reason);
  if (!slot) return nullptr;
  return std::shared_ptr<GpuCommandBuffer>(new GpuCommandBuffer(mCore, shared_from_this(), std::move(slot)));
}

std::shared_ptr<GpuCommandBuffer> GpuCommandQueue::CommandBuffer() {
  std::string reason;
  return CommandBuffer(reason);
}

void GpuCommandQueue::Enqueue(GpuCommandBuffer* buffer) {
  std::lock_guard<std::mutex> lock(mMutex);
  mEnqueued.push_back(buffer);
}

void GpuCommandQueue::CommitInOrder(GpuCommandBuffer* buffer) {
  // A committed buffer that must wait for earlier ones keeps itself alive until its turn.
  std::shared_ptr<GpuCommandBuffer> keep = buffer->shared_from_this();
  std::vector<std::shared_ptr<GpuCommandBuffer>> ready;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mWaiting.push_back(std::move(keep));
    while (!mEnqueued.empty() && mEnqueued.front()->mCommitted) {
      GpuCommandBuffer* front = mEnqueued.front();
      mEnqueued.pop_front();
      auto found = std::find_if(mWaiting.begin(), mWaiting.end(),
                                [front](const std::shared_ptr<GpuCommandBuffer>& b) { return b.get() == front; });
      ready.push_back(std::move(*found));
      mWaiting.erase(found);
    }
    // Submitted under the lock so that two committing threads cannot reorder the queue.
    for (auto& next : ready) next->SubmitNow();
  }
}

void GpuCommandQueue::Forget(GpuCommandBuffer* buffer) {
  std::vector<std::shared_ptr<GpuCommandBuffer>> ready;
  std::lock_guard<std::mutex> lock(mMutex);
  mEnqueued.erase(std::remove(mEnqueued.begin(), mEnqueued.end(), buffer), mEnqueued.end());
  // Buffers that waited only for the forgotten one go now.
  while (!mEnqueued.empty() && mEnqueued.front()->mCommitted) {
    GpuCommandBuffer* front = mEnqueued.front();
    mEnqueued.pop_front();
    auto found = std::find_if(mWaiting.begin(), mWaiting.end(),
                              [front](const std::shared_ptr<GpuCommandBuffer>& b) { return b.get() == front; });
    ready.push_back(std::move(*found));
    mWaiting.erase(found);
  }
  for (auto& next : ready) next->SubmitNow();
}

// ---- Command buffer ----

GpuCommandBuffer::GpuCommandBuffer(std::shared_ptr<GpuCore> core, std::shared_ptr<GpuCommandQueue> queue,
                                   std::unique_ptr<GpuFrameSlot> slot)
    : mCore(std::move(core)), mQueue(std::move(queue)), mSlot(std::move(slot)) {}

GpuCommandBuffer::~GpuCommandBuffer() {
  if (!mCommitted && mEnqueued) mQueue->Forget(this);
  mCore->ReturnSlot(std::move(mSlot));
}

void GpuCommandBuffer::Enqueue() {
  if (mEnqueued || mCommitted) return;
  mEnqueued = true;
  mQueue->Enqueue(this);
  SetStatus(GpuCommandBufferStatus::Enqueued);
}

void GpuCommandBuffer::AddCompletedHandler(Handler handler) {
  if (!mCommitted && handler) mHandlers.push_back(std::move(handler));
}

void GpuCommandBuffer::Fail(const std::string& reason) {
  if (mError.empty()) mError = reason;
}

void GpuCommandBuffer::Barrier() {
  FullBarrier(mCore->fn, mSlot->commandBuffer, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT,
              VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT);
}

std::unique_ptr<GpuRenderEncoder> GpuCommandBuffer::RenderCommandEncoder(const GpuRenderPassDescriptor& pass) {
  if (mCommitted) return nullptr;
  if (mEncoderOpen) {
    Fail("a render encoder was asked for while another encoder was open");
    return nullptr;
  }
  const std::shared_ptr<GpuTexture>& color = pass.color.texture;
  const std::shared_ptr<GpuTexture>& stencil = pass.stencil.texture;
  if (!color || !(color->Usage() & kTextureUsageRenderTarget) || BytesPerPixel(color->Format()) == 0) {
    Fail("a render pass needs a colour texture made for rendering");
    return nullptr;
  }
  // The pass renders the colour texture's area: a larger stencil texture is used in its top-left part.
  if (stencil && (stencil->Format() != GpuPixelFormat::Stencil8 || stencil->Width() < color->Width() ||
                  stencil->Height() < color->Height())) {
    Fail("a render pass's stencil texture must be Stencil8 and at least the colour texture's size");
    return nullptr;
  }
  const VulkanFunctions& fn = mCore->fn;
  VkCommandBuffer commands = mSlot->commandBuffer;
  Barrier();
  // A stencil texture's first pass moves it from its undefined start into the general layout, and so does every pass
  // that does not load it (its earlier contents are not wanted): the command buffer of the first pass may never
  // reach the GPU, when its recording fails.
  if (stencil && (stencil->TakeInitialLayout() || pass.stencil.loadAction != GpuLoadAction::Load))
    stencil->RecordToGeneralLayout(commands);

  VkRenderingAttachmentInfo colorInfo{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
  colorInfo.imageView = color->View();
  colorInfo.imageLayout = VK_IMAGE_LAYOUT_GENERAL;
  colorInfo.loadOp = LoadOp(pass.color.loadAction);
  colorInfo.storeOp = StoreOp(pass.color.storeAction);
  colorInfo.clearValue.color.float32[0] = static_cast<float>(pass.color.clearColor.red);
  colorInfo.clearValue.color.float32[1] = static_cast<float>(pass.color.clearColor.green);
  colorInfo.clearValue.color.float32[2] = static_cast<float>(pass.color.clearColor.blue);
  colorInfo.clearValue.color.float32[3] = static_cast<float>(pass.color.clearColor.alpha);

  VkRenderingAttachmentInfo stencilInfo{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
  VkRenderingAttachmentInfo depthInfo{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
  VkRenderingInfo rendering{VK_STRUCTURE_TYPE_RENDERING_INFO};
  rendering.renderArea.extent = {static_cast<uint32_t>(color->Width()), static_cast<uint32_t>(color->Height())};
  rendering.layerCount = 1;
  rendering.colorAttachmentCount = 1;
  rendering.pColorAttachments = &colorInfo;
  if (stencil) {
    stencilInfo.imageView = stencil->View();
    stencilInfo.imageLayout = VK_IMAGE_LAYOUT_GENERAL;
    stencilInfo.loadOp = LoadOp(pass.stencil.loadAction);
    stencilInfo.storeOp = StoreOp(pass.stencil.storeAction);
    stencilInfo.clearValue.depthStencil.stencil = pass.stencil.clearStencil;
    rendering.pStencilAttachment = &stencilInfo;
    if (HasDepthPart(mCore->stencilFormat)) {
      // A combined format's depth part must be attached with it; it is cleared and never tested.
      depthInfo.imageView = stencil->View();
      depthInfo.imageLayout = VK_IMAGE_LAYOUT_GENERAL;
      depthInfo.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
      depthInfo.storeOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
      depthInfo.clearValue.depthStencil.depth = 1.0f;
      rendering.pDepthAttachment = &depthInfo;
    }
    Retain(stencil);
  }
  Retain(color);
  fn.vkCmdBeginRendering(commands, &rendering);
  mEncoderOpen = true;

  std::unique_ptr<GpuRenderEncoder> encoder(new GpuRenderEncoder(*this, commands, color->Width(), color->Height()));
  VkRect2D scissor{{0, 0}, rendering.renderArea.extent};
  fn.vkCmdSetScissor(commands, 0, 1, &scissor);
  encoder->SetViewport({0.0, 0.0, static_cast<double>(color->Width()), static_cast<double>(color->Height()), 0.0, 1.0});
  encoder->SetCullMode(GpuCullMode::None);
  encoder->SetFrontFacingWinding(GpuWinding::Clockwise);
  encoder->SetStencilReferenceValue(0);
  fn.vkCmdSetDepthTestEnable(commands, VK_FALSE);
  fn.vkCmdSetDepthWriteEnable(commands, VK_FALSE);
  fn.vkCmdSetDepthCompareOp(commands, VK_COMPARE_OP_ALWAYS);
  fn.vkCmdSetDepthBoundsTestEnable(commands, VK_FALSE);
  fn.vkCmdSetStencilTestEnable(commands, VK_FALSE);
  fn.vkCmdSetStencilOp(commands, VK_STENCIL_FACE_FRONT_AND_BACK, VK_STENCIL_OP_KEEP, VK_STENCIL_OP_KEEP,
                       VK_STENCIL_OP_KEEP, VK_COMPARE_OP_ALWAYS);
  fn.vkCmdSetStencilCompareMask(commands, VK_STENCIL_FACE_FRONT_AND_BACK, 0xff);
  fn.vkCmdSetStencilWriteMask(commands, VK_STENCIL_FACE_FRONT_AND_BACK, 0xff);
  return encoder;
}

std::unique_ptr<GpuBlitEncoder> GpuCommandBuffer::BlitCommandEncoder() {
  if (mCommitted) return nullptr;
  if (mEncoderOpen) {
    Fail("a blit encoder was asked for while another encoder was open");
    return nullptr;
  }
  Barrier();
  mEncoderOpen = true;
  return std::unique_ptr<GpuBlitEncoder>(new GpuBlitEncoder(*this, mSlot->commandBuffer));
}

void GpuCommandBuffer::PresentDrawable(std::shared_ptr<GpuDrawable> drawable) {
  if (mCommitted || !drawable) return;
  drawable->SchedulePresent();
  mPresented.push_back(std::move(drawable));
}

bool GpuCommandBuffer::Commit() {
  if (mCommitted) return false;
  if (mEncoderOpen) Fail("committed while an encoder was open");
  Enqueue();
  mCommitted = true;
  SetStatus(GpuCommandBufferStatus::Committed);
  const bool recorded = mError.empty();
  mQueue->CommitInOrder(this);
  return recorded;
}

bool GpuCommandBuffer::SubmitAlone(std::shared_ptr<GpuCore> core, const std::function<void(VkCommandBuffer)>& record,
                                   std::vector<std::shared_ptr<const void>> held, std::string& reason) {
  std::unique_ptr<GpuFrameSlot> slot = core->TakeSlot(reason);
  if (!slot) return false;
  record(slot->commandBuffer);
  // Outside any queue's order: committed as it is made.
  std::shared_ptr<GpuCommandBuffer> buffer(new GpuCommandBuffer(core, nullptr, std::move(slot)));
  buffer->mRetained = std::move(held);
  buffer->mCommitted = true;
  buffer->SetStatus(GpuCommandBufferStatus::Committed);
  buffer->SubmitNow();
  if (buffer->Status() != GpuCommandBufferStatus::Error) return true;
  reason = "a submission Vulkan refused";
  return false;
}

void GpuCommandBuffer::SubmitNow() {
  if (mError.empty()) {
    // CPU reads after completion (read-back buffers, synchronised textures) see every write.
    FullBarrier(mCore->fn, mSlot->commandBuffer, VK_PIPELINE_STAGE_HOST_BIT, VK_ACCESS_HOST_READ_BIT);
    const VkResult result = mCore->Submit(*mSlot);
    if (result == VK_SUCCESS) {
      mSubmitted = true;
      // Queued right behind this buffer, so no drawable is handed out again before its copy is queued.
      for (const std::shared_ptr<GpuDrawable>& drawable : mPresented) drawable->PresentToSurface();
    } else {
      Fail(std::string("vkQueueSubmit failed: ") + VulkanResultName(result));
    }
  }
  if (mSubmitted) SetStatus(GpuCommandBufferStatus::Scheduled);
  // Without a completion thread (its device is being deleted) the buffer finishes here.
  if (!mCore->Track(shared_from_this())) FinishAfterGpu();
}

void GpuCommandBuffer::FinishAfterGpu() {
  if (mSubmitted) {
    const VkResult result = mCore->fn.vkWaitForFences(mCore->device, 1, &mSlot->fence, VK_TRUE, UINT64_MAX);
    if (result != VK_SUCCESS) Fail(std::string("waiting for the GPU failed: ") + VulkanResultName(result));
  }
  const bool completed = mSubmitted && mError.empty();
  for (const std::shared_ptr<GpuDrawable>& drawable : mPresented) drawable->FinishPresent(completed);
  SetStatus(completed ? GpuCommandBufferStatus::Completed : GpuCommandBufferStatus::Error);
  for (Handler& handler : mHandlers) handler(*this);
  mHandlers.clear();
  mPresented.clear();
  mRetained.clear();
  mCore->ReturnSlot(std::move(mSlot));
}

void GpuCommandBuffer::SetStatus(GpuCommandBufferStatus status) {
  {
    std::lock_guard<std::mutex> lock(mStatusMutex);
    mStatus.store(status, std::memory_order_release);
  }
  mStatusChanged.notify_all();
}

void GpuCommandBuffer::WaitUntilScheduled() {
  std::unique_lock<std::mutex> lock(mStatusMutex);
  mStatusChanged.wait(lock, [this] {
    const GpuCommandBufferStatus status = Status();
    return status == GpuCommandBufferStatus::Scheduled || status == GpuCommandBufferStatus::Completed ||
           status == GpuCommandBufferStatus::Error;
  });
}

void GpuCommandBuffer::WaitUntilCompleted() {
  std::unique_lock<std::mutex> lock(mStatusMutex);
  mStatusChanged.wait(lock, [this] {
    const GpuCommandBufferStatus status = Status();
    return status == GpuCommandBufferStatus::Completed || status == GpuCommandBufferStatus::Error;
  });
}

// ---- Render encoder ----

GpuRenderEncoder::GpuRenderEncoder(GpuCommandBuffer& owner, VkCommandBuffer commands, int targetWidth, int targetHeight)
    : mOwner(owner),
      mCommands(commands),
      mFn(owner.mCore->fn),
      mTargetWidth(targetWidth),
      mTargetHeight(targetHeight),
      mScissor{0, 0, targetWidth, targetHeight} {}

GpuRenderEncoder::~GpuRenderEncoder() {
  EndEncoding();
}

void GpuRenderEncoder::EndEncoding() {
  if (mEnded) return;
  mEnded = true;
  mFn.vkCmdEndRendering(mCommands);
  mOwner.EncoderEnded();
}

void GpuRenderEncoder::SetViewport(const GpuViewport& viewport) {
  if (mEnded) return;
  const VkPhysicalDeviceLimits& limits = mOwner.mCore->properties.limits;
  const double low = limits.viewportBoundsRange[0], high = limits.viewportBoundsRange[1];
  const bool within = viewport.width > 0.0 && viewport.width <= limits.maxViewportDimensions[0] &&
                      viewport.height > 0.0 && viewport.height <= limits.maxViewportDimensions[1] &&
                      viewport.originX >= low && viewport.originX + viewport.width <= high && viewport.originY >= low &&
                      viewport.originY + viewport.height <= high && viewport.znear >= 0.0 && viewport.znear <= 1.0 &&
                      viewport.zfar >= 0.0 && viewport.zfar <= 1.0;
  if (!within) return;
  VkViewport vk{static_cast<float>(viewport.originX), static_cast<float>(viewport.originY),
                static_cast<float>(viewport.width),   static_cast<float>(viewport.height),
                static_cast<float>(viewport.znear),   static_cast<float>(viewport.zfar)};
  mFn.vkCmdSetViewport(mCommands, 0, 1, &vk);
}

void GpuRenderEncoder::SetCullMode(GpuCullMode mode) {
  if (mEnded) return;
  const VkCullModeFlags vk = mode == GpuCullMode::Back    ? VK_CULL_MODE_BACK_BIT
                             : mode == GpuCullMode::Front ? VK_CULL_MODE_FRONT_BIT
                                                          : VK_CULL_MODE_NONE;
  mFn.vkCmdSetCullMode(mCommands, vk);
}

void GpuRenderEncoder::SetFrontFacingWinding(GpuWinding winding) {
  // The shader library keeps images upright (row 0 at the top, as on screen), so a winding seen on
  // screen is the same winding in Vulkan's framebuffer coordinates.
  if (mEnded) return;
  mFn.vkCmdSetFrontFace(
      mCommands, winding == GpuWinding::CounterClockwise ? VK_FRONT_FACE_COUNTER_CLOCKWISE : VK_FRONT_FACE_CLOCKWISE);
}

void GpuRenderEncoder::SetStencilReferenceValue(uint32_t value) {
  if (mEnded) return;
  mFn.vkCmdSetStencilReference(mCommands, VK_STENCIL_FACE_FRONT_AND_BACK, value);
}

void GpuRenderEncoder::SetScissorRect(const GpuRegion& rect) {
  if (mEnded) return;
  const auto clip = [](long long from, long long size, long long low, long long high) {
    return static_cast<int>(std::clamp(from + std::max(size, 0LL), low, high));
  };
  const int x0 = clip(rect.x, 0, 0, mTargetWidth), y0 = clip(rect.y, 0, 0, mTargetHeight);
  const int x1 = clip(rect.x, rect.width, x0, mTargetWidth), y1 = clip(rect.y, rect.height, y0, mTargetHeight);
  const GpuRegion clipped{x0, y0, x1 - x0, y1 - y0};
  if (clipped.x == mScissor.x && clipped.y == mScissor.y && clipped.width == mScissor.width &&
      clipped.height == mScissor.height)
    return;
  mScissor = clipped;
  const VkRect2D vk{{x0, y0}, {static_cast<uint32_t>(x1 - x0), static_cast<uint32_t>(y1 - y0)}};
  mFn.vkCmdSetScissor(mCommands, 0, 1, &vk);
}

void GpuRenderEncoder::SetRenderPipelineState(std::shared_ptr<GpuRenderPipelineState> pipeline) {
  if (mEnded || pipeline == mPipeline) return;
  if (pipeline) mOwner.Retain(pipeline);
  mPipeline = std::move(pipeline);
  mPipelineBound = false;
}

void GpuRenderEncoder::SetDepthStencilState(std::shared_ptr<GpuDepthStencilState> state) {
  if (mEnded || state == mStencil) return;
  mStencil = std::move(state);
  mStencilDirty = true;
}

void GpuRenderEncoder::SetVertexBuffer(std::shared_ptr<GpuBuffer> buffer, size_t offset, int index) {
  if (mEnded) return;
  if (buffer) mOwner.Retain(buffer);
  if (index == 0) {
    mVertexBuffer = std::move(buffer);
    mVertexOffset = offset;
    mVertexDirty = true;
  } else if (index == 1) {
    mVertexUniforms = std::move(buffer);
    mVertexUniformsOffset = offset;
    mDescriptorsDirty = true;
  } else {
    mOwner.Fail("vertex buffer index out of range");
  }
}

void GpuRenderEncoder::SetFragmentBuffer(std::shared_ptr<GpuBuffer> buffer, size_t offset, int index) {
  if (mEnded) return;
  if (index != 0) {
    mOwner.Fail("fragment buffer index out of range");
    return;
  }
  if (buffer != mFragmentUniforms) {
    if (buffer) mOwner.Retain(buffer);
    mFragmentUniforms = std::move(buffer);
    mWindowValid = false;
  }
  mFragmentUniformsOffset = offset;
}

void GpuRenderEncoder::SetFragmentBufferOffset(size_t offset, int index) {
  if (mEnded) return;
  if (index != 0) {
    mOwner.Fail("fragment buffer index out of range");
    return;
  }
  mFragmentUniformsOffset = offset;
}

void GpuRenderEncoder::SetFragmentTexture(std::shared_ptr<GpuTexture> texture, int index) {
  if (mEnded) return;
  if (index != 0) {
    mOwner.Fail("fragment texture index out of range");
    return;
  }
  if (texture == mTexture) return;
  if (texture && !(texture->Usage() & kTextureUsageShaderRead)) {
    mOwner.Fail("a texture bound for sampling was not made for shader reads");
    return;
  }
  if (texture) mOwner.Retain(texture);
  mTexture = std::move(texture);
  mDescriptorsDirty = true;
}

void GpuRenderEncoder::SetFragmentSamplerState(std::shared_ptr<GpuSampler> sampler, int index) {
  if (mEnded) return;
  if (index != 0) {
    mOwner.Fail("fragment sampler index out of range");
    return;
  }
  if (sampler == mSampler) return;
  if (sampler) mOwner.Retain(sampler);
  mSampler = std::move(sampler);
  mDescriptorsDirty = true;
}

void GpuRenderEncoder::ApplyStencil() {
  if (!mStencil || !mStencil->StencilEnabled()) {
    mFn.vkCmdSetStencilTestEnable(mCommands, VK_FALSE);
    return;
  }
  const GpuDepthStencilDescriptor& d = mStencil->Descriptor();
  const GpuStencilDescriptor untested;
  const std::pair<VkStencilFaceFlags, const GpuStencilDescriptor*> faces[2] = {
      {VK_STENCIL_FACE_FRONT_BIT, d.hasFrontStencil ? &d.front : &untested},
      {VK_STENCIL_FACE_BACK_BIT, d.hasBackStencil ? &d.back : &untested}};
  mFn.vkCmdSetStencilTestEnable(mCommands, VK_TRUE);
  for (const auto& [face, s] : faces) {
    mFn.vkCmdSetStencilOp(mCommands, face, StencilOp(s->stencilFailure), StencilOp(s->depthStencilPass),
                          StencilOp(s->depthFailure), CompareOp(s->compare));
    mFn.vkCmdSetStencilCompareMask(mCommands, face, s->readMask);
    mFn.vkCmdSetStencilWriteMask(mCommands, face, s->writeMask);
  }
}

bool GpuRenderEncoder::WriteDescriptors() {
  GpuCore& core = *mOwner.mCore;
  const VkDeviceSize alignment = core.properties.limits.minUniformBufferOffsetAlignment;
  if (mVertexUniforms && (mVertexUniformsOffset % alignment != 0 ||
                          mVertexUniformsOffset + kVertexUniformWindow > mVertexUniforms->Length())) {
    mOwner.Fail("vertex buffer 1 is too small or misaligned");
    return false;
  }
  mSet = core.AllocateDescriptorSet(*mOwner.mSlot);
  if (!mSet) {
    mOwner.Fail("no descriptor set could be allocated");
    return false;
  }
  VkDescriptorBufferInfo vertexInfo{};
  vertexInfo.buffer = mVertexUniforms ? mVertexUniforms->Handle() : core.placeholderBuffer;
  vertexInfo.offset = mVertexUniforms ? mVertexUniformsOffset : 0;
  vertexInfo.range = kVertexUniformWindow;
  VkDescriptorBufferInfo fragmentInfo{};
  fragmentInfo.buffer = mFragmentUniforms ? mFragmentUniforms->Handle() : core.placeholderBuffer;
  fragmentInfo.range = mWindowRange;
  VkDescriptorImageInfo imageInfo{};
  imageInfo.imageView = mTexture ? mTexture->View() : core.placeholderView;
  imageInfo.imageLayout = VK_IMAGE_LAYOUT_GENERAL;
  VkDescriptorImageInfo samplerInfo{};
  samplerInfo.sampler = mSampler ? mSampler->Handle() : core.placeholderSampler;

  VkWriteDescriptorSet writes[4] = {};
  for (uint32_t i = 0; i < 4; ++i) {
    writes[i].sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
    writes[i].dstSet = mSet;
    writes[i].dstBinding = i;
    writes[i].descriptorCount = 1;
  }
  writes[kBindingVertexUniforms].descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
  writes[kBindingVertexUniforms].pBufferInfo = &vertexInfo;
  writes[kBindingFragmentUniforms].descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC;
  writes[kBindingFragmentUniforms].pBufferInfo = &fragmentInfo;
  writes[kBindingFragmentTexture].descriptorType = VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
  writes[kBindingFragmentTexture].pImageInfo = &imageInfo;
  writes[kBindingFragmentSampler].descriptorType = VK_DESCRIPTOR_TYPE_SAMPLER;
  writes[kBindingFragmentSampler].pImageInfo = &samplerInfo;
  mFn.vkUpdateDescriptorSets(core.device, 4, writes, 0, nullptr);
  return true;
}

bool GpuRenderEncoder::PlaceFragmentRecord() {
  const size_t offset = mFragmentUniformsOffset;
  const size_t length = mFragmentUniforms ? mFragmentUniforms->Length() : kFragmentRecordStride;
  if (offset % mOwner.mCore->properties.limits.minUniformBufferOffsetAlignment != 0 ||
      offset + kFragmentUniformBytes > length) {
    mOwner.Fail("fragment buffer 0's offset is out of range or misaligned");
    return false;
  }
  if (mWindowValid && offset >= mWindowBase && (offset - mWindowBase) % kFragmentRecordStride == 0 &&
      offset - mWindowBase + kFragmentUniformBytes <= mWindowRange)
    return true;
  // A new window starts at the record, or as few records before it as it takes to end inside the
  // buffer, so that the frame's following records fall into it too. Where no whole number of records
  // fits (a buffer end between records), a shorter window starts at the record itself.
  size_t range = std::min(kFragmentWindowBytes, length);
  const size_t back =
      offset + range > length ? (offset + range - length + kFragmentRecordStride - 1) / kFragmentRecordStride : 0;
  size_t base = offset;
  if (back * kFragmentRecordStride <= offset && back * kFragmentRecordStride + kFragmentUniformBytes <= range) {
    base = offset - back * kFragmentRecordStride;
  } else {
    range = std::min(kFragmentWindowBytes, length - offset);
  }
  if (!mWindowValid || range != mWindowRange) mDescriptorsDirty = true;
  mWindowBase = base;
  mWindowRange = range;
  mWindowValid = true;
  mOffsetDirty = true;
  return true;
}

bool GpuRenderEncoder::PrepareDraw(GpuPrimitiveType type) {
  if (mEnded) return false;
  if (!mPipeline) {
    mOwner.Fail("a draw without a render pipeline state");
    return false;
  }
  GpuCore& core = *mOwner.mCore;
  if (!PlaceFragmentRecord()) return false;
  if (!mPipelineBound) {
    mFn.vkCmdBindPipeline(mCommands, VK_PIPELINE_BIND_POINT_GRAPHICS, mPipeline->Handle());
    mPipelineBound = true;
  }
  if (!mTopologySet || type != mTopology) {
    mFn.vkCmdSetPrimitiveTopology(mCommands, Topology(type));
    mTopology = type;
    mTopologySet = true;
  }
  if (mStencilDirty) {
    ApplyStencil();
    mStencilDirty = false;
  }
  if (mDescriptorsDirty) {
    if (!WriteDescriptors()) return false;
    mDescriptorsDirty = false;
    mOffsetDirty = true;
  }
  if (mOffsetDirty) {
    const uint32_t dynamicOffset = static_cast<uint32_t>(mWindowBase);
    mFn.vkCmdBindDescriptorSets(mCommands, VK_PIPELINE_BIND_POINT_GRAPHICS, core.pipelineLayout, 0, 1, &mSet, 1,
                                &dynamicOffset);
    mOffsetDirty = false;
  }
  // The record index travels as the draw's first instance (the vertex function hands it to the fragment
  // function), not as a push constant: on the CPU device any change of fragment state copies the whole shading
  // state once per draw, while draws that differ only in their record then share it.
  mRecordIndex = static_cast<uint32_t>((mFragmentUniformsOffset - mWindowBase) / kFragmentRecordStride);
  if (mVertexDirty && mVertexBuffer) {
    const VkBuffer buffer = mVertexBuffer->Handle();
    const VkDeviceSize offset = mVertexOffset;
    mFn.vkCmdBindVertexBuffers(mCommands, 0, 1, &buffer, &offset);
    mVertexDirty = false;
  }
  return true;
}

void GpuRenderEncoder::DrawPrimitives(GpuPrimitiveType type, uint32_t vertexStart, uint32_t vertexCount) {
  if (vertexCount == 0 || !PrepareDraw(type)) return;
  mFn.vkCmdDraw(mCommands, vertexCount, 1, vertexStart, mRecordIndex);
}

void GpuRenderEncoder::DrawIndexedPrimitives(GpuPrimitiveType type, uint32_t indexCount,
                                             std::shared_ptr<GpuBuffer> indexBuffer, size_t indexBufferOffset) {
  if (indexCount == 0 || mEnded) return;
  if (!indexBuffer || indexBufferOffset % 4 != 0 ||
      indexBufferOffset + static_cast<size_t>(indexCount) * 4 > indexBuffer->Length()) {
    mOwner.Fail("an indexed draw outside its index buffer");
    return;
  }
  if (!PrepareDraw(type)) return;
  mOwner.Retain(indexBuffer);
  mFn.vkCmdBindIndexBuffer(mCommands, indexBuffer->Handle(), indexBufferOffset, VK_INDEX_TYPE_UINT32);
  mFn.vkCmdDrawIndexed(mCommands, indexCount, 1, 0, 0, mRecordIndex);
}

// ---- Blit encoder ----

GpuBlitEncoder::GpuBlitEncoder(GpuCommandBuffer& owner, VkCommandBuffer commands)
    : mOwner(owner), mCommands(commands) {}

GpuBlitEncoder::~GpuBlitEncoder() {
  EndEncoding();
}

void GpuBlitEncoder::EndEncoding() {
  if (mEnded) return;
  mEnded = true;
  mOwner.EncoderEnded();
}

void GpuBlitEncoder::CopyFromBuffer(std::shared_ptr<GpuBuffer> buffer, size_t offset, size_t bytesPerRow,
                                    std::shared_ptr<GpuTexture> texture, int level, const GpuRegion& region) {
  if (mEnded) return;
  const int pixelBytes = texture ? BytesPerPixel(texture->Format()) : 0;
  if (!buffer || pixelBytes == 0 || level < 0 || level >= texture->MipLevelCount() || region.x < 0 || region.y < 0 ||
      region.width <= 0 || region.height <= 0 || region.x + region.width > std::max(1, texture->Width() >> level) ||
      region.y + region.height > std::max(1, texture->Height() >> level) || bytesPerRow % pixelBytes != 0 ||
      bytesPerRow < static_cast<size_t>(region.width) * pixelBytes || offset % pixelBytes != 0 ||
      offset + bytesPerRow * (region.height - 1) + static_cast<size_t>(region.width) * pixelBytes > buffer->Length()) {
    mOwner.Fail("a buffer-to-texture copy out of range");
    return;
  }
  mOwner.Retain(buffer);
  mOwner.Retain(texture);
  VkBufferImageCopy copy{};
  copy.bufferOffset = offset;
  copy.bufferRowLength = static_cast<uint32_t>(bytesPerRow / pixelBytes);
  copy.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, static_cast<uint32_t>(level), 0, 1};
  copy.imageOffset = {region.x, region.y, 0};
  copy.imageExtent = {static_cast<uint32_t>(region.width), static_cast<uint32_t>(region.height), 1};
  mOwner.mCore->fn.vkCmdCopyBufferToImage(mCommands, buffer->Handle(), texture->Image(), VK_IMAGE_LAYOUT_GENERAL, 1,
                                          &copy);
}

void GpuBlitEncoder::CopyTexture(std::shared_ptr<GpuTexture> source, std::shared_ptr<GpuTexture> destination) {
  if (mEnded) return;
  if (!source || !destination || BytesPerPixel(source->Format()) == 0 || BytesPerPixel(destination->Format()) == 0 ||
      source->Width() != destination->Width() || source->Height() != destination->Height()) {
    mOwner.Fail("a texture-to-texture copy between textures that differ in size or are not colour");
    return;
  }
  GpuCore& core = *mOwner.mCore;
  const bool sameFormat = source->Format() == destination->Format();
  if (!sameFormat && (BytesPerPixel(source->Format()) != 4 || BytesPerPixel(destination->Format()) != 4 ||
                      !core.CanBlit(source->Format(), destination->Format()))) {
    mOwner.Fail("a texture-to-texture copy between formats the device cannot convert");
    return;
  }
  mOwner.Retain(source);
  mOwner.Retain(destination);
  // Both live in the general layout, which transfers accept for source and destination alike.
  const VkImageSubresourceLayers level0{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  if (sameFormat) {
    VkImageCopy copy{};
    copy.srcSubresource = level0;
    copy.dstSubresource = level0;
    copy.extent = {static_cast<uint32_t>(source->Width()), static_cast<uint32_t>(source->Height()), 1};
    core.fn.vkCmdCopyImage(mCommands, source->Image(), VK_IMAGE_LAYOUT_GENERAL, destination->Image(),
                           VK_IMAGE_LAYOUT_GENERAL, 1, &copy);
    return;
  }
  // Same size and nearest filtering: every pixel lands on itself, only its channels are reordered.
  VkImageBlit blit{};
  blit.srcSubresource = level0;
  blit.srcOffsets[1] = {source->Width(), source->Height(), 1};
  blit.dstSubresource = level0;
  blit.dstOffsets[1] = {destination->Width(), destination->Height(), 1};
  core.fn.vkCmdBlitImage(mCommands, source->Image(), VK_IMAGE_LAYOUT_GENERAL, destination->Image(),
                         VK_IMAGE_LAYOUT_GENERAL, 1, &blit, VK_FILTER_NEAREST);
}

void GpuBlitEncoder::GenerateMipmaps(std::shared_ptr<GpuTexture> texture) {
  if (mEnded || !texture || BytesPerPixel(texture->Format()) == 0) return;
  mOwner.Retain(texture);
  const VulkanFunctions& fn = mOwner.mCore->fn;
  for (int level = 1; level < texture->MipLevelCount(); ++level) {
    FullBarrier(fn, mCommands, VK_PIPELINE_STAGE_TRANSFER_BIT, VK_ACCESS_TRANSFER_READ_BIT);
    VkImageBlit blit{};
    blit.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, static_cast<uint32_t>(level - 1), 0, 1};
    blit.srcOffsets[1] = {std::max(1, texture->Width() >> (level - 1)), std::max(1, texture->Height() >> (level - 1)),
                          1};
    blit.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, static_cast<uint32_t>(level), 0, 1};
    blit.dstOffsets[1] = {std::max(1, texture->Width() >> level), std::max(1, texture->Height() >> level), 1};
    fn.vkCmdBlitImage(mCommands, texture->Image(), VK_IMAGE_LAYOUT_GENERAL, texture->Image(), VK_IMAGE_LAYOUT_GENERAL,
                      1, &blit, VK_FILTER_LINEAR);
  }
}

void GpuBlitEncoder::Synchronize(std::shared_ptr<GpuTexture> texture) {
  if (mEnded || !texture) return;
  mOwner.Retain(texture);
  FullBarrier(mOwner.mCore->fn, mCommands, VK_PIPELINE_STAGE_HOST_BIT | VK_PIPELINE_STAGE_TRANSFER_BIT,
              VK_ACCESS_HOST_READ_BIT | VK_ACCESS_TRANSFER_READ_BIT);
}

}  // namespace platform::gpu
