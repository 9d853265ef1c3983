/* The glyph rasteriser (stb_truetype) as the font manager uses it: every allocation of the rasteriser comes from the
   font manager's fixed scratch buffer, and a glyph whose outline does not fit there fails as a whole. Editor (main)
   thread. */
#pragma once

#include <stb/stb_truetype.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The font manager's scratch allocator (defined by it); `userdata` is the font manager whose fonts carry it.
   Null when the scratch buffer is full. */
void* fntScratchAlloc(size_t size, void* userdata);

/* Renders `glyph` at `scale` into `output` (outWidth x outHeight bytes, rows outStride apart). Returns 1, or 0 when
   the rasteriser ran out of scratch memory (the output is then cleared). */
int fntRasterizeGlyph(const stbtt_fontinfo* font, unsigned char* output, int outWidth, int outHeight, int outStride,
                      float scale, int glyph);

#ifdef __cplusplus
}
#endif
