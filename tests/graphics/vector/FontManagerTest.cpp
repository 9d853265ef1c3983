// The font manager: the atlas and its skyline packer, fonts and fallbacks, the glyph cache, the state stack and the
// UTF-8 decoding of the text iterator.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "graphics/vector/FontManager.h"
#include "tests/graphics/vector/TestFonts.h"

namespace {

// DejaVu Sans, read once from its tables with fontTools: hhea ascent 1901 and descent -483 (height 2384 units);
// glyph '1' box x 225..1114; U+01F7 is glyph 441; U+01C4 advances 2912 units.
constexpr float kSansHeight = 2384;

struct Stash {
  FNTcontext* fs;
  std::vector<int> errors;
  explicit Stash(int size = 512) {
    FNTparams params{};
    params.width = params.height = size;
    params.flags = FNT_ZERO_TOPLEFT;
    fs = fntCreateInternal(&params);
    fntSetErrorCallback(
        fs, [](void* u, int error, int) { static_cast<Stash*>(u)->errors.push_back(error); }, this);
  }
  ~Stash() { fntDeleteInternal(fs); }
  int Add(const char* name, const char* file) {
    return fntAddFont(fs, name, (std::string(KD_DEJAVU_DIR) + file).c_str(), 0);
  }
};

TEST(FontAtlas, WhiteTexelComesFirstAndTheSkylinePacksLowestFirst) {
  Stash s;
  const unsigned char* tex = fntGetTextureData(s.fs, nullptr, nullptr);
  EXPECT_EQ(tex[0], 255);
  EXPECT_EQ(tex[1], 255);
  EXPECT_EQ(tex[512], 255);
  EXPECT_EQ(tex[513], 255);
  EXPECT_EQ(tex[2], 0);
  int dirty[4];
  ASSERT_EQ(fntValidateTexture(s.fs, dirty), 1);
  EXPECT_EQ(dirty[2], 2);
  EXPECT_EQ(dirty[3], 2);
  EXPECT_EQ(fntValidateTexture(s.fs, dirty), 0);

  FNTatlas* atlas = fntAtlasCreate(16, 8, 1);
  struct Row {
    int w, h;
    int ok, x, y;
  } rows[] = {{2, 2, 1, 0, 0}, {4, 2, 1, 2, 0},  {6, 3, 1, 6, 0},  {4, 1, 1, 12, 0}, {16, 1, 1, 0, 3},
              {1, 8, 0, 0, 0}, {17, 1, 0, 0, 0}, {16, 4, 1, 0, 4}, {1, 1, 0, 0, 0},  {0, 1, 0, 0, 0}};
  for (const Row& row : rows) {
    int x = -1, y = -1;
    EXPECT_EQ(fntAtlasAddRect(atlas, row.w, row.h, &x, &y), row.ok) << row.w << "x" << row.h;
    if (!row.ok) continue;
    EXPECT_EQ(x, row.x) << row.w << "x" << row.h;
    EXPECT_EQ(y, row.y) << row.w << "x" << row.h;
  }
  // Equal bottoms: the narrower node wins, even when it comes later.
  fntAtlasReset(atlas, 16, 8);
  atlas->nodes[0] = {0, 0, 11};
  atlas->nodes[1] = {11, 2, 2};
  atlas->nodes[2] = {13, 0, 3};
  atlas->nnodes = 3;
  int x, y;
  ASSERT_EQ(fntAtlasAddRect(atlas, 3, 1, &x, &y), 1);
  EXPECT_EQ(x, 13);
  fntAtlasDelete(atlas);

  // A reset empties the cache and puts the white texel back at the origin of the new size.
  ASSERT_EQ(fntResetAtlas(s.fs, 1024, 512), 1);
  tex = fntGetTextureData(s.fs, &x, &y);
  EXPECT_EQ(x, 1024);
  EXPECT_EQ(tex[1025], 255);
  EXPECT_EQ(fntExpandAtlas(s.fs, 1024, 1024), 1);
  EXPECT_EQ(fntGetTextureData(s.fs, nullptr, nullptr)[1025], 255);
}

TEST(FontManager, FontsAndFallbacksAreCheckedOnTheWayIn) {
  Stash s;
  EXPECT_EQ(s.Add(nullptr, "DejaVuSans.ttf"), -1);
  EXPECT_EQ(s.Add("missing", "no-such-font.ttf"), -1);
  unsigned char junk[64] = {1, 2, 3};
  EXPECT_EQ(fntAddFontMem(s.fs, "junk", junk, sizeof(junk), 0, 0), -1);
  EXPECT_EQ(s.fs->nfonts, 0);
  int sans = s.Add("sans", "DejaVuSans.ttf");
  ASSERT_EQ(sans, 0);
  EXPECT_EQ(fntGetFontByName(s.fs, "sans"), 0);
  EXPECT_EQ(fntGetFontByName(s.fs, "Sans"), -1);
  EXPECT_EQ(fntGetFontByName(s.fs, nullptr), -1);
  EXPECT_EQ(fntAddFallbackFont(s.fs, sans, 7), 0);
  EXPECT_EQ(fntAddFallbackFont(s.fs, -1, sans), 0);
  for (int i = 0; i < FNT_MAX_FALLBACKS; ++i) EXPECT_EQ(fntAddFallbackFont(s.fs, sans, sans), 1);
  EXPECT_EQ(fntAddFallbackFont(s.fs, sans, sans), 0);
}

// A face whose ascent does not lie above its descent has no height to scale glyphs by: it is refused. The hhea
// table's ascender and descender (big-endian 16-bit values at bytes 4 and 6 of the table) are rewritten here.
TEST(FontManager, AFaceWithoutHeightIsRefused) {
  std::ifstream file(std::string(KD_DEJAVU_DIR) + "DejaVuSans.ttf", std::ios::binary);
  const std::vector<unsigned char> original((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(original.size(), 12u);
  const auto read16 = [&](size_t at) { return static_cast<int>(original[at] << 8 | original[at + 1]); };
  const auto read32 = [&](size_t at) {
    return static_cast<size_t>(read16(at)) << 16 | static_cast<size_t>(read16(at + 2));
  };
  size_t hhea = 0;
  for (int i = 0; i < read16(4); ++i)
    if (std::memcmp(&original[12 + 16 * i], "hhea", 4) == 0) hhea = read32(12 + 16 * i + 8);
  ASSERT_NE(hhea, 0u);
  const struct { int ascent, descent, expect; } rows[] = {{1901, -483, 0}, {0, 0, -1}, {100, 200, -1}};
  for (const auto& row : rows) {
    std::vector<unsigned char> data = original;
    for (const auto& [at, value] : {std::pair{hhea + 4, row.ascent}, std::pair{hhea + 6, row.descent}}) {
      data[at] = static_cast<unsigned char>((value >> 8) & 0xff);
      data[at + 1] = static_cast<unsigned char>(value & 0xff);
    }
    Stash s;
    EXPECT_EQ(fntAddFontMem(s.fs, "face", data.data(), static_cast<int>(data.size()), 0, 0), row.expect)
        << row.ascent << " " << row.descent;
    EXPECT_EQ(s.fs->nfonts, row.expect + 1);
  }
}

TEST(FontManager, GlyphFromTheSecondFallbackIsCachedUnderTheAskedFont) {
  Stash s;
  int light = s.Add("light", "DejaVuSans-ExtraLight.ttf");
  int mono = s.Add("mono", "DejaVuSansMono.ttf");
  int sans = s.Add("sans", "DejaVuSans.ttf");
  ASSERT_EQ(sans, 2);
  fntAddFallbackFont(s.fs, light, mono);
  fntAddFallbackFont(s.fs, light, sans);
  FNTglyph* g = fntGetGlyph(s.fs, s.fs->fonts[light], 0x1f7, 200, 0, FNT_GLYPH_BITMAP_REQUIRED);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->index, 441);
  EXPECT_EQ(s.fs->fonts[light]->nglyphs, 1);
  EXPECT_EQ(s.fs->fonts[sans]->nglyphs, 0);
  EXPECT_EQ(fntGetGlyph(s.fs, s.fs->fonts[light], 0x1f7, 200, 0, FNT_GLYPH_BITMAP_REQUIRED), g);
}

TEST(FontManager, GlyphSizesBlurAndLimits) {
  Stash s(4096);
  ASSERT_EQ(s.Add("sans", "DejaVuSans.ttf"), 0);
  FNTfont* font = s.fs->fonts[0];
  EXPECT_EQ(fntGetGlyph(s.fs, font, '1', 1, 0, FNT_GLYPH_BITMAP_OPTIONAL), nullptr);

  // Blur 35 is 20: a pad of 22 round the box, whose left edge is floor(225 x 20 / 2384) = 1.
  FNTglyph* blurred = fntGetGlyph(s.fs, font, '1', 200, 35, FNT_GLYPH_BITMAP_REQUIRED);
  ASSERT_NE(blurred, nullptr);
  EXPECT_EQ(blurred->blur, 20);
  EXPECT_EQ(blurred->xoff, static_cast<int>(std::floor(225 * 20 / kSansHeight)) - 22);
  EXPECT_EQ(fntGetGlyph(s.fs, font, '1', 200, 20, FNT_GLYPH_BITMAP_REQUIRED), blurred);

  // At 3000 pixels an advance of 2912 units is 36,644 tenths of a pixel: more than its field holds.
  EXPECT_EQ(fntGetGlyph(s.fs, font, 0x1c4, 30000, 0, FNT_GLYPH_BITMAP_OPTIONAL), nullptr);
  FNTglyph* a = fntGetGlyph(s.fs, font, 'a', 30000, 0, FNT_GLYPH_BITMAP_OPTIONAL);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->x0, -1);

  // A glyph whose outline needs more than the fixed scratch memory says so and is kept blank in its place: the
  // snowman (U+2603, 852 outline points) flattened at 3200 pixels. Asking again takes no more of the atlas.
  s.errors.clear();
  std::memset(s.fs->texData, 0xff, static_cast<size_t>(s.fs->params.width) * s.fs->params.height);
  FNTglyph* big = fntGetGlyph(s.fs, font, 0x2603, 32000, 0, FNT_GLYPH_BITMAP_REQUIRED);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(s.errors, (std::vector<int>{FNT_SCRATCH_FULL}));
  EXPECT_EQ(s.fs->glyphError, FNT_SCRATCH_FULL);
  int blank = 0;
  for (int y = big->y0; y < big->y1; ++y)
    for (int x = big->x0; x < big->x1; ++x) blank += s.fs->texData[x + y * s.fs->params.width] == 0;
  EXPECT_EQ(blank, (big->x1 - big->x0) * (big->y1 - big->y0));
  const int nodes = s.fs->atlas->nnodes;
  s.errors.clear();
  EXPECT_EQ(fntGetGlyph(s.fs, font, 0x2603, 32000, 0, FNT_GLYPH_BITMAP_REQUIRED), big);
  EXPECT_TRUE(s.errors.empty());
  EXPECT_EQ(s.fs->atlas->nnodes, nodes);
  EXPECT_NE(fntGetGlyph(s.fs, font, 0x2603, 200, 0, FNT_GLYPH_BITMAP_REQUIRED), nullptr);
}

// The state's blur counts in whole pixels towards zero, at most 20; a glyph's pad round its box is blur + 2. Blurs
// that would leave a negative pad are refused: the rasteriser would write outside the glyph's rectangle. Every
// accepted blur writes inside it only (the rest of the texture keeps the marker byte); those that count as 0 give
// the pixels of no blur. At 40 pixels glyph '1' starts floor(225 x 40 / 2384) = 3 pixels right of the pen.
TEST(FontManager, BlurCountsInWholePixelsAndOnlyBlursLeavingNoPadAreRefused) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr unsigned char kMarker = 0x55;
  const int left = static_cast<int>(std::floor(225 * 40 / kSansHeight));
  struct Row {
    float blur;
    bool drawn;
    int blurPixels;  // when drawn; the pad is 2 more
  } rows[] = {
      {0.f, true, 0},    {-0.5f, true, 0},  {0.9f, true, 0},           {2.5f, true, 2},  {-1.f, true, -1},
      {-2.9f, true, -2}, {35.f, true, 20},  {1e9f, true, 20},          {kInf, true, 20}, {-3.f, false, 0},
      {-1e9f, false, 0}, {-kInf, false, 0}, {std::nanf(""), false, 0},
  };
  // The glyph's pixels at each whole blur, drawn once.
  const auto render = [&](Stash& s, float blur, FNTglyph** glyph) {
    if (s.Add("sans", "DejaVuSans.ttf") != 0) return false;
    std::memset(s.fs->texData, kMarker, 512 * 512);
    fntSetSize(s.fs, 40);
    fntSetBlur(s.fs, blur);
    FNTtextIter iter{};
    FNTquad q{};
    if (!fntTextIterInit(s.fs, &iter, 0, 0, "1", nullptr, FNT_GLYPH_BITMAP_REQUIRED)) return false;
    while (fntTextIterNext(s.fs, &iter, &q)) {
    }
    *glyph = s.fs->fonts[0]->nglyphs == 1 ? &s.fs->fonts[0]->glyphs[0] : nullptr;
    return *glyph != nullptr;
  };
  const auto pixels = [](const Stash& s, const FNTglyph& g) {
    std::vector<unsigned char> out;
    for (int y = g.y0; y < g.y1; ++y)
      out.insert(out.end(), s.fs->texData + y * 512 + g.x0, s.fs->texData + y * 512 + g.x1);
    return out;
  };
  Stash plain;
  FNTglyph* reference = nullptr;
  ASSERT_TRUE(render(plain, 0.f, &reference));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.blur);
    Stash s;
    FNTglyph* g = nullptr;
    ASSERT_EQ(render(s, row.blur, &g), row.drawn);
    if (!row.drawn) continue;
    EXPECT_EQ(g->blur, row.blurPixels);
    EXPECT_EQ(g->xoff, left - (row.blurPixels + 2));
    int outside = 0;
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x) {
        const bool inGlyph = x >= g->x0 && x < g->x1 && y >= g->y0 && y < g->y1;
        outside += !inGlyph && s.fs->texData[y * 512 + x] != kMarker;
      }
    EXPECT_EQ(outside, 0);
    if (row.blurPixels == 0) {
      EXPECT_EQ(pixels(s, *g), pixels(plain, *reference));
    }
  }
  // The glyph cache itself refuses such a blur, however it is asked.
  Stash s;
  ASSERT_EQ(s.Add("sans", "DejaVuSans.ttf"), 0);
  EXPECT_EQ(fntGetGlyph(s.fs, s.fs->fonts[0], '1', 400, -3, FNT_GLYPH_BITMAP_REQUIRED), nullptr);
  EXPECT_NE(fntGetGlyph(s.fs, s.fs->fonts[0], '1', 400, -2, FNT_GLYPH_BITMAP_REQUIRED), nullptr);
}

