#include "graphics/vector/VRText.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <stb/stb_image.h>

#include "graphics/vector/VRContext.h"
#include "graphics/vector/VRMath.h"
#include "graphics/vector/VRMemory.h"

namespace {

constexpr int kHorizontalAlign = VR_ALIGN_LEFT | VR_ALIGN_CENTER | VR_ALIGN_RIGHT;

float Quantize(float a, float d) {
  return static_cast<float>(static_cast<int>(a / d + 0.5f)) * d;
}

// Text is laid out in device pixels: the transform's average scale (quantised so that glyphs are cached at a few
// sizes, at most 4) times the pixel ratio.
float FontScale(VRcontext* ctx) {
  float scale = vrAverageScale(vrGetState(ctx)->xform);
  return Quantize(std::min(scale, 4.0f), 0.01f) * ctx->devicePxRatio;
}

// Hands the current state's text style to the font manager at the device scale; false when there is no font or the
// scale is too small to divide the font manager's pixels back by (0, or a tiny pixel ratio whose inverse overflows;
// the font manager refuses sizes that are not finite itself).
bool SetupFont(VRcontext* ctx, float* scale) {
  VRstate* state = vrGetState(ctx);
  if (state->fontId == -1) return false;
  float s = FontScale(ctx);
  if (!(s > 0.0f) || !std::isfinite(1.0f / s)) return false;
  fntSetSize(ctx->fs, state->fontSize * s);
  fntSetSpacing(ctx->fs, state->letterSpacing * s);
  fntSetBlur(ctx->fs, state->fontBlur * s);
  fntSetAlign(ctx->fs, state->textAlign);
  fntSetFont(ctx->fs, state->fontId);
  *scale = s;
  return true;
}

void FlushTextTexture(VRcontext* ctx) {
  int dirty[4];
  if (!fntValidateTexture(ctx->fs, dirty)) return;
  int image = ctx->fontImages[ctx->fontImageIdx];
  if (image == 0) return;
  int iw, ih;
  const unsigned char* data = fntGetTextureData(ctx->fs, &iw, &ih);
  ctx->params.renderUpdateTexture(ctx->params.userPtr, image, dirty[0], dirty[1], dirty[2] - dirty[0],
                                  dirty[3] - dirty[1], data);
}

// Moves text drawing on to a larger atlas image (the next slot's, or a new one with the shorter side doubled, at
// most 2048); the glyph cache starts empty. 0 only when all four slots are used. An image that cannot be made leaves
// its slot empty (0), whose uploads are skipped; a size that cannot be read (an empty current slot) is 0 x 0, which
// the font manager refuses, keeping its full atlas, so the glyph tried again fails and the text stops there.
int vrAllocTextAtlas(VRcontext* ctx) {
  FlushTextTexture(ctx);
  if (ctx->fontImageIdx >= VR_MAX_FONTIMAGES - 1) return 0;
  int iw = 0, ih = 0;
  int& next = ctx->fontImages[ctx->fontImageIdx + 1];
  if (next != 0) {
    vrImageSize(ctx, next, &iw, &ih);
  } else {
    vrImageSize(ctx, ctx->fontImages[ctx->fontImageIdx], &iw, &ih);
    if (iw > ih)
      ih *= 2;
    else
      iw *= 2;
    if (iw > VR_MAX_FONTIMAGE_SIZE || ih > VR_MAX_FONTIMAGE_SIZE) iw = ih = VR_MAX_FONTIMAGE_SIZE;
    next = ctx->params.renderCreateTexture(ctx->params.userPtr, VR_TEXTURE_ALPHA, iw, ih, 0, nullptr);
  }
  ++ctx->fontImageIdx;
  fntResetAtlas(ctx->fs, iw, ih);
  return 1;
}

void RenderText(VRcontext* ctx, VRvertex* verts, int nverts) {
  VRstate* state = vrGetState(ctx);
  VRpaint paint = state->fill;
  paint.image = ctx->fontImages[ctx->fontImageIdx];
  paint.innerColor.a *= state->alpha;
  paint.outerColor.a *= state->alpha;
  ctx->params.renderTriangles(ctx->params.userPtr, &paint, state->compositeOperation, &state->scissor, verts, nverts,
                              ctx->fringeWidth);
  ctx->drawCallCount += 1;
  ctx->textTriCount += nverts / 3;
}

// The next code point of a measuring iteration (glyph bitmaps optional); a glyph the font manager could not give
// counts as an empty box at the pen.
bool NextMeasuredGlyph(VRcontext* ctx, FNTtextIter* iter, FNTquad* q) {
  if (!fntTextIterNext(ctx->fs, iter, q)) return false;
  if (iter->prevGlyphIndex == -1) *q = FNTquad{iter->x, iter->y, 0, 0, iter->x, iter->y, 0, 0};
  return true;
}

VRcodepointType CodepointType(unsigned int codepoint, unsigned int previous) {
  switch (codepoint) {
    case 9:     // \t
    case 11:    // \v
    case 12:    // \f
    case 32:    // space
    case 0xa0:  // no-break space
      return VR_SPACE;
    case 10:  // \n, the second half of \r\n
      return previous == 13 ? VR_SPACE : VR_NEWLINE;
    case 13:  // \r, the second half of \n\r
      return previous == 10 ? VR_SPACE : VR_NEWLINE;
    case 0x85:  // next line
      return VR_NEWLINE;
    default:
      break;
  }
  // CJK ideographs, kana, full-width forms and Hangul break between any two characters.
  if ((codepoint >= 0x4e00 && codepoint <= 0x9fff) || (codepoint >= 0x3000 && codepoint <= 0x30ff) ||
      (codepoint >= 0xff00 && codepoint <= 0xffef) || (codepoint >= 0x1100 && codepoint <= 0x11ff) ||
      (codepoint >= 0x3130 && codepoint <= 0x318f) || (codepoint >= 0xac00 && codepoint <= 0xd7af))
    return VR_CJK_CHAR;
  return VR_CHAR;
}

bool ReadFile(const char* filename, unsigned char** data, int* size) {
  FILE* fp = std::fopen(filename, "rb");
  if (fp == nullptr) return false;
  long n = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0) n = std::ftell(fp);
  unsigned char* bytes = nullptr;
  if (n > 0 && n <= INT_MAX && std::fseek(fp, 0, SEEK_SET) == 0) {
    bytes = static_cast<unsigned char*>(vrRealloc(nullptr, static_cast<size_t>(n)));
    if (bytes != nullptr && std::fread(bytes, 1, static_cast<size_t>(n), fp) != static_cast<size_t>(n)) {
      vrFree(bytes);
      bytes = nullptr;
    }
  }
  std::fclose(fp);
  if (bytes == nullptr) return false;
  *data = bytes;
  *size = static_cast<int>(n);
  return true;
}

