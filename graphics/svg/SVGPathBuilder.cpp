#include "graphics/svg/SVGPathBuilder.h"

#include "graphics/svg/SVGNumbers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace fx::gfx::svg {

void SVGPathBuilder::EnsureStarted() {
  if (mStarted) return;
  mPts.clear();
  AddPoint(mX, mY);
  mStartX = mX;
  mStartY = mY;
  mStarted = true;
}

void SVGPathBuilder::AddPoint(double x, double y) {
  mPts.push_back(static_cast<float>(x));
  mPts.push_back(static_cast<float>(y));
}

void SVGPathBuilder::FinishPath(bool closed) {
  if (mStarted && mPts.size() >= 8) {
    SVGPath path;
    path.pts = std::move(mPts);
    path.npts = static_cast<int>(path.pts.size() / 2);
    path.closed = closed;
    CubicPathBounds(path.pts.data(), path.npts, path.bounds);
    mPaths.push_back(std::move(path));
  }
  mPts.clear();
  mStarted = false;
}

void SVGPathBuilder::MoveTo(double x, double y) {
  FinishPath(false);
  mX = x;
  mY = y;
  EnsureStarted();
}

void SVGPathBuilder::LineTo(double x, double y) {
  EnsureStarted();
  const double dx = x - mX;
  const double dy = y - mY;
  CubicTo(mX + dx / 3.0, mY + dy / 3.0, x - dx / 3.0, y - dy / 3.0, x, y);
}

void SVGPathBuilder::CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y) {
  EnsureStarted();
  AddPoint(c1x, c1y);
  AddPoint(c2x, c2y);
  AddPoint(x, y);
  mX = x;
  mY = y;
}

// The cubic with the same curve: controls two thirds of the way to the quadratic's control.
void SVGPathBuilder::QuadTo(double cx, double cy, double x, double y) {
  EnsureStarted();
  CubicTo(mX + 2.0 / 3.0 * (cx - mX), mY + 2.0 / 3.0 * (cy - mY), x + 2.0 / 3.0 * (cx - x), y + 2.0 / 3.0 * (cy - y), x,
          y);
}

// Endpoint to centre parameterisation as in the SVG implementation notes (F.6.5, F.6.6), then one cubic per
// quarter turn or less with the control distance 4/3 tan(delta / 4).
void SVGPathBuilder::ArcTo(double rx, double ry, double rotation, bool largeArc, bool sweep, double x, double y) {
  const double x1 = mX;
  const double y1 = mY;
  if (x1 == x && y1 == y) return;
  rx = std::fabs(rx);
  ry = std::fabs(ry);
  if (rx == 0.0 || ry == 0.0) {
    LineTo(x, y);
    return;
  }
  const double phi = rotation / 180.0 * std::numbers::pi;
  const double cp = std::cos(phi);
  const double sp = std::sin(phi);
  const double hx = (x1 - x) / 2.0;
  const double hy = (y1 - y) / 2.0;
  const double x1p = cp * hx + sp * hy;
  const double y1p = -sp * hx + cp * hy;
  const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
  if (lambda > 1.0) {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
  const double den = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
  double coef = den > 0.0 ? std::sqrt(std::max(0.0, num / den)) : 0.0;
  if (largeArc == sweep) coef = -coef;
  const double cxp = coef * rx * y1p / ry;
  const double cyp = -coef * ry * x1p / rx;
  const double cx = cp * cxp - sp * cyp + (x1 + x) / 2.0;
  const double cy = sp * cxp + cp * cyp + (y1 + y) / 2.0;
  const double ux = (x1p - cxp) / rx;
  const double uy = (y1p - cyp) / ry;
  const double vx = (-x1p - cxp) / rx;
  const double vy = (-y1p - cyp) / ry;
  const double theta1 = std::atan2(uy, ux);
  double dtheta = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
  if (!sweep && dtheta > 0.0)
    dtheta -= 2.0 * std::numbers::pi;
  else if (sweep && dtheta < 0.0)
    dtheta += 2.0 * std::numbers::pi;
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(dtheta)) {
    LineTo(x, y);
    return;
  }

  const int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(dtheta) / (std::numbers::pi / 2.0) - 1e-9)));
  const double delta = dtheta / segments;
  const double k = 4.0 / 3.0 * std::tan(delta / 4.0);
  auto point = [&](double t, double& px, double& py) {
    const double ex = rx * std::cos(t);
    const double ey = ry * std::sin(t);
    px = cx + cp * ex - sp * ey;
    py = cy + sp * ex + cp * ey;
  };
  auto tangent = [&](double t, double& tx, double& ty) {
    const double ex = -rx * std::sin(t);
    const double ey = ry * std::cos(t);
    tx = cp * ex - sp * ey;
    ty = sp * ex + cp * ey;
  };
  for (int i = 0; i < segments; ++i) {
    const double t0 = theta1 + i * delta;
    const double t1 = t0 + delta;
    double p0x, p0y, p3x, p3y, d0x, d0y, d1x, d1y;
    point(t0, p0x, p0y);
    point(t1, p3x, p3y);
    if (i == segments - 1) {
      p3x = x;
      p3y = y;
    }
    tangent(t0, d0x, d0y);
    tangent(t1, d1x, d1y);
    CubicTo(p0x + k * d0x, p0y + k * d0y, p3x - k * d1x, p3y - k * d1y, p3x, p3y);
  }
}

