// The path interface on the renderer: blends and patterns as composite operations and paints, fill rules and stroke
// options in the renderer's state, arcs, clipping, dotted lines, the frame life cycle with deferred framebuffer
// deletion, an editor whose context could not be made, and one deleted with a press or a menu open.
#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/IPopupMenuControlBase.h"
#include "tests/graphics/vector/VectorGraphicsFixture.h"

namespace fx::gfx::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

void ExpectPaint(const VRpaint& actual, const VRpaint& expected) {
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(actual.xform[i], expected.xform[i], 1e-3f) << "xform " << i;
  EXPECT_NEAR(actual.extent[0], expected.extent[0], 1e-2f);
  EXPECT_NEAR(actual.extent[1], expected.extent[1], 1e-2f);
  EXPECT_NEAR(actual.radius, expected.radius, 1e-4f);
  EXPECT_NEAR(actual.feather, expected.feather, 1e-4f);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(actual.innerColor.rgba[i], expected.innerColor.rgba[i], 1e-6f);
    EXPECT_NEAR(actual.outerColor.rgba[i], expected.outerColor.rgba[i], 1e-6f);
  }
}

TEST_F(VectorGraphicsTest, BlendMethodsBecomePorterDuffFactorsAndWeightsScaleAlpha) {
  // Porter-Duff on premultiplied colour: result = source x F(src) + destination x F(dst).
  struct Row {
    int method;  // -1: no blend
    float weight, src, dst, alpha;
  } rows[] = {
      {-1, 1, VR_ONE, VR_ONE_MINUS_SRC_ALPHA, 200},
      {kBlendDefault, 0.5f, VR_ONE, VR_ONE_MINUS_SRC_ALPHA, 100},
      {kBlendSourceIn, 1, VR_DST_ALPHA, VR_ZERO, 200},
      {kBlendSourceOut, 1, VR_ONE_MINUS_DST_ALPHA, VR_ZERO, 200},
      {kBlendSourceAtop, 1, VR_DST_ALPHA, VR_ONE_MINUS_SRC_ALPHA, 200},
      {kBlendDestOver, 1, VR_ONE_MINUS_DST_ALPHA, VR_ONE, 200},
      {kBlendDestIn, 1, VR_ZERO, VR_SRC_ALPHA, 200},
      {kBlendDestOut, 1, VR_ZERO, VR_ONE_MINUS_SRC_ALPHA, 200},
      {kBlendDestAtop, 1, VR_ONE_MINUS_DST_ALPHA, VR_SRC_ALPHA, 200},
      {kBlendAdd, 1, VR_ONE, VR_ONE, 200},
      {kBlendXOR, 1, VR_ONE_MINUS_DST_ALPHA, VR_ONE_MINUS_SRC_ALPHA, 200},
      {42, 1, VR_ONE, VR_ONE_MINUS_SRC_ALPHA, 200},
      {kBlendDefault, kNaN, VR_ONE, VR_ONE_MINUS_SRC_ALPHA, 0},
      {kBlendDefault, 3, VR_ONE, VR_ONE_MINUS_SRC_ALPHA, 200},
  };
  g->BeginFrame();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    const IBlend blend(row.method, row.weight);
    g->PathRect(IRECT(10, 10, 50, 50));
    g->PathFill(IPattern(IColor(200, 255, 0, 0)), IFillOptions(), row.method < 0 ? nullptr : &blend);
    EXPECT_EQ(Last().op.srcRGB, row.src);
    EXPECT_EQ(Last().op.dstRGB, row.dst);
    EXPECT_EQ(Last().op.srcAlpha, row.src);
    EXPECT_NEAR(Last().paint.innerColor.a, row.alpha / 255.f, 1e-6f);
    EXPECT_EQ(vrGetState(ctx)->compositeOperation.dstRGB, VR_ONE_MINUS_SRC_ALPHA) << "back to source-over";
  }
}

