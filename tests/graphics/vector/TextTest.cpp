// Renderer images and text: images through the texture callbacks; text metrics and bounds against DejaVu Sans's own
// tables, the font scale, line breaking, glyph positions, drawing as glyph quads and the growth of the atlas, also when
// its next image or reset fails.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "graphics/vector/FontManager.h"
#include "graphics/vector/VRMemory.h"
#include "graphics/vector/VRText.h"
#include "tests/graphics/vector/RecordingBackend.h"
#include "tests/graphics/vector/TestFonts.h"

namespace {

// DejaVu Sans, read once from its tables with fontTools: hhea ascent 1901, descent -483, line gap 0 (height 2384
// units); digits advance 1303 units, 'a' 1255, 'b' 1300, space 651, .notdef 1229; glyph boxes in x: '0' 135..1167,
// '3' 156..1139.
constexpr float kAscent = 1901, kDescent = -483, kHeight = 2384;

// Pixel advance of a glyph as the glyph record keeps it: tenths of a pixel, truncated, then rounded to a pixel.
float Advance(float units, float size) {
  int tenths = static_cast<int>(units * size / kHeight * 10);
  return static_cast<float>(static_cast<int>(tenths / 10.0f + 0.5f));
}

struct TextFrame : RecordingRenderer {
  int sans = -1;
  TextFrame() {
    vrBeginFrame(ctx, 640, 480, 1);
    sans = vrCreateFont(ctx, "sans", KD_DEJAVU_DIR "DejaVuSans.ttf");
    vrFontFaceId(ctx, sans);
    vrFontSize(ctx, 20);
  }
  std::vector<std::string> Rows(const char* text, float width) {
    VRtextRow rows[16];
    int n = vrTextBreakLines(ctx, text, nullptr, width, rows, 16);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.emplace_back(rows[i].start, rows[i].end);
    return out;
  }
};

TEST(VectorText, MetricsAndBoundsMatchTheFontTables) {
  TextFrame t;
  ASSERT_EQ(t.sans, 0);
  float asc, desc, lineh;
  vrTextMetrics(t.ctx, &asc, &desc, &lineh);
  EXPECT_NEAR(asc, 20 * kAscent / kHeight, 1e-4f);
  EXPECT_NEAR(desc, 20 * kDescent / kHeight, 1e-4f);
  EXPECT_NEAR(lineh, 20, 1e-4f);

  float bounds[4];
  float width = vrTextBounds(t.ctx, 10, 50, "0123", nullptr, bounds);
  EXPECT_EQ(width, 4 * Advance(1303, 20));
  // The quads include one empty border pixel on each side of the glyph box.
  const float scale = 20 / kHeight;
  EXPECT_EQ(bounds[0], 10 + std::floor(135 * scale) - 1);
  EXPECT_EQ(bounds[2], 10 + 3 * Advance(1303, 20) + std::ceil(1139 * scale) + 1);
  EXPECT_NEAR(bounds[1], 50 - 20 * kAscent / kHeight, 1e-4f);
  EXPECT_NEAR(bounds[3], 50 - 20 * kAscent / kHeight + 20, 1e-4f);

  // Centred and right-aligned text moves left by half and all of its advance.
  vrTextAlign(t.ctx, VR_ALIGN_RIGHT | VR_ALIGN_BASELINE);
  vrTextBounds(t.ctx, 10, 50, "0123", nullptr, bounds);
  EXPECT_EQ(bounds[2], 10 - width + 3 * Advance(1303, 20) + std::ceil(1139 * scale) + 1);
}

TEST(VectorText, FontScaleIsQuantisedAndLimited) {
  // Size 13.33 lands in the glyph cache as a whole number of tenths of a device pixel.
  struct Row {
    float scale, effectiveSize;
  } rows[] = {{1, 13.3f}, {1.004f, 13.3f}, {4, 53.3f / 4}, {5, 53.3f / 4}};
  for (const Row& row : rows) {
    TextFrame t;
    vrFontSize(t.ctx, 13.33f);
    vrScale(t.ctx, row.scale, row.scale);
    float asc;
    vrTextMetrics(t.ctx, &asc, nullptr, nullptr);
    EXPECT_NEAR(asc, row.effectiveSize * kAscent / kHeight, 1e-4f) << row.scale;
  }
}

TEST(VectorText, LineBreaking) {
  const float a = Advance(1255, 20), b = Advance(1300, 20), space = Advance(651, 20), notdef = Advance(1229, 20);
  struct Row {
    const char* text;
    float width;
    std::vector<std::string> rows;
  } rows[] = {
      {"a\r\nb", 1000, {"a", "b"}},
      {"a\n\nb", 1000, {"a", "", "b"}},
      {"aa bb", 2 * a + space + 2 * b - 1, {"aa", "bb"}},
      {"aa bb", 2 * a + space + 2 * b, {"aa bb"}},
      {"   aa   ", 1000, {"aa"}},
      {"aaaa", 2 * a + 1, {"aa", "aa"}},
      // Ideographs (drawn with the fallback box here) break between any two of them.
      {"\xE4\xB8\x80\xE4\xB8\x81\xE4\xB8\x82", 2 * notdef + 1, {"\xE4\xB8\x80\xE4\xB8\x81", "\xE4\xB8\x82"}},
      // A row broken before an ideograph ends where the row ended then: the space before it stays out.
      {"ab \xE4\xB8\xAD\xE4\xB8\xAD", a + b + space + notdef - 1, {"ab", "\xE4\xB8\xAD\xE4\xB8\xAD"}},
      {"ab \xE4\xB8\xAD\xE4\xB8\xAD", a + b + space + notdef, {"ab \xE4\xB8\xAD", "\xE4\xB8\xAD"}},
      {"", 1000, {}},
  };
  for (const Row& row : rows) {
    TextFrame t;
    EXPECT_EQ(t.Rows(row.text, row.width), row.rows) << row.text;
  }
  TextFrame t;
  VRtextRow r[2];
  ASSERT_EQ(vrTextBreakLines(t.ctx, "aa bb", nullptr, 2 * a + space, r, 2), 2);
  EXPECT_EQ(r[0].width, 2 * a);
  EXPECT_EQ(std::string(r[0].next), "bb");
  EXPECT_EQ(r[1].width, 2 * b);
  EXPECT_EQ(vrTextBreakLines(t.ctx, "aa bb", nullptr, 1, r, 0), 0);
  ASSERT_EQ(vrTextBreakLines(t.ctx, "ab \xE4\xB8\xAD", nullptr, a + b + space, r, 2), 2);
  EXPECT_EQ(r[0].width, a + b);
  EXPECT_EQ(std::string(r[0].next), "\xE4\xB8\xAD");
}

TEST(VectorText, NothingHappensWithoutAFontAndNoOutputIsOverrun) {
  TextFrame t;
  // No row count to stop at: no line is broken, and no row written.
  VRtextRow row[1];
  for (const int maxRows : {0, -1, -1000})
    EXPECT_EQ(vrTextBreakLines(t.ctx, "a\nb\nc", nullptr, 1000, row, maxRows), 0);
  VRglyphPosition positions[2];
  positions[0].str = nullptr;
  EXPECT_EQ(vrTextGlyphPositions(t.ctx, 0, 0, "abc", nullptr, positions, 0), 0);
  EXPECT_EQ(positions[0].str, nullptr);
  EXPECT_EQ(vrTextGlyphPositions(t.ctx, 0, 0, "abc", nullptr, positions, 2), 2);
  EXPECT_EQ(positions[1].x, Advance(1255, 20));

  EXPECT_EQ(vrFindFont(t.ctx, nullptr), -1);
  EXPECT_EQ(vrCreateFontMem(t.ctx, nullptr, nullptr, 0, 0), -1);
  EXPECT_EQ(vrAddFallbackFontId(t.ctx, t.sans, -1), 0);
  EXPECT_EQ(vrAddFallbackFontId(t.ctx, t.sans, 5), 0);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(vrAddFallbackFontId(t.ctx, t.sans, t.sans), 1);
  EXPECT_EQ(vrAddFallbackFontId(t.ctx, t.sans, t.sans), 0);

  // Without a usable font (none chosen, a transform whose font scale is 0: scale 0, or 0.0001 quantised to 0, or a
  // pixel ratio of 1e-40 whose inverse is past the largest float) every output is written, with zeros, and nothing
  // is drawn.
  for (const float scale : {1.0f, 0.0f, 1e-4f, 1e-40f}) {
    SCOPED_TRACE(scale);
    if (scale == 1e-40f) {
      vrBeginFrame(t.ctx, 640, 480, scale);
      vrFontFaceId(t.ctx, t.sans);
      vrFontSize(t.ctx, 20);
    }
    vrSave(t.ctx);
    if (scale == 1.0f)
      vrFontFace(t.ctx, "unknown");
    else if (scale != 1e-40f)
      vrScale(t.ctx, scale, scale);
    EXPECT_EQ(vrText(t.ctx, 3, 4, "abc", nullptr), 3);
    EXPECT_EQ(vrTextGlyphPositions(t.ctx, 0, 0, "abc", nullptr, positions, 2), 0);
    float bounds[4] = {1, 1, 1, 1};
    vrTextBoxBounds(t.ctx, 3, 4, 100, "abc", nullptr, bounds);
    EXPECT_EQ(bounds[0] + bounds[1] + bounds[2] + bounds[3], 0);
    const float ones[4] = {1, 1, 1, 1};
    std::memcpy(bounds, ones, sizeof bounds);
    EXPECT_EQ(vrTextBounds(t.ctx, 3, 4, "abc", nullptr, bounds), 0);
    EXPECT_EQ(bounds[0] + bounds[1] + bounds[2] + bounds[3], 0);
    float metrics[3] = {1, 1, 1};
    vrTextMetrics(t.ctx, &metrics[0], &metrics[1], &metrics[2]);
    EXPECT_EQ(metrics[0] + metrics[1] + metrics[2], 0);
    EXPECT_EQ(vrTextBreakLines(t.ctx, "a b", nullptr, 100, row, 1), 0);
    vrRestore(t.ctx);
  }
  EXPECT_EQ(vrGetState(t.ctx)->fontId, t.sans);
  EXPECT_TRUE(t.backend.draws.empty());
}

TEST(VectorText, TextIsDrawnAsGlyphQuadsFromTheAtlas) {
  TextFrame t;
  vrFillColor(t.ctx, vrRGBAf(1, 0, 0, 1));
  vrGlobalAlpha(t.ctx, 0.5f);
  float next = vrText(t.ctx, 10, 50, "ab", nullptr);
  EXPECT_EQ(next, 10 + Advance(1255, 20) + Advance(1300, 20));
  ASSERT_EQ(t.backend.draws.size(), 1u);
  const RecordedDraw& d = t.backend.draws[0];
  EXPECT_EQ(d.kind, RecordedDraw::Triangles);
  EXPECT_EQ(d.verts.size(), 12u);
  EXPECT_EQ(d.paint.image, t.ctx->fontImages[0]);
  EXPECT_EQ(d.paint.innerColor.a, 0.5f);
  ASSERT_EQ(t.backend.updates.size(), 1u);
  EXPECT_EQ(t.backend.updates[0].image, t.ctx->fontImages[0]);
  // The first glyph's quad sits on the baseline, to the right of the white texel in the atlas.
  EXPECT_LT(d.verts[0].y, 50);
  EXPECT_GT(d.verts[0].u, 0);

  vrBeginPath(t.ctx);
  vrTextBox(t.ctx, 0, 20, 2 * Advance(1255, 20) + 1, "aa bb", nullptr);
  EXPECT_EQ(t.backend.draws.size(), 3u);
}

// Text whose glyph iteration cannot start (a font id past the fonts, a size the glyph cache cannot key, a blur no
// glyph can be drawn with) still makes its draw call, with no triangles, and leaves the pen where it was.
TEST(VectorText, TextThatCannotStartMakesAnEmptyDrawCall) {
  struct Row {
    const char* name;
    int font;
    float size, blur;
  } rows[] = {
      {"font id past the fonts", 7, 20, 0},        {"size not a number", 0, std::nanf(""), 0},
      {"size past the glyph record", 0, 4000, 0},  {"blur leaving no pad", 0, 20, -3},
      {"blur not a number", 0, 20, std::nanf("")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TextFrame t;
    vrFontFaceId(t.ctx, row.font);
    vrFontSize(t.ctx, row.size);
    vrFontBlur(t.ctx, row.blur);
    EXPECT_EQ(vrText(t.ctx, 3, 4, "abc", nullptr), 3);
    ASSERT_EQ(t.backend.draws.size(), 1u);
    EXPECT_EQ(t.backend.draws[0].kind, RecordedDraw::Triangles);
    EXPECT_TRUE(t.backend.draws[0].verts.empty());
    EXPECT_EQ(t.ctx->drawCallCount, 1);
    EXPECT_EQ(t.ctx->textTriCount, 0);
  }
}

// A glyph the font manager cannot give for another reason than a full atlas (a size below 0.2 pixels; an advance at
// 3000 pixels beyond its field) is left out without growing the atlas: a larger image would not place it either.
// Measured, it is an empty box at its pen.
TEST(VectorText, GlyphsThatCannotBeHadAreLeftOutWithoutGrowingTheAtlas) {
  struct Row {
    const char* name;
    float size;
    const char* text;
    size_t vertices;
  } rows[] = {
      {"below 0.2 pixels", 0.1f, "ab", 0},
      {"advance beyond its field", 3000, "\xC7\x84", 0},  // U+01C4 advances 2912 units
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TextFrame t;
    vrFontSize(t.ctx, row.size);
    vrText(t.ctx, 0, 0, row.text, nullptr);
    EXPECT_EQ(t.ctx->fontImageIdx, 0);
    EXPECT_EQ(t.backend.textures.size(), 1u);
    ASSERT_EQ(t.backend.draws.size(), 1u);
    EXPECT_EQ(t.backend.draws[0].verts.size(), row.vertices);
  }
  // Not the box of the glyph before it.
  TextFrame t;
  vrFontSize(t.ctx, 3000);
  VRglyphPosition positions[2];
  ASSERT_EQ(vrTextGlyphPositions(t.ctx, 10, 0, "a\xC7\x84", nullptr, positions, 2), 2);
  EXPECT_GT(positions[1].x, positions[0].x);
  EXPECT_EQ(positions[1].minx, positions[1].x);
  EXPECT_EQ(positions[1].maxx, positions[1].x);
}

// At a pixel ratio of 1e-38 a glyph three pixels tall is 3e38 units tall: moved by 3e38 its corners overflow. Such
// glyphs are left out; the draw call carries only finite vertices.
TEST(VectorText, GlyphsWhoseCornersOverflowAreLeftOut) {
  TextFrame t;
  vrBeginFrame(t.ctx, 640, 480, 1e-38f);
  vrFontFaceId(t.ctx, t.sans);
  vrFontSize(t.ctx, 3e38f);
  vrTranslate(t.ctx, 3e38f, 0);
  vrText(t.ctx, 0, 0, "ab", nullptr);
  ASSERT_EQ(t.backend.draws.size(), 1u);
  for (const VRvertex& v : t.backend.draws[0].verts) {
    EXPECT_TRUE(std::isfinite(v.x));
    EXPECT_TRUE(std::isfinite(v.y));
  }
}

// Spaces have empty glyph boxes: at a blur of -2 their pad is 0 too, so they have no pixels and need no room in the
// atlas. The text runs on past them with its own advances (a 1255, b 1300, space 651 units) in the first atlas
// image, two triangles a character, and no quad turned inside out; a space's quad covers nothing.
TEST(VectorText, SpacesWithoutPadKeepTheTextGoing) {
  const float a = Advance(1255, 20), b = Advance(1300, 20), space = Advance(651, 20);
  for (const float blur : {0.f, -1.f, -2.f, -2.5f}) {
    SCOPED_TRACE(blur);
    TextFrame t;
    vrFontBlur(t.ctx, blur);
    EXPECT_EQ(vrText(t.ctx, 10, 50, "ab ab ab", nullptr), 10 + 3 * (a + b) + 2 * space);
    EXPECT_EQ(t.ctx->fontImageIdx, 0);
    EXPECT_EQ(t.backend.textures.size(), 1u);
    ASSERT_EQ(t.backend.draws.size(), 1u);
    const std::vector<VRvertex>& v = t.backend.draws[0].verts;
    ASSERT_EQ(v.size(), 8u * 6);
    for (size_t i = 0; i < v.size(); i += 6) {
      // Corners (x0, y0), (x1, y1), (x1, y0) start each quad.
      const float w = v[i + 2].x - v[i].x, h = v[i + 1].y - v[i + 2].y;
      EXPECT_GE(w, 0) << i / 6;
      EXPECT_GE(h, 0) << i / 6;
      if (blur <= -2 && (i / 6 == 2 || i / 6 == 5)) {
        EXPECT_EQ(w * h, 0) << i / 6;
      }
    }
  }
}

TEST(VectorText, AtlasGrowsThreeTimesThenGivesUp) {
  TextFrame t;
  // Capital letters at 800 pixels are about 500 pixels tall: a few to each atlas size.
  vrFontSize(t.ctx, 800);
  vrText(t.ctx, 0, 700, "ABCDEFGHIKLMNOPRSTUVWXYZ", nullptr);
  std::vector<std::pair<int, int>> sizes;
  for (const auto& [id, tex] : t.backend.textures) sizes.emplace_back(tex.width, tex.height);
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{512, 512}, {1024, 512}, {1024, 1024}, {2048, 1024}}));
  EXPECT_EQ(t.ctx->fontImageIdx, 3);
  vrEndFrame(t.ctx);
  EXPECT_EQ(t.ctx->fontImageIdx, 0);
  ASSERT_EQ(t.backend.textures.size(), 1u);
  EXPECT_EQ(t.backend.textures.begin()->second.width, 2048);
  EXPECT_EQ(t.ctx->fontImages[0], t.backend.textures.begin()->first);
}

