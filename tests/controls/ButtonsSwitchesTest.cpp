// The stock vector buttons and switches: click sequences of the switch, the slide switch's handle over
// the fake clock, tab and radio selection, the toggle's texts and the label's drawing.
#include "controls/IVButtonControls.h"
#include "controls/IVTabSwitchControl.h"
#include "tests/controls/ControlsFixture.h"

#include <cmath>

namespace fx::gfx::test {
namespace {

// No label, no frame and no shadow: the widget is the whole rectangle.
IVStyle Flat() {
  IVStyle s;
  s.showLabel = false;
  s.showValue = false;
  s.drawFrame = false;
  s.drawShadows = false;
  return s;
}

class ButtonsSwitches : public ControlsFixture {
 protected:
  void Click(float x, float y) {
    Press(x, y);
    Release(x, y);
  }
};

TEST_F(ButtonsSwitches, SwitchStepsThroughStatesAndShowsTheParameter) {
  auto* bound = Add(new IVSwitchControl({0, 0, 40, 40}, FakeDelegate::kBool, "", Flat()));
  Click(20, 20);
  EXPECT_EQ(bound->GetValue(), 1.0);
  EXPECT_STREQ(bound->GetValueStr(), "ON");
  EXPECT_STREQ(bound->GetLabelStr(), "Bypass");
  Click(20, 20);
  EXPECT_EQ(bound->GetValue(), 0.0);
  EXPECT_STREQ(bound->GetValueStr(), "OFF");

  int actions = 0;
  auto* three = Add(new IVSwitchControl(
      {50, 0, 90, 40}, [&](IControl*) { ++actions; }, "", Flat(), 3));
  std::vector<double> seen;
  for (int i = 0; i < 4; ++i) {
    Press(70, 20);
    EXPECT_TRUE(three->GetMouseDown());
    Release(70, 20);
    EXPECT_FALSE(three->GetMouseDown());
    seen.push_back(three->GetValue());
  }
  EXPECT_EQ(seen, (std::vector<double>{0.5, 1.0, 0.0, 0.5}));
  EXPECT_EQ(actions, 4);
}

struct SlideCase {
  const char* name;
  int states;
  // Per click: the handle halfway through the slide and once it has ended.
  std::vector<std::pair<IRECT, IRECT>> steps;
};

// Widget 90 x 40: two cells of 45, three of 30; a slide lasts 100 ms.
// clang-format off
const SlideCase kSlides[] = {
  {"TwoStates", 2, {{{22.5f, 0, 67.5f, 40}, {45, 0, 90, 40}}, {{22.5f, 0, 67.5f, 40}, {0, 0, 45, 40}}}},
  {"ThreeStatesWrap", 3, {{{15, 0, 45, 40}, {30, 0, 60, 40}}, {{45, 0, 75, 40}, {60, 0, 90, 40}}, {{30, 0, 60, 40},
   {0, 0, 30, 40}}}},
};
// clang-format on

class SlideSwitch : public ButtonsSwitches, public ::testing::WithParamInterface<SlideCase> {};

TEST_P(SlideSwitch, HandleSlidesToTheNextCellAndEndsThere) {
  const SlideCase& c = GetParam();
  int finished = 0;
  auto* sw = Add(new IVSlideSwitchControl(
      {0, 0, 90, 40}, [&](IControl*) { ++finished; }, "", Flat(), false, kHorizontal, c.states, 0));
  EXPECT_EQ(sw->GetHandleBounds(), IRECT(0, 0, 90.f / c.states, 40));
  double now = 0.0;
  int step = 0;
  for (const auto& [halfway, end] : c.steps) {
    At(now);
    Click(sw->GetHandleBounds().MW(), 20);
    At(now + 50);
    EXPECT_EQ(sw->GetHandleBounds(), halfway) << "step " << step << " " << Rect(sw->GetHandleBounds());
    At(now + 101);
    EXPECT_EQ(sw->GetHandleBounds(), end) << "step " << step << " " << Rect(sw->GetHandleBounds());
    EXPECT_FALSE(sw->GetAnimationFunction());
    EXPECT_EQ(finished, ++step);
    now += 200;
  }
}

INSTANTIATE_TEST_SUITE_P(Switches, SlideSwitch, ::testing::ValuesIn(kSlides),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ButtonsSwitches, SlideSwitchStoresItsInitialStateNormalised) {
  const int initial[] = {0, 1, 2, 7, -3};
  const double expected[] = {0.0, 0.5, 1.0, 1.0, 0.0};
  for (int i = 0; i < 5; ++i) {
    IVSlideSwitchControl sw({0, 0, 90, 40}, nullptr, "", Flat(), false, kHorizontal, 3, initial[i]);
    EXPECT_EQ(sw.GetValue(), expected[i]) << initial[i];
  }
  IVSlideSwitchControl single({0, 0, 90, 40}, nullptr, "", Flat(), false, kHorizontal, 1, 1);
  EXPECT_EQ(single.GetValue(), 0.0);
}

struct TabCase {
  const char* name;
  std::vector<const char*> options;
  EDirection dir;
  std::vector<std::pair<float, float>> clicks;
  std::vector<double> values;
  std::vector<const char*> labels;
};

// 90 x 30 horizontally (tabs 30 wide), 30 x 90 vertically; a click outside every tab keeps the value.
// clang-format off
const TabCase kTabs[] = {
  {"Horizontal", {"A", "B", "C"}, kHorizontal, {{75, 15}, {35, 15}, {5, 5}, {200, 200}}, {1, 0.5, 0, 0},
   {"C", "B", "A", "A"}},
  {"Vertical", {"A", "B"}, kVertical, {{15, 80}, {15, 10}}, {1, 0}, {"B", "A"}},
  {"SingleTab", {"Only"}, kHorizontal, {{45, 15}, {45, 15}}, {0, 0}, {"Only", "Only"}},
  // Eleven tabs 90 / 11 wide: tab i gives i times the double nearest 0.1, so tab 3 is not the double nearest 0.3.
  {"ElevenTabs", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, kHorizontal,
   {{28.6f, 15}, {53.2f, 15}, {86, 15}}, {0.30000000000000004, 0.6000000000000001, 1}, {"3", "6", "10"}},
};
// clang-format on

class Tabs : public ButtonsSwitches, public ::testing::WithParamInterface<TabCase> {};

TEST_P(Tabs, ClickSelectsTheTabUnderThePointer) {
  const TabCase& c = GetParam();
  int actions = 0;
  const IRECT bounds = c.dir == kHorizontal ? IRECT(0, 0, 90, 30) : IRECT(0, 0, 30, 90);
  auto* tabs = Add(new IVTabSwitchControl(
      bounds, [&](IControl*) { ++actions; }, c.options, "", Flat(), EVShape::Rectangle, c.dir));
  for (std::size_t i = 0; i < c.clicks.size(); ++i) {
    tabs->OnMouseDown(c.clicks[i].first, c.clicks[i].second, Left());
    EXPECT_EQ(tabs->GetValue(), c.values[i]) << i;
    EXPECT_STREQ(tabs->GetSelectedLabelStr(), c.labels[i]) << i;
  }
  EXPECT_EQ(actions, static_cast<int>(c.clicks.size()));
}

INSTANTIATE_TEST_SUITE_P(Switches, Tabs, ::testing::ValuesIn(kTabs),
                         [](const auto& info) { return std::string(info.param.name); });

// SetValue does not clamp: values whose tab index is NaN or past int's range select no tab, and drawing and the
// selected text take them.
TEST_F(ButtonsSwitches, TabsTakeValuesPastTheirRange) {
  auto* tabs = Add(new IVTabSwitchControl({0, 0, 90, 30}, FakeDelegate::kEnum, {}, "", Flat()));
  const struct {
    double value;
    int selected;
    const char* label;
  } rows[] = {
      {0.6, 1, "MID/SIDE"}, {std::nan(""), -1, ""}, {INFINITY, -1, ""}, {-INFINITY, -1, ""},
      {1e300, -1, ""},      {-1e300, -1, ""},       {2e9, -1, ""},      {2.0, 4, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    tabs->SetValue(row.value);
    EXPECT_EQ(tabs->GetSelectedIdx(), row.selected);
    EXPECT_STREQ(tabs->GetSelectedLabelStr(), row.label);
    tabs->Draw(g);
  }
}

TEST_F(ButtonsSwitches, TabsTakeParameterTextsAndTrackTheMouse) {
  auto* tabs = Add(new IVTabSwitchControl({0, 0, 90, 30}, FakeDelegate::kEnum, {}, "", Flat()));
  ASSERT_EQ(tabs->NTabs(), 3);
  EXPECT_STREQ(tabs->GetLabelStr(), "Mode");
  tabs->OnMouseDown(75, 15, Left());
  EXPECT_STREQ(tabs->GetSelectedLabelStr(), "MONO");
  EXPECT_EQ(dlg.host.back(), "send 1 1");
  tabs->OnMouseOver(40, 15, IMouseMod());
  EXPECT_EQ(tabs->GetMouseOverTab(), 1);
  tabs->OnMouseOut();
  EXPECT_EQ(tabs->GetMouseOverTab(), -1);

  // Radio entries 30 high with a 30-point button area (button size 10) at their left.
  auto* radio = Add(new IVRadioButtonControl({100, 0, 200, 90}, nullptr, {"x", "y", "z"}, "", Flat(), EVShape::Ellipse,
                                             kVertical, 10.f));
  EXPECT_EQ(radio->GetButtonForPoint(180, 40), 1);
  radio->SetOnlyButtonsRespondToMouse(true);
  EXPECT_EQ(radio->GetButtonForPoint(180, 40), -1);
  EXPECT_EQ(radio->GetButtonForPoint(120, 70), 2);
}

TEST_F(ButtonsSwitches, ToggleLabelAndButtonDrawing) {
  IVStyle style = Flat();
  style.showValue = true;
  auto* toggle = Add(new IVToggleControl({0, 0, 60, 30}, nullptr, "", style, "off", "on", false));
  g.log.clear();
  toggle->Draw(g);
  EXPECT_EQ(g.Entries("DoDrawText"), std::vector<std::string>{"DoDrawText off 0,0,60,30"});
  toggle->SetValue(0.51);
  g.log.clear();
  toggle->Draw(g);
  EXPECT_EQ(g.Entries("DoDrawText"), std::vector<std::string>{"DoDrawText on 0,0,60,30"});

  // An empty label draws its background and frame only; a text gets its shadow first.
  IVStyle framed;
  auto* empty = Add(new IVLabelControl({0, 40, 60, 60}, "", framed));
  g.log.clear();
  empty->Draw(g);
  EXPECT_TRUE(g.Entries("DoDrawText").empty());
  EXPECT_EQ(Paints(), (std::vector<std::string>{"PathFill 0,0,0,0 weight1", "PathStroke 255,70,70,70 t1"}));
  auto* text = Add(new IVLabelControl({0, 40, 60, 60}, "hi", framed));
  g.log.clear();
  text->Draw(g);
  EXPECT_EQ(g.Entries("DoDrawText"),
            (std::vector<std::string>{"DoDrawText hi 3,43,63,63", "DoDrawText hi 0,40,60,60"}));

  // The button is pressed from the click until its splash ends.
  auto* button = Add(new IVButtonControl({100, 0, 160, 30}, SplashClickActionFunc, "", Flat()));
  Press(130, 15);
  EXPECT_EQ(button->GetValue(), 1.0);
  At(50);
  EXPECT_EQ(button->GetValue(), 1.0);
  At(101);
  EXPECT_EQ(button->GetValue(), 0.0);
}

}  // namespace
}  // namespace fx::gfx::test
