// The paints of the SVG reader: plain colours with their opacity, and linear and radial gradients found
// by id (references may point forward, and a gradient inherits what it leaves out through its href chain),
// with their stops, units, transform and spread resolved against the shape's bounding box into the
// gradient-to-picture transform the renderer takes. One per document read: one thread.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "graphics/svg/SVGColor.h"
#include "graphics/svg/SVGImage.h"
#include "graphics/svg/SVGStyle.h"
#include "graphics/svg/SVGViewport.h"

class TiXmlElement;

namespace fx::gfx::svg {

class SVGGradients {
 public:
  // The viewport converts gradient lengths; it must outlive this object.
  explicit SVGGradients(const SVGViewport& viewport) : mViewport(viewport) {}

  // Indexes every gradient element under root, to maxDepth levels below it; the first of an id counts.
  void Index(const TiXmlElement* root, int maxDepth);

  // The paint of a fill or stroke value at the given opacity. localBounds: the shape's bounds in its own
  // user space (min x, min y, max x, max y), for gradients in bounding-box units. A reference to no
  // gradient, or to one without stops, paints nothing.
  SVGPaint ResolvePaint(const SVGColorValue& color, double opacity, const SVGStyle& style,
                        const float* localBounds) const;

 private:
  void IndexElement(const TiXmlElement* el, int depth, int maxDepth);
  std::vector<const TiXmlElement*> GradientChain(const std::string& id) const;
  double GradientCoord(const char* v, bool boxUnits, EAxis axis, double defaultFraction, const SVGStyle& s) const;
  std::unique_ptr<SVGGradient> ResolveGradient(const std::string& id, double opacity, const SVGStyle& s,
                                               const float* localBounds, int& type) const;

  const SVGViewport& mViewport;
  std::unordered_map<std::string, const TiXmlElement*> mGradients;
};

}  // namespace fx::gfx::svg
