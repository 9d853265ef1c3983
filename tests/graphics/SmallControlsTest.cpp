// The graphics core's own controls: bitmap, SVG and panel backgrounds, corner resizer, value bubble and
// frame-time display.
#include "graphics/IBitmapControl.h"
#include "graphics/IBubbleControl.h"
#include "graphics/IControlActions.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IGraphicsClock.h"
#include "graphics/IPanelControl.h"
#include "graphics/ISVGControl.h"
#include "tests/support/DetailGraphics.h"
#include "tests/support/FakeDelegate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace fx::gfx::test {
namespace {

double sNowMs = 0.0;
double FakeClock() {
  return sNowMs;
}

class Box : public IControl {
 public:
  using IControl::IControl;
  void Draw(IGraphics&) override {}
};

class SmallControls : public ::testing::Test {
 protected:
  void SetUp() override {
    sNowMs = 0.0;
    SetGraphicsClock(FakeClock);
  }
  void TearDown() override { SetGraphicsClock(nullptr); }

  // One turn of the draw loop's animation step at the given time.
  void At(double ms) {
    sNowMs = ms;
    IRECTList rects;
    g.IsDirty(rects);
  }

  FakeDelegate dlg;
  DetailGraphics g{dlg, 400, 300};
};

struct FrameRow {
  int frames;
  double value;
  int frame;
};

void PrintTo(const FrameRow& row, std::ostream* os) {
  *os << row.frames << " frames at " << row.value;
}

class BitmapFrameChoice : public ::testing::TestWithParam<FrameRow> {};

// Frame (int)((N - 1) * value + 0.5) + 1, within 1..N: the last frame at value 1.
TEST_P(BitmapFrameChoice, FrameForValue) {
  EXPECT_EQ(IBitmapBase::FrameForValue(GetParam().frames, GetParam().value), GetParam().frame)
      << GetParam().frames << " frames, value " << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(SmallControls, BitmapFrameChoice,
                         ::testing::Values(FrameRow{5, 0.0, 1}, FrameRow{5, 0.1, 1}, FrameRow{5, 0.125, 2},
                                           FrameRow{5, 0.5, 3}, FrameRow{5, 1.0, 5}, FrameRow{5, 1.7, 5},
                                           FrameRow{5, -0.5, 1}, FrameRow{2, 0.49, 1}, FrameRow{2, 0.5, 2},
                                           FrameRow{1, 1.0, 1}, FrameRow{0, 1.0, 1},
                                           // Values SetValue lets through unclamped: NaN counts as 0.
                                           FrameRow{5, std::nan(""), 1}, FrameRow{5, INFINITY, 5},
                                           FrameRow{5, -INFINITY, 1}, FrameRow{5, 1e300, 5}, FrameRow{5, -1e300, 1},
                                           FrameRow{5, 3e9, 5}));

TEST_F(SmallControls, BitmapControlIsOneFrameInSizeAndDrawsTheValuesFrame) {
  APIBitmap image(1, 300, 40, 1.f, 1.f);
  auto* control = new IBitmapControl(10, 20, IBitmap(&image, 3, true, "strip.png"), -1, kBlendDestIn);
  EXPECT_EQ(control->GetRECT(), IRECT(10, 20, 110, 60));
  g.AttachControl(control);
  control->SetValue(1.0);
  g.log.clear();
  control->Draw(g);
  EXPECT_EQ(g.log, std::vector<std::string>{"DrawBitmap 10,20,110,60 200,0"});
}

// The frames are drawn with the control's blend: the method it was built with at weight 1, faded while disabled,
// and whatever blend is set on the control later.
TEST_F(SmallControls, BitmapControlDrawsWithItsBlendAsBuiltDisabledOrSet) {
  struct BlendOfBitmaps : DetailGraphics {
    using DetailGraphics::DetailGraphics;
    using IGraphics::DrawBitmap;
    std::vector<IBlend> drawn;
    void DrawBitmap(const IBitmap&, const IRECT&, int, int, const IBlend* blend) override {
      drawn.push_back(blend ? *blend : IBlend(-1, -1.f));
    }
  };
  BlendOfBitmaps gr(dlg, 400, 300);
  APIBitmap image(1, 300, 40, 1.f, 1.f);
  auto* control = new IBitmapControl(10, 20, IBitmap(&image, 3, true, "strip.png"), -1, kBlendDestIn);
  gr.AttachControl(control);
  const struct {
    const char* step;
    std::function<void()> act;
    IBlend expected;
  } rows[] = {
      {"as built", [] {}, IBlend(kBlendDestIn, 1.f)},
      {"disabled", [&] { control->SetDisabled(true); }, IBlend(kBlendDestIn, 0.25f)},
      {"enabled again", [&] { control->SetDisabled(false); }, IBlend(kBlendDestIn, 1.f)},
      {"set", [&] { control->SetBlend(IBlend(kBlendAdd, 0.5f)); }, IBlend(kBlendAdd, 0.5f)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.step);
    row.act();
    gr.drawn.clear();
    control->Draw(gr);
    ASSERT_EQ(gr.drawn.size(), 1u);
    EXPECT_EQ(gr.drawn[0].method, row.expected.method);
    EXPECT_FLOAT_EQ(gr.drawn[0].weight, row.expected.weight);
  }
}

// A strip of no frames (or a negative count) has one frame of the whole image: a control on it takes the image's
// size and draws nothing.
TEST_F(SmallControls, BitmapWithoutFramesIsOneWholeFrameAndItsControlDrawsNothing) {
  APIBitmap image(1, 120, 30, 2.f, 1.f);  // 60 x 15 points
  const struct {
    int frames;
    bool horizontal;
  } rows[] = {{0, true}, {0, false}, {-3, true}, {-3, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.frames << (row.horizontal ? " side by side" : " stacked"));
    const IBitmap bitmap(&image, row.frames, row.horizontal, "none.png");
    EXPECT_EQ(bitmap.FW(), 60);
    EXPECT_EQ(bitmap.FH(), 15);
    auto* control = new IBitmapControl(10, 20, bitmap);
    EXPECT_EQ(control->GetRECT(), IRECT(10, 20, 70, 35));
    g.AttachControl(control);
    control->SetValue(1.0);
    g.log.clear();
    control->Draw(g);
    EXPECT_TRUE(g.log.empty());
    g.RemoveControl(control);
  }
}

TEST_F(SmallControls, BitmapControlReloadsItsBitmapOnRescale) {
  const char data[] = "30x10";
  const IBitmap bitmap = g.LoadBitmap("mem.png", data, 5, 1, false, 1);
  auto* control = new IBitmapControl(0, 0, bitmap);
  g.AttachControl(control);
  g.SetScreenScale(2.f);
  EXPECT_EQ(control->GetBitmap().GetScale(), 2.f);
  EXPECT_STREQ(control->GetBitmap().GetResourceName(), "mem.png");
}

TEST_F(SmallControls, BackgroundsGoUnderEveryOtherControl) {
  g.AttachControl(new Box(IRECT(0, 0, 10, 10)));
  g.AttachPanelBackground(IPattern(COLOR_RED));
  ASSERT_EQ(g.NControls(), 2);
  auto* panel = dynamic_cast<IPanelControl*>(g.GetControl(0));
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->GetRECT(), IRECT(0, 0, 400, 300));
  EXPECT_TRUE(panel->GetIgnoreMouse());
  g.log.clear();
  panel->Draw(g);
  EXPECT_EQ(g.Entries("PathFill"), std::vector<std::string>{"PathFill 255,255,0,0 weight1"});
  EXPECT_EQ(g.Count("PathStroke"), 0);

  const char svgText[] = "<svg width='40' height='30'><rect width='4' height='3'/></svg>";
  g.LoadSVG("back.svg", static_cast<const void*>(svgText), 0);
  g.AttachSVGBackground("back.svg");
  ASSERT_TRUE(dynamic_cast<ISVGControl*>(g.GetControl(0)));
  EXPECT_EQ(g.GetControl(0)->GetRECT(), IRECT(0, 0, 400, 300));
  g.log.clear();
  g.GetControl(0)->Draw(g);
  EXPECT_EQ(g.log[1], "PathTransformSetMatrix 10,0,0,10,0,0");

  g.AttachBackground("missing.png");
  EXPECT_EQ(g.NControls(), 4);
  g.log.clear();
  g.GetControl(0)->Draw(g);
  EXPECT_TRUE(g.log.empty());
}

TEST_F(SmallControls, PanelFrameIsLightGray) {
  IPanelControl panel(IRECT(0, 0, 10, 10), IPattern(COLOR_BLUE), true);
  g.log.clear();
  panel.Draw(g);
  EXPECT_EQ(g.Entries("PathStroke"), std::vector<std::string>{"PathStroke 255,240,240,240 t1"});
}

TEST_F(SmallControls, SVGControlWithALayerRedrawsOnlyWhenStale) {
  const char svgText[] = "<svg width='10' height='10'><rect width='4' height='3'/></svg>";
  const ISVG svg = g.LoadSVG("l.svg", static_cast<const void*>(svgText), 0);
  auto* control = new ISVGControl(IRECT(0, 0, 20, 20), svg, true);
  g.AttachControl(control);
  g.log.clear();
  control->Draw(g);
  EXPECT_EQ(g.Count("CreateAPIBitmap"), 1);
  EXPECT_EQ(g.Count("DrawBitmap"), 1);
  control->Draw(g);
  EXPECT_EQ(g.Count("CreateAPIBitmap"), 1);
  EXPECT_EQ(g.Count("PathFill"), 1);
  control->SetTargetAndDrawRECTs(IRECT(5, 5, 25, 25));
  control->Draw(g);
  EXPECT_EQ(g.Count("CreateAPIBitmap"), 2);
}

TEST_F(SmallControls, CornerResizerCursorDragAndColours) {
  const ICornerResizerControl unattached(IRECT(0, 0, 400, 300), 20.f);
  EXPECT_EQ(unattached.GetRECT(), IRECT(381, 281, 399, 299)) << "the corner square shrunk by 1";
  g.AttachCornerResizer(kUIResizerScale, false, IColor(1, 1, 1, 1), IColor(2, 2, 2, 2), IColor(3, 3, 3, 3), 20.f);
  auto* resizer = dynamic_cast<ICornerResizerControl*>(g.GetCornerResizer());
  ASSERT_TRUE(resizer);
  EXPECT_EQ(resizer->GetRECT(), IRECT(380, 280, 400, 300));
  auto fillOf = [&] {
    g.log.clear();
    resizer->Draw(g);
    return g.Entries("PathFill").at(0);
  };
  EXPECT_EQ(fillOf(), "PathFill 1,1,1,1 weight1");
  EXPECT_EQ(g.log[1], "PathMoveTo 380,300");

  g.SetMouseCursor(kIBeamCursor);
  resizer->OnMouseOver(390, 290, IMouseMod());
  EXPECT_EQ(g.GetCursorType(), kSizeNWSECursor);
  resizer->OnMouseOver(391, 291, IMouseMod());
  EXPECT_EQ(fillOf(), "PathFill 2,2,2,2 weight1");
  resizer->OnMouseOut();
  EXPECT_EQ(g.GetCursorType(), kIBeamCursor);

  resizer->OnMouseDown(390, 290, IMouseMod());
  EXPECT_TRUE(g.GetResizingInProcess());
  EXPECT_EQ(fillOf(), "PathFill 3,3,3,3 weight1");
  g.EndDragResize();
}

// Leaving restores the cursor found on entry, also when the editor was rescaled meanwhile (the pointer still on
// the resizer, which follows the corner).
TEST_F(SmallControls, CornerResizerRestoresTheCursorItFoundAfterARescale) {
  g.AttachCornerResizer(kUIResizerScale, false);
  IControl* resizer = g.GetCornerResizer();
  const struct {
    const char* rescale;
    std::function<void()> act;
  } rows[] = {
      {"none", [] {}},
      {"drag", [&] { g.Resize(500, 400, 2.f); }},
      {"double click", [&] { resizer->OnMouseDblClick(390, 290, IMouseMod()); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rescale);
    g.SetMouseCursor(kIBeamCursor);
    resizer->OnMouseOver(390, 290, IMouseMod());
    EXPECT_EQ(g.GetCursorType(), kSizeNWSECursor);
    row.act();
    resizer->OnMouseOver(resizer->GetRECT().MW(), resizer->GetRECT().MH(), IMouseMod());
    EXPECT_EQ(g.GetCursorType(), kSizeNWSECursor);
    resizer->OnMouseOut();
    EXPECT_EQ(g.GetCursorType(), kIBeamCursor);
  }
}

TEST_F(SmallControls, CornerResizerFollowsTheCornerAndDoubleClickRestores) {
  g.AttachCornerResizer(kUIResizerSize, false);
  IControl* resizer = g.GetCornerResizer();
  g.Resize(500, 400, 2.f);
  // 20 screen pixels at draw scale 2 are 10 points.
  EXPECT_EQ(resizer->GetRECT(), IRECT(490, 390, 500, 400));
  resizer->OnMouseDblClick(495, 395, IMouseMod());
  EXPECT_EQ(g.Width(), 400);
  EXPECT_EQ(g.Height(), 300);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
  EXPECT_EQ(resizer->GetRECT(), IRECT(380, 280, 400, 300));
  // A second resizer is refused.
  g.AttachCornerResizer(kUIResizerScale, false);
  EXPECT_EQ(g.GetCornerResizer(), resizer);
}

// At a draw scale that gives the square no size on screen (0, below 0, NaN) the resizer keeps the corner square it
// has: divided by such a scale it would cover the whole editor and take every click, or none.
TEST_F(SmallControls, CornerResizerKeepsItsSquareAtADrawScaleWithoutSize) {
  for (float scale : {0.f, -1.f, std::numeric_limits<float>::quiet_NaN()}) {
    SCOPED_TRACE(scale);
    FakeDelegate d;
    DetailGraphics gr(d, 400, 300, scale);
    IControl* panel = gr.AttachControl(new Box(gr.GetBounds()));
    gr.AttachCornerResizer(kUIResizerScale, false);
    ASSERT_NE(gr.GetCornerResizer(), nullptr);
    EXPECT_EQ(gr.GetCornerResizer()->GetRECT(), IRECT(381, 281, 399, 299));
    EXPECT_EQ(gr.GetMouseControl(200, 150, false), panel);
    EXPECT_EQ(gr.GetMouseControl(390, 290, false), gr.GetCornerResizer());
  }
}

TEST_F(SmallControls, BubbleCornersHaveTheRoundnessAsTheirRadius) {
  const struct {
    float roundness;
    const char* firstArc;
  } rows[] = {{4.f, "PathArc 4,4 r4 270..360 w0"},
              {30.f, "PathArc 30,30 r30 270..360 w0"},  // past half the 20 x 10 bubble: not clamped
              {-5.f, "PathArc 0,0 r0 270..360 w0"},
              {std::numeric_limits<float>::quiet_NaN(), "PathArc 0,0 r0 270..360 w0"}};
  for (const auto& row : rows) {
    IBubbleControl bubble(DEFAULT_TEXT, COLOR_WHITE, COLOR_BLACK, row.roundness);
    g.log.clear();
    bubble.DrawBubble(g, IRECT(0, 0, 20, 10));
    ASSERT_FALSE(g.Entries("PathArc").empty());
    EXPECT_EQ(g.Entries("PathArc").front(), row.firstArc) << row.roundness;
  }
}

TEST_F(SmallControls, BubbleFadesInHoldsAndFadesOut) {
  g.AttachBubbleControl();
  auto* bubble = dynamic_cast<IBubbleControl*>(g.GetBubbleControl(0));
  ASSERT_TRUE(bubble);
  EXPECT_TRUE(bubble->IsHidden());
  Box* caller = static_cast<Box*>(g.AttachControl(new Box(IRECT(100, 100, 120, 120))));
  g.ShowBubbleControl(caller, 120, 110, "-3.0 dB");
  EXPECT_FALSE(bubble->IsHidden());
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kFadingIn);
  At(100);
  EXPECT_FLOAT_EQ(bubble->GetBubbleBlend().weight, 0.475f);
  At(201);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kShown);
  EXPECT_FLOAT_EQ(bubble->GetBubbleBlend().weight, 0.95f);
  At(700);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kShown);
  At(1202);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kFadingOut);
  At(1302);
  EXPECT_NEAR(bubble->GetBubbleBlend().weight, 0.475f, 1e-5);
  At(1403);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kHidden);
  EXPECT_TRUE(bubble->IsHidden());
  EXPECT_EQ(bubble->GetBubbleBlend().weight, 0.f);
}

