// The fragment uniform records, for the vertex and the fragment function: one record per 256-byte slot
// of fragment buffer 0 (the padding fills the slot), the draw's chosen by its first instance. Layout:
// ShaderInterface.h. The vertex function also hands the draw's record to the fragment function as flat
// values (all alike for a draw), FLAT_RECORD_OUT in the vertex function, in in the fragment function.
struct FragmentUniforms {
  mat3 scissorMat;
  mat3 paintMat;
  vec4 innerCol;
  vec4 outerCol;
  vec2 scissorExt;
  vec2 scissorScale;
  vec2 extent;
  float radius;
  float feather;
  float strokeMult;
  float strokeThr;
  int texType;
  int type;
  vec4 slotPadding[5];
};

layout(set = 0, binding = 1, std140) uniform FragmentRecords {
  FragmentUniforms records[64];
};

#ifdef FLAT_RECORD_OUT
#define FLAT_RECORD out
#else
#define FLAT_RECORD in
#endif

layout(location = 2) flat FLAT_RECORD int recordIndex;
layout(location = 3) flat FLAT_RECORD vec4 recordInnerCol;
layout(location = 4) flat FLAT_RECORD vec4 recordOuterCol;
// Rows of the matrices (their third columns hold the translation) with the extents in w.
layout(location = 5) flat FLAT_RECORD vec4 recordPaintX;
layout(location = 6) flat FLAT_RECORD vec4 recordPaintY;
layout(location = 7) flat FLAT_RECORD vec4 recordScissorX;
layout(location = 8) flat FLAT_RECORD vec4 recordScissorY;
// radius, feather, strokeMult, strokeThr
layout(location = 9) flat FLAT_RECORD vec4 recordParams;
layout(location = 10) flat FLAT_RECORD vec2 recordScissorScale;
layout(location = 11) flat FLAT_RECORD ivec2 recordTypes;

#ifdef FLAT_RECORD_OUT
void WriteFlatRecord(int index) {
  FragmentUniforms r = records[index];
  recordIndex = index;
  recordInnerCol = r.innerCol;
  recordOuterCol = r.outerCol;
  recordPaintX = vec4(r.paintMat[0].x, r.paintMat[1].x, r.paintMat[2].x, r.extent.x);
  recordPaintY = vec4(r.paintMat[0].y, r.paintMat[1].y, r.paintMat[2].y, r.extent.y);
  recordScissorX = vec4(r.scissorMat[0].x, r.scissorMat[1].x, r.scissorMat[2].x, r.scissorExt.x);
  recordScissorY = vec4(r.scissorMat[0].y, r.scissorMat[1].y, r.scissorMat[2].y, r.scissorExt.y);
  recordParams = vec4(r.radius, r.feather, r.strokeMult, r.strokeThr);
  recordScissorScale = r.scissorScale;
  recordTypes = ivec2(r.texType, r.type);
}
#else
FragmentUniforms FlatRecord() {
  vec4 padding[5] = vec4[5](vec4(0.0), vec4(0.0), vec4(0.0), vec4(0.0), vec4(0.0));
  return FragmentUniforms(
      mat3(vec3(recordScissorX.x, recordScissorY.x, 0.0), vec3(recordScissorX.y, recordScissorY.y, 0.0),
           vec3(recordScissorX.z, recordScissorY.z, 1.0)),
      mat3(vec3(recordPaintX.x, recordPaintY.x, 0.0), vec3(recordPaintX.y, recordPaintY.y, 0.0),
           vec3(recordPaintX.z, recordPaintY.z, 1.0)),
      recordInnerCol, recordOuterCol, vec2(recordScissorX.w, recordScissorY.w), recordScissorScale,
      vec2(recordPaintX.w, recordPaintY.w), recordParams.x, recordParams.y, recordParams.z, recordParams.w,
      recordTypes.x, recordTypes.y, padding);
}
#endif
