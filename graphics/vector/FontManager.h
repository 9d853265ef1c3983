// The renderer's font manager: fonts of one renderer context, a glyph cache per (code point, size, blur), one 8-bit
// coverage texture packed with a skyline packer, glyph blur, and UTF-8 text turned into textured quads and metrics.
// Editor (main) thread only; nothing blocks except fntAddFont, which reads a file.
#pragma once

#include <cstdint>

#include "graphics/vector/FontAtlas.h"
#include "graphics/vector/StbTrueType.h"

enum FNTflags { FNT_ZERO_TOPLEFT = 1 };

// Alignment bits, the same values as the renderer's VRalign.
enum FNTalign {
  FNT_ALIGN_LEFT = 1,
  FNT_ALIGN_CENTER = 2,
  FNT_ALIGN_RIGHT = 4,
  FNT_ALIGN_TOP = 8,
  FNT_ALIGN_MIDDLE = 16,
  FNT_ALIGN_BOTTOM = 32,
  FNT_ALIGN_BASELINE = 64,
};

enum FNTglyphBitmap { FNT_GLYPH_BITMAP_OPTIONAL = 1, FNT_GLYPH_BITMAP_REQUIRED = 2 };

enum FNTerrorCode { FNT_ATLAS_FULL = 1, FNT_SCRATCH_FULL = 2, FNT_STATES_OVERFLOW = 3, FNT_STATES_UNDERFLOW = 4 };

constexpr int FNT_SCRATCH_BUF_SIZE = 96000;
constexpr int FNT_HASH_LUT_SIZE = 256;
constexpr int FNT_INIT_FONTS = 4;
constexpr int FNT_INIT_GLYPHS = 256;
constexpr int FNT_VERTEX_COUNT = 1024;
constexpr int FNT_MAX_STATES = 20;
constexpr int FNT_MAX_FALLBACKS = 20;
constexpr int FNT_MAX_BLUR = 20;
// A glyph's rectangle has a pad of blur + 2 pixels round its box: a lower blur would leave it none.
constexpr int FNT_MIN_BLUR = -2;

struct FNTparams {
  int width, height;
  uint8_t flags;
  void* userPtr;
  int (*renderCreate)(void* uptr, int width, int height);
  int (*renderResize)(void* uptr, int width, int height);
  void (*renderUpdate)(void* uptr, int* rect, const unsigned char* data);
  void (*renderDraw)(void* uptr, const float* verts, const float* tcoords, const unsigned int* colors, int nverts);
  void (*renderDelete)(void* uptr);
};

struct FNTstate {
  int font;
  int align;
  float size;
  unsigned int color;
  float blur;
  float spacing;
};

struct FNTfont;

struct FNTglyph {
  unsigned int codepoint;
  int index;
  int next;
  short size, blur;
  short x0, y0, x1, y1;
  short xadv, xoff, yoff;
  // The font whose outline and glyph index these are: the asked font, or the fallback that had the code point.
  const FNTfont* renderFont;
};

struct FNTfont {
  stbtt_fontinfo font;
  char name[64];
  unsigned char* data;
  int dataSize;
  unsigned char freeData;
  float ascender;
  float descender;
  float lineh;
  FNTglyph* glyphs;
  int cglyphs;
  int nglyphs;
  int lut[FNT_HASH_LUT_SIZE];
  int fallbacks[FNT_MAX_FALLBACKS];
  int nfallbacks;
};

struct FNTcontext {
  FNTparams params;
  float itw, ith;
  unsigned char* texData;
  int dirtyRect[4];
  FNTfont** fonts;
  FNTatlas* atlas;
  int cfonts;
  int nfonts;
  float verts[FNT_VERTEX_COUNT * 2];
  float tcoords[FNT_VERTEX_COUNT * 2];
  unsigned int colors[FNT_VERTEX_COUNT];
  int nverts;
  unsigned char* scratch;
  int nscratch;
  FNTstate states[FNT_MAX_STATES];
  int nstates;
  void (*handleError)(void* uptr, int error, int val);
  void* errorUptr;
  // Why the last glyph lookup returned null: FNT_ATLAS_FULL, FNT_SCRATCH_FULL, or 0 (a size that does not fit, or no
  // memory). Only a full atlas is worth growing the atlas for.
  int glyphError;
};

struct FNTtextIter {
  float x, y, nextx, nexty, scale, spacing;
  unsigned int codepoint;
  short isize, iblur;
  FNTfont* font;
  int prevGlyphIndex;
  // The font the previous glyph came from (its renderFont): kerning pairs glyphs of one font only.
  const FNTfont* prevGlyphFont;
  const char* str;
  const char* next;
  const char* end;
  unsigned int utf8state;
  int bitmapOption;
};

