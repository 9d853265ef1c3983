// The module's editor driven as Linux hosts drive it, from the threads they use: it draws in the host's window and
// a drag reaches the host as one gesture on the GUI thread, whatever other thread idles the plug-in meanwhile or
// first, and when the host closes the editor from inside one of the gesture's calls.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "tests/tools/modelhost/ModelHostFixture.h"

namespace modelhost_test {
namespace {

// A careless host's other thread sending both idle requests, until it is told to stop or for a number of rounds.
class IdlingThread {
 public:
  explicit IdlingThread(ModelHost& host, int rounds = -1)
      : mThread([this, &host, rounds] {
          for (int round = 0; !mStop.load() && round != rounds; ++round) {
            host.Dispatch(vst2::kEffEditIdle);
            host.Dispatch(vst2::kEffIdle);
            std::this_thread::sleep_for(milliseconds(1));
          }
        }) {}
  ~IdlingThread() { Stop(); }
  void Stop() {
    mStop.store(true);
    Finish();
  }
  // Waits until the rounds are done.
  void Finish() {
    if (mThread.joinable()) mThread.join();
  }

 private:
  std::atomic<bool> mStop{false};
  std::thread mThread;
};

using ModelHostEditor = ModelHostOnDisplay;

TEST_F(ModelHostEditor, DrawsInTheHostsWindowAndADragReachesTheHostAsOneGesture) {
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  ASSERT_NO_FATAL_FAILURE(DragReachesTheHost(host));
  EXPECT_GT(host.BlocksProcessed(), 0);
}

using ModelHostCrossThread = ModelHostOnDisplay;

TEST_F(ModelHostCrossThread, AnotherThreadIdlesWhileTheGuiThreadOpensAndClosesTheEditorOverAndOver) {
  constexpr int kCycles = 20;
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  IdlingThread other(host);
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    host.CloseEditor();
    std::string error;
    ASSERT_TRUE(host.OpenEditor(error)) << "cycle " << cycle << ": " << error;
    host.RunGui(3 * ModelHost::kIdleInterval);
  }
  ASSERT_NO_FATAL_FAILURE(See(host));
  ASSERT_NO_FATAL_FAILURE(DragReachesTheHost(host));
}

// A careless host changes "Fader shape" on one thread while another maps the faders' values both ways (the
// host's parameter set and get), with the audio running: the faders' shape is read while it changes, which
// the thread checker must find race-free. Once both are done, the faders still map at the last shape.
using ModelHostCrossThreadParameters = ModelHostTest;

TEST_F(ModelHostCrossThreadParameters, FaderShapeChangesWhileAnotherThreadMapsTheFaders) {
  constexpr int kRounds = 2000;
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  std::thread shaper([&host] {
    for (int round = 0; round < kRounds; ++round) host.SetParameter(kFaderShape, (round % 10) / 9.f);
  });
  bool allMapped = true;
  for (int round = 0; round < kRounds; ++round) {
    const int fader = kGainMaster + round % 3;
    host.SetParameter(fader, (round % 7) / 6.f);
    const float normalized = host.GetParameter(fader);
    allMapped = allMapped && normalized >= 0.f && normalized <= 1.f;
  }
  shaper.join();
  EXPECT_TRUE(allMapped);
  // At shape 10, the last the other thread set, normalized 0.9 is the value 0.5 + 0.5 x 0.8^10 = 0.55369, which
  // the fader law shows as (2 x 0.55369 - 1) x 48 = 5.154 dB (38.4 dB at shape 1).
  host.SetParameter(kGainMaster, 0.9f);
  char display[64] = {};
  host.Dispatch(vst2::kEffGetParamDisplay, kGainMaster, 0, display);
  EXPECT_NEAR(std::strtod(display, nullptr), 5.154, 0.01) << display;
}

// A host thread changes every setting the audio thread reads (the faders, their locks and floors, the fader law's
// range and shape, the smoothing frequency, power and the processing mode) round after round while the host's audio
// thread processes, which the thread checker must find race-free; the audio goes on meanwhile. Once the changes
// stop, the output is the input at the master fader's shown gain.
using ModelHostCrossThreadSettings = ModelHostTest;

TEST_F(ModelHostCrossThreadSettings, AHostThreadChangesTheSettingsWhileTheAudioThreadProcesses) {
  constexpr int kRounds = 400;
  constexpr int kMaxRounds = 100000;
  constexpr float kSinePeak = 0.5f;  // the model host's input
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  // The last round leaves: stereo, power on, 1 .. 22000 Hz smoothing at its fastest, shape 1, range about
  // -48 .. +48 dB, left/right faders at 0 dB, master below 0 dB, nothing locked.
  const struct {
    int param;
    float last;
  } settings[] = {// Locks first: a locked fader keeps its value.
                  {kLockGainMaster, 0.f},  {kLockGainLM, 0.f},      {kLockGainRS, 0.f},      {kMATreatMinAsInf, 1.f},
                  {kLMTreatMinAsInf, 0.f}, {kRSTreatMinAsInf, 1.f}, {kMinGain, 192 / 239.f}, {kMaxGain, 47 / 239.f},
                  {kFaderShape, 0.f},      {kMDFilterFreq, 1.f},    {kPower, 1.f},           {kProcessMode, 0.f},
                  {kGainMaster, 0.4f},     {kGainLM, 0.5f},         {kGainRS, 0.5f}};
  // Changes go on for at least kRounds rounds and 40 blocks of audio, then the last round sets the values above.
  const int64_t blocksBefore = host.BlocksProcessed();
  std::atomic<bool> changing{true};
  std::thread changer([&] {
    for (int round = 0; round < kMaxRounds && (round < kRounds || host.BlocksProcessed() < blocksBefore + 40);
         ++round) {
      for (const auto& setting : settings)
        host.SetParameter(setting.param, static_cast<float>((round * 7 + setting.param) % 11) / 10.f);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    for (const auto& setting : settings) host.SetParameter(setting.param, setting.last);
    changing.store(false);
  });
  bool allFinite = true;
  while (changing.load()) {
    allFinite = allFinite && std::isfinite(host.LastBlockPeak());
    std::this_thread::sleep_for(milliseconds(1));
  }
  changer.join();
  EXPECT_TRUE(allFinite);
  EXPECT_GE(host.BlocksProcessed(), blocksBefore + 40) << "the audio thread stalled while the settings changed";

  // Ramps, smoothing and the power fade settle well within 60 blocks (320 ms).
  const int64_t settled = host.BlocksProcessed() + 60;
  for (int wait = 0; wait < 3000 && host.BlocksProcessed() < settled; ++wait)
    std::this_thread::sleep_for(milliseconds(10));
  ASSERT_GE(host.BlocksProcessed(), settled) << "the audio thread stopped";
  char display[64] = {};
  host.Dispatch(vst2::kEffGetParamDisplay, kGainMaster, 0, display);
  const double masterDb = std::strtod(display, nullptr);
  EXPECT_NEAR(masterDb, -9.6, 0.2) << display;  // (2 x 0.4 - 1) x 48 dB at shape 1
  const double expected = kSinePeak * std::pow(10.0, masterDb / 20.0);
  EXPECT_NEAR(host.LastBlockPeak() / expected, 1.0, 0.002) << display << ": peak " << host.LastBlockPeak();
}

// Where the other thread's idle requests come, all before the GUI thread's first.
enum class EarlyIdle { kBeforeTheEditorOpens, kBetweenOpenAndTheFirstIdle };

class ModelHostCrossThreadEarlyIdle : public ModelHostOnDisplay, public testing::WithParamInterface<EarlyIdle> {};

TEST_P(ModelHostCrossThreadEarlyIdle, TheEditorStillDrawsAndTakesDragsOnTheGuiThread) {
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  if (GetParam() == EarlyIdle::kBeforeTheEditorOpens) IdlingThread(host, 5).Finish();
  std::string error;
  ASSERT_TRUE(host.OpenEditor(error)) << error;
  if (GetParam() == EarlyIdle::kBetweenOpenAndTheFirstIdle) IdlingThread(host, 5).Finish();
  ASSERT_NO_FATAL_FAILURE(See(host));
  ASSERT_NO_FATAL_FAILURE(DragReachesTheHost(host));
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelHostCrossThreadEarlyIdle,
                         testing::Values(EarlyIdle::kBeforeTheEditorOpens, EarlyIdle::kBetweenOpenAndTheFirstIdle),
                         [](const testing::TestParamInfo<EarlyIdle>& info) {
                           return info.param == EarlyIdle::kBeforeTheEditorOpens ? "BeforeTheEditorOpens"
                                                                                 : "BetweenOpenAndTheFirstIdle";
                         });

// The host closes the editor from inside the call of the gesture the row names, then opens it again.
class ModelHostCrossThreadCloseInCallback : public ModelHostOnDisplay, public testing::WithParamInterface<int32_t> {};

TEST_P(ModelHostCrossThreadCloseInCallback, TheEditorClosesAndOpensAgain) {
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  std::atomic<bool> closed{false};
  host.SetEditHandler([&](const EditCall& call) {
    if (call.opcode == GetParam() && !closed.exchange(true)) host.CloseEditor();
  });
  DragMasterFader(host);
  ASSERT_TRUE(closed.load()) << "the drag made no such call";
  host.SetEditHandler(nullptr);
  // Hosts send a closed editor no idle calls: its window goes without them.
  EXPECT_TRUE(host.RunGuiUntil([&] { return host.Window().EditorWindow() == 0; }, milliseconds(5000)))
      << "the editor's window stays after the close";
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  ASSERT_NO_FATAL_FAILURE(DragReachesTheHost(host));
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelHostCrossThreadCloseInCallback,
                         testing::Values(vst2::kHostBeginEdit, vst2::kHostAutomate, vst2::kHostEndEdit),
                         [](const testing::TestParamInfo<int32_t>& info) {
                           return info.param == vst2::kHostBeginEdit  ? "InBeginEdit"
                                  : info.param == vst2::kHostAutomate ? "InAutomate"
                                                                      : "InEndEdit";
                         });

}  // namespace
}  // namespace modelhost_test
