// Transforms, layers, clipping and the layer shadow's blur.
#include "graphics/ShadowBlur.h"
#include "tests/support/DetailGraphics.h"
#include "tests/support/FakeDelegate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace fx::gfx::test {
namespace {

class LayersTransforms : public ::testing::Test {
 protected:
  FakeDelegate dlg;
  DetailGraphics g{dlg, 400, 300};
};

// Where the current transform takes a point, computed from its six values.
void Map(const IMatrix& m, double x, double y, double& ox, double& oy) {
  ox = m.mXX * x + m.mXY * y + m.mTX;
  oy = m.mYX * x + m.mYY * y + m.mTY;
}

void ExpectMaps(const IMatrix& m, double x, double y, double ex, double ey) {
  double ox = 0.0, oy = 0.0;
  Map(m, x, y, ox, oy);
  EXPECT_NEAR(ox, ex, 1e-5) << "x of (" << x << ", " << y << ")";
  EXPECT_NEAR(oy, ey, 1e-5) << "y of (" << x << ", " << y << ")";
}

TEST_F(LayersTransforms, OperationsActOnPointsBeforeTheCurrentTransform) {
  g.PathTransformTranslate(10, 20);
  g.PathTransformScale(2, 3);
  ExpectMaps(g.GetTransform(), 1, 1, 12, 23);
  // Rotating by 90 degrees turns right into down (y grows downwards), before the scale and translation.
  g.PathTransformRotate(90);
  ExpectMaps(g.GetTransform(), 1, 0, 10, 23);
  g.PathTransformReset();
  g.PathTransformSkew(45, 0);
  ExpectMaps(g.GetTransform(), 0, 2, 2, 2);
  g.PathTransformReset();
  g.PathTransformSkew(0, 45);
  ExpectMaps(g.GetTransform(), 2, 0, 2, 2);
  g.PathTransformReset();
  g.PathTransformTranslate(5, 0);
  g.PathTransformMatrix(IMatrix(1, 2, 3, 4, 5, 6));
  // m first: (1, 1) -> (1 + 3 + 5, 2 + 4 + 6) = (9, 12), then + (5, 0).
  ExpectMaps(g.GetTransform(), 1, 1, 14, 12);
}

TEST_F(LayersTransforms, EveryChangeIsSentButSaveIsNot) {
  g.log.clear();
  g.PathTransformSave();
  EXPECT_TRUE(g.log.empty());
  g.PathTransformScale(2.f);
  g.PathTransformRestore();
  EXPECT_EQ(g.log,
            (std::vector<std::string>{"PathTransformSetMatrix 2,0,0,2,0,0", "PathTransformSetMatrix 1,0,0,1,0,0"}));
  g.log.clear();
  g.PathTransformRestore();
  EXPECT_TRUE(g.log.empty());
  g.PathTransformTranslate(1, 1);
  g.PathTransformSave();
  g.PathTransformReset(true);
  g.PathTransformRestore();
  EXPECT_EQ(g.GetTransform(), IMatrix());
}

TEST_F(LayersTransforms, StartLayerAlignsToPixelsAndRoundsThePointSizeUp) {
  g.SetScreenScale(2.f);
  g.log.clear();
  g.StartLayer(nullptr, IRECT(0.3f, 0.3f, 10.2f, 10.2f));
  EXPECT_EQ(g.log[0], "CreateAPIBitmap 22x22 s2 d1");
  ILayerPtr layer = g.EndLayer();
  ASSERT_TRUE(layer);
  EXPECT_EQ(layer->Bounds(), IRECT(0, 0, 10.5f, 10.5f));
  EXPECT_EQ(g.NLayers(), 0);
}

// A rectangle that is not a number, or too large for any image (a control's Draw through a layer after its bounds
// were set so), makes no image of that size: the layer, if any, is closed again as usual.
TEST_F(LayersTransforms, StartLayerOnARectangleWithoutASizeMakesNoSuchImage) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const IRECT& r : {IRECT(nan, 0.f, 10.f, 10.f), IRECT(0.f, 0.f, 3e38f, 10.f), IRECT(0.f, 0.f, 10.f, 1e10f)}) {
    g.log.clear();
    g.StartLayer(nullptr, r);
    for (const std::string& entry : g.Entries("CreateAPIBitmap")) EXPECT_EQ(entry.find("x-"), std::string::npos);
    g.EndLayer();
    EXPECT_EQ(g.NLayers(), 0);
  }
}

