// The editor's platform fonts: loading a font from a resource file, from installed fonts by family and
// style, or from memory; reading its bytes for the renderer; and the process-wide descriptor cache that
// keeps each font id's descriptor and em ratio for the native text field. Built on platform/fonts.
// Main thread; the cache's mutex guards the cache against other plug-in instances in the process.
#pragma once

#include "graphics/IFontFileData.h"
#include "graphics/IGraphicsTypes.h"
#include "graphics/PlatformFont.h"
#include "graphics/StaticStorage.h"

namespace fx::gfx {

class FontconfigFont : public PlatformFont {
 public:
  // faceName: the style a font found by family name was asked for (picks the face in a collection); empty
  // for fonts from a file or memory.
  FontconfigFont(platform::fonts::FontDescriptor descriptor, bool system, const char* faceName);

  const platform::fonts::FontDescriptor& GetDescriptor() const override { return mDescriptor; }
  // Face 0, or the first face whose style is the face name and whose family is the descriptor's; null when there
  // are no bytes.
  std::unique_ptr<IFontFileData> GetFontData() const override;

 private:
  platform::fonts::FontDescriptor mDescriptor;
  FwString mFaceName;
};

// A cache entry: the descriptor a font id was first loaded with, and units per em over its height.
struct FontFileDescriptor {
  platform::fonts::FontDescriptor descriptor;
  double emRatio = 1.0;
};

using FontDescriptorCache = StaticStorage<FontFileDescriptor>;

// The process's cache: lives until the module is unloaded, retained by each editor's platform graphics
// and emptied when the last one lets go.
FontDescriptorCache& FontDescriptorCacheStorage();

namespace FontFileHelpers {

// A font file found like any resource (the module's resources, the shared resources folder, a plain path),
// with the type "ttf". Null when not found or not a readable font. fontID is not used.
PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID, const char* bundleID,
                                 const char* sharedResourcesSubPath);
// An installed font of that family with the style "Bold" (kTextStyleBold), "Italic" (kTextStyleItalic) or
// "Regular" (any other value):
// the first match whose file can be read and holds a face of that family and style (its descriptor's face).
// Null when none is installed.
PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style);
// A copy of dataSize bytes at data. Null when they are no usable font.
PlatformFontPtr LoadPlatformFont(const char* fontID, const void* data, int dataSize);

// Under the cache's mutex: adds the font's descriptor and em ratio under fontID (scale 1) unless the id
// is cached already (the first font loaded under an id wins).
void CachePlatformFont(const char* fontID, const PlatformFontPtr& font, FontDescriptorCache& cache);
// Under the cache's mutex: the entry for fontID, or null.
const FontFileDescriptor* GetFontFileDescriptor(const char* fontID, FontDescriptorCache& cache);

}  // namespace FontFileHelpers

}  // namespace fx::gfx
