// The SVG reader against geometry worked out by hand: every expected number below follows from the
// document's coordinates with plain arithmetic (noted where it is not obvious).
#include "graphics/svg/SVGParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace fx::gfx::svg {
namespace {

std::unique_ptr<SVGImage> Parse(const std::string& text, const char* units = "px", float dpi = 72.f) {
  return ParseSVG(text.data(), text.size(), units, dpi);
}

std::unique_ptr<SVGImage> ParseBody(const std::string& body) {
  return Parse("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\">" + body + "</svg>");
}

struct Point {
  double x, y;
};

Point Pt(const SVGPath& p, int i) {
  return {p.pts[2 * i], p.pts[2 * i + 1]};
}

// The point at t of cubic segment k of a path.
Point Eval(const SVGPath& p, int k, double t) {
  const Point a = Pt(p, 3 * k), b = Pt(p, 3 * k + 1), c = Pt(p, 3 * k + 2), d = Pt(p, 3 * k + 3);
  const double mt = 1.0 - t;
  const double w0 = mt * mt * mt, w1 = 3 * mt * mt * t, w2 = 3 * mt * t * t, w3 = t * t * t;
  return {w0 * a.x + w1 * b.x + w2 * c.x + w3 * d.x, w0 * a.y + w1 * b.y + w2 * c.y + w3 * d.y};
}

void ExpectBounds(const float* b, double l, double t, double r, double bottom, double tol = 1e-3) {
  EXPECT_NEAR(b[0], l, tol);
  EXPECT_NEAR(b[1], t, tol);
  EXPECT_NEAR(b[2], r, tol);
  EXPECT_NEAR(b[3], bottom, tol);
}

// Every sampled point of every segment lies on the circle (cx, cy, r) within the cubic approximation's
// error (at most 0.03 % of the radius for quarter arcs).
void ExpectOnCircle(const SVGPath& p, double cx, double cy, double r) {
  for (int k = 0; 3 * k + 3 < p.npts; ++k)
    for (double t : {0.0, 0.25, 0.5, 0.75, 1.0}) {
      const Point q = Eval(p, k, t);
      EXPECT_NEAR(std::hypot(q.x - cx, q.y - cy), r, r * 3e-4) << "segment " << k << " t " << t;
    }
}

TEST(SVGParser, RectIsAClosedPathOfFourSegmentsWithDefaultPaints) {
  const auto img = ParseBody("<rect x='10' y='20' width='30' height='40'/>");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->width, 100.f);
  EXPECT_EQ(img->height, 100.f);
  ASSERT_EQ(img->shapes.size(), 1u);
  const SVGShape& s = img->shapes[0];
  ASSERT_EQ(s.paths.size(), 1u);
  const SVGPath& p = s.paths[0];
  EXPECT_EQ(p.npts, 13);
  EXPECT_TRUE(p.closed);
  ExpectBounds(p.bounds, 10, 20, 40, 60);
  ExpectBounds(s.bounds, 10, 20, 40, 60);
  EXPECT_EQ(s.fill.type, kPaintColor);
  EXPECT_EQ(s.fill.color, PackRGBA(0, 0, 0, 255));
  EXPECT_EQ(s.stroke.type, kPaintNone);
  EXPECT_EQ(s.flags, kSVGFlagsVisible);
  // Lines become cubics with controls at the thirds.
  EXPECT_NEAR(Pt(p, 1).x, 20.0, 1e-4);
  EXPECT_NEAR(Pt(p, 2).x, 30.0, 1e-4);
}

TEST(SVGParser, RoundedRectCornersAreQuarterEllipses) {
  const auto img = ParseBody("<rect x='0' y='0' width='40' height='20' rx='5'/>");
  ASSERT_TRUE(img);
  const SVGPath& p = img->shapes[0].paths[0];
  // Four edges and four corner arcs.
  EXPECT_EQ(p.npts, 1 + 8 * 3);
  ExpectBounds(p.bounds, 0, 0, 40, 20);
  EXPECT_NEAR(Pt(p, 0).x, 5.0, 1e-5);  // starts after the top-left corner
  // The top-right corner arc (segment 1) stays on the circle about (35, 5) of radius 5 (ry defaults to rx).
  for (double t : {0.0, 0.5, 1.0}) {
    const Point q = Eval(p, 1, t);
    EXPECT_NEAR(std::hypot(q.x - 35, q.y - 5), 5.0, 5 * 3e-4);
  }
}

