// Scaling and resizing: the screen scale from the platform, the user zoom and size from the product or a
// corner-resizer drag, within the limits set on the graphics object.
#include "graphics/IGraphics.h"

#include "framework/IGEditorDelegate.h"
#include "graphics/ICornerResizerControl.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

int IGraphics::WholePixels(double length) {
  return length >= 0.0 && length < 2147483648.0 ? static_cast<int>(length) : 0;
}

int IGraphics::WindowWidth() const {
  return WholePixels(GetPlatformWindowScale() * static_cast<float>(WholePixels(mWidth * mDrawScale)));
}

int IGraphics::WindowHeight() const {
  return WholePixels(GetPlatformWindowScale() * static_cast<float>(WholePixels(mHeight * mDrawScale)));
}

// A scale that is not a positive finite number is refused: it would reach the renderer, which sizes its surfaces
// by it, and every control. There are no limits to hold an infinite one to.
void IGraphics::SetScreenScale(float scale) {
  if (!(scale > 0.f) || !std::isfinite(scale)) return;
  mScreenScale = scale;
  PlatformResize(mDelegate->EditorResizeFromUI(WindowWidth(), WindowHeight(), true));
  ForAllControlsFunc([](IControl* c) { c->OnRescale(); });
  SetAllControlsDirty();
  DrawResize();
}

// An infinite scale ends at the limit it points to; NaN passes through both limits, so it is refused.
void IGraphics::Resize(int w, int h, float scale, bool needsPlatformResize) {
  if (std::isnan(scale)) return;
  mDelegate->ConstrainEditorResize(w, h);
  scale = std::max(scale, mMinScale);
  if (mSizeConstraintsSet) {
    w = static_cast<int>(std::clamp(static_cast<float>(w), mMinWidth, mMaxWidth));
    h = static_cast<int>(std::clamp(static_cast<float>(h), mMinHeight, mMaxHeight));
  }
  scale = std::min(scale, mMaxScale);

  if (w == mWidth && h == mHeight && scale == mDrawScale) return;

  ReleaseMouseCapture();
  mDrawScale = scale;
  mWidth = w;
  mHeight = h;
  if (mCornerResizer) mCornerResizer->OnRescale();
  PlatformResize(mDelegate->EditorResizeFromUI(WindowWidth(), WindowHeight(), needsPlatformResize));
  ForAllControlsFunc([](IControl* c) { c->OnResize(); });
  SetAllControlsDirty();
  DrawResize();

  if (mLayoutOnResize) mDelegate->LayoutUI(this);
}

// In scale mode the zoom follows the pointer relative to the press; a press that never happened (or at
// the editor's edge, 0) gives no ratio, so the drag is ignored rather than divided by it. In size mode the
// position becomes the size: one that no int holds (NaN, infinite, 2^31 and beyond) is ignored.
void IGraphics::OnDragResize(float x, float y) {
  if (mGUISizeMode == kUIResizerScale) {
    if (!(mMouseDownX > 0.f && mMouseDownY > 0.f)) return;
    const float scale = std::min(x * mDrawScale / mMouseDownX, y * mDrawScale / mMouseDownY);
    Resize(mWidth, mHeight, scale, true);
  } else {
    constexpr float kIntLimit = 2147483648.f;
    const auto fits = [](float v) { return v > -kIntLimit && v < kIntLimit; };
    if (!fits(x) || !fits(y)) return;
    Resize(static_cast<int>(x), static_cast<int>(y), mDrawScale, true);
  }
}

void IGraphics::EndDragResize() {
  mResizingInProcess = false;
  if (mGUISizeMode != kUIResizerScale) return;
  ForAllControlsFunc([](IControl* c) { c->OnRescale(); });
  SetAllControlsDirty();
}

}  // namespace fx::gfx