// A blur only changes how glyphs are drawn: the vertical metrics and the line's bounds come from the font and the size
// alone, and measuring, which draws nothing, goes on with blurs that no glyph can be drawn with, counting them as -2
// (no pad round the glyph's box). At 40 pixels digits advance 1303 units and '1' spans 225..1114 units in x; the
// measured quad is the box less the one empty border pixel on each side, and the bounds start at the pen.
TEST(FontManager, MetricsAndMeasuresHoldForBlursThatCannotBeDrawn) {
  const float scale = 40 / kSansHeight;
  const float advance = std::floor(1303 * scale + 0.5f);
  for (const float blur : {-2.f, -3.f, -1e9f, -std::numeric_limits<float>::infinity(), std::nanf("")}) {
    SCOPED_TRACE(blur);
    Stash s;
    ASSERT_EQ(s.Add("sans", "DejaVuSans.ttf"), 0);
    fntSetSize(s.fs, 40);
    fntSetBlur(s.fs, blur);
    float asc = 0, desc = 0, lineh = 0, miny = 0, maxy = 0;
    fntVertMetrics(s.fs, &asc, &desc, &lineh);
    EXPECT_NEAR(asc, 1901 * scale, 1e-4f);
    EXPECT_NEAR(desc, -483 * scale, 1e-4f);
    EXPECT_NEAR(lineh, 40, 1e-4f);
    fntLineBounds(s.fs, 100, &miny, &maxy);
    EXPECT_NEAR(miny, 100 - 1901 * scale, 1e-4f);
    EXPECT_NEAR(maxy, 100 - 1901 * scale + 40, 1e-4f);
    float bounds[4] = {};
    EXPECT_EQ(fntTextBounds(s.fs, 10, 100, "11", nullptr, bounds), 2 * advance);
    EXPECT_EQ(bounds[0], 10);
    EXPECT_EQ(bounds[2], 10 + advance + std::ceil(1114 * scale) - 1);
    // Nothing is drawn with them.
    FNTtextIter iter;
    EXPECT_EQ(fntTextIterInit(s.fs, &iter, 0, 0, "1", nullptr, FNT_GLYPH_BITMAP_REQUIRED), blur == -2.f ? 1 : 0);
  }
}

