#include "tests/support/DetailGraphics.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace fx::gfx::test {

bool ParseFakeImageSize(const char* text, int size, int& w, int& h) {
  const char* end = text + size;
  auto r1 = std::from_chars(text, end, w);
  if (r1.ec != std::errc() || r1.ptr == end || *r1.ptr != 'x') return false;
  auto r2 = std::from_chars(r1.ptr + 1, end, h);
  return r2.ec == std::errc();
}

bool DetailGraphics::BitmapExtSupported(const char* ext) {
  return std::strcmp(ext, "png") == 0 || std::strcmp(ext, "jpg") == 0;
}

APIBitmap* DetailGraphics::LoadAPIBitmap(const char* path, int scale, EResourceLocation, const char*) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string s = text.str();
  int w = 0;
  int h = 0;
  if (!ParseFakeImageSize(s.data(), static_cast<int>(s.size()), w, h)) return nullptr;
  log.push_back("LoadAPIBitmap " + std::string(std::strrchr(path, '/') + 1) + " " + Num(scale));
  ++imagesLoaded;
  return new APIBitmap(100 + imagesLoaded, w, h, static_cast<float>(scale), 1.f);
}

APIBitmap* DetailGraphics::LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale) {
  int w = 0;
  int h = 0;
  if (!ParseFakeImageSize(static_cast<const char*>(data), dataSize, w, h)) return nullptr;
  log.push_back("LoadAPIBitmap " + std::string(name) + " memory " + Num(scale));
  ++imagesLoaded;
  return new APIBitmap(100 + imagesLoaded, w, h, static_cast<float>(scale), 1.f);
}

APIBitmap* DetailGraphics::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool) {
  log.push_back("CreateAPIBitmap " + Num(width) + "x" + Num(height) + " s" + Num(scale) + " d" + Num(drawScale));
  ++imagesCreated;
  return new APIBitmap(imagesCreated, width, height, scale, static_cast<float>(drawScale));
}

void DetailGraphics::GetLayerBitmapData(const ILayerPtr&, RawBitmapData& data) {
  data.Resize(static_cast<int>(layerPixels.size()));
  if (!layerPixels.empty()) std::memcpy(data.Get(), layerPixels.data(), layerPixels.size());
}

void DetailGraphics::ApplyShadowMask(ILayerPtr&, RawBitmapData& mask, const IShadow&) {
  shadowMask.assign(mask.Get(), mask.Get() + mask.GetSize());
}

void DetailGraphics::PathSetWinding(bool clockwise) {
  log.push_back(std::string("PathSetWinding ") + (clockwise ? "1" : "0"));
}

void DetailGraphics::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                                const IBlend* blend) {
  RecordingGraphics::PathStroke(pattern, thickness, options, blend);
  lastPattern = pattern;
  lastStrokeOptions = options;
  patterns.push_back(pattern);
}

void DetailGraphics::PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* blend) {
  RecordingGraphics::PathFill(pattern, options, blend);
  lastPattern = pattern;
  lastFillOptions = options;
  patterns.push_back(pattern);
}

void DetailGraphics::DrawFastDropShadow(const IRECT& inner, const IRECT& outer, float xyDrop, float roundness,
                                        float blur, const IBlend*) {
  log.push_back("DrawFastDropShadow " + Rect(inner) + " " + Rect(outer) + " " + Num(xyDrop) + " " + Num(roundness) +
                " " + Num(blur));
}

void DetailGraphics::UpdateLayer() {
  log.push_back("UpdateLayer " + Num(NLayers()));
}

bool DetailGraphics::OpenURL(const char* url, const char*, const char*, const char*) {
  urls.push_back(url);
  return true;
}

}  // namespace fx::gfx::test
