#include "graphics/svg/SVGGradients.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>

namespace fx::gfx::svg {

namespace {

// Gradient references followed through href before giving up (also ends reference cycles).
constexpr int kMaxGradientChain = 16;

uint32_t WithOpacity(uint32_t rgba, double opacity) {
  const auto a = static_cast<unsigned>(std::lround(std::clamp(opacity, 0.0, 1.0) * 255.0));
  return PackRGBA(PackedRed(rgba), PackedGreen(rgba), PackedBlue(rgba), a);
}

const char* ChainAttribute(const std::vector<const TiXmlElement*>& chain, const char* name) {
  for (const TiXmlElement* el : chain)
    if (const char* v = el->Attribute(name)) return v;
  return nullptr;
}

double StopOffset(const TiXmlElement* stop) {
  SVGLength l;
  const char* v = stop->Attribute("offset");
  if (!v || !ParseLength(v, l)) return 0.0;
  return std::clamp(l.unit == kUnitPercent ? l.value / 100.0 : l.value, 0.0, 1.0);
}

uint32_t StopColor(const TiXmlElement* stop, double opacity, const SVGStyle& s) {
  uint32_t rgba = kSVGBlack;
  double stopOpacity = 1.0;
  auto apply = [&](std::string_view name, std::string_view value) {
    if (name == "stop-color") {
      const SVGColorValue c = ParseColor(value);
      if (c.kind == kColorValue)
        rgba = c.rgba;
      else if (c.kind == kColorCurrent)
        rgba = s.currentColor;
    } else if (name == "stop-opacity") {
      ParseOpacity(value, stopOpacity);
    }
  };
  for (const TiXmlAttribute* a = stop->FirstAttribute(); a; a = a->Next()) apply(a->Name(), Trim(a->Value()));
  if (const char* css = stop->Attribute("style")) ForEachDeclaration(css, apply);
  return WithOpacity(rgba, stopOpacity * opacity);
}

// The stops of the first gradient of the chain that has any; offsets never decrease.
void ReadStops(const std::vector<const TiXmlElement*>& chain, double opacity, const SVGStyle& s,
               std::vector<SVGGradientStop>& stops) {
  for (const TiXmlElement* el : chain) {
    for (const TiXmlElement* c = el->FirstChildElement(); c; c = c->NextSiblingElement()) {
      if (LocalName(c) != "stop") continue;
      SVGGradientStop stop;
      stop.offset = static_cast<float>(StopOffset(c));
      if (!stops.empty()) stop.offset = std::max(stop.offset, stops.back().offset);
      stop.color = StopColor(c, opacity, s);
      stops.push_back(stop);
    }
    if (!stops.empty()) return;
  }
}

}  // namespace

void SVGGradients::Index(const TiXmlElement* root, int maxDepth) {
  IndexElement(root, 0, maxDepth);
}

void SVGGradients::IndexElement(const TiXmlElement* el, int depth, int maxDepth) {
  if (depth > maxDepth) return;
  const std::string_view name = LocalName(el);
  if (name == "linearGradient" || name == "radialGradient")
    if (const char* id = el->Attribute("id")) mGradients.try_emplace(id, el);
  for (const TiXmlElement* c = el->FirstChildElement(); c; c = c->NextSiblingElement())
    IndexElement(c, depth + 1, maxDepth);
}

SVGPaint SVGGradients::ResolvePaint(const SVGColorValue& c, double opacity, const SVGStyle& s,
                                    const float* localBounds) const {
  SVGPaint paint;
  if (c.kind == kColorValue || c.kind == kColorCurrent) {
    paint.type = kPaintColor;
    paint.color = WithOpacity(c.kind == kColorValue ? c.rgba : s.currentColor, opacity);
  } else if (c.kind == kColorUrl) {
    paint.gradient = ResolveGradient(c.id, opacity, s, localBounds, paint.type);
  }
  return paint;
}

// The gradient and the ones its href chain names, nearest first.
std::vector<const TiXmlElement*> SVGGradients::GradientChain(const std::string& id) const {
  std::vector<const TiXmlElement*> chain;
  auto it = mGradients.find(id);
  while (it != mGradients.end() && static_cast<int>(chain.size()) < kMaxGradientChain) {
    chain.push_back(it->second);
    const char* href = it->second->Attribute("xlink:href");
    if (!href) href = it->second->Attribute("href");
    if (!href || href[0] != '#') break;
    it = mGradients.find(href + 1);
  }
  return chain;
}

// A gradient coordinate: a fraction of the bounding box, or a length in user space.
double SVGGradients::GradientCoord(const char* v, bool boxUnits, EAxis axis, double defaultFraction,
                                   const SVGStyle& s) const {
  SVGLength l;
  if (!v || !ParseLength(v, l)) return boxUnits ? defaultFraction : defaultFraction * mViewport.PercentReference(axis);
  if (boxUnits) return l.unit == kUnitPercent ? l.value / 100.0 : l.value;
  return mViewport.ToUser(l, axis, s.fontSize);
}

std::unique_ptr<SVGGradient> SVGGradients::ResolveGradient(const std::string& id, double opacity, const SVGStyle& s,
                                                           const float* localBounds, int& type) const {
  const std::vector<const TiXmlElement*> chain = GradientChain(id);
  if (chain.empty()) return nullptr;
  auto g = std::make_unique<SVGGradient>();
  ReadStops(chain, opacity, s, g->stops);
  if (g->stops.empty()) return nullptr;
  const bool linear = LocalName(chain[0]) == "linearGradient";
  const char* units = ChainAttribute(chain, "gradientUnits");
  const bool box = !units || std::string_view(units) != "userSpaceOnUse";
  auto coord = [&](const char* name, EAxis axis, double fraction) {
    return GradientCoord(ChainAttribute(chain, name), box, axis, fraction, s);
  };

  SVGXform unit;
  if (linear) {
    const double x1 = coord("x1", kAxisX, 0.0);
    const double y1 = coord("y1", kAxisY, 0.0);
    const double dx = coord("x2", kAxisX, 1.0) - x1;
    const double dy = coord("y2", kAxisY, 0.0) - y1;
    unit = SVGXform{{dy, -dx, dx, dy, x1, y1}};
  } else {
    const double cx = coord("cx", kAxisX, 0.5);
    const double cy = coord("cy", kAxisY, 0.5);
    const double r = coord("r", kAxisOther, 0.5);
    const char* fxAttr = ChainAttribute(chain, "fx");
    const char* fyAttr = ChainAttribute(chain, "fy");
    const double fx = fxAttr ? coord("fx", kAxisX, 0.5) : cx;
    const double fy = fyAttr ? coord("fy", kAxisY, 0.5) : cy;
    unit = SVGXform{{r, 0.0, 0.0, r, cx, cy}};
    if (r > 0.0) {
      g->fx = static_cast<float>((fx - cx) / r);
      g->fy = static_cast<float>((fy - cy) / r);
    }
  }
  SVGXform gradientTransform;
  if (const char* t = ChainAttribute(chain, "gradientTransform")) ParseTransformList(t, gradientTransform);
  SVGXform box2user;
  if (box)
    box2user = SVGXform{
        {localBounds[2] - localBounds[0], 0.0, 0.0, localBounds[3] - localBounds[1], localBounds[0], localBounds[1]}};
  const SVGXform total =
      SVGXform::Compose(s.xform, SVGXform::Compose(box2user, SVGXform::Compose(gradientTransform, unit)));
  const SVGXform inverse = total.Inverse();
  for (int i = 0; i < 6; ++i) g->xform[i] = static_cast<float>(inverse.m[i]);
  if (const char* spread = ChainAttribute(chain, "spreadMethod"))
    g->spread = std::max(0, Keyword(spread, {"pad", "reflect", "repeat"}));
  type = linear ? kPaintLinearGradient : kPaintRadialGradient;
  return g;
}

}  // namespace fx::gfx::svg