// Kerning comes from the font's 'kern' table only. Values read once from the files' tables with a small script:
// DejaVu Sans (hhea height 2384) kerns A-V by -131, T-o by -348 and A-A by +57 units; Roboto (height 2400) has no
// 'kern' table, its pair adjustments live in GPOS alone, so nothing of it is kerned.
TEST(FontManager, KerningComesFromTheKernTableOnly) {
  struct Row {
    const char* file;
    float height;
    const char* pair;
    int kernUnits;
  } rows[] = {
      {KD_DEJAVU_DIR "DejaVuSans.ttf", 2384, "AV", -131},
      {KD_DEJAVU_DIR "DejaVuSans.ttf", 2384, "To", -348},
      {KD_DEJAVU_DIR "DejaVuSans.ttf", 2384, "AA", 57},
      {KD_DEJAVU_DIR "DejaVuSans.ttf", 2384, "oT", 0},
      {KD_ROBOTO_FILE, 2400, "AV", 0},
      {KD_ROBOTO_FILE, 2400, "To", 0},
      {KD_ROBOTO_FILE, 2400, "Ta", 0},
  };
  constexpr float kSize = 200;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.file << " " << row.pair);
    Stash s;
    ASSERT_EQ(fntAddFont(s.fs, "font", row.file, 0), 0);
    fntSetSize(s.fs, kSize);
    float bounds[4];
    const float pair = fntTextBounds(s.fs, 0, 0, row.pair, nullptr, bounds);
    const float first = fntTextBounds(s.fs, 0, 0, row.pair, row.pair + 1, bounds);
    const float second = fntTextBounds(s.fs, 0, 0, row.pair + 1, nullptr, bounds);
    // The pen moves in whole pixels: a half is added to the kerning and the sum cut to a whole pixel towards zero.
    EXPECT_NEAR(pair - first - second, row.kernUnits * kSize / row.height, 1.5f);
    if (row.kernUnits == 0) {
      EXPECT_EQ(pair, first + second);
    }
  }
}

