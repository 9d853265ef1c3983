// The path extent of the drawing back end: which corner sequences are one axis-aligned rectangle, the bounds of
// every kind of point, and the box around a scissor placed by a transform.
#include "graphics/vector/PathExtent.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace fx::gfx {
namespace {

struct Point {
  float x, y;
  enum Kind { kMove, kLine, kCurve, kWinding } kind = kLine;
};

TEST(PathExtent, OnlyOneSubPathOfFourAlternatingCornersIsARectangle) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  struct Row {
    const char* name;
    std::vector<Point> points;
    bool rectangle;
    IRECT bounds;
  } rows[] = {
      {"clockwise", {{1, 2, Point::kMove}, {5, 2}, {5, 8}, {1, 8}}, true, {1, 2, 5, 8}},
      {"counter-clockwise, vertical edge first", {{5, 8, Point::kMove}, {5, 2}, {1, 2}, {1, 8}}, true, {1, 2, 5, 8}},
      {"a parallelogram", {{1, 2, Point::kMove}, {5, 2}, {6, 8}, {2, 8}}, false, {1, 2, 6, 8}},
      {"three corners", {{1, 2, Point::kMove}, {5, 2}, {5, 8}}, false, {1, 2, 5, 8}},
      {"a fifth corner back at the start", {{1, 2, Point::kMove}, {5, 2}, {5, 8}, {1, 8}, {1, 2}}, false, {1, 2, 5, 8}},
      {"a second sub-path", {{1, 2, Point::kMove}, {5, 2}, {5, 8}, {1, 8}, {7, 7, Point::kMove}}, false, {1, 2, 7, 8}},
      {"no area", {{1, 2, Point::kMove}, {5, 2}, {5, 2}, {1, 2}}, false, {1, 2, 5, 2}},
      {"started without a move", {{1, 2}, {5, 2}, {5, 8}, {1, 8}}, false, {1, 2, 5, 8}},
      {"a curve's control point", {{1, 2, Point::kMove}, {5, 2}, {9, 9, Point::kCurve}, {1, 8}}, false, {1, 2, 9, 9}},
      {"a winding set by hand",
       {{1, 2, Point::kMove}, {5, 2}, {5, 8}, {1, 8}, {0, 0, Point::kWinding}},
       false,
       {1, 2, 5, 8}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PathExtent path;
    for (const Point& p : row.points) {
      if (p.kind == Point::kCurve)
        path.AddCurvePoint(p.x, p.y);
      else if (p.kind == Point::kWinding)
        path.ForgetRectangle();
      else
        path.AddCorner(p.x, p.y, p.kind == Point::kMove);
    }
    IRECT rect;
    EXPECT_EQ(path.IsRectangle(rect), row.rectangle);
    if (row.rectangle) {
      EXPECT_EQ(rect, row.bounds);
    }
    ASSERT_TRUE(path.HasBounds());
    EXPECT_EQ(path.Bounds(), row.bounds);
  }

  PathExtent path;
  EXPECT_FALSE(path.HasBounds());
  path.AddCorner(kInf, 0, true);
  EXPECT_FALSE(path.HasBounds()) << "bounds that are not finite are no bounds";
  path.Clear();
  path.AddCorner(1, 1, true);
  EXPECT_TRUE(path.HasBounds());
}

TEST(PathExtent, ScissorBoxHoldsTheTransformedRectangle) {
  IRECT box;
  // 40 x 20 centred at (100, 50), at scale 2: 80 x 40.
  EXPECT_TRUE(ScissorBox(VRscissor{{2, 0, 0, 2, 100, 50}, {20, 10}}, box));
  EXPECT_EQ(box, IRECT(60, 30, 140, 70));
  // A quarter turn swaps the sides.
  EXPECT_TRUE(ScissorBox(VRscissor{{0, 1, -1, 0, 100, 50}, {20, 10}}, box));
  EXPECT_EQ(box, IRECT(90, 30, 110, 70));
  EXPECT_FALSE(ScissorBox(VRscissor{{1, 0, 0, 1, 0, 0}, {-1, -1}}, box)) << "the scissor is off";
}

}  // namespace
}  // namespace fx::gfx
