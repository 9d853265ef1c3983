#include "graphics/svg/SVGParser.h"

#include "graphics/svg/SVGColor.h"
#include "graphics/svg/SVGNumbers.h"
#include "graphics/svg/SVGPathBuilder.h"
#include "graphics/svg/SVGXform.h"
#include "graphics/svg/XMLNesting.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

namespace fx::gfx::svg {

namespace {

// Deeper documents are refused: the XML parser and the walk both recurse once per level.
constexpr int kMaxNesting = 128;
// Gradient references followed through href before giving up (also ends reference cycles).
constexpr int kMaxGradientChain = 16;
// Control distance of a quarter circle drawn as one cubic: 4/3 (sqrt(2) - 1).
constexpr double kKappa = 0.5522847493;
constexpr double kDefaultFontSize = 16.0;
// Read byte by byte, the XML parser would take the mark for text before the root element.
constexpr const char* kUTF8ByteOrderMark = "\xEF\xBB\xBF";
const uint32_t kBlack = PackRGBA(0, 0, 0, 255);

enum EAxis : int { kAxisX = 0, kAxisY, kAxisOther };

// The presentation state an element inherits from its parent and passes on to its children.
struct Style
{
  SVGXform xform;
  SVGColorValue fill{kColorValue, kBlack, {}};
  SVGColorValue stroke{kColorNone, 0, {}};
  uint32_t currentColor = kBlack;
  double opacity = 1.0; // the product of the element's and its ancestors' opacities
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
  double fontSize = kDefaultFontSize;
  bool visible = true;
  bool displayed = true;
};

std::string_view LocalName(const TiXmlElement* el)
{
  std::string_view name(el->Value());
  if (name.substr(0, 4) == "svg:")
    name.remove_prefix(4);
  return name;
}

bool ParseOpacity(std::string_view text, double& value)
{
  SVGLength l;
  if (!ParseLength(text, l) || (l.unit != kUnitUser && l.unit != kUnitPercent))
    return false;
  value = std::clamp(l.unit == kUnitPercent ? l.value / 100.0 : l.value, 0.0, 1.0);
  return true;
}

int Keyword(std::string_view value, std::initializer_list<std::string_view> words)
{
  int i = 0;
  for (std::string_view w : words)
  {
    if (w == value)
      return i;
    ++i;
  }
  return -1;
}

// Splits "a, b c" into its items.
std::vector<std::string_view> SplitList(std::string_view text)
{
  std::vector<std::string_view> items;
  size_t i = 0;
  while (i < text.size())
  {
    while (i < text.size() && (IsSpace(text[i]) || text[i] == ','))
      ++i;
    const size_t start = i;
    while (i < text.size() && !IsSpace(text[i]) && text[i] != ',')
      ++i;
    if (i > start)
      items.push_back(text.substr(start, i - start));
  }
  return items;
}

void UnionBounds(float* into, const float* b, bool first)
{
  if (first)
  {
    std::copy(b, b + 4, into);
    return;
  }
  into[0] = std::min(into[0], b[0]);
  into[1] = std::min(into[1], b[1]);
  into[2] = std::max(into[2], b[2]);
  into[3] = std::max(into[3], b[3]);
}

class DocumentReader
{
public:
  DocumentReader(const char* units, double dpi) : mUnits(UnitFromName(units ? units : "px")), mDpi(dpi) {}

  std::unique_ptr<SVGImage> Read(const TiXmlElement* root)
  {
    mImage = std::make_unique<SVGImage>();
    IndexGradients(root, 0);
    Style style;
    const bool hasSize = ReadViewport(root, style);
    ApplyAttributes(root, style);
    WalkChildren(root, style, 1);
    if (!hasSize)
      SizeFromShapes();
    return std::move(mImage);
  }

private:
  double UnitScale() const
  {
    return (mUnits == kUnitUser || mUnits == kUnitPercent) ? 1.0 : UnitToPixels(mUnits, mDpi, 0.0, kDefaultFontSize);
  }

