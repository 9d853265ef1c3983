#include "tests/graphics/vector/RecordingFramebuffers.h"

#include <cstdint>

namespace {

RecordingFramebuffers sFramebuffers;

int BoundImage() {
  return sFramebuffers.bound != nullptr ? sFramebuffers.bound->image : 0;
}

}  // namespace

int RecordingFramebuffers::Count(const std::string& prefix) const {
  int n = 0;
  for (const std::string& entry : log) n += entry.rfind(prefix, 0) == 0;
  return n;
}

int RecordingFramebuffers::Find(const std::string& entry, int from) const {
  for (int i = from; i < static_cast<int>(log.size()); ++i)
    if (log[i] == entry) return i;
  return -1;
}

RecordingFramebuffers& Framebuffers() {
  return sFramebuffers;
}

void ResetFramebuffers() {
  sFramebuffers = RecordingFramebuffers();
}

VRcontext* gvrCreateContext(void* layer, int flags) {
  if (layer == nullptr) return nullptr;
  sFramebuffers.createFlags = flags;
  VRparams params = static_cast<RecordingBackend*>(layer)->Params();
  params.edgeAntiAlias = flags & GVR_ANTIALIAS;
  // Flushes are logged with the target they draw into.
  params.renderFlush = [](void* uptr) {
    static_cast<RecordingBackend*>(uptr)->flushCalls++;
    sFramebuffers.log.push_back("flush " + std::to_string(BoundImage()));
  };
  return vrCreateContext(&params);
}

void gvrDeleteContext(VRcontext* ctx) {
  vrDeleteContext(ctx);
}

void gvrBindFramebuffer(GVRframebuffer* fb) {
  sFramebuffers.bound = fb;
  sFramebuffers.log.push_back("bind " + std::to_string(BoundImage()));
}

GVRframebuffer* gvrCreateFramebuffer(VRcontext* ctx, int width, int height, int imageFlags) {
  auto* fb = new GVRframebuffer{ctx, 0, 0};
  fb->image = ctx->params.renderCreateTexture(ctx->params.userPtr, VR_TEXTURE_RGBA, width, height,
                                              imageFlags | VR_IMAGE_PREMULTIPLIED, nullptr);
  sFramebuffers.created.push_back(fb->image);
  sFramebuffers.log.push_back("create " + std::to_string(fb->image) + " " + std::to_string(width) + "x" +
                              std::to_string(height));
  return fb;
}

void gvrDeleteFramebuffer(GVRframebuffer* fb) {
  if (fb == nullptr) return;
  if (fb->image > 0) fb->ctx->params.renderDeleteTexture(fb->ctx->params.userPtr, fb->image);
  sFramebuffers.log.push_back("delete " + std::to_string(fb->image));
  if (sFramebuffers.bound == fb) sFramebuffers.bound = nullptr;
  delete fb;
}

// Nothing is presented here: frames end with the main framebuffer drawn as an image, which the log shows.
bool gvrPresentFramebuffer(GVRframebuffer*) {
  return false;
}

void gvrClearWithColor(VRcontext*, VRcolor color) {
  sFramebuffers.log.push_back("clear " + std::to_string(BoundImage()) + (color.a == 0.f ? " transparent" : ""));
}

void gvrReadPixels(VRcontext*, int image, int x, int y, int width, int height, void* data) {
  sFramebuffers.readCalls++;
  sFramebuffers.log.push_back("read " + std::to_string(image) + " " + std::to_string(x) + "," + std::to_string(y) +
                              " " + std::to_string(width) + "x" + std::to_string(height));
  auto* bytes = static_cast<uint8_t*>(data);
  for (int i = 0; i < width * height * 4; ++i) bytes[i] = static_cast<uint8_t>(i % 251);
}
