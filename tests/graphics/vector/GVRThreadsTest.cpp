// The renderer and its GPU back end among a host's threads: the editors of two plug-in instances, opened on two host
// threads, draw at the same time, each binding its framebuffers and flushing on its own thread, and each loading its
// images from files. Needs no device; built and run a second time under ThreadSanitizer by scripts/test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <barrier>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "graphics/vector/GVRBackend.h"
#include "graphics/vector/VRText.h"
#include "tests/graphics/vector/RecordingBackend.h"

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

// Two editors load images from files at the same time, each on its own thread and renderer: each decodes the file's
// pixels, and neither touches what the other's decoding reads or writes (ThreadSanitizer checks the decoder's
// switches).
TEST(GVRThreads, TwoEditorsLoadImagesFromFilesAtOnce) {
  // A 2 x 1 RGBA PNG (opaque red, half-transparent blue), written with Python's zlib.
  const unsigned char png[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
                               0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0xf4,
                               0x22, 0x7f, 0x8a, 0x00, 0x00, 0x00, 0x0e, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
                               0xcf, 0xc0, 0x00, 0x42, 0x0d, 0x00, 0x0f, 0x7a, 0x03, 0x7e, 0x77, 0xe9, 0x7f, 0x97, 0x00,
                               0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  const std::vector<unsigned char> pixels = {255, 0, 0, 255, 0, 0, 255, 128};
  const std::string path = "/tmp/kd_gvr_threads_image_" + std::to_string(getpid()) + ".png";
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(png, 1, sizeof png, file);
  std::fclose(file);
  constexpr int kImages = 20;
  std::vector<unsigned char> decoded[2][kImages];
  std::barrier start(2);
  const auto load = [&](int editor) {
    RecordingRenderer renderer;
    start.arrive_and_wait();
    for (int i = 0; i < kImages; ++i) {
      const int image = vrCreateImage(renderer.ctx, path.c_str(), 0);
      if (image != 0) decoded[editor][i] = renderer.backend.textures[image].data;
      vrDeleteImage(renderer.ctx, image);
    }
  };
  std::thread first(load, 0), second(load, 1);
  first.join();
  second.join();
  std::remove(path.c_str());
  for (int editor = 0; editor < 2; ++editor)
    for (int i = 0; i < kImages; ++i) EXPECT_EQ(decoded[editor][i], pixels) << editor << " " << i;
}

}  // namespace
