#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/vector/VRContext.h"
#include "graphics/vector/VRMath.h"
#include "graphics/vector/VRMemory.h"

namespace {

// The distance of a cubic Bezier's control points that approximates a quarter circle.
constexpr float kKappa90 = 0.5522848f;

bool PointsEqual(float x1, float y1, float x2, float y2, float tol) {
  float dx = x2 - x1;
  float dy = y2 - y1;
  return dx * dx + dy * dy < tol * tol;
}

float DistancePointSegment(float x, float y, float px, float py, float qx, float qy) {
  float pqx = qx - px, pqy = qy - py;
  float dx = x - px, dy = y - py;
  float d = pqx * pqx + pqy * pqy;
  float t = pqx * dx + pqy * dy;
  if (d > 0) t /= d;
  t = std::clamp(t, 0.0f, 1.0f);
  dx = px + t * pqx - x;
  dy = py + t * pqy - y;
  return dx * dx + dy * dy;
}

// Not inlined: GCC's bounds analysis would otherwise follow the one-value close command into the point walk.
[[gnu::noinline]] void vrAppendCommands(VRcontext* ctx, float* vals, int nvals) {
  VRstate* state = vrGetState(ctx);
  if (ctx->ncommands + nvals > ctx->ccommands) {
    int ccommands = ctx->ncommands + nvals + ctx->ccommands / 2;
    auto* commands = static_cast<float*>(vrRealloc(ctx->commands, sizeof(float) * static_cast<size_t>(ccommands)));
    if (commands == nullptr) return;
    ctx->commands = commands;
    ctx->ccommands = ccommands;
  }
  int cmd = static_cast<int>(vals[0]);
  float lastx = ctx->commandx, lasty = ctx->commandy;
  if (cmd != VR_CLOSE && cmd != VR_WINDING) {
    lastx = vals[nvals - 2];
    lasty = vals[nvals - 1];
  }
  for (int i = 0; i < nvals;) {
    switch (static_cast<int>(vals[i])) {
      case VR_MOVETO:
      case VR_LINETO:
        vrTransformPoint(&vals[i + 1], &vals[i + 2], state->xform, vals[i + 1], vals[i + 2]);
        i += 3;
        break;
      case VR_BEZIERTO:
        vrTransformPoint(&vals[i + 1], &vals[i + 2], state->xform, vals[i + 1], vals[i + 2]);
        vrTransformPoint(&vals[i + 3], &vals[i + 4], state->xform, vals[i + 3], vals[i + 4]);
        vrTransformPoint(&vals[i + 5], &vals[i + 6], state->xform, vals[i + 5], vals[i + 6]);
        i += 7;
        break;
      case VR_CLOSE:
        i += 1;
        break;
      case VR_WINDING:
        i += 2;
        break;
      default:
        i += 1;
        break;
    }
  }
  // A coordinate that is not finite would reach the tessellator as NaN: the whole group is dropped.
  for (int i = 0; i < nvals; ++i)
    if (!std::isfinite(vals[i])) return;
  ctx->commandx = lastx;
  ctx->commandy = lasty;
  std::memcpy(&ctx->commands[ctx->ncommands], vals, static_cast<size_t>(nvals) * sizeof(float));
  ctx->ncommands += nvals;
}

VRpath* LastPath(VRcontext* ctx) {
  return ctx->cache->npaths > 0 ? &ctx->cache->paths[ctx->cache->npaths - 1] : nullptr;
}

void AddPath(VRcontext* ctx) {
  VRpathCache* cache = ctx->cache;
  if (cache->npaths + 1 > cache->cpaths) {
    int cpaths = cache->npaths + 1 + cache->cpaths / 2;
    auto* paths = static_cast<VRpath*>(vrRealloc(cache->paths, sizeof(VRpath) * static_cast<size_t>(cpaths)));
    if (paths == nullptr) return;
    cache->paths = paths;
    cache->cpaths = cpaths;
  }
  VRpath* path = &cache->paths[cache->npaths];
  std::memset(path, 0, sizeof(*path));
  path->first = cache->npoints;
  path->winding = VR_CCW;
  ++cache->npaths;
}

void vrAddPathPoint(VRcontext* ctx, float x, float y, int flags) {
  VRpath* path = LastPath(ctx);
  if (path == nullptr) return;
  VRpathCache* cache = ctx->cache;
  if (path->count > 0 && cache->npoints > 0) {
    VRpoint* pt = &cache->points[cache->npoints - 1];
    if (PointsEqual(pt->x, pt->y, x, y, ctx->distTol)) {
      pt->flags = static_cast<uint8_t>(pt->flags | flags);
      return;
    }
  }
  if (cache->npoints + 1 > cache->cpoints) {
    int cpoints = cache->npoints + 1 + cache->cpoints / 2;
    auto* points = static_cast<VRpoint*>(vrRealloc(cache->points, sizeof(VRpoint) * static_cast<size_t>(cpoints)));
    if (points == nullptr) return;
    cache->points = points;
    cache->cpoints = cpoints;
  }
  VRpoint* pt = &cache->points[cache->npoints];
  std::memset(pt, 0, sizeof(*pt));
  pt->x = x;
  pt->y = y;
  pt->flags = static_cast<uint8_t>(flags);
  ++cache->npoints;
  ++path->count;
}

// Adaptive subdivision: a segment is flat enough when its control points lie within the tessellation tolerance of
// the chord; at most ten levels deep.
void vrTesselateBezier(VRcontext* ctx, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                       int level, int type) {
  if (level > 10) return;
  float x12 = (x1 + x2) * 0.5f, y12 = (y1 + y2) * 0.5f;
  float x23 = (x2 + x3) * 0.5f, y23 = (y2 + y3) * 0.5f;
  float x34 = (x3 + x4) * 0.5f, y34 = (y3 + y4) * 0.5f;
  float x123 = (x12 + x23) * 0.5f, y123 = (y12 + y23) * 0.5f;
  float dx = x4 - x1, dy = y4 - y1;
  float d2 = std::fabs((x2 - x4) * dy - (y2 - y4) * dx);
  float d3 = std::fabs((x3 - x4) * dy - (y3 - y4) * dx);
  if ((d2 + d3) * (d2 + d3) < ctx->tessTol * (dx * dx + dy * dy)) {
    vrAddPathPoint(ctx, x4, y4, type);
    return;
  }
  float x234 = (x23 + x34) * 0.5f, y234 = (y23 + y34) * 0.5f;
  float x1234 = (x123 + x234) * 0.5f, y1234 = (y123 + y234) * 0.5f;
  vrTesselateBezier(ctx, x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1, 0);
  vrTesselateBezier(ctx, x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1, type);
}

float PolyArea(const VRpoint* pts, int npts) {
  float area = 0;
  for (int i = 2; i < npts; ++i) {
    const VRpoint* a = &pts[0];
    const VRpoint* b = &pts[i - 1];
    const VRpoint* c = &pts[i];
    area += (c->x - a->x) * (b->y - a->y) - (b->x - a->x) * (c->y - a->y);
  }
  return area * 0.5f;
}

}  // namespace

