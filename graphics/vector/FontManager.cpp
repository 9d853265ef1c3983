#include "graphics/vector/FontManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "graphics/vector/VRMemory.h"

namespace {

constexpr int kWhiteTexelSize = 2;

bool FitsShort(float v) {
  return v >= static_cast<float>(SHRT_MIN) && v <= static_cast<float>(SHRT_MAX);
}

FNTstate* fntGetState(FNTcontext* stash) {
  return &stash->states[stash->nstates - 1];
}

void fntReportError(FNTcontext* stash, int error, int value) {
  if (stash->handleError != nullptr) stash->handleError(stash->errorUptr, error, value);
}

// Thomas Wang's 32-bit integer mix, reduced to the 256 buckets of a font's glyph table.
unsigned int fntHashInt(unsigned int a) {
  a += ~(a << 15);
  a ^= (a >> 10);
  a += (a << 3);
  a ^= (a >> 6);
  a += ~(a << 11);
  a ^= (a >> 16);
  return a;
}

void fntFreeFont(FNTfont* font) {
  if (font == nullptr) return;
  vrFree(font->glyphs);
  if (font->freeData) vrFree(font->data);
  vrFree(font);
}

// Appends an empty font slot; its index is the new font id, -1 when there is no memory.
int fntAllocFont(FNTcontext* stash) {
  if (stash->nfonts + 1 > stash->cfonts) {
    int cfonts = stash->cfonts == 0 ? 8 : stash->cfonts * 2;
    auto* fonts = static_cast<FNTfont**>(vrRealloc(stash->fonts, sizeof(FNTfont*) * static_cast<size_t>(cfonts)));
    if (fonts == nullptr) return -1;
    stash->fonts = fonts;
    stash->cfonts = cfonts;
  }
  auto* font = static_cast<FNTfont*>(vrCalloc(1, sizeof(FNTfont)));
  if (font == nullptr) return -1;
  font->glyphs = static_cast<FNTglyph*>(vrCalloc(FNT_INIT_GLYPHS, sizeof(FNTglyph)));
  if (font->glyphs == nullptr) {
    vrFree(font);
    return -1;
  }
  font->cglyphs = FNT_INIT_GLYPHS;
  stash->fonts[stash->nfonts++] = font;
  return stash->nfonts - 1;
}

FNTglyph* fntAllocGlyph(FNTfont* font) {
  if (font->nglyphs + 1 > font->cglyphs) {
    int cglyphs = font->cglyphs == 0 ? 8 : font->cglyphs * 2;
    auto* glyphs = static_cast<FNTglyph*>(vrRealloc(font->glyphs, sizeof(FNTglyph) * static_cast<size_t>(cglyphs)));
    if (glyphs == nullptr) return nullptr;
    font->glyphs = glyphs;
    font->cglyphs = cglyphs;
  }
  return &font->glyphs[font->nglyphs++];
}

void fntAddWhiteRect(FNTcontext* stash) {
  int gx, gy;
  if (!fntAtlasAddRect(stash->atlas, kWhiteTexelSize, kWhiteTexelSize, &gx, &gy)) return;
  int w = stash->params.width;
  for (int y = 0; y < kWhiteTexelSize; ++y) std::memset(&stash->texData[gx + (gy + y) * w], 0xff, kWhiteTexelSize);
  stash->dirtyRect[0] = std::min(stash->dirtyRect[0], gx);
  stash->dirtyRect[1] = std::min(stash->dirtyRect[1], gy);
  stash->dirtyRect[2] = std::max(stash->dirtyRect[2], gx + kWhiteTexelSize);
  stash->dirtyRect[3] = std::max(stash->dirtyRect[3], gy + kWhiteTexelSize);
}

void fntResetDirtyRect(FNTcontext* stash) {
  stash->dirtyRect[0] = stash->params.width;
  stash->dirtyRect[1] = stash->params.height;
  stash->dirtyRect[2] = 0;
  stash->dirtyRect[3] = 0;
}

// The font's glyph index for a code point, 0 when it has none.
int fntGlyphIndex(FNTfont* font, unsigned int codepoint) {
  return stbtt_FindGlyphIndex(&font->font, static_cast<int>(codepoint));
}

// Hands what the render callbacks have not had yet to them: the changed part of the texture (renderUpdate), then
// the vertices gathered so far (renderDraw).
void fntFlush(FNTcontext* stash) {
  const int* dirty = stash->dirtyRect;
  if (stash->params.renderUpdate != nullptr && dirty[0] < dirty[2] && dirty[1] < dirty[3]) {
    stash->params.renderUpdate(stash->params.userPtr, stash->dirtyRect, stash->texData);
    fntResetDirtyRect(stash);
  }
  if (stash->nverts > 0 && stash->params.renderDraw != nullptr)
    stash->params.renderDraw(stash->params.userPtr, stash->verts, stash->tcoords, stash->colors, stash->nverts);
  stash->nverts = 0;
}

void fntVertex(FNTcontext* stash, float x, float y, float s, float t, unsigned int color) {
  const int n = stash->nverts++;
  stash->verts[n * 2] = x;
  stash->verts[n * 2 + 1] = y;
  stash->tcoords[n * 2] = s;
  stash->tcoords[n * 2 + 1] = t;
  stash->colors[n] = color;
}

// A quad as two triangles; the vertices gathered so far are drawn first when the buffer has no room for it.
void fntQuadVertices(FNTcontext* stash, const FNTquad& q, unsigned int color) {
  if (stash->nverts + 6 > FNT_VERTEX_COUNT) fntFlush(stash);
  fntVertex(stash, q.x0, q.y0, q.s0, q.t0, color);
  fntVertex(stash, q.x1, q.y1, q.s1, q.t1, color);
  fntVertex(stash, q.x1, q.y0, q.s1, q.t0, color);
  fntVertex(stash, q.x0, q.y0, q.s0, q.t0, color);
  fntVertex(stash, q.x0, q.y1, q.s0, q.t1, color);
  fntVertex(stash, q.x1, q.y1, q.s1, q.t1, color);
}

// A quad of one colour: it samples the white texel block at the atlas's origin.
void fntSolidQuad(FNTcontext* stash, float x0, float y0, float x1, float y1, unsigned int color) {
  const float s = stash->itw, t = stash->ith;
  fntQuadVertices(stash, FNTquad{x0, y0, s, t, x1, y1, s, t}, color);
}

// The kerning of a glyph pair in font units, read from the font's 'kern' table alone (pair adjustments kept only in
// other tables are not applied): its first subtable when that one is horizontal kerning of format 0 (coverage 1),
// whose pairs are sorted by (left << 16 | right). Pairs past the end of the font's bytes are not read.
int fntKernAdvance(const FNTfont* font, int left, int right) {
  const long long table = font->font.kern;
  if (table <= 0 || left < 0 || right < 0 || table + 18 > font->dataSize) return 0;
  const unsigned char* data = font->data;
  const auto u16 = [data](long long at) { return static_cast<unsigned int>(data[at] << 8 | data[at + 1]); };
  if (u16(table + 2) < 1 || u16(table + 8) != 1) return 0;
  const long long pairs = table + 18;
  long long lo = 0;
  long long hi = std::min<long long>(u16(table + 10), (font->dataSize - pairs) / 6) - 1;
  const unsigned int key = static_cast<unsigned int>(left) << 16 | static_cast<unsigned int>(right);
  while (lo <= hi) {
    const long long mid = (lo + hi) / 2;
    const long long at = pairs + mid * 6;
    const unsigned int pair = u16(at) << 16 | u16(at + 2);
    if (key < pair)
      hi = mid - 1;
    else if (key > pair)
      lo = mid + 1;
    else
      return static_cast<short>(u16(at + 4));
  }
  return 0;
}

// Vertical offset of the pen for the alignment's vertical bits, in the atlas's orientation.
float fntVerticalAlign(FNTcontext* stash, FNTfont* font, int align, short isize) {
  float offset = 0.0f;
  float size = isize / 10.0f;
  if (align & FNT_ALIGN_TOP) {
    offset = font->ascender * size;
  } else if (align & FNT_ALIGN_MIDDLE) {
    offset = (font->ascender + font->descender) / 2.0f * size;
  } else if (align & FNT_ALIGN_BASELINE) {
    offset = 0.0f;
  } else if (align & FNT_ALIGN_BOTTOM) {
    offset = font->descender * size;
  }
  return (stash->params.flags & FNT_ZERO_TOPLEFT) ? offset : -offset;
}

// The current state's font and size as the glyph cache keys them; false when they cannot be used.
bool fntCurrentFont(FNTcontext* stash, FNTfont** font, short* isize) {
  FNTstate* state = fntGetState(stash);
  if (state->font < 0 || state->font >= stash->nfonts) return false;
  FNTfont* f = stash->fonts[state->font];
  if (f->data == nullptr) return false;
  // The size is stored x10 in a 16-bit field: refuse what does not fit (or is not a number).
  float size10 = state->size * 10.0f;
  if (!(size10 >= 0.0f && size10 <= static_cast<float>(SHRT_MAX))) return false;
  *font = f;
  *isize = static_cast<short>(size10);
  return true;
}

// The current state's blur as the glyph cache keys it: in whole pixels towards zero and at most FNT_MAX_BLUR, so
// -0.5 is no blur. False for a blur of -3 or less (or not a number), which would give a glyph a negative pad: the
// rasteriser would write outside its rectangle. Such a blur is given as FNT_MIN_BLUR.
bool fntCurrentBlur(FNTcontext* stash, short* iblur) {
  const float blur = fntGetState(stash)->blur;
  const bool drawable = blur > static_cast<float>(FNT_MIN_BLUR - 1);
  *iblur = drawable ? static_cast<short>(std::min(blur, static_cast<float>(FNT_MAX_BLUR))) : FNT_MIN_BLUR;
  return drawable;
}

int fntIterInitUnaligned(FNTcontext* stash, FNTtextIter* iter, float x, float y, const char* str, const char* end,
                         int bitmapOption) {
  std::memset(iter, 0, sizeof(*iter));
  if (str == nullptr) return 0;
  if (!fntCurrentFont(stash, &iter->font, &iter->isize)) return 0;
  // Measuring draws nothing: it goes on with a blur no glyph can be drawn with, as the lowest one that can.
  if (!fntCurrentBlur(stash, &iter->iblur) && bitmapOption == FNT_GLYPH_BITMAP_REQUIRED) return 0;
  if (!std::isfinite(x) || !std::isfinite(y)) return 0;
  FNTstate* state = fntGetState(stash);
  iter->scale = stbtt_ScaleForPixelHeight(&iter->font->font, iter->isize / 10.0f);
  y += fntVerticalAlign(stash, iter->font, state->align, iter->isize);
  if (end == nullptr) end = str + std::strlen(str);
  iter->x = iter->nextx = x;
  iter->y = iter->nexty = y;
  iter->spacing = state->spacing;
  iter->str = str;
  iter->next = str;
  iter->end = end;
  iter->codepoint = 0;
  iter->prevGlyphIndex = -1;
  iter->prevGlyphFont = nullptr;
  iter->bitmapOption = bitmapOption;
  return 1;
}

}  // namespace