TEST_F(VectorGraphicsTest, PatternsBecomeTwoColourGradientsOrAreRefused) {
  const IColor red(255, 255, 0, 0), green(128, 0, 255, 0), blue(255, 0, 0, 255);
  const VRcolor r = vrRGBA(255, 0, 0, 255), b = vrRGBA(0, 0, 255, 255);
  auto pattern = [&](EPatternType type, EPatternExtend extend, IMatrix m, bool stops) {
    IPattern p(type);
    p.mExtend = extend;
    p.mTransform = m;
    if (stops) {
      p.AddStop(red, 0.2f);
      p.AddStop(green, 0.5f);
      p.AddStop(blue, 1.f);
    }
    return p;
  };
  // Pattern transforms are the inverses of (1, 0, 0, 100, 10, 20) and (50, 0, 0, 50, 100, 80): pattern space starts
  // at (10, 20) and reaches y = 1 at (10, 120); the radial one is centred at (100, 80) with radius 50.
  const IMatrix linear(1, 0, 0, 0.01, -10, -0.2), radial(0.02, 0, 0, 0.02, -2, -1.6);
  VRpaint blackPaint{};
  blackPaint.xform[0] = blackPaint.xform[3] = 1.f;
  blackPaint.feather = 1.f;
  blackPaint.innerColor = blackPaint.outerColor = vrRGBA(0, 0, 0, 255);
  struct Row {
    const char* name;
    IPattern pattern;
    bool drawn;
    VRpaint expected;
  } rows[] = {
      {"linear, pad", pattern(kLinearPattern, kExtendPad, linear, true), true,
       vrLinearGradient(ctx, 10, 20, 10, 120, r, b)},
      {"linear, reflect", pattern(kLinearPattern, kExtendReflect, linear, true), true,
       vrLinearGradient(ctx, 10, 20, 10, 120, r, b)},
      {"radial: inner radius from the first offset", pattern(kRadialPattern, kExtendPad, radial, true), true,
       vrRadialGradient(ctx, 100, 80, 10, 50, r, b)},
      {"singular transform", pattern(kLinearPattern, kExtendPad, IMatrix(0, 0, 0, 0, 5, 5), true), false, {}},
      {"transform not finite", pattern(kRadialPattern, kExtendPad, IMatrix(kNaN, 0, 0, 1, 0, 0), true), false, {}},
      {"no stops", pattern(kLinearPattern, kExtendPad, linear, false), false, {}},
      // A new pattern's stops hold opaque black: a solid one paints its first.
      {"solid without stops", pattern(kSolidPattern, kExtendPad, IMatrix(), false), true, blackPaint},
  };
  g->BeginFrame();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const bool stroke : {false, true}) {
      const int before = Draws();
      g->PathRect(IRECT(0, 0, 100, 100));
      stroke ? g->PathStroke(row.pattern, 2.f) : g->PathFill(row.pattern);
      ASSERT_EQ(Draws() - before, row.drawn ? 1 : 0);
      EXPECT_EQ(ctx->ncommands, 0) << "the path is cleared either way";
      if (row.drawn) ExpectPaint(Last().paint, row.expected);
    }
  }
}

// A transparent paint leaves the destination as it was under the operations whose destination factor is one for a
// source of alpha 0 (source-over, atop, destination-over and -out, add, xor): it is not drawn, as it would only
// cost its pixels. Under the others it clears or keeps only part of what is there, and is drawn.
TEST_F(VectorGraphicsTest, TransparentPaintIsDrawnOnlyWhereItChangesPixels) {
  IPattern clearGradient(kLinearPattern);
  clearGradient.AddStop(IColor(0, 255, 0, 0), 0.f);
  clearGradient.AddStop(IColor(0, 0, 0, 255), 1.f);
  IPattern halfClearGradient = clearGradient;
  halfClearGradient.mStops[1].mColor.A = 1;
  const IPattern clear(IColor(0, 255, 255, 255));
  struct Row {
    int method;  // -1: no blend
    IPattern pattern;
    bool drawn;
  } rows[] = {
      {-1, clear, false},
      {kBlendDefault, clear, false},
      {kBlendSourceAtop, clear, false},
      {kBlendDestOver, clear, false},
      {kBlendDestOut, clear, false},
      {kBlendAdd, clear, false},
      {kBlendXOR, clear, false},
      {-1, clearGradient, false},
      {kBlendSourceIn, clear, true},
      {kBlendSourceOut, clear, true},
      {kBlendDestIn, clear, true},
      {kBlendDestAtop, clear, true},
      {-1, halfClearGradient, true},
      {-1, IPattern(IColor(1, 0, 0, 0)), true},
  };
  g->BeginFrame();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.method << " " << row.pattern.mType);
    const IBlend blend(row.method, 1.f);
    for (const bool stroke : {false, true}) {
      const int before = Draws();
      g->PathRect(IRECT(0, 0, 100, 100));
      stroke ? g->PathStroke(row.pattern, 2.f, IStrokeOptions(), row.method < 0 ? nullptr : &blend)
             : g->PathFill(row.pattern, IFillOptions(), row.method < 0 ? nullptr : &blend);
      EXPECT_EQ(Draws() - before, row.drawn ? 1 : 0) << (stroke ? "stroke" : "fill");
      EXPECT_EQ(ctx->ncommands, 0) << "the path is cleared either way";
      EXPECT_EQ(vrGetState(ctx)->compositeOperation.dstRGB, VR_ONE_MINUS_SRC_ALPHA) << "back to source-over";
    }
  }
}

