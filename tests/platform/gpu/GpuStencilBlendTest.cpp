// Pipelines and depth-stencil states on the CPU device: the two-pass stencil fill of a concave shape with
// a hole against an exact point-in-polygon test, the stroke sequence's clamp and clear, face culling by
// winding, each blend factor on known colours, and viewports within the device's limits.
#include <cmath>

#include "tests/platform/gpu/GpuTestDevice.h"

namespace platform::gpu::test {
namespace {

struct Point {
  double x, y;
};

// Non-zero winding number of p against a closed polygon (the reference for the stencil fill).
int Winding(const std::vector<Point>& polygon, Point p) {
  int winding = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const Point a = polygon[i];
    const Point b = polygon[(i + 1) % polygon.size()];
    const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
    if (a.y <= p.y && b.y > p.y && side > 0) ++winding;
    if (a.y > p.y && b.y <= p.y && side < 0) --winding;
  }
  return winding;
}

double DistanceToEdges(const std::vector<Point>& polygon, Point p) {
  double best = 1e9;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const Point a = polygon[i];
    const Point b = polygon[(i + 1) % polygon.size()];
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    best = std::min(best, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
  }
  return best;
}

// Triangles fanned from each path's first vertex, as the renderer tessellates fills.
std::vector<ShaderVertex> Fan(const std::vector<Point>& path) {
  std::vector<ShaderVertex> out;
  for (size_t i = 2; i < path.size(); ++i)
    for (const Point& p : {path[0], path[i - 1], path[i]})
      out.push_back({static_cast<float>(p.x), static_cast<float>(p.y), 0.5f, 1.0f});
  return out;
}

std::shared_ptr<GpuDepthStencilState> Stencil(GpuDevice& device, GpuCompareFunction compare, GpuStencilOperation fail,
                                              GpuStencilOperation pass, bool back = false,
                                              GpuStencilOperation backPass = GpuStencilOperation::Keep) {
  GpuDepthStencilDescriptor d;
  d.hasFrontStencil = true;
  d.front.compare = compare;
  d.front.stencilFailure = fail;
  d.front.depthFailure = fail;
  d.front.depthStencilPass = pass;
  if (back) {
    d.hasBackStencil = true;
    d.back = d.front;
    d.back.depthStencilPass = backPass;
  }
  return device.NewDepthStencilState(d);
}

using StencilTest = GpuTest;

TEST_F(StencilTest, ConcaveStarWithAHoleFillsExactly) {
  // A five-pointed star (concave, counter-clockwise on screen) with a clockwise pentagon hole in its
  // middle; the centre is off the pixel grid so no pixel centre sits on an edge.
  const Point c{32.137, 31.791};
  std::vector<Point> star, hole;
  for (int i = 0; i < 10; ++i) {
    const double angle = -M_PI / 2 - i * M_PI / 5;
    const double radius = i % 2 ? 11.0 : 29.0;
    star.push_back({c.x + radius * std::cos(angle), c.y + radius * std::sin(angle)});
  }
  for (int i = 0; i < 5; ++i) {
    const double angle = -M_PI / 2 + i * 2 * M_PI / 5;
    hole.push_back({c.x + 6.0 * std::cos(angle), c.y + 6.0 * std::sin(angle)});
  }
  std::vector<ShaderVertex> shape = Fan(star);
  const std::vector<ShaderVertex> holeFan = Fan(hole);
  shape.insert(shape.end(), holeFan.begin(), holeFan.end());
  const float x0 = 1, y0 = 1, x1 = 63, y1 = 63;
  const std::vector<ShaderVertex> cover = {{x1, y1, 0.5f, 1}, {x1, y0, 0.5f, 1}, {x0, y1, 0.5f, 1}, {x0, y0, 0.5f, 1}};

  PipelineSpec stencilOnly;
  stencilOnly.fragment = nullptr;
  stencilOnly.colorWrites = false;
  stencilOnly.stencil = true;
  PipelineSpec color;
  color.stencil = true;
  auto shapePipeline = Pipeline(stencilOnly);
  auto coverPipeline = Pipeline(color);
  auto fillShape = Stencil(*mDevice, GpuCompareFunction::Always, GpuStencilOperation::Keep,
                           GpuStencilOperation::IncrementWrap, true, GpuStencilOperation::DecrementWrap);
  auto fill = Stencil(*mDevice, GpuCompareFunction::NotEqual, GpuStencilOperation::Zero, GpuStencilOperation::Zero);
  const ShaderFragmentUniforms paint = Solid(0.8f, 0.2f, 0.4f, 1.0f);

  const std::vector<uint8_t> pixels = Render(64, 64, {}, true, [&](GpuRenderEncoder& encoder) {
    encoder.SetCullMode(GpuCullMode::None);
    encoder.SetDepthStencilState(fillShape);
    DrawTriangles(encoder, shapePipeline, shape, paint);
    encoder.SetCullMode(GpuCullMode::Back);
    encoder.SetFrontFacingWinding(GpuWinding::CounterClockwise);
    encoder.SetRenderPipelineState(coverPipeline);
    encoder.SetDepthStencilState(fill);
    encoder.SetVertexBuffer(Buffer(cover), 0, 0);
    encoder.DrawPrimitives(GpuPrimitiveType::TriangleStrip, 0, 4);
    encoder.SetDepthStencilState(nullptr);
  });

  int inside = 0, holePixels = 0, checked = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const Point p{x + 0.5, y + 0.5};
      if (DistanceToEdges(star, p) < 0.01 || DistanceToEdges(hole, p) < 0.01) continue;
      ++checked;
      const bool filled = Winding(star, p) + Winding(hole, p) != 0;
      const bool inHole = Winding(hole, p) != 0;
      const Rgba got = Pixel(pixels, 64, x, y);
      if (filled) {
        ++inside;
        ASSERT_EQ(got.r, 204) << x << "," << y;
        ASSERT_EQ(got.g, 51) << x << "," << y;
        ASSERT_EQ(got.b, 102) << x << "," << y;
        ASSERT_EQ(got.a, 255) << x << "," << y;
      } else {
        if (inHole) ++holePixels;
        ASSERT_EQ(got.a, 0) << x << "," << y << (inHole ? " in the hole" : " outside");
      }
    }
  EXPECT_GT(checked, 4000);
  EXPECT_GT(inside, 500);
  EXPECT_GT(holePixels, 50);
}