void vrBeginPath(VRcontext* ctx) {
  ctx->ncommands = 0;
  ctx->cache->npoints = 0;
  ctx->cache->npaths = 0;
}

void vrMoveTo(VRcontext* ctx, float x, float y) {
  float vals[] = {VR_MOVETO, x, y};
  vrAppendCommands(ctx, vals, 3);
}

void vrLineTo(VRcontext* ctx, float x, float y) {
  float vals[] = {VR_LINETO, x, y};
  vrAppendCommands(ctx, vals, 3);
}

void vrBezierTo(VRcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y) {
  float vals[] = {VR_BEZIERTO, c1x, c1y, c2x, c2y, x, y};
  vrAppendCommands(ctx, vals, 7);
}

void vrQuadTo(VRcontext* ctx, float cx, float cy, float x, float y) {
  // The cubic with the same curve: controls two thirds of the way from each end towards the quadratic's control.
  float x0 = ctx->commandx, y0 = ctx->commandy;
  const float k = 0.6666667f;
  float vals[] = {VR_BEZIERTO, x0 + k * (cx - x0), y0 + k * (cy - y0), x + k * (cx - x), y + k * (cy - y), x, y};
  vrAppendCommands(ctx, vals, 7);
}

void vrArcTo(VRcontext* ctx, float x1, float y1, float x2, float y2, float radius) {
  if (ctx->ncommands == 0) return;
  float x0 = ctx->commandx, y0 = ctx->commandy;
  float tol = ctx->distTol;
  if (PointsEqual(x0, y0, x1, y1, tol) || PointsEqual(x1, y1, x2, y2, tol) ||
      DistancePointSegment(x1, y1, x0, y0, x2, y2) < tol * tol || radius < tol) {
    vrLineTo(ctx, x1, y1);
    return;
  }
  float dx0 = x0 - x1, dy0 = y0 - y1;
  float dx1 = x2 - x1, dy1 = y2 - y1;
  vrNormalize(&dx0, &dy0);
  vrNormalize(&dx1, &dy1);
  float a = std::acos(dx0 * dx1 + dy0 * dy1);
  float d = radius / std::tan(a / 2.0f);
  if (d > 10000.0f) {
    vrLineTo(ctx, x1, y1);
    return;
  }
  float cx, cy, a0, a1;
  int dir;
  if (vrCross(dx0, dy0, dx1, dy1) > 0.0f) {
    cx = x1 + dx0 * d + dy0 * radius;
    cy = y1 + dy0 * d - dx0 * radius;
    a0 = std::atan2(dx0, -dy0);
    a1 = std::atan2(-dx1, dy1);
    dir = VR_CW;
  } else {
    cx = x1 + dx0 * d - dy0 * radius;
    cy = y1 + dy0 * d + dx0 * radius;
    a0 = std::atan2(-dx0, dy0);
    a1 = std::atan2(dx1, -dy1);
    dir = VR_CCW;
  }
  vrArc(ctx, cx, cy, radius, a0, a1, dir);
}

