#include "graphics/vector/VRContext.h"

#include <cmath>
#include <cstring>

#include "graphics/vector/VRMemory.h"

namespace {

VRcompositeOperationState CompositeOperationState(int op) {
  int sfactor, dfactor;
  switch (op) {
    case VR_SOURCE_OVER:
      sfactor = VR_ONE, dfactor = VR_ONE_MINUS_SRC_ALPHA;
      break;
    case VR_SOURCE_IN:
      sfactor = VR_DST_ALPHA, dfactor = VR_ZERO;
      break;
    case VR_SOURCE_OUT:
      sfactor = VR_ONE_MINUS_DST_ALPHA, dfactor = VR_ZERO;
      break;
    case VR_ATOP:
      sfactor = VR_DST_ALPHA, dfactor = VR_ONE_MINUS_SRC_ALPHA;
      break;
    case VR_DESTINATION_OVER:
      sfactor = VR_ONE_MINUS_DST_ALPHA, dfactor = VR_ONE;
      break;
    case VR_DESTINATION_IN:
      sfactor = VR_ZERO, dfactor = VR_SRC_ALPHA;
      break;
    case VR_DESTINATION_OUT:
      sfactor = VR_ZERO, dfactor = VR_ONE_MINUS_SRC_ALPHA;
      break;
    case VR_DESTINATION_ATOP:
      sfactor = VR_ONE_MINUS_DST_ALPHA, dfactor = VR_SRC_ALPHA;
      break;
    case VR_LIGHTER:
      sfactor = VR_ONE, dfactor = VR_ONE;
      break;
    case VR_COPY:
      sfactor = VR_ONE, dfactor = VR_ZERO;
      break;
    case VR_XOR:
      sfactor = VR_ONE_MINUS_DST_ALPHA, dfactor = VR_ONE_MINUS_SRC_ALPHA;
      break;
    default:
      sfactor = VR_ONE, dfactor = VR_ZERO;
      break;
  }
  return {sfactor, dfactor, sfactor, dfactor};
}

void SetDevicePixelRatio(VRcontext* ctx, float ratio) {
  ctx->tessTol = 0.25f / ratio;
  ctx->distTol = 0.01f / ratio;
  ctx->fringeWidth = 1.0f / ratio;
  ctx->devicePxRatio = ratio;
}

VRpathCache* AllocPathCache() {
  auto* c = static_cast<VRpathCache*>(vrCalloc(1, sizeof(VRpathCache)));
  if (c == nullptr) return nullptr;
  c->points = static_cast<VRpoint*>(vrCalloc(VR_INIT_POINTS_SIZE, sizeof(VRpoint)));
  c->paths = static_cast<VRpath*>(vrCalloc(VR_INIT_PATHS_SIZE, sizeof(VRpath)));
  c->verts = static_cast<VRvertex*>(vrCalloc(VR_INIT_VERTS_SIZE, sizeof(VRvertex)));
  c->cpoints = VR_INIT_POINTS_SIZE;
  c->cpaths = VR_INIT_PATHS_SIZE;
  c->cverts = VR_INIT_VERTS_SIZE;
  if (c->points == nullptr || c->paths == nullptr || c->verts == nullptr) {
    vrFree(c->points);
    vrFree(c->paths);
    vrFree(c->verts);
    vrFree(c);
    return nullptr;
  }
  return c;
}

void DeletePathCache(VRpathCache* c) {
  if (c == nullptr) return;
  vrFree(c->points);
  vrFree(c->paths);
  vrFree(c->verts);
  vrFree(c);
}

}  // namespace

VRstate* vrGetState(VRcontext* ctx) {
  return &ctx->states[ctx->nstates - 1];
}

