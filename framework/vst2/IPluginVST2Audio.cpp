#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <type_traits>
#include <utility>

#include "framework/vst2/IPluginVST2.h"

namespace fx {

namespace {

// Hosts that cannot connect more than two channels each way.
bool IsRestrictedHost(EHost host) {
  return host == kHostForte || host == kHostAudition || host == kHostOrion || host == kHostSAWStudio;
}

ITimeInfo TimeInfoFromHost(const vst2::TimeInfo* host) {
  ITimeInfo info;
  if (!host) return info;
  const int32_t flags = host->flags;
  info.mSamplePos = host->samplePos;
  if ((flags & vst2::kTimePpqPosValid) && host->ppqPos >= 0.0) info.mPPQPos = host->ppqPos;
  if ((flags & vst2::kTimeTempoValid) && host->tempo > 0.0) info.mTempo = host->tempo;
  if ((flags & vst2::kTimeBarsValid) && host->barStartPos >= 0.0) info.mLastBar = host->barStartPos;
  if ((flags & vst2::kTimeCyclePosValid) && host->cycleStartPos >= 0.0 && host->cycleEndPos >= 0.0) {
    info.mCycleStart = host->cycleStartPos;
    info.mCycleEnd = host->cycleEndPos;
  }
  if ((flags & vst2::kTimeTimeSigValid) && host->timeSigNumerator > 0 && host->timeSigDenominator > 0) {
    info.mNumerator = host->timeSigNumerator;
    info.mDenominator = host->timeSigDenominator;
  }
  info.mTransportIsRunning = flags & vst2::kTimeTransportPlaying;
  info.mTransportLoopEnabled = flags & vst2::kTimeTransportCycleActive;
  return info;
}

// The transport offset frames into the block: the sample position, and the beat position at the tempo.
ITimeInfo AdvancedTimeInfo(const ITimeInfo& blockStart, int offset, double sampleRate) {
  ITimeInfo info = blockStart;
  if (info.mSamplePos >= 0.0) info.mSamplePos += offset;
  if (info.mPPQPos >= 0.0 && sampleRate > 0.0) info.mPPQPos += offset * info.mTempo / (60.0 * sampleRate);
  return info;
}

}  // namespace

// ---- Audio thread: the record's process callbacks ----
// An exception never leaves a callback: the replacing outputs are then silent.

void IPluginVST2::Process(vst2::EffectRecord* effect, float** inputs, float** outputs, int32_t frames) {
  IPluginVST2* plug = FromRecord(effect);
  if (!plug) return;
  plug->ProcessGuardedBlock(inputs, outputs, frames, false, [plug](int n) { plug->ProcessBuffersAccumulating(n); });
}

void IPluginVST2::ProcessReplacing(vst2::EffectRecord* effect, float** inputs, float** outputs, int32_t frames) {
  IPluginVST2* plug = FromRecord(effect);
  if (!plug) return;
  plug->ProcessGuardedBlock(inputs, outputs, frames, true, [plug](int n) { plug->ProcessBuffers(0.0f, n); });
}

void IPluginVST2::ProcessDoubleReplacing(vst2::EffectRecord* effect, double** inputs, double** outputs,
                                         int32_t frames) {
  IPluginVST2* plug = FromRecord(effect);
  if (!plug) return;
  plug->ProcessGuardedBlock(inputs, outputs, frames, true, [plug](int n) { plug->ProcessBuffers(0.0, n); });
}

// The try-lock never waits: a block that meets a reconfiguration in progress is skipped rather than held up
// (or run over buffers being resized). A block that grows the block size does so inside the guard.
template <typename Sample, typename ProcessPiece>
void IPluginVST2::ProcessGuardedBlock(Sample** inputs, Sample** outputs, int32_t frames, bool replacing,
                                      ProcessPiece process) {
  const std::unique_lock<std::recursive_mutex> processing(mProcessingGuard, std::try_to_lock);
  if (!processing.owns_lock()) {
    if (replacing) SilenceOutputs(outputs, frames);
    return;
  }
  // A host may call a block from inside one of a block's own calls: the inner one ends still inside the outer.
  const bool outerBlock = std::exchange(mInBlock, true);
  try {
    ProcessHostBlock(inputs, outputs, frames, process);
  } catch (...) {
    if (replacing) SilenceOutputs(outputs, frames);
  }
  mInBlock = outerBlock;
  if (!outerBlock) ApplyDeferredRequests();
}

// A request that fails is dropped (as the dispatcher drops it) and the ones after it still apply. A block
// or request the host makes from inside one of these starts a queue of its own.
void IPluginVST2::ApplyDeferredRequests() {
  const int nDeferred = std::exchange(mNDeferred, 0);
  const std::array<Reconfiguration, kMaxDeferredRequests> deferred = mDeferred;
  for (int i = 0; i < nDeferred; ++i) {
    try {
      ApplyReconfiguration(deferred[static_cast<size_t>(i)]);
    } catch (...) {
    }
  }
}

// A block the built size cannot hold (see GrowBlockSize) runs in pieces of that size, each with its
// buffers and its transport. A block of no frames is one piece of none.
template <typename Sample, typename ProcessPiece>
void IPluginVST2::ProcessHostBlock(Sample** inputs, Sample** outputs, int32_t frames, ProcessPiece process) {
  const int nFrames = std::max(frames, 0);
  PrepareBlock(nFrames);
  const int pieceSize = std::max(GetBlockSize(), 1);
  ITimeInfo blockStart;
  int offset = 0;
  do {
    const int n = std::min(pieceSize, nFrames - offset);
    AttachBuffers(kInput, 0, mEffect.numInputs, OffsetChannels(kInput, inputs, offset), n);
    AttachBuffers(kOutput, 0, mEffect.numOutputs, OffsetChannels(kOutput, outputs, offset), n);
    if (offset == 0) {
      UpdateTimeInfo();
      DrainMidiToProcessor();
      blockStart = GetTimeInfo();
    } else {
      SetTimeInfo(AdvancedTimeInfo(blockStart, offset, GetSampleRate()));
    }
    process(n);
    offset += n;
  } while (offset < nFrames);
  SendQueuedSysEx();
}

template <typename Sample>
Sample** IPluginVST2::OffsetChannels(ERoute direction, Sample** channels, int offset) {
  if (offset == 0 || !channels) return channels;
  std::vector<Sample*>& piece = [this, direction]() -> std::vector<Sample*>& {
    if constexpr (std::is_same_v<Sample, float>)
      return mPieceFloats[direction];
    else
      return mPieceDoubles[direction];
  }();
  const int nChannels =
      std::min(direction == kInput ? mEffect.numInputs : mEffect.numOutputs, static_cast<int>(piece.size()));
  for (int i = 0; i < nChannels; ++i) piece[static_cast<size_t>(i)] = channels[i] ? channels[i] + offset : nullptr;
  return piece.data();
}

template <typename Sample>
void IPluginVST2::SilenceOutputs(Sample** outputs, int32_t frames) const {
  if (!outputs || frames <= 0) return;
  for (int i = 0; i < mEffect.numOutputs; ++i) {
    if (outputs[i]) std::fill(outputs[i], outputs[i] + frames, Sample(0));
  }
}

void IPluginVST2::PrepareBlock(int nFrames) {
  if (DoesMIDIIn()) CallHost(vst2::kHostWantMidi);
  if (nFrames > GetBlockSize()) GrowBlockSize(nFrames);
  const bool offline = CallHost(vst2::kHostGetCurrentProcessLevel) == vst2::kProcessLevelOffline;
  if (offline != GetRenderingOffline()) {
    SetRenderingOffline(offline);
    OnReset();
  }
}

// A size the plug-in's reset refuses (it throws) is undone as the host's own refused request is: the old
// size back and reset again. A size that failed, and any longer one, is not tried again, so a host that
// keeps sending such blocks does not reset the plug-in at every block.
void IPluginVST2::GrowBlockSize(int nFrames) {
  if (nFrames > kMaxBlockSize || nFrames >= mRefusedBlockSize) return;
  const int builtSize = GetBlockSize();
  try {
    SetBlockSize(nFrames);
    if (GetBlockSize() == nFrames) {
      OnReset();
      return;
    }
  } catch (...) {
    mRefusedBlockSize = nFrames;
    SetBlockSize(builtSize);
    OnReset();
    return;
  }
  mRefusedBlockSize = nFrames;
}

void IPluginVST2::UpdateTimeInfo() {
  const intptr_t answer = CallHost(vst2::kHostGetTime, 0, vst2::kTimeInfoRequestMask);
  SetTimeInfo(TimeInfoFromHost(reinterpret_cast<const vst2::TimeInfo*>(answer)));
}

void IPluginVST2::DrainMidiToProcessor() {
  IMidiMsg msg;
  while (PopMidiMsgForProcessor(msg)) ProcessMidiMsg(msg);
}

void IPluginVST2::SendQueuedSysEx() {
  while (PopSysExForProcessor(mSysExScratch)) {
    // The entry never holds more than its slot; a size that says otherwise is cut to it.
    const int size = std::clamp(mSysExScratch.mSize, 0, kMaxSysExBytes);
    SendSysEx(ISysEx(mSysExScratch.mOffset, size, mSysExScratch.mData));
  }
}

// ---- Calls to the host ----

intptr_t IPluginVST2::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return mHostCallback ? mHostCallback(&mEffect, opcode, index, value, ptr, opt) : 0;
}

