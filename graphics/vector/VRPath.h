// Path commands, flattening and tessellation: the caller's moves, lines, curves, arcs and shapes are stored already
// transformed, flattened into polylines in the path cache (curves subdivided to the tessellation tolerance, near
// points merged, windings enforced) and expanded into the fill fans, anti-aliasing fringes and stroke strips that the
// back end's renderFill and renderStroke receive. Editor (main) thread only; nothing blocks.
#pragma once

#include <cstdint>

struct VRcontext;

enum VRcommand { VR_MOVETO = 0, VR_LINETO = 1, VR_BEZIERTO = 2, VR_CLOSE = 3, VR_WINDING = 4 };

// CCW is solid (every new sub-path starts with it), CW a hole; the same values give an arc's direction.
enum VRwinding { VR_CCW = 1, VR_CW = 2 };

enum VRlineCap { VR_BUTT = 0, VR_ROUND = 1, VR_SQUARE = 2, VR_BEVEL = 3, VR_MITER = 4 };

enum VRpointFlags { VR_PT_CORNER = 0x01, VR_PT_LEFT = 0x02, VR_PT_BEVEL = 0x04, VR_PT_INNERBEVEL = 0x08 };

struct VRpoint {
  float x, y;
  float dx, dy;
  float len;
  float dmx, dmy;
  uint8_t flags;
};

// u runs across a stroke or fringe from 0 (left edge) to 1 (right edge); v is 1 on the body, 0 on a cap's outer edge.
struct VRvertex {
  float x, y, u, v;
};

struct VRpath {
  int first;
  int count;
  uint8_t closed;
  int nbevel;
  VRvertex* fill;
  int nfill;
  VRvertex* stroke;
  int nstroke;
  int winding;
  int convex;
};

struct VRpathCache {
  VRpoint* points;
  int npoints;
  int cpoints;
  VRpath* paths;
  int npaths;
  int cpaths;
  VRvertex* verts;
  int nverts;
  int cverts;
  float bounds[4];
};

void vrBeginPath(VRcontext* ctx);
void vrMoveTo(VRcontext* ctx, float x, float y);
void vrLineTo(VRcontext* ctx, float x, float y);
void vrBezierTo(VRcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y);
void vrQuadTo(VRcontext* ctx, float cx, float cy, float x, float y);
void vrArcTo(VRcontext* ctx, float x1, float y1, float x2, float y2, float radius);
// Angles in radians; dir is a VRwinding.
void vrArc(VRcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir);
void vrClosePath(VRcontext* ctx);
void vrPathWinding(VRcontext* ctx, int winding);
void vrRect(VRcontext* ctx, float x, float y, float w, float h);
void vrRoundedRect(VRcontext* ctx, float x, float y, float w, float h, float r);
void vrRoundedRectVarying(VRcontext* ctx, float x, float y, float w, float h, float radTopLeft, float radTopRight,
                          float radBottomRight, float radBottomLeft);
void vrEllipse(VRcontext* ctx, float cx, float cy, float rx, float ry);
void vrCircle(VRcontext* ctx, float cx, float cy, float r);

// Fill and stroke the current path; the back end is called once, also when no path has vertices (it then draws
// nothing), and not at all for a stroke width that is not a number, vertices that are not finite or no memory for
// them. Flattening drops paths of one point and paths with a point or direction that is not finite.
void vrFill(VRcontext* ctx);
void vrStroke(VRcontext* ctx);
void vrDebugDumpPathCache(VRcontext* ctx);

// Internal steps, shared with the text drawing (which uses the same vertex storage).
void vrFlattenPaths(VRcontext* ctx);
VRvertex* vrAllocTempVerts(VRcontext* ctx, long long nverts);
