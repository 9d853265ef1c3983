// The renderer context: the record of render callbacks that a back end fills, the frame (begin, cancel, end with the
// trimming of the font atlas images), the stack of 32 render states and the composite operations.
//
// The renderer is a pipeline, one stage per file: path commands stored already transformed (VRPath.cpp) -> flattened
// polylines in the path cache -> fill fans, fringes and stroke strips (VRTessellate.cpp) -> the back end's renderFill
// and renderStroke; text goes from the font manager's glyph quads (FontManager.cpp, FontAtlas.cpp) to renderTriangles
// (VRText.cpp). Paints, transforms and the scissor are values (VRPaint.cpp). The renderer draws nothing itself: every
// pixel reaches the screen through the twelve callbacks of VRparams; rasterising, blending and the GPU are the back
// end's.
//
// All renderer operations are free functions taking the context first; they run on the editor's (main) thread only
// and never block (except the font and image loading that reads files, see VRText.h). Geometry handed to a callback
// lives in the context's path cache and is valid only during the call. Failures are reported by a 0 image id, a -1
// font id, a null context or by doing nothing.
#pragma once

#include "graphics/vector/FontManager.h"
#include "graphics/vector/VRPaint.h"
#include "graphics/vector/VRPath.h"

enum VRtexture { VR_TEXTURE_ALPHA = 1, VR_TEXTURE_RGBA = 2 };

enum VRimageFlags {
  VR_IMAGE_GENERATE_MIPMAPS = 1,
  VR_IMAGE_REPEATX = 2,
  VR_IMAGE_REPEATY = 4,
  VR_IMAGE_FLIPY = 8,
  VR_IMAGE_PREMULTIPLIED = 16,
  VR_IMAGE_NEAREST = 32,
};

enum VRalign {
  VR_ALIGN_LEFT = 1,
  VR_ALIGN_CENTER = 2,
  VR_ALIGN_RIGHT = 4,
  VR_ALIGN_TOP = 8,
  VR_ALIGN_MIDDLE = 16,
  VR_ALIGN_BOTTOM = 32,
  VR_ALIGN_BASELINE = 64,
};

enum VRblendFactor {
  VR_ZERO = 1 << 0,
  VR_ONE = 1 << 1,
  VR_SRC_COLOR = 1 << 2,
  VR_ONE_MINUS_SRC_COLOR = 1 << 3,
  VR_DST_COLOR = 1 << 4,
  VR_ONE_MINUS_DST_COLOR = 1 << 5,
  VR_SRC_ALPHA = 1 << 6,
  VR_ONE_MINUS_SRC_ALPHA = 1 << 7,
  VR_DST_ALPHA = 1 << 8,
  VR_ONE_MINUS_DST_ALPHA = 1 << 9,
  VR_SRC_ALPHA_SATURATE = 1 << 10,
};

enum VRcompositeOperation {
  VR_SOURCE_OVER,
  VR_SOURCE_IN,
  VR_SOURCE_OUT,
  VR_ATOP,
  VR_DESTINATION_OVER,
  VR_DESTINATION_IN,
  VR_DESTINATION_OUT,
  VR_DESTINATION_ATOP,
  VR_LIGHTER,
  VR_COPY,
  VR_XOR,
};

struct VRcompositeOperationState {
  int srcRGB;
  int dstRGB;
  int srcAlpha;
  int dstAlpha;
};

