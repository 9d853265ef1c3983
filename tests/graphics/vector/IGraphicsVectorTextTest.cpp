// Text and fonts on the renderer: font bytes registered once per process and refused when unusable, measuring and
// aligning one line against DejaVu Sans's own tables, and multi-line text aligned as one block.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "graphics/vector/VRText.h"
#include "tests/graphics/vector/TestFonts.h"
#include "tests/graphics/vector/VectorGraphicsFixture.h"

namespace fx::gfx::test {
namespace {

// DejaVu Sans, read from its tables with fontTools: hhea ascent 1901, descent -483 (height 2384 units), line gap 0;
// digits advance 1303 units; '0' spans 135..1167 in x.
constexpr float kHeight = 2384, kSize = 20, kScale = kSize / kHeight;

// A glyph's pixel advance as the glyph cache keeps it: tenths of a pixel, truncated, then rounded to a pixel.
float Advance(float units) {
  const int tenths = static_cast<int>(units * kScale * 10);
  return static_cast<float>(static_cast<int>(tenths / 10.f + 0.5f));
}

// The left edge of a string starting with '0' drawn from x: the glyph box and one empty border pixel.
float LeftOfZero(float x) {
  return x + std::floor(135 * kScale) - 1;
}

std::vector<unsigned char> DejaVuBytes() {
  std::ifstream file(KD_DEJAVU_DIR "DejaVuSans.ttf", std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

// The offset of a table's record in the font's table directory.
size_t TableRecord(const std::vector<unsigned char>& font, const char* tag) {
  const int tables = font[4] << 8 | font[5];
  for (int i = 0; i < tables; ++i)
    if (std::equal(tag, tag + 4, font.begin() + 12 + 16 * i)) return 12 + 16 * i;
  return 0;
}

// A platform font handing out copies of fixed bytes, counting how often it is asked.
class BytesFont : public PlatformFont {
 public:
  BytesFont(std::vector<unsigned char> bytes, int& asked)
      : PlatformFont(false), mBytes(std::move(bytes)), mAsked(asked) {}
  const platform::fonts::FontDescriptor& GetDescriptor() const override { return mDescriptor; }
  std::unique_ptr<IFontFileData> GetFontData() const override {
    ++mAsked;
    return std::make_unique<IFontFileData>(mBytes.data(), static_cast<int>(mBytes.size()), 0);
  }

 private:
  std::vector<unsigned char> mBytes;
  int& mAsked;
  platform::fonts::FontDescriptor mDescriptor;
};

struct TextTest : VectorGraphicsTest {
  IText Style(EAlign align, EVAlign valign) {
    IText text(kSize, valign);
    text.mAlign = align;
    text.SetFont("sans");
    return text;
  }
  TextTest() {
    EXPECT_TRUE(g->LoadFont("sans", KD_DEJAVU_DIR "DejaVuSans.ttf"));
    g->BeginFrame();
  }
  // The vertical extent of a recorded glyph-quad draw.
  static std::pair<float, float> YRange(const RecordedDraw& d) {
    auto [lo, hi] = std::minmax_element(d.verts.begin(), d.verts.end(),
                                        [](const VRvertex& a, const VRvertex& b) { return a.y < b.y; });
    return {lo->y, hi->y};
  }
};

TEST_F(TextTest, FontBytesAreRegisteredOncePerProcessAndRefusedWhenUnusable) {
  const std::vector<unsigned char> good = DejaVuBytes();
  ASSERT_GT(good.size(), 1000u);
  std::vector<unsigned char> noHHea = good;
  std::copy_n("xhea", 4, noHHea.begin() + TableRecord(good, "hhea"));
  // hhea's ascender and descender at 0: a font with no height.
  std::vector<unsigned char> flat = good;
  const size_t hhea = TableRecord(good, "hhea");
  const size_t table = flat[hhea + 8] << 24 | flat[hhea + 9] << 16 | flat[hhea + 10] << 8 | flat[hhea + 11];
  std::fill_n(flat.begin() + table + 4, 4, 0);
  struct Row {
    const char* id;
    std::vector<unsigned char> bytes;
    bool loads;
  } rows[] = {{"good", good, true}, {"no hhea", noHHea, false}, {"no height", flat, false}, {"no bytes", {}, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    int asked = 0;
    const int cached = FontDataCache().GetSize();
    const PlatformFontPtr font = std::make_unique<BytesFont>(row.bytes, asked);
    EXPECT_EQ(g->LoadAPIFont(row.id, font), row.loads);
    EXPECT_EQ(FontDataCache().GetSize() - cached, row.loads ? 1 : 0);
    EXPECT_EQ(vrFindFont(ctx, row.id) != -1, row.loads);
    EXPECT_EQ(asked, 1);
  }

  // Another editor in the process registers the cached bytes without asking the platform font.
  RecordingBackend otherBackend;
  TestVectorGraphics other(dlg, 100, 100, 60, 1.f);
  other.InitDrawContext(&otherBackend);
  int asked = 0;
  const PlatformFontPtr font = std::make_unique<BytesFont>(good, asked);
  EXPECT_TRUE(other.LoadAPIFont("good", font));
  EXPECT_TRUE(other.LoadAPIFont("good", font));
  EXPECT_EQ(asked, 0);
  EXPECT_NE(vrFindFont(static_cast<VRcontext*>(other.GetDrawContext()), "good"), -1);

  // Without a platform font for bytes not cached, or without a context even for cached bytes, nothing is registered.
  EXPECT_FALSE(g->LoadAPIFont("not cached", PlatformFontPtr()));
  EXPECT_EQ(vrFindFont(ctx, "not cached"), -1);
  TestVectorGraphics noContext(dlg, 100, 100, 60, 1.f);
  noContext.InitDrawContext(nullptr);
  EXPECT_FALSE(noContext.LoadAPIFont("good", font));
}

TEST_F(TextTest, MeasuredBoxesFollowTheAlignmentAndTheAngle) {
  const IRECT r(10, 50, 110, 80);
  const float advance = 2 * Advance(1303);
  struct Row {
    EAlign align;
    EVAlign valign;
    float left;
  } rows[] = {{kAlignNear, kVAlignTop, LeftOfZero(r.L)},
              {kAlignCenter, kVAlignMiddle, LeftOfZero(r.MW() - advance / 2)},
              {kAlignFar, kVAlignBottom, LeftOfZero(r.R - advance)}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.align);
    IRECT box = r;
    const float width = g->DoMeasureText(Style(row.align, row.valign), "00", box);
    EXPECT_FLOAT_EQ(box.L, row.left);
    EXPECT_FLOAT_EQ(width, box.W());
    EXPECT_FLOAT_EQ(box.H(), kSize);
    const float edge[] = {box.T - r.T, box.MH() - r.MH(), box.B - r.B};
    EXPECT_NEAR(edge[row.valign], 0, 1e-4f);

    // Drawn where it was measured, in the text colour times the blend weight, with the blend's operation.
    const IBlend add(kBlendAdd, 0.5f);
    IText text = Style(row.align, row.valign);
    text.mFGColor = IColor(200, 0, 0, 255);
    g->DrawText(text, "00", r, &add);
    const auto minX = std::min_element(Last().verts.begin(), Last().verts.end(),
                                       [](const VRvertex& a, const VRvertex& b) { return a.x < b.x; });
    EXPECT_FLOAT_EQ(minX->x, box.L);
    EXPECT_NEAR(Last().paint.innerColor.a, 100 / 255.f, 1e-6f);
    EXPECT_EQ(Last().op.dstRGB, VR_ONE);
  }

  IRECT plain = r;
  IText turned = Style(kAlignNear, kVAlignTop);
  const float along = g->DoMeasureText(turned, "00", plain);
  turned.mAngle = 90;
  IRECT rotated = r;
  EXPECT_NEAR(g->DoMeasureText(turned, "00", rotated), kSize, 1e-3f) << "the width of the rotated box";
  EXPECT_NEAR(rotated.H(), along, 1e-3f);

  // At a screen scale of 1e-40 the font's pixels cannot be taken back to points (their inverse is past the largest
  // float): the text has no usable font and measures 0 wide, not a number.
  g->EndFrame();
  g->SetScreenScale(1e-40f);
  g->BeginFrame();
  IRECT tiny = r;
  EXPECT_EQ(g->DoMeasureText(Style(kAlignCenter, kVAlignMiddle), "Hello", tiny), 0);
  EXPECT_FALSE(std::isnan(tiny.L + tiny.T + tiny.R + tiny.B));
}

TEST_F(TextTest, MultiLineTextIsAlignedAsOneBlock) {
  // Three rows of "00" in a rect 30 points wide; each compared with the single line "00" aligned in the same rect.
  const IRECT r(10, 40, 40, 160);
  for (const EVAlign valign : {kVAlignTop, kVAlignMiddle, kVAlignBottom}) {
    SCOPED_TRACE(valign);
    backend.draws.clear();
    g->DrawMultiLineText(Style(kAlignNear, valign), "00 00 00", r);
    ASSERT_EQ(Draws(), 3);
    const auto first = YRange(backend.draws[0]), last = YRange(backend.draws[2]);
    EXPECT_FLOAT_EQ(YRange(backend.draws[1]).first - first.first, kSize);
    g->DrawText(Style(kAlignNear, valign), "00", r);
    const auto single = YRange(Last());
    const float misalignment[] = {single.first - first.first,
                                  (single.first + single.second) / 2 - (first.first + last.second) / 2,
                                  single.second - last.second};
    EXPECT_NEAR(misalignment[valign], 0, 1e-4f);
  }

  const int states = ctx->nstates;
  backend.draws.clear();
  g->DrawMultiLineText(Style(kAlignNear, kVAlignTop), "", r);
  EXPECT_EQ(Draws(), 0);
  EXPECT_EQ(ctx->nstates, states);
}

}  // namespace
}  // namespace fx::gfx::test
