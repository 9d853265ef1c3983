#include "graphics/platform/IGraphicsDrawingLayer.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

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
//
// A kept device no layer has used for the idle delay is let go by a thread of its own, which ends then: the
// driver's threads and memory go with the device and its instance, and only the driver's library stays loaded
// (for the keepers' life), so that the next editor opens a device again in a few tens of milliseconds without
// loading the driver anew.
//
// Except in a host that locks its memory as it grows (mlockall with MCL_FUTURE, as MusE does, and Ardour when
// allowed): there the allocator can give no freed page back, and each new device compiles its shaders again on a
// new thread of the driver's (on Mesa's CPU device the queue's, with LLVM, at the first frames), whose malloc arena
// grows by about 11 MB that stay locked for good; as the driver's threads come and go they take the process's
// arenas in turn, and one more grows with each device. So there the device is let go once, for a host that opens
// the editor only now and then, and the device made after that is kept for as long as the keepers live: its
// threads stay, and the memory stays what it was after the second open.
struct SharedGpu {
  std::mutex mutex;
  int keepers = 0;
  int layers = 0;                                  // GPU layers alive
  std::shared_ptr<platform::gpu::GpuDevice> kept;  // while keepers > 0 and a layer has opened the device
  std::weak_ptr<platform::gpu::GpuDevice> device;
  std::shared_ptr<void> driver;  // the driver's library, while keepers > 0 once a device was opened
  bool failed = false;
  std::chrono::steady_clock::duration idleDelay = std::chrono::seconds(10);
  std::chrono::steady_clock::time_point releaseAt;
  std::condition_variable wake;
  std::thread releaser;
  bool releaserRunning = false;  // cleared by the releaser as the last thing it does under the mutex
  bool releasedOnce = false;     // a kept device was let go after the idle delay
  bool keptForGood = false;      // no device is let go after the delay any more: the process's memory is locked
  // Counts the times the last keeper went: a releaser of an earlier count ends, whoever keeps the device now.
  uint64_t generation = 0;

  // The module's unloading: a releaser still waiting (a keeper was never destroyed) ends first.
  ~SharedGpu() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      keepers = 0;
      ++generation;
    }
    wake.notify_all();
    if (releaser.joinable()) releaser.join();
  }
};

SharedGpu& TheSharedGpu() {
  static SharedGpu gpu;
  return gpu;
}

// With the mutex held. Keepers keep the device, and the driver's library from its first device on.
void Keep(SharedGpu& gpu, const std::shared_ptr<platform::gpu::GpuDevice>& device) {
  gpu.kept = device;
  if (device && !gpu.driver) gpu.driver = device->KeepDriverLoaded();
}

std::shared_ptr<platform::gpu::GpuDevice> SharedDevice() {
  SharedGpu& gpu = TheSharedGpu();
  std::lock_guard<std::mutex> lock(gpu.mutex);
  ++gpu.layers;
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
  if (gpu.keepers > 0) Keep(gpu, device);
  return device;
}

// Whether memory the process maps from now on is locked into RAM (mlockall with MCL_FUTURE, with or without
// MCL_ONFAULT): the kernel then refuses to drop a fresh page's contents (MADV_DONTNEED), as it refuses the
// allocator's attempts to give freed memory back.
bool NewMemoryStaysLocked() {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  void* probe = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (probe == MAP_FAILED) return false;
  const bool locked = madvise(probe, page, MADV_DONTNEED) != 0;
  munmap(probe, page);
  return locked;
}

