// The swapchain's present mode from what a window offers: one that never waits for the vertical blank where
// there is one, MAILBOX (which never tears) first.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gpu/GpuSwapchain.h"

namespace platform::gpu::test {
namespace {

struct ModeCase {
  const char* name;
  std::vector<VkPresentModeKHR> offered;
  VkPresentModeKHR chosen;
};

// clang-format off
const ModeCase kModes[] = {
  {"XvfbOffersAll", {VK_PRESENT_MODE_IMMEDIATE_KHR, VK_PRESENT_MODE_MAILBOX_KHR, VK_PRESENT_MODE_FIFO_KHR,
                     VK_PRESENT_MODE_FIFO_RELAXED_KHR}, VK_PRESENT_MODE_MAILBOX_KHR},
  {"MailboxAndFifo", {VK_PRESENT_MODE_FIFO_KHR, VK_PRESENT_MODE_MAILBOX_KHR}, VK_PRESENT_MODE_MAILBOX_KHR},
  {"ImmediateWithoutMailbox", {VK_PRESENT_MODE_FIFO_KHR, VK_PRESENT_MODE_IMMEDIATE_KHR},
   VK_PRESENT_MODE_IMMEDIATE_KHR},
  {"FifoAlone", {VK_PRESENT_MODE_FIFO_KHR}, VK_PRESENT_MODE_FIFO_KHR},
  {"RelaxedFifoStillWaits", {VK_PRESENT_MODE_FIFO_RELAXED_KHR, VK_PRESENT_MODE_FIFO_KHR}, VK_PRESENT_MODE_FIFO_KHR},
  {"NoneListed", {}, VK_PRESENT_MODE_FIFO_KHR},
};
// clang-format on

class PresentMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(PresentMode, TheFirstThatDoesNotWaitForTheDisplay) {
  EXPECT_EQ(GpuSwapchain::PickPresentMode(GetParam().offered), GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(Swapchain, PresentMode, ::testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform::gpu::test
