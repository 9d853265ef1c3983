// The editor's drawing back end on the GPU back end, in pixels: strokes left out because they lie outside the clip
// leave the frame as drawing them would, and an off-screen bitmap whose image cannot be made leaves the frame as it
// was drawn.
#include <cmath>
#include <string>
#include <vector>

#include "tests/graphics/vector/GpuGraphicsFixture.h"

namespace fx::gfx::test {
namespace {

constexpr IColor kInk(255, 230, 30, 30);
constexpr IRECT kClip(0, 0, 100, 100);

struct StrokeCase {
  const char* name;
  float points[6];  // a line, or two lines meeting at the second point
  int npoints;
  float thickness;
  int cap;  // ELineCap
  float miterLimit;
  bool reachesIn;  // some of the stroke lies inside the clip
};

// The control rectangle is the clip (0, 0, 100, 100). A square cap's corner lies half the thickness times the
// square root of 2 past the end point along a diagonal line: (125, 60) to (155, 30) at 40 reaches x = 125 - 20 x
// sqrt(2) = 96.7, and the same line mirrored reaches y = 96.7; a butt end reaches 125 - 20 / sqrt(2) = 110.9, a round
// one 125 - 20 = 105. Along an axis a square cap reaches half the thickness: 104 - 6 = 98.
// Lines from (160, 40) and (160, 60) meeting at (130, 50) at 40 turn by 2 x atan(1 / 3): their miter is 1 / sin(atan(1
// / 3)) = sqrt(10) = 3.16 half widths long and reaches x = 130 - 20 x 3.16 = 66.8. Only the limit's size counts, so
// limits of 10 and -10 keep it; at 3 it is cut to a bevel, which ends at x = 130 - 20 / sqrt(10) = 123.7.
// clang-format off
const StrokeCase kStrokes[] = {
  {"SquareCapAlongADiagonal",       {125, 60, 155, 30},         2, 40, kCapSquare, 1,   true},
  {"SquareCapAlongADiagonalBelow",  {60, 125, 30, 155},         2, 40, kCapSquare, 1,   true},
  {"SquareCapAlongTheAxis",         {104, 50, 150, 50},         2, 12, kCapSquare, 1,   true},
  {"ButtEndAlongADiagonal",         {125, 60, 155, 30},         2, 40, kCapButt,   1,   false},
  {"RoundCapAlongADiagonal",        {125, 60, 155, 30},         2, 40, kCapRound,  1,   false},
  {"MiterWithinItsLimit",           {160, 40, 130, 50, 160, 60}, 3, 40, kCapButt,   10,  true},
  {"MiterWithinANegativeLimit",     {160, 40, 130, 50, 160, 60}, 3, 40, kCapButt,   -10, true},
  {"MiterWithoutANumberForALimit",  {160, 40, 130, 50, 160, 60}, 3, 40, kCapButt,   NAN, true},
  {"MiterCutToABevel",              {160, 40, 130, 50, 160, 60}, 3, 40, kCapButt,   3,   false},
};
// clang-format on

void PrintTo(const StrokeCase& stroke, std::ostream* os) {
  *os << stroke.name;
}

// Draws the case's stroke through the path interface, or straight through the renderer, which leaves out nothing.
class StrokeControl : public IControl {
 public:
  StrokeControl(const StrokeCase& stroke, bool direct) : IControl(kClip), mStroke(stroke), mDirect(direct) {}

