// The current transform with its stack of saved transforms, the stack of off-screen layers with their
// clipping, and the drop shadow computed from a layer's alpha. Every transform change is sent to the
// renderer at once; every layer change retargets it (UpdateLayer) and resets transform and clip.
#include "graphics/IGraphics.h"

#include "graphics/ShadowBlur.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

// Degrees to radians with pi as the float the drawing code has always used.
double Radians(float degrees) {
  return static_cast<double>(degrees / 180.f * 3.1415927f);
}

// A pixel count as an int; false for one that no int holds (not a number, or past any image).
bool PixelCount(float pixels, int& count) {
  if (!(pixels >= -2147483648.f && pixels < 2147483648.f)) return false;
  count = static_cast<int>(pixels);
  return true;
}

bool Overlaps(const IRECT& r, const IRECT& area) {
  return r.R >= area.L && r.L < area.R && r.B >= area.T && r.T < area.B;
}

}  // namespace

void IGraphics::PathTransformSave() {
  mTransformStates.push(mTransform);
}

void IGraphics::PathTransformRestore() {
  if (mTransformStates.empty()) return;
  mTransform = mTransformStates.top();
  mTransformStates.pop();
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformTranslate(float x, float y) {
  mTransform.mTX += mTransform.mXX * x + mTransform.mXY * y;
  mTransform.mTY += mTransform.mYX * x + mTransform.mYY * y;
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformScale(float x, float y) {
  mTransform.mXX *= x;
  mTransform.mYX *= x;
  mTransform.mXY *= y;
  mTransform.mYY *= y;
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformScale(float scale) {
  PathTransformScale(scale, scale);
}

void IGraphics::PathTransformRotate(float degrees) {
  const double c = std::cos(Radians(degrees));
  const double s = std::sin(Radians(degrees));
  const IMatrix m = mTransform;
  mTransform.mXX = c * m.mXX + s * m.mXY;
  mTransform.mYX = c * m.mYX + s * m.mYY;
  mTransform.mXY = c * m.mXY - s * m.mXX;
  mTransform.mYY = c * m.mYY - s * m.mYX;
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformSkew(float xAngle, float yAngle) {
  const double a = std::tan(Radians(yAngle));
  const double b = std::tan(Radians(xAngle));
  const IMatrix m = mTransform;
  mTransform.mXX = m.mXX + a * m.mXY;
  mTransform.mYX = m.mYX + a * m.mYY;
  mTransform.mXY = m.mXY + b * m.mXX;
  mTransform.mYY = m.mYY + b * m.mYX;
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathTransformMatrix(const IMatrix& m) {
  const IMatrix c = mTransform;
  mTransform.mXX = m.mXX * c.mXX + m.mYX * c.mXY;
  mTransform.mYX = m.mXX * c.mYX + m.mYX * c.mYY;
  mTransform.mXY = m.mXY * c.mXX + m.mYY * c.mXY;
  mTransform.mYY = m.mXY * c.mYX + m.mYY * c.mYY;
  mTransform.mTX = c.mXX * m.mTX + c.mXY * m.mTY + c.mTX;
  mTransform.mTY = c.mYX * m.mTX + c.mYY * m.mTY + c.mTY;
  PathTransformSetMatrix(mTransform);
}

void IGraphics::StartLayer(IControl* control, const IRECT& r, bool cacheable) {
  const float s = GetTotalScale();
  const IRECT aligned(std::floor(r.L * s) / s, std::floor(r.T * s) / s, std::ceil(r.R * s) / s, std::ceil(r.B * s) / s);
  // The point size is rounded up before scaling. A size that is not a number or that no int holds makes no image,
  // as when the renderer cannot make one; the layer is pushed all the same, so that EndLayer closes it.
  int w = 0, h = 0;
  const bool sized =
      PixelCount(std::ceil(std::ceil(aligned.W()) * s), w) && PixelCount(std::ceil(std::ceil(aligned.H()) * s), h);
  APIBitmap* image = sized ? CreateAPIBitmap(w, h, mScreenScale, mDrawScale, cacheable) : nullptr;
  PushLayer(std::make_unique<ILayer>(image, aligned, control, control ? control->GetRECT() : IRECT()));
}

ILayerPtr IGraphics::EndLayer() {
  return ILayerPtr(PopLayer());
}

void IGraphics::PushLayer(ILayer* layer) {
  PushStackedLayer(layer, nullptr);
}

void IGraphics::PushLayer(ILayerPtr&& layer) {
  ILayer* raw = layer.get();
  PushStackedLayer(raw, std::move(layer));
}

void IGraphics::PushStackedLayer(ILayer* layer, ILayerPtr&& owner) {
  if (!layer) return;
  mLayers.push(StackedLayer{layer, std::move(owner)});
  UpdateLayer();
  mTransform = IMatrix();
  PathTransformSetMatrix(mTransform);
  PathClipRegion(layer->mRECT);
  PathClear();
}

// On an empty stack nothing is popped, but the target, transform and clip are set again all the same.
ILayer* IGraphics::PopLayer() {
  ILayer* layer = nullptr;
  if (!mLayers.empty()) {
    layer = mLayers.top().layer;
    // The caller takes over an owned layer (EndLayer wraps it again).
    static_cast<void>(mLayers.top().owner.release());
    mLayers.pop();
  }
  UpdateLayer();
  mTransform = IMatrix();
  PathTransformSetMatrix(mTransform);
  PathClipRegion(IRECT());
  PathClear();
  return layer;
}

bool IGraphics::CheckLayer(const ILayerPtr& layer) {
  if (!layer || !layer->mBitmap) return false;
  if (layer->mControl && layer->mControl->GetRECT() != layer->mControlRECT) {
    layer->mControlRECT = layer->mControl->GetRECT();
    layer->Invalidate();
  }
  return !layer->mInvalid && layer->mBitmap->GetDrawScale() == mDrawScale && layer->mBitmap->GetScale() == mScreenScale;
}

void IGraphics::DrawLayer(const ILayerPtr& layer, const IBlend* blend) {
  if (!layer || !layer->mBitmap) return;
  PathTransformSave();
  mTransform = IMatrix();
  PathTransformSetMatrix(mTransform);
  DrawBitmap(layer->GetBitmap(), layer->mRECT, 0, 0, blend);
  PathTransformRestore();
}

void IGraphics::DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* blend) {
  if (!layer || !layer->mBitmap || !(layer->mRECT.W() > 0.f) || !(layer->mRECT.H() > 0.f)) return;
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / layer->mRECT.W(), bounds.H() / layer->mRECT.H());
  DrawBitmap(layer->GetBitmap(), IRECT(0.f, 0.f, layer->mRECT.W(), layer->mRECT.H()), 0, 0, blend);
  PathTransformRestore();
}

void IGraphics::DrawRotatedLayer(const ILayerPtr& layer, double angle) {
  if (!layer || !layer->mBitmap) return;
  PathTransformSave();
  mTransform = IMatrix();
  PathTransformSetMatrix(mTransform);
  DrawRotatedBitmap(layer->GetBitmap(), layer->mRECT.MW(), layer->mRECT.MH(), angle, nullptr);
  PathTransformRestore();
}

IRECT IGraphics::LayerOrClipArea() const {
  return mLayers.empty() ? mClipRECT : mLayers.top().layer->mRECT;
}

void IGraphics::PathClipRegion(const IRECT& r) {
  const IRECT area = LayerOrClipArea();
  IRECT clip;
  if (r.Empty())
    clip = area;
  else if (!area.Empty() && Overlaps(r, area))
    clip = IRECT(std::max(r.L, area.L), std::max(r.T, area.T), std::min(r.R, area.R), std::min(r.B, area.B));
  PathTransformSetMatrix(IMatrix());
  SetClipRegion(clip);
  PathTransformSetMatrix(mTransform);
}

// The blurred alpha is handed to the renderer, which colours it with the shadow's pattern.
void IGraphics::ApplyLayerDropShadow(ILayerPtr& layer, const IShadow& shadow) {
  if (!layer || !layer->mBitmap) return;
  RawBitmapData pixels;
  GetLayerBitmapData(layer, pixels);
  const APIBitmap& image = *layer->mBitmap;
  const int width = image.GetWidth();
  const int height = image.GetHeight();
  const int size = pixels.GetSize();
  // A buffer that does not hold the whole image would be read past its end.
  if (size == 0 || width <= 0 || height <= 0 || size < width * height * 4) return;
  RawBitmapData scratch;
  scratch.Resize(size);
  const ShadowKernel kernel = MakeShadowKernel(image.GetScale() * image.GetDrawScale(), shadow.mBlurSize);
  const int alpha = AlphaChannelComponent();
  const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(width) * 4;
  const uint8_t* firstRow = pixels.Get() + alpha + (FlippedBitmap() ? rowBytes * (height - 1) : 0);
  BlurAlphaPass(firstRow, FlippedBitmap() ? -rowBytes : rowBytes, height, width, scratch.Get() + alpha, size / width,
                kernel);
  BlurAlphaPass(scratch.Get() + alpha, size / width, width, height, pixels.Get() + alpha, size / height, kernel);
  ApplyShadowMask(layer, pixels, shadow);
}

void IGraphics::CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                                      double& ty) const {
  if (text.mAngle == 0.f) return;
  const double c = std::cos(Radians(text.mAngle));
  const double s = std::sin(Radians(text.mAngle));
  const double xs[4] = {rect.L, rect.R, rect.R, rect.L};
  const double ys[4] = {rect.T, rect.T, rect.B, rect.B};
  double l = 0.0, t = 0.0, r = 0.0, b = 0.0;
  for (int i = 0; i < 4; ++i) {
    const double x = xs[i] * c - ys[i] * s;
    const double y = xs[i] * s + ys[i] * c;
    l = i == 0 ? x : std::min(l, x);
    r = i == 0 ? x : std::max(r, x);
    t = i == 0 ? y : std::min(t, y);
    b = i == 0 ? y : std::max(b, y);
  }
  rect = IRECT(static_cast<float>(l), static_cast<float>(t), static_cast<float>(r), static_cast<float>(b));
  switch (text.mAlign) {
    case kAlignNear:
      tx = bounds.L - rect.L;
      break;
    case kAlignCenter:
      tx = bounds.MW() - rect.MW();
      break;
    default:
      tx = bounds.R - rect.R;
      break;
  }
  switch (text.mVAlign) {
    case kVAlignTop:
      ty = bounds.T - rect.T;
      break;
    case kVAlignMiddle:
      ty = bounds.MH() - rect.MH();
      break;
    default:
      ty = bounds.B - rect.B;
      break;
  }
}

void IGraphics::DoMeasureTextRotation(const IText& text, const IRECT& bounds, IRECT& rect) const {
  double tx = 0.0;
  double ty = 0.0;
  CalculateTextRotation(text, bounds, rect, tx, ty);
  rect = rect.GetTranslated(static_cast<float>(tx), static_cast<float>(ty));
}

}  // namespace fx::gfx