TEST(SVGParser, RoundedRectRadiiAreClampedToHalfTheSides) {
  const auto img = ParseBody("<rect width='10' height='10' rx='50' ry='50'/>");
  ASSERT_TRUE(img);
  ExpectOnCircle(img->shapes[0].paths[0], 5, 5, 5);
}

TEST(SVGParser, CirclesAndEllipsesAreFourCubicsOnTheCurve) {
  const auto img = ParseBody("<circle cx='50' cy='40' r='10'/><ellipse cx='10' cy='20' rx='8' ry='4'/>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 2u);
  const SVGPath& c = img->shapes[0].paths[0];
  EXPECT_EQ(c.npts, 13);
  EXPECT_TRUE(c.closed);
  ExpectOnCircle(c, 50, 40, 10);
  ExpectBounds(c.bounds, 40, 30, 60, 50);
  ExpectBounds(img->shapes[1].paths[0].bounds, 2, 16, 18, 24);
}

TEST(SVGParser, LinePolylineAndPolygon) {
  const auto img = ParseBody(
      "<line x1='1' y1='2' x2='3' y2='4' stroke='red'/>"
      "<polyline points='0,0 10,0 10,10'/><polygon points='0 0, 10 0 10 10 5'/>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 3u);
  EXPECT_EQ(img->shapes[0].paths[0].npts, 4);
  EXPECT_FALSE(img->shapes[0].paths[0].closed);
  EXPECT_EQ(img->shapes[1].paths[0].npts, 7);
  EXPECT_FALSE(img->shapes[1].paths[0].closed);
  // The polygon closes with a third segment back to the start; the odd trailing number is ignored.
  EXPECT_EQ(img->shapes[2].paths[0].npts, 10);
  EXPECT_TRUE(img->shapes[2].paths[0].closed);
}

struct EndPointRow {
  const char* d;
  std::vector<Point> ends;  // the on-curve points after the start, in order
};

void PrintTo(const EndPointRow& row, std::ostream* os) {
  *os << '"' << row.d << '"';
}

class PathDataEndPoints : public ::testing::TestWithParam<EndPointRow> {};

TEST_P(PathDataEndPoints, EndPointsMatchHandComputedValues) {
  const EndPointRow& row = GetParam();
  const auto img = ParseBody(std::string("<path d='") + row.d + "'/>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 1u);
  const SVGPath& p = img->shapes[0].paths.back();
  ASSERT_EQ(p.npts, 1 + 3 * static_cast<int>(row.ends.size())) << row.d;
  for (size_t i = 0; i < row.ends.size(); ++i) {
    EXPECT_NEAR(Pt(p, 3 * static_cast<int>(i) + 3).x, row.ends[i].x, 1e-4) << row.d << " point " << i;
    EXPECT_NEAR(Pt(p, 3 * static_cast<int>(i) + 3).y, row.ends[i].y, 1e-4) << row.d << " point " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    SVGParser, PathDataEndPoints,
    ::testing::Values(EndPointRow{"M0 0 L10 0 L10 10", {{10, 0}, {10, 10}}},
                      // Pairs after a move are lines, relative after a relative move; z closes back to the start.
                      EndPointRow{"m10 10 20 0 0 20 z", {{30, 10}, {30, 30}, {10, 10}}},
                      EndPointRow{"M0 0 H10 V10 h-5 v-5", {{10, 0}, {10, 10}, {5, 10}, {5, 5}}},
                      // Packed numbers: "1.5.5" is 1.5 then .5; a minus sign starts a new number.
                      EndPointRow{"M1.5.5L-1-2", {{-1, -2}}}, EndPointRow{"M0,0l1e1,2E1", {{10, 20}}},
                      EndPointRow{"M0 0 C 0 10 10 10 10 0 S 20 -10 20 0", {{10, 0}, {20, 0}}},
                      EndPointRow{"M0 0 c1 1 2 2 3 3 4 4 5 5 6 6", {{3, 3}, {9, 9}}},
                      EndPointRow{"M0 0 Q 10 20 20 0 T 40 0", {{20, 0}, {40, 0}}},
                      EndPointRow{"M0 0 q10 20 20 0 t20 0", {{20, 0}, {40, 0}}},
                      // After z the next relative move starts from the closed path's start.
                      EndPointRow{"M5 5 h10 z m2 2 h1", {{8, 7}}}));

TEST(SVGParser, SmoothCubicReflectsThePreviousControlPoint) {
  const auto img = ParseBody("<path d='M0 0 C 0 10 10 10 10 0 S 20 -10 20 0'/>");
  ASSERT_TRUE(img);
  const SVGPath& p = img->shapes[0].paths[0];
  EXPECT_NEAR(Pt(p, 4).x, 10.0, 1e-5);
  EXPECT_NEAR(Pt(p, 4).y, -10.0, 1e-5);
}

TEST(SVGParser, QuadraticsBecomeCubicsWithTwoThirdsControls) {
  const auto img = ParseBody("<path d='M0 0 Q 10 20 20 0 T 40 0'/>");
  ASSERT_TRUE(img);
  const SVGPath& p = img->shapes[0].paths[0];
  EXPECT_NEAR(Pt(p, 1).x, 20.0 / 3.0, 1e-4);
  EXPECT_NEAR(Pt(p, 1).y, 40.0 / 3.0, 1e-4);
  EXPECT_NEAR(Pt(p, 2).x, 40.0 / 3.0, 1e-4);
  // T reflects (10, 20) about (20, 0) to (30, -20): first control 20 + 2/3 * 10, 0 + 2/3 * -20.
  EXPECT_NEAR(Pt(p, 4).x, 20.0 + 20.0 / 3.0, 1e-4);
  EXPECT_NEAR(Pt(p, 4).y, -40.0 / 3.0, 1e-4);
}

TEST(SVGParser, ArcsFollowTheCircleTheFlagsChoose) {
  // A half circle about (10, 0); sweep 1 turns towards positive angles, which on screen passes above.
  const auto half = ParseBody("<path d='M0 0 A 10 10 0 0 1 20 0'/>");
  ASSERT_TRUE(half);
  const SVGPath& h = half->shapes[0].paths[0];
  EXPECT_EQ(h.npts, 7);
  ExpectOnCircle(h, 10, 0, 10);
  ExpectBounds(h.bounds, 0, -10, 20, 0);

  // Packed flags, and radii too small for the end points grow until they fit.
  const auto packed = ParseBody("<path d='M0 0a1 1 0 0120 0'/>");
  ASSERT_TRUE(packed);
  ExpectBounds(packed->shapes[0].paths[0].bounds, 0, -10, 20, 0);

  // Large arc from (0, 0) to (10, 10): three quarters of the circle about (10, 0), through its top and right.
  const auto large = ParseBody("<path d='M0 0 A 10 10 0 1 1 10 10'/>");
  ASSERT_TRUE(large);
  const SVGPath& l = large->shapes[0].paths[0];
  EXPECT_EQ(l.npts, 10);
  ExpectOnCircle(l, 10, 0, 10);
  ExpectBounds(l.bounds, 0, -10, 20, 10);

  // The same end points with the small arc and the other sweep: a quarter about (10, 0) below-left.
  const auto small = ParseBody("<path d='M0 0 A 10 10 0 0 0 10 10'/>");
  ASSERT_TRUE(small);
  EXPECT_EQ(small->shapes[0].paths[0].npts, 4);
  ExpectOnCircle(small->shapes[0].paths[0], 10, 0, 10);
}

TEST(SVGParser, RotatedEllipticalArcKeepsItsEndPoints) {
  const auto img = ParseBody("<path d='M10 10 A 20 10 30 0 1 40 25'/>");
  ASSERT_TRUE(img);
  const SVGPath& p = img->shapes[0].paths[0];
  EXPECT_NEAR(Pt(p, p.npts - 1).x, 40.0, 1e-4);
  EXPECT_NEAR(Pt(p, p.npts - 1).y, 25.0, 1e-4);
}

TEST(SVGParser, ZeroRadiusArcIsALine) {
  const auto img = ParseBody("<path d='M0 0 A 0 5 0 0 1 10 0'/>");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->shapes[0].paths[0].npts, 4);
  EXPECT_NEAR(Pt(img->shapes[0].paths[0], 1).x, 10.0 / 3.0, 1e-5);
}

TEST(SVGParser, PathDataStopsAtTheFirstErrorKeepingWhatCameBefore) {
  const auto img = ParseBody("<path d='M0 0 L10 0 L 5 # L 0 0'/>");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->shapes[0].paths[0].npts, 4);
  const auto none = ParseBody("<path d='10 10 L 20 20'/>");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->shapes.empty());
}

TEST(SVGParser, NestedTransformsComposeAndScaleStrokeWidths) {
  const auto img = ParseBody(
      "<g transform='translate(10 20)'><g transform='scale(2)'>"
      "<rect x='1' y='1' width='2' height='3' stroke='red' stroke-width='3'"
      " stroke-dasharray='1 2' stroke-dashoffset='0.5'/></g></g>");
  ASSERT_TRUE(img);
  const SVGShape& s = img->shapes[0];
  ExpectBounds(s.bounds, 12, 22, 16, 28);
  EXPECT_FLOAT_EQ(s.strokeWidth, 6.f);
  EXPECT_EQ(s.strokeDashCount, 2);
  EXPECT_FLOAT_EQ(s.strokeDashArray[0], 2.f);
  EXPECT_FLOAT_EQ(s.strokeDashArray[1], 4.f);
  EXPECT_FLOAT_EQ(s.strokeDashOffset, 1.f);
  EXPECT_EQ(s.stroke.type, kPaintColor);
  EXPECT_EQ(s.stroke.color, PackRGBA(255, 0, 0, 255));
}

struct TransformRow {
  const char* transform;
  Point in;
  Point out;
};

void PrintTo(const TransformRow& row, std::ostream* os) {
  *os << '"' << row.transform << '"';
}

class TransformList : public ::testing::TestWithParam<TransformRow> {};

// A one-segment path from `in` to `in` + (1, 0) shows where the transform takes `in`.
TEST_P(TransformList, MapsThePoint) {
  const TransformRow& row = GetParam();
  const std::string d = "M" + std::to_string(row.in.x) + " " + std::to_string(row.in.y) + " h1";
  const auto img = ParseBody(std::string("<path transform='") + row.transform + "' d='" + d + "'/>");
  ASSERT_TRUE(img);
  const Point p = Pt(img->shapes[0].paths[0], 0);
  EXPECT_NEAR(p.x, row.out.x, 1e-4) << row.transform;
  EXPECT_NEAR(p.y, row.out.y, 1e-4) << row.transform;
}

INSTANTIATE_TEST_SUITE_P(
    SVGParser, TransformList,
    ::testing::Values(TransformRow{"translate(5)", {1, 1}, {6, 1}}, TransformRow{"scale(2, 3)", {1, 1}, {2, 3}},
                      TransformRow{"rotate(90)", {1, 0}, {0, 1}}, TransformRow{"rotate(90 10 10)", {20, 10}, {10, 20}},
                      TransformRow{"skewX(45)", {0, 2}, {2, 2}}, TransformRow{"skewY(45)", {2, 0}, {2, 2}},
                      TransformRow{"matrix(1 2 3 4 5 6)", {1, 1}, {9, 12}},
                      // The first listed acts last: scale, then translate.
                      TransformRow{"translate(10,0) scale(2)", {1, 1}, {12, 2}},
                      TransformRow{"scale(2) translate(10,0)", {1, 1}, {22, 2}},
                      // A malformed list is ignored as a whole.
                      TransformRow{"translate(1 2 3)", {1, 1}, {1, 1}}));

TEST(SVGParser, UnitsAreConvertedAtTheCallersResolution) {
  const auto inches = Parse("<svg width='1in' height='72pt'><circle cx='0' cy='0' r='1in'/></svg>");
  ASSERT_TRUE(inches);
  EXPECT_FLOAT_EQ(inches->width, 72.f);
  EXPECT_FLOAT_EQ(inches->height, 72.f);
  ExpectBounds(inches->shapes[0].bounds, -72, -72, 72, 72);

  const auto mm = Parse("<svg width='25.4mm' height='2.54cm'/>", "px", 96.f);
  ASSERT_TRUE(mm);
  EXPECT_NEAR(mm->width, 96.f, 1e-4);
  EXPECT_NEAR(mm->height, 96.f, 1e-4);

  // Asked for inches: 144 px at 72 dpi is 2 in, and coordinates shrink alike.
  const auto asInches = Parse("<svg width='144' height='72'><rect width='72' height='36'/></svg>", "in", 72.f);
  ASSERT_TRUE(asInches);
  EXPECT_FLOAT_EQ(asInches->width, 2.f);
  EXPECT_FLOAT_EQ(asInches->height, 1.f);
  ExpectBounds(asInches->shapes[0].bounds, 0, 0, 1, 0.5);
}

TEST(SVGParser, PercentagesReferToTheViewport) {
  const auto img = Parse("<svg width='200' height='100'><rect x='10%' y='50%' width='50%' height='10%'/></svg>");
  ASSERT_TRUE(img);
  ExpectBounds(img->shapes[0].bounds, 20, 50, 120, 60);
}

struct ViewBoxRow {
  const char* aspect;
  double l, t, r, b;
};

void PrintTo(const ViewBoxRow& row, std::ostream* os) {
  *os << "preserveAspectRatio \"" << row.aspect << '"';
}

class ViewBox : public ::testing::TestWithParam<ViewBoxRow> {};

TEST_P(ViewBox, PlacesTheViewBoxInTheViewport) {
  const ViewBoxRow& row = GetParam();
  std::string doc = "<svg width='200' height='100' viewBox='10 10 100 100'";
  if (row.aspect[0]) doc += std::string(" preserveAspectRatio='") + row.aspect + "'";
  doc += "><rect x='10' y='10' width='100' height='100'/></svg>";
  const auto img = Parse(doc);
  ASSERT_TRUE(img);
  EXPECT_FLOAT_EQ(img->width, 200.f);
  ExpectBounds(img->shapes[0].bounds, row.l, row.t, row.r, row.b);
}

INSTANTIATE_TEST_SUITE_P(SVGParser, ViewBox,
                         ::testing::Values(ViewBoxRow{"", 50, 0, 150, 100}, ViewBoxRow{"xMinYMin", 0, 0, 100, 100},
                                           ViewBoxRow{"xMaxYMid meet", 100, 0, 200, 100},
                                           ViewBoxRow{"none", 0, 0, 200, 100},
                                           ViewBoxRow{"xMinYMin slice", 0, 0, 200, 200}));

TEST(SVGParser, ViewBoxAloneGivesTheSize) {
  const auto img = Parse("<svg viewBox='0 0 24 12'><rect width='24' height='12'/></svg>");
  ASSERT_TRUE(img);
  EXPECT_FLOAT_EQ(img->width, 24.f);
  EXPECT_FLOAT_EQ(img->height, 12.f);
}

TEST(SVGParser, WithoutSizeThePictureReachesItsFarthestShape) {
  const auto img = Parse("<svg><rect x='5' y='5' width='10' height='30'/></svg>");
  ASSERT_TRUE(img);
  EXPECT_FLOAT_EQ(img->width, 15.f);
  EXPECT_FLOAT_EQ(img->height, 35.f);
}

struct ColorRow {
  const char* value;
  int type;
  uint32_t color;
};

void PrintTo(const ColorRow& row, std::ostream* os) {
  *os << '"' << row.value << '"';
}

class Colors : public ::testing::TestWithParam<ColorRow> {};

TEST_P(Colors, FillValue) {
  const ColorRow& row = GetParam();
  // The group's fill is what an unreadable value leaves in place.
  const auto img =
      ParseBody(std::string("<g fill='#010203'><rect width='1' height='1' fill='") + row.value + "'/></g>");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->shapes[0].fill.type, row.type) << row.value;
  if (row.type == kPaintColor) {
    EXPECT_EQ(img->shapes[0].fill.color, row.color) << row.value;
  }
}

