// The picture switches (the threshold between their two pictures, toggling with the host told of each
// change, the hover highlight) and the knob's fixed value arc. The off picture is red, the on picture green.
#include <limits>

#include "editor/IBSwitchControlLW.h"
#include "editor/IVKnobControlLW.h"
#include "tests/editor/EditorFixture.h"

namespace fx::gfx::test {
namespace {

class SwitchTest : public EditorFixture {
 protected:
  IBSwitchControlLW* sw =
      Add(new IBSwitchControlLW({150.5f, 60, 174.5f, 84}, Picture("switch_off.svg", "#ff0000"),
                                Picture("switch_on.svg", "#00ff00"), FakeDelegate::kBool, true, true));

  std::vector<std::string> Fills() {
    std::vector<std::string> out;
    for (const Shape& s : Shapes()) out.push_back(s.paint);
    return out;
  }
};

TEST_F(SwitchTest, PictureFollowsTheValueAroundOneHalf) {
  const struct {
    double value;
    bool on;
  } cases[] = {{0.0, false},
               {0.4, false},
               {0.49, false},
               {0.5, true},
               {0.6, true},
               {1.0, true},
               // Values no int holds show the off picture.
               {-std::numeric_limits<double>::infinity(), false},
               {std::numeric_limits<double>::quiet_NaN(), false},
               {1e300, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(IBSwitchControlLW::ShowsOn(c.value), c.on) << c.value;
    sw->SetValue(c.value);
    g.log.clear();
    sw->Draw(g);
    EXPECT_EQ(Fills(), std::vector<std::string>{c.on ? "PathFill 255,0,255,0 weight1" : "PathFill 255,255,0,0 weight1"})
        << c.value;
  }
}

TEST_F(SwitchTest, TwoPressesReturnToTheFirstStateAndTheHostSeesBoth) {
  for (int i = 0; i < 2; ++i) {
    g.OnMouseDown({At(160, 70)});
    g.OnMouseUp({At(160, 70)});
  }
  EXPECT_EQ(sw->GetValue(), 0.0);
  EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 0", "send 0 1", "end 0", "begin 0", "send 0 0", "end 0"}));
}

TEST_F(SwitchTest, HighlightOnlyWhileTheMouseIsOver) {
  sw->OnMouseOver(160, 70, IMouseMod());
  g.log.clear();
  sw->Draw(g);
  EXPECT_EQ(Fills(), (std::vector<std::string>{"PathFill 16,255,255,255 weight1", "PathFill 255,255,0,0 weight1"}));
  sw->OnMouseOut();
  sw->Draw(g);
  EXPECT_EQ(Fills(), std::vector<std::string>{"PathFill 255,255,0,0 weight1"});
}

// Knob 100 x 80 at the editor's "SHAPE" place, value 0.5 (upright, 0 degrees), arc anchored at -135.
TEST_F(EditorFixture, KnobFixedArcDrawsToItsFractionAndOffDrawsAsTheStockKnob) {
  const IRECT bounds(420, 380, 520, 460);
  auto* stock = Add(new IVKnobControl(bounds, FakeDelegate::kGain, "SHAPE", DEFAULT_STYLE, true, false, -135.f, 135.f,
                                      -135.f, kVertical, 4.0, 5.f));
  auto* knob = Add(new IVKnobControlLW(bounds, FakeDelegate::kGain, "SHAPE", DEFAULT_STYLE, true, false, -135.f, 135.f,
                                       -135.f, kVertical, 4.0, 5.f));
  stock->SetValue(0.5);
  knob->SetValue(0.5);
  g.log.clear();
  stock->DrawWidget(g);
  const std::vector<std::string> stockLog = g.log;
  g.log.clear();
  knob->DrawWidget(g);
  EXPECT_EQ(g.log, stockLog);

  knob->SetFixedArc(true, 0.25f);
  g.log.clear();
  knob->DrawWidget(g);
  const std::vector<std::string> arcs = g.Entries("PathArc");
  ASSERT_FALSE(arcs.empty());
  EXPECT_NE(arcs[0].find(" -135..-67.5 "), std::string::npos) << arcs[0];
  // The pointer still shows the value: straight up from the centre.
  const std::vector<Shape> strokes = Shapes();
  const Shape& pointer = strokes.back();
  EXPECT_NEAR(pointer.xs[0], pointer.xs[1], 1e-3);
  EXPECT_LT(pointer.ys[1], pointer.ys[0]);
}

}  // namespace
}  // namespace fx::gfx::test
