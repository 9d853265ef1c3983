// Shades one fragment by the renderer's paint model: a gradient by the signed distance to a rounded
// rectangle over the feather, an image by its texture type, or text from the alpha atlas; then the
// scissor's coverage. Compiled twice: with EDGE_AA ("fragmentShaderAA") the stroke coordinates also give
// the anti-aliasing coverage, and fragments below the stroke threshold are discarded.
//
// Function constants (ids in ShaderInterface.h) specialise the function to one kind of paint: a CPU
// rasteriser pays for every instruction of every fragment, and a solid fill then costs a few multiplies
// instead of two matrices, a distance and a texture read. The defaults give the general function, which
// takes everything from the record.
#version 450

// The fragment uniform records (fragment buffer 0) and the draw's record as flat inputs.
#extension GL_GOOGLE_include_directive : require
#include "FragmentRecords.glsl"

// The draw's record: read from fragment buffer 0 by the general function, from the vertex function's flat
// outputs by a specialised one (a CPU rasteriser reads a record indexed per fragment lane by lane, a flat
// input once per block).
FragmentUniforms U;

layout(set = 0, binding = 2) uniform texture2D tex;
layout(set = 0, binding = 3) uniform sampler smp;

layout(location = 0) in vec2 ftcoord;
layout(location = 1) in vec2 fpos;

layout(location = 0) out vec4 outColor;

const int kTypeGradient = 0;
const int kTypeImage = 1;
const int kTypeTriangles = 2;
const int kTexStraightRGBA = 1;
const int kTexAlpha = 2;

// Signed distance from pt to a rectangle of half-size ext with corner radius rad (negative inside).
float roundedRectDistance(vec2 pt, vec2 ext, float rad) {
  vec2 ext2 = ext - vec2(rad, rad);
  vec2 d = abs(pt) - ext2;
  return min(max(d.x, d.y), 0.0) + length(max(d, 0.0)) - rad;
}

// 1 inside the scissor, 0 outside, a one-pixel ramp across its edges.
float scissorMask(vec2 p) {
  vec2 sc = abs((U.scissorMat * vec3(p, 1.0)).xy) - U.scissorExt;
  sc = vec2(0.5, 0.5) - sc * U.scissorScale;
  return clamp(sc.x, 0.0, 1.0) * clamp(sc.y, 0.0, 1.0);
}

#ifdef EDGE_AA
// Coverage across a stroke (u from 0 to 1 over its width, 0.5 in the middle) and along its ends (v).
float strokeMask() {
  return min(1.0, (1.0 - abs(ftcoord.x * 2.0 - 1.0)) * U.strokeMult) * min(1.0, ftcoord.y);
}
#endif

// The image or atlas at uv, premultiplied by the texture type.
vec4 textureColor(vec2 uv) {
  vec4 texColor = texture(sampler2D(tex, smp), uv);
  if (U.texType == kTexStraightRGBA) texColor = vec4(texColor.rgb * texColor.a, texColor.a);
  if (U.texType == kTexAlpha) texColor = vec4(texColor.r);
  return texColor;
}

// The gradient's mix of the inner and outer colour at paint point pt.
vec4 gradientColor(vec2 pt) {
  float d = clamp((roundedRectDistance(pt, U.extent, U.radius) + U.feather * 0.5) / U.feather, 0.0, 1.0);
  return mix(U.innerCol, U.outerCol, d);
}

vec2 paintPoint() {
  return (U.paintMat * vec3(fpos, 1.0)).xy;
}

void main() {
  if (kPaint == kPaintAny)
    U = records[recordIndex];
  else
    U = FlatRecord();
  float scissor = kScissor ? scissorMask(fpos) : 1.0;
#ifdef EDGE_AA
  float strokeAlpha = strokeMask();
  if (kStrokeDiscard && strokeAlpha < U.strokeThr) discard;
#else
  float strokeAlpha = 1.0;
#endif
  if (kPaint == kPaintSolid) {
    outColor = U.innerCol * (strokeAlpha * scissor);
  } else if (kPaint == kPaintGradient) {
    outColor = gradientColor(paintPoint()) * (strokeAlpha * scissor);
  } else if (kPaint == kPaintLinearGradient) {
    float d = clamp((abs(paintPoint().y) - U.extent.y + U.feather * 0.5) / U.feather, 0.0, 1.0);
    outColor = mix(U.innerCol, U.outerCol, d) * (strokeAlpha * scissor);
  } else if (kPaint == kPaintImage) {
    outColor = textureColor(paintPoint() / U.extent) * U.innerCol * (strokeAlpha * scissor);
  } else if (kPaint == kPaintText) {
    // Triangles (text) take the atlas' coverage only: stroke coverage does not apply to them.
    outColor = textureColor(ftcoord) * U.innerCol * scissor;
  } else {
    // Written without branches on the paint type: a CPU rasteriser runs both sides of a branch under a
    // mask, so every path is computed and one is chosen, with a single texture read for image and text.
    vec2 pt = paintPoint();
    vec4 texColor = textureColor(mix(ftcoord, pt / U.extent, float(U.type == kTypeImage)));
    vec4 color = U.type == kTypeGradient ? gradientColor(pt) : texColor * U.innerCol;
    float coverage = U.type == kTypeTriangles ? scissor : strokeAlpha * scissor;
    outColor = color * coverage;
  }
}
