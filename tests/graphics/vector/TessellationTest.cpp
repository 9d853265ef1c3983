// Path commands, flattening, fills and strokes with their joins and caps, as the back end receives them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/graphics/vector/RecordingBackend.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

int CountCommands(VRcontext* ctx, int code) {
  int n = 0;
  static const int kSizes[] = {3, 3, 7, 1, 2};
  for (int i = 0; i < ctx->ncommands; i += kSizes[static_cast<int>(ctx->commands[i])])
    if (static_cast<int>(ctx->commands[i]) == code) ++n;
  return n;
}

struct Frame : RecordingRenderer {
  explicit Frame(int aa = 1, float ratio = 1) : RecordingRenderer(aa) {
    vrBeginFrame(ctx, 640, 480, ratio);
    vrBeginPath(ctx);
  }
  const RecordedDraw& Last() { return backend.draws.back(); }
};

TEST(VectorPath, ShapesGiveTheirCommands) {
  struct Row {
    const char* name;
    void (*build)(VRcontext*);
    int moves, lines, beziers, closes;
  } rows[] = {{"circle", [](VRcontext* c) { vrCircle(c, 50, 50, 20); }, 1, 0, 4, 1},
              {"full arc", [](VRcontext* c) { vrArc(c, 50, 50, 20, 0, 2 * 3.1415927f, VR_CW); }, 1, 0, 4, 0},
              {"empty arc", [](VRcontext* c) { vrArc(c, 50, 50, 20, 1, 1, VR_CW); }, 1, 0, 1, 0},
              {"arc after a point",
               [](VRcontext* c) {
                 vrMoveTo(c, 0, 0);
                 vrArc(c, 50, 50, 20, 0, 1, VR_CW);
               },
               1, 1, 1, 0},
              {"arcTo on an empty path", [](VRcontext* c) { vrArcTo(c, 10, 10, 20, 0, 5); }, 0, 0, 0, 0},
              {"arcTo collinear",
               [](VRcontext* c) {
                 vrMoveTo(c, 0, 0);
                 vrArcTo(c, 10, 0, 20, 0, 5);
               },
               1, 1, 0, 0},
              {"arcTo tiny radius",
               [](VRcontext* c) {
                 vrMoveTo(c, 0, 0);
                 vrArcTo(c, 10, 0, 10, 10, 0.001f);
               },
               1, 1, 0, 0},
              {"arcTo corner",
               [](VRcontext* c) {
                 vrMoveTo(c, 0, 0);
                 vrArcTo(c, 10, 0, 10, 10, 5);
               },
               1, 1, 1, 0},
              {"rounded rect, radii 0.09",
               [](VRcontext* c) { vrRoundedRectVarying(c, 0, 0, 10, 10, 0.09f, 0.09f, 0.09f, 0.09f); }, 1, 3, 0, 1},
              {"rounded rect", [](VRcontext* c) { vrRoundedRect(c, 0, 0, 10, 10, 3); }, 1, 4, 4, 1},
              {"non-finite points",
               [](VRcontext* c) {
                 vrMoveTo(c, kNaN, 0);
                 vrLineTo(c, 1, std::numeric_limits<float>::infinity());
                 vrBezierTo(c, 0, 0, 0, 0, kNaN, 0);
               },
               0, 0, 0, 0},
              {"arcs with angles that are not finite",
               [](VRcontext* c) {
                 const float inf = std::numeric_limits<float>::infinity();
                 vrArc(c, 50, 50, 20, kNaN, 1, VR_CW);
                 vrArc(c, 50, 50, 20, 0, kNaN, VR_CCW);
                 vrArc(c, 50, 50, 20, -inf, inf, VR_CW);
                 vrArc(c, 50, 50, 20, inf, inf, VR_CCW);
                 vrArc(c, 50, 50, 20, 0, -inf, VR_CCW);
               },
               0, 0, 0, 0}};
  for (const Row& row : rows) {
    Frame f;
    row.build(f.ctx);
    EXPECT_EQ(CountCommands(f.ctx, VR_MOVETO), row.moves) << row.name;
    EXPECT_EQ(CountCommands(f.ctx, VR_LINETO), row.lines) << row.name;
    EXPECT_EQ(CountCommands(f.ctx, VR_BEZIERTO), row.beziers) << row.name;
    EXPECT_EQ(CountCommands(f.ctx, VR_CLOSE), row.closes) << row.name;
  }
}