extern "C" void* fntScratchAlloc(size_t size, void* userdata) {
  auto* stash = static_cast<FNTcontext*>(userdata);
  // 16-byte blocks keep every allocation aligned for the rasteriser's structures.
  size_t rounded = (size + 0xf) & ~static_cast<size_t>(0xf);
  if (size > FNT_SCRATCH_BUF_SIZE || static_cast<size_t>(stash->nscratch) + rounded > FNT_SCRATCH_BUF_SIZE) {
    size_t needed = std::min(static_cast<size_t>(stash->nscratch) + rounded, static_cast<size_t>(INT_MAX));
    fntReportError(stash, FNT_SCRATCH_FULL, static_cast<int>(needed));
    return nullptr;
  }
  unsigned char* p = stash->scratch + stash->nscratch;
  stash->nscratch += static_cast<int>(rounded);
  return p;
}

FNTcontext* fntCreateInternal(FNTparams* params) {
  if (params->width <= 0 || params->height <= 0 || params->width > SHRT_MAX || params->height > SHRT_MAX)
    return nullptr;
  auto* stash = static_cast<FNTcontext*>(vrCalloc(1, sizeof(FNTcontext)));
  if (stash == nullptr) return nullptr;
  stash->params = *params;
  // The render callbacks' delete belongs to a successful create only.
  stash->params.renderDelete = nullptr;
  stash->scratch = static_cast<unsigned char*>(vrRealloc(nullptr, FNT_SCRATCH_BUF_SIZE));
  if (stash->scratch == nullptr) goto error;
  if (stash->params.renderCreate != nullptr &&
      stash->params.renderCreate(stash->params.userPtr, stash->params.width, stash->params.height) == 0)
    goto error;
  stash->params.renderDelete = params->renderDelete;
  stash->atlas = fntAtlasCreate(stash->params.width, stash->params.height, FNT_INIT_ATLAS_NODES);
  if (stash->atlas == nullptr) goto error;
  stash->fonts = static_cast<FNTfont**>(vrCalloc(FNT_INIT_FONTS, sizeof(FNTfont*)));
  if (stash->fonts == nullptr) goto error;
  stash->cfonts = FNT_INIT_FONTS;
  stash->itw = 1.0f / static_cast<float>(stash->params.width);
  stash->ith = 1.0f / static_cast<float>(stash->params.height);
  stash->texData = static_cast<unsigned char*>(
      vrCalloc(static_cast<size_t>(stash->params.width) * static_cast<size_t>(stash->params.height), 1));
  if (stash->texData == nullptr) goto error;
  fntResetDirtyRect(stash);
  // The white texel block at the origin: solid shapes sample it, so they draw with the text's texture bound.
  fntAddWhiteRect(stash);
  fntPushState(stash);
  fntClearState(stash);
  return stash;

error:
  fntDeleteInternal(stash);
  return nullptr;
}

