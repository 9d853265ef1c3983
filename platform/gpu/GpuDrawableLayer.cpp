#include "platform/gpu/GpuDrawableLayer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/gpu/GpuCore.h"
#include "platform/gpu/GpuDevice.h"
#include "platform/gpu/GpuSwapchain.h"

namespace platform::gpu {

// What the layer and its drawables share; a drawable may outlive its layer.
struct GpuLayerRing {
  struct Image {
    std::shared_ptr<GpuTexture> texture;
    bool inUse = false;
  };

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Image> images;  // all guarded by mutex
  int width = 0;
  int height = 0;
  uint64_t generation = 0;
  uint64_t handedOut = 0;  // drawables so far
  std::shared_ptr<GpuTexture> front;
  uint64_t frontSequence = 0;
  uint64_t shownSequence = 0;  // of the frame the window was last given
  int presented = 0;
  int presentsPending = 0;
  // The window's swapchain: used and replaced only on the main thread, but held here because a drawable
  // presents through it.
  std::shared_ptr<GpuSwapchain> swapchain;
  GpuSurfaceState surfaceState = GpuSurfaceState::None;
  std::string surfaceLoss;

  // Main thread. Gives the window the frame `sequence`.
  void ShowInWindow(const std::shared_ptr<GpuTexture>& texture, uint64_t sequence) {
    std::shared_ptr<GpuSwapchain> target = Swapchain();
    if (!target) return;
    std::string reason;
    const GpuSurfaceState state = target->Present(texture, reason);
    std::lock_guard<std::mutex> lock(mutex);
    surfaceState = state;
    if (state == GpuSurfaceState::Presented) shownSequence = std::max(shownSequence, sequence);
    if (state == GpuSurfaceState::Lost) Lose(reason);
  }

  // Main thread. A present that waited for its copy; a failure leaves the window to be given the front again.
  void FinishShowing() {
    std::shared_ptr<GpuSwapchain> target = Swapchain();
    if (!target) return;
    std::string reason;
    const GpuSurfaceState state = target->FinishPresent(reason);
    std::lock_guard<std::mutex> lock(mutex);
    if (state == GpuSurfaceState::Skipped) {
      surfaceState = state;
      shownSequence = 0;
    }
    if (state == GpuSurfaceState::Lost) Lose(reason);
  }

  std::shared_ptr<GpuSwapchain> Swapchain() {
    std::lock_guard<std::mutex> lock(mutex);
    return swapchain;
  }

