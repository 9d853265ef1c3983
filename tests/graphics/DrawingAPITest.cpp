// The drawing API's path-interface call sequences, read from the recording double's log.
#include "tests/support/DetailGraphics.h"
#include "tests/support/FakeDelegate.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace fx::gfx::test {
namespace {

const IColor kRed(255, 255, 0, 0);
const std::string kRedStroke = "PathStroke 255,255,0,0 t1";
const std::string kRedFill = "PathFill 255,255,0,0";

struct DrawRow {
  const char* name;
  std::function<void(IGraphics&)> draw;
  std::vector<std::string> calls;
};

void PrintTo(const DrawRow& row, std::ostream* os) {
  *os << row.name;
}

class DrawingSequence : public ::testing::TestWithParam<DrawRow> {};

TEST_P(DrawingSequence, EmitsTheExpectedPathCalls) {
  FakeDelegate dlg;
  DetailGraphics g(dlg, 400, 300);
  g.log.clear();
  GetParam().draw(g);
  EXPECT_EQ(g.log, GetParam().calls) << GetParam().name;
}

const std::vector<std::string> kRectPath = {"PathClear",      "PathMoveTo 1,2", "PathLineTo 3,2", "PathLineTo 3,4",
                                            "PathLineTo 1,4", "PathClose",      kRedStroke};

INSTANTIATE_TEST_SUITE_P(
  DrawingAPI, DrawingSequence,
  ::testing::Values(
    DrawRow{"DrawLine", [](IGraphics& g) { g.DrawLine(kRed, 1, 2, 3, 4); },
            {"PathClear", "PathMoveTo 1,2", "PathLineTo 3,4", kRedStroke}},
    DrawRow{"DrawTriangle", [](IGraphics& g) { g.DrawTriangle(kRed, 1, 2, 3, 4, 5, 6, nullptr, 2.f); },
            {"PathClear", "PathMoveTo 1,2", "PathLineTo 3,4", "PathLineTo 5,6", "PathClose", "PathStroke 255,255,0,0 t2"}},
    DrawRow{"FillTriangle", [](IGraphics& g) { g.FillTriangle(kRed, 1, 2, 3, 4, 5, 6); },
            {"PathClear", "PathMoveTo 1,2", "PathLineTo 3,4", "PathLineTo 5,6", "PathClose", kRedFill}},
    DrawRow{"DrawRect", [](IGraphics& g) { g.DrawRect(kRed, IRECT(1, 2, 3, 4)); }, kRectPath},
    DrawRow{"DrawRoundRect radius 0 is the rectangle", [](IGraphics& g) { g.DrawRoundRect(kRed, IRECT(1, 2, 3, 4), 0.f); },
            kRectPath},
    // Radii top-left, top-right, bottom-right, bottom-left: clockwise corner arcs from the top-left.
    DrawRow{"DrawRoundRect four radii",
            [](IGraphics& g) { g.DrawRoundRect(kRed, IRECT(0, 0, 20, 10), 1.f, 2.f, 3.f, 4.f); },
            {"PathClear", "PathMoveTo 0,1", "PathArc 1,1 r1 270..360 w0", "PathArc 18,2 r2 0..90 w0",
             "PathArc 17,7 r3 90..180 w0", "PathArc 4,6 r4 180..270 w0", "PathClose", kRedStroke}},
    // Radii are kept as given, even beyond half the shorter side; a negative one counts as 0 and still
    // makes an arc of radius 0 at its corner.
    DrawRow{"FillRoundRect keeps large radii",
            [](IGraphics& g) { g.FillRoundRect(kRed, IRECT(0, 0, 20, 10), 50.f, -3.f, 0.f, 2.f); },
            {"PathClear", "PathMoveTo 0,50", "PathArc 50,50 r50 270..360 w0", "PathArc 20,0 r0 0..90 w0",
             "PathArc 20,10 r0 90..180 w0", "PathArc 2,8 r2 180..270 w0", "PathClose", kRedFill}},
    DrawRow{"FillRoundRect with infinite and NaN radii",
            [](IGraphics& g) {
              const float inf = std::numeric_limits<float>::infinity();
              const float nan = std::numeric_limits<float>::quiet_NaN();
              g.FillRoundRect(kRed, IRECT(0, 0, 20, 10), inf, nan, -inf, 3.f);
            },
            {"PathClear", "PathMoveTo 0,0", "PathArc 0,0 r0 270..360 w0", "PathArc 20,0 r0 0..90 w0",
             "PathArc 20,10 r0 90..180 w0", "PathArc 3,7 r3 180..270 w0", "PathClose", kRedFill}},

    DrawRow{"FillRoundRect one radius takes a pattern",
            [](IGraphics& g) { g.FillRoundRect(IPattern(kRed), IRECT(0, 0, 4, 4), 1.f); },
            {"PathClear", "PathMoveTo 0,1", "PathArc 1,1 r1 270..360 w0", "PathArc 3,1 r1 0..90 w0",
             "PathArc 3,3 r1 90..180 w0", "PathArc 1,3 r1 180..270 w0", "PathClose", kRedFill}},
    DrawRow{"DrawArc", [](IGraphics& g) { g.DrawArc(kRed, 10, 10, 5, 0, 90); },
            {"PathClear", "PathArc 10,10 r5 0..90 w0", kRedStroke}},
    DrawRow{"DrawCircle", [](IGraphics& g) { g.DrawCircle(kRed, 10, 10, 5); },
            {"PathClear", "PathMoveTo 10,5", "PathArc 10,10 r5 0..360 w0", "PathClose", kRedStroke}},
    DrawRow{"FillArc is a pie slice", [](IGraphics& g) { g.FillArc(kRed, 10, 10, 5, 0, 90); },
            {"PathClear", "PathMoveTo 10,10", "PathArc 10,10 r5 0..90 w0", "PathClose", kRedFill}},
    DrawRow{"DrawEllipse of a rectangle is a scaled unit circle",
            [](IGraphics& g) { g.DrawEllipse(kRed, IRECT(0, 0, 20, 10)); },
            {"PathClear", "PathTransformSetMatrix 1,0,0,1,10,5", "PathTransformSetMatrix 1,0,0,1,10,5",
             "PathTransformSetMatrix 10,0,0,5,10,5", "PathMoveTo 0,-1", "PathArc 0,0 r1 0..360 w0", "PathClose",
             "PathTransformSetMatrix 1,0,0,1,0,0", kRedStroke}},
    DrawRow{"DrawEllipse with a zero radius draws nothing",
            [](IGraphics& g) { g.DrawEllipse(kRed, 5, 5, 0.f, 3.f); },
            {"PathClear", "PathTransformSetMatrix 1,0,0,1,0,0", kRedStroke}},
    DrawRow{"DrawPoint fills a one-point square", [](IGraphics& g) { g.DrawPoint(kRed, 5, 6); },
            {"PathClear", "PathMoveTo 5,6", "PathLineTo 6,6", "PathLineTo 6,7", "PathLineTo 5,7", "PathClose", kRedFill}},
    DrawRow{"DrawGrid draws inner lines only",
            [](IGraphics& g) { g.DrawGrid(kRed, IRECT(0, 0, 10, 9), 4.f, 3.f); },
            {"PathClear", "PathMoveTo 4,0", "PathLineTo 4,9", "PathMoveTo 8,0", "PathLineTo 8,9", "PathMoveTo 0,3",
             "PathLineTo 10,3", "PathMoveTo 0,6", "PathLineTo 10,6", kRedStroke}},
    DrawRow{"DrawGrid wider than the rectangle strokes an empty path",
            [](IGraphics& g) { g.DrawGrid(kRed, IRECT(0, 0, 10, 10), 20.f, 1.f); }, {"PathClear", kRedStroke}},
    // Far from zero adding the step no longer moves a float: nothing is drawn rather than looping forever.
    DrawRow{"DrawGrid whose step vanishes in rounding draws nothing",
            [](IGraphics& g) { g.DrawGrid(kRed, IRECT(1e9f, 1e9f, 2e9f, 2e9f), 4.f, 4.f); }, {"PathClear", kRedStroke}},
    DrawRow{"DrawGrid on non-finite bounds draws nothing",
            [](IGraphics& g) {
              const float inf = std::numeric_limits<float>::infinity();
              const float nan = std::numeric_limits<float>::quiet_NaN();
              g.DrawGrid(kRed, IRECT(-inf, nan, inf, inf), 4.f, 4.f);
            },
            {"PathClear", kRedStroke}},
    // 999,999 lines across at x = 2, 4, ..., 1999998 and one down at y = 5: a million lines are refused.
    DrawRow{"DrawGrid of a million lines draws none",
            [](IGraphics& g) { g.DrawGrid(kRed, IRECT(0, 0, 2e6f, 10), 2.f, 5.f); }, {"PathClear", kRedStroke}},
    // Tens of millions of lines before adding 1.5 stops moving a float near 3.4e7.
    DrawRow{"DrawGrid reaching far with a small step draws none",
            [](IGraphics& g) { g.DrawGrid(kRed, IRECT(0, 0, 1e10f, 1e10f), 1.5f, 1.5f); }, {"PathClear", kRedStroke}},
    DrawRow{"DrawData with one point moves only",
            [](IGraphics& g) {
              const float y[] = {0.5f};
              g.DrawData(kRed, IRECT(0, 0, 10, 20), y, 1);
            },
            {"PathClear", "PathMoveTo 0,10", kRedStroke}},
    DrawRow{"DrawData spaces points evenly and fills first",
            [](IGraphics& g) {
              const float y[] = {0.f, 1.f, 0.25f};
              const IColor fill(255, 0, 0, 255);
              g.DrawData(kRed, IRECT(0, 0, 10, 20), y, 3, nullptr, nullptr, 1.f, &fill);
            },
            {"PathClear", "PathMoveTo 0,20", "PathLineTo 5,0", "PathLineTo 10,15", "PathFill 255,0,0,255", kRedStroke}},
    // The first point stays on the left edge whatever normXPoints[0] says.
    DrawRow{"DrawData with x values",
            [](IGraphics& g) {
              const float x[] = {0.9f, 0.2f};
              const float y[] = {0.f, 0.5f};
              g.DrawData(kRed, IRECT(0, 0, 10, 20), y, 2, x);
            },
            {"PathClear", "PathMoveTo 0,20", "PathLineTo 2,10", kRedStroke}},
    DrawRow{"DrawData with no points draws nothing",
            [](IGraphics& g) {
              const float y[] = {0.f};
              g.DrawData(kRed, IRECT(0, 0, 10, 20), y, 0);
              g.DrawData(kRed, IRECT(0, 0, 10, 20), y, -2);
              g.DrawData(kRed, IRECT(0, 0, 10, 20), nullptr, 3);
            },
            {}},
    DrawRow{"DrawConvexPolygon",
            [](IGraphics& g) {
              const float x[] = {0, 4, 2};
              const float y[] = {0, 0, 3};
              g.DrawConvexPolygon(kRed, x, y, 3);
            },
            {"PathClear", "PathMoveTo 0,0", "PathLineTo 4,0", "PathLineTo 2,3", "PathClose", kRedStroke}},
    DrawRow{"Polygons without points draw nothing",
            [](IGraphics& g) {
              const float x[] = {0};
              g.DrawConvexPolygon(kRed, x, x, 0);
              g.FillConvexPolygon(kRed, x, x, -2);
              g.FillConvexPolygon(kRed, nullptr, nullptr, 3);
              g.PathConvexPolygon(x, x, 0);
            },
            {}},
    DrawRow{"DrawRadialLine at 90 degrees points right",
            [](IGraphics& g) { g.DrawRadialLine(kRed, 0, 0, 90.f, 10.f, 20.f); },
            {"PathClear", "PathMoveTo 10,0", "PathLineTo 20,0", kRedStroke}}));

TEST(DrawingAPI, DashedOperationsCarryOneDashLength) {
  FakeDelegate dlg;
  DetailGraphics g(dlg, 400, 300);
  g.DrawDottedLine(kRed, 0, 0, 10, 0, nullptr, 1.f, 3.f);
  EXPECT_EQ(g.lastStrokeOptions.mDash.mCount, 1);
  EXPECT_EQ(g.lastStrokeOptions.mDash.mArray[0], 3.f);
  EXPECT_EQ(g.lastStrokeOptions.mDash.mOffset, 0.f);
  g.DrawDottedRect(kRed, IRECT(0, 0, 5, 5), nullptr, 1.f, 4.f);
  EXPECT_EQ(g.lastStrokeOptions.mDash.mCount, 1);
  EXPECT_EQ(g.lastStrokeOptions.mDash.mArray[0], 4.f);
  g.DrawRect(kRed, IRECT(0, 0, 5, 5));
  EXPECT_EQ(g.lastStrokeOptions.mDash.mCount, 0);
}

// Keeps the x of each line's start and counts the ends only: a log of two million entries would be slow.
class GridLineGraphics : public DetailGraphics {
 public:
  using DetailGraphics::DetailGraphics;
  void PathMoveTo(float x, float) override { starts.push_back(x); }
  void PathLineTo(float, float) override { ++ends; }
  std::vector<float> starts;
  int ends = 0;
};

// One line fewer than the refused grid above is drawn whole, line k at x = 2k.
TEST(DrawingAPI, GridJustUnderAMillionLinesIsDrawnWhole) {
  FakeDelegate dlg;
  GridLineGraphics g(dlg, 400, 300);
  g.DrawGrid(kRed, IRECT(0, 0, 2e6f, 10), 2.f, 20.f);
  ASSERT_EQ(g.starts.size(), 999999u);
  EXPECT_EQ(g.ends, 999999);
  for (size_t k = 1; k <= g.starts.size(); ++k) ASSERT_EQ(g.starts[k - 1], 2.f * static_cast<float>(k)) << k;
}

TEST(DrawingAPI, DataFillPreservesThePathForTheStroke) {
  FakeDelegate dlg;
  DetailGraphics g(dlg, 400, 300);
  const float y[] = {0.f, 1.f};
  const IColor fill(255, 1, 2, 3);
  g.DrawData(kRed, IRECT(0, 0, 10, 10), y, 2, nullptr, nullptr, 1.f, &fill);
  ASSERT_EQ(g.patterns.size(), 2u);
  EXPECT_EQ(g.patterns[0].GetStop(0).mColor, fill);
  EXPECT_EQ(g.lastFillOptions.mFillRule, kFillWinding);
  EXPECT_TRUE(g.lastFillOptions.mPreserve);
}

TEST(DrawingAPI, BlendReachesTheRenderer) {
  FakeDelegate dlg;
  DetailGraphics g(dlg, 400, 300);
  const IBlend half(kBlendDefault, 0.5f);
  g.log.clear();
  g.FillRect(kRed, IRECT(0, 0, 1, 1), &half);
  EXPECT_EQ(g.log.back(), "PathFill 255,255,0,0 weight0.5");
}

TEST(DrawingAPI, FittedAndRotatedBitmapsUseTheTransform) {
  FakeDelegate dlg;
  DetailGraphics g(dlg, 400, 300);
  APIBitmap image(1, 40, 20, 1.f, 2.f);
  const IBitmap bitmap(&image, 1, false);
  g.log.clear();
  g.DrawFittedBitmap(bitmap, IRECT(10, 10, 90, 30));
  EXPECT_EQ(g.log,
            (std::vector<std::string>{"PathTransformSetMatrix 1,0,0,1,10,10", "PathTransformSetMatrix 2,0,0,1,10,10",
                                      "DrawBitmap 0,0,40,20 0,0", "PathTransformSetMatrix 1,0,0,1,0,0"}));
  g.log.clear();
  // Width and height are divided by the image's draw scale (2): a 20 x 10 rectangle about the origin.
  g.DrawRotatedBitmap(bitmap, 50, 60, 0.0);
  EXPECT_EQ(g.log[2], "DrawBitmap -10,-5,10,5 0,0");
  EXPECT_EQ(g.GetTransform(), IMatrix());
}

// A picture of no width or height cannot be fitted, and one of no real draw scale has no size to rotate about its
// centre: both draw nothing and leave the transform alone.
TEST(DrawingAPI, BitmapsWithoutSizeOrDrawScaleAreNeitherFittedNorRotated) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* name;
    int w, h;
    float drawScale;
    bool fitted;
  } rows[] = {
      {"0 wide, fitted", 0, 20, 1.f, true},
      {"0 high, fitted", 40, 0, 1.f, true},
      {"draw scale 0, rotated", 40, 20, 0.f, false},
      {"negative draw scale, rotated", 40, 20, -2.f, false},
      {"NaN draw scale, rotated", 40, 20, nan, false},
  };
  for (const auto& row : rows) {
    FakeDelegate dlg;
    DetailGraphics g(dlg, 400, 300);
    APIBitmap image(1, row.w, row.h, 1.f, row.drawScale);
    const IBitmap bitmap(&image, 1, false);
    g.log.clear();
    if (row.fitted)
      g.DrawFittedBitmap(bitmap, IRECT(10, 10, 90, 30));
    else
      g.DrawRotatedBitmap(bitmap, 50, 60, 30.0);
    EXPECT_TRUE(g.log.empty()) << row.name;
    EXPECT_EQ(g.GetTransform(), IMatrix()) << row.name;
  }
}

TEST(DrawingAPI, EmptyBitmapsDrawNothing) {
  FakeDelegate dlg;
  DetailGraphics g(dlg, 400, 300);
  APIBitmap image(1, 40, 20, 1.f, 1.f);
  g.log.clear();
  g.DrawFittedBitmap(IBitmap(), IRECT(0, 0, 10, 10));
  g.DrawRotatedBitmap(IBitmap(), 5, 5, 10.0);
  g.DrawBitmap(IBitmap(), IRECT(0, 0, 10, 10), 2);
  g.DrawBitmap(IBitmap(&image, 0, false), IRECT(0, 0, 10, 10), 2);
  g.DrawBitmapedText(IBitmap(&image, 0, true), IRECT(0, 0, 10, 10), IText(), nullptr, "abc");
  EXPECT_TRUE(g.log.empty());
}

}  // namespace
}  // namespace fx::gfx::test
