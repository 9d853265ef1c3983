// The font manager's atlas: a skyline packer for glyph rectangles (the skyline is the list of segments of the packed
// region's top edge), and the glyph blur. Editor (main) thread only.
#pragma once

struct FNTatlasNode {
  short x, y, width;
};

struct FNTatlas {
  int width, height;
  FNTatlasNode* nodes;
  int nnodes;
  int cnodes;
};

constexpr int FNT_INIT_ATLAS_NODES = 256;

// Null on allocation failure. Sides up to 32767 (node fields are 16-bit).
FNTatlas* fntAtlasCreate(int width, int height, int nnodes);
void fntAtlasDelete(FNTatlas* atlas);
// Empties the atlas at a new size: one node (0, 0, width).
void fntAtlasReset(FNTatlas* atlas, int width, int height);
// Grows the atlas keeping what is packed: the skyline is extended to the new width.
int fntAtlasExpand(FNTatlas* atlas, int width, int height);
// 1 and the rectangle's top-left, or 0 when the atlas has no room (or no memory for one more node).
int fntAtlasAddRect(FNTatlas* atlas, int rw, int rh, int* rx, int* ry);

// Blurs a w x h rectangle of an 8-bit image whose rows are `stride` bytes apart; `blur` is the radius (1 to 20).
void fntBlur(unsigned char* dst, int w, int h, int stride, int blur);
