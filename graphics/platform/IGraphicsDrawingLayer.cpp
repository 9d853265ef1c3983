#include "graphics/platform/IGraphicsDrawingLayer.h"

#include <cstdio>
#include <string>

#include "graphics/vector/MVRBackend.h"
#include "platform/gpu/GpuDevice.h"
#include "platform/gpu/GpuDrawableLayer.h"

namespace fx::gfx {

namespace {

// The process's GPU device while any editor's layer holds it (none outlives the editors, so nothing of Vulkan is left
// for the module's unloading); a device that could not be opened is reported once and not asked for again.
std::shared_ptr<platform::gpu::GpuDevice> SharedDevice() {
  static std::weak_ptr<platform::gpu::GpuDevice> shared;
  static bool failed = false;
  if (std::shared_ptr<platform::gpu::GpuDevice> device = shared.lock()) return device;
  if (failed) return nullptr;
  std::string reason;
  std::shared_ptr<platform::gpu::GpuDevice> device = platform::gpu::GpuDevice::Create({}, reason);
  if (!device) {
    failed = true;
    std::fprintf(stderr, "Kelvadrune: no GPU device for the editor: %s\n", reason.c_str());
  }
  shared = device;
  return device;
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

  bool TakeFinishedFrame(std::vector<uint8_t>& bgra, int& width, int& height) override {
    if (!mLayer) return false;
    const int presented = mLayer->PresentedCount();
    if (presented == mTaken) return false;
    mTaken = presented;
    return mLayer->ReadFrontBuffer(bgra, width, height);
  }

 private:
  std::shared_ptr<platform::gpu::GpuDevice> mDevice;
  std::unique_ptr<platform::gpu::GpuDrawableLayer> mLayer;
  MVRlayer mRendererLayer;
  int mTaken = 0;
};

DrawingLayerMaker& InstalledMaker() {
  static DrawingLayerMaker maker;
  return maker;
}

}  // namespace

void SetDrawingLayerMaker(DrawingLayerMaker maker) {
  InstalledMaker() = std::move(maker);
}

std::unique_ptr<IGraphicsDrawingLayer> MakeDrawingLayer() {
  if (const DrawingLayerMaker& maker = InstalledMaker()) return maker();
  return std::make_unique<GpuDrawingLayer>();
}

}  // namespace fx::gfx
