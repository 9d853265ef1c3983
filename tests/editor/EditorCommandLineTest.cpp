// The test host's editor options on the built module: a screenshot made without a display shows the same
// editor as the reviewed picture; the editor window without a display is refused with a reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/platform/gpu/GpuTestEnvironment.h"
#include "tools/pngfile/PngFile.h"
#include "tools/vst2host/HostCommandLine.h"

namespace {

TEST(EditorCommandLine, ScreenshotShowsTheReviewedEditor) {
  platform::gpu::test::PrepareCpuDeviceEnvironment();
  const std::string path = testing::TempDir() + "kd_editor_shot_" + std::to_string(getpid()) + ".png";
  std::ostringstream out, err;
  ASSERT_EQ(vsthost::RunHostCommandLine({KD_KELVADRUNE_PATH, "--screenshot", path}, out, err), 0) << err.str();
  std::vector<uint8_t> shot, golden;
  int w = 0, h = 0, gw = 0, gh = 0;
  ASSERT_TRUE(ReadPngRgba(path, shot, w, h));
  std::filesystem::remove(path);
  ASSERT_TRUE(ReadPngRgba(KD_EDITOR_GOLDEN_DIR "/editor.png", golden, gw, gh));
  ASSERT_EQ(w, gw);
  ASSERT_EQ(h, gh);
  int differing = 0;
  for (size_t i = 0; i < shot.size(); i += 4)
    differing += (std::abs(shot[i] - golden[i]) > 24 || std::abs(shot[i + 1] - golden[i + 1]) > 24 ||
                  std::abs(shot[i + 2] - golden[i + 2]) > 24)
                     ? 1
                     : 0;
  EXPECT_LT(differing, w * h / 200);
}

TEST(EditorCommandLine, EditorWindowNeedsADisplay) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  std::ostringstream out, err;
  EXPECT_EQ(vsthost::RunHostCommandLine({KD_KELVADRUNE_PATH, "--editor"}, out, err), 1);
  EXPECT_NE(err.str().find("--editor needs an X display"), std::string::npos) << err.str();
  if (display) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
