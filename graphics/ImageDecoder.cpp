#include "graphics/ImageDecoder.h"

#include <stb/stb_image.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace fx::gfx {

bool DecodeImage(const void* data, int size, DecodedImage& image) {
  if (!data || size <= 0) return false;
  int w = 0;
  int h = 0;
  int channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load_from_memory(static_cast<const stbi_uc*>(data), size, &w, &h, &channels, 4), stbi_image_free);
  if (!pixels || w <= 0 || h <= 0) return false;
  image.width = w;
  image.height = h;
  image.rgba.assign(pixels.get(), pixels.get() + static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
  return true;
}

bool DecodeImageFile(const char* path, DecodedImage& image) {
  if (!path) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file.get());
  if (size <= 0 || size > 0x7fffffffL || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
  return DecodeImage(bytes.data(), static_cast<int>(size), image);
}

}  // namespace fx::gfx