TEST(VectorPath, RoundedCornerRadiiFollowTheSignOfTheSize) {
  Frame f;
  vrRoundedRect(f.ctx, 100, 100, -40, 20, 5);
  // MOVETO (x, y + ryTL): the first point lies below the top edge whatever the sign of the width.
  EXPECT_EQ(f.ctx->commands[1], 100);
  EXPECT_EQ(f.ctx->commands[2], 105);
  // LINETO (x + w - rxBR, y + h) after the first corner: rxBR is negative with the width.
  EXPECT_EQ(f.ctx->commands[14], 100 - 40 + 5);
}

TEST(VectorFill, RectangleIsOneConvexPathOfFourPoints) {
  Frame f(0);
  vrRect(f.ctx, 10, 20, 30, 40);
  vrFill(f.ctx);
  ASSERT_EQ(f.backend.draws.size(), 1u);
  const RecordedDraw& d = f.Last();
  ASSERT_EQ(d.paths.size(), 1u);
  const RecordedPath& p = d.paths[0];
  EXPECT_EQ(p.path.count, 4);
  EXPECT_EQ(p.path.closed, 1);
  EXPECT_EQ(p.path.winding, VR_CCW);
  EXPECT_EQ(p.path.convex, 1);
  EXPECT_EQ(p.fill.size(), 4u);
  EXPECT_TRUE(p.stroke.empty());
  EXPECT_EQ(d.bounds[0], 10);
  EXPECT_EQ(d.bounds[3], 60);

  // With anti-aliasing the fan is inset by half a pixel and a closed fringe strip surrounds it.
  Frame aa(1);
  vrRect(aa.ctx, 10, 20, 30, 40);
  vrFill(aa.ctx);
  const RecordedPath& q = aa.Last().paths[0];
  EXPECT_EQ(q.fill.size(), 4u);
  EXPECT_EQ(q.stroke.size(), 10u);
  EXPECT_NEAR(q.fill[0].x, 10.5f, 1e-5f);
  EXPECT_NEAR(q.fill[0].y, 20.5f, 1e-5f);
  // A convex shape draws only the fringe's outer half: from the inset fan (u 0.5) to half a pixel outside (u 1).
  EXPECT_NEAR(q.stroke[0].x, 10.5f, 1e-5f);
  EXPECT_EQ(q.stroke[0].u, 0.5f);
  EXPECT_NEAR(q.stroke[1].x, 9.5f, 1e-5f);
  EXPECT_EQ(q.stroke[1].u, 1);
}

// Every turn of a pentagram goes the same way, but it winds round twice: a fan would cover its middle twice.
TEST(VectorFill, PathWindingRoundTwiceIsNotConvex) {
  Frame f(0);
  for (int i = 0; i < 5; ++i) {
    const float angle = i * 4 * 3.1415927f / 5;
    (i == 0 ? vrMoveTo : vrLineTo)(f.ctx, 50 + 40 * std::sin(angle), 50 - 40 * std::cos(angle));
  }
  vrFill(f.ctx);
  ASSERT_EQ(f.backend.draws.size(), 1u);
  EXPECT_EQ(f.Last().paths[0].path.convex, 0);
}