  double PercentReference(EAxis axis) const
  {
    if (axis == kAxisX)
      return mViewW;
    if (axis == kAxisY)
      return mViewH;
    return std::sqrt(mViewW * mViewW + mViewH * mViewH) / std::sqrt(2.0);
  }

  double ToUser(const SVGLength& l, EAxis axis, double fontSize) const
  {
    return l.value * UnitToPixels(l.unit, mDpi, PercentReference(axis), fontSize);
  }

  double LengthAttr(const TiXmlElement* el, const char* name, EAxis axis, double fallback, double fontSize) const
  {
    const char* v = el->Attribute(name);
    SVGLength l;
    if (!v || !ParseLength(v, l))
      return fallback;
    return ToUser(l, axis, fontSize);
  }

  // The root's size, viewBox and aspect rule become the starting transform. Answers whether a size was given.
  bool ReadViewport(const TiXmlElement* root, Style& style)
  {
    double vb[4] = {};
    bool hasViewBox = false;
    if (const char* v = root->Attribute("viewBox"))
    {
      const char* p = v;
      const char* end = v + std::strlen(v);
      hasViewBox = ReadNumber(p, end, vb[0]) && ReadNumber(p, end, vb[1]) && ReadNumber(p, end, vb[2]) &&
                   ReadNumber(p, end, vb[3]) && vb[2] > 0.0 && vb[3] > 0.0;
    }
    mViewW = hasViewBox ? vb[2] : 100.0;
    mViewH = hasViewBox ? vb[3] : 100.0;
    double w = 0.0;
    double h = 0.0;
    const bool hasW = ReadRootLength(root, "width", kAxisX, w);
    const bool hasH = ReadRootLength(root, "height", kAxisY, h);
    if (hasViewBox)
    {
      if (!hasW && !hasH)
      {
        w = vb[2];
        h = vb[3];
      }
      else if (!hasW)
      {
        w = vb[2] * h / vb[3];
      }
      else if (!hasH)
      {
        h = vb[3] * w / vb[2];
      }
    }
    else
    {
      mViewW = hasW ? w : mViewW;
      mViewH = hasH ? h : mViewH;
    }

    const double unitScale = UnitScale();
    style.xform = SVGXform::Scale(1.0 / unitScale, 1.0 / unitScale);
    if (hasViewBox)
      style.xform = SVGXform::Compose(style.xform, ViewBoxTransform(root, vb, w, h));
    mImage->width = static_cast<float>(w / unitScale);
    mImage->height = static_cast<float>(h / unitScale);
    return hasViewBox || (hasW && hasH);
  }

  bool ReadRootLength(const TiXmlElement* root, const char* name, EAxis axis, double& value) const
  {
    const char* v = root->Attribute(name);
    SVGLength l;
    if (!v || !ParseLength(v, l) || l.value <= 0.0)
      return false;
    value = ToUser(l, axis, kDefaultFontSize);
    return true;
  }

  // preserveAspectRatio: "none" stretches; otherwise uniform, "meet" (default) fits and "slice" fills.
  static SVGXform ViewBoxTransform(const TiXmlElement* root, const double* vb, double w, double h)
  {
    std::string_view rule = root->Attribute("preserveAspectRatio") ? root->Attribute("preserveAspectRatio") : "";
    const std::vector<std::string_view> words = SplitList(rule);
    const std::string_view align = words.empty() ? "xMidYMid" : words[0];
    const bool slice = words.size() > 1 && words[1] == "slice";
    double sx = w / vb[2];
    double sy = h / vb[3];
    double tx = 0.0;
    double ty = 0.0;
    if (align != "none")
    {
      const double s = slice ? std::max(sx, sy) : std::min(sx, sy);
      const double fx = align.find("xMid") != std::string_view::npos ? 0.5 : align.find("xMax") != std::string_view::npos ? 1.0 : 0.0;
      const double fy = align.find("YMid") != std::string_view::npos ? 0.5 : align.find("YMax") != std::string_view::npos ? 1.0 : 0.0;
      tx = (w - vb[2] * s) * fx;
      ty = (h - vb[3] * s) * fy;
      sx = sy = s;
    }
    return SVGXform::Compose(SVGXform::Translate(tx, ty),
                             SVGXform::Compose(SVGXform::Scale(sx, sy), SVGXform::Translate(-vb[0], -vb[1])));
  }

