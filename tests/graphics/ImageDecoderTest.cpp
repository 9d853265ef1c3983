// Bitmap decoding of PNG data.
#include "graphics/ImageDecoder.h"

#include <gtest/gtest.h>

namespace fx::gfx {
namespace {

// A 2 x 1 RGBA PNG: opaque red, then blue at alpha 128. Made once with Python's zlib and struct modules
// (IHDR 2x1 8-bit colour type 6, one filter-0 row, CRCs from zlib.crc32).
const uint8_t kTwoPixels[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
                              0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0xf4,
                              0x22, 0x7f, 0x8a, 0x00, 0x00, 0x00, 0x0e, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
                              0xcf, 0xc0, 0x00, 0x42, 0x0d, 0x00, 0x0f, 0x7a, 0x03, 0x7e, 0x77, 0xe9, 0x7f, 0x97, 0x00,
                              0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

TEST(ImageDecoder, DecodesPNGToStraightRGBA) {
  DecodedImage image;
  ASSERT_TRUE(DecodeImage(kTwoPixels, sizeof(kTwoPixels), image));
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 1);
  EXPECT_EQ(image.rgba, (std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 255, 128}));
}

TEST(ImageDecoder, RefusesEmptyTruncatedAndForeignData) {
  DecodedImage image;
  EXPECT_FALSE(DecodeImage(nullptr, 10, image));
  EXPECT_FALSE(DecodeImage(kTwoPixels, 0, image));
  EXPECT_FALSE(DecodeImage(kTwoPixels, 40, image));
  const char text[] = "GIF89a not an image";
  EXPECT_FALSE(DecodeImage(text, sizeof(text), image));
  EXPECT_FALSE(DecodeImageFile("/nonexistent/kd.png", image));
  EXPECT_FALSE(DecodeImageFile(nullptr, image));
  EXPECT_EQ(image.width, 0);
  EXPECT_TRUE(image.rgba.empty());
}

}  // namespace
}  // namespace fx::gfx
