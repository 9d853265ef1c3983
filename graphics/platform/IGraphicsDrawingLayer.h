// The drawing layer of the editor view: the surface the GPU back end's renderer context is made on
// (gvrCreateContext's layer), sized in pixels by the view, whose finished frames the view hands to the window
// layer. By default a ring of GPU images (platform/gpu's GpuDrawableLayer on the process's GPU device); a program
// may install another maker, e.g. a test's recording layer.
//
// Main thread only (GpuDeviceKeeper: any thread); nothing here blocks except the GPU layer's read of a finished
// frame, which is made only while no frame is in flight, so that it waits for nothing but its own copy.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/window/Geometry.h"

namespace platform::window {
class Window;
}

namespace fx::gfx {

class IGraphicsDrawingLayer {
 public:
  virtual ~IGraphicsDrawingLayer() = default;
  // What the GPU back end's gvrCreateContext takes as its layer (an VulkanLayer); null when the layer has no GPU
  // behind it.
  virtual void* RendererLayer() = 0;
  // The size of the frames in pixels: the view's size in points times the backing scale.
  virtual void SetDrawableSize(double widthPoints, double heightPoints, double scale) = 0;
  // The frame finished since the last call, as BGRA rows of width x 4 bytes, for the window's software
  // present; false when there is none new, or when the layer shows its frames in the window itself.
  virtual bool TakeFinishedFrame(std::vector<uint8_t>& bgra, int& width, int& height) = 0;
  // The frame drawn last changed the frame before it only inside `region` (pixels); the view tells it after each
  // frame it draws. Changes add up until a frame is presented.
  virtual void AddChangedRegion(const platform::window::PixelRect& region) { (void)region; }
  // The same frame handed to `present` with its size, the part that changed since the frame presented before
  // (the whole frame when the layer keeps no account), and a reader that writes the BGRA rows of a region of it
  // (the first at bgra, bytesPerRow apart) into memory of the caller's, e.g. the window's frame storage, so that
  // only that region is read, once; false when there is none new or `present` fails. By default through
  // TakeFinishedFrame.
  using FrameReader = std::function<bool(unsigned char* bgra, size_t bytesPerRow, platform::window::PixelRect region)>;
  using FramePresenter =
      std::function<bool(int width, int height, platform::window::PixelRect changed, const FrameReader& read)>;
  virtual bool PresentFinishedFrame(const FramePresenter& present);
  // Shows the frames in the window directly where the window system and the GPU allow it (null: stop, before
  // the window goes). Without that the frames reach the window through TakeFinishedFrame.
  virtual void ShowInWindow(platform::window::Window* window) { (void)window; }
  // Whether a frame drawn now would be drawn and shown without waiting for the GPU; when not, the view draws
  // at a later tick instead (and keeps presenting finished frames meanwhile). Never blocks.
  virtual bool ReadyForFrame() { return true; }

 private:
  std::vector<uint8_t> mTakenFrame;  // PresentFinishedFrame's copy of a frame from TakeFinishedFrame
};

using DrawingLayerMaker = std::function<std::unique_ptr<IGraphicsDrawingLayer>()>;

// Main thread. Null restores the GPU layer.
void SetDrawingLayerMaker(DrawingLayerMaker maker);
// Main thread. On: each redraw waits for the frame it drew and hands that frame to the window at once, so
// "the next frame" is the one just drawn (tests and screenshots, which run on a clock of their own). Off (the
// default): a redraw hands over the frames that have completed by then and never waits for the GPU.
void SetDrawingLayersSynchronous(bool synchronous);

// Main thread. A new layer from the installed maker; the GPU layer opens the process's device on first use (a
// machine without Vulkan gets a layer without a GPU: the renderer context is then not made, nothing is drawn).
std::unique_ptr<IGraphicsDrawingLayer> MakeDrawingLayer();

// Any thread. How long a kept device stays after the last layer went (10 s unless a test shortens it).
void SetGpuIdleRelease(std::chrono::milliseconds delay);

// Keeps the GPU layers' device, with the pipelines it has compiled, from one editor to the next while any keeper
// lives (without one, the device goes with the last layer), until no layer has used it for the idle delay; then the
// device goes, and only the driver's library stays loaded. In a host that locks its memory as it grows, where what
// each new device's driver threads touch would stay locked for good, that happens once: the device opened after it
// stays while any keeper lives. Opening a device anew on a driver that stays loaded costs a few tens of
// milliseconds, while loading the driver anew costs more, and Mesa's CPU device leaves some MB mapped at every
// unloading; so each plug-in instance holds a keeper, and the last one to go releases the device (once no layer
// uses it) and the driver, before the module can be unloaded. A keeper opens nothing itself: the first layer does.
// Any thread; the last keeper's destructor waits for the device's frames in flight and for a release under way.
class GpuDeviceKeeper {
 public:
  GpuDeviceKeeper();
  ~GpuDeviceKeeper();
  GpuDeviceKeeper(const GpuDeviceKeeper&) = delete;
  GpuDeviceKeeper& operator=(const GpuDeviceKeeper&) = delete;
};

}  // namespace fx::gfx
