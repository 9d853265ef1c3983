// Pixel probes of drawing through the renderer into a framebuffer: lines, caps and joins, gradients, nearest-sampled
// images, a mipmapped framebuffer drawn minified, scissor edges, composite operations, paints whose image is gone, and
// text.
#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/vector/VRText.h"
#include "tests/graphics/vector/GVRTestRenderer.h"
#include "tests/graphics/vector/TestFonts.h"

namespace {

constexpr int kSize = 64;

struct Probe {
  int x, y;
  Rgba8 expected;
  int tolerance;
};

constexpr Rgba8 kClear{0, 0, 0, 0};
constexpr Rgba8 kWhite{255, 255, 255, 255};

void Line(VRcontext* c, float x0, float y0, float x1, float y1, float width) {
  vrBeginPath(c);
  vrMoveTo(c, x0, y0);
  vrLineTo(c, x1, y1);
  vrStrokeWidth(c, width);
  vrStrokeColor(c, vrRGBA(255, 255, 255, 255));
  vrStroke(c);
}

// A right-angle corner of a 16-wide stroke at (40, 40); its outer corner square is x, y in 40 .. 48.
void Corner(VRcontext* c, int join) {
  vrBeginPath(c);
  vrMoveTo(c, 4, 40);
  vrLineTo(c, 40, 40);
  vrLineTo(c, 40, 4);
  vrLineJoin(c, join);
  vrStrokeWidth(c, 16);
  vrStrokeColor(c, vrRGBA(255, 255, 255, 255));
  vrStroke(c);
}

void Capped(VRcontext* c, int cap) {
  vrLineCap(c, cap);
  Line(c, 20, 30, 40, 30, 6);
}

void FillRect(VRcontext* c, float x, float y, float w, float h) {
  vrBeginPath(c);
  vrRect(c, x, y, w, h);
  vrFill(c);
}

TEST_F(GVRTest, ProbedPixelsOfPrimitives) {
  struct Row {
    const char* name;
    void (*draw)(VRcontext*);
    std::vector<Probe> probes;
  } rows[] = {
      {"1 px line on pixel centres covers one row",
       [](VRcontext* c) { Line(c, 5, 10.5f, 55, 10.5f, 1); },
       {{30, 10, kWhite, 0}, {30, 9, kClear, 0}, {30, 11, kClear, 0}}},
      {"2 px line on a pixel edge covers two rows",
       [](VRcontext* c) { Line(c, 5, 20, 55, 20, 2); },
       {{30, 19, kWhite, 0}, {30, 20, kWhite, 0}, {30, 18, kClear, 0}, {30, 21, kClear, 0}}},
      {"butt cap ends at the end point",
       [](VRcontext* c) { Capped(c, VR_BUTT); },
       {{38, 30, kWhite, 0}, {41, 30, kClear, 0}, {30, 27, kWhite, 0}, {30, 33, kClear, 0}}},
      {"square cap reaches half the width beyond",
       [](VRcontext* c) { Capped(c, VR_SQUARE); },
       {{41, 30, kWhite, 0}, {42, 27, kWhite, 0}, {44, 30, kClear, 0}}},
      {"round cap is a half disc",
       [](VRcontext* c) { Capped(c, VR_ROUND); },
       {{41, 30, kWhite, 0}, {42, 27, kClear, 0}, {44, 30, kClear, 0}}},
      {"miter join fills the outer corner",
       [](VRcontext* c) { Corner(c, VR_MITER); },
       {{46, 46, kWhite, 0}, {44, 44, kWhite, 0}, {20, 47, kWhite, 0}, {47, 20, kWhite, 0}, {49, 49, kClear, 0}}},
      {"bevel join cuts the outer corner",
       [](VRcontext* c) { Corner(c, VR_BEVEL); },
       {{46, 46, kClear, 0}, {44, 44, kClear, 0}, {42, 42, kWhite, 0}, {46, 40, kWhite, 0}}},
      {"round join rounds the outer corner",
       [](VRcontext* c) { Corner(c, VR_ROUND); },
       {{46, 46, kClear, 0}, {44, 44, kWhite, 0}, {46, 40, kWhite, 0}, {40, 46, kWhite, 0}}},
      {"linear gradient reaches its end colours",
       [](VRcontext* c) {
         vrFillPaint(c, vrLinearGradient(c, 10, 0, 54, 0, vrRGBA(255, 0, 0, 255), vrRGBA(0, 0, 255, 255)));
         FillRect(c, 0, 0, 64, 8);
       },
       {{2, 4, {255, 0, 0, 255}, 1}, {60, 4, {0, 0, 255, 255}, 1}, {31, 4, {128, 0, 127, 255}, 4}}},
      {"radial gradient: inner colour inside, outer outside",
       [](VRcontext* c) {
         vrFillPaint(c, vrRadialGradient(c, 32, 32, 8, 20, vrRGBA(0, 255, 0, 255), vrRGBA(0, 0, 0, 0)));
         FillRect(c, 0, 0, 64, 64);
       },
       {{32, 32, {0, 255, 0, 255}, 1}, {36, 36, {0, 255, 0, 255}, 1}, {2, 2, kClear, 0}}},
      {"scissor edges are pixel exact",
       [](VRcontext* c) {
         vrScissor(c, 10, 10, 20, 20);
         FillRect(c, 0, 0, 64, 64);
       },
       {{9, 15, kClear, 0},
        {10, 15, kWhite, 0},
        {29, 15, kWhite, 0},
        {30, 15, kClear, 0},
        {15, 9, kClear, 0},
        {15, 10, kWhite, 0},
        {15, 29, kWhite, 0},
        {15, 30, kClear, 0}}},
      {"scissor edges through pixel centres half cover them",
       [](VRcontext* c) {
         vrScissor(c, 10.5f, 10, 20, 20);
         FillRect(c, 0, 0, 64, 64);
       },
       {{9, 15, kClear, 0}, {10, 15, {128, 128, 128, 128}, 1}, {20, 15, kWhite, 0}, {30, 15, {128, 128, 128, 128}, 1}}},
      {"a scissored stencil fill leaves the stencil clear outside the scissor",
       [](VRcontext* c) {
         // Two squares make a fill through the stencil; the scissor keeps only the first. The second fill's cover
         // quad spans the first's squares, so stencil counts left outside the scissor would paint them.
         vrScissor(c, 0, 0, 32, 64);
         vrBeginPath(c);
         vrRect(c, 4, 4, 24, 24);
         vrRect(c, 36, 36, 24, 24);
         vrFillColor(c, vrRGBA(255, 0, 0, 255));
         vrFill(c);
         vrResetScissor(c);
         vrBeginPath(c);
         vrRect(c, 40, 4, 20, 20);
         vrRect(c, 4, 40, 20, 20);
         vrFillColor(c, vrRGBA(0, 0, 255, 255));
         vrFill(c);
       },
       {{16, 16, {255, 0, 0, 255}, 0},
        {48, 48, kClear, 0},
        {50, 14, {0, 0, 255, 255}, 0},
        {14, 50, {0, 0, 255, 255}, 0},
        {32, 32, kClear, 0}}},
  };
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<uint8_t> pixels = Render(ctx, kSize, kSize, row.draw);
    for (const Probe& p : row.probes) {
      const Rgba8 got = Pixel(pixels, kSize, p.x, p.y);
      EXPECT_NEAR(got.r, p.expected.r, p.tolerance) << "at " << p.x << "," << p.y;
      EXPECT_NEAR(got.g, p.expected.g, p.tolerance) << "at " << p.x << "," << p.y;
      EXPECT_NEAR(got.b, p.expected.b, p.tolerance) << "at " << p.x << "," << p.y;
      EXPECT_NEAR(got.a, p.expected.a, p.tolerance) << "at " << p.x << "," << p.y;
    }
  }
}

