// A recording graphics object that also fakes the renderer's images and records what the plain recording
// double leaves out: stroke and fill options and patterns, windings, shadows, layers' pixel data and the
// platform calls of the small controls. Images are APIBitmaps whose pixel size comes from the resource's
// text ("40x20"); layers get images of the requested size.
#pragma once

#include "tests/support/RecordingGraphics.h"

#include <string>
#include <vector>

namespace fx::gfx::test {

class DetailGraphics : public RecordingGraphics {
 public:
  using IGraphics::DrawBitmap;
  using RecordingGraphics::RecordingGraphics;

  IPattern lastPattern;
  IStrokeOptions lastStrokeOptions;
  IFillOptions lastFillOptions;
  std::vector<IPattern> patterns;
  std::vector<std::string> urls;
  // Pixel data handed out by GetLayerBitmapData, and the mask ApplyShadowMask received.
  std::vector<uint8_t> layerPixels;
  std::vector<uint8_t> shadowMask;
  int imagesCreated = 0;
  int imagesLoaded = 0;
  std::string bundleID = "test.bundle";

  bool BitmapExtSupported(const char* ext) override;
  APIBitmap* LoadAPIBitmap(const char* path, int scale, EResourceLocation, const char* ext) override;
  APIBitmap* LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale) override;
  APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable) override;
  void GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data) override;
  void ApplyShadowMask(ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow) override;
  void PathSetWinding(bool clockwise) override;
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                  const IBlend* blend) override;
  void PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* blend) override;
  void DrawFastDropShadow(const IRECT& inner, const IRECT& outer, float xyDrop, float roundness, float blur,
                          const IBlend* blend) override;
  void UpdateLayer() override;
  bool OpenURL(const char* url, const char*, const char*, const char*) override;
  const char* GetBundleID() const override { return bundleID.c_str(); }
};

// The pixel size a fake image resource names ("40x20"); 0 x 0 when unreadable.
bool ParseFakeImageSize(const char* text, int size, int& w, int& h);

}  // namespace fx::gfx::test
