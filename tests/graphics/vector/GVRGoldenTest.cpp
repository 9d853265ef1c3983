// Golden images of primitives drawn through the renderer on the GPU back end, compared with the committed PNGs in
// golden/ (see golden/README.md). KD_UPDATE_GOLDEN=1 rewrites them instead of comparing.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "graphics/vector/VRText.h"
#include "tests/graphics/vector/GVRTestRenderer.h"
#include "tests/graphics/vector/TestFonts.h"
#include "tools/pngfile/PngFile.h"

namespace {

constexpr int kSize = 96;
// Another device or driver version may round a blend or a coverage value differently by a step or two; a real change
// moves many values by much more.
constexpr int kChannelTolerance = 3;
constexpr double kMaxDifferingFraction = 0.002;

void Background(VRcontext* c) {
  vrBeginPath(c);
  vrRect(c, 0, 0, kSize, kSize);
  vrFillColor(c, vrRGBA(32, 36, 44, 255));
  vrFill(c);
}

struct Golden {
  const char* name;
  void (*draw)(VRcontext*, int font);
};

const Golden kGoldens[] = {
    {"rounded_rect",
     [](VRcontext* c, int) {
       vrBeginPath(c);
       vrRoundedRect(c, 12.5f, 20, 70, 50, 10);
       vrFillPaint(c, vrBoxGradient(c, 12.5f, 20, 70, 50, 10, 12, vrRGBA(90, 160, 230, 255), vrRGBA(20, 40, 90, 255)));
       vrFill(c);
       vrStrokeColor(c, vrRGBA(240, 240, 240, 255));
       vrStrokeWidth(c, 2.5f);
       vrStroke(c);
     }},
    {"radial_circle",
     [](VRcontext* c, int) {
       vrBeginPath(c);
       vrCircle(c, 48, 48, 36);
       vrFillPaint(c, vrRadialGradient(c, 40, 40, 4, 40, vrRGBA(255, 230, 120, 255), vrRGBA(200, 40, 30, 160)));
       vrFill(c);
     }},
    {"star_with_hole",
     [](VRcontext* c, int) {
       vrBeginPath(c);
       for (int i = 0; i < 10; ++i) {
         const float angle = i * 3.1415927f / 5 - 3.1415927f / 2, r = i % 2 ? 16.0f : 42.0f;
         const float x = 48 + r * std::cos(angle), y = 50 + r * std::sin(angle);
         i == 0 ? vrMoveTo(c, x, y) : vrLineTo(c, x, y);
       }
       vrClosePath(c);
       vrCircle(c, 48, 50, 8);
       vrPathWinding(c, VR_CW);
       vrFillPaint(c, vrLinearGradient(c, 10, 10, 86, 86, vrRGBA(120, 255, 140, 255), vrRGBA(20, 120, 200, 255)));
       vrFill(c);
     }},
    {"lines_caps_joins",
     [](VRcontext* c, int) {
       const int caps[] = {VR_BUTT, VR_ROUND, VR_SQUARE}, joins[] = {VR_MITER, VR_ROUND, VR_BEVEL};
       for (int i = 0; i < 3; ++i) {
         vrBeginPath(c);
         vrMoveTo(c, 14, 20.0f + i * 28);
         vrLineTo(c, 40, 8.0f + i * 28);
         vrLineTo(c, 64, 26.0f + i * 28);
         vrLineTo(c, 82, 12.0f + i * 28);
         vrLineCap(c, caps[i]);
         vrLineJoin(c, joins[i]);
         vrStrokeWidth(c, 1.0f + i * 3.5f);
         vrStrokeColor(c, vrRGBA(250, 200, 80, 255));
         vrStroke(c);
       }
     }},
    {"curves_and_scissor",
     [](VRcontext* c, int) {
       vrScissor(c, 8, 8, 70, 80);
       vrBeginPath(c);
       vrMoveTo(c, 6, 80);
       vrBezierTo(c, 20, -10, 70, 120, 90, 14);
       vrStrokeWidth(c, 6);
       vrStrokeColor(c, vrRGBA(200, 120, 255, 200));
       vrStroke(c);
       vrBeginPath(c);
       vrArc(c, 48, 48, 24, 0, 4.5f, VR_CW);
       vrStrokeWidth(c, 3);
       vrStrokeColor(c, vrRGBA(255, 255, 255, 255));
       vrStroke(c);
     }},
    {"text",
     [](VRcontext* c, int font) {
       vrFontFaceId(c, font);
       vrFillColor(c, vrRGBA(235, 235, 235, 255));
       vrFontSize(c, 22);
       vrText(c, 6, 34, "Gain dB", nullptr);
       vrFontSize(c, 13);
       vrTranslate(c, 20, 50);
       vrRotate(c, 0.3f);
       vrText(c, 0, 10, "-12.5 dB", nullptr);
     }},
};

std::string GoldenPath(const char* name) {
  return std::string(KD_GOLDEN_DIR) + "/" + name + ".png";
}

TEST_F(GVRTest, PrimitivesMatchTheirGoldenImages) {
  VRcontext* ctx = Context();
  ASSERT_NE(ctx, nullptr);
  const int font = vrCreateFont(ctx, "sans", KD_DEJAVU_DIR "DejaVuSans.ttf");
  ASSERT_GE(font, 0);
  const char* update = std::getenv("KD_UPDATE_GOLDEN");
  const bool regenerate = update != nullptr && std::string(update) == "1";
  for (const Golden& golden : kGoldens) {
    SCOPED_TRACE(golden.name);
    const std::vector<uint8_t> pixels = Render(ctx, kSize, kSize, [&](VRcontext* c) {
      Background(c);
      golden.draw(c, font);
    });
    if (regenerate) {
      EXPECT_TRUE(WritePngRgba(GoldenPath(golden.name), pixels, kSize, kSize));
      continue;
    }
    std::vector<uint8_t> expected;
    int width = 0, height = 0;
    ASSERT_TRUE(ReadPngRgba(GoldenPath(golden.name), expected, width, height)) << GoldenPath(golden.name);
    ASSERT_EQ(width, kSize);
    ASSERT_EQ(height, kSize);
    int differing = 0, worst = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
      const int difference = std::abs(pixels[i] - expected[i]);
      worst = std::max(worst, difference);
      differing += difference > kChannelTolerance;
    }
    if (differing > kMaxDifferingFraction * pixels.size()) {
      const std::filesystem::path actual = std::filesystem::temp_directory_path() /
                                           (std::string(golden.name) + "_actual_" + std::to_string(getpid()) + ".png");
      WritePngRgba(actual.string(), pixels, kSize, kSize);
      ADD_FAILURE() << differing << " channel values differ by more than " << kChannelTolerance << " (worst " << worst
                    << "); the image drawn is " << actual;
    }
  }
}

}  // namespace
