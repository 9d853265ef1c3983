// SVG pictures drawn through the path interface: placement, windings, paints and malformed paths.
#include "graphics/svg/SVGParser.h"
#include "tests/support/DetailGraphics.h"
#include "tests/support/FakeDelegate.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

class SVGDrawing : public ::testing::Test {
 protected:
  FakeDelegate dlg;
  DetailGraphics g{dlg, 400, 300};
  std::vector<std::unique_ptr<svg::SVGImage>> pictures;

  ISVG Picture(const std::string& text) {
    pictures.push_back(svg::ParseSVG(text.data(), text.size(), "px", 72.f));
    return ISVG(pictures.back().get());
  }
};

TEST_F(SVGDrawing, PictureKeepsItsAspectInTheTopLeftCorner) {
  const ISVG svg = Picture("<svg width='100' height='50'><path d='M0 0 L100 50'/></svg>");
  g.log.clear();
  g.DrawSVG(svg, IRECT(10, 20, 310, 320));
  ASSERT_GE(g.log.size(), 4u);
  EXPECT_EQ(g.log[0], "PathTransformSetMatrix 1,0,0,1,10,20");
  EXPECT_EQ(g.log[1], "PathTransformSetMatrix 3,0,0,3,10,20");
  EXPECT_EQ(g.log.back(), "PathTransformSetMatrix 1,0,0,1,0,0");
}

TEST_F(SVGDrawing, ShapesBecomeCubicPathsWithFillAndStroke) {
  const ISVG svg = Picture(
      "<svg width='10' height='10'><path d='M1 2 L4 2' fill='red' stroke='#00f' stroke-width='2'"
      " stroke-linecap='round' stroke-linejoin='bevel' stroke-miterlimit='3'"
      " stroke-dasharray='1 2' stroke-dashoffset='0.5'/></svg>");
  g.log.clear();
  g.RenderSVG(svg);
  EXPECT_EQ(g.log, (std::vector<std::string>{"PathClear", "PathMoveTo 1,2", "PathCubicBezierTo 2,2 3,2 4,2",
                                             "PathSetWinding 0", "PathFill 255,255,0,0", "PathStroke 255,0,0,255 t2"}));
  EXPECT_EQ(g.lastFillOptions.mFillRule, kFillPreserveWinding);
  EXPECT_TRUE(g.lastFillOptions.mPreserve);  // the stroke follows on the same path
  const IStrokeOptions& s = g.lastStrokeOptions;
  EXPECT_EQ(s.mCapOption, kCapRound);
  EXPECT_EQ(s.mJoinOption, kJoinBevel);
  EXPECT_EQ(s.mMiterLimit, 3.f);
  EXPECT_EQ(s.mDash.mCount, 2);
  EXPECT_EQ(s.mDash.mArray[1], 2.f);
  EXPECT_EQ(s.mDash.mOffset, 0.5f);
  EXPECT_FALSE(s.mPreserve);
}

TEST_F(SVGDrawing, FillWithoutStrokeDoesNotPreserveAndGivenColoursWin) {
  const ISVG svg = Picture(
      "<svg width='10' height='10'><rect width='2' height='2' fill='red'/>"
      "<rect width='2' height='2' fill='none' stroke='red'/></svg>");
  const IColor green(255, 0, 255, 0);
  const IColor blue(255, 0, 0, 255);
  g.log.clear();
  g.RenderSVG(svg, nullptr, &blue, &green);
  EXPECT_FALSE(g.lastFillOptions.mPreserve);
  EXPECT_EQ(g.Entries("PathFill"), std::vector<std::string>{"PathFill 255,0,255,0"});
  EXPECT_EQ(g.Entries("PathStroke"), std::vector<std::string>{"PathStroke 255,0,0,255 t1"});
}

TEST_F(SVGDrawing, RingGetsASolidOuterAndAHoleInside) {
  const ISVG svg = Picture(
      "<svg width='100' height='100'><path d='"
      "M60 50 C60 55.5 55.5 60 50 60 C44.5 60 40 55.5 40 50 C40 44.5 44.5 40 50 40 C55.5 40 60 44.5 60 50 Z "
      "M55 50 C55 52.8 52.8 55 50 55 C47.2 55 45 52.8 45 50 C45 47.2 47.2 45 50 45 C52.8 45 55 47.2 55 50 Z'/>"
      "</svg>");
  g.log.clear();
  g.RenderSVG(svg);
  EXPECT_EQ(g.Entries("PathSetWinding"), (std::vector<std::string>{"PathSetWinding 0", "PathSetWinding 1"}));
}

TEST_F(SVGDrawing, HiddenShapesAreSkipped) {
  const ISVG svg = Picture("<svg width='10' height='10'><rect width='2' height='2' display='none'/></svg>");
  g.log.clear();
  g.RenderSVG(svg);
  EXPECT_TRUE(g.log.empty());
}