// The releaser's thread: waits until the device has been idle for the delay, lets it go unless a layer came or the
// last keeper went meanwhile, and ends. In a host that locks its memory only the first device is let go; a later
// one is kept from then on.
void ReleaseWhenIdle(uint64_t generation) {
  SharedGpu& gpu = TheSharedGpu();
  const bool locked = NewMemoryStaysLocked();
  std::unique_lock<std::mutex> lock(gpu.mutex);
  while (gpu.generation == generation && gpu.keepers > 0 && gpu.layers == 0 && gpu.kept) {
    if (std::chrono::steady_clock::now() < gpu.releaseAt) {
      gpu.wake.wait_until(lock, gpu.releaseAt);
      continue;
    }
    if (gpu.releasedOnce && locked) {
      gpu.keptForGood = true;
      break;
    }
    gpu.releasedOnce = true;
    std::shared_ptr<platform::gpu::GpuDevice> released = std::move(gpu.kept);
    gpu.device.reset();
    lock.unlock();
    // No layer is left, so no frame is in flight: this waits for nothing but the driver's teardown.
    released.reset();
    // What the driver freed (some tens of MB of frames and compiled code) goes back to the system, not only to the
    // allocator, which would keep it for the host's process otherwise.
    malloc_trim(0);
    lock.lock();
    break;
  }
  if (gpu.generation == generation) gpu.releaserRunning = false;
}

// With the mutex held: a layer went. Once none is left, the kept device is let go after the idle delay.
void LayerGone(SharedGpu& gpu) {
  if (--gpu.layers > 0 || !gpu.kept || gpu.keptForGood) return;
  gpu.releaseAt = std::chrono::steady_clock::now() + gpu.idleDelay;
  if (gpu.releaserRunning) {
    gpu.wake.notify_all();
    return;
  }
  // A releaser that is not running has left the mutex for good: joining it waits for nothing.
  if (gpu.releaser.joinable()) gpu.releaser.join();
  gpu.releaserRunning = true;
  gpu.releaser = std::thread(ReleaseWhenIdle, gpu.generation);
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

  ~GpuDrawingLayer() override {
    ShowInWindow(nullptr);
    mRendererLayer = {};
    // Waits for the layer's frames in flight.
    mLayer.reset();
    const std::shared_ptr<platform::gpu::GpuDevice> device = std::move(mDevice);
    SharedGpu& gpu = TheSharedGpu();
    std::unique_lock<std::mutex> lock(gpu.mutex);
    if (device && gpu.layers == 1) {
      // The last editor's frames are done once their handlers have run too (outside the lock, which other layers
      // take): what they were recorded with goes then, so that a device kept between editors holds after each
      // close what it held after the first.
      lock.unlock();
      device->WaitForFramesInFlight();
      lock.lock();
      if (gpu.layers == 1) device->ReleaseIdleFrameSlots();
    }
    LayerGone(gpu);
    lock.unlock();
    // Dropped outside the lock: without a keeper the device goes with its last layer.
  }

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

void SetGpuIdleRelease(std::chrono::milliseconds delay) {
  SharedGpu& gpu = TheSharedGpu();
  std::lock_guard<std::mutex> lock(gpu.mutex);
  gpu.idleDelay = delay;
}

GpuDeviceKeeper::GpuDeviceKeeper() {
  SharedGpu& gpu = TheSharedGpu();
  std::lock_guard<std::mutex> lock(gpu.mutex);
  if (gpu.keepers++ == 0) Keep(gpu, gpu.device.lock());
}

GpuDeviceKeeper::~GpuDeviceKeeper() {
  SharedGpu& gpu = TheSharedGpu();
  std::shared_ptr<platform::gpu::GpuDevice> released;
  std::shared_ptr<void> driver;
  std::thread releaser;
  {
    std::lock_guard<std::mutex> lock(gpu.mutex);
    if (--gpu.keepers > 0) return;
    released = std::move(gpu.kept);
    driver = std::move(gpu.driver);
    releaser = std::move(gpu.releaser);
    ++gpu.generation;
    gpu.releaserRunning = false;
  }
  // Outside the lock: the releaser sees its count has passed and ends (after a release it may be making), and the
  // device's destruction waits for its frames in flight. The driver's library goes last, with nothing of it in use.
  gpu.wake.notify_all();
  if (releaser.joinable()) releaser.join();
  released.reset();
  driver.reset();
}

}  // namespace fx::gfx