TEST(VectorFill, FlatteningMergesPointsEnforcesWindingAndSkipsDegeneratePaths) {
  struct Row {
    const char* name;
    void (*build)(VRcontext*);
    size_t paths;  // kept by the flattening; the back end is called once all the same
    int count;
    int closed;
    size_t fan;
  } rows[] = {
      {"near point merged",
       [](VRcontext* c) {
         vrMoveTo(c, 0, 0);
         vrLineTo(c, 0.005f, 0);
         vrLineTo(c, 10, 10);
         vrLineTo(c, 0, 10);
       },
       1, 3, 0, 3},
      {"repeated first point closes",
       [](VRcontext* c) {
         vrMoveTo(c, 0, 0);
         vrLineTo(c, 0, 10);
         vrLineTo(c, 10, 10);
         vrLineTo(c, 0, 0);
       },
       1, 3, 1, 3},
      {"lone move", [](VRcontext* c) { vrMoveTo(c, 5, 5); }, 0, 0, 0, 0},
      {"zero-length closed line",
       [](VRcontext* c) {
         vrMoveTo(c, 5, 5);
         vrLineTo(c, 5, 5);
         vrClosePath(c);
       },
       0, 0, 0, 0},
      // Two points make a path with no fan and no fringe: it covers nothing.
      {"two-point fan",
       [](VRcontext* c) {
         vrMoveTo(c, 0, 0);
         vrLineTo(c, 10, 0);
       },
       1, 2, 0, 0},
  };
  for (const Row& row : rows) {
    Frame f;
    row.build(f.ctx);
    vrFill(f.ctx);
    ASSERT_EQ(f.backend.draws.size(), 1u) << row.name;
    ASSERT_EQ(f.Last().paths.size(), row.paths) << row.name;
    if (row.paths == 0) continue;
    EXPECT_EQ(f.Last().paths[0].path.count, row.count) << row.name;
    EXPECT_EQ(f.Last().paths[0].path.closed, row.closed) << row.name;
    EXPECT_EQ(f.Last().paths[0].fill.size(), row.fan) << row.name;
    // Without a fan there is no edge to fringe: a path of no area paints nothing.
    if (row.fan == 0) {
      EXPECT_TRUE(f.Last().paths[0].stroke.empty()) << row.name;
    }
  }

  // A clockwise polygon declared solid is reversed: its fan then turns counter-clockwise (negative area, y down).
  Frame f(0);
  vrMoveTo(f.ctx, 0, 0);
  vrLineTo(f.ctx, 10, 0);
  vrLineTo(f.ctx, 10, 10);
  vrLineTo(f.ctx, 0, 10);
  vrFill(f.ctx);
  const std::vector<VRvertex>& v = f.Last().paths[0].fill;
  float area = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    const VRvertex& a = v[i];
    const VRvertex& b = v[(i + 1) % v.size()];
    area += a.x * b.y - b.x * a.y;
  }
  EXPECT_LT(area, 0);
  EXPECT_EQ(v[0].x, 0);
  EXPECT_EQ(v[0].y, 10);
  EXPECT_EQ(v[1].x, 10);
}

TEST(VectorStroke, WidthIsScaledClampedAndThinLinesFade) {
  struct Row {
    float width, scale, ratio;
    float drawnWidth, alpha;
  } rows[] = {{0.5f, 1, 1, 1, 0.25f},
              {300, 1, 1, 200, 1},
              {1, 2, 1, 2, 1},
              {0.5f, 1, 2, 0.5f, 1},
              {0, 1, 1, 1, 0},
              // A tolerance float cannot tell from the half width beside it (cos of no angle at all).
              {4, 1, 1e10f, 4, 1}};
  for (const Row& row : rows) {
    Frame f(1, row.ratio);
    vrStrokeColor(f.ctx, vrRGBAf(0, 0, 0, 0.8f));
    vrStrokeWidth(f.ctx, row.width);
    vrScale(f.ctx, row.scale, row.scale);
    vrMoveTo(f.ctx, 0, 0);
    vrLineTo(f.ctx, 10, 0);
    vrStroke(f.ctx);
    ASSERT_EQ(f.backend.draws.size(), 1u);
    EXPECT_FLOAT_EQ(f.Last().strokeWidth, row.drawnWidth) << row.width;
    EXPECT_FLOAT_EQ(f.Last().paint.innerColor.a, 0.8f * row.alpha) << row.width;
  }
  Frame f;
  vrStrokeWidth(f.ctx, kNaN);
  vrMoveTo(f.ctx, 0, 0);
  vrLineTo(f.ctx, 10, 0);
  vrStroke(f.ctx);
  EXPECT_TRUE(f.backend.draws.empty());
}