TEST_F(LayersTransforms, PushAndPopRetargetResetAndClip) {
  g.PathTransformTranslate(3, 3);
  g.log.clear();
  g.StartLayer(nullptr, IRECT(10, 10, 50, 50));
  EXPECT_EQ(g.log,
            (std::vector<std::string>{"CreateAPIBitmap 40x40 s1 d1", "UpdateLayer 1",
                                      "PathTransformSetMatrix 1,0,0,1,0,0", "PathTransformSetMatrix 1,0,0,1,0,0",
                                      "SetClipRegion 10,10,50,50", "PathTransformSetMatrix 1,0,0,1,0,0", "PathClear"}));
  g.log.clear();
  ILayerPtr layer = g.EndLayer();
  // Back on the main frame: the clip is the draw loop's (all zeros here, nothing drawn yet).
  EXPECT_EQ(g.log, (std::vector<std::string>{"UpdateLayer 0", "PathTransformSetMatrix 1,0,0,1,0,0",
                                             "PathTransformSetMatrix 1,0,0,1,0,0", "SetClipRegion 0,0,0,0",
                                             "PathTransformSetMatrix 1,0,0,1,0,0", "PathClear"}));
  // With nothing to pop the main frame is made the target, the transform reset and the clip set all the same.
  const std::vector<std::string> emptyPop = g.log;
  g.PathTransformTranslate(3, 3);
  g.log.clear();
  EXPECT_EQ(g.PopLayer(), nullptr);
  EXPECT_EQ(g.log, emptyPop);
  g.log.clear();
  EXPECT_FALSE(g.EndLayer());
  EXPECT_EQ(g.log, emptyPop);
  EXPECT_EQ(g.GetTransform(), IMatrix());
  g.log.clear();
  g.PushLayer(static_cast<ILayer*>(nullptr));
  EXPECT_TRUE(g.log.empty());
  EXPECT_EQ(g.NLayers(), 0);
}

// An image that counts its own destruction, to see which layers a graphics object frees.
struct CountedImage : APIBitmap {
  explicit CountedImage(int& deleted) : mDeleted(deleted) {}
  ~CountedImage() override { ++mDeleted; }
  int& mDeleted;
};

ILayerPtr CountedLayer(int& deleted) {
  return std::make_unique<ILayer>(new CountedImage(deleted), IRECT(0, 0, 10, 10), nullptr, IRECT());
}

TEST(LayerOwnership, LayersStillPushedOwningAreFreedWithTheGraphicsButBorrowedOnesAreNot) {
  int deleted = 0;
  ILayerPtr borrowed = CountedLayer(deleted);
  {
    FakeDelegate dlg;
    DetailGraphics g(dlg, 400, 300);
    g.PushLayer(CountedLayer(deleted));
    g.PushLayer(borrowed.get());
    g.PushLayer(CountedLayer(deleted));
    g.StartLayer(nullptr, IRECT(0, 0, 5, 5));
    EXPECT_EQ(g.NLayers(), 4);
  }
  EXPECT_EQ(deleted, 2);
  borrowed.reset();
  EXPECT_EQ(deleted, 3);
}

TEST(LayerOwnership, APoppedOwnedLayerBelongsToTheCaller) {
  int deleted = 0;
  ILayerPtr popped;
  {
    FakeDelegate dlg;
    DetailGraphics g(dlg, 400, 300);
    g.PushLayer(CountedLayer(deleted));
    popped.reset(g.PopLayer());
  }
  EXPECT_EQ(deleted, 0);
  popped.reset();
  EXPECT_EQ(deleted, 1);
}

struct ClipRow {
  IRECT request;
  IRECT clip;
};

void PrintTo(const ClipRow& row, std::ostream* os) {
  *os << "request " << row.request.L << "," << row.request.T << "," << row.request.R << "," << row.request.B;
}

