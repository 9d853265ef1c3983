#include "tests/graphics/GraphicsFixture.h"

#include "graphics/IVStyle.h"

#include <cstring>
#include <iterator>

namespace fx::gfx::test {
namespace {

// The slot of a virtual operation in the class's table: under the Itanium C++ ABI (GCC and Clang on Linux) a pointer
// to a virtual member function holds 1 + the slot's byte offset in the table.
template <typename F>
std::ptrdiff_t Slot(F function) {
  struct Representation {
    std::ptrdiff_t ptr;
    std::ptrdiff_t adj;
  } r{};
  static_assert(sizeof(function) == sizeof(r));
  std::memcpy(&r, &function, sizeof(r));
  return r.ptr - 1;
}

TEST(DefaultOperations, VirtualOperationsLieInTheTableInTheirOrder) {
  using G = IGraphics;
  // A sample of the table from first to last, including operations far apart in the header's sections, each pair
  // of overloads in its order, and the system's own operation after the table.
  const std::ptrdiff_t slots[] = {
      Slot(&G::BeginFrame),
      Slot(&G::DrawSVG),
      Slot(static_cast<void (G::*)(const IBitmap&, const IRECT&, int, int, const IBlend*)>(&G::DrawBitmap)),
      Slot(&G::FillRect),
      Slot(&G::FillCircle),
      Slot(&G::MeasureText),
      Slot(&G::ScaleBitmap),
      Slot(&G::DrawData),
      Slot(static_cast<bool (G::*)(const char*, const char*)>(&G::LoadFont)),
      Slot(static_cast<bool (G::*)(const char*, void*, int)>(&G::LoadFont)),
      Slot(&G::UpdateLayer),
      Slot(&G::OnControlDrawn),
      Slot(&G::SetClipRegion),
      Slot(&G::SetMouseCursor),
      Slot(&G::CreatePlatformPopupMenu),
      Slot(&G::PlatformSupportsMultiTouch),
      Slot(static_cast<IBitmap (G::*)(const char*, int, bool, int)>(&G::LoadBitmap)),
      Slot(static_cast<IBitmap (G::*)(const char*, const void*, int, int, bool, int)>(&G::LoadBitmap)),
      Slot(static_cast<ISVG (G::*)(const char*, const char*, float)>(&G::LoadSVG)),
      Slot(&G::AttachGestureRecognizer),
      Slot(&G::GetTotalScale),
      Slot(&G::OnControlDrawing),
  };
  for (std::size_t i = 1; i < std::size(slots); ++i) EXPECT_LT(slots[i - 1], slots[i]) << i;
  // The table's operations follow one another with nothing of the system's own between them.
  EXPECT_EQ(Slot(&G::InitDrawContext) - Slot(&G::BeginFrame), static_cast<std::ptrdiff_t>(sizeof(void*)));
  EXPECT_EQ(Slot(&G::OnControlDrawing) - Slot(&G::GetTotalScale), static_cast<std::ptrdiff_t>(sizeof(void*)));
}

TEST(DefaultStyles, ColourSpecFromAList) {
  const IVColorSpec none{};
  for (int i = 0; i < kNumVColors; ++i) EXPECT_EQ(none.GetColor(static_cast<EVColor>(i)), DEFAULT_COLOR_SPEC[i]);

  const IVColorSpec three{COLOR_RED, COLOR_GREEN, COLOR_BLUE};
  EXPECT_EQ(three.GetColor(kBG), COLOR_RED);
  EXPECT_EQ(three.GetColor(kPR), COLOR_BLUE);
  EXPECT_EQ(three.GetColor(kFR), IColor(255, 70, 70, 70));
  EXPECT_EQ(three.GetColor(kX3), IColor(255, 0, 0, 255));

  const IVColorSpec tooMany{COLOR_RED, COLOR_RED, COLOR_RED, COLOR_RED, COLOR_RED,
                            COLOR_RED, COLOR_RED, COLOR_RED, COLOR_RED, COLOR_WHITE};
  EXPECT_EQ(tooMany.GetColor(kX3), COLOR_RED);
}

TEST(DefaultStyles, DefaultColourSpecValues) {
  const IColor expected[kNumVColors] = {IColor(0, 0, 0, 0),      IColor(255, 200, 200, 200), IColor(255, 240, 240, 240),
                                        IColor(255, 70, 70, 70), IColor(10, 0, 0, 0),        IColor(60, 0, 0, 0),
                                        IColor(255, 0, 0, 0),    IColor(255, 0, 255, 0),     IColor(255, 0, 0, 255)};
  for (int i = 0; i < kNumVColors; ++i) EXPECT_EQ(DEFAULT_COLOR_SPEC[i], expected[i]) << i;
}

TEST(DefaultStyles, DefaultVectorStyle) {
  const IVStyle& s = DEFAULT_STYLE;
  EXPECT_TRUE(s.hideCursor && s.showLabel && s.showValue && s.drawFrame && s.drawShadows);
  EXPECT_FALSE(s.emboss);
  EXPECT_EQ(s.roundness, 0.f);
  EXPECT_EQ(s.frameThickness, 1.f);
  EXPECT_EQ(s.shadowOffset, 3.f);
  EXPECT_EQ(s.widgetFrac, 1.f);
  EXPECT_EQ(s.labelText.mSize, 19.f);
  EXPECT_EQ(s.labelText.mVAlign, kVAlignTop);
  EXPECT_EQ(s.valueText.mSize, 14.f);
  EXPECT_EQ(s.valueText.mVAlign, kVAlignBottom);
  EXPECT_STREQ(s.valueText.mFont, "Roboto-Regular");
  EXPECT_EQ(s.labelPosition, 0);
}

TEST(DefaultStyles, BlendPresets) {
  struct Row {
    IBlend blend;
    int method;
    float weight;
  };
  const Row rows[] = {{BLEND_75, 0, 0.75f}, {BLEND_50, 0, 0.5f},  {BLEND_25, 0, 0.25f},   {BLEND_10, 0, 0.1f},
                      {BLEND_05, 0, 0.05f}, {BLEND_01, 0, 0.01f}, {BLEND_DST_IN, 5, 1.f}, {BLEND_DST_OVER, 4, 1.f}};
  for (const Row& row : rows) {
    EXPECT_EQ(row.blend.method, row.method);
    EXPECT_EQ(row.blend.weight, row.weight);
  }
}

using GraphicsDefaults = GraphicsFixture;

TEST_F(GraphicsDefaults, CursorWindowAndText) {
  EXPECT_EQ(g.SetMouseCursor(kHandCursor), kArrowCursor);
  EXPECT_EQ(g.SetMouseCursor(kHandCursor), kHandCursor);
  EXPECT_FALSE(g.WindowIsOpen());
  int view = 0;
  g.OpenWindow(&view);
  EXPECT_TRUE(g.WindowIsOpen());

  g.DrawMultiLineText(DEFAULT_TEXT, "two\nlines", IRECT(0, 0, 50, 20));
  EXPECT_EQ(g.log.back(), "DoDrawText Unsupported 0,0,50,20");
  g.log.clear();
  g.DrawText(DEFAULT_TEXT, "", IRECT(0, 0, 50, 20));
  g.DrawText(DEFAULT_TEXT, nullptr, IRECT(0, 0, 50, 20));
  EXPECT_TRUE(g.log.empty());

  IRECT bounds(1, 2, 1, 2);
  EXPECT_EQ(g.MeasureText(DEFAULT_TEXT, "", bounds), 0.f);
  EXPECT_EQ(bounds, IRECT(1, 2, 1, 2));
  EXPECT_EQ(g.MeasureText(DEFAULT_TEXT, "abc", bounds), 21.f);
  EXPECT_EQ(bounds, IRECT(1, 2, 22, 16));

  EXPECT_EQ(g.GetPlatformWindowScale(), 1.f);
  EXPECT_EQ(g.GetUIAppearance(), kUIAppearanceLight);
  EXPECT_FALSE(g.PlatformSupportsMultiTouch());
  EXPECT_STREQ(g.GetBundleID(), "");
  EXPECT_TRUE(g.RendererQueryHook());
}

TEST_F(GraphicsDefaults, AppearanceChangeReachesTheFunction) {
  EUIAppearance seen = kUIAppearanceLight;
  g.OnAppearanceChanged(kUIAppearanceDark);  // no function yet: nothing happens
  g.SetAppearanceChangedFunc([&](EUIAppearance a) { seen = a; });
  g.OnAppearanceChanged(kUIAppearanceDark);
  EXPECT_EQ(seen, kUIAppearanceDark);
}

}  // namespace
}  // namespace fx::gfx::test