// Leaving a transparent fill or stroke out leaves the path as drawing it would: the stroke's winding command still
// goes in, and a kept path is flattened, so that windings given after it change nothing, as after a drawn one. The
// same scene with an alpha of 1 (drawn) and of 0 (left out) hands the next draw the same paths, and the last one's
// winding is the one a drawn first call leaves.
TEST_F(VectorGraphicsTest, LeftOutTransparentPaintLeavesThePathAsDrawingIt) {
  IFillOptions keepWindings, evenOdd, keepWinding, keepEvenOdd;
  keepWindings.mFillRule = kFillPreserveWinding;
  evenOdd.mFillRule = keepEvenOdd.mFillRule = kFillEvenOdd;
  keepWinding.mPreserve = keepEvenOdd.mPreserve = true;
  IStrokeOptions keep;
  keep.mPreserve = true;
  struct Row {
    const char* name;
    bool strokeFirst;
    IFillOptions firstFill;
    bool strokeNext;
    IFillOptions nextFill;
    int winding;
  } rows[] = {
      {"kept stroke, then a fill keeping the windings: the stroke's counter-clockwise one",
       true,
       {},
       false,
       keepWindings,
       VR_CCW},
      {"kept stroke, then an even-odd fill: flattened before its winding", true, {}, false, evenOdd, VR_CCW},
      {"kept even-odd fill, then a stroke", false, keepEvenOdd, true, {}, VR_CW},
      {"kept fill, then an even-odd fill", false, keepWinding, false, evenOdd, VR_CCW},
  };
  const auto scene = [&](const Row& row, int alpha) {
    const IPattern first(IColor(alpha, 0, 0, 255)), next(IColor(255, 0, 128, 0));
    const int before = Draws();
    g->PathRect(IRECT(0, 0, 60, 40));
    g->PathRect(IRECT(20, 10, 50, 30));
    g->PathSetWinding(true);
    row.strokeFirst ? g->PathStroke(first, 2.f, keep) : g->PathFill(first, row.firstFill);
    row.strokeNext ? g->PathStroke(next, 2.f) : g->PathFill(next, row.nextFill);
    EXPECT_EQ(Draws() - before, alpha > 0 ? 2 : 1);
    EXPECT_EQ(ctx->ncommands, 0);
    return Last();
  };
  const auto same = [](const std::vector<VRvertex>& a, const std::vector<VRvertex>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const VRvertex& p, const VRvertex& q) {
      return p.x == q.x && p.y == q.y && p.u == q.u && p.v == q.v;
    });
  };
  g->BeginFrame();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const RecordedDraw drawn = scene(row, 1);
    const RecordedDraw leftOut = scene(row, 0);
    ASSERT_EQ(drawn.paths.size(), 2u);
    ASSERT_EQ(leftOut.paths.size(), 2u);
    EXPECT_EQ(drawn.paths[1].path.winding, row.winding);
    for (size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(leftOut.paths[i].path.winding, drawn.paths[i].path.winding) << "path " << i;
      EXPECT_TRUE(same(leftOut.paths[i].fill, drawn.paths[i].fill)) << "path " << i;
      EXPECT_TRUE(same(leftOut.paths[i].stroke, drawn.paths[i].stroke)) << "path " << i;
    }
  }
}

