// Coverage of filled shapes against an analytic oracle: each pixel's ideal coverage is the fraction of a 16 x 16
// grid of sample points inside the exact shape (a closed-form inside test, independent of the renderer).
#include <cmath>
#include <functional>
#include <vector>

#include "tests/graphics/vector/GVRTestRenderer.h"

namespace {

constexpr int kSize = 64;
constexpr double kPi = 3.14159265358979323846;
constexpr double kRotation = 30.0 * kPi / 180.0;
constexpr double kStarOuter = 28, kStarInner = 12, kHoleRadius = 6, kCentre = 32;

std::vector<std::pair<double, double>> StarPoints() {
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < 10; ++i) {
    const double angle = i * kPi / 5 - kPi / 2, r = i % 2 ? kStarInner : kStarOuter;
    points.push_back({kCentre + r * std::cos(angle), kCentre + r * std::sin(angle)});
  }
  return points;
}

bool InsidePolygon(const std::vector<std::pair<double, double>>& poly, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const auto [xi, yi] = poly[i];
    const auto [xj, yj] = poly[j];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}

double PolygonArea(const std::vector<std::pair<double, double>>& poly) {
  double twice = 0;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
    twice += poly[j].first * poly[i].second - poly[i].first * poly[j].second;
  return std::fabs(twice) / 2;
}

struct Shape {
  const char* name;
  std::function<void(VRcontext*)> draw;
  std::function<bool(double, double)> inside;
  double area;
};

std::vector<Shape> Shapes() {
  const auto star = StarPoints();
  return {
      {"rectangle rotated by 30 degrees",
       [](VRcontext* c) {
         vrTranslate(c, 32, 32);
         vrRotate(c, static_cast<float>(kRotation));
         vrRect(c, -18, -10, 36, 20);
       },
       [](double x, double y) {
         const double dx = x - 32, dy = y - 32;
         const double u = dx * std::cos(kRotation) + dy * std::sin(kRotation);
         const double v = -dx * std::sin(kRotation) + dy * std::cos(kRotation);
         return std::fabs(u) < 18 && std::fabs(v) < 10;
       },
       36.0 * 20.0},
      {"circle", [](VRcontext* c) { vrCircle(c, 31.7f, 32.3f, 20); },
       [](double x, double y) { return std::hypot(x - 31.7, y - 32.3) < 20; }, kPi * 400},
      {"concave star with a hole",
       [star](VRcontext* c) {
         vrMoveTo(c, static_cast<float>(star[0].first), static_cast<float>(star[0].second));
         for (size_t i = 1; i < star.size(); ++i)
           vrLineTo(c, static_cast<float>(star[i].first), static_cast<float>(star[i].second));
         vrClosePath(c);
         vrCircle(c, 32, 32, static_cast<float>(kHoleRadius));
         vrPathWinding(c, VR_CW);
       },
       [star](double x, double y) {
         return InsidePolygon(star, x, y) && std::hypot(x - kCentre, y - kCentre) >= kHoleRadius;
       },
       PolygonArea(star) - kPi * kHoleRadius * kHoleRadius},
  };
}

std::vector<double> IdealCoverage(const std::function<bool(double, double)>& inside) {
  std::vector<double> coverage(kSize * kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      int hits = 0;
      for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i) hits += inside(x + (i + 0.5) / 16, y + (j + 0.5) / 16);
      coverage[y * kSize + x] = hits / 256.0;
    }
  return coverage;
}

// All of the pixel's 3 x 3 neighbourhood has this ideal coverage.
bool Neighbourhood(const std::vector<double>& coverage, int x, int y, double value) {
  for (int j = std::max(0, y - 1); j <= std::min(kSize - 1, y + 1); ++j)
    for (int i = std::max(0, x - 1); i <= std::min(kSize - 1, x + 1); ++i)
      if (coverage[j * kSize + i] != value) return false;
  return true;
}

TEST_F(GVRTest, FilledShapesMatchTheirIdealCoverage) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  for (const Shape& shape : Shapes()) {
    SCOPED_TRACE(shape.name);
    const std::vector<uint8_t> pixels = Render(ctx, kSize, kSize, [&](VRcontext* c) {
      vrBeginPath(c);
      shape.draw(c);
      vrFillColor(c, vrRGBA(255, 255, 255, 255));
      vrFill(c);
    });
    const std::vector<double> ideal = IdealCoverage(shape.inside);
    double total = 0;
    int interior = 0, exterior = 0, worstX = 0, worstY = 0;
    double worst = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const int alpha = Pixel(pixels, kSize, x, y).a;
        total += alpha / 255.0;
        if (Neighbourhood(ideal, x, y, 1.0)) {
          ++interior;
          EXPECT_EQ(alpha, 255) << "interior pixel " << x << "," << y;
        } else if (Neighbourhood(ideal, x, y, 0.0)) {
          ++exterior;
          EXPECT_EQ(alpha, 0) << "exterior pixel " << x << "," << y;
        } else if (std::fabs(alpha / 255.0 - ideal[y * kSize + x]) > worst) {
          worst = std::fabs(alpha / 255.0 - ideal[y * kSize + x]);
          worstX = x, worstY = y;
        }
      }
    EXPECT_GT(interior, 100);
    EXPECT_GT(exterior, 1000);
    EXPECT_LE(worst, 0.2) << "fringe pixel " << worstX << "," << worstY;
    EXPECT_NEAR(total, shape.area, shape.area * 0.01);
  }
}

