// A preset the user loads in the editor survives a host that keeps its own copy of the parameters: the copy is
// taken from the plug-in's automation calls (and the host's own sets), saved beside the plug-in's state and
// applied after that state when the project opens again. The user loads through the preset bar's buttons: a
// click on its name lists the preset files of the data folder (the menu that opens is dismissed with a click
// beside it), then the next button loads the first file and the previous button goes back to "Init". And a state
// loaded while the audio runs plays no louder than the states before and after it.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/modelhost/ModelHostFixture.h"

namespace modelhost_test {
namespace {

// The preset bar's name area, at 100 %.
constexpr int kPresetNameX = 250;
constexpr int kPresetNameY = 20;
// The master volume of the preset file, in dB.
constexpr double kFileMasterDb = -6.0;

// The host's own copy of every parameter, as normalized values: the plug-in's values when it is created, then
// each value the plug-in automates and each value the host sets itself.
class ParameterCopy {
 public:
  explicit ParameterCopy(ModelHost& host) : mHost(host), mValues(kNumParams) {
    for (int i = 0; i < kNumParams; ++i) mValues[i] = host.GetParameter(i);
    host.SetEditHandler([this](const EditCall& call) {
      if (call.opcode == vst2::kHostAutomate && call.index >= 0 && call.index < kNumParams)
        mValues[call.index] = call.value;
    });
  }
  ~ParameterCopy() { mHost.SetEditHandler(nullptr); }
  ParameterCopy(const ParameterCopy&) = delete;
  ParameterCopy& operator=(const ParameterCopy&) = delete;

  void Set(int index, float value) {
    mHost.SetParameter(index, value);
    mValues[index] = value;
  }
  const std::vector<float>& Values() const { return mValues; }

 private:
  ModelHost& mHost;
  std::vector<float> mValues;
};

// What the host saves: the plug-in's state and its own copy.
struct SavedProject {
  std::vector<char> state;
  std::vector<float> copy;
};

// Points of the editor at 100 %: the preset bar's name, previous and next buttons, and a point of the background
// beside the menu the name opens.
struct Point {
  int x, y;
};
constexpr Point kPresetName{250, 20};
constexpr Point kPreviousPreset{382, 20};
constexpr Point kNextPreset{408, 20};
constexpr Point kBesideTheMenu{10, 470};

struct Scenario {
  const char* name;
  std::vector<Point> loads;  // the buttons clicked in turn, each loading a preset
};

class ModelHostPreset : public ModelHostOnDisplay, public testing::WithParamInterface<Scenario> {
 protected:
  void SetUp() override {
    ModelHostOnDisplay::SetUp();
    if (IsSkipped()) return;
    std::filesystem::create_directories(home->DataFolder());
    ASSERT_TRUE(presets_test::WriteTextFile(
        home->DataFolder() + "/Quiet.lps",
        "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\"><PluginVendor>Lunderwick</PluginVendor>"
        "<PluginName>Kelvadrune</PluginName><PluginVersion>v1.0.11</PluginVersion><Preset name=\"Quiet\">"
        "<Parameter><Param name=\"MVol\" val=\"-6.0\" /></Parameter></Preset></PresetXMLTree>\n"));
  }

  static void Click(ModelHost& host, Point at) {
    HostWindow& window = host.Window();
    const milliseconds step = 4 * ModelHost::kIdleInterval;
    window.MovePointer(at.x, at.y);
    host.RunGui(step);
    window.PressButton();
    host.RunGui(step);
    window.ReleaseButton();
    host.RunGui(step);
  }

