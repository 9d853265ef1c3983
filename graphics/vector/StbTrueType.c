/* The glyph rasteriser's implementation, compiled once inside the project with the font manager's scratch allocator.
   Built as a dependency, without the project's warning flags. */
#include "graphics/vector/StbTrueType.h"

#include <setjmp.h>
#include <string.h>

/* Armed while a glyph is rendered. Some of the rasteriser's allocations are used without a null check, so a failed
   allocation leaves the rasteriser at once instead of returning null into it. */
static _Thread_local jmp_buf* gScratchEscape;

static void* fntTrueTypeAlloc(size_t size, void* userdata) {
  void* p = fntScratchAlloc(size, userdata);
  if (p == NULL && gScratchEscape != NULL) longjmp(*gScratchEscape, 1);
  return p;
}

#define STBTT_malloc(x, u) fntTrueTypeAlloc((x), (u))
#define STBTT_free(x, u) ((void)(x), (void)(u))
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>

int fntRasterizeGlyph(const stbtt_fontinfo* font, unsigned char* output, int outWidth, int outHeight, int outStride,
                      float scale, int glyph) {
  jmp_buf escape;
  if (setjmp(escape) != 0) {
    gScratchEscape = NULL;
    for (int y = 0; y < outHeight; ++y) memset(output + (size_t)y * (size_t)outStride, 0, (size_t)outWidth);
    return 0;
  }
  gScratchEscape = &escape;
  stbtt_MakeGlyphBitmap(font, output, outWidth, outHeight, outStride, scale, scale, glyph);
  gScratchEscape = NULL;
  return 1;
}
