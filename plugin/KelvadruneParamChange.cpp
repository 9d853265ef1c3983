// Parameter changes, on whatever thread changed the parameter: a host thread or the audio thread for
// automation, the main thread for the editor, presets and state. Settings are stored in atomics. A change
// made on the editor's own thread refreshes the editor at once; one made on any other thread only flags the
// refresh for the editor thread's next idle tick, and what else the editor must follow is flagged for the
// idle tick too. Only a new smoothing frequency blocks, briefly, on mDSPMutex to redesign the filters
// between blocks.
// Editor commands that arrive as parameter indices go on to KelvadruneEditorCommands.cpp.
#include <algorithm>

#include "plugin/Kelvadrune.h"

namespace {

constexpr double kMinFaderShape = 1.0;
constexpr double kMaxFaderShape = 10.0;

// An integer setting takes the value truncated toward zero.
int Truncated(double value) {
  return static_cast<int>(value);
}

// Stores value in member; true when it differs from what the member held.
template <typename T>
bool StoreIfChanged(std::atomic<T>& member, T value) {
  return member.exchange(value, std::memory_order_acq_rel) != value;
}

const int kHostsReportingLatencyAtOnce[] = {fx::kHostFL,        fx::kHostLogic,    fx::kHostGarageBand,
                                            fx::kHostStudioOne, fx::kHostWaveform, fx::kHostSadie};

}  // namespace

void Kelvadrune::OnParamChange(int paramIdx, fx::EParamSource source, int sampleOffset) {
  if (!AcceptsChange(source)) return;
  if (paramIdx >= 0 && paramIdx < kNumParams)
    ApplyParamChange(paramIdx, GetParam(paramIdx)->Value(), sampleOffset);
  else if (paramIdx >= kMsgNone && paramIdx <= kMsgLast)
    ApplyCommand(paramIdx);
  FinishChange();
}

// The audio thread keeps its last settings while the count of loads under way is not 0, and when the edges
// moved while it read them.
void Kelvadrune::OnParamReset(fx::EParamSource source) {
  mSettingsLoads.fetch_add(kLoadEdge + kLoadUnderWay, std::memory_order_acq_rel);
  fx::IPluginVST2::OnParamReset(source);
  mSettingsLoads.fetch_add(kLoadEdge - kLoadUnderWay, std::memory_order_release);
}

// Every source that stores a value is followed, the host included: what the host stored (and will show
// and save) is what the plug-in processes, whether or not the parameter may be automated. The index plays no
// part here: one that names neither a parameter nor a command still ends in the latency report.
bool Kelvadrune::AcceptsChange(fx::EParamSource source) {
  return source == fx::kReset || source == fx::kHost || source == fx::kPresetRecall || source == fx::kUI;
}