// The back end's half of the contract, copied whole into the context. The paint a draw callback receives is already
// multiplied by the global alpha; its colours are not premultiplied.
struct VRparams {
  void* userPtr;
  int edgeAntiAlias;
  int (*renderCreate)(void* uptr);
  int (*renderCreateTexture)(void* uptr, int type, int w, int h, int imageFlags, const unsigned char* data);
  int (*renderDeleteTexture)(void* uptr, int image);
  int (*renderUpdateTexture)(void* uptr, int image, int x, int y, int w, int h, const unsigned char* data);
  int (*renderGetTextureSize)(void* uptr, int image, int* w, int* h);
  void (*renderViewport)(void* uptr, float width, float height, float devicePixelRatio);
  void (*renderCancel)(void* uptr);
  void (*renderFlush)(void* uptr);
  void (*renderFill)(void* uptr, VRpaint* paint, VRcompositeOperationState compositeOperation, VRscissor* scissor,
                     float fringe, const float* bounds, const VRpath* paths, int npaths);
  void (*renderStroke)(void* uptr, VRpaint* paint, VRcompositeOperationState compositeOperation, VRscissor* scissor,
                       float fringe, float strokeWidth, const VRpath* paths, int npaths);
  void (*renderTriangles)(void* uptr, VRpaint* paint, VRcompositeOperationState compositeOperation, VRscissor* scissor,
                          const VRvertex* verts, int nverts, float fringe);
  void (*renderDelete)(void* uptr);
};

struct VRstate {
  VRcompositeOperationState compositeOperation;
  int shapeAntiAlias;
  VRpaint fill;
  VRpaint stroke;
  float strokeWidth;
  float miterLimit;
  int lineJoin;
  int lineCap;
  float alpha;
  float xform[6];
  VRscissor scissor;
  float fontSize;
  float letterSpacing;
  float lineHeight;
  float fontBlur;
  int textAlign;
  int fontId;
};

constexpr int VR_MAX_STATES = 32;
constexpr int VR_MAX_FONTIMAGES = 4;
constexpr int VR_INIT_FONTIMAGE_SIZE = 512;
constexpr int VR_MAX_FONTIMAGE_SIZE = 2048;
constexpr int VR_INIT_COMMANDS_SIZE = 256;
constexpr int VR_INIT_POINTS_SIZE = 128;
constexpr int VR_INIT_PATHS_SIZE = 16;
constexpr int VR_INIT_VERTS_SIZE = 256;

struct VRcontext {
  VRparams params;
  float* commands;
  int ccommands;
  int ncommands;
  float commandx, commandy;
  VRstate states[VR_MAX_STATES];
  int nstates;
  VRpathCache* cache;
  float tessTol;
  float distTol;
  float fringeWidth;
  float devicePxRatio;
  FNTcontext* fs;
  int fontImages[VR_MAX_FONTIMAGES];
  int fontImageIdx;
  int drawCallCount;
  int fillTriCount;
  int strokeTriCount;
  int textTriCount;
};

// Called by a back end's create function; null when anything fails (the back end's renderDelete has then been
// called once if its renderCreate had run).
VRcontext* vrCreateContext(const VRparams* params);
void vrDeleteContext(VRcontext* ctx);

// A ratio that is not a positive number is taken as 1.
void vrBeginFrame(VRcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio);
void vrCancelFrame(VRcontext* ctx);
void vrEndFrame(VRcontext* ctx);

// Saves beyond 32 states and restores below one state are ignored.
void vrSave(VRcontext* ctx);
void vrRestore(VRcontext* ctx);
void vrReset(VRcontext* ctx);

// Stored in the current state unchanged.
void vrShapeAntiAlias(VRcontext* ctx, int enabled);
void vrStrokeWidth(VRcontext* ctx, float width);
void vrMiterLimit(VRcontext* ctx, float limit);
void vrLineCap(VRcontext* ctx, int cap);
void vrLineJoin(VRcontext* ctx, int join);
void vrGlobalAlpha(VRcontext* ctx, float alpha);

void vrGlobalCompositeOperation(VRcontext* ctx, int op);
void vrGlobalCompositeBlendFunc(VRcontext* ctx, int sfactor, int dfactor);
void vrGlobalCompositeBlendFuncSeparate(VRcontext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha);

// The current state (the top of the stack).
VRstate* vrGetState(VRcontext* ctx);
