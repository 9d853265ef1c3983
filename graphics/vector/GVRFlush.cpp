// Frame submission: the recorded calls of a buffer set replayed into one render pass (a bound framebuffer of this
// context or the layer's next drawable), with the stencil sequences of fills and strokes; then present or
// synchronise, and commit with a completion handler that frees the set.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/vector/GVRContext.h"

using namespace platform::gpu;

namespace fx::gfx::gpu {

namespace {

// One axis of an axis-aligned scissor as the pixels [from, to): the shader's mask on that axis is
// clamp(0.5 - (|m p + offset| - ext) scale) at a pixel centre p (in points), so it is exactly 0 or 1 at every
// centre when both edges lie on pixel boundaries and the ramp is at most a pixel wide. False otherwise.
bool PixelEdges(float m, float offset, float ext, float scale, double pixelsPerPoint, int& from, int& to) {
  constexpr double kEdgeSlack = 1e-3;  // pixels: far below what an 8-bit channel shows
  if (m == 0.0f || !(std::fabs(m) * static_cast<double>(scale) >= pixelsPerPoint * (1.0 - 1e-4))) return false;
  const double a = (-ext - offset) / static_cast<double>(m) * pixelsPerPoint;
  const double b = (ext - offset) / static_cast<double>(m) * pixelsPerPoint;
  const double low = std::min(a, b), high = std::max(a, b);
  const double roundLow = std::round(low), roundHigh = std::round(high);
  if (!(std::fabs(low - roundLow) <= kEdgeSlack && std::fabs(high - roundHigh) <= kEdgeSlack && roundHigh > roundLow))
    return false;
  constexpr double kLimit = 1 << 30;
  from = static_cast<int>(std::clamp(roundLow, -kLimit, kLimit));
  to = static_cast<int>(std::clamp(roundHigh, -kLimit, kLimit));
  return true;
}

void ClearSet(GVRbuffers& set) {
  set.isBusy = 0;
  set.commandBuffer.reset();
  set.image = 0;
  set.ncalls = set.nverts = set.nindexes = set.nuniforms = 0;
}

}  // namespace

void GVRcontext::renderCancel() {
  if (!buffers) return;
  std::shared_ptr<GVRbuffers> set = std::move(buffers);
  {
    std::lock_guard<std::mutex> lock(*setsMutex);
    ClearSet(*set);
  }
  semaphore->Signal();
}

void GVRcontext::renderFlush() {
  if (!buffers) return;
  if (viewPortSize[0] == 0 || viewPortSize[1] == 0 || !buffers->viewSizeBuffer) {
    renderCancel();
    return;
  }

  // The target is chosen before the command buffer is made, so that a frame that cannot be drawn is simply
  // cancelled.
  std::string reason;
  int image = 0;
  std::shared_ptr<GpuTexture> colorTexture;
  std::shared_ptr<GpuDrawable> drawable;
  GVRframebuffer* bound = gvrBoundFramebuffer();
  if (bound != nullptr && bound->ctx != nullptr && bound->ctx->params.userPtr == this) {
    image = bound->image;
    if (GVRtexture* texture = findTexture(image)) colorTexture = texture->tex;
  } else if (vulkanLayer->drawables != nullptr) {
    drawable = vulkanLayer->drawables->NextDrawable(reason);
    checkError(reason, "next drawable");
    if (drawable) colorTexture = drawable->Texture();
  }
  std::shared_ptr<GpuCommandBuffer> commands;
  if (colorTexture && colorTexture->Width() > 0 && colorTexture->Height() > 0) {
    commands = commandQueue->CommandBuffer(reason);
    checkError(reason, "command buffer");
  }
  // The target's own size: a drawable follows its layer's bounds, which may differ from the frame's pixel size
  // for a moment while the editor is resized; the render pass needs the stencil texture of the colour's size.
  if (commands) updateStencilTextureToSize(colorTexture->Width(), colorTexture->Height());
  if (!commands || !buffers->stencilTexture) {
    renderCancel();
    return;
  }

  std::shared_ptr<GVRbuffers> set = buffers;
  commands->Enqueue();
  {
    std::lock_guard<std::mutex> lock(*setsMutex);
    set->commandBuffer = commands;
    set->image = image;
  }
  // Runs on the completion thread, also when the frame failed; it owns what it touches.
  commands->AddCompletedHandler([set, semaphore = semaphore, setsMutex = setsMutex](GpuCommandBuffer&) {
    {
      std::lock_guard<std::mutex> lock(*setsMutex);
      ClearSet(*set);
    }
    semaphore->Signal();
  });

  // A render pass that cannot be made leaves the command buffer failed: committing it still runs the handler,
  // which frees the set, and nothing is drawn.
  if (renderCommandEncoderWithColorTexture(*commands, colorTexture)) {
    for (int i = 0; i < set->ncalls; ++i) {
      const GVRcall& call = set->calls[i];
      // An image deleted after the call was recorded: the call draws nothing.
      if (call.image != 0 && findTexture(call.image) == nullptr) continue;
      updateRenderPipelineStatesForBlend(call.blendFunc, colorTexture->Format());
      const bool scissored = scissorCall(call);
      switch (call.type) {
        case GVR_FILL:
          fill(call, scissored);
          break;
        case GVR_CONVEXFILL:
          convexFill(call, scissored);
          break;
        case GVR_STROKE:
          stroke(call, scissored);
          break;
        case GVR_TRIANGLES:
          triangles(call, scissored);
          break;
        default:
          break;
      }
    }
    renderEncoder->EndEncoding();
    renderEncoder.reset();
  }
  // The layer always presents through its command buffer: there is no presentation inside a transaction.
  if (drawable) commands->PresentDrawable(drawable);
  // A framebuffer image made with mipmaps is sampled through its smaller levels when drawn minified: they are
  // filled from what the frame drew before anything samples them.
  const bool mipmapped = colorTexture->MipLevelCount() > 1;
  if (gvrBoundFramebuffer() != nullptr || mipmapped) {
    if (std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder()) {
      if (mipmapped) blit->GenerateMipmaps(colorTexture);
      if (gvrBoundFramebuffer() != nullptr) blit->Synchronize(colorTexture);
      blit->EndEncoding();
    }
  }
  buffers.reset();
  if (!commands->Commit()) checkError(commands->Error(), "commit");
}

bool GVRcontext::renderCommandEncoderWithColorTexture(GpuCommandBuffer& commands,
                                                      const std::shared_ptr<GpuTexture>& colorTexture) {
  GpuRenderPassDescriptor pass;
  pass.color.texture = colorTexture;
  pass.color.clearColor = clearColor;
  pass.color.loadAction = clearBufferOnFlush ? GpuLoadAction::Clear : GpuLoadAction::Load;
  pass.color.storeAction = GpuStoreAction::Store;
  pass.stencil.texture = buffers->stencilTexture;
  pass.stencil.clearStencil = 0;
  pass.stencil.loadAction = GpuLoadAction::Clear;
  pass.stencil.storeAction = GpuStoreAction::DontCare;
  renderEncoder = commands.RenderCommandEncoder(pass);
  if (!renderEncoder) {
    checkError(commands.Error(), "render pass");
    return false;
  }
  // A clear asked for stays asked for until a pass that carries it is made.
  clearBufferOnFlush = false;
  renderEncoder->SetCullMode(GpuCullMode::Back);
  renderEncoder->SetFrontFacingWinding(GpuWinding::CounterClockwise);
  renderEncoder->SetStencilReferenceValue(0);
  renderEncoder->SetViewport(
      {0.0, 0.0, static_cast<double>(mViewport[0]), static_cast<double>(mViewport[1]), 0.0, 1.0});
  renderEncoder->SetVertexBuffer(buffers->vertBuffer, 0, 0);
  renderEncoder->SetVertexBuffer(buffers->viewSizeBuffer, 0, 1);
  renderEncoder->SetFragmentBuffer(buffers->uniformBuffer, 0, 0);
  return true;
}

GpuRenderPipelineDescriptor GVRcontext::pipelineDescriptor(const GVRblend& blend, GpuPixelFormat pixelFormat) const {
  GpuRenderPipelineDescriptor descriptor;
  descriptor.vertexFunction = vertexFunction;
  descriptor.vertexDescriptor = vertexDescriptor;
  descriptor.colorFormat = pixelFormat;
  descriptor.stencilFormat = GpuPixelFormat::Stencil8;
  descriptor.blendingEnabled = true;
  descriptor.sourceRGB = blend.srcRGB;
  descriptor.sourceAlpha = blend.srcAlpha;
  descriptor.destinationRGB = blend.dstRGB;
  descriptor.destinationAlpha = blend.dstAlpha;
  return descriptor;
}

bool GVRcontext::updateRenderPipelineStatesForBlend(const GVRblend& blend, GpuPixelFormat pixelFormat) {
  if (stencilOnlyPipelineState && pixelFormat == piplelinePixelFormat && blend == blendFunc) return true;
  std::shared_ptr<GpuRenderPipelineState> stencilOnly;
  for (const StencilOnlyPipeline& entry : mStencilOnlyPipelines)
    if (entry.format == pixelFormat) stencilOnly = entry.pipeline;
  if (!stencilOnly) {
    GpuRenderPipelineDescriptor descriptor = pipelineDescriptor(GVRblend{}, pixelFormat);
    descriptor.colorWrites = false;
    std::string reason;
    stencilOnly = device().SharedRenderPipelineState(descriptor, reason);
    checkError(reason, "init pipeline stencil only state");
    // On failure the states in force stay: drawing goes on with them.
    if (!stencilOnly) return false;
    mStencilOnlyPipelines.push_back({pixelFormat, stencilOnly});
  }
  stencilOnlyPipelineState = std::move(stencilOnly);
  blendFunc = blend;
  piplelinePixelFormat = pixelFormat;
  return true;
}

bool GVRcontext::scissorCall(const GVRcall& call) {
  // A scissor that the pass's rectangle gives exactly costs the shader nothing, and fragments outside it are
  // never shaded; every pass of the call (stencil ones too) is cut alike, so the stencil outside stays as it was.
  const GVRfragUniforms& u = *fragUniformAtIndex(call.uniformOffset);
  GpuRegion rect{0, 0, 1 << 30, 1 << 30};  // the whole target: the encoder clips the rectangle to it
  bool exact = false;
  if (FragmentVariantFor(u).scissor && u.scissorMat[1] == 0.0f && u.scissorMat[4] == 0.0f && mViewPoints[0] > 0.0f &&
      mViewPoints[1] > 0.0f) {
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    exact = PixelEdges(u.scissorMat[0], u.scissorMat[8], u.scissorExt[0], u.scissorScale[0],
                       viewPortSize[0] / static_cast<double>(mViewPoints[0]), x0, x1) &&
            PixelEdges(u.scissorMat[5], u.scissorMat[9], u.scissorExt[1], u.scissorScale[1],
                       viewPortSize[1] / static_cast<double>(mViewPoints[1]), y0, y1);
    if (exact) rect = {x0, y0, x1 - x0, y1 - y0};
  }
  renderEncoder->SetScissorRect(rect);
  return exact;
}

void GVRcontext::useShadingPipelineFor(int uniformOffset, bool scissored) {
  ShaderFragmentVariant variant =
      FragmentVariantFor(*fragUniformAtIndex(uniformOffset), mViewPoints[0], mViewPoints[1]);
  if (scissored) variant.scissor = false;
  // Pipelines cost milliseconds to build on some devices: the blends, formats and variants met last stay cached
  // here, so a frame that switches paints or composite operations back and forth looks each up once, and the device
  // keeps them for the contexts after this one, which then build none. A pipeline found moves to the back; the
  // front one, used longest ago, goes when the cache is full (frames in flight hold what they draw with).
  for (auto it = mPipelines.begin(); it != mPipelines.end(); ++it) {
    if (it->variant == variant && it->blend == blendFunc && it->format == piplelinePixelFormat) {
      std::rotate(it, it + 1, mPipelines.end());
      pipelineState = mPipelines.back().pipeline;
      return;
    }
  }
  auto functions = std::find_if(mFragmentVariants.begin(), mFragmentVariants.end(),
                                [&](const VariantFunctions& known) { return known.variant == variant; });
  if (functions == mFragmentVariants.end()) {
    const GpuFunctionConstantValues constants{{kConstantPaint, static_cast<uint32_t>(variant.paint)},
                                              {kConstantScissor, variant.scissor ? 1u : 0u},
                                              {kConstantStrokeDiscard, variant.strokeDiscard ? 1u : 0u}};
    functions = mFragmentVariants.insert(mFragmentVariants.end(),
                                         {variant, std::make_shared<GpuFunction>(vertexFunction, constants),
                                          std::make_shared<GpuFunction>(fragmentFunction, constants)});
  }
  GpuRenderPipelineDescriptor descriptor = pipelineDescriptor(blendFunc, piplelinePixelFormat);
  descriptor.vertexFunction = functions->vertex;
  descriptor.fragmentFunction = functions->fragment;
  std::string reason;
  std::shared_ptr<GpuRenderPipelineState> pipeline = device().SharedRenderPipelineState(descriptor, reason);
  checkError(reason, "init pipeline state");
  // On failure the pipeline in force stays: drawing goes on with it.
  if (!pipeline) return;
  if (mPipelines.size() >= kMaxPipelines) mPipelines.erase(mPipelines.begin());
  mPipelines.push_back({blendFunc, piplelinePixelFormat, variant, pipeline});
  pipelineState = std::move(pipeline);
}

void GVRcontext::updateStencilTextureToSize(int width, int height) {
  std::shared_ptr<GpuTexture>& stencil = buffers->stencilTexture;
  // Only a stencil texture smaller than the target is made again: a larger one serves a pass over the target's area.
  if (stencil && (stencil->Width() < width || stencil->Height() < height)) stencil.reset();
  if (!stencil) {
    GpuTextureDescriptor descriptor;
    descriptor.format = GpuPixelFormat::Stencil8;
    descriptor.width = width;
    descriptor.height = height;
    descriptor.usage = kTextureUsageRenderTarget;
    std::string reason;
    stencil = device().NewTexture(descriptor, reason);
    checkError(reason, "init stencil texture");
  }
}

void GVRcontext::setUniforms(int uniformOffset, int image) {
  renderEncoder->SetFragmentBufferOffset(static_cast<size_t>(uniformOffset), 0);
  const GVRtexture* texture = findTexture(image);
  // Without an image the pseudo texture; it is null, so the GPU layer binds its placeholder texture, which the paint
  // types that sample no image never show.
  renderEncoder->SetFragmentTexture(texture != nullptr ? texture->tex : pseudoTexture, 0);
  renderEncoder->SetFragmentSamplerState(texture != nullptr && texture->sampler ? texture->sampler : pseudoSampler, 0);
}

void GVRcontext::convexFill(const GVRcall& call, bool scissored) {
  setUniforms(call.uniformOffset, call.image);
  useShadingPipelineFor(call.uniformOffset, scissored);
  renderEncoder->SetRenderPipelineState(pipelineState);
  if (call.indexCount > 0)
    renderEncoder->DrawIndexedPrimitives(GpuPrimitiveType::Triangle, static_cast<uint32_t>(call.indexCount),
                                         buffers->indexBuffer, static_cast<size_t>(call.indexOffset) * indexSize);
  if (call.strokeCount > 0)
    renderEncoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, static_cast<uint32_t>(call.strokeOffset),
                                  static_cast<uint32_t>(call.strokeCount));
}

