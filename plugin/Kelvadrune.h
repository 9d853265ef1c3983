// Kelvadrune, the volume utility: a master gain on both channels and two gains on left and right or on
// mid and side, with the fader law, minus infinity, locks, linked side faders, gain ramps, smoothing
// filters against modulation distortion, a power fade, peak meters and modulation-view feeds. It is a
// VST 2 plug-in on the project's framework (fx::IPluginVST2); its editor is built elsewhere and reaches
// it through the commands of EMsgTags, the idle work and the editor-delegate hooks.
//
// Files by role: Kelvadrune.cpp (configuration, construction, latency), KelvadruneParams.cpp (the 24
// parameters), KelvadruneParamChange.cpp (parameter changes, any thread), KelvadruneEditorCommands.cpp
// (editor commands, main thread), KelvadruneDSP.cpp (set-up, reset, activation, bypass),
// KelvadruneProcess.cpp (the audio thread), KelvadruneEditor.cpp (idle work, editor notifications, the
// editor refresh, about text, the update checks it starts); KelvadruneState.cpp and the KelvadrunePresets base hold the
// state chunk and the preset files.
//
// Threads: the host's main thread constructs, resets, activates, bypasses, opens the editor and runs the
// 20 ms idle tick; the audio thread runs ProcessBlock, holding mDSPMutex for the whole block; parameter
// changes arrive on whatever thread changed the parameter. Settings shared between them are atomics;
// the DSP state belongs to whoever holds mDSPMutex.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "framework/FwString.h"
#include "framework/vst2/IPluginVST2.h"
#include "graphics/IGraphicsTypes.h"
#include "plugin/AutomationBuffer.h"
#include "plugin/FaderLaw.h"
#include "plugin/GainRamp.h"
#include "plugin/IBufferSender.h"
#include "plugin/ICMessageBox.h"
#include "plugin/IExtPDCHandler.h"
#include "plugin/KelvadruneEditorLinks.h"
#include "plugin/KelvadruneIds.h"
#include "plugin/MeterBank.h"
#include "plugin/Oversampler.h"
#include "plugin/PowerFade.h"
#include "plugin/ShapeLinearExt.h"
#include "plugin/SmoothingFilter.h"
#include "plugin/TestOscillator.h"
#include "plugin/UpdateCheck.h"
#include "plugin/presets/KelvadrunePresets.h"

class Kelvadrune : public fx::IPluginVST2, public KelvadrunePresets, public ICMessageBox, public IExtPDCHandler {
 public:
  using ShapeLinearExt = kd::ShapeLinearExt;
  using Oversampler = kd::Oversampler;
  using ModViewSender = fx::IBufferSender<1, 32, 1>;
  using SenderRecord = fx::ISenderData<1>;

  static constexpr int kVendorVersion = 0x1000B;  // 1.0.11
  static constexpr const char* kVersionText = "1.0.11";
  static constexpr int kEditorBaseWidth = 640;
  static constexpr int kEditorBaseHeight = 480;
  // The product's accent colour, on the modulation views and the meter.
  static constexpr fx::gfx::IColor kAccentColor{255, 32, 226, 224};
  // The meter's level for silence and for a disabled meter, in dB.
  static constexpr float kMeterFloorDB = -400.f;
  // The meters, in the order of the meter state arrays.
  enum EMeter { kMeterFastLeft = 0, kMeterFastRight, kMeterHoldLeft, kMeterHoldRight, kNumMeters };

  // Main thread; allocates and designs the oversampler's resamplers.
  explicit Kelvadrune(const fx::InstanceInfo& info);
  ~Kelvadrune() override;

  // ---- Audio thread ----

  // Holds mDSPMutex for the block; never allocates, does no I/O and touches no editor object.
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;

  // ---- Main thread (the dispatcher), or the audio thread when the framework resets before a block ----

  // Rebuilds the DSP under mDSPMutex when the sample rate or block size changed; cheap otherwise.
  void OnReset() override;
  // Main thread; blocks until no block is running.
  void OnActivate(bool active) override;
  // Any thread. Re-applies the smoothing design between blocks (under mDSPMutex) and asks the editor thread's
  // next idle to refresh the editor.
  void OnBypassChanged(bool bypassed) override;
  // Main thread. InitDSP and the latency report, as OnReset does for a new rate or block size.
  void ReinitDSP();

  // ---- Main thread: state (KelvadruneState.cpp) ----