// The bubble draws with its own blend, the fade's opacity: disabling or enabling it sets the control's blend, which
// neither dims nor brightens the bubble.
TEST_F(SmallControls, DisabledBubbleFadesWithItsOwnOpacity) {
  g.AttachBubbleControl();
  IBubbleControl* bubble = g.GetBubbleControl(0);
  Box* caller = static_cast<Box*>(g.AttachControl(new Box(IRECT(100, 100, 120, 120))));
  g.ShowBubbleControl(caller, 120, 110, "x");
  const struct {
    double ms;
    bool disabled;
    float opacity;
  } steps[] = {{100, true, 0.475f}, {201, true, 0.95f}, {700, false, 0.95f}, {1202, true, 0.95f}, {1302, true, 0.475f}};
  for (const auto& step : steps) {
    At(step.ms);
    bubble->SetDisabled(step.disabled);
    EXPECT_EQ(bubble->GetBlend().weight, step.disabled ? 0.25f : 1.f);
    g.log.clear();
    bubble->Draw(g);
    // The box is filled at the fade's opacity.
    const std::vector<std::string> fills = g.Entries("PathFill");
    ASSERT_EQ(fills.size(), 1u);
    const std::size_t at = fills[0].find(" weight");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NEAR(std::stof(fills[0].substr(at + 7)), step.opacity, 1e-5) << step.ms;
  }
}

