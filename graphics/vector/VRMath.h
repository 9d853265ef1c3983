// Small geometric helpers shared by the renderer's stages.
#pragma once

#include <cmath>

constexpr float kVrPi = 3.1415927f;

// z of the cross product of (dx1, dy1) and (dx0, dy0): positive when the turn from direction 0 to 1 is to the left
// on a y-down screen.
inline float vrCross(float dx0, float dy0, float dx1, float dy1) {
  return dx1 * dy0 - dx0 * dy1;
}

// Normalises (x, y) in place and returns its former length; vectors of length 1e-6 or less are left as they are.
inline float vrNormalize(float* x, float* y) {
  float d = std::sqrt((*x) * (*x) + (*y) * (*y));
  if (d > 1e-6f) {
    float id = 1.0f / d;
    *x *= id;
    *y *= id;
  }
  return d;
}

// The mean of the lengths of a transform's two axis images: how much it scales a line width.
inline float vrAverageScale(const float* t) {
  return (std::sqrt(t[0] * t[0] + t[2] * t[2]) + std::sqrt(t[1] * t[1] + t[3] * t[3])) * 0.5f;
}
