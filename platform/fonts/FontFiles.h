// Stands in for the macOS font services on Linux: font bytes from files or memory (the data providers),
// font descriptors as plain values, and matching installed faces by family and style through fontconfig,
// the desktop's own font matching.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::fonts {

// A font file's bytes, shared and never changed once made.
using FontBytes = std::shared_ptr<const std::vector<uint8_t>>;

// Where a font comes from: its file (empty for a font made from memory), its bytes, the family and style
// names it was found under (empty when not found by name) and its face inside a collection file.
struct FontDescriptor {
  std::string path;
  FontBytes bytes;
  std::string family;
  std::string style;
  int faceIndex = 0;
};

// Fonts larger than this are refused: no real font comes near it, and a huge file would only be a mistake.
inline constexpr size_t kMaxFontFileSize = 64u << 20;

// Any thread; blocks on file I/O. The whole file, or null when it cannot be read, is empty or too large.
FontBytes ReadFontFile(const std::string& path);
// Any thread. A copy of size bytes at data; null for no bytes or too many.
FontBytes CopyFontBytes(const void* data, size_t size);

// Any thread; may read fontconfig's caches. The installed faces whose family and style both equal the given
// names (case ignored, as fontconfig compares them), in fontconfig's order; none when either name is
// empty or fontconfig cannot be set up. The bytes are not read here.
std::vector<FontDescriptor> MatchInstalledFonts(const std::string& family, const std::string& style);

}  // namespace platform::fonts