TEST_F(SmallControls, BubbleStaysWhileItsCallerIsPressed) {
  g.AttachBubbleControl();
  auto* bubble = dynamic_cast<IBubbleControl*>(g.GetBubbleControl(0));
  Box* caller = static_cast<Box*>(g.AttachControl(new Box(IRECT(100, 100, 120, 120))));
  IMouseInfo press;
  press.x = 110;
  press.y = 110;
  press.ms.L = true;
  g.OnMouseDown({press});
  ASSERT_TRUE(g.ControlIsCaptured(caller));
  g.ShowBubbleControl(caller, 120, 110, "x");
  At(201);
  At(1202);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kShown);
  At(1403);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kShown);
  g.OnMouseUp({press});
  At(1604);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kFadingOut);
  At(1805);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kHidden);
}

// The bubble forgets a caller that is removed, so a later control made at the same address is a new caller.
TEST_F(SmallControls, BubbleForgetsARemovedCaller) {
  g.AttachBubbleControl();
  auto* bubble = dynamic_cast<IBubbleControl*>(g.GetBubbleControl(0));
  IControl* caller = g.AttachControl(new Box(IRECT(100, 100, 120, 120)));
  IControl* other = g.AttachControl(new Box(IRECT(200, 100, 220, 120)));
  g.ShowBubbleControl(caller, 120, 110, "x");
  ASSERT_EQ(bubble->GetCaller(), caller);
  g.RemoveControl(other);
  EXPECT_EQ(bubble->GetCaller(), caller);
  g.RemoveControl(caller);
  EXPECT_EQ(bubble->GetCaller(), nullptr);

  // A caller already removed (by its own action, say, within the same event) is never taken: no bubble shows.
  IControl* going = g.AttachControl(new Box(IRECT(100, 100, 120, 120)));
  g.ForAllControlsFunc([&](IControl* c) {
    if (c != going) return;
    g.RemoveControl(going);
    g.ShowBubbleControl(going, 120, 110, "y");
  });
  EXPECT_EQ(bubble->GetCaller(), nullptr);
  EXPECT_STREQ(bubble->GetStr(), "x");
}

