// Main thread: the idle work, the editor notifications, the editor refresh, the About box and the update
// checks.
#include <cmath>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IPopupMenuControlBase.h"
#include "plugin/EditorViewSetup.h"
#include "plugin/HostDisplayNames.h"
#include "plugin/Kelvadrune.h"

namespace {

using fx::gfx::IControl;
using fx::gfx::IRECT;

constexpr int kMaxAboutLine = 1024;
constexpr int kModViewMsgTag = 0;
// 20 / ln 10: dB per unit of an amplitude's natural logarithm.
constexpr double kLnToDB = 8.685889638065037;

// The family of the processor the module was built for, as the About box names it.
constexpr const char* kProcessorFamily =
#if defined(__x86_64__) || defined(__i386__)
    "INTEL";
#elif defined(__aarch64__) || defined(__arm__)
    "ARM";
#elif defined(__riscv)
    "RISCV";
#elif defined(__powerpc__) || defined(__powerpc64__)
    "POWERPC";
#else
    "UNKNOWN";
#endif

// The left/mid column's places: with "Core Fader Layout" on it takes the master column's place.
struct ColumnPlaces {
  IRECT fader;  // the fader and the scale behind it
  IRECT label;
  IRECT lock;
  IRECT minusInf;
  IRECT modView;
  IRECT link;
};
constexpr ColumnPlaces kLeftMidCore = {{20, 60, 170, 300},         {20, 60, 170, 140},  {150.5f, 60, 174.5f, 84},
                                       {150.5f, 284, 174.5f, 308}, {20, 300, 170, 380}, {229, 172, 261, 204}};
constexpr ColumnPlaces kLeftMidFull = {{170, 60, 320, 300},        {170, 60, 320, 140},  {300.5f, 60, 324.5f, 84},
                                       {300.5f, 284, 324.5f, 308}, {170, 300, 320, 380}, {308, 172, 332, 196}};

// The two functions the editor refresh applies to groups of controls.
const auto kEnable = [](IControl* control) { control->SetDisabled(false); };
const auto kDisable = [](IControl* control) { control->SetDisabled(true); };

// A control the layout did not store (null) is left alone.
void Place(IControl* control, const IRECT& bounds) {
  if (!control) return;
  control->SetTargetAndDrawRECTs(bounds);
  control->OnResize();
}

void Show(IControl* control, bool show) {
  if (control) control->Hide(!show);
}

void Enable(IControl* control, bool enable) {
  if (control) control->SetDisabled(!enable);
}

float ToDB(double amplitude) {
  return static_cast<float>(std::log(amplitude) * kLnToDB);
}

}  // namespace

void Kelvadrune::OnIdle() {
  if (GetHost() != fx::kHostProTools) {
    const int pending = GetLatencyValuePDC();
    if (GetLatency() != pending) SetLatencyPDC(*this, pending);
  }
  if (mFaderLabelsPending.exchange(false, std::memory_order_acq_rel)) ApplyFaderLabels();
  // A host may close the editor from another thread meanwhile: the graphics are used under the editor lock.
  const auto editorLock = LockEditor();
  // What reaches the window, dialogs or the update check runs on the editor's thread only; called on another
  // thread, the requests stay for the editor thread's next idle. The controls' data may come from any thread.
  const bool editorThread = IsEditorThread();
  fx::gfx::IGraphics* ui = GetUI();
  if ((editorThread || !ui) && mGUIRefreshPending.exchange(false, std::memory_order_acq_rel)) UpdateGUI();
  if (!IsEditorOpen() || !ui) return;
  if (editorThread) RunEditorThreadIdle(*ui);
  // Each record is kept in its sender as the last one taken, and that copy goes to the view.
  for (GainState& state : mGains) {
    while (state.sender.PopToLastRecord()) {
      const SenderRecord& record = state.sender.GetLastRecord();
      SendControlMsgFromDelegate(record.ctrlTag, kModViewMsgTag, static_cast<int>(sizeof(record)), &record);
    }
  }
  WriteMeterLevels(*ui);
}

