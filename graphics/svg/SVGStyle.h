// The style cascade of the SVG reader: the presentation state an element inherits from its parent and
// passes on to its children, and how an element changes it (its transform, its presentation attributes,
// then the declarations of its style attribute). Plain values and functions: one document, one thread.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "graphics/svg/SVGColor.h"
#include "graphics/svg/SVGImage.h"
#include "graphics/svg/SVGNumbers.h"
#include "graphics/svg/SVGViewport.h"
#include "graphics/svg/SVGXform.h"

class TiXmlElement;

namespace fx::gfx::svg {

constexpr uint32_t kSVGBlack = PackRGBA(0, 0, 0, 255);

struct SVGStyle {
  SVGXform xform;  // user space of the element to picture units
  SVGColorValue fill{kColorValue, kSVGBlack, {}};
  SVGColorValue stroke{kColorNone, 0, {}};
  uint32_t currentColor = kSVGBlack;
  double opacity = 1.0;  // the product of the element's and its ancestors' opacities
  double ownOpacity = 1.0;
  double fillOpacity = 1.0;
  double strokeOpacity = 1.0;
  double strokeWidth = 1.0;
  std::vector<double> dashes;
  double dashOffset = 0.0;
  int lineJoin = kSVGJoinMiter;
  int lineCap = kSVGCapButt;
  double miterLimit = 4.0;
  int fillRule = kSVGFillNonZero;
  double fontSize = kSVGDefaultFontSize;
  bool visible = true;
  bool displayed = true;
};

// The element's name without an "svg:" prefix.
std::string_view LocalName(const TiXmlElement* el);

// An opacity ("0.5" or "50%") clamped to 0..1; false, value unchanged, for anything else.
bool ParseOpacity(std::string_view text, double& value);

// The element's transform, presentation attributes and style declarations applied on top of what style
// holds (the parent's state); "inherit" and values that do not parse leave a property as it was.
void ApplyElementStyle(const TiXmlElement* el, const SVGViewport& viewport, SVGStyle& style);

// Calls func(name, value) for each declaration of "name: value; name: value", blanks anywhere;
// "!important" is dropped.
template <class Func>
void ForEachDeclaration(std::string_view css, Func&& func) {
  while (!css.empty()) {
    const size_t semi = css.find(';');
    const std::string_view decl = css.substr(0, semi);
    css = semi == std::string_view::npos ? std::string_view() : css.substr(semi + 1);
    const size_t colon = decl.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = Trim(decl.substr(colon + 1));
    const size_t bang = value.find('!');
    if (bang != std::string_view::npos) value = Trim(value.substr(0, bang));
    func(Trim(decl.substr(0, colon)), value);
  }
}

}  // namespace fx::gfx::svg