  void IndexGradients(const TiXmlElement* el, int depth)
  {
    if (depth > kMaxNesting)
      return;
    const std::string_view name = LocalName(el);
    if (name == "linearGradient" || name == "radialGradient")
      if (const char* id = el->Attribute("id"))
        mGradients.try_emplace(id, el);
    for (const TiXmlElement* c = el->FirstChildElement(); c; c = c->NextSiblingElement())
      IndexGradients(c, depth + 1);
  }

  void ApplyAttributes(const TiXmlElement* el, Style& s) const
  {
    s.ownOpacity = 1.0;
    for (const TiXmlAttribute* a = el->FirstAttribute(); a; a = a->Next())
    {
      const std::string_view name(a->Name());
      if (name == "transform")
      {
        SVGXform t;
        if (ParseTransformList(a->Value(), t))
          s.xform = SVGXform::Compose(s.xform, t);
      }
      else if (name != "style")
      {
        ApplyProperty(s, name, Trim(a->Value()));
      }
    }
    if (const char* css = el->Attribute("style"))
      ForEachDeclaration(css, [&](std::string_view n, std::string_view v) { ApplyProperty(s, n, v); });
    s.opacity *= s.ownOpacity;
  }

  // "name: value; name: value" with blanks anywhere; "!important" is dropped.
  template <class Func>
  static void ForEachDeclaration(std::string_view css, Func&& func)
  {
    while (!css.empty())
    {
      const size_t semi = css.find(';');
      const std::string_view decl = css.substr(0, semi);
      css = semi == std::string_view::npos ? std::string_view() : css.substr(semi + 1);
      const size_t colon = decl.find(':');
      if (colon == std::string_view::npos)
        continue;
      std::string_view value = Trim(decl.substr(colon + 1));
      const size_t bang = value.find('!');
      if (bang != std::string_view::npos)
        value = Trim(value.substr(0, bang));
      func(Trim(decl.substr(0, colon)), value);
    }
  }

  void ApplyProperty(Style& s, std::string_view name, std::string_view value) const
  {
    if (value == "inherit")
      return;
    SVGLength l;
    double number = 0.0;
    if (name == "fill" || name == "stroke")
    {
      SVGColorValue c = ParseColor(value);
      if (c.kind != kColorInvalid)
        (name == "fill" ? s.fill : s.stroke) = std::move(c);
    }
    else if (name == "color")
    {
      const SVGColorValue c = ParseColor(value);
      if (c.kind == kColorValue)
        s.currentColor = c.rgba;
    }
    else if (name == "opacity" && ParseOpacity(value, number))
      s.ownOpacity = number;
    else if (name == "fill-opacity" && ParseOpacity(value, number))
      s.fillOpacity = number;
    else if (name == "stroke-opacity" && ParseOpacity(value, number))
      s.strokeOpacity = number;
    else if (name == "stroke-width" && ParseLength(value, l) && l.value >= 0.0)
      s.strokeWidth = ToUser(l, kAxisOther, s.fontSize);
    else if (name == "stroke-dasharray")
      ReadDashes(s, value);
    else if (name == "stroke-dashoffset" && ParseLength(value, l))
      s.dashOffset = ToUser(l, kAxisOther, s.fontSize);
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
      s.fontSize = ToUser(l, kAxisOther, s.fontSize);
  }

  // A list with a negative length or a zero total turns dashing off; an odd list is repeated once (SVG rule).
  void ReadDashes(Style& s, std::string_view value) const
  {
    s.dashes.clear();
    double total = 0.0;
    for (std::string_view item : SplitList(value))
    {
      SVGLength l;
      if (!ParseLength(item, l) || l.value < 0.0)
      {
        s.dashes.clear();
        return;
      }
      s.dashes.push_back(ToUser(l, kAxisOther, s.fontSize));
      total += s.dashes.back();
    }
    if (!(total > 0.0))
    {
      s.dashes.clear();
      return;
    }
    if (s.dashes.size() % 2 == 1)
      s.dashes.insert(s.dashes.end(), s.dashes.begin(), s.dashes.end());
  }