void vrArc(VRcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir) {
  // An angle that is not finite gives no point on the circle (and no count of segments): nothing is appended, as
  // for any other command with a coordinate that is not finite.
  if (!std::isfinite(a0) || !std::isfinite(a1)) return;
  int move = ctx->ncommands > 0 ? VR_LINETO : VR_MOVETO;
  float da = a1 - a0;
  if (dir == VR_CW) {
    if (std::fabs(da) >= kVrPi * 2) {
      da = kVrPi * 2;
    } else {
      while (da < 0.0f) da += kVrPi * 2;
    }
  } else {
    if (std::fabs(da) >= kVrPi * 2) {
      da = -kVrPi * 2;
    } else {
      while (da > 0.0f) da -= kVrPi * 2;
    }
  }
  // One Bezier segment per quarter turn (or less), at most five.
  int ndivs = std::clamp(static_cast<int>(std::fabs(da) / (kVrPi * 0.5f) + 0.5f), 1, 5);
  float hda = (da / static_cast<float>(ndivs)) / 2.0f;
  // An arc of no angle has no tangent length (0 / 0 would put NaN into its control points).
  float kappa = hda == 0.0f ? 0.0f : std::fabs(4.0f / 3.0f * (1.0f - std::cos(hda)) / std::sin(hda));
  if (dir == VR_CCW) kappa = -kappa;

  float vals[3 + 5 * 7];
  int nvals = 0;
  float px = 0, py = 0, ptanx = 0, ptany = 0;
  for (int i = 0; i <= ndivs; ++i) {
    float a = a0 + da * (static_cast<float>(i) / static_cast<float>(ndivs));
    float dx = std::cos(a), dy = std::sin(a);
    float x = cx + dx * r, y = cy + dy * r;
    float tanx = -dy * r * kappa, tany = dx * r * kappa;
    if (i == 0) {
      vals[nvals++] = static_cast<float>(move);
      vals[nvals++] = x;
      vals[nvals++] = y;
    } else {
      vals[nvals++] = VR_BEZIERTO;
      vals[nvals++] = px + ptanx;
      vals[nvals++] = py + ptany;
      vals[nvals++] = x - tanx;
      vals[nvals++] = y - tany;
      vals[nvals++] = x;
      vals[nvals++] = y;
    }
    px = x, py = y, ptanx = tanx, ptany = tany;
  }
  vrAppendCommands(ctx, vals, nvals);
}

