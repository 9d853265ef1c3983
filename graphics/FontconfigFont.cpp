#include "graphics/FontconfigFont.h"

#include <utility>

#include "framework/PlugPaths.h"

namespace fx::gfx {

namespace {

using platform::fonts::FontBytes;
using platform::fonts::FontDescriptor;

// The bytes hold a face that can be read: what the system's font parser would accept before a font is made.
bool IsUsableFont(const FontBytes& bytes, int faceIndex) {
  return bytes && IFontFileData(bytes->data(), static_cast<int>(bytes->size()), faceIndex).IsValid();
}

PlatformFontPtr MakeFont(FontDescriptor descriptor, bool system, const char* faceName) {
  return std::make_unique<FontconfigFont>(std::move(descriptor), system, faceName);
}

const char* StyleName(ETextStyle style) {
  switch (style) {
    case kTextStyleBold:
      return "Bold";
    case kTextStyleItalic:
      return "Italic";
    default:
      return "Regular";
  }
}

}  // namespace

FontconfigFont::FontconfigFont(FontDescriptor descriptor, bool system, const char* faceName)
    : PlatformFont(system), mDescriptor(std::move(descriptor)) {
  mFaceName.Set(faceName ? faceName : "");
}

std::unique_ptr<IFontFileData> FontconfigFont::GetFontData() const {
  if (!mDescriptor.bytes) return nullptr;
  const auto* data = mDescriptor.bytes->data();
  const int size = static_cast<int>(mDescriptor.bytes->size());
  const int faceIndex =
      mFaceName.GetLength() ? FindFaceIndex(data, size, mDescriptor.family.c_str(), mFaceName.Get()) : 0;
  return std::make_unique<IFontFileData>(data, size, faceIndex);
}

FontDescriptorCache& FontDescriptorCacheStorage() {
  static FontDescriptorCache cache;
  return cache;
}

namespace FontFileHelpers {

PlatformFontPtr LoadPlatformFont(const char*, const char* fileNameOrResID, const char* bundleID,
                                 const char* sharedResourcesSubPath) {
  FwString path;
  if (!LocateResource(fileNameOrResID, "ttf", path, bundleID, nullptr, sharedResourcesSubPath)) return nullptr;
  FontDescriptor descriptor;
  descriptor.path = path.Get();
  descriptor.bytes = platform::fonts::ReadFontFile(descriptor.path);
  if (!IsUsableFont(descriptor.bytes, 0)) return nullptr;
  return MakeFont(std::move(descriptor), false, "");
}

PlatformFontPtr LoadPlatformFont(const char*, const char* fontName, ETextStyle style) {
  const char* styleName = StyleName(style);
  for (FontDescriptor& match : platform::fonts::MatchInstalledFonts(fontName ? fontName : "", styleName)) {
    match.bytes = platform::fonts::ReadFontFile(match.path);
    if (!match.bytes) continue;
    // fontconfig also lists a file under its other names (Roboto Thin is listed as a "Roboto" "Regular"): the
    // file must hold a face whose own family and style are the ones asked for, and the descriptor names that face,
    // so that the renderer (GetFontData) and the text field draw with the same one.
    const int face =
        FindFaceIndex(match.bytes->data(), static_cast<int>(match.bytes->size()), match.family.c_str(), styleName);
    if (face < 0) continue;
    match.faceIndex = face;
    return MakeFont(std::move(match), true, styleName);
  }
  return nullptr;
}

PlatformFontPtr LoadPlatformFont(const char*, const void* data, int dataSize) {
  FontDescriptor descriptor;
  descriptor.bytes = platform::fonts::CopyFontBytes(data, dataSize > 0 ? static_cast<size_t>(dataSize) : 0);
  if (!IsUsableFont(descriptor.bytes, 0)) return nullptr;
  return MakeFont(std::move(descriptor), false, "");
}

void CachePlatformFont(const char* fontID, const PlatformFontPtr& font, FontDescriptorCache& cache) {
  if (!font) return;
  FwMutexLock lock(cache.GetMutex());
  if (cache.Find(fontID, 1.0)) return;
  const std::unique_ptr<IFontFileData> data = font->GetFontData();
  cache.Add(new FontFileDescriptor{font->GetDescriptor(), data ? data->GetEmRatio() : 1.0}, fontID, 1.0);
}

const FontFileDescriptor* GetFontFileDescriptor(const char* fontID, FontDescriptorCache& cache) {
  FwMutexLock lock(cache.GetMutex());
  return cache.Find(fontID, 1.0);
}

}  // namespace FontFileHelpers

}  // namespace fx::gfx
