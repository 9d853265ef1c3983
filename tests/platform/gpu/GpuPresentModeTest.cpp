// The swapchain's present mode from what a window offers: one that never waits for the vertical blank where
// there is one, MAILBOX (which never tears) first. Its composite alpha: one that keeps the frames' alpha wherever
// the window offers one, opaque only where it offers nothing else.
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

struct AlphaCase {
  const char* name;
  VkCompositeAlphaFlagsKHR offered;
  VkCompositeAlphaFlagBitsKHR chosen;
};

constexpr VkCompositeAlphaFlagsKHR kOpaque = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
constexpr VkCompositeAlphaFlagsKHR kPre = VK_COMPOSITE_ALPHA_PRE_MULTIPLIED_BIT_KHR;
constexpr VkCompositeAlphaFlagsKHR kPost = VK_COMPOSITE_ALPHA_POST_MULTIPLIED_BIT_KHR;
constexpr VkCompositeAlphaFlagsKHR kInherit = VK_COMPOSITE_ALPHA_INHERIT_BIT_KHR;

// clang-format off
const AlphaCase kAlphas[] = {
  {"AllOffered",            kOpaque | kPre | kPost | kInherit, VK_COMPOSITE_ALPHA_PRE_MULTIPLIED_BIT_KHR},
  {"PreBeforeOpaque",       kOpaque | kPre,                    VK_COMPOSITE_ALPHA_PRE_MULTIPLIED_BIT_KHR},
  {"PostBeforeInherit",     kOpaque | kPost | kInherit,        VK_COMPOSITE_ALPHA_POST_MULTIPLIED_BIT_KHR},
  {"InheritBeforeOpaque",   kOpaque | kInherit,                VK_COMPOSITE_ALPHA_INHERIT_BIT_KHR},
  {"PostAlone",             kPost,                             VK_COMPOSITE_ALPHA_POST_MULTIPLIED_BIT_KHR},
  {"OpaqueAlone",           kOpaque,                           VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR},
  {"NoneListed",            0,                                 VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR},
};
// clang-format on

void PrintTo(const AlphaCase& row, std::ostream* os) {
  *os << row.name;
}

class CompositeAlpha : public ::testing::TestWithParam<AlphaCase> {};

TEST_P(CompositeAlpha, TheFirstThatKeepsTheFramesAlpha) {
  EXPECT_EQ(GpuSwapchain::PickCompositeAlpha(GetParam().offered), GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(Swapchain, CompositeAlpha, ::testing::ValuesIn(kAlphas),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform::gpu::test