int CreateImageFromEncoded(VRcontext* ctx, int imageFlags, const unsigned char* data, int ndata) {
  if (data == nullptr || ndata <= 0) return 0;
  int w, h, n;
  unsigned char* img = stbi_load_from_memory(data, ndata, &w, &h, &n, 4);
  if (img == nullptr) return 0;
  int image = vrCreateImageRGBA(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
}

}  // namespace

int vrCreateImage(VRcontext* ctx, const char* filename, int imageFlags) {
  if (filename == nullptr) return 0;
  // The decoder's switches for this thread only: editors on other threads load images at the same time.
  stbi_set_unpremultiply_on_load_thread(1);
  stbi_convert_iphone_png_to_rgb_thread(1);
  unsigned char* data;
  int size;
  if (!ReadFile(filename, &data, &size)) return 0;
  int image = CreateImageFromEncoded(ctx, imageFlags, data, size);
  vrFree(data);
  return image;
}

int vrCreateImageMem(VRcontext* ctx, int imageFlags, unsigned char* data, int ndata) {
  return CreateImageFromEncoded(ctx, imageFlags, data, ndata);
}

int vrCreateImageRGBA(VRcontext* ctx, int w, int h, int imageFlags, const unsigned char* data) {
  if (w <= 0 || h <= 0) return 0;
  return ctx->params.renderCreateTexture(ctx->params.userPtr, VR_TEXTURE_RGBA, w, h, imageFlags, data);
}

