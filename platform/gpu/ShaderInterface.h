// The records the shader library reads, written once here for the C++ side; the GLSL side declares the
// same layout (std140) and a test checks the offsets. Any thread.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace platform::gpu {

// Vertex buffer 0: one vertex, position in points and texture coordinate.
struct ShaderVertex {
  float x, y;
  float u, v;
};
static_assert(sizeof(ShaderVertex) == 16);

// Vertex buffer 1: the frame's size in points.
struct ShaderViewSize {
  float width, height;
};

// Fragment buffer 0: the paint of one draw. Matrices are 3 x 3, stored as three columns of four floats
// whose fourth lane is 0.
struct ShaderFragmentUniforms {
  float scissorMat[12];
  float paintMat[12];
  float innerCol[4];  // premultiplied
  float outerCol[4];  // premultiplied
  float scissorExt[2];
  float scissorScale[2];
  float extent[2];
  float radius;
  float feather;
  float strokeMult;
  float strokeThr;
  int32_t texType;  // 0 premultiplied RGBA, 1 straight RGBA, 2 alpha
  int32_t type;     // 0 gradient, 1 image, 2 triangles (text)
};
static_assert(sizeof(ShaderFragmentUniforms) == 176);
static_assert(offsetof(ShaderFragmentUniforms, paintMat) == 48);
static_assert(offsetof(ShaderFragmentUniforms, innerCol) == 96);
static_assert(offsetof(ShaderFragmentUniforms, outerCol) == 112);
static_assert(offsetof(ShaderFragmentUniforms, scissorExt) == 128);
static_assert(offsetof(ShaderFragmentUniforms, scissorScale) == 136);
static_assert(offsetof(ShaderFragmentUniforms, extent) == 144);
static_assert(offsetof(ShaderFragmentUniforms, radius) == 152);
static_assert(offsetof(ShaderFragmentUniforms, feather) == 156);
static_assert(offsetof(ShaderFragmentUniforms, strokeMult) == 160);
static_assert(offsetof(ShaderFragmentUniforms, strokeThr) == 164);
static_assert(offsetof(ShaderFragmentUniforms, texType) == 168);
static_assert(offsetof(ShaderFragmentUniforms, type) == 172);

// The fragment functions' constants (GpuFunctionConstant ids), which specialise them to one kind of
// paint; without values they are general and take everything from the record.
constexpr uint32_t kConstantPaint = 0;          // a ShaderPaint
constexpr uint32_t kConstantScissor = 1;        // bool: false when the record's scissor is the whole frame
constexpr uint32_t kConstantStrokeDiscard = 2;  // bool: false when the record's strokeThr is at most -1
enum class ShaderPaint : int32_t {
  Any = 0,       // by the record's type
  Solid = 1,     // type 0 with equal inner and outer colours: the inner colour
  Gradient = 2,  // type 0
  Image = 3,     // type 1
  Text = 4,      // type 2
  // type 0 whose rounded rectangle, over the whole frame, is so much larger across than along the
  // gradient that its distance is the distance along it (a linear gradient).
  LinearGradient = 5,
};

// The specialisation of a fragment function that shades a record as the general function does, with the
// least code: the paint by the record's type (solid when a gradient's colours are equal, linear when
// its distance reduces to the distance along it at every point of a frame of the given size in points),
// no scissor when the record's is the whole frame (its mask is then exactly 1), no discard when the
// threshold is at most -1 (coverage is never below it).
struct ShaderFragmentVariant {
  ShaderPaint paint = ShaderPaint::Any;
  bool scissor = true;
  bool strokeDiscard = true;

  bool operator==(const ShaderFragmentVariant&) const = default;
};

// With a radius of 0, the rounded-rectangle distance of paint point (x, y) is |y| - ext.y wherever
// |x| - ext.x <= 0 and |x| - ext.x < |y| - ext.y. Both hold over the frame when they hold at its corners
// (x and y are affine in the position, and y keeps its sign), with a margin far above the rounding of
// the function's single-precision arithmetic.
inline bool GradientIsLinearOver(const ShaderFragmentUniforms& u, float width, float height) {
  if (u.radius != 0.0f || !(width > 0.0f) || !(height > 0.0f)) return false;
  constexpr double kMargin = 1.0;
  double maxAcross = 0.0, minAlong = 0.0, maxAlong = 0.0;
  bool first = true;
  for (const double x : {0.0, static_cast<double>(width)}) {
    for (const double y : {0.0, static_cast<double>(height)}) {
      const double across = u.paintMat[0] * x + u.paintMat[4] * y + u.paintMat[8];
      const double along = u.paintMat[1] * x + u.paintMat[5] * y + u.paintMat[9];
      maxAcross = first ? std::abs(across) : std::max(maxAcross, std::abs(across));
      minAlong = first ? along : std::min(minAlong, along);
      maxAlong = first ? along : std::max(maxAlong, along);
      first = false;
    }
  }
  const double minAbsAlong = minAlong > 0.0 ? minAlong : maxAlong < 0.0 ? -maxAlong : 0.0;
  const double across = maxAcross - u.extent[0];
  return across <= -kMargin && across + kMargin < minAbsAlong - u.extent[1];
}

inline ShaderFragmentVariant FragmentVariantFor(const ShaderFragmentUniforms& u, float frameWidth = 0.0f,
                                                float frameHeight = 0.0f) {
  ShaderFragmentVariant variant;
  if (u.type == 0) {
    const bool solid = u.innerCol[0] == u.outerCol[0] && u.innerCol[1] == u.outerCol[1] &&
                       u.innerCol[2] == u.outerCol[2] && u.innerCol[3] == u.outerCol[3];
    variant.paint = solid                                              ? ShaderPaint::Solid
                    : GradientIsLinearOver(u, frameWidth, frameHeight) ? ShaderPaint::LinearGradient
                                                                       : ShaderPaint::Gradient;
  } else if (u.type == 1) {
    variant.paint = ShaderPaint::Image;
  } else if (u.type == 2) {
    variant.paint = ShaderPaint::Text;
  }
  bool wholeFrame =
      u.scissorExt[0] == 1.0f && u.scissorExt[1] == 1.0f && u.scissorScale[0] == 1.0f && u.scissorScale[1] == 1.0f;
  for (float m : u.scissorMat) wholeFrame = wholeFrame && m == 0.0f;
  variant.scissor = !wholeFrame;
  variant.strokeDiscard = !(u.strokeThr <= -1.0f);
  return variant;
}

// Bytes of fragment buffer 0 one draw reads, from the offset set for that draw.
constexpr size_t kFragmentUniformBytes = sizeof(ShaderFragmentUniforms);
// The fragment functions see fragment buffer 0 as a window of records 256 bytes apart (one record per
// slot, as the renderer's back end lays them out) and take the draw's record index from its first
// instance, which the vertex function passes on: moving the offset within the window then changes no
// state at all. 16 KiB is the smallest uniform range every Vulkan device allows.
constexpr size_t kFragmentRecordStride = 256;
constexpr size_t kFragmentWindowBytes = 16384;
constexpr size_t kFragmentWindowRecords = kFragmentWindowBytes / kFragmentRecordStride;

}  // namespace platform::gpu