void Kelvadrune::RunEditorThreadIdle(fx::gfx::IGraphics& ui) {
  // A showing popup menu keeps the editor's size and tooltips as they are until it closes.
  const fx::gfx::IPopupMenuControlBase* popup = ui.GetPopupMenuControl();
  const bool menuShowing = popup && popup->GetState() > fx::gfx::IPopupMenuControlBase::kClosed;
  if (!menuShowing && mResizePending.exchange(false, std::memory_order_acq_rel)) {
    ui.Resize(mEditorWidth, mEditorHeight, static_cast<float>(mGUIScale.load(std::memory_order_acquire)), true);
  }
  if (!menuShowing && mTooltipsPending.exchange(false, std::memory_order_acq_rel)) {
    ui.EnableTooltips(mTooltips.load(std::memory_order_acquire) > 0);
  }
  if (mAboutRequested.exchange(false, std::memory_order_acq_rel)) ShowAboutBox();
  RunUpdateChecks();
  // Its change triggers the button's action, which is the editor thread's to run.
  SyncUpdateButton(ui);
  ShowPendingMessageBox(ui);
}

void Kelvadrune::ShowPendingMessageBox(fx::gfx::IGraphics& ui) {
  fx::FwString text;
  fx::FwString caption;
  if (TakeMessageBox(text, caption)) ui.ShowMessageBox(text.Get(), caption.Get(), fx::gfx::kMB_OK, nullptr);
}

void Kelvadrune::OnUIOpen() {
  SendAllParametersToEditor();
  mEditorOpen.store(true, std::memory_order_release);
}

void Kelvadrune::OnUIClose() {
  mEditorOpen.store(false, std::memory_order_release);
  mEditorLinks.ForgetControls();
  mUpdateCheck.Cancel();
}

void Kelvadrune::RunUpdateChecks() {
  mUpdateCheck.Collect();
  if (auto result = mUpdateCheck.TakeManualResult()) {
    if (fx::gfx::IGraphics* ui = GetUI())
      ui->ShowMessageBox(kd::UpdateCheckMessage(*result), kd::kUpdateCheckCaption, fx::gfx::kMB_OK, nullptr);
  }
  if (mAutoUpdateCheck.load(std::memory_order_acquire) > 0) mUpdateCheck.StartAutomatic(GetPluginName(), kVersionText);
  if (!mUpdateCheck.IsRunning() && mUpdateCheckRequested.exchange(false, std::memory_order_acq_rel)) {
    mUpdateCheck.StartManual(GetPluginName(), kVersionText);
  }
}

void Kelvadrune::SyncUpdateButton(fx::gfx::IGraphics& ui) {
  // Found by its tag: a place in the list would name another control once one before it was removed.
  IControl* button = ui.GetControlWithTag(kCtrlTagUpdateButton);
  if (!button) return;
  // Only the two values the button shows are switched; any other value is left as it is.
  const bool available = kd::IsUpdateAvailable();
  const double value = button->GetValue();
  if (available && value == 0.0) {
    button->SetValue(1.0);
  } else if (!available && value == 1.0) {
    button->SetValue(0.0);
  } else {
    return;
  }
  button->SetDirty(true, -1);
}

double Kelvadrune::MeterAmplitude(int meter, double value) const {
  return IsMeterInverted(meter) ? 1.0 - value : value;
}

void Kelvadrune::WriteMeterLevels(fx::gfx::IGraphics& ui) {
  auto* meter = dynamic_cast<kd::IMeterView*>(ui.GetControlWithTag(kCtrlTagMeter));
  if (!meter) return;
  const bool disabled = mDisableMeter.load(std::memory_order_acquire) != 0;
  constexpr int kFast[] = {kMeterFastLeft, kMeterFastRight};
  constexpr int kHold[] = {kMeterHoldLeft, kMeterHoldRight};
  for (int ch = 0; ch < 2; ++ch) {
    if (disabled) {
      meter->SetLevels(ch, kMeterFloorDB, kMeterFloorDB, kMeterFloorDB);
    } else {
      meter->SetLevels(ch, ToDB(MeterAmplitude(kFast[ch], GetMeterLevel(kFast[ch]))),
                       ToDB(MeterAmplitude(kHold[ch], GetMeterLevel(kHold[ch]))),
                       ToDB(MeterAmplitude(kFast[ch], GetMeterPeak(kFast[ch]))));
    }
  }
}

