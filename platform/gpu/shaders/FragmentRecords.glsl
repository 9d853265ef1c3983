// The fragment uniform records, for the vertex and the fragment function: one record per 256-byte slot
// of fragment buffer 0 (the padding fills the slot), the draw's chosen by its first instance. Layout:
// ShaderInterface.h. The vertex function also hands the draw's record to the fragment function as flat
// values (all alike for a draw), FLAT_RECORD_OUT in the vertex function, in in the fragment function:
// those the fragment function's specialisation reads, as both functions get the same constants.

// The paint the function is specialised for: any (by the record's type), the inner colour alone (a
// gradient whose colours are equal), a gradient, an image, text (the atlas by the vertices' coordinates),
// or a gradient whose distance is the distance along it (the caller checks that for the frame).
const int kPaintAny = 0;
const int kPaintSolid = 1;
const int kPaintGradient = 2;
const int kPaintImage = 3;
const int kPaintText = 4;
const int kPaintLinearGradient = 5;
layout(constant_id = 0) const int kPaint = kPaintAny;
// False where the record's scissor is the whole frame (its mask is 1 everywhere).
layout(constant_id = 1) const bool kScissor = true;
// False where the record's stroke threshold is at most -1, which no coverage falls below.
layout(constant_id = 2) const bool kStrokeDiscard = true;

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
  recordIndex = index;
  if (kPaint == kPaintAny) return;  // the general fragment function reads the record itself
  recordInnerCol = records[index].innerCol;
  recordParams = vec4(records[index].radius, records[index].feather, records[index].strokeMult,
                      records[index].strokeThr);
  if (kPaint == kPaintGradient || kPaint == kPaintLinearGradient) recordOuterCol = records[index].outerCol;
  if (kPaint == kPaintGradient || kPaint == kPaintImage) {
    mat3 m = records[index].paintMat;
    recordPaintX = vec4(m[0].x, m[1].x, m[2].x, records[index].extent.x);
  }
  if (kPaint == kPaintGradient || kPaint == kPaintLinearGradient || kPaint == kPaintImage) {
    mat3 m = records[index].paintMat;
    recordPaintY = vec4(m[0].y, m[1].y, m[2].y, records[index].extent.y);
  }
  if (kScissor) {
    mat3 m = records[index].scissorMat;
    recordScissorX = vec4(m[0].x, m[1].x, m[2].x, records[index].scissorExt.x);
    recordScissorY = vec4(m[0].y, m[1].y, m[2].y, records[index].scissorExt.y);
    recordScissorScale = records[index].scissorScale;
  }
  if (kPaint == kPaintImage || kPaint == kPaintText) recordTypes = ivec2(records[index].texType, records[index].type);
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