// A 4 x 4 image of distinct opaque colours drawn 8 times larger with nearest sampling: 8 x 8 blocks of exactly the
// image's colours (rows mirrored for a flipped image; a mipmapped one magnified shows its first level).
TEST_F(GVRTest, NearestSampledImageGivesExactBlocks) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  std::vector<unsigned char> image(4 * 4 * 4);
  for (int i = 0; i < 16; ++i) {
    image[i * 4 + 0] = static_cast<unsigned char>(i * 16);
    image[i * 4 + 1] = static_cast<unsigned char>(255 - i * 16);
    image[i * 4 + 2] = static_cast<unsigned char>((i * 77) % 256);
    image[i * 4 + 3] = 255;
  }
  const int variants[] = {0, VR_IMAGE_PREMULTIPLIED, VR_IMAGE_FLIPY, VR_IMAGE_GENERATE_MIPMAPS};
  for (int variant : variants) {
    SCOPED_TRACE(testing::Message() << "flags " << variant);
    const int id = vrCreateImageRGBA(ctx, 4, 4, VR_IMAGE_NEAREST | variant, image.data());
    ASSERT_GT(id, 0);
    const std::vector<uint8_t> pixels = Render(ctx, 32, 32, [&](VRcontext* c) {
      vrFillPaint(c, vrImagePattern(c, 0, 0, 32, 32, 0, id, 1));
      FillRect(c, 0, 0, 32, 32);
    });
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const int row = variant == VR_IMAGE_FLIPY ? 3 - y / 8 : y / 8;
        const unsigned char* texel = &image[(row * 4 + x / 8) * 4];
        const Rgba8 got = Pixel(pixels, 32, x, y);
        ASSERT_EQ(got.r, texel[0]) << x << "," << y;
        ASSERT_EQ(got.g, texel[1]) << x << "," << y;
        ASSERT_EQ(got.b, texel[2]) << x << "," << y;
        ASSERT_EQ(got.a, 255) << x << "," << y;
      }
    vrDeleteImage(ctx, id);
  }
}

