// Turns drawing commands (move, line, quadratic, cubic, elliptical arc, close) into SVG paths made only of
// cubic Bézier segments, and reads the path-data mini-language ("M10 10 l5.5-3 ...") into those commands.
// Coordinates stay in the element's own user space; the document reader transforms them afterwards.
// Plain objects: one thread at a time.
#pragma once

#include "graphics/svg/SVGImage.h"

#include <string_view>
#include <vector>

namespace fx::gfx::svg {

class SVGPathBuilder {
 public:
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y);
  void QuadTo(double cx, double cy, double x, double y);
  // SVG's endpoint form: radii, x-axis rotation in degrees, the two flags and the end point.
  void ArcTo(double rx, double ry, double rotation, bool largeArc, bool sweep, double x, double y);
  // Joins the end back to the start with a line when they differ; the next command starts a new path there.
  void Close();

  double CurrentX() const { return mX; }
  double CurrentY() const { return mY; }
  // Ends the path in progress and hands over every path with at least one segment.
  std::vector<SVGPath> TakePaths();

 private:
  void EnsureStarted();
  void AddPoint(double x, double y);
  void FinishPath(bool closed);

  std::vector<SVGPath> mPaths;
  std::vector<float> mPts;
  bool mStarted = false;
  double mX = 0.0;
  double mY = 0.0;
  double mStartX = 0.0;
  double mStartY = 0.0;
};

// Reads the value of a path's "d" attribute into the builder. Reading stops at the first error, keeping
// what came before it (as SVG renderers do); answers whether the whole text was read.
bool ParsePathData(std::string_view d, SVGPathBuilder& builder);

// The tight bounds (min x, min y, max x, max y) of a path of cubic segments.
void CubicPathBounds(const float* pts, int npts, float bounds[4]);

}  // namespace fx::gfx::svg