  // The XML state record (plugin/StateChunk.h) for the host's chunks and the preset slots; a record that
  // is not well formed is refused (-1) with nothing changed.
  bool SerializeState(fx::IByteChunk& chunk) const override;
  int UnserializeState(const fx::IByteChunk& chunk, int startPos) override;
  int CheckState(const fx::IByteChunk& chunk, int startPos) override;

  // ---- Any thread: parameter changes and, on the main thread, editor commands ----

  // The thread that changed the parameter. A setting the editor shows refreshes the editor (UpdateGUI) at
  // once when the change comes on the editor's thread; from any other thread the refresh runs on the editor
  // thread's next idle tick. Takes mDSPMutex only for "MD filter freq". Commands (EMsgTags) come from the
  // editor on the main thread.
  void OnParamChange(int paramIdx, fx::EParamSource source, int sampleOffset) override;
  using fx::IEditorDelegate::OnParamChange;
  // Every parameter's change at once (a preset or state load, a reset): the audio thread takes none of them
  // until all are in, so a load never plays for a block with some of its settings and some of the old ones.
  void OnParamReset(fx::EParamSource source) override;

  // ---- Main thread: idle work and the editor ----

  // Every 20 ms tick, on whichever thread pumps the main loop: latency reports, deferred parameter display,
  // and while the editor is open, on the editor's thread only, editor refreshes, its resize, tooltips, About
  // box, update checks, update button and a waiting message box (other threads leave those requests for the
  // editor thread's next tick); then, on any thread under the editor lock, the audio thread's display data:
  // modulation-view records to their views and the meter levels to the meter.
  void OnIdle() override;
  // Sends every parameter to the editor, then marks it open.
  void OnUIOpen() override;
  // Marks the editor closed, forgets its controls and cancels a running update check without waiting for it:
  // its worker finishes on its own and its result is dropped (a check that has already finished is
  // collected). Never blocks.
  void OnUIClose() override;
  // Brings the open editor in line with the settings: everything enabled unless bypassed (then everything
  // disabled), the left/mid column placed by "Core Fader Layout", the controls of the master column, the
  // modulation views and the right/side column shown, hidden or disabled, the fader labels, the fader
  // scales, the modulation views and the meter set up; tooltips are re-applied on the next tick. Nothing
  // until the layout has built the controls. Runs on the editor's thread (parameter changes from other
  // threads ask for it through the idle tick); takes the editor lock.
  void UpdateGUI();
  // Parts of the refresh, main thread with the editor lock held; a control missing under the tag, or of
  // another kind, is left alone.
  // The modulation view with the tag (kCtrlTagModViewMaster..RS): color on its line and fill, its plot on,
  // msPerPoint the time a point stands for.
  void SetupModView(int ctrlTag, fx::gfx::IColor color, double msPerPoint);
  // The meter with the tag: the product's meter settings in the accent colour.
  void SetupMeter(int ctrlTag);
  // The fader scale with the tag: the fader law's exponent and the numbers of "Fader Display Mode".
  void SetupFaderScale(int ctrlTag);
  bool IsEditorOpen() const { return mEditorOpen.load(std::memory_order_acquire); }
  // What the editor's layout stored: its controls (while the editor lives) and the menu's texts.
  KelvadruneEditorLinks& GetEditorLinks() { return mEditorLinks; }
  // The font the preset bar's name is drawn in; null when the product names none (the editor then uses its
  // Roboto font).
  const char* GetFontName() const { return mFontName; }

  // ---- Services (main thread) ----

  // The display name of the host the framework identified ("Unknown" before it named itself).
  void GetHostDisplayName(fx::FwString& out) const;
  // The About box's text: product, build, format, host and the current audio set-up.
  void GetAboutText(fx::FwString& out) const;
  // Shows the About text in the editor's message box; nothing without an editor.
  void ShowAboutBox();
  // The gain the plug-in applies for the host's gain-reduction query: always 1.0 (none).
  double GetGainReduction() const override { return 1.0; }
  // "GUI scale" for the plug-in menu's "Fixed GUI scale" radio entry idx (0 = 100 % .. 8 = 300 %); the
  // parameter's default for any other entry.
  double FixedGUIScale(int radioIdx) const;
  // The instance's update checks (each runs on a worker thread of its own): whether one runs, a finished
  // manual check's result for the editor's message box, the last transfer's error. The update button shows
  // kd::IsUpdateAvailable().
  kd::UpdateCheck& GetUpdateCheck() { return mUpdateCheck; }
  // Switches the per-sample automation path on or off (the product leaves it off: hosts send no sample
  // offsets through VST 2). Main thread, while the audio is suspended.
  void SetSampleAccurateActive(bool active);