INSTANTIATE_TEST_SUITE_P(SVGParser, Colors,
                         ::testing::Values(ColorRow{"#f00", kPaintColor, PackRGBA(255, 0, 0, 255)},
                                           ColorRow{"#00FF7f", kPaintColor, PackRGBA(0, 255, 127, 255)},
                                           ColorRow{"rgb(0, 0, 255)", kPaintColor, PackRGBA(0, 0, 255, 255)},
                                           // 50 % of 255 is 127.5, rounded to 128.
                                           ColorRow{"rgb(100%,50%,0%)", kPaintColor, PackRGBA(255, 128, 0, 255)},
                                           ColorRow{"rgb(300, -5, 20)", kPaintColor, PackRGBA(255, 0, 20, 255)},
                                           ColorRow{"cornflowerblue", kPaintColor, PackRGBA(100, 149, 237, 255)},
                                           ColorRow{"Navy", kPaintColor, PackRGBA(0, 0, 128, 255)},
                                           ColorRow{"none", kPaintNone, 0}, ColorRow{"url(#missing)", kPaintNone, 0},
                                           ColorRow{"notacolour", kPaintColor, PackRGBA(1, 2, 3, 255)},
                                           ColorRow{"#12", kPaintColor, PackRGBA(1, 2, 3, 255)},
                                           ColorRow{"rgb(1,2)", kPaintColor, PackRGBA(1, 2, 3, 255)}));

