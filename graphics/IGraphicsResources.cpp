// Resources by name: bitmaps at the right pixel scale (from a scaled file, the cache, or a rescaled copy
// drawn through a layer), parsed SVG pictures, raw resource files and fonts; and the process-wide caches
// that share them between graphics objects. Main thread; the cache operations hold the cache's mutex
// for the whole load (bitmap cache before SVG cache when both are held).
#include "graphics/IGraphics.h"

#include "framework/PlugPaths.h"
#include "graphics/ResourceCaches.h"
#include "graphics/ResourceNames.h"
#include "graphics/svg/SVGParser.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace fx::gfx {

namespace {

// The scale a bitmap is loaded at for a screen scale: the screen scale rounded up; -1 when that is past an int (no
// bitmap has such a scale).
int ScreenTargetScale(float screenScale) {
  const float scale = std::ceil(screenScale);
  return scale < 2147483648.f ? static_cast<int>(scale) : -1;
}

}  // namespace

StaticStorage<APIBitmap>& BitmapCache() {
  static StaticStorage<APIBitmap> sBitmapCache;
  return sBitmapCache;
}

StaticStorage<SVGImageHolder>& SVGCache() {
  static StaticStorage<SVGImageHolder> sSVGCache;
  return sSVGCache;
}

void IGraphics::RetainStaticStorage() {
  FwMutexLock bitmapLock(BitmapCache().GetMutex());
  BitmapCache().Retain();
  FwMutexLock svgLock(SVGCache().GetMutex());
  SVGCache().Retain();
}

void IGraphics::ReleaseStaticStorage() {
  FwMutexLock bitmapLock(BitmapCache().GetMutex());
  BitmapCache().Release();
  FwMutexLock svgLock(SVGCache().GetMutex());
  SVGCache().Release();
}

ISVG IGraphics::LoadSVG(const char* fileName, const char* units, float dpi) {
  FwMutexLock lock(SVGCache().GetMutex());
  if (SVGImageHolder* hit = SVGCache().Find(fileName, 1.0)) return ISVG(hit->mImage.get());
  const FwTypedBuf<uint8_t> bytes = LoadResource(fileName, "svg");
  if (bytes.GetSize() == 0) return ISVG();
  return LoadSVG(fileName, bytes.Get(), bytes.GetSize(), units, dpi);
}

ISVG IGraphics::LoadSVG(const char* name, const void* data, int dataSize, const char* units, float dpi) {
  FwMutexLock lock(SVGCache().GetMutex());
  if (SVGImageHolder* hit = SVGCache().Find(name, 1.0)) return ISVG(hit->mImage.get());
  if (!data) return ISVG();
  const char* text = static_cast<const char*>(data);
  const std::size_t size = dataSize > 0 ? static_cast<std::size_t>(dataSize) : std::strlen(text);
  std::unique_ptr<svg::SVGImage> image = svg::ParseSVG(text, size, units, dpi);
  if (!image) return ISVG();
  svg::SVGImage* picture = image.get();
  SVGCache().Add(new SVGImageHolder(std::move(image)), name, 1.0);
  return ISVG(picture);
}

// A read shorter than the file's size gives an empty buffer, as does a file that cannot be opened or sized.
FwTypedBuf<uint8_t> IGraphics::LoadResource(const char* fileNameOrResID, const char* fileType) {
  FwTypedBuf<uint8_t> bytes(4096);
  FwString path;
  if (!LocateResource(fileNameOrResID, fileType, path, GetBundleID(), nullptr, mSharedResourcesSubPath.Get()))
    return bytes;
  FILE* file = std::fopen(path.Get(), "rb");
  if (!file) return bytes;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size > 0 && size <= 0x7fffffffL && std::fseek(file, 0, SEEK_SET) == 0) {
    bytes.Resize(static_cast<int>(size));
    if (std::fread(bytes.Get(), 1, static_cast<std::size_t>(size), file) != static_cast<std::size_t>(size))
      bytes.Resize(0);
  }
  std::fclose(file);
  return bytes;
}

EResourceLocation IGraphics::SearchImageResource(const char* name, const char* type, FwString& result, int targetScale,
                                                 int& sourceScale) {
  for (int scale : ScaleSearchOrder(targetScale)) {
    const FwString candidate = ScaledResourceName(name, scale);
    if (LocateResource(candidate.Get(), type, result, GetBundleID(), nullptr, mSharedResourcesSubPath.Get())) {
      sourceScale = scale;
      return kAbsolutePath;
    }
  }
  return kNotFound;
}

APIBitmap* IGraphics::SearchBitmapInCache(const char* name, int targetScale, int& sourceScale) {
  FwMutexLock lock(BitmapCache().GetMutex());
  for (int scale : ScaleSearchOrder(targetScale))
    if (APIBitmap* hit = BitmapCache().Find(name, scale)) {
      sourceScale = scale;
      return hit;
    }
  return nullptr;
}

IBitmap IGraphics::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale) {
  const int target = targetScale ? targetScale : ScreenTargetScale(mScreenScale);
  if (target < 0) return IBitmap();
  FwMutexLock lock(BitmapCache().GetMutex());
  if (APIBitmap* hit = BitmapCache().Find(name, target)) return IBitmap(hit, nStates, framesAreHorizontal, name);
  const char* ext = ResourceExtension(name);
  if (!BitmapExtSupported(ext)) return IBitmap();

  FwString path;
  int sourceScale = 0;
  APIBitmap* inHand = nullptr;
  std::unique_ptr<APIBitmap> loaded;
  const EResourceLocation location = SearchImageResource(name, ext, path, target, sourceScale);
  if (location != kNotFound) {
    if (sourceScale != target) inHand = BitmapCache().Find(name, sourceScale);
    if (!inHand) {
      loaded.reset(LoadAPIBitmap(path.Get(), sourceScale, location, ext));
      inHand = loaded.get();
    }
  } else {
    inHand = SearchBitmapInCache(name, target, sourceScale);
  }
  return FinishLoadBitmap(inHand, std::move(loaded), name, nStates, framesAreHorizontal, target);
}