TEST_F(SVGDrawing, EmptyPicturesDrawNothing) {
  g.log.clear();
  g.DrawSVG(ISVG(), IRECT(0, 0, 10, 10));
  g.DrawSVG(Picture("<svg width='0' height='10'/>"), IRECT(0, 0, 10, 10));
  g.RenderSVG(ISVG());
  EXPECT_TRUE(g.log.empty());
}

TEST_F(SVGDrawing, PathsWithABrokenPointCountAreReadOnlyToTheirLastWholeSegment) {
  svg::SVGImage image;
  image.width = image.height = 10.f;
  svg::SVGShape shape;
  shape.fill.type = svg::kPaintColor;
  shape.fill.color = svg::PackRGBA(1, 2, 3, 255);
  svg::SVGPath path;
  path.pts = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5};
  path.npts = 6;  // one whole segment and two stray points
  svg::SVGPath lonely;
  lonely.pts = {7, 7};
  lonely.npts = 1;
  svg::SVGPath lying;
  lying.pts = {0, 0};
  lying.npts = 40;  // claims more points than it has
  shape.paths = {path, lonely, lying};
  image.shapes.push_back(std::move(shape));
  g.log.clear();
  g.RenderSVG(ISVG(&image));
  EXPECT_EQ(g.Count("PathCubicBezierTo"), 1);
  EXPECT_EQ(g.Count("PathMoveTo"), 3);  // the lying path is read as the one point it has
}

TEST_F(SVGDrawing, ColourAlphaIsTheOpacityTimesThePaintsAlpha) {
  svg::SVGPaint paint;
  paint.type = svg::kPaintColor;
  paint.color = svg::PackRGBA(10, 20, 30, 255);
  EXPECT_EQ(IGraphics::GetSVGPattern(paint, 0.5f).GetStop(0).mColor, IColor(128, 10, 20, 30));  // round(127.5)
  paint.color = svg::PackRGBA(10, 20, 30, 128);
  EXPECT_EQ(IGraphics::GetSVGPattern(paint, 0.5f).GetStop(0).mColor.A, 64);
  svg::SVGPaint none;
  EXPECT_EQ(IGraphics::GetSVGPattern(none, 1.f).GetStop(0).mColor, IColor(255, 0, 0, 0));
}

TEST_F(SVGDrawing, GradientsKeepSixteenStopsTheirSpreadAndTransform) {
  svg::SVGPaint paint;
  paint.type = svg::kPaintRadialGradient;
  paint.gradient = std::make_unique<svg::SVGGradient>();
  paint.gradient->spread = svg::kSpreadReflect;
  const float xform[6] = {1, 2, 3, 4, 5, 6};
  std::copy(xform, xform + 6, paint.gradient->xform);
  for (int i = 0; i < 20; ++i) paint.gradient->stops.push_back({svg::PackRGBA(i, 0, 0, i == 0 ? 128 : 255), i / 20.f});
  const IPattern p = IGraphics::GetSVGPattern(paint, 1.f);
  EXPECT_EQ(p.mType, kRadialPattern);
  EXPECT_EQ(p.mExtend, kExtendReflect);
  EXPECT_EQ(p.NStops(), 16);
  EXPECT_EQ(p.GetStop(15).mColor, IColor(255, 15, 0, 0));
  EXPECT_FLOAT_EQ(p.GetStop(15).mOffset, 0.75f);
  EXPECT_EQ(p.GetStop(0).mColor.A, 128);  // stop opacity is kept
  EXPECT_EQ(p.mTransform, IMatrix(1, 2, 3, 4, 5, 6));
  paint.gradient->spread = 7;
  EXPECT_EQ(IGraphics::GetSVGPattern(paint, 1.f).mExtend, kExtendPad);
  paint.type = svg::kPaintLinearGradient;
  EXPECT_EQ(IGraphics::GetSVGPattern(paint, 0.5f).GetStop(1).mColor.A, 128);
}

TEST_F(SVGDrawing, RotatedSVGTurnsAboutItsCentre) {
  const ISVG svg = Picture("<svg width='20' height='10'><path d='M0 0 h1'/></svg>");
  g.log.clear();
  g.DrawRotatedSVG(svg, 50, 60, 20, 10, 0.0);
  // Centre, rotation by 0, then DrawSVG's corner (-10, -5) at scale 1.
  EXPECT_EQ(g.log[0], "PathTransformSetMatrix 1,0,0,1,50,60");
  EXPECT_EQ(g.log[2], "PathTransformSetMatrix 1,0,0,1,40,55");
  EXPECT_EQ(g.GetTransform(), IMatrix());
}

}  // namespace
}  // namespace fx::gfx::test
