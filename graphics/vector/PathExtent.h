// What the editor's drawing back end knows of the path it is building, in the renderer's frame units: the bounds of
// its points and whether it is exactly one axis-aligned rectangle; and the box around the renderer's scissor. With
// them a fill or stroke that the scissor hides is left out and a rectangle the scissor cuts is trimmed, as the
// renderer applies its scissor to each pixel it shades, after shading it. A plain value: main thread.
#pragma once

#include "graphics/IRECT.h"
#include "graphics/vector/VRPaint.h"

namespace fx::gfx {

class PathExtent {
 public:
  // No point: the bounds are unknown and the path is no rectangle.
  void Clear();
  // A corner of a polygon; move starts a sub-path.
  void AddCorner(float x, float y, bool move);
  // A point that bounds a curve (a control point, a corner of an arc's square): the path is no rectangle.
  void AddCurvePoint(float x, float y);
  // Something other than corners decides the shape (a winding set by hand, a transform changed midway).
  void ForgetRectangle() { mCorners = kNotARectangle; }

  // Whether the path has points and their bounds are finite.
  bool HasBounds() const;
  const IRECT& Bounds() const { return mBounds; }
  // The path as L, T, R, B when it is one sub-path of four corners that are the corners of an axis-aligned rectangle
  // of some area, in either direction; false otherwise.
  bool IsRectangle(IRECT& rect) const;

 private:
  static constexpr int kNotARectangle = -1;

  void Extend(float x, float y);

  IRECT mBounds;
  bool mHasPoints = false;
  float mX[4] = {};
  float mY[4] = {};
  int mCorners = 0;
};

// The axis-aligned box around the scissor, in frame units; false when the scissor is off.
bool ScissorBox(const VRscissor& scissor, IRECT& box);

}  // namespace fx::gfx
