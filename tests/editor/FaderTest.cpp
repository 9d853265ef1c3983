// The faders' grip line and the fader scales: tick positions under the fader law against their closed
// form, where the ticks and numbers land in a scale of the editor's size, and the three display modes.
#include "editor/IVSliderControlLW.h"
#include "tests/editor/EditorFixture.h"

#include <cmath>

namespace fx::gfx::test {
namespace {

struct TickCase {
  float q;
  float exponent;
  float y;
};

// y = 1/2 -+ |2q - 1|^(1/e) / 2: exponent 2 crowds the ticks towards the ends, 0.5 towards the middle.
// clang-format off
const TickCase kTicks[] = {
  {0.25f, 1.f, 0.25f},
  {0.25f, 2.f, 0.14644661f},  // 0.5 - 0.5 * sqrt(0.5)
  {0.75f, 2.f, 0.85355339f},
  {0.25f, 0.5f, 0.375f},
  {0.9f, 0.5f, 0.82f},        // 0.5 + 0.5 * 0.8^2
  {0.f, 2.f, 0.f},
  {1.f, 0.5f, 1.f},
  {0.5f, 3.f, 0.5f},
};
// clang-format on

TEST(FaderScale, TickPositionFollowsTheFaderLaw) {
  for (const TickCase& c : kTicks)
    EXPECT_NEAR(IVSliderControlBG::TickPosition(c.q, c.exponent), c.y, 1e-6f) << c.q << " ^ " << c.exponent;
}

// A scale in the master fader's place: travel 76..284 (208 high), middle half 57.5..132.5 (75 wide).
class ScaleTest : public EditorFixture {
 protected:
  IVSliderControlBG* scale = Add(new IVSliderControlBG({20, 60, 170, 300}, " ", BareStyle(), false, 16.f), 8);