  // With the mutex held.
  void Lose(const std::string& reason) {
    surfaceState = GpuSurfaceState::Lost;
    surfaceLoss = reason;
    swapchain.reset();
  }
};

namespace {

// A drawable waits this long for an image to come back, as a system layer does, before giving up.
constexpr auto kDrawableTimeout = std::chrono::seconds(1);

int Pixels(double points, double scale) {
  const double pixels = std::round(points * scale);
  return pixels >= 1.0 && pixels < 65536.0 ? static_cast<int>(pixels) : 0;
}

}  // namespace

GpuDrawable::~GpuDrawable() {
  Release();
}

void GpuDrawable::SchedulePresent() {
  if (mScheduled) return;
  mScheduled = true;
  std::lock_guard<std::mutex> lock(mRing->mutex);
  ++mRing->presentsPending;
}

void GpuDrawable::PresentToSurface() {
  mRing->ShowInWindow(mTexture, mSequence);
}

void GpuDrawable::FinishPresent(bool completed) {
  {
    std::lock_guard<std::mutex> lock(mRing->mutex);
    if (completed) {
      mRing->front = mTexture;
      mRing->frontSequence = mSequence;
      ++mRing->presented;
    }
    if (mScheduled) --mRing->presentsPending;
  }
  mScheduled = false;
  mRing->changed.notify_all();
  Release();
}

void GpuDrawable::Release() {
  {
    std::lock_guard<std::mutex> lock(mRing->mutex);
    if (mReleased) return;
    mReleased = true;
    if (mGeneration == mRing->generation && mIndex < static_cast<int>(mRing->images.size()))
      mRing->images[mIndex].inUse = false;
  }
  mRing->changed.notify_all();
}

GpuDrawableLayer::GpuDrawableLayer(const GpuDevice& device)
    : mCore(device.Core()), mRing(std::make_shared<GpuLayerRing>()) {}

GpuDrawableLayer::~GpuDrawableLayer() {
  WaitForFramesInFlight();
  // The window's surface goes with the layer, even while drawables outlive it; released outside the
  // lock, as destroying it waits for the GPU.
  std::shared_ptr<GpuSwapchain> swapchain;
  {
    std::lock_guard<std::mutex> lock(mRing->mutex);
    swapchain = std::move(mRing->swapchain);
  }
}

bool GpuDrawableLayer::SetSurfaceTarget(const GpuSurfaceTarget& target, std::string& reason) {
  std::shared_ptr<GpuSwapchain> made;
  if (target.display || target.window != 0) made = GpuSwapchain::Create(mCore, target, reason);
  std::shared_ptr<GpuSwapchain> old;  // released outside the lock, as destroying it waits for the GPU
  {
    std::lock_guard<std::mutex> lock(mRing->mutex);
    old = std::move(mRing->swapchain);
    mRing->swapchain = made;
    mRing->surfaceState = GpuSurfaceState::None;
    mRing->surfaceLoss.clear();
  }
  return made != nullptr;
}

bool GpuDrawableLayer::PresentsToSurface() const {
  std::lock_guard<std::mutex> lock(mRing->mutex);
  return mRing->swapchain != nullptr;
}

GpuSurfaceState GpuDrawableLayer::SurfaceState() const {
  std::lock_guard<std::mutex> lock(mRing->mutex);
  return mRing->surfaceState;
}

std::string GpuDrawableLayer::SurfaceLossReason() const {
  std::lock_guard<std::mutex> lock(mRing->mutex);
  return mRing->surfaceLoss;
}

GpuSurfaceState GpuDrawableLayer::PresentFrontBufferToSurface() {
  std::shared_ptr<GpuTexture> front;
  uint64_t sequence = 0;
  {
    std::lock_guard<std::mutex> lock(mRing->mutex);
    if (!mRing->swapchain || !mRing->front) return GpuSurfaceState::None;
    front = mRing->front;
    sequence = mRing->frontSequence;
  }
  mRing->ShowInWindow(front, sequence);
  return SurfaceState();
}

void GpuDrawableLayer::UpdateSurface() {
  mRing->FinishShowing();
  bool behind = false;
  {
    std::lock_guard<std::mutex> lock(mRing->mutex);
    behind = mRing->swapchain && mRing->front && mRing->shownSequence < mRing->frontSequence;
  }
  if (behind) PresentFrontBufferToSurface();
}

bool GpuDrawableLayer::ReadyForFrame() const {
  std::lock_guard<std::mutex> lock(mRing->mutex);
  // A present still waiting for the GPU would make the new frame's own present wait for it.
  return mRing->presentsPending == 0 && !(mRing->swapchain && mRing->swapchain->PresentPending());
}

void GpuDrawableLayer::SetBounds(double width, double height) {
  mWidth = width;
  mHeight = height;
}

void GpuDrawableLayer::SetContentsScale(double scale) {
  if (scale > 0.0) mScale = scale;
}

int GpuDrawableLayer::DrawableWidth() const {
  return Pixels(mWidth, mScale);
}
int GpuDrawableLayer::DrawableHeight() const {
  return Pixels(mHeight, mScale);
}

std::shared_ptr<GpuDrawable> GpuDrawableLayer::NextDrawable(std::string& reason) {
  const int width = DrawableWidth();
  const int height = DrawableHeight();
  if (width == 0 || height == 0) {
    reason = "the layer has no size";
    return nullptr;
  }
  std::unique_lock<std::mutex> lock(mRing->mutex);
  if (width != mRing->width || height != mRing->height || mRing->images.empty()) {
    // A new size makes a new ring; images still in flight stay alive with their command buffers.
    std::vector<GpuLayerRing::Image> images(kImageCount);
    GpuTextureDescriptor descriptor;
    descriptor.format = GpuPixelFormat::BGRA8Unorm;
    descriptor.width = width;
    descriptor.height = height;
    descriptor.usage = kTextureUsageRenderTarget | kTextureUsageShaderRead;
    for (GpuLayerRing::Image& image : images) {
      image.texture = GpuTexture::Create(mCore, descriptor, reason);
      if (!image.texture) return nullptr;
    }
    mRing->images = std::move(images);
    mRing->width = width;
    mRing->height = height;
    ++mRing->generation;
  }
  const auto deadline = std::chrono::steady_clock::now() + kDrawableTimeout;
  while (true) {
    for (int i = 0; i < static_cast<int>(mRing->images.size()); ++i) {
      if (mRing->images[i].inUse) continue;
      mRing->images[i].inUse = true;
      return std::shared_ptr<GpuDrawable>(
          new GpuDrawable(mRing, i, mRing->generation, ++mRing->handedOut, mRing->images[i].texture));
    }
    if (mRing->changed.wait_until(lock, deadline) == std::cv_status::timeout) {
      reason = "no drawable came back within a second";
      return nullptr;
    }
  }
}

bool GpuDrawableLayer::ReadFrontBuffer(std::vector<uint8_t>& bgra, int& width, int& height) const {
  if (!FrontBufferSize(width, height)) return false;
  bgra.resize(static_cast<size_t>(width) * height * 4);
  return ReadFrontBuffer(bgra.data(), static_cast<size_t>(width) * 4, width, height);
}

bool GpuDrawableLayer::FrontBufferSize(int& width, int& height) const {
  std::lock_guard<std::mutex> lock(mRing->mutex);
  if (!mRing->front) return false;
  width = mRing->front->Width();
  height = mRing->front->Height();
  return true;
}

bool GpuDrawableLayer::ReadFrontBuffer(void* bgra, size_t bytesPerRow, int width, int height) const {
  return ReadFrontBuffer(bgra, bytesPerRow, width, height, {0, 0, width, height});
}

bool GpuDrawableLayer::ReadFrontBuffer(void* bgra, size_t bytesPerRow, int width, int height,
                                       const GpuRegion& region) const {
  std::shared_ptr<GpuTexture> front;
  {
    std::lock_guard<std::mutex> lock(mRing->mutex);
    front = mRing->front;
  }
  if (!front || front->Width() != width || front->Height() != height) return false;
  if (region.width <= 0 || region.height <= 0 || region.x < 0 || region.y < 0 || region.x > width - region.width ||
      region.y > height - region.height)
    return false;
  std::lock_guard<std::mutex> lock(mReadMutex);
  if (!front->GetBytes(bgra, bytesPerRow, region, 0, mReadStaging)) return false;
  mBytesReadBack += static_cast<size_t>(region.width) * region.height * 4;
  return true;
}

size_t GpuDrawableLayer::BytesReadBack() const {
  std::lock_guard<std::mutex> lock(mReadMutex);
  return mBytesReadBack;
}

int GpuDrawableLayer::PresentedCount() const {
  std::lock_guard<std::mutex> lock(mRing->mutex);
  return mRing->presented;
}

void GpuDrawableLayer::WaitForFramesInFlight() {
  std::unique_lock<std::mutex> lock(mRing->mutex);
  mRing->changed.wait(lock, [this] { return mRing->presentsPending == 0; });
}

}  // namespace platform::gpu
