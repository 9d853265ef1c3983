#include "framework/IPluginProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace fx {

namespace {

constexpr int kMaxLabelLength = 32;

constexpr int FourCharCode(const char (&code)[5]) {
  return (code[0] << 24) | (code[1] << 16) | (code[2] << 8) | code[3];
}

void ZeroSamples(double* samples, int nFrames) {
  if (samples && nFrames > 0) std::memset(samples, 0, static_cast<size_t>(nFrames) * sizeof(double));
}

}  // namespace

IPluginProcessor::IPluginProcessor(const Config& config)
    : mPlugType(config.plugType),
      mDoesMIDIIn(config.doesMidiIn),
      mDoesMIDIOut(config.doesMidiOut),
      mDoesMPE(config.doesMPE),
      mLatency(std::max(config.latency, 0)) {
  int maxNInChans = 0, maxNOutChans = 0, maxNInBuses = 0, maxNOutBuses = 0;
  ParseChannelIOStr(config.channelIOStr, mIOConfigs, maxNInChans, maxNOutChans, maxNInBuses, maxNOutBuses);
  CreateChannels(kInput, maxNInChans);
  CreateChannels(kOutput, maxNOutChans);
}

IPluginProcessor::~IPluginProcessor() {
  mIOConfigs.Empty(true);
  mChannelData[kInput].Empty(true);
  mChannelData[kOutput].Empty(true);
}

void IPluginProcessor::CreateChannels(ERoute direction, int count) {
  double** pointers = mChannelPointers[direction].Resize(count);
  for (int i = 0; i < count && pointers; ++i) {
    pointers[i] = nullptr;
    auto* channel = new IChannelData(&pointers[i]);
    if (!mChannelData[direction].Add(channel)) delete channel;
  }
}

// ---- Hooks ----

void IPluginProcessor::ProcessBlock(double** inputs, double** outputs, int nFrames) {
  CopyInputsToOutputs(inputs, outputs, nFrames);
}

void IPluginProcessor::CopyInputsToOutputs(double** inputs, double** outputs, int nFrames) const {
  const int nIn = MaxNChannels(kInput);
  for (int c = 0; c < MaxNChannels(kOutput); ++c) {
    if (!outputs[c]) continue;
    if (c < nIn && inputs[c]) {
      std::memmove(outputs[c], inputs[c], static_cast<size_t>(nFrames) * sizeof(double));
    } else {
      ZeroSamples(outputs[c], nFrames);
    }
  }
}

void IPluginProcessor::ProcessMidiMsg(const IMidiMsg& msg) {
  SendMidiMsg(msg);
}

void IPluginProcessor::ProcessSysEx(const ISysEx&) {}

void IPluginProcessor::OnReset() {}

void IPluginProcessor::OnActivate(bool) {}

void IPluginProcessor::OnBypassChanged(bool) {}

bool IPluginProcessor::SendMidiMsgs(FwTypedBuf<IMidiMsg>& msgs) {
  bool allSent = true;
  for (int i = 0; i < msgs.GetSize(); ++i) allSent = SendMidiMsg(msgs.Get()[i]) && allSent;
  return allSent;
}

bool IPluginProcessor::SendSysEx(const ISysEx&) {
  return false;
}

double IPluginProcessor::GetGainReduction() const {
  return 1.0;
}

void IPluginProcessor::GetBusName(ERoute direction, int busIdx, int nBuses, FwString& str) const {
  if (direction == kOutput) {
    if (nBuses == 1) {
      str.Set("Output");
    } else {
      str.SetFormatted(kMaxLabelLength, "Output %i", busIdx);
    }
    return;
  }
  if (nBuses == 1) {
    str.Set("Input");
  } else if (nBuses == 2) {
    str.Set(busIdx == 0 ? "Main" : "Aux");
  } else {
    str.SetFormatted(kMaxLabelLength, "Input %i", busIdx);
  }
}

// A latency the delay cannot hold is refused rather than reported while bypassed audio runs on another.
void IPluginProcessor::SetLatency(int samples) {
  if (samples < 0) return;
  if (mLatencyDelay && !mLatencyDelay->SetLength(samples)) return;
  mLatency.store(samples, std::memory_order_release);
}

void IPluginProcessor::SetTailSize(int tailSize) {
  if (tailSize >= 0) mTailSize.store(tailSize, std::memory_order_release);
}

// ---- Configuration queries ----