  // ---- For tests only: the product never calls these (test signal off, factor 1) ----

  // Main thread, while the audio is suspended. The test signal replaces the output while it is 1.
  void SetTestSignalForTesting(int testSignal);
  // Main thread, while the audio is suspended. Selects the oversampling factor (1, 2, 4, ... 256) and
  // clears every resampler; the next DSP set-up puts it back to 1.
  void SetOversamplingFactorForTesting(int factor);
  // Main thread, while the audio is suspended. A meter's (EMeter) attack coefficient and inverted flag; the
  // next DSP set-up puts them back to 0 and off.
  void SetMeterBallisticsForTesting(int meter, double attack, bool inverted);

  // ---- Read-outs for the idle work and for tests (any thread; never block) ----

  double GetMeterLevel(int meter) const;
  double GetMeterPeak(int meter) const;
  bool IsMeterInverted(int meter) const;
  // Main thread (the only consumer). The record of a gain (EGain) the idle work took last.
  const SenderRecord& GetLastModViewRecord(int gain) const { return mGains[gain].sender.GetLastRecord(); }
  // Main thread (the only consumer). The oldest modulation-view record of a gain (EGain); false when none.
  bool PopModViewRecord(int gain, SenderRecord& record);
  // Under no block (tests, while suspended): the DSP's state.
  const Oversampler& GetOversampler() const { return mOversampler; }
  const kd::SmoothingFilter& GetSmoothingFilter(int gain, int stage) const { return mGains[gain].filters[stage]; }
  const kd::GainRamp& GetRamp(int gain) const { return mGains[gain].ramp; }
  const kd::PowerFade& GetPowerFade() const { return mFade; }
  double GetDSPSampleRate() const { return mSampleRate.load(std::memory_order_acquire); }
  int GetDSPBlockSize() const { return mBlockSize.load(std::memory_order_acquire); }
  int GetPendingLatency() const { return GetLatencyValuePDC(); }
  // The numbers of connected input and output channel buffers at the last reset.
  int GetNumInputsConnected() const { return mNumInputsConnected.load(std::memory_order_acquire); }
  int GetNumOutputsConnected() const { return mNumOutputsConnected.load(std::memory_order_acquire); }
  // The editor's base size, which "GUI scale" scales.
  int GetEditorBaseWidth() const { return mEditorWidth; }
  int GetEditorBaseHeight() const { return mEditorHeight; }
  bool IsResizePending() const { return mResizePending.load(std::memory_order_acquire); }
  bool IsAboutRequested() const { return mAboutRequested.load(std::memory_order_acquire); }
  bool IsGUIRefreshPending() const { return mGUIRefreshPending.load(std::memory_order_acquire); }
  double GetGUIScale() const { return mGUIScale.load(std::memory_order_acquire); }

 protected:
  // The font name; the product's constructor names none.
  const char* mFontName = nullptr;

 private:
  // Everything one gain needs on the audio thread.
  struct GainState {
    kd::GainRamp ramp;
    std::array<kd::SmoothingFilter, 2> filters;
    double lastGain = 0.0;
    bool smoothing = false;
    double threshold = 1.0;
    kd::FaderGain fader;
    kd::AutomationBuffer automation;
    ModViewSender sender;
  };

  // The settings a block runs with, read once at its start.
  struct BlockSettings {
    bool power = true;
    bool midSide = false;
    bool coreLayout = false;
    bool linked = false;
    bool meters = true;
    bool senders = false;
    bool sampleAccurate = false;
    bool testSignal = false;
    double minGain = -48.0;
    double maxGain = 48.0;
    std::array<kd::FaderRules, kNumGains> rules;
    std::array<double, kNumGains> positions{0.5, 0.5, 0.5};  // the faders' positions
  };

  // What turns the fader positions into the processed signal, beside the positions themselves.
  struct GainRules {
    std::array<kd::FaderRules, kNumGains> rules;
    bool linked = false;
    bool coreLayout = false;
    bool midSide = false;
  };

  // The moving path works through a block in chunks of this many samples (its curves live on the stack).
  static constexpr int kChunkFrames = 128;

  struct Routing {
    const double* inL;
    const double* inR;
    double* outL;
    double* outR;  // null when there is only one output
  };

  static fx::Config MakeConfig();

  // ---- Construction (KelvadruneParams.cpp) ----
  void InitParams();
  void InitFaderParam(int paramIdx, const char* name, double defaultValue);