TEST_F(StencilTest, StrokeSequenceDrawsEachPixelOnceUntilTheStencilIsCleared) {
  // Equal 0 with increment-clamp: a second overlapping quad skips what the first covered; the clearing
  // pass (always, zero) lets a third draw reach it again. A write mask of 0 leaves the stencil alone.
  PipelineSpec color;
  color.stencil = true;
  color.blending = false;
  PipelineSpec stencilOnly = color;
  stencilOnly.fragment = nullptr;
  stencilOnly.colorWrites = false;
  auto colorPipeline = Pipeline(color);
  auto clearPipeline = Pipeline(stencilOnly);
  auto shapeOnce =
      Stencil(*mDevice, GpuCompareFunction::Equal, GpuStencilOperation::Keep, GpuStencilOperation::IncrementClamp);
  auto clear = Stencil(*mDevice, GpuCompareFunction::Always, GpuStencilOperation::Zero, GpuStencilOperation::Zero);
  GpuDepthStencilDescriptor unmasked;
  unmasked.hasFrontStencil = true;
  unmasked.front.depthStencilPass = GpuStencilOperation::IncrementClamp;
  unmasked.front.writeMask = 0;
  auto noWrites = mDevice->NewDepthStencilState(unmasked);

  const std::vector<uint8_t> pixels = Render(12, 4, {}, true, [&](GpuRenderEncoder& encoder) {
    encoder.SetDepthStencilState(noWrites);
    DrawTriangles(encoder, colorPipeline, Quad(8, 0, 12, 4), Solid(0, 0, 0, 1));  // stencil stays 0
    encoder.SetDepthStencilState(shapeOnce);
    DrawTriangles(encoder, colorPipeline, Quad(0, 0, 6, 4), Solid(1, 0, 0, 1));
    DrawTriangles(encoder, colorPipeline, Quad(3, 0, 9, 4), Solid(0, 0, 1, 1));
    encoder.SetDepthStencilState(clear);
    DrawTriangles(encoder, clearPipeline, Quad(0, 0, 4, 4), Solid(0, 0, 0, 0));
    encoder.SetDepthStencilState(shapeOnce);
    DrawTriangles(encoder, colorPipeline, Quad(0, 0, 12, 4), Solid(0, 1, 0, 1));
  });
  // x: 0-3 green (cleared), 4-5 red, 6-8 blue, 9-11 green (stencil 0 throughout).
  const char* expected = "GGGGRRBBBGGG";
  for (int x = 0; x < 12; ++x) {
    const Rgba p = Pixel(pixels, 12, x, 2);
    const Rgba want = expected[x] == 'G'   ? Rgba{0, 255, 0, 255}
                      : expected[x] == 'R' ? Rgba{255, 0, 0, 255}
                                           : Rgba{0, 0, 255, 255};
    EXPECT_EQ(p.r, want.r) << x;
    EXPECT_EQ(p.g, want.g) << x;
    EXPECT_EQ(p.b, want.b) << x;
  }
}