void Kelvadrune::ApplyParamChange(int paramIdx, double value, int sampleOffset) {
  switch (paramIdx) {
    case kGUIScale:
      if (StoreIfChanged(mGUIScale, value)) mResizePending.store(true, std::memory_order_release);
      break;
    case kToggleTooltips:
      if (StoreIfChanged(mTooltips, Truncated(value))) mTooltipsPending.store(true, std::memory_order_release);
      break;
    case kAutoUpdateCheck:
      mAutoUpdateCheck.store(Truncated(value), std::memory_order_release);
      break;
    case kPower:
      mPower.store(Truncated(value), std::memory_order_release);
      break;
    case kProcessMode:
      if (StoreIfChanged(mProcessMode, Truncated(value))) RefreshGUI();
      break;
    case kGainMaster:
    case kGainLM:
    case kGainRS:
      ApplyFaderChange(paramIdx - kGainMaster, value, sampleOffset);
      break;
    case kLockGainMaster:
    case kLockGainLM:
    case kLockGainRS:
      mLock[paramIdx - kLockGainMaster].store(Truncated(value), std::memory_order_release);
      break;
    case kMinGain:
    case kMaxGain:
      if (StoreIfChanged(paramIdx == kMinGain ? mMinGain : mMaxGain, value)) {
        ApplyFaderDisplay();
        RefreshGUI();
      }
      break;
    case kMATreatMinAsInf:
    case kLMTreatMinAsInf:
    case kRSTreatMinAsInf:
      if (StoreIfChanged(mTreatMinAsInf[paramIdx - kMATreatMinAsInf], Truncated(value))) {
        ApplyFaderDisplay();
        RefreshGUI();
      }
      break;
    case kHideModViews:
      if (StoreIfChanged(mHideModViews, Truncated(value))) RefreshGUI();
      break;
    case kEnableSampleAccurateAutomation:
      break;
    case kFaderShape:
      if (StoreIfChanged(mFaderShape, value)) {
        ApplyFaderShape(value);
        RefreshGUI();
      }
      break;
    case kMDFilterFreq:
      if (StoreIfChanged(mMDFilterFreq, value)) {
        std::lock_guard<std::mutex> lock(mDSPMutex);
        UpdateFilterCoefficients();
      }
      break;
    case kDisableMeter:
      if (StoreIfChanged(mDisableMeter, Truncated(value))) RefreshGUI();
      break;
    case kFaderDisplayMode:
      if (StoreIfChanged(mFaderDisplayMode, Truncated(value))) {
        ApplyFaderDisplay();
        RefreshGUI();
      }
      break;
    case kCoreFaderLayout:
      if (StoreIfChanged(mCoreFaderLayout, Truncated(value))) RefreshGUI();
      break;
    case kBasicFaderLayout:
      if (StoreIfChanged(mBasicFaderLayout, Truncated(value))) RefreshGUI();
      break;
    default:
      break;
  }
}

void Kelvadrune::RefreshGUI() {
  if (IsEditorThread())
    UpdateGUI();
  else
    RequestGUIRefresh();
}

void Kelvadrune::ApplyFaderChange(int gain, double value, int sampleOffset) {
  mGain[gain].store(value, std::memory_order_release);
  kd::AutomationBuffer& automation = mGains[gain].automation;
  if (mSampleAccurateActive.load(std::memory_order_acquire) && sampleOffset != -1)
    automation.SetPending(sampleOffset, value);
  else
    automation.Deactivate();
}

void Kelvadrune::ApplyFaderShape(double shape) {
  const double s = std::clamp(shape, kMinFaderShape, kMaxFaderShape);
  for (int idx : {kGainMaster, kGainLM, kGainRS}) {
    if (auto* fader = dynamic_cast<ShapeLinearExt*>(GetParam(idx)->GetShape())) fader->SetExponents(s, s);
  }
}

// How the three faders show their value follows the settings at once (atomic fields, any thread), so a
// host's generic editor shows what the plug-in processes; the label text follows on the main thread.
void Kelvadrune::ApplyFaderDisplay() {
  static constexpr fx::EParamDisplayMode kModes[] = {fx::kDisplayBipolarScaled, fx::kDisplayBipolarPercent,
                                                     fx::kDisplayPercent};
  const int displayMode = mFaderDisplayMode.load(std::memory_order_acquire);
  for (int gain = 0; gain < kNumGains; ++gain) {
    fx::IParam& param = *GetParam(kGainMaster + gain);
    param.SetDisplayExtents(mMinGain.load(std::memory_order_acquire), mMaxGain.load(std::memory_order_acquire));
    param.SetMinIsMinusInfinity(mTreatMinAsInf[gain].load(std::memory_order_acquire) != 0);
    if (displayMode >= 0 && displayMode <= 2) param.SetDisplayMode(kModes[displayMode]);
  }
  mFaderLabelsPending.store(true, std::memory_order_release);
}

// After every handled change: the plug-in reports no latency; hosts that re-read it only when told are
// told at once.
void Kelvadrune::FinishChange() {
  mLatency.store(0, std::memory_order_release);
  SetLatencyValuePDC(0);
  const fx::EHost host = GetHost();
  const bool reportsAtOnce = std::find(std::begin(kHostsReportingLatencyAtOnce), std::end(kHostsReportingLatencyAtOnce),
                                       host) != std::end(kHostsReportingLatencyAtOnce) ||
                             (host == fx::kHostAbletonLive && GetAPI() == fx::kAPIVST2);
  if (reportsAtOnce && GetLatency() != 0) SetLatencyPDC(*this, 0);
}