// Points near the largest float overflow on the way (their differences, a curve's midpoints), and so do the
// extrusions of a path flattened at ratio 1 and drawn in a frame at ratio 1e-38 (a fringe 1e38 wide, more than twice
// that at the sharp corner): no coordinate that is not finite reaches the back end, in a vertex or in a fill's
// bounds.
TEST(VectorFill, CoordinatesNearTheLargestFloatReachTheBackEndOnlyFinite) {
  struct Row {
    float ratio;
    void (*build)(VRcontext*);
  } rows[] = {
      {1,
       [](VRcontext* c) {
         vrMoveTo(c, -std::numeric_limits<float>::max(), 0);
         vrLineTo(c, std::numeric_limits<float>::max(), 0);
         vrLineTo(c, 0, 10);
       }},
      {1,
       [](VRcontext* c) {
         const float m = std::numeric_limits<float>::max();
         vrMoveTo(c, m, m);
         vrBezierTo(c, m, -m, -m, m, 0, 0);
       }},
      {1, [](VRcontext* c) { vrRect(c, -1e38f, -1e38f, 2e38f, 3e38f); }},
      {1e-38f,
       [](VRcontext* c) {
         vrMoveTo(c, 0, 0);
         vrLineTo(c, 100, 0);
         vrLineTo(c, 0, 60);
       }},
  };
  const auto finite = [](const VRvertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); };
  for (int join : {VR_MITER, VR_ROUND}) {
    for (const Row& row : rows) {
      Frame f;
      row.build(f.ctx);
      vrFlattenPaths(f.ctx);
      vrBeginFrame(f.ctx, 640, 480, row.ratio);
      vrStrokeWidth(f.ctx, 10);
      vrLineJoin(f.ctx, join);
      vrLineCap(f.ctx, VR_ROUND);
      vrFill(f.ctx);
      vrStroke(f.ctx);
      for (const RecordedDraw& draw : f.backend.draws) {
        if (draw.kind == RecordedDraw::Fill) {
          for (float b : draw.bounds) EXPECT_TRUE(std::isfinite(b));
        }
        for (const RecordedPath& path : draw.paths) {
          for (const VRvertex& v : path.fill) EXPECT_TRUE(finite(v)) << v.x << "," << v.y;
          for (const VRvertex& v : path.stroke) EXPECT_TRUE(finite(v)) << v.x << "," << v.y;
        }
      }
    }
  }
}