int IPluginProcessor::ParseChannelIOStr(const char* text, FwPtrList<IOConfig>& configs, int& maxNInChans,
                                        int& maxNOutChans, int& maxNInBuses, int& maxNOutBuses) {
  maxNInChans = maxNOutChans = maxNInBuses = maxNOutBuses = 0;
  if (!text) return 0;
  const std::string_view all(text);
  int nConfigs = 0;
  size_t start = 0;
  while (start <= all.size()) {
    const size_t end = std::min(all.find(' ', start), all.size());
    if (end > start) {
      auto* config = new IOConfig;
      config->ParseConfigText(all.substr(start, end - start));
      maxNInChans = std::max(maxNInChans, config->GetTotalNChannels(kInput));
      maxNOutChans = std::max(maxNOutChans, config->GetTotalNChannels(kOutput));
      maxNInBuses = std::max(maxNInBuses, config->NBuses(kInput));
      maxNOutBuses = std::max(maxNOutBuses, config->NBuses(kOutput));
      if (configs.Add(config)) {
        ++nConfigs;
      } else {
        delete config;
      }
    }
    start = end + 1;
  }
  return nConfigs;
}

int IPluginProcessor::MaxNBuses(ERoute direction, int* configIdx) const {
  int maxBuses = 0;
  int lastIdx = 0;
  for (int i = 0; i < NIOConfigs(); ++i) {
    const int nBuses = GetIOConfig(i)->NBuses(direction);
    if (nBuses >= maxBuses) {
      maxBuses = nBuses;
      lastIdx = i;
    }
  }
  if (configIdx) *configIdx = lastIdx;
  return maxBuses;
}

int IPluginProcessor::GetIOConfigWithChanCounts(std::vector<int>& inputBuses, std::vector<int>& outputBuses) const {
  auto matches = [](const IOConfig& config, ERoute direction, const std::vector<int>& counts) {
    if (config.NBuses(direction) != static_cast<int>(counts.size())) return false;
    for (size_t b = 0; b < counts.size(); ++b) {
      if (config.NChansOnBus(direction, static_cast<int>(b)) != counts[b]) return false;
    }
    return true;
  };
  for (int i = 0; i < NIOConfigs(); ++i) {
    const IOConfig& config = *GetIOConfig(i);
    if (matches(config, kInput, inputBuses) && matches(config, kOutput, outputBuses)) return i;
  }
  return -1;
}

int IPluginProcessor::MaxNChannelsForBus(ERoute direction, int busIdx) const {
  if (NIOConfigs() > 0 && GetIOConfig(0)->ContainsWildcard(direction)) return -1;
  int maxChans = 0;
  for (int i = 0; i < NIOConfigs(); ++i) maxChans = std::max(maxChans, GetIOConfig(i)->NChansOnBus(direction, busIdx));
  return maxChans;
}

bool IPluginProcessor::LegalIO(int nIn, int nOut) const {
  for (int i = 0; i < NIOConfigs(); ++i) {
    const IOConfig& config = *GetIOConfig(i);
    const bool inOK = nIn < 0 || config.GetTotalNChannels(kInput) == nIn;
    const bool outOK = nOut < 0 || config.GetTotalNChannels(kOutput) == nOut;
    if (inOK && outOK) return true;
  }
  return false;
}

int IPluginProcessor::GetPluginTypeCode() const {
  switch (mPlugType) {
    case kPlugTypeMIDIEffect:
      return FourCharCode("aumi");
    case kPlugTypeInstrument:
      return FourCharCode("aumu");
    case kPlugTypeEffect:
      return DoesMIDIIn() ? FourCharCode("aumf") : FourCharCode("aufx");
    default:
      return FourCharCode("aufx");
  }
}

// ---- Channel set-up ----

void IPluginProcessor::SetChannelConnections(ERoute direction, int first, int count, bool connected) {
  const int end = std::min(first + std::max(count, 0), MaxNChannels(direction));
  for (int i = std::max(first, 0); i < end; ++i) {
    IChannelData* channel = Channel(direction, i);
    channel->mConnected.store(connected, std::memory_order_release);
    channel->mFloatDest = nullptr;
    channel->PointAtScratch();
  }
}

bool IPluginProcessor::IsChannelConnected(ERoute direction, int idx) const {
  const IChannelData* channel = Channel(direction, idx);
  return channel && channel->mConnected.load(std::memory_order_acquire);
}