class ClipRules : public ::testing::TestWithParam<ClipRow> {};

TEST_P(ClipRules, ClipIsTheRequestWithinTheActiveLayer) {
  FakeDelegate dlg;
  DetailGraphics g(dlg, 400, 300);
  g.StartLayer(nullptr, IRECT(10, 10, 50, 50));
  g.log.clear();
  g.PathClipRegion(GetParam().request);
  EXPECT_EQ(g.log[1], "SetClipRegion " + Rect(GetParam().clip));
  g.EndLayer();
}

INSTANTIATE_TEST_SUITE_P(LayersTransforms, ClipRules,
                         ::testing::Values(ClipRow{IRECT(), IRECT(10, 10, 50, 50)},
                                           ClipRow{IRECT(0, 20, 30, 100), IRECT(10, 20, 30, 50)},
                                           ClipRow{IRECT(60, 60, 70, 70), IRECT()},
                                           ClipRow{IRECT(50, 10, 60, 20), IRECT()},  // touching the right edge
                                           ClipRow{IRECT(0, 0, 10, 10), IRECT(10, 10, 10, 10)}));

TEST_F(LayersTransforms, CheckLayerFollowsScalesAndControlMoves) {
  class Box : public IControl {
   public:
    using IControl::IControl;
    void Draw(IGraphics&) override {}
  } box(IRECT(0, 0, 10, 10));
  EXPECT_FALSE(g.CheckLayer(nullptr));
  g.StartLayer(&box, box.GetRECT());
  ILayerPtr layer = g.EndLayer();
  EXPECT_TRUE(g.CheckLayer(layer));
  g.SetScreenScale(2.f);
  EXPECT_FALSE(g.CheckLayer(layer));
  g.SetScreenScale(1.f);
  EXPECT_TRUE(g.CheckLayer(layer));
  // A layer whose control moved fails for good.
  box.SetTargetAndDrawRECTs(IRECT(5, 5, 15, 15));
  EXPECT_FALSE(g.CheckLayer(layer));
  EXPECT_FALSE(g.CheckLayer(layer));
}

TEST_F(LayersTransforms, DrawingALayerLandsOnItsBounds) {
  g.StartLayer(nullptr, IRECT(10, 20, 30, 60));
  ILayerPtr layer = g.EndLayer();
  g.PathTransformScale(3.f);
  g.log.clear();
  g.DrawLayer(layer);
  EXPECT_EQ(g.log, (std::vector<std::string>{"PathTransformSetMatrix 1,0,0,1,0,0", "DrawBitmap 10,20,30,60 0,0",
                                             "PathTransformSetMatrix 3,0,0,3,0,0"}));
  g.log.clear();
  g.PathTransformReset();
  g.DrawFittedLayer(layer, IRECT(0, 0, 40, 20));
  EXPECT_EQ(g.log[2], "PathTransformSetMatrix 2,0,0,0.5,0,0");
  EXPECT_EQ(g.log[3], "DrawBitmap 0,0,20,40 0,0");
  g.log.clear();
  g.DrawRotatedLayer(layer, 0.0);
  EXPECT_EQ(g.log[3], "DrawBitmap -10,-20,10,20 0,0");
  g.log.clear();
  g.DrawLayer(nullptr);
  EXPECT_TRUE(g.log.empty());
}

// A layer whose own rectangle has no width or height (or a NaN one) cannot be fitted to any bounds: nothing is
// drawn and the transform is not touched.
TEST_F(LayersTransforms, FittingALayerWithoutAreaDrawsNothing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const IRECT rects[] = {IRECT(10, 20, 10, 60), IRECT(10, 20, 30, 20), IRECT(), IRECT(10, 20, 30, nan)};
  for (const IRECT& r : rects) {
    ILayerPtr layer = std::make_unique<ILayer>(new APIBitmap(1, 20, 40, 1.f, 1.f), r, nullptr, IRECT());
    g.log.clear();
    g.DrawFittedLayer(layer, IRECT(0, 0, 40, 20));
    EXPECT_TRUE(g.log.empty()) << r.L << "," << r.T << "," << r.R << "," << r.B;
    EXPECT_EQ(g.GetTransform(), IMatrix());
  }
}

