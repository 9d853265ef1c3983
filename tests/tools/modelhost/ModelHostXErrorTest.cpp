// The module's editor when the X side goes wrong, as it does in hosts: a parent window that does not exist while
// Xlib's default error handler (which ends the process) is in place, two copies of the module in one process
// unloaded in load order, the X server going away under an open editor, and no display at all. The process goes
// on, the plug-in answers with the interface's failure value, and the host's own error handling is as it was.
#include <atomic>
#include <filesystem>
#include <optional>

#include "tests/tools/modelhost/ModelHostFixture.h"
#include "tests/tools/modelhost/PrivateXServer.h"

// Xlib after the project's headers: its macros must not meet their names.
#include <X11/Xlib.h>

namespace modelhost_test {
namespace {

// The host's own error handler: counts the errors of the connection it watches.
std::atomic<Display*> gHostDisplay{nullptr};
std::atomic<int> gHostErrors{0};

int OnHostError(Display* display, XErrorEvent*) {
  if (display == gHostDisplay.load()) gHostErrors.fetch_add(1);
  return 0;
}

// The IO error handler of a host that outlives its X server. Xlib's own handler ends the process whatever a
// connection's exit handler says; this one returns, so that each connection's exit handler runs and ends only it.
int OnHostIOError(Display*) {
  return 0;
}

// A window id the server knew and has forgotten.
::Window GoneWindow(Display* display) {
  const ::Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XDestroyWindow(display, window);
  XSync(display, False);
  return window;
}

// A request the server refuses (BadWindow), answered before this returns.
void ProvokeError(Display* display) {
  XMapWindow(display, GoneWindow(display));
  XSync(display, False);
}

// $DISPLAY for one test, put back as it was afterwards.
class DisplayVariable {
 public:
  DisplayVariable() {
    if (const char* name = std::getenv("DISPLAY")) mBefore = name;
  }
  ~DisplayVariable() {
    if (mBefore)
      setenv("DISPLAY", mBefore->c_str(), 1);
    else
      unsetenv("DISPLAY");
  }
  void Set(const std::string& name) { setenv("DISPLAY", name.c_str(), 1); }
  void Unset() { unsetenv("DISPLAY"); }