// Every pixel is either untouched or fully covered.
void ExpectNoPartialCoverage(const std::vector<uint8_t>& pixels) {
  int covered = 0;
  for (size_t i = 3; i < pixels.size(); i += 4) {
    EXPECT_TRUE(pixels[i] == 0 || pixels[i] == 255) << "pixel " << i / 4 << " alpha " << int(pixels[i]);
    covered += pixels[i] == 255;
  }
  EXPECT_GT(covered, 100);
}

TEST_F(GVRTest, WithoutAntiAliasingEdgesAreHard) {
  const auto shapes = [](VRcontext* c) {
    vrBeginPath(c);
    vrCircle(c, 20.3f, 20.6f, 14);
    vrFill(c);
    vrBeginPath(c);
    vrMoveTo(c, 5, 50);
    vrLineTo(c, 58, 38);
    vrStrokeWidth(c, 3);
    vrStroke(c);
  };
  VRcontext* plain = Context(GVR_TRIPLE_BUFFER);
  ASSERT_NE(plain, nullptr);
  ExpectNoPartialCoverage(Render(plain, kSize, kSize, shapes));
  VRcontext* smooth = Context();
  ASSERT_NE(smooth, nullptr);
  ExpectNoPartialCoverage(Render(smooth, kSize, kSize, [&](VRcontext* c) {
    vrShapeAntiAlias(c, 0);
    shapes(c);
  }));
}

// A path that covers some pixels twice is still drawn once there: half-transparent paint stays half.
TEST_F(GVRTest, SelfOverlappingPathsHaveUniformAlpha) {
  struct Row {
    const char* name;
    int flags;
    void (*draw)(VRcontext*);
    int overlapX, overlapY, singleX, singleY;
  } rows[] = {
      {"fill of two overlapping rectangles", GVR_ANTIALIAS,
       [](VRcontext* c) {
         vrBeginPath(c);
         vrRect(c, 4, 4, 30, 30);
         vrRect(c, 20, 20, 30, 30);
         vrFillColor(c, vrRGBAf(1, 1, 1, 0.5f));
         vrFill(c);
       },
       27, 27, 10, 10},
      {"fill of a self-crossing polygon", GVR_ANTIALIAS,
       [](VRcontext* c) {
         vrBeginPath(c);
         vrMoveTo(c, 4, 4);
         vrLineTo(c, 60, 4);
         vrLineTo(c, 60, 40);
         vrLineTo(c, 30, 40);
         vrLineTo(c, 30, 20);
         vrLineTo(c, 50, 20);
         vrLineTo(c, 50, 60);
         vrLineTo(c, 4, 60);
         vrClosePath(c);
         vrFillColor(c, vrRGBAf(1, 1, 1, 0.5f));
         vrFill(c);
       },
       40, 30, 10, 10},
      {"pentagram (every turn to one side)", GVR_ANTIALIAS,
       [](VRcontext* c) {
         vrBeginPath(c);
         for (int i = 0; i < 5; ++i) {
           const double angle = i * 4 * kPi / 5 - kPi / 2;
           const auto x = static_cast<float>(32 + 30 * std::cos(angle)),
                      y = static_cast<float>(32 + 30 * std::sin(angle));
           i == 0 ? vrMoveTo(c, x, y) : vrLineTo(c, x, y);
         }
         vrClosePath(c);
         vrFillColor(c, vrRGBAf(1, 1, 1, 0.5f));
         vrFill(c);
       },
       32, 32, 32, 6},
      {"stroke crossing itself, through the stencil", GVR_ANTIALIAS | GVR_STENCIL_STROKES,
       [](VRcontext* c) {
         vrBeginPath(c);
         vrMoveTo(c, 10, 10);
         vrLineTo(c, 50, 50);
         vrLineTo(c, 50, 10);
         vrLineTo(c, 10, 50);
         vrStrokeWidth(c, 6);
         vrStrokeColor(c, vrRGBAf(1, 1, 1, 0.5f));
         vrStroke(c);
       },
       30, 30, 20, 20},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VRcontext* ctx = Context(row.flags);
    ASSERT_NE(ctx, nullptr);
    const std::vector<uint8_t> pixels = Render(ctx, kSize, kSize, row.draw);
    const Rgba8 overlap = Pixel(pixels, kSize, row.overlapX, row.overlapY);
    const Rgba8 single = Pixel(pixels, kSize, row.singleX, row.singleY);
    EXPECT_NEAR(single.a, 128, 1);
    EXPECT_EQ(overlap.a, single.a);
    EXPECT_EQ(overlap.r, single.r);
  }
}

}  // namespace