void vrUpdateImage(VRcontext* ctx, int image, const unsigned char* data) {
  int w = 0, h = 0;
  ctx->params.renderGetTextureSize(ctx->params.userPtr, image, &w, &h);
  ctx->params.renderUpdateTexture(ctx->params.userPtr, image, 0, 0, w, h, data);
}

void vrImageSize(VRcontext* ctx, int image, int* w, int* h) {
  ctx->params.renderGetTextureSize(ctx->params.userPtr, image, w, h);
}

void vrDeleteImage(VRcontext* ctx, int image) {
  ctx->params.renderDeleteTexture(ctx->params.userPtr, image);
}

int vrCreateFont(VRcontext* ctx, const char* name, const char* filename) {
  return fntAddFont(ctx->fs, name, filename, 0);
}

int vrCreateFontAtIndex(VRcontext* ctx, const char* name, const char* filename, int fontIndex) {
  return fntAddFont(ctx->fs, name, filename, fontIndex);
}

int vrCreateFontMem(VRcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData) {
  return fntAddFontMem(ctx->fs, name, data, ndata, 0, freeData);
}

int vrCreateFontMemAtIndex(VRcontext* ctx, const char* name, unsigned char* data, int ndata, int fontIndex,
                           int freeData) {
  return fntAddFontMem(ctx->fs, name, data, ndata, fontIndex, freeData);
}

int vrFindFont(VRcontext* ctx, const char* name) {
  return fntGetFontByName(ctx->fs, name);
}

int vrAddFallbackFontId(VRcontext* ctx, int baseFont, int fallbackFont) {
  if (baseFont == -1 || fallbackFont == -1) return 0;
  return fntAddFallbackFont(ctx->fs, baseFont, fallbackFont);
}

int vrAddFallbackFont(VRcontext* ctx, const char* baseFont, const char* fallbackFont) {
  return vrAddFallbackFontId(ctx, vrFindFont(ctx, baseFont), vrFindFont(ctx, fallbackFont));
}

void vrFontSize(VRcontext* ctx, float size) {
  vrGetState(ctx)->fontSize = size;
}
void vrFontBlur(VRcontext* ctx, float blur) {
  vrGetState(ctx)->fontBlur = blur;
}
void vrTextLetterSpacing(VRcontext* ctx, float spacing) {
  vrGetState(ctx)->letterSpacing = spacing;
}
void vrTextLineHeight(VRcontext* ctx, float lineHeight) {
  vrGetState(ctx)->lineHeight = lineHeight;
}
void vrTextAlign(VRcontext* ctx, int align) {
  vrGetState(ctx)->textAlign = align;
}
void vrFontFaceId(VRcontext* ctx, int font) {
  vrGetState(ctx)->fontId = font;
}
void vrFontFace(VRcontext* ctx, const char* font) {
  vrGetState(ctx)->fontId = fntGetFontByName(ctx->fs, font);
}

