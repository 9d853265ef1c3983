#include "graphics/IBitmap.h"

namespace fx::gfx {

IBitmap::IBitmap(APIBitmap* apiBitmap, int nStates, bool framesAreHorizontal, const char* name)
    : mAPIBitmap(apiBitmap), mN(nStates), mFramesAreHorizontal(framesAreHorizontal), mResourceName(name ? name : "") {
  if (apiBitmap && apiBitmap->GetScale() > 0.f) {
    mW = static_cast<int>(static_cast<float>(apiBitmap->GetWidth()) / apiBitmap->GetScale());
    mH = static_cast<int>(static_cast<float>(apiBitmap->GetHeight()) / apiBitmap->GetScale());
  }
}

float IBitmap::GetScale() const {
  return mAPIBitmap ? mAPIBitmap->GetScale() : 1.f;
}

float IBitmap::GetDrawScale() const {
  return mAPIBitmap ? mAPIBitmap->GetDrawScale() : 1.f;
}

}  // namespace fx::gfx
