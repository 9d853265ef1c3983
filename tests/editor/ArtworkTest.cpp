// The editor's pictures in resources/: each reads with the project's SVG reader at the size the layout
// gives it, draws something, and the "on" picture of each pair paints in colours the "off" one does not.
#include "graphics/svg/SVGParser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace fx::gfx::test {
namespace {

std::unique_ptr<svg::SVGImage> ReadResource(const std::string& name) {
  std::ifstream in(std::string(KD_RESOURCES_DIR) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string data = text.str();
  return svg::ParseSVG(data.c_str(), data.size(), "px", 72.f);
}

// The colours (alpha included) a picture fills and strokes with.
std::set<uint32_t> Colors(const svg::SVGImage& image) {
  std::set<uint32_t> out;
  for (const svg::SVGShape& shape : image.shapes)
    for (const svg::SVGPaint* paint : {&shape.fill, &shape.stroke})
      if (paint->type == svg::kPaintColor) out.insert(paint->color);
  return out;
}

struct PictureCase {
  const char* name;
  float size[2];
  bool pair;
};

// clang-format off
const PictureCase kPictures[] = {
  {"filemenu", {24, 24}, true},
  {"button_prev", {24, 24}, true},
  {"button_next", {24, 24}, true},
  {"downloadicon", {24, 24}, true},
  {"lock", {24, 24}, true},
  {"inf", {24, 24}, true},
  {"link", {24, 24}, true},
  {"buttonpower", {56, 56}, true},
  {"steroMS", {56, 56}, true},
  {"resize", {16, 16}, true},
  {"plugin_logo", {128, 29}, false},
  {"company_logo", {130, 24}, false},
};
// clang-format on

TEST(Artwork, EveryPictureReadsAtItsSizeAndPairsDifferInColour) {
  for (const PictureCase& c : kPictures) {
    const std::vector<std::string> files =
        c.pair ? std::vector<std::string>{std::string(c.name) + "_off.svg", std::string(c.name) + "_on.svg"}
               : std::vector<std::string>{std::string(c.name) + ".svg"};
    std::vector<std::set<uint32_t>> colors;
    for (const std::string& file : files) {
      const std::unique_ptr<svg::SVGImage> image = ReadResource(file);
      ASSERT_NE(image, nullptr) << file;
      EXPECT_EQ(image->width, c.size[0]) << file;
      EXPECT_EQ(image->height, c.size[1]) << file;
      EXPECT_FALSE(image->shapes.empty()) << file;
      colors.push_back(Colors(*image));
    }
    if (c.pair) {
      EXPECT_NE(colors[0], colors[1]) << c.name;
    }
  }
}

}  // namespace
}  // namespace fx::gfx::test