float vrText(VRcontext* ctx, float x, float y, const char* string, const char* end) {
  float scale;
  if (string == nullptr || !SetupFont(ctx, &scale)) return x;
  if (end == nullptr) end = string + std::strlen(string);
  float invscale = 1.0f / scale;
  const float* xform = vrGetState(ctx)->xform;
  long long cverts = std::max(2LL, static_cast<long long>(end - string)) * 6;
  VRvertex* verts = vrAllocTempVerts(ctx, cverts);
  if (verts == nullptr) return x;

  FNTtextIter iter, prevIter;
  FNTquad q;
  // Text whose glyphs cannot be had at all (a font id past the fonts, a size or blur the glyph cache refuses) leaves
  // the pen where it was, and still makes its draw call, with no triangles.
  const bool started = fntTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end, FNT_GLYPH_BITMAP_REQUIRED);
  prevIter = iter;
  int nverts = 0;
  while (started && fntTextIterNext(ctx->fs, &iter, &q)) {
    if (iter.prevGlyphIndex == -1) {
      if (ctx->fs->glyphError != FNT_ATLAS_FULL) {
        // A glyph whose size does not fit the glyph record is left out.
        prevIter = iter;
        continue;
      }
      // The atlas is full: draw what uses the current image, move to a larger one and try the glyph again.
      if (nverts != 0) {
        RenderText(ctx, verts, nverts);
        nverts = 0;
      }
      if (!vrAllocTextAtlas(ctx)) break;
      iter = prevIter;
      fntTextIterNext(ctx->fs, &iter, &q);
      if (iter.prevGlyphIndex == -1) break;
    }
    prevIter = iter;
    float c[8];
    vrTransformPoint(&c[0], &c[1], xform, q.x0 * invscale, q.y0 * invscale);
    vrTransformPoint(&c[2], &c[3], xform, q.x1 * invscale, q.y0 * invscale);
    vrTransformPoint(&c[4], &c[5], xform, q.x1 * invscale, q.y1 * invscale);
    vrTransformPoint(&c[6], &c[7], xform, q.x0 * invscale, q.y1 * invscale);
    // At a tiny pixel ratio a glyph is as large as the ratio is small (1e38 at 1e-38), and its corners can overflow
    // on the way through the transform: such a glyph is left out, as a path with such a point is.
    bool finite = true;
    for (const float v : c) finite = finite && std::isfinite(v);
    if (finite && nverts + 6 <= cverts) {
      verts[nverts++] = {c[0], c[1], q.s0, q.t0};
      verts[nverts++] = {c[4], c[5], q.s1, q.t1};
      verts[nverts++] = {c[2], c[3], q.s1, q.t0};
      verts[nverts++] = {c[0], c[1], q.s0, q.t0};
      verts[nverts++] = {c[6], c[7], q.s0, q.t1};
      verts[nverts++] = {c[4], c[5], q.s1, q.t1};
    }
  }
  FlushTextTexture(ctx);
  RenderText(ctx, verts, nverts);
  return started ? iter.nextx / scale : x;
}