TEST_F(VectorGraphicsTest, FillRulesSetTheLastWindingAndStrokeOptionsTheState) {
  struct FillRow {
    EFillRule rule;
    bool clockwise;
    int winding;
  } fills[] = {{kFillWinding, true, VR_CCW},
               {kFillEvenOdd, false, VR_CW},
               {kFillPreserveWinding, true, VR_CW},
               {kFillPreserveWinding, false, VR_CCW}};
  g->BeginFrame();
  for (const FillRow& row : fills) {
    g->PathRect(IRECT(0, 0, 40, 40));
    g->PathSetWinding(row.clockwise);
    IFillOptions options;
    options.mFillRule = row.rule;
    g->PathFill(IPattern(IColor()), options);
    EXPECT_EQ(Last().paths.back().path.winding, row.winding) << row.rule;
  }

  struct StrokeRow {
    int cap, join;
    float miter, thickness;
    int vrCap, vrJoin;
  } strokes[] = {{kCapButt, kJoinMiter, 10, 1, VR_BUTT, VR_MITER},
                 {kCapRound, kJoinRound, 4, 2, VR_ROUND, VR_ROUND},
                 {kCapSquare, kJoinBevel, 1, 3, VR_SQUARE, VR_BEVEL},
                 {7, 7, 2, 4, VR_SQUARE, VR_BEVEL}};  // unknown values keep the previous ones
  for (const StrokeRow& row : strokes) {
    IStrokeOptions options;
    options.mCapOption = static_cast<ELineCap>(row.cap);
    options.mJoinOption = static_cast<ELineJoin>(row.join);
    options.mMiterLimit = row.miter;
    g->PathMoveTo(0, 0);
    g->PathLineTo(50, 50);
    g->PathStroke(IPattern(IColor()), row.thickness, options);
    const VRstate& s = *vrGetState(ctx);
    EXPECT_EQ(s.lineCap, row.vrCap);
    EXPECT_EQ(s.lineJoin, row.vrJoin);
    EXPECT_EQ(s.miterLimit, row.miter);
    EXPECT_EQ(s.strokeWidth, row.thickness);
  }

  // Dashes are not drawn (the stroke is solid); preserve keeps the path for the next call.
  IStrokeOptions dashed;
  const float dashes[] = {2, 2};
  dashed.mDash.SetDash(dashes, 0, 2);
  dashed.mPreserve = true;
  g->PathMoveTo(0, 0);
  g->PathLineTo(50, 0);
  g->PathStroke(IPattern(IColor()), 2.f, dashed);
  const size_t dashedVerts = Last().paths[0].stroke.size();
  EXPECT_GT(ctx->ncommands, 0);
  g->PathStroke(IPattern(IColor()), 2.f);
  EXPECT_EQ(Last().paths.size(), 1u);
  EXPECT_EQ(Last().paths[0].stroke.size(), dashedVerts);
  EXPECT_EQ(ctx->ncommands, 0);
}

TEST_F(VectorGraphicsTest, ArcsRunClockwiseFromTwelveOClock) {
  struct Row {
    float a1, a2;
    EWinding winding;
    float startX, startY, endX, endY, minX;
  } rows[] = {{0, 90, kWindingCW, 100, 40, 150, 90, 100},     // the quarter from twelve to three
              {0, 90, kWindingCCW, 100, 40, 150, 90, 50},     // the other way round: through nine o'clock
              {180, 270, kWindingCW, 100, 140, 50, 90, 50}};  // six to nine
  g->BeginFrame();
  for (const Row& row : rows) {
    g->PathClear();
    g->PathArc(100, 90, 50, row.a1, row.a2, row.winding);
    const float* c = ctx->commands;
    ASSERT_EQ(static_cast<int>(c[0]), VR_MOVETO);
    EXPECT_NEAR(c[1], row.startX, 1e-3f);
    EXPECT_NEAR(c[2], row.startY, 1e-3f);
    EXPECT_NEAR(c[ctx->ncommands - 2], row.endX, 1e-3f);
    EXPECT_NEAR(c[ctx->ncommands - 1], row.endY, 1e-3f);
    // Each Bezier command is followed by three points.
    float minX = c[1];
    for (int i = 3; i < ctx->ncommands; i += 7) minX = std::min({minX, c[i + 1], c[i + 3], c[i + 5]});
    EXPECT_NEAR(minX, row.minX, 1.f);
  }
  // An angle that is not a number or infinite gives no arc: the stroke has no path to draw.
  for (const float angle : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    const size_t draws = backend.draws.size();
    g->DrawArc(COLOR_BLACK, 100, 90, 50, angle, 90);
    g->DrawArc(COLOR_BLACK, 100, 90, 50, 0, -angle);
    for (size_t i = draws; i < backend.draws.size(); ++i) EXPECT_TRUE(backend.draws[i].paths.empty()) << angle;
  }
}

