// The editor as the threads of a real host drive it: a host that closes (and reopens) the editor from inside
// the edit calls a gesture makes, idle calls from a second thread while the first opens, draws and closes,
// and a loader thread's early idle call.
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/editor/EditorHostFixture.h"
#include "tests/support/HostThread.h"

namespace kelvadrune_test {
namespace {

using Kind = pw::NativeInput::Kind;

constexpr Rgb kAccent{32, 226, 224};

std::string Describe(const vsthost::HostCall& call) {
  switch (call.opcode) {
    case vst2::kHostBeginEdit:
      return "begin:" + std::to_string(call.index);
    case vst2::kHostEndEdit:
      return "end:" + std::to_string(call.index);
    case vst2::kHostAutomate:
      return "automate:" + std::to_string(call.index);
    default:
      return std::to_string(call.opcode);
  }
}

enum class Gesture { kClick, kDrag, kWheel };

class EditorThreadsTest : public EditorHostTest {
 protected:
  // The gesture on the power switch (click) or the master fader (drag, wheel), stopping when the window went.
  void Perform(Gesture gesture) {
    const pw::Window* const target = window;
    const auto open = [&] {
      const auto& windows = pw::CurrentBackend().Windows();
      return std::find(windows.begin(), windows.end(), target) != windows.end();
    };
    switch (gesture) {
      case Gesture::kClick:
        for (Kind kind : {Kind::kMotion, Kind::kButtonPress, Kind::kButtonRelease})
          if (open()) InjectInto(*target, kind, 70, 420);
        break;
      case Gesture::kDrag:
        for (Kind kind : {Kind::kMotion, Kind::kButtonPress, Kind::kMotion, Kind::kMotion, Kind::kButtonRelease})
          if (open()) InjectInto(*target, kind, 95, kind == Kind::kMotion ? 170.f : 180.f);
        break;
      case Gesture::kWheel:
        for (Kind kind : {Kind::kMotion, Kind::kWheel})
          if (open()) InjectInto(*target, kind, 95, 180);
        break;
    }
  }
  void InjectInto(const pw::Window& target, Kind kind, float x, float y) {
    pw::NativeInput input;
    input.kind = kind;
    input.pixel = pw::Point{x, y};
    input.wheelY = kind == Kind::kWheel ? 1.0 : 0.0;
    input.timestamp = (eventTime += 0.7);
    backend->Inject(const_cast<pw::Window&>(target), input);
  }
};

// Hosts close the editor from inside a begin edit, an automation or an end edit its own gesture sent (a strip
// rebuilt when a parameter changes), and some open a new one right there. The gesture's code returns into the
// old controls, which stay until it has; the new editor draws and takes clicks.
TEST_F(EditorThreadsTest, AHostClosingTheEditorInsideAnEditCallOfAGestureIsSafe) {
  const struct {
    Gesture gesture;
    int32_t closesIn;
    bool reopens;
  } rows[] = {
      {Gesture::kClick, vst2::kHostBeginEdit, false}, {Gesture::kClick, vst2::kHostAutomate, false},
      {Gesture::kClick, vst2::kHostEndEdit, false},   {Gesture::kClick, vst2::kHostBeginEdit, true},
      {Gesture::kClick, vst2::kHostAutomate, true},   {Gesture::kClick, vst2::kHostEndEdit, true},
      {Gesture::kDrag, vst2::kHostBeginEdit, false},  {Gesture::kDrag, vst2::kHostAutomate, false},
      {Gesture::kDrag, vst2::kHostEndEdit, false},    {Gesture::kDrag, vst2::kHostAutomate, true},
      {Gesture::kWheel, vst2::kHostAutomate, false},  {Gesture::kWheel, vst2::kHostAutomate, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "gesture " << static_cast<int>(row.gesture) << ", closed in " << row.closesIn
                                    << (row.reopens ? ", reopened" : ""));
    OpenEditor();
    host.ClearCalls();
    bool closed = false;
    std::vector<std::string> after;
    host.SetEditHandler([&](vsthost::TestHost& h, const vsthost::HostCall& call) {
      if (closed) {
        after.push_back(Describe(call));
        return;
      }
      if (call.opcode != row.closesIn) return;
      closed = true;
      h.Dispatch(vst2::kEffEditClose);
      if (row.reopens) {
        EXPECT_EQ(h.Dispatch(vst2::kEffEditOpen), 1);
      }
    });
    Perform(row.gesture);
    host.SetEditHandler(nullptr);
    ASSERT_TRUE(closed);
    Frames(3);
    // The host heard nothing more from the editor it closed.
    EXPECT_EQ(after, std::vector<std::string>{});
    if (row.reopens) {
      ASSERT_EQ(backend->Windows().size(), 1u);
      window = backend->Windows().back();
      Frames(3);
      ASSERT_GT(Presented().count, 0);
      const float power = host.GetParameter(kPower);
      Click(70, 420);
      Frame();
      EXPECT_NE(host.GetParameter(kPower), power);
      CloseEditor();
    } else {
      EXPECT_TRUE(backend->Windows().empty());
    }
  }
}

// A loader thread's single early idle call, before the host's GUI thread opens the editor: the editor still
// draws and takes clicks on the GUI thread.
TEST_F(EditorThreadsTest, ALoadersFirstIdleDoesNotTakeTheLoop) {
  std::thread loader([&] { host.Dispatch(vst2::kEffIdle); });
  loader.join();
  OpenEditor();
  const int presented = Presented().count;
  Click(70, 420);
  Frames(2);
  EXPECT_EQ(host.GetParameter(kPower), 0.f);
  EXPECT_GT(Presented().count, presented);
}

// A host whose idle timer thread calls the plug-in while its GUI thread opens, draws, clicks and closes the
// editor: the other thread's idle calls leave the editor alone, and every editor draws and takes its click.
TEST_F(EditorThreadsTest, IdleOnASecondThreadWhileTheFirstOpensDrawsAndCloses) {
  std::atomic<bool> stop{false};
  kd::test::HostThread idleThread;
  idleThread.Start([&] {
    for (int i = 0; !stop.load(); ++i) host.Dispatch(i % 2 ? vst2::kEffEditIdle : vst2::kEffIdle);
  });
  for (int round = 0; round < 10 && !HasFatalFailure(); ++round) {
    OpenEditor();
    const float power = host.GetParameter(kPower);
    Click(70, 420);
    Frames(2);
    EXPECT_NE(host.GetParameter(kPower), power);
    CloseEditor();
  }
  stop.store(true);
  ASSERT_TRUE(idleThread.Wait());
  EXPECT_TRUE(backend->Windows().empty());
}

// Idle work that reaches the window waits for the editor's thread: a GUI scale the host set is applied at the
// editor thread's next idle, never by another thread's, and is not lost meanwhile.
TEST_F(EditorThreadsTest, IdleWorkOnTheWindowWaitsForTheEditorsThread) {
  OpenEditor();
  host.ClearCalls();
  host.SetParameter(kGUIScale, 0.25f);  // 1.5 on its 1 to 3 range
  kd::test::HostThread idleThread;
  for (int i = 0; i < 5; ++i) {
    clock.Advance(0.02);
    ASSERT_TRUE(idleThread.Run([&] { host.Dispatch(vst2::kEffIdle); }));
  }
  EXPECT_TRUE(host.CallsWith(vst2::kHostSizeWindow).empty());
  Frames(4);
  const std::vector<vsthost::HostCall> sizes = host.CallsWith(vst2::kHostSizeWindow);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].index, 960);
  EXPECT_EQ(sizes[0].value, 720);
  EXPECT_EQ(Presented().width, 960);
}

}  // namespace
}  // namespace kelvadrune_test
