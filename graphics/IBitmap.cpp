#include "graphics/IBitmap.h"

namespace fx::gfx {

namespace {

// Pixels over the scale, truncated; 0 past an int (an image at a scale of 1e-38), as for a scale that is not positive.
int PointSize(int pixels, float scale) {
  const float points = static_cast<float>(pixels) / scale;
  return points < 2147483648.f ? static_cast<int>(points) : 0;
}

}  // namespace

IBitmap::IBitmap(APIBitmap* apiBitmap, int nStates, bool framesAreHorizontal, const char* name)
    : mAPIBitmap(apiBitmap), mN(nStates), mFramesAreHorizontal(framesAreHorizontal), mResourceName(name ? name : "") {
  if (apiBitmap && apiBitmap->GetScale() > 0.f) {
    mW = PointSize(apiBitmap->GetWidth(), apiBitmap->GetScale());
    mH = PointSize(apiBitmap->GetHeight(), apiBitmap->GetScale());
  }
}

float IBitmap::GetScale() const {
  return mAPIBitmap ? mAPIBitmap->GetScale() : 1.f;
}

float IBitmap::GetDrawScale() const {
  return mAPIBitmap ? mAPIBitmap->GetDrawScale() : 1.f;
}

}  // namespace fx::gfx