void fntDeleteInternal(FNTcontext* stash) {
  if (stash == nullptr) return;
  if (stash->params.renderDelete != nullptr) stash->params.renderDelete(stash->params.userPtr);
  for (int i = 0; i < stash->nfonts; ++i) fntFreeFont(stash->fonts[i]);
  fntAtlasDelete(stash->atlas);
  vrFree(stash->fonts);
  vrFree(stash->texData);
  vrFree(stash->scratch);
  vrFree(stash);
}

void fntSetErrorCallback(FNTcontext* stash, void (*callback)(void* uptr, int error, int val), void* uptr) {
  stash->handleError = callback;
  stash->errorUptr = uptr;
}

int fntAddFont(FNTcontext* stash, const char* name, const char* path, int fontIndex) {
  if (name == nullptr || path == nullptr) return -1;
  FILE* fp = std::fopen(path, "rb");
  if (fp == nullptr) return -1;
  unsigned char* data = nullptr;
  long size = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0) size = std::ftell(fp);
  if (size > 0 && size <= INT_MAX && std::fseek(fp, 0, SEEK_SET) == 0) {
    data = static_cast<unsigned char*>(vrRealloc(nullptr, static_cast<size_t>(size)));
    if (data != nullptr && std::fread(data, 1, static_cast<size_t>(size), fp) != static_cast<size_t>(size)) {
      vrFree(data);
      data = nullptr;
    }
  }
  std::fclose(fp);
  if (data == nullptr) return -1;
  return fntAddFontMem(stash, name, data, static_cast<int>(size), fontIndex, 1);
}