// A framebuffer made with mipmaps and drawn 16 times smaller (through its fifth level) shows what the last frame drew
// into it, a first and then a second colour over the whole image, as it does drawn at its own size.
TEST_F(GVRTest, AMipmappedFramebufferDrawnMinifiedShowsWhatWasDrawnIntoIt) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  GVRframebuffer* fb = gvrCreateFramebuffer(ctx, 64, 64, VR_IMAGE_GENERATE_MIPMAPS);
  ASSERT_NE(fb, nullptr);
  ASSERT_GT(fb->image, 0);
  for (const Rgba8 colour : {Rgba8{255, 0, 0, 255}, Rgba8{0, 0, 255, 255}}) {
    SCOPED_TRACE(testing::Message() << colour.r << " " << colour.g << " " << colour.b);
    gvrBindFramebuffer(fb);
    vrBeginFrame(ctx, 64, 64, 1);
    vrFillColor(ctx, vrRGBA(static_cast<unsigned char>(colour.r), static_cast<unsigned char>(colour.g),
                            static_cast<unsigned char>(colour.b), 255));
    FillRect(ctx, 0, 0, 64, 64);
    vrEndFrame(ctx);
    gvrBindFramebuffer(nullptr);
    for (const float side : {4.0f, 64.0f}) {
      const std::vector<uint8_t> pixels = Render(ctx, 64, 64, [&](VRcontext* c) {
        vrFillPaint(c, vrImagePattern(c, 0, 0, side, side, 0, fb->image, 1));
        FillRect(c, 0, 0, side, side);
      });
      const Rgba8 got = Pixel(pixels, 64, 1, 1);
      EXPECT_NEAR(got.r, colour.r, 1) << side;
      EXPECT_NEAR(got.g, colour.g, 1) << side;
      EXPECT_NEAR(got.b, colour.b, 1) << side;
      EXPECT_NEAR(got.a, 255, 1) << side;
    }
  }
  gvrDeleteFramebuffer(fb);
}

// Porter-Duff: result = source x Fs + destination x Fd on premultiplied colours (Porter and Duff, "Compositing
// Digital Images", 1984; lighter is the plus operator). A blue destination of alpha 0.8 on the left, a red source of
// alpha 0.6 on the right, overlapping in the middle; outside the source the destination is untouched.
TEST_F(GVRTest, CompositeOperationsFollowPorterDuff) {
  struct Row {
    int op;
    double (*fs)(double as, double ad);
    double (*fd)(double as, double ad);
  } rows[] = {
      {VR_SOURCE_OVER, [](double, double) { return 1.0; }, [](double as, double) { return 1 - as; }},
      {VR_SOURCE_IN, [](double, double ad) { return ad; }, [](double, double) { return 0.0; }},
      {VR_SOURCE_OUT, [](double, double ad) { return 1 - ad; }, [](double, double) { return 0.0; }},
      {VR_ATOP, [](double, double ad) { return ad; }, [](double as, double) { return 1 - as; }},
      {VR_DESTINATION_OVER, [](double, double ad) { return 1 - ad; }, [](double, double) { return 1.0; }},
      {VR_DESTINATION_IN, [](double, double) { return 0.0; }, [](double as, double) { return as; }},
      {VR_DESTINATION_OUT, [](double, double) { return 0.0; }, [](double as, double) { return 1 - as; }},
      {VR_DESTINATION_ATOP, [](double, double ad) { return 1 - ad; }, [](double as, double) { return as; }},
      {VR_LIGHTER, [](double, double) { return 1.0; }, [](double, double) { return 1.0; }},
      {VR_COPY, [](double, double) { return 1.0; }, [](double, double) { return 0.0; }},
      {VR_XOR, [](double, double ad) { return 1 - ad; }, [](double as, double) { return 1 - as; }},
  };
  const double src[4] = {0.6, 0, 0, 0.6}, dst[4] = {0, 0, 0.8, 0.8};
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "operation " << row.op);
    const std::vector<uint8_t> pixels = Render(ctx, 40, 8, [&](VRcontext* c) {
      vrFillColor(c, vrRGBAf(0, 0, 1, 0.8f));
      FillRect(c, 0, 0, 20, 8);
      vrGlobalCompositeOperation(c, row.op);
      vrFillColor(c, vrRGBAf(1, 0, 0, 0.6f));
      FillRect(c, 10, 0, 20, 8);
    });
    const struct {
      int x;
      bool source, destination;
    } regions[] = {{5, false, true}, {15, true, true}, {25, true, false}, {35, false, false}};
    for (const auto& region : regions) {
      const double as = region.source ? src[3] : 0, ad = region.destination ? dst[3] : 0;
      const int got[4] = {Pixel(pixels, 40, region.x, 4).r, Pixel(pixels, 40, region.x, 4).g,
                          Pixel(pixels, 40, region.x, 4).b, Pixel(pixels, 40, region.x, 4).a};
      for (int channel = 0; channel < 4; ++channel) {
        const double s = region.source ? src[channel] : 0, d = region.destination ? dst[channel] : 0;
        const double expected = region.source ? s * row.fs(as, ad) + d * row.fd(as, ad) : d;
        EXPECT_NEAR(got[channel], std::min(1.0, expected) * 255, 2) << "x " << region.x << " channel " << channel;
      }
    }
  }
}