TEST(SVGParser, StyleAttributeOverridesPresentationAttributes) {
  const auto img = ParseBody(
      "<rect width='1' height='1' fill='red' stroke-width='9'"
      " style='fill: #123456 ; stroke:blue;stroke-width:2 !important;stroke-linejoin:round;"
      "stroke-linecap:square;stroke-miterlimit:7;fill-rule:evenodd'/>");
  ASSERT_TRUE(img);
  const SVGShape& s = img->shapes[0];
  EXPECT_EQ(s.fill.color, PackRGBA(0x12, 0x34, 0x56, 255));
  EXPECT_EQ(s.stroke.color, PackRGBA(0, 0, 255, 255));
  EXPECT_FLOAT_EQ(s.strokeWidth, 2.f);
  EXPECT_EQ(s.strokeLineJoin, kSVGJoinRound);
  EXPECT_EQ(s.strokeLineCap, kSVGCapSquare);
  EXPECT_FLOAT_EQ(s.miterLimit, 7.f);
  EXPECT_EQ(s.fillRule, kSVGFillEvenOdd);
}

TEST(SVGParser, OpacitiesFoldIntoPaintAlphaAndGroupOpacityMultiplies) {
  const auto img = ParseBody(
      "<g opacity='0.5'><rect width='1' height='1' fill='red' fill-opacity='0.5'"
      " stroke='blue' stroke-opacity='25%' opacity='0.5'/></g>");
  ASSERT_TRUE(img);
  const SVGShape& s = img->shapes[0];
  EXPECT_EQ(PackedAlpha(s.fill.color), 128u);   // round(127.5)
  EXPECT_EQ(PackedAlpha(s.stroke.color), 64u);  // round(63.75)
  EXPECT_FLOAT_EQ(s.opacity, 0.25f);
}