void vrClosePath(VRcontext* ctx) {
  float vals[] = {VR_CLOSE};
  vrAppendCommands(ctx, vals, 1);
}

void vrPathWinding(VRcontext* ctx, int winding) {
  float vals[] = {VR_WINDING, static_cast<float>(winding)};
  vrAppendCommands(ctx, vals, 2);
}

void vrRect(VRcontext* ctx, float x, float y, float w, float h) {
  float vals[] = {VR_MOVETO, x, y, VR_LINETO, x, y + h, VR_LINETO, x + w, y + h, VR_LINETO, x + w, y, VR_CLOSE};
  vrAppendCommands(ctx, vals, 13);
}

void vrRoundedRect(VRcontext* ctx, float x, float y, float w, float h, float r) {
  vrRoundedRectVarying(ctx, x, y, w, h, r, r, r, r);
}

void vrRoundedRectVarying(VRcontext* ctx, float x, float y, float w, float h, float radTopLeft, float radTopRight,
                          float radBottomRight, float radBottomLeft) {
  if (radTopLeft < 0.1f && radTopRight < 0.1f && radBottomRight < 0.1f && radBottomLeft < 0.1f) {
    vrRect(ctx, x, y, w, h);
    return;
  }
  float halfw = std::fabs(w) * 0.5f;
  float halfh = std::fabs(h) * 0.5f;
  float sx = w >= 0 ? 1.0f : -1.0f, sy = h >= 0 ? 1.0f : -1.0f;
  float rxBL = std::min(radBottomLeft, halfw) * sx, ryBL = std::min(radBottomLeft, halfh) * sy;
  float rxBR = std::min(radBottomRight, halfw) * sx, ryBR = std::min(radBottomRight, halfh) * sy;
  float rxTR = std::min(radTopRight, halfw) * sx, ryTR = std::min(radTopRight, halfh) * sy;
  float rxTL = std::min(radTopLeft, halfw) * sx, ryTL = std::min(radTopLeft, halfh) * sy;
  const float k = 1.0f - kKappa90;
  // One command a line.
  // clang-format off
  float vals[] = {
      VR_MOVETO, x, y + ryTL,
      VR_LINETO, x, y + h - ryBL,
      VR_BEZIERTO, x, y + h - ryBL * k, x + rxBL * k, y + h, x + rxBL, y + h,
      VR_LINETO, x + w - rxBR, y + h,
      VR_BEZIERTO, x + w - rxBR * k, y + h, x + w, y + h - ryBR * k, x + w, y + h - ryBR,
      VR_LINETO, x + w, y + ryTR,
      VR_BEZIERTO, x + w, y + ryTR * k, x + w - rxTR * k, y, x + w - rxTR, y,
      VR_LINETO, x + rxTL, y,
      VR_BEZIERTO, x + rxTL * k, y, x, y + ryTL * k, x, y + ryTL,
      VR_CLOSE};
  // clang-format on
  vrAppendCommands(ctx, vals, static_cast<int>(sizeof(vals) / sizeof(vals[0])));
}

void vrEllipse(VRcontext* ctx, float cx, float cy, float rx, float ry) {
  const float k = kKappa90;
  // One command a line.
  // clang-format off
  float vals[] = {
      VR_MOVETO, cx - rx, cy,
      VR_BEZIERTO, cx - rx, cy + ry * k, cx - rx * k, cy + ry, cx, cy + ry,
      VR_BEZIERTO, cx + rx * k, cy + ry, cx + rx, cy + ry * k, cx + rx, cy,
      VR_BEZIERTO, cx + rx, cy - ry * k, cx + rx * k, cy - ry, cx, cy - ry,
      VR_BEZIERTO, cx - rx * k, cy - ry, cx - rx, cy - ry * k, cx - rx, cy,
      VR_CLOSE};
  // clang-format on
  vrAppendCommands(ctx, vals, static_cast<int>(sizeof(vals) / sizeof(vals[0])));
}