void Kelvadrune::UpdateGUI() {
  const auto editorLock = LockEditor();
  fx::gfx::IGraphics* ui = GetUI();
  if (!ui || !mEditorLinks.built || ui->NControls() < 1) return;
  // A stored control removed from the editor (through the graphics' own operations) is not touched again.
  mEditorLinks.ForgetControlsNotHeld([ui](const IControl* control) { return ui->GetControlIdx(control) >= 0; });
  mTooltipsPending.store(true, std::memory_order_release);
  const bool bypassed = GetBypassed();
  if (!bypassed) ui->ForAllControlsFunc(kEnable);

  const bool coreLayout = mCoreFaderLayout.load(std::memory_order_acquire) != 0;
  PlaceLeftMidColumn(coreLayout);
  ShowFaderColumns(coreLayout, mProcessMode.load(std::memory_order_acquire) != 0,
                   mBasicFaderLayout.load(std::memory_order_acquire) != 0,
                   mHideModViews.load(std::memory_order_acquire) != 0);

  // The fader parameters' display already follows the settings; the label text and the faders follow here.
  ApplyFaderLabels();
  for (IControl* fader : mEditorLinks.faders)
    if (fader) fader->SetDirty(false, -1);

  // The senders' window (their set-up may run on the audio thread; its length never changes).
  for (int tag : {kCtrlTagModViewMaster, kCtrlTagModViewLM, kCtrlTagModViewRS})
    SetupModView(tag, kAccentColor, ModViewSender::kDefaultWindowMs);
  SetupMeter(kCtrlTagMeter);
  for (int tag : {kCtrlTagFaderScaleMaster, kCtrlTagFaderScaleLM, kCtrlTagFaderScaleRS}) SetupFaderScale(tag);

  if (bypassed) ui->ForAllControlsFunc(kDisable);
}

void Kelvadrune::PlaceLeftMidColumn(bool coreLayout) {
  const ColumnPlaces& at = coreLayout ? kLeftMidCore : kLeftMidFull;
  KelvadruneEditorLinks& links = mEditorLinks;
  Place(links.faders[kGainIdxLM], at.fader);
  Place(links.faderScales[kGainIdxLM], at.fader);
  Place(links.faderLabels[KelvadruneEditorLinks::kLabelLeft], at.label);
  Place(links.lockSwitches[kGainIdxLM], at.lock);
  Place(links.minusInfSwitches[kGainIdxLM], at.minusInf);
  Place(links.modViews[kGainIdxLM], at.modView);
  Place(links.linkSwitch, at.link);
  if (links.gradientPanel) links.gradientPanel->SetDirty(false, -1);
}

// The core layout drops the master column and the stereo/mid-side switch (its left/right column then
// reads "LEFT" and "RIGHT" in either mode); the link leaves the right/side column visible but disabled.
void Kelvadrune::ShowFaderColumns(bool coreLayout, bool midSide, bool linked, bool hideModViews) {
  using Links = KelvadruneEditorLinks;
  Links& links = mEditorLinks;
  for (IControl* view : links.modViews) Show(view, false);
  if (!hideModViews) {
    Show(links.modViews[kGainIdxLM], true);
    Show(links.modViews[kGainIdxRS], true);
    Show(links.modViews[kGainIdxMaster], !coreLayout);
  }

  IControl* const masterColumn[] = {links.faderLabels[Links::kLabelMaster], links.faders[kGainIdxMaster],
                                    links.faderScales[kGainIdxMaster],      links.lockSwitches[kGainIdxMaster],
                                    links.minusInfSwitches[kGainIdxMaster], links.stereoMSSwitch};
  for (IControl* label : links.faderLabels) Show(label, false);
  for (IControl* control : masterColumn) Show(control, !coreLayout);

  for (IControl* control : {links.faders[kGainIdxRS], links.faderScales[kGainIdxRS], links.lockSwitches[kGainIdxRS],
                            links.minusInfSwitches[kGainIdxRS]})
    Enable(control, !linked);

  const bool leftRight = !midSide || coreLayout;
  Show(links.faderLabels[leftRight ? Links::kLabelLeft : Links::kLabelMid], true);
  Show(links.faderLabels[leftRight ? Links::kLabelRight : Links::kLabelSide], true);
}