 private:
  std::optional<std::string> mBefore;
};

using ModelHostXErrors = ModelHostOnDisplay;

TEST_F(ModelHostXErrors, ABadParentUnderXlibsDefaultHandlerIsRefusedAndAGoodOneStillWorks) {
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  host.CloseEditor();
  host.RunGui(milliseconds(100));
  // A toolkit puts Xlib's own handler back: from here an X error the plug-in does not trap ends the process.
  XSetErrorHandler(nullptr);
  EXPECT_EQ(host.OpenEditorIn(GoneWindow(host.Window().Connection())), 0);
  if (host.EditorIsOpen()) host.CloseEditor();
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  ASSERT_NO_FATAL_FAILURE(DragReachesTheHost(host));
}

// The row: whether the host had its own error handler in place before the modules came, or Xlib's default.
class ModelHostXErrorsTwoCopies : public ModelHostOnDisplay, public testing::WithParamInterface<bool> {
 protected:
  // A copy of the built module with its resources beside it, in a folder of the temporary home.
  std::string CopyOfTheModule(const std::string& folder) const {
    namespace fs = std::filesystem;
    const fs::path built(KD_KELVADRUNE_PATH);
    const fs::path to = fs::path(home->Root()) / folder;
    fs::create_directories(to);
    fs::copy_file(built, to / built.filename());
    fs::copy(built.parent_path() / "resources", to / "resources", fs::copy_options::recursive);
    return (to / built.filename()).string();
  }
};

TEST_P(ModelHostXErrorsTwoCopies, EachOpensItsEditorAndUnloadingBothLeavesTheHostsErrorHandling) {
  const bool hostHandler = GetParam();
  Display* display = XOpenDisplay(nullptr);  // the host's main connection
  ASSERT_NE(display, nullptr);
  gHostDisplay.store(display);
  XSetErrorHandler(nullptr);
  const XErrorHandler xlibDefault = XSetErrorHandler(nullptr);
  if (hostHandler) XSetErrorHandler(OnHostError);
  {
    auto first = std::make_unique<ModelHost>(0, 0);
    auto second = std::make_unique<ModelHost>(640, 0);
    ASSERT_NO_FATAL_FAILURE(Load(*first, CopyOfTheModule("first")));
    ASSERT_NO_FATAL_FAILURE(Load(*second, CopyOfTheModule("second")));
    ASSERT_NO_FATAL_FAILURE(OpenAndSee(*first));
    ASSERT_NO_FATAL_FAILURE(OpenAndSee(*second));
    ASSERT_NO_FATAL_FAILURE(See(*first));
    if (hostHandler) {
      ProvokeError(display);
      EXPECT_EQ(gHostErrors.exchange(0), 1) << "the host's error did not reach its handler while the editors are open";
    }
    first.reset();
    second.reset();
  }
  if (hostHandler) {
    // Still the host's: an error reaches it, and no code of a module that has gone.
    ProvokeError(display);
    EXPECT_EQ(gHostErrors.exchange(0), 1) << "the host's error did not reach its handler after the unloading";
  }
  const XErrorHandler after = XSetErrorHandler(OnHostError);
  EXPECT_TRUE(after == (hostHandler ? OnHostError : xlibDefault)) << "the error handler is not the one from before";
  ProvokeError(display);
  EXPECT_EQ(gHostErrors.exchange(0), 1);
  XCloseDisplay(display);
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelHostXErrorsTwoCopies, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "HostsOwnHandlerFirst" : "XlibsDefaultHandlerFirst";
                         });

// Scenarios on an X server of the test's own, which it makes go away, in a host that outlives it.
class ModelHostXErrorsOwnServer : public ModelHostTest {
 protected:
  void SetUp() override {
    ModelHostTest::SetUp();
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    display.Set(server.Name());
    previousIOHandler = XSetIOErrorHandler(OnHostIOError);
  }
  void TearDown() override {
    XSetIOErrorHandler(previousIOHandler);
    ModelHostTest::TearDown();
  }

  DisplayVariable display;
  PrivateXServer server;
  XIOErrorHandler previousIOHandler = nullptr;
};

TEST_F(ModelHostXErrorsOwnServer, TheServerGoingAwayUnderAnOpenEditorEndsOnlyTheEditor) {
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  const unsigned long parent = host.Window().Id();
  server.Kill();
  const int64_t blocks = host.BlocksProcessed();
  host.RunGui(milliseconds(500));
  EXPECT_FALSE(host.Window().Connected());
  host.CloseEditor();
  host.Dispatch(vst2::kEffIdle);
  EXPECT_EQ(host.OpenEditorIn(parent), 0) << "an editor opened on a server that has gone";
  if (host.EditorIsOpen()) host.CloseEditor();
  EXPECT_GT(host.BlocksProcessed(), blocks + 10) << "the audio stopped with the server";
}

// No display for the editor: none named, or one whose server has gone.
class ModelHostXErrorsNoDisplay : public ModelHostTest, public testing::WithParamInterface<bool> {
 protected:
  DisplayVariable display;
};

TEST_P(ModelHostXErrorsNoDisplay, TheEditorDoesNotOpenAndTheRestGoesOn) {
  if (GetParam()) {
    PrivateXServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    display.Set(server.Name());
    server.Kill();
  } else {
    display.Unset();
  }
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  vst2::EditorRect* rect = nullptr;
  EXPECT_EQ(host.Dispatch(vst2::kEffEditGetRect, 0, 0, &rect), 1);
  constexpr unsigned long kSomeHostWindow = 0x00E00001;
  EXPECT_EQ(host.OpenEditorIn(kSomeHostWindow), 0);
  host.Dispatch(vst2::kEffEditIdle);
  host.Dispatch(vst2::kEffIdle);
  if (host.EditorIsOpen()) host.CloseEditor();
  const int64_t blocks = host.BlocksProcessed();
  host.RunGui(milliseconds(100));
  EXPECT_GT(host.BlocksProcessed(), blocks);
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelHostXErrorsNoDisplay, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "ServerGone" : "DisplayUnset";
                         });

}  // namespace
}  // namespace modelhost_test
