// The entry functions: the context creation that fills the renderer's callbacks, and the framebuffers with their
// process-wide binding.
#include "graphics/vector/MVRBackend.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "graphics/vector/MVRContext.h"

using namespace fx::gfx::gpu;

namespace {

// Shared by every context of the process; main thread only, atomic so that no editor ever sees a torn value.
std::atomic<MVRframebuffer*> gBoundFramebuffer{nullptr};

MVRcontext* Self(void* uptr) {
  return static_cast<MVRcontext*>(uptr);
}

VRparams Params(MVRcontext* object, int flags) {
  VRparams p{};
  p.userPtr = object;
  p.edgeAntiAlias = flags & MVR_ANTIALIAS;
  p.renderCreate = [](void* u) { return Self(u)->renderCreate(); };
  p.renderCreateTexture = [](void* u, int type, int w, int h, int imageFlags, const unsigned char* data) {
    return Self(u)->renderCreateTexture(type, w, h, imageFlags, data);
  };
  p.renderDeleteTexture = [](void* u, int image) { return Self(u)->renderDeleteTexture(image); };
  p.renderUpdateTexture = [](void* u, int image, int x, int y, int w, int h, const unsigned char* data) {
    return Self(u)->renderUpdateTexture(image, x, y, w, h, data);
  };
  p.renderGetTextureSize = [](void* u, int image, int* w, int* h) {
    return Self(u)->renderGetTextureSize(image, w, h);
  };
  p.renderViewport = [](void* u, float width, float height, float ratio) {
    Self(u)->renderViewport(width, height, ratio);
  };
  p.renderCancel = [](void* u) { Self(u)->renderCancel(); };
  p.renderFlush = [](void* u) { Self(u)->renderFlush(); };
  p.renderFill = [](void* u, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor, float fringe,
                    const float* bounds, const VRpath* paths,
                    int npaths) { Self(u)->renderFill(paint, op, scissor, fringe, bounds, paths, npaths); };
  p.renderStroke = [](void* u, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor, float fringe,
                      float strokeWidth, const VRpath* paths,
                      int npaths) { Self(u)->renderStroke(paint, op, scissor, fringe, strokeWidth, paths, npaths); };
  p.renderTriangles = [](void* u, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor,
                         const VRvertex* verts, int nverts,
                         float fringe) { Self(u)->renderTriangles(paint, op, scissor, verts, nverts, fringe); };
  // During creation the object is deleted by mvrCreateContext, which knows whether the renderer was made.
  p.renderDelete = [](void* u) {
    if (!Self(u)->inCreation) delete Self(u);
  };
  return p;
}

}  // namespace

VRcontext* mvrCreateContext(void* layer, int flags) {
  if (layer == nullptr) return nullptr;
  auto* object = new (std::nothrow) MVRcontext(static_cast<VulkanLayer*>(layer), flags);
  if (object == nullptr) return nullptr;
  const VRparams params = Params(object, flags);
  object->inCreation = true;
  VRcontext* ctx = vrCreateContext(&params);
  if (ctx == nullptr) {
    delete object;
    return nullptr;
  }
  object->inCreation = false;
  return ctx;
}

void mvrDeleteContext(VRcontext* ctx) {
  if (ctx == nullptr) return;
  // A binding left to a deleted context would send another context's flush through a dangling pointer.
  MVRframebuffer* bound = gBoundFramebuffer.load();
  if (bound != nullptr && bound->ctx == ctx) gBoundFramebuffer.store(nullptr);
  vrDeleteContext(ctx);
}

void mvrBindFramebuffer(MVRframebuffer* fb) {
  gBoundFramebuffer.store(fb);
}

MVRframebuffer* mvrBoundFramebuffer() {
  return gBoundFramebuffer.load();
}

MVRframebuffer* mvrCreateFramebuffer(VRcontext* ctx, int width, int height, int imageFlags) {
  if (ctx == nullptr) return nullptr;
  auto* fb = static_cast<MVRframebuffer*>(std::malloc(sizeof(MVRframebuffer)));
  if (fb == nullptr) return nullptr;
  fb->ctx = ctx;
  fb->image = ctx->params.renderCreateTexture(ctx->params.userPtr, VR_TEXTURE_RGBA, width, height,
                                              imageFlags | VR_IMAGE_PREMULTIPLIED, nullptr);
  fb->reserved = 0;
  return fb;
}

void mvrDeleteFramebuffer(MVRframebuffer* fb) {
  if (fb == nullptr) return;
  // A deleted framebuffer left bound would be read by the next flush of any context.
  MVRframebuffer* expected = fb;
  gBoundFramebuffer.compare_exchange_strong(expected, nullptr);
  if (fb->image > 0) fb->ctx->params.renderDeleteTexture(fb->ctx->params.userPtr, fb->image);
  std::free(fb);
}

bool mvrPresentFramebuffer(MVRframebuffer* fb) {
  MVRcontext* object = fb != nullptr ? mvrBackend(fb->ctx) : nullptr;
  return object != nullptr && object->presentImage(fb->image);
}

void mvrClearWithColor(VRcontext* ctx, VRcolor color) {
  MVRcontext* object = mvrBackend(ctx);
  if (object == nullptr) return;
  object->clearColor = {static_cast<double>(color.r) * color.a, static_cast<double>(color.g) * color.a,
                        static_cast<double>(color.b) * color.a, static_cast<double>(color.a)};
  object->clearBufferOnFlush = true;
}

void mvrReadPixels(VRcontext* ctx, int image, int x, int y, int width, int height, void* data) {
  MVRcontext* object = mvrBackend(ctx);
  if (object == nullptr || data == nullptr || width <= 0 || height <= 0) return;
  MVRtexture* texture = object->findTexture(image);
  if (texture == nullptr) return;
  std::shared_ptr<platform::gpu::GpuTexture> tex = texture->tex;
  object->waitForFramesDrawingInto(image);
  // Rows of the region's own width: data is sized for the region, not for the whole image.
  const size_t rowBytes = static_cast<size_t>(width) * (texture->type == VR_TEXTURE_ALPHA ? 1 : 4);
  tex->GetBytes(data, rowBytes, {x, y, width, height}, 0);
}

std::shared_ptr<platform::gpu::GpuTexture> mvrImageHandle(VRcontext* ctx, int image) {
  MVRcontext* object = mvrBackend(ctx);
  MVRtexture* texture = object != nullptr ? object->findTexture(image) : nullptr;
  if (texture == nullptr) return nullptr;
  std::shared_ptr<platform::gpu::GpuTexture> tex = texture->tex;
  object->waitForFramesDrawingInto(image);
  return tex;
}

int mvrCreateImageFromHandle(VRcontext* ctx, std::shared_ptr<platform::gpu::GpuTexture> texture, int imageFlags) {
  MVRcontext* object = mvrBackend(ctx);
  return object != nullptr ? object->createImageFromTexture(std::move(texture), imageFlags) : 0;
}

std::shared_ptr<platform::gpu::GpuDevice> mvrDevice(VRcontext* ctx) {
  MVRcontext* object = mvrBackend(ctx);
  return object != nullptr && object->vulkanLayer != nullptr ? object->vulkanLayer->device : nullptr;
}

std::shared_ptr<platform::gpu::GpuCommandQueue> mvrCommandQueue(VRcontext* ctx) {
  MVRcontext* object = mvrBackend(ctx);
  return object != nullptr ? object->commandQueue : nullptr;
}
