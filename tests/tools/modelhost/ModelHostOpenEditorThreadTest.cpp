// The module's open editor while a careless host calls it from its other threads, for the thread checker: host
// threads change everything a host may change (the state, the program and its name, the parameters, the
// arrangement, the block size and rate) while the audio runs and the editor draws on the GUI thread; and two
// plug-ins' editors on two GUI threads each prompt for values, take typed and pasted text and draw at once. Each
// scenario hammers for a few seconds; afterwards the editors show and take input as before.
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/tools/modelhost/ModelHostFixture.h"

namespace modelhost_test {
namespace {

using Clock = std::chrono::steady_clock;

// How long each scenario's threads hammer: under the thread checker about a thousand host calls, five hundred
// audio blocks and a handful of the user's rounds per scenario (about four times as many without it).
constexpr std::chrono::seconds kHammering{3};

// The chunk the plug-in hands out, or takes: its bank (every slot) or its program (the current state).
std::vector<char> TakeChunk(ModelHost& host, bool bank) {
  void* data = nullptr;
  const intptr_t size = host.Dispatch(vst2::kEffGetChunk, bank ? 0 : 1, 0, &data);
  if (size <= 0 || !data) return {};
  return std::vector<char>(static_cast<char*>(data), static_cast<char*>(data) + size);
}

intptr_t GiveChunk(ModelHost& host, bool bank, std::vector<char>& chunk) {
  return host.Dispatch(vst2::kEffSetChunk, bank ? 0 : 1, static_cast<intptr_t>(chunk.size()), chunk.data());
}

vst2::SpeakerArrangement Arrangement(int channels) {
  vst2::SpeakerArrangement arrangement{};
  arrangement.type = channels == 1 ? vst2::kArrangementMono : vst2::kArrangementStereo;
  arrangement.numChannels = channels;
  return arrangement;
}

// Both sides mono (1) or stereo (2).
intptr_t Arrange(ModelHost& host, int channels) {
  vst2::SpeakerArrangement in = Arrangement(channels), out = Arrangement(channels);
  return host.Dispatch(vst2::kEffSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out);
}

// The parameter's value as the plug-in shows it to the host, in dB for the faders.
double ShownDb(ModelHost& host, int param) {
  char display[vst2::kParamTextSize + 1] = {};
  host.Dispatch(vst2::kEffGetParamDisplay, param, 0, display);
  return std::strtod(display, nullptr);
}

// Points of the editor at 100 %: the value under the master fader and under the "SHAPE" knob (a click there opens
// the value's text entry), the plug-in menu's button, and the background beside the menu it opens.
struct Point {
  int x, y;
};
constexpr Point kMasterValue{95, 293};
constexpr Point kShapeValue{470, 453};
constexpr Point kPluginMenu{20, 20};
constexpr Point kBesideTheMenu{10, 470};

// The host sets Power off with its own control and then restores the state it saved (Power on), before the editor
// opens (hosts idle a plug-in only while its editor is open): the editor opens showing what the plug-in has, the
// state restored, and keeps showing it as its GUI loop runs.
using ModelHostHostCalls = ModelHostOnDisplay;

TEST_F(ModelHostHostCalls, AStateRestoredAfterTheHostSetAParameterIsWhatTheEditorShows) {
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  std::vector<char> saved = TakeChunk(host, false);
  host.SetParameter(kPower, 0.f);
  ASSERT_EQ(GiveChunk(host, false, saved), 1);
  std::string error;
  ASSERT_TRUE(host.OpenEditor(error)) << error;
  const auto drawn = [&] {
    const std::optional<modelhost::WindowPicture> picture = host.Window().EditorPicture();
    return picture && Near(picture->At(kProbes[0].x, kProbes[0].y).value_or(0), kProbes[0].rgb);
  };
  ASSERT_TRUE(host.RunGuiUntil(drawn, kFirstFrameTimeout)) << WhatItShows(host.Window());
  host.RunGui(10 * ModelHost::kIdleInterval);
  EXPECT_EQ(host.GetParameter(kPower), 1.f);
  EXPECT_TRUE(ShowsTheEditor(host.Window())) << WhatItShows(host.Window());
}

// A host thread changes the block size, the rate and the arrangement round after round while the host's audio
// thread processes, which the thread checker must find race-free (the channels' buffers are resized and pointed
// anew meanwhile). Once the host is back at 48 kHz, blocks of 256 and stereo, the output is the input at 0 dB.
using ModelHostCrossThreadProcessing = ModelHostTest;

TEST_F(ModelHostCrossThreadProcessing, BlockSizeRateAndArrangementChangeWhileTheAudioThreadProcesses) {
  constexpr int kRounds = 300;
  constexpr int kMaxRounds = 100000;
  constexpr int kBlockSizes[] = {64, 256, 1024};
  constexpr float kRates[] = {44100.f, 48000.f, 96000.f};
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  const int64_t blocksBefore = host.BlocksProcessed();
  std::thread changer([&] {
    for (int round = 0; round < kMaxRounds && (round < kRounds || host.BlocksProcessed() < blocksBefore + 20);
         ++round) {
      host.Dispatch(vst2::kEffSetBlockSize, 0, kBlockSizes[round % 3]);
      host.Dispatch(vst2::kEffSetSampleRate, 0, 0, nullptr, kRates[round % 3]);
      Arrange(host, round % 2 + 1);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    host.Dispatch(vst2::kEffSetSampleRate, 0, 0, nullptr, ModelHost::kSampleRate);
    host.Dispatch(vst2::kEffSetBlockSize, 0, ModelHost::kBlockFrames);
    Arrange(host, 2);
  });
  changer.join();
  const int64_t settled = host.BlocksProcessed() + 60;
  for (int wait = 0; wait < 3000 && host.BlocksProcessed() < settled; ++wait)
    std::this_thread::sleep_for(milliseconds(10));
  ASSERT_GE(host.BlocksProcessed(), settled) << "the audio thread stopped";
  EXPECT_NEAR(host.LastBlockPeak(), 0.5f, 0.001f);
}

// A user of an editor, on the editor's GUI thread. A round opens the master fader's value prompt, copies its text and
// pastes it back (the clipboard is the process's, every editor's), commits, opens the shape knob's prompt, pastes and
// dismisses it, opens the plug-in menu and clicks beside it; the GUI loop draws between the steps.
class EditorUser {
 public:
  explicit EditorUser(ModelHost& host) : mHost(host) {}

  void Click(Point at) {
    mHost.Window().SendClick(at.x, at.y);
    mHost.RunGui(2 * ModelHost::kIdleInterval);
  }
  void Key(unsigned long keysym, bool control = false) { mHost.Window().SendKey(keysym, control); }

  void Round() {
    Click(kMasterValue);
    Key(XK_a, true);
    Key(XK_c, true);
    Key(XK_v, true);
    Key(XK_Return);
    mHost.RunGui(ModelHost::kIdleInterval);
    Click(kShapeValue);
    Key(XK_v, true);
    Key(XK_minus);
    Key(XK_Escape);
    mHost.RunGui(ModelHost::kIdleInterval);
    Click(kPluginMenu);
    Click(kBesideTheMenu);
    ++mRounds;
  }

  // In the master fader's prompt: types -6 and copies it (typed), or pastes what the clipboard holds (pasted), then
  // commits; again until the fader shows -6 dB. False when it never does.
  bool EnterMinusSix(bool typed) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      Click(kMasterValue);
      Key(XK_a, true);
      if (typed) {
        Key(XK_minus);
        Key(XK_6);
        Key(XK_a, true);
        Key(XK_c, true);
      } else {
        Key(XK_v, true);
      }
      Key(XK_Return);
      if (mHost.RunGuiUntil([&] { return std::fabs(ShownDb(mHost, kGainMaster) + 6.0) < 0.01; }, milliseconds(2000)))
        return true;
      Key(XK_Escape);
    }
    return false;
  }