void SVGPathBuilder::Close() {
  if (!mStarted) return;
  if (mX != mStartX || mY != mStartY) LineTo(mStartX, mStartY);
  FinishPath(true);
  mX = mStartX;
  mY = mStartY;
}

std::vector<SVGPath> SVGPathBuilder::TakePaths() {
  FinishPath(false);
  return std::move(mPaths);
}

namespace {

bool IsCommand(char c) {
  switch (c) {
    case 'M':
    case 'm':
    case 'L':
    case 'l':
    case 'H':
    case 'h':
    case 'V':
    case 'v':
    case 'C':
    case 'c':
    case 'S':
    case 's':
    case 'Q':
    case 'q':
    case 'T':
    case 't':
    case 'A':
    case 'a':
    case 'Z':
    case 'z':
      return true;
    default:
      return false;
  }
}

// Reads n numbers; false when any is missing.
bool ReadNumbers(const char*& p, const char* end, double* v, int n) {
  const char* q = p;
  for (int i = 0; i < n; ++i)
    if (!ReadNumber(q, end, v[i])) return false;
  p = q;
  return true;
}

bool ReadArc(const char*& p, const char* end, double* v, bool& largeArc, bool& sweep) {
  const char* q = p;
  if (!ReadNumbers(q, end, v, 3) || !ReadFlag(q, end, largeArc) || !ReadFlag(q, end, sweep) ||
      !ReadNumbers(q, end, v + 3, 2))
    return false;
  p = q;
  return true;
}

// The state the smooth commands reflect: the last control point of the previous cubic or quadratic.
struct PathDataState {
  char lastCommand = 0;
  double ctrlX = 0.0;
  double ctrlY = 0.0;
};

bool IsCubicCommand(char c) {
  return c == 'C' || c == 'c' || c == 'S' || c == 's';
}
bool IsQuadCommand(char c) {
  return c == 'Q' || c == 'q' || c == 'T' || c == 't';
}

// Runs one command with its arguments; false when the arguments are missing.
bool RunCommand(char cmd, const char*& p, const char* end, SVGPathBuilder& b, PathDataState& s) {
  const bool rel = cmd >= 'a' && cmd <= 'z';
  const double ox = rel ? b.CurrentX() : 0.0;
  const double oy = rel ? b.CurrentY() : 0.0;
  double v[7] = {};
  switch (cmd) {
    case 'M':
    case 'm':
      if (!ReadNumbers(p, end, v, 2)) return false;
      b.MoveTo(ox + v[0], oy + v[1]);
      return true;
    case 'L':
    case 'l':
      if (!ReadNumbers(p, end, v, 2)) return false;
      b.LineTo(ox + v[0], oy + v[1]);
      return true;
    case 'H':
    case 'h':
      if (!ReadNumbers(p, end, v, 1)) return false;
      b.LineTo(ox + v[0], b.CurrentY());
      return true;
    case 'V':
    case 'v':
      if (!ReadNumbers(p, end, v, 1)) return false;
      b.LineTo(b.CurrentX(), oy + v[0]);
      return true;
    case 'C':
    case 'c':
      if (!ReadNumbers(p, end, v, 6)) return false;
      s.ctrlX = ox + v[2];
      s.ctrlY = oy + v[3];
      b.CubicTo(ox + v[0], oy + v[1], s.ctrlX, s.ctrlY, ox + v[4], oy + v[5]);
      return true;
    case 'S':
    case 's': {
      if (!ReadNumbers(p, end, v, 4)) return false;
      const bool reflect = IsCubicCommand(s.lastCommand);
      const double c1x = reflect ? 2.0 * b.CurrentX() - s.ctrlX : b.CurrentX();
      const double c1y = reflect ? 2.0 * b.CurrentY() - s.ctrlY : b.CurrentY();
      s.ctrlX = ox + v[0];
      s.ctrlY = oy + v[1];
      b.CubicTo(c1x, c1y, s.ctrlX, s.ctrlY, ox + v[2], oy + v[3]);
      return true;
    }
    case 'Q':
    case 'q':
      if (!ReadNumbers(p, end, v, 4)) return false;
      s.ctrlX = ox + v[0];
      s.ctrlY = oy + v[1];
      b.QuadTo(s.ctrlX, s.ctrlY, ox + v[2], oy + v[3]);
      return true;
    case 'T':
    case 't': {
      if (!ReadNumbers(p, end, v, 2)) return false;
      const bool reflect = IsQuadCommand(s.lastCommand);
      s.ctrlX = reflect ? 2.0 * b.CurrentX() - s.ctrlX : b.CurrentX();
      s.ctrlY = reflect ? 2.0 * b.CurrentY() - s.ctrlY : b.CurrentY();
      b.QuadTo(s.ctrlX, s.ctrlY, ox + v[0], oy + v[1]);
      return true;
    }
    case 'A':
    case 'a': {
      bool largeArc = false;
      bool sweep = false;
      if (!ReadArc(p, end, v, largeArc, sweep)) return false;
      b.ArcTo(v[0], v[1], v[2], largeArc, sweep, ox + v[3], oy + v[4]);
      return true;
    }
    default:
      b.Close();
      return true;
  }
}

}  // namespace