void vrTextBox(VRcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end) {
  VRstate* state = vrGetState(ctx);
  if (state->fontId == -1 || string == nullptr) return;
  int oldAlign = state->textAlign;
  int halign = oldAlign & kHorizontalAlign;
  int valign = oldAlign & ~kHorizontalAlign;
  float lineh = 0.0f;
  vrTextMetrics(ctx, nullptr, nullptr, &lineh);
  state->textAlign = VR_ALIGN_LEFT | valign;
  VRtextRow rows[2];
  int nrows;
  while ((nrows = vrTextBreakLines(ctx, string, end, breakRowWidth, rows, 2)) > 0) {
    for (int i = 0; i < nrows; ++i) {
      const VRtextRow& row = rows[i];
      if (halign & VR_ALIGN_LEFT)
        vrText(ctx, x, y, row.start, row.end);
      else if (halign & VR_ALIGN_CENTER)
        vrText(ctx, x + breakRowWidth * 0.5f - row.width * 0.5f, y, row.start, row.end);
      else if (halign & VR_ALIGN_RIGHT)
        vrText(ctx, x + breakRowWidth - row.width, y, row.start, row.end);
      y += lineh * state->lineHeight;
    }
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;
}

int vrTextBreakLines(VRcontext* ctx, const char* string, const char* end, float breakRowWidth, VRtextRow* rows,
                     int maxRows) {
  float scale;
  if (maxRows <= 0 || rows == nullptr || string == nullptr || !SetupFont(ctx, &scale)) return 0;
  if (end == nullptr) end = string + std::strlen(string);
  if (string == end) return 0;
  float invscale = 1.0f / scale;
  breakRowWidth *= scale;

  FNTtextIter iter;
  FNTquad q;
  if (!fntTextIterInit(ctx->fs, &iter, 0, 0, string, end, FNT_GLYPH_BITMAP_OPTIONAL)) return 0;

  int nrows = 0;
  VRcodepointType ptype = VR_SPACE;
  unsigned int pcodepoint = 0;
  // The open row, measured from its first glyph's pen position.
  const char* rowStart = nullptr;
  const char* rowEnd = nullptr;
  float rowStartX = 0, rowWidth = 0, rowMinX = 0, rowMaxX = 0;
  // Where the row may end (before a space after a word, or before a CJK character) and where the word after it starts.
  const char* breakEnd = nullptr;
  float breakWidth = 0, breakMaxX = 0;
  const char* wordStart = nullptr;
  float wordStartX = 0, wordMinX = 0;

  auto writeRow = [&](const char* start, const char* rend, const char* next, float width, float minx, float maxx) {
    rows[nrows++] = VRtextRow{start, rend, next, width * invscale, minx * invscale, maxx * invscale};
    return nrows >= maxRows;
  };
  auto openRow = [&](float startX) {
    rowStartX = startX;
    rowEnd = iter.next;
    rowWidth = iter.nextx - rowStartX;
    rowMaxX = q.x1 - rowStartX;
    breakEnd = rowStart;
    breakWidth = 0;
    breakMaxX = 0;
  };

  while (NextMeasuredGlyph(ctx, &iter, &q)) {
    VRcodepointType type = CodepointType(iter.codepoint, pcodepoint);
    bool visible = type == VR_CHAR || type == VR_CJK_CHAR;
    if (type == VR_NEWLINE) {
      const char* start = rowStart != nullptr ? rowStart : iter.str;
      const char* rend = rowStart != nullptr ? rowEnd : iter.str;
      if (writeRow(start, rend, iter.next, rowWidth, rowMinX, rowMaxX)) return nrows;
      rowStart = rowEnd = nullptr;
      rowWidth = rowMinX = rowMaxX = 0;
      breakEnd = nullptr;
      breakWidth = breakMaxX = 0;
    } else if (rowStart == nullptr) {
      // Spaces before a row's first visible character are skipped.
      if (visible) {
        rowStart = iter.str;
        rowMinX = q.x0 - iter.x;
        openRow(iter.x);
        wordStart = iter.str;
        wordStartX = iter.x;
        wordMinX = q.x0 - iter.x;
      }
    } else {
      bool prevVisible = ptype == VR_CHAR || ptype == VR_CJK_CHAR;
      if ((prevVisible && type == VR_SPACE) || type == VR_CJK_CHAR) {
        // The row as it stands before this glyph: spaces between it and an ideograph stay out of the row.
        breakEnd = rowEnd;
        breakWidth = rowWidth;
        breakMaxX = rowMaxX;
      }
      if ((ptype == VR_SPACE && visible) || type == VR_CJK_CHAR) {
        wordStart = iter.str;
        wordStartX = iter.x;
        wordMinX = q.x0 - iter.x;
      }
      if (visible && iter.nextx - rowStartX > breakRowWidth) {
        if (breakEnd == rowStart) {
          // One word longer than the row: it is split before this glyph.
          if (writeRow(rowStart, iter.str, iter.str, rowWidth, rowMinX, rowMaxX)) return nrows;
          rowStart = iter.str;
          rowMinX = q.x0 - iter.x;
          openRow(iter.x);
          wordStart = iter.str;
          wordStartX = iter.x;
          wordMinX = rowMinX;
        } else {
          if (writeRow(rowStart, breakEnd, wordStart, breakWidth, rowMinX, breakMaxX)) return nrows;
          rowStart = wordStart;
          rowMinX = wordMinX;
          openRow(wordStartX);
        }
      } else if (visible) {
        rowEnd = iter.next;
        rowWidth = iter.nextx - rowStartX;
        rowMaxX = q.x1 - rowStartX;
      }
    }
    pcodepoint = iter.codepoint;
    ptype = type;
  }
  if (rowStart != nullptr) writeRow(rowStart, rowEnd, end, rowWidth, rowMinX, rowMaxX);
  return nrows;
}

int vrTextGlyphPositions(VRcontext* ctx, float x, float y, const char* string, const char* end,
                         VRglyphPosition* positions, int maxPositions) {
  float scale;
  // No position is written into an output that has room for none.
  if (maxPositions < 1 || positions == nullptr || string == nullptr || !SetupFont(ctx, &scale)) return 0;
  if (end == nullptr) end = string + std::strlen(string);
  if (string == end) return 0;
  float invscale = 1.0f / scale;
  FNTtextIter iter;
  FNTquad q;
  if (!fntTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end, FNT_GLYPH_BITMAP_OPTIONAL)) return 0;
  int npos = 0;
  while (npos < maxPositions && NextMeasuredGlyph(ctx, &iter, &q)) {
    positions[npos].str = iter.str;
    positions[npos].x = iter.x * invscale;
    positions[npos].minx = std::min(iter.x, q.x0) * invscale;
    positions[npos].maxx = std::max(iter.nextx, q.x1) * invscale;
    ++npos;
  }
  return npos;
}