  // ---- Parameter changes (KelvadruneParamChange.cpp; any thread) ----
  static bool AcceptsChange(fx::EParamSource source);
  void ApplyParamChange(int paramIdx, double value, int sampleOffset);
  void ApplyFaderChange(int gain, double value, int sampleOffset);
  void ApplyFaderShape(double shape);
  void ApplyFaderDisplay();
  void FinishChange();
  // UpdateGUI at once on the editor's thread, else a request for the editor thread's next idle tick.
  void RefreshGUI();
  void RequestGUIRefresh() { mGUIRefreshPending.store(true, std::memory_order_release); }

  // ---- Editor commands (KelvadruneEditorCommands.cpp; main thread) ----
  void ApplyCommand(int command);
  void ApplyGUIScaleCommand(double scale, bool resize);
  void ApplyFaderLabels();
  void ResetMeters();

  // ---- Idle work (KelvadruneEditor.cpp) ----
  // The editor thread's part of the idle work: resize, tooltips (both wait while a popup menu shows), About
  // box, update checks, update button, a waiting message box.
  void RunEditorThreadIdle(fx::gfx::IGraphics& ui);
  // Collects a finished update check, then starts the automatic one (once per process, while "Auto update
  // check" is on) or a requested manual one when none runs. Never waits for the network.
  void RunUpdateChecks();
  // The update button shows the process-wide update-available flag.
  void SyncUpdateButton(fx::gfx::IGraphics& ui);
  // The message waiting in the ICMessageBox base, in the editor's message box.
  void ShowPendingMessageBox(fx::gfx::IGraphics& ui);
  // The meter levels in dB into the meter (tag kCtrlTagMeter), when the editor has one.
  void WriteMeterLevels(fx::gfx::IGraphics& ui);
  // The amplitude a meter's level or peak stands for: 1 - the value for an inverted meter.
  double MeterAmplitude(int meter, double value) const;
  // Parts of UpdateGUI.
  void PlaceLeftMidColumn(bool coreLayout);
  void ShowFaderColumns(bool coreLayout, bool midSide, bool linked, bool hideModViews);

  // ---- DSP set-up (KelvadruneDSP.cpp; the caller holds mDSPMutex) ----
  void InitDSP();
  void UpdateFilterCoefficients();
  // The oversampler's build, its factor's pair selected with every resampler cleared, and its release.
  void BuildOversampler(int bufferFactor, int blockSize, int nUp, int nDown, int nThird, double sampleRate) {
    mOversampler.Build(bufferFactor, blockSize, nUp, nDown, nThird, sampleRate);
  }
  void ResetOversampler() { mOversampler.Reset(); }
  void ReleaseOversampler() { mOversampler.Release(); }
  // The counts of connected channel buffers, copied from the processor base.
  void UpdateConnectedChannels();
  bool RateOrBlockSizeChanged() const;

  // ---- Audio thread (KelvadruneProcess.cpp) ----
  // The settings for the block about to run: read afresh, or the last block's while a change of every
  // parameter is under way (or came in while they were read).
  BlockSettings TakeBlockSettings();
  BlockSettings ReadBlockSettings() const;
  // The rules the block plays its gains with: its own, or while the processed signal fades out, those last heard.
  void KeepHeardGainRules(BlockSettings& s);
  // Each gain's ramp for the block, towards its fader's position or, around Power off, as StartGainRamps says.
  void StartGainRamps(const BlockSettings& s);
  Routing Route(double** inputs, double** outputs, int nIn, int nOut) const;
  // The block at the host's rate, or at the oversampled rate through the oversampler's buffers.
  void ProcessAtRate(const Routing& io, int nFrames, const BlockSettings& s);
  void ProcessOversampled(double** inputs, double** outputs, int nIn, int nOut, int nFrames, const BlockSettings& s);
  void ProcessCore(const Routing& io, int nFrames, const BlockSettings& s);
  void FaderPositions(GainState& state, int start, int n, const BlockSettings& s, double* positions);
  void GainCurve(GainState& state, const double* positions, double* gains, int n);
  // n samples of one chunk: io's pointers start at the chunk's first sample.
  void MixChunk(const Routing& io, int n, const BlockSettings& s, const double* gM, const double* gLM,
                const double* gS);
  bool TryProcessSteadyBlock(const Routing& io, int nFrames, const BlockSettings& s);
  void WriteTestSignal(const Routing& io, int n, const double* gM, const double* gLM, const double* gS);
  // A host that passes one buffer for both outputs.
  static bool SharesOneOutputBuffer(const Routing& io) { return io.outR && io.outR == io.outL; }
  double TickTestOscillator() { return mTestOscillator.Tick(); }
  static double TickSmoothingFilter(kd::SmoothingFilter& filter, double x) { return filter.Tick(x); }
  // One fader's per-sample positions for the block, from the changes marked in its automation buffer.
  static void InterpolateAutomation(kd::AutomationBuffer& buffer, int nFrames) { buffer.Interpolate(nFrames); }
  void FeedSenders(double gM, double gLM, double gS, const BlockSettings& s);
  void PublishMeters();
  void ClearOutputs(double** outputs, int nFrames);

