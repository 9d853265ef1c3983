// The reader's user space. The root <svg>'s width, height, viewBox and preserveAspectRatio become the
// transform from user space into the picture's units and the picture's size; lengths with units
// (percentages of the viewport, ems of the font size, physical units at the caller's resolution) become
// user-space numbers. One per document read: one thread.
#pragma once

#include "graphics/svg/SVGNumbers.h"
#include "graphics/svg/SVGXform.h"

class TiXmlElement;

namespace fx::gfx::svg {

constexpr double kSVGDefaultFontSize = 16.0;

// What a percentage length refers to: the viewport's width, its height, or its normalized diagonal.
enum EAxis : int { kAxisX = 0, kAxisY, kAxisOther };

class SVGViewport {
 public:
  // units: the picture's units ("px", "pt", "mm", ...; null reads as "px"); dpi: pixels per inch.
  SVGViewport(const char* units, double dpi);

  // Reads the root's size, viewBox and aspect rule: xform maps user space into picture units, width and
  // height are the picture's size in them. Answers whether a size was given (a viewBox, or width and height).
  bool Read(const TiXmlElement* root, SVGXform& xform, float& width, float& height);

  double ToUser(const SVGLength& length, EAxis axis, double fontSize) const;
  // The attribute as a user-space length; fallback when it is missing or not a length.
  double LengthAttr(const TiXmlElement* el, const char* name, EAxis axis, double fallback, double fontSize) const;
  double PercentReference(EAxis axis) const;

 private:
  double UnitScale() const;
  bool ReadRootLength(const TiXmlElement* root, const char* name, EAxis axis, double& value) const;

  ESVGUnit mUnits;
  double mDpi;
  double mViewW = 100.0;
  double mViewH = 100.0;
};

}  // namespace fx::gfx::svg
