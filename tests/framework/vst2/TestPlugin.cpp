#include "tests/framework/vst2/TestPlugin.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "framework/vst2/IPluginVST2.h"
#include "framework/vst2/VST2Entry.h"
#include "platform/runloop/RunLoop.h"

namespace testplugin {

namespace {

struct Options {
  std::string io = "1-1 2-2";
  bool chunks = false;
  bool editor = true;
  bool midiIn = false;
  bool midiOut = false;
  bool synth = false;
  int tail = 0;
  int latency = 0;
  bool latencyDelay = false;
  int maxBlock = 0;  // 0: any
  bool noDouble = false;
  bool throwing = false;
  bool steppedGain = false;
  bool throwOnConstruction = false;
};

Options ReadOptions() {
  Options o;
  const char* env = std::getenv("KD_TEST_PLUGIN");
  if (!env) return o;
  o.editor = false;
  std::string text = env;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(pos, end - pos);
    if (word == "chunks")
      o.chunks = true;
    else if (word == "editor")
      o.editor = true;
    else if (word == "midiin")
      o.midiIn = true;
    else if (word == "midiout")
      o.midiOut = true;
    else if (word == "synth")
      o.synth = true;
    else if (word.starts_with("io="))
      o.io = word.substr(3);
    else if (word.starts_with("tail="))
      o.tail = std::atoi(word.c_str() + 5);
    else if (word.starts_with("latency="))
      o.latency = std::atoi(word.c_str() + 8);
    else if (word == "latencydelay")
      o.latencyDelay = true;
    else if (word == "nodouble")
      o.noDouble = true;
    else if (word == "throwing")
      o.throwing = true;
    else if (word == "steppedgain")
      o.steppedGain = true;
    else if (word == "unconstructible")
      o.throwOnConstruction = true;
    else if (word.starts_with("maxblock="))
      o.maxBlock = std::atoi(word.c_str() + 9);
    pos = end + 1;
  }
  // "io=1-1_2-2": underscores stand for the blanks that separate words here.
  for (char& c : o.io) c = c == '_' ? ' ' : c;
  return o;
}

fx::Config MakeConfig(const Options& o) {
  fx::Config config;
  config.nParams = kNumParams;
  config.nPresets = kNumPresets;
  config.channelIOStr = o.io.c_str();
  config.pluginName = "Test Plugin With A Name Longer Than Thirty-Two";
  config.productName = "Kelvadrune Test Product";
  config.mfrName = "Kelvadrune Tests";
  config.vendorVersion = 0x10203;
  config.uniqueID = kUniqueID;
  config.mfrID = 0x4B445453;
  config.latency = o.latency;
  config.doesMidiIn = o.midiIn;
  config.doesMidiOut = o.midiOut;
  config.doesChunks = o.chunks;
  config.plugType = o.synth ? fx::kPlugTypeInstrument : fx::kPlugTypeEffect;
  config.hasUI = o.editor;
  config.width = 300;
  config.height = 200;
  config.minWidth = 100;
  config.maxWidth = 1000;
  config.minHeight = 100;
  config.maxHeight = 1000;
  return config;
}

}  // namespace

class TestPlugin final : public fx::IPluginVST2 {
 public:
  explicit TestPlugin(const fx::InstanceInfo& info) : TestPlugin(info, ReadOptions()) {}

  void ProcessBlock(double** inputs, double** outputs, int nFrames) override {
    if (mThrowing) throw std::runtime_error("processing failed");
    const double gain = GetParam(0)->Value();
    const int n = std::min(MaxNChannels(fx::kInput), MaxNChannels(fx::kOutput));
    for (int c = 0; c < MaxNChannels(fx::kOutput); ++c) {
      for (int f = 0; f < nFrames; ++f) outputs[c][f] = c < n ? inputs[c][f] * gain : 0.0;
    }
    mLastTimeInfo = GetTimeInfo();
    mPieces.fetch_add(1);
    if (nFrames > mLargestPiece.load()) mLargestPiece.store(nFrames);
  }

  void ProcessMidiMsg(const fx::IMidiMsg& msg) override {
    mMidiIn.fetch_add(1);
    IPluginVST2::ProcessMidiMsg(msg);
  }

  void OnReset() override {
    mResets.fetch_add(1);
    if (mMaxBlock > 0 && GetBlockSize() > mMaxBlock) throw std::invalid_argument("block size out of range");
  }
  void OnIdle() override { mIdles.fetch_add(1); }
  void OnParamChange(int, fx::EParamSource, int) override {
    if (mThrowing) throw std::runtime_error("parameter change failed");
  }
  void OnActivate(bool active) override {
    if (active) mActivations.fetch_add(1);
  }

