// The renderer context, its frame and state stack, composite operations, transforms, colours, paints and scissor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "tests/graphics/vector/RecordingBackend.h"

namespace {

void ExpectTransform(const float* t, std::initializer_list<float> expected, float tol = 1e-5f) {
  int i = 0;
  for (float e : expected) EXPECT_NEAR(t[i++], e, tol) << "element " << i - 1;
}

TEST(VectorContext, CreationFailuresReleaseEverythingAndCallDeleteOnlyAfterCreate) {
  RecordingBackend refusing;
  refusing.createSucceeds = false;
  VRparams params = refusing.Params();
  EXPECT_EQ(vrCreateContext(&params), nullptr);
  EXPECT_EQ(refusing.deleteCalls, 1);

  RecordingBackend noTextures;
  noTextures.textureSucceeds = false;
  params = noTextures.Params();
  EXPECT_EQ(vrCreateContext(&params), nullptr);
  EXPECT_EQ(noTextures.deleteCalls, 1);

  RecordingBackend noMemory;
  params = noMemory.Params();
  vrSetAllocHook([](size_t) { return false; });
  EXPECT_EQ(vrCreateContext(&params), nullptr);
  vrSetAllocHook(nullptr);
  EXPECT_EQ(noMemory.createCalls, 0);
  EXPECT_EQ(noMemory.deleteCalls, 0);

  RecordingBackend ok;
  params = ok.Params();
  VRcontext* ctx = vrCreateContext(&params);
  ASSERT_NE(ctx, nullptr);
  ASSERT_EQ(ok.textures.size(), 1u);
  EXPECT_EQ(ok.textures.begin()->second.type, VR_TEXTURE_ALPHA);
  EXPECT_EQ(ok.textures.begin()->second.width, 512);
  vrDeleteContext(ctx);
  EXPECT_TRUE(ok.textures.empty());
  EXPECT_EQ(ok.deleteCalls, 1);
  vrDeleteContext(nullptr);
}

TEST(VectorContext, FrameResetsStateAndSetsTolerancesFromThePixelRatio) {
  RecordingRenderer r;
  VRcontext* ctx = r.ctx;
  vrSave(ctx);
  vrStrokeWidth(ctx, 7);
  struct Row {
    float ratio, tessTol, distTol, fringe;
  } rows[] = {{2, 0.125f, 0.005f, 0.5f},
              {1, 0.25f, 0.01f, 1},
              {0, 0.25f, 0.01f, 1},
              {-2, 0.25f, 0.01f, 1},
              {std::numeric_limits<float>::infinity(), 0.25f, 0.01f, 1},
              {std::numeric_limits<float>::quiet_NaN(), 0.25f, 0.01f, 1}};
  for (const Row& row : rows) {
    vrBeginFrame(ctx, 640, 480, row.ratio);
    EXPECT_EQ(ctx->nstates, 1);
    const VRstate* s = vrGetState(ctx);
    EXPECT_EQ(s->strokeWidth, 1);
    EXPECT_EQ(s->fontSize, 16);
    EXPECT_EQ(s->textAlign, 0x41);
    EXPECT_EQ(s->lineJoin, VR_MITER);
    EXPECT_EQ(s->scissor.extent[0], -1);
    EXPECT_EQ(s->fill.innerColor.a, 1);
    EXPECT_FLOAT_EQ(ctx->tessTol, row.tessTol);
    EXPECT_FLOAT_EQ(ctx->distTol, row.distTol);
    EXPECT_FLOAT_EQ(ctx->fringeWidth, row.fringe);
    EXPECT_EQ(r.backend.viewport[0], 640);
  }
  vrCancelFrame(ctx);
  vrEndFrame(ctx);
  EXPECT_EQ(r.backend.cancelCalls, 1);
  EXPECT_EQ(r.backend.flushCalls, 1);
}

TEST(VectorContext, StateStackHoldsThirtyTwoStates) {
  RecordingRenderer r;
  VRcontext* ctx = r.ctx;
  for (int i = 1; i <= 33; ++i) {
    vrSave(ctx);
    vrStrokeWidth(ctx, static_cast<float>(i));
  }
  EXPECT_EQ(ctx->nstates, 32);
  // The 32nd and 33rd saves' widths both landed on the top state; one restore gets back to the 30th.
  EXPECT_EQ(vrGetState(ctx)->strokeWidth, 33);
  vrRestore(ctx);
  EXPECT_EQ(vrGetState(ctx)->strokeWidth, 30);
  for (int i = 0; i < 40; ++i) vrRestore(ctx);
  EXPECT_EQ(ctx->nstates, 1);
  EXPECT_EQ(vrGetState(ctx)->strokeWidth, 1);
}

TEST(VectorContext, CompositeOperationsMapToBlendFactors) {
  RecordingRenderer r;
  struct Row {
    int op, src, dst;
  } rows[] = {{VR_SOURCE_OVER, VR_ONE, VR_ONE_MINUS_SRC_ALPHA},
              {VR_SOURCE_IN, VR_DST_ALPHA, VR_ZERO},
              {VR_SOURCE_OUT, VR_ONE_MINUS_DST_ALPHA, VR_ZERO},
              {VR_ATOP, VR_DST_ALPHA, VR_ONE_MINUS_SRC_ALPHA},
              {VR_DESTINATION_OVER, VR_ONE_MINUS_DST_ALPHA, VR_ONE},
              {VR_DESTINATION_IN, VR_ZERO, VR_SRC_ALPHA},
              {VR_DESTINATION_OUT, VR_ZERO, VR_ONE_MINUS_SRC_ALPHA},
              {VR_DESTINATION_ATOP, VR_ONE_MINUS_DST_ALPHA, VR_SRC_ALPHA},
              {VR_LIGHTER, VR_ONE, VR_ONE},
              {VR_COPY, VR_ONE, VR_ZERO},
              {VR_XOR, VR_ONE_MINUS_DST_ALPHA, VR_ONE_MINUS_SRC_ALPHA},
              {11, VR_ONE, VR_ZERO},
              {-1, VR_ONE, VR_ZERO}};
  for (const Row& row : rows) {
    vrGlobalCompositeOperation(r.ctx, row.op);
    VRcompositeOperationState s = vrGetState(r.ctx)->compositeOperation;
    EXPECT_EQ(s.srcRGB, row.src) << row.op;
    EXPECT_EQ(s.srcAlpha, row.src) << row.op;
    EXPECT_EQ(s.dstRGB, row.dst) << row.op;
    EXPECT_EQ(s.dstAlpha, row.dst) << row.op;
  }
  vrGlobalCompositeBlendFunc(r.ctx, VR_SRC_COLOR, VR_DST_COLOR);
  VRcompositeOperationState s = vrGetState(r.ctx)->compositeOperation;
  EXPECT_EQ(s.srcAlpha, VR_SRC_COLOR);
  EXPECT_EQ(s.dstAlpha, VR_DST_COLOR);
}

TEST(VectorContext, EndFrameKeepsOnlyTheLargestFontImage) {
  RecordingRenderer r;
  VRcontext* ctx = r.ctx;
  vrEndFrame(ctx);
  EXPECT_TRUE(r.backend.deletedTextures.empty());
  int first = ctx->fontImages[0];
  int second = r.backend.Params().renderCreateTexture(&r.backend, VR_TEXTURE_ALPHA, 1024, 512, 0, nullptr);
  int third = r.backend.Params().renderCreateTexture(&r.backend, VR_TEXTURE_ALPHA, 1024, 1024, 0, nullptr);
  ctx->fontImages[1] = second;
  ctx->fontImages[2] = third;
  ctx->fontImageIdx = 2;
  vrEndFrame(ctx);
  EXPECT_EQ(r.backend.deletedTextures, (std::vector<int>{first, second}));
  EXPECT_EQ(ctx->fontImages[0], third);
  EXPECT_EQ(ctx->fontImages[1], 0);
  EXPECT_EQ(ctx->fontImageIdx, 0);
}

// Images of the largest size from earlier frames in the slots after the one the atlas grew to: they stay in slots for
// later growth, none is left to the back end outside every slot.
TEST(VectorContext, EndFrameKeepsTheFontImagesAfterTheCurrentOne) {
  RecordingRenderer r;
  VRcontext* ctx = r.ctx;
  const int first = ctx->fontImages[0];
  int large[3];
  for (int& image : large)
    image = r.backend.Params().renderCreateTexture(&r.backend, VR_TEXTURE_ALPHA, 2048, 2048, 0, nullptr);
  std::copy(large, large + 3, ctx->fontImages + 1);
  ctx->fontImageIdx = 1;
  vrEndFrame(ctx);
  EXPECT_EQ(r.backend.deletedTextures, (std::vector<int>{first}));
  EXPECT_EQ(ctx->fontImages[0], large[0]);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  std::set<int> inSlots;
  for (const int image : ctx->fontImages)
    if (image != 0) inSlots.insert(image);
  std::set<int> live;
  for (const auto& [id, texture] : r.backend.textures) live.insert(id);
  EXPECT_EQ(inSlots, live);
  EXPECT_EQ(inSlots, (std::set<int>{large[0], large[1], large[2]}));
}

TEST(VectorTransform, OperationsMatchTheirClosedForms) {
  float t[6], inv[6];
  float nearSingular[6] = {0.001f, 0, 0, 0.0009f, 5, 5};
  EXPECT_EQ(vrTransformInverse(inv, nearSingular), 0);
  ExpectTransform(inv, {1, 0, 0, 1, 0, 0});
  vrTransformScale(t, 2, 2);
  EXPECT_EQ(vrTransformInverse(inv, t), 1);
  ExpectTransform(inv, {0.5f, 0, 0, 0.5f, 0, 0});

  // A rotation by 30 degrees, then a translation: the inverse maps the image of a point back.
  float s[6];
  vrTransformRotate(t, vrDegToRad(30));
  vrTransformTranslate(s, 3, -4);
  vrTransformMultiply(t, s);
  float x, y;
  vrTransformPoint(&x, &y, t, 1, 0);
  EXPECT_NEAR(x, 0.8660254f + 3, 1e-5f);
  EXPECT_NEAR(y, 0.5f - 4, 1e-5f);
  vrTransformInverse(inv, t);
  vrTransformPoint(&x, &y, inv, x, y);
  EXPECT_NEAR(x, 1, 1e-5f);
  EXPECT_NEAR(y, 0, 1e-5f);

  vrTransformSkewX(t, vrDegToRad(45));
  ExpectTransform(t, {1, 0, 1, 1, 0, 0});
  EXPECT_NEAR(vrRadToDeg(vrDegToRad(90)), 90, 1e-4f);

  RecordingRenderer r;
  vrTranslate(r.ctx, 10, 0);
  vrScale(r.ctx, 2, 2);
  vrTransform(r.ctx, std::numeric_limits<float>::infinity(), 0, 0, 1, 0, 0);
  vrScale(r.ctx, std::numeric_limits<float>::quiet_NaN(), 1);
  vrCurrentTransform(r.ctx, t);
  vrTransformPoint(&x, &y, t, 1, 0);
  EXPECT_EQ(x, 12);
  EXPECT_EQ(y, 0);
  vrCurrentTransform(r.ctx, nullptr);

  // Finite arguments whose product with the transform overflows are ignored too: a second scale of 1e30 keeps the
  // first.
  vrResetTransform(r.ctx);
  vrScale(r.ctx, 1e30f, 1e30f);
  vrScale(r.ctx, 1e30f, 1e30f);
  vrCurrentTransform(r.ctx, t);
  ExpectTransform(t, {1e30f, 0, 0, 1e30f, 0, 0});
}

TEST(VectorColor, ConstructorsMatchTheirDefinitions) {
  VRcolor c = vrRGBA(255, 0, 51, 102);
  EXPECT_FLOAT_EQ(c.r, 1);
  EXPECT_FLOAT_EQ(c.b, 0.2f);
  EXPECT_FLOAT_EQ(c.a, 0.4f);
  EXPECT_FLOAT_EQ(vrTransRGBA(c, 255).a, 1);
  VRcolor red = vrRGBf(1, 0, 0), blue = vrRGBf(0, 0, 1);
  EXPECT_FLOAT_EQ(vrLerpRGBA(red, blue, 1.5f).b, 1);
  EXPECT_FLOAT_EQ(vrLerpRGBA(red, blue, 0.25f).r, 0.75f);

  struct Row {
    float h, s, l;
    float r, g, b;
  } rows[] = {{0, 1, 0.5f, 1, 0, 0},
              {1.0f / 3, 1, 0.5f, 0, 1, 0},
              {0.75f, 1, 0.5f, 0.5f, 0, 1},
              {-0.25f, 1, 0.5f, 0.5f, 0, 1},
              {0, 0, 0.25f, 0.25f, 0.25f, 0.25f}};
  for (const Row& row : rows) {
    VRcolor hsl = vrHSLA(row.h, row.s, row.l, 255);
    EXPECT_NEAR(hsl.r, row.r, 1e-5f) << row.h;
    EXPECT_NEAR(hsl.g, row.g, 1e-5f) << row.h;
    EXPECT_NEAR(hsl.b, row.b, 1e-5f) << row.h;
    EXPECT_EQ(hsl.a, 1);
  }
}

TEST(VectorPaint, GradientsAndPatternsAreBoxesInPaintSpace) {
  RecordingRenderer r;
  VRcolor a = vrRGBf(1, 0, 0), b = vrRGBf(0, 0, 1);
  VRpaint p = vrLinearGradient(r.ctx, 5, 5, 5, 5, a, b);
  ExpectTransform(p.xform, {1, 0, 0, 1, 5, 5 - 1e5f}, 1e-2f);
  EXPECT_EQ(p.feather, 1);
  p = vrLinearGradient(r.ctx, 0, 0, 30, 40, a, b);
  EXPECT_FLOAT_EQ(p.feather, 50);
  EXPECT_FLOAT_EQ(p.extent[1], 1e5f + 25);
  p = vrRadialGradient(r.ctx, 10, 20, 4, 8, a, b);
  EXPECT_EQ(p.radius, 6);
  EXPECT_EQ(p.feather, 4);
  ExpectTransform(p.xform, {1, 0, 0, 1, 10, 20});
  p = vrBoxGradient(r.ctx, 0, 0, 100, 50, 5, 0.5f, a, b);
  EXPECT_EQ(p.extent[0], 50);
  EXPECT_EQ(p.feather, 1);
  p = vrImagePattern(r.ctx, 1, 2, 30, 40, 0, 7, 0.5f);
  EXPECT_EQ(p.image, 7);
  EXPECT_EQ(p.innerColor.a, 0.5f);

  // A paint is given in the path's local coordinates.
  vrTranslate(r.ctx, 100, 0);
  vrFillPaint(r.ctx, vrRadialGradient(r.ctx, 10, 20, 4, 8, a, b));
  ExpectTransform(vrGetState(r.ctx)->fill.xform, {1, 0, 0, 1, 110, 20});
}

TEST(VectorScissor, RectanglesAndIntersections) {
  RecordingRenderer r;
  const VRscissor& s = vrGetState(r.ctx)->scissor;
  vrScissor(r.ctx, 10, 10, -5, 20);
  EXPECT_EQ(s.extent[0], 0);
  EXPECT_EQ(s.extent[1], 10);
  vrResetScissor(r.ctx);
  vrIntersectScissor(r.ctx, 0, 0, 100, 50);
  EXPECT_EQ(s.extent[0], 50);
  EXPECT_EQ(s.xform[4], 50);
  vrIntersectScissor(r.ctx, 50, 25, 100, 100);
  EXPECT_EQ(s.extent[0], 25);
  EXPECT_EQ(s.extent[1], 12.5f);
  EXPECT_EQ(s.xform[4], 75);
  vrIntersectScissor(r.ctx, 500, 500, 10, 10);
  EXPECT_EQ(s.extent[0], 0);
  EXPECT_EQ(s.extent[1], 0);
  vrScissor(r.ctx, std::numeric_limits<float>::quiet_NaN(), 0, 1, 1);
  EXPECT_EQ(s.extent[0], 0);

  // A rectangle with a value that is not finite, or whose scissor would not be finite (a centre past the largest
  // float, alone or under a huge scale), leaves the scissor (0, 0, 100, 100) as it was, for both calls.
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  struct Row {
    const char* name;
    float scale, x, y, w, h;
    bool intersect;
  } ignored[] = {
      {"NaN y", 1, 20, nan, 10, 10, true},
      {"-inf x", 1, -inf, 5, 10, 10, true},
      {"inf width", 1, 0, 0, inf, 10, true},
      {"NaN height", 1, 0, 0, 10, nan, true},
      {"NaN y", 1, 20, nan, 10, 10, false},
      {"centre past the largest float", 1, 3e38f, 0, 3e38f, 1, false},
      {"centre under a scale of 1e30", 1e30f, 1e30f, 0, 1, 1, false},
  };
  for (const Row& row : ignored) {
    SCOPED_TRACE(row.name);
    vrResetTransform(r.ctx);
    vrScissor(r.ctx, 0, 0, 100, 100);
    vrScale(r.ctx, row.scale, row.scale);
    if (row.intersect)
      vrIntersectScissor(r.ctx, row.x, row.y, row.w, row.h);
    else
      vrScissor(r.ctx, row.x, row.y, row.w, row.h);
    ExpectTransform(s.xform, {1, 0, 0, 1, 50, 50});
    EXPECT_EQ(s.extent[0], 50);
    EXPECT_EQ(s.extent[1], 50);
  }
}

}  // namespace