TEST_F(VectorGraphicsTest, ClipRegionBecomesTheScissorInDrawScale) {
  Open(2.f);
  g->BeginFrame();
  g->PathTransformSetMatrix(IMatrix());
  g->SetClipRegion(IRECT(10, 20, 110, 70));
  const VRscissor& s = vrGetState(ctx)->scissor;
  const float xform[6] = {2, 0, 0, 2, 120, 90};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(s.xform[i], xform[i]);
  EXPECT_FLOAT_EQ(s.extent[0], 50);
  EXPECT_FLOAT_EQ(s.extent[1], 25);
}

// The clip (10, 20, 110, 70) at draw scale 2 is the scissor (20, 40, 220, 140) in frame units, with two pixels of room
// around it: (18, 38, 222, 142). A fill or stroke wholly outside the room is left out, a rectangle reaching out of
// it is cut down to it, unless the path is kept for another use or the operation changes pixels outside the scissor.
TEST_F(VectorGraphicsTest, DrawingTheScissorHidesIsLeftOutAndRectanglesAreCutToIt) {
  Open(2.f);
  g->BeginFrame();
  g->PathTransformSetMatrix(IMatrix());
  g->SetClipRegion(IRECT(10, 20, 110, 70));
  enum Shape { kRect, kCircle, kLine };
  struct Row {
    const char* name;
    Shape shape;
    IRECT r;                // the rectangle, the circle's bounding square, or the line from (L, T) to (R, B)
    float thickness = 0.f;  // 0: fill
    int method = -1;        // -1: no blend
    bool preserve = false;
    bool drawn = true;
    IRECT bounds;  // of the recorded geometry, frame units
  } rows[] = {
      {"rectangle inside", kRect, {20, 30, 100, 60}, 0, -1, false, true, {40, 60, 200, 120}},
      {"rectangle across the sides", kRect, {0, 30, 200, 60}, 0, -1, false, true, {18, 60, 222, 120}},
      {"rectangle below, within the room", kRect, {20, 70.5f, 100, 90}, 0, -1, false, true, {40, 141, 200, 142}},
      {"rectangle below the room", kRect, {20, 72, 100, 90}, 0, -1, false, false, {}},
      {"clearing blend outside", kRect, {20, 72, 100, 90}, 0, kBlendSourceIn, false, true, {40, 144, 200, 180}},
      {"clearing blend across", kRect, {0, 30, 200, 60}, 0, kBlendDestIn, false, true, {0, 60, 400, 120}},
      {"path kept", kRect, {0, 30, 200, 60}, 0, -1, true, true, {0, 60, 400, 120}},
      {"circle outside", kCircle, {140, 90, 160, 110}, 0, -1, false, false, {}},
      {"circle across", kCircle, {100, 50, 120, 70}, 0, -1, false, true, {200, 100, 240, 140}},
      {"thick line reaching in", kLine, {0, 75, 200, 75}, 20, -1, false, true, {0, 150, 400, 150}},
      // The half width times the miter limit (10) is the room a stroke may need: 2 x 10 frame units.
      {"thin line outside", kLine, {0, 85, 200, 85}, 2, -1, false, false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const int before = Draws();
    const IBlend blend(row.method, 1.f);
    const IBlend* b = row.method < 0 ? nullptr : &blend;
    if (row.shape == kRect)
      g->PathRect(row.r);
    else if (row.shape == kCircle)
      g->PathCircle(row.r.MW(), row.r.MH(), 0.5f * row.r.W());
    else {
      g->PathMoveTo(row.r.L, row.r.T);
      g->PathLineTo(row.r.R, row.r.B);
    }
    IFillOptions fill;
    fill.mPreserve = row.preserve;
    if (row.thickness > 0.f)
      g->PathStroke(IPattern(COLOR_RED), row.thickness, IStrokeOptions(), b);
    else
      g->PathFill(IPattern(COLOR_RED), fill, b);
    g->PathClear();
    ASSERT_EQ(Draws() - before, row.drawn ? 1 : 0);
    if (!row.drawn || row.thickness > 0.f) continue;
    EXPECT_NEAR(Last().bounds[0], row.bounds.L, 1e-3f);
    EXPECT_NEAR(Last().bounds[1], row.bounds.T, 1e-3f);
    EXPECT_NEAR(Last().bounds[2], row.bounds.R, 1e-3f);
    EXPECT_NEAR(Last().bounds[3], row.bounds.B, 1e-3f);
  }
}

// Inside a control's drawing, strokes of a solid colour that match the one before are held and drawn as one stroke
// of several paths; anything else draws the held ones first. Each path keeps the geometry it has when drawn alone
// (outside a control's drawing every stroke is drawn at once).
TEST_F(VectorGraphicsTest, MatchingStrokesOfAControlAreDrawnAsOne) {
  struct Blank : IControl {
    Blank() : IControl(IRECT()) {}
    void Draw(IGraphics&) override {}
  } control;
  IPattern gradient(kLinearPattern);
  gradient.AddStop(COLOR_RED, 0.f);
  gradient.AddStop(COLOR_BLUE, 1.f);
  // r: a red line 1 thick, w: 2 thick, b: blue, g: a gradient, p: red keeping its path, a: a red arc, f: a fill,
  // c: another clip. Each line lies lower than the last.
  const auto run = [&](const std::string& ops) {
    float y = 10.f;
    for (const char op : ops) {
      y += 3.f;
      g->PathClear();
      if (op == 'c') {
        g->SetClipRegion(IRECT(0, 0, 150, 90));
        continue;
      }
      if (op == 'f') {
        g->PathRect(IRECT(10, y, 20, y + 2));
        g->PathFill(IPattern(COLOR_GREEN));
        continue;
      }
      if (op == 'a') {
        g->PathArc(50, y, 5, 0, 90);
      } else {
        g->PathMoveTo(10, y);
        g->PathLineTo(90, y + 1);
      }
      IStrokeOptions options;
      options.mPreserve = op == 'p';
      const IPattern paint = op == 'b' ? IPattern(COLOR_BLUE) : op == 'g' ? gradient : IPattern(COLOR_RED);
      g->PathStroke(paint, op == 'w' ? 2.f : 1.f, options);
    }
  };
  // Draws as kind and path count; every path's stroke strip with its paint, in order.
  const auto drawn = [&](int from, std::string& kinds, std::vector<std::vector<float>>& strips) {
    for (int i = from; i < Draws(); ++i) {
      const RecordedDraw& d = backend.draws[static_cast<std::size_t>(i)];
      kinds += (kinds.empty() ? "" : " ") + std::string(d.kind == RecordedDraw::Fill ? "F" : "S") +
               std::to_string(d.paths.size());
      for (const RecordedPath& p : d.paths) {
        std::vector<float> strip = {d.paint.innerColor.r, d.paint.innerColor.b, d.strokeWidth};
        for (const VRvertex& v : p.stroke) strip.insert(strip.end(), {v.x, v.y, v.u, v.v});
        strips.push_back(strip);
      }
    }
  };
  const struct {
    const char* ops;
    const char* held;
  } rows[] = {
      {"rrr", "S3"},    {"rrbr", "S2 S1 S1"}, {"rrwr", "S2 S1 S1"}, {"rfr", "S1 F1 S1"},
      {"rcr", "S1 S1"}, {"rar", "S1 S2"},     {"rpr", "S1 S1 S1"},  {"rgr", "S1 S1 S1"},
  };
  g->BeginFrame();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ops);
    g->SetClipRegion(IRECT(0, 0, 200, 100));
    std::string aloneKinds, heldKinds;
    std::vector<std::vector<float>> alone, held;
    int from = Draws();
    run(row.ops);
    drawn(from, aloneKinds, alone);
    g->SetClipRegion(IRECT(0, 0, 200, 100));
    from = Draws();
    g->OnControlDrawing(control);
    run(row.ops);
    g->OnControlDrawn(control);
    drawn(from, heldKinds, held);
    EXPECT_EQ(heldKinds, row.held);
    EXPECT_EQ(held, alone);
    EXPECT_EQ(ctx->ncommands, 0);
  }
}

