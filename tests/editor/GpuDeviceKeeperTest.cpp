// The editors' GPU device between editors: kept while any keeper (one per plug-in instance) lives, so that an editor
// opened again finds it, and let go with the last keeper once no layer uses it.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "graphics/platform/IGraphicsDrawingLayer.h"
#include "graphics/vector/GVRBackend.h"
#include "tests/platform/gpu/GpuTestEnvironment.h"
#include "tools/modelhost/ProcessFigures.h"

namespace kelvadrune_test {
namespace {

using fx::gfx::GpuDeviceKeeper;
using fx::gfx::MakeDrawingLayer;
using platform::gpu::GpuDevice;
using std::chrono::milliseconds;

// The device a new GPU layer draws with; nullopt without a device.
std::optional<std::weak_ptr<GpuDevice>> DeviceOfANewLayer() {
  const std::unique_ptr<fx::gfx::IGraphicsDrawingLayer> layer = MakeDrawingLayer();
  auto* renderer = static_cast<VulkanLayer*>(layer->RendererLayer());
  if (!renderer || !renderer->device) return std::nullopt;
  return renderer->device;
}

int ThreadsOfTheProcess() {
  return modelhost::ReadProcessFigures().threads;
}

// Polls until `done` or 20 s have passed.
bool Eventually(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return true;
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

TEST(GpuDeviceKeeperTest, AKeptDeviceNoLayerUsesGoesAfterTheIdleDelayWithTheDriversThreads) {
  platform::gpu::test::PrepareCpuDeviceEnvironment();
  const int threadsBefore = ThreadsOfTheProcess();
  auto keeper = std::make_unique<GpuDeviceKeeper>();
  fx::gfx::SetGpuIdleRelease(milliseconds(50));
  std::optional<std::weak_ptr<GpuDevice>> first = DeviceOfANewLayer();
  if (!first) {
    fx::gfx::SetGpuIdleRelease(std::chrono::seconds(10));
    GTEST_SKIP() << "no GPU device";
  }
  EXPECT_TRUE(Eventually([&] { return first->expired(); })) << "the idle device stays";
  EXPECT_TRUE(Eventually([&] { return ThreadsOfTheProcess() <= threadsBefore; }))
      << ThreadsOfTheProcess() << " threads after the release, " << threadsBefore << " before the first layer";

  // Layers that come and go around the delay, on two threads, each find a device to draw with; the last one is
  // kept until the delay passes again.
  std::weak_ptr<GpuDevice> last;
  const auto openAndClose = [&](int round) {
    for (int i = 0; i < 10; ++i) {
      std::optional<std::weak_ptr<GpuDevice>> device = DeviceOfANewLayer();
      EXPECT_TRUE(device.has_value()) << "no device in round " << round << ", layer " << i;
      if (device && round == 0) last = *device;
      std::this_thread::sleep_for(milliseconds((i * 17 + round * 29) % 90));
    }
  };
  std::thread other(openAndClose, 1);
  openAndClose(0);
  other.join();
  EXPECT_TRUE(Eventually([&] { return last.expired(); })) << "the idle device stays";

  // A device opened after a release is the keeper's again, and goes with the last keeper.
  fx::gfx::SetGpuIdleRelease(std::chrono::seconds(10));
  std::optional<std::weak_ptr<GpuDevice>> again = DeviceOfANewLayer();
  ASSERT_TRUE(again.has_value());
  EXPECT_FALSE(again->expired()) << "not kept after a release";
  keeper.reset();
  EXPECT_TRUE(again->expired());
}

std::shared_ptr<GpuDevice> DeviceOf(fx::gfx::IGraphicsDrawingLayer& layer) {
  auto* renderer = static_cast<VulkanLayer*>(layer.RendererLayer());
  return renderer ? renderer->device : nullptr;
}

// The idle delay counts from the last layer's close: a layer open across it keeps the one shared device for every
// layer, and the device goes no sooner than the delay after the last layer closed. Each check of "not yet" is made
// only while the clock says the delay cannot have passed, so a slow machine skips it instead of failing.
TEST(GpuDeviceKeeperTest, ALayerOpenAcrossTheIdleDelayKeepsTheOneDeviceUntilTheDelayAfterTheLastClose) {
  platform::gpu::test::PrepareCpuDeviceEnvironment();
  constexpr milliseconds kDelay{400};
  using Clock = std::chrono::steady_clock;
  auto keeper = std::make_unique<GpuDeviceKeeper>();
  fx::gfx::SetGpuIdleRelease(kDelay);
  struct RestoreDelay {
    ~RestoreDelay() { fx::gfx::SetGpuIdleRelease(std::chrono::seconds(10)); }
  } restore;

  std::unique_ptr<fx::gfx::IGraphicsDrawingLayer> layer = MakeDrawingLayer();
  const std::weak_ptr<GpuDevice> device = DeviceOf(*layer);
  if (device.expired()) GTEST_SKIP() << "no GPU device";
  Clock::time_point closing = Clock::now();
  layer.reset();

  // Opened within the delay: the kept device.
  std::unique_ptr<fx::gfx::IGraphicsDrawingLayer> first = MakeDrawingLayer();
  if (Clock::now() - closing < kDelay) {
    EXPECT_EQ(DeviceOf(*first), device.lock()) << "opened within the delay";
  }
  const std::weak_ptr<GpuDevice> shared = DeviceOf(*first);

  // Kept open past the delay, twice over: a layer opened meanwhile draws with the same device.
  std::this_thread::sleep_for(2 * kDelay);
  std::unique_ptr<fx::gfx::IGraphicsDrawingLayer> second = MakeDrawingLayer();
  EXPECT_EQ(DeviceOf(*second), shared.lock()) << "a layer opened while another is open got another device";
  first.reset();
  std::this_thread::sleep_for(2 * kDelay);

  // The last layer closes: the device stays for the delay, then goes.
  closing = Clock::now();
  second.reset();
  std::this_thread::sleep_for(kDelay / 4);
  const bool staysAWhile = !shared.expired();
  if (Clock::now() - closing < kDelay) {
    EXPECT_TRUE(staysAWhile) << "the device went before the delay had passed";
  }
  EXPECT_TRUE(Eventually([&] { return shared.expired(); })) << "the idle device stays";
  EXPECT_GE(Clock::now() - closing, kDelay) << "the device went before the delay had passed";
  keeper.reset();
}

}  // namespace
}  // namespace kelvadrune_test