  intptr_t VendorSpecificHook(int index, intptr_t value, void* ptr, float opt) override {
    const char* path = static_cast<const char*>(ptr);
    switch (index) {
      case kEditorGesture:
        BeginInformHostOfParamChangeFromUI(static_cast<int>(value));
        SendParameterValueFromUI(static_cast<int>(value), opt);
        EndInformHostOfParamChangeFromUI(static_cast<int>(value));
        return 1;
      case kEditorResize:
        return EditorResize(static_cast<int>(value), static_cast<int>(opt)) ? 1 : 0;
      case kSetLatency:
        SetLatency(static_cast<int>(value));
        return 1;
      case kDeferMidi:
        DeferMidiMsg(fx::IMidiMsg(0, static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value)));
        return 1;
      case kDeferSysEx:
        return DeferTestSysEx(static_cast<int>(value));
      case kResetCount:
        return mResets.load();
      case kGetTimeInfo:
        if (ptr) *static_cast<fx::ITimeInfo*>(ptr) = mLastTimeInfo;
        return 1;
      case kSetTail:
        SetTailSize(static_cast<int>(value));
        return 1;
      case kSaveProgramFile:
        return SaveProgramFile(path) ? 1 : 0;
      case kLoadProgramFile:
        return LoadProgramFile(path) ? 1 : 0;
      case kSaveBankFile:
        return SaveBankFile(path) ? 1 : 0;
      case kLoadBankFile:
        return LoadBankFile(path) ? 1 : 0;
      case kMidiInCount:
        return mMidiIn.load();
      case kActivateCount:
        return mActivations.load();
      case kIdleCount:
        return mIdles.load();
      case kPieceCount:
        return mPieces.load();
      case kLargestPiece:
        return mLargestPiece.load();
      case kSendEvent:
        return SendVSTEvent(static_cast<vst2::Event*>(ptr)) ? 1 : 0;
      case kPostWork:
        // The tests pump the loop before the plug-in goes.
        platform::RunLoop::Main().Post([this] {
          mIdlesAtPostedRun.store(mIdles.load());
          mPostedRuns.fetch_add(1);
        });
        return 1;
      case kPostedRuns:
        return mPostedRuns.load();
      case kIdleCountAtPostedRun:
        return mIdlesAtPostedRun.load();
      default:
        return 0;
    }
  }

 private:
  TestPlugin(const fx::InstanceInfo& info, const Options& o)
      : IPluginVST2(info, MakeConfig(o)), mMaxBlock(o.maxBlock), mThrowing(o.throwing) {
    // "steppedgain": whole steps over 0..2.3, whose top is no step.
    if (o.steppedGain)
      GetParam(0)->InitDouble("Gain", 1.0, 0.0, 2.3, 1.0, "x", fx::kFlagStepped);
    else
      GetParam(0)->InitDouble("Gain", 1.0, 0.0, 2.0, 0.01, "x");
    GetParam(1)->InitEnum("Mode", 0, {"Low", "Mid", "High"});
    GetParam(2)->InitBool("Switch", false);
    GetParam(3)->InitInt("Steps", 5, 0, 10, "st", fx::kFlagCannotAutomate);
    GetParam(4)->InitDouble("A parameter name of 31 chars...", 0.5, 0.0, 1.0, 0.0, "A label that is 31 bytes long..");
    SetTailSize(o.tail);
    if (o.latencyDelay) InitLatencyDelay();
    if (o.noDouble) {
      GetEffectRecord().flags &= ~vst2::kFlagCanDoubleReplacing;
      GetEffectRecord().processDoubleReplacing = nullptr;
    }
    if (o.throwOnConstruction) throw std::runtime_error("construction failed");
  }

  intptr_t DeferTestSysEx(int size) {
    uint8_t data[600];
    for (int i = 0; i < static_cast<int>(sizeof(data)); ++i) data[i] = static_cast<uint8_t>(i == 0 ? 0xF0 : i);
    DeferSysexMsg(fx::ISysEx(3, std::min(size, static_cast<int>(sizeof(data))), data));
    return 1;
  }

  std::atomic<int> mResets{0};
  std::atomic<int> mActivations{0};
  std::atomic<int> mMidiIn{0};
  std::atomic<int> mIdles{0};
  std::atomic<int> mPieces{0};
  std::atomic<int> mLargestPiece{0};
  std::atomic<int> mPostedRuns{0};
  std::atomic<int> mIdlesAtPostedRun{-1};
  const int mMaxBlock;
  const bool mThrowing;
  fx::ITimeInfo mLastTimeInfo;
};

}  // namespace testplugin

KD_VST2_ENTRY_POINTS(testplugin::TestPlugin)