void IPluginVST2::BeginInformHostOfParamChange(int idx) {
  CallHost(vst2::kHostBeginEdit, idx);
}

void IPluginVST2::EndInformHostOfParamChange(int idx) {
  CallHost(vst2::kHostEndEdit, idx);
}

void IPluginVST2::InformHostOfParamChange(int idx, double normalizedValue) {
  CallHost(vst2::kHostAutomate, idx, 0, nullptr, static_cast<float>(normalizedValue));
}

void IPluginVST2::InformHostOfPresetChange() {
  CallHost(vst2::kHostUpdateDisplay);
}

bool IPluginVST2::EditorResize(int width, int height) {
  if (!HasUI() || (width == GetEditorWidth() && height == GetEditorHeight())) return false;
  SetEditorSize(width, height);
  UpdateEditorRect();
  return CallHost(vst2::kHostSizeWindow, width, height) != 0;
}

void IPluginVST2::HostIdentifiedHook() {
  const bool restricted = IsRestrictedHost(GetHost());
  if (restricted) RestrictToTwoChannels();
  const int maxChannels = restricted ? 2 : INT_MAX;
  mEffect.numInputs = std::min(MaxNChannels(kInput), maxChannels);
  mEffect.numOutputs = std::min(MaxNChannels(kOutput), maxChannels);
  UpdateArrangements();
}