// Horizontal alignment moves a text by its advance: right by all of it, centre by half; left leaves it, also when
// another horizontal bit is set beside it.
TEST(FontManager, LeftAlignmentLeavesTheTextWhateverElseIsSet) {
  Stash s;
  ASSERT_EQ(s.Add("sans", "DejaVuSans.ttf"), 0);
  fntSetSize(s.fs, 40);
  fntSetAlign(s.fs, FNT_ALIGN_LEFT | FNT_ALIGN_BASELINE);
  float left[4];
  const float advance = fntTextBounds(s.fs, 100, 50, "Kelvadrune", nullptr, left);
  ASSERT_GT(advance, 0.f);
  const struct {
    int align;
    float shift;
  } rows[] = {
      {FNT_ALIGN_LEFT, 0.f},
      {FNT_ALIGN_RIGHT, -1.f},
      {FNT_ALIGN_CENTER, -0.5f},
      {FNT_ALIGN_LEFT | FNT_ALIGN_RIGHT, 0.f},
      {FNT_ALIGN_LEFT | FNT_ALIGN_CENTER, 0.f},
      {FNT_ALIGN_CENTER | FNT_ALIGN_RIGHT, -1.f},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.align);
    fntSetAlign(s.fs, row.align | FNT_ALIGN_BASELINE);
    float bounds[4];
    fntTextBounds(s.fs, 100, 50, "Kelvadrune", nullptr, bounds);
    EXPECT_FLOAT_EQ(bounds[0], left[0] + row.shift * advance);
    EXPECT_FLOAT_EQ(bounds[2], left[2] + row.shift * advance);
    FNTtextIter iter{};
    ASSERT_EQ(fntTextIterInit(s.fs, &iter, 100, 50, "Kelvadrune", nullptr, FNT_GLYPH_BITMAP_OPTIONAL), 1);
    EXPECT_FLOAT_EQ(iter.x, 100 + row.shift * advance);
  }
}