void GVRcontext::fill(const GVRcall& call, bool scissored) {
  // The shapes count windings in the stencil (front faces up, back faces down), colour writes off.
  renderEncoder->SetCullMode(GpuCullMode::None);
  renderEncoder->SetDepthStencilState(fillShapeStencilState);
  renderEncoder->SetRenderPipelineState(stencilOnlyPipelineState);
  if (call.indexCount > 0)
    renderEncoder->DrawIndexedPrimitives(GpuPrimitiveType::Triangle, static_cast<uint32_t>(call.indexCount),
                                         buffers->indexBuffer, static_cast<size_t>(call.indexOffset) * indexSize);
  renderEncoder->SetCullMode(GpuCullMode::Back);
  useShadingPipelineFor(call.uniformOffset, scissored);
  renderEncoder->SetRenderPipelineState(pipelineState);
  setUniforms(call.uniformOffset, call.image);
  // The fringe where the stencil is still 0 (outside the shape), then the cover quad where it is not 0, which
  // also zeroes the stencil for the next fill.
  if ((flags & GVR_ANTIALIAS) && call.strokeCount >= 1) {
    renderEncoder->SetDepthStencilState(fillAntiAliasStencilState);
    renderEncoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, static_cast<uint32_t>(call.strokeOffset),
                                  static_cast<uint32_t>(call.strokeCount));
  }
  renderEncoder->SetDepthStencilState(fillStencilState);
  renderEncoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, static_cast<uint32_t>(call.triangleOffset),
                                static_cast<uint32_t>(call.triangleCount));
  renderEncoder->SetDepthStencilState(defaultStencilState);
}

