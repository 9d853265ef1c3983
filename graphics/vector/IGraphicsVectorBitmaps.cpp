// Bitmaps, layers and framebuffers: the renderer's images behind the core's bitmaps, this object's bitmap cache,
// off-screen framebuffers for layers, drawing a bitmap, the main framebuffer's size, switching the render target when
// a layer is pushed or popped, reading a layer back and drawing a shadow from a mask.
#include <algorithm>
#include <cmath>
#include <memory>

#include "graphics/ResourceNames.h"
#include "graphics/vector/IGraphicsVector.h"
#include "graphics/vector/IGraphicsVectorPaint.h"
#include "graphics/vector/VRText.h"

namespace fx::gfx {

namespace {

// The framebuffer behind a layer's image; null for an image that is not one of ours or has none.
GVRframebuffer* FramebufferOf(const APIBitmap* bitmap) {
  const auto* ours = dynamic_cast<const IGraphicsVector::Bitmap*>(bitmap);
  return ours != nullptr ? ours->GetFramebuffer() : nullptr;
}

// Whether the renderer still knows the image: a paint of a deleted image would draw as plain white.
bool ImageExists(VRcontext* ctx, int image) {
  if (ctx == nullptr || image <= 0) return false;
  int w = 0, h = 0;
  vrImageSize(ctx, image, &w, &h);
  return w > 0 && h > 0;
}

// A length in points at the scale in whole pixels; -1 when that is more than an int holds.
int PixelLength(float points, float scale) {
  const float pixels = points * scale;
  return pixels < 2147483648.f ? static_cast<int>(pixels) : -1;
}

// The scale a bitmap is loaded at for a screen scale: the screen scale rounded up; -1 when that is past an int.
int ScreenTargetScale(float screenScale) {
  const float scale = std::ceil(screenScale);
  return scale < 2147483648.f ? static_cast<int>(scale) : -1;
}

}  // namespace

IGraphicsVector::Bitmap::Bitmap(VRcontext* ctx, const char*, int scale, int image, bool shared)
    : mVG(ctx), mShared(shared) {
  int w = 0, h = 0;
  if (ctx != nullptr && image > 0) vrImageSize(ctx, image, &w, &h);
  SetBitmap(image, w, h, static_cast<float>(scale), 1.f);
}

IGraphicsVector::Bitmap::Bitmap(VRcontext* ctx, int width, int height, const unsigned char* pixels, float scale,
                                float drawScale)
    : mVG(ctx) {
  const int image = ctx != nullptr ? vrCreateImageRGBA(ctx, width, height, 0, pixels) : 0;
  SetBitmap(image, width, height, scale, drawScale);
}

IGraphicsVector::Bitmap::Bitmap(IGraphicsVector* graphics, VRcontext* ctx, int width, int height, float scale,
                                float drawScale)
    : mGraphics(graphics), mVG(ctx) {
  mFramebuffer = ctx != nullptr ? gvrCreateFramebuffer(ctx, width, height, 0) : nullptr;
  // Without a framebuffer, or with one whose image could not be made, nothing is bound or cleared: no pass would
  // carry the clear, which would then empty the next target the context draws into.
  if (mFramebuffer != nullptr && mFramebuffer->image > 0) {
    gvrBindFramebuffer(mFramebuffer);
    gvrClearWithColor(ctx, vrRGBAf(0.f, 0.f, 0.f, 0.f));
    vrBeginFrame(ctx, static_cast<float>(width), static_cast<float>(height), 1.f);
    vrEndFrame(ctx);
  }
  SetBitmap(mFramebuffer != nullptr ? mFramebuffer->image : 0, width, height, scale, drawScale);
}

IGraphicsVector::Bitmap::~Bitmap() {
  if (mShared) return;
  if (mFramebuffer != nullptr)
    mGraphics->QueueFramebufferDelete(mFramebuffer);
  else if (mVG != nullptr && GetBitmapID() > 0)
    vrDeleteImage(mVG, GetBitmapID());
}

IBitmap IGraphicsVector::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale) {
  // No bitmap has a scale past an int: at such a screen scale nothing is found.
  if (targetScale == 0 && (targetScale = ScreenTargetScale(GetScreenScale())) < 0) return IBitmap();
  FwMutexLock lock(mBitmapCache.GetMutex());
  APIBitmap* bitmap = mBitmapCache.Find(name, targetScale);
  if (bitmap == nullptr) {
    const char* ext = ResourceExtension(name);
    FwString path;
    int sourceScale = 0;
    const EResourceLocation location = SearchImageResource(name, ext, path, targetScale, sourceScale);
    if (location == kNotFound || !BitmapExtSupported(ext)) return IBitmap();
    // A file found only at another scale is cached under that scale: look there before loading it again.
    bitmap = mBitmapCache.Find(name, sourceScale);
    if (bitmap == nullptr) {
      bitmap = LoadAPIBitmap(path.Get(), sourceScale, location, ext);
      mBitmapCache.Add(bitmap, name, sourceScale);
    }
  }
  return IBitmap(bitmap, nStates, framesAreHorizontal, name);
}