int fntAddFontMem(FNTcontext* stash, const char* name, unsigned char* data, int dataSize, int fontIndex, int freeData) {
  // The smallest font file header (sfnt version and table count) is 12 bytes.
  if (name == nullptr || data == nullptr || dataSize < 12) {
    if (freeData) vrFree(data);
    return -1;
  }
  int idx = fntAllocFont(stash);
  if (idx < 0) {
    if (freeData) vrFree(data);
    return -1;
  }
  FNTfont* font = stash->fonts[idx];
  std::strncpy(font->name, name, sizeof(font->name));
  font->name[sizeof(font->name) - 1] = '\0';
  std::fill(std::begin(font->lut), std::end(font->lut), -1);
  font->data = data;
  font->dataSize = dataSize;
  font->freeData = static_cast<unsigned char>(freeData != 0);

  stash->nscratch = 0;
  int offset = stbtt_GetFontOffsetForIndex(data, fontIndex);
  int ascent = 0, descent = 0, lineGap = 0;
  bool ok = offset >= 0 && offset < dataSize && stbtt_InitFont(&font->font, data, offset) != 0;
  if (ok) {
    font->font.userdata = stash;
    stbtt_GetFontVMetrics(&font->font, &ascent, &descent, &lineGap);
    ok = ascent - descent > 0;
  }
  if (!ok) {
    fntFreeFont(font);
    --stash->nfonts;
    return -1;
  }
  float fh = static_cast<float>(ascent - descent);
  font->ascender = static_cast<float>(ascent) / fh;
  font->descender = static_cast<float>(descent) / fh;
  font->lineh = (fh + static_cast<float>(lineGap)) / fh;
  return idx;
}

int fntGetFontByName(FNTcontext* stash, const char* name) {
  if (name == nullptr) return -1;
  for (int i = 0; i < stash->nfonts; ++i)
    if (std::strcmp(stash->fonts[i]->name, name) == 0) return i;
  return -1;
}

int fntAddFallbackFont(FNTcontext* stash, int base, int fallback) {
  if (base < 0 || base >= stash->nfonts || fallback < 0 || fallback >= stash->nfonts) return 0;
  FNTfont* font = stash->fonts[base];
  if (font->nfallbacks >= FNT_MAX_FALLBACKS) return 0;
  font->fallbacks[font->nfallbacks++] = fallback;
  return 1;
}

void fntPushState(FNTcontext* stash) {
  if (stash->nstates >= FNT_MAX_STATES) {
    fntReportError(stash, FNT_STATES_OVERFLOW, 0);
    return;
  }
  if (stash->nstates > 0) stash->states[stash->nstates] = stash->states[stash->nstates - 1];
  ++stash->nstates;
}

void fntPopState(FNTcontext* stash) {
  if (stash->nstates <= 1) {
    fntReportError(stash, FNT_STATES_UNDERFLOW, 0);
    return;
  }
  --stash->nstates;
}

void fntClearState(FNTcontext* stash) {
  FNTstate* state = fntGetState(stash);
  state->size = 12.0f;
  state->color = 0xffffffff;
  state->font = 0;
  state->blur = 0.0f;
  state->spacing = 0.0f;
  state->align = FNT_ALIGN_LEFT | FNT_ALIGN_BASELINE;
}

void fntSetSize(FNTcontext* stash, float size) {
  fntGetState(stash)->size = size;
}
void fntSetColor(FNTcontext* stash, unsigned int color) {
  fntGetState(stash)->color = color;
}
void fntSetSpacing(FNTcontext* stash, float spacing) {
  fntGetState(stash)->spacing = spacing;
}
void fntSetBlur(FNTcontext* stash, float blur) {
  fntGetState(stash)->blur = blur;
}
void fntSetAlign(FNTcontext* stash, int align) {
  fntGetState(stash)->align = align;
}
void fntSetFont(FNTcontext* stash, int font) {
  fntGetState(stash)->font = font;
}

