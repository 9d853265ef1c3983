// The records the shader library reads, written once here for the C++ side; the GLSL side declares the
// same layout (std140) and a test checks the offsets. Any thread.
#pragma once

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

// Bytes of fragment buffer 0 one draw reads, from the offset set for that draw.
constexpr size_t kFragmentUniformBytes = sizeof(ShaderFragmentUniforms);
// The fragment functions see fragment buffer 0 as a window of records 256 bytes apart (one record per
// slot, as the renderer's back end lays them out) and take the draw's record index from a push constant:
// moving the offset within the window then costs no descriptor work. 16 KiB is the smallest uniform
// range every Vulkan device allows.
constexpr size_t kFragmentRecordStride = 256;
constexpr size_t kFragmentWindowBytes = 16384;
constexpr size_t kFragmentWindowRecords = kFragmentWindowBytes / kFragmentRecordStride;

}  // namespace platform::gpu