  int Rounds() const { return mRounds; }

 private:
  ModelHost& mHost;
  int mRounds = 0;
};

using ModelHostCrossThreadHostCalls = ModelHostOnDisplay;

// Two host threads: one restores states and banks, picks programs and names them; the other sets every parameter,
// the arrangement, the block size, the rate and the bypass. The audio thread processes throughout, and on the GUI
// thread the editor draws while its user works (prompts, pastes, menus). Once the calls stop and the host restores the
// state it began with, the editor shows it, a drag reaches the host, and the output is the input at 0 dB.
TEST_F(ModelHostCrossThreadHostCalls, EveryStateChangeWhileTheEditorDrawsAndTheAudioRuns) {
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
  std::vector<char> initial = TakeChunk(host, false);
  std::vector<char> bank = TakeChunk(host, true);
  // A second state far from the first: power off, mid/side, the faders apart, shape and filter elsewhere.
  for (const auto& [param, value] : {std::pair{kPower, 0.f},
                                     {kProcessMode, 1.f},
                                     {kGainMaster, 0.2f},
                                     {kGainLM, 0.9f},
                                     {kFaderShape, 0.7f},
                                     {kMDFilterFreq, 0.1f}})
    host.SetParameter(param, value);
  std::vector<char> other = TakeChunk(host, false);
  ASSERT_FALSE(initial.empty() || bank.empty() || other.empty()) << "the plug-in hands out no chunk";

  const Clock::time_point end = Clock::now() + kHammering;
  const int64_t blocksBefore = host.BlocksProcessed();
  std::atomic<int64_t> calls{0};
  std::atomic<bool> outputFinite{true};
  std::thread presets([&] {
    // Names of every length a host may send: empty, short, the field's 24 bytes, longer.
    const char* names[] = {"", "A", "Twenty-three characters", "A name far longer than the program name field"};
    for (int round = 0; Clock::now() < end; ++round) {
      GiveChunk(host, false, round % 2 ? other : initial);
      GiveChunk(host, true, bank);
      host.Dispatch(vst2::kEffSetProgram, 0, round % 3 - 1);
      char name[64];
      std::snprintf(name, sizeof name, "%s", names[round % 4]);
      host.Dispatch(vst2::kEffSetProgramName, 0, 0, name);
      calls += 4;
    }
  });
  std::thread settings([&] {
    constexpr int kBlockSizes[] = {64, 256, 1024};
    constexpr float kRates[] = {44100.f, 48000.f, 96000.f};
    for (int round = 0; Clock::now() < end; ++round) {
      for (int param = 0; param < kNumParams; ++param) {
        // The update check stays off (no network); the GUI scale keeps to 100 % and 125 %.
        const float value = param == kAutoUpdateCheck ? 0.f
                            : param == kGUIScale      ? (round % 2) * 0.125f
                                                      : static_cast<float>((round * 7 + param) % 11) / 10.f;
        host.SetParameter(param, value);
      }
      Arrange(host, round % 2 + 1);
      host.Dispatch(vst2::kEffSetBlockSize, 0, kBlockSizes[round % 3]);
      host.Dispatch(vst2::kEffSetSampleRate, 0, 0, nullptr, kRates[round % 3]);
      host.Dispatch(vst2::kEffSetBypass, 0, round % 5 == 0);
      calls += kNumParams + 4;
      outputFinite = outputFinite && std::isfinite(host.LastBlockPeak());
    }
  });
  EditorUser person(host);
  while (Clock::now() < end) person.Round();
  presets.join();
  settings.join();
  std::printf("[          ] %lld host calls, %lld audio blocks, %d rounds of the user's while the editor drew\n",
              static_cast<long long>(calls.load()), static_cast<long long>(host.BlocksProcessed() - blocksBefore),
              person.Rounds());
  RecordProperty("host_calls", std::to_string(calls.load()));
  EXPECT_GT(calls.load(), 100) << "the host threads hardly ran";
  EXPECT_TRUE(outputFinite.load());
  EXPECT_GE(host.BlocksProcessed(), blocksBefore + 20) << "the audio thread stalled";

  // The host restores what it began with: 48 kHz in blocks of 256, stereo, no bypass, the first state, once the
  // editor has taken the values the host set last.
  host.RunGui(10 * ModelHost::kIdleInterval);
  host.Dispatch(vst2::kEffSetSampleRate, 0, 0, nullptr, ModelHost::kSampleRate);
  host.Dispatch(vst2::kEffSetBlockSize, 0, ModelHost::kBlockFrames);
  EXPECT_EQ(Arrange(host, 2), 1);
  host.Dispatch(vst2::kEffSetBypass, 0, 0);
  ASSERT_EQ(GiveChunk(host, false, initial), 1);
  ASSERT_NO_FATAL_FAILURE(See(host));
  ASSERT_NO_FATAL_FAILURE(DragReachesTheHost(host));
  // Back at 0 dB the output is the model host's input (a sine of peak 0.5), once the fader's ramp has settled.
  ASSERT_EQ(GiveChunk(host, false, initial), 1);
  const int64_t settled = host.BlocksProcessed() + 60;
  ASSERT_TRUE(host.RunGuiUntil([&] { return host.BlocksProcessed() >= settled; }, kFirstFrameTimeout));
  EXPECT_NEAR(ShownDb(host, kGainMaster), 0.0, 0.01);
  EXPECT_NEAR(host.LastBlockPeak(), 0.5f, 0.001f);
}

using ModelHostCrossThreadTwoEditors = ModelHostOnDisplay;

// Two plug-ins of the module, each with its editor open in its own host window on its own GUI thread (as hosts
// that run each editor on a thread of its own), the audio of both running. Both users work at once. Then, in turn
// (the display has one keyboard focus), the first types -6 dB into its master fader's prompt and copies it, and the
// second pastes it into its own: each value reaches its own plug-in through its own GUI thread.
TEST_F(ModelHostCrossThreadTwoEditors, EachPromptsTakesTextPastesAndDrawsOnItsOwnThread) {
  ModelHost hosts[2] = {ModelHost(0, 0), ModelHost(0, 500)};
  for (ModelHost& host : hosts) ASSERT_NO_FATAL_FAILURE(Load(host));
  // How far the users are: both editors show (2), both are done with their rounds (4), the first has copied its
  // value (5), the second has pasted it (6).
  std::atomic<int> stage{0}, failed{0};
  std::string why[2];
  int rounds[2] = {0, 0};
  bool entered[2] = {false, false};
  bool ownThread[2] = {false, false};
  const auto user = [&](int index) {
    ModelHost& host = hosts[index];
    const auto waitFor = [&](int reached) {
      host.RunGuiUntil([&] { return stage.load() >= reached || failed.load() > 0; }, kFirstFrameTimeout);
      return failed.load() == 0;
    };
    if (!host.OpenEditor(why[index]) ||
        !host.RunGuiUntil([&] { return ShowsTheEditor(host.Window()); }, kFirstFrameTimeout)) {
      if (why[index].empty()) why[index] = WhatItShows(host.Window());
      ++failed;
      return;
    }
    ++stage;
    if (!waitFor(2)) return;
    EditorUser person(host);
    const Clock::time_point end = Clock::now() + kHammering;
    while (Clock::now() < end) person.Round();
    rounds[index] = person.Rounds();
    ++stage;
    if (!waitFor(index == 0 ? 4 : 5)) return;
    host.ClearEditCalls();
    entered[index] = person.EnterMinusSix(index == 0);
    const std::vector<EditCall> calls = host.EditCalls();
    ownThread[index] = !calls.empty() && AllOn(calls, std::this_thread::get_id());
    ++stage;
    // The first keeps drawing until the second is done.
    if (index == 0) waitFor(6);
  };
  std::thread first(user, 0), second(user, 1);
  first.join();
  second.join();
  ASSERT_EQ(failed.load(), 0) << "an editor did not open or show: " << why[0] << " / " << why[1];
  std::printf("[          ] %d and %d rounds of prompts, pastes and menus\n", rounds[0], rounds[1]);
  RecordProperty("editor_rounds", std::to_string(rounds[0] + rounds[1]));
  for (int index : {0, 1}) {
    EXPECT_GT(rounds[index], 2) << "editor " << index;
    EXPECT_TRUE(entered[index]) << "editor " << index << " shows " << ShownDb(hosts[index], kGainMaster) << " dB";
    EXPECT_TRUE(ownThread[index]) << "editor " << index << "'s edits came on another thread than its GUI thread's";
  }
}

}  // namespace
}  // namespace modelhost_test