float vrTextBounds(VRcontext* ctx, float x, float y, const char* string, const char* end, float* bounds) {
  float scale;
  if (string == nullptr || !SetupFont(ctx, &scale)) {
    if (bounds != nullptr) bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return 0.0f;
  }
  float invscale = 1.0f / scale;
  float width = fntTextBounds(ctx->fs, x * scale, y * scale, string, end, bounds);
  if (bounds != nullptr) {
    fntLineBounds(ctx->fs, y * scale, &bounds[1], &bounds[3]);
    for (int i = 0; i < 4; ++i) bounds[i] *= invscale;
  }
  return width * invscale;
}

void vrTextBoxBounds(VRcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end,
                     float* bounds) {
  VRstate* state = vrGetState(ctx);
  float scale;
  int oldAlign = state->textAlign;
  int halign = oldAlign & kHorizontalAlign;
  int valign = oldAlign & ~kHorizontalAlign;
  state->textAlign = VR_ALIGN_LEFT | valign;
  if (string == nullptr || !SetupFont(ctx, &scale)) {
    state->textAlign = oldAlign;
    if (bounds != nullptr) bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return;
  }
  float invscale = 1.0f / scale;
  float lineh = 0.0f;
  vrTextMetrics(ctx, nullptr, nullptr, &lineh);
  float rminy = 0, rmaxy = 0;
  fntLineBounds(ctx->fs, 0, &rminy, &rmaxy);
  rminy *= invscale;
  rmaxy *= invscale;
  float minx = x, maxx = x, miny = y, maxy = y;
  VRtextRow rows[2];
  int nrows;
  while ((nrows = vrTextBreakLines(ctx, string, end, breakRowWidth, rows, 2)) > 0) {
    for (int i = 0; i < nrows; ++i) {
      const VRtextRow& row = rows[i];
      float dx = 0.0f;
      if (halign & VR_ALIGN_CENTER)
        dx = breakRowWidth * 0.5f - row.width * 0.5f;
      else if (halign & VR_ALIGN_RIGHT)
        dx = breakRowWidth - row.width;
      minx = std::min(minx, x + row.minx + dx);
      maxx = std::max(maxx, x + row.maxx + dx);
      miny = std::min(miny, y + rminy);
      maxy = std::max(maxy, y + rmaxy);
      y += lineh * state->lineHeight;
    }
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;
  if (bounds != nullptr) {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
}

void vrTextMetrics(VRcontext* ctx, float* ascender, float* descender, float* lineh) {
  // Zero metrics when there is no usable font.
  float scale, a = 0.0f, d = 0.0f, l = 0.0f;
  if (SetupFont(ctx, &scale)) {
    fntVertMetrics(ctx->fs, &a, &d, &l);
    const float invscale = 1.0f / scale;
    a *= invscale;
    d *= invscale;
    l *= invscale;
  }
  if (ascender != nullptr) *ascender = a;
  if (descender != nullptr) *descender = d;
  if (lineh != nullptr) *lineh = l;
}