// Growing the atlas goes on when the next image cannot be made or the font manager's reset fails: the index steps
// and the reset is asked for all the same. Without an image the glyphs after the growth go on into the font manager's
// reset atlas, drawn from image 0 (which gets no upload), and the pen ends where it ends when the image is made; with
// a failed reset the atlas stays full, the glyph tried again is not placed and the text stops there.
TEST(VectorText, AtlasGrowthGoesOnWhenTheNextImageOrTheResetFails) {
  const char* text = "ABCDEFGH";  // capitals at 300 pixels: more than one 512 x 512 atlas, less than two
  float made = 0;
  {
    TextFrame t;
    vrFontSize(t.ctx, 300);
    made = vrText(t.ctx, 0, 300, text, nullptr);
    ASSERT_EQ(t.ctx->fontImageIdx, 1);
  }
  {
    SCOPED_TRACE("the next image cannot be made");
    TextFrame t;
    vrFontSize(t.ctx, 300);
    const int first = t.ctx->fontImages[0];
    t.backend.textureSucceeds = false;
    EXPECT_EQ(vrText(t.ctx, 0, 300, text, nullptr), made);
    EXPECT_EQ(t.ctx->fontImageIdx, 1);
    EXPECT_EQ(t.ctx->fontImages[1], 0);
    EXPECT_EQ(t.ctx->fs->params.width, 1024);
    EXPECT_EQ(t.ctx->fs->params.height, 512);
    ASSERT_EQ(t.backend.draws.size(), 2u);
    EXPECT_EQ(t.backend.draws[0].paint.image, first);
    EXPECT_EQ(t.backend.draws[1].paint.image, 0);
    EXPECT_FALSE(t.backend.draws[0].verts.empty());
    EXPECT_FALSE(t.backend.draws[1].verts.empty());
    EXPECT_EQ(t.backend.draws[0].verts.size() + t.backend.draws[1].verts.size(), std::strlen(text) * 6);
    for (const RecordedUpdate& update : t.backend.updates) EXPECT_EQ(update.image, first);
    // A second growth reads the size of the empty slot as 0 x 0, which the font manager refuses: the text stops there.
    const float pen = vrText(t.ctx, 0, 600, "IKLMNOPRSTUVWXYZ", nullptr);
    EXPECT_EQ(t.ctx->fontImageIdx, 2);
    EXPECT_EQ(t.ctx->fontImages[2], 0);
    EXPECT_EQ(t.ctx->fs->params.width, 1024);
    EXPECT_LT(pen, vrTextBounds(t.ctx, 0, 600, "IKLMNOPRSTUVWXYZ", nullptr, nullptr));
    // At the end of the frame text goes back to the image there is, on an emptied glyph cache of its size: the next
    // frames draw from it and upload their glyphs to it, and a growth that can be made is made.
    t.backend.textureSucceeds = true;
    // Without memory for the emptied glyph cache nothing changes (and the next frame's end tries again).
    vrSetAllocHook([](size_t size) { return size != 512 * 512; });
    vrEndFrame(t.ctx);
    vrSetAllocHook(nullptr);
    EXPECT_EQ(t.ctx->fontImageIdx, 2);
    EXPECT_EQ(t.ctx->fs->params.width, 1024);
    vrEndFrame(t.ctx);
    EXPECT_EQ(t.ctx->fontImageIdx, 0);
    EXPECT_EQ(t.ctx->fontImages[0], first);
    EXPECT_EQ(t.ctx->fs->params.width, 512);
    EXPECT_EQ(t.ctx->fs->params.height, 512);
    for (int frame = 0; frame < 3; ++frame) {
      SCOPED_TRACE(frame);
      vrBeginFrame(t.ctx, 640, 480, 1);
      vrFontFaceId(t.ctx, t.sans);
      vrFontSize(t.ctx, 20);
      t.backend.draws.clear();
      t.backend.updates.clear();
      vrText(t.ctx, 0, 20, "Hello", nullptr);
      ASSERT_EQ(t.backend.draws.size(), 1u);
      EXPECT_EQ(t.backend.draws[0].paint.image, first);
      EXPECT_EQ(t.backend.draws[0].verts.size(), 5u * 6);
      if (frame == 0) {
        ASSERT_EQ(t.backend.updates.size(), 1u);
        EXPECT_EQ(t.backend.updates[0].image, first);
      }
      vrEndFrame(t.ctx);
    }
    vrBeginFrame(t.ctx, 640, 480, 1);
    vrFontFaceId(t.ctx, t.sans);
    vrFontSize(t.ctx, 300);
    EXPECT_EQ(vrText(t.ctx, 0, 300, text, nullptr), made);
    EXPECT_EQ(t.ctx->fontImageIdx, 1);
    ASSERT_NE(t.ctx->fontImages[1], 0);
    EXPECT_EQ(t.backend.textures[t.ctx->fontImages[1]].width, 1024);
    EXPECT_EQ(t.backend.draws.back().paint.image, t.ctx->fontImages[1]);
  }
  {
    SCOPED_TRACE("a growth made, then one whose image cannot be made");
    TextFrame t;
    vrFontSize(t.ctx, 300);
    const int first = t.ctx->fontImages[0];
    vrText(t.ctx, 0, 300, text, nullptr);
    ASSERT_EQ(t.ctx->fontImageIdx, 1);
    const int grown = t.ctx->fontImages[1];
    t.backend.textureSucceeds = false;
    vrText(t.ctx, 0, 600, "IKLMNOPRSTUVWXYZ", nullptr);
    ASSERT_EQ(t.ctx->fontImageIdx, 2);
    t.backend.textureSucceeds = true;
    // The end of the frame goes back to the grown image, which takes slot 0; the first, smaller, is released.
    vrEndFrame(t.ctx);
    EXPECT_EQ(t.ctx->fontImageIdx, 0);
    EXPECT_EQ(t.ctx->fontImages[0], grown);
    EXPECT_EQ(t.ctx->fontImages[1], 0);
    EXPECT_EQ(t.backend.textures.count(first), 0u);
    EXPECT_EQ(t.ctx->fs->params.width, 1024);
    EXPECT_EQ(t.ctx->fs->params.height, 512);
  }
  {
    SCOPED_TRACE("the font manager's reset fails");
    TextFrame t;
    vrFontSize(t.ctx, 300);
    vrSetAllocHook([](size_t size) { return size != 1024 * 512; });  // the reset atlas's pixels
    const float pen = vrText(t.ctx, 0, 300, text, nullptr);
    vrSetAllocHook(nullptr);
    EXPECT_LT(pen, made);
    EXPECT_EQ(t.ctx->fontImageIdx, 1);
    ASSERT_NE(t.ctx->fontImages[1], 0);
    EXPECT_EQ(t.backend.textures[t.ctx->fontImages[1]].width, 1024);
    EXPECT_EQ(t.ctx->fs->params.width, 512);
    ASSERT_EQ(t.backend.draws.size(), 2u);
    EXPECT_EQ(t.backend.draws[1].paint.image, t.ctx->fontImages[1]);
    EXPECT_TRUE(t.backend.draws[1].verts.empty());
  }
}

