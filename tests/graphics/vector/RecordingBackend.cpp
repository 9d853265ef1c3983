#include "tests/graphics/vector/RecordingBackend.h"

namespace {

RecordingBackend* Self(void* uptr) {
  return static_cast<RecordingBackend*>(uptr);
}

std::vector<RecordedPath> CopyPaths(const VRpath* paths, int npaths) {
  std::vector<RecordedPath> copies;
  for (int i = 0; i < npaths; ++i) {
    const VRpath& p = paths[i];
    copies.push_back(
        {p, std::vector<VRvertex>(p.fill, p.fill + p.nfill), std::vector<VRvertex>(p.stroke, p.stroke + p.nstroke)});
  }
  return copies;
}

}  // namespace

VRparams RecordingBackend::Params() {
  VRparams p{};
  p.userPtr = this;
  p.edgeAntiAlias = edgeAntiAlias;
  p.renderCreate = [](void* u) -> int {
    Self(u)->createCalls++;
    return Self(u)->createSucceeds ? 1 : 0;
  };
  p.renderCreateTexture = [](void* u, int type, int w, int h, int flags, const unsigned char* data) -> int {
    if (!Self(u)->textureSucceeds) return 0;
    int id = Self(u)->nextImage++;
    size_t bytes = data != nullptr ? static_cast<size_t>(w * h * (type == VR_TEXTURE_RGBA ? 4 : 1)) : 0;
    Self(u)->textures[id] = {type, w, h, flags, std::vector<unsigned char>(data, data + bytes)};
    return id;
  };
  p.renderDeleteTexture = [](void* u, int image) -> int {
    Self(u)->deletedTextures.push_back(image);
    Self(u)->textures.erase(image);
    return 1;
  };
  p.renderUpdateTexture = [](void* u, int image, int x, int y, int w, int h, const unsigned char*) -> int {
    Self(u)->updates.push_back({image, x, y, w, h});
    return 1;
  };
  p.renderGetTextureSize = [](void* u, int image, int* w, int* h) -> int {
    auto it = Self(u)->textures.find(image);
    if (it == Self(u)->textures.end()) return 0;
    *w = it->second.width;
    *h = it->second.height;
    return 1;
  };
  p.renderViewport = [](void* u, float w, float h, float ratio) {
    Self(u)->viewport[0] = w;
    Self(u)->viewport[1] = h;
    Self(u)->viewport[2] = ratio;
  };
  p.renderCancel = [](void* u) { Self(u)->cancelCalls++; };
  p.renderFlush = [](void* u) { Self(u)->flushCalls++; };
  p.renderFill = [](void* u, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor, float fringe,
                    const float* bounds, const VRpath* paths, int npaths) {
    RecordedDraw d{RecordedDraw::Fill, *paint, op, *scissor, fringe, 0, {}, CopyPaths(paths, npaths), {}};
    std::copy(bounds, bounds + 4, d.bounds);
    Self(u)->draws.push_back(d);
  };
  p.renderStroke = [](void* u, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor, float fringe,
                      float strokeWidth, const VRpath* paths, int npaths) {
    Self(u)->draws.push_back(
        {RecordedDraw::Stroke, *paint, op, *scissor, fringe, strokeWidth, {}, CopyPaths(paths, npaths), {}});
  };
  p.renderTriangles = [](void* u, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor,
                         const VRvertex* verts, int nverts, float fringe) {
    Self(u)->draws.push_back({RecordedDraw::Triangles,
                              *paint,
                              op,
                              *scissor,
                              fringe,
                              0,
                              {},
                              {},
                              std::vector<VRvertex>(verts, verts + nverts)});
  };
  p.renderDelete = [](void* u) { Self(u)->deleteCalls++; };
  return p;
}

RecordingRenderer::RecordingRenderer(int edgeAntiAlias) {
  backend.edgeAntiAlias = edgeAntiAlias;
  VRparams params = backend.Params();
  ctx = vrCreateContext(&params);
}

RecordingRenderer::~RecordingRenderer() {
  vrDeleteContext(ctx);
}
