// The shapes of the SVG reader: the basic shape elements (path, rect with corner radii, circle, ellipse,
// line, polyline, polygon) as cubic paths in the element's user space, and the finished shape, its paths
// moved into picture space with bounds, paints and stroke in picture units. One document, one thread.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "graphics/svg/SVGGradients.h"
#include "graphics/svg/SVGImage.h"
#include "graphics/svg/SVGPathBuilder.h"
#include "graphics/svg/SVGStyle.h"
#include "graphics/svg/SVGViewport.h"

class TiXmlElement;

namespace fx::gfx::svg {

// Whether the element name (without prefix) is one of the shapes read.
bool IsShape(std::string_view name);

// The shape element's geometry in its own user space; a shape with a missing or non-positive size adds
// nothing.
void BuildShapeGeometry(const TiXmlElement* el, std::string_view name, const SVGStyle& style,
                        const SVGViewport& viewport, SVGPathBuilder& builder);

// The finished shape of the paths (user space) under the style; nothing without paths.
std::optional<SVGShape> MakeShape(std::vector<SVGPath> paths, const SVGStyle& style, const SVGGradients& paints);

}  // namespace fx::gfx::svg
