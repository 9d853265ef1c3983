#include "graphics/platform/IGraphicsDrawingLayer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>

#include "graphics/vector/GVRBackend.h"
#include "platform/gpu/GpuDevice.h"
#include "platform/gpu/GpuDrawableLayer.h"
#include "platform/window/Window.h"

namespace fx::gfx {

namespace {

std::atomic<bool>& SynchronousLayers() {
  static std::atomic<bool> synchronous{false};
  return synchronous;
}

// The process's GPU device: opened by the first layer that asks, kept while any keeper lives and otherwise only
// while a layer holds it (so nothing of Vulkan is left for the module's unloading); a device that could not be
// opened is reported once and not asked for again. Layers on several threads (editors of two instances) ask at
// the same time, and keepers come and go on any thread: all of it under the mutex.
struct SharedGpu {
  std::mutex mutex;
  int keepers = 0;
  std::shared_ptr<platform::gpu::GpuDevice> kept;  // while keepers > 0 and a layer has opened the device
  std::weak_ptr<platform::gpu::GpuDevice> device;
  bool failed = false;
};

SharedGpu& TheSharedGpu() {
  static SharedGpu gpu;
  return gpu;
}

std::shared_ptr<platform::gpu::GpuDevice> SharedDevice() {
  SharedGpu& gpu = TheSharedGpu();
  std::lock_guard<std::mutex> lock(gpu.mutex);
  std::shared_ptr<platform::gpu::GpuDevice> device = gpu.device.lock();
  if (!device && !gpu.failed) {
    std::string reason;
    platform::gpu::GpuDeviceOptions options;
    options.presentation = true;
    device = platform::gpu::GpuDevice::Create(options, reason);
    if (!device) {
      gpu.failed = true;
      std::fprintf(stderr, "Kelvadrune: no GPU device for the editor: %s\n", reason.c_str());
    }
    gpu.device = device;
  }
  if (gpu.keepers > 0) gpu.kept = device;
  return device;
}

// Every pixel of any frame.
constexpr platform::window::PixelRect kEverything{0, 0, 1 << 30, 1 << 30};

// KD_SOFTWARE_PRESENT=1 keeps frames off the GPU's own presenting (a driver whose swapchain misbehaves, or a
// test that reads back what the window was given).
bool SoftwarePresentWanted() {
  const char* value = std::getenv("KD_SOFTWARE_PRESENT");
  return value && *value && std::string(value) != "0";
}

class GpuDrawingLayer final : public IGraphicsDrawingLayer {
 public:
  GpuDrawingLayer() : mDevice(SharedDevice()) {
    if (!mDevice) return;
    mLayer = std::make_unique<platform::gpu::GpuDrawableLayer>(*mDevice);
    mRendererLayer.device = mDevice;
    mRendererLayer.drawables = mLayer.get();
  }

  void* RendererLayer() override { return mLayer ? &mRendererLayer : nullptr; }

  void SetDrawableSize(double widthPoints, double heightPoints, double scale) override {
    if (!mLayer) return;
    mLayer->SetBounds(widthPoints, heightPoints);
    mLayer->SetContentsScale(scale);
  }

  ~GpuDrawingLayer() override { ShowInWindow(nullptr); }

  bool TakeFinishedFrame(std::vector<uint8_t>& bgra, int& width, int& height) override {
    return NewFrameForSoftwarePresent() && mLayer->ReadFrontBuffer(bgra, width, height);
  }

  void AddChangedRegion(const platform::window::PixelRect& region) override { mChanged = mChanged.Union(region); }

  bool PresentFinishedFrame(const FramePresenter& present) override {
    int width = 0, height = 0;
    if (!NewFrameForSoftwarePresent() || !mLayer->FrontBufferSize(width, height)) return false;
    // Handed on by reference: the reader is not copied into the std::function, which then allocates nothing.
    const auto read = [&](unsigned char* bgra, size_t bytesPerRow, platform::window::PixelRect region) {
      return mLayer->ReadFrontBuffer(bgra, bytesPerRow, width, height,
                                     {region.x, region.y, region.width, region.height});
    };
    const platform::window::PixelRect changed = mChanged;
    mChanged = {};
    if (present(width, height, changed, std::ref(read))) return true;
    // The window may not hold what the changes were made to: the next present is of the whole frame.
    mChanged = kEverything;
    return false;
  }