  static std::vector<float> Values(const ModelHost& host) {
    std::vector<float> values(kNumParams);
    for (int i = 0; i < kNumParams; ++i) values[i] = host.GetParameter(i);
    return values;
  }
};

// The user moves the master fader, the host's own control switches Power off, then the user loads the preset;
// the host saves the project, and opens it again in a new plug-in: the state, then the host's copy.
TEST_P(ModelHostPreset, APresetTheUserLoadsComesBackWhenTheHostAppliesItsCopyAfterTheState) {
  SavedProject project;
  std::vector<float> loaded;
  {
    ModelHost host;
    ASSERT_NO_FATAL_FAILURE(Load(host));
    ASSERT_NO_FATAL_FAILURE(OpenAndSee(host));
    ParameterCopy copy(host);
    const float initial = host.GetParameter(kGainMaster);
    DragMasterFader(host);
    copy.Set(kPower, 0.f);
    const std::vector<float> before = Values(host);
    ASSERT_GT(before[kGainMaster], initial) << "the drag did not move the master fader";
    ASSERT_EQ(copy.Values(), before) << "the host's copy misses a change";
    Click(host, kPresetName);
    Click(host, kBesideTheMenu);
    for (const Point& button : GetParam().loads) {
      const float master = host.GetParameter(kGainMaster);
      Click(host, button);
      ASSERT_TRUE(host.RunGuiUntil([&] { return host.GetParameter(kGainMaster) != master; }, kWindowTimeout))
          << "the button at " << button.x << "," << button.y << " loaded nothing";
    }
    loaded = Values(host);
    void* data = nullptr;
    const intptr_t size = host.Dispatch(vst2::kEffGetChunk, 0, 0, &data);
    ASSERT_GT(size, 0);
    project.state.assign(static_cast<char*>(data), static_cast<char*>(data) + size);
    project.copy = copy.Values();
  }
  ModelHost reopened;
  ASSERT_NO_FATAL_FAILURE(Load(reopened));
  reopened.Dispatch(vst2::kEffSetChunk, 0, static_cast<intptr_t>(project.state.size()), project.state.data());
  for (int i = 0; i < kNumParams; ++i) reopened.SetParameter(i, project.copy[i]);
  const std::vector<float> after = Values(reopened);
  for (int i = 0; i < kNumParams; ++i) EXPECT_NEAR(after[i], loaded[i], 1e-6f) << "parameter " << i;
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelHostPreset,
                         testing::Values(Scenario{"NextLoadsAFile", {kNextPreset}},
                                         Scenario{"PreviousLoadsInit", {kNextPreset, kPreviousPreset}}),
                         [](const testing::TestParamInfo<Scenario>& info) { return info.param.name; });

// States loaded through the host's chunk while the audio runs: a load plays, sample for sample, no louder than the
// louder of what the state before it and the state it loads play when steady. The pairs: from Power off with the
// master fader far above or below the loaded one (a gain that was not heard), and from Power on.
struct LoadPair {
  const char* name;
  float powerBefore, masterBefore, powerAfter, masterAfter;  // normalized: master 0.5 is 0 dB, 0.7174 +20.87 dB
};

class ModelHostPresetLoad : public ModelHostTest, public testing::WithParamInterface<LoadPair> {
 protected:
  static std::vector<char> StateWith(ModelHost& host, float power, float master) {
    host.SetParameter(kPower, power);
    host.SetParameter(kGainMaster, master);
    void* data = nullptr;
    const intptr_t size = host.Dispatch(vst2::kEffGetChunk, 0, 0, &data);
    EXPECT_GT(size, 0);
    return size > 0 ? std::vector<char>(static_cast<char*>(data), static_cast<char*>(data) + size)
                    : std::vector<char>{};
  }
  static void SetState(ModelHost& host, std::vector<char>& state) {
    host.Dispatch(vst2::kEffSetChunk, 0, static_cast<intptr_t>(state.size()), state.data());
  }
  // The audio thread's blocks for the next duration; the largest output sample among them.
  static float LargestPeakOver(ModelHost& host, milliseconds duration) {
    host.TakeLargestPeak();
    const int64_t until = host.BlocksProcessed() + duration.count() * 48 / 256 + 1;
    for (int wait = 0; wait < 3000 && host.BlocksProcessed() < until; ++wait)
      std::this_thread::sleep_for(milliseconds(2));
    return host.TakeLargestPeak();
  }
};

TEST_P(ModelHostPresetLoad, NoSampleIsLouderThanTheLouderOfTheTwoStates) {
  constexpr milliseconds kSettle{200};  // ramps, smoothing and the power fade settle well within this
  constexpr int kLoads = 6;
  const LoadPair& pair = GetParam();
  ModelHost host;
  ASSERT_NO_FATAL_FAILURE(Load(host));
  std::vector<char> before = StateWith(host, pair.powerBefore, pair.masterBefore);
  std::vector<char> after = StateWith(host, pair.powerAfter, pair.masterAfter);
  ASSERT_FALSE(before.empty() || after.empty());
  SetState(host, before);
  LargestPeakOver(host, kSettle);
  const float steadyBefore = LargestPeakOver(host, kSettle);
  SetState(host, after);
  LargestPeakOver(host, kSettle);
  const float steadyAfter = LargestPeakOver(host, kSettle);
  const float louder = std::max(steadyBefore, steadyAfter);
  for (int load = 0; load < kLoads; ++load) {
    SetState(host, before);
    LargestPeakOver(host, kSettle);
    // Loaded at a different point of the block each time.
    std::this_thread::sleep_for(std::chrono::microseconds(load * 431));
    host.TakeLargestPeak();
    SetState(host, after);
    const float loading = std::max(host.TakeLargestPeak(), LargestPeakOver(host, kSettle));
    EXPECT_LE(loading, louder * 1.001f) << "load " << load << ": steady " << steadyBefore << " then " << steadyAfter;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelHostPresetLoad,
                         testing::Values(LoadPair{"PowerOffHighMasterToPowerOnZeroDecibels", 0.f, 0.7174f, 1.f, 0.5f},
                                         LoadPair{"PowerOffTopMasterToPowerOnLowMaster", 0.f, 0.95f, 1.f, 0.2f},
                                         LoadPair{"PowerOnHighMasterToPowerOnZeroDecibels", 1.f, 0.7174f, 1.f, 0.5f},
                                         LoadPair{"PowerOnZeroDecibelsToPowerOffHighMaster", 1.f, 0.5f, 0.f, 0.7174f}),
                         [](const testing::TestParamInfo<LoadPair>& info) { return info.param.name; });

}  // namespace
}  // namespace modelhost_test
