#include "graphics/IBitmapControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

// The value is taken within 0..1 first (NaN as 0): SetValue does not clamp, and a product past int's range would
// not convert.
int IBitmapBase::FrameForValue(int nFrames, double value) {
  if (nFrames <= 1) return 1;
  const double v = value >= 1.0 ? 1.0 : (value > 0.0 ? value : 0.0);
  const int i = static_cast<int>(static_cast<double>(nFrames - 1) * v + 0.5);
  return std::min(i + 1, nFrames);
}

void IBitmapBase::DrawBitmap(IGraphics& g) {
  if (!mControl) return;
  const IRECT& r = mControl->GetRECT();
  const float fw = static_cast<float>(mBitmap.FW());
  const float fh = static_cast<float>(mBitmap.FH());
  const float left = r.MW() - fw / 2.f;
  const float top = r.MH() - fh / 2.f;
  g.DrawBitmap(mBitmap, IRECT(left, top, left + fw, top + fh), FrameForValue(mBitmap.N(), mControl->GetValue(0)),
               &mControl->GetBlend());
}

// A bitmap that cannot be fetched again by its name keeps the image it has rather than losing it.
void IBitmapBase::OnRescale(IGraphics& g) {
  IBitmap scaled = g.GetScaledBitmap(mBitmap);
  if (scaled.GetAPIBitmap()) mBitmap = scaled;
}

IBitmapControl::IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx, int blendMethod)
    : IControl(IRECT(x, y, x + static_cast<float>(bitmap.FW()), y + static_cast<float>(bitmap.FH())), paramIdx),
      IBitmapBase(bitmap),
      mBitmapBlend(blendMethod, 1.f) {
  mBlend = mBitmapBlend;
  AttachIControl(this);
}

void IBitmapControl::OnRescale() {
  if (mGraphics) IBitmapBase::OnRescale(*mGraphics);
}

}  // namespace fx::gfx
