#include "graphics/svg/SVGXform.h"

#include "graphics/svg/SVGNumbers.h"

#include <cmath>
#include <numbers>

namespace fx::gfx::svg {

namespace {

double Radians(double degrees) {
  return degrees / 180.0 * std::numbers::pi;
}

// Reads up to maxArgs numbers between the parentheses; answers the count, or -1 when malformed.
int ReadArguments(const char*& p, const char* end, double* args, int maxArgs) {
  while (p < end && IsSpace(*p)) ++p;
  if (p >= end || *p != '(') return -1;
  ++p;
  int n = 0;
  double v = 0.0;
  while (n < maxArgs && ReadNumber(p, end, v)) args[n++] = v;
  while (p < end && IsSpace(*p)) ++p;
  if (p >= end || *p != ')') return -1;
  ++p;
  return n;
}

bool StartsWith(const char* p, const char* end, std::string_view word) {
  return static_cast<size_t>(end - p) >= word.size() && std::string_view(p, word.size()) == word;
}

// One transform of the list, or false.
bool ReadOneTransform(const char*& p, const char* end, SVGXform& t) {
  static constexpr std::string_view kNames[] = {"matrix", "translate", "scale", "rotate", "skewX", "skewY"};
  int kind = -1;
  for (int i = 0; i < 6 && kind < 0; ++i)
    if (StartsWith(p, end, kNames[i])) {
      kind = i;
      p += kNames[i].size();
    }
  double a[6] = {};
  const int n = kind < 0 ? -1 : ReadArguments(p, end, a, 6);
  switch (kind) {
    case 0:
      if (n != 6) return false;
      t = SVGXform{{a[0], a[1], a[2], a[3], a[4], a[5]}};
      return true;
    case 1:
      if (n != 1 && n != 2) return false;
      t = SVGXform::Translate(a[0], n == 2 ? a[1] : 0.0);
      return true;
    case 2:
      if (n != 1 && n != 2) return false;
      t = SVGXform::Scale(a[0], n == 2 ? a[1] : a[0]);
      return true;
    case 3:
      if (n != 1 && n != 3) return false;
      t = SVGXform::Rotate(a[0]);
      if (n == 3)
        t = SVGXform::Compose(SVGXform::Translate(a[1], a[2]), SVGXform::Compose(t, SVGXform::Translate(-a[1], -a[2])));
      return true;
    case 4:
    case 5:
      if (n != 1) return false;
      t = kind == 4 ? SVGXform::SkewX(a[0]) : SVGXform::SkewY(a[0]);
      return true;
    default:
      return false;
  }
}

}  // namespace

SVGXform SVGXform::Translate(double x, double y) {
  return SVGXform{{1.0, 0.0, 0.0, 1.0, x, y}};
}

SVGXform SVGXform::Scale(double x, double y) {
  return SVGXform{{x, 0.0, 0.0, y, 0.0, 0.0}};
}

SVGXform SVGXform::Rotate(double degrees) {
  const double c = std::cos(Radians(degrees));
  const double s = std::sin(Radians(degrees));
  return SVGXform{{c, s, -s, c, 0.0, 0.0}};
}

SVGXform SVGXform::SkewX(double degrees) {
  return SVGXform{{1.0, 0.0, std::tan(Radians(degrees)), 1.0, 0.0, 0.0}};
}

SVGXform SVGXform::SkewY(double degrees) {
  return SVGXform{{1.0, std::tan(Radians(degrees)), 0.0, 1.0, 0.0, 0.0}};
}

SVGXform SVGXform::Compose(const SVGXform& o, const SVGXform& i) {
  const double* a = o.m;
  const double* b = i.m;
  return SVGXform{{a[0] * b[0] + a[2] * b[1], a[1] * b[0] + a[3] * b[1], a[0] * b[2] + a[2] * b[3],
                   a[1] * b[2] + a[3] * b[3], a[0] * b[4] + a[2] * b[5] + a[4], a[1] * b[4] + a[3] * b[5] + a[5]}};
}

SVGXform SVGXform::Inverse() const {
  const double det = m[0] * m[3] - m[2] * m[1];
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return SVGXform();
  const double inv = 1.0 / det;
  SVGXform r;
  r.m[0] = m[3] * inv;
  r.m[1] = -m[1] * inv;
  r.m[2] = -m[2] * inv;
  r.m[3] = m[0] * inv;
  r.m[4] = (m[2] * m[5] - m[3] * m[4]) * inv;
  r.m[5] = (m[1] * m[4] - m[0] * m[5]) * inv;
  return r;
}

void SVGXform::Apply(double& x, double& y) const {
  const double nx = m[0] * x + m[2] * y + m[4];
  const double ny = m[1] * x + m[3] * y + m[5];
  x = nx;
  y = ny;
}

double SVGXform::AverageScale() const {
  return (std::hypot(m[0], m[1]) + std::hypot(m[2], m[3])) * 0.5;
}

bool ParseTransformList(std::string_view text, SVGXform& xform) {
  const char* p = text.data();
  const char* end = p + text.size();
  SVGXform total;
  for (;;) {
    SkipSeparators(p, end);
    if (p >= end) break;
    SVGXform t;
    if (!ReadOneTransform(p, end, t)) return false;
    total = SVGXform::Compose(total, t);
  }
  xform = total;
  return true;
}

}  // namespace fx::gfx::svg