struct FNTquad {
  float x0, y0, s0, t0;
  float x1, y1, s1, t1;
};

// Context. Null on any allocation failure, with everything allocated so far freed.
FNTcontext* fntCreateInternal(FNTparams* params);
void fntDeleteInternal(FNTcontext* stash);
void fntSetErrorCallback(FNTcontext* stash, void (*callback)(void* uptr, int error, int val), void* uptr);

// Fonts. Ids are indices into the font list; -1 on failure (a null name, unreadable data, no memory).
int fntAddFont(FNTcontext* stash, const char* name, const char* path, int fontIndex);
int fntAddFontMem(FNTcontext* stash, const char* name, unsigned char* data, int dataSize, int fontIndex, int freeData);
int fntGetFontByName(FNTcontext* stash, const char* name);
// 1, or 0 when either id is not a registered font or the base already has its 20 fallbacks.
int fntAddFallbackFont(FNTcontext* stash, int base, int fallback);

// State stack (20 states).
void fntPushState(FNTcontext* stash);
void fntPopState(FNTcontext* stash);
void fntClearState(FNTcontext* stash);
void fntSetSize(FNTcontext* stash, float size);
void fntSetColor(FNTcontext* stash, unsigned int color);
void fntSetSpacing(FNTcontext* stash, float spacing);
void fntSetBlur(FNTcontext* stash, float blur);
void fntSetAlign(FNTcontext* stash, int align);
void fntSetFont(FNTcontext* stash, int font);

// Glyph cache. iblur above FNT_MAX_BLUR counts as FNT_MAX_BLUR. Null when the size is below 0.2 pixels or does not
// fit the glyph record, when iblur is below FNT_MIN_BLUR, or when the glyph must be in the atlas and there is no room.
// A glyph with no pixels (an empty box with no pad) needs none: it is placed, empty, at the origin.
FNTglyph* fntGetGlyph(FNTcontext* stash, FNTfont* font, unsigned int codepoint, short isize, short iblur,
                      int bitmapOption);
// prevFont is the font the glyph at prevGlyphIndex came from: the pair is kerned by the glyph's own font's 'kern'
// table when both come from that font, else not at all (the spacing applies between any two glyphs). scale is the
// pixel scale of the glyph's own font.
void fntGetQuad(FNTcontext* stash, const FNTfont* prevFont, int prevGlyphIndex, FNTglyph* glyph, float scale,
                float spacing, float* x, float* y, FNTquad* q);

// Text. The state's blur counts in whole pixels towards zero, at most FNT_MAX_BLUR. Init returns 0 when the current
// font is not usable, the size is not finite or too large, or glyph bitmaps are required and the blur is below
// FNT_MIN_BLUR or not a number; measuring counts such a blur as FNT_MIN_BLUR. Line bounds and vertical metrics come
// from the font and the size alone.
int fntTextIterInit(FNTcontext* stash, FNTtextIter* iter, float x, float y, const char* str, const char* end,
                    int bitmapOption);
int fntTextIterNext(FNTcontext* stash, FNTtextIter* iter, FNTquad* quad);
float fntTextBounds(FNTcontext* stash, float x, float y, const char* str, const char* end, float* bounds);
void fntLineBounds(FNTcontext* stash, float y, float* miny, float* maxy);
void fntVertMetrics(FNTcontext* stash, float* ascender, float* descender, float* lineh);

// Drawing through the render callbacks (the vector renderer draws text itself and calls neither). Each hands the
// changed part of the texture to renderUpdate, then its quads, two triangles each, to renderDraw, in batches of up
// to 1024 vertices. fntDrawText draws with the top state (font, size, colour, blur, spacing, alignment) and returns
// the pen's x after the text (x when the state's font is not usable); fntDrawDebug shows the atlas at (x, y) over a
// translucent backing, with the skyline's segments as red lines.
float fntDrawText(FNTcontext* stash, float x, float y, const char* str, const char* end);
void fntDrawDebug(FNTcontext* stash, float x, float y);

// UTF-8 decoding, one byte at a time: returns the new state, FNT_UTF8_ACCEPT when *codepoint is complete,
// FNT_UTF8_REJECT for a malformed sequence.
constexpr unsigned int FNT_UTF8_ACCEPT = 0;
constexpr unsigned int FNT_UTF8_REJECT = 12;
unsigned int fntDecodeUtf8(unsigned int* state, unsigned int* codepoint, unsigned int byte);

// Texture.
const unsigned char* fntGetTextureData(FNTcontext* stash, int* width, int* height);
int fntValidateTexture(FNTcontext* stash, int* dirty);
void fntGetAtlasSize(FNTcontext* stash, int* width, int* height);
int fntResetAtlas(FNTcontext* stash, int width, int height);
int fntExpandAtlas(FNTcontext* stash, int width, int height);