void vrCircle(VRcontext* ctx, float cx, float cy, float r) {
  vrEllipse(ctx, cx, cy, r, r);
}

void vrFlattenPaths(VRcontext* ctx) {
  VRpathCache* cache = ctx->cache;
  if (cache->npaths > 0) return;
  // Nothing refers to points left by an earlier flattening that kept no path.
  cache->npoints = 0;

  for (int i = 0; i < ctx->ncommands;) {
    const float* c = &ctx->commands[i];
    switch (static_cast<int>(c[0])) {
      case VR_MOVETO:
        AddPath(ctx);
        vrAddPathPoint(ctx, c[1], c[2], VR_PT_CORNER);
        i += 3;
        break;
      case VR_LINETO:
        vrAddPathPoint(ctx, c[1], c[2], VR_PT_CORNER);
        i += 3;
        break;
      case VR_BEZIERTO:
        if (cache->npoints > 0) {
          const VRpoint* last = &cache->points[cache->npoints - 1];
          vrTesselateBezier(ctx, last->x, last->y, c[1], c[2], c[3], c[4], c[5], c[6], 0, VR_PT_CORNER);
        }
        i += 7;
        break;
      case VR_CLOSE:
        if (VRpath* path = LastPath(ctx)) path->closed = 1;
        i += 1;
        break;
      case VR_WINDING:
        if (VRpath* path = LastPath(ctx)) path->winding = static_cast<int>(c[1]);
        i += 2;
        break;
      default:
        i += 1;
        break;
    }
  }

  cache->bounds[0] = cache->bounds[1] = 1e6f;
  cache->bounds[2] = cache->bounds[3] = -1e6f;

  int kept = 0;
  for (int j = 0; j < cache->npaths; ++j) {
    VRpath* path = &cache->paths[j];
    VRpoint* pts = &cache->points[path->first];
    if (path->count > 1) {
      VRpoint* p0 = &pts[path->count - 1];
      if (PointsEqual(p0->x, p0->y, pts[0].x, pts[0].y, ctx->distTol)) {
        --path->count;
        path->closed = 1;
      }
    }
    // A lone point has no direction to stroke or area to fill: the path is dropped, so that no later step reads a
    // neighbour it does not have.
    if (path->count < 2) continue;
    if (path->count > 2) {
      float area = PolyArea(pts, path->count);
      if ((path->winding == VR_CCW && area < 0.0f) || (path->winding == VR_CW && area > 0.0f))
        std::reverse(pts, pts + path->count);
    }
    VRpoint* p0 = &pts[path->count - 1];
    VRpoint* p1 = &pts[0];
    bool finite = true;
    for (int i = 0; i < path->count; ++i) {
      p0->dx = p1->x - p0->x;
      p0->dy = p1->y - p0->y;
      p0->len = vrNormalize(&p0->dx, &p0->dy);
      finite = finite && std::isfinite(p0->x) && std::isfinite(p0->y) && std::isfinite(p0->dx) && std::isfinite(p0->dy);
      p0 = p1++;
    }
    // Points near the largest float overflow on the way (a curve's midpoints, the difference of two far points):
    // a path with a point or a direction that is not finite is dropped, as a command group with such a coordinate is.
    if (!finite) continue;
    for (int i = 0; i < path->count; ++i) {
      cache->bounds[0] = std::min(cache->bounds[0], pts[i].x);
      cache->bounds[1] = std::min(cache->bounds[1], pts[i].y);
      cache->bounds[2] = std::max(cache->bounds[2], pts[i].x);
      cache->bounds[3] = std::max(cache->bounds[3], pts[i].y);
    }
    cache->paths[kept++] = *path;
  }
  cache->npaths = kept;
}
