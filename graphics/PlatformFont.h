// A font found by the platform layer: the renderer takes its bytes, the platform caches its descriptor.
// Main thread only.
#pragma once

#include <memory>

#include "platform/fonts/FontFiles.h"

namespace fx::gfx {

class IFontFileData;

class PlatformFont {
 public:
  explicit PlatformFont(bool system) : mSystem(system) {}
  virtual ~PlatformFont() = default;
  PlatformFont(const PlatformFont&) = delete;
  PlatformFont& operator=(const PlatformFont&) = delete;

  // Where the font came from.
  virtual const platform::fonts::FontDescriptor& GetDescriptor() const = 0;
  // A new copy of the font's bytes with its tables read; null when there are no bytes.
  virtual std::unique_ptr<IFontFileData> GetFontData() const = 0;
  // True for a font found by family name among the installed fonts.
  bool IsSystem() const { return mSystem; }

 private:
  bool mSystem;
};

using PlatformFontPtr = std::unique_ptr<PlatformFont>;

}  // namespace fx::gfx