FNTglyph* fntGetGlyph(FNTcontext* stash, FNTfont* font, unsigned int codepoint, short isize, short iblur,
                      int bitmapOption) {
  stash->glyphError = 0;
  // Below FNT_MIN_BLUR the pad round the glyph would be negative: the rasteriser would write outside the rectangle.
  if (isize < 2 || iblur < FNT_MIN_BLUR) return nullptr;
  if (iblur > FNT_MAX_BLUR) iblur = FNT_MAX_BLUR;
  int pad = iblur + 2;
  stash->nscratch = 0;

  unsigned int h = fntHashInt(codepoint) & (FNT_HASH_LUT_SIZE - 1);
  FNTglyph* unplaced = nullptr;
  for (int i = font->lut[h]; i != -1; i = font->glyphs[i].next) {
    FNTglyph* g = &font->glyphs[i];
    if (g->codepoint != codepoint || g->size != isize || g->blur != iblur) continue;
    if (bitmapOption == FNT_GLYPH_BITMAP_OPTIONAL || (g->x0 >= 0 && g->y0 >= 0)) return g;
    unplaced = g;
    break;
  }

  // A code point the font lacks is taken from its first fallback that has it, and cached under this font.
  FNTfont* renderFont = font;
  int g = fntGlyphIndex(font, codepoint);
  if (g == 0) {
    for (int i = 0; i < font->nfallbacks; ++i) {
      FNTfont* fallback = stash->fonts[font->fallbacks[i]];
      int fallbackIndex = fntGlyphIndex(fallback, codepoint);
      if (fallbackIndex != 0) {
        g = fallbackIndex;
        renderFont = fallback;
        break;
      }
    }
  }
  float size = isize / 10.0f;
  float scale = stbtt_ScaleForPixelHeight(&renderFont->font, size);
  int advance, lsb, x0, y0, x1, y1;
  stbtt_GetGlyphHMetrics(&renderFont->font, g, &advance, &lsb);
  stbtt_GetGlyphBitmapBox(&renderFont->font, g, scale, scale, &x0, &y0, &x1, &y1);
  int gw = x1 - x0 + pad * 2;
  int gh = y1 - y0 + pad * 2;
  float xadv = scale * static_cast<float>(advance) * 10.0f;
  // Every value lands in a 16-bit field of the glyph record: refuse a glyph whose values do not fit.
  if (!FitsShort(xadv) || !FitsShort(static_cast<float>(gw)) || !FitsShort(static_cast<float>(gh)) ||
      !FitsShort(static_cast<float>(x0 - pad)) || !FitsShort(static_cast<float>(y0 - pad)))
    return nullptr;

  int gx = -1, gy = -1;
  if (bitmapOption == FNT_GLYPH_BITMAP_REQUIRED && (gw <= 0 || gh <= 0)) {
    // An empty box with no pad round it has no pixels: it needs no room in the atlas, only a place to point at.
    gx = gy = 0;
  } else if (bitmapOption == FNT_GLYPH_BITMAP_REQUIRED) {
    int added = fntAtlasAddRect(stash->atlas, gw, gh, &gx, &gy);
    if (!added && stash->handleError != nullptr) {
      stash->handleError(stash->errorUptr, FNT_ATLAS_FULL, 0);
      added = fntAtlasAddRect(stash->atlas, gw, gh, &gx, &gy);
    }
    if (!added) {
      stash->glyphError = FNT_ATLAS_FULL;
      return nullptr;
    }
    int width = stash->params.width;
    unsigned char* dst = &stash->texData[(gx + pad) + (gy + pad) * width];
    if (!fntRasterizeGlyph(&renderFont->font, dst, gw - pad * 2, gh - pad * 2, width, scale, g)) {
      // Too big for the rasteriser's scratch memory: the glyph keeps its place with a blank picture, so later
      // requests find it instead of taking more of the atlas each time.
      stash->glyphError = FNT_SCRATCH_FULL;
      for (int y = 0; y < gh; ++y) std::memset(&stash->texData[gx + (gy + y) * width], 0, static_cast<size_t>(gw));
    }
    // One empty pixel round the glyph keeps bilinear sampling from bleeding into its neighbours.
    unsigned char* rect = &stash->texData[gx + gy * width];
    for (int y = 0; y < gh; ++y) {
      rect[y * width] = 0;
      rect[gw - 1 + y * width] = 0;
    }
    for (int x = 0; x < gw; ++x) {
      rect[x] = 0;
      rect[x + (gh - 1) * width] = 0;
    }
    if (iblur > 0) {
      stash->nscratch = 0;
      fntBlur(rect, gw, gh, width, iblur);
    }
    stash->dirtyRect[0] = std::min(stash->dirtyRect[0], gx);
    stash->dirtyRect[1] = std::min(stash->dirtyRect[1], gy);
    stash->dirtyRect[2] = std::max(stash->dirtyRect[2], gx + gw);
    stash->dirtyRect[3] = std::max(stash->dirtyRect[3], gy + gh);
  }

  FNTglyph* glyph = unplaced;
  if (glyph == nullptr) {
    glyph = fntAllocGlyph(font);
    if (glyph == nullptr) return nullptr;
    glyph->codepoint = codepoint;
    glyph->size = isize;
    glyph->blur = iblur;
    glyph->next = font->lut[h];
    font->lut[h] = font->nglyphs - 1;
  }
  glyph->index = g;
  glyph->renderFont = renderFont;
  glyph->x0 = static_cast<short>(gx);
  glyph->y0 = static_cast<short>(gy);
  // Without a bitmap the rectangle starts at (-1, -1) but keeps its size, so bounds still see the glyph's extent.
  glyph->x1 = static_cast<short>(gx + gw);
  glyph->y1 = static_cast<short>(gy + gh);
  glyph->xadv = static_cast<short>(xadv);
  glyph->xoff = static_cast<short>(x0 - pad);
  glyph->yoff = static_cast<short>(y0 - pad);
  return glyph;
}