TEST(VectorImage, ImagesAreDecodedIntoRgbaTextures) {
  // A 2 x 1 RGBA PNG (opaque red, half-transparent blue), written with Python's zlib.
  unsigned char png[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
                         0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0xf4,
                         0x22, 0x7f, 0x8a, 0x00, 0x00, 0x00, 0x0e, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
                         0xcf, 0xc0, 0x00, 0x42, 0x0d, 0x00, 0x0f, 0x7a, 0x03, 0x7e, 0x77, 0xe9, 0x7f, 0x97, 0x00,
                         0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  const std::vector<unsigned char> pixels = {255, 0, 0, 255, 0, 0, 255, 128};
  RecordingRenderer r;
  int image = vrCreateImageMem(r.ctx, VR_IMAGE_NEAREST, png, sizeof(png));
  ASSERT_NE(image, 0);
  const RecordedTexture& tex = r.backend.textures[image];
  EXPECT_EQ(tex.type, VR_TEXTURE_RGBA);
  EXPECT_EQ(tex.flags, VR_IMAGE_NEAREST);
  EXPECT_EQ(tex.data, pixels);
  int w = 0, h = 0;
  vrImageSize(r.ctx, image, &w, &h);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  vrUpdateImage(r.ctx, image, pixels.data());
  ASSERT_EQ(r.backend.updates.size(), 1u);
  EXPECT_EQ(r.backend.updates[0].w, 2);
  vrDeleteImage(r.ctx, image);
  EXPECT_EQ(r.backend.deletedTextures.back(), image);

  std::string path = "/tmp/kd_vector_image_" + std::to_string(getpid()) + ".png";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(png, 1, sizeof(png), f);
  std::fclose(f);
  image = vrCreateImage(r.ctx, path.c_str(), 0);
  std::remove(path.c_str());
  ASSERT_NE(image, 0);
  EXPECT_EQ(r.backend.textures[image].data, pixels);

  png[20] ^= 0xff;  // a corrupt header
  EXPECT_EQ(vrCreateImageMem(r.ctx, 0, png, sizeof(png)), 0);
  EXPECT_EQ(vrCreateImage(r.ctx, "/no/such/image.png", 0), 0);
  EXPECT_EQ(vrCreateImageRGBA(r.ctx, 0, 4, 0, nullptr), 0);
}

// A file load sets the decoder's iPhone-PNG switches (such files keep blue first and premultiplied colours) for its own
// thread: there a later load from memory gives straight RGBA; on a thread that never loaded a file the pixel comes as
// the file stores it. A 1 x 1 such PNG of straight (200, 100, 50) at alpha 128, stored as (25, 50, 100, 128) with its
// data in a raw deflate stream, written with Python's zlib; unpremultiplied, 100 x 255 / 128 rounds down to 199.
TEST(VectorImage, AFileLoadSwitchesIPhonePngConversionOnForItsOwnThreadOnly) {
  unsigned char png[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x04, 0x43, 0x67,
                         0x42, 0x49, 0x50, 0x00, 0x20, 0x02, 0x2b, 0xd5, 0xb3, 0x7f, 0x00, 0x00, 0x00, 0x0d,
                         0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06,
                         0x00, 0x00, 0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00, 0x00, 0x00, 0x07, 0x49, 0x44, 0x41,
                         0x54, 0x63, 0x90, 0x34, 0x4a, 0x69, 0x00, 0x00, 0x09, 0x60, 0xcd, 0xaf, 0x00, 0x00,
                         0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  const std::vector<unsigned char> stored = {25, 50, 100, 128}, converted = {199, 100, 50, 128};
  const std::string path = "/tmp/kd_vector_iphone_" + std::to_string(getpid()) + ".png";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(png, 1, sizeof(png), f);
  std::fclose(f);
  std::vector<unsigned char> fromFile, afterFile, elsewhere;
  std::thread loading([&] {
    RecordingRenderer r;
    fromFile = r.backend.textures[vrCreateImage(r.ctx, path.c_str(), 0)].data;
    afterFile = r.backend.textures[vrCreateImageMem(r.ctx, 0, png, sizeof(png))].data;
  });
  loading.join();
  std::thread other([&] {
    RecordingRenderer r;
    elsewhere = r.backend.textures[vrCreateImageMem(r.ctx, 0, png, sizeof(png))].data;
  });
  other.join();
  std::remove(path.c_str());
  EXPECT_EQ(fromFile, converted);
  EXPECT_EQ(afterFile, converted);
  EXPECT_EQ(elsewhere, stored);
}

}  // namespace