TEST(SVGParser, OddDashArraysRepeatAndBadOnesTurnDashingOff) {
  const auto img = ParseBody(
      "<path d='M0 0h1' stroke-dasharray='5, 3, 2'/><path d='M0 0h1' stroke-dasharray='5 -1'/>"
      "<path d='M0 0h1' stroke-dasharray='0 0'/>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes[0].strokeDashCount, 6);
  const float expected[6] = {5, 3, 2, 5, 3, 2};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(img->shapes[0].strokeDashArray[i], expected[i]);
  EXPECT_EQ(img->shapes[1].strokeDashCount, 0);
  EXPECT_EQ(img->shapes[2].strokeDashCount, 0);
}

TEST(SVGParser, HiddenShapesStayInOrderWithTheirFlagClear) {
  const auto img = ParseBody(
      "<g display='none'><rect width='1' height='1'/></g>"
      "<g visibility='hidden'><rect width='1' height='1'/>"
      "<rect width='1' height='1' visibility='visible'/></g>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 3u);
  EXPECT_EQ(img->shapes[0].flags, 0u);
  EXPECT_EQ(img->shapes[1].flags, 0u);
  EXPECT_EQ(img->shapes[2].flags, kSVGFlagsVisible);
}

TEST(SVGParser, DefsAndUnsupportedElementsDrawNothing) {
  const auto img = ParseBody(
      "<defs><rect width='1' height='1'/></defs><text>hi</text><title>t</title>"
      "<svg:rect width='2' height='2'/>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 1u);
  ExpectBounds(img->shapes[0].bounds, 0, 0, 2, 2);
}

// Applies a gradient's picture-to-gradient-space transform.
Point ToGradient(const SVGGradient& g, double x, double y) {
  const float* m = g.xform;
  return {m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]};
}

TEST(SVGParser, LinearGradientInBoundingBoxUnitsSpansTheShape) {
  // Used before it is defined: references may point forward.
  const auto img = ParseBody(
      "<rect x='10' y='20' width='100' height='50' fill='url(#g)'/>"
      "<defs><linearGradient id='g' x1='0' y1='0' x2='1' y2='0' spreadMethod='reflect'>"
      "<stop offset='0' stop-color='red'/><stop offset='50%' style='stop-color:#00f;stop-opacity:.5'/>"
      "<stop offset='0.2' stop-color='lime'/></linearGradient></defs>");
  ASSERT_TRUE(img);
  const SVGPaint& fill = img->shapes[0].fill;
  ASSERT_EQ(fill.type, kPaintLinearGradient);
  ASSERT_TRUE(fill.gradient);
  const SVGGradient& g = *fill.gradient;
  EXPECT_EQ(g.spread, kSpreadReflect);
  ASSERT_EQ(g.stops.size(), 3u);
  EXPECT_EQ(g.stops[0].color, PackRGBA(255, 0, 0, 255));
  EXPECT_EQ(g.stops[1].color, PackRGBA(0, 0, 255, 128));
  EXPECT_FLOAT_EQ(g.stops[1].offset, 0.5f);
  EXPECT_FLOAT_EQ(g.stops[2].offset, 0.5f);  // offsets never go back
  // In gradient space the gradient runs from (0, 0) to (0, 1).
  const Point start = ToGradient(g, 10, 20);
  const Point mid = ToGradient(g, 60, 45);
  const Point end = ToGradient(g, 110, 70);
  EXPECT_NEAR(start.x, 0, 1e-5);
  EXPECT_NEAR(start.y, 0, 1e-5);
  EXPECT_NEAR(mid.y, 0.5, 1e-5);
  EXPECT_NEAR(end.y, 1, 1e-5);
}

TEST(SVGParser, UserSpaceGradientWithItsTransformAndTheShapeTransform) {
  const auto img = ParseBody(
      "<linearGradient id='g' gradientUnits='userSpaceOnUse' x1='10' y1='0' x2='110' y2='0'"
      " gradientTransform='translate(5 0)'><stop offset='0'/><stop offset='1'/></linearGradient>"
      "<g transform='scale(2)'><rect width='50' height='50' fill='url(#g)'/></g>");
  ASSERT_TRUE(img);
  const SVGGradient& g = *img->shapes[0].fill.gradient;
  // User x 15 is the start and 115 the end; the shape's scale doubles both in picture space.
  EXPECT_NEAR(ToGradient(g, 30, 0).y, 0.0, 1e-5);
  EXPECT_NEAR(ToGradient(g, 230, 7).y, 1.0, 1e-5);
  EXPECT_NEAR(ToGradient(g, 130, 99).y, 0.5, 1e-5);
}

TEST(SVGParser, RadialGradientInheritsThroughHref) {
  const auto img = ParseBody(
      "<radialGradient id='base' spreadMethod='repeat'><stop offset='0' stop-color='white'/>"
      "<stop offset='1' stop-color='black'/></radialGradient>"
      "<radialGradient id='r' xlink:href='#base' gradientUnits='userSpaceOnUse' cx='50' cy='40' r='10'"
      " fx='55' fy='40'/><circle cx='50' cy='40' r='10' stroke='url( #r )' fill-opacity='0.5'/>");
  ASSERT_TRUE(img);
  const SVGShape& s = img->shapes[0];
  ASSERT_EQ(s.stroke.type, kPaintRadialGradient);
  const SVGGradient& g = *s.stroke.gradient;
  EXPECT_EQ(g.spread, kSpreadRepeat);
  ASSERT_EQ(g.stops.size(), 2u);
  EXPECT_EQ(g.stops[0].color, PackRGBA(255, 255, 255, 255));  // stroke paint: fill-opacity does not apply
  const Point centre = ToGradient(g, 50, 40);
  const Point rim = ToGradient(g, 60, 40);
  EXPECT_NEAR(centre.x, 0, 1e-5);
  EXPECT_NEAR(rim.x, 1, 1e-5);
  EXPECT_FLOAT_EQ(g.fx, 0.5f);
  EXPECT_FLOAT_EQ(g.fy, 0.f);
}

TEST(SVGParser, GradientOpacityFoldsIntoStops) {
  const auto img = ParseBody(
      "<linearGradient id='g'><stop offset='0' stop-color='red' stop-opacity='0.5'/></linearGradient>"
      "<rect width='10' height='10' fill='url(#g)' fill-opacity='0.5'/>");
  ASSERT_TRUE(img);
  EXPECT_EQ(PackedAlpha(img->shapes[0].fill.gradient->stops[0].color), 64u);  // round(0.25 * 255)
}

TEST(SVGParser, GradientWithoutStopsOrReferenceCyclePaintsNothing) {
  const auto img = ParseBody(
      "<linearGradient id='a' href='#b'/><linearGradient id='b' href='#a'/>"
      "<rect width='10' height='10' fill='url(#a)'/>");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->shapes[0].fill.type, kPaintNone);
}

TEST(SVGParser, MalformedDocumentsAreRefused) {
  for (const char* doc : {"", "not xml", "<svg>", "<svg><rect></svg>", "<html/>", "<?xml version='1.0'?>"})
    EXPECT_FALSE(Parse(doc)) << doc;
  EXPECT_FALSE(ParseSVG(nullptr, 10, "px", 72.f));
  EXPECT_FALSE(Parse("<svg/>", "px", 0.f));
  EXPECT_FALSE(Parse("<svg/>", "px", std::nanf("")));
}

TEST(SVGParser, EmptyPictureHasNoShapes) {
  const auto img = Parse("<svg width='10' height='20'/>");
  ASSERT_TRUE(img);
  EXPECT_TRUE(img->shapes.empty());
  EXPECT_FLOAT_EQ(img->width, 10.f);
}

TEST(SVGParser, ReadsNoFurtherThanTheGivenSize) {
  // No terminating zero: the reader must stop at the size on its own.
  const std::string doc = "<svg width='3' height='4'/>";
  std::vector<char> exact(doc.begin(), doc.end());
  const auto img = ParseSVG(exact.data(), exact.size(), "px", 72.f);
  ASSERT_TRUE(img);
  EXPECT_FLOAT_EQ(img->height, 4.f);
  // A zero byte inside the size ends the text there.
  const std::string withZero = doc + std::string(1, '\0') + "<garbage";
  EXPECT_TRUE(ParseSVG(withZero.data(), withZero.size(), "px", 72.f));
  // A size that cuts the document short leaves it malformed.
  EXPECT_FALSE(ParseSVG(exact.data(), exact.size() - 3, "px", 72.f));
}

TEST(SVGParser, DeepNestingIsRefused) {
  std::string deep = "<svg>";
  for (int i = 0; i < 5000; ++i) deep += "<g>";
  for (int i = 0; i < 5000; ++i) deep += "</g>";
  deep += "</svg>";
  EXPECT_FALSE(Parse(deep));

  std::string fine = "<svg>";
  for (int i = 0; i < 50; ++i) fine += "<g>";
  fine += "<rect width='1' height='1'/>";
  for (int i = 0; i < 50; ++i) fine += "</g>";
  fine += "</svg>";
  const auto img = Parse(fine);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->shapes.size(), 1u);
}