TEST_F(LayersTransforms, TextRotationBoundingBoxAndAlignment) {
  IText text;
  text.mAngle = 90.f;
  text.mAlign = kAlignNear;
  text.mVAlign = kVAlignTop;
  IRECT rect(0, 0, 20, 10);
  g.DoMeasureTextRotation(text, IRECT(100, 100, 200, 200), rect);
  // Rotated by 90 degrees the 20 x 10 box stands 10 x 20, then moves to the top-left of the bounds.
  EXPECT_NEAR(rect.L, 100.f, 1e-4);
  EXPECT_NEAR(rect.T, 100.f, 1e-4);
  EXPECT_NEAR(rect.W(), 10.f, 1e-4);
  EXPECT_NEAR(rect.H(), 20.f, 1e-4);
  IRECT unrotated(1, 2, 3, 4);
  g.DoMeasureTextRotation(IText(), IRECT(100, 100, 200, 200), unrotated);
  EXPECT_EQ(unrotated, IRECT(1, 2, 3, 4));
}

TEST(ShadowBlur, KernelTaps) {
  const ShadowKernel none = MakeShadowKernel(1.f, 0.f);
  ASSERT_EQ(none.taps.size(), 1u);
  EXPECT_EQ(none.taps[0], 255);
  EXPECT_EQ(none.norm, 255);
  // size 3: taps round(255 exp(-i^2 / 2)) = 255, 154.66 -> 155, 34.51 -> 35.
  const ShadowKernel three = MakeShadowKernel(2.f, 1.f);
  ASSERT_EQ(three.taps.size(), 3u);
  EXPECT_EQ(three.taps[1], 155);
  EXPECT_EQ(three.taps[2], 35);
  EXPECT_EQ(three.norm, 255 + 2 * (155 + 35));
}

// An unbounded blur would ask for an unbounded kernel; the kernel stops at 1024 taps, whose sums still fit.
TEST(ShadowBlur, KernelSizeIsBounded) {
  const ShadowKernel huge = MakeShadowKernel(2.f, std::numeric_limits<float>::infinity());
  ASSERT_EQ(huge.taps.size(), 1024u);
  EXPECT_EQ(huge.taps[0], 255);
  EXPECT_GT(huge.norm, 0);
  EXPECT_LT(255.0 * huge.norm, 2147483647.0);
  EXPECT_EQ(MakeShadowKernel(1.f, 5000.f).taps.size(), 1024u);
  EXPECT_EQ(MakeShadowKernel(1.f, std::numeric_limits<float>::quiet_NaN()).taps.size(), 1u);
}