  // One frame in flight at most, and in software a finished frame goes to the window before the next is drawn:
  // the frame's buffer sets and drawable are then free, and the read of the finished frame has no frame to
  // wait behind.
  bool ReadyForFrame() override {
    if (!mLayer) return true;
    return mLayer->ReadyForFrame() && (mLayer->PresentsToSurface() || mLayer->PresentedCount() == mTaken);
  }

  void ShowInWindow(platform::window::Window* window) override {
    if (mWindow) mWindow->SetExposedHandler({});
    mWindow = nullptr;
    std::string reason;
    if (mLayer) mLayer->SetSurfaceTarget({}, reason);
    // The CPU device's own presenting is a software one of the whole window on this thread: the software present
    // here puts only the changed part of a frame on the window.
    if (!window || !mLayer || !mDevice->CanPresent() || mDevice->IsCpuDevice() || SoftwarePresentWanted()) return;
    const platform::window::NativeSurface surface = window->Surface();
    if (!surface.display || !mLayer->SetSurfaceTarget({surface.display, surface.window}, reason)) return;
    mWindow = window;
    platform::gpu::GpuDrawableLayer* layer = mLayer.get();
    window->SetExposedHandler([layer] { layer->PresentFrontBufferToSurface(); });
  }

 private:
  // Whether a frame presented since the last call waits for a software present; a window the layer presents to
  // itself catches up instead.
  bool NewFrameForSoftwarePresent() {
    if (!mLayer) return false;
    if (SynchronousLayers().load(std::memory_order_relaxed)) mLayer->WaitForFramesInFlight();
    if (mLayer->PresentsToSurface()) {
      // A frame the swapchain could not take at once is shown now, or a still editor would never show it.
      mLayer->UpdateSurface();
      // Should the window come back to software presents, what it holds from them is out of date.
      mChanged = kEverything;
      return false;
    }
    // Read while no frame is in flight: the read's copy then waits for nothing else.
    if (!mLayer->ReadyForFrame()) return false;
    const int presented = mLayer->PresentedCount();
    if (presented == mTaken) return false;
    mTaken = presented;
    return true;
  }

  std::shared_ptr<platform::gpu::GpuDevice> mDevice;
  std::unique_ptr<platform::gpu::GpuDrawableLayer> mLayer;
  VulkanLayer mRendererLayer;
  platform::window::Window* mWindow = nullptr;
  int mTaken = 0;
  // The pixels the frames drawn since the last software present changed.
  platform::window::PixelRect mChanged = kEverything;
};

DrawingLayerMaker& InstalledMaker() {
  static DrawingLayerMaker maker;
  return maker;
}

}  // namespace

bool IGraphicsDrawingLayer::PresentFinishedFrame(const FramePresenter& present) {
  int width = 0, height = 0;
  if (!TakeFinishedFrame(mTakenFrame, width, height)) return false;
  const auto read = [&](unsigned char* bgra, size_t bytesPerRow, platform::window::PixelRect region) {
    for (int y = 0; y < region.height; ++y)
      std::copy_n(mTakenFrame.data() + (static_cast<size_t>(region.y + y) * width + region.x) * 4,
                  static_cast<size_t>(region.width) * 4, bgra + static_cast<size_t>(y) * bytesPerRow);
    return true;
  };
  return present(width, height, {0, 0, width, height}, std::ref(read));
}

void SetDrawingLayersSynchronous(bool synchronous) {
  SynchronousLayers().store(synchronous, std::memory_order_relaxed);
}

void SetDrawingLayerMaker(DrawingLayerMaker maker) {
  InstalledMaker() = std::move(maker);
}

std::unique_ptr<IGraphicsDrawingLayer> MakeDrawingLayer() {
  if (const DrawingLayerMaker& maker = InstalledMaker()) return maker();
  return std::make_unique<GpuDrawingLayer>();
}

GpuDeviceKeeper::GpuDeviceKeeper() {
  SharedGpu& gpu = TheSharedGpu();
  std::lock_guard<std::mutex> lock(gpu.mutex);
  if (gpu.keepers++ == 0) gpu.kept = gpu.device.lock();
}

GpuDeviceKeeper::~GpuDeviceKeeper() {
  SharedGpu& gpu = TheSharedGpu();
  std::shared_ptr<platform::gpu::GpuDevice> released;
  {
    std::lock_guard<std::mutex> lock(gpu.mutex);
    if (--gpu.keepers == 0) released = std::move(gpu.kept);
  }
  // Dropped outside the lock: the device's destruction waits for its frames in flight.
}

}  // namespace fx::gfx