bool ParsePathData(std::string_view d, SVGPathBuilder& builder) {
  const char* p = d.data();
  const char* end = p + d.size();
  PathDataState state;
  char cmd = 0;
  for (;;) {
    SkipSeparators(p, end);
    if (p >= end) return true;
    if (IsCommand(*p)) {
      cmd = *p++;
    } else if (cmd == 0 || cmd == 'Z' || cmd == 'z') {
      return false;
    } else if (cmd == 'M' || cmd == 'm') {
      // Pairs after a move are lines.
      cmd = cmd == 'M' ? 'L' : 'l';
    }
    if (!RunCommand(cmd, p, end, builder, state)) return false;
    state.lastCommand = cmd;
  }
}

namespace {

// Adds the extremes of one coordinate of a cubic (p0..p3) to [lo, hi]: the roots of its derivative.
void CubicExtremes(double p0, double p1, double p2, double p3, double& lo, double& hi) {
  const double a = -p0 + 3.0 * p1 - 3.0 * p2 + p3;
  const double b = 2.0 * (p0 - 2.0 * p1 + p2);
  const double c = p1 - p0;
  double roots[2];
  int n = 0;
  if (std::fabs(a) < 1e-12) {
    if (std::fabs(b) > 1e-12) roots[n++] = -c / b;
  } else {
    const double disc = b * b - 4.0 * a * c;
    if (disc >= 0.0) {
      const double sq = std::sqrt(disc);
      roots[n++] = (-b + sq) / (2.0 * a);
      roots[n++] = (-b - sq) / (2.0 * a);
    }
  }
  for (int i = 0; i < n; ++i) {
    const double t = roots[i];
    if (t > 0.0 && t < 1.0) {
      const double mt = 1.0 - t;
      const double v = mt * mt * mt * p0 + 3.0 * mt * mt * t * p1 + 3.0 * mt * t * t * p2 + t * t * t * p3;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
}

}  // namespace

void CubicPathBounds(const float* pts, int npts, float bounds[4]) {
  if (npts <= 0) {
    std::fill(bounds, bounds + 4, 0.f);
    return;
  }
  double minX = pts[0], maxX = pts[0], minY = pts[1], maxY = pts[1];
  for (int i = 0; i + 3 < npts; i += 3) {
    const float* c = pts + i * 2;
    minX = std::min<double>(minX, c[6]);
    maxX = std::max<double>(maxX, c[6]);
    minY = std::min<double>(minY, c[7]);
    maxY = std::max<double>(maxY, c[7]);
    CubicExtremes(c[0], c[2], c[4], c[6], minX, maxX);
    CubicExtremes(c[1], c[3], c[5], c[7], minY, maxY);
  }
  bounds[0] = static_cast<float>(minX);
  bounds[1] = static_cast<float>(minY);
  bounds[2] = static_cast<float>(maxX);
  bounds[3] = static_cast<float>(maxY);
}

}  // namespace fx::gfx::svg
