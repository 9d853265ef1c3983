// The surface the editor draws into: a ring of three BGRA images sized from the layer's bounds times its
// contents scale. NextDrawable hands out a free image; a command buffer presents it once it completes,
// and the last presented image is the front buffer, which a test (or, later, the window layer) reads.
// Headless: nothing is shown on a screen yet.
//
// Threads: the layer's functions on the main thread (NextDrawable may block up to a second for an image
// to come back); presentation finishes on the device's completion thread.
#pragma once

#include <condition_variable>
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

class GpuDrawable {
 public:
  ~GpuDrawable();
  GpuDrawable(const GpuDrawable&) = delete;
  GpuDrawable& operator=(const GpuDrawable&) = delete;

  const std::shared_ptr<GpuTexture>& Texture() const { return mTexture; }

 private:
  friend class GpuDrawableLayer;
  friend class GpuCommandBuffer;
  GpuDrawable(std::shared_ptr<GpuLayerRing> ring, int index, uint64_t generation, std::shared_ptr<GpuTexture> texture)
      : mRing(std::move(ring)), mIndex(index), mGeneration(generation), mTexture(std::move(texture)) {}
  // Recording thread: a command buffer will present this drawable.
  void SchedulePresent();
  // Completion thread: the command buffer finished; completed = its work reached the image.
  void FinishPresent(bool completed);
  void Release();

  std::shared_ptr<GpuLayerRing> mRing;
  int mIndex;
  uint64_t mGeneration;
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

  // The last presented image as BGRA rows of width x 4 bytes; false when nothing was presented yet.
  bool ReadFrontBuffer(std::vector<uint8_t>& bgra, int& width, int& height) const;
  int PresentedCount() const;
  void WaitForFramesInFlight();

 private:
  std::shared_ptr<GpuCore> mCore;
  std::shared_ptr<GpuLayerRing> mRing;
  double mWidth = 0.0;
  double mHeight = 0.0;
  double mScale = 1.0;
};

}  // namespace platform::gpu