// A glyph from a fallback font is kerned by the fallback's own 'kern' table, in the fallback's units, and only
// against a glyph of that same font: glyph indices of two fonts are unrelated. DejaVu Serif stands first and lacks
// U+2267 and the private-use U+EF04 and U+EF19 that DejaVu Sans (height 2384) has. Values read once from the
// tables with a small stb_truetype program: DejaVu Sans kerns U+EF04 before U+EF19 by -100 units; DejaVu Serif's
// table holds -36 for 'A' followed by Sans's glyph index of U+2267, a pair of glyphs it never draws together.
TEST(FontManager, AFallbackGlyphIsKernedByItsOwnFontOnly) {
  struct Row {
    const char* pair;  // two code points in UTF-8
    int firstBytes;
    float spacing;
    float expected;  // pixels at size 200 between the pair's pens beyond the two advances
    bool exact;
  } rows[] = {
      {"\xEE\xBC\x84\xEE\xBC\x99", 3, 0, -100 * 200 / 2384.0f, false},
      {"A\xE2\x89\xA7", 1, 0, 0, true},
      {"A\xE2\x89\xA7", 1, 5, 5, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pair);
    Stash s;
    const int serif = s.Add("serif", "DejaVuSerif.ttf");
    const int sans = s.Add("sans", "DejaVuSans.ttf");
    ASSERT_EQ(fntAddFallbackFont(s.fs, serif, sans), 1);
    fntSetFont(s.fs, serif);
    fntSetSize(s.fs, 200);
    fntSetSpacing(s.fs, row.spacing);
    const float pair = fntTextBounds(s.fs, 0, 0, row.pair, nullptr, nullptr);
    const float first = fntTextBounds(s.fs, 0, 0, row.pair, row.pair + row.firstBytes, nullptr);
    const float second = fntTextBounds(s.fs, 0, 0, row.pair + row.firstBytes, nullptr, nullptr);
    if (row.exact) {
      EXPECT_EQ(pair - first - second, row.expected);
    } else {
      EXPECT_NEAR(pair - first - second, row.expected, 1.5f);
    }
  }
}

