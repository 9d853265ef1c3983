// Fill and stroke geometry: joins computed on the flattened polylines, then fill fans with their anti-aliasing
// fringe, or stroke strips with joins and caps, handed to the back end.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "graphics/vector/VRContext.h"
#include "graphics/vector/VRMath.h"
#include "graphics/vector/VRMemory.h"

namespace {

// A fill's joins are mitred up to this limit, so the fringe follows sharp corners closely.
constexpr float kFillMiterLimit = 2.4f;

VRvertex* Vset(VRvertex* vtx, float x, float y, float u, float v) {
  vtx->x = x;
  vtx->y = y;
  vtx->u = u;
  vtx->v = v;
  return vtx + 1;
}

// The most segments of a half circle: the widest stroke (200) needs them only at pixel ratios above 2000.
constexpr float kMaxCurveDivs = 1024.0f;

// Number of segments of a half circle of radius r that keeps within the tessellation tolerance. A tolerance that
// float cannot tell apart from r beside it (a huge pixel ratio) gives no angle and would ask for endless segments:
// such arcs get the most segments.
int CurveDivs(float r, float arc, float tol) {
  float da = std::acos(r / (r + tol)) * 2.0f;
  float divs = std::ceil(arc / da);
  return std::max(2, static_cast<int>(divs < kMaxCurveDivs ? divs : kMaxCurveDivs));
}

void vrCalculateJoins(VRpathCache* cache, float w, int lineJoin, float miterLimit) {
  float iw = w > 0.0f ? 1.0f / w : 0.0f;
  for (int i = 0; i < cache->npaths; ++i) {
    VRpath* path = &cache->paths[i];
    VRpoint* pts = &cache->points[path->first];
    VRpoint* p0 = &pts[path->count - 1];
    VRpoint* p1 = &pts[0];
    int nleft = 0;
    // Turns that all go one way still make a self-crossing path when it winds round more than once (a pentagram):
    // the edges' vertical direction then changes sign more than twice, and the path is not convex.
    int firstSign = 0, lastSign = 0, signChanges = 0;
    path->nbevel = 0;
    for (int j = 0; j < path->count; ++j) {
      const int sign = (p1->dy > 0.0f) - (p1->dy < 0.0f);
      if (sign != 0) {
        if (firstSign == 0) firstSign = sign;
        if (lastSign != 0 && sign != lastSign) ++signChanges;
        lastSign = sign;
      }
      float dlx0 = p0->dy, dly0 = -p0->dx;
      float dlx1 = p1->dy, dly1 = -p1->dx;
      // The extrusion vector at the join: the average of the two normals scaled to meet the offset lines.
      p1->dmx = (dlx0 + dlx1) * 0.5f;
      p1->dmy = (dly0 + dly1) * 0.5f;
      float dmr2 = p1->dmx * p1->dmx + p1->dmy * p1->dmy;
      if (dmr2 > 0.000001f) {
        float scale = std::min(1.0f / dmr2, 600.0f);
        p1->dmx *= scale;
        p1->dmy *= scale;
      }
      p1->flags = (p1->flags & VR_PT_CORNER) ? VR_PT_CORNER : 0;
      if (vrCross(p0->dx, p0->dy, p1->dx, p1->dy) > 0.0f) {
        ++nleft;
        p1->flags |= VR_PT_LEFT;
      }
      // The inner side needs a bevel when the segments are too short for the extrusion.
      float limit = std::max(1.01f, std::min(p0->len, p1->len) * iw);
      if (dmr2 * limit * limit < 1.0f) p1->flags |= VR_PT_INNERBEVEL;
      if (p1->flags & VR_PT_CORNER) {
        if (dmr2 * miterLimit * miterLimit < 1.0f || lineJoin == VR_BEVEL || lineJoin == VR_ROUND)
          p1->flags |= VR_PT_BEVEL;
      }
      if (p1->flags & (VR_PT_BEVEL | VR_PT_INNERBEVEL)) ++path->nbevel;
      p0 = p1++;
    }
    if (lastSign != firstSign) ++signChanges;
    path->convex = nleft == path->count && signChanges <= 2 ? 1 : 0;
  }
}

void ChooseBevel(int bevel, const VRpoint* p0, const VRpoint* p1, float w, float* x0, float* y0, float* x1, float* y1) {
  if (bevel) {
    *x0 = p1->x + p0->dy * w;
    *y0 = p1->y - p0->dx * w;
    *x1 = p1->x + p1->dy * w;
    *y1 = p1->y - p1->dx * w;
  } else {
    *x0 = p1->x + p1->dmx * w;
    *y0 = p1->y + p1->dmy * w;
    *x1 = p1->x + p1->dmx * w;
    *y1 = p1->y + p1->dmy * w;
  }
}

VRvertex* vrRoundJoin(VRvertex* dst, const VRpoint* p0, const VRpoint* p1, float lw, float rw, float lu, float ru,
                      int ncap) {
  float dlx0 = p0->dy, dly0 = -p0->dx;
  float dlx1 = p1->dy, dly1 = -p1->dx;
  if (p1->flags & VR_PT_LEFT) {
    float lx0, ly0, lx1, ly1;
    ChooseBevel(p1->flags & VR_PT_INNERBEVEL, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    float a0 = std::atan2(-dly0, -dlx0);
    float a1 = std::atan2(-dly1, -dlx1);
    if (a1 > a0) a1 -= kVrPi * 2;
    dst = Vset(dst, lx0, ly0, lu, 1);
    dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    int n = std::clamp(static_cast<int>(std::ceil(((a0 - a1) / kVrPi) * static_cast<float>(ncap))), 2, ncap);
    for (int i = 0; i < n; ++i) {
      float u = static_cast<float>(i) / static_cast<float>(n - 1);
      float a = a0 + u * (a1 - a0);
      float rx = p1->x + std::cos(a) * rw;
      float ry = p1->y + std::sin(a) * rw;
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, rx, ry, ru, 1);
    }
    dst = Vset(dst, lx1, ly1, lu, 1);
    dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  } else {
    float rx0, ry0, rx1, ry1;
    ChooseBevel(p1->flags & VR_PT_INNERBEVEL, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    float a0 = std::atan2(dly0, dlx0);
    float a1 = std::atan2(dly1, dlx1);
    if (a1 < a0) a1 += kVrPi * 2;
    dst = Vset(dst, p1->x + dlx0 * rw, p1->y + dly0 * rw, lu, 1);
    dst = Vset(dst, rx0, ry0, ru, 1);
    int n = std::clamp(static_cast<int>(std::ceil(((a1 - a0) / kVrPi) * static_cast<float>(ncap))), 2, ncap);
    for (int i = 0; i < n; ++i) {
      float u = static_cast<float>(i) / static_cast<float>(n - 1);
      float a = a0 + u * (a1 - a0);
      float lx = p1->x + std::cos(a) * lw;
      float ly = p1->y + std::sin(a) * lw;
      dst = Vset(dst, lx, ly, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
    }
    dst = Vset(dst, p1->x + dlx1 * rw, p1->y + dly1 * rw, lu, 1);
    dst = Vset(dst, rx1, ry1, ru, 1);
  }
  return dst;
}

VRvertex* vrBevelJoin(VRvertex* dst, const VRpoint* p0, const VRpoint* p1, float lw, float rw, float lu, float ru) {
  float dlx0 = p0->dy, dly0 = -p0->dx;
  float dlx1 = p1->dy, dly1 = -p1->dx;
  if (p1->flags & VR_PT_LEFT) {
    float lx0, ly0, lx1, ly1;
    ChooseBevel(p1->flags & VR_PT_INNERBEVEL, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    dst = Vset(dst, lx0, ly0, lu, 1);
    dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    if (p1->flags & VR_PT_BEVEL) {
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      dst = Vset(dst, lx1, ly1, lu, 1);
      dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    } else {
      float rx0 = p1->x - p1->dmx * rw;
      float ry0 = p1->y - p1->dmy * rw;
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    dst = Vset(dst, lx1, ly1, lu, 1);
    dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  } else {
    float rx0, ry0, rx1, ry1;
    ChooseBevel(p1->flags & VR_PT_INNERBEVEL, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
    dst = Vset(dst, rx0, ry0, ru, 1);
    if (p1->flags & VR_PT_BEVEL) {
      dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      dst = Vset(dst, rx1, ry1, ru, 1);
    } else {
      float lx0 = p1->x + p1->dmx * lw;
      float ly0 = p1->y + p1->dmy * lw;
      dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
    }
    dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
    dst = Vset(dst, rx1, ry1, ru, 1);
  }
  return dst;
}

VRvertex* vrButtCapStart(VRvertex* dst, const VRpoint* p, float dx, float dy, float w, float d, float aa, float u0,
                         float u1) {
  float px = p->x - dx * d, py = p->y - dy * d;
  float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w - dx * aa, py + dly * w - dy * aa, u0, 0);
  dst = Vset(dst, px - dlx * w - dx * aa, py - dly * w - dy * aa, u1, 0);
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VRvertex* vrButtCapEnd(VRvertex* dst, const VRpoint* p, float dx, float dy, float w, float d, float aa, float u0,
                       float u1) {
  float px = p->x + dx * d, py = p->y + dy * d;
  float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  dst = Vset(dst, px + dlx * w + dx * aa, py + dly * w + dy * aa, u0, 0);
  dst = Vset(dst, px - dlx * w + dx * aa, py - dly * w + dy * aa, u1, 0);
  return dst;
}

VRvertex* vrRoundCapStart(VRvertex* dst, const VRpoint* p, float dx, float dy, float w, int ncap, float u0, float u1) {
  float px = p->x, py = p->y;
  float dlx = dy, dly = -dx;
  for (int i = 0; i < ncap; ++i) {
    float a = static_cast<float>(i) / static_cast<float>(ncap - 1) * kVrPi;
    float ax = std::cos(a) * w, ay = std::sin(a) * w;
    dst = Vset(dst, px - dlx * ax - dx * ay, py - dly * ax - dy * ay, u0, 1);
    dst = Vset(dst, px, py, 0.5f, 1);
  }
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VRvertex* vrRoundCapEnd(VRvertex* dst, const VRpoint* p, float dx, float dy, float w, int ncap, float u0, float u1) {
  float px = p->x, py = p->y;
  float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  for (int i = 0; i < ncap; ++i) {
    float a = static_cast<float>(i) / static_cast<float>(ncap - 1) * kVrPi;
    float ax = std::cos(a) * w, ay = std::sin(a) * w;
    dst = Vset(dst, px, py, 0.5f, 1);
    dst = Vset(dst, px - dlx * ax + dx * ay, py - dly * ax + dy * ay, u0, 1);
  }
  return dst;
}

void ClearVertexLists(VRpathCache* cache) {
  for (int i = 0; i < cache->npaths; ++i) {
    cache->paths[i].fill = cache->paths[i].stroke = nullptr;
    cache->paths[i].nfill = cache->paths[i].nstroke = 0;
  }
}

bool VerticesFinite(const VRvertex* verts, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(verts[i].x) || !std::isfinite(verts[i].y)) return false;
  return true;
}

// A fringe or stroke as wide as a tiny pixel ratio makes it (1e38 at 1e-38) overflows in the extrusions of points
// that are themselves finite. Vertices that are not finite are not handed on: the paths' vertex lists are emptied,
// as when there is no memory for them, and false is returned.
bool KeepFiniteVertices(VRpathCache* cache) {
  for (int i = 0; i < cache->npaths; ++i) {
    const VRpath* path = &cache->paths[i];
    if (!VerticesFinite(path->fill, path->nfill) || !VerticesFinite(path->stroke, path->nstroke)) {
      ClearVertexLists(cache);
      return false;
    }
  }
  return true;
}

bool vrExpandStroke(VRcontext* ctx, float w, float fringe, int lineCap, int lineJoin, float miterLimit) {
  VRpathCache* cache = ctx->cache;
  float aa = fringe;
  float u0 = 0.0f, u1 = 1.0f;
  int ncap = CurveDivs(w, kVrPi, ctx->tessTol);
  w += aa * 0.5f;
  // Without a fringe the whole strip has coverage 1: u stays on the centre line.
  if (aa == 0.0f) u0 = u1 = 0.5f;
  vrCalculateJoins(cache, w, lineJoin, miterLimit);

  long long cverts = 0;
  for (int i = 0; i < cache->npaths; ++i) {
    const VRpath* path = &cache->paths[i];
    int loop = path->closed;
    if (lineJoin == VR_ROUND)
      cverts += (path->count + path->nbevel * static_cast<long long>(ncap + 2) + 1) * 2;
    else
      cverts += (path->count + path->nbevel * 5LL + 1) * 2;
    if (!loop) cverts += lineCap == VR_ROUND ? (ncap * 2LL + 2) * 2 : (3 + 3) * 2;
  }
  VRvertex* verts = vrAllocTempVerts(ctx, cverts);
  if (verts == nullptr) {
    ClearVertexLists(cache);
    return false;
  }

  for (int i = 0; i < cache->npaths; ++i) {
    VRpath* path = &cache->paths[i];
    VRpoint* pts = &cache->points[path->first];
    path->fill = nullptr;
    path->nfill = 0;
    int loop = path->closed;
    VRvertex* dst = verts;
    path->stroke = dst;
    VRpoint *p0, *p1;
    int s, e;
    if (loop) {
      p0 = &pts[path->count - 1];
      p1 = &pts[0];
      s = 0;
      e = path->count;
    } else {
      // Flattening keeps only paths of two points or more, so both ends have a neighbour to take a direction from.
      p0 = &pts[0];
      p1 = &pts[1];
      s = 1;
      e = path->count - 1;
      float dx = p1->x - p0->x, dy = p1->y - p0->y;
      vrNormalize(&dx, &dy);
      if (lineCap == VR_BUTT)
        dst = vrButtCapStart(dst, p0, dx, dy, w, -aa * 0.5f, aa, u0, u1);
      else if (lineCap == VR_SQUARE)
        dst = vrButtCapStart(dst, p0, dx, dy, w, w - aa, aa, u0, u1);
      else if (lineCap == VR_ROUND)
        dst = vrRoundCapStart(dst, p0, dx, dy, w, ncap, u0, u1);
    }
    for (int j = s; j < e; ++j) {
      if (p1->flags & (VR_PT_BEVEL | VR_PT_INNERBEVEL)) {
        if (lineJoin == VR_ROUND)
          dst = vrRoundJoin(dst, p0, p1, w, w, u0, u1, ncap);
        else
          dst = vrBevelJoin(dst, p0, p1, w, w, u0, u1);
      } else {
        dst = Vset(dst, p1->x + p1->dmx * w, p1->y + p1->dmy * w, u0, 1);
        dst = Vset(dst, p1->x - p1->dmx * w, p1->y - p1->dmy * w, u1, 1);
      }
      p0 = p1++;
    }
    if (loop) {
      dst = Vset(dst, verts[0].x, verts[0].y, u0, 1);
      dst = Vset(dst, verts[1].x, verts[1].y, u1, 1);
    } else {
      float dx = p1->x - p0->x, dy = p1->y - p0->y;
      vrNormalize(&dx, &dy);
      if (lineCap == VR_BUTT)
        dst = vrButtCapEnd(dst, p1, dx, dy, w, -aa * 0.5f, aa, u0, u1);
      else if (lineCap == VR_SQUARE)
        dst = vrButtCapEnd(dst, p1, dx, dy, w, w - aa, aa, u0, u1);
      else if (lineCap == VR_ROUND)
        dst = vrRoundCapEnd(dst, p1, dx, dy, w, ncap, u0, u1);
    }
    path->nstroke = static_cast<int>(dst - verts);
    verts = dst;
  }
  return KeepFiniteVertices(cache);
}

// w is the fringe width, or 0 for no fringe; the joins are always mitred.
bool vrExpandFill(VRcontext* ctx, float w) {
  VRpathCache* cache = ctx->cache;
  float aa = ctx->fringeWidth;
  bool fringe = w > 0.0f;
  vrCalculateJoins(cache, w, VR_MITER, kFillMiterLimit);

  long long cverts = 0;
  for (int i = 0; i < cache->npaths; ++i) {
    const VRpath* path = &cache->paths[i];
    cverts += path->count + path->nbevel + 1;
    if (fringe) cverts += (path->count + path->nbevel * 5LL + 1) * 2;
  }
  VRvertex* verts = vrAllocTempVerts(ctx, cverts);
  if (verts == nullptr) {
    ClearVertexLists(cache);
    return false;
  }

  bool convex = cache->npaths == 1 && cache->paths[0].convex;
  for (int i = 0; i < cache->npaths; ++i) {
    VRpath* path = &cache->paths[i];
    VRpoint* pts = &cache->points[path->first];
    path->fill = path->stroke = nullptr;
    path->nfill = path->nstroke = 0;
    // A fan of fewer than three points covers nothing: the path gets no vertices at all.
    if (path->count < 3) continue;

    // The fan is inset by half the fringe so that the fringe's inner half overlaps it.
    float woff = 0.5f * aa;
    VRvertex* dst = verts;
    path->fill = dst;
    if (fringe) {
      VRpoint* p0 = &pts[path->count - 1];
      VRpoint* p1 = &pts[0];
      for (int j = 0; j < path->count; ++j) {
        if (p1->flags & VR_PT_BEVEL) {
          float dlx0 = p0->dy, dly0 = -p0->dx;
          float dlx1 = p1->dy, dly1 = -p1->dx;
          if (p1->flags & VR_PT_LEFT) {
            dst = Vset(dst, p1->x + p1->dmx * woff, p1->y + p1->dmy * woff, 0.5f, 1);
          } else {
            dst = Vset(dst, p1->x + dlx0 * woff, p1->y + dly0 * woff, 0.5f, 1);
            dst = Vset(dst, p1->x + dlx1 * woff, p1->y + dly1 * woff, 0.5f, 1);
          }
        } else {
          dst = Vset(dst, p1->x + p1->dmx * woff, p1->y + p1->dmy * woff, 0.5f, 1);
        }
        p0 = p1++;
      }
    } else {
      for (int j = 0; j < path->count; ++j) dst = Vset(dst, pts[j].x, pts[j].y, 0.5f, 1);
    }
    path->nfill = static_cast<int>(dst - verts);
    verts = dst;

    if (fringe) {
      float lw = w + woff, rw = w - woff;
      float lu = 0.0f, ru = 1.0f;
      // A convex shape draws only the outer half of the fringe.
      if (convex) {
        lw = woff;
        lu = 0.5f;
      }
      dst = verts;
      path->stroke = dst;
      VRpoint* p0 = &pts[path->count - 1];
      VRpoint* p1 = &pts[0];
      for (int j = 0; j < path->count; ++j) {
        if (p1->flags & (VR_PT_BEVEL | VR_PT_INNERBEVEL)) {
          dst = vrBevelJoin(dst, p0, p1, lw, rw, lu, ru);
        } else {
          dst = Vset(dst, p1->x + (p1->dmx * lw), p1->y + (p1->dmy * lw), lu, 1);
          dst = Vset(dst, p1->x - (p1->dmx * rw), p1->y - (p1->dmy * rw), ru, 1);
        }
        p0 = p1++;
      }
      dst = Vset(dst, verts[0].x, verts[0].y, lu, 1);
      dst = Vset(dst, verts[1].x, verts[1].y, ru, 1);
      path->nstroke = static_cast<int>(dst - verts);
      verts = dst;
    }
  }
  return KeepFiniteVertices(cache);
}

void MultiplyAlpha(VRpaint* paint, float alpha) {
  paint->innerColor.a *= alpha;
  paint->outerColor.a *= alpha;
}

}  // namespace

VRvertex* vrAllocTempVerts(VRcontext* ctx, long long nverts) {
  VRpathCache* cache = ctx->cache;
  if (nverts < 0 || nverts > INT_MAX - 0xff) return nullptr;
  if (nverts > cache->cverts) {
    int cverts = static_cast<int>((nverts + 0xff) & ~0xffLL);
    auto* verts = static_cast<VRvertex*>(vrRealloc(cache->verts, sizeof(VRvertex) * static_cast<size_t>(cverts)));
    if (verts == nullptr) return nullptr;
    cache->verts = verts;
    cache->cverts = cverts;
  }
  return cache->verts;
}

void vrFill(VRcontext* ctx) {
  VRstate* state = vrGetState(ctx);
  VRpaint fillPaint = state->fill;
  vrFlattenPaths(ctx);
  float w = (ctx->params.edgeAntiAlias && state->shapeAntiAlias) ? ctx->fringeWidth : 0.0f;
  bool expanded = vrExpandFill(ctx, w);
  VRpathCache* cache = ctx->cache;
  // The frame statistics take every fill's paths as they were expanded, whether or not anything is handed on.
  for (int i = 0; i < cache->npaths; ++i) {
    const VRpath* path = &cache->paths[i];
    ctx->fillTriCount += path->nfill - 2 + path->nstroke - 2;
    ctx->drawCallCount += 2;
  }
  // After a failed expansion the paths' vertex lists are empty: nothing of an earlier fill or stroke is drawn again.
  // Otherwise the back end gets the fill even when no path has vertices (it then draws nothing).
  if (!expanded) return;
  MultiplyAlpha(&fillPaint, state->alpha);
  ctx->params.renderFill(ctx->params.userPtr, &fillPaint, state->compositeOperation, &state->scissor, ctx->fringeWidth,
                         cache->bounds, cache->paths, cache->npaths);
}

void vrStroke(VRcontext* ctx) {
  VRstate* state = vrGetState(ctx);
  float strokeWidth = state->strokeWidth * vrAverageScale(state->xform);
  // A width that is not a number would reach every vertex of the strip.
  if (std::isnan(strokeWidth)) return;
  strokeWidth = std::clamp(strokeWidth, 0.0f, 200.0f);
  VRpaint strokePaint = state->stroke;
  if (strokeWidth < ctx->fringeWidth) {
    // A line thinner than a pixel is drawn one pixel wide and faded by its coverage instead.
    float alpha = std::clamp(strokeWidth / ctx->fringeWidth, 0.0f, 1.0f);
    MultiplyAlpha(&strokePaint, alpha * alpha);
    strokeWidth = ctx->fringeWidth;
  }
  MultiplyAlpha(&strokePaint, state->alpha);
  vrFlattenPaths(ctx);
  float fringe = (ctx->params.edgeAntiAlias && state->shapeAntiAlias) ? ctx->fringeWidth : 0.0f;
  bool expanded = vrExpandStroke(ctx, strokeWidth * 0.5f, fringe, state->lineCap, state->lineJoin, state->miterLimit);
  VRpathCache* cache = ctx->cache;
  for (int i = 0; i < cache->npaths; ++i) {
    ctx->strokeTriCount += cache->paths[i].nstroke - 2;
    ctx->drawCallCount += 1;
  }
  // As a fill, a stroke without paths still reaches the back end.
  if (!expanded) return;
  ctx->params.renderStroke(ctx->params.userPtr, &strokePaint, state->compositeOperation, &state->scissor,
                           ctx->fringeWidth, strokeWidth, cache->paths, cache->npaths);
}

void vrDebugDumpPathCache(VRcontext* ctx) {
  const VRpathCache* cache = ctx->cache;
  std::printf("Dumping %d cached paths\n", cache->npaths);
  for (int i = 0; i < cache->npaths; ++i) {
    const VRpath* path = &cache->paths[i];
    std::printf(" - Path %d\n", i);
    if (path->nfill) {
      std::printf("   - fill: %d\n", path->nfill);
      for (int j = 0; j < path->nfill; ++j) std::printf("%f\t%f\n", path->fill[j].x, path->fill[j].y);
    }
    if (path->nstroke) {
      std::printf("   - stroke: %d\n", path->nstroke);
      for (int j = 0; j < path->nstroke; ++j) std::printf("%f\t%f\n", path->stroke[j].x, path->stroke[j].y);
    }
  }
}