// Images from memory are made at scale 1 and drawn into a copy at the target scale through a layer. Both live in
// this object's cache, as its images belong to this renderer's context: the process-wide cache, shared by every
// editor, cannot keep them (the copy joins it through ScaleBitmap's RetainBitmap).
IBitmap IGraphicsVector::LoadBitmap(const char* name, const void* data, int dataSize, int nStates,
                                    bool framesAreHorizontal, int targetScale) {
  if (targetScale == 0 && (targetScale = ScreenTargetScale(GetScreenScale())) < 0) return IBitmap();
  FwMutexLock lock(mBitmapCache.GetMutex());
  if (APIBitmap* hit = mBitmapCache.Find(name, targetScale)) return IBitmap(hit, nStates, framesAreHorizontal, name);
  if (!BitmapExtSupported(ResourceExtension(name))) return IBitmap();
  APIBitmap* source = nullptr;
  for (int scale : ScaleSearchOrder(targetScale))
    if ((source = mBitmapCache.Find(name, scale)) != nullptr) break;
  const bool loaded = source == nullptr;
  if (loaded) {
    if (data == nullptr || dataSize <= 0) return IBitmap();
    source = LoadAPIBitmap(name, data, dataSize, 1);
  }
  // An image that could not be decoded has no pixels to draw into a copy: it is what there is.
  if (source->GetScale() == static_cast<float>(targetScale) || source->GetWidth() <= 0 || source->GetHeight() <= 0)
    return IBitmap(source, nStates, framesAreHorizontal, name);
  IBitmap scaled = ScaleBitmap(IBitmap(source, nStates, framesAreHorizontal, name), name, targetScale);
  // The scaled copy is what the cache keeps of an image loaded only to make it.
  if (loaded) mBitmapCache.Remove(source);
  return scaled;
}

// The images are this renderer's: this object's cache keeps them (once) and frees them with the context.
void IGraphicsVector::RetainBitmap(const IBitmap& bitmap, const char* cacheName) {
  APIBitmap* image = bitmap.GetAPIBitmap();
  if (image == nullptr) return;
  FwMutexLock lock(mBitmapCache.GetMutex());
  if (!mBitmapCache.Holds(image)) mBitmapCache.Add(image, cacheName, image->GetScale());
}

void IGraphicsVector::ReleaseBitmap(const IBitmap& bitmap) {
  FwMutexLock lock(mBitmapCache.GetMutex());
  mBitmapCache.Remove(bitmap.GetAPIBitmap());
}

APIBitmap* IGraphicsVector::LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                                          const char*) {
  int image = 0;
  if (location == kAbsolutePath && mVG != nullptr) {
    ActivateContext();
    image = vrCreateImage(mVG, fileNameOrResID, 0);
    DeactivateContext();
  }
  return new Bitmap(mVG, fileNameOrResID, scale, image, location == kSharedImage);
}

APIBitmap* IGraphicsVector::LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale) {
  FwMutexLock lock(mBitmapCache.GetMutex());
  if (APIBitmap* cached = mBitmapCache.Find(name, scale)) return cached;
  int image = 0;
  if (mVG != nullptr) {
    ActivateContext();
    // The decoder only reads the bytes.
    image = vrCreateImageMem(mVG, 0, static_cast<unsigned char*>(const_cast<void*>(data)), dataSize);
    DeactivateContext();
  }
  auto* bitmap = new Bitmap(mVG, name, scale, image, false);
  mBitmapCache.Add(bitmap, name, scale);
  return bitmap;
}

APIBitmap* IGraphicsVector::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool) {
  // Making the framebuffer flushes and restarts the renderer: what was drawn so far goes to the current target, and
  // the state (transform, scissor, paints) is carried over to the restarted frame.
  const bool inFrame = mInDraw && mVG != nullptr;
  if (inFrame) DrawHeldStrokes();
  VRstate state{};
  if (inFrame) {
    state = *vrGetState(mVG);
    vrEndFrame(mVG);
  }
  auto* bitmap = new Bitmap(this, mVG, width, height, scale, static_cast<float>(drawScale));
  if (inFrame) {
    BindDrawTarget();
    *vrGetState(mVG) = state;
  }
  return bitmap;
}

