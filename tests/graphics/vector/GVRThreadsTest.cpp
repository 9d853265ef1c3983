// The GPU back end's framebuffer binding among a host's threads: the editors of two plug-in instances, opened on two
// host threads, draw at the same time, each binding its framebuffers and flushing on its own thread. Needs no device;
// built and run a second time under ThreadSanitizer by scripts/test.
#include <gtest/gtest.h>

#include <barrier>
#include <thread>

#include "graphics/vector/GVRBackend.h"

namespace {

// Both editors bind their main framebuffer before either flushes; then one ends its frame (unbinds) while the other
// is still drawing. Each thread's flush finds what that thread bound, whatever the other did meanwhile.
TEST(GVRThreads, EachThreadFlushesIntoWhatItBound) {
  GVRframebuffer first{nullptr, 1, 0}, second{nullptr, 2, 0};
  std::barrier step(2);
  GVRframebuffer* seenAtFlush[2] = {};
  GVRframebuffer* seenAfterOtherEnded = nullptr;
  std::thread drawing([&] {
    gvrBindFramebuffer(&first);
    step.arrive_and_wait();
    seenAtFlush[0] = gvrBoundFramebuffer();
    step.arrive_and_wait();
    step.arrive_and_wait();
    seenAfterOtherEnded = gvrBoundFramebuffer();
    gvrBindFramebuffer(nullptr);
  });
  std::thread ending([&] {
    gvrBindFramebuffer(&second);
    step.arrive_and_wait();
    seenAtFlush[1] = gvrBoundFramebuffer();
    step.arrive_and_wait();
    gvrBindFramebuffer(nullptr);
    step.arrive_and_wait();
  });
  drawing.join();
  ending.join();
  EXPECT_EQ(seenAtFlush[0], &first);
  EXPECT_EQ(seenAtFlush[1], &second);
  EXPECT_EQ(seenAfterOtherEnded, &first);
  // This thread bound nothing.
  EXPECT_EQ(gvrBoundFramebuffer(), nullptr);
}

}  // namespace
