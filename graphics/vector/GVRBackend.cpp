// The entry functions: the context creation that fills the renderer's callbacks, and the framebuffers with their
// binding on each thread.
#include "graphics/vector/GVRBackend.h"

#include <cstdlib>
#include <new>

#include "graphics/vector/GVRContext.h"

using namespace fx::gfx::gpu;

namespace {

// Every context's binding on this thread. An editor binds and flushes on its own thread, and the editors of other
// plug-in instances, opened on other host threads, draw at the same time: one binding for the whole process would
// send each one's flush into whatever another had bound last.
thread_local GVRframebuffer* tBoundFramebuffer = nullptr;

GVRcontext* Self(void* uptr) {
  return static_cast<GVRcontext*>(uptr);
}

VRparams Params(GVRcontext* object, int flags) {
  VRparams p{};
  p.userPtr = object;
  p.edgeAntiAlias = flags & GVR_ANTIALIAS;
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
  // During creation the object is deleted by gvrCreateContext, which knows whether the renderer was made.
  p.renderDelete = [](void* u) {
    if (!Self(u)->inCreation) delete Self(u);
  };
  return p;
}

}  // namespace

VRcontext* gvrCreateContext(void* layer, int flags) {
  if (layer == nullptr) return nullptr;
  auto* object = new (std::nothrow) GVRcontext(static_cast<VulkanLayer*>(layer), flags);
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

void gvrDeleteContext(VRcontext* ctx) {
  if (ctx == nullptr) return;
  // A binding left to a deleted context would send another context's flush through a dangling pointer.
  if (tBoundFramebuffer != nullptr && tBoundFramebuffer->ctx == ctx) tBoundFramebuffer = nullptr;
  vrDeleteContext(ctx);
}

void gvrBindFramebuffer(GVRframebuffer* fb) {
  tBoundFramebuffer = fb;
}

GVRframebuffer* gvrBoundFramebuffer() {
  return tBoundFramebuffer;
}

GVRframebuffer* gvrCreateFramebuffer(VRcontext* ctx, int width, int height, int imageFlags) {
  if (ctx == nullptr) return nullptr;
  auto* fb = static_cast<GVRframebuffer*>(std::malloc(sizeof(GVRframebuffer)));
  if (fb == nullptr) return nullptr;
  fb->ctx = ctx;
  fb->image = ctx->params.renderCreateTexture(ctx->params.userPtr, VR_TEXTURE_RGBA, width, height,
                                              imageFlags | VR_IMAGE_PREMULTIPLIED, nullptr);
  fb->reserved = 0;
  return fb;
}

void gvrDeleteFramebuffer(GVRframebuffer* fb) {
  if (fb == nullptr) return;
  // A deleted framebuffer left bound would be read by the next flush of any context on this thread.
  if (tBoundFramebuffer == fb) tBoundFramebuffer = nullptr;
  if (fb->image > 0) fb->ctx->params.renderDeleteTexture(fb->ctx->params.userPtr, fb->image);
  std::free(fb);
}

bool gvrPresentFramebuffer(GVRframebuffer* fb) {
  GVRcontext* object = fb != nullptr ? gvrBackend(fb->ctx) : nullptr;
  return object != nullptr && object->presentImage(fb->image);
}

void gvrClearWithColor(VRcontext* ctx, VRcolor color) {
  GVRcontext* object = gvrBackend(ctx);
  if (object == nullptr) return;
  object->clearColor = {static_cast<double>(color.r) * color.a, static_cast<double>(color.g) * color.a,
                        static_cast<double>(color.b) * color.a, static_cast<double>(color.a)};
  object->clearBufferOnFlush = true;
}

void gvrReadPixels(VRcontext* ctx, int image, int x, int y, int width, int height, void* data) {
  GVRcontext* object = gvrBackend(ctx);
  if (object == nullptr || data == nullptr || width <= 0 || height <= 0) return;
  GVRtexture* texture = object->findTexture(image);
  if (texture == nullptr) return;
  std::shared_ptr<platform::gpu::GpuTexture> tex = texture->tex;
  object->waitForFramesDrawingInto(image);
  // Rows as far apart as the image's rows: the region's first row at data, each next one a whole image row on.
  const size_t rowBytes = static_cast<size_t>(tex->Width()) * (texture->type == VR_TEXTURE_ALPHA ? 1 : 4);
  tex->GetBytes(data, rowBytes, {x, y, width, height}, 0);
}

std::shared_ptr<platform::gpu::GpuTexture> gvrImageHandle(VRcontext* ctx, int image) {
  GVRcontext* object = gvrBackend(ctx);
  GVRtexture* texture = object != nullptr ? object->findTexture(image) : nullptr;
  if (texture == nullptr) return nullptr;
  std::shared_ptr<platform::gpu::GpuTexture> tex = texture->tex;
  object->waitForFramesDrawingInto(image);
  return tex;
}

int gvrCreateImageFromHandle(VRcontext* ctx, std::shared_ptr<platform::gpu::GpuTexture> texture, int imageFlags) {
  GVRcontext* object = gvrBackend(ctx);
  return object != nullptr ? object->createImageFromTexture(std::move(texture), imageFlags) : 0;
}

std::shared_ptr<platform::gpu::GpuDevice> gvrDevice(VRcontext* ctx) {
  GVRcontext* object = gvrBackend(ctx);
  return object != nullptr ? object->Device() : nullptr;
}

std::shared_ptr<platform::gpu::GpuCommandQueue> gvrCommandQueue(VRcontext* ctx) {
  GVRcontext* object = gvrBackend(ctx);
  return object != nullptr ? object->commandQueue : nullptr;
}

void* gvrLayerHandle(void* layer) {
  return layer;
}

int gvrInterfaceVersion() {
  return 1;
}