TEST_F(VectorGraphicsTest, DottedLinesAndRectsStrokeTheirDashesOrNothing) {
  struct Row {
    const char* name;
    bool rect;
    float length, dashLen;
    int dashes;  // -1: refused, nothing reaches the renderer
  } rows[] = {
      {"line of five dash lengths", false, 10, 2, 2},
      {"line under one and a half dash lengths", false, 2.9f, 2, 0},
      {"line of length 0", false, 0, 2, 0},
      {"dash length 0", false, 10, 0, -1},
      {"negative dash length", false, 10, -2, -1},
      {"dash length not a number", false, 10, kNaN, -1},
      {"more dashes than are drawn", false, 1e30f, 1e-3f, -1},
      {"square of two dashes a side", true, 8, 2, 8},
      {"rect with dash length 0", true, 8, 0, -1},
      // Sides of negative length have no dashes, however long.
      {"rect of negative size", true, -8, 2, 0},
      {"rect of a hugely negative size", true, -1e38f, 2, 0},
  };
  g->BeginFrame();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    backend.draws.clear();
    if (row.rect)
      g->DrawDottedRect(IColor(), IRECT(10, 10, 10 + row.length, 10 + row.length), nullptr, 1.f, row.dashLen);
    else
      g->DrawDottedLine(IColor(), 0, 5, row.length, 5, nullptr, 1.f, row.dashLen);
    if (row.dashes < 0) {
      EXPECT_EQ(Draws(), 0);
      EXPECT_EQ(ctx->ncommands, 0);
      continue;
    }
    int drawn = 0;
    for (const RecordedDraw& d : backend.draws)
      for (const RecordedPath& p : d.paths) drawn += p.path.count >= 2;
    EXPECT_EQ(drawn, row.dashes);
  }
}

