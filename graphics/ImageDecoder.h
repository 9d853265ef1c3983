// Decodes the editor's bitmap resources (PNG and JPEG) into straight RGBA pixels, rows top first, for the
// renderer's images. Any thread; the decoder keeps no state. May block on file I/O (the file form).
#pragma once

#include <cstdint>
#include <vector>

namespace fx::gfx {

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes
};

// False (and `image` unchanged) for a null or empty buffer or data that is not a whole PNG or JPEG.
bool DecodeImage(const void* data, int size, DecodedImage& image);
// The same for a file; false when it cannot be read.
bool DecodeImageFile(const char* path, DecodedImage& image);

}  // namespace fx::gfx
