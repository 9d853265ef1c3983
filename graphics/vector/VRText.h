// The renderer's images (from files, encoded memory and RGBA pixels, all through the back end's texture callbacks)
// and its text: font registration, the text style of the current state, strings drawn as glyph quads from the font
// atlas (grown into a larger image when full), line breaking, text boxes, glyph positions, bounds and metrics.
// Editor (main) thread only. vrCreateImage and vrCreateFont read files and may block on I/O; nothing else blocks.
#pragma once

struct VRcontext;

enum VRcodepointType { VR_SPACE, VR_NEWLINE, VR_CHAR, VR_CJK_CHAR };

struct VRtextRow {
  const char* start;
  const char* end;
  const char* next;
  float width;
  float minx, maxx;
};

struct VRglyphPosition {
  const char* str;
  float x;
  float minx, maxx;
};

// Image ids are those of the back end's renderCreateTexture; 0 is none or failure.
int vrCreateImage(VRcontext* ctx, const char* filename, int imageFlags);
int vrCreateImageMem(VRcontext* ctx, int imageFlags, unsigned char* data, int ndata);
int vrCreateImageRGBA(VRcontext* ctx, int w, int h, int imageFlags, const unsigned char* data);
void vrUpdateImage(VRcontext* ctx, int image, const unsigned char* data);
void vrImageSize(VRcontext* ctx, int image, int* w, int* h);
void vrDeleteImage(VRcontext* ctx, int image);

// Fonts: the id, or -1 (a null name, unreadable data, no memory). freeData hands the memory (from malloc) over.
int vrCreateFont(VRcontext* ctx, const char* name, const char* filename);
int vrCreateFontAtIndex(VRcontext* ctx, const char* name, const char* filename, int fontIndex);
int vrCreateFontMem(VRcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData);
int vrCreateFontMemAtIndex(VRcontext* ctx, const char* name, unsigned char* data, int ndata, int fontIndex,
                           int freeData);
int vrFindFont(VRcontext* ctx, const char* name);
// 1, or 0 when an id is not a registered font or the base already has 20 fallbacks.
int vrAddFallbackFontId(VRcontext* ctx, int baseFont, int fallbackFont);
int vrAddFallbackFont(VRcontext* ctx, const char* baseFont, const char* fallbackFont);

// Text style of the current state, stored unchanged; vrFontFace stores -1 for an unknown or null name.
void vrFontSize(VRcontext* ctx, float size);
void vrFontBlur(VRcontext* ctx, float blur);
void vrTextLetterSpacing(VRcontext* ctx, float spacing);
void vrTextLineHeight(VRcontext* ctx, float lineHeight);
void vrTextAlign(VRcontext* ctx, int align);
void vrFontFaceId(VRcontext* ctx, int font);
void vrFontFace(VRcontext* ctx, const char* font);

// Text (end may be null: the string's terminating zero). With no usable font, size or position every operation
// does nothing: vrText returns x, counts and widths are 0, bounds are zeros.
float vrText(VRcontext* ctx, float x, float y, const char* string, const char* end);
void vrTextBox(VRcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end);
int vrTextBreakLines(VRcontext* ctx, const char* string, const char* end, float breakRowWidth, VRtextRow* rows,
                     int maxRows);
int vrTextGlyphPositions(VRcontext* ctx, float x, float y, const char* string, const char* end,
                         VRglyphPosition* positions, int maxPositions);
float vrTextBounds(VRcontext* ctx, float x, float y, const char* string, const char* end, float* bounds);
void vrTextBoxBounds(VRcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end,
                     float* bounds);
void vrTextMetrics(VRcontext* ctx, float* ascender, float* descender, float* lineh);