  void Draw(IGraphics& g) override {
    if (!mDirect) {
      IStrokeOptions options;
      options.mCapOption = static_cast<ELineCap>(mStroke.cap);
      options.mMiterLimit = mStroke.miterLimit;
      g.PathMoveTo(mStroke.points[0], mStroke.points[1]);
      for (int i = 1; i < mStroke.npoints; ++i) g.PathLineTo(mStroke.points[2 * i], mStroke.points[2 * i + 1]);
      g.PathStroke(IPattern(kInk), mStroke.thickness, options);
      return;
    }
    constexpr int kCaps[] = {VR_BUTT, VR_ROUND, VR_SQUARE};
    auto* vg = static_cast<VRcontext*>(g.GetDrawContext());
    vrSave(vg);
    vrBeginPath(vg);
    vrMoveTo(vg, mStroke.points[0], mStroke.points[1]);
    for (int i = 1; i < mStroke.npoints; ++i) vrLineTo(vg, mStroke.points[2 * i], mStroke.points[2 * i + 1]);
    vrLineCap(vg, kCaps[mStroke.cap]);
    vrLineJoin(vg, VR_MITER);
    vrMiterLimit(vg, mStroke.miterLimit);
    vrStrokeWidth(vg, mStroke.thickness);
    vrStrokeColor(vg, vrRGBA(kInk.R, kInk.G, kInk.B, kInk.A));
    vrStroke(vg);
    vrBeginPath(vg);
    vrRestore(vg);
  }

 private:
  StrokeCase mStroke;
  bool mDirect;
};

class CulledStroke : public GpuGraphicsTest, public ::testing::WithParamInterface<StrokeCase> {
 protected:
  // The frame with the stroke drawn one way, as rows of pixels.
  std::vector<IColor> Frame(bool direct) {
    std::vector<IColor> pixels;
    IControl* control = Add(new StrokeControl(GetParam(), direct));
    if (Render()) {
      for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) pixels.push_back(Pixel(x, y));
    }
    g->RemoveControl(control);
    return pixels;
  }
};

TEST_P(CulledStroke, LeavesThePixelsOfTheStrokeDrawnInFull) {
  const std::vector<IColor> culled = Frame(false);
  const std::vector<IColor> reference = Frame(true);
  ASSERT_EQ(culled.size(), static_cast<size_t>(kSize * kSize));
  ASSERT_EQ(reference.size(), culled.size());
  int inked = 0, different = 0;
  for (size_t i = 0; i < culled.size(); ++i) {
    inked += !Near(reference[i], kBackground, 0);
    different += !Near(culled[i], reference[i], 0);
  }
  EXPECT_EQ(inked > 0, GetParam().reachesIn);
  EXPECT_EQ(different, 0);
}

INSTANTIATE_TEST_SUITE_P(IGraphicsVectorPixels, CulledStroke, ::testing::ValuesIn(kStrokes),
                         [](const auto& info) { return std::string(info.param.name); });

// Red on the left half of the control, then an off-screen bitmap too wide for any image (its framebuffer has no
// image), then green on the right half: both halves show, as if the bitmap had not been asked for.
class HalvesWithAFailedBitmap : public IControl {
 public:
  HalvesWithAFailedBitmap() : IControl(IRECT(0, 0, 200, 100)) {}

  void Draw(IGraphics& g) override {
    g.FillRect(COLOR_RED, IRECT(0, 0, 100, 100));
    APIBitmap* bitmap = g.CreateAPIBitmap(1 << 20, 10, 1, 1.0);
    mImage = bitmap->GetBitmapID();
    delete bitmap;
    g.FillRect(COLOR_GREEN, IRECT(100, 0, 200, 100));
  }
  int mImage = -1;
};

TEST_F(GpuGraphicsTest, ABitmapWhoseImageCannotBeMadeLeavesTheFrameAsDrawn) {
  auto* control = Add(new HalvesWithAFailedBitmap);
  ASSERT_TRUE(Render());
  EXPECT_EQ(control->mImage, 0);
  EXPECT_TRUE(Near(Pixel(50, 50), COLOR_RED, 0));
  EXPECT_TRUE(Near(Pixel(150, 50), COLOR_GREEN, 0));
  EXPECT_TRUE(Near(Pixel(300, 300), kBackground, 0));
}

}  // namespace
}  // namespace fx::gfx::test
