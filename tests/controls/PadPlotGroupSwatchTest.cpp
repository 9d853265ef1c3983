// XY pad, plot, group frame and colour swatch: where drags put the pad's values, what the plot draws
// (sample positions, range mapping, degenerate plots), the group's bounds and frame path, and the
// swatch's cell layout, hover and colour choice, and the text style each keeps.
#include "controls/IVColorSwatchControl.h"
#include "controls/IVGroupControl.h"
#include "controls/IVPlotControl.h"
#include "controls/IVTrackControls.h"
#include "controls/IVXYPadControl.h"
#include "tests/controls/ControlsFixture.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace fx::gfx::test {
namespace {

IVStyle Bare(bool drawFrame = false) {
  IVStyle s;
  s.showLabel = false;
  s.showValue = false;
  s.drawFrame = drawFrame;
  s.drawShadows = false;
  return s;
}

struct PadCase {
  const char* name;
  IRECT bounds;
  float x, y;
  double vx, vy;
};

// clang-format off
const PadCase kPads[] = {
  {"TopLeftIsZeroOne", {0, 0, 100, 50}, 0, 0, 0, 1},
  {"InsideMapsLinearly", {0, 0, 100, 50}, 25, 40, 0.25, 0.2},
  {"OutsideClamps", {0, 0, 100, 50}, -30, 90, 0, 0},
  {"ZeroWidthKeepsX", {10, 0, 10, 50}, 40, 25, 0.5, 0.5},
};
// clang-format on

class XYPad : public ControlsFixture, public ::testing::WithParamInterface<PadCase> {};

TEST_P(XYPad, DragSetsBothValuesFromThePointClampedIntoTheControl) {
  const PadCase& c = GetParam();
  auto* pad = Add(new IVXYPadControl(c.bounds, -1, -1, "", Bare()));
  pad->SetValue(0.5, 0);
  pad->SetValue(0.5, 1);
  pad->OnMouseDown(c.x, c.y, IMouseMod());
  EXPECT_NEAR(pad->GetValue(0), c.vx, 1e-6);
  EXPECT_NEAR(pad->GetValue(1), c.vy, 1e-6);
  EXPECT_TRUE(std::isfinite(pad->GetHandleBounds().L));
}

INSTANTIATE_TEST_SUITE_P(Points, XYPad, ::testing::ValuesIn(kPads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(XYPad, UnclippedHandleStaysInsideTheWidget) {
  auto* pad = Add(new IVXYPadControl(IRECT(0, 0, 100, 50), -1, -1, "", Bare(), 10.f, false));
  pad->SetValue(0, 0);
  pad->SetValue(0, 1);
  EXPECT_EQ(pad->GetHandleBounds(), IRECT(0, 30, 20, 50));
}

class Plots : public ControlsFixture {
 protected:
  // The polyline stroked in this colour, as (x, y) points.
  std::vector<std::pair<float, float>> Line(const std::string& colour) const {
    std::vector<std::pair<float, float>> points;
    for (const std::string& e : g.log) {
      float x = 0.f;
      float y = 0.f;
      if (e == "PathClear") points.clear();
      if (std::sscanf(e.c_str(), "PathMoveTo %f,%f", &x, &y) == 2 ||
          std::sscanf(e.c_str(), "PathLineTo %f,%f", &x, &y) == 2)
        points.emplace_back(x, y);
      if (e.rfind("PathStroke " + colour, 0) == 0) return points;
    }
    return {};
  }
};

TEST_F(Plots, SamplesEvenlyAndMapsTheRangeOntoThePlotArea) {
  // A 100 x 120 widget: 10 x 10 grid cells, the plot area 10 in from top and bottom.
  auto* plot = Add(new IVPlotControl(IRECT(0, 0, 100, 120), {{IColor(255, 9, 9, 9), [](double x) { return x; }}}, 11,
                                     "", Bare(), 0.f, 1.f));
  g.log.clear();
  plot->Draw(g);
  const auto line = Line("255,9,9,9");
  ASSERT_EQ(line.size(), 11u);
  for (size_t i = 0; i < line.size(); ++i) {
    EXPECT_NEAR(line[i].first, 10.f * i, 1e-4);
    EXPECT_NEAR(line[i].second, 110.f - 10.f * i, 1e-4);
  }
  // The grid and lines come from Draw alone: the widget slot, reached through the vector base, draws nothing.
  g.log.clear();
  static_cast<IVectorBase*>(plot)->DrawWidget(g);
  EXPECT_TRUE(g.log.empty());
}

TEST_F(Plots, DegeneratePlotsDrawFiniteLinesOrNothing) {
  struct Row {
    const char* name;
    int points;
    float min, max;
    double (*f)(double);
    size_t drawn;
  };
  const Row rows[] = {
      {"OnePoint", 1, 0.f, 1.f, [](double x) { return x; }, 1},
      {"ZeroRange", 5, 2.f, 2.f, [](double) { return 2.0; }, 5},
      {"NotANumber", 3, 0.f, 1.f, [](double) { return std::nan(""); }, 3},
      {"NoPoints", 0, 0.f, 1.f, [](double x) { return x; }, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* plot = Add(
        new IVPlotControl(IRECT(0, 0, 100, 120), {{IColor(255, 9, 9, 9), r.f}}, r.points, "", Bare(), r.min, r.max));
    plot->AddPlotFunc(COLOR_RED, nullptr);
    EXPECT_EQ(plot->NPlots(), 1);
    g.log.clear();
    plot->Draw(g);
    const auto line = Line("255,9,9,9");
    EXPECT_EQ(line.size(), r.drawn);
    for (const auto& [x, y] : line) EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
  }
}

using Group = ControlsFixture;

// These controls keep the default text style (14 points, black, centred, middle) whatever the style's value
// text says; the swatch's is aligned right.
TEST_F(Group, ControlsKeepTheDefaultTextStyle) {
  IVStyle style = Bare();
  style.valueText.mSize = 30.f;
  style.valueText.mFGColor = COLOR_RED;
  style.valueText.mVAlign = kVAlignTop;
  const struct {
    const char* name;
    IControl* control;
    EAlign align;
  } rows[] = {
      {"XYPad", Add(new IVXYPadControl(IRECT(0, 0, 50, 50), -1, -1, "", style)), kAlignCenter},
      {"Plot", Add(new IVPlotControl(IRECT(0, 0, 50, 50), {}, 8, "", style)), kAlignCenter},
      {"Group", Add(new IVGroupControl(IRECT(0, 0, 50, 50), "", 10.f, style)), kAlignCenter},
      {"NamedGroup", Add(new IVGroupControl("", "none", 0, 0, 0, 0, style)), kAlignCenter},
      {"RangeSlider", Add(new IVRangeSliderControl(IRECT(0, 0, 50, 50), {-1, -1}, "", style)), kAlignCenter},
      {"Swatch", Add(new IVColorSwatchControl(IRECT(0, 0, 50, 50), "", nullptr, style)), kAlignFar},
  };
  for (const auto& row : rows) {
    const IText& text = row.control->GetText();
    EXPECT_EQ(text.mSize, 14.f) << row.name;
    EXPECT_EQ(text.mFGColor, IColor(255, 0, 0, 0)) << row.name;
    EXPECT_EQ(text.mVAlign, kVAlignMiddle) << row.name;
    EXPECT_EQ(text.mAlign, row.align) << row.name;
  }
}

// The group's own resize lays out its frame; the resize function it was built with is not run, while its
// attach function builds the children.
TEST_F(Group, ResizingAGroupDoesNotRunItsResizeFunction) {
  int attached = 0;
  int resized = 0;
  auto* group = Add(new IVGroupControl(
      IRECT(0, 0, 100, 80), "", 10.f, Bare(),
      [&](IContainerBase* c, const IRECT& r) {
        ++attached;
        c->AddChildControl(new TestControl(journal, "child", r.GetPadded(-10.f)));
      },
      [&](IContainerBase*, const IRECT&) { ++resized; }));
  group->SetTargetAndDrawRECTs(IRECT(0, 0, 120, 90));
  group->OnResize();
  EXPECT_EQ(attached, 1);
  EXPECT_EQ(group->NChildren(), 1);
  EXPECT_EQ(resized, 0);
}

TEST_F(Group, BoundsFollowTheNamedGroupGrownByTheMargins) {
  Attach("a", IRECT(10, 20, 50, 60), -1, -1, "knobs");
  Attach("b", IRECT(40, 30, 90, 80), -1, -1, "knobs");
  Attach("unsized", IRECT(), -1, -1, "knobs");
  auto* group = Add(new IVGroupControl("", "knobs", 5, 6, 7, 8, Bare()));
  EXPECT_EQ(group->GetRECT(), IRECT(5, 14, 97, 88));
  EXPECT_TRUE(group->GetIgnoreMouse());
  auto* lonely = Add(new IVGroupControl("", "nobody", 5, 6, 7, 8, Bare()));
  EXPECT_EQ(lonely->GetRECT(), IRECT(-5, -6, 7, 8));
  // A group attached into the group it frames does not count itself: asking again gives the same bounds.
  auto* inside =
      static_cast<IVGroupControl*>(g.AttachControl(new IVGroupControl("", "knobs", 5, 6, 7, 8, Bare()), -1, "knobs"));
  EXPECT_EQ(inside->GetRECT(), IRECT(5, 14, 97, 88));
  inside->SetBoundsBasedOnGroup("knobs", 5, 6, 7, 8);
  EXPECT_EQ(inside->GetRECT(), IRECT(5, 14, 97, 88));
}

TEST_F(Group, FrameIsOpenWhereTheLabelSitsAndClosedWithoutOne) {
  IVStyle labelled = Bare(true);
  labelled.showLabel = true;
  struct Row {
    const char* label;
    IVStyle style;
    std::string start;
    std::string end;
  };
  // Without a label both ends meet at the top centre; with one the gap starts at draw L + frame 1 +
  // offset 10 and is the label's width plus a gap of 10 on each side.
  const Row rows[] = {{"", Bare(true), "PathMoveTo 50,", "PathLineTo 50,"},
                      {"Grp", labelled, "PathMoveTo 52,", "PathLineTo 11,"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    auto* group = Add(new IVGroupControl(IRECT(0, 0, 100, 80), r.label, 10.f, r.style));
    g.log.clear();
    group->Draw(g);
    const auto moves = g.Entries("PathMoveTo");
    const auto lines = g.Entries("PathLineTo");
    ASSERT_FALSE(moves.empty());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(moves.back().rfind(r.start, 0), 0u) << moves.back();
    EXPECT_EQ(lines.back().rfind(r.end, 0), 0u) << lines.back();
    EXPECT_EQ(g.Count("PathArc"), 4);
  }
}

// The corners are rounded by half the shorter side of the frame times the style's roundness, as the style is when
// the frame is drawn. Without a label the frame's top runs half the frame thickness (1) above the draw rect:
// 100 x 80.5 points, so a radius of 40.25 at roundness 1.
TEST_F(Group, FrameCornersFollowTheRoundnessOfTheStyle) {
  auto* group = Add(new IVGroupControl(IRECT(0, 0, 100, 80), "", 10.f, Bare(true)));
  const struct {
    float roundness;
    std::string firstArc;
  } rows[] = {{0.5f, "PathArc 79.375,20.125 r20.125 0..90"},
              {1.f, "PathArc 59.25,40.25 r40.25 0..90"},
              {0.f, "PathArc 99.5,0 r0 0..90"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.roundness);
    IVStyle style = Bare(true);
    style.roundness = row.roundness;
    group->SetStyle(style);
    g.log.clear();
    group->DrawWidget(g);
    const auto arcs = g.Entries("PathArc");
    ASSERT_EQ(arcs.size(), 4u);
    EXPECT_EQ(arcs[0].rfind(row.firstArc, 0), 0u) << arcs[0];
  }
}

class ColorChooser : public RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  bool PromptForColor(IColor& color, const char* prompt, IColorPickerHandlerFunc func) override {
    prompts.push_back(prompt);
    started = color;
    if (answerLater)
      pending = std::move(func);
    else if (func)
      func(answer);
    return true;
  }
  // Keeps the chooser open, as the platform's does, until the test answers through pending.
  bool answerLater = false;
  IColorPickerHandlerFunc pending;
  std::vector<std::string> prompts;
  IColor started;
  IColor answer{255, 1, 2, 3};
};

IVStyle Swatches() {
  IVStyle s = Bare();
  s.colorSpec.SetColor(kBG, IColor(255, 10, 10, 10));
  s.colorSpec.SetColor(kFG, IColor(255, 20, 20, 20));
  s.colorSpec.SetColor(kPR, IColor(255, 30, 30, 30));
  return s;
}

TEST_F(Group, SwatchCellsFollowTheLayout) {
  std::vector<EVColor> ten(10, kFG);
  struct Row {
    const char* name;
    IVColorSwatchControl::ECellLayout layout;
    size_t colours;
    int cell;
    IRECT expected;
  };
  const Row rows[] = {
      {"GridFourth", IVColorSwatchControl::kGrid, 4, 3, IRECT(2, 32, 28, 58)},
      {"GridTenthCoversTheWidget", IVColorSwatchControl::kGrid, 10, 9, IRECT(2, 2, 88, 88)},
      {"RowThird", IVColorSwatchControl::kHorizontal, 3, 2, IRECT(62, 2, 88, 88)},
      {"ColumnSecond", IVColorSwatchControl::kVertical, 2, 1, IRECT(2, 47, 88, 88)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* swatch = Add(new IVColorSwatchControl(IRECT(0, 0, 90, 90), "", nullptr, Swatches(), r.layout,
                                                std::vector<EVColor>(r.colours, kFG)));
    EXPECT_EQ(swatch->GetCellBounds(r.cell), r.expected);
  }
  auto* none = Add(
      new IVColorSwatchControl(IRECT(0, 0, 90, 90), "", nullptr, Swatches(), IVColorSwatchControl::kHorizontal, {}));
  EXPECT_EQ(none->NCells(), 0);
}

TEST(SwatchChoice, LabelledCellIsAQuarterSwatchHoversActAndChoicesAreReported) {
  FakeDelegate dlg;
  ColorChooser g(dlg, 400, 300);
  std::vector<std::pair<int, IColor>> chosen;
  auto* swatch = static_cast<IVColorSwatchControl*>(g.AttachControl(
      new IVColorSwatchControl(IRECT(0, 0, 90, 30), "", [&](int i, IColor c) { chosen.emplace_back(i, c); }, Swatches(),
                               IVColorSwatchControl::kHorizontal, {kBG, kFG, kPR}, {"A"})));
  int actions = 0;
  swatch->SetActionFunction([&](IControl*) { ++actions; });

  // Cell 0 is (2, 2, 28, 28): its swatch the right quarter, its label the left 70 %.
  g.log.clear();
  swatch->Draw(g);
  ASSERT_FALSE(g.Entries("DoDrawText A").empty());
  EXPECT_EQ(g.Entries("DoDrawText A").front().rfind("DoDrawText A 2,2,20.1999", 0), 0u);
  EXPECT_EQ(g.Count("PathMoveTo 21.5,2"), 1);

  // Every hover runs the action function; the hovered cell's outline is grey 127, the others' grey 70.
  swatch->OnMouseOver(40, 10, IMouseMod());
  EXPECT_EQ(swatch->GetMouseOverCell(), 1);
  g.log.clear();
  swatch->DrawWidget(g);
  EXPECT_EQ(g.Entries("PathStroke"),
            (std::vector<std::string>{"PathStroke 255,70,70,70 t1", "PathStroke 255,127,127,127 t1",
                                      "PathStroke 255,70,70,70 t1"}));
  swatch->OnMouseOver(41, 10, IMouseMod());
  swatch->OnMouseOut();
  EXPECT_EQ(swatch->GetMouseOverCell(), -1);
  EXPECT_EQ(actions, 3);

  // A chosen colour is reported through the colour-chosen function only.
  swatch->OnMouseDown(40, 10, IMouseMod());
  EXPECT_EQ(g.prompts, std::vector<std::string>{"Choose a color"});
  EXPECT_EQ(g.started, IColor(255, 20, 20, 20));
  EXPECT_EQ(swatch->GetColor(kFG), IColor(255, 1, 2, 3));
  EXPECT_EQ(actions, 3);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].first, 1);
  swatch->OnMouseDown(89, 29, IMouseMod());  // the gap between cells
  EXPECT_EQ(g.prompts.size(), 1u);
}

// A chooser still open answers its swatch while it exists, and nothing once it has been removed.
TEST(SwatchChoice, AChooserAnswersOnlyASwatchStillThere) {
  FakeDelegate dlg;
  ColorChooser g(dlg, 400, 300);
  g.answerLater = true;
  std::vector<int> chosenCells;
  for (const bool removed : {false, true}) {
    SCOPED_TRACE(removed ? "removed" : "still there");
    chosenCells.clear();
    auto* swatch = g.AttachControl(
        new IVColorSwatchControl(IRECT(0, 0, 90, 30), "", [&](int i, IColor) { chosenCells.push_back(i); }, Swatches(),
                                 IVColorSwatchControl::kHorizontal, {kBG, kFG, kPR}));
    swatch->OnMouseDown(70, 10, IMouseMod());
    ASSERT_TRUE(g.pending);
    if (removed) g.RemoveControl(swatch);
    g.pending(IColor(255, 4, 5, 6));
    EXPECT_EQ(chosenCells, removed ? std::vector<int>{} : std::vector<int>{2});
    if (!removed) {
      EXPECT_EQ(static_cast<IVColorSwatchControl*>(swatch)->GetColor(kPR), IColor(255, 4, 5, 6));
    }
  }
}

}  // namespace
}  // namespace fx::gfx::test