void fntGetQuad(FNTcontext* stash, const FNTfont* prevFont, int prevGlyphIndex, FNTglyph* glyph, float scale,
                float spacing, float* x, float* y, FNTquad* q) {
  if (prevGlyphIndex != -1) {
    // Glyph indices of two fonts are unrelated: only a pair from one font has a kerning, in that font's table.
    const int kern = prevFont == glyph->renderFont ? fntKernAdvance(prevFont, prevGlyphIndex, glyph->index) : 0;
    float adv = static_cast<float>(kern) * scale;
    *x += std::trunc(adv + spacing + 0.5f);
  }
  // The atlas rectangle without its empty border pixel; one with nothing inside its border gives an empty quad
  // rather than one turned inside out over the texels round it.
  float xoff = static_cast<float>(glyph->xoff + 1);
  float yoff = static_cast<float>(glyph->yoff + 1);
  float x0 = static_cast<float>(glyph->x0 + 1);
  float y0 = static_cast<float>(glyph->y0 + 1);
  float x1 = static_cast<float>(std::max(glyph->x1 - 1, glyph->x0 + 1));
  float y1 = static_cast<float>(std::max(glyph->y1 - 1, glyph->y0 + 1));
  // Pixel-aligned quads; truncated in float, since the pen may be further out than an int holds.
  float rx = std::trunc(*x + xoff);
  if (stash->params.flags & FNT_ZERO_TOPLEFT) {
    float ry = std::trunc(*y + yoff);
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry + y1 - y0;
  } else {
    float ry = std::trunc(*y - yoff);
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry - y1 + y0;
  }
  q->s0 = x0 * stash->itw;
  q->t0 = y0 * stash->ith;
  q->s1 = x1 * stash->itw;
  q->t1 = y1 * stash->ith;
  *x += static_cast<float>(static_cast<int>(glyph->xadv / 10.0f + 0.5f));
}

// The published table-driven UTF-8 decoder of Bjoern Hoehrmann: 256 byte classes, then the transitions of the nine
// states (multiples of 12: 0 accept, 12 reject, the others count the continuation bytes still due).
unsigned int fntDecodeUtf8(unsigned int* state, unsigned int* codepoint, unsigned int byte) {
  // clang-format off
  static const unsigned char utf8d[] = {
      // Byte classes: 0 ASCII, 1 80-8F, 9 90-9F, 7 A0-BF, 8 never valid, 2 C2-DF, 10 E0, 3 E1-EC EE-EF, 4 ED,
      // 11 F0, 6 F1-F3, 5 F4.
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 00-1F
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 20-3F
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 40-5F
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 60-7F
      1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,  // 80-9F
      7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,  // A0-BF
      8, 8, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // C0-DF
      10, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 3, 3, 11, 6, 6, 6, 5, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,  // E0-FF
      // Transitions: one row of 12 classes per state.
      0, 12, 24, 36, 60, 96, 84, 12, 12, 12, 48, 72,   // 0: accept
      12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 12: reject
      12, 0, 12, 12, 12, 12, 12, 0, 12, 0, 12, 12,     // 24: one continuation due
      12, 24, 12, 12, 12, 12, 12, 24, 12, 24, 12, 12,  // 36: two due
      12, 12, 12, 12, 12, 12, 12, 24, 12, 12, 12, 12,  // 48: after E0, A0-BF first
      12, 24, 12, 12, 12, 12, 12, 12, 12, 24, 12, 12,  // 60: after ED, 80-9F first (no surrogates)
      12, 12, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12,  // 72: after F0, 90-BF first
      12, 36, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12,  // 84: after F1-F3
      12, 36, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 96: after F4, 80-8F first (up to U+10FFFF)
  };
  // clang-format on
  unsigned int type = utf8d[byte & 0xff];
  *codepoint = (*state != FNT_UTF8_ACCEPT) ? (byte & 0x3fu) | (*codepoint << 6) : (0xffu >> type) & byte;
  *state = utf8d[256 + *state + type];
  return *state;
}