void Kelvadrune::SetupModView(int ctrlTag, fx::gfx::IColor color, double msPerPoint) {
  fx::gfx::IGraphics* ui = GetUI();
  if (!ui) return;
  if (auto* view = dynamic_cast<kd::IModViewSetup*>(ui->GetControlWithTag(ctrlTag)))
    view->ApplyProductSetup(color, msPerPoint);
}

void Kelvadrune::SetupMeter(int ctrlTag) {
  fx::gfx::IGraphics* ui = GetUI();
  if (!ui) return;
  if (auto* meter = dynamic_cast<kd::IMeterView*>(ui->GetControlWithTag(ctrlTag)))
    meter->ApplyProductSetup(kAccentColor);
}

void Kelvadrune::SetupFaderScale(int ctrlTag) {
  fx::gfx::IGraphics* ui = GetUI();
  if (!ui) return;
  auto* scale = dynamic_cast<kd::IFaderScaleSetup*>(ui->GetControlWithTag(ctrlTag));
  if (!scale) return;
  scale->SetShapeExponent(static_cast<float>(mFaderShape.load(std::memory_order_acquire)));
  scale->SetDisplayMode(mFaderDisplayMode.load(std::memory_order_acquire),
                        static_cast<float>(mMinGain.load(std::memory_order_acquire)),
                        static_cast<float>(mMaxGain.load(std::memory_order_acquire)));
}

void Kelvadrune::GetHostDisplayName(fx::FwString& out) const {
  out.Set(kd::HostDisplayName(GetHost()));
}

void Kelvadrune::GetAboutText(fx::FwString& out) const {
  fx::FwString host;
  GetHostDisplayName(host);
  // The processor keeps only finite rates above 0, so the delay in ms is always a number.
  const double rate = GetSampleRate();
  const int latency = GetLatency();
  const double latencyMs = latency * 1000.0 / rate;
  out.Set("");
  out.AppendFormatted(kMaxAboutLine, "Manufacturer: %s\n", GetMfrName());
  out.AppendFormatted(kMaxAboutLine, "Plugin name: %s\n", GetPluginName());
  out.AppendFormatted(kMaxAboutLine, "Version: %s\n", kVersionText);
  out.AppendFormatted(kMaxAboutLine, "Build date: %s\n", __DATE__);
  out.AppendFormatted(kMaxAboutLine, "Build time: %s\n", __TIME__);
  out.Append("\n");
  out.AppendFormatted(kMaxAboutLine, "Format: %s %s (%s, VECTOR, VULKAN)\n", GetAPIString(), GetArchString(),
                      kProcessorFamily);
  out.AppendFormatted(kMaxAboutLine, "Host: %s\n", host.Get());
  out.AppendFormatted(kMaxAboutLine, "Channels: %d-%d (%d-%d)\n", NChannelsConnected(fx::kInput),
                      NChannelsConnected(fx::kOutput), MaxNChannels(fx::kInput), MaxNChannels(fx::kOutput));
  out.AppendFormatted(kMaxAboutLine, "Plugin delay: %d smp (%.1f ms)\n", latency, latencyMs);
  out.AppendFormatted(kMaxAboutLine, "Sample Rate: %.2f Hz\n", rate);
  out.AppendFormatted(kMaxAboutLine, "Block Size: %d smp\n", GetBlockSize());
  out.Append("\n\n");
}

void Kelvadrune::ShowAboutBox() {
  fx::gfx::IGraphics* ui = GetUI();
  if (!ui) return;
  fx::FwString text;
  GetAboutText(text);
  ui->ShowMessageBox(text.Get(), "About", fx::gfx::kMB_OK, nullptr);
}
