// An off-screen drawing layer and a drop shadow computed from a layer's alpha. A control draws into a
// layer between IGraphics::StartLayer and EndLayer, keeps it (ILayerPtr) and draws the layer's image
// instead of redrawing itself until CheckLayer says it is stale. Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IPattern.h"
#include "graphics/IRECT.h"

#include <memory>

namespace fx::gfx {

class IControl;

class ILayer {
 public:
  // Takes ownership of the image.
  ILayer(APIBitmap* bitmap, const IRECT& layerRect, IControl* control, const IRECT& controlRect)
      : mBitmap(bitmap), mControl(control), mControlRECT(controlRect), mRECT(layerRect) {}

  void Invalidate() { mInvalid = true; }
  const APIBitmap* GetAPIBitmap() const { return mBitmap.get(); }
  // Hands the image over to the caller; the layer is left without one.
  APIBitmap* ReleaseAPIBitmap() { return mBitmap.release(); }
  // A one-frame bitmap of the image (size in points), unnamed.
  IBitmap GetBitmap() const { return IBitmap(mBitmap.get(), 1, false); }
  const IRECT& Bounds() const { return mRECT; }

 private:
  friend class IGraphics;

  std::unique_ptr<APIBitmap> mBitmap;
  IControl* mControl;
  IRECT mControlRECT;
  IRECT mRECT;
  bool mInvalid = false;
};

using ILayerPtr = std::unique_ptr<ILayer>;

// A layer drop shadow: the fill, blur size in points, offset, opacity and whether the layer's own content
// is drawn over the shadow.
struct IShadow {
  IShadow(const IPattern& pattern, float blurSize, float xOffset, float yOffset, float opacity, bool drawForeground)
      : mPattern(pattern),
        mBlurSize(blurSize),
        mXOffset(xOffset),
        mYOffset(yOffset),
        mOpacity(opacity),
        mDrawForeground(drawForeground) {}

  IPattern mPattern;
  float mBlurSize = 0.f;
  float mXOffset = 0.f;
  float mYOffset = 0.f;
  float mOpacity = 1.f;
  bool mDrawForeground = true;
};

}  // namespace fx::gfx