TEST_F(VectorGraphicsTest, FramesDrawIntoTheMainFramebufferAndDeleteReleasedOnesAfterTheLastFlush) {
  Open(1.5f, 2.f);
  // (int)(200 x 1.5) x 2 by (int)(100 x 1.5) x 2 pixels.
  const auto& fbs = Framebuffers();
  ASSERT_EQ(fbs.created.size(), 1u);
  const std::string main = std::to_string(fbs.created[0]);
  EXPECT_EQ(fbs.log[0], "create " + main + " 600x300");
  g->SetTranslation(5, 7);
  g->BeginFrame();
  EXPECT_EQ(fbs.log.back(), "bind " + main);
  EXPECT_EQ(backend.viewport[0], 300);
  EXPECT_EQ(backend.viewport[1], 150);
  EXPECT_EQ(backend.viewport[2], 2);

  APIBitmap* first = g->CreateAPIBitmap(10, 10, 2, 1.5);
  APIBitmap* second = g->CreateAPIBitmap(10, 10, 2, 1.5);
  const std::string firstImage = std::to_string(first->GetBitmapID());
  const std::string secondImage = std::to_string(second->GetBitmapID());
  delete first;
  delete second;
  EXPECT_EQ(fbs.Count("delete"), 0) << "not while the frame is open";
  const int drawsBefore = Draws();
  const int endStart = static_cast<int>(fbs.log.size());
  g->EndFrame();

  const std::vector<std::string> expected = {"flush " + main, "bind 0", "flush 0", "delete " + secondImage,
                                             "delete " + firstImage};
  EXPECT_EQ(std::vector<std::string>(fbs.log.begin() + endStart, fbs.log.end()), expected);
  // The main framebuffer shown as one rectangle at the translation.
  ASSERT_EQ(Draws(), drawsBefore + 1);
  EXPECT_EQ(Last().paint.image, fbs.created[0]);
  EXPECT_FLOAT_EQ(Last().paint.xform[4], 5);
  EXPECT_FLOAT_EQ(Last().paint.xform[5], 7);

  // Outside a frame a released framebuffer goes at once.
  APIBitmap* third = g->CreateAPIBitmap(4, 4, 1, 1);
  const std::string thirdImage = std::to_string(third->GetBitmapID());
  delete third;
  EXPECT_EQ(fbs.log.back(), "delete " + thirdImage);
}

