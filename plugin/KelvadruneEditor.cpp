// Main thread: the idle work, the editor notifications, the About box and the update checks.
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IPopupMenuControlBase.h"
#include "plugin/HostDisplayNames.h"
#include "plugin/Kelvadrune.h"

namespace {

constexpr int kMaxAboutLine = 1024;
constexpr int kModViewMsgTag = 0;

}  // namespace

void Kelvadrune::OnIdle() {
  if (GetHost() != fx::kHostProTools) {
    const int pending = mPDCLatency.load(std::memory_order_acquire);
    if (GetLatency() != pending) SetLatencyPDC(pending);
  }
  if (mFaderLabelsPending.exchange(false, std::memory_order_acq_rel)) ApplyFaderLabels();
  // A host may close the editor from another thread meanwhile: the graphics are used under the editor lock.
  const auto editorLock = LockEditor();
  if (mGUIRefreshPending.exchange(false, std::memory_order_acq_rel)) UpdateGUI();
  fx::gfx::IGraphics* ui = GetUI();
  if (!IsEditorOpen() || !ui) return;
  // A showing popup menu keeps the editor's size and tooltips as they are until it closes.
  const fx::gfx::IPopupMenuControlBase* popup = ui->GetPopupMenuControl();
  const bool menuShowing = popup && popup->GetState() > fx::gfx::IPopupMenuControlBase::kCollapsed;
  if (!menuShowing && mResizePending.exchange(false, std::memory_order_acq_rel)) {
    ui->Resize(kEditorBaseWidth, kEditorBaseHeight, static_cast<float>(mGUIScale.load(std::memory_order_acquire)),
               true);
  }
  if (!menuShowing && mTooltipsPending.exchange(false, std::memory_order_acq_rel)) {
    ui->EnableTooltips(mTooltips.load(std::memory_order_acquire) > 0);
  }
  if (mAboutRequested.exchange(false, std::memory_order_acq_rel)) ShowAboutBox();
  RunUpdateChecks();
  for (GainState& state : mGains) {
    SenderRecord record;
    while (state.sender.PopRecord(record)) {
      SendControlMsgFromDelegate(record.ctrlTag, kModViewMsgTag, static_cast<int>(sizeof(record)), &record);
    }
  }
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
  if (mAutoUpdateCheck.load(std::memory_order_acquire) > 0) mUpdateCheck.StartAutomatic(GetPluginName(), kVersionText);
  if (!mUpdateCheck.IsRunning() && mUpdateCheckRequested.exchange(false, std::memory_order_acq_rel)) {
    mUpdateCheck.StartManual(GetPluginName(), kVersionText);
  }
}

void Kelvadrune::UpdateGUI() {
  const auto editorLock = LockEditor();
  fx::gfx::IGraphics* ui = GetUI();
  if (!ui || ui->NControls() < 1) return;
  mTooltipsPending.store(true, std::memory_order_release);
  const bool bypassed = GetBypassed();
  ui->ForAllControlsFunc([bypassed](fx::gfx::IControl* control) { control->SetDisabled(bypassed); });
}

void Kelvadrune::GetHostDisplayName(fx::FwString& out) const {
  out.Set(kd::HostDisplayName(GetHost()));
}

void Kelvadrune::GetAboutText(fx::FwString& out) const {
  fx::FwString host;
  GetHostDisplayName(host);
  const double rate = GetSampleRate();
  const int latency = GetLatency();
  const double latencyMs = rate > 0.0 ? latency * 1000.0 / rate : 0.0;
  out.Set("");
  out.AppendFormatted(kMaxAboutLine, "Manufacturer: %s\n", GetMfrName());
  out.AppendFormatted(kMaxAboutLine, "Plugin name: %s\n", GetPluginName());
  out.AppendFormatted(kMaxAboutLine, "Version: %s\n", kVersionText);
  out.AppendFormatted(kMaxAboutLine, "Build date: %s\n", __DATE__);
  out.AppendFormatted(kMaxAboutLine, "Build time: %s\n", __TIME__);
  out.Append("\n");
  out.AppendFormatted(kMaxAboutLine, "Format: %s %s (INTEL, VECTOR, METAL)\n", GetAPIString(), GetArchString());
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
