#include "tests/graphics/GraphicsFixture.h"

#include <cmath>
#include <limits>

namespace fx::gfx::test {
namespace {

using Scaling = GraphicsFixture;

constexpr float kInf = std::numeric_limits<float>::infinity();

TEST_F(Scaling, ResizeToTheCurrentSizeDoesNothing) {
  Attach("a", IRECT(0, 0, 10, 10))->SetClean();
  journal.clear();
  g.Resize(400, 300, 1.f);
  EXPECT_TRUE(dlg.host.empty());
  EXPECT_TRUE(journal.empty());
  EXPECT_FALSE(g.GetControl(0)->IsDirty());
}

TEST_F(Scaling, ScaleAndSizeLimits) {
  struct Row {
    int w, h;
    float scale;
    bool sizeLimits;
    int expectW, expectH;
    float expectScale;
  };
  const Row rows[] = {
      {400, 300, 5.f, false, 400, 300, 4.f},
      {400, 300, 0.1f, false, 400, 300, 0.5f},
      {1000, 100, 1.f, true, 900, 200, 1.f},
      {250, 700, 2.f, true, 300, 600, 2.f},
      {500, 500, 1.5f, true, 500, 500, 1.5f},
      // An infinite scale ends at the limit it points to.
      {400, 300, kInf, false, 400, 300, 4.f},
      {400, 300, -kInf, false, 400, 300, 0.5f},
  };
  for (const Row& row : rows) {
    FakeDelegate d;
    RecordingGraphics gr(d, 400, 300);
    if (row.sizeLimits) gr.SetSizeConstraints(900, 300, 200, 600);
    gr.Resize(row.w, row.h, row.scale);
    EXPECT_EQ(gr.Width(), row.expectW) << row.w << "x" << row.h;
    EXPECT_EQ(gr.Height(), row.expectH) << row.w << "x" << row.h;
    EXPECT_EQ(gr.GetDrawScale(), row.expectScale) << row.scale;
  }
}

TEST_F(Scaling, ResizeSequence) {
  g.EnableMouseOver(true);
  TestControl* a = Attach("a", IRECT(0, 0, 10, 10));
  auto* resizer = new TestCornerResizer(journal, "corner", IRECT(380, 280, 400, 300));
  g.AttachCornerResizer(resizer);
  Press(5, 5);
  journal.clear();
  g.log.clear();
  g.Resize(400, 200, 1.5f, false);
  EXPECT_FALSE(g.ControlIsCaptured());
  EXPECT_EQ(dlg.host, std::vector<std::string>{"resize 600x300"});
  EXPECT_EQ(g.log, (std::vector<std::string>{"PlatformResize 1", "DrawResize"}));
  EXPECT_EQ(journal, (std::vector<std::string>{"corner:OnRescale", "a:OnResize", "corner:OnResize"}));
  EXPECT_TRUE(a->IsDirty());
  EXPECT_EQ(dlg.layouts, 0);

  g.SetLayoutOnResize(true);
  g.Resize(500, 200, 1.5f);
  EXPECT_EQ(dlg.layouts, 1);
}

// NaN passes through both limits; the screen scale has no limits, so an infinite one is refused too.
TEST_F(Scaling, NonNumberScalesAreRefused) {
  g.Resize(400, 300, std::nanf(""));
  g.SetScreenScale(0.f);
  g.SetScreenScale(std::nanf(""));
  g.SetScreenScale(kInf);
  g.SetScreenScale(-kInf);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  EXPECT_EQ(g.GetScreenScale(), 1.f);
  EXPECT_TRUE(dlg.host.empty());
}

// A screen scale no screen has (1e10) leaves the rescaled bitmaps' scale within an int: the empty bitmap stays empty,
// and loading at the screen scale, from a file or from memory, finds nothing.
TEST_F(Scaling, AHugeScreenScaleLeavesBitmapScalesWithinAnInt) {
  g.SetScreenScale(1e10f);
  EXPECT_EQ(g.GetScaledBitmap(IBitmap()).GetAPIBitmap(), nullptr);
  const unsigned char data[4] = {};
  EXPECT_EQ(g.LoadBitmap("strip.png").GetAPIBitmap(), nullptr);
  EXPECT_EQ(g.LoadBitmap("strip.png", data, sizeof(data)).GetAPIBitmap(), nullptr);
}

// Scale limits must be positive finite numbers: any other pair is refused whole and the limits stay, so no scale
// asked of Resize, infinite ones included, ends outside a finite window size.
TEST_F(Scaling, ScaleLimitsThatAreNotPositiveNumbersAreRefused) {
  const float nan = std::nanf("");
  const struct {
    float lo, hi;
  } rows[] = {{0.5f, kInf}, {kInf, 2.f}, {-kInf, 2.f}, {nan, 2.f}, {1.f, nan}, {0.f, 2.f}, {-1.f, 2.f}, {2.f, 0.f}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.lo << ".." << row.hi);
    FakeDelegate d;
    RecordingGraphics gr(d, 400, 300);
    gr.SetScaleConstraints(1.f, 3.f);
    gr.SetScaleConstraints(row.lo, row.hi);
    EXPECT_EQ(gr.GetMinScale(), 1.f);
    EXPECT_EQ(gr.GetMaxScale(), 3.f);
    gr.Resize(400, 300, kInf);
    EXPECT_EQ(gr.GetDrawScale(), 3.f);
    EXPECT_EQ(gr.WindowWidth(), 1200);
    gr.Resize(400, 300, 0.f);
    EXPECT_EQ(gr.GetDrawScale(), 1.f);
  }
}

// A finite scale limit past any screen lets a window size past an int be asked for: it is 0, a window no platform
// makes, where it was undefined.
TEST_F(Scaling, AHugeScaleLimitLeavesTheWindowSizeWithinAnInt) {
  FakeDelegate d;
  RecordingGraphics gr(d, 400, 300);
  gr.SetScaleConstraints(0.5f, 1e30f);
  gr.Resize(400, 300, 1e30f);
  EXPECT_EQ(gr.GetDrawScale(), 1e30f);
  EXPECT_EQ(gr.WindowWidth(), 0);
  EXPECT_EQ(gr.WindowHeight(), 0);
  gr.Resize(400, 300, 2.f);
  EXPECT_EQ(gr.WindowWidth(), 800);
  EXPECT_EQ(gr.WindowHeight(), 600);
}

TEST_F(Scaling, ScreenScaleRescalesEverythingAndAsksTheHost) {
  Attach("a", IRECT(0, 0, 10, 10));
  dlg.resizeAnswer = false;
  journal.clear();
  g.SetScreenScale(2.f);
  EXPECT_EQ(g.GetTotalScale(), 2.f);
  EXPECT_EQ(dlg.host, std::vector<std::string>{"resize 400x300 platform"});
  EXPECT_EQ(g.Entries("PlatformResize"), std::vector<std::string>{"PlatformResize 0"});
  EXPECT_EQ(journal, std::vector<std::string>{"a:OnRescale"});
  EXPECT_EQ(g.Count("DrawResize"), 1);
}

TEST_F(Scaling, WindowSizeFollowsTheDrawScale) {
  FakeDelegate d;
  RecordingGraphics gr(d, 400, 300, 1.5f);
  EXPECT_EQ(gr.WindowWidth(), 600);
  EXPECT_EQ(gr.WindowHeight(), 450);
}

TEST_F(Scaling, DragInScaleModeFollowsTheSmallerRatio) {
  TestControl* a = Attach("a", IRECT(0, 0, 10, 10));
  g.AttachCornerResizer(new TestCornerResizer(journal, "corner", IRECT(380, 280, 400, 300)), kUIResizerScale);
  Press(390, 290);
  g.StartDragResize();
  journal.clear();
  DragBy(780, 870, 390, 580);  // ratios 2 and 3: the smaller wins
  EXPECT_EQ(g.GetDrawScale(), 2.f);
  EXPECT_EQ(g.Width(), 400);
  EXPECT_EQ(Count("a:OnRescale"), 0);  // controls rescale only when the drag ends
  DragBy(4000, 4000, 10, 10);
  EXPECT_EQ(g.GetDrawScale(), 4.f);
  Release(4000, 4000);
  EXPECT_FALSE(g.GetResizingInProcess());
  EXPECT_EQ(Count("a:OnRescale"), 1);
  EXPECT_TRUE(a->IsDirty());
}

TEST_F(Scaling, DragInSizeModeSetsTheSize) {
  g.AttachCornerResizer(new TestCornerResizer(journal, "corner", IRECT(380, 280, 400, 300)), kUIResizerSize);
  g.SetSizeConstraints(200, 800, 200, 800);
  Press(390, 290);
  g.StartDragResize();
  DragBy(500.7f, 150, 110, -140);
  EXPECT_EQ(g.Width(), 500);
  EXPECT_EQ(g.Height(), 200);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  Release(500, 150);
}

// A size-mode drag takes the pointer position as the new size; a position that is no whole number of points an int
// can hold (NaN, infinite, past 2^31) is ignored, the size left as it was.
TEST_F(Scaling, SizeDragToAPositionWithoutAnIntSizeIsIgnored) {
  g.AttachCornerResizer(new TestCornerResizer(journal, "corner", IRECT(380, 280, 400, 300)), kUIResizerSize);
  Press(390, 290);
  g.StartDragResize();
  const float nan = std::nanf("");
  const struct { float x, y; } rows[] = {{nan, 200}, {200, nan}, {kInf, 200}, {200, -kInf}, {3e9f, 200}, {200, -3e9f}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.x << "," << row.y);
    g.OnDragResize(row.x, row.y);
    EXPECT_EQ(g.Width(), 400);
    EXPECT_EQ(g.Height(), 300);
  }
  EXPECT_TRUE(dlg.host.empty());
  g.OnDragResize(500.f, 250.f);
  EXPECT_EQ(g.Width(), 500);
  EXPECT_EQ(g.Height(), 250);
  Release(500, 250);
}

TEST_F(Scaling, ScaleDragWithoutAPressIsIgnored) {
  g.StartDragResize();
  DragBy(200, 200, 5, 5);  // no mouse-down position: nothing to take a ratio of
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  Press(0, 0);  // a press at the editor's corner gives ratios of x / 0
  DragBy(200, 200, 5, 5);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  EXPECT_TRUE(dlg.host.empty());
}

}  // namespace
}  // namespace fx::gfx::test
