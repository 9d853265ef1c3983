// The surface the editor draws into: a ring of three BGRA images sized from the layer's bounds times its
// contents scale. NextDrawable hands out a free image; a command buffer presents it once it completes,
// and the last presented image is the front buffer, which tests (and a software present) read. Given a
// window (SetSurfaceTarget), every presented frame is also copied into the window through a Vulkan
// swapchain when its command buffer is submitted; without one the layer is headless.
//
// Threads: the layer's functions on the main thread (NextDrawable may block up to a second for an image
// to come back, which ReadyForFrame rules out; presenting to a window never waits, see GpuSwapchain);
// presentation finishes on the device's completion thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gpu/GpuResources.h"

namespace platform::gpu {

class GpuCore;
class GpuDevice;
struct GpuLayerRing;

// A native window for a swapchain, as the window layer hands it out: an X11 Display* and window id
// (VK_KHR_xlib_surface). Both must stay valid while a layer presents to them.
struct GpuSurfaceTarget {
  void* display = nullptr;
  unsigned long window = 0;
};

// How the last present to a window went. Skipped: nothing changed on screen (the window has no size, no
// swapchain image came free in time, or the window was being resized); the next present, or
// PresentFrontBufferToSurface, shows the picture. Lost: the window or swapchain is gone for good and
// the layer has dropped its target; the caller goes back to a software present of the front buffer.
enum class GpuSurfaceState { None, Presented, Skipped, Lost };

class GpuDrawable {
 public:
  ~GpuDrawable();
  GpuDrawable(const GpuDrawable&) = delete;
  GpuDrawable& operator=(const GpuDrawable&) = delete;

  const std::shared_ptr<GpuTexture>& Texture() const { return mTexture; }

 private:
  friend class GpuDrawableLayer;
  friend class GpuCommandBuffer;
  GpuDrawable(std::shared_ptr<GpuLayerRing> ring, int index, uint64_t generation, uint64_t sequence,
              std::shared_ptr<GpuTexture> texture)
      : mRing(std::move(ring)),
        mIndex(index),
        mGeneration(generation),
        mSequence(sequence),
        mTexture(std::move(texture)) {}
  // Recording thread: a command buffer will present this drawable.
  void SchedulePresent();
  // Committing thread, once the command buffer that presents this drawable has been submitted: copies
  // it into the layer's window, if it has one.
  void PresentToSurface();
  // Completion thread: the command buffer finished; completed = its work reached the image.
  void FinishPresent(bool completed);
  void Release();

  std::shared_ptr<GpuLayerRing> mRing;
  int mIndex;
  uint64_t mGeneration;
  uint64_t mSequence;  // drawables handed out before this one, plus one
  std::shared_ptr<GpuTexture> mTexture;
  bool mScheduled = false;  // recording thread only
  bool mReleased = false;   // guarded by the ring's mutex
};

class GpuDrawableLayer {
 public:
  static constexpr int kImageCount = 3;

  explicit GpuDrawableLayer(const GpuDevice& device);
  // Waits until every presented drawable's command buffer has completed.
  ~GpuDrawableLayer();
  GpuDrawableLayer(const GpuDrawableLayer&) = delete;
  GpuDrawableLayer& operator=(const GpuDrawableLayer&) = delete;

  // Bounds in points and pixels per point; the images follow at the next NextDrawable.
  void SetBounds(double width, double height);
  void SetContentsScale(double scale);
  double ContentsScale() const { return mScale; }
  // Bounds times contents scale, rounded to whole pixels.
  int DrawableWidth() const;
  int DrawableHeight() const;
  GpuPixelFormat PixelFormat() const { return GpuPixelFormat::BGRA8Unorm; }

  // A free image of the ring; null with a reason for a zero size, a failed image or none free within a
  // second.
  std::shared_ptr<GpuDrawable> NextDrawable(std::string& reason);
  // Whether a frame begun now finds everything free without waiting: no frame of this layer is still in
  // flight (so the renderer's buffer sets and the ring's images have all come back), and no present to the
  // window waits for the GPU. Never blocks.
  bool ReadyForFrame() const;

  // Shows every frame presented from now on in the window (a top-level one, or the child of a host's
  // window), through a swapchain that follows the window's size. False with a reason when the device
  // was made without presentation or the window's surface cannot be made: the caller keeps presenting
  // in software. An empty target (or a failure) detaches the window; destroy the layer or detach before
  // the window goes.
  bool SetSurfaceTarget(const GpuSurfaceTarget& target, std::string& reason);
  bool PresentsToSurface() const;
  // How the last present to the window went, and why it was lost.
  GpuSurfaceState SurfaceState() const;
  std::string SurfaceLossReason() const;
  // Shows the front buffer in the window again (after the window was exposed, or a skipped present);
  // None when there is no window or nothing was presented yet.
  GpuSurfaceState PresentFrontBufferToSurface();
  // The window catches up, without waiting: a present that waited for its copy is made, and a front buffer
  // the window has not been given (its present was skipped) is presented. Called at every tick of the
  // editor, so a skipped frame is shown as soon as the GPU and the display take it.
  void UpdateSurface();

  // The last presented image as BGRA rows of width x 4 bytes; false when nothing was presented yet.
  bool ReadFrontBuffer(std::vector<uint8_t>& bgra, int& width, int& height) const;
  // The size of the last presented image; false when nothing was presented yet.
  bool FrontBufferSize(int& width, int& height) const;
  // The last presented image into memory of the caller's, rows bytesPerRow apart, through a staging buffer
  // the layer keeps: nothing is allocated per read. False when nothing was presented yet or the image is no
  // longer width x height (the layer was resized in between).
  bool ReadFrontBuffer(void* bgra, size_t bytesPerRow, int width, int height) const;
  // Only `region` of that image (of width x height), its top-left pixel at bgra: a frame that changed in a
  // small part costs a copy of that part. False also when the region is empty or leaves the image.
  bool ReadFrontBuffer(void* bgra, size_t bytesPerRow, int width, int height, const GpuRegion& region) const;
  // Pixel bytes the reads of the front buffer have copied out so far.
  size_t BytesReadBack() const;
  int PresentedCount() const;
  void WaitForFramesInFlight();

 private:
  std::shared_ptr<GpuCore> mCore;
  std::shared_ptr<GpuLayerRing> mRing;
  double mWidth = 0.0;
  double mHeight = 0.0;
  double mScale = 1.0;
  // ReadFrontBuffer's staging buffer, kept for the next read.
  mutable std::mutex mReadMutex;
  mutable std::shared_ptr<GpuBuffer> mReadStaging;
  mutable size_t mBytesReadBack = 0;  // guarded by mReadMutex
};

}  // namespace platform::gpu
