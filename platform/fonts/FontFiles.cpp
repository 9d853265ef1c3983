#include "platform/fonts/FontFiles.h"

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace platform::fonts {

FontBytes ReadFontFile(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return nullptr;
  const long size = std::ftell(file.get());
  if (size <= 0 || static_cast<unsigned long>(size) > kMaxFontFileSize || std::fseek(file.get(), 0, SEEK_SET) != 0)
    return nullptr;
  auto bytes = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(size));
  if (std::fread(bytes->data(), 1, bytes->size(), file.get()) != bytes->size()) return nullptr;
  return bytes;
}

FontBytes CopyFontBytes(const void* data, size_t size) {
  if (!data || size == 0 || size > kMaxFontFileSize) return nullptr;
  const auto* begin = static_cast<const uint8_t*>(data);
  return std::make_shared<const std::vector<uint8_t>>(begin, begin + size);
}

std::vector<FontDescriptor> MatchInstalledFonts(const std::string& family, const std::string& style) {
  std::vector<FontDescriptor> matches;
  if (family.empty() || style.empty() || !FcInit()) return matches;
  using PatternPtr = std::unique_ptr<FcPattern, void (*)(FcPattern*)>;
  using ObjectSetPtr = std::unique_ptr<FcObjectSet, void (*)(FcObjectSet*)>;
  using FontSetPtr = std::unique_ptr<FcFontSet, void (*)(FcFontSet*)>;
  PatternPtr pattern(FcPatternCreate(), &FcPatternDestroy);
  ObjectSetPtr objects(FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_STYLE, nullptr), &FcObjectSetDestroy);
  if (!pattern || !objects ||
      !FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str())) ||
      !FcPatternAddString(pattern.get(), FC_STYLE, reinterpret_cast<const FcChar8*>(style.c_str())))
    return matches;
  // Listing (unlike matching) gives only faces that have every property of the pattern: both names are
  // mandatory, nothing is substituted.
  FontSetPtr fonts(FcFontList(nullptr, pattern.get(), objects.get()), &FcFontSetDestroy);
  if (!fonts) return matches;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch || !file) continue;
    if (FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    // Variable-font instances carry their instance number in the upper bits; the face is the lower 16.
    matches.push_back({reinterpret_cast<const char*>(file), nullptr, family, style, index & 0xFFFF});
  }
  return matches;
}

}  // namespace platform::fonts
