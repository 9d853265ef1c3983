#include "graphics/svg/SVGParser.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "framework/XMLNesting.h"
#include "graphics/svg/SVGGradients.h"
#include "graphics/svg/SVGPathBuilder.h"
#include "graphics/svg/SVGShapes.h"
#include "graphics/svg/SVGStyle.h"
#include "graphics/svg/SVGViewport.h"

namespace fx::gfx::svg {

namespace {

// Deeper documents are refused: the XML parser and the walk both recurse once per level.
constexpr int kMaxNesting = 128;
// Read byte by byte, the XML parser would take the mark for text before the root element.
constexpr const char* kUTF8ByteOrderMark = "\xEF\xBB\xBF";

// One walk of the element tree, carrying the inherited style down to the shapes.
class DocumentReader {
 public:
  DocumentReader(const char* units, double dpi) : mViewport(units, dpi), mPaints(mViewport) {}

  std::unique_ptr<SVGImage> Read(const TiXmlElement* root) {
    mImage = std::make_unique<SVGImage>();
    mPaints.Index(root, kMaxNesting);
    SVGStyle style;
    const bool hasSize = mViewport.Read(root, style.xform, mImage->width, mImage->height);
    ApplyElementStyle(root, mViewport, style);
    WalkChildren(root, style, 1);
    if (!hasSize) SizeFromShapes();
    return std::move(mImage);
  }

 private:
  void WalkChildren(const TiXmlElement* el, const SVGStyle& style, int depth) {
    for (const TiXmlElement* c = el->FirstChildElement(); c; c = c->NextSiblingElement()) Walk(c, style, depth);
  }

  void Walk(const TiXmlElement* el, const SVGStyle& parent, int depth) {
    if (depth > kMaxNesting) return;
    const std::string_view name = LocalName(el);
    const bool group = name == "g" || name == "a" || name == "svg";
    if (!group && !IsShape(name))
      return;  // defs, gradients, text and everything else the reader leaves out draw nothing
    SVGStyle style = parent;
    ApplyElementStyle(el, mViewport, style);
    if (group) {
      WalkChildren(el, style, depth + 1);
      return;
    }
    SVGPathBuilder builder;
    BuildShapeGeometry(el, name, style, mViewport, builder);
    if (std::optional<SVGShape> shape = MakeShape(builder.TakePaths(), style, mPaints))
      mImage->shapes.push_back(std::move(*shape));
  }

  // Without a size or viewBox the picture reaches from the origin to its farthest shape.
  void SizeFromShapes() {
    float w = 0.f;
    float h = 0.f;
    for (const SVGShape& shape : mImage->shapes) {
      w = std::max(w, shape.bounds[2]);
      h = std::max(h, shape.bounds[3]);
    }
    mImage->width = w;
    mImage->height = h;
  }

  SVGViewport mViewport;
  SVGGradients mPaints;
  std::unique_ptr<SVGImage> mImage;
};

}  // namespace

std::unique_ptr<SVGImage> ParseSVG(const char* data, std::size_t size, const char* units, float dpi) {
  if (!data || size == 0 || !(dpi > 0.f) || !std::isfinite(dpi)) return nullptr;
  const auto* zero = static_cast<const char*>(std::memchr(data, 0, size));
  std::string text(data, zero ? static_cast<std::size_t>(zero - data) : size);
  if (text.compare(0, 3, kUTF8ByteOrderMark) == 0) text.erase(0, 3);
  if (text.empty() || !XMLNestingWithin(text.c_str(), kMaxNesting)) return nullptr;

  // Byte by byte: UTF-8 text passes through unchanged, and the parser never steps over several bytes at
  // once (past the end of the text, or over markup the nesting scan counted).
  TiXmlDocument doc;
  doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  const TiXmlElement* root = doc.RootElement();
  if (doc.Error() || !root || LocalName(root) != "svg") return nullptr;
  return DocumentReader(units, dpi).Read(root);
}

}  // namespace fx::gfx::svg