VRcontext* vrCreateContext(const VRparams* params) {
  auto* ctx = static_cast<VRcontext*>(vrCalloc(1, sizeof(VRcontext)));
  if (ctx == nullptr) return nullptr;
  ctx->params = *params;
  // Until renderCreate has run, a failure must not call the back end's renderDelete.
  auto renderDelete = ctx->params.renderDelete;
  ctx->params.renderDelete = nullptr;
  ctx->commands = static_cast<float*>(vrRealloc(nullptr, sizeof(float) * VR_INIT_COMMANDS_SIZE));
  if (ctx->commands == nullptr) goto error;
  ctx->ccommands = VR_INIT_COMMANDS_SIZE;
  ctx->cache = AllocPathCache();
  if (ctx->cache == nullptr) goto error;
  vrSave(ctx);
  vrReset(ctx);
  SetDevicePixelRatio(ctx, 1.0f);
  ctx->params.renderDelete = renderDelete;
  if (ctx->params.renderCreate(ctx->params.userPtr) == 0) goto error;
  {
    FNTparams fontParams{};
    fontParams.width = VR_INIT_FONTIMAGE_SIZE;
    fontParams.height = VR_INIT_FONTIMAGE_SIZE;
    fontParams.flags = FNT_ZERO_TOPLEFT;
    ctx->fs = fntCreateInternal(&fontParams);
    if (ctx->fs == nullptr) goto error;
  }
  ctx->fontImages[0] = ctx->params.renderCreateTexture(ctx->params.userPtr, VR_TEXTURE_ALPHA, VR_INIT_FONTIMAGE_SIZE,
                                                       VR_INIT_FONTIMAGE_SIZE, 0, nullptr);
  if (ctx->fontImages[0] == 0) goto error;
  ctx->fontImageIdx = 0;
  return ctx;

error:
  vrDeleteContext(ctx);
  return nullptr;
}

void vrDeleteContext(VRcontext* ctx) {
  if (ctx == nullptr) return;
  vrFree(ctx->commands);
  DeletePathCache(ctx->cache);
  fntDeleteInternal(ctx->fs);
  for (int& image : ctx->fontImages) {
    if (image != 0) {
      ctx->params.renderDeleteTexture(ctx->params.userPtr, image);
      image = 0;
    }
  }
  if (ctx->params.renderDelete != nullptr) ctx->params.renderDelete(ctx->params.userPtr);
  vrFree(ctx);
}

void vrBeginFrame(VRcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio) {
  // A ratio that is not a positive number would turn every tolerance into NaN or infinity.
  if (!(devicePixelRatio > 0.0f) || !std::isfinite(devicePixelRatio)) devicePixelRatio = 1.0f;
  ctx->nstates = 0;
  vrSave(ctx);
  vrReset(ctx);
  SetDevicePixelRatio(ctx, devicePixelRatio);
  ctx->params.renderViewport(ctx->params.userPtr, windowWidth, windowHeight, devicePixelRatio);
  ctx->drawCallCount = 0;
  ctx->fillTriCount = 0;
  ctx->strokeTriCount = 0;
  ctx->textTriCount = 0;
}

void vrCancelFrame(VRcontext* ctx) {
  ctx->params.renderCancel(ctx->params.userPtr);
}

