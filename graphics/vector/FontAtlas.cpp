#include "graphics/vector/FontAtlas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/vector/VRMemory.h"

FNTatlas* fntAtlasCreate(int width, int height, int nnodes) {
  auto* atlas = static_cast<FNTatlas*>(vrCalloc(1, sizeof(FNTatlas)));
  if (atlas == nullptr) return nullptr;
  atlas->nodes = static_cast<FNTatlasNode*>(vrCalloc(static_cast<size_t>(nnodes), sizeof(FNTatlasNode)));
  if (atlas->nodes == nullptr) {
    vrFree(atlas);
    return nullptr;
  }
  atlas->cnodes = nnodes;
  fntAtlasReset(atlas, width, height);
  return atlas;
}

void fntAtlasDelete(FNTatlas* atlas) {
  if (atlas == nullptr) return;
  vrFree(atlas->nodes);
  vrFree(atlas);
}

void fntAtlasReset(FNTatlas* atlas, int width, int height) {
  atlas->width = width;
  atlas->height = height;
  atlas->nnodes = 1;
  atlas->nodes[0] = {0, 0, static_cast<short>(width)};
}

static int fntAtlasInsertNode(FNTatlas* atlas, int idx, int x, int y, int w) {
  if (atlas->nnodes + 1 > atlas->cnodes) {
    int cnodes = atlas->cnodes == 0 ? 8 : atlas->cnodes * 2;
    auto* nodes =
        static_cast<FNTatlasNode*>(vrRealloc(atlas->nodes, sizeof(FNTatlasNode) * static_cast<size_t>(cnodes)));
    if (nodes == nullptr) return 0;
    atlas->nodes = nodes;
    atlas->cnodes = cnodes;
  }
  std::memmove(atlas->nodes + idx + 1, atlas->nodes + idx,
               sizeof(FNTatlasNode) * static_cast<size_t>(atlas->nnodes - idx));
  atlas->nodes[idx] = {static_cast<short>(x), static_cast<short>(y), static_cast<short>(w)};
  ++atlas->nnodes;
  return 1;
}

static void fntAtlasRemoveNode(FNTatlas* atlas, int idx) {
  std::memmove(atlas->nodes + idx, atlas->nodes + idx + 1,
               sizeof(FNTatlasNode) * static_cast<size_t>(atlas->nnodes - idx - 1));
  --atlas->nnodes;
}

int fntAtlasExpand(FNTatlas* atlas, int width, int height) {
  if (width > atlas->width && !fntAtlasInsertNode(atlas, atlas->nnodes, atlas->width, 0, width - atlas->width))
    return 0;
  atlas->width = width;
  atlas->height = height;
  return 1;
}

// The y at which a rw x rh rectangle rests on the skyline from node i, or -1 when it does not fit there.
static int fntAtlasRectFits(const FNTatlas* atlas, int i, int rw, int rh) {
  int x = atlas->nodes[i].x;
  if (x + rw > atlas->width) return -1;
  int y = atlas->nodes[i].y;
  int spaceLeft = rw;
  while (spaceLeft > 0) {
    if (i == atlas->nnodes) return -1;
    y = std::max(y, static_cast<int>(atlas->nodes[i].y));
    if (y + rh > atlas->height) return -1;
    spaceLeft -= atlas->nodes[i].width;
    ++i;
  }
  return y;
}

static int fntAtlasAddSkylineLevel(FNTatlas* atlas, int idx, int x, int y, int w, int h) {
  if (!fntAtlasInsertNode(atlas, idx, x, y + h, w)) return 0;
  // The new node covers the start of the nodes after it: shorten them from the left or drop them.
  for (int i = idx + 1; i < atlas->nnodes; ++i) {
    const FNTatlasNode& prev = atlas->nodes[i - 1];
    int shrink = prev.x + prev.width - atlas->nodes[i].x;
    if (shrink <= 0) break;
    atlas->nodes[i].x = static_cast<short>(atlas->nodes[i].x + shrink);
    atlas->nodes[i].width = static_cast<short>(atlas->nodes[i].width - shrink);
    if (atlas->nodes[i].width > 0) break;
    fntAtlasRemoveNode(atlas, i);
    --i;
  }
  for (int i = 0; i < atlas->nnodes - 1; ++i) {
    if (atlas->nodes[i].y == atlas->nodes[i + 1].y) {
      atlas->nodes[i].width = static_cast<short>(atlas->nodes[i].width + atlas->nodes[i + 1].width);
      fntAtlasRemoveNode(atlas, i + 1);
      --i;
    }
  }
  return 1;
}

int fntAtlasAddRect(FNTatlas* atlas, int rw, int rh, int* rx, int* ry) {
  if (rw <= 0 || rh <= 0) return 0;
  int besti = -1, bestBottom = 0, bestWidth = 0, bestx = 0, besty = 0;
  for (int i = 0; i < atlas->nnodes; ++i) {
    int y = fntAtlasRectFits(atlas, i, rw, rh);
    if (y < 0) continue;
    // Lowest bottom edge first; on a tie the narrower node, so wide gaps stay free for wide glyphs.
    if (besti < 0 || y + rh < bestBottom || (y + rh == bestBottom && atlas->nodes[i].width < bestWidth)) {
      besti = i;
      bestBottom = y + rh;
      bestWidth = atlas->nodes[i].width;
      bestx = atlas->nodes[i].x;
      besty = y;
    }
  }
  if (besti < 0) return 0;
  if (!fntAtlasAddSkylineLevel(atlas, besti, bestx, besty, rw, rh)) return 0;
  *rx = bestx;
  *ry = besty;
  return 1;
}

// One-pole recursive filter in 16.16 fixed point along `count` pixels `step` bytes apart, forwards then backwards;
// the end pixels are cleared so the blurred glyph keeps an empty border.
static void fntBlurLine(unsigned char* p, int count, int step, int alpha) {
  int z = 0;
  for (int i = 1; i < count; ++i) {
    unsigned char& px = p[i * step];
    z += (alpha * ((static_cast<int>(px) << 7) - z)) >> 16;
    px = static_cast<unsigned char>(z >> 7);
  }
  p[(count - 1) * step] = 0;
  z = 0;
  for (int i = count - 2; i >= 0; --i) {
    unsigned char& px = p[i * step];
    z += (alpha * ((static_cast<int>(px) << 7) - z)) >> 16;
    px = static_cast<unsigned char>(z >> 7);
  }
  p[0] = 0;
}

void fntBlur(unsigned char* dst, int w, int h, int stride, int blur) {
  if (blur < 1 || w < 1 || h < 1) return;
  // The filter's coefficient for a Gaussian of radius `blur` (sigma = radius / sqrt(3)).
  float sigma = static_cast<float>(blur) * 0.57735f;
  int alpha = static_cast<int>((1 << 16) * (1.0f - std::exp(-2.3f / (sigma + 1.0f))));
  for (int pass = 0; pass < 2; ++pass) {
    for (int x = 0; x < w; ++x) fntBlurLine(dst + x, h, stride, alpha);
    for (int y = 0; y < h; ++y) fntBlurLine(dst + y * stride, w, 1, alpha);
  }
}