int IPluginProcessor::NChannelsConnected(ERoute direction) const {
  int n = 0;
  for (int i = 0; i < MaxNChannels(direction); ++i) n += IsChannelConnected(direction, i) ? 1 : 0;
  return n;
}

// Outputs beyond two are disconnected as well: a host limited to stereo gives no buffers for them.
void IPluginProcessor::RestrictToTwoChannels() {
  SetChannelConnections(kInput, 2, MaxNChannels(kInput) - 2, false);
  SetChannelConnections(kOutput, 2, MaxNChannels(kOutput) - 2, false);
}

void IPluginProcessor::SetChannelLabel(ERoute direction, int idx, const char* formatStr, bool zeroBased) {
  IChannelData* channel = Channel(direction, idx);
  if (!channel || !formatStr) return;
  channel->mLabel.SetFormatted(kMaxLabelLength, formatStr, zeroBased ? idx : idx + 1);
}

const char* IPluginProcessor::GetChannelLabel(ERoute direction, int idx) const {
  const IChannelData* channel = Channel(direction, idx);
  return channel ? channel->mLabel.Get() : "";
}

// All or nothing: when one scratch buffer cannot grow, the ones already grown go back to the old size (which
// fits the memory they now hold, so that allocates nothing and cannot fail) and the block size stays, so
// no block ever runs past a buffer. Every channel is pointed at its scratch buffer anew, since resizing may
// have moved the buffers.
void IPluginProcessor::SetBlockSize(int blockSize) {
  const int oldBlockSize = GetBlockSize();
  if (blockSize < 0 || blockSize == oldBlockSize) return;
  const bool resized = ResizeScratchBuffers(blockSize);
  if (!resized) ResizeScratchBuffers(oldBlockSize);
  for (ERoute direction : {kInput, kOutput}) {
    for (int i = 0; i < MaxNChannels(direction); ++i) {
      IChannelData* channel = Channel(direction, i);
      ZeroSamples(channel->mScratchBuf.Get(), channel->mScratchBuf.GetSize());
      channel->mFloatDest = nullptr;
      channel->PointAtScratch();
    }
  }
  if (resized) mBlockSize.store(blockSize, std::memory_order_release);
}

// Stops at the first buffer that cannot grow. A shrinking buffer that cannot give memory back keeps it.
bool IPluginProcessor::ResizeScratchBuffers(int nFrames) {
  for (ERoute direction : {kInput, kOutput}) {
    for (int i = 0; i < MaxNChannels(direction); ++i) {
      FwTypedBuf<double>& scratch = Channel(direction, i)->mScratchBuf;
      if (scratch.GetSize() == nFrames) continue;
      scratch.Resize(nFrames);
      if (scratch.GetSize() != nFrames) scratch.Resize(nFrames, false);
      if (scratch.GetSize() != nFrames) return false;
    }
  }
  return true;
}

void IPluginProcessor::ZeroScratchBuffers() {
  for (ERoute direction : {kInput, kOutput}) {
    for (int i = 0; i < MaxNChannels(direction); ++i) {
      IChannelData* channel = Channel(direction, i);
      ZeroSamples(channel->mScratchBuf.Get(), channel->mScratchBuf.GetSize());
    }
  }
}

void IPluginProcessor::InitLatencyDelay() {
  if (MaxNChannels(kInput) <= 0) return;
  auto delay = std::make_unique<LatencyDelay>(MaxNChannels(kInput), MaxNChannels(kOutput), GetLatency());
  // A delay that could not take the latency would silence bypassed audio; without one it passes undelayed.
  if (delay->GetLength() == GetLatency())
    mLatencyDelay = std::move(delay);
  else
    mLatencyDelay.reset();
}

// ---- Per block ----

int IPluginProcessor::ClampToBlock(int nFrames) const {
  return std::clamp(nFrames, 0, GetBlockSize());
}

void IPluginProcessor::AttachBuffers(ERoute direction, int first, int count, double** data, int nFrames) {
  const int end = std::min(first + std::max(count, 0), MaxNChannels(direction));
  int next = 0;
  for (int i = std::max(first, 0); i < end; ++i) {
    IChannelData* channel = Channel(direction, i);
    if (!channel->mConnected.load(std::memory_order_acquire)) continue;
    double* host = data ? data[next++] : nullptr;
    channel->mFloatDest = nullptr;
    if (host) {
      *channel->mData = host;
    } else {
      channel->PointAtScratch();
      ZeroSamples(*channel->mData, std::min(ClampToBlock(nFrames), channel->mScratchBuf.GetSize()));
    }
  }
}