void vrEndFrame(VRcontext* ctx) {
  ctx->params.renderFlush(ctx->params.userPtr);
  if (ctx->fontImageIdx == 0) return;
  int iw = 0, ih = 0;
  if (ctx->fontImages[ctx->fontImageIdx] == 0) {
    // A growth whose image could not be made: text goes back to the last image there is, with the glyph cache
    // emptied at that image's size, so later frames draw from a real atlas and can try growing it again.
    int last = ctx->fontImageIdx;
    while (last > 0 && ctx->fontImages[last] == 0) --last;
    ctx->params.renderGetTextureSize(ctx->params.userPtr, ctx->fontImages[last], &iw, &ih);
    if (fntResetAtlas(ctx->fs, iw, ih) == 0) return;
    ctx->fontImageIdx = last;
    if (last == 0) return;
  }
  // The atlas grew during the frame: keep the largest image in slot 0 and release the smaller ones. The slots after
  // the current one hold images of earlier frames that this one did not reach: they are kept or released alike, as
  // clearing their slots would leave their images to the back end until the context goes.
  int current = ctx->fontImages[ctx->fontImageIdx];
  ctx->params.renderGetTextureSize(ctx->params.userPtr, current, &iw, &ih);
  int j = 0;
  for (int i = 0; i < VR_MAX_FONTIMAGES; ++i) {
    if (i == ctx->fontImageIdx || ctx->fontImages[i] == 0) continue;
    int nw = 0, nh = 0;
    ctx->params.renderGetTextureSize(ctx->params.userPtr, ctx->fontImages[i], &nw, &nh);
    if (nw < iw || nh < ih)
      ctx->params.renderDeleteTexture(ctx->params.userPtr, ctx->fontImages[i]);
    else
      ctx->fontImages[j++] = ctx->fontImages[i];
  }
  ctx->fontImages[j] = ctx->fontImages[0];
  ctx->fontImages[0] = current;
  ctx->fontImageIdx = 0;
  for (int i = j + 1; i < VR_MAX_FONTIMAGES; ++i) ctx->fontImages[i] = 0;
}

void vrSave(VRcontext* ctx) {
  if (ctx->nstates >= VR_MAX_STATES) return;
  if (ctx->nstates > 0) ctx->states[ctx->nstates] = ctx->states[ctx->nstates - 1];
  ++ctx->nstates;
}

void vrRestore(VRcontext* ctx) {
  if (ctx->nstates <= 1) return;
  --ctx->nstates;
}

void vrReset(VRcontext* ctx) {
  VRstate* state = vrGetState(ctx);
  std::memset(state, 0, sizeof(*state));
  vrFillColor(ctx, vrRGBA(255, 255, 255, 255));
  vrStrokeColor(ctx, vrRGBA(0, 0, 0, 255));
  state->compositeOperation = CompositeOperationState(VR_SOURCE_OVER);
  state->shapeAntiAlias = 1;
  state->strokeWidth = 1.0f;
  state->miterLimit = 10.0f;
  state->lineCap = VR_BUTT;
  state->lineJoin = VR_MITER;
  state->alpha = 1.0f;
  vrTransformIdentity(state->xform);
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
  state->fontSize = 16.0f;
  state->letterSpacing = 0.0f;
  state->lineHeight = 1.0f;
  state->fontBlur = 0.0f;
  state->textAlign = VR_ALIGN_LEFT | VR_ALIGN_BASELINE;
  state->fontId = 0;
}

void vrShapeAntiAlias(VRcontext* ctx, int enabled) {
  vrGetState(ctx)->shapeAntiAlias = enabled;
}
void vrStrokeWidth(VRcontext* ctx, float width) {
  vrGetState(ctx)->strokeWidth = width;
}
void vrMiterLimit(VRcontext* ctx, float limit) {
  vrGetState(ctx)->miterLimit = limit;
}
void vrLineCap(VRcontext* ctx, int cap) {
  vrGetState(ctx)->lineCap = cap;
}
void vrLineJoin(VRcontext* ctx, int join) {
  vrGetState(ctx)->lineJoin = join;
}
void vrGlobalAlpha(VRcontext* ctx, float alpha) {
  vrGetState(ctx)->alpha = alpha;
}

void vrGlobalCompositeOperation(VRcontext* ctx, int op) {
  vrGetState(ctx)->compositeOperation = CompositeOperationState(op);
}

void vrGlobalCompositeBlendFunc(VRcontext* ctx, int sfactor, int dfactor) {
  vrGlobalCompositeBlendFuncSeparate(ctx, sfactor, dfactor, sfactor, dfactor);
}

void vrGlobalCompositeBlendFuncSeparate(VRcontext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha) {
  vrGetState(ctx)->compositeOperation = {srcRGB, dstRGB, srcAlpha, dstAlpha};
}