  void WalkChildren(const TiXmlElement* el, const Style& style, int depth)
  {
    for (const TiXmlElement* c = el->FirstChildElement(); c; c = c->NextSiblingElement())
      Walk(c, style, depth);
  }

  void Walk(const TiXmlElement* el, const Style& parent, int depth)
  {
    if (depth > kMaxNesting)
      return;
    const std::string_view name = LocalName(el);
    const bool group = name == "g" || name == "a" || name == "svg";
    if (!group && !IsShape(name))
      return; // defs, gradients, text and everything else the reader leaves out draw nothing
    Style style = parent;
    ApplyAttributes(el, style);
    if (group)
    {
      WalkChildren(el, style, depth + 1);
      return;
    }
    SVGPathBuilder builder;
    BuildGeometry(el, name, style, builder);
    AddShape(builder.TakePaths(), style);
  }

  static bool IsShape(std::string_view name)
  {
    return Keyword(name, {"path", "rect", "circle", "ellipse", "line", "polyline", "polygon"}) >= 0;
  }

  void BuildGeometry(const TiXmlElement* el, std::string_view name, const Style& s, SVGPathBuilder& b) const
  {
    auto len = [&](const char* attr, EAxis axis, double fallback) {
      return LengthAttr(el, attr, axis, fallback, s.fontSize);
    };
    if (name == "path")
    {
      if (const char* d = el->Attribute("d"))
        ParsePathData(d, b);
    }
    else if (name == "rect")
    {
      BuildRect(el, s, b);
    }
    else if (name == "circle")
    {
      const double r = len("r", kAxisOther, 0.0);
      BuildEllipse(len("cx", kAxisX, 0.0), len("cy", kAxisY, 0.0), r, r, b);
    }
    else if (name == "ellipse")
    {
      BuildEllipse(len("cx", kAxisX, 0.0), len("cy", kAxisY, 0.0), len("rx", kAxisX, 0.0), len("ry", kAxisY, 0.0), b);
    }
    else if (name == "line")
    {
      b.MoveTo(len("x1", kAxisX, 0.0), len("y1", kAxisY, 0.0));
      b.LineTo(len("x2", kAxisX, 0.0), len("y2", kAxisY, 0.0));
    }
    else
    {
      BuildPoly(el->Attribute("points"), name == "polygon", b);
    }
  }

  void BuildRect(const TiXmlElement* el, const Style& s, SVGPathBuilder& b) const
  {
    auto len = [&](const char* attr, EAxis axis, double fallback) {
      return LengthAttr(el, attr, axis, fallback, s.fontSize);
    };
    const double x = len("x", kAxisX, 0.0);
    const double y = len("y", kAxisY, 0.0);
    const double w = len("width", kAxisX, 0.0);
    const double h = len("height", kAxisY, 0.0);
    if (!(w > 0.0 && h > 0.0))
      return;
    double rx = len("rx", kAxisX, -1.0);
    double ry = len("ry", kAxisY, -1.0);
    if (rx < 0.0)
      rx = ry;
    if (ry < 0.0)
      ry = rx;
    rx = std::clamp(rx, 0.0, w / 2.0);
    ry = std::clamp(ry, 0.0, h / 2.0);
    if (rx <= 0.0 || ry <= 0.0)
    {
      b.MoveTo(x, y);
      b.LineTo(x + w, y);
      b.LineTo(x + w, y + h);
      b.LineTo(x, y + h);
      b.Close();
      return;
    }
    b.MoveTo(x + rx, y);
    b.LineTo(x + w - rx, y);
    b.ArcTo(rx, ry, 0.0, false, true, x + w, y + ry);
    b.LineTo(x + w, y + h - ry);
    b.ArcTo(rx, ry, 0.0, false, true, x + w - rx, y + h);
    b.LineTo(x + rx, y + h);
    b.ArcTo(rx, ry, 0.0, false, true, x, y + h - ry);
    b.LineTo(x, y + ry);
    b.ArcTo(rx, ry, 0.0, false, true, x + rx, y);
    b.Close();
  }

