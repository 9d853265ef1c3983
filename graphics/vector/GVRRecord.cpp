// Recording of fills, strokes and triangle lists into the frame's buffer set: the renderer's geometry is copied
// (it is valid only during the callback), fill fans become indexed triangles, and the fringe or stroke strips of all
// paths are joined into one triangle strip.
#include <cstring>

#include "graphics/vector/GVRContext.h"

namespace fx::gfx::gpu {

namespace {

// 1 - 0.5 / 255: the second stroke pass keeps only fragments the first pass left (nearly) uncovered.
constexpr float kStrokeThreshold = 1.0f - 0.5f / 255.0f;

int JoinedStripVertices(const VRpath* paths, int npaths) {
  int count = 0;
  for (int i = 0; i < npaths; ++i)
    if (paths[i].nstroke > 0) count += paths[i].nstroke + 2;
  return count;
}

}  // namespace

int GVRcontext::writeJoinedStrips(int at, const VRpath* paths, int npaths) {
  VRvertex* verts = buffers->verts;
  for (int i = 0; i < npaths; ++i) {
    const VRpath& path = paths[i];
    if (path.nstroke <= 0) continue;
    // The repeated first and last vertices make degenerate triangles between the strips; each strip has an even
    // count, so the triangles of the next one keep their facing.
    verts[at++] = path.stroke[0];
    std::memcpy(&verts[at], path.stroke, sizeof(VRvertex) * path.nstroke);
    at += path.nstroke;
    verts[at++] = path.stroke[path.nstroke - 1];
  }
  return at;
}

void GVRcontext::renderFill(const VRpaint* paint, VRcompositeOperationState op, const VRscissor* scissor, float fringe,
                            const float* bounds, const VRpath* paths, int npaths) {
  if (!buffers || npaths <= 0) return;
  const int verts0 = buffers->nverts, indexes0 = buffers->nindexes, uniforms0 = buffers->nuniforms;
  GVRcall* call = allocCall();
  if (call == nullptr) return;
  call->type = GVR_FILL;
  call->triangleCount = 4;
  call->image = paint->image;
  call->blendFunc = blendCompositeOperation(op);
  if (npaths == 1 && paths[0].convex) {
    call->type = GVR_CONVEXFILL;
    call->triangleCount = 0;
  }

  int indexCount = 0, fillVertices = 0;
  for (int i = 0; i < npaths; ++i) {
    if (paths[i].nfill >= 3) {
      indexCount += 3 * (paths[i].nfill - 2);
      fillVertices += paths[i].nfill;
    }
  }
  const int strokeVertices = JoinedStripVertices(paths, npaths);
  const int first = allocVerts(fillVertices + strokeVertices + call->triangleCount);
  const int firstIndex = first < 0 ? -1 : allocIndexes(indexCount);
  const int uniformOffset = firstIndex < 0 ? -1 : allocFragUniforms(1);
  // The call pointer stays valid: only the call array's own growth (in allocCall) moves it.
  if (uniformOffset < 0) {
    dropCall(verts0, indexes0, uniforms0);
    return;
  }

  VRvertex* verts = buffers->verts;
  uint32_t* indexes = buffers->indexes;
  call->indexOffset = firstIndex;
  call->indexCount = indexCount;
  int vertex = first, index = firstIndex;
  for (int i = 0; i < npaths; ++i) {
    const VRpath& path = paths[i];
    if (path.nfill < 3) continue;
    std::memcpy(&verts[vertex], path.fill, sizeof(VRvertex) * path.nfill);
    for (int j = 2; j < path.nfill; ++j) {
      indexes[index++] = static_cast<uint32_t>(vertex);
      indexes[index++] = static_cast<uint32_t>(vertex + j - 1);
      indexes[index++] = static_cast<uint32_t>(vertex + j);
    }
    vertex += path.nfill;
  }
  if (call->type == GVR_FILL) {
    // The cover quad over the bounds, as a strip; u 0.5 and v 1 are full coverage in the fragment function.
    call->triangleOffset = vertex;
    verts[vertex++] = {bounds[2], bounds[3], 0.5f, 1.0f};
    verts[vertex++] = {bounds[2], bounds[1], 0.5f, 1.0f};
    verts[vertex++] = {bounds[0], bounds[3], 0.5f, 1.0f};
    verts[vertex++] = {bounds[0], bounds[1], 0.5f, 1.0f};
  }
  call->strokeOffset = vertex + 1;
  call->strokeCount = strokeVertices > 0 ? strokeVertices - 2 : 0;
  writeJoinedStrips(vertex, paths, npaths);

  call->uniformOffset = uniformOffset;
  // A paint whose image no longer exists draws nothing.
  if (!convertPaintForFrag(fragUniformAtIndex(uniformOffset), paint, scissor, fringe, fringe, -1.0f))
    dropCall(verts0, indexes0, uniforms0);
}

void GVRcontext::renderStroke(const VRpaint* paint, VRcompositeOperationState op, const VRscissor* scissor,
                              float fringe, float strokeWidth, const VRpath* paths, int npaths) {
  if (!buffers || npaths <= 0) return;
  const int strokeVertices = JoinedStripVertices(paths, npaths);
  if (strokeVertices == 0) return;
  const int verts0 = buffers->nverts, indexes0 = buffers->nindexes, uniforms0 = buffers->nuniforms;
  GVRcall* call = allocCall();
  if (call == nullptr) return;
  call->type = GVR_STROKE;
  call->image = paint->image;
  call->blendFunc = blendCompositeOperation(op);

  const bool stencilStrokes = (flags & GVR_STENCIL_STROKES) != 0;
  const int first = allocVerts(strokeVertices);
  const int uniformOffset = first < 0 ? -1 : allocFragUniforms(stencilStrokes ? 2 : 1);
  if (uniformOffset < 0) {
    dropCall(verts0, indexes0, uniforms0);
    return;
  }
  call->strokeOffset = first + 1;
  call->strokeCount = strokeVertices - 2;
  writeJoinedStrips(first, paths, npaths);

  call->uniformOffset = uniformOffset;
  bool known = convertPaintForFrag(fragUniformAtIndex(uniformOffset), paint, scissor, strokeWidth, fringe, -1.0f);
  if (known && stencilStrokes)
    known = convertPaintForFrag(fragUniformAtIndex(uniformOffset + fragSize), paint, scissor, strokeWidth, fringe,
                                kStrokeThreshold);
  if (!known) dropCall(verts0, indexes0, uniforms0);
}

void GVRcontext::renderTriangles(const VRpaint* paint, VRcompositeOperationState op, const VRscissor* scissor,
                                 const VRvertex* verts, int nverts, float fringe) {
  if (!buffers || nverts <= 0) return;
  const int verts0 = buffers->nverts, indexes0 = buffers->nindexes, uniforms0 = buffers->nuniforms;
  GVRcall* call = allocCall();
  if (call == nullptr) return;
  call->type = GVR_TRIANGLES;
  call->image = paint->image;
  call->blendFunc = blendCompositeOperation(op);

  const int first = allocVerts(nverts);
  const int uniformOffset = first < 0 ? -1 : allocFragUniforms(1);
  if (uniformOffset < 0) {
    dropCall(verts0, indexes0, uniforms0);
    return;
  }
  call->triangleOffset = first;
  call->triangleCount = nverts;
  std::memcpy(&buffers->verts[first], verts, sizeof(VRvertex) * nverts);

  call->uniformOffset = uniformOffset;
  GVRfragUniforms* frag = fragUniformAtIndex(uniformOffset);
  if (!convertPaintForFrag(frag, paint, scissor, 1.0f, fringe, -1.0f)) {
    dropCall(verts0, indexes0, uniforms0);
    return;
  }
  frag->type = 2;
}

}  // namespace fx::gfx::gpu