TEST(VectorStroke, JoinsAndCapsGiveTheirVertexCounts) {
  // Width 4 (half width 2), tessellation tolerance 0.25: a half circle within tolerance is ncap = 4 segments.
  const int ncap = static_cast<int>(std::ceil(3.1415927f / (2 * std::acos(2.0f / 2.25f))));
  ASSERT_EQ(ncap, 4);
  struct Row {
    const char* name;
    int cap, join;
    int expected;
  } rows[] = {
      // Open polyline of three points with a right-angle corner: start cap, one join, end cap.
      {"butt, miter", VR_BUTT, VR_MITER, 4 + 2 + 4},
      {"square, miter", VR_SQUARE, VR_MITER, 4 + 2 + 4},
      {"round caps", VR_ROUND, VR_MITER, (2 * ncap + 2) + 2 + (2 + 2 * ncap)},
      {"bevel join", VR_BUTT, VR_BEVEL, 4 + 8 + 4},
      // A quarter turn of a round join: n = ceil(0.5 ncap) = 2 fan points, each with the centre.
      {"round join", VR_BUTT, VR_ROUND, 4 + (4 + 2 * 2) + 4},
      {"no cap", 99, VR_MITER, 0 + 2 + 0},
  };
  for (const Row& row : rows) {
    Frame f;
    vrStrokeWidth(f.ctx, 4);
    vrLineCap(f.ctx, row.cap);
    vrLineJoin(f.ctx, row.join);
    vrMoveTo(f.ctx, 0, 0);
    vrLineTo(f.ctx, 50, 0);
    vrLineTo(f.ctx, 50, 50);
    vrStroke(f.ctx);
    ASSERT_EQ(f.backend.draws.size(), 1u) << row.name;
    EXPECT_EQ(static_cast<int>(f.Last().paths[0].stroke.size()), row.expected) << row.name;
  }

  // Caps reach past the ends (half width 2.5 with the fringe): butt by half the fringe, square by the half width,
  // round to the half width's furthest of the ncap points at angles i pi / 3 (sin 60 degrees).
  struct CapRow {
    int cap;
    float reach;
  } caps[] = {{VR_BUTT, 0.5f}, {VR_SQUARE, 2.5f}, {VR_ROUND, 2.5f * 0.8660254f}};
  for (const CapRow& row : caps) {
    Frame f;
    vrStrokeWidth(f.ctx, 4);
    vrLineCap(f.ctx, row.cap);
    vrMoveTo(f.ctx, 0, 0);
    vrLineTo(f.ctx, 50, 0);
    vrStroke(f.ctx);
    float minx = 0;
    for (const VRvertex& v : f.Last().paths[0].stroke) minx = std::min(minx, v.x);
    EXPECT_NEAR(minx, -row.reach, 1e-4f) << row.cap;
  }

  // A closed square: four mitred corners and the strip closed by repeating its first two vertices.
  Frame closed;
  vrStrokeWidth(closed.ctx, 2);
  vrRect(closed.ctx, 0, 0, 10, 10);
  vrStroke(closed.ctx);
  const std::vector<VRvertex>& s = closed.Last().paths[0].stroke;
  ASSERT_EQ(s.size(), 10u);
  EXPECT_EQ(s[8].x, s[0].x);
  EXPECT_NEAR(std::fabs(s[0].x), 1.5f, 1e-5f);
}

TEST(VectorStroke, LonePointsAreSkippedAndAllocationFailuresDrawNothing) {
  // The lone point's path is dropped; the back end still gets the stroke, with no paths.
  Frame f;
  vrMoveTo(f.ctx, 5, 5);
  vrStroke(f.ctx);
  ASSERT_EQ(f.backend.draws.size(), 1u);
  EXPECT_TRUE(f.Last().paths.empty());

  // A first stroke fills the vertex storage; a larger one that cannot grow it must not hand out the old lists.
  vrBeginPath(f.ctx);
  vrMoveTo(f.ctx, 0, 0);
  vrLineTo(f.ctx, 10, 0);
  vrStroke(f.ctx);
  ASSERT_EQ(f.backend.draws.size(), 2u);
  vrBeginPath(f.ctx);
  vrMoveTo(f.ctx, 0, 0);
  for (int i = 1; i < 300; ++i) vrLineTo(f.ctx, static_cast<float>(i * 10), static_cast<float>((i % 2) * 10));
  vrFlattenPaths(f.ctx);
  vrSetAllocHook([](size_t) { return false; });
  vrStroke(f.ctx);
  vrFill(f.ctx);
  vrSetAllocHook(nullptr);
  EXPECT_EQ(f.backend.draws.size(), 2u);
  vrStroke(f.ctx);
  EXPECT_EQ(f.backend.draws.size(), 3u);
}

