#include "graphics/svg/SVGStyle.h"

#include <tinyxml.h>

#include <algorithm>

#include "graphics/svg/SVGViewport.h"

namespace fx::gfx::svg {

namespace {

// A list with a negative length or a zero total turns dashing off; an odd list is repeated once (SVG rule).
void ReadDashes(SVGStyle& s, std::string_view value, const SVGViewport& viewport) {
  s.dashes.clear();
  double total = 0.0;
  for (std::string_view item : SplitList(value)) {
    SVGLength l;
    if (!ParseLength(item, l) || l.value < 0.0) {
      s.dashes.clear();
      return;
    }
    s.dashes.push_back(viewport.ToUser(l, kAxisOther, s.fontSize));
    total += s.dashes.back();
  }
  if (!(total > 0.0)) {
    s.dashes.clear();
    return;
  }
  if (s.dashes.size() % 2 == 1) s.dashes.insert(s.dashes.end(), s.dashes.begin(), s.dashes.end());
}

void ApplyProperty(SVGStyle& s, std::string_view name, std::string_view value, const SVGViewport& viewport) {
  if (value == "inherit") return;
  SVGLength l;
  double number = 0.0;
  if (name == "fill" || name == "stroke") {
    SVGColorValue c = ParseColor(value);
    if (c.kind != kColorInvalid) (name == "fill" ? s.fill : s.stroke) = std::move(c);
  } else if (name == "color") {
    const SVGColorValue c = ParseColor(value);
    if (c.kind == kColorValue) s.currentColor = c.rgba;
  } else if (name == "opacity" && ParseOpacity(value, number))
    s.ownOpacity = number;
  else if (name == "fill-opacity" && ParseOpacity(value, number))
    s.fillOpacity = number;
  else if (name == "stroke-opacity" && ParseOpacity(value, number))
    s.strokeOpacity = number;
  else if (name == "stroke-width" && ParseLength(value, l) && l.value >= 0.0)
    s.strokeWidth = viewport.ToUser(l, kAxisOther, s.fontSize);
  else if (name == "stroke-dasharray")
    ReadDashes(s, value, viewport);
  else if (name == "stroke-dashoffset" && ParseLength(value, l))
    s.dashOffset = viewport.ToUser(l, kAxisOther, s.fontSize);
  else if (name == "stroke-linejoin" && Keyword(value, {"miter", "round", "bevel"}) >= 0)
    s.lineJoin = Keyword(value, {"miter", "round", "bevel"});
  else if (name == "stroke-linecap" && Keyword(value, {"butt", "round", "square"}) >= 0)
    s.lineCap = Keyword(value, {"butt", "round", "square"});
  else if (name == "stroke-miterlimit" && ParseLength(value, l) && l.unit == kUnitUser && l.value >= 1.0)
    s.miterLimit = l.value;
  else if (name == "fill-rule" && Keyword(value, {"nonzero", "evenodd"}) >= 0)
    s.fillRule = Keyword(value, {"nonzero", "evenodd"});
  else if (name == "display")
    s.displayed = s.displayed && value != "none";
  else if (name == "visibility")
    s.visible = value == "visible";
  else if (name == "font-size" && ParseLength(value, l) && l.value > 0.0)
    s.fontSize = viewport.ToUser(l, kAxisOther, s.fontSize);
}

}  // namespace

std::string_view LocalName(const TiXmlElement* el) {
  std::string_view name(el->Value());
  if (name.substr(0, 4) == "svg:") name.remove_prefix(4);
  return name;
}

bool ParseOpacity(std::string_view text, double& value) {
  SVGLength l;
  if (!ParseLength(text, l) || (l.unit != kUnitUser && l.unit != kUnitPercent)) return false;
  value = std::clamp(l.unit == kUnitPercent ? l.value / 100.0 : l.value, 0.0, 1.0);
  return true;
}

void ApplyElementStyle(const TiXmlElement* el, const SVGViewport& viewport, SVGStyle& s) {
  s.ownOpacity = 1.0;
  for (const TiXmlAttribute* a = el->FirstAttribute(); a; a = a->Next()) {
    const std::string_view name(a->Name());
    if (name == "transform") {
      SVGXform t;
      if (ParseTransformList(a->Value(), t)) s.xform = SVGXform::Compose(s.xform, t);
    } else if (name != "style") {
      ApplyProperty(s, name, Trim(a->Value()), viewport);
    }
  }
  if (const char* css = el->Attribute("style"))
    ForEachDeclaration(css, [&](std::string_view n, std::string_view v) { ApplyProperty(s, n, v, viewport); });
  s.opacity *= s.ownOpacity;
}

}  // namespace fx::gfx::svg
