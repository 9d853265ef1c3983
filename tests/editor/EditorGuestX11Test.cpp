// The built module in a host's process on a real display, as a host loads it (run under xvfb-run; every case
// skips without $DISPLAY): the editor goes into the host's window with nothing set for the plug-in, and two
// copies of the module, opened and unloaded in load order, leave the host's X error handler as it was and
// reachable.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/vst2/VST2Interface.h"
#include "tests/platform/gpu/GpuTestEnvironment.h"
#include "tests/platform/window/X11DisplayKeptUp.h"
#include "tools/vst2host/TestHost.h"

// Xlib after the project's headers: its macros must not meet their names.
#include <X11/Xlib.h>

namespace {

int gHostErrors = 0;
int HostErrorHandler(::Display*, XErrorEvent*) {
  ++gHostErrors;
  return 0;
}

class EditorGuestX11Test : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    platform::gpu::test::PrepareCpuDeviceEnvironment();
    ::unsetenv("KD_WINDOW_BACKEND");
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
  }
  void TearDown() override {
    if (display) XCloseDisplay(display);
  }

  ::Window HostWindow() {
    const ::Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 20, 20, 640, 480, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
  }
  // The module at path, instantiated and running, as a host starts a plug-in.
  std::unique_ptr<vsthost::TestHost> Start(const std::string& path) {
    auto host = std::make_unique<vsthost::TestHost>();
    std::string error;
    EXPECT_TRUE(host->Load(path, error) && host->Instantiate(error)) << error;
    host->Open();
    host->SetSampleRate(48000.f);
    host->SetBlockSize(64);
    host->Resume();
    return host;
  }
  unsigned ChildrenOf(::Window window) {
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(display, window, &root, &parent, &children, &count);
    if (children) XFree(children);
    return count;
  }
  void Idle(vsthost::TestHost& host) {
    for (int i = 0; i < 5; ++i) {
      host.PumpRunLoop();
      ::usleep(10000);
    }
  }

  ::Display* display = nullptr;
};

TEST_F(EditorGuestX11Test, TheEditorGoesIntoTheHostsWindowWithNothingSetForIt) {
  const ::Window parent = HostWindow();
  std::unique_ptr<vsthost::TestHost> host = Start(KD_KELVADRUNE_PATH);
  ASSERT_EQ(host->Dispatch(vst2::kEffEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
  Idle(*host);
  EXPECT_EQ(ChildrenOf(parent), 1u);
  host->Dispatch(vst2::kEffEditClose);
  host.reset();
  XDestroyWindow(display, parent);
}

TEST_F(EditorGuestX11Test, TwoCopiesOfTheModuleUnloadedInLoadOrderLeaveTheHostsHandler) {
  // A second copy: the same file under another name is loaded once more, with its own window layer.
  const std::filesystem::path original(KD_KELVADRUNE_PATH);
  const std::filesystem::path folder =
      std::filesystem::path(testing::TempDir()) / ("kd_module_copy_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path copy = folder / original.filename();
  std::filesystem::copy_file(original, copy, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::create_directory_symlink(original.parent_path() / "resources", folder / "resources");

  XSetErrorHandler(&HostErrorHandler);
  gHostErrors = 0;
  const ::Window parents[] = {HostWindow(), HostWindow()};
  std::unique_ptr<vsthost::TestHost> first = Start(original.string());
  std::unique_ptr<vsthost::TestHost> second = Start(copy.string());
  ASSERT_EQ(first->Dispatch(vst2::kEffEditOpen, 0, 0, reinterpret_cast<void*>(parents[0])), 1);
  ASSERT_EQ(second->Dispatch(vst2::kEffEditOpen, 0, 0, reinterpret_cast<void*>(parents[1])), 1);
  Idle(*first);
  Idle(*second);
  first->Dispatch(vst2::kEffEditClose);
  second->Dispatch(vst2::kEffEditClose);
  first.reset();
  second.reset();
  EXPECT_EQ(XSetErrorHandler(&HostErrorHandler), &HostErrorHandler);

  // An error of the host's own reaches the host's handler, not code that was unloaded.
  XDestroyWindow(display, parents[0]);
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, parents[0], &attributes);
  XSync(display, False);
  EXPECT_EQ(gHostErrors, 1);
  XDestroyWindow(display, parents[1]);
  XSetErrorHandler(nullptr);
  std::filesystem::remove_all(folder);
}

}  // namespace
