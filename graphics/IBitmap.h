// The picture handles controls draw with: APIBitmap (the renderer's image, owned by the bitmap cache or a
// layer), IBitmap (a value naming one image as a strip of frames) and ISVG (a parsed SVG picture, owned
// by the SVG cache). Plain values; the images they point to are used on the main thread only.
#pragma once

#include "framework/FwString.h"
#include "graphics/svg/SVGImage.h"

#include <memory>

namespace fx::gfx {

// An image of the renderer: its id, size in pixels, the integral pixel scale it was made for and the draw
// scale it was drawn at. Renderers derive from it to hold their own image object.
class APIBitmap {
 public:
  APIBitmap() = default;
  APIBitmap(int bitmapID, int width, int height, float scale, float drawScale)
      : mBitmapID(bitmapID), mWidth(width), mHeight(height), mScale(scale), mDrawScale(drawScale) {}
  virtual ~APIBitmap() = default;
  APIBitmap(const APIBitmap&) = delete;
  APIBitmap& operator=(const APIBitmap&) = delete;

  void SetBitmap(int bitmapID, int width, int height, float scale, float drawScale) {
    mBitmapID = bitmapID;
    mWidth = width;
    mHeight = height;
    mScale = scale;
    mDrawScale = drawScale;
  }
  int GetBitmapID() const { return mBitmapID; }
  int GetWidth() const { return mWidth; }
  int GetHeight() const { return mHeight; }
  float GetScale() const { return mScale; }
  float GetDrawScale() const { return mDrawScale; }

 private:
  int mBitmapID = 0;
  int mWidth = 0;
  int mHeight = 0;
  float mScale = 1.f;
  float mDrawScale = 1.f;
};

// A strip of nStates equal frames side by side (horizontal) or stacked (vertical). The empty bitmap has no
// image; a bitmap with no frames or no image draws nothing.
class IBitmap {
 public:
  IBitmap() = default;
  // Width and height in points are the image's pixel size over its scale, truncated (0 past an int).
  IBitmap(APIBitmap* apiBitmap, int nStates, bool framesAreHorizontal, const char* name = "");

  int W() const { return mW; }
  int H() const { return mH; }
  // The size of one frame (integer division; the whole size for a bitmap without frames).
  int FW() const { return (mFramesAreHorizontal && mN > 0) ? mW / mN : mW; }
  int FH() const { return (!mFramesAreHorizontal && mN > 0) ? mH / mN : mH; }
  int N() const { return mN; }
  bool GetFramesAreHorizontal() const { return mFramesAreHorizontal; }
  APIBitmap* GetAPIBitmap() const { return mAPIBitmap; }
  const char* GetResourceName() const { return mResourceName.Get(); }
  float GetScale() const;
  float GetDrawScale() const;
  // An image with at least one frame.
  bool IsValid() const { return mAPIBitmap != nullptr && mN > 0; }

 private:
  APIBitmap* mAPIBitmap = nullptr;
  int mW = 0;
  int mH = 0;
  int mN = 0;
  bool mFramesAreHorizontal = false;
  FwString mResourceName;
};

// A parsed SVG picture; the empty ISVG has none. A picture without area draws nothing.
class ISVG {
 public:
  ISVG() = default;
  explicit ISVG(svg::SVGImage* image) : mImage(image) {}

  float W() const { return mImage ? mImage->width : 0.f; }
  float H() const { return mImage ? mImage->height : 0.f; }
  bool IsValid() const { return mImage != nullptr && W() > 0.f && H() > 0.f; }
  svg::SVGImage* GetImage() const { return mImage; }

 private:
  svg::SVGImage* mImage = nullptr;
};

// The SVG cache's entry: the parsed picture it owns.
struct SVGImageHolder {
  explicit SVGImageHolder(std::unique_ptr<svg::SVGImage> image) : mImage(std::move(image)) {}
  std::unique_ptr<svg::SVGImage> mImage;
};

}  // namespace fx::gfx