TEST_F(SmallControls, BubbleLayoutFlipsAtTheEditorsEdges) {
  g.AttachBubbleControl();
  auto* bubble = dynamic_cast<IBubbleControl*>(g.GetBubbleControl(0));
  Box* right = static_cast<Box*>(g.AttachControl(new Box(IRECT(360, 100, 390, 120))));
  // Text 7 points a character, 14 high, widened to the minimum 50 x 30; plus 2 x (10 + 5) and 2 x 10.
  g.ShowBubbleControl(right, 390, 110, "ab", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble->GetArrowDir(), IBubbleControl::kArrowRight);
  EXPECT_EQ(bubble->GetRECT(), IRECT(280, 85, 360, 135));
  Box* top = static_cast<Box*>(g.AttachControl(new Box(IRECT(100, 5, 140, 25))));
  g.ShowBubbleControl(top, 120, 5, "ab", kVertical, IRECT());
  EXPECT_EQ(bubble->GetArrowDir(), IBubbleControl::kArrowUp);
  // 14 + 2 x 15 wide, 14 + 20 high; moved below the caller by its height (20) plus its own.
  EXPECT_EQ(bubble->GetRECT(), IRECT(98, 25, 142, 59));
  g.ShowBubbleControl(top, 120, 200, "ab", kVertical, IRECT());
  EXPECT_EQ(bubble->GetArrowDir(), IBubbleControl::kArrowDown);
}

