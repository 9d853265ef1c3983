#include "graphics/svg/SVGViewport.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace fx::gfx::svg {

namespace {

// preserveAspectRatio: "none" stretches; otherwise uniform, "meet" (default) fits and "slice" fills.
SVGXform ViewBoxTransform(const TiXmlElement* root, const double* vb, double w, double h) {
  std::string_view rule = root->Attribute("preserveAspectRatio") ? root->Attribute("preserveAspectRatio") : "";
  const std::vector<std::string_view> words = SplitList(rule);
  const std::string_view align = words.empty() ? "xMidYMid" : words[0];
  const bool slice = words.size() > 1 && words[1] == "slice";
  double sx = w / vb[2];
  double sy = h / vb[3];
  double tx = 0.0;
  double ty = 0.0;
  if (align != "none") {
    const double s = slice ? std::max(sx, sy) : std::min(sx, sy);
    const double fx = align.find("xMid") != std::string_view::npos   ? 0.5
                      : align.find("xMax") != std::string_view::npos ? 1.0
                                                                     : 0.0;
    const double fy = align.find("YMid") != std::string_view::npos   ? 0.5
                      : align.find("YMax") != std::string_view::npos ? 1.0
                                                                     : 0.0;
    tx = (w - vb[2] * s) * fx;
    ty = (h - vb[3] * s) * fy;
    sx = sy = s;
  }
  return SVGXform::Compose(SVGXform::Translate(tx, ty),
                           SVGXform::Compose(SVGXform::Scale(sx, sy), SVGXform::Translate(-vb[0], -vb[1])));
}

}  // namespace

SVGViewport::SVGViewport(const char* units, double dpi) : mUnits(UnitFromName(units ? units : "px")), mDpi(dpi) {}

bool SVGViewport::Read(const TiXmlElement* root, SVGXform& xform, float& width, float& height) {
  double vb[4] = {};
  bool hasViewBox = false;
  if (const char* v = root->Attribute("viewBox")) {
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
  if (hasViewBox) {
    if (!hasW && !hasH) {
      w = vb[2];
      h = vb[3];
    } else if (!hasW) {
      w = vb[2] * h / vb[3];
    } else if (!hasH) {
      h = vb[3] * w / vb[2];
    }
  } else {
    mViewW = hasW ? w : mViewW;
    mViewH = hasH ? h : mViewH;
  }

  const double unitScale = UnitScale();
  xform = SVGXform::Scale(1.0 / unitScale, 1.0 / unitScale);
  if (hasViewBox) xform = SVGXform::Compose(xform, ViewBoxTransform(root, vb, w, h));
  width = static_cast<float>(w / unitScale);
  height = static_cast<float>(h / unitScale);
  return hasViewBox || (hasW && hasH);
}

double SVGViewport::ToUser(const SVGLength& l, EAxis axis, double fontSize) const {
  return l.value * UnitToPixels(l.unit, mDpi, PercentReference(axis), fontSize);
}

double SVGViewport::LengthAttr(const TiXmlElement* el, const char* name, EAxis axis, double fallback,
                               double fontSize) const {
  const char* v = el->Attribute(name);
  SVGLength l;
  if (!v || !ParseLength(v, l)) return fallback;
  return ToUser(l, axis, fontSize);
}

double SVGViewport::PercentReference(EAxis axis) const {
  if (axis == kAxisX) return mViewW;
  if (axis == kAxisY) return mViewH;
  return std::sqrt(mViewW * mViewW + mViewH * mViewH) / std::sqrt(2.0);
}

double SVGViewport::UnitScale() const {
  return (mUnits == kUnitUser || mUnits == kUnitPercent) ? 1.0 : UnitToPixels(mUnits, mDpi, 0.0, kSVGDefaultFontSize);
}

bool SVGViewport::ReadRootLength(const TiXmlElement* root, const char* name, EAxis axis, double& value) const {
  const char* v = root->Attribute(name);
  SVGLength l;
  if (!v || !ParseLength(v, l) || l.value <= 0.0) return false;
  value = ToUser(l, axis, kSVGDefaultFontSize);
  return true;
}

}  // namespace fx::gfx::svg
