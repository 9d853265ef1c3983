// The vector base: the widget, label and value areas MakeRects cuts from a rectangle, and the fills,
// colours and geometry of the pressable shapes. Text metrics are the recording double's (7 points per
// character, the style's size high), so every expected rectangle is worked out by hand.
#include "graphics/IVectorBase.h"
#include "tests/controls/ControlsFixture.h"

namespace fx::gfx::test {
namespace {

class VectorBox : public IControl, public IVectorBase {
 public:
  VectorBox(const IRECT& r, const char* label, const IVStyle& style, bool labelInWidget = false,
            bool valueInWidget = false)
      : IControl(r), IVectorBase(style, labelInWidget, valueInWidget) {
    AttachIControl(this, label);
  }
  void Draw(IGraphics&) override {}
};

struct RectsCase {
  const char* name;
  int labelPosition;
  EVAlign valueAlign;
  const char* label;
  float labelSize;
  bool showValue;
  bool hasHandle;
  float widgetFrac;
  bool labelInWidget;
  bool valueInWidget;
  IRECT label_;
  IRECT value;
  IRECT widget;
  IRECT clickable;
};

// Parent (0, 0, 100, 100); the label "ab" measures 14 x size, the empty value "-99.9" 35 x 14. Handle: frame
// 1 and shadow 3 inset by 0.5, then 3 off left, right and bottom.
// clang-format off
const RectsCase kRects[] = {
  {"LabelTopValueBottom", 0, kVAlignBottom, "ab", 19, true, false, 1, false, false,
   {43, 0, 57, 19}, {0, 86, 100, 100}, {0, 19, 100, 86}, {0, 19, 100, 100}},
  {"LabelRight", 1, kVAlignBottom, "ab", 19, true, false, 1, false, false,
   {86, 40.5f, 100, 59.5f}, {-7, 86, 93, 100}, {0, 0, 86, 86}, {0, 0, 86, 100}},
  {"LabelBottom", 2, kVAlignBottom, "ab", 19, true, false, 1, false, false,
   {43, 81, 57, 100}, {0, 67, 100, 81}, {0, 0, 100, 67}, {0, 0, 100, 81}},
  {"LabelLeft", 3, kVAlignBottom, "ab", 19, true, false, 1, false, false,
   {0, 40.5f, 14, 59.5f}, {7, 86, 107, 100}, {14, 0, 100, 86}, {14, 0, 100, 100}},
  {"ValueTop", 0, kVAlignTop, "ab", 19, true, false, 1, false, false,
   {43, 0, 57, 19}, {0, 19, 100, 33}, {0, 33, 100, 100}, {0, 19, 100, 100}},
  {"ValueMiddle", 0, kVAlignMiddle, "ab", 19, true, false, 1, false, false,
   {43, 0, 57, 19}, {0, 52.5f, 100, 66.5f}, {0, 19, 100, 100}, {0, 19, 100, 100}},
  {"NoLabelNoValueHalfWidget", 0, kVAlignBottom, "", 19, false, false, 0.5f, false, false,
   {}, {}, {25, 25, 75, 75}, {0, 0, 100, 100}},
  {"ZeroHighLabelTakesItsWidth", 0, kVAlignBottom, "ab", 0, false, false, 1, false, false,
   {43, -7, 57, 7}, {}, {0, 14, 100, 100}, {0, 14, 100, 100}},
  {"HandleKeepsValueArea", 0, kVAlignBottom, "ab", 19, true, true, 1, false, false,
   {43, 0, 57, 19}, {0, 86, 100, 100}, {3.5f, 19.5f, 96.5f, 96.5f}, {0, 19, 100, 100}},
  {"LabelAndValueInWidget", 0, kVAlignBottom, "ab", 19, true, false, 1, true, true,
   {0, 0, 100, 100}, {0, 0, 100, 100}, {0, 0, 100, 100}, {0, 0, 100, 100}},
};
// clang-format on

class MakeRects : public ControlsFixture, public ::testing::WithParamInterface<RectsCase> {};

TEST_P(MakeRects, CutsLabelValueAndWidgetAreas) {
  const RectsCase& c = GetParam();
  IVStyle style;
  style.labelPosition = c.labelPosition;
  style.valueText.mVAlign = c.valueAlign;
  style.labelText.mSize = c.labelSize;
  style.showValue = c.showValue;
  style.widgetFrac = c.widgetFrac;
  auto* box = Add(new VectorBox(IRECT(0, 0, 100, 100), c.label, style, c.labelInWidget, c.valueInWidget));
  const IRECT clickable = box->MakeRects(box->GetRECT(), c.hasHandle);
  EXPECT_EQ(box->GetLabelBounds(), c.label_) << Rect(box->GetLabelBounds());
  EXPECT_EQ(box->GetValueBounds(), c.value) << Rect(box->GetValueBounds());
  EXPECT_EQ(box->GetWidgetBounds(), c.widget) << Rect(box->GetWidgetBounds());
  EXPECT_EQ(clickable, c.clickable) << Rect(clickable);
}

INSTANTIATE_TEST_SUITE_P(Vector, MakeRects, ::testing::ValuesIn(kRects),
                         [](const auto& info) { return std::string(info.param.name); });

struct ShapeCase {
  const char* name;
  EVShape shape;
  bool pressed;
  bool mouseOver;
  bool emboss;
  bool disabled;
  std::vector<std::string> paints;
  IColor shadow = IColor(60, 0, 0, 0);
};

// Shadow (60, 0, 0, 0), foreground (200 grey), pressed (240 grey), highlight (10, 0, 0, 0), frame (70
// grey). Fills with the control's blend log its weight; plain fills log none.
const std::string kSH = "PathFill 60,0,0,0 weight1";
const std::string kFGPlain = "PathFill 255,200,200,200";
const std::string kPRPlain = "PathFill 255,240,240,240";
const std::string kHL = "PathFill 10,0,0,0 weight1";
const std::string kFrame = "PathStroke 255,70,70,70 t1";

// clang-format off
const ShapeCase kShapes[] = {
  {"RectOver", EVShape::Rectangle, false, true, false, false, {kSH, kFGPlain, kHL, kFrame}},
  {"RectPressedNeverHighlights", EVShape::Rectangle, true, true, false, false, {kPRPlain, kFrame}},
  {"RectEmbossOver", EVShape::AllRounded, false, true, true, false,
   {kSH, kPRPlain, "PathFill 60,0,0,0", kFGPlain, kHL, kFrame}},
  {"RectEmbossPressed", EVShape::EndsRounded, true, false, true, false,
   {"PathFill 255,240,240,240 weight1", kSH, kFGPlain, "PathFill 255,240,240,240 weight1", kFrame}},
  {"RectDisabledDimsBlendedFillsOnly", EVShape::Rectangle, false, true, false, true,
   {"PathFill 60,0,0,0 weight0.25", kFGPlain, "PathFill 10,0,0,0 weight0.25", kFrame}},
  {"EllipseRestShadowPlain", EVShape::Ellipse, false, false, false, false, {"PathFill 60,0,0,0", kFGPlain, kFrame}},
  {"EllipseDisabledNoShadow", EVShape::Ellipse, false, false, false, true, {kFGPlain, kFrame}},
  // The resting shadow is filled without the blend but, unlike the plain fills, in the colour as it is.
  {"EllipseRestShadowUnclamped", EVShape::Ellipse, false, false, false, false,
   {"PathFill 60,300,-20,0", kFGPlain, kFrame}, IColor(60, 300, -20, 0)},
  {"TrianglePressedHighlights", EVShape::Triangle, true, true, false, false, {kPRPlain, kHL, kFrame}},
  {"UnknownShapeDrawsNothing", static_cast<EVShape>(7), false, true, false, false, {}},
};
// clang-format on

class PressableShapes : public ControlsFixture, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(PressableShapes, FillInStyleColours) {
  const ShapeCase& c = GetParam();
  IVStyle style;
  style.emboss = c.emboss;
  style.colorSpec.SetColor(EVColor::kSH, c.shadow);
  auto* box = Add(new VectorBox(IRECT(0, 0, 60, 40), "", style));
  box->SetDisabled(c.disabled);
  g.log.clear();
  box->DrawPressableShape(g, c.shape, IRECT(10, 10, 50, 30), c.pressed, c.mouseOver, c.disabled);
  EXPECT_EQ(Paints(), c.paints);
}

INSTANTIATE_TEST_SUITE_P(Vector, PressableShapes, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

// Captures triangle and rounded-rectangle geometry instead of logging paths.
class GeometryGraphics : public RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  std::vector<float> triangle;
  float cornerTL = -1.f;
  float cornerBR = -1.f;
  void FillTriangle(const IColor&, float x1, float y1, float x2, float y2, float x3, float y3, const IBlend*) override {
    if (triangle.empty()) triangle = {x1, y1, x2, y2, x3, y3};
  }
  void FillRoundRect(const IColor&, const IRECT&, float tl, float, float br, float, const IBlend*) override {
    cornerTL = tl;
    cornerBR = br;
  }
};

TEST(VectorGeometry, TriangleTurnsClockwiseAndCornersFollowRoundness) {
  FakeDelegate dlg;
  GeometryGraphics g(dlg, 200, 200);
  IVStyle style;
  style.drawFrame = false;
  style.drawShadows = false;
  style.roundness = 1.f;
  auto* box = static_cast<VectorBox*>(g.AttachControl(new VectorBox(IRECT(0, 0, 20, 20), "", style)));
  // A quarter turn moves the apex from the top edge's middle to the right edge's middle.
  box->DrawPressableTriangle(g, IRECT(0, 0, 20, 20), false, false, 90.f, false);
  const float expected[6] = {0, 0, 20, 10, 0, 20};
  ASSERT_EQ(g.triangle.size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(g.triangle[static_cast<std::size_t>(i)], expected[i], 1e-4f) << i;
  // Roundness 1: half the shorter side; EndsRounded keeps the bottom corners square.
  box->DrawPressableShape(g, EVShape::EndsRounded, IRECT(0, 0, 40, 20), false, false, false);
  EXPECT_EQ(g.cornerTL, 10.f);
  EXPECT_EQ(g.cornerBR, 0.f);
}

// The greys by name as (alpha, red, green, blue); the style's default foreground is the mid grey.
TEST(VectorColours, GreysHoldTheirValues) {
  const struct {
    const char* name;
    IColor color;
    int a, r, g, b;
  } rows[] = {
      {"GRAY", COLOR_GRAY, 255, 127, 127, 127},
      {"LIGHT_GRAY", COLOR_LIGHT_GRAY, 255, 240, 240, 240},
      {"MID_GRAY", COLOR_MID_GRAY, 255, 200, 200, 200},
      {"DARK_GRAY", COLOR_DARK_GRAY, 255, 70, 70, 70},
      {"default foreground", IVStyle().colorSpec.GetColor(kFG), 255, 200, 200, 200},
  };
  for (const auto& row : rows) EXPECT_EQ(row.color, IColor(row.a, row.r, row.g, row.b)) << row.name;
}

}  // namespace
}  // namespace fx::gfx::test