void IGraphicsVector::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend) {
  const APIBitmap* image = bitmap.GetAPIBitmap();
  if (image == nullptr || !ImageExists(mVG, image->GetBitmapID())) return;
  DrawHeldStrokes();
  const float s = 1.f / (image->GetScale() * image->GetDrawScale());
  if (!std::isfinite(s)) return;
  VRpaint paint{};
  vrTransformScale(paint.xform, s, s);
  paint.xform[4] = dest.L - static_cast<float>(srcX);
  paint.xform[5] = dest.T - static_cast<float>(srcY);
  paint.extent[0] = static_cast<float>(bitmap.W()) * image->GetScale();
  paint.extent[1] = static_cast<float>(bitmap.H()) * image->GetScale();
  paint.innerColor = paint.outerColor = vrRGBAf(1.f, 1.f, 1.f, BlendWeight(blend));
  paint.image = image->GetBitmapID();
  vrBeginPath(mVG);
  AddRect(mVG, dest);
  vrFillPaint(mVG, paint);
  SetBlendMode(mVG, blend);
  vrFill(mVG);
  vrGlobalCompositeOperation(mVG, VR_SOURCE_OVER);
  BeginPath();
}

void IGraphicsVector::DrawResize() {
  ActivateContext();
  if (mMainFramebuffer != nullptr) {
    gvrDeleteFramebuffer(mMainFramebuffer);
    mMainFramebuffer = nullptr;
  }
  // An editor of more pixels than an int counts gets no main framebuffer, as when the back end cannot make one.
  const int width = PixelLength(WindowWidthPoints(), GetScreenScale());
  const int height = PixelLength(WindowHeightPoints(), GetScreenScale());
  if (mVG != nullptr && width >= 0 && height >= 0)
    mMainFramebuffer = gvrCreateFramebuffer(mVG, width, height, GVR_IMAGE_DRAWABLE_FORMAT);
  DeactivateContext();
}

void IGraphicsVector::BindDrawTarget() {
  const ILayer* layer = GetTopLayer();
  GVRframebuffer* layerFramebuffer = layer != nullptr ? FramebufferOf(layer->GetAPIBitmap()) : nullptr;
  if (layerFramebuffer == nullptr) {
    gvrBindFramebuffer(mMainFramebuffer);
    vrBeginFrame(mVG, WindowWidthPoints(), WindowHeightPoints(), GetScreenScale());
    return;
  }
  gvrBindFramebuffer(layerFramebuffer);
  vrBeginFrame(mVG, layer->Bounds().W() * GetDrawScale(), layer->Bounds().H() * GetDrawScale(), GetScreenScale());
}

void IGraphicsVector::UpdateLayer() {
  if (mVG == nullptr) return;
  DrawHeldStrokes();
  vrEndFrame(mVG);
  BindDrawTarget();
}

void IGraphicsVector::GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data) {
  if (!layer || layer->GetAPIBitmap() == nullptr || mVG == nullptr) return;
  const APIBitmap& image = *layer->GetAPIBitmap();
  const int size = image.GetWidth() * image.GetHeight() * 4;
  data.Resize(size);
  if (size <= 0 || data.GetSize() < size) return;
  PushLayer(layer.get());
  gvrReadPixels(mVG, image.GetBitmapID(), 0, 0, image.GetWidth(), image.GetHeight(), data.Get());
  PopLayer();
}

void IGraphicsVector::ApplyShadowMask(ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow) {
  if (!layer || layer->GetAPIBitmap() == nullptr || mVG == nullptr) return;
  const APIBitmap& image = *layer->GetAPIBitmap();
  const int w = image.GetWidth();
  const int h = image.GetHeight();
  if (w <= 0 || h <= 0 || mask.GetSize() < w * h * 4) return;
  const IRECT bounds = layer->Bounds();

  if (!shadow.mDrawForeground) {
    // The layer is cleared: only the shadow remains.
    PushLayer(layer.get());
    vrGlobalCompositeBlendFunc(mVG, VR_ZERO, VR_ZERO);
    PathRect(bounds);
    vrFillColor(mVG, vrRGBAf(0.f, 0.f, 0.f, 0.f));
    vrFill(mVG);
    PopLayer();
  }

  Bitmap maskBitmap(mVG, w, h, mask.Get(), image.GetScale(), image.GetDrawScale());
  auto shadowLayer =
      std::make_unique<ILayer>(CreateAPIBitmap(w, h, image.GetScale(), image.GetDrawScale()), bounds, nullptr, IRECT());
  const IBitmap maskFrame(&maskBitmap, 1, false);
  const IBitmap shadowFrame = shadowLayer->GetBitmap();

  PathTransformSave();
  PushLayer(layer.get());
  PushLayer(shadowLayer.get());
  DrawBitmap(maskFrame, bounds, 0, 0, nullptr);
  PathRect(bounds);
  PathTransformTranslate(-shadow.mXOffset, -shadow.mYOffset);
  const IBlend sourceIn(kBlendSourceIn, 1.f);
  PathFill(shadow.mPattern, IFillOptions(), &sourceIn);
  PopLayer();
  const IBlend destOver(kBlendDestOver, std::clamp(shadow.mOpacity, 0.f, 1.f));
  DrawBitmap(shadowFrame, bounds.GetTranslated(shadow.mXOffset, shadow.mYOffset), 0, 0, &destOver);
  PopLayer();
  PathTransformRestore();
}

}  // namespace fx::gfx