void IPluginProcessor::AttachBuffers(ERoute direction, int first, int count, float** data, int nFrames) {
  const int end = std::min(first + std::max(count, 0), MaxNChannels(direction));
  const int n = ClampToBlock(nFrames);
  int next = 0;
  for (int i = std::max(first, 0); i < end; ++i) {
    IChannelData* channel = Channel(direction, i);
    if (!channel->mConnected.load(std::memory_order_acquire)) continue;
    float* host = data ? data[next++] : nullptr;
    channel->PointAtScratch();
    double* scratch = channel->mScratchBuf.Get();
    if (direction == kOutput) {
      channel->mFloatDest = host;
    } else if (host) {
      for (int f = 0; f < n; ++f) scratch[f] = host[f];
    } else {
      ZeroSamples(scratch, n);
    }
  }
}

// A disconnected input reads its scratch buffer, which may still hold the last block a single-precision
// host gave it while connected (or what a plug-in wrote into its inputs): it is cleared here, on the audio
// thread, the only one that writes it while audio runs.
void IPluginProcessor::SilenceDisconnectedInputs(int nFrames) {
  for (int i = 0; i < MaxNChannels(kInput); ++i) {
    IChannelData* channel = Channel(kInput, i);
    if (!channel->mConnected.load(std::memory_order_acquire))
      ZeroSamples(channel->mScratchBuf.Get(), std::min(nFrames, channel->mScratchBuf.GetSize()));
  }
}

void IPluginProcessor::ProcessBuffers(double, int nFrames) {
  const int n = ClampToBlock(nFrames);
  SilenceDisconnectedInputs(n);
  ProcessBlock(mChannelPointers[kInput].Get(), mChannelPointers[kOutput].Get(), n);
}

void IPluginProcessor::ProcessBuffers(float, int nFrames) {
  const int n = ClampToBlock(nFrames);
  SilenceDisconnectedInputs(n);
  ProcessBlock(mChannelPointers[kInput].Get(), mChannelPointers[kOutput].Get(), n);
  ConvertOutputs(n, false);
}

void IPluginProcessor::ProcessBuffersAccumulating(int nFrames) {
  const int n = ClampToBlock(nFrames);
  SilenceDisconnectedInputs(n);
  ProcessBlock(mChannelPointers[kInput].Get(), mChannelPointers[kOutput].Get(), n);
  ConvertOutputs(n, true);
}

void IPluginProcessor::ConvertOutputs(int nFrames, bool accumulate) {
  for (int i = 0; i < MaxNChannels(kOutput); ++i) {
    IChannelData* channel = Channel(kOutput, i);
    float* dest = channel->mFloatDest;
    if (!dest || !channel->mConnected.load(std::memory_order_acquire)) continue;
    const double* samples = *channel->mData;
    if (accumulate) {
      for (int f = 0; f < nFrames; ++f) dest[f] += static_cast<float>(samples[f]);
    } else {
      for (int f = 0; f < nFrames; ++f) dest[f] = static_cast<float>(samples[f]);
    }
  }
}

void IPluginProcessor::PassThroughBuffers(double, int nFrames) {
  const int n = ClampToBlock(nFrames);
  double** inputs = mChannelPointers[kInput].Get();
  double** outputs = mChannelPointers[kOutput].Get();
  SilenceDisconnectedInputs(n);
  if (GetLatency() == 0 || !mLatencyDelay) {
    CopyInputsToOutputs(inputs, outputs, n);
  } else {
    mLatencyDelay->Process(inputs, outputs, n);
  }
}

void IPluginProcessor::PassThroughBuffers(float, int nFrames) {
  PassThroughBuffers(0.0, nFrames);
  ConvertOutputs(ClampToBlock(nFrames), false);
}

// ---- Shared state ----

void IPluginProcessor::SetSampleRate(double sampleRate) {
  if (std::isfinite(sampleRate) && sampleRate > 0.0) mSampleRate.store(sampleRate, std::memory_order_release);
}

double IPluginProcessor::GetSamplesPerBeat() const {
  const double tempo = mTimeInfo.mTempo;
  return tempo > 0.0 ? GetSampleRate() * 60.0 / tempo : 0.0;
}

}  // namespace fx
