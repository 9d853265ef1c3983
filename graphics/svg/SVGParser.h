// The SVG reader of the graphics core.
//
// In: the bytes of an SVG document, the units the caller wants the picture in ("px", "pt", "mm", ...) and
// the resolution at which physical units become pixels. Out: an SVGImage whose shapes hold cubic paths in
// those units, with every nested transform and the root viewBox applied and stroke widths and dashes
// scaled alike; or nothing when the document is not well-formed XML with an <svg> root.
//
// Stages: XML parse (TinyXML) -> gradient index by id (so references may point forward) -> one walk of the
// element tree carrying the inherited presentation state -> per shape: path building in user space,
// transform into picture space, paints resolved (gradients against the shape's own bounding box).
// Files: SVGParser.cpp (parse and walk), SVGViewport (size, viewBox, units), SVGStyle (the cascade),
// SVGShapes (shape geometry and the finished shape), SVGGradients (paints).
//
// Read: svg, g, a, defs (gradients only), path, rect (with corner radii), circle, ellipse, line, polyline,
// polygon, linearGradient, radialGradient and stop; presentation attributes and the style attribute.
// Deliberately left out: text, images, use, clip paths, masks, markers, patterns, filters, CSS style
// sheets and nested viewports (inner <svg> elements are read as groups).
//
// Thread: any; the reader keeps no state between calls.
#pragma once

#include "graphics/svg/SVGImage.h"

#include <cstddef>
#include <memory>

namespace fx::gfx::svg {

// Reads at most `size` bytes of `data` (stopping at a zero byte). Null for a null or empty input, a
// resolution that is not a positive number, malformed XML, a root other than <svg>, or nesting deeper
// than the reader follows.
std::unique_ptr<SVGImage> ParseSVG(const char* data, std::size_t size, const char* units, float dpi);

}  // namespace fx::gfx::svg