TEST_F(VectorGraphicsTest, WithoutAMainFramebufferImageNothingIsShown) {
  backend.textureSucceeds = false;
  g->DrawResize();
  g->BeginFrame();
  g->EndFrame();
  EXPECT_EQ(Draws(), 0) << "an image paint of no image would draw white";
}

TEST_F(VectorGraphicsTest, AnEditorWithoutContextDrawsNothing) {
  g = std::make_unique<TestVectorGraphics>(dlg, 200, 100, 60, 1.f);
  ResetFramebuffers();
  g->InitDrawContext(nullptr);
  ASSERT_EQ(g->GetDrawContext(), nullptr);
  g->DrawResize();
  g->BeginFrame();
  g->FillRect(IColor(), IRECT(0, 0, 10, 10));
  g->DrawDottedLine(IColor(), 0, 0, 10, 10);
  g->DrawFastDropShadow(IRECT(0, 0, 10, 10), IRECT(0, 0, 20, 20));
  g->DrawText(IText(), "text", IRECT(0, 0, 50, 20));
  g->DrawMultiLineText(IText(), "text", IRECT(0, 0, 50, 20));
  g->StartLayer(nullptr, IRECT(0, 0, 10, 10));
  g->EndLayer();
  g->EndFrame();
  EXPECT_EQ(Framebuffers().Count("create"), 0);
}

// The editor may go while its delegate goes (the delegate deletes it from its own destructor): with a press held or
// a value menu pending in the editor, deleting it calls nothing back, so the edit the press opened is dropped.
TEST_F(VectorGraphicsTest, AnEditorDeletedWithAPressOrAPendingMenuCallsTheDelegateNoMore) {
  struct PendingMenu : IPopupMenuControlBase {
    PendingMenu() : IPopupMenuControlBase(IRECT()) {}
    void Draw(IGraphics&) override {}
    void CreatePopupMenu(IPopupMenu&, const IRECT&) override { state = kOpen; }
    EPopupMenuState GetState() const override { return state; }
    EPopupMenuState state = kClosed;
  };
  struct Pressed : IControl {
    using IControl::IControl;
    bool opensMenu = false;
    IPopupMenu menu{"", {"a", "b"}};
    void Draw(IGraphics&) override {}
    void OnMouseDown(float, float, const IMouseMod&) override {
      if (opensMenu) GetUI()->CreatePopupMenu(*this, menu, mRECT, 0);
    }
  };
  for (const bool opensMenu : {false, true}) {
    SCOPED_TRACE(opensMenu ? "menu pending" : "pressed");
    Open(1.f);
    g->AttachPopupMenuControl(new PendingMenu);
    auto* pressed = static_cast<Pressed*>(g->AttachControl(new Pressed(IRECT(0, 0, 50, 50), FakeDelegate::kInt)));
    pressed->opensMenu = opensMenu;
    dlg.host.clear();
    IMouseInfo p;
    p.x = 10.f;
    p.y = 10.f;
    p.ms.L = true;
    g->OnMouseDown({p});
    ASSERT_EQ(g->GetControlInPopupMenu(), opensMenu ? pressed : nullptr);
    g.reset();
    EXPECT_EQ(dlg.host, std::vector<std::string>{"begin 2"});
  }
}

TEST_F(VectorGraphicsTest, BackEndQueries) {
  EXPECT_STREQ(g->GetDrawingAPIStr(), "vector | Vulkan");
  // Opaque black whatever the pattern and point.
  for (const IPattern& pattern : {IPattern(COLOR_RED), IPattern(kLinearPattern), IPattern(kRadialPattern)})
    for (const float xy : {3.5f, -1e9f}) EXPECT_EQ(g->GetPointColor(pattern, xy, xy), IColor(255, 0, 0, 0));
  for (const char* ext : {"png", "PNG", "xjpegx", "JPG"}) EXPECT_TRUE(g->BitmapExtSupported(ext)) << ext;
  // The last is compared by its first 31 characters only.
  for (const char* ext : {"gif", "bmp", "", "0123456789012345678901234567890png"})
    EXPECT_FALSE(g->BitmapExtSupported(ext)) << ext;
  EXPECT_FALSE(g->BitmapExtSupported(nullptr));
}

}  // namespace
}  // namespace fx::gfx::test
