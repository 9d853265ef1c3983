// SVG controls: which picture each state draws and how it is recoloured, the knob's angle, the switch's
// picture per value, the slider's track and handle sizes from the pictures' aspect ratios, and
// unloaded or missing pictures. The graphics double records every picture drawn instead of drawing it.
#include "controls/ISVGControls.h"
#include "graphics/svg/SVGImage.h"
#include "tests/controls/ControlsFixture.h"

#include <cmath>
#include <map>
#include <memory>

namespace fx::gfx::test {
namespace {

class PictureLog : public RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend*, const IColor* stroke, const IColor* fill) override {
    std::string e = "svg " + names[svg.GetImage()] + " " + Rect(bounds);
    if (stroke) e += " stroke" + Num(stroke->R);
    if (fill) e += " fill" + Num(fill->R);
    drawn.push_back(e);
  }
  void DrawRotatedSVG(const ISVG& svg, float cx, float cy, float w, float h, double angle, const IBlend*) override {
    drawn.push_back("rotated " + names[svg.GetImage()] + " " + Num(cx) + "," + Num(cy) + " " + Num(w) + "x" + Num(h) +
                    " " + Num(angle));
  }
  std::map<const svg::SVGImage*, std::string> names;
  std::vector<std::string> drawn;
};

class SVGControls : public ::testing::Test {
 protected:
  ISVG Picture(const std::string& name, float w, float h) {
    auto& image = images.emplace_back(std::make_unique<svg::SVGImage>());
    image->width = w;
    image->height = h;
    g.names[image.get()] = name;
    return ISVG(image.get());
  }
  std::vector<std::string> DrawOnce(IControl& c) {
    g.drawn.clear();
    c.Draw(g);
    return g.drawn;
  }
  template <typename T>
  T* Add(T* c) {
    return static_cast<T*>(g.AttachControl(c));
  }

  FakeDelegate dlg;
  std::vector<std::unique_ptr<svg::SVGImage>> images;
  PictureLog g{dlg, 400, 300};
};

TEST_F(SVGControls, TwoStatePicturesFollowTheValueAndTheHover) {
  const IRECT r(0, 0, 20, 20);
  auto* toggle = Add(new ISVGToggleControl(r, nullptr, Picture("off", 10, 10), Picture("on", 10, 10)));
  // Colours by their red channel: off 1, on 2, off hovered 3, on hovered 4.
  auto* button = Add(new ISVGButtonControl(r, nullptr, Picture("one", 10, 10), kSVGReplaceFill, IColor(255, 1, 0, 0),
                                           IColor(255, 2, 0, 0), IColor(255, 3, 0, 0), IColor(255, 4, 0, 0)));
  auto* stroked =
      Add(new ISVGToggleControl(r, FakeDelegate::kBool, Picture("s", 10, 10), kSVGReplaceStroke, IColor(255, 1, 0, 0),
                                IColor(255, 2, 0, 0), IColor(255, 3, 0, 0), IColor(255, 4, 0, 0)));
  struct Row {
    IControl* control;
    double value;
    bool hover;
    const char* expected;
  };
  const Row rows[] = {
      {toggle, 0.5, false, "svg off 0,0,20,20"},     {toggle, 0.5000001, false, "svg on 0,0,20,20"},
      {button, 0, true, "svg one 0,0,20,20 fill3"},  {button, 1, false, "svg one 0,0,20,20 fill2"},
      {stroked, 1, true, "svg s 0,0,20,20 stroke4"},
  };
  for (const Row& row : rows) {
    row.control->SetValue(row.value);
    row.control->SetMouseIsOver(row.hover);
    EXPECT_EQ(DrawOnce(*row.control), std::vector<std::string>{row.expected});
  }
}

TEST_F(SVGControls, KnobTurnsAndSwitchPicksAPicturePerState) {
  auto* knob = Add(new ISVGKnobControl(IRECT(0, 0, 40, 20), Picture("dial", 10, 10)));
  const std::pair<double, const char*> angles[] = {{0, "-135"}, {0.5, "0"}, {1, "135"}};
  for (const auto& [value, angle] : angles) {
    knob->SetValue(value);
    EXPECT_EQ(DrawOnce(*knob), std::vector<std::string>{std::string("rotated dial 20,10 40x20 ") + angle});
  }

  auto* three =
      Add(new ISVGSwitchControl(IRECT(0, 0, 10, 10), {Picture("a", 1, 1), Picture("b", 1, 1), Picture("c", 1, 1)}));
  EXPECT_EQ(three->GetNumStates(), 3);
  // The enumerated parameter has three states; two pictures show the last one for the third.
  auto* two =
      Add(new ISVGSwitchControl(IRECT(0, 0, 10, 10), {Picture("x", 1, 1), Picture("y", 1, 1)}, FakeDelegate::kEnum));
  auto* none = Add(new ISVGSwitchControl(IRECT(0, 0, 10, 10), {}));
  const std::pair<double, const char*> states[] = {{0.24, "a"}, {0.25, "b"}, {1.0, "c"}};
  for (const auto& [value, name] : states) {
    three->SetValue(value);
    EXPECT_EQ(DrawOnce(*three), std::vector<std::string>{std::string("svg ") + name + " 0,0,10,10"});
  }
  two->SetValue(1.0);
  EXPECT_EQ(DrawOnce(*two), std::vector<std::string>{"svg y 0,0,10,10"});
  EXPECT_TRUE(DrawOnce(*none).empty());
}

TEST_F(SVGControls, SliderSizesTrackAndHandleFromThePictures) {
  // Track 20 x 200 and handle 40 x 20 in a 100-point-high rectangle: the track 10 x 100 centred, the
  // handle 10 high (the track's 200 to its 20) and 20 wide.
  auto* v = Add(new ISVGSliderControl(IRECT(0, 0, 50, 100), Picture("h", 40, 20), Picture("t", 20, 200)));
  EXPECT_EQ(v->GetTrackSVGBounds(), IRECT(20, 0, 30, 100));
  EXPECT_EQ(v->GetHandleBounds(1.0), IRECT(15, 0, 35, 10));
  EXPECT_EQ(v->GetHandleBounds(0.0), IRECT(15, 90, 35, 100));
  v->SetValue(0.5);
  EXPECT_EQ(DrawOnce(*v), (std::vector<std::string>{"svg t 20,0,30,100", "svg h 15,45,35,55"}));

  // Horizontal: track 200 x 20 across 100 points is 100 x 10; the handle as high as the track (20 to 20)
  // and twice as wide, at the right end.
  auto* h =
      Add(new ISVGSliderControl(IRECT(0, 0, 100, 50), Picture("h2", 40, 20), Picture("t2", 200, 20), -1, kHorizontal));
  EXPECT_EQ(h->GetTrackSVGBounds(), IRECT(0, 20, 100, 30));
  EXPECT_EQ(h->GetHandleBounds(1.0), IRECT(80, 20, 100, 30));
  EXPECT_EQ(h->GetHandleBounds(0.0), IRECT(0, 20, 20, 30));

  auto* unloaded = Add(new ISVGSliderControl(IRECT(0, 0, 50, 100), ISVG(), Picture("t3", 20, 200)));
  EXPECT_TRUE(unloaded->GetTrackSVGBounds().Empty());
  EXPECT_TRUE(DrawOnce(*unloaded).empty());
  unloaded->OnMouseDown(10, 10, IMouseMod());
  EXPECT_TRUE(std::isfinite(unloaded->GetValue()));
}

}  // namespace
}  // namespace fx::gfx::test