struct CullRow {
  GpuCullMode cull;
  GpuWinding front;
  bool triangleCounterClockwise;  // as seen on screen
  bool drawn;
};

class CullTest : public GpuTest, public ::testing::WithParamInterface<CullRow> {};

TEST_P(CullTest, FacesAreCulledByTheirWindingOnScreen) {
  // Bottom-right, top-right, bottom-left: counter-clockwise on screen (y grows downwards).
  std::vector<ShaderVertex> triangle = {{7, 7, 0.5f, 1}, {7, 1, 0.5f, 1}, {1, 7, 0.5f, 1}};
  if (!GetParam().triangleCounterClockwise) std::swap(triangle[1], triangle[2]);
  auto pipeline = Pipeline(PipelineSpec{});
  const std::vector<uint8_t> pixels = Render(8, 8, {}, false, [&](GpuRenderEncoder& encoder) {
    encoder.SetCullMode(GetParam().cull);
    encoder.SetFrontFacingWinding(GetParam().front);
    DrawTriangles(encoder, pipeline, triangle, Solid(1, 1, 1, 1));
  });
  EXPECT_EQ(Pixel(pixels, 8, 6, 6).a, GetParam().drawn ? 255 : 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, CullTest,
                         ::testing::Values(CullRow{GpuCullMode::Back, GpuWinding::CounterClockwise, true, true},
                                           CullRow{GpuCullMode::Back, GpuWinding::CounterClockwise, false, false},
                                           CullRow{GpuCullMode::Back, GpuWinding::Clockwise, true, false},
                                           CullRow{GpuCullMode::Front, GpuWinding::Clockwise, true, true},
                                           CullRow{GpuCullMode::None, GpuWinding::CounterClockwise, false, true}));

struct BlendRow {
  GpuBlendFactor srcRGB, dstRGB, srcAlpha, dstAlpha;
  double r, g, b, a;  // expected, worked out by hand from source (0.5, 0.25, 0, 0.5), destination
                      // (0.2, 0.4, 0.6, 0.8)
};

class BlendTest : public GpuTest, public ::testing::WithParamInterface<BlendRow> {};

TEST_P(BlendTest, FactorsCombineKnownColours) {
  const BlendRow& row = GetParam();
  PipelineSpec spec;
  spec.srcRGB = row.srcRGB;
  spec.dstRGB = row.dstRGB;
  spec.srcAlpha = row.srcAlpha;
  spec.dstAlpha = row.dstAlpha;
  auto pipeline = Pipeline(spec);
  const std::vector<uint8_t> pixels = Render(4, 4, {0.2, 0.4, 0.6, 0.8}, false, [&](GpuRenderEncoder& encoder) {
    DrawTriangles(encoder, pipeline, Quad(0, 0, 4, 4), Solid(0.5f, 0.25f, 0.0f, 0.5f));
  });
  const Rgba p = Pixel(pixels, 4, 1, 2);
  EXPECT_NEAR(p.r, row.r * 255, 1.5);
  EXPECT_NEAR(p.g, row.g * 255, 1.5);
  EXPECT_NEAR(p.b, row.b * 255, 1.5);
  EXPECT_NEAR(p.a, row.a * 255, 1.5);
}

using F = GpuBlendFactor;
INSTANTIATE_TEST_SUITE_P(
    Rows, BlendTest,
    ::testing::Values(BlendRow{F::One, F::OneMinusSourceAlpha, F::One, F::OneMinusSourceAlpha, 0.6, 0.45, 0.3, 0.9},
                      BlendRow{F::Zero, F::One, F::Zero, F::One, 0.2, 0.4, 0.6, 0.8},
                      BlendRow{F::DestinationColor, F::Zero, F::One, F::Zero, 0.1, 0.1, 0.0, 0.5},
                      BlendRow{F::One, F::One, F::One, F::One, 0.7, 0.65, 0.6, 1.0},
                      BlendRow{F::OneMinusDestinationAlpha, F::One, F::OneMinusDestinationAlpha, F::One, 0.3, 0.45, 0.6,
                               0.9},
                      BlendRow{F::DestinationAlpha, F::Zero, F::DestinationAlpha, F::Zero, 0.4, 0.2, 0.0, 0.4},
                      BlendRow{F::SourceAlphaSaturated, F::Zero, F::One, F::Zero, 0.1, 0.05, 0.0, 0.5},
                      BlendRow{F::OneMinusSourceColor, F::SourceColor, F::One, F::Zero, 0.35, 0.2875, 0.0, 0.5},
                      BlendRow{F::SourceAlpha, F::OneMinusDestinationColor, F::SourceAlpha, F::OneMinusDestinationAlpha,
                               0.41, 0.365, 0.24, 0.41},
                      BlendRow{F::Zero, F::OneMinusSourceColor, F::Zero, F::SourceAlpha, 0.1, 0.3, 0.6, 0.4}));

// An 8 x 8 target with a view size of 8 points: the quad over points 0..4 covers pixels 0..4 through the viewport a
// pass starts with, and 0..(viewport side / 2) through a viewport the encoder takes. A viewport beyond the device's
// largest (or with depths outside 0..1) is refused, as the validation layer would report it, and the one in force
// stays. Probes: (6, 2) is covered only when the viewport is wider than 12 pixels, (2, 6) when it is taller.
struct ViewportRow {
  const char* name;
  double width, height;  // 0: the device's largest; -1: one more than that
  double znear;
  bool wider, taller;
};

void PrintTo(const ViewportRow& row, std::ostream* os) {
  *os << row.name;
}

class ViewportTest : public GpuTest, public ::testing::WithParamInterface<ViewportRow> {};

TEST_P(ViewportTest, ViewportsBeyondTheDevicesLimitsAreRefused) {
  uint32_t maxWidth = 0, maxHeight = 0;
  mDevice->MaxViewportSize(maxWidth, maxHeight);
  ASSERT_GE(maxWidth, 4096u);
  ASSERT_GE(maxHeight, 4096u);
  const auto side = [](double value, uint32_t max) { return value == 0 ? max : value < 0 ? max + 1.0 : value; };
  const ViewportRow& row = GetParam();
  auto pipeline = Pipeline(PipelineSpec{});
  const std::vector<uint8_t> pixels = Render(8, 8, {}, false, [&](GpuRenderEncoder& encoder) {
    encoder.SetViewport({0.0, 0.0, side(row.width, maxWidth), side(row.height, maxHeight), row.znear, 1.0});
    DrawTriangles(encoder, pipeline, Quad(0, 0, 4, 4), Solid(1, 1, 1, 1));
  });
  EXPECT_EQ(Pixel(pixels, 8, 2, 2).a, 255);
  EXPECT_EQ(Pixel(pixels, 8, 6, 2).a, row.wider ? 255 : 0);
  EXPECT_EQ(Pixel(pixels, 8, 2, 6).a, row.taller ? 255 : 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, ViewportTest, ::testing::Values(
  ViewportRow{"Target",                 8,     8,     0.0,  false, false},
  ViewportRow{"TwiceTheTarget",         16,    16,    0.0,  true,  true},
  ViewportRow{"LargestWide",            0,     8,     0.0,  true,  false},
  ViewportRow{"LargestTall",            8,     0,     0.0,  false, true},
  ViewportRow{"WiderThanTheLargest",    -1,    16,    0.0,  false, false},
  ViewportRow{"TallerThanTheLargest",   16,    -1,    0.0,  false, false},
  ViewportRow{"FortyThousand",          40000, 40000, 0.0,  false, false},
  ViewportRow{"NearDepthBelowZero",     16,    16,    -1.0, false, false}),
  [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace platform::gpu::test