TEST_F(SmallControls, BubbleWithEmptyTextDrawsOnlyItsShape) {
  g.AttachBubbleControl();
  auto* bubble = dynamic_cast<IBubbleControl*>(g.GetBubbleControl(0));
  g.ShowBubbleControl(nullptr, 100, 100, "", kHorizontal, IRECT(0, 0, 20, 10));
  g.log.clear();
  bubble->Draw(g);
  EXPECT_EQ(g.Count("DoDrawText"), 0);
  EXPECT_EQ(g.Count("DrawFastDropShadow"), 1);
  EXPECT_EQ(g.Count("PathFill"), 1);
  EXPECT_EQ(g.Count("PathStroke"), 1);
  EXPECT_TRUE(g.lastFillOptions.mPreserve);
}

TEST_F(SmallControls, BubbleActionShowsTheParametersDisplayText) {
  g.AttachBubbleControl();
  auto* bubble = dynamic_cast<IBubbleControl*>(g.GetBubbleControl(0));
  Box* knob = static_cast<Box*>(g.AttachControl(new Box(IRECT(10, 10, 50, 50), FakeDelegate::kEnum)));
  knob->SetValue(0.5);
  ShowBubbleVerticalActionFunc(knob);
  EXPECT_STREQ(bubble->GetStr(), "MID/SIDE");
  EXPECT_EQ(bubble->GetCaller(), knob);
}