// Drawing through the render callbacks: the changed texture goes to renderUpdate before the quads that sample it go
// to renderDraw, six vertices a quad, in batches of at most 1024 vertices (170 quads).
TEST(FontManager, DrawingGoesThroughTheRenderCallbacks) {
  struct Calls {
    std::string order;  // u: renderUpdate, d: renderDraw
    std::vector<int> batches;
    std::vector<float> verts, tcoords;
    std::vector<unsigned int> colors;
  } calls;
  FNTparams params{};
  params.width = params.height = 512;
  params.flags = FNT_ZERO_TOPLEFT;
  params.userPtr = &calls;
  params.renderUpdate = [](void* u, int* rect, const unsigned char* data) {
    EXPECT_LT(rect[0], rect[2]);
    EXPECT_LT(rect[1], rect[3]);
    EXPECT_NE(data, nullptr);
    static_cast<Calls*>(u)->order += 'u';
  };
  params.renderDraw = [](void* u, const float* verts, const float* tcoords, const unsigned int* colors, int n) {
    Calls& c = *static_cast<Calls*>(u);
    c.order += 'd';
    c.batches.push_back(n);
    c.verts.assign(verts, verts + 2 * n);
    c.tcoords.assign(tcoords, tcoords + 2 * n);
    c.colors.assign(colors, colors + n);
  };
  FNTcontext* fs = fntCreateInternal(&params);
  ASSERT_NE(fs, nullptr);
  EXPECT_EQ(fntDrawText(fs, 10, 50, "Hi", nullptr), 10) << "no font yet";
  EXPECT_EQ(calls.order, "");

  ASSERT_EQ(fntAddFont(fs, "sans", KD_DEJAVU_DIR "DejaVuSans.ttf", 0), 0);
  fntSetSize(fs, 20);
  fntSetColor(fs, 0x11223344);
  float bounds[4];
  const float advance = fntTextBounds(fs, 10, 50, "Hi", nullptr, bounds);
  EXPECT_EQ(fntDrawText(fs, 10, 50, "Hi", nullptr), 10 + advance);
  EXPECT_EQ(calls.order, "ud");
  EXPECT_EQ(calls.batches, std::vector<int>{12});
  int dirty[4];
  EXPECT_EQ(fntValidateTexture(fs, dirty), 0) << "the changes were handed over";
  EXPECT_EQ(calls.colors, std::vector<unsigned int>(12, 0x11223344));
  // Every corner lies within the text's bounds, which are measured without the callbacks.
  for (size_t v = 0; v < 12; ++v) {
    EXPECT_TRUE(calls.verts[v * 2] >= bounds[0] && calls.verts[v * 2] <= bounds[2]) << v;
    EXPECT_TRUE(calls.verts[v * 2 + 1] >= bounds[1] && calls.verts[v * 2 + 1] <= bounds[3]) << v;
  }
  fntDrawText(fs, 10, 50, "Hi", nullptr);
  EXPECT_EQ(calls.order, "udd") << "cached glyphs change no texture";

  calls = Calls{};
  fntDrawText(fs, 0, 50, std::string(200, 'a').c_str(), nullptr);
  EXPECT_EQ(calls.order, "udd");
  EXPECT_EQ(calls.batches, (std::vector<int>{1020, 180}));

  // The atlas over its backing: the texture's quad spans the atlas's size with the whole texture.
  calls = Calls{};
  const int nodes = fs->atlas->nnodes;
  fntDrawDebug(fs, 5, 7);
  ASSERT_EQ(calls.batches, std::vector<int>{6 * (2 + nodes)});
  EXPECT_EQ(std::vector<float>(calls.verts.begin() + 12, calls.verts.begin() + 16),
            (std::vector<float>{5, 7, 517, 519}));
  EXPECT_EQ(std::vector<float>(calls.tcoords.begin() + 12, calls.tcoords.begin() + 16),
            (std::vector<float>{0, 0, 1, 1}));
  fntDeleteInternal(fs);
}

