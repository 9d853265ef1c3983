// The editors' GPU device between editors: kept while any keeper (one per plug-in instance) lives, so that an editor
// opened again finds it, and let go with the last keeper once no layer uses it.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "graphics/platform/IGraphicsDrawingLayer.h"
#include "graphics/vector/GVRBackend.h"
#include "tests/platform/gpu/GpuTestEnvironment.h"

namespace kelvadrune_test {
namespace {

using fx::gfx::GpuDeviceKeeper;
using fx::gfx::MakeDrawingLayer;
using platform::gpu::GpuDevice;

// The device a new GPU layer draws with; nullopt without a device.
std::optional<std::weak_ptr<GpuDevice>> DeviceOfANewLayer() {
  const std::unique_ptr<fx::gfx::IGraphicsDrawingLayer> layer = MakeDrawingLayer();
  auto* renderer = static_cast<VulkanLayer*>(layer->RendererLayer());
  if (!renderer || !renderer->device) return std::nullopt;
  return renderer->device;
}

TEST(GpuDeviceKeeperTest, TheDeviceStaysBetweenLayersUntilTheLastKeeperGoes) {
  platform::gpu::test::PrepareCpuDeviceEnvironment();
  std::optional<std::weak_ptr<GpuDevice>> unkept = DeviceOfANewLayer();
  if (!unkept) GTEST_SKIP() << "no GPU device";
  EXPECT_TRUE(unkept->expired()) << "without a keeper the device goes with its last layer";

  auto first = std::make_unique<GpuDeviceKeeper>();
  auto second = std::make_unique<GpuDeviceKeeper>();
  const std::weak_ptr<GpuDevice> kept = *DeviceOfANewLayer();
  EXPECT_FALSE(kept.expired()) << "no layer holds it, the keepers do";
  EXPECT_EQ(DeviceOfANewLayer()->lock(), kept.lock()) << "the next layer made another device";
  first.reset();
  EXPECT_FALSE(kept.expired()) << "one keeper is left";
  second.reset();
  EXPECT_TRUE(kept.expired()) << "the last keeper went";

  // A keeper that comes while a layer holds the device keeps that one.
  std::unique_ptr<fx::gfx::IGraphicsDrawingLayer> layer = MakeDrawingLayer();
  const std::weak_ptr<GpuDevice> held = static_cast<VulkanLayer*>(layer->RendererLayer())->device;
  auto late = std::make_unique<GpuDeviceKeeper>();
  layer.reset();
  EXPECT_FALSE(held.expired());
  late.reset();
  EXPECT_TRUE(held.expired());
}

}  // namespace
}  // namespace kelvadrune_test