void GVRcontext::stroke(const GVRcall& call, bool scissored) {
  if (call.strokeCount < 1) return;
  const auto offset = static_cast<uint32_t>(call.strokeOffset);
  const auto count = static_cast<uint32_t>(call.strokeCount);
  if (flags & GVR_STENCIL_STROKES) {
    // Fill the stroke's core once where the stencil is 0 and mark it, add the anti-aliased edge where it is still
    // unmarked, then clear the marks.
    setUniforms(call.uniformOffset + fragSize, call.image);
    renderEncoder->SetDepthStencilState(strokeShapeStencilState);
    useShadingPipelineFor(call.uniformOffset + fragSize, scissored);
    renderEncoder->SetRenderPipelineState(pipelineState);
    renderEncoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, offset, count);
    setUniforms(call.uniformOffset, call.image);
    renderEncoder->SetDepthStencilState(strokeAntiAliasStencilState);
    useShadingPipelineFor(call.uniformOffset, scissored);
    renderEncoder->SetRenderPipelineState(pipelineState);
    renderEncoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, offset, count);
    renderEncoder->SetDepthStencilState(strokeClearStencilState);
    renderEncoder->SetRenderPipelineState(stencilOnlyPipelineState);
    renderEncoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, offset, count);
    renderEncoder->SetDepthStencilState(defaultStencilState);
  } else {
    setUniforms(call.uniformOffset, call.image);
    useShadingPipelineFor(call.uniformOffset, scissored);
    renderEncoder->SetRenderPipelineState(pipelineState);
    renderEncoder->DrawPrimitives(GpuPrimitiveType::TriangleStrip, offset, count);
  }
}

void GVRcontext::triangles(const GVRcall& call, bool scissored) {
  setUniforms(call.uniformOffset, call.image);
  useShadingPipelineFor(call.uniformOffset, scissored);
  renderEncoder->SetRenderPipelineState(pipelineState);
  renderEncoder->DrawPrimitives(GpuPrimitiveType::Triangle, static_cast<uint32_t>(call.triangleOffset),
                                static_cast<uint32_t>(call.triangleCount));
}

}  // namespace fx::gfx::gpu