// A fill counts per path its fan's and its fringe's triangles, each as its vertex count less two, and two draw calls;
// a stroke counts its strip's vertices less two and one draw call. The expected values are counted by hand.
TEST(VectorStatistics, FillsAndStrokesCountTheirPathsTriangles) {
  struct Row {
    const char* name;
    int aa;
    bool fill;
    void (*build)(VRcontext*);
    int fillTris, strokeTris, drawCalls;
  } rows[] = {
      // Fan of 4, no fringe strip: (4 - 2) + (0 - 2).
      {"rectangle filled without fringe", 0, true, [](VRcontext* c) { vrRect(c, 10, 10, 30, 30); }, 0, 0, 2},
      // Fan of 4, fringe strip of 4 pairs closed by its first pair: (4 - 2) + (10 - 2).
      {"rectangle filled with fringe", 1, true, [](VRcontext* c) { vrRect(c, 10, 10, 30, 30); }, 10, 0, 2},
      // The two-point path has no fan and no fringe: (0 - 2) + (0 - 2) beside the rectangle's 0.
      {"rectangle and a two-point line filled", 0, true,
       [](VRcontext* c) {
         vrRect(c, 10, 10, 30, 30);
         vrMoveTo(c, 0, 0);
         vrLineTo(c, 10, 0);
       },
       -4, 0, 4},
      {"two-point line alone filled", 0, true,
       [](VRcontext* c) {
         vrMoveTo(c, 0, 0);
         vrLineTo(c, 10, 0);
       },
       -4, 0, 2},
      // Two butt caps of 4 vertices each: 8 - 2.
      {"two-point line stroked", 1, false,
       [](VRcontext* c) {
         vrMoveTo(c, 0, 0);
         vrLineTo(c, 10, 0);
       },
       0, 6, 1},
      // 4 mitred corners of 2 vertices, closed by the first pair: 10 - 2.
      {"rectangle stroked", 1, false, [](VRcontext* c) { vrRect(c, 10, 10, 30, 30); }, 0, 8, 1},
      {"rectangle and a two-point line stroked", 1, false,
       [](VRcontext* c) {
         vrRect(c, 10, 10, 30, 30);
         vrMoveTo(c, 0, 0);
         vrLineTo(c, 10, 0);
       },
       0, 8 + 6, 2},
      // A lone point is left out when the path is flattened: there is no path to count.
      {"lone point stroked", 1, false, [](VRcontext* c) { vrMoveTo(c, 5, 5); }, 0, 0, 0},
      // A width that is not a number draws nothing and counts nothing.
      {"rectangle stroked at a width that is not a number", 1, false,
       [](VRcontext* c) {
         vrStrokeWidth(c, kNaN);
         vrRect(c, 10, 10, 30, 30);
       },
       0, 0, 0},
  };
  for (const Row& row : rows) {
    Frame f(row.aa);
    row.build(f.ctx);
    (row.fill ? vrFill : vrStroke)(f.ctx);
    EXPECT_EQ(f.ctx->fillTriCount, row.fillTris) << row.name;
    EXPECT_EQ(f.ctx->strokeTriCount, row.strokeTris) << row.name;
    EXPECT_EQ(f.ctx->drawCallCount, row.drawCalls) << row.name;
  }

  // One path filled and stroked adds both; a new frame starts from nothing.
  Frame f;
  vrRect(f.ctx, 10, 10, 30, 30);
  vrFill(f.ctx);
  vrStroke(f.ctx);
  EXPECT_EQ(f.ctx->fillTriCount, 10);
  EXPECT_EQ(f.ctx->strokeTriCount, 8);
  EXPECT_EQ(f.ctx->drawCallCount, 3);
  vrBeginFrame(f.ctx, 640, 480, 1);
  EXPECT_EQ(f.ctx->fillTriCount, 0);
  EXPECT_EQ(f.ctx->strokeTriCount, 0);
  EXPECT_EQ(f.ctx->drawCallCount, 0);
}

}  // namespace