  // Four quarter arcs from the rightmost point, clockwise on screen.
  static void BuildEllipse(double cx, double cy, double rx, double ry, SVGPathBuilder& b)
  {
    if (!(rx > 0.0 && ry > 0.0))
      return;
    const double kx = rx * kKappa;
    const double ky = ry * kKappa;
    b.MoveTo(cx + rx, cy);
    b.CubicTo(cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
    b.CubicTo(cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
    b.CubicTo(cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
    b.CubicTo(cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
    b.Close();
  }

  static void BuildPoly(const char* points, bool closed, SVGPathBuilder& b)
  {
    if (!points)
      return;
    const char* p = points;
    const char* end = points + std::strlen(points);
    double x = 0.0;
    double y = 0.0;
    bool first = true;
    while (ReadNumber(p, end, x) && ReadNumber(p, end, y))
    {
      if (first)
        b.MoveTo(x, y);
      else
        b.LineTo(x, y);
      first = false;
    }
    if (closed && !first)
      b.Close();
  }

  void AddShape(std::vector<SVGPath> paths, const Style& s)
  {
    if (paths.empty())
      return;
    SVGShape shape;
    float localBounds[4] = {};
    for (size_t i = 0; i < paths.size(); ++i)
      UnionBounds(localBounds, paths[i].bounds, i == 0);
    for (size_t i = 0; i < paths.size(); ++i)
    {
      SVGPath& path = paths[i];
      for (int k = 0; k < path.npts; ++k)
      {
        double x = path.pts[2 * k];
        double y = path.pts[2 * k + 1];
        s.xform.Apply(x, y);
        path.pts[2 * k] = static_cast<float>(x);
        path.pts[2 * k + 1] = static_cast<float>(y);
      }
      CubicPathBounds(path.pts.data(), path.npts, path.bounds);
      UnionBounds(shape.bounds, path.bounds, i == 0);
    }
    shape.paths = std::move(paths);
    shape.fill = ResolvePaint(s.fill, s.fillOpacity, s, localBounds);
    shape.stroke = ResolvePaint(s.stroke, s.strokeOpacity, s, localBounds);
    const double scale = s.xform.AverageScale();
    shape.opacity = static_cast<float>(s.opacity);
    shape.strokeWidth = static_cast<float>(s.strokeWidth * scale);
    shape.strokeDashOffset = static_cast<float>(s.dashOffset * scale);
    shape.strokeDashCount = static_cast<int>(std::min<size_t>(s.dashes.size(), 8));
    for (int i = 0; i < shape.strokeDashCount; ++i)
      shape.strokeDashArray[i] = static_cast<float>(s.dashes[static_cast<size_t>(i)] * scale);
    shape.strokeLineJoin = s.lineJoin;
    shape.strokeLineCap = s.lineCap;
    shape.miterLimit = static_cast<float>(s.miterLimit);
    shape.fillRule = s.fillRule;
    shape.flags = (s.visible && s.displayed) ? kSVGFlagsVisible : 0u;
    mImage->shapes.push_back(std::move(shape));
  }

  static uint32_t WithOpacity(uint32_t rgba, double opacity)
  {
    const auto a = static_cast<unsigned>(std::lround(std::clamp(opacity, 0.0, 1.0) * 255.0));
    return PackRGBA(PackedRed(rgba), PackedGreen(rgba), PackedBlue(rgba), a);
  }

  SVGPaint ResolvePaint(const SVGColorValue& c, double opacity, const Style& s, const float* localBounds) const
  {
    SVGPaint paint;
    if (c.kind == kColorValue || c.kind == kColorCurrent)
    {
      paint.type = kPaintColor;
      paint.color = WithOpacity(c.kind == kColorValue ? c.rgba : s.currentColor, opacity);
    }
    else if (c.kind == kColorUrl)
    {
      paint.gradient = ResolveGradient(c.id, opacity, s, localBounds, paint.type);
    }
    return paint;
  }

  // The gradient and the ones its href chain names, nearest first.
  std::vector<const TiXmlElement*> GradientChain(const std::string& id) const
  {
    std::vector<const TiXmlElement*> chain;
    auto it = mGradients.find(id);
    while (it != mGradients.end() && static_cast<int>(chain.size()) < kMaxGradientChain)
    {
      chain.push_back(it->second);
      const char* href = it->second->Attribute("xlink:href");
      if (!href)
        href = it->second->Attribute("href");
      if (!href || href[0] != '#')
        break;
      it = mGradients.find(href + 1);
    }
    return chain;
  }

  static const char* ChainAttribute(const std::vector<const TiXmlElement*>& chain, const char* name)
  {
    for (const TiXmlElement* el : chain)
      if (const char* v = el->Attribute(name))
        return v;
    return nullptr;
  }

  // A gradient coordinate: a fraction of the bounding box, or a length in user space.
  double GradientCoord(const char* v, bool boxUnits, EAxis axis, double defaultFraction, const Style& s) const
  {
    SVGLength l;
    if (!v || !ParseLength(v, l))
      return boxUnits ? defaultFraction : defaultFraction * PercentReference(axis);
    if (boxUnits)
      return l.unit == kUnitPercent ? l.value / 100.0 : l.value;
    return ToUser(l, axis, s.fontSize);
  }

  std::unique_ptr<SVGGradient> ResolveGradient(const std::string& id, double opacity, const Style& s,
                                               const float* localBounds, int& type) const
  {
    const std::vector<const TiXmlElement*> chain = GradientChain(id);
    if (chain.empty())
      return nullptr;
    auto g = std::make_unique<SVGGradient>();
    ReadStops(chain, opacity, s, g->stops);
    if (g->stops.empty())
      return nullptr;
    const bool linear = LocalName(chain[0]) == "linearGradient";
    const char* units = ChainAttribute(chain, "gradientUnits");
    const bool box = !units || std::string_view(units) != "userSpaceOnUse";
    auto coord = [&](const char* name, EAxis axis, double fraction) {
      return GradientCoord(ChainAttribute(chain, name), box, axis, fraction, s);
    };

    SVGXform unit;
    if (linear)
    {
      const double x1 = coord("x1", kAxisX, 0.0);
      const double y1 = coord("y1", kAxisY, 0.0);
      const double dx = coord("x2", kAxisX, 1.0) - x1;
      const double dy = coord("y2", kAxisY, 0.0) - y1;
      unit = SVGXform{{dy, -dx, dx, dy, x1, y1}};
    }
    else
    {
      const double cx = coord("cx", kAxisX, 0.5);
      const double cy = coord("cy", kAxisY, 0.5);
      const double r = coord("r", kAxisOther, 0.5);
      const char* fxAttr = ChainAttribute(chain, "fx");
      const char* fyAttr = ChainAttribute(chain, "fy");
      const double fx = fxAttr ? coord("fx", kAxisX, 0.5) : cx;
      const double fy = fyAttr ? coord("fy", kAxisY, 0.5) : cy;
      unit = SVGXform{{r, 0.0, 0.0, r, cx, cy}};
      if (r > 0.0)
      {
        g->fx = static_cast<float>((fx - cx) / r);
        g->fy = static_cast<float>((fy - cy) / r);
      }
    }
    SVGXform gradientTransform;
    if (const char* t = ChainAttribute(chain, "gradientTransform"))
      ParseTransformList(t, gradientTransform);
    SVGXform box2user;
    if (box)
      box2user = SVGXform{{localBounds[2] - localBounds[0], 0.0, 0.0, localBounds[3] - localBounds[1],
                           localBounds[0], localBounds[1]}};
    const SVGXform total =
      SVGXform::Compose(s.xform, SVGXform::Compose(box2user, SVGXform::Compose(gradientTransform, unit)));
    const SVGXform inverse = total.Inverse();
    for (int i = 0; i < 6; ++i)
      g->xform[i] = static_cast<float>(inverse.m[i]);
    if (const char* spread = ChainAttribute(chain, "spreadMethod"))
      g->spread = std::max(0, Keyword(spread, {"pad", "reflect", "repeat"}));
    type = linear ? kPaintLinearGradient : kPaintRadialGradient;
    return g;
  }

  // The stops of the first gradient of the chain that has any; offsets never decrease.
  void ReadStops(const std::vector<const TiXmlElement*>& chain, double opacity, const Style& s,
                 std::vector<SVGGradientStop>& stops) const
  {
    for (const TiXmlElement* el : chain)
    {
      for (const TiXmlElement* c = el->FirstChildElement(); c; c = c->NextSiblingElement())
      {
        if (LocalName(c) != "stop")
          continue;
        SVGGradientStop stop;
        stop.offset = static_cast<float>(StopOffset(c));
        if (!stops.empty())
          stop.offset = std::max(stop.offset, stops.back().offset);
        stop.color = StopColor(c, opacity, s);
        stops.push_back(stop);
      }
      if (!stops.empty())
        return;
    }
  }

  static double StopOffset(const TiXmlElement* stop)
  {
    SVGLength l;
    const char* v = stop->Attribute("offset");
    if (!v || !ParseLength(v, l))
      return 0.0;
    return std::clamp(l.unit == kUnitPercent ? l.value / 100.0 : l.value, 0.0, 1.0);
  }

  static uint32_t StopColor(const TiXmlElement* stop, double opacity, const Style& s)
  {
    uint32_t rgba = kBlack;
    double stopOpacity = 1.0;
    auto apply = [&](std::string_view name, std::string_view value) {
      if (name == "stop-color")
      {
        const SVGColorValue c = ParseColor(value);
        if (c.kind == kColorValue)
          rgba = c.rgba;
        else if (c.kind == kColorCurrent)
          rgba = s.currentColor;
      }
      else if (name == "stop-opacity")
      {
        ParseOpacity(value, stopOpacity);
      }
    };
    for (const TiXmlAttribute* a = stop->FirstAttribute(); a; a = a->Next())
      apply(a->Name(), Trim(a->Value()));
    if (const char* css = stop->Attribute("style"))
      ForEachDeclaration(css, apply);
    return WithOpacity(rgba, stopOpacity * opacity);
  }

  // Without a size or viewBox the picture reaches from the origin to its farthest shape.
  void SizeFromShapes()
  {
    float w = 0.f;
    float h = 0.f;
    for (const SVGShape& shape : mImage->shapes)
    {
      w = std::max(w, shape.bounds[2]);
      h = std::max(h, shape.bounds[3]);
    }
    mImage->width = w;
    mImage->height = h;
  }

  ESVGUnit mUnits;
  double mDpi;
  double mViewW = 100.0;
  double mViewH = 100.0;
  std::unordered_map<std::string, const TiXmlElement*> mGradients;
  std::unique_ptr<SVGImage> mImage;
};

} // namespace

std::unique_ptr<SVGImage> ParseSVG(const char* data, std::size_t size, const char* units, float dpi)
{
  if (!data || size == 0 || !(dpi > 0.f) || !std::isfinite(dpi))
    return nullptr;
  const auto* zero = static_cast<const char*>(std::memchr(data, 0, size));
  std::string text(data, zero ? static_cast<std::size_t>(zero - data) : size);
  if (text.compare(0, 3, kUTF8ByteOrderMark) == 0)
    text.erase(0, 3);
  if (text.empty() || !XMLNestingWithin(text.c_str(), kMaxNesting))
    return nullptr;

  // Byte by byte: UTF-8 text passes through unchanged, and the parser never steps over several bytes at
  // once (past the end of the text, or over markup the nesting scan counted).
  TiXmlDocument doc;
  doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  const TiXmlElement* root = doc.RootElement();
  if (doc.Error() || !root || LocalName(root) != "svg")
    return nullptr;
  return DocumentReader(units, dpi).Read(root);
}

} // namespace fx::gfx::svg