  static float YAt(float fraction) { return 284.f - fraction * 208.f; }
};

TEST_F(ScaleTest, TicksSitOnTheLawAndEndAtTheTravel) {
  for (float exponent : {1.f, 2.f}) {
    scale->SetShapeExponent(exponent);
    g.log.clear();
    scale->Draw(g);
    const std::vector<Shape> shapes = Shapes();
    const std::vector<Shape> minor = Only(shapes, "PathStroke 255,200,200,200 t1");
    const std::vector<Shape> major = Only(shapes, "PathStroke 255,200,200,200 t2");
    ASSERT_EQ(minor.size(), 42u) << exponent;  // 21 positions, left and right
    ASSERT_EQ(major.size(), 22u) << exponent;  // 11 positions
    // Position 0.25 (the sixth minor pair), the ends of the travel, and one major tick at 0.3.
    const float quarter = YAt(exponent == 1.f ? 0.25f : 0.14644661f);
    EXPECT_TRUE(minor[10].IsHorizontalLine(quarter, 57.5f, 68.75f, 2e-3f)) << exponent;
    EXPECT_TRUE(minor[11].IsHorizontalLine(quarter, 121.25f, 132.5f, 2e-3f)) << exponent;
    EXPECT_TRUE(minor[0].IsHorizontalLine(284.f, 57.5f, 68.75f)) << exponent;
    EXPECT_TRUE(minor[40].IsHorizontalLine(76.f, 57.5f, 68.75f)) << exponent;
    const float point3 = YAt(0.5f - 0.5f * std::pow(0.4f, 1.f / exponent));
    EXPECT_TRUE(major[6].IsHorizontalLine(point3, 57.5f, 76.25f, 2e-3f)) << exponent;
    EXPECT_TRUE(major[7].IsHorizontalLine(point3, 113.75f, 132.5f, 2e-3f)) << exponent;
  }
  g.log.clear();
  scale->Draw(g);
  const std::vector<Shape> middle = Painted("PathStroke 255,255,255,255 t2");
  ASSERT_EQ(middle.size(), 2u);
  EXPECT_TRUE(middle[0].IsHorizontalLine(180.f, 57.5f, 76.25f));
  EXPECT_TRUE(middle[1].IsHorizontalLine(180.f, 113.75f, 132.5f));
}

struct ModeCase {
  const char* name;
  int mode;
  const char* top;
  const char* middle;
  const char* bottom;
};

// Volume range -47.6 .. 12.2 dB: mode 0 prints it without decimals. An unknown mode keeps mode 2's numbers.
// clang-format off
const ModeCase kModes[] = {
  {"Volume", 0, "12", "0", "-48"},
  {"Bipolar", 1, "100", "0", "-100"},
  {"Percent", 2, "100", "50", "0"},
  {"UnknownKeepsRange", 7, "100", "50", "0"},
};
// clang-format on

class DisplayMode : public ScaleTest, public ::testing::WithParamInterface<ModeCase> {};

// Numbers are the label size less 4 high (the recording's text is as high as its size) and 0.9 x the width of "-99.9"
// wide, centred on the top, middle and bottom of the travel at the scale's left edge.
TEST_P(DisplayMode, NumbersReadTopMiddleBottom) {
  const ModeCase& c = GetParam();
  if (c.mode == 7) scale->SetDisplayMode(2, -47.6f, 12.2f);
  scale->SetDisplayMode(c.mode, -47.6f, 12.2f);
  g.log.clear();
  scale->Draw(g);
  const float h = BareStyle().labelText.mSize - 4.f;
  const float w = 0.9f * 5.f * RecordingGraphics::kCharWidth;
  const auto at = [&](const char* text, float y) {
    return std::string(text) + " " + Rect(IRECT(20.f, y - 0.5f * h, 20.f + w, y + 0.5f * h));
  };
  EXPECT_EQ(Texts(), (std::vector<std::string>{at(c.top, 76.f), at(c.bottom, 284.f), at(c.middle, 180.f)}));
}

INSTANTIATE_TEST_SUITE_P(FaderScale, DisplayMode, ::testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

struct GripCase {
  const char* name;
  EDirection dir;
  bool ellipse;
  float handleSize;
  bool grip;
  bool drawn;
};

// clang-format off
const GripCase kGrips[] = {
  {"VerticalRectangle", kVertical, false, 16.f, true, true},
  {"FlagOff", kVertical, false, 16.f, false, false},
  {"Horizontal", kHorizontal, false, 16.f, true, false},
  {"EllipticHandle", kVertical, true, 16.f, true, false},
  {"NoHandle", kVertical, false, 0.f, true, false},
};
// clang-format on

class Grip : public EditorFixture, public ::testing::WithParamInterface<GripCase> {};

// Frame thickness 1.5: the line runs 6 points inside the handle, 3 thick, in the frame colour (70) + 102.
TEST_P(Grip, LineAcrossTheHandleMiddle) {
  const GripCase& c = GetParam();
  IVStyle style = BareStyle();
  style.frameThickness = 1.5f;
  auto* fader = Add(new IVSliderControlLW({20, 60, 170, 300}, FakeDelegate::kGain, " ", style, true, c.dir, false,
                                          false, 4.0, c.handleSize, 8.f));
  fader->SetGripLine(c.grip);
  if (c.ellipse) fader->SetShape(EVShape::Ellipse);
  fader->SetValue(0.5);
  g.log.clear();
  fader->DrawWidget(g);
  const std::vector<Shape> grips = Painted("PathStroke 255,172,172,172 t3");
  ASSERT_EQ(grips.size(), c.drawn ? 1u : 0u);
  // Value 0.5 of the travel 76..284 centres the handle (95 +- 16, 180 +- 16).
  if (c.drawn) {
    EXPECT_TRUE(grips[0].IsHorizontalLine(180.f, 85.f, 105.f));
  }
}

INSTANTIATE_TEST_SUITE_P(Fader, Grip, ::testing::ValuesIn(kGrips),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fx::gfx::test
