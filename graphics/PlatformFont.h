// A font found by the platform layer: the renderer takes its bytes, the platform caches its descriptor.
// Main thread only.
#pragma once

namespace fx::gfx {

class IFontFileData;

class PlatformFont
{
public:
  virtual ~PlatformFont() = default;
  // A new copy of the font's bytes with its tables read, owned by the caller; null when unreadable.
  virtual IFontFileData* GetFontData() = 0;
};

} // namespace fx::gfx