TEST(FontManager, StateStackHoldsTwentyStates) {
  Stash s;
  for (int i = 0; i < 20; ++i) fntPushState(s.fs);
  EXPECT_EQ(s.fs->nstates, 20);
  EXPECT_EQ(s.errors, (std::vector<int>{FNT_STATES_OVERFLOW}));
  for (int i = 0; i < 20; ++i) fntPopState(s.fs);
  EXPECT_EQ(s.fs->nstates, 1);
  EXPECT_EQ(s.errors.back(), FNT_STATES_UNDERFLOW);
  EXPECT_EQ(s.fs->states[0].size, 12);
  EXPECT_EQ(s.fs->states[0].align, FNT_ALIGN_LEFT | FNT_ALIGN_BASELINE);
}

TEST(FontManager, TextIteratorDecodesUtf8AndReplacesMalformedSequences) {
  Stash s;
  ASSERT_EQ(s.Add("sans", "DejaVuSans.ttf"), 0);
  struct Row {
    const char* text;
    std::vector<unsigned int> codepoints;
  } rows[] = {
      {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", {'a', 0xe9, 0x20ac, 0x1f600}},
      {"a\x80"
       "b",
       {'a', 0xfffd, 'b'}},
      {"\xC3(", {0xfffd, '('}},
      {"x\xE2\x82", {'x'}},
      {"\xED\xA0\x80", {0xfffd, 0xfffd, 0xfffd}},
      {"\xF4\x90\x80\x80", {0xfffd, 0xfffd, 0xfffd, 0xfffd}},
      {"\xC0\xAF", {0xfffd, 0xfffd}},
      {"", {}},
  };
  for (const Row& row : rows) {
    FNTtextIter iter;
    FNTquad q;
    ASSERT_EQ(fntTextIterInit(s.fs, &iter, 0, 0, row.text, nullptr, FNT_GLYPH_BITMAP_OPTIONAL), 1);
    std::vector<unsigned int> got;
    while (fntTextIterNext(s.fs, &iter, &q)) got.push_back(iter.codepoint);
    EXPECT_EQ(got, row.codepoints) << row.text;
  }
  float bounds[4];
  EXPECT_EQ(fntTextBounds(s.fs, 7, 9, "", nullptr, bounds), 0);
  EXPECT_EQ(bounds[0], 7);
  EXPECT_EQ(bounds[2], 7);
  fntSetSize(s.fs, std::nanf(""));
  FNTtextIter iter;
  EXPECT_EQ(fntTextIterInit(s.fs, &iter, 0, 0, "a", nullptr, FNT_GLYPH_BITMAP_OPTIONAL), 0);
}

}  // namespace