TEST_F(SmallControls, ShowBubbleWithoutABubbleDoesNothing) {
  Box* caller = static_cast<Box*>(g.AttachControl(new Box(IRECT(0, 0, 5, 5))));
  g.ShowBubbleControl(caller, 1, 1, "x");
  EXPECT_EQ(g.NBubbleControls(), 0);
}

TEST_F(SmallControls, FrameTimeDisplayBeforeAnyFrame) {
  g.ShowFPSDisplay(true);
  auto* fps = dynamic_cast<IFPSDisplayControl*>(g.GetPerfDisplay());
  ASSERT_TRUE(fps);
  EXPECT_EQ(fps->GetRECT(), IRECT(10, 10, 210, 60));
  EXPECT_TRUE(fps->IsDirty());
  g.log.clear();
  fps->Draw(g);
  // After the background's and frame's three lines each, every zero sample plots at the top; a zero
  // average is infinitely many frames per second.
  EXPECT_EQ(g.Entries("PathLineTo").at(6), "PathLineTo 12,12");
  EXPECT_EQ(g.Entries("PathLineTo").at(105), "PathLineTo 208,12");
  EXPECT_EQ(g.Count("DoDrawText inf FPS"), 1);
  EXPECT_EQ(g.Count("DoDrawText 0.00 ms"), 1);
  EXPECT_EQ(g.Count("DoDrawText Frame Time"), 1);
  EXPECT_EQ(g.Count("DoDrawText recording"), 1);
  g.ShowFPSDisplay(false);
  EXPECT_EQ(g.GetPerfDisplay(), nullptr);
}

TEST_F(SmallControls, FrameTimeDisplayCyclesThroughItsKindsOnClicks) {
  IFPSDisplayControl fps(IRECT(0, 0, 100, 50));
  for (IFPSDisplayControl::EDisplayKind expected :
       {IFPSDisplayControl::kFrameTime, IFPSDisplayControl::kPercentage, IFPSDisplayControl::kFPS}) {
    fps.OnMouseDown(1, 1, IMouseMod());
    EXPECT_EQ(fps.GetDisplayKind(), expected);
  }
}

TEST_F(SmallControls, SlowFramesPlotAtTheTopOfTheFrameTimeKind) {
  g.ShowFPSDisplay(true);
  auto* fps = dynamic_cast<IFPSDisplayControl*>(g.GetPerfDisplay());
  fps->OnMouseDown(0, 0, IMouseMod());
  IRECTList rects;
  rects.Add(IRECT(0, 0, 10, 10));
  At(0);
  g.Draw(rects);
  sNowMs = 60.0;  // a 60 ms frame: above the 20 ms the plot shows
  g.Draw(rects);
  g.log.clear();
  fps->Draw(g);
  EXPECT_EQ(g.Entries("PathLineTo").at(6), "PathLineTo 12,12");
}

}  // namespace
}  // namespace fx::gfx::test