struct HiddenNestingRow {
  const char* what;
  const char* level;  // one level of nesting whose closing markup the XML parser does not read as markup
};

void PrintTo(const HiddenNestingRow& row, std::ostream* os) {
  *os << row.what;
}

class HiddenNesting : public ::testing::TestWithParam<HiddenNestingRow> {};

// Markup-like text inside a value, comment, section or declaration closes nothing: the nesting is still
// counted (500 levels stay far from the stack's limit, but well past the reader's).
TEST_P(HiddenNesting, StillCountsAsNesting) {
  std::string doc = "<svg width='1' height='1'>";
  for (int i = 0; i < 500; ++i) doc += GetParam().level;
  for (int i = 0; i < 500; ++i) doc += "</g>";
  doc += "</svg>";
  EXPECT_FALSE(Parse(doc));
}

INSTANTIATE_TEST_SUITE_P(SVGParser, HiddenNesting,
                         ::testing::Values(HiddenNestingRow{"quoted value", "<g a=\"/>\">"},
                                           HiddenNestingRow{"quoted end tag", "<g a='</g>'>"},
                                           HiddenNestingRow{"text", "<g>/>"},
                                           HiddenNestingRow{"comment", "<g><!--</g>-->"},
                                           HiddenNestingRow{"comment opening on its own end", "<g><!--></g>-->"},
                                           HiddenNestingRow{"CDATA", "<g><![CDATA[</g>]]>"},
                                           HiddenNestingRow{"declaration value", "<g><?xml version='</g>'?>"},
                                           HiddenNestingRow{"malformed reference", "<g>&#x</g>x1;"}));

// Each byte is a character of its own: a UTF-8 lead byte never carries the parser over the markup after it.
TEST(SVGParser, MultiByteCharactersNeverHideMarkup) {
  std::string doc = "<svg width='1' height='1'>";
  for (int i = 0; i < 500; ++i) doc += "<g id='\xF0'>\xF0</g>";
  doc += "<rect id='\xC3\xA9' width='1' height='1'/></svg>";
  const auto img = Parse(doc);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->shapes.size(), 1u);
}

TEST(SVGParser, ReadsTheUsualPrologue) {
  const auto img = Parse(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
      "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"x.dtd\">\n<!-- a <comment> -->\n"
      "<svg width='2' height='2'><style><![CDATA[ rect > g { } ]]></style>"
      "<rect width='1' height='1' fill='&#x23;00f'/></svg>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 1u);
  EXPECT_EQ(img->shapes[0].fill.color, PackRGBA(0, 0, 255, 255));
}

}  // namespace
}  // namespace fx::gfx::svg