int fntTextIterInit(FNTcontext* stash, FNTtextIter* iter, float x, float y, const char* str, const char* end,
                    int bitmapOption) {
  if (!fntIterInitUnaligned(stash, iter, x, y, str, end, bitmapOption)) return 0;
  int align = fntGetState(stash)->align;
  // Left alignment leaves x, whatever other horizontal bit is set beside it.
  if (align & FNT_ALIGN_LEFT) return 1;
  if (align & FNT_ALIGN_RIGHT) {
    float width = fntTextBounds(stash, x, y, str, end, nullptr);
    iter->x = iter->nextx = x - width;
  } else if (align & FNT_ALIGN_CENTER) {
    float width = fntTextBounds(stash, x, y, str, end, nullptr);
    iter->x = iter->nextx = x - width * 0.5f;
  }
  return 1;
}

int fntTextIterNext(FNTcontext* stash, FNTtextIter* iter, FNTquad* quad) {
  const char* str = iter->next;
  iter->str = iter->next;
  while (str != iter->end) {
    unsigned int before = iter->utf8state;
    unsigned int state = fntDecodeUtf8(&iter->utf8state, &iter->codepoint, static_cast<unsigned char>(*str));
    if (state == FNT_UTF8_REJECT) {
      // A malformed sequence becomes one replacement character; the byte that broke an open sequence is read again
      // as the start of the next one, so one bad byte never swallows the rest of the string.
      iter->utf8state = FNT_UTF8_ACCEPT;
      iter->codepoint = 0xfffd;
      if (before == FNT_UTF8_ACCEPT) ++str;
    } else {
      ++str;
      if (state != FNT_UTF8_ACCEPT) continue;
    }
    iter->x = iter->nextx;
    iter->y = iter->nexty;
    FNTglyph* glyph = fntGetGlyph(stash, iter->font, iter->codepoint, iter->isize, iter->iblur, iter->bitmapOption);
    if (glyph != nullptr) {
      // A fallback's kerning is in its own units.
      const float scale = glyph->renderFont == iter->font
                              ? iter->scale
                              : stbtt_ScaleForPixelHeight(&glyph->renderFont->font, iter->isize / 10.0f);
      fntGetQuad(stash, iter->prevGlyphFont, iter->prevGlyphIndex, glyph, scale, iter->spacing, &iter->nextx,
                 &iter->nexty, quad);
    }
    iter->prevGlyphIndex = glyph != nullptr ? glyph->index : -1;
    iter->prevGlyphFont = glyph != nullptr ? glyph->renderFont : nullptr;
    iter->next = str;
    return 1;
  }
  // A sequence cut off by the end of the text is no character.
  iter->utf8state = FNT_UTF8_ACCEPT;
  iter->next = str;
  return 0;
}