IBitmap IGraphics::LoadBitmap(const char* name, const void* data, int dataSize, int nStates, bool framesAreHorizontal,
                              int targetScale) {
  const int target = targetScale ? targetScale : ScreenTargetScale(mScreenScale);
  if (target < 0) return IBitmap();
  FwMutexLock lock(BitmapCache().GetMutex());
  if (APIBitmap* hit = BitmapCache().Find(name, target)) return IBitmap(hit, nStates, framesAreHorizontal, name);
  if (!BitmapExtSupported(ResourceExtension(name))) return IBitmap();

  int sourceScale = 0;
  std::unique_ptr<APIBitmap> loaded;
  APIBitmap* inHand = SearchBitmapInCache(name, target, sourceScale);
  if (!inHand && data && dataSize > 0) {
    // Images from memory are always made at scale 1.
    loaded.reset(LoadAPIBitmap(name, data, dataSize, 1));
    inHand = loaded.get();
  }
  return FinishLoadBitmap(inHand, std::move(loaded), name, nStates, framesAreHorizontal, target);
}

IBitmap IGraphics::FinishLoadBitmap(APIBitmap* inHand, std::unique_ptr<APIBitmap> loaded, const char* name, int nStates,
                                    bool framesAreHorizontal, int targetScale) {
  if (!inHand) return IBitmap();
  // The scaled copy is what the cache keeps; an image loaded only to make it is deleted with `loaded`.
  if (inHand->GetScale() != static_cast<float>(targetScale))
    return ScaleBitmap(IBitmap(inHand, nStates, framesAreHorizontal, name), name, targetScale);
  if (loaded) RetainBitmap(IBitmap(loaded.release(), nStates, framesAreHorizontal, name), name);
  return IBitmap(inHand, nStates, framesAreHorizontal, name);
}

// Draws the input at the target scale into a layer and keeps the layer's image in the cache. The screen
// scale is restored exactly afterwards (a fractional scale such as 1.5 stays 1.5).
IBitmap IGraphics::ScaleBitmap(const IBitmap& inBitmap, const char* name, int targetScale) {
  if (!inBitmap.GetAPIBitmap() || !(inBitmap.GetDrawScale() > 0.f) || targetScale <= 0) return IBitmap();
  const float screenScale = mScreenScale;
  const float drawScale = mDrawScale;
  mScreenScale = static_cast<float>(targetScale);
  mDrawScale = inBitmap.GetDrawScale();

  const IRECT bounds(0.f, 0.f, static_cast<float>(inBitmap.W()) / inBitmap.GetDrawScale(),
                     static_cast<float>(inBitmap.H()) / inBitmap.GetDrawScale());
  StartLayer(nullptr, bounds, true);
  DrawBitmap(inBitmap, bounds, 0, 0, nullptr);
  ILayerPtr layer = EndLayer();
  IBitmap scaled;
  if (layer && layer->GetAPIBitmap()) {
    scaled = IBitmap(layer->ReleaseAPIBitmap(), inBitmap.N(), inBitmap.GetFramesAreHorizontal(), name);
    RetainBitmap(scaled, name);
  }

  mDrawScale = drawScale;
  mScreenScale = screenScale;
  return scaled;
}

void IGraphics::RetainBitmap(const IBitmap& bitmap, const char* cacheName) {
  APIBitmap* image = bitmap.GetAPIBitmap();
  if (!image) return;
  FwMutexLock lock(BitmapCache().GetMutex());
  BitmapCache().Add(image, cacheName, image->GetScale());
}

void IGraphics::ReleaseBitmap(const IBitmap& bitmap) {
  FwMutexLock lock(BitmapCache().GetMutex());
  BitmapCache().Remove(bitmap.GetAPIBitmap());
}

// At a screen scale that rounds up past an int nothing is found.
IBitmap IGraphics::GetScaledBitmap(const IBitmap& inBitmap) {
  const int target = ScreenTargetScale(mScreenScale);
  if (target < 0) return IBitmap();
  return LoadBitmap(inBitmap.GetResourceName(), inBitmap.N(), inBitmap.GetFramesAreHorizontal(), target);
}

namespace {

// The platform font goes to the renderer; on success the platform keeps its descriptor.
template <class LoadFunc>
bool LoadFontWith(IGraphics& g, const char* fontID, LoadFunc&& loadPlatformFont) {
  std::unique_ptr<PlatformFont> font = loadPlatformFont();
  if (!font || !g.LoadAPIFont(fontID, font)) return false;
  g.CachePlatformFont(fontID, font);
  return true;
}

}  // namespace

bool IGraphics::LoadFont(const char* fontID, const char* fileNameOrResID) {
  return LoadFontWith(*this, fontID, [&] { return LoadPlatformFont(fontID, fileNameOrResID); });
}

bool IGraphics::LoadFont(const char* fontID, void* data, int dataSize) {
  return LoadFontWith(*this, fontID, [&] { return LoadPlatformFont(fontID, data, dataSize); });
}

bool IGraphics::LoadFont(const char* fontID, const char* fontName, int style) {
  // The style goes to the platform unchanged; one it does not know asks for the regular face.
  return LoadFontWith(*this, fontID,
                      [&] { return LoadPlatformFont(fontID, fontName, static_cast<ETextStyle>(style)); });
}

}  // namespace fx::gfx
