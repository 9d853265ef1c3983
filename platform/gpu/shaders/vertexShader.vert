// Maps the renderer's points to clip space with the frame's size; y grows downwards, as in the image. Hands
// the draw's fragment record (its first instance) to the fragment function.
#version 450

layout(location = 0) in vec2 vertex;
layout(location = 1) in vec2 tcoord;

layout(set = 0, binding = 0) uniform ViewSize {
  vec2 viewSize;
};

layout(location = 0) out vec2 ftcoord;
layout(location = 1) out vec2 fpos;

#extension GL_GOOGLE_include_directive : require
#define FLAT_RECORD_OUT
#include "FragmentRecords.glsl"

void main() {
  ftcoord = tcoord;
  fpos = vertex;
  WriteFlatRecord(gl_InstanceIndex);
  gl_Position = vec4(2.0 * vertex.x / viewSize.x - 1.0, 2.0 * vertex.y / viewSize.y - 1.0, 0.0, 1.0);
}