float fntTextBounds(FNTcontext* stash, float x, float y, const char* str, const char* end, float* bounds) {
  FNTtextIter iter;
  if (!fntIterInitUnaligned(stash, &iter, x, y, str, end, FNT_GLYPH_BITMAP_OPTIONAL)) {
    if (bounds != nullptr) bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return 0.0f;
  }
  float minx = x, maxx = x, miny = iter.y, maxy = iter.y;
  FNTquad q;
  while (fntTextIterNext(stash, &iter, &q)) {
    if (iter.prevGlyphIndex == -1) continue;
    minx = std::min(minx, q.x0);
    maxx = std::max(maxx, q.x1);
    miny = std::min(miny, std::min(q.y0, q.y1));
    maxy = std::max(maxy, std::max(q.y0, q.y1));
  }
  float advance = iter.nextx - x;
  int align = fntGetState(stash)->align;
  if (align & FNT_ALIGN_LEFT) {
    // Left alignment leaves the bounds where the text starts.
  } else if (align & FNT_ALIGN_RIGHT) {
    minx -= advance;
    maxx -= advance;
  } else if (align & FNT_ALIGN_CENTER) {
    minx -= advance * 0.5f;
    maxx -= advance * 0.5f;
  }
  if (bounds != nullptr) {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
  return advance;
}

float fntDrawText(FNTcontext* stash, float x, float y, const char* str, const char* end) {
  FNTtextIter iter;
  if (str == nullptr || !fntTextIterInit(stash, &iter, x, y, str, end, FNT_GLYPH_BITMAP_REQUIRED)) return x;
  const unsigned int color = fntGetState(stash)->color;
  FNTquad q;
  while (fntTextIterNext(stash, &iter, &q))
    if (iter.prevGlyphIndex != -1) fntQuadVertices(stash, q, color);
  fntFlush(stash);
  return iter.nextx;
}

void fntDrawDebug(FNTcontext* stash, float x, float y) {
  const float w = static_cast<float>(stash->params.width), h = static_cast<float>(stash->params.height);
  fntSolidQuad(stash, x, y, x + w, y + h, 0x40000000u);
  fntQuadVertices(stash, FNTquad{x, y, 0.0f, 0.0f, x + w, y + h, 1.0f, 1.0f}, 0xffffffffu);
  const FNTatlas* atlas = stash->atlas;
  for (int i = 0; i < atlas->nnodes; ++i) {
    const FNTatlasNode& n = atlas->nodes[i];
    fntSolidQuad(stash, x + n.x, y + n.y, x + n.x + n.width, y + n.y + 1, 0xc00000ffu);
  }
  fntFlush(stash);
}

void fntLineBounds(FNTcontext* stash, float y, float* miny, float* maxy) {
  FNTfont* font;
  short isize;
  if (!fntCurrentFont(stash, &font, &isize)) return;
  float size = isize / 10.0f;
  y += fntVerticalAlign(stash, font, fntGetState(stash)->align, isize);
  if (stash->params.flags & FNT_ZERO_TOPLEFT) {
    *miny = y - font->ascender * size;
    *maxy = *miny + font->lineh * size;
  } else {
    *maxy = y + font->descender * size;
    *miny = *maxy - font->lineh * size;
  }
}

void fntVertMetrics(FNTcontext* stash, float* ascender, float* descender, float* lineh) {
  FNTfont* font;
  short isize;
  if (!fntCurrentFont(stash, &font, &isize)) return;
  float size = isize / 10.0f;
  if (ascender != nullptr) *ascender = font->ascender * size;
  if (descender != nullptr) *descender = font->descender * size;
  if (lineh != nullptr) *lineh = font->lineh * size;
}

const unsigned char* fntGetTextureData(FNTcontext* stash, int* width, int* height) {
  if (width != nullptr) *width = stash->params.width;
  if (height != nullptr) *height = stash->params.height;
  return stash->texData;
}

int fntValidateTexture(FNTcontext* stash, int* dirty) {
  if (stash->dirtyRect[0] >= stash->dirtyRect[2] || stash->dirtyRect[1] >= stash->dirtyRect[3]) return 0;
  std::copy(stash->dirtyRect, stash->dirtyRect + 4, dirty);
  fntResetDirtyRect(stash);
  return 1;
}

void fntGetAtlasSize(FNTcontext* stash, int* width, int* height) {
  *width = stash->params.width;
  *height = stash->params.height;
}

int fntResetAtlas(FNTcontext* stash, int width, int height) {
  if (width <= 0 || height <= 0 || width > SHRT_MAX || height > SHRT_MAX) return 0;
  fntFlush(stash);
  if (stash->params.renderResize != nullptr && stash->params.renderResize(stash->params.userPtr, width, height) == 0)
    return 0;
  size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height);
  auto* data = static_cast<unsigned char*>(vrRealloc(stash->texData, bytes));
  if (data == nullptr) return 0;
  stash->texData = data;
  std::memset(stash->texData, 0, bytes);
  fntAtlasReset(stash->atlas, width, height);
  for (int i = 0; i < stash->nfonts; ++i) {
    stash->fonts[i]->nglyphs = 0;
    std::fill(std::begin(stash->fonts[i]->lut), std::end(stash->fonts[i]->lut), -1);
  }
  stash->params.width = width;
  stash->params.height = height;
  stash->itw = 1.0f / static_cast<float>(width);
  stash->ith = 1.0f / static_cast<float>(height);
  fntResetDirtyRect(stash);
  fntAddWhiteRect(stash);
  return 1;
}

int fntExpandAtlas(FNTcontext* stash, int width, int height) {
  width = std::max(width, stash->params.width);
  height = std::max(height, stash->params.height);
  if (width == stash->params.width && height == stash->params.height) return 1;
  if (width > SHRT_MAX || height > SHRT_MAX) return 0;
  if (stash->params.renderResize != nullptr && stash->params.renderResize(stash->params.userPtr, width, height) == 0)
    return 0;
  auto* data = static_cast<unsigned char*>(vrCalloc(static_cast<size_t>(width) * static_cast<size_t>(height), 1));
  if (data == nullptr) return 0;
  if (!fntAtlasExpand(stash->atlas, width, height)) {
    vrFree(data);
    return 0;
  }
  for (int y = 0; y < stash->params.height; ++y)
    std::memcpy(&data[y * width], &stash->texData[y * stash->params.width], static_cast<size_t>(stash->params.width));
  vrFree(stash->texData);
  stash->texData = data;
  // The old pixels sit at new offsets in the wider texture, so the whole old area is uploaded again.
  stash->dirtyRect[0] = 0;
  stash->dirtyRect[1] = 0;
  stash->dirtyRect[2] = std::max(stash->dirtyRect[2], stash->params.width);
  stash->dirtyRect[3] = std::max(stash->dirtyRect[3], stash->params.height);
  stash->params.width = width;
  stash->params.height = height;
  stash->itw = 1.0f / static_cast<float>(width);
  stash->ith = 1.0f / static_cast<float>(height);
  return 1;
}