// An image paint whose image was deleted, before recording or between recording and the flush, draws nothing.
TEST_F(GVRTest, PaintOfADeletedImageDrawsNothing) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  const std::vector<unsigned char> white(8 * 8 * 4, 255);
  for (bool deleteBeforeRecording : {true, false}) {
    const int id = vrCreateImageRGBA(ctx, 8, 8, 0, white.data());
    ASSERT_GT(id, 0);
    if (deleteBeforeRecording) vrDeleteImage(ctx, id);
    const std::vector<uint8_t> pixels = Render(ctx, 16, 16, [&](VRcontext* c) {
      vrFillPaint(c, vrImagePattern(c, 0, 0, 16, 16, 0, id, 1));
      FillRect(c, 0, 0, 16, 16);
      vrBeginPath(c);
      vrRect(c, 2, 2, 10, 10);
      vrRect(c, 6, 6, 8, 8);
      vrFill(c);
      vrStrokePaint(c, vrImagePattern(c, 0, 0, 16, 16, 0, id, 1));
      vrStroke(c);
      if (!deleteBeforeRecording) vrDeleteImage(c, id);
    });
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), static_cast<long>(pixels.size()));
  }
}

// Text through the renderer's text functions: ink inside the measured bounds and nowhere else, also rotated.
TEST_F(GVRTest, TextIsDrawnWithinItsMeasuredBounds) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  const int font = vrCreateFont(ctx, "sans", KD_DEJAVU_DIR "DejaVuSans.ttf");
  ASSERT_GE(font, 0);
  struct Row {
    const char* name;
    float angle;  // degrees, about the text's origin
    int width, height;
    float originX, originY;
  } rows[] = {{"level", 0, 128, 40, 4, 30}, {"rotated by 90 degrees", 90, 64, 128, 20, 4}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    float bounds[4] = {};
    const std::vector<uint8_t> pixels = Render(ctx, row.width, row.height, [&](VRcontext* c) {
      vrFontFaceId(c, font);
      vrFontSize(c, 20);
      vrFillColor(c, vrRGBA(255, 255, 255, 255));
      vrTranslate(c, row.originX, row.originY);
      vrRotate(c, vrDegToRad(row.angle));
      vrTextBounds(c, 0, 0, "Kelvadrune", nullptr, bounds);
      vrText(c, 0, 0, "Kelvadrune", nullptr);
    });
    EXPECT_GT(bounds[2] - bounds[0], 80);
    // The bounds are in the text's own frame; a rotation by 90 degrees takes (x, y) to (-y, x).
    float x0 = bounds[0], y0 = bounds[1], x1 = bounds[2], y1 = bounds[3];
    if (row.angle != 0) {
      const float rx0 = -y1, rx1 = -y0;
      y0 = x0, y1 = x1, x0 = rx0, x1 = rx1;
    }
    x0 += row.originX, x1 += row.originX, y0 += row.originY, y1 += row.originY;
    int inked = 0, stray = 0;
    for (int y = 0; y < row.height; ++y)
      for (int x = 0; x < row.width; ++x) {
        if (Pixel(pixels, row.width, x, y).a == 0) continue;
        const bool inside = x + 1 >= x0 - 1 && x <= x1 + 1 && y + 1 >= y0 - 1 && y <= y1 + 1;
        inside ? ++inked : ++stray;
      }
    EXPECT_GT(inked, 150);
    EXPECT_EQ(stray, 0);
  }
}

}  // namespace