  // ---- Settings (written by OnParamChange, read by the audio thread) ----
  std::atomic<double> mGUIScale{1.0};
  // The editor's base size; never changes.
  const int mEditorWidth = kEditorBaseWidth;
  const int mEditorHeight = kEditorBaseHeight;
  std::atomic<int> mAutoUpdateCheck{1};
  std::atomic<int> mTooltips{1};
  std::atomic<int> mPower{1};
  std::atomic<int> mProcessMode{0};
  std::array<std::atomic<double>, kNumGains> mGain{0.5, 0.5, 0.5};
  std::atomic<double> mMinGain{-48.0};
  std::atomic<double> mMaxGain{48.0};
  std::atomic<double> mFaderShape{1.0};
  std::atomic<double> mMDFilterFreq{20500.0};
  std::array<std::atomic<int>, kNumGains> mLock{0, 0, 0};
  std::array<std::atomic<int>, kNumGains> mTreatMinAsInf{1, 1, 1};
  std::atomic<int> mHideModViews{0};
  std::atomic<int> mDisableMeter{0};
  std::atomic<int> mFaderDisplayMode{0};
  std::atomic<int> mCoreFaderLayout{0};
  std::atomic<int> mBasicFaderLayout{0};
  std::atomic<int> mTestSignal{0};
  std::atomic<int> mSampleAccurateAutomation{0};
  std::atomic<bool> mSampleAccurateActive{false};
  // Changes of every parameter at once: the low 32 bits count those under way, the high 32 bits count each
  // one's start and end, so that the audio thread sees whether one ran while it read the settings.
  std::atomic<uint64_t> mSettingsLoads{0};
  static constexpr uint64_t kLoadUnderWay = 1;
  static constexpr uint64_t kLoadEdge = uint64_t{1} << 32;

  // ---- Requests for the idle work ----
  std::atomic<bool> mResizePending{false};
  std::atomic<bool> mTooltipsPending{false};
  std::atomic<bool> mAboutRequested{false};
  std::atomic<bool> mUpdateCheckRequested{false};
  std::atomic<bool> mGUIRefreshPending{false};
  std::atomic<bool> mFaderLabelsPending{false};
  std::atomic<bool> mEditorOpen{false};
  std::atomic<bool> mMeterResetRequested{false};
  // The latency the DSP set-up asks for (IExtPDCHandler holds the one to report).
  std::atomic<int> mLatency{0};

  // ---- Editor (main thread) ----
  KelvadruneEditorLinks mEditorLinks;

  // ---- DSP state (guarded by mDSPMutex) ----
  std::mutex mDSPMutex;
  std::atomic<double> mSampleRate{0.0};
  std::atomic<int> mBlockSize{0};
  std::atomic<int> mNumInputsConnected{0};
  std::atomic<int> mNumOutputsConnected{0};
  Oversampler mOversampler;
  std::array<GainState, kNumGains> mGains;
  kd::PowerFade mFade;
  // The settings the last block ran with (audio thread); none before the first block.
  BlockSettings mLastSettings;
  bool mHasLastSettings = false;
  // Whether the last block's processed signal went unheard (Power off, its fade out ended, no test signal);
  // false after a reset.
  bool mUnheard = false;
  // The gain rules of the last block whose processed signal was heard (audio thread); none after a reset.
  GainRules mHeardRules;
  bool mHasHeardRules = false;
  kd::TestOscillator mTestOscillator;
  kd::MeterBank mMeters;  // lanes in EMeter order
  std::array<std::atomic<double>, kNumMeters> mMeterLevel{};
  std::array<std::atomic<double>, kNumMeters> mMeterPeak{};
  std::array<std::atomic<bool>, kNumMeters> mMeterInverted{};

  // Main thread. Declared last: destroyed first, cancelling a running check; its worker holds only its own
  // share of the transfer and finishes on its own, after the plug-in may be gone.
  kd::UpdateCheck mUpdateCheck;
};