// One pass over rows with stretches of equal samples (wider and narrower than the window, at the edges and inside)
// gives what the direct weighted sum gives: lighter edges included.
TEST(ShadowBlur, PassOverEqualStretchesMatchesTheDirectSum) {
  const ShadowKernel kernel = MakeShadowKernel(2.f, 1.f);  // 3 taps: a window of 7 samples
  const std::vector<std::vector<int>> rows = {
      std::vector<int>(20, 200),  // all equal, edges still lighter
      {0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
      {9, 9, 9, 9, 9, 9, 9, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7, 7, 7},  // runs of exactly the window at both ends
      {50, 50, 50, 50, 50, 50, 60, 50, 50, 50, 50, 50, 50},             // runs one short of the window
      {255, 255, 255},                                                  // shorter than the window
  };
  for (const std::vector<int>& row : rows) {
    const int n = static_cast<int>(row.size());
    std::vector<uint8_t> in(static_cast<size_t>(n) * 4, 0);
    for (int j = 0; j < n; ++j) in[static_cast<size_t>(j) * 4] = static_cast<uint8_t>(row[static_cast<size_t>(j)]);
    std::vector<uint8_t> out(static_cast<size_t>(n) * 4, 0);
    BlurAlphaPass(in.data(), 0, 1, n, out.data(), 4, kernel);
    for (int j = 0; j < n; ++j) {
      int acc = kernel.taps[0] * row[j];
      for (int m = 1; m < 3; ++m) {
        if (j - m >= 0) acc += kernel.taps[m] * row[j - m];
        if (j + m < n) acc += kernel.taps[m] * row[j + m];
      }
      EXPECT_EQ(out[static_cast<size_t>(j) * 4], std::min(255, acc / kernel.norm)) << "sample " << j << " of " << n;
    }
  }
}

// A plain two-pass blur in image coordinates: rows first, then columns, edges left out, integer division.
std::vector<int> ReferenceBlur(const std::vector<int>& alpha, int w, int h, const ShadowKernel& k) {
  auto blur1d = [&](auto get, int n, int j) {
    int acc = k.taps[0] * get(j);
    for (int m = 1; m < static_cast<int>(k.taps.size()); ++m) {
      if (j - m >= 0) acc += k.taps[m] * get(j - m);
      if (j + m < n) acc += k.taps[m] * get(j + m);
    }
    return std::min(255, acc / k.norm);
  };
  std::vector<int> rows(alpha.size()), out(alpha.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rows[y * w + x] = blur1d([&](int i) { return alpha[y * w + i]; }, w, x);
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y) out[y * w + x] = blur1d([&](int i) { return rows[i * w + x]; }, h, y);
  return out;
}

TEST_F(LayersTransforms, LayerShadowBlurMatchesAPlainTwoPassBlur) {
  const int w = 13;
  const int h = 7;
  g.StartLayer(nullptr, IRECT(0, 0, w, h));
  ILayerPtr layer = g.EndLayer();
  std::mt19937 rng(7);
  std::vector<int> alpha(w * h);
  g.layerPixels.assign(w * h * 4, 0);
  for (int i = 0; i < w * h; ++i) {
    alpha[i] = static_cast<int>(rng() % 256);
    g.layerPixels[i * 4 + 3] = static_cast<uint8_t>(alpha[i]);
    g.layerPixels[i * 4] = 77;  // colour bytes are left alone
  }
  g.ApplyLayerDropShadow(layer, IShadow(IPattern(COLOR_BLACK), 2.f, 1.f, 1.f, 0.5f, true));
  const std::vector<int> expected = ReferenceBlur(alpha, w, h, MakeShadowKernel(1.f, 2.f));
  ASSERT_EQ(g.shadowMask.size(), static_cast<size_t>(w * h * 4));
  for (int i = 0; i < w * h; ++i) {
    EXPECT_EQ(g.shadowMask[i * 4 + 3], expected[i]) << "pixel " << i;
    EXPECT_EQ(g.shadowMask[i * 4], 77);
  }
}

TEST_F(LayersTransforms, BlurSizeZeroKeepsTheAlpha) {
  g.StartLayer(nullptr, IRECT(0, 0, 3, 2));
  ILayerPtr layer = g.EndLayer();
  g.layerPixels = {0, 0, 0, 10, 0, 0, 0, 20, 0, 0, 0, 30, 0, 0, 0, 40, 0, 0, 0, 50, 0, 0, 0, 60};
  g.ApplyLayerDropShadow(layer, IShadow(IPattern(COLOR_BLACK), 0.f, 0.f, 0.f, 1.f, true));
  EXPECT_EQ(g.shadowMask, g.layerPixels);
}

TEST_F(LayersTransforms, ShadowOfAnEmptyOrShortBufferDoesNothing) {
  g.StartLayer(nullptr, IRECT(0, 0, 3, 2));
  ILayerPtr layer = g.EndLayer();
  g.layerPixels.clear();
  g.ApplyLayerDropShadow(layer, IShadow(IPattern(COLOR_BLACK), 2.f, 0.f, 0.f, 1.f, true));
  g.layerPixels.assign(8, 255);  // fewer bytes than 3 x 2 pixels
  g.ApplyLayerDropShadow(layer, IShadow(IPattern(COLOR_BLACK), 2.f, 0.f, 0.f, 1.f, true));
  EXPECT_TRUE(g.shadowMask.empty());
}

}  // namespace
}  // namespace fx::gfx::test