void IPluginVST2::SetLatency(int samples) {
  if (samples < 0) return;
  IPluginProcessor::SetLatency(samples);
  // A refused latency changes nothing and is not told to the host.
  if (GetLatency() != samples) return;
  mEffect.initialDelay = samples;
  // A host that answers by setting the latency again from inside the I/O-changed call is not told twice.
  if (mInIOChanged.exchange(true, std::memory_order_acq_rel)) return;
  CallHost(vst2::kHostIOChanged);
  mInIOChanged.store(false, std::memory_order_release);
}

bool IPluginVST2::SendMidiMsg(const IMidiMsg& msg) {
  vst2::MidiEvent event{};
  event.type = vst2::kEventMidi;
  event.byteSize = sizeof(vst2::MidiEvent);
  event.deltaFrames = msg.mOffset;
  event.midiData[0] = msg.mStatus;
  event.midiData[1] = msg.mData1;
  event.midiData[2] = msg.mData2;
  return SendVSTEvent(reinterpret_cast<vst2::Event*>(&event));
}

bool IPluginVST2::SendSysEx(const ISysEx& msg) {
  vst2::SysExEvent event{};
  event.type = vst2::kEventSysEx;
  event.byteSize = sizeof(vst2::SysExEvent);
  event.deltaFrames = msg.mOffset;
  event.dumpBytes = msg.mSize;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(msg.mData));
  return SendVSTEvent(reinterpret_cast<vst2::Event*>(&event));
}

bool IPluginVST2::SendVSTEvent(vst2::Event* event) {
  if (!event) return false;
  vst2::Events events{};
  events.numEvents = 1;
  events.events[0] = event;
  return CallHost(vst2::kHostProcessEvents, 0, 0, &events) == 1;
}

}  // namespace fx
